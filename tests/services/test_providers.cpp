// Service forwarding: defaults without providers, the library binding, the audio host table, the
// embedded graphics host, sprite records, the clipboard, evidence mode, and the provider-free
// services (time, sine and cosine, printing, unsupported families).
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "services_support.hpp"

namespace tessel::testing {
namespace {

/** A registered i32 array of capacity 16 whose elements start at -1. */
struct IntArray {
    explicit IntArray(std::string_view path) : name(name_hash(path)) {
        values.fill(-1);
        tessel_jit_register_global_i32_array(name, 0, values.data(), static_cast<int32_t>(values.size()));
    }
    int32_t name;
    std::array<int32_t, 16> values{};
};

/** A text record {font, handle, width, height} in scalar form at path, as the text runs fill it. */
struct TextRecord {
    TextRecord(std::string_view path, int32_t initial_handle) : name(name_hash(path)), handle(initial_handle) {
        tessel_jit_register_global_i32_ptr(name_hash_extend(name, ".font"), &font);
        tessel_jit_register_global_i32_ptr(name_hash_extend(name, ".handle"), &handle);
        tessel_jit_register_global_f32_ptr(name_hash_extend(name, ".width"), &width);
        tessel_jit_register_global_f32_ptr(name_hash_extend(name, ".height"), &height);
    }
    /** Replaces the record's cached text through the text run helper; its result. */
    int32_t replace(int32_t new_font, int32_t text) {
        return tessel_jit_text_run_replace_from(name, -1, 0, new_font, text);
    }
    int32_t name;
    int32_t font = 0;
    int32_t handle = 0;
    float width = 0.0f;
    float height = 0.0f;
};

/** A registered text buffer holding bytes (an i32 array with ".length" and ".max_length"). */
struct TextBuffer {
    TextBuffer(std::string_view path, std::vector<int32_t> bytes) : name(name_hash(path)), elements(std::move(bytes)) {
        length = static_cast<int32_t>(elements.size());
        max_length = length;
        tessel_jit_register_global_i32_array(name, 0, elements.data(), static_cast<int32_t>(elements.size()));
        tessel_jit_register_global_i32_ptr(name_hash_extend(name, ".length"), &length);
        tessel_jit_register_global_i32_ptr(name_hash_extend(name, ".max_length"), &max_length);
    }
    int32_t name;
    std::vector<int32_t> elements;
    int32_t length = 0;
    int32_t max_length = 0;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// ---------------------------------------------------------------------------------------------
// No provider

using ProvidersTest = ServicesTest;

TEST_F(ProvidersTest, WithoutAnyProviderEveryServiceAnswersItsDefault) {
    const int32_t path = literal("sprites/marble.png");
    const int32_t text = literal("Marble");
    const int32_t url = literal("https://example.com/");
    IntArray dest("svc.dest");
    const struct {
        const char* name;
        std::function<int32_t()> call;
        int32_t expected;
    } cases[] = {
        {"gfx_load_sprite", [&] { return tessel_jit_gfx_load_sprite(path, 4, 4); }, 0},
        {"asset_request_sprite", [&] { return tessel_jit_asset_request_sprite(path, 4, 4); }, 0},
        {"asset_request_audio", [&] { return tessel_jit_asset_request_audio(path); }, 0},
        {"asset_task_poll", [] { return tessel_jit_asset_task_poll(3); }, 0},
        {"asset_task_take_handle", [] { return tessel_jit_asset_task_take_handle(3); }, 0},
        {"load_font", [&] { return tessel_jit_load_font(path, 16); }, 0},
        {"font_status 7", [] { return tessel_jit_font_status(7); }, 4},
        {"font_status 0", [] { return tessel_jit_font_status(0); }, 0},
        {"gfx_cache_text", [&] { return tessel_jit_gfx_cache_text(1, text); }, 0},
        {"gfx_poll_reload", [] { return tessel_jit_gfx_poll_reload(101); }, 0},
        {"gfx_dump_bmp", [&] { return tessel_jit_gfx_dump_bmp(path); }, 0},
        {"gfx_dump_png", [&] { return tessel_jit_gfx_dump_png(path); }, 0},
        {"clipboard_load_ascii", [&] { return tessel_jit_clipboard_load_ascii(dest.name, 16); }, -1},
        {"clipboard_save_ascii", [&] { return tessel_jit_clipboard_save_ascii(text, 6); }, 0},
        {"open_external_url", [&] { return tessel_jit_open_external_url(url); }, 0},
        {"audio_init", [] { return tessel_jit_audio_init(1, 2, 3); }, 0},
        {"audio_is_available", [] { return tessel_jit_audio_is_available(); }, 0},
        {"audio_get_sample_rate", [] { return tessel_jit_audio_get_sample_rate(); }, 0},
        {"audio_get_channels", [] { return tessel_jit_audio_get_channels(); }, 0},
        {"audio_get_queued_frames", [] { return tessel_jit_audio_get_queued_frames(); }, 0},
        {"audio_get_underruns", [] { return tessel_jit_audio_get_underruns(); }, 0},
        {"audio_push", [&] { return tessel_jit_audio_push_f32_interleaved(dest.name, 4); }, 0},
        {"audio_load_wav", [&] { return tessel_jit_audio_load_wav(path); }, 0},
        {"audio_load_music", [&] { return tessel_jit_audio_load_music(path); }, 0},
        {"audio_load_effect", [&] { return tessel_jit_audio_load_effect(path); }, 0},
        {"audio_play", [] { return tessel_jit_audio_play(1, 0, 1.0f, 0.0f); }, 0},
        {"audio_voice_is_playing", [] { return tessel_jit_audio_voice_is_playing(1); }, 0},
        {"audio_play_music", [] { return tessel_jit_audio_play_music(1, 0, 1.0f); }, 0},
        {"audio_play_effect", [] { return tessel_jit_audio_play_effect(1, 1.0f); }, 0},
    };
    ::testing::internal::CaptureStderr();
    for (const auto& c : cases) EXPECT_EQ(c.call(), c.expected) << c.name;
    ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(tessel_jit_measure_text(1, text), 0.0f);
    EXPECT_EQ(tessel_jit_gfx_measure_text_cached(3), 0.0f);
    EXPECT_EQ(tessel_jit_gfx_measure_text_cached_height(3), 0.0f);
    EXPECT_EQ(dest.values[0], -1);  // nothing stored

    // Services without a result simply return.
    tessel_jit_gfx_release_sprite(3);
    tessel_jit_gfx_release_font(3);
    tessel_jit_asset_task_cancel(3);
    tessel_jit_audio_shutdown();
    tessel_jit_audio_release(1);
    tessel_jit_audio_stop(1);
    tessel_jit_audio_voice_set_paused(1, 1);
    tessel_jit_audio_voice_set_volume_pan(1, 0.5f, 0.0f);
    tessel_jit_audio_stop_music(1);
    tessel_jit_audio_pause_music(1, 1);
    tessel_jit_audio_set_music_volume(1, 0.5f);

    const std::string error = "failed to load tessel_graphics runtime library for asset calls";
    EXPECT_EQ(schedule_runtime_screenshot("shot.png").error(), error);
    EXPECT_EQ(focus_runtime_game_window().error(), error);
}

TEST_F(ProvidersTest, SpriteLoadFailuresAreReportedOnStandardError) {
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tessel_jit_gfx_load_sprite(12345, 4, 4), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "gfx_load_sprite failed: unknown string handle 12345\n");

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tessel_jit_gfx_load_sprite(literal("a.png"), 4, 4), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(),
              "gfx_load_sprite failed: failed to load tessel_graphics runtime library for asset calls\n");

    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    fixture.set(KNOB_SPRITE_HANDLE, 0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tessel_jit_gfx_load_sprite(literal("b.png"), 4, 4), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "gfx_load_sprite failed for b.png\n");
}

// ---------------------------------------------------------------------------------------------
// The library binding

TEST_F(ProvidersTest, BindingOpensTheFirstCandidateWithTheRightAbi) {
    TempDir dir;
    fs::copy_file(fixture_path("bad_fingerprint"), dir / "other_build.so");
    const std::vector<fs::path> candidates{dir / "none.so", fixture_path("abi3"), dir / "other_build.so"};
    internal::GraphicsAssetsBinding bound = internal::bind_graphics_assets(candidates);
    ASSERT_NE(bound.api(), nullptr) << bound.error;  // no fingerprint check for services
    EXPECT_NE(bound.api()->clipboard_load_ascii, nullptr);
    EXPECT_NE(bound.api()->audio_play, nullptr);
    EXPECT_FALSE(library_is_open(fixture_path("abi3")));

    const fs::path missing = fixture_path("missing_load_sprite");
    internal::GraphicsAssetsBinding failed = internal::bind_graphics_assets(std::vector<fs::path>{missing});
    EXPECT_EQ(failed.api(), nullptr);
    EXPECT_EQ(failed.error.rfind("failed to resolve symbol tessel_gfx_load_sprite: ", 0), 0u) << failed.error;
    EXPECT_FALSE(library_is_open(missing));

    internal::GraphicsAssetsBinding wrong_abi =
        internal::bind_graphics_assets(std::vector<fs::path>{fixture_path("abi3")});
    EXPECT_EQ(wrong_abi.error,
              "incompatible tessel graphics runtime " + fixture_path("abi3").string() + ": expected ABI 4, found 3");

    internal::GraphicsAssetsBinding minimal =
        internal::bind_graphics_assets(std::vector<fs::path>{fixture_path("minimal")});
    ASSERT_NE(minimal.api(), nullptr);
    EXPECT_EQ(minimal.api()->clipboard_load_ascii, nullptr);
    EXPECT_EQ(minimal.api()->audio_play, nullptr);
}

TEST_F(ProvidersTest, ServicesForwardToTheBoundLibrary) {
    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    ASSERT_TRUE(fixture.loaded());
    const int32_t path = literal("sprites/marble.png");

    EXPECT_EQ(tessel_jit_gfx_load_sprite(path, 4, 4), 7);
    EXPECT_EQ(fixture.text(), "sprites/marble.png");
    EXPECT_EQ(fixture.get(COUNT_POLICY), 1);  // the policy precedes every load
    EXPECT_EQ(fixture.get(LAST_POLICY_PRESENT), 0);
    EXPECT_EQ(tessel_jit_asset_request_sprite(path, 4, 4), 12);
    EXPECT_EQ(fixture.get(COUNT_REQUEST_WITH_POLICY), 1);
    EXPECT_EQ(fixture.get(COUNT_REQUEST_PLAIN), 0);
    EXPECT_EQ(tessel_jit_asset_request_audio(path), 13);
    EXPECT_EQ(tessel_jit_asset_task_poll(12), TESSEL_ASSET_TASK_READY);
    EXPECT_EQ(tessel_jit_asset_task_take_handle(12), 120);

    EXPECT_EQ(tessel_jit_load_font(literal("fonts/ui.ttf"), 16), 31);
    EXPECT_EQ(tessel_jit_font_status(5), 9);
    EXPECT_EQ(tessel_jit_measure_text(1, literal("abc")), 24.0f);
    EXPECT_EQ(tessel_jit_gfx_cache_text(3, literal("Menu")), 503);
    EXPECT_EQ(tessel_gfx_cache_text(4, literal("Menu")), 504);
    EXPECT_EQ(tessel_jit_gfx_measure_text_cached(503), 503.5f);
    EXPECT_EQ(tessel_gfx_measure_text_cached_height(503), 503.25f);
    EXPECT_EQ(tessel_jit_gfx_poll_reload(7), 1);
    EXPECT_EQ(tessel_gfx_poll_reload(8), 0);
    EXPECT_EQ(tessel_jit_gfx_dump_bmp(literal("frame.bmp")), 1);
    EXPECT_EQ(tessel_jit_gfx_dump_png(literal("frame.png")), 2);
    EXPECT_EQ(fixture.text(), "frame.png");

    EXPECT_EQ(tessel_jit_audio_init(1, 2, 3), 6);
    EXPECT_EQ(tessel_jit_audio_get_sample_rate(), 48000);
    EXPECT_EQ(tessel_jit_audio_load_wav(literal("sounds/glass.wav")), 41);
    EXPECT_EQ(fixture.text(), "sounds/glass.wav");
    EXPECT_EQ(tessel_jit_audio_play(41, 1, 0.5f, -0.5f), 55);
    EXPECT_EQ(tessel_jit_audio_voice_is_playing(55), 1);
    EXPECT_EQ(tessel_jit_audio_play_music(42, 0, 1.0f), 43);
    EXPECT_EQ(tessel_jit_audio_play_effect(43, 1.0f), 45);

    // Text ids that do not resolve, or hold a zero byte where a C string is needed, fail quietly.
    TextBuffer with_nul("svc.nul", {'a', 0, 'b'});
    EXPECT_EQ(tessel_jit_load_font(with_nul.name, 16), 0);
    EXPECT_EQ(tessel_jit_audio_load_wav(with_nul.name), 0);
    EXPECT_EQ(tessel_jit_gfx_cache_text(1, with_nul.name), 0);
    TextBuffer not_utf8("svc.bad", {0xC3, 0x28});
    EXPECT_EQ(tessel_jit_gfx_cache_text(1, not_utf8.name), 0);
    EXPECT_EQ(tessel_jit_measure_text(1, 999), 0.0f);
}

TEST_F(ProvidersTest, HostRequestsThroughTheBinding) {
    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    EXPECT_TRUE(schedule_runtime_screenshot("shots/a.png").ok());
    EXPECT_EQ(fixture.text(), "shots/a.png");
    EXPECT_EQ(schedule_runtime_screenshot(std::string("a\0b", 3)).error(),
              "screenshot path contains an interior NUL byte");
    EXPECT_TRUE(focus_runtime_game_window().value());
    fixture.set(KNOB_FOCUS_GAME, 1);
    EXPECT_FALSE(focus_runtime_game_window().value());
    fixture.set(KNOB_FOCUS_GAME, 3);
    EXPECT_EQ(focus_runtime_game_window().error(), "graphics runtime rejected the game-window focus request");
    fixture.set(KNOB_STATUS, 0);
    EXPECT_EQ(schedule_runtime_screenshot("shots/a.png").error(), "graphics runtime rejected the screenshot path");

    bind_services_to(fixture_path("minimal"));
    EXPECT_EQ(schedule_runtime_screenshot("a.png").error(),
              "the loaded graphics runtime does not support dynamic screenshots");
    EXPECT_EQ(focus_runtime_game_window().error(),
              "the loaded graphics runtime does not support game-window focus requests");
    EXPECT_EQ(tessel_jit_asset_request_sprite(literal("a.png"), 1, 1), 0);  // optional entries absent
    EXPECT_EQ(tessel_jit_font_status(3), 4);
}

// ---------------------------------------------------------------------------------------------
// Audio host table

int32_t host_play(int32_t, int32_t, float, float) { return 77; }
int32_t host_load_wav(int32_t path) { return path; }
int32_t host_channels() { return 2; }
const float* pushed = nullptr;
int32_t host_push(const float* samples, int32_t frames) {
    pushed = samples;
    return frames;
}

TEST_F(ProvidersTest, TheAudioHostTableComesBeforeTheLibrary) {
    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    TesselAudioHostApi table{};
    table.play = &host_play;
    table.load_wav = &host_load_wav;
    install_audio_host_api(table);

    EXPECT_EQ(tessel_jit_audio_play(1, 0, 1.0f, 0.0f), 77);
    const int32_t path = literal("sounds/a.wav");
    EXPECT_EQ(tessel_jit_audio_load_wav(path), path);  // the host gets the text id
    EXPECT_EQ(tessel_jit_audio_load_music(path), 42);  // absent entry: the library's
    EXPECT_EQ(tessel_jit_audio_voice_is_playing(55), 1);
    ASSERT_TRUE(current_audio_host_api().has_value());
    EXPECT_EQ(current_audio_host_api()->play, &host_play);

    // Pushing belongs to the table alone once one is installed.
    std::array<float, 8> samples{0.5f, 0, 0, 0, 0, 0, 0, 0};
    const int32_t source = name_hash("svc.samples");
    tessel_jit_register_global_f32_array(source, 0, samples.data(), static_cast<int32_t>(samples.size()));
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 4), 0);
    EXPECT_EQ(fixture.get(COUNT_PUSH), 0);
    table.get_channels = &host_channels;
    table.push_f32_interleaved = &host_push;
    install_audio_host_api(table);
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 4), 4);
    EXPECT_EQ(pushed, samples.data());  // straight from module state
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 0), 0);

    install_audio_host_api(std::nullopt);
    EXPECT_EQ(tessel_jit_audio_play(1, 0, 1.0f, 0.0f), 55);
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 4), 4);
    EXPECT_EQ(fixture.get(LAST_PUSH_FIRST_SAMPLE_MILLI), 500);
    fixture.set(KNOB_CHANNELS, 0);
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 4), 0);
    fixture.set(KNOB_CHANNELS, 3);
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 3), 0);  // 9 samples: the array holds 8
    fixture.set(KNOB_CHANNELS, 1 << 20);
    EXPECT_EQ(tessel_jit_audio_push_f32_interleaved(source, 1 << 12), 0);  // does not fit in i32
    EXPECT_EQ(fixture.get(COUNT_PUSH), 1);
}

