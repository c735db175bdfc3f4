// The host's production copy of the command stream: its error texts, frames that are no new frame,
// and exactly which parts of a frame it copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/gfx/gfx.hpp"
#include "app/state/state.hpp"
#include "runtime_tables.hpp"
#include "sample_frame.hpp"

namespace {

using tessel::testing::draw_sample_frame;
using tessel::testing::sprite_floats;

constexpr int32_t sentinel_i32 = -123456;
constexpr float sentinel_f32 = -9.5f;
constexpr uint8_t sentinel_u8 = 0xAB;

int32_t& word(int32_t w) { return gfx_cmd_i32[w]; }



class ProductionCopy : public tessel::testing::RuntimeTablesTest {
protected:
    void SetUp() override {
        RuntimeTablesTest::SetUp();
        state_bind_runtime_globals();
        gfx_frame_construction_active = 0;
        gfx_sprite_writer_token = 0;
        fill_destination();
    }

    void fill_destination() {
        std::fill(dst_i32.begin(), dst_i32.end(), sentinel_i32);
        std::fill(dst_f32.begin(), dst_f32.end(), sentinel_f32);
        std::fill(dst_u8.begin(), dst_u8.end(), sentinel_u8);
    }

    bool destination_untouched() const {
        return std::all_of(dst_i32.begin(), dst_i32.end(), [](int32_t v) { return v == sentinel_i32; }) &&
               std::all_of(dst_f32.begin(), dst_f32.end(), [](float v) { return v == sentinel_f32; }) &&
               std::all_of(dst_u8.begin(), dst_u8.end(), [](uint8_t v) { return v == sentinel_u8; });
    }

    tessel::Result<tessel::ProductionFrame> copy() { return tessel::copy_production_render_frame(dst_i32, dst_f32, dst_u8); }

    std::vector<int32_t> dst_i32 = std::vector<int32_t>(TESSEL_GFX_I32_CAPACITY);
    std::vector<float> dst_f32 = std::vector<float>(TESSEL_GFX_F32_CAPACITY);
    std::vector<uint8_t> dst_u8 = std::vector<uint8_t>(TESSEL_GFX_U8_CAPACITY);
};

TEST_F(ProductionCopy, CopiesExactlyTheLiveParts) {
    draw_sample_frame();
    auto result = copy();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result.value(), tessel::ProductionFrame::copied);

    const struct {
        const char* name;
        int32_t first, live, stride;
        bool followed_by_dead;  // the element after the region is not live
    } i32_regions[] = {
        {"header", 0, 32, 1, false},
        {"instances", TESSEL_GFX_I32_INSTANCES, 3, 3, true},
        {"texts", TESSEL_GFX_I32_TEXTS, 1, 3, true},
        {"batches", TESSEL_GFX_I32_BATCHES, 2, 8, true},
        {"order", TESSEL_GFX_I32_ORDER, 7, 1, true},
    };
    for (const auto& r : i32_regions) {
        SCOPED_TRACE(r.name);
        const int32_t end = r.first + r.live * r.stride;
        EXPECT_TRUE(std::equal(gfx_cmd_i32 + r.first, gfx_cmd_i32 + end, dst_i32.begin() + r.first));
        if (r.followed_by_dead) {
            EXPECT_EQ(dst_i32[end], sentinel_i32);
        }
    }
    const struct {
        const char* name;
        int32_t first, live, stride;
        bool followed_by_dead;
    } f32_regions[] = {
        {"clear colour", 0, 1, 4, false},
        {"line 0", TESSEL_GFX_F32_SHAPES, 1, 8, true},
        {"instances", TESSEL_GFX_F32_INSTANCES, 3, 13, true},
        {"texts", TESSEL_GFX_F32_TEXTS, 1, 6, true},
        {"clips", TESSEL_GFX_F32_CLIPS, 1, 4, true},
    };
    for (const auto& r : f32_regions) {
        SCOPED_TRACE(r.name);
        const int32_t end = r.first + r.live * r.stride;
        EXPECT_TRUE(std::equal(gfx_cmd_f32 + r.first, gfx_cmd_f32 + end, dst_f32.begin() + r.first));
        if (r.followed_by_dead) {
            EXPECT_EQ(dst_f32[end], sentinel_f32);
        }
    }
    // The one rectangle sits in the last slot; the slot before it is not live.
    EXPECT_TRUE(std::equal(gfx_cmd_f32 + 79996, gfx_cmd_f32 + 80004, dst_f32.begin() + 79996));
    EXPECT_EQ(dst_f32[79995], sentinel_f32);
    EXPECT_TRUE(std::equal(gfx_cmd_u8, gfx_cmd_u8 + 7, dst_u8.begin()));
    EXPECT_EQ(dst_u8[7], sentinel_u8);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(dst_u8.data())), "Marble");
}

