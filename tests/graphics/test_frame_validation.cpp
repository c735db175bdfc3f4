// Malformed command-stream frames are refused whole (the previous frame stays), and odd values that
// the stream's validation lets through are skipped record by record; nothing crashes.
#include <climits>
#include <cmath>
#include <functional>
#include <limits>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

constexpr float nan_value = std::numeric_limits<float>::quiet_NaN();
constexpr float inf_value = std::numeric_limits<float>::infinity();
constexpr int32_t unsupported = 2;
constexpr int32_t invalid = 3;

class FrameValidation : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        sprite_ = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
        ASSERT_GT(sprite_, 0);
    }
    void TearDown() override { GFX(tessel_gfx_release_sprite)(sprite_); }

    /** A valid frame using every record kind, with a green marker at (60, 44). */
    Frame valid_frame() const {
        Frame f;
        f.clear(0, 0, 0);
        f.line(0, 0, 10, 10, 1, 1, 1);
        f.push_clip(0, 0, 64, 48);
        f.sprite_at(sprite_, 5, 5, 20, 20, 30);
        f.pop_clip();
        f.text(0, "abc", 2, 2, 1, 1, 1);
        f.rect(60, 44, 4, 4, 0, 1, 0);
        f.complete();
        return f;
    }

    /** Shows a red reference frame. */
    void show_reference() const {
        Frame red;
        red.clear(1, 0, 0);
        red.complete();
        red.submit();
    }

    int32_t sprite_ = 0;
};

TEST_F(FrameValidation, TheBaseFrameIsValid) {
    show_reference();
    valid_frame().submit();
    EXPECT_EQ(submission_state()[4], 0);
    EXPECT_TRUE(pixel_near(capture(), 61, 45, 0, 255, 0, 0));
}