TEST_F(ProvidersTest, TheAudioTableCanBeReplacedWhileOtherThreadsPlay) {
    bind_services_to(fixture_path("good"));
    set_jit_output_capture(true);
    std::atomic<bool> stop{false};
    std::vector<std::thread> players;
    for (int t = 0; t < 3; ++t) {
        players.emplace_back([&] {
            while (!stop.load()) {
                const int32_t voice = tessel_jit_audio_play(1, 0, 1.0f, 0.0f);
                EXPECT_TRUE(voice == 55 || voice == 77) << voice;
                tessel_jit_print_i32(1);
            }
        });
    }
    TesselAudioHostApi table{};
    table.play = &host_play;
    for (int i = 0; i < 2000; ++i) install_audio_host_api(i % 2 == 0 ? std::optional(table) : std::nullopt);
    stop = true;
    for (std::thread& player : players) player.join();
    EXPECT_EQ(drain_jit_output().find_first_not_of('1'), std::string::npos);
    set_jit_output_capture(false);
}

// ---------------------------------------------------------------------------------------------
// Embedded graphics host

struct EmbeddedLog {
    std::string last_text;
    int32_t next_sprite = 900;
    std::vector<int32_t> released;
    int32_t measures = 0;
};
thread_local EmbeddedLog embedded_log;

