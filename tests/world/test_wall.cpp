// The wall: size steps and bounds, part slots, the revision and part poses.
#include <cmath>

#include "world_support.hpp"

namespace {

using Wall = WorldTest;

TEST_F(Wall, StartsAt1600By800WithNoParts) {
    EXPECT_EQ(app_wall_width, 1600.0f);
    EXPECT_EQ(app_wall_height, 800.0f);
    EXPECT_EQ(app_wall_width_step, 0);
    EXPECT_EQ(app_wall_height_step, 0);
    for (int32_t i = 0; i < kPieceCapacity; ++i) EXPECT_EQ(app_wall_pieces_active[i], 0);
}

TEST_F(Wall, SetSizeClampsStepsAndReportsChange) {
    struct Row {
        int32_t ws, hs, want_ws, want_hs;
        float w, h;
        int32_t changed;
    };
    const Row rows[] = {
        {9, -1, 6, 0, 4000, 800, 1}, {6, 0, 6, 0, 4000, 800, 0}, {2, 3, 2, 3, 2400, 1400, 1},
        {2, 7, 2, 6, 2400, 2000, 1}, {-9, 6, 0, 6, 1600, 2000, 1}, {0, 6, 0, 6, 1600, 2000, 0},
    };
    for (const Row& r : rows) {
        const int32_t rev = app_wall_revision;
        EXPECT_EQ(wall_set_size(r.ws, r.hs), r.changed) << r.ws << "," << r.hs;
        EXPECT_EQ(app_wall_width_step, r.want_ws);
        EXPECT_EQ(app_wall_height_step, r.want_hs);
        EXPECT_EQ(app_wall_width, r.w);
        EXPECT_EQ(app_wall_height, r.h);
        EXPECT_EQ(app_wall_revision, rev + 1);
    }
    app_wall_width = 0;  // a wall that was never sized always counts as changed
    EXPECT_EQ(wall_set_size(0, 6), 1);
}

TEST_F(Wall, ShrinkingMovesPartsAndHopperInside) {
    wall_set_size(6, 6);
    const int32_t slot = wall_add_piece(0, 3000, 1800, 0, 0, 0);
    hopper_move(3900, 1700);
    EXPECT_EQ(app_wall_pieces_x[slot], 3000.0f);
    EXPECT_EQ(app_wall_hopper_x, 3900.0f);
    wall_set_size(0, 0);
    EXPECT_EQ(app_wall_pieces_x[slot], 1580.0f);
    EXPECT_EQ(app_wall_pieces_y[slot], 700.0f);
    EXPECT_EQ(app_wall_hopper_x, 1550.0f);
    EXPECT_EQ(app_wall_hopper_y, 560.0f);
}

TEST_F(Wall, AddPieceStoresAClampedNormalisedPart) {
    struct Row {
        int32_t kind;
        float x, y;
        int32_t angle, flipped, note;
        int32_t want_kind;
        float want_x, want_y;
        int32_t want_angle, want_note;
    };
    const Row rows[] = {
        {0, 500, 300, -5, 0, 0, 0, 500, 300, 355, 0},  {12, 500, 300, 0, 0, 0, 8, 500, 300, 0, 0},
        {6, 500, 300, 370, 1, 9, 6, 500, 300, 10, 5},  {-4, -50, -50, 0, 7, -2, 0, 20, 30, 0, 0},
        {3, 2000, 900, 720, 0, 3, 3, 1580, 700, 0, 3},
    };
    for (const Row& r : rows) {
        const int32_t rev = app_wall_revision;
        const int32_t slot = wall_add_piece(r.kind, r.x, r.y, r.angle, r.flipped, r.note);
        ASSERT_GE(slot, 0);
        EXPECT_EQ(app_wall_pieces_active[slot], 1);
        EXPECT_EQ(app_wall_pieces_held[slot], 0);
        EXPECT_EQ(app_wall_pieces_kind[slot], r.want_kind);
        EXPECT_EQ(app_wall_pieces_x[slot], r.want_x);
        EXPECT_EQ(app_wall_pieces_y[slot], r.want_y);
        EXPECT_EQ(app_wall_pieces_angle[slot], r.want_angle);
        EXPECT_EQ(app_wall_pieces_flipped[slot], r.flipped);
        EXPECT_EQ(app_wall_pieces_note[slot], r.want_note);
        EXPECT_EQ(app_wall_revision, rev + 1);
    }
}

TEST_F(Wall, SlotsFillLowestFirstAndThe101stIsRefused) {
    for (int32_t i = 0; i < kPieceCapacity; ++i) ASSERT_EQ(wall_add_piece(0, 400, 300, 0, 0, 0), i);
    const int32_t rev = app_wall_revision;
    EXPECT_EQ(wall_add_piece(1, 400, 300, 0, 0, 0), -1);
    EXPECT_EQ(app_wall_revision, rev);
    wall_remove_piece(37);
    EXPECT_EQ(app_wall_revision, rev + 1);
    EXPECT_EQ(wall_add_piece(2, 400, 300, 0, 0, 0), 37);
}

TEST_F(Wall, RemoveIgnoresSlotsOutsideTheWall) {
    const int32_t slot = wall_add_piece(0, 400, 300, 0, 0, 0);
    app_wall_pieces_held[slot] = 1;
    const int32_t rev = app_wall_revision;
    for (const int32_t bad : {-1, 100, 5000}) wall_remove_piece(bad);
    EXPECT_EQ(app_wall_revision, rev);
    wall_remove_piece(slot);
    EXPECT_EQ(app_wall_pieces_active[slot], 0);
    EXPECT_EQ(app_wall_pieces_held[slot], 0);
    EXPECT_EQ(app_wall_revision, rev + 1);
}

TEST_F(Wall, MovingAHeldPartLeavesTheRevisionReleasingMovesIt) {
    const int32_t slot = wall_add_piece(0, 400, 300, 0, 0, 0);
    int32_t rev = app_wall_revision;
    wall_move_piece(slot, 600, 5000);
    EXPECT_EQ(app_wall_pieces_x[slot], 600.0f);
    EXPECT_EQ(app_wall_pieces_y[slot], 700.0f);
    EXPECT_EQ(app_wall_revision, ++rev);
    piece_set_held(slot, 1);
    EXPECT_EQ(app_wall_revision, ++rev);
    wall_move_piece(slot, 700, 400);
    EXPECT_EQ(app_wall_pieces_x[slot], 700.0f);
    EXPECT_EQ(app_wall_revision, rev);
    piece_set_held(slot, 0);
    EXPECT_EQ(app_wall_revision, ++rev);
}

TEST_F(Wall, AngleFlipAndNote) {
    const int32_t slot = wall_add_piece(6, 400, 300, 10, 0, 4);
    int32_t rev = app_wall_revision;
    piece_set_angle(slot, -15);
    EXPECT_EQ(app_wall_pieces_angle[slot], 345);
    piece_toggle_flip(slot);
    EXPECT_EQ(app_wall_pieces_flipped[slot], 1);
    piece_toggle_flip(slot);
    EXPECT_EQ(app_wall_pieces_flipped[slot], 0);
    piece_cycle_note(slot);
    EXPECT_EQ(app_wall_pieces_note[slot], 5);
    piece_cycle_note(slot);
    EXPECT_EQ(app_wall_pieces_note[slot], 0);
    EXPECT_EQ(app_wall_revision, rev + 5);
    app_wall_pieces_note[slot] = -8;  // restored out of range
    piece_cycle_note(slot);
    EXPECT_EQ(app_wall_pieces_note[slot], 5);

    rev = app_wall_revision;
    for (const int32_t bad : {-1, 100}) {
        piece_set_angle(bad, 3);
        piece_toggle_flip(bad);
        piece_cycle_note(bad);
        piece_set_held(bad, 1);
        wall_move_piece(bad, 1, 1);
    }
    EXPECT_EQ(app_wall_revision, rev);
}

TEST_F(Wall, ClearPiecesFreesEverySlot) {
    for (int32_t i = 0; i < 5; ++i) wall_add_piece(i, 400, 300, 0, 0, 0);
    app_wall_pieces_held[2] = 1;
    const int32_t rev = app_wall_revision;
    wall_clear_pieces();
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        EXPECT_EQ(app_wall_pieces_active[i], 0);
        EXPECT_EQ(app_wall_pieces_held[i], 0);
    }
    EXPECT_EQ(app_wall_revision, rev + 1);
    EXPECT_EQ(piece_valid(0), 0);
}

