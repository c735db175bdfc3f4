// Typed array storage: growth of runtime-owned arrays, host-owned refusals, fallback migration,
// integer lanes, provisioning, promised lengths and direct storage slots.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "runtime_tables.hpp"
#include "tessel/jit.h"

namespace tessel {
namespace {

using StorageTest = testing::RuntimeTablesTest;

constexpr const char* rebind_refused = "storage rebinding is only allowed between guest execution windows";

struct GuestWindow {
    GuestWindow() { enter_guest_execution(); }
    ~GuestWindow() { leave_guest_execution(); }
};

const int32_t n = name_hash("app.store"), f = name_hash("cells");

// ---------------------------------------------------------------------------------------------
// Growth

TEST_F(StorageTest, EnsureCreatesZeroedArrayAndMovesFallbackElementsInside) {
    tessel_jit_global_i32_array_store(n, f, 2, 22);
    tessel_jit_global_i32_array_store(n, f, 12, 33);
    ASSERT_TRUE(ensure_jit_i32_array_capacity(n, f, 10));
    EXPECT_EQ(jit_i32_array_capacity(n, f), 10u);
    for (int32_t i = 0; i < 10; ++i) EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, i), i == 2 ? 22 : 0) << i;
    // Index 12 stayed behind in the fallback table and moves in once the array reaches it.
    EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, 12), 0);
    ASSERT_TRUE(ensure_jit_i32_array_capacity(n, f, 13));
    EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, 12), 33);
    EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, 2), 22);
}

TEST_F(StorageTest, FloatArraysMigrateTheirOwnFallbackElements) {
    tessel_jit_global_f32_array_store(n, f, 1, 1.5f);
    tessel_jit_global_f64_array_store(n, f, 0, 2.5);
    float* floats = tessel_jit_global_f32_array_ptr(n, f, 2);
    double* doubles = tessel_jit_global_f64_array_ptr(n, f, 1);
    ASSERT_TRUE(floats && doubles);
    EXPECT_EQ(floats[1], 1.5f);
    EXPECT_EQ(doubles[0], 2.5);
    clear_jit_f32_array_global_table();  // nothing left in fallback: the owned array is just zeroed
    EXPECT_EQ(floats[1], 0.0f);
}

TEST_F(StorageTest, HostOwnedStorageIsNeverGrown) {
    int32_t host[40] = {};
    tessel_jit_register_global_i32_array(n, f, host, 40);
    Status too_long = ensure_jit_i32_array_capacity(n, f, 50);
    ASSERT_FALSE(too_long);
    EXPECT_EQ(too_long.error(), "cannot grow host-owned collection storage from 40 to 50");
    EXPECT_EQ(preflight_jit_i32_array_capacity(n, f, 50).error(), too_long.error());
    ASSERT_TRUE(ensure_jit_i32_array_capacity(n, f, 40));
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, n, f).value().address, host);
    EXPECT_EQ(tessel_jit_global_i32_array_ptr(n, f, 41), nullptr);
}

TEST_F(StorageTest, EnsuringLessKeepsTheOwnedArray) {
    ASSERT_TRUE(ensure_jit_f64_array_capacity(n, f, 10));
    void* before = registered_storage(TESSEL_JIT_F64, n, f).value().address;
    ASSERT_TRUE(ensure_jit_f64_array_capacity(n, f, 5));
    EXPECT_EQ(registered_storage(TESSEL_JIT_F64, n, f).value().address, before);
    EXPECT_EQ(registered_storage(TESSEL_JIT_F64, n, f).value().count, 10u);
}

TEST_F(StorageTest, GrowthKeepsElementsAndZeroFillsTheRest) {
    ASSERT_TRUE(ensure_jit_u16_array_capacity(n, f, 2));
    tessel_jit_global_i32_array_store(n, f, 1, 515);
    ASSERT_TRUE(ensure_jit_u16_array_capacity(n, f, 300));
    EXPECT_EQ(registered_storage(TESSEL_JIT_U16, n, f).value().count, 300u);
    EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, 1), 515);
    EXPECT_EQ(tessel_jit_global_i32_array_load(n, f, 299), 0);
}