TesselEmbeddedGraphicsHost recording_host() {
    TesselEmbeddedGraphicsHost host{};
    host.load_sprite = [](const uint8_t* path, int32_t length, int32_t, int32_t) {
        embedded_log.last_text.assign(reinterpret_cast<const char*>(path), static_cast<std::size_t>(length));
        return embedded_log.next_sprite++;
    };
    host.release_sprite = [](int32_t sprite) { embedded_log.released.push_back(sprite); };
    host.measure_text = [](int32_t, const uint8_t* text, int32_t length) {
        embedded_log.last_text.assign(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
        ++embedded_log.measures;
        return 2.0f * static_cast<float>(length);
    };
    host.cache_text = [](int32_t font, const uint8_t*, int32_t length) { return font * 100 + length; };
    host.replace_text = [](int32_t old_id, int32_t, const uint8_t*, int32_t length) { return old_id + length; };
    return host;
}

TEST_F(ProvidersTest, TheEmbeddedHostComesBeforeTheLibraryOnItsThread) {
    bind_services_to(fixture_path("good"));
    embedded_log = {};
    set_embedded_graphics_host(recording_host());
    EXPECT_TRUE(embedded_graphics_host_is_set());

    const int32_t path = literal("sprites/a.png");
    EXPECT_EQ(tessel_jit_gfx_load_sprite(path, 4, 4), 900);
    EXPECT_EQ(embedded_log.last_text, "sprites/a.png");
    EXPECT_EQ(tessel_jit_gfx_cache_text(3, literal("Menu")), 304);
    TextRecord run("svc.run", 10);
    EXPECT_EQ(run.replace(3, literal("abc")), 1);
    EXPECT_EQ(run.handle, 13);                // the text runs reach the embedded host too
    EXPECT_EQ(tessel_jit_font_status(3), 4);  // absent entry: the default, not the library's 9
    EXPECT_EQ(tessel_jit_gfx_poll_reload(7), 0);

    int32_t from_other_thread = -1;
    std::thread([&] { from_other_thread = tessel_jit_gfx_load_sprite(path, 4, 4); }).join();
    EXPECT_EQ(from_other_thread, 7);  // the library's handle: the host belongs to this thread

    TesselEmbeddedGraphicsHost without_sprites = recording_host();
    without_sprites.load_sprite = nullptr;
    set_embedded_graphics_host(without_sprites);
    EXPECT_FALSE(embedded_graphics_host_is_set());
    set_embedded_graphics_host(std::nullopt);
    EXPECT_FALSE(embedded_graphics_host_is_set());
}

TEST_F(ProvidersTest, EmbeddedMeasuringReadsBuffersAndLiterals) {
    bind_services_to(fixture_path("good"));
    embedded_log = {};
    set_embedded_graphics_host(recording_host());

    TextBuffer buffer("svc.label", {'W', 'a', 'l', 'l'});
    EXPECT_EQ(tessel_jit_measure_text(1, buffer.name), 8.0f);
    EXPECT_EQ(embedded_log.last_text, "Wall");
    buffer.length = 2;
    EXPECT_EQ(tessel_jit_measure_text(1, buffer.name), 4.0f);
    buffer.length = 0;
    EXPECT_EQ(tessel_jit_measure_text(1, buffer.name), 0.0f);
    EXPECT_EQ(embedded_log.last_text, "");
    EXPECT_EQ(tessel_jit_measure_text(1, literal("a longer literal than eight bytes")), 66.0f);
    EXPECT_EQ(embedded_log.measures, 4);

    // An element above 255 abandons the embedded path; the library then gets the C string.
    TextBuffer wide("svc.wide", {'a', 300});
    FixtureControl fixture(fixture_path("good"));
    EXPECT_EQ(tessel_jit_measure_text(1, wide.name), 0.0f);
    EXPECT_EQ(embedded_log.measures, 4);
    const int32_t both = literal("xy");
    TextBuffer shadow("xy", {'a', 300});  // same id as the literal: jit text falls back to it
    EXPECT_EQ(tessel_jit_measure_text(1, both), 16.0f);
    EXPECT_EQ(fixture.get(COUNT_MEASURE), 1);
    EXPECT_EQ(embedded_log.measures, 4);
}

// ---------------------------------------------------------------------------------------------
// Sprite records

TEST_F(ProvidersTest, SpriteLoadFromFillsRecordsAndReleasesWhatTheyHeld) {
    embedded_log = {};
    set_embedded_graphics_host(recording_host());
    const int32_t path = literal("sprites/part.png");

    int32_t scalar_ref = 0, scalar_w = 0, scalar_h = 0;
    const int32_t scalar = name_hash("svc.icon");
    tessel_jit_register_global_i32_ptr(name_hash_extend(scalar, ".sprite_ref"), &scalar_ref);
    tessel_jit_register_global_i32_ptr(name_hash_extend(scalar, ".width"), &scalar_w);
    tessel_jit_register_global_i32_ptr(name_hash_extend(scalar, ".height"), &scalar_h);

    EXPECT_EQ(tessel_jit_sprite_load_from(scalar, -1, 0, path, 0, 8), 0);  // w = 0 loads nothing
    EXPECT_EQ(embedded_log.next_sprite, 900);
    EXPECT_EQ(tessel_jit_sprite_load_from(scalar, -1, 0, path, 16, 8), 1);
    EXPECT_EQ((std::array{scalar_ref, scalar_w, scalar_h}), (std::array{900, 16, 8}));
    EXPECT_TRUE(embedded_log.released.empty());
    EXPECT_EQ(tessel_jit_sprite_load_from(scalar, -1, 0, path, 32, 32), 1);
    EXPECT_EQ(scalar_ref, 901);
    EXPECT_EQ(embedded_log.released, std::vector<int32_t>{900});

    std::array<int32_t, 3> refs{0, 0, 0}, widths{}, heights{};
    const int32_t records = name_hash("svc.sheet");
    tessel_jit_register_global_i32_array(records, name_hash("sprite_ref"), refs.data(), 3);
    tessel_jit_register_global_i32_array(records, name_hash("width"), widths.data(), 3);
    tessel_jit_register_global_i32_array(records, name_hash("height"), heights.data(), 3);
    EXPECT_EQ(tessel_jit_sprite_load_from(records, 3, 3, path, 4, 4), 0);  // index = count
    EXPECT_EQ(embedded_log.next_sprite, 902);
    EXPECT_EQ(tessel_jit_sprite_load_from(records, 2, 3, path, 4, 5), 1);
    EXPECT_EQ((std::array{refs[2], widths[2], heights[2]}), (std::array{902, 4, 5}));
    refs[1] = 77;
    EXPECT_EQ(tessel_jit_sprite_load_from(records, 1, 3, path, 6, 6), 1);
    EXPECT_EQ(refs[1], 903);
    EXPECT_EQ(embedded_log.released, (std::vector<int32_t>{900, 77}));
}

// ---------------------------------------------------------------------------------------------
// Clipboard

TEST_F(ProvidersTest, ClipboardCarriesPrintableAsciiOnly) {
    bind_services_to(fixture_path("good"));
    FixtureControl fixture(fixture_path("good"));
    const struct {
        std::string clipboard;
        int32_t capacity;
        int32_t forced_count;
        int32_t expected;
    } cases[] = {
        {"MW2ABC", 16, 0, 6},   {std::string(16, 'x'), 16, 0, 16},  // exactly the capacity
        {"", 16, 0, 0},         {"MW2\tABC", 16, 0, -1},
        {"MW2\x7F", 16, 0, -1}, {"MW2\xC3\xA9", 16, 0, -1},
        {"MW2", 16, 17, -1},  // a count above the capacity
        {"MW2", 16, -1, -1},    {"MW2", 0, 0, -1},
    };
    for (const auto& c : cases) {
        IntArray dest("svc.clip");
        fixture.set_clipboard(c.clipboard);
        fixture.set(KNOB_CLIPBOARD_COUNT, c.forced_count);
        EXPECT_EQ(tessel_jit_clipboard_load_ascii(dest.name, c.capacity), c.expected) << c.clipboard;
        for (int32_t i = 0; i < 16; ++i) {
            const int32_t want = i < c.expected ? static_cast<uint8_t>(c.clipboard[static_cast<std::size_t>(i)]) : -1;
            EXPECT_EQ(dest.values[static_cast<std::size_t>(i)], want) << c.clipboard << " element " << i;
        }
        clear_registered_global_memory();
    }

    const int32_t code = literal("MW2ABC\t");
    EXPECT_EQ(tessel_jit_clipboard_save_ascii(code, 3), 1);
    EXPECT_EQ(fixture.text(), "MW2");
    EXPECT_EQ(tessel_jit_clipboard_save_ascii(code, 7), 0);  // the tab
    EXPECT_EQ(tessel_jit_clipboard_save_ascii(code, 8), 0);  // longer than the text
    EXPECT_EQ(tessel_jit_clipboard_save_ascii(code, -1), 0);
    EXPECT_EQ(tessel_jit_clipboard_save_ascii(4242, 0), 0);  // no such text
}

// ---------------------------------------------------------------------------------------------
// Evidence mode

TEST_F(ProvidersTest, EvidenceModeRecordsOneLinePerCallInsteadOfReachingAProvider) {
    TempDir dir;
    const fs::path file = dir / "evidence.tsv";
    ScopedEnv evidence("TESSEL_ASSET_EXTERN_SEAM_EVIDENCE", file.string());
    embedded_log = {};
    set_embedded_graphics_host(recording_host());  // never reached
    const int32_t path = literal("a.png");
    const int32_t text = literal("hi");

    EXPECT_EQ(tessel_jit_font_status(5), 3);
    EXPECT_EQ(tessel_jit_font_status(0), 0);
    EXPECT_EQ(tessel_jit_gfx_poll_reload(101), 1);
    EXPECT_EQ(tessel_jit_gfx_poll_reload(5), 0);
    EXPECT_EQ(tessel_jit_gfx_load_sprite(path, 4, -2), 101);
    EXPECT_EQ(tessel_jit_load_font(path, 12), 202);
    EXPECT_EQ(tessel_jit_measure_text(3, text), 18.75f);
    EXPECT_EQ(tessel_jit_gfx_cache_text(3, text), 303);
    EXPECT_EQ(tessel_jit_gfx_measure_text_cached(9), 44.5f);
    EXPECT_EQ(tessel_jit_gfx_measure_text_cached_height(9), 12.25f);
    EXPECT_EQ(tessel_jit_gfx_dump_bmp(path), 11);
    EXPECT_EQ(tessel_jit_gfx_dump_png(path), 12);
    TextRecord run("svc.run", 4);
    EXPECT_EQ(run.replace(3, text), 1);
    EXPECT_EQ(run.handle, 404);
    EXPECT_EQ(run.width, 44.5f);
    TextBuffer broken("svc.broken", {0xFF});
    EXPECT_EQ(run.replace(3, broken.name), 0);
    EXPECT_EQ(embedded_log.next_sprite, 900);

    const std::string p = "\t612e706e67";  // "a.png"
    EXPECT_EQ(read_file(file),
              "tessel.asset_extern.v1\tfont_status\t5\t3\n"
              "tessel.asset_extern.v1\tfont_status\t0\t0\n"
              "tessel.asset_extern.v1\tpoll_reload\t101\t1\n"
              "tessel.asset_extern.v1\tpoll_reload\t5\t0\n"
              "tessel.asset_extern.v1\tload_sprite" +
                  p +
                  "\t4\t-2\t101\n"
                  "tessel.asset_extern.v1\tload_font" +
                  p +
                  "\t12\t202\n"
                  "tessel.asset_extern.v1\tmeasure_text\t3\t6869\t18.75\n"
                  "tessel.asset_extern.v1\tcache_text\t3\t6869\t303\n"
                  "tessel.asset_extern.v1\tmeasure_text_cached\t9\t44.5\n"
                  "tessel.asset_extern.v1\tmeasure_text_cached_height\t9\t12.25\n"
                  "tessel.asset_extern.v1\tdump_bmp" +
                  p +
                  "\t11\n"
                  "tessel.asset_extern.v1\tdump_png" +
                  p +
                  "\t12\n"
                  "tessel.asset_extern.v1\treplace_text\t4\t3\t6869\t404\n"
                  "tessel.asset_extern.v1\tmeasure_text_cached\t404\t44.5\n"
                  "tessel.asset_extern.v1\tmeasure_text_cached_height\t404\t12.25\n"
                  "tessel.asset_extern.v1\treplace_text\t404\t3\tff\t0\n");
}

TEST_F(ProvidersTest, AnUnwritableEvidenceFileYieldsZeroAndOneLineOnStandardError) {
    TempDir dir;
    const fs::path file = dir / "missing_dir" / "evidence.tsv";
    ScopedEnv evidence("TESSEL_ASSET_EXTERN_SEAM_EVIDENCE", file.string());
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(tessel_jit_font_status(5), 0);
    EXPECT_EQ(tessel_jit_measure_text(1, literal("x")), 0.0f);
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "asset extern seam recorder failed to open " + file.string() +
                                                            ": No such file or directory\n"
                                                            "asset extern seam recorder failed to open " +
                                                            file.string() + ": No such file or directory\n");
}

