// Rendering of hand-made command-stream frames, read back from the headless canvas.
#include <algorithm>
#include <climits>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

class FrameRender : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        quadrants_ = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
        ASSERT_GT(quadrants_, 0);
    }
    void TearDown() override { GFX(tessel_gfx_release_sprite)(quadrants_); }

    /** Renders a complete frame: black clear, then whatever draw adds. */
    template <typename F>
    Image render(F&& draw) {
        Frame frame;
        frame.clear(0, 0, 0);
        draw(frame);
        frame.complete();
        frame.submit();
        return capture();
    }

    int32_t quadrants_ = 0;  // 20 x 20: red, green over blue, white
};

TEST_F(FrameRender, ClearColourFillsTheCanvas) {
    Frame frame;
    frame.clear(1.0f, 0.5f, 0.0f);
    frame.complete();
    frame.submit();
    const Image image = capture();
    ASSERT_EQ(image.width, width);
    ASSERT_EQ(image.height, height);
    for (const auto& [x, y] : {std::pair{0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}}) {
        EXPECT_TRUE(pixel_near(image, x, y, 255, 128, 0, 1));
    }
}

TEST_F(FrameRender, FrameWithoutClearStartsBlack) {
    Frame frame;
    frame.rect(0, 0, 4, 4, 1, 1, 1);
    frame.complete();
    frame.submit();
    const Image image = capture();
    EXPECT_TRUE(pixel_near(image, 1, 1, 255, 255, 255, 0));
    EXPECT_TRUE(pixel_near(image, 10, 10, 0, 0, 0, 0));
}

TEST_F(FrameRender, RectangleCoversExactlyItsPixels) {
    const Image image = render([](Frame& f) { f.rect(10, 10, 20, 10, 0, 1, 0); });
    EXPECT_TRUE(pixel_near(image, 10, 10, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 29, 19, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 30, 10, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 9, 10, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 10, 20, 0, 0, 0, 0));
}

TEST_F(FrameRender, FractionalEdgesBlendByCoverage) {
    const Image image = render([](Frame& f) { f.rect(10.5f, 10, 5, 4, 1, 1, 1); });
    EXPECT_TRUE(pixel_near(image, 10, 11, 128, 128, 128, 2));
    EXPECT_TRUE(pixel_near(image, 12, 11, 255, 255, 255, 0));
    EXPECT_TRUE(pixel_near(image, 15, 11, 128, 128, 128, 2));
}

TEST_F(FrameRender, RectangleAlphaBlendsOverWhatIsBelow) {
    const Image image = render([](Frame& f) {
        f.rect(0, 0, 20, 20, 1, 0, 0);
        f.rect(0, 0, 20, 20, 0, 0, 1, 0.25f);
    });
    EXPECT_TRUE(pixel_near(image, 5, 5, 191, 0, 64, 2));
}

TEST_F(FrameRender, OrderListDecidesWhichRecordIsOnTop) {
    struct Case {
        bool swap_order;
        int r, g, b;
    };
    for (const Case c : {Case{false, 0, 0, 255}, Case{true, 255, 0, 0}}) {
        const Image image = render([&](Frame& f) {
            f.rect(5, 5, 20, 20, 1, 0, 0);  // record 0, red
            f.rect(5, 5, 20, 20, 0, 0, 1);  // record 1, blue
            if (c.swap_order) std::swap(f.i32[TESSEL_GFX_I32_ORDER], f.i32[TESSEL_GFX_I32_ORDER + 1]);
        });
        EXPECT_TRUE(pixel_near(image, 10, 10, c.r, c.g, c.b, 0)) << "swapped " << c.swap_order;
    }
}

TEST_F(FrameRender, ClipRectanglesNestAndPop) {
    const Image image = render([](Frame& f) {
        f.push_clip(10, 10, 20, 20);
        f.push_clip(20, 0, 40, 40);  // effective 20..30 x 10..30
        f.rect(0, 0, 64, 48, 1, 0, 0);
        f.pop_clip();
        f.rect(0, 0, 64, 48, 0, 0, 1, 0.5f);  // clipped to 10..30 x 10..30
        f.pop_clip();
        f.rect(0, 0, 4, 4, 0, 1, 0);  // unclipped again
    });
    EXPECT_TRUE(pixel_near(image, 25, 15, 127, 0, 128, 1));  // red under half blue
    EXPECT_TRUE(pixel_near(image, 15, 15, 0, 0, 128, 1));    // only the outer clip's blue
    EXPECT_TRUE(pixel_near(image, 35, 15, 0, 0, 0, 0));      // outside both
    EXPECT_TRUE(pixel_near(image, 25, 35, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 1, 1, 0, 255, 0, 0));
}

