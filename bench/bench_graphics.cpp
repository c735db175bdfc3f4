// Benchmarks of the graphics runtime library, loaded by path as the runtime loads it:
// - RenderFrame: headless rendering of a 2000 x 900 frame like a busy wall (300 sprites, 200
//   rectangles, 50 texts), reported as frames per second;
// - MixOneSecond: mixing one second of sound with 16 impact and 24 rolling voices, reported as the
//   cost per second of sound;
// - RasteriseSprite: rasterising a 320 x 40 SVG with gradients.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tessel/command_stream.h"
#include "tessel/graphics.h"

namespace {

void* library() {
    static void* handle = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        void* h = dlopen(TESSEL_GRAPHICS_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) std::fprintf(stderr, "bench_graphics: %s\n", dlerror());
        return h;
    }();
    return handle;
}

template <typename Fn>
Fn entry(const char* name) {
    return library() == nullptr ? nullptr : reinterpret_cast<Fn>(dlsym(library(), name));
}
#define GFX(name) (entry<name##_fn>(#name))

std::string fixture(const char* name) { return std::string(TESSEL_GRAPHICS_FIXTURES_DIR) + "/" + name; }

/** A command-stream frame written field by field. */
struct Frame {
    std::vector<int32_t> i32 = std::vector<int32_t>(TESSEL_GFX_I32_CAPACITY, 0);
    std::vector<float> f32 = std::vector<float>(TESSEL_GFX_F32_CAPACITY, 0.0f);
    std::vector<uint8_t> u8 = std::vector<uint8_t>(TESSEL_GFX_U8_CAPACITY, 0);

    Frame() {
        i32[TESSEL_GFX_W_MAGIC] = TESSEL_GFX_MAGIC;
        i32[TESSEL_GFX_W_VERSION] = TESSEL_GFX_VERSION;
        i32[TESSEL_GFX_W_FLAGS] = TESSEL_GFX_FLAG_CLEAR | TESSEL_GFX_FLAG_COMPLETE;
        f32[0] = 0.1f, f32[1] = 0.1f, f32[2] = 0.12f, f32[3] = 1.0f;
    }
    void order(int32_t kind, int32_t index) {
        i32[TESSEL_GFX_I32_ORDER + i32[TESSEL_GFX_W_ORDER_LENGTH]++] = (kind << TESSEL_GFX_ORDER_KIND_SHIFT) | index;
    }
    void rect(float x, float y, float w, float h, float r, float g, float b, float a) {
        const int32_t j = i32[TESSEL_GFX_W_RECT_COUNT]++;
        const float v[8] = {x, y, w, h, r, g, b, a};
        std::copy(v, v + 8, &f32[TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * (TESSEL_GFX_MAX_SHAPES - 1 - j)]);
        order(TESSEL_GFX_KIND_RECT, j);
    }
    void sprite(int32_t handle, float x, float y, float w, float h, float degrees, uint32_t alpha) {
        const int32_t n = i32[TESSEL_GFX_W_INSTANCE_COUNT]++;
        i32[TESSEL_GFX_I32_INSTANCES + 3 * n] = handle;
        i32[TESSEL_GFX_I32_INSTANCES + 3 * n + 1] = static_cast<int32_t>(0xFFFFFF00u | alpha);
        const float v[13] = {x, y, w, h, 0, 0, 0, 0, w / 2, h / 2, 1, 1, degrees};
        std::copy(v, v + 13, &f32[TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n]);
        const int32_t b = i32[TESSEL_GFX_W_BATCH_COUNT]++;
        i32[TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b] = n;
        i32[TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b + 1] = 1;
        i32[TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b + 2] = -1;
        order(TESSEL_GFX_KIND_BATCH, b);
    }
    void text(int32_t font, const std::string& s, float x, float y) {
        const int32_t offset = i32[TESSEL_GFX_W_TEXT_BYTES];
        std::copy(s.begin(), s.end(), u8.begin() + offset);
        i32[TESSEL_GFX_W_TEXT_BYTES] = offset + static_cast<int32_t>(s.size()) + 1;
        const int32_t t = i32[TESSEL_GFX_W_TEXT_COUNT]++;
        i32[TESSEL_GFX_I32_TEXTS + 3 * t] = font;
        i32[TESSEL_GFX_I32_TEXTS + 3 * t + 1] = offset;
        i32[TESSEL_GFX_I32_TEXTS + 3 * t + 2] = static_cast<int32_t>(s.size());
        const float v[6] = {x, y, 1.0f, 1.0f, 0.95f, 1.0f};
        std::copy(v, v + 6, &f32[TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * t]);
        order(TESSEL_GFX_KIND_TEXT, t);
    }
};

/** A busy wall: the wall and 199 interface rectangles; 40 turned parts with their shadows, 24 rolling
 *  marbles with shadow and shade, 148 shelf and button icons; 50 labels. */
