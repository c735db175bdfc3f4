// The registry: registration, typed loads and stores, array pointers, collection scalars, queries,
// clear operations, the rebind guard and the poisoned-table model.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <random>
#include <stdexcept>
#include <unordered_map>

#include "runtime_tables.hpp"
#include "tessel/jit.h"
#include "tessel_dynload/internal/flat_map.hpp"
#include "tessel_dynload/internal/tables.hpp"

namespace tessel {
namespace {

using testing::RuntimeTablesTest;

constexpr int32_t slot4 = 2147430815;  // literal id of "slot4"
constexpr const char* rebind_refused = "storage rebinding is only allowed between guest execution windows";

using RegistryTest = RuntimeTablesTest;

// Opens a guest execution window for a scope.
struct GuestWindow {
    GuestWindow() { enter_guest_execution(); }
    ~GuestWindow() { leave_guest_execution(); }
};

// ---------------------------------------------------------------------------------------------
// Scalars

TEST_F(RegistryTest, ScalarsReadAndWriteThroughRegisteredAddresses) {
    int32_t i = 5;
    float f = 1.5f;
    double d = 2.25;
    tessel_jit_register_global_i32_ptr(name_hash("app.i"), &i);
    tessel_jit_register_global_f32_ptr(name_hash("app.f"), &f);
    tessel_jit_register_global_f64_ptr(name_hash("app.d"), &d);
    EXPECT_EQ(tessel_jit_global_i32_load(name_hash("app.i")), 5);
    EXPECT_EQ(tessel_jit_global_f32_load(name_hash("app.f")), 1.5f);
    EXPECT_EQ(tessel_jit_global_f64_load(name_hash("app.d")), 2.25);
    tessel_jit_global_i32_store(name_hash("app.i"), -9);
    tessel_jit_global_f32_store(name_hash("app.f"), -0.5f);
    tessel_jit_global_f64_store(name_hash("app.d"), 1e300);
    EXPECT_EQ(i, -9);
    EXPECT_EQ(f, -0.5f);
    EXPECT_EQ(d, 1e300);
}

TEST_F(RegistryTest, UnregisteredScalarsReadZeroUntilStoredIntoFallback) {
    const int32_t name = name_hash("nobody.registered");
    EXPECT_EQ(tessel_jit_global_i32_load(name), 0);
    EXPECT_EQ(tessel_jit_global_f32_load(name), 0.0f);
    EXPECT_EQ(tessel_jit_global_f64_load(name), 0.0);
    tessel_jit_global_i32_store(name, 11);
    tessel_jit_global_f32_store(name, 2.5f);
    tessel_jit_global_f64_store(name, -3.0);
    // The three types keep separate tables under the same name.
    EXPECT_EQ(tessel_jit_global_i32_load(name), 11);
    EXPECT_EQ(tessel_jit_global_f32_load(name), 2.5f);
    EXPECT_EQ(tessel_jit_global_f64_load(name), -3.0);
}

TEST_F(RegistryTest, RegistrationShadowsFallbackWithoutTakingItsValue) {
    const int32_t name = name_hash("app.shadowed");
    tessel_jit_global_i32_store(name, 42);
    int32_t host = 7;
    tessel_jit_register_global_i32_ptr(name, &host);
    EXPECT_EQ(tessel_jit_global_i32_load(name), 7);
    tessel_jit_global_i32_store(name, 8);
    EXPECT_EQ(host, 8);
    // The fallback value reappears once the registration is cleared.
    clear_registered_global_memory();
    EXPECT_EQ(tessel_jit_global_i32_load(name), 42);
}

TEST_F(RegistryTest, SecondScalarRegistrationWins) {
    const int32_t name = name_hash("app.twice");
    int32_t first = 1, second = 2;
    tessel_jit_register_global_i32_ptr(name, &first);
    tessel_jit_register_global_i32_ptr(name, &second);
    EXPECT_EQ(tessel_jit_global_i32_load(name), 2);
    tessel_jit_global_i32_store(name, 3);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 3);
}

TEST_F(RegistryTest, HostRegistrationFreesDisplacedOwnedCellWithoutCopyingIt) {
    const int32_t name = name_hash("app.cell");
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_I32, name));
    tessel_jit_global_i32_store(name, 99);
    auto owned = registered_storage(TESSEL_JIT_I32, name, 0);
    ASSERT_TRUE(owned);
    int32_t host = 0;
    tessel_jit_register_global_i32_ptr(name, &host);
    EXPECT_EQ(tessel_jit_global_i32_load(name), 0);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, name, 0).value().address, &host);
    // Registering the owned cell's own address again keeps the cell (no free, no change).
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_F32, name));
    auto cell = registered_storage(TESSEL_JIT_F32, name, 0).value();
    tessel_jit_global_f32_store(name, 4.5f);
    tessel_jit_register_global_f32_ptr(name, static_cast<float*>(cell.address));
    EXPECT_EQ(tessel_jit_global_f32_load(name), 4.5f);
}

