// Painting of the scene: board frame, wall and grid, parts with their shadows, hopper, marbles, tray,
// scroll bars, lifted parts and the drag ghost, with the screens in their places of the order.
//
// Sections: numbers · geometry of a part · fixtures and marbles · board · frame.
#include <algorithm>
#include <cmath>

#include "app/gfx/gfx.hpp"
#include "app/interaction/interaction.hpp"
#include "app/sound/sound.hpp"
#include "app/ui/ui.hpp"
#include "app/world/world.hpp"
#include "tessel/services.h"

namespace {

// ---------------------------------------------------------------------------------------------------
// Numbers

constexpr int32_t kOpaque = 255;
constexpr float kRadToDeg = 57.29578f;
constexpr float kTrayLip = 36.0f;  // wall units below the wall that the board still shows
constexpr float kGridStep = 200.0f;
constexpr int32_t kGridLineLimit = 512;  // per axis; a view restored from any bytes stays bounded
constexpr int32_t kGhostKindMarble = 9;
constexpr int32_t kEditorModeShelfDrag = 6;

// Half the drawn height of each kind, wall units (its art, not its collision shape).
constexpr float kDrawHalfH[kKindCount] = {8, 8, 7, 8, 37, 33, 6, 11, 27};

struct Rgba {
    float r, g, b, a;
};
constexpr Rgba kWallTop{1.0f, 1.0f, 1.0f, 0.35f};
constexpr Rgba kWallBottom{0.2f, 0.15f, 0.1f, 0.05f};
constexpr Rgba kGridLine{0.35f, 0.3f, 0.25f, 0.07f};
constexpr Rgba kChimeString{0.45f, 0.42f, 0.38f, 0.8f};
constexpr Rgba kScrollTrack{0.2f, 0.15f, 0.1f, 0.12f};
constexpr Rgba kScrollThumb{0.2f, 0.15f, 0.1f, 0.45f};

void fill(float x, float y, float w, float h, const Rgba& c) {
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    gfx_rect(x, y, w, h, c.r, c.g, c.b, c.a);
}

/** Truncation toward zero that stays defined for any float (0 for NaN, saturated far out). */
int32_t trunc_i32(float v) {
    if (!(v == v)) return 0;
    if (v >= 2.0e9f) return 2000000000;
    if (v <= -2.0e9f) return -2000000000;
    return static_cast<int32_t>(v);
}

/** Sprite alpha of a marble's fade: 255 x fade, truncated and clamped to 0..255. */
int32_t fade_alpha(float fade) { return clampi(trunc_i32(255.0f * fade), 0, 255); }

/** Shadow offset and size factor of a part or the hopper, resting or lifted. */
struct Lift {
    float offset;
    float scale;
};
constexpr Lift kResting{5.0f, 1.0f};
constexpr Lift kLifted{16.0f, 1.04f};

// ---------------------------------------------------------------------------------------------------
// Geometry of a part

struct PartSize {
    float w, h;
    float chime_length;  // bar length L of a chime, 0 for other kinds
};

/** Drawn size of a kind 0..8 (a chime's width follows its note). */
PartSize part_size(int32_t kind, int32_t note) {
    const float w = 2.0f * app_catalog_kinds_half_w[kind];
    const float h = 2.0f * kDrawHalfH[kind];
    if (kind != kKindChime) return {w, h, 0.0f};
    const float length = chime_length(note);
    return {w * length / 80.0f, h, length};
}

/** 1 when the square of half-side r around the part overlaps the visible wall. */
int32_t part_visible(int32_t slot, const PartSize& size) {
    const float dw = size.w + 24.0f;
    const float dh = size.h + 24.0f;
    float r = 0.52f * std::sqrt(dw * dw + dh * dh) + 25.0f;
    if (size.chime_length > 0.0f) r = std::max(r, size.chime_length + 60.0f);
    const float x = app_wall_pieces_x[slot];
    const float y = app_wall_pieces_y[slot];
    return x + r >= app_view_x && x - r <= app_view_x + view_visible_w() && y + r >= app_view_y &&
           y - r <= app_view_y + view_visible_h();
}

/** A chime's swing: the shown frame's while the ring holds one, else the live one. */
float chime_wobble(int32_t slot) {
    const int32_t shown = fx_shown_slot();
    return shown >= 0 ? app_fx_shown_wobble[shown * kShownPieces + slot] : app_fx_wobble[slot];
}

void draw_chime_strings(float x, float y, float length, float degrees) {
    const float radians = degrees * kDegToRad;
    const float reach = length - 6.0f;
    const float dx = reach * tessel_jit_cos_fast(radians);
    const float dy = reach * tessel_jit_sin_fast(radians);
    const float hx = view_to_screen_x(x);
    const float hy = view_to_screen_y(y - 58.0f);
    const Rgba& c = kChimeString;
    gfx_line(hx, hy, view_to_screen_x(x - dx), view_to_screen_y(y - dy), c.r, c.g, c.b, c.a);
    gfx_line(hx, hy, view_to_screen_x(x + dx), view_to_screen_y(y + dy), c.r, c.g, c.b, c.a);
    draw_disc(4, hx, hy, 14.0f * view_scale());
}

/** Shadow and sprite of a part kind at a wall point. */
void draw_part_sprites(int32_t kind, int32_t flipped, float rotation, int32_t alpha, float x, float y,
                       const PartSize& size, const Lift& lift) {
    const int32_t uturn_flipped = kind == kKindTurnaround && flipped != 0;
    const int32_t shadow = uturn_flipped ? kSpriteUturnFlippedShadow : kSpriteShadow + kind;
    const int32_t body = uturn_flipped ? kSpriteUturnFlipped : kSpritePart + kind;
    draw_world_sprite(shadow, rotation, alpha, x + lift.offset, y + 1.3f * lift.offset, (size.w + 24.0f) * lift.scale,
                      (size.h + 24.0f) * lift.scale);
    draw_world_sprite(body, rotation, alpha, x, y, size.w * lift.scale, size.h * lift.scale);
}

void draw_part(int32_t slot, const Lift& lift) {
    const int32_t kind = app_wall_pieces_kind[slot];
    if (kind < 0 || kind >= kKindCount) return;
    const PartSize size = part_size(kind, app_wall_pieces_note[slot]);
    if (!part_visible(slot, size)) return;
    const float x = app_wall_pieces_x[slot];
    const float y = app_wall_pieces_y[slot];
    const int32_t angle = app_wall_pieces_angle[slot];
    float wobble = 0.0f;
    if (kind == kKindChime) {
        wobble = chime_wobble(slot);
        draw_chime_strings(x, y, size.chime_length, static_cast<float>(angle) + wobble);
    }
    const float rotation = static_cast<float>(wrap_add(angle, trunc_i32(wobble)));
    draw_part_sprites(kind, app_wall_pieces_flipped[slot], rotation, kOpaque, x, y, size, lift);
}

// ---------------------------------------------------------------------------------------------------
// Fixtures and marbles

void draw_hopper() {
    const int32_t shown = fx_shown_slot();
    const float bump = 3.0f * (shown >= 0 ? app_fx_shown_bump[shown] : app_fx_hopper_bump);
    const float offset = app_wall_hopper_held != 0 ? kLifted.offset : kResting.offset;
    const float hx = app_wall_hopper_x;
    const float hy = app_wall_hopper_y;
    draw_world_sprite(kSpriteHopperShadow, 0.0f, kOpaque, hx + offset, hy + 1.3f * offset, 104.0f, 116.0f);
    draw_world_sprite(kSpriteHopper, 0.0f, kOpaque, hx, hy - bump, 104.0f, 116.0f);
    if (app_wall_hopper_dripping != 0) return;
    // Paused badge: the drip icon's alternate variant on a dark disc.
    const float d = 34.0f * view_scale();
    const float cx = view_to_screen_x(hx + 36.0f);
    const float cy = view_to_screen_y(hy - 44.0f);
    draw_disc(4, cx, cy, d);
    draw_icon(1, 1, kOpaque, cx - 0.4f * d, cy - 0.4f * d, 0.8f * d);
}

void draw_marble(int32_t kind, int32_t tint, float x, float y, float radius, float angle, int32_t alpha) {
    int32_t body = kSpriteGlass + clampi(tint, 0, 5);
    if (kind == kMarbleSteel) body = kSpriteSteel;
    if (kind == kMarbleClay) body = kSpriteClay + clampi(tint, 0, 2);
    const float rotation = static_cast<float>(trunc_i32(angle * kRadToDeg) % 360);
    draw_world_sprite(kSpriteMarbleShadow, 0.0f, alpha, x + 4.0f, y + 7.0f, 2.5f * radius, 2.5f * radius);
    draw_world_sprite(body, rotation, alpha, x, y, 2.0f * radius, 2.0f * radius);
    // The shade stays upright so the highlight does not turn with the marble.
    draw_world_sprite(kSpriteMarbleShade, 0.0f, alpha, x, y, 2.0f * radius, 2.0f * radius);
}

void draw_marbles() {
    const int32_t shown = fx_shown_slot();
    if (shown >= 0) {
        const int32_t base = shown * kShownMarbles;
        for (int32_t i = base; i < base + kShownMarbles; ++i) {
            if (app_fx_shown_marbles_active[i] == 0) continue;
            draw_marble(app_fx_shown_marbles_kind[i], app_fx_shown_marbles_tint[i], app_fx_shown_marbles_x[i],
                        app_fx_shown_marbles_y[i], app_fx_shown_marbles_radius[i], app_fx_shown_marbles_angle[i],
                        fade_alpha(app_fx_shown_marbles_fade[i]));
        }
        return;
    }
    for (int32_t i = 0; i < kMarbleCapacity; ++i) {
        if (app_sim_marbles_active[i] == 0) continue;
        draw_marble(app_sim_marbles_kind[i], app_sim_marbles_tint[i], app_sim_marbles_x[i], app_sim_marbles_y[i],
                    app_sim_marbles_radius[i], app_sim_marbles_angle[i], fade_alpha(app_sim_marbles_fade[i]));
    }
}

void draw_tray() {
    draw_world_sprite(kSpriteTray, 0.0f, kOpaque, app_wall_width * 0.5f, app_wall_height - 15.0f, app_wall_width,
                      90.0f);
}

/** The marble the hopper drops next. */
void draw_marble_ghost(float x, float y, int32_t alpha) {
    const MarbleLook look = marble_look(app_wall_hopper_sequence);
    draw_marble(look.kind, look.tint, x, y, marble_radius(look.kind), 0.0f, alpha);
}

void draw_drag_ghost() {
    if (app_editor_mode != kEditorModeShelfDrag) return;
    const int32_t alpha = app_editor_over_wall != 0 ? 235 : 130;
    const int32_t kind = app_editor_new_kind;
    const float x = app_editor_drag_wx;
    const float y = app_editor_drag_wy;
    if (kind == kGhostKindMarble) {
        draw_marble_ghost(x, y, alpha);
        return;
    }
    if (kind < 0 || kind >= kKindCount) return;
    const PartSize size = part_size(kind, 2);
    const float rotation = static_cast<float>(app_catalog_kinds_default_angle[kind]);
    draw_part_sprites(kind, 0, rotation, alpha, x, y, size, kLifted);
}

// ---------------------------------------------------------------------------------------------------
// Board

void draw_board_frame() {
    const float x = app_layout_frame_x;
    const float y = app_layout_frame_y;
    const float w = app_layout_frame_w;
    const float h = app_layout_frame_h;
    draw_rounded_box(6, x, y + 5.0f, w, h, 18.0f);
    draw_rounded_box(9, x, y, w, h, 18.0f);
    draw_rounded_box(8, x + 2.0f, y + 2.0f, w - 4.0f, h - 6.0f, 16.0f);
    draw_rounded_box(10, x + 3.0f, y + 3.0f, w - 6.0f, 6.0f, 3.0f);
    draw_palette_rect(app_layout_board_x - 2.0f, app_layout_board_y - 2.0f, app_layout_board_w + 4.0f,
                      app_layout_board_h + 4.0f, 9, 1.0f);
}

void draw_grid() {
    const float vw = view_visible_w();
    const float vh = view_visible_h();
    if (!(app_wall_width > vw + 0.5f) && !(app_wall_height + kTrayLip > vh + 0.5f)) return;
    const float bx = app_layout_board_x;
    const float by = app_layout_board_y;
    const int32_t x_first = trunc_i32(app_view_x / kGridStep);
    const int32_t x_last = std::min(trunc_i32((app_view_x + vw) / kGridStep) + 1, x_first + kGridLineLimit);
    for (int32_t i = x_first; i <= x_last; ++i) {
        fill(view_to_screen_x(static_cast<float>(i) * kGridStep), by, 2.0f, app_layout_board_h, kGridLine);
    }
    const int32_t y_first = trunc_i32(app_view_y / kGridStep);
    const int32_t y_last = std::min(trunc_i32((app_view_y + vh) / kGridStep) + 1, y_first + kGridLineLimit);
    for (int32_t i = y_first; i <= y_last; ++i) {
        fill(bx, view_to_screen_y(static_cast<float>(i) * kGridStep), app_layout_board_w, 2.0f, kGridLine);
    }
}

void draw_wall() {
    const float bx = app_layout_board_x;
    const float by = app_layout_board_y;
    const float bottom = view_to_screen_y(app_wall_height + kTrayLip);
    const float x0 = std::max(bx, view_to_screen_x(0.0f));
    const float x1 = std::min(bx + app_layout_board_w, view_to_screen_x(app_wall_width));
    const float y0 = std::max(by, view_to_screen_y(0.0f));
    const float y1 = std::min(by + app_layout_board_h, bottom);
    const float w = x1 - x0;
    const float h = y1 - y0;
    if (!(w > 0.0f) || !(h > 0.0f)) return;
    draw_palette_rect(x0, y0, w, h, 7, 1.0f);
    gfx_push_clip(x0, y0, w, h);
    draw_grid();
    fill(x0, view_to_screen_y(0.0f), w, 10.0f, kWallTop);
    const float band = 70.0f * view_scale();
    fill(x0, bottom - band, w, band, kWallBottom);
    gfx_pop_clip();
}

void draw_scroll_bars() {
    const float bx = app_layout_board_x;
    const float by = app_layout_board_y;
    const float bw = app_layout_board_w;
    const float bh = app_layout_board_h;
    const float vw = view_visible_w();
    const float vh = view_visible_h();
    const float extent_h = app_wall_height + kTrayLip;
    if (app_wall_width > vw + 0.5f) {
        const float track = bw - 200.0f;
        fill(bx + 100.0f, by + bh - 14.0f, track, 6.0f, kScrollTrack);
        fill(bx + 100.0f + track * app_view_x / app_wall_width, by + bh - 14.0f, track * vw / app_wall_width, 6.0f,
             kScrollThumb);
    }
    if (extent_h > vh + 0.5f) {
        const float track = bh - 200.0f;
        fill(bx + bw - 14.0f, by + 100.0f, 6.0f, track, kScrollTrack);
        fill(bx + bw - 14.0f, by + 100.0f + track * app_view_y / extent_h, 6.0f, track * vh / extent_h, kScrollThumb);
    }
}

void draw_board() {
    draw_board_frame();
    draw_wall();
    gfx_push_clip(app_layout_board_x, app_layout_board_y, app_layout_board_w, app_layout_board_h);
    int32_t span = 0;
    for (int32_t slot = 0; slot < kPieceCapacity; ++slot) {
        if (app_wall_pieces_active[slot] != 0) span = slot + 1;
    }
    for (int32_t slot = 0; slot < span; ++slot) {
        if (app_wall_pieces_active[slot] != 0 && app_wall_pieces_held[slot] == 0) draw_part(slot, kResting);
    }
    draw_hopper();
    draw_marbles();
    draw_tray();
    draw_scroll_bars();
    gfx_pop_clip();
    // Lifted parts float above the board's edge.
    for (int32_t slot = 0; slot < kPieceCapacity; ++slot) {
        if (app_wall_pieces_active[slot] != 0 && app_wall_pieces_held[slot] != 0) draw_part(slot, kLifted);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------
// Frame

int32_t paint_frame() {
    const PaletteColor background = palette_color(5);
    gfx_clear(background.r, background.g, background.b, 1.0f);
    if (app_res_ready == 0) return 0;
    screen_shelf(1);
    draw_board();
    editor_overlay(1);
    draw_drag_ghost();
    screen_board_buttons(1);
    screen_zoom_buttons(1);
    screen_starter_walls(1);
    screen_wall_size(1);
    screen_credits(1);
    screen_levels(1);
    return 0;
}