TEST_F(StorageTest, PreflightCases) {
    int32_t host[4] = {};
    tessel_jit_register_global_i32_array(name_hash("app.host"), 0, host, 4);
    ASSERT_TRUE(ensure_jit_i32_array_capacity(name_hash("app.owned"), 0, 4));
    struct Case {
        int32_t name;
        std::size_t required;
        const char* error;
    };
    const Case cases[] = {
        {name_hash("app.host"), 4, nullptr},
        {name_hash("app.host"), 5, "cannot grow host-owned collection storage from 4 to 5"},
        {name_hash("app.owned"), 1000, nullptr},
        {name_hash("app.nothing"), 1000, nullptr},
    };
    for (const Case& c : cases) {
        Status status = preflight_jit_i32_array_capacity(c.name, 0, c.required);
        EXPECT_EQ(status.ok(), c.error == nullptr) << c.required;
        if (c.error) {
            EXPECT_EQ(status.error(), c.error);
        }
    }
    // Preflight changes nothing.
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.owned"), 0), 4u);
    EXPECT_EQ(jit_i32_array_capacity(name_hash("app.nothing"), 0), std::nullopt);
    for (auto preflight : {preflight_jit_f32_array_capacity, preflight_jit_f64_array_capacity,
                           preflight_jit_u8_array_capacity, preflight_jit_u16_array_capacity}) {
        EXPECT_TRUE(preflight(n, f, 7));
    }
}

// ---------------------------------------------------------------------------------------------
// Integer lanes

TEST_F(StorageTest, EnsuringAByteArrayRemovesTheI32Pair) {
    int32_t host[3] = {1, 2, 3};
    tessel_jit_register_global_i32_array(n, 0, host, 3);
    ASSERT_TRUE(ensure_jit_u8_array_capacity(n, 0, 4));
    EXPECT_FALSE(registered_storage(TESSEL_JIT_I32, n, 0));
    EXPECT_EQ(jit_i32_array_capacity(n, 0), std::nullopt);
    // An owned i32 array goes the same way.
    ASSERT_TRUE(ensure_jit_i32_array_capacity(n, 0, 4));
    EXPECT_FALSE(registered_storage(TESSEL_JIT_U8, n, 0));
    ASSERT_TRUE(ensure_jit_u16_array_capacity(n, 0, 4));
    EXPECT_EQ(jit_i32_array_capacity(n, 0), std::nullopt);
    EXPECT_TRUE(registered_storage(TESSEL_JIT_U16, n, 0));
}

TEST_F(StorageTest, DiscardedLaneLeavesItsSlotEmpty) {
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_U8, n, f, 8));
    JitStorageSlot* slot = direct_array_storage_slot_address(TESSEL_JIT_U8, n, f);
    ASSERT_NE(slot->address, nullptr);
    discard_integer_array_lane(n, f, TESSEL_JIT_I32);
    EXPECT_EQ(slot->address, nullptr);
    EXPECT_EQ(slot->count, 0u);
    EXPECT_FALSE(registered_storage(TESSEL_JIT_U8, n, f));
}

// ---------------------------------------------------------------------------------------------
// Provisioning and slots