TEST_F(RegistryTest, NullAddressesAreIgnored) {
    const int32_t name = name_hash("app.null");
    tessel_jit_register_global_i32_ptr(name, nullptr);
    tessel_jit_register_global_f32_ptr(name, nullptr);
    tessel_jit_register_global_f64_ptr(name, nullptr);
    tessel_jit_register_global_i32_array(name, 0, nullptr, 4);
    tessel_jit_register_global_u8_array(name, 0, nullptr, 4);
    for (TesselJitStorageKind kind : {TESSEL_JIT_I32, TESSEL_JIT_F32, TESSEL_JIT_F64, TESSEL_JIT_U8, TESSEL_JIT_U16}) {
        EXPECT_FALSE(registered_storage(kind, name, 0)) << kind;
    }
}

// ---------------------------------------------------------------------------------------------
// Arrays

TEST_F(RegistryTest, ArrayCountsOfZeroOrLessChangeNothing) {
    const int32_t name = name_hash("app.counts");
    int32_t kept[3] = {1, 2, 3};
    int32_t other[8] = {};
    tessel_jit_register_global_i32_array(name, 0, kept, 3);
    for (int32_t count : {0, -1, std::numeric_limits<int32_t>::min()}) {
        tessel_jit_register_global_i32_array(name, 0, other, count);
        tessel_jit_register_global_f32_array(name, 0, reinterpret_cast<float*>(other), count);
        tessel_jit_register_global_f64_array(name, 0, reinterpret_cast<double*>(other), count);
        tessel_jit_register_global_u8_array(name, 0, reinterpret_cast<uint8_t*>(other), count);
        tessel_jit_register_global_u16_array(name, 0, reinterpret_cast<uint16_t*>(other), count);
        auto storage = registered_storage(TESSEL_JIT_I32, name, 0);
        ASSERT_TRUE(storage);
        EXPECT_EQ(storage.value().address, kept);
        EXPECT_EQ(storage.value().count, 3u);
        EXPECT_FALSE(registered_storage(TESSEL_JIT_F32, name, 0));
    }
    register_global_i32_array(name, 0, other, 0);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, name, 0).value().address, kept);
}

TEST_F(RegistryTest, ArrayElementsAreBoundedByTheRegisteredCount) {
    const int32_t name = name_hash("app.bounded"), field = name_hash("x");
    int32_t values[4] = {10, 20, 30, 40};
    tessel_jit_register_global_i32_array(name, field, values, 4);
    struct Case {
        int32_t index;
        int32_t expected;
    };
    for (Case c : {Case{0, 10}, Case{3, 40}, Case{4, 0}, Case{-1, 0}, Case{INT32_MAX, 0}}) {
        EXPECT_EQ(tessel_jit_global_i32_array_load(name, field, c.index), c.expected) << c.index;
    }
    tessel_jit_global_i32_array_store(name, field, 2, -3);
    tessel_jit_global_i32_array_store(name, field, 4, 77);   // past the count: ignored,
    tessel_jit_global_i32_array_store(name, field, -1, 77);  // and so is a negative index
    EXPECT_EQ(values[2], -3);
    EXPECT_EQ(jit_i32_array_capacity(name, field), 4u);
    clear_registered_global_memory();
    // Nothing went to the fallback table.
    EXPECT_EQ(tessel_jit_global_i32_array_load(name, field, 4), 0);
    EXPECT_EQ(jit_i32_array_capacity(name, field), std::nullopt);
}