// ---------------------------------------------------------------------------------------------
// Provider-free services

TEST_F(ProvidersTest, TimeFollowsTheRecordingClock) {
    set_recording_clock(60, 120);
    EXPECT_EQ(tessel_get_time_ms(), 2000);
    EXPECT_EQ(tessel_get_time_us(), 2000000);
    set_recording_clock_frame(0);
    EXPECT_EQ(tessel_get_time_ms(), 0);
    EXPECT_EQ(tessel_get_time_us(), 0);
    set_recording_clock_frame(61);
    EXPECT_EQ(tessel_get_time_ms(), 1016);
    set_recording_clock(60, 1u << 30);
    EXPECT_EQ(tessel_get_time_us(), 2147483647);  // capped
    EXPECT_EQ(tessel_get_time_ms(), 2147483647);
    set_recording_clock(1, ~uint64_t{0});  // the product overflows 64 bits
    EXPECT_EQ(tessel_get_time_ms(), 2147483647);
    clear_recording_clock();

    const auto wall_ms = [] {
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch());
        return static_cast<uint32_t>(static_cast<uint64_t>(ms.count()));
    };
    const uint32_t before = wall_ms();
    const auto during = static_cast<uint32_t>(tessel_get_time_ms());
    const uint32_t after = wall_ms();
    EXPECT_LE(during - before, after - before);  // modular: truncation to 32 bits wraps
}

