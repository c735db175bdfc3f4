// String literals: the literal table, its C-ABI upsert, and per-thread staging.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <thread>

#include "runtime_tables.hpp"
#include "tessel/jit.h"

namespace tessel {
namespace {

using LiteralsTest = testing::RuntimeTablesTest;

constexpr int32_t slot4 = 2147430815;

// Ends a stage left open by a failed assertion, so the next test starts without one.
struct StageScope {
    ~StageScope() { (void)finish_jit_string_literal_staging(); }
};

TEST_F(LiteralsTest, LiteralIdIsTheHashOfTheText) { EXPECT_EQ(name_hash("slot4"), slot4); }

TEST_F(LiteralsTest, LastUpsertOfAnIdWins) {
    tessel_jit_upsert_string_literal(slot4, "slot4");
    tessel_jit_upsert_string_literal(slot4, "slot4");
    EXPECT_EQ(jit_string_literal_value(slot4), "slot4");
    tessel_jit_upsert_string_literal(slot4, "other");  // no collision check outside staging
    EXPECT_EQ(jit_string_literal_value(slot4), "other");
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_LENGTH), 5);
    EXPECT_EQ(jit_string_literal_value(name_hash("missing")), std::nullopt);
}

TEST_F(LiteralsTest, CAbiUpsertTakesOnlyValidUtf8) {
    struct Case {
        const char* text;
        bool kept;
    };
    const Case cases[] = {
        {"", true},
        {"plain", true},
        {"\xC3\xA9", true},           // é
        {"\xE2\x82\xAC", true},       // €
        {"\xF0\x9D\x84\x9E", true},   // U+1D11E
        {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
        {"\x80", false},              // lone continuation byte
        {"\xC0\x80", false},          // overlong NUL
        {"\xE0\x80\xAF", false},      // overlong slash
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"\xE2\x82", false},          // truncated
        {"\xFF", false},
    };
    int32_t id = 1;
    for (const Case& c : cases) {
        tessel_jit_upsert_string_literal(id, c.text);
        EXPECT_EQ(jit_string_literal_value(id).has_value(), c.kept) << id;
        ++id;
    }
    tessel_jit_upsert_string_literal(id, nullptr);
    EXPECT_EQ(jit_string_literal_value(id), std::nullopt);
}

TEST_F(LiteralsTest, ClearEmptiesTheTable) {
    upsert_jit_string_literal(1, "a");
    upsert_jit_string_literal(2, "b");
    tessel_jit_clear_string_literal_table();
    EXPECT_EQ(jit_string_literal_value(1), std::nullopt);
    upsert_jit_string_literal(1, "a");
    clear_jit_string_literal_table();
    EXPECT_EQ(jit_string_literal_value(1), std::nullopt);
}

TEST_F(LiteralsTest, ReplaceMakesAnExactCopy) {
    upsert_jit_string_literal(1, "old");
    upsert_jit_string_literal(2, "gone");
    replace_jit_string_literal_table({{1, "new"}, {3, "added"}});
    EXPECT_EQ(jit_string_literal_value(1), "new");
    EXPECT_EQ(jit_string_literal_value(2), std::nullopt);
    EXPECT_EQ(jit_string_literal_value(3), "added");
    replace_jit_string_literal_table({});
    EXPECT_EQ(jit_string_literal_value(1), std::nullopt);
}

TEST_F(LiteralsTest, StagingCollectsUpsertsAwayFromTheTable) {
    StageScope scope;
    upsert_jit_string_literal(slot4, "live");
    ASSERT_TRUE(begin_jit_string_literal_staging());
    tessel_jit_upsert_string_literal(slot4, "slot4");
    tessel_jit_upsert_string_literal(slot4, "slot4");  // same bytes: no collision
    tessel_jit_upsert_string_literal(7, "seven");
    clear_jit_string_literal_table();  // the stage is untouched
    EXPECT_EQ(jit_string_literal_value(slot4), std::nullopt);
    auto staged = finish_jit_string_literal_staging();
    ASSERT_TRUE(staged) << staged.error();
    EXPECT_EQ(staged.value(), (LiteralMap{{7, "seven"}, {slot4, "slot4"}}));
    replace_jit_string_literal_table(staged.value());
    EXPECT_EQ(jit_string_literal_value(slot4), "slot4");
}

TEST_F(LiteralsTest, StagingRecordsTheFirstCollision) {
    StageScope scope;
    ASSERT_TRUE(begin_jit_string_literal_staging());
    upsert_jit_string_literal(slot4, "slot4");
    upsert_jit_string_literal(slot4, "other");
    upsert_jit_string_literal(slot4, "third");
    upsert_jit_string_literal(-5, "x");
    upsert_jit_string_literal(-5, "y");
    auto staged = finish_jit_string_literal_staging();
    ASSERT_FALSE(staged);
    EXPECT_EQ(staged.error(), "JIT string literal hash collision for id 2147430815: 'slot4' vs 'other'");
    // The stage is gone and nothing reached the table.
    EXPECT_EQ(finish_jit_string_literal_staging().error(), "JIT string literal staging is not active");
    EXPECT_EQ(jit_string_literal_value(slot4), std::nullopt);
}

TEST_F(LiteralsTest, CollisionTextShowsSignedIds) {
    StageScope scope;
    ASSERT_TRUE(begin_jit_string_literal_staging());
    upsert_jit_string_literal(-5, "x");
    upsert_jit_string_literal(-5, "y");
    EXPECT_EQ(finish_jit_string_literal_staging().error(), "JIT string literal hash collision for id -5: 'x' vs 'y'");
}

TEST_F(LiteralsTest, StagingMisuseTexts) {
    StageScope scope;
    auto not_active = finish_jit_string_literal_staging();
    ASSERT_FALSE(not_active);
    EXPECT_EQ(not_active.error(), "JIT string literal staging is not active");
    ASSERT_TRUE(begin_jit_string_literal_staging());
    Status again = begin_jit_string_literal_staging();
    ASSERT_FALSE(again);
    EXPECT_EQ(again.error(), "JIT string literal staging is already active on this thread");
    EXPECT_TRUE(finish_jit_string_literal_staging());
}

TEST_F(LiteralsTest, StagingIsPerThread) {
    StageScope scope;
    ASSERT_TRUE(begin_jit_string_literal_staging());
    std::thread other([] {
        upsert_jit_string_literal(1, "from another thread");
        EXPECT_TRUE(begin_jit_string_literal_staging());  // its own stage
        EXPECT_TRUE(finish_jit_string_literal_staging());
    });
    other.join();
    upsert_jit_string_literal(2, "staged here");
    EXPECT_EQ(jit_string_literal_value(1), "from another thread");
    EXPECT_EQ(jit_string_literal_value(2), std::nullopt);
    EXPECT_EQ(finish_jit_string_literal_staging().value(), (LiteralMap{{2, "staged here"}}));
}

}  // namespace
}  // namespace tessel
