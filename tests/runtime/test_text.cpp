// Text ids, text runs and element copies.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime_tables.hpp"
#include "tessel/jit.h"
#include "tessel_dynload/internal/text_services.hpp"

namespace tessel {
namespace {

using TextTest = testing::RuntimeTablesTest;

constexpr int32_t slot4 = 2147430815;
const int32_t buffer = name_hash("app.text");

// A text buffer of i32 elements with its ".length".
void make_i32_buffer(int32_t id, const std::vector<int32_t>& elements) {
    for (std::size_t i = 0; i < elements.size(); ++i) {
        tessel_jit_global_i32_array_store(id, 0, static_cast<int32_t>(i), elements[i]);
    }
    tessel_jit_collection_i32_store(id, TESSEL_COLLECTION_LENGTH, static_cast<int32_t>(elements.size()));
}

// ---------------------------------------------------------------------------------------------
// Text ids

TEST_F(TextTest, TextBufferTestCases) {
    struct Case {
        const char* path;
        void (*make)(int32_t id);
        bool expected;
    };
    static int32_t ints[2];
    static uint8_t bytes[2];
    static uint16_t halves[2];
    const Case cases[] = {
        {"t.max_length_registered",
         [](int32_t id) {
             static int32_t max_length;
             tessel_jit_register_global_i32_ptr(name_hash_extend(id, ".max_length"), &max_length);
         },
         true},
        {"t.max_length_fallback",
         [](int32_t id) { tessel_jit_collection_i32_store(id, TESSEL_COLLECTION_MAX_LENGTH, 0); }, true},
        {"t.u8", [](int32_t id) { tessel_jit_register_global_u8_array(id, 0, bytes, 2); }, true},
        {"t.i32", [](int32_t id) { tessel_jit_register_global_i32_array(id, 0, ints, 2); }, true},
        {"t.fallback", [](int32_t id) { tessel_jit_global_i32_array_store(id, 0, 5, 1); }, true},
        {"t.u16_only", [](int32_t id) { tessel_jit_register_global_u16_array(id, 0, halves, 2); }, false},
        {"t.other_field", [](int32_t id) { tessel_jit_register_global_u8_array(id, name_hash("x"), bytes, 2); }, false},
        {"t.length_only", [](int32_t id) { tessel_jit_collection_i32_store(id, TESSEL_COLLECTION_LENGTH, 1); }, false},
        {"t.nothing", [](int32_t) {}, false},
    };
    for (const Case& c : cases) {
        c.make(name_hash(c.path));
        EXPECT_EQ(jit_text_buffer_is_registered(name_hash(c.path)), c.expected) << c.path;
    }
}

TEST_F(TextTest, RegisteredBufferWinsOverLiteral) {
    upsert_jit_string_literal(slot4, "slot4");
    make_i32_buffer(slot4, {'b', 'u', 'f'});
    EXPECT_EQ(jit_text_arg_bytes(slot4), "buf");
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 3), "buf");
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 2), std::nullopt);
    // One element out of byte range: the unbounded form falls back to the literal, the bounded one
    // gives nothing.
    tessel_jit_global_i32_array_store(slot4, 0, 1, 300);
    EXPECT_EQ(jit_text_arg_bytes(slot4), "slot4");
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 100), std::nullopt);
    tessel_jit_global_i32_array_store(slot4, 0, 1, -1);  // negative counts as out of range
    EXPECT_EQ(jit_text_arg_bytes(slot4), "slot4");
}

TEST_F(TextTest, BufferLengthCases) {
    struct Case {
        int32_t length;
        std::optional<std::string> bytes, bounded;
    };
    const Case cases[] = {
        {0, "", ""},  // empty, not none
        {2, "hi", "hi"},
        {4, std::string("hi\0\0", 4), std::nullopt},  // past the elements: zeros, beyond the bound
        {-1, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases) {
        make_i32_buffer(buffer, {'h', 'i'});
        tessel_jit_collection_i32_store(buffer, TESSEL_COLLECTION_LENGTH, c.length);
        EXPECT_EQ(jit_text_arg_bytes(buffer), c.bytes) << c.length;
        EXPECT_EQ(bounded_jit_text_arg_bytes(buffer, 3), c.bounded) << c.length;
    }
}

TEST_F(TextTest, ByteBufferReadsItsBytes) {
    static uint8_t bytes[8] = {'o', 'k', 0xC3, 0xA9};
    tessel_jit_register_global_u8_array(buffer, 0, bytes, 8);
    tessel_jit_collection_i32_store(buffer, TESSEL_COLLECTION_LENGTH, 4);
    EXPECT_EQ(jit_string_value(buffer).value(), "ok\xC3\xA9");
}

TEST_F(TextTest, LiteralBoundIsItsByteLength) {
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 5), std::nullopt);
    upsert_jit_string_literal(slot4, "slot4");
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 5), "slot4");
    EXPECT_EQ(bounded_jit_text_arg_bytes(slot4, 4), std::nullopt);
    EXPECT_EQ(jit_text_arg_bytes(name_hash("nothing")), std::nullopt);
}

