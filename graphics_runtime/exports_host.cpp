// Exported functions of the host side: identity, window, input frames, submission, recording,
// performance counters and window placement.
#include "asset_paths.hpp"
#include "audio_output.hpp"
#include "display.hpp"
#include "exports.hpp"
#include "sprites.hpp"
#include "tessel/build_identity.h"

using namespace tessel::gfxrt;

// ---------------------------------------------------------------------------------------------
// Identity

TESSEL_GRAPHICS_API int32_t tessel_graphics_runtime_abi_version() noexcept { return TESSEL_GRAPHICS_RUNTIME_ABI_VERSION; }
TESSEL_GRAPHICS_CHECK(tessel_graphics_runtime_abi_version);

TESSEL_GRAPHICS_API const char* tessel_graphics_build_fingerprint() noexcept { return TESSEL_BUILD_FINGERPRINT; }
TESSEL_GRAPHICS_CHECK(tessel_graphics_build_fingerprint);

TESSEL_GRAPHICS_API const char* tessel_graphics_release_id() noexcept { return TESSEL_RELEASE_ID; }
TESSEL_GRAPHICS_CHECK(tessel_graphics_release_id);

// ---------------------------------------------------------------------------------------------
// Window, frames and submission

TESSEL_GRAPHICS_API int32_t tessel_init_window(int32_t width, int32_t height, const char* title) noexcept {
    return guarded(0, [&] { return display().init_window(width, height, title) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_init_window);

TESSEL_GRAPHICS_API int32_t tessel_set_asset_root(const char* path) noexcept {
    return guarded(0, [&] { return set_asset_root(text_arg(path)) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_set_asset_root);

TESSEL_GRAPHICS_API void tessel_host_get_frame(int32_t* host_i32, float* host_f32) noexcept {
    guarded_void([&] { display().get_frame(host_i32, host_f32); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_get_frame);

TESSEL_GRAPHICS_API void tessel_host_bulk_init(int32_t* request_words) noexcept {
    guarded_void([&] { display().bulk_init(request_words); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_bulk_init);

TESSEL_GRAPHICS_API void tessel_host_bulk_apply_requests() noexcept {
    guarded_void([] { display().apply_requests(); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_bulk_apply_requests);

TESSEL_GRAPHICS_API void tessel_gfx_submit_u8(const int32_t* cmd_i32, const float* cmd_f32, const uint8_t* cmd_u8) noexcept {
    guarded_void([&] { display().submit(cmd_i32, cmd_f32, cmd_u8); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_submit_u8);

TESSEL_GRAPHICS_API void tessel_sleep_ms(int32_t ms) noexcept {
    guarded_void([&] { display().sleep_ms(ms); });
}
TESSEL_GRAPHICS_CHECK(tessel_sleep_ms);

TESSEL_GRAPHICS_API int32_t tessel_test_get_render_submission_state(int32_t* words, int32_t capacity) noexcept {
    return guarded(0, [&] { return display().submission_state(words, capacity) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_test_get_render_submission_state);

TESSEL_GRAPHICS_API void tessel_gfx_notify_file_changed(const char* path) noexcept {
    guarded_void([&] {
        if (path != nullptr && *path != '\0') sprite_store().notify_file_changed(path);
    });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_notify_file_changed);

// ---------------------------------------------------------------------------------------------
// Performance counters

TESSEL_GRAPHICS_API void tessel_host_set_performance_metrics(int32_t tick_us, int32_t render_us) noexcept {
    guarded_void([&] { display().set_host_metrics(tick_us, render_us); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_set_performance_metrics);

TESSEL_GRAPHICS_API int32_t tessel_host_performance_metrics_enabled() noexcept {
    return guarded(0, [] { return display().metrics_enabled() ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_performance_metrics_enabled);

TESSEL_GRAPHICS_API void tessel_host_set_performance_metrics_enabled(int32_t enabled) noexcept {
    guarded_void([&] { display().set_metrics_enabled(enabled != 0); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_set_performance_metrics_enabled);

TESSEL_GRAPHICS_API int32_t tessel_host_get_latest_performance_metrics_v1(TesselPerformanceMetricsV1* record, uint32_t capacity) noexcept {
    return guarded(0, [&] { return display().latest_metrics(record, capacity) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_get_latest_performance_metrics_v1);

// ---------------------------------------------------------------------------------------------
// Recording

TESSEL_GRAPHICS_API int32_t tessel_set_recording_config(int32_t mode, int32_t fps, int32_t frame_limit) noexcept {
    return guarded(0, [&] { return display().set_recording_config(mode, fps, frame_limit) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_set_recording_config);

TESSEL_GRAPHICS_API int32_t tessel_set_recording_audio_config(int32_t enabled) noexcept {
    return guarded(0, [&] {
        if (enabled != 0 && enabled != 1) return 0;
        audio_output().set_recording(enabled == 1);
        return 1;
    });
}
TESSEL_GRAPHICS_CHECK(tessel_set_recording_audio_config);

TESSEL_GRAPHICS_API int32_t tessel_recording_audio_pull_f32_interleaved(float* samples, int32_t frames) noexcept {
    return guarded(0, [&] { return audio_output().pull(samples, frames); });
}
TESSEL_GRAPHICS_CHECK(tessel_recording_audio_pull_f32_interleaved);

TESSEL_GRAPHICS_API int32_t tessel_recording_audio_configure_device_v1(const TesselRecordingAudioDeviceConfigV1* config) noexcept {
    return guarded(0, [&] { return audio_output().configure_device(config) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_recording_audio_configure_device_v1);

TESSEL_GRAPHICS_API int32_t tessel_recording_audio_set_device_state_v1(int32_t present, int32_t paused) noexcept {
    return guarded(0, [&] {
        audio_output().set_device_state(present != 0, paused != 0);
        return 1;
    });
}
TESSEL_GRAPHICS_CHECK(tessel_recording_audio_set_device_state_v1);

TESSEL_GRAPHICS_API int32_t tessel_recording_audio_advance_v1(float* samples, int32_t frames) noexcept {
    return guarded(0, [&] { return audio_output().advance(samples, frames); });
}
TESSEL_GRAPHICS_CHECK(tessel_recording_audio_advance_v1);

TESSEL_GRAPHICS_API int32_t tessel_recording_audio_get_health_v1(TesselRecordingAudioHealthV1* health) noexcept {
    return guarded(0, [&] { return audio_output().health(health) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_recording_audio_get_health_v1);

// ---------------------------------------------------------------------------------------------
// Window placement

TESSEL_GRAPHICS_API int32_t tessel_host_get_window_placement(int32_t* words, int32_t words_capacity, float* scales,
                                                             int32_t scales_capacity) noexcept {
    return guarded(0, [&] { return display().window_placement(words, words_capacity, scales, scales_capacity) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_get_window_placement);

TESSEL_GRAPHICS_API int32_t tessel_host_apply_window_placement(int32_t x, int32_t y, int32_t width, int32_t height,
                                                               int32_t flag) noexcept {
    return guarded(0, [&] { return display().apply_window_placement(x, y, width, height, flag) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_apply_window_placement);

TESSEL_GRAPHICS_API int32_t tessel_host_focus_window() noexcept {
    return guarded(0, [] { return display().focus_window() ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_focus_window);

TESSEL_GRAPHICS_API int32_t tessel_host_get_monitor_usable_bounds(int32_t x, int32_t y, int32_t* bounds) noexcept {
    return guarded(0, [&] { return display().monitor_usable_bounds(x, y, bounds) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_get_monitor_usable_bounds);
