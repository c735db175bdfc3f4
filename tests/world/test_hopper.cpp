// The hopper: materials and offsets by sequence, drip timing, the live-marble limit, manual marbles.
#include <cmath>

#include "world_support.hpp"

namespace {

using Hopper = WorldTest;

TEST_F(Hopper, StartUpState) {
    EXPECT_EQ(app_wall_hopper_x, 150.0f);
    EXPECT_EQ(app_wall_hopper_y, 70.0f);
    EXPECT_EQ(app_wall_hopper_dripping, 1);
    EXPECT_EQ(app_wall_hopper_timer, 120);
    EXPECT_EQ(app_wall_hopper_interval, 150);
    EXPECT_EQ(app_wall_hopper_sequence, 0);
}

TEST_F(Hopper, MixedSequenceGivesMaterialsTintsAndOffsets) {
    const int32_t kinds[] = {0, 0, 1, 0, 0, 2, 0, 0, 0, 1};
    const int32_t tints[] = {0, 1, 2, 3, 4, 2, 0, 1, 2, 3};
    const int32_t offsets[] = {-5, 2, -2, 5, 1, -3, 4, 0, -4, 3};
    for (int32_t s = 0; s < 10; ++s) {
        events_clear();
        const int32_t slot = hopper_drop();
        ASSERT_EQ(slot, s);
        EXPECT_EQ(app_sim_marbles_kind[slot], kinds[s]) << s;
        EXPECT_EQ(app_sim_marbles_tint[slot], tints[s]) << s;
        EXPECT_EQ(app_sim_marbles_x[slot], 150.0f + static_cast<float>(offsets[s]) * 1.2f) << s;
        EXPECT_EQ(app_sim_marbles_y[slot], 128.0f);
        EXPECT_EQ(app_sim_marbles_vx[slot], 0.0f);
        EXPECT_EQ(app_sim_marbles_vy[slot], 40.0f);
        EXPECT_EQ(app_wall_hopper_sequence, s + 1);
        ASSERT_EQ(app_events_count, 1);
        EXPECT_EQ(app_events_items_sound[0], kSoundHopper);
        EXPECT_EQ(app_events_items_marble_kind[0], kinds[s]);
        EXPECT_EQ(app_events_items_other_kind[0], -1);
        EXPECT_EQ(app_events_items_strength[0], 180.0f);
        EXPECT_EQ(app_events_items_x[0], 150.0f);
        EXPECT_EQ(app_events_items_y[0], 70.0f);
        EXPECT_EQ(app_events_items_piece[0], -1);
    }
    EXPECT_EQ(app_fx_hopper_bump, 1.0f);
}

TEST_F(Hopper, MarbleModesPickOneMaterial) {
    const int32_t modes[] = {1, 2, 3};
    const int32_t kinds[] = {kMarbleGlass, kMarbleSteel, kMarbleClay};
    for (int32_t m = 0; m < 3; ++m) {
        sim_clear_marbles();
        app_settings_marble_mode = modes[m];
        app_wall_hopper_sequence = 5;
        const int32_t slot = hopper_drop();
        EXPECT_EQ(app_sim_marbles_kind[slot], kinds[m]);
        EXPECT_EQ(app_sim_marbles_tint[slot], kinds[m] == kMarbleClay ? 2 : 5);
    }
}

TEST_F(Hopper, FullPoolDropsNothing) {
    for (int32_t i = 0; i < kMarbleCapacity; ++i) ASSERT_EQ(hopper_drop(), i);
    events_clear();
    app_fx_hopper_bump = 0;
    const int32_t seq = app_wall_hopper_sequence;
    EXPECT_EQ(hopper_drop(), -1);
    EXPECT_EQ(app_wall_hopper_sequence, seq);
    EXPECT_EQ(app_events_count, 0);
    EXPECT_EQ(app_fx_hopper_bump, 0.0f);
}

TEST_F(Hopper, DripsEveryIntervalWhileOnAndNotHeld) {
    app_wall_hopper_timer = 148;
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 149);
    EXPECT_EQ(sim_active_span(), 0);
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 0);
    EXPECT_EQ(sim_active_span(), 1);

    app_wall_hopper_held = 1;
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 0);
    app_wall_hopper_held = 0;
    app_wall_hopper_dripping = 0;
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 0);
}

