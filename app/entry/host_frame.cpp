// The host input frame: host_i32 / host_f32 into app.frame, and the request words back to the host.
#include <algorithm>
#include <cmath>

#include "app/entry/entry.hpp"

namespace {

int32_t flag(int32_t v) { return v != 0 ? 1 : 0; }

}  // namespace

void frame_read_host() {
    const int32_t* in = host_i32;
    const float* fin = host_f32;
    app_frame_time_ms = in[TESSEL_HOST_I32_TIME_MS];
    app_frame_time_us = in[TESSEL_HOST_I32_TIME_US];
    app_frame_tick_index = in[TESSEL_HOST_I32_TICK_INDEX];
    app_frame_version = in[TESSEL_HOST_I32_VERSION];
    app_frame_flags = in[TESSEL_HOST_I32_FLAGS];
    app_frame_tick_hz = in[TESSEL_HOST_I32_TICK_HZ];
    app_frame_window_focused = flag(in[TESSEL_HOST_I32_WINDOW_FOCUSED]);
    app_frame_window_minimized = flag(in[TESSEL_HOST_I32_WINDOW_MINIMIZED]);
    app_frame_quit_requested = flag(in[TESSEL_HOST_I32_QUIT_REQUESTED]);
    app_frame_pointer_count = std::clamp(in[TESSEL_HOST_I32_POINTER_COUNT], 0, TESSEL_HOST_MAX_POINTERS);
    app_frame_dropped_pointer_count = in[TESSEL_HOST_I32_DROPPED_POINTER_COUNT];

    app_frame_display_resized = flag(in[TESSEL_HOST_I32_DISPLAY_RESIZED]);
    app_frame_display_screen_width_px = in[TESSEL_HOST_I32_SCREEN_WIDTH_PX];
    app_frame_display_screen_height_px = in[TESSEL_HOST_I32_SCREEN_HEIGHT_PX];
    app_frame_display_native_width_px = in[TESSEL_HOST_I32_NATIVE_WIDTH_PX];
    app_frame_display_native_height_px = in[TESSEL_HOST_I32_NATIVE_HEIGHT_PX];
    app_frame_display_drawable_width_px = in[TESSEL_HOST_I32_DRAWABLE_WIDTH_PX];
    app_frame_display_drawable_height_px = in[TESSEL_HOST_I32_DRAWABLE_HEIGHT_PX];
    app_frame_display_content_scale = fin[TESSEL_HOST_F32_CONTENT_SCALE];
    app_frame_display_raster_scale = fin[TESSEL_HOST_F32_RASTER_SCALE];
    app_frame_display_logical_width = fin[TESSEL_HOST_F32_LOGICAL_WIDTH];
    app_frame_display_logical_height = fin[TESSEL_HOST_F32_LOGICAL_HEIGHT];
    app_frame_display_safe_x = fin[TESSEL_HOST_F32_SAFE_X];
    app_frame_display_safe_y = fin[TESSEL_HOST_F32_SAFE_Y];
    app_frame_display_safe_width = fin[TESSEL_HOST_F32_SAFE_WIDTH];
    app_frame_display_safe_height = fin[TESSEL_HOST_F32_SAFE_HEIGHT];
    app_frame_display_available_width = fin[TESSEL_HOST_F32_AVAILABLE_WIDTH];
    app_frame_display_available_height = fin[TESSEL_HOST_F32_AVAILABLE_HEIGHT];
    app_frame_display_generation = in[TESSEL_HOST_I32_DISPLAY_GENERATION];
    app_frame_display_density_generation = in[TESSEL_HOST_I32_DENSITY_GENERATION];

    // All eight pointer records are copied, whatever the pointer count says.
    for (int p = 0; p < TESSEL_HOST_MAX_POINTERS; ++p) {
        const int32_t* pi = in + TESSEL_HOST_I32_POINTERS + TESSEL_HOST_I32_POINTER_STRIDE * p;
        const float* pf = fin + TESSEL_HOST_F32_POINTER_STRIDE * p;
        app_frame_pointers_id[p] = pi[0];
        app_frame_pointers_is_down[p] = flag(pi[1]);
        app_frame_pointers_went_down[p] = flag(pi[2]);
        app_frame_pointers_went_up[p] = flag(pi[3]);
        app_frame_pointers_x_logical[p] = pf[0];
        app_frame_pointers_y_logical[p] = pf[1];
        app_frame_pointers_dx_logical[p] = pf[2];
        app_frame_pointers_dy_logical[p] = pf[3];
        app_frame_pointers_x_normalized[p] = pf[4];
        app_frame_pointers_y_normalized[p] = pf[5];
    }
    std::copy_n(in + TESSEL_HOST_I32_KEYS, TESSEL_HOST_KEY_COUNT, app_frame_keys);
}

namespace {

void host_request(int32_t flags, int32_t width, int32_t height) {
    host_req_flags = flags;
    host_req_window_w_px = width;
    host_req_window_h_px = height;
    host_req_seq += 1;
}

}  // namespace

void host_request_window(int32_t width, int32_t height) {
    host_request(TESSEL_HOST_REQ_OPEN_WINDOW, width, height);
}

void host_request_resize(int32_t width, int32_t height) {
    host_request(TESSEL_HOST_REQ_RESIZE_WINDOW, width, height);
}

void fit_window() {
    const int32_t native_w = app_frame_display_native_width_px;
    const int32_t native_h = app_frame_display_native_height_px;
    if (native_w <= 0 || native_h <= 0) return;
    float wide = static_cast<float>(native_w) * 900.0f / static_cast<float>(native_h) + 0.5f;
    // An absurd display size must not overflow the conversion; no window gets near this width.
    wide = std::min(wide, 1.0e9f);
    const int32_t target = std::max(kMinWindowWidth, static_cast<int32_t>(wide));
    if (std::fabs(app_frame_display_logical_width - static_cast<float>(target)) < 0.5f &&
        std::fabs(app_frame_display_logical_height - 900.0f) < 0.5f) {
        return;
    }
    host_request_resize(target, kStartWindowHeight);
}