TEST_F(FrameValidation, MalformedFramesAreRefusedAndThePreviousOneStays) {
    struct Case {
        const char* name;
        int32_t check;
        std::function<void(Frame&)> corrupt;
    };
    const auto word = [](int32_t index, int32_t value) { return [=](Frame& f) { f.i32[index] = value; }; };
    const auto instance_float = [](int32_t field, float value) {
        return [=](Frame& f) { f.f32[TESSEL_GFX_F32_INSTANCES + field] = value; };
    };
    const auto instance_word = [](int32_t field, int32_t value) {
        return [=](Frame& f) { f.i32[TESSEL_GFX_I32_INSTANCES + field] = value; };
    };
    const auto batch_word = [](int32_t field, int32_t value) { return [=](Frame& f) { f.i32[TESSEL_GFX_I32_BATCHES + field] = value; }; };
    const auto text_word = [](int32_t field, int32_t value) { return [=](Frame& f) { f.i32[TESSEL_GFX_I32_TEXTS + field] = value; }; };
    const auto order_entry = [](int32_t at, int32_t kind, int32_t index) {
        return [=](Frame& f) { f.i32[TESSEL_GFX_I32_ORDER + at] = (kind << TESSEL_GFX_ORDER_KIND_SHIFT) | index; };
    };
    const Case cases[] = {
        {"bad magic", unsupported, word(TESSEL_GFX_W_MAGIC, 0x12345678)},
        {"version 9", unsupported, word(TESSEL_GFX_W_VERSION, 9)},
        {"version 6", unsupported, word(TESSEL_GFX_W_VERSION, 6)},
        {"negative line count", invalid, word(TESSEL_GFX_W_LINE_COUNT, -1)},
        {"too many lines", invalid, word(TESSEL_GFX_W_LINE_COUNT, 10001)},
        {"negative rectangle count", invalid, word(TESSEL_GFX_W_RECT_COUNT, -1)},
        {"shapes overflow the shared pool", invalid, [](Frame& f) {
             f.i32[TESSEL_GFX_W_LINE_COUNT] = 5000;
             f.i32[TESSEL_GFX_W_RECT_COUNT] = 5001;
         }},
        {"too many instances", invalid, word(TESSEL_GFX_W_INSTANCE_COUNT, 4097)},
        {"negative instance count", invalid, word(TESSEL_GFX_W_INSTANCE_COUNT, -1)},
        {"too many text bytes", invalid, word(TESSEL_GFX_W_TEXT_BYTES, 65537)},
        {"too many texts", invalid, word(TESSEL_GFX_W_TEXT_COUNT, 2049)},
        {"order list too long", invalid, word(TESSEL_GFX_W_ORDER_LENGTH, 16657)},
        {"negative order length", invalid, word(TESSEL_GFX_W_ORDER_LENGTH, INT_MIN)},
        {"too many batches", invalid, word(TESSEL_GFX_W_BATCH_COUNT, 4097)},
        {"too many clips", invalid, word(TESSEL_GFX_W_CLIP_COUNT, 257)},
        {"batch beyond the instances", invalid, batch_word(1, 2)},
        {"empty batch", invalid, batch_word(1, 0)},
        {"negative batch start", invalid, batch_word(0, -1)},
        {"batch clip out of range", invalid, batch_word(2, 5)},
        {"batch clip below -1", invalid, batch_word(2, -2)},
        {"batch material set", invalid, batch_word(3, 1)},
        {"batch flags set", invalid, batch_word(7, 1)},
        {"sprite handle 0", invalid, instance_word(0, 0)},
        {"instance reserved word set", invalid, instance_word(2, 1)},
        {"NaN destination", invalid, instance_float(0, nan_value)},
        {"infinite rotation", invalid, instance_float(12, inf_value)},
        {"NaN pivot", invalid, instance_float(8, nan_value)},
        {"zero destination width", invalid, instance_float(2, 0.0f)},
        {"negative destination height", invalid, instance_float(3, -1.0f)},
        {"negative source x", invalid, instance_float(4, -1.0f)},
        {"source width without height", invalid, instance_float(6, 5.0f)},
        {"zero scale", invalid, instance_float(10, 0.0f)},
        {"text offset past the bytes", invalid, text_word(1, 4)},
        {"text longer than its bytes", invalid, text_word(2, 4)},
        {"negative text length", invalid, text_word(2, -1)},
        {"negative offset with a length", invalid, [](Frame& f) {
             f.i32[TESSEL_GFX_I32_TEXTS + 1] = -1;
             f.i32[TESSEL_GFX_I32_TEXTS + 2] = 1;
         }},
        {"most negative text offset", invalid, [](Frame& f) {
             f.i32[TESSEL_GFX_I32_TEXTS + 1] = INT_MIN;
             f.i32[TESSEL_GFX_I32_TEXTS + 2] = 0;
         }},
        {"negative order entry", invalid, [](Frame& f) { f.i32[TESSEL_GFX_I32_ORDER] = -5; }},
        {"order kind 0", invalid, order_entry(0, 0, 0)},
        {"order kind 7", invalid, order_entry(0, 7, 0)},
        {"line index out of range", invalid, order_entry(0, TESSEL_GFX_KIND_LINE, 1)},
        {"batch index out of range", invalid, order_entry(0, TESSEL_GFX_KIND_BATCH, 3)},
        {"text index out of range", invalid, order_entry(0, TESSEL_GFX_KIND_TEXT, 1)},
        {"rectangle index out of range", invalid, order_entry(0, TESSEL_GFX_KIND_RECT, 1)},
        {"pop index not 0", invalid, order_entry(3, TESSEL_GFX_KIND_POP_CLIP, 1)},
        {"push index out of range", invalid, order_entry(1, TESSEL_GFX_KIND_PUSH_CLIP, 1)},
        {"pop without a push", invalid, order_entry(1, TESSEL_GFX_KIND_POP_CLIP, 0)},
        {"push never popped", invalid, order_entry(3, TESSEL_GFX_KIND_LINE, 0)},
        {"clips nested too deep", invalid, [](Frame& f) {
             f.i32[TESSEL_GFX_W_ORDER_LENGTH] = 0;
             for (int i = 0; i < 257; ++i) f.order(TESSEL_GFX_KIND_PUSH_CLIP, 0);
             for (int i = 0; i < 257; ++i) f.order(TESSEL_GFX_KIND_POP_CLIP, 0);
         }},
    };
    for (const Case& c : cases) {
        show_reference();
        Frame frame = valid_frame();
        c.corrupt(frame);
        const std::vector<int32_t> before = submission_state();
        frame.submit();
        const std::vector<int32_t> after = submission_state();
        EXPECT_EQ(after[4], c.check) << c.name;
        EXPECT_EQ(after[3], before[3] + 1) << c.name;
        EXPECT_TRUE(pixel_near(capture(), 61, 45, 255, 0, 0, 0)) << c.name;
    }
}

