// Resources and text: loading of fonts, sprites and sheets, text measuring and number drawing, with a
// graphics host of the test's own in place of the graphics runtime.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "app/entry/entry.hpp"
#include "app/gfx/gfx.hpp"
#include "app/ui/ui.hpp"
#include "tessel/command_stream.h"
#include "tessel_dynload/services.hpp"

namespace {

struct Load {
    std::string path;
    int32_t w, h;
};

// The fake host of this thread: handles count up from 500; a path listed in refused fails.
std::vector<Load> sprite_loads;
std::vector<Load> font_loads;
std::string refused;
int32_t next_handle = 500;

int32_t load_sprite(const uint8_t* path, int32_t length, int32_t w, int32_t h) {
    std::string p(reinterpret_cast<const char*>(path), static_cast<size_t>(length));
    if (p == refused) return 0;
    sprite_loads.push_back({p, w, h});
    return next_handle++;
}
void release_sprite(int32_t) {}
int32_t load_font(const uint8_t* path, int32_t length, int32_t size) {
    font_loads.push_back({std::string(reinterpret_cast<const char*>(path), static_cast<size_t>(length)), size, 0});
    return 900 + size;
}
// A digit d is 10 + d wide; any other text 7 per byte.
float measure_text(int32_t, const uint8_t* text, int32_t length) {
    if (length == 1 && text[0] >= '0' && text[0] <= '9') return 10.0f + static_cast<float>(text[0] - '0');
    return 7.0f * static_cast<float>(length);
}

class Resources : public ::testing::Test {
protected:
    void SetUp() override {
        state_bind_runtime_globals();
        app_init();
        sprite_loads.clear();
        font_loads.clear();
        refused.clear();
        TesselEmbeddedGraphicsHost host{};
        host.load_sprite = load_sprite;
        host.release_sprite = release_sprite;
        host.load_font = load_font;
        host.measure_text = measure_text;
        tessel::set_embedded_graphics_host(host);
        clear_resources();
    }
    void TearDown() override { tessel::set_embedded_graphics_host(std::nullopt); }

