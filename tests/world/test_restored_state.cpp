// A state restored from arbitrary bytes (the replay record) must never take a tick out of bounds:
// every index the world reads from state is checked, and a marble that is not a number is lost.
#include <climits>
#include <cmath>
#include <functional>

#include "world_support.hpp"

namespace {

struct Corruption {
    const char* name;
    std::function<void()> apply;
};

/** A busy wall: every kind placed, a chime, and all 24 marbles in flight. */
void busy_world() {
    app_init();
    for (int32_t i = 0; i < 30; ++i) {
        wall_add_piece(i % kKindCount, 150.0f + 45.0f * i, 200.0f + 15.0f * (i % 20), 7 * i, i % 2, i % 6);
    }
    for (int32_t i = 0; i < kMarbleCapacity; ++i) {
        sim_spawn_marble(i % 3, 0, 100.0f + 60.0f * i, 100.0f, 30.0f * (i % 5) - 60.0f, 0);
    }
    for (int32_t t = 0; t < 20; ++t) {
        events_clear();
        sim_step();
    }
}

const Corruption kCorruptions[] = {
    {"piece kind 57", [] { app_wall_pieces_kind[3] = 57; app_wall_revision += 1; }},
    {"piece kind -4", [] { app_wall_pieces_kind[4] = -4; app_wall_revision += 1; }},
    {"piece note -100", [] { app_wall_pieces_note[6] = -100; app_wall_revision += 1; }},
    {"piece angle INT_MIN", [] { app_wall_pieces_angle[2] = INT_MIN; app_wall_revision += 1; }},
    {"piece position NaN", [] { app_wall_pieces_x[1] = NAN; app_wall_revision += 1; }},
    {"catalog seg_count -3", [] { app_catalog_kinds_seg_count[4] = -3; app_wall_revision += 1; }},
    {"catalog seg_count 57", [] { app_catalog_kinds_seg_count[4] = 57; app_wall_revision += 1; }},
    {"catalog surface 99", [] { app_catalog_kinds_surface[0] = 99; app_wall_revision += 1; }},
    {"cache seg_count 5000", [] { app_cache_seg_count = 5000; }},
    {"cache seg_count -7", [] { app_cache_seg_count = -7; }},
    {"cache fixed_count 2000", [] { app_cache_fixed_count = 2000; }},
    {"cache fixed_count -1", [] { app_cache_fixed_count = -1; }},
    {"cache box count 500", [] { app_cache_active_box_count = 500; }},
    {"cache box count -3", [] { app_cache_active_box_count = -3; }},
    {"box first -100", [] { app_cache_boxes_first[0] = -100; }},
    {"box first 2000", [] { app_cache_boxes_first[1] = 2000; }},
    {"box count 5000", [] { app_cache_boxes_count[2] = 5000; }},
    {"box count INT_MAX", [] { app_cache_boxes_count[2] = INT_MAX; app_cache_boxes_first[2] = 5; }},
    {"segment surface 99 and owner -5",
     [] {
         for (int32_t i = 0; i < kCacheSegCapacity; ++i) {
             app_cache_segs_surface[i] = i % 2 == 0 ? 99 : -1;
             app_cache_segs_owner[i] = -5;
         }
     }},
    {"marble kind 57", [] { app_sim_marbles_kind[0] = 57; app_sim_marbles_kind[1] = -1; }},
    {"marble position NaN", [] { app_sim_marbles_x[2] = NAN; app_sim_marbles_y[3] = NAN; }},
    {"marble velocity inf", [] { app_sim_marbles_vx[4] = INFINITY; app_sim_marbles_spin[5] = -INFINITY; }},
    {"marble radius and mass 0",
     [] {
         for (int32_t i = 0; i < kMarbleCapacity; ++i) {
             app_sim_marbles_radius[i] = 0;
             app_sim_marbles_mass[i] = 0;
         }
     }},
    {"marble flags 7", [] { app_sim_marbles_active[6] = 7; app_sim_marbles_fading[6] = -2; }},
    {"marble owners garbage",
     [] {
         app_sim_marbles_prev_owner_a[0] = INT_MIN;
         app_sim_marbles_cur_owner_b[0] = 9999;
     }},
    {"events count 500", [] { app_events_count = 500; }},
    {"events count -5", [] { app_events_count = -5; }},
    {"counters at their limits",
     [] {
         app_sim_next_id = INT_MAX;
         app_sim_tick = INT_MAX;
         app_sim_drained = INT_MAX;
         app_wall_revision = INT_MAX;
         app_wall_hopper_sequence = INT_MAX;
         app_wall_hopper_timer = INT_MAX;
         for (int32_t i = 0; i < kMarbleCapacity; ++i) {
             app_sim_marbles_still_ticks[i] = INT_MAX;
             app_sim_marbles_air_ticks[i] = INT_MAX;
             app_sim_marbles_touch_substeps[i] = INT_MAX;
         }
     }},
    {"hopper sequence INT_MIN", [] { app_wall_hopper_sequence = INT_MIN; app_wall_hopper_timer = 500; }},
    {"hopper interval INT_MIN", [] { app_wall_hopper_interval = INT_MIN; }},
    {"wall size NaN", [] { app_wall_width = NAN; app_wall_height = -INFINITY; app_wall_revision += 1; }},
    {"catalog not ready", [] { app_catalog_ready = 0; app_wall_revision += 1; }},
};

TEST(RestoredState, EveryTickStaysInBounds) {
    for (const Corruption& c : kCorruptions) {
        SCOPED_TRACE(c.name);
        busy_world();
        c.apply();
        for (int32_t t = 0; t < 30; ++t) {
            sim_step();  // events are not cleared first: a restored count meets the producers
            ASSERT_GE(app_cache_seg_count, 0);
            ASSERT_LE(app_cache_seg_count, kCacheSegCapacity);
            ASSERT_LE(app_cache_active_box_count, kCacheBoxCapacity);
            ASSERT_LE(sim_active_span(), kMarbleCapacity);
            for (int32_t i = 0; i < kMarbleCapacity; ++i) {
                if (app_sim_marbles_active[i] == 0) continue;
                ASSERT_TRUE(std::isfinite(app_sim_marbles_x[i]) && std::isfinite(app_sim_marbles_y[i])) << i;
            }
            events_clear();
        }
        // A cache that did not fit its own counts was rebuilt from the wall.
        EXPECT_EQ(app_cache_wall_revision, app_wall_revision);
        EXPECT_GE(app_cache_fixed_count, 0);
        EXPECT_LE(app_cache_fixed_count, app_cache_seg_count);
    }
}

TEST(RestoredState, UnknownKindHasNoShapeAndCorruptCacheIsRebuilt) {
    app_init();
    wall_add_piece(0, 400, 300, 0, 0, 0);
    wall_add_piece(1, 900, 300, 0, 0, 0);
    cache_ensure();
    EXPECT_EQ(app_cache_active_box_count, 2);
    app_wall_pieces_kind[0] = 57;
    app_wall_revision += 1;
    cache_ensure();
    EXPECT_EQ(app_cache_active_box_count, 1);
    EXPECT_EQ(app_cache_seg_count, 4);
    EXPECT_EQ(app_cache_segs_owner[3], 1);

    app_cache_boxes_first[0] = 1009;  // count 1 past the segments in use
    cache_ensure();
    EXPECT_EQ(app_cache_boxes_first[0], 3);
}

}  // namespace