TEST_F(RegistryTest, ByteAndSixteenBitLanesTruncateOnStoreAndZeroExtendOnLoad) {
    const int32_t bytes_name = name_hash("app.bytes"), halves_name = name_hash("app.halves");
    uint8_t bytes[2] = {0xFF, 0};
    uint16_t halves[2] = {0xFFFF, 0};
    tessel_jit_register_global_u8_array(bytes_name, 0, bytes, 2);
    tessel_jit_register_global_u16_array(halves_name, 0, halves, 2);
    EXPECT_EQ(tessel_jit_global_i32_array_load(bytes_name, 0, 0), 255);
    EXPECT_EQ(tessel_jit_global_i32_array_load(halves_name, 0, 0), 65535);
    tessel_jit_global_i32_array_store(bytes_name, 0, 1, 0x1234);
    tessel_jit_global_i32_array_store(halves_name, 0, 1, -1);
    EXPECT_EQ(bytes[1], 0x34);
    EXPECT_EQ(halves[1], 0xFFFF);
    EXPECT_EQ(tessel_jit_global_i32_array_load(bytes_name, 0, 2), 0);
}

TEST_F(RegistryTest, IntegerLanesShareOneKeySpace) {
    const int32_t name = name_hash("app.lanes"), field = name_hash("v");
    // An owned u8 array of the pair, then a host i32 array: both u8 entries go.
    ASSERT_TRUE(ensure_jit_u8_array_capacity(name, field, 4));
    tessel_jit_global_i32_array_store(name, field, 1, 200);
    int32_t values[3] = {5, 6, 7};
    tessel_jit_register_global_i32_array(name, field, values, 3);
    EXPECT_FALSE(registered_storage(TESSEL_JIT_U8, name, field));
    EXPECT_EQ(tessel_jit_global_i32_array_load(name, field, 1), 6);
    // Asking the u8 lane to grow now takes the pair back from i32.
    ASSERT_TRUE(ensure_jit_u8_array_capacity(name, field, 2));
    EXPECT_FALSE(registered_storage(TESSEL_JIT_I32, name, field));
    EXPECT_EQ(tessel_jit_global_i32_array_load(name, field, 1), 0);
    // The f32 lane is a key space of its own.
    float floats[1] = {1.0f};
    tessel_jit_register_global_f32_array(name, field, floats, 1);
    EXPECT_TRUE(registered_storage(TESSEL_JIT_U8, name, field));
}

TEST_F(RegistryTest, FloatArraysHaveNoLiteralStep) {
    upsert_jit_string_literal(slot4, "slot4");
    EXPECT_EQ(tessel_jit_global_f32_array_load(slot4, 0, 1), 0.0f);
    EXPECT_EQ(tessel_jit_global_f64_array_load(slot4, 0, 1), 0.0);
    const int32_t name = name_hash("app.floats");
    tessel_jit_global_f32_array_store(name, 0, 5, 1.25f);
    tessel_jit_global_f64_array_store(name, 0, 5, 2.5);
    EXPECT_EQ(tessel_jit_global_f32_array_load(name, 0, 5), 1.25f);
    EXPECT_EQ(tessel_jit_global_f32_array_load(name, 0, 4), 0.0f);
    EXPECT_EQ(tessel_jit_global_f64_array_load(name, 0, 5), 2.5);
    tessel_jit_global_f32_array_store(name, 0, -1, 9.0f);
    EXPECT_EQ(tessel_jit_global_f32_array_load(name, 0, -1), 0.0f);
    double host[2] = {0.5, 0.75};
    tessel_jit_register_global_f64_array(name, 0, host, 2);
    EXPECT_EQ(tessel_jit_global_f64_array_load(name, 0, 1), 0.75);
    EXPECT_EQ(tessel_jit_global_f64_array_load(name, 0, 5), 0.0);
}

