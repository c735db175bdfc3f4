// The host input frame: copy rules of host_i32 / host_f32 into app.frame, requests, window fitting.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/entry/entry.hpp"

namespace {

class HostFrame : public ::testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    static void clear() {
        std::fill(std::begin(host_i32), std::end(host_i32), 0);
        std::fill(std::begin(host_f32), std::end(host_f32), 0.0f);
        host_req_seq = host_req_flags = host_req_window_w_px = host_req_window_h_px = 0;
    }
};

TEST_F(HostFrame, PointerCountIsClampedAndAllPointersCopied) {
    struct Case {
        int32_t given, stored;
    };
    for (Case c : {Case{12, 8}, Case{-3, 0}, Case{3, 3}, Case{8, 8}, Case{0, 0}}) {
        host_i32[TESSEL_HOST_I32_POINTER_COUNT] = c.given;
        for (int p = 0; p < 8; ++p) {
            host_i32[TESSEL_HOST_I32_POINTERS + 4 * p] = 100 + p;
            host_i32[TESSEL_HOST_I32_POINTERS + 4 * p + 1] = -2;  // any non-zero is true
            host_f32[6 * p + 0] = 10.0f * p;
            host_f32[6 * p + 5] = 0.5f + p;
        }
        frame_read_host();
        EXPECT_EQ(app_frame_pointer_count, c.stored) << c.given;
        for (int p = 0; p < 8; ++p) {
            EXPECT_EQ(app_frame_pointers_id[p], 100 + p);
            EXPECT_EQ(app_frame_pointers_is_down[p], 1);
            EXPECT_EQ(app_frame_pointers_went_down[p], 0);
            EXPECT_EQ(app_frame_pointers_x_logical[p], 10.0f * p);
            EXPECT_EQ(app_frame_pointers_y_normalized[p], 0.5f + p);
        }
    }
}

TEST_F(HostFrame, BooleansBecomeOneAndValuesCopyAsTheyAre) {
    host_i32[TESSEL_HOST_I32_QUIT_REQUESTED] = 5;
    host_i32[TESSEL_HOST_I32_WINDOW_FOCUSED] = -1;
    host_i32[TESSEL_HOST_I32_DISPLAY_RESIZED] = 2;
    host_i32[TESSEL_HOST_I32_TIME_MS] = -40;
    host_i32[TESSEL_HOST_I32_NATIVE_WIDTH_PX] = 2560;
    host_i32[TESSEL_HOST_I32_DENSITY_GENERATION] = 9;
    host_i32[TESSEL_HOST_I32_KEYS + 41] = 3;
    host_i32[TESSEL_HOST_I32_KEYS + 511] = 1;
    host_f32[TESSEL_HOST_F32_SAFE_WIDTH] = 1234.5f;
    host_f32[TESSEL_HOST_F32_AVAILABLE_HEIGHT] = 77.0f;
    frame_read_host();
    EXPECT_EQ(app_frame_quit_requested, 1);
    EXPECT_EQ(app_frame_window_focused, 1);
    EXPECT_EQ(app_frame_display_resized, 1);
    EXPECT_EQ(app_frame_time_ms, -40);
    EXPECT_EQ(app_frame_display_native_width_px, 2560);
    EXPECT_EQ(app_frame_display_density_generation, 9);
    EXPECT_EQ(app_frame_keys[41], 3);  // keys are copied as they are
    EXPECT_EQ(app_frame_keys[511], 1);
    EXPECT_EQ(app_frame_display_safe_width, 1234.5f);
    EXPECT_EQ(app_frame_display_available_height, 77.0f);
}

TEST_F(HostFrame, ARequestOverwritesTheLastOneAndAdvancesTheSequence) {
    host_request_window(2000, 900);
    host_request_resize(1600, 900);
    EXPECT_EQ(host_req_seq, 2);
    EXPECT_EQ(host_req_flags, TESSEL_HOST_REQ_RESIZE_WINDOW);
    EXPECT_EQ(host_req_window_w_px, 1600);
    EXPECT_EQ(host_req_window_h_px, 900);
}

TEST_F(HostFrame, FitWindowKeepsNineHundredHighWithTheDisplayAspect) {
    struct Case {
        int32_t native_w, native_h;
        float logical_w, logical_h;
        bool requests;
        int32_t width;
    };
    const Case cases[] = {
        {2560, 1440, 2000, 900, true, 1600},
        {1080, 1920, 2000, 900, true, 650},  // portrait: the 650 floor
        {2560, 1440, 1600, 900, false, 0},   // already fitted
        {2560, 1440, 1600.4f, 899.6f, false, 0},
        {2560, 1440, 1600, 901, true, 1600},
        {1920, 1080, 1600, 900, false, 0},
        {3440, 1440, 2000, 900, true, 2150},
        {0, 1080, 2000, 900, false, 0},      // no display size: never a request
        {1920, 0, 2000, 900, false, 0},
        {-5, -5, 2000, 900, false, 0},
        {2147483647, 1, 2000, 900, true, 1000000000},  // absurd sizes stay finite
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.native_w << "x" << c.native_h);
        host_req_seq = 0;
        host_i32[TESSEL_HOST_I32_NATIVE_WIDTH_PX] = c.native_w;
        host_i32[TESSEL_HOST_I32_NATIVE_HEIGHT_PX] = c.native_h;
        host_f32[TESSEL_HOST_F32_LOGICAL_WIDTH] = c.logical_w;
        host_f32[TESSEL_HOST_F32_LOGICAL_HEIGHT] = c.logical_h;
        frame_read_host();
        fit_window();
        EXPECT_EQ(host_req_seq, c.requests ? 1 : 0);
        if (c.requests) {
            EXPECT_EQ(host_req_flags, TESSEL_HOST_REQ_RESIZE_WINDOW);
            EXPECT_EQ(host_req_window_w_px, c.width);
            EXPECT_EQ(host_req_window_h_px, 900);
        }
    }
}

}  // namespace
