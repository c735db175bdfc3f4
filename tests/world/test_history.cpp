// The undo history: snapshots of parts, hopper and size, 16 deep, restored newest first.
#include <climits>
#include <vector>

#include "app/interaction/interaction.hpp"
#include "world_support.hpp"

namespace {

using History = WorldTest;

/** What a snapshot holds: the part slots, the hopper position and the size steps. */
struct WallShape {
    std::vector<int32_t> ints;
    std::vector<float> floats;
    bool operator==(const WallShape&) const = default;
};

WallShape wall_shape() {
    WallShape s;
    for (const int32_t* a : {app_wall_pieces_active, app_wall_pieces_kind, app_wall_pieces_angle,
                             app_wall_pieces_flipped, app_wall_pieces_note, app_wall_pieces_held}) {
        s.ints.insert(s.ints.end(), a, a + kPieceCapacity);
    }
    for (const float* a : {app_wall_pieces_x, app_wall_pieces_y})
        s.floats.insert(s.floats.end(), a, a + kPieceCapacity);
    s.ints.insert(s.ints.end(), {app_wall_width_step, app_wall_height_step});
    s.floats.insert(s.floats.end(), {app_wall_width, app_wall_height, app_wall_hopper_x, app_wall_hopper_y});
    return s;
}

TEST_F(History, SeventeenEditsThenSeventeenUndos) {
    std::vector<WallShape> before_edit;
    for (int32_t i = 0; i < 17; ++i) {
        before_edit.push_back(wall_shape());
        history_push();
        wall_add_piece(i % 9, 100.0f + 50.0f * i, 200.0f, 5 * i, i % 2, i % 6);
    }
    EXPECT_EQ(app_history_count, kHistoryDepth);
    for (int32_t i = 16; i >= 1; --i) {
        ASSERT_EQ(history_undo(), 1) << i;
        EXPECT_EQ(wall_shape(), before_edit[static_cast<size_t>(i)]) << i;
    }
    EXPECT_EQ(app_history_count, 0);
    EXPECT_EQ(history_can_undo(), 0);
    const int32_t revision = app_wall_revision;
    EXPECT_EQ(history_undo(), 0);
    EXPECT_EQ(app_wall_revision, revision);
    // The oldest snapshot was dropped: the wall stays as it was after the first edit.
    EXPECT_EQ(app_wall_pieces_active[0], 1);
    EXPECT_EQ(app_wall_pieces_active[1], 0);
}

TEST_F(History, UndoPutsADraggedPartBack) {
    const int32_t slot = wall_add_piece(2, 400, 300, 10, 0, 0);
    history_push();
    piece_set_held(slot, 1);
    wall_move_piece(slot, 900, 500);
    piece_set_held(slot, 0);
    ASSERT_EQ(history_undo(), 1);
    EXPECT_EQ(app_wall_pieces_x[slot], 400.0f);
    EXPECT_EQ(app_wall_pieces_y[slot], 300.0f);
}

TEST_F(History, UndoRemovesADroppedPart) {
    history_push();
    const int32_t slot = wall_add_piece(6, 400, 300, 0, 0, 2);
    ASSERT_EQ(slot, 0);
    ASSERT_EQ(history_undo(), 1);
    EXPECT_EQ(app_wall_pieces_active[slot], 0);
}

TEST_F(History, UndoRestoresFlipNoteAngleAndRemoval) {
    const int32_t slot = wall_add_piece(6, 400, 300, 15, 0, 2);
    const WallShape before = wall_shape();
    struct Edit {
        void (*apply)(int32_t);
    };
    const Edit edits[] = {
        {piece_toggle_flip}, {piece_cycle_note}, {wall_remove_piece}, {[](int32_t s) { piece_set_angle(s, 95); }}};
    for (const Edit& e : edits) {
        history_push();
        e.apply(slot);
        ASSERT_NE(wall_shape(), before);
        ASSERT_EQ(history_undo(), 1);
        EXPECT_EQ(wall_shape(), before);
    }
}

TEST_F(History, UndoRestoresSizeAndThePartsTheSmallerSizePushedIn) {
    wall_set_size(6, 6);
    const int32_t slot = wall_add_piece(0, 3000, 1800, 0, 0, 0);
    hopper_move(3500, 1500);
    const WallShape before = wall_shape();
    history_push();
    wall_set_size(0, 0);
    EXPECT_EQ(app_wall_pieces_x[slot], 1580.0f);
    ASSERT_EQ(history_undo(), 1);
    EXPECT_EQ(wall_shape(), before);
    EXPECT_EQ(app_wall_width, 4000.0f);
    EXPECT_EQ(app_wall_pieces_x[slot], 3000.0f);
    EXPECT_EQ(app_wall_hopper_x, 3500.0f);
}

TEST_F(History, UndoLeavesMarblesViewAndHopperDrippingAlone) {
    quiet();
    history_push();
    hopper_move(700, 300);
    ASSERT_GE(place_marble_at(500, 300), 0);
    app_view_zoom = 1.5f;
    app_view_x = 120;
    app_view_y = -40;
    app_wall_hopper_dripping = 1;
    app_wall_hopper_sequence = 9;
    ASSERT_EQ(history_undo(), 1);
    EXPECT_EQ(app_wall_hopper_x, 150.0f);
    EXPECT_EQ(app_wall_hopper_y, 70.0f);
    EXPECT_EQ(sim_live_count(), 1);
    EXPECT_EQ(app_view_zoom, 1.5f);
    EXPECT_EQ(app_view_x, 120.0f);
    EXPECT_EQ(app_view_y, -40.0f);
    EXPECT_EQ(app_wall_hopper_dripping, 1);
    EXPECT_EQ(app_wall_hopper_sequence, 9);
}

TEST_F(History, ALiftedPartIsStoredAndRestoredPutDown) {
    const int32_t slot = wall_add_piece(1, 400, 300, 0, 0, 0);
    piece_set_held(slot, 1);
    history_push();
    EXPECT_EQ(app_history_pieces_held[slot], 0);
    EXPECT_EQ(app_wall_pieces_held[slot], 1);
    app_history_pieces_held[slot] = 1;  // even a restored state never lifts a part on undo
    ASSERT_EQ(history_undo(), 1);
    EXPECT_EQ(app_wall_pieces_held[slot], 0);
    EXPECT_EQ(app_wall_pieces_active[slot], 1);
}

TEST_F(History, UndoGrowsTheRevision) {
    history_push();
    const int32_t revision = app_wall_revision;
    ASSERT_EQ(history_undo(), 1);
    EXPECT_GT(app_wall_revision, revision);
    app_wall_revision = INT_MAX;
    history_push();
    ASSERT_EQ(history_undo(), 1);  // wraps, no overflow
}

TEST_F(History, DropTakesBackAPush) {
    EXPECT_EQ(history_can_undo(), 0);
    history_drop();
    EXPECT_EQ(app_history_count, 0);
    history_push();
    history_push();
    EXPECT_EQ(history_can_undo(), 1);
    history_drop();
    EXPECT_EQ(app_history_count, 1);
    history_drop();
    EXPECT_EQ(app_history_count, 0);
    EXPECT_EQ(history_can_undo(), 0);
}

TEST_F(History, PushOntoAFullHistoryDropsTheOldest) {
    for (int32_t i = 0; i < kHistoryDepth + 3; ++i) {
        hopper_move(100.0f + i, 100.0f);
        history_push();
    }
    EXPECT_EQ(app_history_count, kHistoryDepth);
    EXPECT_EQ(app_history_metas_hopper_x[0], 103.0f);
    EXPECT_EQ(app_history_metas_hopper_x[kHistoryDepth - 1], 100.0f + kHistoryDepth + 2);
}

TEST_F(History, ACountOutsideItsRangeStaysInBounds) {
    struct Case {
        int32_t count;
        int32_t after_push;
        int32_t after_undo;
    };
    const Case cases[] = {{-5, 1, 0}, {INT_MIN, 1, 0}, {17, 16, 15}, {INT_MAX, 16, 15}};
    for (const Case& c : cases) {
        app_history_count = c.count;
        history_push();
        EXPECT_EQ(app_history_count, c.after_push) << c.count;
        app_history_count = c.count;
        EXPECT_EQ(history_undo(), c.count > 0 ? 1 : 0) << c.count;
        if (c.count > 0) {
            EXPECT_EQ(app_history_count, c.after_undo) << c.count;
        }
        app_history_count = c.count;
        history_drop();
        EXPECT_GE(app_history_count, c.count > 0 ? 0 : c.count) << c.count;
        EXPECT_LE(app_history_count, kHistoryDepth) << c.count;
    }
}

}  // namespace