TEST_F(FrameRender, BatchClipLimitsItsSprites) {
    const Image image = render([&](Frame& f) {
        const int32_t clip = f.clip_record(10, 10, 10, 20);
        f.sprite(quadrants_, 0xFFFFFFFFu, {10, 10, 20, 20, 0, 0, 0, 0, 10, 10, 1, 1, 0}, clip);
    });
    EXPECT_TRUE(pixel_near(image, 12, 12, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 12, 27, 0, 0, 255));
    EXPECT_TRUE(pixel_near(image, 25, 12, 0, 0, 0, 0));
}

TEST_F(FrameRender, SpriteIsDrawnAtItsDestination) {
    const Image image = render([&](Frame& f) { f.sprite_at(quadrants_, 10, 10, 20, 20); });
    EXPECT_TRUE(pixel_near(image, 10, 10, 255, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 29, 10, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 10, 29, 0, 0, 255, 0));
    EXPECT_TRUE(pixel_near(image, 29, 29, 255, 255, 255, 0));
    EXPECT_TRUE(pixel_near(image, 9, 9, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 30, 30, 0, 0, 0, 0));
}

TEST_F(FrameRender, RotationTurnsClockwiseAboutThePivot) {
    struct Quadrant {
        int r, g, b;
    };
    constexpr Quadrant red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255}, white{255, 255, 255};
    struct Case {
        float degrees;
        Quadrant top_left, top_right, bottom_left, bottom_right;
    };
    const Case cases[] = {
        {0, red, green, blue, white},
        {90, blue, red, white, green},
        {180, white, blue, green, red},
        {270, green, white, red, blue},
        {-90, green, white, red, blue},
        {450, blue, red, white, green},
    };
    for (const Case& c : cases) {
        const Image image = render([&](Frame& f) { f.sprite_at(quadrants_, 10, 10, 20, 20, c.degrees); });
        const auto check = [&](int x, int y, Quadrant q) { EXPECT_TRUE(pixel_near(image, x, y, q.r, q.g, q.b)) << c.degrees << " degrees"; };
        check(14, 14, c.top_left);
        check(25, 14, c.top_right);
        check(14, 25, c.bottom_left);
        check(25, 25, c.bottom_right);
    }
}

TEST_F(FrameRender, RotationAboutTheTopLeftCorner) {
    // Pivot at the destination's top-left corner (30, 10): a quarter turn swings the sprite to the
    // left of it, over x 10..30.
    const Image image = render([&](Frame& f) { f.sprite(quadrants_, 0xFFFFFFFFu, {30, 10, 20, 20, 0, 0, 0, 0, 0, 0, 1, 1, 90}); });
    EXPECT_TRUE(pixel_near(image, 25, 15, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 15, 15, 0, 0, 255));
    EXPECT_TRUE(pixel_near(image, 25, 25, 0, 255, 0));
    EXPECT_TRUE(pixel_near(image, 15, 25, 255, 255, 255));
    EXPECT_TRUE(pixel_near(image, 40, 15, 0, 0, 0, 0));
}

TEST_F(FrameRender, EighthTurnStandsTheSquareOnItsCorner) {
    // Centred at (30, 20) and turned 45 degrees clockwise: the red corner points up, green right,
    // white down and blue left; the square's own corners are empty now.
    const Image image = render([&](Frame& f) { f.sprite_at(quadrants_, 20, 10, 20, 20, 45); });
    EXPECT_TRUE(pixel_near(image, 30, 8, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 41, 20, 0, 255, 0));
    EXPECT_TRUE(pixel_near(image, 30, 31, 255, 255, 255));
    EXPECT_TRUE(pixel_near(image, 18, 20, 0, 0, 255));
    EXPECT_TRUE(pixel_near(image, 22, 11, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 30, 4, 0, 0, 0, 0));
}

TEST_F(FrameRender, SourceRectangleIsStretchedToTheDestination) {
    const Image image = render([&](Frame& f) { f.sprite(quadrants_, 0xFFFFFFFFu, {0, 0, 40, 40, 10, 0, 10, 10, 20, 20, 1, 1, 0}); });
    EXPECT_TRUE(pixel_near(image, 3, 3, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 20, 20, 0, 255, 0, 0));
    EXPECT_TRUE(pixel_near(image, 36, 36, 0, 255, 0, 0));
}

TEST_F(FrameRender, TintMultipliesColourAndAlpha) {
    struct Case {
        uint32_t tint;
        int red_r, red_g, red_b;        // the red quadrant
        int white_r, white_g, white_b;  // the white quadrant
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 255, 0, 0, 255, 255, 255},
        {0xFFFFFF80u, 128, 0, 0, 128, 128, 128},
        {0x00FF00FFu, 0, 0, 0, 0, 255, 0},
        {0xFF000080u, 128, 0, 0, 128, 0, 0},
        {0xFFFFFF00u, 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const Image image = render([&](Frame& f) { f.sprite_at(quadrants_, 10, 10, 20, 20, 0, c.tint); });
        EXPECT_TRUE(pixel_near(image, 12, 12, c.red_r, c.red_g, c.red_b)) << std::hex << c.tint;
        EXPECT_TRUE(pixel_near(image, 27, 27, c.white_r, c.white_g, c.white_b)) << std::hex << c.tint;
    }
}

