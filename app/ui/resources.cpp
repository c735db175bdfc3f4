// Resources and text: the fonts, sprites and sheets of app.res, text measuring and number drawing.
#include <iterator>

#include "app/gfx/gfx.hpp"
#include "app/ui/ui.hpp"
#include "app/world/world.hpp"
#include "tessel/services.h"

namespace {

struct SpriteAsset {
    int32_t path;
    int32_t width;
    int32_t height;
};

constexpr SpriteAsset kSprites[kResSpriteCount] = {
    {text_id("assets/pieces/ramp.svg"), 320, 40},
    {text_id("assets/pieces/long_ramp.svg"), 520, 40},
    {text_id("assets/pieces/rail.svg"), 440, 35},
    {text_id("assets/pieces/chute.svg"), 390, 40},
    {text_id("assets/pieces/uturn.svg"), 125, 185},
    {text_id("assets/pieces/funnel.svg"), 295, 165},
    {text_id("assets/pieces/chime.svg"), 220, 30},
    {text_id("assets/pieces/block.svg"), 125, 55},
    {text_id("assets/pieces/pins.svg"), 155, 135},
    {text_id("assets/pieces/uturn_flipped.svg"), 125, 185},
    {text_id("assets/pieces/ramp_shadow.svg"), 350, 70},
    {text_id("assets/pieces/long_ramp_shadow.svg"), 550, 70},
    {text_id("assets/pieces/rail_shadow.svg"), 470, 65},
    {text_id("assets/pieces/chute_shadow.svg"), 420, 70},
    {text_id("assets/pieces/uturn_shadow.svg"), 155, 215},
    {text_id("assets/pieces/funnel_shadow.svg"), 325, 195},
    {text_id("assets/pieces/chime_shadow.svg"), 250, 60},
    {text_id("assets/pieces/block_shadow.svg"), 155, 85},
    {text_id("assets/pieces/pins_shadow.svg"), 185, 165},
    {text_id("assets/pieces/uturn_flipped_shadow.svg"), 155, 215},
    {text_id("assets/marbles/glass_0.svg"), 48, 48},
    {text_id("assets/marbles/glass_1.svg"), 48, 48},
    {text_id("assets/marbles/glass_2.svg"), 48, 48},
    {text_id("assets/marbles/glass_3.svg"), 48, 48},
    {text_id("assets/marbles/glass_4.svg"), 48, 48},
    {text_id("assets/marbles/glass_5.svg"), 48, 48},
    {text_id("assets/marbles/steel.svg"), 48, 48},
    {text_id("assets/marbles/clay_0.svg"), 48, 48},
    {text_id("assets/marbles/clay_1.svg"), 48, 48},
    {text_id("assets/marbles/clay_2.svg"), 48, 48},
    {text_id("assets/marbles/shade.svg"), 48, 48},
    {text_id("assets/marbles/shadow.svg"), 48, 48},
    {text_id("assets/fixtures/hopper.svg"), 130, 145},
    {text_id("assets/fixtures/hopper_shadow.svg"), 130, 145},
    {text_id("assets/fixtures/tray.svg"), 1600, 90},
    {text_id("assets/ui/knob.svg"), 64, 64},
};
static_assert(kResSpriteCount <= static_cast<int32_t>(std::size(app_res_sprites_sprite_ref)));

constexpr int32_t kDigits[10] = {text_id("0"), text_id("1"), text_id("2"), text_id("3"), text_id("4"),
                                 text_id("5"), text_id("6"), text_id("7"), text_id("8"), text_id("9")};
// An int32 has at most ten decimal digits.
constexpr int32_t kMaxDigits = 10;

constexpr int32_t kSpritesPath = path_hash("app.res.sprites");
constexpr int32_t kDiscsPath = path_hash("app.res.discs");
constexpr int32_t kIconsPath = path_hash("app.res.ui_icons");

/** The digit at the right end of n, 0..9 also for a negative n. */
int32_t last_digit(int32_t n) {
    const int32_t d = n % 10;
    return d < 0 ? -d : d;
}

}  // namespace

void res_load_all() {
    app_res_font_title = tessel_jit_load_font(text_id("assets/fonts/LilitaOne-Regular.ttf"), 40);
    app_res_font_label = tessel_jit_load_font(text_id("assets/fonts/VarelaRound-Regular.ttf"), 22);
    app_res_font_small = tessel_jit_load_font(text_id("assets/fonts/VarelaRound-Regular.ttf"), 18);
    const int32_t capacity = static_cast<int32_t>(std::size(app_res_sprites_sprite_ref));
    for (int32_t i = 0; i < kResSpriteCount; ++i) {
        tessel_jit_sprite_load_from(kSpritesPath, i, capacity, kSprites[i].path, kSprites[i].width, kSprites[i].height);
    }
    sheet_load(kSheetDiscs, text_id("assets/ui/discs.svg"), 11, 1, 64, 64);
    sheet_load(kSheetUiIcons, text_id("assets/ui/icons.svg"), kIconVariantOffset, 2, 64, 64);
    app_res_ready = 1;
}

int32_t sheet_load(int32_t sheet, int32_t path, int32_t columns, int32_t rows, int32_t cell_width,
                   int32_t cell_height) {
    if (columns < 1 || rows < 1 || cell_width < 1 || cell_height < 1) return 0;
    const int64_t width = static_cast<int64_t>(columns) * cell_width;
    const int64_t height = static_cast<int64_t>(rows) * cell_height;
    if (width > INT32_MAX || height > INT32_MAX) return 0;
    if (sheet != kSheetDiscs && sheet != kSheetUiIcons) return 0;
    const int32_t record = sheet == kSheetDiscs ? kDiscsPath : kIconsPath;
    if (tessel_jit_sprite_load_from(record, -1, 0, path, static_cast<int32_t>(width), static_cast<int32_t>(height)) ==
        0) {
        return 0;
    }
    if (sheet == kSheetDiscs) {
        app_res_discs_columns = columns;
        app_res_discs_rows = rows;
        app_res_discs_cell_width = cell_width;
        app_res_discs_cell_height = cell_height;
    } else {
        app_res_ui_icons_columns = columns;
        app_res_ui_icons_rows = rows;
        app_res_ui_icons_cell_width = cell_width;
        app_res_ui_icons_cell_height = cell_height;
    }
    return 1;
}

float text_width(int32_t font, int32_t text) { return tessel_jit_measure_text(font, text); }

float number_width(int32_t font, int32_t n) {
    float width = text_width(font, kDigits[last_digit(n)]);
    int32_t rest = n / 10;
    for (int32_t i = 1; i < kMaxDigits && rest > 0; ++i) {
        width += text_width(font, kDigits[rest % 10]);
        rest /= 10;
    }
    return width;
}

void draw_number(int32_t font, int32_t n, float x, float y, int32_t color) {
    const PaletteColor c = palette_color(color);
    float right = x + number_width(font, n);
    int32_t rest = n;
    for (int32_t i = 0; i < kMaxDigits; ++i) {
        const int32_t digit = kDigits[last_digit(rest)];
        right -= text_width(font, digit);
        gfx_text(font, digit, right, y, c.r, c.g, c.b, 1.0f);
        rest /= 10;
        if (rest <= 0) break;
    }
}
