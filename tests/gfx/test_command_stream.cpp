// The command-stream writer: frame protocol, shared shape pool, texts, clips, the order list and the
// sprite writer, checked on the module's own gfx_cmd_* arrays.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string_view>

#include "app/gfx/gfx.hpp"
#include "app/state/state.hpp"

namespace {

int32_t& word(int32_t w) { return gfx_cmd_i32[w]; }
int32_t order(int32_t i) { return gfx_cmd_i32[TESSEL_GFX_I32_ORDER + i]; }
constexpr int32_t entry(int32_t kind, int32_t index) { return kind * 16384 + index; }

GfxSpriteFloats sprite_floats() { return {10, 20, 32, 48, 0, 0, 0, 0, 16, 24, 1, 1, 0}; }

/** Fills app.persist.slot_text with a recognisable pattern and gives it length and max_length. */
void set_slot_text(int32_t length, int32_t max_length) {
    for (int32_t i = 0; i < static_cast<int32_t>(std::size(app_persist_slot_text)); ++i) {
        app_persist_slot_text[i] = static_cast<uint8_t>('a' + i % 26);
    }
    app_persist_slot_text_length = length;
    app_persist_slot_text_max_length = max_length;
}

constexpr int32_t slot_text = path_hash("app.persist.slot_text");
constexpr std::string_view title = "Pellam Marble Wall";

class CommandStream : public ::testing::Test {
protected:
    void SetUp() override {
        state_bind_runtime_globals();
        gfx_frame_construction_active = 0;
        gfx_frame_construction_invalid = 0;
        gfx_sprite_writer_token = 0;
        gfx_begin_frame();
    }
    void TearDown() override {
        gfx_frame_construction_active = 0;
        gfx_sprite_writer_token = 0;
    }
};

// ---------------------------------------------------------------------------------------------
// Frame protocol

struct FrameCase {
    const char* name;
    void (*draw)();
    int32_t status;
    int32_t result;
    int32_t flags;
};

TEST_F(CommandStream, FrameEndsCompleteOrReset) {
    const FrameCase cases[] = {
        {"clear only", [] { gfx_clear(0.1f, 0.2f, 0.3f, 1); }, 0, 0, 3},
        {"nothing drawn", [] {}, 0, 0, 2},
        {"status 3", [] { gfx_clear(0.1f, 0.2f, 0.3f, 1); }, 3, 3, 0},
        {"begin twice", [] { gfx_begin_frame(); }, 0, 0, 0},
        {"begin twice with status", [] { gfx_begin_frame(); }, 7, 7, 0},
        {"open sprite writer", [] { gfx_sprite_begin(2, -1, 0, 0, 0, 0, 0); }, 0, 0, 0},
        {"end without begin", [] { gfx_frame_construction_active = 0; }, 0, 0, 0},
    };
    for (const FrameCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        gfx_rect(1, 2, 3, 4, 1, 1, 1, 1);
        c.draw();
        EXPECT_EQ(gfx_end_frame(c.status), c.result);
        EXPECT_EQ(word(TESSEL_GFX_W_FLAGS), c.flags);
        EXPECT_EQ(word(TESSEL_GFX_W_MAGIC), TESSEL_GFX_MAGIC);
        EXPECT_EQ(word(TESSEL_GFX_W_VERSION), 8);
        EXPECT_EQ(gfx_frame_construction_active, 0);
        EXPECT_EQ(gfx_sprite_writer_token, 0);
        // A reset frame keeps no counts; a complete one keeps its rectangle.
        EXPECT_EQ(word(TESSEL_GFX_W_RECT_COUNT), c.flags >= 2 ? 1 : 0);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), c.flags >= 2 ? 1 : 0);
    }
}

TEST_F(CommandStream, ClearOnlyFrameHasFlagsThreeAndNoOrder) {
    gfx_clear(0.25f, 0.5f, 0.75f, 1.0f);
    gfx_clear(0.5f, 0.5f, 0.5f, 0.5f);
    EXPECT_EQ(gfx_end_frame(0), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_FLAGS), 3);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 0);
    EXPECT_EQ(gfx_cmd_f32[0], 0.5f);
    EXPECT_EQ(gfx_cmd_f32[3], 0.5f);
}

