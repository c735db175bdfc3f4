// Cost of the world: one simulation step and one full tick, with 24 live marbles on starter wall 0
// and on a full wall of 100 parts on the largest wall size.
#include <benchmark/benchmark.h>

#include "app/entry/entry.hpp"
#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

/** Keeps every marble slot busy: marbles that drained or faded are dropped in again along the top. */
void refill_marbles() {
    for (int32_t i = 0; i < kMarbleCapacity; ++i) {
        if (app_sim_marbles_active[i] != 0 && app_sim_marbles_fading[i] == 0) continue;
        app_sim_marbles_active[i] = 0;
        const float span = app_wall_width - 200.0f;
        sim_spawn_marble(i % 3, i % 6, 100.0f + span * static_cast<float>((i * 7) % kMarbleCapacity) / kMarbleCapacity,
                         60.0f, 0.0f, 0.0f);
    }
}

void starter_wall() {
    app_init();
    starter_wall_load(0);
    app_wall_hopper_dripping = 0;
    refill_marbles();
}

void full_wall() {
    app_init();
    wall_set_size(kWallStepMax, kWallStepMax);
    // Turnarounds are the richest part: 100 of them make 803 segments, the most a wall can hold.
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        wall_add_piece(kKindTurnaround, 200.0f + 380.0f * (i % 10), 150.0f + 180.0f * (i / 10), 37 * i, i % 2, 0);
    }
    app_wall_hopper_dripping = 0;
    refill_marbles();
}

template <void (*Setup)(), bool FullTick>
void run(benchmark::State& state) {
    Setup();
    sim_step();  // builds the cache outside the timing
    int32_t n = 0;
    for (auto _ : state) {
        if (FullTick) {
            benchmark::DoNotOptimize(app_tick());
        } else {
            events_clear();
            sim_step();
        }
        if (++n % 30 == 0) {
            state.PauseTiming();
            refill_marbles();
            state.ResumeTiming();
        }
    }
    state.counters["segments"] = static_cast<double>(app_cache_seg_count);
    state.counters["live"] = static_cast<double>(sim_live_count());
}

void BM_SimStep_StarterWall0(benchmark::State& s) { run<starter_wall, false>(s); }
void BM_SimStep_FullWall(benchmark::State& s) { run<full_wall, false>(s); }
void BM_Tick_StarterWall0(benchmark::State& s) { run<starter_wall, true>(s); }
void BM_Tick_FullWall(benchmark::State& s) { run<full_wall, true>(s); }

}  // namespace

BENCHMARK(BM_SimStep_StarterWall0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SimStep_FullWall)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick_StarterWall0)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Tick_FullWall)->Unit(benchmark::kMicrosecond);
