// The library's identity and exports: the runtime's own loader accepts it, and every function the
// host and the module's services call is there.
#include <string_view>

#include "graphics_library.hpp"
#include "tessel/build_identity.h"
#include "tessel_dynload/graphics_api.hpp"

namespace gfxtest {
namespace {

TEST(GraphicsIdentity, ReportsAbiFingerprintAndRelease) {
    ASSERT_NE(library(), nullptr) << dlerror();
    EXPECT_EQ(GFX(tessel_graphics_runtime_abi_version)(), 4);
    EXPECT_STREQ(GFX(tessel_graphics_build_fingerprint)(), TESSEL_BUILD_FINGERPRINT);
    EXPECT_STREQ(GFX(tessel_graphics_release_id)(), "nightly-20261002-377");
    const std::string_view fingerprint = GFX(tessel_graphics_build_fingerprint)();
    EXPECT_EQ(fingerprint.size(), 64u);
    EXPECT_EQ(fingerprint.find_first_not_of("0123456789abcdefABCDEF"), std::string_view::npos);
}

TEST(GraphicsIdentity, RuntimeLoaderAcceptsTheLibrary) {
    const tessel::Result<tessel::TesselGraphicsApi> api = tessel::TesselGraphicsApi::load(TESSEL_GRAPHICS_LIBRARY_PATH);
    ASSERT_TRUE(api.ok()) << api.error();
    const tessel::TesselGraphicsHostEntries& entries = api.value().entries();
    EXPECT_NE(entries.set_recording_config, nullptr);
    EXPECT_NE(entries.recording_audio_pull_f32_interleaved, nullptr);
    EXPECT_NE(entries.host_get_window_placement, nullptr);
    EXPECT_NE(entries.test_get_render_submission_state, nullptr);
}

TEST(GraphicsIdentity, ExportsEveryFunctionItServes) {
    ASSERT_NE(library(), nullptr) << dlerror();
    const char* const names[] = {
        // host side
        "tessel_init_window", "tessel_set_asset_root", "tessel_host_get_frame", "tessel_host_bulk_init",
        "tessel_host_bulk_apply_requests", "tessel_host_set_performance_metrics", "tessel_host_performance_metrics_enabled",
        "tessel_host_set_performance_metrics_enabled", "tessel_host_get_latest_performance_metrics_v1", "tessel_gfx_submit_u8",
        "tessel_set_recording_config", "tessel_set_recording_audio_config", "tessel_recording_audio_pull_f32_interleaved",
        "tessel_recording_audio_configure_device_v1", "tessel_recording_audio_set_device_state_v1",
        "tessel_recording_audio_advance_v1", "tessel_recording_audio_get_health_v1", "tessel_test_get_render_submission_state",
        "tessel_gfx_notify_file_changed", "tessel_load_font", "tessel_host_get_window_placement",
        "tessel_host_apply_window_placement", "tessel_host_focus_window", "tessel_host_get_monitor_usable_bounds",
        "tessel_sleep_ms",
        // service side
        "tessel_gfx_load_sprite", "tessel_gfx_release_sprite", "tessel_gfx_release_font", "tessel_gfx_dump_bmp",
        "tessel_gfx_poll_reload", "tessel_measure_text", "tessel_gfx_cache_text", "tessel_gfx_measure_text_cached",
        "tessel_gfx_measure_text_cached_height", "tessel_asset_request_sprite", "tessel_asset_request_audio",
        "tessel_asset_task_poll", "tessel_asset_task_take_handle", "tessel_asset_task_cancel", "tessel_font_status",
        "tessel_gfx_dump_png", "tessel_host_schedule_screenshot", "tessel_host_focus_game_window", "tessel_gfx_replace_text",
        "tessel_clipboard_load_ascii", "tessel_clipboard_save_ascii", "tessel_open_external_url",
        // audio
        "tessel_audio_init", "tessel_audio_shutdown", "tessel_audio_is_available", "tessel_audio_get_sample_rate",
        "tessel_audio_get_channels", "tessel_audio_get_queued_frames", "tessel_audio_get_underruns",
        "tessel_audio_push_f32_interleaved", "tessel_audio_load_wav", "tessel_audio_release", "tessel_audio_play",
        "tessel_audio_stop", "tessel_audio_voice_is_playing", "tessel_audio_voice_set_paused",
        "tessel_audio_voice_set_volume_pan", "tessel_audio_load_music", "tessel_audio_load_effect", "tessel_audio_play_music",
        "tessel_audio_stop_music", "tessel_audio_pause_music", "tessel_audio_set_music_volume", "tessel_audio_play_effect"};
    for (const char* name : names) EXPECT_NE(dlsym(library(), name), nullptr) << name;
}

}  // namespace
}  // namespace gfxtest
