// The registry's hot paths through the C ABI: scalar load and store, array element load and store,
// and the array pointer lookup, on one thread and on two contending for the same tables.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "tessel/fnv1a.h"
#include "tessel/jit.h"

namespace {

const int32_t scalar_name = tessel::name_hash("bench.scalar");
const int32_t fallback_name = tessel::name_hash("bench.fallback");
const int32_t array_name = tessel::name_hash("bench.array");
const int32_t field = tessel::name_hash("x");

int32_t scalar;
int32_t elements[1024];

// Registers the state once, with a few hundred other names so that lookups do not hit a tiny map.
void register_state() {
    static const bool done = [] {
        static int32_t others[256][4];
        for (int32_t i = 0; i < 256; ++i) {
            tessel_jit_register_global_i32_array(tessel::name_hash_extend(array_name, "." + std::to_string(i)), field,
                                                 others[i], 4);
            tessel_jit_global_i32_store(tessel::name_hash_extend(fallback_name, "." + std::to_string(i)), i);
        }
        tessel_jit_register_global_i32_ptr(scalar_name, &scalar);
        tessel_jit_register_global_i32_array(array_name, field, elements, 1024);
        tessel_jit_global_i32_store(fallback_name, 1);
        return true;
    }();
    (void)done;
}

void BM_ScalarLoad(benchmark::State& state) {
    register_state();
    for (auto _ : state) benchmark::DoNotOptimize(tessel_jit_global_i32_load(scalar_name));
}

void BM_ScalarStore(benchmark::State& state) {
    register_state();
    int32_t value = 0;
    for (auto _ : state) tessel_jit_global_i32_store(scalar_name, ++value);
}

void BM_FallbackScalarLoad(benchmark::State& state) {
    register_state();
    for (auto _ : state) benchmark::DoNotOptimize(tessel_jit_global_i32_load(fallback_name));
}

void BM_ArrayLoad(benchmark::State& state) {
    register_state();
    int32_t index = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessel_jit_global_i32_array_load(array_name, field, index));
        index = (index + 1) & 1023;
    }
}

void BM_ArrayStore(benchmark::State& state) {
    register_state();
    int32_t index = 0;
    for (auto _ : state) {
        tessel_jit_global_i32_array_store(array_name, field, index, index);
        index = (index + 1) & 1023;
    }
}

void BM_ArrayPtr(benchmark::State& state) {
    register_state();
    for (auto _ : state) benchmark::DoNotOptimize(tessel_jit_global_i32_array_ptr(array_name, field, 1024));
}

}  // namespace

BENCHMARK(BM_ScalarLoad);
BENCHMARK(BM_ScalarLoad)->Threads(2);
BENCHMARK(BM_ScalarStore);
BENCHMARK(BM_ScalarStore)->Threads(2);
BENCHMARK(BM_FallbackScalarLoad);
BENCHMARK(BM_FallbackScalarLoad)->Threads(2);
BENCHMARK(BM_ArrayLoad);
BENCHMARK(BM_ArrayLoad)->Threads(2);
BENCHMARK(BM_ArrayStore);
BENCHMARK(BM_ArrayStore)->Threads(2);
BENCHMARK(BM_ArrayPtr);
BENCHMARK(BM_ArrayPtr)->Threads(2);