TEST_F(CommandStream, BeginResetsHeaderAndCountsFrameGenerations) {
    gfx_line(1, 1, 2, 2, 1, 1, 1, 1);
    for (int32_t w : {5, 6, 8, 23, 25, 28, 30}) word(w) = 9;
    for (int32_t w = 10; w <= 21; ++w) word(w) = 0;
    word(26) = 0;
    word(31) = 0;
    gfx_end_frame(0);

    const struct {
        int32_t before, after;
    } generations[] = {{0, 1}, {5, 6}, {INT32_MAX, 1}, {-4, 1}};
    for (const auto& g : generations) {
        gfx_sprite_writer_frame_generation = g.before;
        gfx_begin_frame();
        EXPECT_EQ(gfx_sprite_writer_frame_generation, g.after);
        for (int32_t w = 2; w < TESSEL_GFX_HEADER_WORDS; ++w) EXPECT_EQ(word(w), 0) << "word " << w;
        EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_SHAPES], 1.0f);  // records stay, only counts go
        gfx_end_frame(0);
    }
}

TEST_F(CommandStream, SecondBeginMarksTheFrameInvalid) {
    gfx_begin_frame();
    EXPECT_EQ(gfx_frame_construction_invalid, 1);
    EXPECT_EQ(gfx_frame_construction_active, 1);
    EXPECT_EQ(gfx_end_frame(0), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_FLAGS), 0);
    gfx_begin_frame();
    EXPECT_EQ(gfx_frame_construction_invalid, 0);
}

// ---------------------------------------------------------------------------------------------
// Shapes

TEST_F(CommandStream, LinesFillThePoolFromTheFrontRectanglesFromTheBack) {
    gfx_line(1, 2, 3, 4, 0.1f, 0.2f, 0.3f, 0.4f);
    gfx_rect(5, 6, 7, 8, 0.5f, 0.6f, 0.7f, 0.8f);
    gfx_line(9, 9, 9, 9, 1, 1, 1, 1);
    gfx_rect(10, 11, 12, 13, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_LINE_COUNT), 2);
    EXPECT_EQ(word(TESSEL_GFX_W_RECT_COUNT), 2);
    const float line0[] = {1, 2, 3, 4, 0.1f, 0.2f, 0.3f, 0.4f};
    const float rect0[] = {5, 6, 7, 8, 0.5f, 0.6f, 0.7f, 0.8f};
    EXPECT_EQ(std::memcmp(gfx_cmd_f32 + 4, line0, sizeof line0), 0);
    EXPECT_EQ(std::memcmp(gfx_cmd_f32 + 79996, rect0, sizeof rect0), 0);
    EXPECT_EQ(gfx_cmd_f32[12], 9.0f);     // line 1
    EXPECT_EQ(gfx_cmd_f32[79988], 10.0f);  // rectangle 1
    const int32_t expected[] = {entry(1, 0), entry(4, 0), entry(1, 1), entry(4, 1)};
    ASSERT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 4);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(order(i), expected[i]);
}

TEST_F(CommandStream, TheTenThousandFirstShapeIsDropped) {
    const struct {
        int32_t lines, rects;
        bool extra_is_line;
        int32_t dropped_word;
    } cases[] = {
        {10000, 0, true, TESSEL_GFX_W_LINES_DROPPED},  {10000, 0, false, TESSEL_GFX_W_RECTS_DROPPED},
        {0, 10000, true, TESSEL_GFX_W_LINES_DROPPED},  {0, 10000, false, TESSEL_GFX_W_RECTS_DROPPED},
        {4000, 6000, true, TESSEL_GFX_W_LINES_DROPPED}, {6000, 4000, false, TESSEL_GFX_W_RECTS_DROPPED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.lines << " lines, " << c.rects << " rectangles");
        SetUp();
        for (int32_t i = 0; i < c.lines; ++i) gfx_line(float(i), 0, 0, 0, 1, 1, 1, 1);
        for (int32_t i = 0; i < c.rects; ++i) gfx_rect(float(i), 0, 1, 1, 1, 1, 1, 1);
        ASSERT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 10000);
        const float last_line_slot = gfx_cmd_f32[4 + 8 * std::max(c.lines - 1, 0)];
        if (c.extra_is_line) {
            gfx_line(-1, -1, -1, -1, 0, 0, 0, 0);
        } else {
            gfx_rect(-1, -1, -1, -1, 0, 0, 0, 0);
        }
        EXPECT_EQ(word(c.dropped_word), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_LINES_DROPPED) + word(TESSEL_GFX_W_RECTS_DROPPED), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 10000);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_DROPPED), 0);
        EXPECT_EQ(word(TESSEL_GFX_W_LINE_COUNT), c.lines);
        EXPECT_EQ(word(TESSEL_GFX_W_RECT_COUNT), c.rects);
        EXPECT_EQ(gfx_cmd_f32[4 + 8 * std::max(c.lines - 1, 0)], last_line_slot);
    }
}