TEST_F(ProvidersTest, FastSineAndCosineAreTheSinglePrecisionLibraryFunctions) {
    for (float x : {0.0f, 0.5f, -1.25f, 3.14159265f, 100.0f, 1e-8f}) {
        EXPECT_EQ(tessel_jit_sin_fast(x), std::sin(x)) << x;
        EXPECT_EQ(tessel_jit_cos_fast(x), std::cos(x)) << x;
    }
    EXPECT_TRUE(std::isnan(tessel_jit_sin_fast(std::numeric_limits<float>::infinity())));
}

TEST_F(ProvidersTest, PrintingGoesToTheCaptureOrStandardOutput) {
    set_jit_output_capture(true);
    tessel_jit_print_i32(-5);
    tessel_jit_print_string(literal("marbles"));
    EXPECT_EQ(drain_jit_output(), "-5marbles");
    EXPECT_EQ(drain_jit_output(), "");

    TextBuffer broken("svc.print", {'a', 0xFF, 'b'});
    tessel_jit_print_string(broken.name);
    tessel_jit_print_string(31337);  // names nothing: writes nothing
    EXPECT_EQ(drain_jit_output(),
              "a\xEF\xBF\xBD"
              "b");
    set_jit_output_capture(false);
    EXPECT_EQ(drain_jit_output(), "");

    ::testing::internal::CaptureStdout();
    tessel_jit_print_i32(2147483647);
    tessel_jit_print_string(literal(" ok"));
    tessel_jit_sleep_ms(100000);  // returns at once
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "2147483647 ok");
}

