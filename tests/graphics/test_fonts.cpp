// Fonts, text measuring and the text cache.
#include "graphics_library.hpp"

namespace gfxtest {
namespace {

class Fonts : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        path_ = system_font();
        if (path_.empty()) GTEST_SKIP() << "no TrueType font installed";
        font_ = GFX(tessel_load_font)(path_.c_str(), 20);
        ASSERT_GT(font_, 0);
    }
    void TearDown() override { GFX(tessel_gfx_release_font)(font_); }

    std::string path_;
    int32_t font_ = 0;
};

TEST_F(Fonts, StatusFollowsTheHandle) {
    EXPECT_EQ(GFX(tessel_font_status)(font_), 3);
    EXPECT_EQ(GFX(tessel_font_status)(0), 0);
    const int32_t other = GFX(tessel_load_font)(path_.c_str(), 12);
    ASSERT_GT(other, 0);
    GFX(tessel_gfx_release_font)(other);
    EXPECT_EQ(GFX(tessel_font_status)(other), 4);
    EXPECT_EQ(GFX(tessel_measure_text)(other, "abc"), 0.0f);
}

TEST_F(Fonts, BadFontsLoadNothing) {
    struct Case {
        const char* name;
        std::string path;
        int32_t size;
    };
    const Case cases[] = {
        {"missing file", fixture("no_such.ttf"), 20},
        {"not a font", fixture("quadrants.svg"), 20},
        {"size 0", path_, 0},
        {"negative size", path_, -3},
        {"size too large", path_, 100000},
        {"empty path", "", 20},
    };
    for (const Case& c : cases) EXPECT_EQ(GFX(tessel_load_font)(c.path.c_str(), c.size), 0) << c.name;
    EXPECT_EQ(GFX(tessel_load_font)(nullptr, 20), 0);
}

TEST_F(Fonts, WidthsAddUpAndGrowWithSize) {
    EXPECT_EQ(GFX(tessel_measure_text)(font_, ""), 0.0f);
    const float one = GFX(tessel_measure_text)(font_, "l");
    EXPECT_GT(one, 0.0f);
    EXPECT_FLOAT_EQ(GFX(tessel_measure_text)(font_, "llll"), 4 * one);
    EXPECT_GT(GFX(tessel_measure_text)(font_, "WWW"), GFX(tessel_measure_text)(font_, "iii"));
    const int32_t big = GFX(tessel_load_font)(path_.c_str(), 40);
    ASSERT_GT(big, 0);
    EXPECT_GT(GFX(tessel_measure_text)(big, "Marble"), 1.8f * GFX(tessel_measure_text)(font_, "Marble"));
    GFX(tessel_gfx_release_font)(big);
}

TEST_F(Fonts, DigitsMeasureTheSameAsTheirSum) {
    // The module draws numbers digit by digit from their measured widths.
    float sum = 0.0f;
    for (const char* digit : {"1", "9", "0", "7"}) sum += GFX(tessel_measure_text)(font_, digit);
    EXPECT_FLOAT_EQ(GFX(tessel_measure_text)(font_, "1907"), sum);
}

TEST_F(Fonts, OddTextIsMeasuredWithoutHarm) {
    EXPECT_EQ(GFX(tessel_measure_text)(font_, nullptr), 0.0f);
    EXPECT_GT(GFX(tessel_measure_text)(font_, "\xC3\xA9t\xC3\xA9"), 0.0f);  // UTF-8
    EXPECT_GT(GFX(tessel_measure_text)(font_, "\xFF\xFE\xC3"), 0.0f);       // invalid bytes: replacement glyphs
    EXPECT_EQ(GFX(tessel_measure_text)(font_, "\t\n"), 0.0f);               // control characters
    EXPECT_EQ(GFX(tessel_measure_text)(12345, "abc"), 0.0f);
}

TEST_F(Fonts, TextCacheKeepsWidthAndLineHeight) {
    const int32_t id = GFX(tessel_gfx_cache_text)(font_, "Wall code");
    ASSERT_GT(id, 0);
    EXPECT_FLOAT_EQ(GFX(tessel_gfx_measure_text_cached)(id), GFX(tessel_measure_text)(font_, "Wall code"));
    const float height = GFX(tessel_gfx_measure_text_cached_height)(id);
    EXPECT_GE(height, 20.0f);
    EXPECT_LE(height, 30.0f);
    EXPECT_EQ(GFX(tessel_gfx_cache_text)(font_, "Wall code"), id);  // the same text keeps its id
    const int32_t other = GFX(tessel_gfx_replace_text)(id, font_, "Slots");
    EXPECT_GT(other, 0);
    EXPECT_NE(other, id);
    EXPECT_FLOAT_EQ(GFX(tessel_gfx_measure_text_cached)(other), GFX(tessel_measure_text)(font_, "Slots"));
}

TEST_F(Fonts, TextCacheRefusesBadIdsAndFonts) {
    EXPECT_EQ(GFX(tessel_gfx_cache_text)(0, "abc"), 0);
    EXPECT_EQ(GFX(tessel_gfx_cache_text)(font_, nullptr), 0);
    EXPECT_EQ(GFX(tessel_gfx_measure_text_cached)(0), 0.0f);
    EXPECT_EQ(GFX(tessel_gfx_measure_text_cached)(font_), 0.0f);  // a font handle is no cache id
    EXPECT_EQ(GFX(tessel_gfx_measure_text_cached_height)(-1), 0.0f);
}

TEST_F(Fonts, FullTextCacheMakesRoomFromTheOldest) {
    const int32_t first = GFX(tessel_gfx_cache_text)(font_, "entry -1");
    ASSERT_GT(first, 0);
    for (int i = 0; i < 4096; ++i) {
        ASSERT_GT(GFX(tessel_gfx_cache_text)(font_, ("entry " + std::to_string(i)).c_str()), 0) << i;
    }
    EXPECT_EQ(GFX(tessel_gfx_measure_text_cached)(first), 0.0f);  // evicted: the id is refused
    EXPECT_GT(GFX(tessel_gfx_measure_text_cached)(GFX(tessel_gfx_cache_text)(font_, "entry 4095")), 0.0f);
}

}  // namespace
}  // namespace gfxtest