TEST_F(RegistryTest, LiteralBytesReadAsFieldZeroArray) {
    upsert_jit_string_literal(slot4, "slot4");
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, 1), 'l');
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, 5), 0);
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, -1), 0);
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, name_hash("x"), 1), 0);
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_LENGTH), 5);
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_MAX_LENGTH), 5);
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_CHAR_LENGTH), 5);
    // Bytes beyond ASCII read zero-extended; characters count scalar values.
    const int32_t accented = name_hash("h\xC3\xA9llo");
    tessel_jit_upsert_string_literal(accented, "h\xC3\xA9llo");
    EXPECT_EQ(tessel_jit_global_i32_array_load(accented, 0, 1), 0xC3);
    EXPECT_EQ(tessel_jit_collection_i32_load(accented, TESSEL_COLLECTION_LENGTH), 6);
    EXPECT_EQ(tessel_jit_collection_i32_load(accented, TESSEL_COLLECTION_CHAR_LENGTH), 5);
}

TEST_F(RegistryTest, FallbackElementsHideTheLiteralAndReadZeroBelow) {
    upsert_jit_string_literal(slot4, "slot4");
    tessel_jit_global_i32_array_store(slot4, 0, 3, 9);
    for (int32_t index : {0, 1, 2}) EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, index), 0) << index;
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, 3), 9);
    EXPECT_EQ(tessel_jit_global_i32_array_load(slot4, 0, 4), 0);
    EXPECT_EQ(jit_i32_array_capacity(slot4, 0), 4u);
}

TEST_F(RegistryTest, ArrayPointerCases) {
    const int32_t name = name_hash("app.ptr");
    int32_t host[8] = {};
    tessel_jit_register_global_i32_array(name, 0, host, 8);
    struct Case {
        int32_t minimum;
        int32_t* expected;
    };
    for (Case c : {Case{0, nullptr}, Case{-5, nullptr}, Case{1, host}, Case{8, host}, Case{9, nullptr}}) {
        EXPECT_EQ(tessel_jit_global_i32_array_ptr(name, 0, c.minimum), c.expected) << c.minimum;
    }
    // An unknown pair gets runtime-owned storage of exactly the minimum.
    const int32_t fresh = name_hash("app.fresh");
    int32_t* grown = tessel_jit_global_i32_array_ptr(fresh, 0, 6);
    ASSERT_NE(grown, nullptr);
    grown[5] = 17;
    EXPECT_EQ(tessel_jit_global_i32_array_load(fresh, 0, 5), 17);
    EXPECT_EQ(jit_i32_array_capacity(fresh, 0), 6u);
    float* floats = tessel_jit_global_f32_array_ptr(fresh, 0, 2);
    double* doubles = tessel_jit_global_f64_array_ptr(fresh, 0, 2);
    uint8_t* bytes = global_u8_array_ptr(name_hash("app.fresh_bytes"), 0, 3);
    ASSERT_TRUE(floats && doubles && bytes);
    floats[1] = 0.5f;
    bytes[2] = 200;
    EXPECT_EQ(tessel_jit_global_f32_array_load(fresh, 0, 1), 0.5f);
    EXPECT_EQ(tessel_jit_global_i32_array_load(name_hash("app.fresh_bytes"), 0, 2), 200);
    EXPECT_EQ(global_u8_array_ptr(name_hash("app.fresh_bytes"), 0, 0), nullptr);
}

// ---------------------------------------------------------------------------------------------
// Collection scalars

