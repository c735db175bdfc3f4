// Visual effects: chime kicks and their spring, the hopper bump, and the ring of shown states.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "app/entry/entry.hpp"
#include "app/sound/sound.hpp"
#include "app/world/world.hpp"

namespace {

class Effects : public ::testing::Test {
protected:
    void SetUp() override {
        app_init();
        events_clear();
    }
    static void strike(int32_t piece, float strength, int32_t sound = 4) {
        events_push(sound, 0, 6, strength, 0.0f, 0.0f, 0, piece);
    }
};

struct KickCase {
    const char* name;
    int32_t sound;
    int32_t piece;
    float strength;
    float wobble;  // of piece 3 after one update (kick, then one spring step)
};

TEST_F(Effects, ChimeKickFollowsStrength) {
    const KickCase cases[] = {
        {"hard strike kicks 4", 4, 3, 1040.0f, 3.8f}, {"harder still kicks 4", 4, 3, 5000.0f, 3.8f},
        {"medium strike", 4, 3, 520.0f, 1.9f},        {"soft touch kicks 0.2", 4, 3, 10.0f, 0.19f},
        {"other surface", 2, 3, 1040.0f, 0.0f},       {"no piece", 4, -1, 1040.0f, 0.0f},
    };
    for (const KickCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        strike(c.piece, c.strength, c.sound);
        fx_update();
        EXPECT_NEAR(app_fx_wobble[3], c.wobble, 1e-5f);
        EXPECT_NEAR(app_fx_wobble_v[3], c.wobble, 1e-5f);
    }
}

TEST_F(Effects, EventOfAPieceOutsideTheWallIsIgnored) {
    strike(100, 1040.0f);
    strike(1 << 30, 1040.0f);
    fx_update();
    for (int32_t i = 0; i < kPieceCapacity; ++i) EXPECT_EQ(app_fx_wobble[i], 0.0f);
}

TEST_F(Effects, SwingRingsDownWithinTwelveDegrees) {
    strike(7, 1040.0f);
    // (v - w x 0.07) x 0.95, then w + v: 3.8; 3.8 + 3.3573; 7.1573 + 2.713463...
    const float expected[] = {3.8f, 7.1573f, 9.870763f};
    float peak = 0.0f;
    for (int32_t t = 0; t < 600; ++t) {
        fx_update();
        events_clear();
        if (t < 3) {
            EXPECT_NEAR(app_fx_wobble[7], expected[t], 1e-4f) << "tick " << t;
        }
        peak = std::max(peak, std::fabs(app_fx_wobble[7]));
    }
    EXPECT_LE(peak, kWobbleLimit);
    EXPECT_GT(peak, 9.0f);
    EXPECT_LT(std::fabs(app_fx_wobble[7]), 0.01f);
}

TEST_F(Effects, RepeatedStrikesStopAtTwelve) {
    for (int32_t t = 0; t < 6; ++t) {
        events_clear();
        strike(0, 2000.0f);
        fx_update();
    }
    EXPECT_EQ(app_fx_wobble[0], kWobbleLimit);
}

TEST_F(Effects, HopperBumpDecays) {
    app_fx_hopper_bump = 1.0f;
    fx_update();
    EXPECT_FLOAT_EQ(app_fx_hopper_bump, 0.8f);
    fx_update();
    EXPECT_FLOAT_EQ(app_fx_hopper_bump, 0.64f);
    EXPECT_FLOAT_EQ(app_fx_shown_bump[app_fx_shown_head], 0.64f);
}

TEST_F(Effects, RingTakesEveryMarbleAndSwing) {
    app_fx_shown_head = 5;
    app_sim_marbles_active[2] = 1;
    app_sim_marbles_kind[2] = 2;
    app_sim_marbles_tint[2] = 1;
    app_sim_marbles_x[2] = 321.0f;
    app_sim_marbles_y[2] = 45.5f;
    app_sim_marbles_angle[2] = 1.25f;
    app_sim_marbles_radius[2] = 17.0f;
    app_sim_marbles_fade[2] = 0.5f;
    app_sim_marbles_x[23] = 9.0f;  // inactive records are copied as well
    app_fx_wobble[99] = 2.0f;
    fx_update();
    ASSERT_EQ(app_fx_shown_head, 6);
    EXPECT_EQ(app_fx_shown_count, 1);
    const int32_t m = 6 * kShownMarbles + 2;
    EXPECT_EQ(app_fx_shown_marbles_active[m], 1);
    EXPECT_EQ(app_fx_shown_marbles_kind[m], 2);
    EXPECT_EQ(app_fx_shown_marbles_tint[m], 1);
    EXPECT_EQ(app_fx_shown_marbles_x[m], 321.0f);
    EXPECT_EQ(app_fx_shown_marbles_y[m], 45.5f);
    EXPECT_EQ(app_fx_shown_marbles_angle[m], 1.25f);
    EXPECT_EQ(app_fx_shown_marbles_radius[m], 17.0f);
    EXPECT_EQ(app_fx_shown_marbles_fade[m], 0.5f);
    EXPECT_EQ(app_fx_shown_marbles_x[6 * kShownMarbles + 23], 9.0f);
    EXPECT_EQ(app_fx_shown_wobble[6 * kShownPieces + 99], app_fx_wobble[99]);
}

TEST_F(Effects, RingWrapsAndCountStopsAtEight) {
    app_fx_shown_head = 0;
    const int32_t heads[] = {1, 2, 3, 4, 5, 6, 7, 0, 1, 2};
    for (int32_t t = 0; t < 10; ++t) {
        fx_update();
        EXPECT_EQ(app_fx_shown_head, heads[t]);
        EXPECT_EQ(app_fx_shown_count, std::min(t + 1, 8));
    }
}

TEST_F(Effects, RestoredGarbageKeepsTheRingInRange) {
    const int32_t heads[] = {-7, 8, 2147483647, -2147483647 - 1};
    for (int32_t head : heads) {
        app_fx_shown_head = head;
        app_fx_shown_count = 2147483647;
        fx_update();
        EXPECT_GE(app_fx_shown_head, 0);
        EXPECT_LT(app_fx_shown_head, kShownRingSize);
        EXPECT_EQ(app_fx_shown_count, kShownRingSize);
    }
    app_events_count = 1000;  // more than the list holds
    fx_update();
}

struct SlotCase {
    int32_t count;
    int32_t head;
    int32_t sound_on;
    int32_t slot;
};

TEST_F(Effects, ShownSlotTable) {
    const SlotCase cases[] = {
        {0, 3, 1, -1},                                  // nothing recorded yet: live state
        {0, 3, 0, -1},  {1, 4, 1, 4},                   // one slot only: the delay shrinks to 0
        {2, 4, 1, 3},                                   // sound on: one tick behind
        {2, 4, 0, 4},                                   // sound off: the newest
        {8, 0, 1, 7},   {8, 0, 0, 0},  {-5, 2, 1, -1},  // restored garbage
        {99, 12, 1, 3}, {3, -1, 0, 7},
    };
    for (const SlotCase& c : cases) {
        app_fx_shown_count = c.count;
        app_fx_shown_head = c.head;
        app_settings_sound_on = c.sound_on;
        EXPECT_EQ(fx_shown_slot(), c.slot) << c.count << " " << c.head << " " << c.sound_on;
    }
}

TEST_F(Effects, ClearedMarblesForgetTheRing) {
    fx_update();
    ASSERT_NE(fx_shown_slot(), -1);
    sim_clear_marbles();
    EXPECT_EQ(fx_shown_slot(), -1);
}

}  // namespace