TEST_F(CommandStream, CorruptShapeCountsRefuseInsteadOfWritingOutside) {
    const struct {
        int32_t lines, rects;
    } cases[] = {{-1, 0}, {0, -1}, {10001, 0}, {0, 10001}, {INT32_MIN, 0}, {0, INT32_MIN}};
    for (const auto& c : cases) {
        SetUp();
        word(TESSEL_GFX_W_LINE_COUNT) = c.lines;
        word(TESSEL_GFX_W_RECT_COUNT) = c.rects;
        gfx_line(0, 0, 1, 1, 1, 1, 1, 1);
        gfx_rect(0, 0, 1, 1, 1, 1, 1, 1);
        EXPECT_EQ(word(TESSEL_GFX_W_LINES_DROPPED), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_RECTS_DROPPED), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Texts

TEST_F(CommandStream, LiteralTextIsCopiedWithATerminator) {
    gfx_text(7, text_id(title), 30, 40, 0.1f, 0.2f, 0.3f, 0.4f);
    gfx_text(8, text_id("Marble"), 1, 2, 1, 1, 1, 1);
    ASSERT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 2);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 19 + 7);
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(gfx_cmd_u8), 19), std::string_view(title.data(), 19));
    EXPECT_EQ(std::string_view(reinterpret_cast<const char*>(gfx_cmd_u8) + 19, 7), std::string_view("Marble", 7));
    const int32_t* records = gfx_cmd_i32 + TESSEL_GFX_I32_TEXTS;
    EXPECT_EQ(records[0], 7);
    EXPECT_EQ(records[1], 0);
    EXPECT_EQ(records[2], 18);
    EXPECT_EQ(records[3], 8);
    EXPECT_EQ(records[4], 19);
    EXPECT_EQ(records[5], 6);
    const float floats[] = {30, 40, 0.1f, 0.2f, 0.3f, 0.4f};
    EXPECT_EQ(std::memcmp(gfx_cmd_f32 + TESSEL_GFX_F32_TEXTS, floats, sizeof floats), 0);
    EXPECT_EQ(order(0), entry(3, 0));
    EXPECT_EQ(order(1), entry(3, 1));
}

TEST_F(CommandStream, BufferTextLengthIsCappedAndClamped) {
    const struct {
        int32_t length, max_length, stored;
    } cases[] = {
        {2000, 4608, 1024}, {300, 4608, 300}, {3000, 500, 500}, {700, 0, 700}, {700, -3, 700},
        {-5, 4608, 0},      {0, 4608, 0},     {1024, 4608, 1024}, {1025, 4608, 1024},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "length " << c.length << ", max_length " << c.max_length);
        SetUp();
        set_slot_text(c.length, c.max_length);
        gfx_cmd_u8[c.stored] = 0xEE;
        gfx_text(3, slot_text, 0, 0, 1, 1, 1, 1);
        ASSERT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), c.stored + 1);
        EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_I32_TEXTS + 2], c.stored);
        EXPECT_EQ(std::memcmp(gfx_cmd_u8, app_persist_slot_text, static_cast<std::size_t>(c.stored)), 0);
        EXPECT_EQ(gfx_cmd_u8[c.stored], 0);
    }
    set_slot_text(0, 4608);
}

TEST_F(CommandStream, UnknownTextIdDrawsAnEmptyText) {
    gfx_text(1, path_hash("no.such.text"), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 1);
    EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_I32_TEXTS + 2], 0);
}

TEST_F(CommandStream, TextPastTheByteLimitIsDroppedWhole) {
    set_slot_text(1024, 4608);
    for (int32_t i = 0; i < 63; ++i) gfx_text(1, slot_text, 0, 0, 1, 1, 1, 1);
    ASSERT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 63 * 1025);

    // 961 bytes are left: 1024 + 1 do not fit, 960 + 1 fill the array exactly.
    gfx_text(1, slot_text, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXTS_DROPPED), 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 63);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 63);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 63 * 1025);

    app_persist_slot_text_length = 960;
    gfx_text(1, slot_text, 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 64);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 65536);
    EXPECT_EQ(gfx_cmd_u8[65535], 0);

    gfx_text(1, path_hash("no.such.text"), 0, 0, 1, 1, 1, 1);  // even an empty text needs its terminator
    EXPECT_EQ(word(TESSEL_GFX_W_TEXTS_DROPPED), 2);
    set_slot_text(0, 4608);
}

