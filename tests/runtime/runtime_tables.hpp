// Shared by the runtime tests: a fixture that starts every test with empty runtime tables.
#pragma once

#include <gtest/gtest.h>

#include "tessel/fnv1a.h"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::testing {

/** Empties every table of the registry, the runtime-owned storage and the literal table. */
inline void reset_runtime_tables() {
    clear_registered_global_memory();
    clear_jit_i32_global_table();
    clear_jit_f32_global_table();
    clear_jit_f64_global_table();
    clear_jit_i32_array_global_table();
    clear_jit_f32_array_global_table();
    clear_jit_f64_array_global_table();
    clear_jit_string_literal_table();
}

/** Runtime tests share one process-wide registry: each starts and ends with it empty. */
class RuntimeTablesTest : public ::testing::Test {
protected:
    void SetUp() override { reset_runtime_tables(); }
    void TearDown() override { reset_runtime_tables(); }
};

}  // namespace tessel::testing
