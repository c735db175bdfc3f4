// The view: which part of the wall the board shows and how large, and the operations that move it.
#include <cmath>
#include <iterator>

#include "app/interaction/interaction.hpp"
#include "app/world/world.hpp"

namespace {

// Key usages that pan the view.
constexpr int32_t kKeyA = 4;
constexpr int32_t kKeyD = 7;
constexpr int32_t kKeyS = 22;
constexpr int32_t kKeyW = 26;
constexpr int32_t kKeyRight = 79;
constexpr int32_t kKeyLeft = 80;
constexpr int32_t kKeyDown = 81;
constexpr int32_t kKeyUp = 82;
static_assert(std::size(app_frame_keys) > kKeyUp);

bool positive(float v) { return std::isfinite(v) && v > 0.0f; }

// Layout values may be anything after a restore; a base scale that is not a positive number maps as 1.
float base_scale() { return positive(app_layout_base_scale) ? app_layout_base_scale : 1.0f; }

bool layout_ready() {
    return positive(app_layout_base_scale) && positive(app_layout_board_w) && positive(app_layout_board_h);
}

// Extent to show across and down; a wall size that is not a positive number shows nothing.
float extent_w() { return positive(app_wall_width) ? app_wall_width : 0.0f; }
float extent_h() { return positive(app_wall_height) ? app_wall_height + kViewBottomRoom : kViewBottomRoom; }

// A zoom outside 1e-6.. would make the visible size infinite; only absurd restored walls get near it.
constexpr float kZoomFloor = 1e-6f;

float clamp_axis(float v, float extent, float visible) {
    if (visible < extent) return clampf(v, 0.0f, extent - visible);
    return (extent - visible) / 2.0f;
}

bool key_held(int32_t usage) { return app_frame_keys[usage] != 0; }

// Restored state may hold any bytes; a view that is not a number starts over from the top left.
void sanitize() {
    if (!std::isfinite(app_view_zoom) || app_view_zoom < kZoomFloor) app_view_zoom = 1.0f;
    if (!std::isfinite(app_view_x)) app_view_x = 0.0f;
    if (!std::isfinite(app_view_y)) app_view_y = 0.0f;
}

// A requested zoom that is not a number (a degenerate pinch) keeps the current one.
void set_zoom(float z) {
    if (std::isfinite(z)) app_view_zoom = z;
    app_view_zoom = clampf(app_view_zoom, view_min_zoom(), kViewZoomMax);
}

}  // namespace

float view_unzoomed_w() { return layout_ready() ? app_layout_board_w / app_layout_base_scale : kViewUnitsW; }

float view_unzoomed_h() { return layout_ready() ? app_layout_board_h / app_layout_base_scale : kViewUnitsH; }

float view_visible_w() { return view_unzoomed_w() / app_view_zoom; }

float view_visible_h() { return view_unzoomed_h() / app_view_zoom; }

float view_min_zoom() {
    float z = 1.0f;
    if (extent_w() > 0.0f) z = std::fmin(view_unzoomed_w() / extent_w(), z);
    z = std::fmin(view_unzoomed_h() / extent_h(), z);
    return z < kZoomFloor ? kZoomFloor : z;
}

float view_scale() { return positive(app_layout_scale) ? app_layout_scale : 1.0f; }

float view_to_wall_x(float sx) { return app_view_x + (sx - app_layout_board_x) / view_scale(); }

float view_to_wall_y(float sy) { return app_view_y + (sy - app_layout_board_y) / view_scale(); }

float view_to_screen_x(float wx) { return app_layout_board_x + (wx - app_view_x) * view_scale(); }

float view_to_screen_y(float wy) { return app_layout_board_y + (wy - app_view_y) * view_scale(); }

void view_clamp() {
    sanitize();
    app_view_zoom = clampf(app_view_zoom, view_min_zoom(), kViewZoomMax);
    app_view_x = clamp_axis(app_view_x, extent_w(), view_visible_w());
    app_view_y = clamp_axis(app_view_y, extent_h(), view_visible_h());
}

void view_reset() {
    app_view_zoom = 1.0f;
    app_view_x = 0.0f;
    app_view_y = 0.0f;
    view_clamp();
}

void view_fit() {
    app_view_zoom = view_min_zoom();
    app_view_x = 0.0f;
    app_view_y = 0.0f;
    view_clamp();
}

void view_pan_by(float dx, float dy) {
    app_view_x += dx;
    app_view_y += dy;
    view_clamp();
}

void view_center_on(float wx, float wy) {
    sanitize();
    app_view_x = wx - view_visible_w() / 2.0f;
    app_view_y = wy - view_visible_h() / 2.0f;
    view_clamp();
}

void view_zoom_about(float z, float fx, float fy) {
    sanitize();
    const float old_w = view_visible_w();
    const float old_h = view_visible_h();
    set_zoom(z);
    app_view_x += old_w * fx - view_visible_w() * fx;
    app_view_y += old_h * fy - view_visible_h() * fy;
    view_clamp();
}

void view_zoom_step(float f) { view_zoom_about(f * app_view_zoom, 0.5f, 0.5f); }

void view_anchor(float ax, float ay, float sx, float sy, float z) {
    sanitize();
    set_zoom(z);
    const float scale = base_scale() * app_view_zoom;
    app_view_x = ax - (sx - app_layout_board_x) / scale;
    app_view_y = ay - (sy - app_layout_board_y) / scale;
    view_clamp();
    app_layout_scale = base_scale() * app_view_zoom;
}

void view_keyboard_pan() {
    if (app_ui_levels != 0 || app_ui_credits != 0) return;
    float dx = 0.0f;
    float dy = 0.0f;
    if (key_held(kKeyLeft) || key_held(kKeyA)) dx -= kViewKeyPanStep;
    if (key_held(kKeyRight) || key_held(kKeyD)) dx += kViewKeyPanStep;
    if (key_held(kKeyUp) || key_held(kKeyW)) dy -= kViewKeyPanStep;
    if (key_held(kKeyDown) || key_held(kKeyS)) dy += kViewKeyPanStep;
    if (dx != 0.0f || dy != 0.0f) view_pan_by(dx / view_scale(), dy / view_scale());
}

void view_command(int32_t command) {
    switch (command) {
        case 0: view_zoom_step(1.25f); break;
        case 1: view_zoom_step(0.8f); break;
        case 2:
            if (app_view_zoom <= view_min_zoom() + 0.001f) {
                view_reset();
            } else {
                view_fit();
            }
            break;
        default: break;
    }
}