TEST_F(RegistryTest, CollectionScalarsAreSuffixedI32Scalars) {
    const int32_t path = name_hash("app.list");
    struct Case {
        int32_t selector;
        const char* suffixed;
    };
    for (Case c : {Case{1, "app.list.length"}, Case{2, "app.list.max_length"}, Case{3, "app.list.char_length"}}) {
        tessel_jit_collection_i32_store(path, c.selector, 10 + c.selector);
        EXPECT_EQ(tessel_jit_global_i32_load(name_hash(c.suffixed)), 10 + c.selector) << c.suffixed;
        EXPECT_EQ(tessel_jit_collection_i32_load(path, c.selector), 10 + c.selector) << c.suffixed;
    }
    for (int32_t selector : {0, 4, -1}) {
        tessel_jit_collection_i32_store(path, selector, 5);
        EXPECT_EQ(tessel_jit_collection_i32_load(path, selector), 0) << selector;
    }
    EXPECT_EQ(name_hash_extend(path, ".length"), name_hash("app.list.length"));
}

TEST_F(RegistryTest, KnownCollectionScalarWinsOverLiteral) {
    upsert_jit_string_literal(slot4, "slot4");
    int32_t length = 2;
    tessel_jit_register_global_i32_ptr(name_hash_extend(slot4, ".length"), &length);
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_LENGTH), 2);
    EXPECT_EQ(tessel_jit_collection_i32_load(slot4, TESSEL_COLLECTION_MAX_LENGTH), 5);
}

// ---------------------------------------------------------------------------------------------
// Queries

TEST_F(RegistryTest, RegisteredStorageCases) {
    const int32_t name = name_hash("app.storage"), field = name_hash("y");
    int32_t scalar = 0;
    int32_t plain[3] = {};
    int32_t column[4] = {};
    uint16_t halves[5] = {};
    tessel_jit_register_global_i32_array(name, 0, plain, 3);
    tessel_jit_register_global_i32_array(name, field, column, 4);
    tessel_jit_register_global_u16_array(name_hash("app.halves"), field, halves, 5);
    struct Case {
        TesselJitStorageKind kind;
        int32_t name, field;
        void* address;
        std::size_t count;
    };
    const Case cases[] = {
        {TESSEL_JIT_I32, name, 0, plain, 3},  // no scalar: the plain array
        {TESSEL_JIT_I32, name, field, column, 4},
        {TESSEL_JIT_U16, name_hash("app.halves"), field, halves, 5},
    };
    for (const Case& c : cases) {
        auto storage = registered_storage(c.kind, c.name, c.field);
        ASSERT_TRUE(storage) << c.kind;
        EXPECT_EQ(storage.value().address, c.address);
        EXPECT_EQ(storage.value().count, c.count);
    }
    tessel_jit_register_global_i32_ptr(name, &scalar);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, name, 0).value().address, &scalar);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, name, 0).value().count, 1u);
    for (TesselJitStorageKind kind : {TESSEL_JIT_F32, TESSEL_JIT_F64, TESSEL_JIT_U8}) {
        auto missing = registered_storage(kind, name, field);
        ASSERT_FALSE(missing);
        EXPECT_EQ(missing.error(), "direct storage backing was not provisioned");
    }
}

TEST_F(RegistryTest, SlotIsRegisteredForRegisteredOrFallbackScalars) {
    int32_t value = 0;
    tessel_jit_register_global_i32_ptr(name_hash("app.reg"), &value);
    tessel_jit_global_i32_store(name_hash("app.fallback"), 0);
    tessel_jit_global_f32_store(name_hash("app.float"), 1.0f);
    EXPECT_TRUE(jit_i32_slot_is_registered(name_hash("app.reg")));
    EXPECT_TRUE(jit_i32_slot_is_registered(name_hash("app.fallback")));
    EXPECT_FALSE(jit_i32_slot_is_registered(name_hash("app.float")));
    EXPECT_FALSE(jit_i32_slot_is_registered(name_hash("app.none")));
}

TEST_F(RegistryTest, ArrayCapacityCases) {
    int32_t host[7] = {};
    tessel_jit_register_global_i32_array(name_hash("app.host"), 0, host, 7);
    ASSERT_TRUE(ensure_jit_i32_array_capacity(name_hash("app.owned"), 0, 12));
    tessel_jit_global_i32_array_store(name_hash("app.sparse"), 0, 20, 1);
    tessel_jit_global_i32_array_store(name_hash("app.sparse"), 0, 3, 1);
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.host"), 0), 7u);
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.owned"), 0), 12u);
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.sparse"), 0), 21u);
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.none"), 0), std::nullopt);
}

