// Replay record: write and restore of the whole application state.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/entry/entry.hpp"
#include "tessel/module.h"

namespace {

void BM_ReplayWrite(benchmark::State& st) {
    app_main();
    std::vector<uint8_t> buf(TESSEL_REPLAY_RECORD_SIZE);
    for (auto _ : st) {
        benchmark::DoNotOptimize(tessel_replay_state_snapshot_write(buf.data(), TESSEL_REPLAY_RECORD_SIZE));
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * TESSEL_REPLAY_RECORD_SIZE);
}
BENCHMARK(BM_ReplayWrite)->Unit(benchmark::kMicrosecond);

void BM_ReplayRestore(benchmark::State& st) {
    app_main();
    std::vector<uint8_t> buf(TESSEL_REPLAY_RECORD_SIZE);
    tessel_replay_state_snapshot_write(buf.data(), TESSEL_REPLAY_RECORD_SIZE);
    for (auto _ : st) {
        benchmark::DoNotOptimize(tessel_replay_state_snapshot_restore(buf.data(), TESSEL_REPLAY_RECORD_SIZE));
        benchmark::ClobberMemory();
    }
    st.SetBytesProcessed(st.iterations() * TESSEL_REPLAY_RECORD_SIZE);
}
BENCHMARK(BM_ReplayRestore)->Unit(benchmark::kMicrosecond);

}  // namespace
