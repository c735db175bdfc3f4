// No allocation in a tick: a counting global operator new watches the simulation and the whole tick.
#include <atomic>
#include <cstdlib>
#include <new>

#include "world_support.hpp"

namespace {

std::atomic<int64_t> g_allocations{0};

void* counted_alloc(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n == 0 ? 1 : n)) return p;
    throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t n) { return counted_alloc(n); }
void* operator new[](std::size_t n) { return counted_alloc(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n == 0 ? 1 : n);
}
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(n == 0 ? 1 : n);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

/** The largest wall, full of parts, with all 24 marbles over it. */
void full_wall_with_marbles() {
    app_init();
    wall_set_size(kWallStepMax, kWallStepMax);
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        wall_add_piece(i % kKindCount, 200.0f + 380.0f * (i % 10), 150.0f + 180.0f * (i / 10), 5 * i, i % 2, i % 6);
    }
    for (int32_t i = 0; i < kMarbleCapacity; ++i) sim_spawn_marble(i % 3, i % 6, 150.0f + 160.0f * i, 60, 0, 0);
}

TEST(NoAllocation, SimulationTicks) {
    full_wall_with_marbles();
    const int64_t before = g_allocations.load();
    for (int32_t t = 0; t < 240; ++t) {
        events_clear();
        sim_step();
        if (t == 100) wall_move_piece(3, 900, 900);  // a rebuild on the way
    }
    EXPECT_EQ(g_allocations.load() - before, 0);
}

TEST(NoAllocation, FullTicks) {
    full_wall_with_marbles();
    app_tick();  // the first tick may set up services outside the world
    const int64_t before = g_allocations.load();
    for (int32_t t = 0; t < 240; ++t) app_tick();
    EXPECT_EQ(g_allocations.load() - before, 0);
}

}  // namespace
