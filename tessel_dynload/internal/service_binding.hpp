// Internal to tessel_dynload: the three providers of the services. The process-wide binding to the
// graphics runtime library (TesselGraphicsAssetsApi), the per-thread embedded graphics host and the
// process-wide audio host table, as the service files read them.
#pragma once

#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "tessel/export.h"
#include "tessel/graphics.h"
#include "tessel/services.h"

namespace tessel::internal {

/** The service-side functions of the library, in the order they are resolved (name, required). The
 *  audio functions are exported by the library as tessel_audio_<name>. */
#define TESSEL_GRAPHICS_SERVICE_ENTRIES(X)        \
    X(gfx_load_sprite, true)                      \
    X(gfx_set_next_sprite_atlas_policy_v3, false) \
    X(asset_request_sprite_with_policy_v3, false) \
    X(asset_request_sprite, false)                \
    X(asset_request_audio, false)                 \
    X(asset_task_poll, false)                     \
    X(asset_task_take_handle, false)              \
    X(asset_task_cancel, false)                   \
    X(gfx_release_sprite, true)                   \
    X(gfx_release_font, true)                     \
    X(font_status, false)                         \
    X(gfx_dump_bmp, true)                         \
    X(gfx_dump_png, false)                        \
    X(host_schedule_screenshot, false)            \
    X(host_focus_game_window, false)              \
    X(gfx_poll_reload, true)                      \
    X(load_font, true)                            \
    X(measure_text, true)                         \
    X(gfx_cache_text, true)                       \
    X(gfx_replace_text, false)                    \
    X(gfx_measure_text_cached, true)              \
    X(gfx_measure_text_cached_height, true)       \
    X(clipboard_load_ascii, false)                \
    X(clipboard_save_ascii, false)                \
    X(open_external_url, false)

#define TESSEL_GRAPHICS_AUDIO_ENTRIES(X) \
    X(init)                              \
    X(shutdown)                          \
    X(is_available)                      \
    X(get_sample_rate)                   \
    X(get_channels)                      \
    X(get_queued_frames)                 \
    X(get_underruns)                     \
    X(push_f32_interleaved)              \
    X(load_wav)                          \
    X(release)                           \
    X(play)                              \
    X(stop)                              \
    X(voice_is_playing)                  \
    X(voice_set_paused)                  \
    X(voice_set_volume_pan)              \
    X(load_music)                        \
    X(load_effect)                       \
    X(play_music)                        \
    X(stop_music)                        \
    X(pause_music)                       \
    X(set_music_volume)                  \
    X(play_effect)

/** The library bound for the services: entry tessel_<name> for every service entry and
 *  tessel_audio_<name> (member audio_<name>) for every audio entry; optional ones may be null. */
struct TesselGraphicsAssetsApi {
#define TESSEL_DECLARE_SERVICE_ENTRY(name, required) tessel_##name##_fn name = nullptr;
    TESSEL_GRAPHICS_SERVICE_ENTRIES(TESSEL_DECLARE_SERVICE_ENTRY)
#undef TESSEL_DECLARE_SERVICE_ENTRY
#define TESSEL_DECLARE_AUDIO_ENTRY(name) tessel_audio_##name##_fn audio_##name = nullptr;
    TESSEL_GRAPHICS_AUDIO_ENTRIES(TESSEL_DECLARE_AUDIO_ENTRY)
#undef TESSEL_DECLARE_AUDIO_ENTRY
};

/** The binding's outcome: the entries, or none and the error that prevented binding. */
struct GraphicsAssetsBinding {
    std::optional<TesselGraphicsAssetsApi> entries;
    std::string error;

    /** The entries, or null when binding failed. */
    const TesselGraphicsAssetsApi* api() const noexcept { return entries ? &*entries : nullptr; }
};

/** The process-wide binding, made on the first call from the candidate paths of the graphics runtime
 *  and never retried; concurrent first callers wait for it. */
const GraphicsAssetsBinding& graphics_assets_binding();

/** The bound entries, or null when binding failed. */
inline const TesselGraphicsAssetsApi* graphics_assets_api() { return graphics_assets_binding().api(); }

/** Binds from the given candidates (ABI check only) without touching the process-wide binding. */
TESSEL_EXPORT GraphicsAssetsBinding bind_graphics_assets(std::span<const std::filesystem::path> candidates);

/** Replaces the process-wide binding by one made from candidates; earlier bindings and their libraries
 *  stay alive, since a call in progress may still use them. For tests, which need a binding to a
 *  library of their own or none. */
TESSEL_EXPORT void rebind_graphics_assets_for_test(std::span<const std::filesystem::path> candidates);

/** This thread's embedded graphics host, or null when none is present. */
const TesselEmbeddedGraphicsHost* embedded_graphics_host() noexcept;

}  // namespace tessel::internal
