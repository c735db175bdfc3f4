// Cost of writing one typical frame of the command stream (300 sprites, 200 rectangles, 50 texts) and
// of tracing it.
#include <benchmark/benchmark.h>

#include "app/gfx/gfx.hpp"
#include "app/state/state.hpp"
#include "tessel/jit.h"

namespace {

void write_frame() {
    gfx_begin_frame();
    gfx_clear(0.863f, 0.827f, 0.769f, 1.0f);
    for (int32_t i = 0; i < 200; ++i) {
        gfx_rect(float(i % 20) * 40, float(i / 20) * 30, 36, 26, 0.2f, 0.3f, 0.4f, 1.0f);
    }
    for (int32_t i = 0; i < 300; ++i) {
        const float x = float(i % 30) * 25;
        const float y = float(i / 30) * 25;
        gfx_draw_sprite(1 + i % 7, static_cast<int32_t>(0xFFFFFFFFu),
                        {x, y, 24, 24, 0, 0, 0, 0, 12, 12, 1, 1, float(i % 360)});
    }
    for (int32_t i = 0; i < 50; ++i) {
        const int32_t text = tessel::name_hash(state::literals[std::size_t(i) % state::literal_count]);
        gfx_text(1, text, 10, float(i) * 14, 0, 0, 0, 1);
    }
    gfx_end_frame(0);
}

void BM_WriteFrame(benchmark::State& state) {
    state_bind_runtime_globals();
    for (auto _ : state) {
        write_frame();
        benchmark::DoNotOptimize(gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH]);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WriteFrame)->Unit(benchmark::kMicrosecond);

void BM_TraceFrame(benchmark::State& state) {
    state_bind_runtime_globals();
    write_frame();
    if (tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, gfx_cmd_u8) == 0) {
        state.SkipWithError("the benchmark frame is not valid");
        return;
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, gfx_cmd_u8));
    }
}
BENCHMARK(BM_TraceFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
