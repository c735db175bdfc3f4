// The graphics runtime facade: loading with the build checks, and the host-side operations.
//
// Sections: loading; window, frames and submission; placement and fonts; recording.
#include "tessel_dynload/graphics_api.hpp"

#include <cmath>
#include <limits>
#include <system_error>

#include "tessel_dynload/internal/graphics_search.hpp"
#include "tessel_dynload/internal/native_atlas_hook.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"

namespace tessel {

namespace fs = std::filesystem;

namespace internal {

// Until the atlas bridge is linked in, submission only submits.
__attribute__((weak)) bool run_native_atlas_optimizer(tessel_gfx_sprite_atlas_query_v1_fn,
                                                      tessel_gfx_sprite_atlas_stage_plan_v1_fn,
                                                      tessel_gfx_sprite_atlas_commit_plan_v1_fn) {
    return false;
}

}  // namespace internal

namespace {

bool has_nul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

Status fail(std::string text) { return Status::failure(std::move(text)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Loading

Result<TesselGraphicsApi> TesselGraphicsApi::load(const fs::path& requested) {
    using R = Result<TesselGraphicsApi>;
    std::error_code ec;
    fs::path path = fs::canonical(requested, ec);
    if (ec) path = requested;

    auto opened = Library::open(path);
    if (!opened) return R::failure(opened.error());
    Library library = std::move(opened).value();  // closed again by every failure below

    if (auto abi = verify_graphics_runtime_abi(library, path); !abi) return R::failure(abi.error());

    const std::optional<std::string> expected = compiled_build_fingerprint();
    if (!expected)
        return R::failure("tessel CLI has no verified build fingerprint; refusing installed runtime startup");
    auto fingerprint = internal::read_graphics_identity_string(library, path, "tessel_graphics_build_fingerprint",
                                                               "build fingerprint");
    if (!fingerprint) return R::failure(fingerprint.error());
    if (fingerprint.value() != *expected) {
        return R::failure("toolchain build fingerprint mismatch: tessel is '" + *expected + "' but " + path.string() +
                          " is '" + fingerprint.value() + "'");
    }

    auto release =
        internal::read_graphics_identity_string(library, path, "tessel_graphics_release_id", "release identity");
    if (!release) return R::failure(release.error());
    if (release.value() != release_identity) {
        return R::failure("toolchain release mismatch: tessel is '" + std::string(release_identity) + "' but " +
                          path.string() + " is '" + release.value() + "'");
    }

    TesselGraphicsHostEntries entries;
#define TESSEL_RESOLVE_ENTRY(name, required)                                                \
    if (required) {                                                                         \
        auto address = library.resolve("tessel_" #name);                                    \
        if (!address) return R::failure(address.error());                                   \
        entries.name = reinterpret_cast<tessel_##name##_fn>(address.value());               \
    } else {                                                                                \
        entries.name = reinterpret_cast<tessel_##name##_fn>(library.find("tessel_" #name)); \
    }
    TESSEL_GRAPHICS_HOST_ENTRIES(TESSEL_RESOLVE_ENTRY)
#undef TESSEL_RESOLVE_ENTRY

    return TesselGraphicsApi(std::move(library), std::move(path), entries);
}

Result<TesselGraphicsApi> TesselGraphicsApi::load_first(std::span<const fs::path> candidates) {
    std::optional<std::string> last_error;
    for (const fs::path& candidate : candidates) {
        std::error_code ec;
        if (!fs::exists(candidate, ec)) continue;
        auto api = load(candidate);
        if (api) return api;
        last_error = api.error();
    }
    if (last_error) return Result<TesselGraphicsApi>::failure(std::move(*last_error));
    return Result<TesselGraphicsApi>::failure(
        "failed to load tessel_graphics runtime library (set TESSEL_RUNTIME_LIBRARY_PATH or build runtime)");
}

Result<TesselGraphicsApi> TesselGraphicsApi::load_default() {
    const std::vector<fs::path> candidates = runtime_library_candidate_paths();
    return load_first(candidates);
}

// ---------------------------------------------------------------------------------------------
// Window, frames and submission

Result<bool> TesselGraphicsApi::init_window(int32_t width, int32_t height, std::string_view title) const {
    if (has_nul(title)) return Result<bool>::failure("window title contains interior NUL byte");
    const std::string text(title);
    return entries_.init_window(width, height, text.c_str()) != 0;
}

Status TesselGraphicsApi::set_asset_root(const fs::path& root) const {
    const std::string text = internal::utf8_lossy(root.native());
    if (has_nul(text)) return fail("asset root contains an interior NUL byte");
    if (entries_.set_asset_root(text.c_str()) == 0) return fail("graphics runtime rejected asset root " + text);
    return {};
}

void TesselGraphicsApi::host_get_frame(std::span<int32_t, TESSEL_HOST_I32_CAPACITY> host_i32,
                                       std::span<float, TESSEL_HOST_F32_CAPACITY> host_f32) const {
    entries_.host_get_frame(host_i32.data(), host_f32.data());
}

void TesselGraphicsApi::host_bulk_init(int32_t* request_words) const { entries_.host_bulk_init(request_words); }
void TesselGraphicsApi::host_bulk_apply_requests() const { entries_.host_bulk_apply_requests(); }
void TesselGraphicsApi::host_set_performance_metrics(int32_t tick_us, int32_t render_us) const {
    entries_.host_set_performance_metrics(tick_us, render_us);
}
bool TesselGraphicsApi::host_performance_metrics_enabled() const {
    return entries_.host_performance_metrics_enabled() != 0;
}
void TesselGraphicsApi::sleep_ms(int32_t ms) const { entries_.sleep_ms(ms); }

bool TesselGraphicsApi::host_set_performance_metrics_enabled(bool enabled) const {
    if (entries_.host_set_performance_metrics_enabled == nullptr) return false;
    entries_.host_set_performance_metrics_enabled(enabled ? 1 : 0);
    return true;
}

void TesselGraphicsApi::gfx_submit_u8(std::span<const int32_t, TESSEL_GFX_I32_CAPACITY> cmd_i32,
                                      std::span<const float, TESSEL_GFX_F32_CAPACITY> cmd_f32,
                                      std::span<const uint8_t, TESSEL_GFX_U8_CAPACITY> cmd_u8) const {
    if (entries_.gfx_sprite_atlas_query_v1 != nullptr && entries_.gfx_sprite_atlas_stage_plan_v1 != nullptr &&
        entries_.gfx_sprite_atlas_commit_plan_v1 != nullptr) {
        // The outcome does not matter here: a frame is submitted either way.
        (void)internal::run_native_atlas_optimizer(entries_.gfx_sprite_atlas_query_v1,
                                                   entries_.gfx_sprite_atlas_stage_plan_v1,
                                                   entries_.gfx_sprite_atlas_commit_plan_v1);
    }
    entries_.gfx_submit_u8(cmd_i32.data(), cmd_f32.data(), cmd_u8.data());
}

Status TesselGraphicsApi::set_sprite_atlas_page_size(int32_t pixels) const {
    if (entries_.gfx_set_sprite_atlas_page_size == nullptr) {
        if (pixels == 2048) return {};
        return fail("graphics runtime does not support graphics.sprite_atlas_page_size");
    }
    if (entries_.gfx_set_sprite_atlas_page_size(pixels) == 0)
        return fail("graphics runtime rejected graphics.sprite_atlas_page_size");
    return {};
}

// ---------------------------------------------------------------------------------------------
// Placement and fonts

Status TesselGraphicsApi::focus_window() const {
    if (entries_.host_focus_window == nullptr) return fail("graphics runtime lacks native window focus support");
    if (entries_.host_focus_window() == 0) return fail("graphics runtime rejected native window focus request");
    return {};
}

Result<WindowPlacement> TesselGraphicsApi::window_placement() const {
    using R = Result<WindowPlacement>;
    if (entries_.host_get_window_placement == nullptr)
        return R::failure("graphics runtime lacks native window placement support");
    int32_t words[TESSEL_WINDOW_PLACEMENT_WORDS] = {};
    float scales[TESSEL_WINDOW_PLACEMENT_SCALES] = {};
    if (entries_.host_get_window_placement(words, TESSEL_WINDOW_PLACEMENT_WORDS, scales,
                                           TESSEL_WINDOW_PLACEMENT_SCALES) == 0) {
        return R::failure("graphics runtime could not read native window placement");
    }
    WindowPlacement placement;
    placement.window = {words[0], words[1], words[2], words[3]};
    placement.monitor = {words[4], words[5], words[6], words[7]};
    if (placement.window.width <= 0 || placement.window.height <= 0)
        return R::failure("graphics runtime returned invalid native window bounds");
    if (placement.monitor.width <= 0 || placement.monitor.height <= 0)
        return R::failure("graphics runtime returned invalid native monitor bounds");
    placement.flag_a = words[8] != 0;
    placement.flag_b = words[9] != 0;
    for (float scale : scales) {
        if (!std::isnormal(scale) || scale <= 0.0f)
            return R::failure("graphics runtime returned invalid native window scale");
    }
    placement.scale_x = scales[0];
    placement.scale_y = scales[1];
    return placement;
}

Status TesselGraphicsApi::apply_window_placement(int32_t x, int32_t y, int32_t width, int32_t height, bool flag) const {
    if (width <= 0 || height <= 0) return fail("native window placement requires a positive extent");
    if (entries_.host_apply_window_placement == nullptr)
        return fail("graphics runtime lacks native window placement support");
    if (entries_.host_apply_window_placement(x, y, width, height, flag ? 1 : 0) == 0)
        return fail("graphics runtime rejected native window placement");
    return {};
}

Result<ScreenRect> TesselGraphicsApi::monitor_usable_bounds_at(int32_t x, int32_t y) const {
    using R = Result<ScreenRect>;
    if (entries_.host_get_monitor_usable_bounds == nullptr)
        return R::failure("graphics runtime lacks native monitor bounds support");
    int32_t bounds[4] = {};
    if (entries_.host_get_monitor_usable_bounds(x, y, bounds) == 0)
        return R::failure("graphics runtime could not resolve native monitor bounds");
    return ScreenRect{bounds[0], bounds[1], bounds[2], bounds[3]};
}

Status TesselGraphicsApi::notify_file_changed(std::string_view path) const {
    if (has_nul(path)) return fail("changed asset path contains interior NUL byte");
    if (entries_.gfx_notify_file_changed == nullptr) return {};
    const std::string text(path);
    entries_.gfx_notify_file_changed(text.c_str());
    return {};
}

Result<int32_t> TesselGraphicsApi::load_font(std::string_view path, int32_t size) const {
    using R = Result<int32_t>;
    if (entries_.load_font == nullptr) return R::failure("graphics runtime lacks font loading support");
    if (has_nul(path)) return R::failure("font path contains an interior NUL byte");
    const std::string text(path);
    const int32_t handle = entries_.load_font(text.c_str(), size);
    if (handle <= 0) return R::failure("graphics runtime rejected font " + text);
    return handle;
}

// ---------------------------------------------------------------------------------------------
// Recording

Status TesselGraphicsApi::set_recording_config(int32_t a, int32_t b, int32_t c) const {
    if (entries_.set_recording_config == nullptr)
        return fail("graphics runtime lacks typed headless recording configuration support");
    if (entries_.set_recording_config(a, b, c) == 0)
        return fail("graphics runtime rejected typed recording configuration");
    return {};
}

Status TesselGraphicsApi::set_recording_audio_config(bool enabled) const {
    if (entries_.set_recording_audio_config == nullptr)
        return fail("graphics runtime lacks offline recording audio configuration support");
    if (entries_.set_recording_audio_config(enabled ? 1 : 0) == 0)
        return fail("graphics runtime rejected offline recording audio configuration");
    return {};
}

Status TesselGraphicsApi::pull_recording_audio_f32_interleaved(std::span<float> samples) const {
    if (entries_.recording_audio_pull_f32_interleaved == nullptr)
        return fail("graphics runtime lacks offline recording audio pull support");
    if (samples.size() % 2 != 0) return fail("recording audio output must contain stereo samples");
    const std::size_t frames = samples.size() / 2;
    if (frames > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        return fail("recording audio pull exceeds runtime frame-count bound");
    const int32_t expected = static_cast<int32_t>(frames);
    const int32_t got = entries_.recording_audio_pull_f32_interleaved(samples.data(), expected);
    if (got != expected) {
        return fail("graphics runtime returned " + std::to_string(got) + " recording audio frames, expected " +
                    std::to_string(expected));
    }
    return {};
}

Status TesselGraphicsApi::configure_recording_audio_device_v1(uint32_t setting_a, uint32_t setting_b) const {
    if (entries_.recording_audio_configure_device_v1 == nullptr)
        return fail("graphics runtime lacks recording audio device simulation v1 support");
    const TesselRecordingAudioDeviceConfigV1 config{sizeof(TesselRecordingAudioDeviceConfigV1), 1, setting_a,
                                                    setting_b};
    if (entries_.recording_audio_configure_device_v1(&config) == 0)
        return fail("graphics runtime rejected recording audio device simulation v1 config");
    return {};
}

Status TesselGraphicsApi::set_recording_audio_device_state_v1(bool a, bool b) const {
    if (entries_.recording_audio_set_device_state_v1 == nullptr)
        return fail("graphics runtime lacks recording audio device state v1 support");
    if (entries_.recording_audio_set_device_state_v1(a ? 1 : 0, b ? 1 : 0) == 0)
        return fail("graphics runtime rejected recording audio device state v1");
    return {};
}

Status TesselGraphicsApi::advance_recording_audio_device_f32_interleaved(std::span<float> frames) const {
    if (entries_.recording_audio_advance_v1 == nullptr)
        return fail("graphics runtime lacks recording audio device advance v1 support");
    if (frames.size() % 2 != 0) return fail("recording audio device output must contain stereo frames");
    const std::size_t count = frames.size() / 2;
    if (count > static_cast<std::size_t>(std::numeric_limits<int32_t>::max()))
        return fail("recording audio device advance exceeds runtime frame-count bound");
    const int32_t expected = static_cast<int32_t>(count);
    const int32_t got = entries_.recording_audio_advance_v1(frames.data(), expected);
    if (got != expected) {
        return fail("graphics runtime advanced " + std::to_string(got) + " virtual recording audio frames, expected " +
                    std::to_string(expected));
    }
    return {};
}

Result<RecordingAudioHealth> TesselGraphicsApi::recording_audio_health_v1() const {
    using R = Result<RecordingAudioHealth>;
    if (entries_.recording_audio_get_health_v1 == nullptr)
        return R::failure("graphics runtime lacks recording audio health v1 support");
    TesselRecordingAudioHealthV1 record{};
    record.size = sizeof(TesselRecordingAudioHealthV1);
    record.version = 0;
    if (entries_.recording_audio_get_health_v1(&record) == 0 || record.version != 1 ||
        record.size < sizeof(TesselRecordingAudioHealthV1)) {
        return R::failure("graphics runtime could not return recording audio health v1");
    }
    RecordingAudioHealth health;
    for (std::size_t i = 0; i < health.counters.size(); ++i) health.counters[i] = record.counters[i];
    health.total_frames = record.total_frames;
    return health;
}

Result<std::optional<TesselPerformanceMetricsV1>> TesselGraphicsApi::host_get_latest_performance_metrics_v1() const {
    using R = Result<std::optional<TesselPerformanceMetricsV1>>;
    if (entries_.host_get_latest_performance_metrics_v1 == nullptr) return std::optional<TesselPerformanceMetricsV1>{};
    constexpr uint32_t expected_size = sizeof(TesselPerformanceMetricsV1);
    constexpr uint32_t expected_version = 1;
    TesselPerformanceMetricsV1 record{};
    for (uint32_t& counter : record.counters) counter = 0xFFFFFFFFu;
    record.frame_index = ~uint64_t{0};
    if (entries_.host_get_latest_performance_metrics_v1(&record, expected_size) == 0) {
        return R::failure("runtime rejected the v1 performance metrics snapshot request");
    }
    if (record.size < expected_size) {
        return R::failure("runtime returned performance metrics size " + std::to_string(record.size) +
                          " (expected at least " + std::to_string(expected_size) + ")");
    }
    if (record.version != expected_version) {
        return R::failure("runtime returned performance metrics version " + std::to_string(record.version) +
                          " (expected " + std::to_string(expected_version) + ")");
    }
    return std::optional<TesselPerformanceMetricsV1>(record);
}

std::optional<std::array<int32_t, 5>> TesselGraphicsApi::test_render_submission_state() const {
    if (entries_.test_get_render_submission_state == nullptr) return std::nullopt;
    std::array<int32_t, 5> words{};
    if (entries_.test_get_render_submission_state(words.data(), static_cast<int32_t>(words.size())) == 0)
        return std::nullopt;
    return words;
}

}  // namespace tessel
