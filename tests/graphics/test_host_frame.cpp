// The host side of a headless display: input frames, request words, the recorded clock, placement,
// counters, images, clipboard and links.
#include <filesystem>
#include <vector>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

struct HostArrays {
    std::vector<int32_t> i32 = std::vector<int32_t>(TESSEL_HOST_I32_CAPACITY, -1);
    std::vector<float> f32 = std::vector<float>(TESSEL_HOST_F32_CAPACITY, -1.0f);

    void get() { GFX(tessel_host_get_frame)(i32.data(), f32.data()); }
};

using HostFrame = GraphicsTest;

TEST_F(HostFrame, HeadlessFrameDescribesTheCanvas) {
    HostArrays host;
    host.get();
    EXPECT_EQ(host.f32[TESSEL_HOST_F32_LOGICAL_WIDTH], static_cast<float>(width));
    EXPECT_EQ(host.f32[TESSEL_HOST_F32_LOGICAL_HEIGHT], static_cast<float>(height));
    EXPECT_EQ(host.f32[TESSEL_HOST_F32_SAFE_WIDTH], static_cast<float>(width));
    EXPECT_EQ(host.f32[TESSEL_HOST_F32_SAFE_HEIGHT], static_cast<float>(height));
    EXPECT_EQ(host.f32[TESSEL_HOST_F32_RASTER_SCALE], 1.0f);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_DRAWABLE_WIDTH_PX], width);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_NATIVE_WIDTH_PX], 0);  // no display: the module keeps its size
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_POINTER_COUNT], 0);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_QUIT_REQUESTED], 0);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_FLAGS] & 1, 1);  // headless
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_KEYS + TESSEL_KEY_SPACE], 0);
    EXPECT_EQ(host.i32[700], 0);  // reserved words are zero
    const int32_t tick = host.i32[TESSEL_HOST_I32_TICK_INDEX];
    host.get();
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_TICK_INDEX], tick + 1);
}

TEST_F(HostFrame, RecordedClockFollowsTheFrameCount) {
    ASSERT_EQ(GFX(tessel_set_recording_config)(2, 50, 0), 1);
    HostArrays host;
    host.get();
    const int32_t first = host.i32[TESSEL_HOST_I32_TICK_INDEX];
    for (int i = 0; i < 10; ++i) host.get();
    const int32_t frame = host.i32[TESSEL_HOST_I32_TICK_INDEX];
    EXPECT_EQ(frame, first + 10);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_TIME_MS], frame * 20);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_TIME_US], frame * 20000);
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_TICK_HZ], 50);
    GFX(tessel_sleep_ms)(60000);  // returns at once with the recorded clock
}

TEST_F(HostFrame, FrameLimitRequestsQuit) {
    HostArrays host;
    host.get();
    const int32_t frame = host.i32[TESSEL_HOST_I32_TICK_INDEX];
    ASSERT_EQ(GFX(tessel_set_recording_config)(1, 0, frame + 3), 1);
    for (int i = 1; i < 3; ++i) {
        host.get();
        EXPECT_EQ(host.i32[TESSEL_HOST_I32_QUIT_REQUESTED], 0) << i;
    }
    host.get();
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_QUIT_REQUESTED], 1);
}

TEST_F(HostFrame, RecordingConfigurationRefusesBadValues) {
    EXPECT_EQ(GFX(tessel_set_recording_config)(3, 0, 0), 0);
    EXPECT_EQ(GFX(tessel_set_recording_config)(-1, 0, 0), 0);
    EXPECT_EQ(GFX(tessel_set_recording_config)(2, 1001, 0), 0);
    EXPECT_EQ(GFX(tessel_set_recording_config)(1, 0, -1), 0);
}