TEST_F(FrameValidation, MissingArraysAreRefused) {
    const Frame frame = valid_frame();
    const int before = submission_state()[3];
    GFX(tessel_gfx_submit_u8)(nullptr, frame.f32.data(), frame.u8.data());
    GFX(tessel_gfx_submit_u8)(frame.i32.data(), nullptr, frame.u8.data());
    GFX(tessel_gfx_submit_u8)(frame.i32.data(), frame.f32.data(), nullptr);
    EXPECT_EQ(submission_state()[3], before + 3);
}

TEST_F(FrameValidation, OddRecordValuesAreSkippedOneByOne) {
    struct Case {
        const char* name;
        std::function<void(Frame&)> add;
    };
    const Case cases[] = {
        {"NaN rectangle", [](Frame& f) { f.rect(nan_value, 0, 10, 10, 1, 1, 1); }},
        {"infinite rectangle", [](Frame& f) { f.rect(0, 0, inf_value, 10, 1, 1, 1); }},
        {"huge rectangle", [](Frame& f) { f.rect(-3e38f, -3e38f, 3e38f, 3e38f, 0, 0, 1); }},
        {"negative rectangle size", [](Frame& f) { f.rect(10, 10, -5, -5, 1, 1, 1); }},
        {"NaN colour", [](Frame& f) { f.rect(0, 0, 1, 1, nan_value, nan_value, nan_value, nan_value); }},
        {"NaN line", [](Frame& f) { f.line(nan_value, 0, 10, 10, 1, 1, 1); }},
        {"infinite line", [](Frame& f) { f.line(0, 0, inf_value, 10, 1, 1, 1); }},
        {"huge line", [](Frame& f) { f.line(-3e38f, 0, 3e38f, 1, 1, 1, 1); }},
        {"NaN clip", [](Frame& f) {
             f.push_clip(nan_value, 0, 10, 10);
             f.rect(0, 0, 64, 48, 1, 1, 1);
             f.pop_clip();
         }},
        {"text with an unknown font", [](Frame& f) { f.text(12345, "abc", 1e30f, nan_value, 1, 1, 1); }},
        {"gigantic sprite", [&](Frame& f) {
             f.sprite(sprite_, 0xFFFFFFFFu, {-1e30f, -1e30f, 3e30f, 3e30f, 0, 0, 0, 0, 1.5e30f, 1.5e30f, 1, 1, 1e30f});
         }},
        {"tiny sprite", [&](Frame& f) { f.sprite(sprite_, 0xFFFFFFFFu, {5, 5, 1e-30f, 1e-30f, 0, 0, 0, 0, 0, 0, 1e-30f, 1e-30f, 0}); }},
        {"source rectangle beyond the sprite", [&](Frame& f) { f.sprite(sprite_, 0xFFFFFFFFu, {5, 5, 10, 10, 100, 100, 50, 50, 5, 5, 1, 1, 0}); }},
        {"unknown sprite handle", [](Frame& f) { f.sprite_at(0x7FFFFFFF, 5, 5, 10, 10); }},
    };
    for (const Case& c : cases) {
        show_reference();
        Frame frame;
        frame.clear(0, 0, 0);
        c.add(frame);
        frame.rect(60, 44, 4, 4, 0, 1, 0);
        frame.complete();
        frame.submit();
        EXPECT_EQ(submission_state()[4], 0) << c.name;
        EXPECT_TRUE(pixel_near(capture(), 61, 45, 0, 255, 0, 0)) << c.name;
    }
}

}  // namespace
}  // namespace gfxtest
