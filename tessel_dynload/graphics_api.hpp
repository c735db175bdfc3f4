// The graphics runtime library seen from a host: finding it on disk, checking that it belongs to this
// build, and the facade TesselGraphicsApi through which the host opens the window, pumps input
// frames, submits the command stream and drives recording and window placement.
//
// Sections: build identity; candidate paths and identity queries; the facade's records; the facade.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tessel/command_stream.h"
#include "tessel/export.h"
#include "tessel/graphics.h"
#include "tessel/host_frame.h"
#include "tessel_dynload/dynamic_library.hpp"
#include "tessel_dynload/result.hpp"

namespace tessel {

// ---------------------------------------------------------------------------------------------
// Build identity

/** The release identity of this build: "nightly-20261002-377". */
inline constexpr std::string_view release_identity = TESSEL_RELEASE_ID;

/** The ABI version required of the graphics runtime library: 4. */
inline constexpr int32_t graphics_runtime_abi_version = TESSEL_GRAPHICS_RUNTIME_ABI_VERSION;

/** True when text, without white space at both ends, is exactly 64 hexadecimal digits. */
TESSEL_EXPORT bool is_verified_build_fingerprint(std::string_view text);

/** The build fingerprint compiled into this runtime, trimmed, when it is verified; else none. */
TESSEL_EXPORT std::optional<std::string> compiled_build_fingerprint();

// ---------------------------------------------------------------------------------------------
// Finding and identifying the library

/** Paths to try for the graphics runtime library, in order: next to the running executable; the
 *  variables TESSEL_RUNTIME_LIBRARY_PATH and TESSEL_RUNTIME_DLL_PATH; runtime/build/bin (and its
 *  Release and Debug subdirectories) under the executable's directory and up to five of its parents;
 *  the bare file names; the same build directories under the source tree of this build, when they
 *  exist. */
TESSEL_EXPORT std::vector<std::filesystem::path> runtime_library_candidate_paths();

/** Checks the library's ABI version. Errors: "incompatible tessel graphics runtime " + path +
 *  ": missing ABI version" or ": expected ABI 4, found " + n. */
TESSEL_EXPORT Status verify_graphics_runtime_abi(const Library& library, const std::filesystem::path& path);

/** Opens the library at path, checks its ABI and that its build fingerprint equals expected (both
 *  trimmed), and closes it again. */
TESSEL_EXPORT Status verify_graphics_runtime_build_fingerprint(const std::filesystem::path& path,
                                                               std::string_view expected);

/** The release identity and build fingerprint a library reports, trimmed. */
struct GraphicsRuntimeIdentity {
    std::string build_fingerprint;
    std::string release_id;
};

/** The library's release identity or build fingerprint (after the ABI check), or both at once. */
TESSEL_EXPORT Result<std::string> graphics_runtime_release_id(const std::filesystem::path& path);
TESSEL_EXPORT Result<std::string> graphics_runtime_build_fingerprint(const std::filesystem::path& path);
TESSEL_EXPORT Result<GraphicsRuntimeIdentity> graphics_runtime_identity(const std::filesystem::path& path);

// ---------------------------------------------------------------------------------------------
// Records of the facade

/** A rectangle in screen pixels. */
struct ScreenRect {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const ScreenRect&) const = default;
};

/** Where the window is: its rectangle, its monitor's, the two placement flags and the scale. */
struct WindowPlacement {
    ScreenRect window;
    ScreenRect monitor;
    bool flag_a = false;
    bool flag_b = false;
    float scale_x = 1.0f;
    float scale_y = 1.0f;
};

/** Health of the simulated recording audio device: the eleven counters and the 64-bit total. */
struct RecordingAudioHealth {
    std::array<uint32_t, 11> counters{};
    uint64_t total_frames = 0;
};

/** The host-side functions of the library, in the order they are resolved; optional entries are null
 *  when the library lacks them. */
#define TESSEL_GRAPHICS_HOST_ENTRIES(X)              \
    X(init_window, true)                             \
    X(set_asset_root, true)                          \
    X(host_get_frame, true)                          \
    X(host_bulk_init, true)                          \
    X(host_bulk_apply_requests, true)                \
    X(host_set_performance_metrics, true)            \
    X(host_performance_metrics_enabled, true)        \
    X(host_set_performance_metrics_enabled, false)   \
    X(host_get_latest_performance_metrics_v1, false) \
    X(gfx_submit_u8, true)                           \
    X(gfx_set_sprite_atlas_page_size, false)         \
    X(gfx_sprite_atlas_query_v1, false)              \
    X(gfx_sprite_atlas_stage_plan_v1, false)         \
    X(gfx_sprite_atlas_commit_plan_v1, false)        \
    X(set_recording_config, false)                   \
    X(set_recording_audio_config, false)             \
    X(recording_audio_pull_f32_interleaved, false)   \
    X(recording_audio_configure_device_v1, false)    \
    X(recording_audio_set_device_state_v1, false)    \
    X(recording_audio_advance_v1, false)             \
    X(recording_audio_get_health_v1, false)          \
    X(test_get_render_submission_state, false)       \
    X(gfx_notify_file_changed, false)                \
    X(load_font, false)                              \
    X(host_get_window_placement, false)              \
    X(host_apply_window_placement, false)            \
    X(host_focus_window, false)                      \
    X(host_get_monitor_usable_bounds, false)         \
    X(sleep_ms, true)