TEST_F(TextTest, StringValueCases) {
    upsert_jit_string_literal(1, std::string(1048576, 'a'));
    upsert_jit_string_literal(2, std::string(1048577, 'a'));
    make_i32_buffer(3, {0xC0, 0x80});
    make_i32_buffer(-4, {0x20AC});
    upsert_jit_string_literal(-4, "literal");
    struct Case {
        int32_t id;
        const char* error;
    };
    const Case cases[] = {
        {1, nullptr},
        {2, "invalid or oversized JIT string handle 2"},
        {3, "JIT string handle 3 contains invalid UTF-8"},
        {-4, "invalid or oversized JIT string handle -4"},  // no literal fallback for a buffer
        {-7, "invalid or oversized JIT string handle -7"},
    };
    for (const Case& c : cases) {
        auto value = jit_string_value(c.id);
        if (c.error == nullptr) {
            ASSERT_TRUE(value) << value.error();
            EXPECT_EQ(value.value().size(), 1048576u);
        } else {
            ASSERT_FALSE(value) << c.id;
            EXPECT_EQ(value.error(), c.error);
        }
    }
}

TEST_F(TextTest, CStringCases) {
    upsert_jit_string_literal(slot4, "slot4");
    make_i32_buffer(buffer, {'a', 0, 'b'});
    auto text = jit_text_arg_to_cstring(slot4);
    ASSERT_TRUE(text);
    EXPECT_STREQ(text.value().c_str(), "slot4");
    auto interior = jit_text_arg_to_cstring(buffer);
    ASSERT_FALSE(interior);
    EXPECT_EQ(interior.error(), "string contains interior NUL byte; cannot pass to C runtime");
    auto missing = jit_text_arg_to_cstring(-12);
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error(), "missing jit text handle for id=-12 (neither literal nor utf8 buffer)");
}

// ---------------------------------------------------------------------------------------------
// Text runs

// A fake of the graphics services: cache ids from a counter, sizes derived from the id.
struct FakeServices {
    static inline int cache_calls = 0;
    static inline int32_t next_id = 0;
    static inline int32_t replaced_old = 0, replaced_font = 0;
    static inline std::string replaced_bytes;

    static int32_t cache_text(int32_t font, int32_t text) {
        ++cache_calls;
        return text == name_hash("uncacheable") ? 0 : next_id + font;
    }
    static float measure(int32_t id) { return static_cast<float>(id) * 2.0f; }
    static float measure_height(int32_t id) { return static_cast<float>(id) + 0.5f; }
    static int32_t replace_text(int32_t old_id, int32_t font, const std::string& bytes) {
        replaced_old = old_id;
        replaced_font = font;
        replaced_bytes = bytes;
        return bytes == "refused" ? 0 : next_id;
    }
    static constexpr internal::TextServices table{cache_text, measure, measure_height, replace_text};
};

class TextRunTest : public TextTest {
protected:
    void SetUp() override {
        TextTest::SetUp();
        FakeServices::cache_calls = 0;
        FakeServices::next_id = 40;
        FakeServices::replaced_bytes.clear();
        previous_ = internal::install_text_services(&FakeServices::table);
    }
    void TearDown() override {
        internal::install_text_services(previous_);
        TextTest::TearDown();
    }

    const int32_t label = name_hash("app.label");
    const internal::TextServices* previous_ = nullptr;
};

struct Record {
    int32_t font, handle;
    float width, height;
};

Record scalar_record(int32_t target) {
    return {tessel_jit_global_i32_load(name_hash_extend(target, ".font")),
            tessel_jit_global_i32_load(name_hash_extend(target, ".handle")),
            tessel_jit_global_f32_load(name_hash_extend(target, ".width")),
            tessel_jit_global_f32_load(name_hash_extend(target, ".height"))};
}

Record element_record(int32_t target, int32_t index) {
    return {tessel_jit_global_i32_array_load(target, name_hash("font"), index),
            tessel_jit_global_i32_array_load(target, name_hash("handle"), index),
            tessel_jit_global_f32_array_load(target, name_hash("width"), index),
            tessel_jit_global_f32_array_load(target, name_hash("height"), index)};
}

void expect_record(const Record& r, int32_t font, int32_t handle) {
    EXPECT_EQ(r.font, font);
    EXPECT_EQ(r.handle, handle);
    EXPECT_EQ(r.width, static_cast<float>(handle) * 2.0f);
    EXPECT_EQ(r.height, static_cast<float>(handle) + 0.5f);
}

