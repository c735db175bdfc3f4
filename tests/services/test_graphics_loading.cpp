// Finding, checking and loading the graphics runtime library, and the facade's operations.
#include <array>
#include <fstream>
#include <string>
#include <vector>

#include "services_support.hpp"
#include "tessel/build_identity.h"
#include "tessel_dynload/graphics_api.hpp"
#include "tessel_dynload/internal/graphics_search.hpp"

namespace tessel::testing {
namespace {

using internal::CandidateInputs;
using internal::runtime_library_candidate_paths_for;

std::string canonical_text(const fs::path& path) { return fs::canonical(path).string(); }

/** A copy of a fixture variant under dir with the library's file name. */
fs::path install_copy(std::string_view variant, const fs::path& dir, const char* name = "libtessel_graphics.so") {
    fs::create_directories(dir);
    fs::copy_file(fixture_path(variant), dir / name, fs::copy_options::overwrite_existing);
    return dir / name;
}

// ---------------------------------------------------------------------------------------------
// Candidate paths

TEST(GraphicsCandidates, FollowTheSearchOrder) {
    TempDir source;
    fs::create_directories(source / "runtime/build/bin/Debug");
    std::ofstream(source / "runtime/build/bin/Debug/tessel_graphics.so") << "x";

    const CandidateInputs inputs{fs::path("/opt/app/bin"), std::string("/env/lib.so"), std::string("/env/dll.so"),
                                 source.path()};
    std::vector<fs::path> expected = {"/opt/app/bin/libtessel_graphics.so", "/opt/app/bin/tessel_graphics.so",
                                      "/env/lib.so", "/env/dll.so"};
    for (const char* dir : {"/opt/app/bin", "/opt/app", "/opt", "/"}) {
        for (const char* name : {"libtessel_graphics.so", "tessel_graphics.so"}) {
            for (const char* sub : {"runtime/build/bin", "runtime/build/bin/Release", "runtime/build/bin/Debug"}) {
                expected.push_back(fs::path(dir) / sub / name);
            }
        }
    }
    expected.emplace_back("libtessel_graphics.so");
    expected.emplace_back("tessel_graphics.so");
    expected.push_back(source / "runtime/build/bin/Debug/tessel_graphics.so");  // the only one that exists

    EXPECT_EQ(runtime_library_candidate_paths_for(inputs), expected);
}

TEST(GraphicsCandidates, ClimbAtMostSixDirectoriesAndSkipUnsetVariables) {
    const CandidateInputs inputs{fs::path("/a/b/c/d/e/f/g"), std::nullopt, std::nullopt, std::nullopt};
    const std::vector<fs::path> paths = runtime_library_candidate_paths_for(inputs);
    ASSERT_EQ(paths.size(), 2u + 6u * 6u + 2u);
    EXPECT_EQ(paths[2], fs::path("/a/b/c/d/e/f/g/runtime/build/bin/libtessel_graphics.so"));
    EXPECT_EQ(paths[2 + 5 * 6], fs::path("/a/b/runtime/build/bin/libtessel_graphics.so"));
    EXPECT_EQ(paths.back(), fs::path("tessel_graphics.so"));

    const CandidateInputs bare{std::nullopt, std::string("/only/env.so"), std::nullopt, std::nullopt};
    EXPECT_EQ(runtime_library_candidate_paths_for(bare),
              (std::vector<fs::path>{"/only/env.so", "libtessel_graphics.so", "tessel_graphics.so"}));
}

TEST(GraphicsCandidates, TheCopyNextToTheExecutableWinsOverTheEnvironment) {
    TempDir dir;
    const fs::path beside = install_copy("good", dir / "exe");
    const fs::path named = install_copy("good", dir / "env");
    const CandidateInputs inputs{dir / "exe", named.string(), std::nullopt, std::nullopt};

    auto api = TesselGraphicsApi::load_first(runtime_library_candidate_paths_for(inputs));
    ASSERT_TRUE(api.ok()) << api.error();
    EXPECT_EQ(api.value().path(), fs::canonical(beside));

    const CandidateInputs without_exe{std::nullopt, named.string(), std::nullopt, std::nullopt};
    auto from_env = TesselGraphicsApi::load_first(runtime_library_candidate_paths_for(without_exe));
    ASSERT_TRUE(from_env.ok()) << from_env.error();
    EXPECT_EQ(from_env.value().path(), fs::canonical(named));
}

// ---------------------------------------------------------------------------------------------
// Loading

std::string expected_fingerprint() { return compiled_build_fingerprint().value_or(""); }

TEST(GraphicsLoading, RefusesEveryMismatchWithItsTextAndLeavesNothingOpen) {
    struct Case {
        const char* variant;
        std::string (*error)(const std::string& path);
    };
    const Case cases[] = {
        {"abi3",
         [](const std::string& p) {
             return "incompatible tessel graphics runtime " + p + ": expected ABI 4, found 3";
         }},
        {"no_abi",
         [](const std::string& p) { return "incompatible tessel graphics runtime " + p + ": missing ABI version"; }},
        {"bad_fingerprint",
         [](const std::string& p) {
             return "toolchain build fingerprint mismatch: tessel is '" + expected_fingerprint() + "' but " + p +
                    " is '0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef'";
         }},
        {"non_utf8_fingerprint",
         [](const std::string& p) {
             return "incompatible tessel graphics runtime " + p + ": build fingerprint is not UTF-8";
         }},
        {"bad_release",
         [](const std::string& p) {
             return "toolchain release mismatch: tessel is 'nightly-20261002-377' but " + p +
                    " is 'nightly-20250101-1'";
         }},
        {"empty_release",
         [](const std::string& p) { return "incompatible tessel graphics runtime " + p + ": empty release identity"; }},
    };
    for (const Case& c : cases) {
        const fs::path path = fixture_path(c.variant);
        auto api = TesselGraphicsApi::load(path);
        ASSERT_FALSE(api.ok()) << c.variant;
        EXPECT_EQ(api.error(), c.error(canonical_text(path))) << c.variant;
        EXPECT_FALSE(library_is_open(path)) << c.variant;
    }
}

TEST(GraphicsLoading, AMissingRequiredFunctionFailsTheLoad) {
    const fs::path path = fixture_path("missing_submit");
    auto api = TesselGraphicsApi::load(path);
    ASSERT_FALSE(api.ok());
    EXPECT_EQ(api.error().rfind("failed to resolve symbol tessel_gfx_submit_u8: ", 0), 0u) << api.error();
    EXPECT_FALSE(library_is_open(path));
}

TEST(GraphicsLoading, UnopenableFilesReportTheLoader) {
    TempDir dir;
    std::ofstream(dir / "not_a_library.so") << "plain text";
    for (const fs::path& path : {dir / "not_a_library.so", dir / "missing.so"}) {
        auto api = TesselGraphicsApi::load(path);
        ASSERT_FALSE(api.ok());
        EXPECT_EQ(api.error().rfind("failed to load dynamic library " + path.string() + ": ", 0), 0u) << api.error();
    }
}

TEST(GraphicsLoading, BareNamesMeanTheWorkingDirectory) {
    TempDir dir;
    install_copy("good", dir.path());
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    auto here = Library::open("libtessel_graphics.so");
    auto system = Library::open("libc.so.6");  // on the loader's path, not here
    internal::GraphicsAssetsBinding bound =
        internal::bind_graphics_assets(std::vector<fs::path>{"libtessel_graphics.so"});
    fs::current_path(previous);
    EXPECT_TRUE(here.ok()) << here.error();
    ASSERT_FALSE(system.ok());
    EXPECT_EQ(system.error().rfind("failed to load dynamic library libc.so.6: ", 0), 0u) << system.error();
    EXPECT_NE(bound.api(), nullptr) << bound.error;
}

TEST(GraphicsLoading, AcceptsItsOwnBuildWithWhiteSpaceAroundTheIdentity) {
    auto api = TesselGraphicsApi::load(fixture_path("good"));
    ASSERT_TRUE(api.ok()) << api.error();
    EXPECT_EQ(api.value().path(), fs::canonical(fixture_path("good")));
    EXPECT_NE(api.value().entries().host_get_window_placement, nullptr);

    auto minimal = TesselGraphicsApi::load(fixture_path("minimal"));
    ASSERT_TRUE(minimal.ok()) << minimal.error();
    EXPECT_EQ(minimal.value().entries().host_get_window_placement, nullptr);
    EXPECT_EQ(minimal.value().entries().gfx_set_sprite_atlas_page_size, nullptr);
}

TEST(GraphicsLoading, LoadFirstGoesOnPastFailuresAndKeepsTheLastError) {
    TempDir dir;
    const fs::path abi3 = install_copy("abi3", dir / "a");
    const fs::path release = install_copy("bad_release", dir / "b");
    const fs::path good = install_copy("good", dir / "c");

    auto api = TesselGraphicsApi::load_first(std::vector<fs::path>{dir / "none.so", abi3, good});
    ASSERT_TRUE(api.ok()) << api.error();
    EXPECT_EQ(api.value().path(), fs::canonical(good));

    auto failed = TesselGraphicsApi::load_first(std::vector<fs::path>{abi3, release, dir / "none.so"});
    ASSERT_FALSE(failed.ok());
    EXPECT_EQ(failed.error().rfind("toolchain release mismatch: ", 0), 0u) << failed.error();

    auto none = TesselGraphicsApi::load_first(std::vector<fs::path>{dir / "none.so", dir / "also_none.so"});
    ASSERT_FALSE(none.ok());
    EXPECT_EQ(none.error(),
              "failed to load tessel_graphics runtime library (set TESSEL_RUNTIME_LIBRARY_PATH or build runtime)");
}

// ---------------------------------------------------------------------------------------------
// Identity

TEST(GraphicsIdentity, CompiledFingerprintIsThisBuilds) {
    ASSERT_TRUE(compiled_build_fingerprint().has_value());
    EXPECT_EQ(*compiled_build_fingerprint(), std::string(TESSEL_BUILD_FINGERPRINT));
    EXPECT_EQ(release_identity, "nightly-20261002-377");
}

TEST(GraphicsIdentity, VerifiedFingerprintsAreSixtyFourHexDigits) {
    const std::string hex64(64, 'a');
    const struct {
        std::string text;
        bool verified;
    } cases[] = {
        {hex64, true},
        {"  " + hex64 + "\n", true},
        {std::string(32, 'F') + std::string(32, '9'), true},
        {std::string(63, 'a'), false},
        {std::string(65, 'a'), false},
        {std::string(63, 'a') + "g", false},
        {std::string(32, 'a') + " " + std::string(32, 'a'), false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(is_verified_build_fingerprint(c.text), c.verified) << c.text;
}

TEST(GraphicsIdentity, QueriesReadTheLibraryAfterTheAbiCheck) {
    const fs::path good = fixture_path("good");
    auto identity = graphics_runtime_identity(good);
    ASSERT_TRUE(identity.ok()) << identity.error();
    EXPECT_EQ(identity.value().build_fingerprint, expected_fingerprint());
    EXPECT_EQ(identity.value().release_id, "nightly-20261002-377");
    EXPECT_EQ(graphics_runtime_release_id(good).value(), "nightly-20261002-377");
    EXPECT_EQ(graphics_runtime_build_fingerprint(good).value(), expected_fingerprint());

    const fs::path abi3 = fixture_path("abi3");
    auto refused = graphics_runtime_release_id(abi3);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error(), "incompatible tessel graphics runtime " + abi3.string() + ": expected ABI 4, found 3");

    EXPECT_TRUE(verify_graphics_runtime_build_fingerprint(good, expected_fingerprint() + " \n").ok());
    const fs::path other = fixture_path("bad_fingerprint");
    Status mismatch = verify_graphics_runtime_build_fingerprint(other, expected_fingerprint());
    ASSERT_FALSE(mismatch.ok());
    EXPECT_EQ(mismatch.error().rfind("toolchain build fingerprint mismatch: tessel is '" + expected_fingerprint() +
                                         "' but " + other.string(),
                                     0),
              0u);
    EXPECT_FALSE(library_is_open(other));
    EXPECT_FALSE(library_is_open(abi3));
}

// ---------------------------------------------------------------------------------------------
// Facade operations

class GraphicsFacade : public ::testing::Test {
protected:
    void SetUp() override {
        auto full = TesselGraphicsApi::load(fixture_path("good"));
        ASSERT_TRUE(full.ok()) << full.error();
        good.emplace(std::move(full).value());
        auto bare = TesselGraphicsApi::load(fixture_path("minimal"));
        ASSERT_TRUE(bare.ok()) << bare.error();
        minimal.emplace(std::move(bare).value());
        control.emplace(fixture_path("good"));
        ASSERT_TRUE(control->loaded());
    }

    std::optional<TesselGraphicsApi> good;
    std::optional<TesselGraphicsApi> minimal;
    std::optional<FixtureControl> control;
};

TEST_F(GraphicsFacade, WindowAndAssetRoot) {
    EXPECT_TRUE(good->init_window(640, 480, "Marble Wall").value());
    EXPECT_EQ(control->text(), "Marble Wall");
    EXPECT_EQ(good->init_window(1, 1, std::string("a\0b", 3)).error(), "window title contains interior NUL byte");

    EXPECT_TRUE(good->set_asset_root("assets").ok());
    EXPECT_TRUE(good->set_asset_root(fs::path("as\xffset")).ok());
    EXPECT_EQ(control->text(), "as\xEF\xBF\xBDset");  // invalid UTF-8 replaced
    EXPECT_EQ(good->set_asset_root(fs::path(std::string("a\0b", 3))).error(),
              "asset root contains an interior NUL byte");
    control->set(KNOB_STATUS, 0);
    EXPECT_FALSE(good->init_window(640, 480, "x").value());
    EXPECT_EQ(good->set_asset_root("assets").error(), "graphics runtime rejected asset root assets");
}

TEST_F(GraphicsFacade, FramesAndSubmission) {
    std::array<int32_t, TESSEL_HOST_I32_CAPACITY> host_i32{};
    std::array<float, TESSEL_HOST_F32_CAPACITY> host_f32{};
    good->host_get_frame(host_i32, host_f32);
    EXPECT_EQ(host_i32[0], 42);
    EXPECT_EQ(host_f32[0], 1.5f);

    static std::array<int32_t, TESSEL_GFX_I32_CAPACITY> cmd_i32{};
    static std::array<float, TESSEL_GFX_F32_CAPACITY> cmd_f32{};
    static std::array<uint8_t, TESSEL_GFX_U8_CAPACITY> cmd_u8{};
    good->gfx_submit_u8(cmd_i32, cmd_f32, cmd_u8);
    minimal->gfx_submit_u8(cmd_i32, cmd_f32, cmd_u8);
    EXPECT_EQ(control->get(COUNT_SUBMIT), 1);

    EXPECT_TRUE(good->host_set_performance_metrics_enabled(true));
    EXPECT_FALSE(minimal->host_set_performance_metrics_enabled(true));
    EXPECT_FALSE(good->host_performance_metrics_enabled());
}

TEST_F(GraphicsFacade, AtlasPageSize) {
    EXPECT_TRUE(minimal->set_sprite_atlas_page_size(2048).ok());
    EXPECT_EQ(minimal->set_sprite_atlas_page_size(1024).error(),
              "graphics runtime does not support graphics.sprite_atlas_page_size");
    EXPECT_TRUE(good->set_sprite_atlas_page_size(1024).ok());
    EXPECT_EQ(good->set_sprite_atlas_page_size(100).error(),
              "graphics runtime rejected graphics.sprite_atlas_page_size");
}

TEST_F(GraphicsFacade, WindowPlacementReadsAndChecksTheLibrarysAnswer) {
    auto placement = good->window_placement();
    ASSERT_TRUE(placement.ok()) << placement.error();
    EXPECT_EQ(placement.value().window, (ScreenRect{10, 20, 640, 480}));
    EXPECT_EQ(placement.value().monitor, (ScreenRect{0, 0, 1920, 1080}));
    EXPECT_TRUE(placement.value().flag_a);
    EXPECT_FALSE(placement.value().flag_b);
    EXPECT_EQ(placement.value().scale_x, 1.0f);

    const struct {
        FixtureKnob knob;
        int32_t value;
        const char* error;
    } cases[] = {
        {KNOB_STATUS, 0, "graphics runtime could not read native window placement"},
        {FixtureKnob(KNOB_PLACEMENT_BASE + 2), 0, "graphics runtime returned invalid native window bounds"},
        {FixtureKnob(KNOB_PLACEMENT_BASE + 3), -4, "graphics runtime returned invalid native window bounds"},
        {FixtureKnob(KNOB_PLACEMENT_BASE + 7), 0, "graphics runtime returned invalid native monitor bounds"},
        {KNOB_SCALE_X_MILLI, 0, "graphics runtime returned invalid native window scale"},
        {KNOB_SCALE_Y_MILLI, -1000, "graphics runtime returned invalid native window scale"},
    };
    for (const auto& c : cases) {
        FixtureControl fresh(fixture_path("good"));  // back to the defaults
        fresh.set(c.knob, c.value);
        EXPECT_EQ(good->window_placement().error(), c.error) << c.knob;
    }
    EXPECT_EQ(minimal->window_placement().error(), "graphics runtime lacks native window placement support");
}

TEST_F(GraphicsFacade, ApplyPlacementFocusAndMonitorBounds) {
    EXPECT_EQ(good->apply_window_placement(0, 0, 0, 100, false).error(),
              "native window placement requires a positive extent");
    EXPECT_EQ(good->apply_window_placement(0, 0, 100, -1, false).error(),
              "native window placement requires a positive extent");
    EXPECT_EQ(control->get(COUNT_APPLY_PLACEMENT), 0);  // refused before any call
    EXPECT_TRUE(good->apply_window_placement(5, 6, 100, 100, true).ok());
    EXPECT_EQ(minimal->apply_window_placement(0, 0, 10, 10, false).error(),
              "graphics runtime lacks native window placement support");

    auto bounds = good->monitor_usable_bounds_at(3, 4);
    ASSERT_TRUE(bounds.ok());
    EXPECT_EQ(bounds.value(), (ScreenRect{3, 4, 1920, 1040}));
    EXPECT_EQ(minimal->monitor_usable_bounds_at(0, 0).error(), "graphics runtime lacks native monitor bounds support");
    EXPECT_TRUE(good->focus_window().ok());
    EXPECT_EQ(minimal->focus_window().error(), "graphics runtime lacks native window focus support");

    control->set(KNOB_STATUS, 0);
    EXPECT_EQ(good->apply_window_placement(5, 6, 100, 100, true).error(),
              "graphics runtime rejected native window placement");
    EXPECT_EQ(good->monitor_usable_bounds_at(0, 0).error(), "graphics runtime could not resolve native monitor bounds");
    EXPECT_EQ(good->focus_window().error(), "graphics runtime rejected native window focus request");
}

TEST_F(GraphicsFacade, FontsAndChangedFiles) {
    EXPECT_EQ(good->load_font("fonts/a.ttf", 16).value(), 31);
    EXPECT_EQ(good->load_font(std::string("a\0b", 3), 16).error(), "font path contains an interior NUL byte");
    auto host_only = TesselGraphicsApi::load(fixture_path("host_only"));
    ASSERT_TRUE(host_only.ok()) << host_only.error();
    EXPECT_EQ(host_only.value().load_font("fonts/a.ttf", 16).error(), "graphics runtime lacks font loading support");
    control->set(KNOB_FONT_HANDLE, 0);
    EXPECT_EQ(good->load_font("fonts/a.ttf", 16).error(), "graphics runtime rejected font fonts/a.ttf");

    EXPECT_TRUE(good->notify_file_changed("sprites/x.png").ok());
    EXPECT_EQ(control->text(), "sprites/x.png");
    EXPECT_TRUE(minimal->notify_file_changed("sprites/x.png").ok());
    EXPECT_EQ(good->notify_file_changed(std::string("a\0", 2)).error(),
              "changed asset path contains interior NUL byte");
}

TEST_F(GraphicsFacade, RecordingConfiguration) {
    EXPECT_TRUE(good->set_recording_config(1, 2, 3).ok());
    EXPECT_TRUE(good->set_recording_audio_config(true).ok());
    EXPECT_TRUE(good->configure_recording_audio_device_v1(48000, 256).ok());
    EXPECT_TRUE(good->set_recording_audio_device_state_v1(true, false).ok());

    EXPECT_EQ(minimal->set_recording_config(1, 2, 3).error(),
              "graphics runtime lacks typed headless recording configuration support");
    EXPECT_EQ(minimal->set_recording_audio_config(true).error(),
              "graphics runtime lacks offline recording audio configuration support");
    EXPECT_EQ(minimal->configure_recording_audio_device_v1(1, 2).error(),
              "graphics runtime lacks recording audio device simulation v1 support");
    EXPECT_EQ(minimal->set_recording_audio_device_state_v1(true, true).error(),
              "graphics runtime lacks recording audio device state v1 support");

    control->set(KNOB_STATUS, 0);
    EXPECT_EQ(good->set_recording_config(1, 2, 3).error(), "graphics runtime rejected typed recording configuration");
    EXPECT_EQ(good->set_recording_audio_config(false).error(),
              "graphics runtime rejected offline recording audio configuration");
    EXPECT_EQ(good->configure_recording_audio_device_v1(1, 2).error(),
              "graphics runtime rejected recording audio device simulation v1 config");
    EXPECT_EQ(good->set_recording_audio_device_state_v1(false, true).error(),
              "graphics runtime rejected recording audio device state v1");
}

TEST_F(GraphicsFacade, RecordingAudioFrames) {
    std::vector<float> samples(8, 9.0f);
    ASSERT_TRUE(good->pull_recording_audio_f32_interleaved(samples).ok());
    EXPECT_EQ(samples[7], 0.25f);
    ASSERT_TRUE(good->advance_recording_audio_device_f32_interleaved(samples).ok());
    EXPECT_EQ(samples[0], -0.25f);

    std::vector<float> odd(7);
    EXPECT_EQ(good->pull_recording_audio_f32_interleaved(odd).error(),
              "recording audio output must contain stereo samples");
    EXPECT_EQ(good->advance_recording_audio_device_f32_interleaved(odd).error(),
              "recording audio device output must contain stereo frames");
    EXPECT_EQ(minimal->pull_recording_audio_f32_interleaved(samples).error(),
              "graphics runtime lacks offline recording audio pull support");
    EXPECT_EQ(minimal->advance_recording_audio_device_f32_interleaved(samples).error(),
              "graphics runtime lacks recording audio device advance v1 support");

    control->set(KNOB_FRAME_SHORTFALL, 1);
    EXPECT_EQ(good->pull_recording_audio_f32_interleaved(samples).error(),
              "graphics runtime returned 3 recording audio frames, expected 4");
    EXPECT_EQ(good->advance_recording_audio_device_f32_interleaved(samples).error(),
              "graphics runtime advanced 3 virtual recording audio frames, expected 4");
}

TEST_F(GraphicsFacade, RecordingAudioHealth) {
    auto health = good->recording_audio_health_v1();
    ASSERT_TRUE(health.ok()) << health.error();
    EXPECT_EQ(health.value().counters[0], 3u);
    EXPECT_EQ(health.value().counters[10], 4u);
    EXPECT_EQ(health.value().total_frames, 48000u);
    EXPECT_EQ(minimal->recording_audio_health_v1().error(), "graphics runtime lacks recording audio health v1 support");
    for (auto [knob, value] : {std::pair{KNOB_HEALTH_VERSION, 0}, {KNOB_HEALTH_SIZE, 59}, {KNOB_STATUS, 0}}) {
        FixtureControl fresh(fixture_path("good"));
        fresh.set(knob, value);
        EXPECT_EQ(good->recording_audio_health_v1().error(),
                  "graphics runtime could not return recording audio health v1")
            << knob;
    }
}

TEST_F(GraphicsFacade, PerformanceMetricsAndSubmissionState) {
    auto metrics = good->host_get_latest_performance_metrics_v1();
    ASSERT_TRUE(metrics.ok()) << metrics.error();
    ASSERT_TRUE(metrics.value().has_value());
    EXPECT_EQ(metrics.value()->counters[0], 60u);
    EXPECT_EQ(metrics.value()->counters[1], 0xFFFFFFFFu);  // untouched fields keep the request's values
    EXPECT_EQ(metrics.value()->frame_index, 9u);
    auto absent = minimal->host_get_latest_performance_metrics_v1();
    ASSERT_TRUE(absent.ok());
    EXPECT_FALSE(absent.value().has_value());

    control->set(KNOB_METRICS_SIZE, 95);
    EXPECT_EQ(good->host_get_latest_performance_metrics_v1().error(),
              "runtime returned performance metrics size 95 (expected at least 96)");
    control->set(KNOB_METRICS_SIZE, 96);
    control->set(KNOB_METRICS_VERSION, 2);
    EXPECT_EQ(good->host_get_latest_performance_metrics_v1().error(),
              "runtime returned performance metrics version 2 (expected 1)");

    EXPECT_EQ(good->test_render_submission_state(), (std::array<int32_t, 5>{1, 2, 3, 4, 5}));
    EXPECT_FALSE(minimal->test_render_submission_state().has_value());
    control->set(KNOB_STATUS, 0);
    EXPECT_EQ(good->host_get_latest_performance_metrics_v1().error(),
              "runtime rejected the v1 performance metrics snapshot request");
    EXPECT_FALSE(good->test_render_submission_state().has_value());
}

}  // namespace
}  // namespace tessel::testing
