// Drawing operations of the scene and the screens: the palette, sheet cells, sprites, rounded boxes.
#include <algorithm>
#include <iterator>

#include "app/gfx/gfx.hpp"
#include "app/interaction/interaction.hpp"
#include "app/world/world.hpp"

namespace {

constexpr PaletteColor kPalette[kPaletteSize] = {
    {0.973f, 0.957f, 0.925f}, {0.925f, 0.89f, 0.831f},  {1.0f, 1.0f, 1.0f},       {0.49f, 0.62f, 0.525f},
    {0.227f, 0.267f, 0.314f}, {0.863f, 0.827f, 0.769f}, {0.796f, 0.749f, 0.675f}, {0.953f, 0.933f, 0.894f},
    {0.788f, 0.608f, 0.384f}, {0.655f, 0.478f, 0.271f}, {0.878f, 0.725f, 0.541f},
};

/** A sheet record of app.res, read as one value. */
struct Sheet {
    int32_t sprite_ref, columns, rows, cell_width, cell_height;
};

Sheet sheet_of(int32_t sheet) {
    if (sheet == kSheetDiscs) {
        return {app_res_discs_sprite_ref, app_res_discs_columns, app_res_discs_rows, app_res_discs_cell_width,
                app_res_discs_cell_height};
    }
    if (sheet == kSheetUiIcons) {
        return {app_res_ui_icons_sprite_ref, app_res_ui_icons_columns, app_res_ui_icons_rows,
                app_res_ui_icons_cell_width, app_res_ui_icons_cell_height};
    }
    return {0, 0, 0, 0, 0};
}

int32_t sprite_tint(int32_t alpha) {
    return static_cast<int32_t>(0xFFFFFF00u + static_cast<uint32_t>(clampi(alpha, 0, 255)));
}

}  // namespace

PaletteColor palette_color(int32_t index) {
    return index >= 0 && index < kPaletteSize - 1 ? kPalette[index] : kPalette[kPaletteSize - 1];
}

void draw_palette_rect(float x, float y, float w, float h, int32_t index, float alpha) {
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    const PaletteColor c = palette_color(index);
    gfx_rect(x, y, w, h, c.r, c.g, c.b, alpha);
}

void draw_sheet_cell(int32_t sheet, int32_t cell, int32_t alpha, float rotation, float x, float y, float w, float h) {
    const Sheet s = sheet_of(sheet);
    if (s.sprite_ref <= 0 || s.columns <= 0 || s.rows <= 0 || s.cell_width <= 0 || s.cell_height <= 0) return;
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    // 64-bit product: a restored record may hold any grid.
    if (cell < 0 || static_cast<int64_t>(cell) >= static_cast<int64_t>(s.columns) * s.rows) return;
    const int32_t column = cell % s.columns;
    const int32_t row = cell / s.columns;
    const GfxSpriteFloats f{x,
                            y,
                            w,
                            h,
                            static_cast<float>(column) * static_cast<float>(s.cell_width),
                            static_cast<float>(row) * static_cast<float>(s.cell_height),
                            static_cast<float>(s.cell_width),
                            static_cast<float>(s.cell_height),
                            w * 0.5f,
                            h * 0.5f,
                            1.0f,
                            1.0f,
                            rotation};
    gfx_draw_sprite(s.sprite_ref, sprite_tint(alpha), f);
}

void draw_disc(int32_t cell, float cx, float cy, float diameter) {
    draw_sheet_cell(kSheetDiscs, cell, 255, 0.0f, cx - diameter * 0.5f, cy - diameter * 0.5f, diameter, diameter);
}

void draw_icon(int32_t icon, int32_t variant, int32_t alpha, float x, float y, float size) {
    const int32_t cell = variant == 1 ? wrap_add(icon, kIconVariantOffset) : icon;
    draw_sheet_cell(kSheetUiIcons, cell, alpha, 0.0f, x, y, size, size);
}

void draw_res_sprite(int32_t index, float rotation, int32_t alpha, float x, float y, float w, float h) {
    if (index < 0 || index >= static_cast<int32_t>(std::size(app_res_sprites_sprite_ref))) return;
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    // Source 0 x 0: the whole sprite, whatever size it was rasterised at.
    const GfxSpriteFloats f{x, y, w, h, 0.0f, 0.0f, 0.0f, 0.0f, w * 0.5f, h * 0.5f, 1.0f, 1.0f, rotation};
    gfx_draw_sprite(app_res_sprites_sprite_ref[index], sprite_tint(alpha), f);
}

void draw_world_sprite(int32_t index, float rotation, int32_t alpha, float wx, float wy, float ww, float wh) {
    const float scale = view_scale();
    const float w = ww * scale;
    const float h = wh * scale;
    draw_res_sprite(index, rotation, alpha, view_to_screen_x(wx) - w * 0.5f, view_to_screen_y(wy) - h * 0.5f, w, h);
}

void draw_rounded_box(int32_t color, float x, float y, float w, float h, float radius) {
    const float r = std::min(radius, std::min(w, h) * 0.5f);
    const float d = 2.0f * r;
    draw_sheet_cell(kSheetDiscs, color, 255, 0.0f, x, y, d, d);
    draw_sheet_cell(kSheetDiscs, color, 255, 0.0f, x + w - d, y, d, d);
    draw_sheet_cell(kSheetDiscs, color, 255, 0.0f, x, y + h - d, d, d);
    draw_sheet_cell(kSheetDiscs, color, 255, 0.0f, x + w - d, y + h - d, d, d);
    draw_palette_rect(x + r, y, w - d, h, color, 1.0f);
    draw_palette_rect(x, y + r, r, h - d, color, 1.0f);
    draw_palette_rect(x + w - r, y + r, r, h - d, color, 1.0f);
}

void draw_panel(int32_t face, int32_t shadow, float x, float y, float w, float h, float radius) {
    draw_rounded_box(shadow, x, y + 3.0f, w, h, radius);
    draw_rounded_box(face, x, y, w, h, radius);
}
