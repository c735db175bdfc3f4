// Render trace: digests computed by hand, invalid frames, what the order list does and does not
// change, and the three ways in (native pointers, slices, registered names).
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <span>

#include "app/gfx/gfx.hpp"
#include "app/state/state.hpp"
#include "runtime_tables.hpp"
#include "sample_frame.hpp"

namespace {

using tessel::testing::draw_sample_frame;
using tessel::testing::sprite_floats;

constexpr int32_t entry(int32_t kind, int32_t index) { return kind * 16384 + index; }
int32_t& word(int32_t w) { return gfx_cmd_i32[w]; }
int32_t& order(int32_t i) { return gfx_cmd_i32[TESSEL_GFX_I32_ORDER + i]; }
int32_t* batch(int32_t b) { return gfx_cmd_i32 + TESSEL_GFX_I32_BATCHES + 8 * b; }
int32_t* instance_ints(int32_t n) { return gfx_cmd_i32 + TESSEL_GFX_I32_INSTANCES + 3 * n; }
float* instance_floats(int32_t n) { return gfx_cmd_f32 + TESSEL_GFX_F32_INSTANCES + 13 * n; }
int32_t* text_ints(int32_t t) { return gfx_cmd_i32 + TESSEL_GFX_I32_TEXTS + 3 * t; }


uint32_t trace() { return tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, gfx_cmd_u8); }

/** The digest written out byte by byte, independently of the runtime. */
struct HandDigest {
    uint32_t hash;
    void word(uint32_t v) {
        for (int k = 0; k < 4; ++k) {
            hash ^= (v >> (8 * k)) & 0xFFu;
            hash *= 0x01000193u;
        }
    }
    void words(std::initializer_list<int32_t> values) {
        for (int32_t v : values) word(static_cast<uint32_t>(v));
    }
    void floats(std::initializer_list<float> values) {
        for (float f : values) {
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            word(bits);
        }
    }
    void bytes(std::string_view text) {
        for (char c : text) {
            hash ^= static_cast<uint8_t>(c);
            hash *= 0x01000193u;
        }
    }
};


class RenderTrace : public tessel::testing::RuntimeTablesTest {
protected:
    void SetUp() override {
        RuntimeTablesTest::SetUp();
        state_bind_runtime_globals();
        gfx_frame_construction_active = 0;
        gfx_sprite_writer_token = 0;
    }
};

TEST_F(RenderTrace, DigestsComputedByHand) {
    const struct {
        const char* name;
        void (*draw)();
        void (*expect)(HandDigest&);
        uint32_t seed;
    } cases[] = {
        {"clear only, complete",
         [] {
             gfx_begin_frame();
             gfx_clear(0.25f, 0.5f, 0.75f, 1.0f);
             gfx_end_frame(0);
         },
         [](HandDigest& d) {
             d.floats({0.25f, 0.5f, 0.75f, 1.0f});
             d.word(6);
         },
         0x36c02b5c},
        {"one line",
         [] {
             gfx_begin_frame();
             gfx_line(1, 2, 3, 4, 0.5f, 0.5f, 0.5f, 1);
             gfx_end_frame(0);
         },
         [](HandDigest& d) {
             d.word(2);
             d.floats({1, 2, 3, 4, 0.5f, 0.5f, 0.5f, 1});
             d.word(6);
         },
         0xccf7ed9d},
        {"one rectangle, frame not complete",
         [] {
             gfx_begin_frame();
             gfx_rect(1, 2, 3, 4, 0, 0, 0, 1);
         },
         [](HandDigest& d) {
             d.word(7);
             d.floats({1, 2, 3, 4, 0, 0, 0, 1});
         },
         0xccf7ed9d},
        {"one text",
         [] {
             gfx_begin_frame();
             gfx_text(4, text_id("Marble"), 5, 6, 1, 1, 1, 1);
             gfx_end_frame(0);
         },
         [](HandDigest& d) {
             d.word(5);
             d.words({4, 0, 6});
             d.floats({5, 6, 1, 1, 1, 1});
             d.bytes("Marble");
             d.word(6);
         },
         0xccf7ed9d},
        {"one sprite in a clip",
         [] {
             gfx_begin_frame();
             gfx_push_clip(1, 2, 3, 4);
             gfx_draw_sprite(9, 255, sprite_floats());
             gfx_pop_clip();
             gfx_end_frame(0);
         },
         [](HandDigest& d) {
             d.word(8);
             d.floats({1, 2, 3, 4});
             d.word(10);
             d.words({0, 1, -1, 0, 0, 0, 0, 0});
             d.word(3);
             d.words({9, 255, 0});
             d.floats({10, 20, 32, 48, 0, 0, 0, 0, 16, 24, 1, 1, 0});
             d.word(9);
             d.word(6);
         },
         0xccf7ed9d},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gfx_frame_construction_active = 0;
        c.draw();
        HandDigest expected{c.seed};
        c.expect(expected);
        EXPECT_EQ(trace(), expected.hash);
    }
}