TEST_F(HostFrame, RequestWordsResizeOnANewSequence) {
    int32_t words[4] = {0, 0, 0, 0};
    GFX(tessel_host_bulk_init)(words);
    HostArrays host;
    const auto logical = [&] {
        host.get();
        return std::pair{host.f32[TESSEL_HOST_F32_LOGICAL_WIDTH], host.f32[TESSEL_HOST_F32_LOGICAL_HEIGHT]};
    };
    words[1] = TESSEL_HOST_REQ_RESIZE_WINDOW, words[2] = 80, words[3] = 30;
    GFX(tessel_host_bulk_apply_requests)();
    EXPECT_EQ(logical(), std::pair(float(width), float(height)));  // the sequence did not change

    words[0] = 1;
    GFX(tessel_host_bulk_apply_requests)();
    EXPECT_EQ(logical(), std::pair(80.0f, 30.0f));
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_DISPLAY_RESIZED], 1);
    EXPECT_EQ(logical(), std::pair(80.0f, 30.0f));
    EXPECT_EQ(host.i32[TESSEL_HOST_I32_DISPLAY_RESIZED], 0);

    words[0] = 2, words[2] = -5;  // an impossible size is ignored
    GFX(tessel_host_bulk_apply_requests)();
    EXPECT_EQ(logical(), std::pair(80.0f, 30.0f));
    words[0] = 3, words[1] = 4, words[2] = 90;  // an unknown request kind too
    GFX(tessel_host_bulk_apply_requests)();
    EXPECT_EQ(logical(), std::pair(80.0f, 30.0f));
    words[0] = 4, words[1] = TESSEL_HOST_REQ_OPEN_WINDOW, words[2] = 70, words[3] = 40;
    GFX(tessel_host_bulk_apply_requests)();
    EXPECT_EQ(logical(), std::pair(70.0f, 40.0f));
    GFX(tessel_host_bulk_init)(nullptr);
    GFX(tessel_host_bulk_apply_requests)();
}

TEST_F(HostFrame, InitWindowRefusesImpossibleSizes) {
    EXPECT_EQ(GFX(tessel_init_window)(0, 10, "x"), 0);
    EXPECT_EQ(GFX(tessel_init_window)(10, -1, "x"), 0);
    EXPECT_EQ(GFX(tessel_init_window)(100000, 10, "x"), 0);
    EXPECT_EQ(GFX(tessel_init_window)(10, 10, nullptr), 1);
}

TEST_F(HostFrame, PlacementOfAHeadlessDisplay) {
    int32_t words[TESSEL_WINDOW_PLACEMENT_WORDS] = {};
    float scales[TESSEL_WINDOW_PLACEMENT_SCALES] = {};
    ASSERT_EQ(GFX(tessel_host_get_window_placement)(words, 10, scales, 2), 1);
    EXPECT_EQ(words[2], width);
    EXPECT_EQ(words[3], height);
    EXPECT_EQ(words[6], width);
    EXPECT_EQ(scales[0], 1.0f);
    EXPECT_EQ(GFX(tessel_host_get_window_placement)(words, 9, scales, 2), 0);
    EXPECT_EQ(GFX(tessel_host_apply_window_placement)(0, 0, 0, 10, 0), 0);
    ASSERT_EQ(GFX(tessel_host_apply_window_placement)(5, 5, 50, 40, 0), 1);
    ASSERT_EQ(GFX(tessel_host_get_window_placement)(words, 10, scales, 2), 1);
    EXPECT_EQ(words[2], 50);
    EXPECT_EQ(words[3], 40);
    EXPECT_EQ(GFX(tessel_host_focus_window)(), 0);
    EXPECT_EQ(GFX(tessel_host_focus_game_window)(), 1);
    int32_t bounds[4] = {};
    EXPECT_EQ(GFX(tessel_host_get_monitor_usable_bounds)(0, 0, bounds), 0);
}

TEST_F(HostFrame, PerformanceRecordAndOverlay) {
    GFX(tessel_host_set_performance_metrics)(1500, 700);
    Frame frame;
    frame.clear(1, 1, 1);
    frame.complete();
    frame.submit();
    TesselPerformanceMetricsV1 record{};
    ASSERT_EQ(GFX(tessel_host_get_latest_performance_metrics_v1)(&record, sizeof record), 1);
    EXPECT_EQ(record.version, 1u);
    EXPECT_EQ(record.size, 96u);
    EXPECT_EQ(record.counters[0], 1500u);
    EXPECT_EQ(record.counters[1], 700u);
    EXPECT_GE(record.frame_index, 1u);
    EXPECT_EQ(GFX(tessel_host_get_latest_performance_metrics_v1)(&record, 95), 0);

    EXPECT_EQ(GFX(tessel_host_performance_metrics_enabled)(), 0);
    GFX(tessel_host_set_performance_metrics_enabled)(1);
    EXPECT_EQ(GFX(tessel_host_performance_metrics_enabled)(), 1);
    frame.submit();
    EXPECT_FALSE(pixel_near(capture(), 10, 10, 255, 255, 255, 0));  // the overlay's dark panel
    GFX(tessel_host_set_performance_metrics_enabled)(0);
    frame.submit();
    EXPECT_TRUE(pixel_near(capture(), 10, 10, 255, 255, 255, 0));
}