TEST_F(StorageTest, PromisedLengthRefusesShorterRegistrations) {
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_I32, n, f, 64));
    JitStorageSlot* slot = direct_array_storage_slot_address(TESSEL_JIT_I32, n, f);
    void* owned = registered_storage(TESSEL_JIT_I32, n, f).value().address;
    EXPECT_EQ(slot->address, owned);
    EXPECT_EQ(slot->count, 64u);
    EXPECT_FALSE(accepts_direct_array_rebind({TESSEL_JIT_I32, n, f}, 63));
    EXPECT_TRUE(accepts_direct_array_rebind({TESSEL_JIT_I32, n, f}, 64));
    EXPECT_TRUE(accepts_direct_array_rebind({TESSEL_JIT_U8, n, f}, 1));

    static int32_t short_host[32], full_host[64];
    tessel_jit_register_global_i32_array(n, f, short_host, 32);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, n, f).value().address, owned);
    tessel_jit_register_global_i32_array(n, f, full_host, 64);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, n, f).value().address, full_host);
    EXPECT_EQ(slot->address, full_host);
    EXPECT_EQ(slot->count, 64u);
    EXPECT_EQ(direct_array_storage_slot_address(TESSEL_JIT_I32, n, f), slot);  // the slot never moves
}

TEST_F(StorageTest, SlotOfNothingStartsEmptyAndProvisionFillsIt) {
    JitStorageSlot* slot = direct_array_storage_slot_address(TESSEL_JIT_F32, n, f);
    ASSERT_NE(slot, nullptr);
    EXPECT_EQ(slot->address, nullptr);
    EXPECT_EQ(slot->count, 0u);
    EXPECT_EQ(direct_array_storage_slot_len_for_test(TESSEL_JIT_F32, n, f), 0u);
    EXPECT_EQ(direct_array_storage_slot_len_for_test(TESSEL_JIT_F64, n, f), std::nullopt);
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_F32, n, f, 5));
    EXPECT_NE(slot->address, nullptr);
    EXPECT_EQ(slot->count, 5u);
    // Growth through the registry keeps the slot current.
    ASSERT_NE(tessel_jit_global_f32_array_ptr(n, f, 9), nullptr);
    EXPECT_EQ(slot->count, 9u);
    EXPECT_EQ(slot->address, registered_storage(TESSEL_JIT_F32, n, f).value().address);
}

TEST_F(StorageTest, ProvisionedArrayOfEveryKind) {
    for (TesselJitStorageKind kind : {TESSEL_JIT_I32, TESSEL_JIT_F32, TESSEL_JIT_F64, TESSEL_JIT_U8, TESSEL_JIT_U16}) {
        const int32_t name = name_hash_extend(name_hash("app.kind"), std::string(1, static_cast<char>('0' + kind)));
        ASSERT_TRUE(provision_direct_array_storage(kind, name, 0, 3)) << kind;
        auto storage = registered_storage(kind, name, 0);
        ASSERT_TRUE(storage) << kind;
        EXPECT_EQ(storage.value().count, 3u);
        EXPECT_EQ(direct_array_storage_slot_address(kind, name, 0)->address, storage.value().address);
    }
    // Any other kind value takes the i32 path but has no registered storage to report.
    const auto odd = static_cast<TesselJitStorageKind>(7);
    Status status = provision_direct_array_storage(odd, n, 0, 2);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error(), "direct storage backing was not provisioned");
    EXPECT_EQ(jit_i32_array_capacity(n, 0), 2u);
}

TEST_F(StorageTest, ProvisionedArrayOverHostStorageRefusesGrowth) {
    int32_t host[4] = {};
    tessel_jit_register_global_i32_array(n, f, host, 4);
    Status status = provision_direct_array_storage(TESSEL_JIT_I32, n, f, 8);
    ASSERT_FALSE(status);
    EXPECT_EQ(status.error(), "cannot grow host-owned collection storage from 4 to 8");
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_I32, n, f, 4));
    EXPECT_EQ(direct_array_storage_slot_address(TESSEL_JIT_I32, n, f)->address, host);
}

