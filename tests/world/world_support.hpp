// Shared set-up of the world tests: the start-up state and ticks of the world alone.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "app/entry/entry.hpp"
#include "app/world/world.hpp"

/** Every world test starts from the application's start-up state. */
class WorldTest : public ::testing::Test {
protected:
    void SetUp() override { app_init(); }

    /** Start-up wall with the hopper switched off, so only the test's marbles move. */
    static void quiet() { app_wall_hopper_dripping = 0; }

    /** One tick of the world as the frame cycle runs it: events cleared, then the simulation. */
    static void world_tick() {
        events_clear();
        sim_step();
    }
    static void world_ticks(int32_t n) {
        for (int32_t i = 0; i < n; ++i) world_tick();
    }

    /** Events of this tick with the given sound. */
    static int32_t events_with_sound(int32_t sound) {
        int32_t n = 0;
        for (int32_t i = 0; i < app_events_count; ++i) n += app_events_items_sound[i] == sound ? 1 : 0;
        return n;
    }
};