TEST_F(RenderTrace, InvalidFramesTraceZero) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* name;
        void (*spoil)();
    } cases[] = {
        {"magic", [] { word(0) = 0x47584632; }},
        {"version 9", [] { word(1) = 9; }},
        {"version 6", [] { word(1) = 6; }},
        {"clip push left open", [] { word(22) = 3; }},
        {"pop without push", [] { order(2) = entry(6, 0); }},
        {"pop with an index", [] { order(4) = entry(6, 1); }},
        {"kind 0", [] { order(0) = 0; }},
        {"kind 7", [] { order(0) = entry(7, 0); }},
        {"negative entry", [] { order(0) = -1; }},
        {"line index past count", [] { order(0) = entry(1, 1); }},
        {"rect index past count", [] { order(1) = entry(4, 1); }},
        {"text index past count", [] { order(5) = entry(3, 1); }},
        {"batch index past count", [] { order(6) = entry(2, 2); }},
        {"clip index past count", [] { order(2) = entry(5, 1); }},
        {"batch clip past count", [] { batch(0)[2] = 1; }},
        {"batch clip -2", [] { batch(0)[2] = -2; }},
        {"empty batch", [] { batch(1)[1] = 0; }},
        {"batch past instances", [] { batch(1)[0] = 3; }},
        {"negative batch start", [] { batch(0)[0] = -1; }},
        {"batch material", [] { batch(0)[3] = 1; }},
        {"batch flags", [] { batch(0)[7] = 1; }},
        {"sprite 0", [] { instance_ints(1)[0] = 0; }},
        {"reserved word", [] { instance_ints(1)[2] = 1; }},
        {"NaN position", [] { instance_floats(2)[0] = nan; }},
        {"infinite rotation", [] { instance_floats(2)[12] = std::numeric_limits<float>::infinity(); }},
        {"width 0", [] { instance_floats(0)[2] = 0; }},
        {"source width only", [] { instance_floats(0)[6] = 4; }},
        {"scale 0", [] { instance_floats(0)[11] = 0; }},
        {"text offset at bytes used", [] { text_ints(0)[1] = 7; }},
        {"text runs into its terminator", [] { text_ints(0)[2] = 7; }},
        {"negative text length", [] { text_ints(0)[2] = -1; }},
        {"negative offset with a length", [] { text_ints(0)[1] = -1; }},
        {"most negative offset", [] {
             text_ints(0)[1] = INT32_MIN;
             text_ints(0)[2] = 0;
         }},
        {"4097 instances", [] { word(4) = 4097; }},
        {"10001 lines", [] { word(3) = 10001; }},
        {"rectangles beyond the shared pool", [] { word(24) = 10000; }},
        {"negative rectangle count", [] { word(24) = -1; }},
        {"negative line count", [] {
             word(3) = -1;
             order(0) = entry(4, 0);
         }},
        {"negative line count widening the rectangles", [] {
             word(3) = -1;
             word(24) = 10001;
             order(0) = entry(4, 0);
         }},
        {"65537 text bytes", [] { word(9) = 65537; }},
        {"2049 texts", [] { word(7) = 2049; }},
        {"order longer than its region", [] { word(22) = 16657; }},
        {"4097 batches", [] { word(29) = 4097; }},
        {"257 clips", [] { word(27) = 257; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gfx_frame_construction_active = 0;
        draw_sample_frame();
        ASSERT_NE(trace(), 0u);
        c.spoil();
        EXPECT_EQ(trace(), 0u);
    }
}

TEST_F(RenderTrace, AcceptedVariationsOfAFrame) {
    draw_sample_frame();
    const uint32_t v8 = trace();
    word(1) = 7;
    EXPECT_EQ(trace(), v8);  // the version is checked, not hashed
    word(1) = 8;

    text_ints(0)[1] = -5;  // a text without bytes
    text_ints(0)[2] = 0;
    const uint32_t without_bytes = trace();
    EXPECT_NE(without_bytes, 0u);
    EXPECT_NE(without_bytes, v8);
}

TEST_F(RenderTrace, ClipsNestAtMost256Deep) {
    const struct {
        int32_t depth;
        bool valid;
    } cases[] = {{256, true}, {257, false}};
    for (const auto& c : cases) {
        gfx_frame_construction_active = 0;
        gfx_begin_frame();
        gfx_push_clip(0, 0, 1, 1);
        gfx_pop_clip();
        word(22) = 0;
        for (int32_t i = 0; i < c.depth; ++i) order(word(22)++) = entry(5, 0);
        for (int32_t i = 0; i < c.depth; ++i) order(word(22)++) = entry(6, 0);
        EXPECT_EQ(trace() != 0, c.valid) << c.depth;
    }
}

TEST_F(RenderTrace, OrderDecidesAndUnnamedRecordsDoNotCount) {
    gfx_begin_frame();
    gfx_line(1, 1, 2, 2, 1, 1, 1, 1);
    gfx_rect(3, 3, 4, 4, 1, 1, 1, 1);
    gfx_end_frame(0);
    const uint32_t line_then_rect = trace();

    gfx_begin_frame();
    gfx_rect(3, 3, 4, 4, 1, 1, 1, 1);
    gfx_line(1, 1, 2, 2, 1, 1, 1, 1);
    gfx_end_frame(0);
    const uint32_t rect_then_line = trace();
    EXPECT_NE(line_then_rect, rect_then_line);
    std::swap(order(0), order(1));
    EXPECT_EQ(trace(), line_then_rect);

    // A second line that no order entry names.
    word(3) = 2;
    const uint32_t with_unnamed = trace();
    EXPECT_EQ(with_unnamed, line_then_rect);
    gfx_cmd_f32[TESSEL_GFX_F32_SHAPES + 8] = 123.0f;
    EXPECT_EQ(trace(), with_unnamed);
    gfx_cmd_f32[TESSEL_GFX_F32_SHAPES] = 123.0f;  // the named line
    EXPECT_NE(trace(), with_unnamed);
}

TEST_F(RenderTrace, EmptyOrderListFeedsKindByKindAndIgnoresClips) {
    // Drawn in canonical order, without clips.
    gfx_begin_frame();
    gfx_line(1, 1, 2, 2, 1, 1, 1, 1);
    gfx_rect(3, 3, 4, 4, 1, 1, 1, 1);
    gfx_draw_sprite(8, -1, sprite_floats());
    gfx_text(2, text_id("Marble"), 0, 0, 1, 1, 1, 1);
    gfx_end_frame(0);
    const uint32_t canonical = trace();

    // The same records in another order, with a clip, then the order list dropped.
    gfx_begin_frame();
    gfx_push_clip(5, 5, 5, 5);
    gfx_text(2, text_id("Marble"), 0, 0, 1, 1, 1, 1);
    gfx_draw_sprite(8, -1, sprite_floats());
    gfx_pop_clip();
    gfx_rect(3, 3, 4, 4, 1, 1, 1, 1);
    gfx_line(1, 1, 2, 2, 1, 1, 1, 1);
    gfx_end_frame(0);
    EXPECT_NE(trace(), canonical);
    word(22) = 0;
    EXPECT_EQ(trace(), canonical);
    gfx_cmd_f32[TESSEL_GFX_F32_CLIPS] = 99.0f;
    EXPECT_EQ(trace(), canonical);
}

TEST_F(RenderTrace, TextBytesCountOnlyWithTheByteArray) {
    draw_sample_frame();
    const uint32_t with_bytes = trace();
    const uint32_t without_bytes = tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, nullptr);
    EXPECT_NE(without_bytes, 0u);
    EXPECT_NE(without_bytes, with_bytes);

    gfx_cmd_u8[0] = 'X';
    EXPECT_NE(trace(), with_bytes);
    EXPECT_EQ(tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, nullptr), without_bytes);
    gfx_cmd_u8[7] = 'X';  // past the bytes in use
    gfx_cmd_u8[0] = 'M';
    EXPECT_EQ(trace(), with_bytes);

    EXPECT_EQ(tessel_render_trace_native(nullptr, gfx_cmd_f32, gfx_cmd_u8), 0u);
    EXPECT_EQ(tessel_render_trace_native(gfx_cmd_i32, nullptr, gfx_cmd_u8), 0u);
}

