// A real window (needs a display, for example under Xvfb; skipped without one): the window shows the
// same pixels as the headless canvas.
#include <cstdlib>
#include <filesystem>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

TEST(Window, ShowsTheSamePixelsAsTheCanvas) {
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "no display";
    ASSERT_NE(library(), nullptr) << dlerror();
    setenv("SDL_RENDER_DRIVER", "software", 1);
    ASSERT_EQ(GFX(tessel_set_recording_config)(0, 0, 0), 1);
    ASSERT_EQ(GFX(tessel_init_window)(200, 120, "tessel graphics test"), 1);
    std::vector<int32_t> host_i32(TESSEL_HOST_I32_CAPACITY);
    std::vector<float> host_f32(TESSEL_HOST_F32_CAPACITY);
    GFX(tessel_host_get_frame)(host_i32.data(), host_f32.data());
    if ((host_i32[TESSEL_HOST_I32_FLAGS] & 1) != 0) GTEST_SKIP() << "no window could be opened";
    const int w = static_cast<int>(host_f32[TESSEL_HOST_F32_LOGICAL_WIDTH]), h = static_cast<int>(host_f32[TESSEL_HOST_F32_LOGICAL_HEIGHT]);

    const int32_t sprite = GFX(tessel_gfx_load_sprite)(fixture("marble.svg").c_str(), 48, 48);
    ASSERT_GT(sprite, 0);
    Frame frame;
    frame.clear(0.2f, 0.3f, 0.4f);
    frame.rect(10, 10, 60, 30, 1, 0.5f, 0);
    frame.line(0, 0, 200, 120, 1, 1, 1);
    frame.sprite_at(sprite, 100, 40, 48, 48, 30);
    frame.complete();
    const std::string shot = temp_path("window.png");
    ASSERT_EQ(GFX(tessel_host_schedule_screenshot)(shot.c_str()), 1);
    frame.submit();
    const Image window = Image::load_png(shot);
    std::filesystem::remove(shot);
    const Image canvas = capture();
    ASSERT_EQ(window.width, w);
    ASSERT_EQ(canvas.width, w);
    int differing = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgba a = window.at(x, y), b = canvas.at(x, y);
            if (std::abs(a.r - b.r) > 2 || std::abs(a.g - b.g) > 2 || std::abs(a.b - b.b) > 2) ++differing;
        }
    }
    EXPECT_EQ(differing, 0);
    GFX(tessel_gfx_release_sprite)(sprite);
    ASSERT_EQ(GFX(tessel_set_recording_config)(1, 0, 0), 1);  // closes the window
}

}  // namespace
}  // namespace gfxtest