TEST_F(CommandStream, TextCountAndCorruptHeaderRefuse) {
    for (int32_t i = 0; i < 2048; ++i) gfx_text(1, text_id(title), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_COUNT), 2048);
    gfx_text(1, text_id(title), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXTS_DROPPED), 1);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 2048);

    SetUp();
    word(TESSEL_GFX_W_TEXT_COUNT) = -1;
    gfx_text(1, text_id(title), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXTS_DROPPED), 1);

    SetUp();
    word(TESSEL_GFX_W_TEXT_BYTES) = -50;  // a negative offset starts over at 0
    gfx_text(1, text_id(title), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXT_BYTES), 19);
    EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_I32_TEXTS + 1], 0);

    SetUp();
    word(TESSEL_GFX_W_TEXT_BYTES) = INT32_MAX;
    gfx_text(1, text_id(title), 0, 0, 1, 1, 1, 1);
    EXPECT_EQ(word(TESSEL_GFX_W_TEXTS_DROPPED), 1);
}

// ---------------------------------------------------------------------------------------------
// Clips and the order list

TEST_F(CommandStream, The257thClipPushIsDropped) {
    for (int32_t i = 0; i < 256; ++i) gfx_push_clip(float(i), 1, 2, 3);
    EXPECT_EQ(word(TESSEL_GFX_W_CLIP_COUNT), 256);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLIPS + 4 * 255], 255.0f);
    EXPECT_EQ(order(255), entry(5, 255));
    gfx_push_clip(-1, -1, -1, -1);
    EXPECT_EQ(word(TESSEL_GFX_W_CLIPS_DROPPED), 1);
    EXPECT_EQ(word(TESSEL_GFX_W_CLIP_COUNT), 256);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 256);
    gfx_pop_clip();
    EXPECT_EQ(order(256), entry(6, 0));
}

TEST_F(CommandStream, FullOrderListDropsEveryKind) {
    const struct {
        const char* name;
        void (*draw)();
        int32_t dropped_word;
        int32_t order_dropped;
    } cases[] = {
        {"line", [] { gfx_line(0, 0, 1, 1, 1, 1, 1, 1); }, TESSEL_GFX_W_LINES_DROPPED, 1},
        {"rect", [] { gfx_rect(0, 0, 1, 1, 1, 1, 1, 1); }, TESSEL_GFX_W_RECTS_DROPPED, 1},
        {"text", [] { gfx_text(1, text_id("Marble"), 0, 0, 1, 1, 1, 1); }, TESSEL_GFX_W_TEXTS_DROPPED, 1},
        {"push", [] { gfx_push_clip(0, 0, 1, 1); }, TESSEL_GFX_W_CLIPS_DROPPED, 1},
        {"pop", [] { gfx_pop_clip(); }, TESSEL_GFX_W_CLIPS_DROPPED, 1},
        // The sprite writer refuses to open on a full list instead of failing to append.
        {"sprite", [] { gfx_draw_sprite(5, -1, sprite_floats()); }, TESSEL_GFX_W_WRITERS_REFUSED, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        for (int32_t i = 0; i < TESSEL_GFX_MAX_ORDER; ++i) gfx_pop_clip();
        ASSERT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 16656);
        c.draw();
        EXPECT_EQ(word(c.dropped_word), 1);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_DROPPED), c.order_dropped);
        EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 16656);
        EXPECT_EQ(word(TESSEL_GFX_W_LINE_COUNT) + word(TESSEL_GFX_W_RECT_COUNT) + word(TESSEL_GFX_W_TEXT_COUNT) +
                      word(TESSEL_GFX_W_CLIP_COUNT) + word(TESSEL_GFX_W_INSTANCE_COUNT),
                  0);
    }
}

// ---------------------------------------------------------------------------------------------
// Sprite writer