TEST_F(StorageTest, ProvisionedScalarTakesTheFallbackValue) {
    tessel_jit_global_i32_store(n, 12);
    tessel_jit_global_f64_store(n, 0.25);
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_I32, n));
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_F64, n));
    JitStorageSlot* slot = direct_scalar_storage_slot_address(TESSEL_JIT_I32, n);
    EXPECT_EQ(slot->count, 1u);
    EXPECT_EQ(*static_cast<int32_t*>(slot->address), 12);
    EXPECT_EQ(*static_cast<double*>(direct_scalar_storage_slot_address(TESSEL_JIT_F64, n)->address), 0.25);
    tessel_jit_global_i32_store(n, 13);
    EXPECT_EQ(*static_cast<int32_t*>(slot->address), 13);
    // The fallback value moved: clearing the fallback table and the cell zeroes it.
    clear_jit_i32_global_table();
    EXPECT_EQ(tessel_jit_global_i32_load(n), 0);
    EXPECT_TRUE(jit_i32_slot_is_registered(n));
    // Provisioning again keeps the same cell.
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_I32, n));
    EXPECT_EQ(direct_scalar_storage_slot_address(TESSEL_JIT_I32, n), slot);
    EXPECT_EQ(registered_storage(TESSEL_JIT_I32, n, 0).value().address, slot->address);
}

TEST_F(StorageTest, ProvisionedScalarKeepsHostRegistration) {
    float host = 3.0f;
    tessel_jit_register_global_f32_ptr(n, &host);
    ASSERT_TRUE(provision_direct_scalar_storage(TESSEL_JIT_F32, n));
    EXPECT_EQ(direct_scalar_storage_slot_address(TESSEL_JIT_F32, n)->address, &host);
    // A host registration later rewrites the slot.
    float other = 4.0f;
    tessel_jit_register_global_f32_ptr(n, &other);
    EXPECT_EQ(direct_scalar_storage_slot_address(TESSEL_JIT_F32, n)->address, &other);
}

// ---------------------------------------------------------------------------------------------
// Guest execution

TEST_F(StorageTest, GrowthInsideGuestCodeOnlyForStorageWithoutSlots) {
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_I32, n, f, 2));
    ASSERT_TRUE(provision_direct_array_storage(TESSEL_JIT_U8, name_hash("app.bytes"), 0, 2));
    (void)direct_array_storage_slot_address(TESSEL_JIT_I32, n, f);
    (void)direct_array_storage_slot_address(TESSEL_JIT_U8, name_hash("app.bytes"), 0);
    GuestWindow window;
    EXPECT_TRUE(ensure_jit_i32_array_capacity(name_hash("app.free"), 0, 4));
    EXPECT_NE(tessel_jit_global_i32_array_ptr(name_hash("app.free"), 0, 8), nullptr);
    EXPECT_EQ(ensure_jit_i32_array_capacity(n, f, 4).error(), rebind_refused);
    EXPECT_EQ(tessel_jit_global_i32_array_ptr(n, f, 4), nullptr);
    EXPECT_NE(tessel_jit_global_i32_array_ptr(n, f, 2), nullptr);
    // Growing the i32 lane would discard the slotted u8 pair: refused as well.
    EXPECT_EQ(ensure_jit_i32_array_capacity(name_hash("app.bytes"), 0, 1).error(), rebind_refused);
    auto guard = direct_array_rebind_guard(TESSEL_JIT_F32, n, f);
    ASSERT_TRUE(guard);
    EXPECT_FALSE(guard.value().has_value());
    EXPECT_EQ(direct_array_rebind_guard(TESSEL_JIT_I32, n, f).error(), rebind_refused);
    // The unlocked form is for callers that hold the guard already; it takes none.
    EXPECT_TRUE(ensure_jit_f32_array_capacity_unlocked(n, f, 1));
}

TEST_F(StorageTest, RebindGuardForSlottedStorageIsHeld) {
    (void)direct_array_storage_slot_address(TESSEL_JIT_U16, n, f);
    auto guard = direct_array_rebind_guard(TESSEL_JIT_U16, n, f);
    ASSERT_TRUE(guard);
    ASSERT_TRUE(guard.value().has_value());
    EXPECT_TRUE(guard.value()->owns_lock());
}

}  // namespace
}  // namespace tessel
