// Several threads registering, loading, storing, growing, provisioning, staging literals, opening
// guest windows and clearing at the same time. Meant to run under ThreadSanitizer as well: every
// access through the registry must be free of data races, and no mix of operations may deadlock.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "runtime_tables.hpp"
#include "tessel/jit.h"

namespace tessel {
namespace {

using RegistryStressTest = testing::RuntimeTablesTest;

constexpr int iterations = 2000;
constexpr int worker_count = 2;

const int32_t literal = name_hash("stress");
const int32_t shared_host = name_hash("stress.host");        // host arrays, lanes i32 and u8
const int32_t shared_owned = name_hash("stress.owned");      // runtime-owned, grown on demand
const int32_t shared_lanes = name_hash("stress.lanes");      // flipped between the integer lanes
const int32_t shared_slotted = name_hash("stress.slotted");  // provisioned with a slot
const int32_t guest_only = name_hash("stress.guest");        // registered only from guest windows

int32_t host_i32[64];
uint8_t host_u8[64];
float host_f32[64];

void worker(int id, std::atomic<bool>& start, std::atomic<int>& failures) {
    while (!start.load()) std::this_thread::yield();
    const int32_t own = name_hash_extend(name_hash("stress.worker"), std::to_string(id));
    for (int i = 0; i < iterations; ++i) {
        // Private fallback state: nobody else touches it, so it must read back exactly.
        tessel_jit_global_i32_store(own, i);
        tessel_jit_global_i32_array_store(own, 0, i % 16, i);
        tessel_jit_collection_i32_store(own, TESSEL_COLLECTION_LENGTH, i);
        if (tessel_jit_global_i32_load(own) != i || tessel_jit_global_i32_array_load(own, 0, i % 16) != i ||
            tessel_jit_collection_i32_load(own, TESSEL_COLLECTION_LENGTH) != i) {
            failures.fetch_add(1);
        }
        // The literal table is only ever replaced by one holding the same text.
        tessel_jit_upsert_string_literal(literal, "stress");
        if (tessel_jit_global_i32_array_load(literal, 0, i % 6) != "stress"[i % 6]) failures.fetch_add(1);

        // Shared state: values race, memory must not.
        if (i % 2 == 0) {
            tessel_jit_register_global_i32_array(shared_host, 0, host_i32, 64);
        } else {
            tessel_jit_register_global_u8_array(shared_host, 0, host_u8, 64);
        }
        tessel_jit_register_global_f32_array(shared_host, name_hash("x"), host_f32, 64);
        tessel_jit_global_i32_array_store(shared_host, 0, i % 70, i);
        (void)tessel_jit_global_i32_array_load(shared_host, 0, i % 70);
        tessel_jit_global_f32_array_store(shared_host, name_hash("x"), i % 64, 0.5f);
        (void)tessel_jit_global_i32_array_ptr(shared_owned, 0, 1 + i % 40);
        tessel_jit_global_i32_array_store(shared_owned, 0, i % 40, i);
        (void)tessel_jit_global_i32_array_load(shared_owned, 0, i % 40);
        (void)tessel_jit_global_f64_array_ptr(shared_owned, 0, 1 + i % 8);
        tessel_jit_global_f64_array_store(shared_owned, 0, i % 8, 1.0);
        if (i % 3 == 0) {
            (void)ensure_jit_u16_array_capacity(shared_lanes, 0, 4);
        } else {
            (void)ensure_jit_i32_array_capacity(shared_lanes, 0, 1 + i % 5);
        }
        tessel_jit_global_i32_array_store(shared_lanes, 0, i % 5, i);
        (void)tessel_jit_global_i32_array_load(shared_lanes, 0, i % 5);
        tessel_jit_global_i32_array_store(shared_slotted, 0, i % 8, i);
        (void)provision_direct_scalar_storage(TESSEL_JIT_F32, shared_slotted);
        tessel_jit_global_f32_store(shared_slotted, 1.0f);
        (void)tessel_jit_global_f32_load(shared_slotted);
        tessel_jit_sys_memcpy_i32(shared_lanes, 0, shared_owned, i % 3, 3);
        tessel_jit_sys_memcpy_u8(shared_host, 1, literal, 0, 4);
        (void)jit_text_arg_bytes(shared_host);
        (void)jit_i32_array_capacity(shared_owned, 0);
    }
}

void guest(std::atomic<bool>& start, std::atomic<int>& failures) {
    while (!start.load()) std::this_thread::yield();
    static int32_t refused_scalar, refused_array[4];
    for (int i = 0; i < iterations; ++i) {
        enter_guest_execution();
        tessel_jit_register_global_i32_ptr(guest_only, &refused_scalar);
        tessel_jit_register_global_i32_array(guest_only, 1, refused_array, 4);
        if (acquire_rebind_guard()) failures.fetch_add(1);
        (void)ensure_jit_i32_array_capacity(shared_slotted, 0, 8);  // refused once slotted
        tessel_jit_global_i32_store(guest_only, i);
        (void)tessel_jit_global_i32_array_load(shared_owned, 0, i % 40);
        leave_guest_execution();
    }
}

void clearer(std::atomic<bool>& start) {
    while (!start.load()) std::this_thread::yield();
    for (int i = 0; i < iterations / 3; ++i) {
        clear_registered_global_memory();
        clear_jit_f32_global_table();
        clear_jit_f64_global_table();
        clear_jit_f32_array_global_table();
        clear_jit_f64_array_global_table();
        (void)provision_direct_array_storage(TESSEL_JIT_I32, shared_slotted, 0, 8);
        (void)direct_array_storage_slot_address(TESSEL_JIT_I32, shared_slotted, 0);
        (void)direct_array_storage_slot_len_for_test(TESSEL_JIT_I32, shared_slotted, 0);
        (void)fill_registered_global_i32_array(shared_host, 0, 0, 64, 7);
    }
}

void literals(std::atomic<bool>& start, std::atomic<int>& failures) {
    while (!start.load()) std::this_thread::yield();
    for (int i = 0; i < iterations / 3; ++i) {
        if (!begin_jit_string_literal_staging()) failures.fetch_add(1);
        upsert_jit_string_literal(literal, "stress");
        auto staged = finish_jit_string_literal_staging();
        if (!staged) {
            failures.fetch_add(1);
            continue;
        }
        replace_jit_string_literal_table(staged.value());
        auto value = jit_string_value(literal);
        if (!value || value.value() != "stress") failures.fetch_add(1);
    }
}

TEST_F(RegistryStressTest, ConcurrentOperationsStayConsistent) {
    tessel_jit_upsert_string_literal(literal, "stress");
    std::atomic<bool> start{false};
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int id = 0; id < worker_count; ++id) threads.emplace_back(worker, id, std::ref(start), std::ref(failures));
    threads.emplace_back(guest, std::ref(start), std::ref(failures));
    threads.emplace_back(clearer, std::ref(start));
    threads.emplace_back(literals, std::ref(start), std::ref(failures));
    start.store(true);
    for (std::thread& t : threads) t.join();

    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(guest_execution_count_value(), 0u);
    // Registrations from inside guest windows never took effect.
    EXPECT_FALSE(registered_storage(TESSEL_JIT_I32, guest_only, 0));
    EXPECT_FALSE(registered_storage(TESSEL_JIT_I32, guest_only, 1));
    EXPECT_EQ(tessel_jit_global_i32_load(guest_only), iterations - 1);
    // The registry is still whole and usable.
    EXPECT_TRUE(acquire_rebind_guard());
    ASSERT_TRUE(ensure_jit_i32_array_capacity(shared_owned, 0, 100));
    EXPECT_EQ(jit_i32_array_capacity(shared_owned, 0), 100u);
}

}  // namespace
}  // namespace tessel