TEST_F(TextRunTest, LoadFromFillsTheScalarRecord) {
    EXPECT_EQ(tessel_jit_text_run_load_from(label, -1, 0, 3, slot4), 1);
    expect_record(scalar_record(label), 3, 43);
}

TEST_F(TextRunTest, LoadFromFillsOneElementOfTheRecordArray) {
    static int32_t fonts[4], handles[4];
    static float widths[4], heights[4];
    tessel_jit_register_global_i32_array(label, name_hash("font"), fonts, 4);
    tessel_jit_register_global_i32_array(label, name_hash("handle"), handles, 4);
    tessel_jit_register_global_f32_array(label, name_hash("width"), widths, 4);
    tessel_jit_register_global_f32_array(label, name_hash("height"), heights, 4);
    EXPECT_EQ(tessel_jit_text_run_load_from(label, 3, 4, 2, slot4), 1);
    expect_record(element_record(label, 3), 2, 42);
    EXPECT_EQ(handles[3], 42);
    EXPECT_EQ(handles[2], 0);
}

TEST_F(TextRunTest, RefusedRunsStoreNothing) {
    struct Case {
        int32_t index, capacity, font, text;
        int cache_calls;
    };
    const Case cases[] = {
        {4, 4, 1, slot4, 0},                         // index equal to capacity: the cache is not asked
        {5, 4, 1, slot4, 0},   {0, 4, 0, slot4, 0},  // no font
        {-1, 0, -2, slot4, 0}, {0, 4, 1, name_hash("uncacheable"), 1},
    };
    for (const Case& c : cases) {
        FakeServices::cache_calls = 0;
        EXPECT_EQ(tessel_jit_text_run_load_from(label, c.index, c.capacity, c.font, c.text), 0) << c.index;
        EXPECT_EQ(FakeServices::cache_calls, c.cache_calls) << c.index;
        EXPECT_EQ(tessel_jit_text_run_replace_from(label, c.index, c.capacity, c.font, c.text), 0) << c.index;
    }
    EXPECT_EQ(scalar_record(label).handle, 0);
    EXPECT_EQ(scalar_record(label).width, 0.0f);
    EXPECT_EQ(jit_i32_array_capacity(label, name_hash("handle")), std::nullopt);
}

TEST_F(TextRunTest, ReplaceFromHandsOverTheOldIdAndTheBytes) {
    upsert_jit_string_literal(slot4, "slot4");
    tessel_jit_global_i32_array_store(label, name_hash("handle"), 1, 17);
    FakeServices::next_id = 50;
    EXPECT_EQ(tessel_jit_text_run_replace_from(label, 1, 2, 6, slot4), 1);
    EXPECT_EQ(FakeServices::replaced_old, 17);
    EXPECT_EQ(FakeServices::replaced_font, 6);
    EXPECT_EQ(FakeServices::replaced_bytes, "slot4");
    expect_record(element_record(label, 1), 6, 50);
    // Scalar form: the old id comes from P.handle.
    tessel_jit_global_i32_store(name_hash_extend(label, ".handle"), 9);
    make_i32_buffer(buffer, {'n', 'e', 'w'});
    EXPECT_EQ(tessel_jit_text_run_replace_from(label, -1, 0, 2, buffer), 1);
    EXPECT_EQ(FakeServices::replaced_old, 9);
    EXPECT_EQ(FakeServices::replaced_bytes, "new");
    expect_record(scalar_record(label), 2, 50);
}

TEST_F(TextRunTest, FailedReplacementLeavesTheRecord) {
    upsert_jit_string_literal(name_hash("refused"), "refused");
    EXPECT_EQ(tessel_jit_text_run_load_from(label, -1, 0, 1, slot4), 1);
    EXPECT_EQ(tessel_jit_text_run_replace_from(label, -1, 0, 5, name_hash("refused")), 0);
    EXPECT_EQ(FakeServices::replaced_old, 41);
    expect_record(scalar_record(label), 1, 41);
    // Without bytes for the text id the services are not asked at all.
    FakeServices::replaced_old = 0;
    EXPECT_EQ(tessel_jit_text_run_replace_from(label, -1, 0, 5, name_hash("no such text")), 0);
    EXPECT_EQ(FakeServices::replaced_old, 0);
}

// ---------------------------------------------------------------------------------------------
// Element copies