TEST_F(FrameRender, LinesAreTwoPixelsWide) {
    const Image image = render([](Frame& f) { f.line(5, 20, 55, 20, 1, 1, 1); });
    EXPECT_TRUE(pixel_near(image, 30, 19, 255, 255, 255, 0));
    EXPECT_TRUE(pixel_near(image, 30, 20, 255, 255, 255, 0));
    EXPECT_TRUE(pixel_near(image, 30, 17, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 30, 22, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 60, 20, 0, 0, 0, 0));
}

TEST_F(FrameRender, ReleasedSpriteIsSkippedAndTheRestDrawn) {
    const int32_t gone = GFX(tessel_gfx_load_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
    ASSERT_GT(gone, 0);
    GFX(tessel_gfx_release_sprite)(gone);
    const Image image = render([&](Frame& f) {
        f.sprite_at(gone, 10, 10, 20, 20);
        f.rect(40, 10, 4, 4, 0, 1, 0);
    });
    EXPECT_TRUE(pixel_near(image, 12, 12, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 41, 11, 0, 255, 0, 0));
}

TEST_F(FrameRender, IncompleteFrameKeepsThePreviousOne) {
    render([](Frame& f) { f.rect(0, 0, 64, 48, 1, 0, 0); });
    const std::vector<int32_t> before = submission_state();
    Frame unfinished;
    unfinished.clear(0, 0, 1);
    unfinished.submit();
    const std::vector<int32_t> after = submission_state();
    EXPECT_TRUE(pixel_near(capture(), 30, 30, 255, 0, 0, 0));
    EXPECT_EQ(after[0], before[0] + 1);  // submitted
    EXPECT_EQ(after[1], before[1]);      // rendered
    EXPECT_EQ(after[2], before[2] + 1);  // kept
    EXPECT_EQ(after[4], 1);              // not complete
}

TEST_F(FrameRender, VersionSevenFramesNeedNoCompleteBit) {
    Frame legacy(TESSEL_GFX_VERSION_LEGACY);
    legacy.clear(0, 1, 0);
    legacy.submit();
    EXPECT_TRUE(pixel_near(capture(), 30, 30, 0, 255, 0, 0));
    EXPECT_EQ(submission_state()[4], 0);
}

class TextRender : public FrameRender {
protected:
    void SetUp() override {
        FrameRender::SetUp();
        const std::string path = system_font();
        if (path.empty()) GTEST_SKIP() << "no TrueType font installed";
        font_ = GFX(tessel_load_font)(path.c_str(), 20);
        ASSERT_GT(font_, 0);
    }
    void TearDown() override {
        GFX(tessel_gfx_release_font)(font_);
        FrameRender::TearDown();
    }
    int32_t font_ = 0;
};

TEST_F(TextRender, TextSitsInItsLineBoxFromTheTopLeft) {
    const float x = 10.0f, y = 12.0f;
    const Image image = render([&](Frame& f) { f.text(font_, "Hg", x, y, 1, 1, 1); });
    const float text_width = GFX(tessel_measure_text)(font_, "Hg");
    const float line_height = GFX(tessel_gfx_measure_text_cached_height)(GFX(tessel_gfx_cache_text)(font_, "Hg"));
    ASSERT_GT(text_width, 10.0f);
    ASSERT_GE(line_height, 20.0f);
    int min_x = INT_MAX, min_y = INT_MAX, max_x = -1, max_y = -1;
    for (int py = 0; py < image.height; ++py) {
        for (int px = 0; px < image.width; ++px) {
            if (image.at(px, py).r < 64) continue;
            min_x = std::min(min_x, px), max_x = std::max(max_x, px);
            min_y = std::min(min_y, py), max_y = std::max(max_y, py);
        }
    }
    ASSERT_GE(max_x, 0) << "no ink";
    EXPECT_GE(min_x, static_cast<int>(x));
    EXPECT_LE(min_x, static_cast<int>(x) + 3);
    EXPECT_LE(max_x, static_cast<int>(x + text_width));
    EXPECT_GE(min_y, static_cast<int>(y));
    EXPECT_LE(min_y, static_cast<int>(y) + 6);  // the cap height reaches near the top of the box
    EXPECT_LT(max_y, static_cast<int>(y + line_height));
}

TEST_F(TextRender, UnknownFontDrawsNothingButTheFrameRenders) {
    const Image image = render([&](Frame& f) {
        f.text(font_ + 1, "Hg", 10, 10, 1, 1, 1);
        f.rect(50, 40, 4, 4, 0, 1, 0);
    });
    EXPECT_TRUE(pixel_near(image, 15, 20, 0, 0, 0, 0));
    EXPECT_TRUE(pixel_near(image, 51, 41, 0, 255, 0, 0));
}

}  // namespace
}  // namespace gfxtest
