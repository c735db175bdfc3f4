// The collision cache: frame segments, part segments in wall coordinates, boxes, and when it rebuilds.
#include "world_support.hpp"

namespace {

using Cache = WorldTest;

TEST_F(Cache, EmptyWallHoldsTheFrameOnly) {
    cache_rebuild();
    EXPECT_EQ(app_cache_seg_count, 3);
    EXPECT_EQ(app_cache_fixed_count, 3);
    EXPECT_EQ(app_cache_active_box_count, 0);
    struct Row {
        float x1, y1, x2, y2;
        int32_t surface, owner;
    };
    const Row rows[] = {{-8, -600, -8, 800, kSurfaceFrame, kOwnerLeftFrame},
                        {1608, -600, 1608, 860, kSurfaceFrame, kOwnerRightFrame},
                        {0, 748, 1500, 784, kSurfaceTray, kOwnerTray}};
    for (int32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(app_cache_segs_x1[i], rows[i].x1) << i;
        EXPECT_EQ(app_cache_segs_y1[i], rows[i].y1) << i;
        EXPECT_EQ(app_cache_segs_x2[i], rows[i].x2) << i;
        EXPECT_EQ(app_cache_segs_y2[i], rows[i].y2) << i;
        EXPECT_EQ(app_cache_segs_r[i], 8.0f);
        EXPECT_EQ(app_cache_segs_surface[i], rows[i].surface);
        EXPECT_EQ(app_cache_segs_owner[i], rows[i].owner);
    }
    EXPECT_EQ(app_cache_wall_revision, app_wall_revision);
}

TEST_F(Cache, RotatedRampAndItsBox) {
    const int32_t slot = wall_add_piece(0, 800, 400, 90, 0, 0);
    cache_ensure();
    ASSERT_EQ(app_cache_seg_count, 4);
    ASSERT_EQ(app_cache_active_box_count, 1);
    EXPECT_NEAR(app_cache_segs_x1[3], 800.0f, 1e-3);
    EXPECT_NEAR(app_cache_segs_y1[3], 280.0f, 1e-3);
    EXPECT_NEAR(app_cache_segs_x2[3], 800.0f, 1e-3);
    EXPECT_NEAR(app_cache_segs_y2[3], 520.0f, 1e-3);
    EXPECT_EQ(app_cache_segs_r[3], 7.0f);
    EXPECT_EQ(app_cache_segs_surface[3], 0);
    EXPECT_EQ(app_cache_segs_owner[3], slot);
    EXPECT_EQ(app_cache_boxes_first[0], 3);
    EXPECT_EQ(app_cache_boxes_count[0], 1);
    EXPECT_NEAR(app_cache_boxes_min_x[0], 793.0f, 1e-3);
    EXPECT_NEAR(app_cache_boxes_max_x[0], 807.0f, 1e-3);
    EXPECT_NEAR(app_cache_boxes_min_y[0], 273.0f, 1e-3);
    EXPECT_NEAR(app_cache_boxes_max_y[0], 527.0f, 1e-3);
}

TEST_F(Cache, ChimeBarScalesWithItsNote) {
    const float half[] = {95, 87, 79, 71, 63, 55};
    for (int32_t note = 0; note < kNoteCount; ++note) {
        wall_clear_pieces();
        wall_add_piece(kKindChime, 500, 300, 0, 0, note);
        cache_ensure();
        ASSERT_EQ(app_cache_seg_count, 4);
        EXPECT_FLOAT_EQ(app_cache_segs_x1[3], 500.0f - half[note]) << note;
        EXPECT_FLOAT_EQ(app_cache_segs_x2[3], 500.0f + half[note]) << note;
        EXPECT_EQ(app_cache_segs_r[3], 8.0f);
        EXPECT_FLOAT_EQ(app_cache_boxes_min_x[0], 500.0f - half[note] - 8.0f);
    }
}

TEST_F(Cache, FlippedTurnaroundOpensToTheRight) {
    wall_add_piece(kKindTurnaround, 500, 300, 0, 0, 0);
    wall_add_piece(kKindTurnaround, 900, 300, 0, 1, 0);
    cache_ensure();
    ASSERT_EQ(app_cache_seg_count, 3 + 16);
    ASSERT_EQ(app_cache_active_box_count, 2);
    EXPECT_FLOAT_EQ(app_cache_segs_x2[3 + 3], 538.0f);  // rightmost point of the plain one
    EXPECT_FLOAT_EQ(app_cache_segs_x2[11 + 3], 862.0f);  // leftmost of the flipped one
    EXPECT_FLOAT_EQ(app_cache_boxes_min_x[1], 855.0f);
    EXPECT_NEAR(app_cache_boxes_max_x[1], 900.0f + 13.23f + 7.0f, 0.01f);
    EXPECT_EQ(app_cache_boxes_first[1], 11);
    EXPECT_EQ(app_cache_boxes_count[1], 8);
}

TEST_F(Cache, HeldPartLeavesTheCacheAndMovingItCausesNoRebuild) {
    const int32_t a = wall_add_piece(0, 400, 300, 0, 0, 0);
    const int32_t b = wall_add_piece(7, 900, 300, 0, 0, 0);
    cache_ensure();
    EXPECT_EQ(app_cache_active_box_count, 2);
    piece_set_held(a, 1);
    cache_ensure();
    EXPECT_EQ(app_cache_active_box_count, 1);
    EXPECT_EQ(app_cache_segs_owner[3], b);
    const int32_t built = app_cache_wall_revision;
    app_cache_segs_x1[3] = 12345;  // a rebuild would overwrite this
    wall_move_piece(a, 700, 500);
    cache_ensure();
    EXPECT_EQ(app_cache_wall_revision, built);
    EXPECT_EQ(app_cache_segs_x1[3], 12345.0f);
    piece_set_held(a, 0);
    cache_ensure();
    EXPECT_EQ(app_cache_active_box_count, 2);
    EXPECT_EQ(app_cache_segs_owner[3], a);
    EXPECT_FLOAT_EQ(app_cache_segs_x1[3], 580.0f);
}

TEST_F(Cache, BoxesFollowSlotOrder) {
    for (int32_t i = 0; i < 6; ++i) wall_add_piece(i % kKindCount, 300.0f + 150 * i, 300, 0, 0, 0);
    wall_remove_piece(2);
    cache_rebuild();
    const int32_t owners[] = {0, 1, 3, 4, 5};
    ASSERT_EQ(app_cache_active_box_count, 5);
    int32_t next = 3;
    for (int32_t b = 0; b < 5; ++b) {
        EXPECT_EQ(app_cache_boxes_first[b], next);
        EXPECT_EQ(app_cache_segs_owner[next], owners[b]);
        next += app_cache_boxes_count[b];
    }
    EXPECT_EQ(next, app_cache_seg_count);
}

TEST_F(Cache, FullWallFitsAndAFullCacheDropsSegments) {
    for (int32_t i = 0; i < kPieceCapacity; ++i) wall_add_piece(kKindTurnaround, 400, 400, 0, 0, 0);
    cache_ensure();
    EXPECT_EQ(app_cache_seg_count, 3 + 8 * kPieceCapacity);
    EXPECT_EQ(app_cache_active_box_count, kPieceCapacity);
    while (app_cache_seg_count < kCacheSegCapacity) cache_add_seg(0, 0, 1, 1, 2, 2, 3);
    cache_add_seg(0, 0, 1, 1, 2, 2, 3);
    EXPECT_EQ(app_cache_seg_count, kCacheSegCapacity);
}

TEST_F(Cache, RebuildsAnEmptyOrOutdatedCache) {
    cache_ensure();
    app_cache_seg_count = 0;
    cache_ensure();
    EXPECT_EQ(app_cache_seg_count, 3);
    app_wall_revision += 5;
    wall_add_piece(0, 400, 300, 0, 0, 0);
    app_catalog_ready = 0;
    cache_ensure();
    EXPECT_EQ(app_catalog_ready, 1);
    EXPECT_EQ(app_cache_seg_count, 4);
    EXPECT_EQ(app_cache_wall_revision, app_wall_revision);
}

}  // namespace