TEST_F(RegistryTest, FillRegisteredArrayCases) {
    const int32_t name = name_hash("app.fill");
    int32_t values[4] = {};
    tessel_jit_register_global_i32_array(name, 0, values, 4);
    struct Case {
        int32_t name;
        std::size_t start, count;
        const char* error;  // null: success
    };
    const Case cases[] = {
        {name, 1, 3, nullptr},  // up to the last element
        {name, 1, 4, "registered i32 array range 1..5 exceeds length 4"},
        {name, 4, 0, nullptr},
        {name, std::numeric_limits<std::size_t>::max(), 1, "registered i32 array range overflowed"},
        {name_hash("app.unknown"), 0, 1, "registered i32 array was not found"},
    };
    for (const Case& c : cases) {
        Status status = fill_registered_global_i32_array(c.name, 0, c.start, c.count, 6);
        if (c.error == nullptr) {
            EXPECT_TRUE(status) << status.error();
        } else {
            ASSERT_FALSE(status) << c.error;
            EXPECT_EQ(status.error(), c.error);
        }
    }
    EXPECT_EQ(values[0], 0);
    EXPECT_EQ(values[1], 6);
    EXPECT_EQ(values[3], 6);
}

// ---------------------------------------------------------------------------------------------
// Clear operations

TEST_F(RegistryTest, ClearingFallbackTablesZeroesOwnedStorageButKeepsIt) {
    const int32_t cell = name_hash("app.cell"), array = name_hash("app.array");
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_I32, cell));
    ASSERT_NE(tessel_jit_global_i32_array_ptr(array, 0, 3), nullptr);
    tessel_jit_global_i32_store(cell, 5);
    tessel_jit_global_i32_array_store(array, 0, 2, 8);
    tessel_jit_global_i32_store(name_hash("app.loose"), 3);
    tessel_jit_global_i32_array_store(name_hash("app.loose"), 0, 1, 4);
    int32_t host = 6;
    tessel_jit_register_global_i32_ptr(name_hash("app.host"), &host);

    clear_jit_i32_global_table();
    clear_jit_i32_array_global_table();

    EXPECT_EQ(tessel_jit_global_i32_load(cell), 0);
    EXPECT_TRUE(registered_storage(TESSEL_JIT_I32, cell, 0));
    EXPECT_EQ(tessel_jit_global_i32_array_load(array, 0, 2), 0);
    EXPECT_EQ(jit_i32_array_capacity(array, 0), 3u);
    EXPECT_EQ(tessel_jit_global_i32_load(name_hash("app.loose")), 0);
    EXPECT_EQ(tessel_jit_global_i32_array_load(name_hash("app.loose"), 0, 1), 0);
    EXPECT_EQ(host, 6);  // host storage is not the runtime's to clear
}

TEST_F(RegistryTest, ClearingOneTypeLeavesTheOthers) {
    const int32_t name = name_hash("app.typed");
    tessel_jit_global_f32_store(name, 1.0f);
    tessel_jit_global_f64_store(name, 2.0);
    tessel_jit_global_f32_array_store(name, 0, 0, 3.0f);
    tessel_jit_global_f64_array_store(name, 0, 0, 4.0);
    clear_jit_f32_global_table();
    clear_jit_f64_array_global_table();
    EXPECT_EQ(tessel_jit_global_f32_load(name), 0.0f);
    EXPECT_EQ(tessel_jit_global_f64_load(name), 2.0);
    EXPECT_EQ(tessel_jit_global_f32_array_load(name, 0, 0), 3.0f);
    EXPECT_EQ(tessel_jit_global_f64_array_load(name, 0, 0), 0.0);
    clear_jit_f64_global_table();
    clear_jit_f32_array_global_table();
    EXPECT_EQ(tessel_jit_global_f64_load(name), 0.0);
    EXPECT_EQ(tessel_jit_global_f32_array_load(name, 0, 0), 0.0f);
}