TEST_F(Wall, PoseMapsLocalPointsAndBack) {
    struct Row {
        int32_t angle, flipped;
        float lx, ly, wx, wy;
    };
    const Row rows[] = {
        {0, 0, 10, 5, 510, 305},   {0, 1, 10, 5, 490, 305},  {90, 0, 10, 5, 495, 310},
        {90, 1, 10, 5, 495, 290},  {180, 0, 10, 5, 490, 295}, {270, 0, 10, 5, 505, 290},
    };
    for (const Row& r : rows) {
        const int32_t slot = wall_add_piece(0, 500, 300, r.angle, r.flipped, 0);
        const WallPoint w = piece_local_to_wall(slot, r.lx, r.ly);
        EXPECT_NEAR(w.x, r.wx, 1e-3) << r.angle << " " << r.flipped;
        EXPECT_NEAR(w.y, r.wy, 1e-3) << r.angle << " " << r.flipped;
        const WallPoint l = piece_wall_to_local(slot, w.x, w.y);
        EXPECT_NEAR(l.x, r.lx, 1e-3);
        EXPECT_NEAR(l.y, r.ly, 1e-3);
        wall_remove_piece(slot);
    }
    EXPECT_EQ(piece_valid(-1), 0);
    EXPECT_EQ(piece_valid(100), 0);
}

}  // namespace

namespace {

using WallCommands = WorldTest;

TEST_F(WallCommands, StepSizeIsOneUndoableChange) {
    struct Row {
        int32_t axis, delta, want_ws, want_hs, history, countdown;
    };
    const Row rows[] = {
        {0, 1, 1, 0, 1, 90}, {1, 2, 1, 2, 2, 90}, {0, -5, 0, 2, 3, 90},
        {0, -1, 0, 2, 3, -1},  // at the limit: the snapshot is taken back, nothing to save
        {1, 9, 0, 6, 4, 90},   {1, 1, 0, 6, 4, -1}, {2, 1, 0, 6, 4, -1},
    };
    for (const Row& r : rows) {
        app_ui_save_countdown = -1;
        wall_step_size(r.axis, r.delta);
        EXPECT_EQ(app_wall_width_step, r.want_ws) << r.axis << " " << r.delta;
        EXPECT_EQ(app_wall_height_step, r.want_hs);
        EXPECT_EQ(app_history_count, r.history);
        EXPECT_EQ(app_ui_save_countdown, r.countdown);
    }
}

}  // namespace