TEST_F(CommandStream, DrawSpriteWritesOneBatchOfOneInstance) {
    const GfxSpriteFloats f = {10, 20, 32, 48, 1, 2, 3, 4, 16, 24, 1, 1, 90};
    gfx_draw_sprite(77, static_cast<int32_t>(0xFFFFFF80u), f);
    ASSERT_EQ(word(TESSEL_GFX_W_INSTANCE_COUNT), 1);
    ASSERT_EQ(word(TESSEL_GFX_W_BATCH_COUNT), 1);
    EXPECT_EQ(gfx_cmd_i32[32], 77);
    EXPECT_EQ(gfx_cmd_i32[33], static_cast<int32_t>(0xFFFFFF80u));
    EXPECT_EQ(gfx_cmd_i32[34], 0);
    const float floats[] = {10, 20, 32, 48, 1, 2, 3, 4, 16, 24, 1, 1, 90};
    EXPECT_EQ(std::memcmp(gfx_cmd_f32 + TESSEL_GFX_F32_INSTANCES, floats, sizeof floats), 0);
    const int32_t batch[] = {0, 1, -1, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(gfx_cmd_i32 + TESSEL_GFX_I32_BATCHES, batch, sizeof batch), 0);
    EXPECT_EQ(order(0), 32768);
    EXPECT_EQ(gfx_sprite_writer_token, 0);

    gfx_draw_sprite(78, 0, f);
    EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_I32_BATCHES + 8], 1);  // second batch starts at instance 1
    EXPECT_EQ(order(1), 32769);
}

TEST_F(CommandStream, DrawSpriteWithHandleZeroWritesAndCountsNothing) {
    gfx_draw_sprite(0, -1, sprite_floats());
    for (int32_t w : {4, 5, 6, 8, 22, 23, 29, 30}) EXPECT_EQ(word(w), 0) << "word " << w;
    EXPECT_EQ(gfx_sprite_writer_token, 0);
    EXPECT_EQ(gfx_end_frame(0), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_FLAGS), 2);
}