TEST_F(TextTest, OverlappingCopyActsAsMemmove) {
    int32_t values[5] = {1, 2, 3, 4, 5};
    tessel_jit_register_global_i32_array(buffer, 0, values, 5);
    tessel_jit_sys_memcpy_i32(buffer, 1, buffer, 0, 3);
    EXPECT_EQ(std::vector<int32_t>(values, values + 5), (std::vector<int32_t>{1, 1, 2, 3, 5}));
    tessel_jit_sys_memmove_i32(buffer, 0, buffer, 1, 4);
    EXPECT_EQ(std::vector<int32_t>(values, values + 5), (std::vector<int32_t>{1, 2, 3, 5, 5}));
}

TEST_F(TextTest, FloatCopiesBetweenArrays) {
    float from[3] = {0.5f, 1.5f, 2.5f};
    tessel_jit_register_global_f32_array(buffer, 0, from, 3);
    const int32_t to = name_hash("app.to");
    tessel_jit_sys_memcpy_f32(to, 2, buffer, 1, 3);
    EXPECT_EQ(tessel_jit_global_f32_array_load(to, 0, 2), 1.5f);
    EXPECT_EQ(tessel_jit_global_f32_array_load(to, 0, 3), 2.5f);
    EXPECT_EQ(tessel_jit_global_f32_array_load(to, 0, 4), 0.0f);  // past the source: zero
    tessel_jit_sys_memmove_f32(to, 0, buffer, 0, 1);
    EXPECT_EQ(tessel_jit_global_f32_array_load(to, 0, 0), 0.5f);
}

TEST_F(TextTest, CountsOfZeroOrLessCopyNothing) {
    make_i32_buffer(buffer, {1, 2});
    const int32_t to = name_hash("app.to");
    for (int32_t count : {0, -1, INT32_MIN}) {
        tessel_jit_sys_memcpy_i32(to, 0, buffer, 0, count);
        tessel_jit_sys_memcpy_f32(to, 0, buffer, 0, count);
        tessel_jit_sys_memcpy_u8(to, 0, buffer, 0, count);
    }
    EXPECT_EQ(jit_i32_array_capacity(to, 0), std::nullopt);
    EXPECT_EQ(tessel_jit_global_f32_array_load(to, 0, 0), 0.0f);
}

TEST_F(TextTest, ByteCopyFromLiteral) {
    const int32_t abc = name_hash("abc");
    upsert_jit_string_literal(abc, "abc");
    static uint8_t to[4] = {9, 9, 9, 9};
    tessel_jit_register_global_u8_array(buffer, 0, to, 4);
    tessel_jit_sys_memcpy_u8(buffer, 0, abc, 2, 3);
    EXPECT_EQ(std::vector<uint8_t>(to, to + 4), (std::vector<uint8_t>{'c', 0, 0, 9}));
    tessel_jit_sys_memmove_u8(buffer, 1, abc, -1, 2);  // below the start reads 0
    EXPECT_EQ(std::vector<uint8_t>(to, to + 4), (std::vector<uint8_t>{'c', 0, 'a', 9}));
}

TEST_F(TextTest, ByteCopyFromABufferKeepsLowBits) {
    make_i32_buffer(buffer, {0x141, 0x42});
    static uint8_t to[2];
    const int32_t bytes = name_hash("app.bytes");
    tessel_jit_register_global_u8_array(bytes, 0, to, 2);
    tessel_jit_sys_memcpy_u8(bytes, 0, buffer, 0, 2);
    EXPECT_EQ(to[0], 0x41);
    EXPECT_EQ(to[1], 0x42);
    // A text buffer that is also a literal copies the buffer.
    upsert_jit_string_literal(buffer, "zz");
    tessel_jit_sys_memcpy_u8(bytes, 0, buffer, 1, 1);
    EXPECT_EQ(to[0], 0x42);
}

TEST_F(TextTest, CopyIndicesSaturate) {
    const int32_t from = name_hash("app.from"), to = name_hash("app.to");
    tessel_jit_global_i32_array_store(from, 0, INT32_MAX - 1, 1);
    tessel_jit_global_i32_array_store(from, 0, INT32_MAX, 2);
    tessel_jit_sys_memcpy_i32(to, INT32_MAX - 2, from, INT32_MAX - 1, 4);
    // Sources INT32_MAX-1, then INT32_MAX three times; destinations saturate the same way, so the
    // last write at INT32_MAX wins.
    EXPECT_EQ(tessel_jit_global_i32_array_load(to, 0, INT32_MAX - 2), 1);
    EXPECT_EQ(tessel_jit_global_i32_array_load(to, 0, INT32_MAX - 1), 2);
    EXPECT_EQ(tessel_jit_global_i32_array_load(to, 0, INT32_MAX), 2);
    // Negative sums saturate at the low end and read 0.
    tessel_jit_sys_memcpy_i32(to, 0, from, INT32_MIN, 1);
    EXPECT_EQ(tessel_jit_global_i32_array_load(to, 0, 0), 0);
}

}  // namespace
}  // namespace tessel