TEST_F(HostFrame, ImagesOfTheDisplayedFrame) {
    Frame frame;
    frame.clear(0, 0, 1);
    frame.complete();
    frame.submit();
    const std::string bmp = temp_path("frame.bmp");
    ASSERT_EQ(GFX(tessel_gfx_dump_bmp)(bmp.c_str()), 1);
    EXPECT_EQ(std::filesystem::file_size(bmp), 54u + static_cast<uintmax_t>(width) * 3 * height);
    std::filesystem::remove(bmp);
    EXPECT_EQ(GFX(tessel_gfx_dump_png)(""), 0);
    EXPECT_EQ(GFX(tessel_gfx_dump_bmp)(nullptr), 0);
    EXPECT_EQ(GFX(tessel_gfx_dump_png)("/no/such/dir/frame.png"), 0);

    const std::string shot = temp_path("shot.png");
    ASSERT_EQ(GFX(tessel_host_schedule_screenshot)(shot.c_str()), 1);
    EXPECT_FALSE(std::filesystem::exists(shot));  // written with the next frame
    frame.submit();
    const Image image = Image::load_png(shot);
    EXPECT_TRUE(pixel_near(image, 3, 3, 0, 0, 255, 0));
    std::filesystem::remove(shot);
    EXPECT_EQ(GFX(tessel_host_schedule_screenshot)(nullptr), 0);
}

TEST_F(HostFrame, ClipboardRoundTrip) {
    const std::string code = "PMW1-abc-XYZ";
    ASSERT_EQ(GFX(tessel_clipboard_save_ascii)(reinterpret_cast<const uint8_t*>(code.data()), static_cast<int32_t>(code.size())), 1);
    std::vector<uint8_t> buffer(64, 0);
    EXPECT_EQ(GFX(tessel_clipboard_load_ascii)(buffer.data(), 64), static_cast<int32_t>(code.size()));
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + static_cast<long>(code.size())), code);

    // Exactly the capacity loads whole; a longer text reports its length and fills only the buffer.
    std::vector<uint8_t> exact(code.size(), 0);
    EXPECT_EQ(GFX(tessel_clipboard_load_ascii)(exact.data(), static_cast<int32_t>(code.size())), static_cast<int32_t>(code.size()));
    std::vector<uint8_t> small(5, 0);
    EXPECT_EQ(GFX(tessel_clipboard_load_ascii)(small.data(), 5), static_cast<int32_t>(code.size()));
    EXPECT_EQ(std::string(small.begin(), small.end()), "PMW1-");
}

TEST_F(HostFrame, ClipboardTextLosesSurroundingWhiteSpace) {
    const std::string pasted = "  line\r\n";
    ASSERT_EQ(GFX(tessel_clipboard_save_ascii)(reinterpret_cast<const uint8_t*>(pasted.data()), static_cast<int32_t>(pasted.size())), 1);
    std::vector<uint8_t> buffer(16, 0);
    EXPECT_EQ(GFX(tessel_clipboard_load_ascii)(buffer.data(), 16), 4);
    EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), "line");
    EXPECT_EQ(GFX(tessel_clipboard_save_ascii)(nullptr, 3), 0);
    EXPECT_EQ(GFX(tessel_clipboard_save_ascii)(buffer.data(), -1), 0);
    EXPECT_EQ(GFX(tessel_clipboard_load_ascii)(nullptr, 16), 0);
}

TEST_F(HostFrame, LinksAreNotOpenedWithoutADesktop) {
    const std::string url = "https://example.org/";
    EXPECT_EQ(GFX(tessel_open_external_url)(reinterpret_cast<const uint8_t*>(url.data()), static_cast<int32_t>(url.size())), 0);
    EXPECT_EQ(GFX(tessel_open_external_url)(nullptr, 5), 0);
}

}  // namespace
}  // namespace gfxtest