TEST_F(CommandStream, SpriteBeginRefusals) {
    const struct {
        const char* name;
        void (*setup)();
        int32_t capacity, clip, material, blend, filter, pass, flags;
        int32_t dropped, refused;
    } cases[] = {
        {"capacity 0", [] {}, 0, -1, 0, 0, 0, 0, 0, 0, 0},
        {"negative capacity", [] {}, -3, -1, 0, 0, 0, 0, 0, 0, 0},
        {"capacity 5 with 4094 used",
         [] {
             for (int32_t i = 0; i < 4094; ++i) gfx_draw_sprite(1, -1, sprite_floats());
         },
         5, -1, 0, 0, 0, 0, 0, 5, 1},
        {"more than 4096", [] {}, 4097, -1, 0, 0, 0, 0, 0, 4097, 1},
        {"writer already open", [] { gfx_sprite_begin(1, -1, 0, 0, 0, 0, 0); }, 2, -1, 0, 0, 0, 0, 0, 2, 1},
        {"clip -2", [] {}, 1, -2, 0, 0, 0, 0, 0, 1, 1},
        {"material", [] {}, 1, -1, 1, 0, 0, 0, 0, 1, 1},
        {"blend", [] {}, 1, -1, 0, 1, 0, 0, 0, 1, 1},
        {"filter", [] {}, 1, -1, 0, 0, 1, 0, 0, 1, 1},
        {"pass", [] {}, 1, -1, 0, 0, 0, 1, 0, 1, 1},
        {"flags", [] {}, 1, -1, 0, 0, 0, 0, 1, 1, 1},
        {"batches full", [] { word(TESSEL_GFX_W_BATCH_COUNT) = 4096; }, 3, -1, 0, 0, 0, 0, 0, 3, 1},
        {"negative instance count", [] { word(TESSEL_GFX_W_INSTANCE_COUNT) = -1; }, 1, -1, 0, 0, 0, 0, 0, 1, 1},
        {"counter wraps", [] { word(TESSEL_GFX_W_INSTANCES_DROPPED) = INT32_MAX; }, 2, -2, 0, 0, 0, 0, 0,
         INT32_MIN + 1, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.setup();
        const int32_t token = gfx_sprite_writer_token;
        EXPECT_EQ(gfx_sprite_begin(c.capacity, c.clip, c.material, c.blend, c.filter, c.pass, c.flags), 0);
        EXPECT_EQ(word(TESSEL_GFX_W_INSTANCES_DROPPED), c.dropped);
        EXPECT_EQ(word(TESSEL_GFX_W_WRITERS_REFUSED), c.refused);
        EXPECT_EQ(gfx_sprite_writer_token, token);
    }
}

TEST_F(CommandStream, SpriteAddRefusals) {
    constexpr float nan = std::numeric_limits<float>::quiet_NaN();
    constexpr float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* name;
        int32_t sprite, reserved;
        void (*change)(GfxSpriteFloats&);
        int32_t result;
    } cases[] = {
        {"valid, whole sprite", 5, 0, [](GfxSpriteFloats&) {}, 1},
        {"valid, source rectangle", 5, 0, [](GfxSpriteFloats& f) { f.src_w = f.src_h = 4; }, 1},
        {"valid, negative scale and position", 5, 0, [](GfxSpriteFloats& f) { f.scale_x = -1; f.dst_x = -50; }, 1},
        {"sprite 0", 0, 0, [](GfxSpriteFloats&) {}, 0},
        {"reserved", 5, 1, [](GfxSpriteFloats&) {}, 0},
        {"width 0", 5, 0, [](GfxSpriteFloats& f) { f.dst_w = 0; }, 0},
        {"negative height", 5, 0, [](GfxSpriteFloats& f) { f.dst_h = -1; }, 0},
        {"negative source x", 5, 0, [](GfxSpriteFloats& f) { f.src_x = -1; }, 0},
        {"negative source y", 5, 0, [](GfxSpriteFloats& f) { f.src_y = -1; }, 0},
        {"source width only", 5, 0, [](GfxSpriteFloats& f) { f.src_w = 4; }, 0},
        {"source height only", 5, 0, [](GfxSpriteFloats& f) { f.src_h = 4; }, 0},
        {"scale x 0", 5, 0, [](GfxSpriteFloats& f) { f.scale_x = 0; }, 0},
        {"scale y 0", 5, 0, [](GfxSpriteFloats& f) { f.scale_y = 0; }, 0},
        {"NaN width", 5, 0, [](GfxSpriteFloats& f) { f.dst_w = nan; }, 0},
        {"NaN position", 5, 0, [](GfxSpriteFloats& f) { f.dst_x = nan; }, 0},
        {"infinite rotation", 5, 0, [](GfxSpriteFloats& f) { f.rotation = inf; }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        GfxSpriteFloats f = sprite_floats();
        c.change(f);
        const int32_t token = gfx_sprite_begin(2, -1, 0, 0, 0, 0, 0);
        ASSERT_NE(token, 0);
        EXPECT_EQ(gfx_sprite_add(token, c.sprite, 0, c.reserved, f), c.result);
        EXPECT_EQ(gfx_sprite_writer_written, c.result);
        for (int32_t w : {5, 6, 8, 23, 25, 28, 30}) EXPECT_EQ(word(w), 0) << "word " << w;
    }
}

TEST_F(CommandStream, SpriteAddNeedsTheOpenTokenAndRoom) {
    EXPECT_EQ(gfx_sprite_add(0, 5, 0, 0, sprite_floats()), 0);  // nothing open
    const int32_t token = gfx_sprite_begin(1, -1, 0, 0, 0, 0, 0);
    EXPECT_EQ(gfx_sprite_add(token + 1, 5, 0, 0, sprite_floats()), 0);
    EXPECT_EQ(gfx_sprite_add(token, 5, 0, 0, sprite_floats()), 1);
    EXPECT_EQ(gfx_sprite_add(token, 5, 0, 0, sprite_floats()), 0);  // capacity 1 used up
    EXPECT_EQ(gfx_sprite_writer_written, 1);

    // Writer state restored from elsewhere must not send an instance past the records.
    gfx_sprite_writer_capacity = 100;
    gfx_sprite_writer_start = 4095;
    EXPECT_EQ(gfx_sprite_add(token, 5, 0, 0, sprite_floats()), 0);
    gfx_sprite_writer_start = -10;
    EXPECT_EQ(gfx_sprite_add(token, 5, 0, 0, sprite_floats()), 0);
}

TEST_F(CommandStream, SpriteCommitTurnsTheWrittenRunIntoOneBatch) {
    gfx_draw_sprite(1, -1, sprite_floats());
    gfx_push_clip(0, 0, 100, 100);
    const int32_t token = gfx_sprite_begin(4, 0, 0, 0, 0, 0, 0);
    for (int32_t s = 10; s < 13; ++s) ASSERT_EQ(gfx_sprite_add(token, s, 0, 0, sprite_floats()), 1);

    EXPECT_EQ(gfx_sprite_commit(token, 4), 0);      // more than written
    EXPECT_EQ(gfx_sprite_commit(token, -1), 0);
    EXPECT_EQ(gfx_sprite_commit(token + 1, 2), 0);  // not the open token
    EXPECT_EQ(gfx_sprite_writer_token, token);

    EXPECT_EQ(gfx_sprite_commit(token, 2), 1);
    EXPECT_EQ(gfx_sprite_writer_token, 0);
    EXPECT_EQ(word(TESSEL_GFX_W_INSTANCE_COUNT), 3);  // the third written instance is not live
    EXPECT_EQ(word(TESSEL_GFX_W_BATCH_COUNT), 2);
    const int32_t batch[] = {1, 2, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(gfx_cmd_i32 + TESSEL_GFX_I32_BATCHES + 8, batch, sizeof batch), 0);
    EXPECT_EQ(order(2), entry(2, 1));
    EXPECT_EQ(gfx_cmd_i32[32 + 3 * 2], 11);
    EXPECT_EQ(gfx_sprite_commit(token, 0), 0);  // closed
}

TEST_F(CommandStream, CommitOfNoneClosesAndRefusedCommitKeepsTheWriterOpen) {
    int32_t token = gfx_sprite_begin(3, -1, 0, 0, 0, 0, 0);
    gfx_sprite_add(token, 5, 0, 0, sprite_floats());
    EXPECT_EQ(gfx_sprite_commit(token, 0), 1);
    EXPECT_EQ(gfx_sprite_writer_token, 0);
    EXPECT_EQ(word(TESSEL_GFX_W_INSTANCE_COUNT), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_BATCH_COUNT), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 0);

    token = gfx_sprite_begin(3, -1, 0, 0, 0, 0, 0);
    gfx_sprite_add(token, 5, 0, 0, sprite_floats());
    word(TESSEL_GFX_W_BATCH_COUNT) = 4096;
    EXPECT_EQ(gfx_sprite_commit(token, 1), 0);
    EXPECT_EQ(gfx_sprite_writer_token, token);
    word(TESSEL_GFX_W_BATCH_COUNT) = 0;
    word(TESSEL_GFX_W_ORDER_LENGTH) = TESSEL_GFX_MAX_ORDER;
    EXPECT_EQ(gfx_sprite_commit(token, 1), 0);
    EXPECT_EQ(gfx_sprite_writer_token, token);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_DROPPED), 0);
    word(TESSEL_GFX_W_ORDER_LENGTH) = 0;
    EXPECT_EQ(gfx_sprite_commit(token, 1), 1);
}