    static void clear_resources() {
        for (int32_t i = 0; i < 48; ++i) {
            app_res_sprites_sprite_ref[i] = 0;
            app_res_sprites_width[i] = 0;
            app_res_sprites_height[i] = 0;
        }
        app_res_discs_sprite_ref = app_res_discs_columns = app_res_discs_rows = 0;
        app_res_discs_cell_width = app_res_discs_cell_height = app_res_discs_width = app_res_discs_height = 0;
        app_res_ui_icons_sprite_ref = app_res_ui_icons_columns = app_res_ui_icons_rows = 0;
        app_res_ui_icons_cell_width = app_res_ui_icons_cell_height = 0;
        app_res_ui_icons_width = app_res_ui_icons_height = 0;
        app_res_ready = 0;
    }
};

TEST_F(Resources, LoadsFontsSpritesAndSheetsInOrder) {
    res_load_all();
    EXPECT_EQ(app_res_ready, 1);
    ASSERT_EQ(font_loads.size(), 3u);
    EXPECT_EQ(font_loads[0].path, "assets/fonts/LilitaOne-Regular.ttf");
    EXPECT_EQ(font_loads[1].path, "assets/fonts/VarelaRound-Regular.ttf");
    EXPECT_EQ(font_loads[2].path, "assets/fonts/VarelaRound-Regular.ttf");
    EXPECT_EQ(app_res_font_title, 940);
    EXPECT_EQ(app_res_font_label, 922);
    EXPECT_EQ(app_res_font_small, 918);

    ASSERT_EQ(sprite_loads.size(), 38u);
    const Load rows[] = {
        {"assets/pieces/ramp.svg", 320, 40},
        {"assets/pieces/uturn.svg", 125, 185},
        {"assets/pieces/uturn_flipped.svg", 125, 185},
        {"assets/pieces/ramp_shadow.svg", 350, 70},
        {"assets/pieces/uturn_flipped_shadow.svg", 155, 215},
        {"assets/marbles/glass_0.svg", 48, 48},
        {"assets/marbles/glass_5.svg", 48, 48},
        {"assets/marbles/steel.svg", 48, 48},
        {"assets/marbles/clay_2.svg", 48, 48},
        {"assets/marbles/shadow.svg", 48, 48},
        {"assets/fixtures/hopper.svg", 130, 145},
        {"assets/fixtures/tray.svg", 1600, 90},
        {"assets/ui/knob.svg", 64, 64},
    };
    const int32_t index[] = {0, 4, 9, 10, 19, 20, 25, 26, 29, 31, 32, 34, 35};
    for (size_t r = 0; r < std::size(rows); ++r) {
        const int32_t i = index[r];
        SCOPED_TRACE(rows[r].path);
        EXPECT_EQ(sprite_loads[i].path, rows[r].path);
        EXPECT_EQ(app_res_sprites_sprite_ref[i], 500 + i);
        EXPECT_EQ(app_res_sprites_width[i], rows[r].w);
        EXPECT_EQ(app_res_sprites_height[i], rows[r].h);
    }
    EXPECT_EQ(app_res_sprites_sprite_ref[36], 0);

    EXPECT_EQ(sprite_loads[36].path, "assets/ui/discs.svg");
    EXPECT_EQ(app_res_discs_sprite_ref, 536);
    EXPECT_EQ(app_res_discs_width, 704);
    EXPECT_EQ(app_res_discs_height, 64);
    EXPECT_EQ(app_res_discs_columns, 11);
    EXPECT_EQ(app_res_discs_rows, 1);
    EXPECT_EQ(sprite_loads[37].path, "assets/ui/icons.svg");
    EXPECT_EQ(app_res_ui_icons_sprite_ref, 537);
    EXPECT_EQ(app_res_ui_icons_width, 1152);
    EXPECT_EQ(app_res_ui_icons_height, 128);
    EXPECT_EQ(app_res_ui_icons_columns, 18);
    EXPECT_EQ(app_res_ui_icons_rows, 2);
    EXPECT_EQ(app_res_ui_icons_cell_width, 64);
    EXPECT_EQ(app_res_ui_icons_cell_height, 64);
}

TEST_F(Resources, OneFailedLoadDoesNotStopTheOthers) {
    refused = "assets/pieces/chime.svg";
    res_load_all();
    EXPECT_EQ(app_res_ready, 1);
    EXPECT_EQ(app_res_sprites_sprite_ref[6], 0);
    EXPECT_NE(app_res_sprites_sprite_ref[7], 0);
    EXPECT_NE(app_res_ui_icons_sprite_ref, 0);

    SetUp();
    refused = "assets/ui/discs.svg";
    res_load_all();
    EXPECT_EQ(app_res_ready, 1);
    EXPECT_EQ(app_res_discs_sprite_ref, 0);
    EXPECT_EQ(app_res_discs_columns, 0);
    EXPECT_EQ(app_res_ui_icons_columns, 18);
}

TEST_F(Resources, WithoutAnyGraphicsEverythingStaysUnloadedButReady) {
    tessel::set_embedded_graphics_host(std::nullopt);
    ::setenv("TESSEL_RUNTIME_LIBRARY_PATH", "/nonexistent/libtessel_graphics.so", 1);
    res_load_all();
    EXPECT_EQ(app_res_ready, 1);
    EXPECT_EQ(app_res_discs_columns, 0);  // a sheet whose load failed keeps its empty grid
    ::unsetenv("TESSEL_RUNTIME_LIBRARY_PATH");
}

struct SheetCase {
    const char* name;
    int32_t sheet, columns, rows, cell_w, cell_h;
    const char* refused_path;
};

TEST_F(Resources, SheetLoadRefusals) {
    const SheetCase cases[] = {
        {"no columns", kSheetDiscs, 0, 1, 64, 64, ""},
        {"no rows", kSheetDiscs, 11, 0, 64, 64, ""},
        {"no cell width", kSheetUiIcons, 18, 2, 0, 64, ""},
        {"negative cell height", kSheetUiIcons, 18, 2, 64, -64, ""},
        {"width beyond 32 bits", kSheetDiscs, 65536, 1, 65536, 64, ""},
        {"height beyond 32 bits", kSheetDiscs, 1, 65536, 64, 65536, ""},
        {"unknown sheet", 7, 11, 1, 64, 64, ""},
        {"load failed", kSheetDiscs, 11, 1, 64, 64, "assets/ui/discs.svg"},
    };
    for (const SheetCase& c : cases) {
        SCOPED_TRACE(c.name);
        app_res_discs_sprite_ref = 77;
        app_res_discs_columns = 3;
        app_res_ui_icons_columns = 4;
        refused = c.refused_path;
        sprite_loads.clear();
        EXPECT_EQ(sheet_load(c.sheet, text_id("assets/ui/discs.svg"), c.columns, c.rows, c.cell_w, c.cell_h), 0);
        EXPECT_EQ(app_res_discs_sprite_ref, 77);
        EXPECT_EQ(app_res_discs_columns, 3);
        EXPECT_EQ(app_res_ui_icons_columns, 4);
        EXPECT_TRUE(sprite_loads.empty());
    }
}

TEST_F(Resources, TextWidthIsTheMeasuredWidth) {
    EXPECT_EQ(text_width(1, text_id("Marble")), 42.0f);
    EXPECT_EQ(text_width(1, text_id("7")), 17.0f);
}

struct NumberCase {
    int32_t n;
    float width;
};

TEST_F(Resources, NumberWidthSumsDigits) {
    const NumberCase cases[] = {
        {0, 10.0f},
        {7, 17.0f},
        {40, 24.0f},
        {1600, 47.0f},
        {2147483647, 10 * 10.0f + 2 + 1 + 4 + 7 + 4 + 8 + 3 + 6 + 4 + 7},
        {-7, 17.0f},  // only the last digit of a negative number
    };
    for (const NumberCase& c : cases) EXPECT_EQ(number_width(1, c.n), c.width) << c.n;
}

/** The texts of the current frame: (bytes, x, y). */
struct DrawnText {
    std::string text;
    float x, y, r;
};
std::vector<DrawnText> frame_texts() {
    std::vector<DrawnText> texts;
    for (int32_t i = 0; i < gfx_cmd_i32[TESSEL_GFX_W_TEXT_COUNT]; ++i) {
        const int32_t* w = gfx_cmd_i32 + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * i;
        const float* f = gfx_cmd_f32 + TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * i;
        texts.push_back({std::string(reinterpret_cast<const char*>(gfx_cmd_u8 + w[1]), static_cast<size_t>(w[2])), f[0],
                         f[1], f[2]});
    }
    return texts;
}

TEST_F(Resources, DrawNumberWritesDigitsFromTheRight) {
    struct Case {
        int32_t n;
        std::vector<DrawnText> texts;
    };
    const Case cases[] = {
        {0, {{"0", 100.0f, 20.0f, 0}}},
        {40, {{"0", 114.0f, 20.0f, 0}, {"4", 100.0f, 20.0f, 0}}},
        {105, {{"5", 121.0f, 20.0f, 0}, {"0", 111.0f, 20.0f, 0}, {"1", 100.0f, 20.0f, 0}}},
    };
    for (const Case& c : cases) {
        gfx_frame_construction_active = 0;
        gfx_begin_frame();
        draw_number(1, c.n, 100.0f, 20.0f, 4);
        const std::vector<DrawnText> texts = frame_texts();
        ASSERT_EQ(texts.size(), c.texts.size()) << c.n;
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].text, c.texts[i].text);
            EXPECT_EQ(texts[i].x, c.texts[i].x);
            EXPECT_EQ(texts[i].y, c.texts[i].y);
            EXPECT_EQ(texts[i].r, palette_color(4).r);
        }
        gfx_end_frame(0);
    }
}

TEST_F(Resources, RenderBeforeLoadingOnlyClears) {
    ASSERT_EQ(app_res_ready, 0);
    gfx_frame_construction_active = 0;
    EXPECT_EQ(app_render(), 0);
    EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH], 0);
    EXPECT_NE(gfx_cmd_i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_CLEAR, 0);
    EXPECT_NE(gfx_cmd_i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_COMPLETE, 0);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR], palette_color(5).r);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR + 3], 1.0f);
}

}  // namespace