Frame busy_wall(int32_t ramp, int32_t marble, int32_t icon, int32_t font) {
    Frame f;
    f.rect(0, 0, 1600, 900, 0.55f, 0.45f, 0.35f, 1.0f);
    for (int i = 0; i < 40; ++i) {
        const float x = 80.0f + (i % 8) * 180.0f, y = 80.0f + (i / 8) * 150.0f, angle = static_cast<float>((i * 37) % 360);
        f.sprite(ramp, x + 10, y + 14, 350, 70, angle, 110);  // shadow
        f.sprite(ramp, x, y, 320, 40, angle, 255);
    }
    for (int i = 0; i < 24; ++i) {
        const float x = 100.0f + i * 58.0f, y = 120.0f + (i % 5) * 140.0f;
        f.sprite(marble, x + 5, y + 7, 48, 48, 0, 90);
        f.sprite(marble, x, y, 48, 48, i * 23.0f, 255);
        f.sprite(marble, x, y, 48, 48, 0, 160);
    }
    for (int i = 0; i < 148; ++i) f.sprite(icon, 1620.0f + (i % 5) * 70.0f, 10.0f + (i / 5) * 30.0f, 64, 64, 0, 255);
    for (int i = 0; i < 199; ++i) f.rect(1610.0f + (i % 3) * 120.0f, 5.0f + (i / 3) * 13.0f, 110, 12, 0.2f, 0.22f, 0.26f, 0.85f);
    for (int i = 0; i < 50; ++i) f.text(font, "Wall 3 - 12 parts", 20.0f + (i % 5) * 300.0f, 700.0f + (i / 5) * 19.0f);
    return f;
}

std::string system_font() {
    const char* path = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    return std::filesystem::exists(path) ? path : "";
}

void RenderFrame(benchmark::State& state) {
    if (library() == nullptr) return state.SkipWithError("library not loaded");
    GFX(tessel_set_recording_config)(1, 0, 0);
    GFX(tessel_init_window)(2000, 900, "bench");
    const int32_t ramp = GFX(tessel_gfx_load_sprite)(fixture("ramp.svg").c_str(), 320, 40);
    const int32_t marble = GFX(tessel_gfx_load_sprite)(fixture("marble.svg").c_str(), 48, 48);
    const int32_t icon = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 64, 64);
    const std::string font_path = system_font();
    const int32_t font = font_path.empty() ? 0 : GFX(tessel_load_font)(font_path.c_str(), 22);
    if (ramp == 0 || marble == 0 || icon == 0) return state.SkipWithError("fixture sprites did not load");
    const Frame frame = busy_wall(ramp, marble, icon, font);
    for (auto _ : state) GFX(tessel_gfx_submit_u8)(frame.i32.data(), frame.f32.data(), frame.u8.data());
    int32_t words[5] = {};
    GFX(tessel_test_get_render_submission_state)(words, 5);
    if (words[4] != 0) state.SkipWithError("the frame was not accepted");
    if (const char* out = std::getenv("TESSEL_BENCH_FRAME_PNG")) GFX(tessel_gfx_dump_png)(out);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    GFX(tessel_gfx_release_sprite)(ramp);
    GFX(tessel_gfx_release_sprite)(marble);
    GFX(tessel_gfx_release_sprite)(icon);
    GFX(tessel_gfx_release_font)(font);
}
BENCHMARK(RenderFrame)->Unit(benchmark::kMillisecond);

void MixOneSecond(benchmark::State& state) {
    if (library() == nullptr) return state.SkipWithError("library not loaded");
    GFX(tessel_set_recording_audio_config)(1);
    GFX(tessel_audio_init)(48000, 2, 0);
    const int32_t hit = GFX(tessel_audio_load_wav)(fixture("constant_mono_48k.wav").c_str());
    const int32_t roll = GFX(tessel_audio_load_wav)(fixture("constant_stereo_24k.wav").c_str());  // resampled
    if (hit == 0 || roll == 0) return state.SkipWithError("fixture sounds did not load");
    // Looping keeps all 40 voices alive for the whole second.
    for (int i = 0; i < 16; ++i) GFX(tessel_audio_play)(hit, 1, 0.05f, -0.76f + i * 0.1f);
    for (int i = 0; i < 24; ++i) GFX(tessel_audio_play)(roll, 1, 0.03f, 0.76f - i * 0.06f);
    std::vector<float> buffer(2 * 1024);
    for (auto _ : state) {
        for (int done = 0; done < 48000; done += 1024) {
            GFX(tessel_recording_audio_pull_f32_interleaved)(buffer.data(), std::min(1024, 48000 - done));
        }
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["realtime_x"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    GFX(tessel_audio_shutdown)();
    GFX(tessel_audio_release)(hit);
    GFX(tessel_audio_release)(roll);
}
BENCHMARK(MixOneSecond)->Unit(benchmark::kMillisecond);

void RasteriseSprite(benchmark::State& state) {
    if (library() == nullptr) return state.SkipWithError("library not loaded");
    const std::string path = fixture("ramp.svg");
    for (auto _ : state) GFX(tessel_gfx_release_sprite)(GFX(tessel_gfx_load_sprite)(path.c_str(), 320, 40));
}
BENCHMARK(RasteriseSprite)->Unit(benchmark::kMicrosecond);

}  // namespace
