// Cost of one render (command stream only): starter wall 0 with 24 marbles, and a full wall of 100
// parts on the largest wall size zoomed to fit, with resources marked loaded by made-up handles.
#include <benchmark/benchmark.h>

#include "app/entry/entry.hpp"
#include "app/interaction/interaction.hpp"
#include "app/persist/persist.hpp"
#include "app/sound/sound.hpp"
#include "app/world/world.hpp"
#include "tests/gfx/scene_support.hpp"

namespace {

void window_2000_by_900() {
    app_frame_display_logical_width = 2000.0f;
    app_frame_display_logical_height = 900.0f;
    app_frame_display_safe_x = 0.0f;
    app_frame_display_safe_y = 0.0f;
    app_frame_display_safe_width = 2000.0f;
    app_frame_display_safe_height = 900.0f;
}

void fill_marbles() {
    for (int32_t i = 0; i < kMarbleCapacity; ++i) {
        const float x = 100.0f + (app_wall_width - 200.0f) * static_cast<float>(i) / kMarbleCapacity;
        const int32_t slot = sim_spawn_marble(i % 3, i % 6, x, 100.0f + 25.0f * static_cast<float>(i), 0.0f, 0.0f);
        if (slot >= 0) app_sim_marbles_angle[slot] = 0.3f * static_cast<float>(i);
    }
    fx_update();  // the ring holds one frame, as it does while running
}

void starter_wall() {
    app_init();
    window_2000_by_900();
    layout_screen();
    starter_wall_load(0);
    fill_marbles();
}

void full_wall() {
    app_init();
    window_2000_by_900();
    layout_screen();
    wall_set_size(kWallStepMax, kWallStepMax);
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        wall_add_piece(i % kKindCount, 200.0f + 380.0f * (i % 10), 150.0f + 180.0f * (i / 10), 37 * i, i % 2,
                       i % kNoteCount);
    }
    fill_marbles();
    view_fit();
}

template <void (*Setup)()>
void BM_Render(benchmark::State& state) {
    Setup();
    scene_test::fake_resources();
    for (auto _ : state) {
        benchmark::DoNotOptimize(app_render());
    }
    state.counters["batches"] = gfx_cmd_i32[TESSEL_GFX_W_BATCH_COUNT];
    state.counters["rects"] = gfx_cmd_i32[TESSEL_GFX_W_RECT_COUNT];
}

BENCHMARK(BM_Render<starter_wall>)->Name("render/starter_wall_0_24_marbles")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Render<full_wall>)->Name("render/full_wall_100_parts_fit")->Unit(benchmark::kMicrosecond);

}  // namespace
