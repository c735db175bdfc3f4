// Sprites: rasterising SVG files at the requested size, handles, asset root and reloading.
#include <filesystem>
#include <fstream>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

class Sprites : public GraphicsTest {
protected:
    /** Draws a whole sprite at (0, 0) in its own size w x h over black and reads the canvas back. */
    Image draw(int32_t sprite, float w, float h) {
        Frame frame;
        frame.clear(0, 0, 0);
        frame.sprite_at(sprite, 0, 0, w, h);
        frame.complete();
        frame.submit();
        return capture();
    }
};

TEST_F(Sprites, SvgIsRasterisedAtTheRequestedSize) {
    // The 20 x 20 document at 40 x 40: every quadrant doubles.
    const int32_t sprite = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 40, 40);
    ASSERT_GT(sprite, 0);
    const Image image = draw(sprite, 40, 40);
    EXPECT_TRUE(pixel_near(image, 19, 19, 255, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 20, 19, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 19, 20, 0, 0, 255, 0));
    EXPECT_TRUE(pixel_near(image, 39, 39, 255, 255, 255, 0));
    GFX(tessel_gfx_release_sprite)(sprite);
}

TEST_F(Sprites, DocumentIsStretchedToAnotherAspectRatio) {
    const int32_t sprite = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 40, 10);
    ASSERT_GT(sprite, 0);
    const Image image = draw(sprite, 40, 10);
    EXPECT_TRUE(pixel_near(image, 2, 2, 255, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 38, 2, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 2, 8, 0, 0, 255, 0));
    EXPECT_TRUE(pixel_near(image, 38, 8, 255, 255, 255, 0));
    GFX(tessel_gfx_release_sprite)(sprite);
}

TEST_F(Sprites, GradientsAreRasterisedSmoothly) {
    const int32_t sprite = GFX(tessel_gfx_load_sprite)(fixture("ramp.svg").c_str(), 64, 8);
    ASSERT_GT(sprite, 0);
    const Image image = draw(sprite, 64, 8);
    // The wood gradient runs from light at the top to dark at the bottom.
    const Rgba top = image.at(32, 2), bottom = image.at(32, 5);
    EXPECT_GT(top.r, bottom.r);
    EXPECT_GT(top.r, 100);
    GFX(tessel_gfx_release_sprite)(sprite);
}

TEST_F(Sprites, BadRequestsLoadNothing) {
    struct Case {
        const char* name;
        std::string path;
        int32_t w, h;
    };
    const Case cases[] = {
        {"missing file", fixture("no_such.svg"), 20, 20},
        {"broken document", fixture("broken.svg"), 20, 20},
        {"not an image", fixture("constant_mono_48k.wav"), 20, 20},
        {"negative width", fixture("quadrants.svg"), -1, 20},
        {"too large", fixture("quadrants.svg"), 100000, 20},
        {"empty path", "", 20, 20},
    };
    for (const Case& c : cases) EXPECT_EQ(GFX(tessel_gfx_load_sprite)(c.path.c_str(), c.w, c.h), 0) << c.name;
    EXPECT_EQ(GFX(tessel_gfx_load_sprite)(nullptr, 20, 20), 0);
}

TEST_F(Sprites, ZeroSizeTakesTheDocumentsOwnSize) {
    const int32_t sprite = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 0, 0);
    ASSERT_GT(sprite, 0);
    // Drawn 1:1 in 20 x 20, the document's size, the quadrants are 10 pixels each.
    const Image image = draw(sprite, 20, 20);
    EXPECT_TRUE(pixel_near(image, 9, 9, 255, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 10, 10, 255, 255, 255, 0));
    GFX(tessel_gfx_release_sprite)(sprite);
}

TEST_F(Sprites, StaleAndForeignHandlesAreRefused) {
    const int32_t first = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
    ASSERT_GT(first, 0);
    GFX(tessel_gfx_release_sprite)(first);
    const int32_t second = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
    ASSERT_GT(second, 0);
    EXPECT_NE(first, second);  // the slot is reused under a new generation
    EXPECT_TRUE(pixel_near(draw(first, 20, 20), 5, 5, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(draw(second, 20, 20), 5, 5, 255, 0, 0, 0));
    GFX(tessel_gfx_release_sprite)(first);  // releasing a stale handle leaves the new sprite alone
    EXPECT_TRUE(pixel_near(draw(second, 20, 20), 5, 5, 255, 0, 0, 0));
    GFX(tessel_gfx_release_sprite)(second);
    GFX(tessel_gfx_release_sprite)(0);
    GFX(tessel_gfx_release_sprite)(-7);
}

TEST_F(Sprites, RelativePathsFollowTheAssetRoot) {
    EXPECT_EQ(GFX(tessel_set_asset_root)(TESSEL_GRAPHICS_FIXTURES_DIR), 1);
    const int32_t sprite = GFX(tessel_gfx_load_sprite)("quadrants.svg", 20, 20);
    EXPECT_GT(sprite, 0);
    GFX(tessel_gfx_release_sprite)(sprite);
    EXPECT_EQ(GFX(tessel_set_asset_root)(fixture("no_such_dir").c_str()), 0);
    EXPECT_EQ(GFX(tessel_set_asset_root)(fixture("quadrants.svg").c_str()), 0);
    EXPECT_EQ(GFX(tessel_set_asset_root)(""), 0);
    EXPECT_EQ(GFX(tessel_set_asset_root)(nullptr), 0);
    EXPECT_EQ(GFX(tessel_gfx_load_sprite)("quadrants.svg", 20, 20) > 0, true);  // the root stayed
}

TEST_F(Sprites, ChangedFileIsReloadedOnPoll) {
    const std::string path = temp_path("reload.svg");
    std::filesystem::copy_file(fixture("quadrants.svg"), path);
    const int32_t sprite = GFX(tessel_gfx_load_sprite)(path.c_str(), 20, 20);
    ASSERT_GT(sprite, 0);
    EXPECT_EQ(GFX(tessel_gfx_poll_reload)(sprite), 0);  // nothing changed yet

    std::ofstream(path) << R"(<svg xmlns="http://www.w3.org/2000/svg" width="20" height="20">)"
                        << R"(<rect width="20" height="20" fill="#00ff00"/></svg>)";
    GFX(tessel_gfx_notify_file_changed)(path.c_str());
    EXPECT_EQ(GFX(tessel_gfx_poll_reload)(sprite), 1);
    EXPECT_EQ(GFX(tessel_gfx_poll_reload)(sprite), 0);
    EXPECT_TRUE(pixel_near(draw(sprite, 20, 20), 5, 5, 0, 255, 0, 0));

    std::ofstream(path) << "<svg";  // a broken save keeps the last good pixels
    GFX(tessel_gfx_notify_file_changed)(path.c_str());
    EXPECT_EQ(GFX(tessel_gfx_poll_reload)(sprite), 0);
    EXPECT_TRUE(pixel_near(draw(sprite, 20, 20), 5, 5, 0, 255, 0, 0));
    GFX(tessel_gfx_release_sprite)(sprite);
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace gfxtest