TEST_F(RegistryTest, ClearingRegisteredMemoryKeepsFallbackAndLiterals) {
    int32_t host[2] = {1, 2};
    const int32_t name = name_hash("app.cleared");
    tessel_jit_register_global_i32_array(name, 0, host, 2);
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_F32, name, 0, 4));
    JitStorageSlot* slot = direct_array_storage_slot_address(TESSEL_JIT_F32, name, 0);
    ASSERT_NE(slot, nullptr);
    tessel_jit_global_i32_store(name, 5);
    upsert_jit_string_literal(slot4, "slot4");

    clear_registered_global_memory();

    for (TesselJitStorageKind kind : {TESSEL_JIT_I32, TESSEL_JIT_F32}) EXPECT_FALSE(registered_storage(kind, name, 0));
    EXPECT_EQ(direct_array_storage_slot_len_for_test(TESSEL_JIT_F32, name, 0), std::nullopt);
    EXPECT_EQ(jit_i32_array_capacity(name, 0), std::nullopt);
    EXPECT_EQ(tessel_jit_global_i32_load(name), 5);
    EXPECT_EQ(jit_string_literal_value(slot4), "slot4");
    // The promised length went too: a short registration is accepted again.
    float floats[1] = {};
    tessel_jit_register_global_f32_array(name, 0, floats, 1);
    EXPECT_TRUE(registered_storage(TESSEL_JIT_F32, name, 0));
}

// ---------------------------------------------------------------------------------------------
// Guest execution and the rebind guard

TEST_F(RegistryTest, RebindGuardHoldsTheDispatchLockOutsideGuestWindows) {
    auto guard = acquire_rebind_guard();
    ASSERT_TRUE(guard);
    EXPECT_TRUE(guard.value().owns_lock());
    RebindGuard moved = std::move(guard).value();
    EXPECT_TRUE(moved.owns_lock());
    moved.reset();
    EXPECT_FALSE(moved.owns_lock());
    EXPECT_TRUE(acquire_rebind_guard());  // released: available again
}

TEST_F(RegistryTest, GuestWindowRefusesEveryRebinding) {
    const int32_t name = name_hash("app.guest"), field = name_hash("f");
    int32_t before = 1, during = 2;
    int32_t before_array[4] = {}, during_array[4] = {};
    tessel_jit_register_global_i32_ptr(name, &before);
    tessel_jit_register_global_i32_array(name, field, before_array, 4);
    {
        GuestWindow window;
        EXPECT_EQ(guest_execution_count_value(), 1u);
        auto guard = acquire_rebind_guard();
        ASSERT_FALSE(guard);
        EXPECT_EQ(guard.error(), rebind_refused);
        tessel_jit_register_global_i32_ptr(name, &during);
        tessel_jit_register_global_i32_array(name, field, during_array, 4);
        tessel_jit_register_global_u8_array(name, field, reinterpret_cast<uint8_t*>(during_array), 4);
        clear_registered_global_memory();
        EXPECT_EQ(provision_direct_scalar_storage(TESSEL_JIT_I32, name_hash("app.other")).error(), rebind_refused);
        EXPECT_EQ(provision_direct_array_storage(TESSEL_JIT_I32, name_hash("app.other"), 0, 1).error(), rebind_refused);
        // Loads and stores go on as usual.
        tessel_jit_global_i32_store(name, 3);
        EXPECT_EQ(tessel_jit_global_i32_load(name), 3);
    }
    EXPECT_EQ(guest_execution_count_value(), 0u);
    EXPECT_EQ(before, 3);
    EXPECT_EQ(during, 2);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, name, field).value().address, before_array);
    EXPECT_FALSE(registered_storage(TESSEL_JIT_U8, name, field));
    EXPECT_TRUE(acquire_rebind_guard());
}

// ---------------------------------------------------------------------------------------------
// Tables: hash map and poisoned model

