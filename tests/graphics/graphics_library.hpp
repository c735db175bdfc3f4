// Test support for the graphics runtime library: opening it by path, calling its functions by name,
// hand-made command-stream frames, and reading the rendered canvas back.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <stb_image.h>

#include "tessel/command_stream.h"
#include "tessel/graphics.h"
#include "tessel/host_frame.h"

namespace gfxtest {

/** The library under test, opened once per process (audio through SDL's dummy driver: no sound card). */
inline void* library() {
    static void* handle = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        return dlopen(TESSEL_GRAPHICS_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    }();
    return handle;
}

/** The library's function of that name, or null. */
template <typename Fn>
Fn entry(const char* name) {
    return library() == nullptr ? nullptr : reinterpret_cast<Fn>(dlsym(library(), name));
}

/** Calls the library function name through its graphics.h function type. */
#define GFX(name) (::gfxtest::entry<name##_fn>(#name))

/** A fixture file of tests/graphics/fixtures. */
inline std::string fixture(const std::string& name) { return std::string(TESSEL_GRAPHICS_FIXTURES_DIR) + "/" + name; }

/** A fresh path under the test temporary directory. */
inline std::string temp_path(const std::string& name) {
    static int counter = 0;
    return ::testing::TempDir() + "tessel_graphics_" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_" + name;
}

/** A system TrueType font for text tests, or empty when none is installed. */
inline std::string system_font() {
    for (const char* path : {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "/usr/share/fonts/dejavu/DejaVuSans.ttf"}) {
        if (std::filesystem::exists(path)) return path;
    }
    return {};
}

/** One hand-made frame of the command stream, written field by field as the layout says. */
struct Frame {
    std::vector<int32_t> i32 = std::vector<int32_t>(TESSEL_GFX_I32_CAPACITY, 0);
    std::vector<float> f32 = std::vector<float>(TESSEL_GFX_F32_CAPACITY, 0.0f);
    std::vector<uint8_t> u8 = std::vector<uint8_t>(TESSEL_GFX_U8_CAPACITY, 0);

    explicit Frame(int32_t version = TESSEL_GFX_VERSION) {
        i32[TESSEL_GFX_W_MAGIC] = TESSEL_GFX_MAGIC;
        i32[TESSEL_GFX_W_VERSION] = version;
    }

    void complete() { i32[TESSEL_GFX_W_FLAGS] |= TESSEL_GFX_FLAG_COMPLETE; }

    void clear(float r, float g, float b, float a = 1.0f) {
        i32[TESSEL_GFX_W_FLAGS] |= TESSEL_GFX_FLAG_CLEAR;
        f32[0] = r, f32[1] = g, f32[2] = b, f32[3] = a;
    }

    void order(int32_t kind, int32_t index) {
        i32[TESSEL_GFX_I32_ORDER + i32[TESSEL_GFX_W_ORDER_LENGTH]++] = (kind << TESSEL_GFX_ORDER_KIND_SHIFT) | index;
    }

    /** Appends a rectangle record and its order entry; returns its index. */
    int32_t rect(float x, float y, float w, float h, float r, float g, float b, float a = 1.0f) {
        const int32_t j = i32[TESSEL_GFX_W_RECT_COUNT]++;
        float* p = &f32[TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * (TESSEL_GFX_MAX_SHAPES - 1 - j)];
        const float values[8] = {x, y, w, h, r, g, b, a};
        std::copy(values, values + 8, p);
        order(TESSEL_GFX_KIND_RECT, j);
        return j;
    }

    int32_t line(float x1, float y1, float x2, float y2, float r, float g, float b, float a = 1.0f) {
        const int32_t j = i32[TESSEL_GFX_W_LINE_COUNT]++;
        float* p = &f32[TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * j];
        const float values[8] = {x1, y1, x2, y2, r, g, b, a};
        std::copy(values, values + 8, p);
        order(TESSEL_GFX_KIND_LINE, j);
        return j;
    }

    /** Appends one instance as its own batch (clip -1 = none); floats in record order. */
    int32_t sprite(int32_t handle, uint32_t tint, const std::vector<float>& floats, int32_t clip = -1) {
        const int32_t n = i32[TESSEL_GFX_W_INSTANCE_COUNT]++;
        int32_t* ints = &i32[TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * n];
        ints[0] = handle;
        ints[1] = static_cast<int32_t>(tint);
        ints[2] = 0;
        std::copy(floats.begin(), floats.end(), &f32[TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n]);
        const int32_t b = i32[TESSEL_GFX_W_BATCH_COUNT]++;
        int32_t* batch = &i32[TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b];
        batch[0] = n;
        batch[1] = 1;
        batch[2] = clip;
        order(TESSEL_GFX_KIND_BATCH, b);
        return n;
    }