/** Entry tessel_<name> of the library for every name of TESSEL_GRAPHICS_HOST_ENTRIES. */
struct TesselGraphicsHostEntries {
#define TESSEL_DECLARE_ENTRY(name, required) tessel_##name##_fn name = nullptr;
    TESSEL_GRAPHICS_HOST_ENTRIES(TESSEL_DECLARE_ENTRY)
#undef TESSEL_DECLARE_ENTRY
};

// ---------------------------------------------------------------------------------------------
// The facade

/** An open graphics runtime library of this build. Owns the library for its whole life and closes it
 *  when dropped; a host may load several. Move-only. Every operation forwards to the library function
 *  of the same name; the error "graphics runtime lacks ..." means an optional function is absent. */
class TESSEL_EXPORT TesselGraphicsApi {
public:
    /** Opens the library at path (canonicalised when possible) and checks ABI, build fingerprint and
     *  release identity, then resolves the host-side functions. A failed load leaves nothing open. */
    static Result<TesselGraphicsApi> load(const std::filesystem::path& path);

    /** Loads the first candidate of runtime_library_candidate_paths that exists and loads; else the
     *  last error, or "failed to load tessel_graphics runtime library (set TESSEL_RUNTIME_LIBRARY_PATH
     *  or build runtime)" when no candidate exists. */
    static Result<TesselGraphicsApi> load_default();

    /** As load_default, over the given candidates. */
    static Result<TesselGraphicsApi> load_first(std::span<const std::filesystem::path> candidates);

    TesselGraphicsApi(TesselGraphicsApi&&) noexcept = default;
    TesselGraphicsApi& operator=(TesselGraphicsApi&&) noexcept = default;

    /** The canonical path the library was opened from. */
    const std::filesystem::path& path() const noexcept { return path_; }
    /** The resolved host-side functions. */
    const TesselGraphicsHostEntries& entries() const noexcept { return entries_; }

    /** Opens the window; true when the library reports it opened. */
    Result<bool> init_window(int32_t width, int32_t height, std::string_view title) const;
    /** Sets the directory asset paths are relative to (invalid UTF-8 in the path replaced). */
    Status set_asset_root(const std::filesystem::path& root) const;
    /** Fills the host input arrays for the next tick. */
    void host_get_frame(std::span<int32_t, TESSEL_HOST_I32_CAPACITY> host_i32,
                        std::span<float, TESSEL_HOST_F32_CAPACITY> host_f32) const;
    /** Hands the module's four request words (sequence, flags, width px, height px) to the library. */
    void host_bulk_init(int32_t* request_words) const;
    void host_bulk_apply_requests() const;
    void host_set_performance_metrics(int32_t tick_us, int32_t render_us) const;
    bool host_performance_metrics_enabled() const;
    void sleep_ms(int32_t ms) const;
    /** Turns the metrics overlay on or off; false when the library lacks the function. */
    bool host_set_performance_metrics_enabled(bool enabled) const;

    /** Submits one frame of the command stream, first letting the native atlas optimiser rearrange
     *  sprites when the library offers atlas query, stage and commit. */
    void gfx_submit_u8(std::span<const int32_t, TESSEL_GFX_I32_CAPACITY> cmd_i32,
                       std::span<const float, TESSEL_GFX_F32_CAPACITY> cmd_f32,
                       std::span<const uint8_t, TESSEL_GFX_U8_CAPACITY> cmd_u8) const;

    /** Sets the sprite atlas page size; without the function only 2048 is accepted. */
    Status set_sprite_atlas_page_size(int32_t pixels) const;
    Status focus_window() const;
    Result<WindowPlacement> window_placement() const;
    /** Moves and sizes the window; width and height must be positive (checked before any call). */
    Status apply_window_placement(int32_t x, int32_t y, int32_t width, int32_t height, bool flag) const;
    /** The usable bounds of the monitor holding point (x, y). */
    Result<ScreenRect> monitor_usable_bounds_at(int32_t x, int32_t y) const;
    /** Tells the library an asset file changed; nothing when it lacks the function. */
    Status notify_file_changed(std::string_view path) const;
    /** Loads a font; its handle. */
    Result<int32_t> load_font(std::string_view path, int32_t size) const;

    Status set_recording_config(int32_t a, int32_t b, int32_t c) const;
    Status set_recording_audio_config(bool enabled) const;
    /** Fills samples (stereo, interleaved) with recorded audio; all frames must arrive. */
    Status pull_recording_audio_f32_interleaved(std::span<float> samples) const;
    Status configure_recording_audio_device_v1(uint32_t setting_a, uint32_t setting_b) const;
    Status set_recording_audio_device_state_v1(bool a, bool b) const;
    /** Advances the virtual recording device by the frames of samples (stereo), filling them. */
    Status advance_recording_audio_device_f32_interleaved(std::span<float> frames) const;
    Result<RecordingAudioHealth> recording_audio_health_v1() const;
    /** The latest performance metrics record, or none when the library lacks the function. */
    Result<std::optional<TesselPerformanceMetricsV1>> host_get_latest_performance_metrics_v1() const;
    /** The five render submission words, or none when the function is absent or answers 0. */
    std::optional<std::array<int32_t, 5>> test_render_submission_state() const;

private:
    TesselGraphicsApi(Library library, std::filesystem::path path, TesselGraphicsHostEntries entries)
        : library_(std::move(library)), path_(std::move(path)), entries_(entries) {}

    Library library_;
    std::filesystem::path path_;
    TesselGraphicsHostEntries entries_;
};

}  // namespace tessel
