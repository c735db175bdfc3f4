// The marble simulation: square root, spawning, bounces and their events, rest, fading, draining.
#include <cmath>

#include "world_support.hpp"

namespace {

using MarbleSim = WorldTest;

TEST(SqrtApprox, ZeroNegativeAndSquares) {
    EXPECT_EQ(sqrt_approx(0.0f), 0.0f);
    EXPECT_EQ(sqrt_approx(-4.0f), 0.0f);
    EXPECT_EQ(sqrt_approx(-INFINITY), 0.0f);
    EXPECT_FLOAT_EQ(sqrt_approx(100.0f), 10.0f);
    EXPECT_FLOAT_EQ(sqrt_approx(1.0f), 1.0f);
    for (const float v : {1e-6f, 0.01f, 0.3f, 2.0f, 3.9f, 4.1f, 529.0f, 1.0e6f, 1.0e10f}) {
        EXPECT_NEAR(sqrt_approx(v), std::sqrt(v), std::sqrt(v) * 2e-6f) << v;
    }
}

TEST_F(MarbleSim, SpawnSetsEveryField) {
    struct Row {
        int32_t kind, want_kind;
        float radius, mass;
    };
    const Row rows[] = {{0, 0, 16, 1.0f}, {1, 1, 15, 2.554f}, {2, 2, 17, 0.960f}, {7, 2, 17, 0.960f},
                        {-1, 0, 16, 1.0f}};
    for (const Row& r : rows) {
        const int32_t id = app_sim_next_id + 1;
        const int32_t slot = sim_spawn_marble(r.kind, 4, 300, 200, 5, 6);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(app_sim_next_id, id);
        EXPECT_EQ(app_sim_marbles_id[slot], id);
        EXPECT_EQ(app_sim_marbles_active[slot], 1);
        EXPECT_EQ(app_sim_marbles_kind[slot], r.want_kind);
        EXPECT_EQ(app_sim_marbles_tint[slot], 4);
        EXPECT_EQ(app_sim_marbles_radius[slot], r.radius);
        EXPECT_NEAR(app_sim_marbles_mass[slot], r.mass, 1e-3);
        EXPECT_EQ(app_sim_marbles_angle[slot], static_cast<float>((id * 37) % 360) * kDegToRad);
        EXPECT_EQ(app_sim_marbles_vx[slot], 5.0f);
        EXPECT_EQ(app_sim_marbles_vy[slot], 6.0f);
        EXPECT_EQ(app_sim_marbles_anchor_x[slot], 300.0f);
        EXPECT_EQ(app_sim_marbles_fade[slot], 1.0f);
        EXPECT_EQ(app_sim_marbles_prev_owner_a[slot], -1);
        EXPECT_EQ(app_sim_marbles_touch_surface[slot], -1);
        EXPECT_EQ(marble_radius(r.kind), r.radius);
    }
}

TEST_F(MarbleSim, The25thMarbleIsRefused) {
    for (int32_t i = 0; i < kMarbleCapacity; ++i) ASSERT_EQ(sim_spawn_marble(0, 0, 100, 100, 0, 0), i);
    const int32_t id = app_sim_next_id;
    EXPECT_EQ(sim_spawn_marble(0, 0, 100, 100, 0, 0), -1);
    EXPECT_EQ(app_sim_next_id, id);
    EXPECT_EQ(sim_active_span(), kMarbleCapacity);
    app_sim_marbles_active[23] = 0;
    app_sim_marbles_active[5] = 0;
    EXPECT_EQ(sim_active_span(), 23);
    EXPECT_EQ(sim_spawn_marble(1, 0, 100, 100, 0, 0), 5);
    sim_clear_marbles();
    EXPECT_EQ(sim_active_span(), 0);
    EXPECT_EQ(sim_live_count(), 0);
}

TEST_F(MarbleSim, GlassOnAFlatMapleRampBouncesAndSounds) {
    quiet();
    const int32_t ramp = wall_add_piece(kKindMapleRamp, 800, 400, 0, 0, 0);
    // At rest 40 units above the contact height 400 - (7 + 16).
    const int32_t m = sim_spawn_marble(kMarbleGlass, 0, 800, 337, 0, 0);
    cache_ensure();
    const int32_t n = sim_active_span();
    float before = 0.0f;
    int32_t k = 0;
    events_clear();
    for (int32_t step = 0; step < 400 && app_events_count == 0; ++step, k = (k + 1) % kSubsteps) {
        before = app_sim_marbles_vy[m];
        sim_substep(k, n);
    }
    ASSERT_EQ(app_events_count, 1);
    const float a = app_events_items_strength[0];
    EXPECT_NEAR(a, 1047.0f, 25.0f);
    EXPECT_NEAR(a, before + kSubstepDt * kGravity, 1e-3);
    EXPECT_EQ(app_events_items_sound[0], 0);
    EXPECT_EQ(app_events_items_marble_kind[0], kMarbleGlass);
    EXPECT_EQ(app_events_items_other_kind[0], -1);
    EXPECT_EQ(app_events_items_piece[0], ramp);
    EXPECT_EQ(app_events_items_delay[0], 100 * ((k + kSubsteps - 1) % kSubsteps));
    EXPECT_FLOAT_EQ(app_events_items_x[0], 800.0f);
    EXPECT_FLOAT_EQ(app_events_items_y[0], 400.0f);
    EXPECT_NEAR(app_sim_marbles_vy[m], -0.46f * a, 1e-2);  // e = 0.46 x 1.0 x 1
    EXPECT_EQ(app_sim_marbles_prev_owner_a[m], ramp);

    // Later bounces get weaker; the last sounding one is above 40, and then it rests in silence.
    float last = a;
    for (int32_t t = 0; t < 300; ++t) {
        world_tick();
        for (int32_t e = 0; e < app_events_count; ++e) {
            ASSERT_EQ(app_events_items_sound[e], 0);
            EXPECT_LT(app_events_items_strength[e], last);
            EXPECT_GT(app_events_items_strength[e], 40.0f);
            last = app_events_items_strength[e];
        }
    }
    EXPECT_NEAR(app_sim_marbles_y[m], 377.0f, 0.5f);
    EXPECT_EQ(app_sim_marbles_touching[m], 1);
    EXPECT_NEAR(app_sim_marbles_load[m], 1.0f, 0.05f);
    EXPECT_EQ(app_sim_marbles_touch_surface[m], 0);
    EXPECT_EQ(app_sim_marbles_touch_owner[m], ramp);
    EXPECT_EQ(app_sim_marbles_air_ticks[m], 0);
}

TEST_F(MarbleSim, FreeFallCountsAirTicks) {
    quiet();
    const int32_t m = sim_spawn_marble(kMarbleSteel, 0, 800, 100, 0, 0);
    for (int32_t t = 1; t <= 5; ++t) {
        world_tick();
        EXPECT_EQ(app_sim_marbles_touching[m], 0);
        EXPECT_EQ(app_sim_marbles_air_ticks[m], t);
        EXPECT_EQ(app_sim_marbles_load[m], 0.0f);
        EXPECT_EQ(app_sim_marbles_touch_substeps[m], 0);
    }
    EXPECT_EQ(app_sim_tick, 5);
    // Semi-implicit Euler: 40 substeps of dt g.
    EXPECT_NEAR(app_sim_marbles_vy[m], 40 * kSubstepDt * kGravity, 0.05f);
}

TEST_F(MarbleSim, StillMarbleFadesOnTick421AndLeavesOnTick466) {
    quiet();
    wall_add_piece(kKindMapleRamp, 800, 400, 0, 0, 0);
    const int32_t m = sim_spawn_marble(kMarbleGlass, 0, 800, 377, 0, 0);
    world_ticks(420);
    EXPECT_EQ(app_sim_marbles_still_ticks[m], 420);
    EXPECT_EQ(app_sim_marbles_fading[m], 0);
    EXPECT_EQ(sim_live_count(), 1);
    world_tick();
    EXPECT_EQ(app_sim_marbles_fading[m], 1);
    EXPECT_EQ(app_sim_marbles_fade[m], 1.0f - kFadeStep);
    EXPECT_EQ(sim_live_count(), 0);
    world_ticks(44);
    EXPECT_EQ(app_sim_marbles_active[m], 1);
    EXPECT_GT(app_sim_marbles_fade[m], 0.0f);
    world_tick();
    EXPECT_EQ(app_sim_marbles_active[m], 0);
    EXPECT_EQ(app_events_count, 0);
}

TEST_F(MarbleSim, MarblesStrikeEachOther) {
    quiet();
    struct Row {
        int32_t ki, kj;
        float e;
    };
    const Row rows[] = {{kMarbleGlass, kMarbleGlass, 0.88f}, {kMarbleGlass, kMarbleClay, 0.55f}};
    for (const Row& r : rows) {
        sim_clear_marbles();
        const int32_t i = sim_spawn_marble(r.ki, 0, 500, 200, 300, 0);
        const int32_t j = sim_spawn_marble(r.kj, 0, 535, 200, -300, 0);
        cache_ensure();
        events_clear();
        for (int32_t k = 0; k < kSubsteps && app_events_count == 0; ++k) sim_substep(k, 2);
        ASSERT_EQ(app_events_count, 1);
        EXPECT_EQ(app_events_items_sound[0], kSoundMarbles);
        EXPECT_EQ(app_events_items_marble_kind[0], r.ki);
        EXPECT_EQ(app_events_items_other_kind[0], r.kj);
        EXPECT_FLOAT_EQ(app_events_items_strength[0], 600.0f);
        EXPECT_EQ(app_events_items_piece[0], -1);
        EXPECT_FLOAT_EQ(app_events_items_x[0], app_sim_marbles_x[i] + 16.0f);
        // Momentum is kept and the approach speed comes back scaled by e.
        const float mi = app_sim_marbles_mass[i];
        const float mj = app_sim_marbles_mass[j];
        EXPECT_NEAR(mi * app_sim_marbles_vx[i] + mj * app_sim_marbles_vx[j], mi * 300 - mj * 300, 0.01f);
        EXPECT_NEAR(app_sim_marbles_vx[j] - app_sim_marbles_vx[i], r.e * 600.0f, 0.01f);
        EXPECT_EQ(app_sim_marbles_spin[i], 0.0f);
    }
}

TEST_F(MarbleSim, MarblesAtTheSamePointStayPut) {
    quiet();
    sim_spawn_marble(kMarbleGlass, 0, 500, 200, 0, 0);
    sim_spawn_marble(kMarbleSteel, 0, 500.0001f, 200, 0, 0);
    cache_ensure();
    sim_substep(0, 2);
    EXPECT_EQ(app_sim_marbles_x[0], 500.0f);
    EXPECT_EQ(app_sim_marbles_x[1], 500.0001f);
    EXPECT_EQ(app_events_count, 0);
}

TEST_F(MarbleSim, DrainLoseAndAngleWrap) {
    quiet();
    const int32_t d = sim_spawn_marble(kMarbleClay, 0, 1550, 845, 0, 3000);
    const int32_t l = sim_spawn_marble(kMarbleGlass, 0, -250, 300, 0, 0);
    const int32_t s = sim_spawn_marble(kMarbleGlass, 0, 800, 300, 0, 0);
    const int32_t up = sim_spawn_marble(kMarbleGlass, 0, 300, -2500, 0, 0);
    app_sim_marbles_angle[s] = 1500.0f;
    world_tick();
    EXPECT_EQ(app_sim_marbles_active[d], 0);
    EXPECT_EQ(app_sim_marbles_active[l], 0);
    EXPECT_EQ(app_sim_marbles_active[up], 0);
    EXPECT_EQ(app_sim_marbles_active[s], 1);
    EXPECT_EQ(app_sim_marbles_angle[s], 0.0f);
    EXPECT_EQ(app_sim_drained, 1);
    ASSERT_EQ(app_events_count, 1);
    EXPECT_EQ(app_events_items_sound[0], kSoundDrain);
    EXPECT_EQ(app_events_items_marble_kind[0], kMarbleClay);
    EXPECT_EQ(app_events_items_strength[0], 1400.0f);
    EXPECT_EQ(app_events_items_y[0], 800.0f);
    EXPECT_EQ(app_events_items_delay[0], 0);
}

TEST_F(MarbleSim, AChimeStruckByAMarbleCarriesItsNote) {
    quiet();
    const int32_t chime = wall_add_piece(kKindChime, 800, 400, 0, 0, 3);
    sim_spawn_marble(kMarbleSteel, 0, 800, 300, 0, 0);
    int32_t found = 0;
    for (int32_t t = 0; t < 60 && found == 0; ++t) {
        world_tick();
        found = events_with_sound(4);
    }
    ASSERT_EQ(found, 1);
    EXPECT_EQ(app_events_items_piece[0], chime);
    EXPECT_EQ(app_events_items_note[0], 3);
}

TEST_F(MarbleSim, TheTrayAndFrameSoundWithoutAPiece) {
    quiet();
    sim_spawn_marble(kMarbleGlass, 0, 400, 600, 0, 0);
    int32_t found = 0;
    for (int32_t t = 0; t < 60 && found == 0; ++t) {
        world_tick();
        found = events_with_sound(kSurfaceTray);
    }
    ASSERT_EQ(found, 1);
    EXPECT_EQ(app_events_items_piece[0], -1);
    EXPECT_EQ(app_events_items_note[0], 0);
    EXPECT_EQ(app_sim_marbles_touch_owner[0], kOwnerTray);
}

TEST_F(MarbleSim, RollingDownARampSpinsAndMovesOn) {
    quiet();
    wall_add_piece(kKindLongRamp, 800, 400, 10, 0, 0);
    const int32_t m = sim_spawn_marble(kMarbleGlass, 0, 700, 340, 0, 0);
    world_ticks(25);
    EXPECT_GT(app_sim_marbles_vx[m], 100.0f);
    EXPECT_GT(app_sim_marbles_spin[m], 5.0f);  // clockwise while rolling to the right
    EXPECT_EQ(app_sim_marbles_touching[m], 1);
    EXPECT_LT(app_sim_marbles_slip[m], app_sim_marbles_roll_speed[m]);
}

}  // namespace