    /** A whole-image sprite stretched to x, y, w, h, turned by degrees about its centre, as the
     *  module draws them. */
    int32_t sprite_at(int32_t handle, float x, float y, float w, float h, float degrees = 0.0f, uint32_t tint = 0xFFFFFFFFu) {
        return sprite(handle, tint, {x, y, w, h, 0, 0, 0, 0, w / 2, h / 2, 1, 1, degrees});
    }

    int32_t text(int32_t font, const std::string& s, float x, float y, float r, float g, float b, float a = 1.0f) {
        const int32_t offset = i32[TESSEL_GFX_W_TEXT_BYTES];
        std::copy(s.begin(), s.end(), u8.begin() + offset);
        u8[offset + static_cast<int32_t>(s.size())] = 0;
        i32[TESSEL_GFX_W_TEXT_BYTES] = offset + static_cast<int32_t>(s.size()) + 1;
        const int32_t t = i32[TESSEL_GFX_W_TEXT_COUNT]++;
        int32_t* ints = &i32[TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * t];
        ints[0] = font, ints[1] = offset, ints[2] = static_cast<int32_t>(s.size());
        const float values[6] = {x, y, r, g, b, a};
        std::copy(values, values + 6, &f32[TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * t]);
        order(TESSEL_GFX_KIND_TEXT, t);
        return t;
    }

    int32_t clip_record(float x, float y, float w, float h) {
        const int32_t c = i32[TESSEL_GFX_W_CLIP_COUNT]++;
        const float values[4] = {x, y, w, h};
        std::copy(values, values + 4, &f32[TESSEL_GFX_F32_CLIPS + TESSEL_GFX_CLIP_STRIDE * c]);
        return c;
    }

    void push_clip(float x, float y, float w, float h) { order(TESSEL_GFX_KIND_PUSH_CLIP, clip_record(x, y, w, h)); }
    void pop_clip() { order(TESSEL_GFX_KIND_POP_CLIP, 0); }

    void submit() const { GFX(tessel_gfx_submit_u8)(i32.data(), f32.data(), u8.data()); }
};

/** An RGBA pixel of a captured image. */
struct Rgba {
    int r, g, b, a;
};

/** The displayed canvas, read back through tessel_gfx_dump_png. */
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    Rgba at(int x, int y) const {
        const uint8_t* p = &rgba[4 * (static_cast<size_t>(y) * width + x)];
        return {p[0], p[1], p[2], p[3]};
    }

    static Image load_png(const std::string& path) {
        Image image;
        int channels = 0;
        stbi_uc* data = stbi_load(path.c_str(), &image.width, &image.height, &channels, 4);
        if (data != nullptr) {
            image.rgba.assign(data, data + 4 * static_cast<size_t>(image.width) * image.height);
            stbi_image_free(data);
        }
        return image;
    }
};

inline Image capture() {
    const std::string path = temp_path("canvas.png");
    EXPECT_EQ(GFX(tessel_gfx_dump_png)(path.c_str()), 1);
    Image image = Image::load_png(path);
    std::filesystem::remove(path);
    return image;
}

/** Whether a pixel is within tolerance of an opaque colour. */
inline ::testing::AssertionResult pixel_near(const Image& image, int x, int y, int r, int g, int b, int tolerance = 2) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return ::testing::AssertionFailure() << "outside the image";
    const Rgba p = image.at(x, y);
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is (" << p.r << ", " << p.g << ", " << p.b
                                         << "), expected (" << r << ", " << g << ", " << b << ")";
}

/** The submission counters: submitted, rendered, kept, refused, last check. */
inline std::vector<int32_t> submission_state() {
    std::vector<int32_t> words(5, -1);
    EXPECT_EQ(GFX(tessel_test_get_render_submission_state)(words.data(), 5), 1);
    return words;
}

/** Fixture: the library loaded, headless, with a canvas of the given size. */
class GraphicsTest : public ::testing::Test {
protected:
    static constexpr int32_t width = 64;
    static constexpr int32_t height = 48;

    void SetUp() override {
        ASSERT_NE(library(), nullptr) << dlerror();
        ASSERT_EQ(GFX(tessel_set_recording_config)(1, 0, 0), 1);
        ASSERT_EQ(GFX(tessel_init_window)(width, height, "test"), 1);
    }
};

}  // namespace gfxtest