TEST_F(CommandStream, CancelClosesOnlyTheOpenWriter) {
    const int32_t token = gfx_sprite_begin(2, -1, 0, 0, 0, 0, 0);
    gfx_sprite_add(token, 5, 0, 0, sprite_floats());
    EXPECT_EQ(gfx_sprite_cancel(0), 0);
    EXPECT_EQ(gfx_sprite_cancel(token + 1), 0);
    EXPECT_EQ(gfx_sprite_cancel(token), 1);
    EXPECT_EQ(gfx_sprite_cancel(token), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_INSTANCE_COUNT), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_ORDER_LENGTH), 0);
    EXPECT_EQ(gfx_end_frame(0), 0);
    EXPECT_EQ(word(TESSEL_GFX_W_FLAGS), 2);
}

TEST_F(CommandStream, TokensCountUpAndWrapToOne) {
    const struct {
        int32_t last, next;
    } cases[] = {{0, 1}, {41, 42}, {INT32_MAX, 1}, {-7, 1}};
    for (const auto& c : cases) {
        SetUp();
        gfx_sprite_writer_next_token = c.last;
        EXPECT_EQ(gfx_sprite_begin(1, -1, 0, 0, 0, 0, 0), c.next);
        EXPECT_EQ(gfx_sprite_writer_next_token, c.next);
        EXPECT_EQ(gfx_sprite_writer_start, 0);
        EXPECT_EQ(gfx_sprite_writer_capacity, 1);
        EXPECT_EQ(gfx_sprite_writer_written, 0);
        EXPECT_EQ(gfx_sprite_writer_clip, -1);
    }
}

}  // namespace