TEST(FlatMapTest, MatchesAReferenceMapUnderRandomUpdates) {
    internal::FlatMap<int32_t, int64_t> map;
    std::unordered_map<int32_t, int64_t> reference;
    std::mt19937 random(1234);
    std::uniform_int_distribution<int32_t> key(-300, 300);
    for (int step = 0; step < 20000; ++step) {
        const int32_t k = key(random);
        switch (random() % 4) {
            case 0:
            case 1:
                map.insert_or_assign(k, step);
                reference[k] = step;
                break;
            case 2:
                EXPECT_EQ(map.erase(k), reference.erase(k) == 1);
                break;
            case 3: {
                const int64_t* found = map.find(k);
                auto it = reference.find(k);
                ASSERT_EQ(found != nullptr, it != reference.end()) << k;
                if (found) {
                    EXPECT_EQ(*found, it->second);
                }
            }
        }
        ASSERT_EQ(map.size(), reference.size());
    }
    std::size_t visited = 0;
    map.for_each([&](int32_t k, int64_t v) {
        ++visited;
        EXPECT_EQ(reference.at(k), v);
    });
    EXPECT_EQ(visited, reference.size());
    EXPECT_EQ(map.take(reference.begin()->first), reference.begin()->second);
    map.clear();
    EXPECT_TRUE(map.empty());
    EXPECT_EQ(map.find(0), nullptr);
}

using PoisonDeathTest = RuntimeTablesTest;

TEST_F(PoisonDeathTest, TableThrownOutOfIsPoisoned) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    internal::Table<internal::FlatMap<int32_t, int32_t>> table("example table mutex poisoned");
    {
        auto locked = table.lock();
        locked->insert_or_assign(1, 1);
    }
    EXPECT_EQ(*table.lock()->find(1), 1);  // leaving normally does not poison
    try {
        auto locked = table.lock();
        throw std::runtime_error("failure while holding the table");
    } catch (const std::runtime_error&) {
    }
    EXPECT_DEATH((void)table.lock(), "example table mutex poisoned");
    EXPECT_DEATH((void)table.lock("other words for the table"), "other words for the table");
}

TEST_F(PoisonDeathTest, FailedGrowthPoisonsTheArrayTables) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const int32_t name = name_hash("app.huge");
    auto fail_growth = [&] {
        try {
            (void)ensure_jit_i32_array_capacity(name, 0, std::numeric_limits<std::size_t>::max());
        } catch (const std::exception&) {
        }
    };
    EXPECT_DEATH((fail_growth(), tessel_jit_global_i32_array_load(name, 0, 0)),
                 "registered i32 array table mutex poisoned");
    EXPECT_DEATH((fail_growth(), (void)ensure_jit_i32_array_capacity(name_hash("app.other"), 0, 1)),
                 "owned array table mutex poisoned");
    EXPECT_DEATH((fail_growth(), (void)preflight_jit_i32_array_capacity(name, 0, 1)),
                 "owned array table mutex poisoned");
    // Other types keep working.
    EXPECT_EXIT((fail_growth(), tessel_jit_global_f32_array_store(name, 0, 0, 1.0f), std::exit(0)),
                ::testing::ExitedWithCode(0), "");
}

TEST_F(PoisonDeathTest, UnwindingOutOfTheDispatchLockPoisonsIt) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto unwind_guard = [] {
        try {
            auto guard = acquire_rebind_guard();
            throw std::runtime_error("rebinding failed half-way");
        } catch (const std::runtime_error&) {
        }
    };
    auto unwind_window = [] {
        try {
            GuestWindow window;
            throw std::runtime_error("guest failed");
        } catch (const std::runtime_error&) {
        }
    };
    EXPECT_DEATH((unwind_guard(), (void)acquire_rebind_guard()), "jit dispatch lock mutex poisoned");
    EXPECT_DEATH((unwind_window(), enter_guest_execution()), "jit dispatch lock mutex poisoned");
    EXPECT_DEATH((unwind_window(), clear_registered_global_memory()), "jit dispatch lock mutex poisoned");
}

}  // namespace
}  // namespace tessel
