// Starter walls: their parts, hopper, size, timer and the preset they leave.
#include <gtest/gtest.h>

#include <vector>

#include "app/entry/entry.hpp"
#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

namespace {

struct Part {
    float x, y;
    int32_t kind, angle, flipped, note;
};

struct Expected {
    int32_t index;
    float hopper_x, hopper_y;
    std::vector<Part> parts;
};

const Expected kExpected[] = {
    {0,
     150,
     70,
     {{330, 200, 1, 6, 0, 0},
      {584, 250, 4, 0, 0, 0},
      {380, 330, 1, 354, 0, 0},
      {126, 380, 4, 0, 1, 0},
      {350, 460, 1, 6, 0, 0},
      {700, 560, 6, 15, 0, 0},
      {880, 640, 6, 15, 0, 3}}},
    {1,
     800,
     70,
     {{800, 230, 8, 0, 0, 0},
      {640, 350, 0, 352, 0, 0},
      {960, 350, 0, 8, 0, 0},
      {430, 450, 6, 345, 0, 1},
      {1170, 450, 6, 15, 0, 4},
      {300, 560, 7, 340, 0, 0},
      {1300, 560, 7, 20, 0, 0},
      {200, 660, 6, 345, 0, 0},
      {1400, 660, 6, 15, 0, 5}}},
    {2,
     150,
     70,
     {{300, 190, 2, 7, 0, 0},
      {640, 300, 5, 0, 0, 0},
      {770, 440, 3, 8, 0, 0},
      {1030, 590, 7, 12, 0, 0},
      {1150, 640, 7, 12, 0, 0},
      {1270, 690, 7, 12, 0, 0}}},
    {3, 150, 70, {}},
};

class StarterWalls : public ::testing::Test {
protected:
    void SetUp() override { app_init(); }

    /** A wall unlike every starter wall: largest size, parts everywhere, hopper moved, marbles. */
    static void mess_up_the_wall() {
        wall_set_size(6, 6);
        for (int32_t i = 0; i < 20; ++i) wall_add_piece(i % 9, 3000.0f - 100.0f * i, 1500.0f, 90, 1, 4);
        hopper_move(3000, 1000);
        app_wall_hopper_timer = 3;
        place_marble_at(500, 300);
        app_ui_preset = 2;
    }
};

TEST_F(StarterWalls, EachWallHasItsPartsInOrder) {
    for (const Expected& e : kExpected) {
        mess_up_the_wall();
        const int32_t revision = app_wall_revision;
        starter_wall_load(e.index);
        SCOPED_TRACE(e.index);
        EXPECT_EQ(app_ui_preset, e.index);
        EXPECT_GT(app_wall_revision, revision);
        EXPECT_EQ(app_wall_width_step, 0);
        EXPECT_EQ(app_wall_height_step, 0);
        EXPECT_EQ(app_wall_width, 1600.0f);
        EXPECT_EQ(app_wall_height, 800.0f);
        EXPECT_EQ(app_wall_hopper_x, e.hopper_x);
        EXPECT_EQ(app_wall_hopper_y, e.hopper_y);
        EXPECT_EQ(app_wall_hopper_timer, app_wall_hopper_interval - 20);
        EXPECT_EQ(sim_live_count(), 0);
        const int32_t n = static_cast<int32_t>(e.parts.size());
        for (int32_t i = 0; i < kPieceCapacity; ++i) {
            EXPECT_EQ(app_wall_pieces_active[i], i < n ? 1 : 0) << i;
            EXPECT_EQ(app_wall_pieces_held[i], 0) << i;
        }
        for (int32_t i = 0; i < n; ++i) {
            const Part& p = e.parts[static_cast<size_t>(i)];
            EXPECT_EQ(app_wall_pieces_x[i], p.x) << i;
            EXPECT_EQ(app_wall_pieces_y[i], p.y) << i;
            EXPECT_EQ(app_wall_pieces_kind[i], p.kind) << i;
            EXPECT_EQ(app_wall_pieces_angle[i], p.angle) << i;
            EXPECT_EQ(app_wall_pieces_flipped[i], p.flipped) << i;
            EXPECT_EQ(app_wall_pieces_note[i], p.note) << i;
        }
    }
}

TEST_F(StarterWalls, AnyOtherIndexLoadsTheEmptyWallAndShowsIt) {
    for (int32_t index : {-1, 4, 7, INT32_MIN, INT32_MAX}) {
        mess_up_the_wall();
        starter_wall_load(index);
        EXPECT_EQ(app_ui_preset, 3) << index;
        EXPECT_EQ(app_wall_hopper_x, 150.0f) << index;
        EXPECT_EQ(app_wall_hopper_y, 70.0f) << index;
        EXPECT_EQ(app_wall_width, 1600.0f) << index;
        for (int32_t i = 0; i < kPieceCapacity; ++i) EXPECT_EQ(app_wall_pieces_active[i], 0) << index;
    }
}

TEST_F(StarterWalls, DrippingIsLeftAsItWas) {
    for (int32_t dripping : {0, 1}) {
        app_wall_hopper_dripping = dripping;
        starter_wall_load(0);
        EXPECT_EQ(app_wall_hopper_dripping, dripping);
    }
}

TEST_F(StarterWalls, LoadingPushesNoUndoEntry) {
    starter_wall_load(1);
    EXPECT_EQ(app_history_count, 0);
}

TEST_F(StarterWalls, FirstWallEncodesInFiftyNineBytes) {
    starter_wall_load(0);
    wall_code_encode();
    EXPECT_EQ(app_persist_code_length, 10 + 7 * 7);
    EXPECT_EQ(wall_code_scan(), 1);
    EXPECT_EQ(app_persist_scan_count, 7);
}

TEST_F(StarterWalls, NamesAndSubtitles) {
    struct Case {
        int32_t index;
        int32_t name;
        int32_t subtitle;
    };
    const Case cases[] = {
        {0, text_id("Cascade"), text_id("Maple zigzag")},
        {1, text_id("Chime garden"), text_id("Pins and bells")},
        {2, text_id("Workshop"), text_id("Steel, glass, wood")},
        {3, text_id("Empty wall"), text_id("Start fresh")},
        {9, text_id("Empty wall"), text_id("Start fresh")},
        {-1, text_id("Empty wall"), text_id("Start fresh")},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(starter_wall_name(c.index), c.name) << c.index;
        EXPECT_EQ(starter_wall_subtitle(c.index), c.subtitle) << c.index;
    }
}

}  // namespace