TEST_F(RenderTrace, SlicesMustHaveTheStreamSizes) {
    draw_sample_frame();
    const std::span<const int32_t> i32(gfx_cmd_i32);
    const std::span<const float> f32(gfx_cmd_f32);
    const std::span<const uint8_t> u8(gfx_cmd_u8);
    EXPECT_EQ(tessel::current_render_trace(i32, f32, u8), trace());
    EXPECT_EQ(tessel::current_render_trace(i32.first(67887), f32, u8), 0u);
    EXPECT_EQ(tessel::current_render_trace(i32, f32.first(146563), u8), 0u);
    EXPECT_EQ(tessel::current_render_trace(i32, f32, u8.first(65535)), 0u);
    word(1) = 7;
    EXPECT_EQ(tessel::current_render_trace(i32, f32, u8), trace());
    word(0) = 0;
    EXPECT_EQ(tessel::current_render_trace(i32, f32, u8), 0u);
}

TEST_F(RenderTrace, CompiledCodeTracesRegisteredArraysByName) {
    constexpr int32_t i32 = path_hash("gfx_cmd_i32");
    constexpr int32_t f32 = path_hash("gfx_cmd_f32");
    constexpr int32_t u8 = path_hash("gfx_cmd_u8");
    draw_sample_frame();
    const uint32_t expected = trace();
    ASSERT_NE(expected, 0u);
    const struct {
        int32_t i32_name, i32_count, f32_name, f32_count, u8_name, u8_count;
        uint32_t result;
    } cases[] = {
        {i32, 67888, f32, 146564, u8, 65536, expected},
        {i32, 67887, f32, 146564, u8, 65536, 0},
        {i32, 67889, f32, 146564, u8, 65536, 0},
        {i32, 67888, f32, 146563, u8, 65536, 0},
        {i32, 67888, f32, 146564, u8, 65535, 0},
        {path_hash("no.such.array"), 67888, f32, 146564, u8, 65536, 0},
        {f32, 67888, f32, 146564, u8, 65536, 0},  // a float array holds no magic
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tessel_jit_render_trace(c.i32_name, c.i32_count, c.f32_name, c.f32_count, c.u8_name, c.u8_count),
                  c.result);
    }
    word(1) = 9;
    EXPECT_EQ(tessel_jit_render_trace(i32, 67888, f32, 146564, u8, 65536), 0u);
}

}  // namespace