TEST_F(ProductionCopy, ErrorTexts) {
    const struct {
        const char* name;
        void (*spoil)();
        std::size_t i32_size, f32_size, u8_size;
        const char* error;
    } cases[] = {
        {"short integer destination", [] {}, 67887, 146564, 65536,
         "production render destination has the wrong capacity"},
        {"short float destination", [] {}, 67888, 146563, 65536,
         "production render destination has the wrong capacity"},
        {"short byte destination", [] {}, 67888, 146564, 0, "production render destination has the wrong capacity"},
        {"version 9", [] { word(1) = 9; }, 67888, 146564, 65536,
         "JIT frame has unsupported gfx_cmd version 9; expected 8"},
        {"negative version", [] { word(1) = -3; }, 67888, 146564, 65536,
         "JIT frame has unsupported gfx_cmd version -3; expected 8"},
        {"no frame ever written",
         [] {
             word(0) = 0;
             word(1) = 0;
         },
         67888, 146564, 65536, "JIT frame has unsupported gfx_cmd version 0; expected 8"},
        {"magic", [] { word(0) = 0x31465847; }, 67888, 146564, 65536,
         "JIT frame is not a supported production gfx_cmd frame"},
        {"clip push left open", [] { word(22) = 3; }, 67888, 146564, 65536,
         "JIT frame failed canonical render validation"},
        {"v7 with a bad instance",
         [] {
             word(1) = 7;
             word(2) = 0;
             gfx_cmd_i32[TESSEL_GFX_I32_INSTANCES] = 0;
         },
         67888, 146564, 65536, "JIT frame failed canonical render validation"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        draw_sample_frame();
        c.spoil();
        std::vector<int32_t> i32(c.i32_size, sentinel_i32);
        std::vector<float> f32(c.f32_size, sentinel_f32);
        std::vector<uint8_t> u8(c.u8_size, sentinel_u8);
        auto result = tessel::copy_production_render_frame(i32, f32, u8);
        ASSERT_FALSE(result);
        EXPECT_EQ(result.error(), c.error);
        EXPECT_TRUE(std::all_of(i32.begin(), i32.end(), [](int32_t v) { return v == sentinel_i32; }));
    }
}

TEST_F(ProductionCopy, BuffersMustBeRegisteredWithTheirCapacity) {
    draw_sample_frame();
    tessel::clear_registered_global_memory();
    auto result = copy();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "production render buffers were not registered by the JIT");

    // A registration shorter than the stream is not the stream.
    state_bind_runtime_globals();
    tessel_jit_register_global_u8_array(path_hash("gfx_cmd_u8"), 0, gfx_cmd_u8, 1024);
    result = copy();
    ASSERT_FALSE(result);
    EXPECT_EQ(result.error(), "production render buffers were not registered by the JIT");
    EXPECT_TRUE(destination_untouched());

    state_bind_runtime_globals();
    EXPECT_TRUE(copy());
}

TEST_F(ProductionCopy, Version8FrameWithoutTheCompleteBitIsNoNewFrame) {
    const struct {
        const char* name;
        void (*draw)();
    } cases[] = {
        {"still under construction",
         [] {
             gfx_begin_frame();
             gfx_rect(1, 1, 1, 1, 1, 1, 1, 1);
         }},
        {"ended with status 3",
         [] {
             gfx_begin_frame();
             gfx_rect(1, 1, 1, 1, 1, 1, 1, 1);
             gfx_end_frame(3);
         }},
        {"begun twice",
         [] {
             gfx_begin_frame();
             gfx_begin_frame();
             gfx_end_frame(0);
         }},
        {"incomplete and invalid",
         [] {
             gfx_begin_frame();
             gfx_push_clip(0, 0, 1, 1);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        gfx_frame_construction_active = 0;
        c.draw();
        auto result = copy();
        ASSERT_TRUE(result) << result.error();
        EXPECT_EQ(result.value(), tessel::ProductionFrame::not_complete);
        EXPECT_TRUE(destination_untouched());
    }
}

TEST_F(ProductionCopy, Version7FrameNeedsNoCompleteBit) {
    draw_sample_frame();
    word(1) = 7;
    word(2) = 1;  // clear colour only
    auto result = copy();
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(result.value(), tessel::ProductionFrame::copied);
    EXPECT_EQ(dst_i32[1], 7);
    EXPECT_EQ(dst_i32[TESSEL_GFX_W_ORDER_LENGTH], 7);
}

TEST_F(ProductionCopy, LargerDestinationIsFine) {
    draw_sample_frame();
    std::vector<int32_t> i32(TESSEL_GFX_I32_CAPACITY + 10, sentinel_i32);
    std::vector<float> f32(TESSEL_GFX_F32_CAPACITY + 10, sentinel_f32);
    std::vector<uint8_t> u8(TESSEL_GFX_U8_CAPACITY + 10, sentinel_u8);
    auto result = tessel::copy_production_render_frame(i32, f32, u8);
    ASSERT_TRUE(result) << result.error();
    EXPECT_EQ(i32[0], TESSEL_GFX_MAGIC);
    EXPECT_EQ(i32.back(), sentinel_i32);
}

}  // namespace