TEST_F(Hopper, FourteenLiveMarblesHoldTheDrip) {
    for (int32_t i = 0; i < kHopperLiveLimit; ++i) sim_spawn_marble(0, 0, 300, 300, 0, 0);
    app_wall_hopper_timer = 149;
    hopper_update();
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 151);
    EXPECT_EQ(sim_live_count(), kHopperLiveLimit);
    app_sim_marbles_fading[3] = 1;  // one starts fading: the next tick drops
    hopper_update();
    EXPECT_EQ(app_wall_hopper_timer, 0);
    EXPECT_EQ(app_sim_marbles_active[14], 1);
    EXPECT_EQ(sim_live_count(), kHopperLiveLimit);
}

TEST_F(Hopper, FifteenthMarbleComesTheTickAfterOneLeaves) {
    quiet();
    for (int32_t i = 0; i < kHopperLiveLimit; ++i) sim_spawn_marble(0, 0, 300 + 40.0f * i, 300, 0, 0);
    app_wall_hopper_dripping = 1;
    app_wall_hopper_timer = 400;
    world_tick();
    EXPECT_EQ(sim_active_span(), kHopperLiveLimit);
    app_sim_marbles_y[0] = 5000;  // drains at the end of this tick
    world_tick();
    EXPECT_EQ(app_sim_marbles_active[0], 0);
    EXPECT_EQ(app_sim_drained, 1);
    world_tick();
    EXPECT_EQ(app_sim_marbles_active[0], 1);
    EXPECT_EQ(app_wall_hopper_timer, 0);
    EXPECT_EQ(events_with_sound(kSoundHopper), 1);
}

TEST_F(Hopper, MoveClampsAndHitBox) {
    hopper_move(-100, 5000);
    EXPECT_EQ(app_wall_hopper_x, 50.0f);
    EXPECT_EQ(app_wall_hopper_y, 560.0f);
    hopper_move(700, 300);
    struct Row {
        float x, y;
        int32_t hit;
    };
    const Row rows[] = {{700, 300, 1}, {752, 358, 1}, {648, 242, 1}, {752.5f, 300, 0},
                        {700, 358.5f, 0}, {647, 300, 0}, {NAN, 300, 0}};
    for (const Row& r : rows) EXPECT_EQ(hopper_hit(r.x, r.y), r.hit) << r.x << "," << r.y;
}

TEST_F(Hopper, PlaceMarbleOnlyOnTheUsableWall) {
    struct Row {
        float x, y;
        bool made;
    };
    const Row rows[] = {{20, 0, true},      {1580, 718, true},  {19.9f, 100, false}, {1580.5f, 100, false},
                        {100, -0.5f, false}, {100, 718.5f, false}, {NAN, 100, false}, {100, NAN, false}};
    for (const Row& r : rows) {
        sim_clear_marbles();
        events_clear();
        const int32_t seq = app_wall_hopper_sequence;
        const int32_t slot = place_marble_at(r.x, r.y);
        EXPECT_EQ(slot >= 0, r.made) << r.x << "," << r.y;
        EXPECT_EQ(app_wall_hopper_sequence, seq + (r.made ? 1 : 0));
        EXPECT_EQ(app_events_count, 0);
        if (slot >= 0) {
            EXPECT_EQ(app_sim_marbles_x[slot], r.x);
            EXPECT_EQ(app_sim_marbles_y[slot], r.y);
            EXPECT_EQ(app_sim_marbles_vx[slot], 0.0f);
            EXPECT_EQ(app_sim_marbles_vy[slot], 0.0f);
        }
    }
}

TEST_F(Hopper, ToggleDrippingRestartsTheTimer) {
    hopper_toggle_dripping();
    EXPECT_EQ(app_wall_hopper_dripping, 0);
    EXPECT_EQ(app_wall_hopper_timer, 140);
    hopper_toggle_dripping();
    EXPECT_EQ(app_wall_hopper_dripping, 1);
    for (int32_t i = 0; i < 9; ++i) hopper_update();
    EXPECT_EQ(sim_active_span(), 0);
    hopper_update();
    EXPECT_EQ(sim_active_span(), 1);
}

}  // namespace