TEST_F(ProvidersTest, UnsupportedFamiliesCheckTheirArguments) {
    std::array<int32_t, 8> a{}, b{}, c{}, d{}, e{}, f{};
    const int32_t names[6] = {name_hash("rt.a"), name_hash("rt.b"), name_hash("rt.c"),
                              name_hash("rt.d"), name_hash("rt.e"), name_hash("rt.f")};
    std::array<int32_t, 8>* arrays[6] = {&a, &b, &c, &d, &e, &f};
    for (int i = 0; i < 6; ++i) tessel_jit_register_global_i32_array(names[i], 0, arrays[i]->data(), i == 5 ? 2 : 8);
    const int32_t missing = name_hash("rt.missing");

    const struct {
        const char* name;
        int32_t result;
        int32_t expected;
    } cases[] = {
        {"network_supported", tessel_jit_network_supported(), 0},
        {"network_host_status", tessel_jit_network_host_status(), 0},
        {"network_host_port", tessel_jit_network_host_port(), 0},
        {"network_host_random_seed", tessel_jit_network_host_random_seed(), 0},
        {"network_host_overflow_count", tessel_jit_network_host_overflow_count(), 0},
        {"offline_web_network_supported", tessel_jit_offline_web_network_supported(), 0},
        {"offline_web_network_last_sequence", tessel_jit_offline_web_network_last_sequence(), 0},
        {"host_start 1", tessel_jit_network_host_start(80, 1), -4},
        {"host_start max", tessel_jit_network_host_start(80, 33554432), -4},
        {"host_start 0", tessel_jit_network_host_start(80, 0), -1},
        {"host_start over", tessel_jit_network_host_start_bind(80, 33554433, 0), -1},
        {"host_start_bind", tessel_jit_network_host_start_bind(80, 64, 0), -4},
        {"host_start_text", tessel_jit_network_host_start_text(0, 0), -4},
        {"host_start_bind_text", tessel_jit_network_host_start_bind_text(0, 0, 0), -4},
        {"host_poll ok", tessel_jit_network_host_poll(0, 3, 0, 0), -4},
        {"host_poll a2", tessel_jit_network_host_poll(0, 2, 0, 0), -1},
        {"host_poll a4", tessel_jit_network_host_poll(0, 3, 0, -1), -1},
        {"host_send ok", tessel_jit_network_host_send(1, 0, 65536), -4},
        {"host_send a1", tessel_jit_network_host_send(0, 0, 1), -1},
        {"host_send a3", tessel_jit_network_host_send(1, 0, 65537), -1},
        {"host_send a3 negative", tessel_jit_network_host_send(1, 0, -1), -1},
        {"offline connect", tessel_jit_offline_web_network_connect(0, 0), -4},
        {"offline status", tessel_jit_offline_web_network_status(), -4},
        {"offline resume_seat", tessel_jit_offline_web_network_resume_seat(1), -1},
        {"checkpoint ok", tessel_jit_offline_web_network_checkpoint(-1, 0), -4},
        {"checkpoint 7", tessel_jit_offline_web_network_checkpoint(7, 5), -4},
        {"checkpoint 8", tessel_jit_offline_web_network_checkpoint(8, 0), -1},
        {"checkpoint a2", tessel_jit_offline_web_network_checkpoint(0, -1), -1},
        {"offline poll", tessel_jit_offline_web_network_poll(0, 65536), -4},
        {"offline poll over", tessel_jit_offline_web_network_poll(0, 65537), -1},
        {"offline send negative", tessel_jit_offline_web_network_send(0, -1), -1},
        {"realtime start", tessel_jit_realtime_start(0, 0), -4},
        {"realtime stop", tessel_jit_realtime_stop(), -4},
        {"realtime disconnect", tessel_jit_realtime_disconnect(), -4},
        {"realtime reconnect", tessel_jit_realtime_reconnect(), -4},
        {"realtime advance", tessel_jit_realtime_advance(1), -4},
        {"realtime focus_lost", tessel_jit_realtime_focus_lost(), -4},
        {"realtime pause", tessel_jit_realtime_pause(1), -4},
        {"realtime rematch", tessel_jit_realtime_rematch(), -4},
        {"realtime record_hash", tessel_jit_realtime_record_hash(1, 2), -4},
        {"realtime schedule", tessel_jit_realtime_schedule(1, 2), -4},
        {"realtime current_tick", tessel_jit_realtime_current_tick(), -1},
        {"realtime resync_required", tessel_jit_realtime_resync_required(), -1},
        {"realtime current_epoch", tessel_jit_realtime_current_epoch(), -1},
        {"build_payload ok", tessel_jit_realtime_build_payload(0, 0, 7, 1, 1, 0, 65535, -128, 127), -4},
        {"build_payload a2", tessel_jit_realtime_build_payload(0, 1, 7, 1, 1, 0, 0, 0, 0), -1},
        {"build_payload a3", tessel_jit_realtime_build_payload(0, 0, 8, 1, 1, 0, 0, 0, 0), -1},
        {"build_payload a3 negative", tessel_jit_realtime_build_payload(0, 0, -1, 1, 1, 0, 0, 0, 0), -1},
        {"build_payload a4", tessel_jit_realtime_build_payload(0, 0, 0, 0, 1, 0, 0, 0, 0), -1},
        {"build_payload a5", tessel_jit_realtime_build_payload(0, 0, 0, 1, 0, 0, 0, 0, 0), -1},
        {"build_payload a6", tessel_jit_realtime_build_payload(0, 0, 0, 1, 1, -1, 0, 0, 0), -1},
        {"build_payload a7", tessel_jit_realtime_build_payload(0, 0, 0, 1, 1, 0, 65536, 0, 0), -1},
        {"build_payload a8", tessel_jit_realtime_build_payload(0, 0, 0, 1, 1, 0, 0, 128, 0), -1},
        {"build_payload a9", tessel_jit_realtime_build_payload(0, 0, 0, 1, 1, 0, 0, 0, -129), -1},
        {"apply_snapshot ok",
         tessel_jit_realtime_apply_snapshot(1, 0, 2, names[0], names[1], names[2], names[3], names[4], names[5]), -4},
        {"apply_snapshot short",
         tessel_jit_realtime_apply_snapshot(1, 0, 3, names[0], names[1], names[2], names[3], names[4], names[5]), -11},
        {"apply_snapshot missing",
         tessel_jit_realtime_apply_snapshot(1, 0, 1, names[0], missing, names[2], names[3], names[4], names[5]), -11},
        {"apply_snapshot a1",
         tessel_jit_realtime_apply_snapshot(0, 0, 1, names[0], names[1], names[2], names[3], names[4], names[5]), -1},
        {"apply_snapshot a3",
         tessel_jit_realtime_apply_snapshot(1, 0, 9, names[0], names[1], names[2], names[3], names[4], names[5]), -1},
        {"read_control ok", tessel_jit_realtime_read_control(0, names[0], names[1], names[2]), -4},
        {"read_control a1", tessel_jit_realtime_read_control(-1, names[0], names[1], names[2]), -1},
        {"read_control missing", tessel_jit_realtime_read_control(0, names[0], missing, names[2]), -11},
        {"submit_payload ok", tessel_jit_realtime_submit_payload(names[0], 0), -4},
        {"submit_payload a2", tessel_jit_realtime_submit_payload(names[0], 1), -1},
        {"submit_payload missing", tessel_jit_realtime_submit_payload(missing, 0), -11},
    };
    for (const auto& c : cases) EXPECT_EQ(c.result, c.expected) << c.name;
    tessel_jit_network_host_stop();
}

}  // namespace
}  // namespace tessel::testing
