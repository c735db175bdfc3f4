// The piece catalog: kinds, segment tables, the turnaround arc, chime lengths and names.
#include <climits>

#include "world_support.hpp"

namespace {

using Catalog = WorldTest;

TEST_F(Catalog, BuildsNineKindsWithTheirSegmentCounts) {
    const int32_t expected[kKindCount] = {1, 1, 1, 1, 8, 4, 1, 4, 6};
    EXPECT_EQ(app_catalog_ready, 1);
    for (int32_t k = 0; k < kKindCount; ++k) EXPECT_EQ(app_catalog_kinds_seg_count[k], expected[k]) << k;
}

TEST_F(Catalog, KindRecords) {
    struct Row {
        int32_t kind;
        float half_w, half_h;
        int32_t angle, surface;
    };
    const Row rows[] = {{0, 128, 16, 8, 0}, {1, 208, 16, 6, 0}, {2, 176, 14, 6, 2},
                        {3, 156, 16, 8, 3}, {4, 50, 74, 0, 1},  {5, 118, 66, 0, 3},
                        {6, 104, 14, 10, 4}, {7, 50, 22, 12, 5}, {8, 62, 54, 0, 6}};
    for (const Row& r : rows) {
        EXPECT_EQ(app_catalog_kinds_half_w[r.kind], r.half_w) << r.kind;
        EXPECT_EQ(app_catalog_kinds_half_h[r.kind], r.half_h) << r.kind;
        EXPECT_EQ(app_catalog_kinds_default_angle[r.kind], r.angle) << r.kind;
        EXPECT_EQ(app_catalog_kinds_surface[r.kind], r.surface) << r.kind;
    }
}

TEST_F(Catalog, SegmentsOfStraightPartsAndPins) {
    struct Row {
        int32_t slot;
        float x1, y1, x2, y2, r;
    };
    const Row rows[] = {
        {0, -120, 0, 120, 0, 7},   {10, -200, 0, 200, 0, 7},  {20, -170, 0, 170, 0, 5},
        {30, -150, 0, 150, 0, 7},  {50, -110, -56, -34, 30, 7}, {53, 34, 30, 34, 56, 7},
        {60, -80, 0, 80, 0, 8},    {73, -40, 14, 40, 14, 7},  {80, 0, -44, 0, -44, 7},
        {85, 52, 36, 52, 36, 7},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(app_catalog_segs_x1[r.slot], r.x1) << r.slot;
        EXPECT_EQ(app_catalog_segs_y1[r.slot], r.y1) << r.slot;
        EXPECT_EQ(app_catalog_segs_x2[r.slot], r.x2) << r.slot;
        EXPECT_EQ(app_catalog_segs_y2[r.slot], r.y2) << r.slot;
        EXPECT_EQ(app_catalog_segs_r[r.slot], r.r) << r.slot;
    }
}

TEST_F(Catalog, TurnaroundChordsFollowTheArc) {
    constexpr int32_t base = kKindTurnaround * kKindSegCapacity;
    EXPECT_NEAR(app_catalog_segs_x1[base], -13.23f, 0.01f);
    EXPECT_NEAR(app_catalog_segs_y1[base], -61.06f, 0.01f);
    EXPECT_NEAR(app_catalog_segs_x2[base + 7], -13.23f, 0.01f);
    EXPECT_NEAR(app_catalog_segs_y2[base + 7], 61.06f, 0.01f);
    // The rightmost point, at 0 degrees, ends chord 3 and starts chord 4.
    EXPECT_FLOAT_EQ(app_catalog_segs_x2[base + 3], 38.0f);
    EXPECT_FLOAT_EQ(app_catalog_segs_y2[base + 3], 0.0f);
    EXPECT_EQ(app_catalog_segs_x1[base + 4], app_catalog_segs_x2[base + 3]);
    for (int32_t i = 0; i < 7; ++i) {
        EXPECT_EQ(app_catalog_segs_x2[base + i], app_catalog_segs_x1[base + i + 1]) << i;
        EXPECT_EQ(app_catalog_segs_y2[base + i], app_catalog_segs_y1[base + i + 1]) << i;
        EXPECT_EQ(app_catalog_segs_r[base + i], 7.0f);
    }
}

TEST_F(Catalog, ChimeLengthClampsTheNote) {
    const int32_t notes[] = {-3, 0, 1, 2, 3, 4, 5, 9, INT_MIN, INT_MAX};
    const float lengths[] = {95, 95, 87, 79, 71, 63, 55, 55, 95, 55};
    for (size_t i = 0; i < std::size(notes); ++i) EXPECT_EQ(chime_length(notes[i]), lengths[i]) << notes[i];
}

TEST_F(Catalog, AnEleventhSegmentIsIgnored) {
    catalog_set_kind(3, 3, 0, 10, 10);
    for (int32_t i = 0; i < 11; ++i) catalog_add_seg(3, static_cast<float>(i), 0, 1, 1, 2);
    EXPECT_EQ(app_catalog_kinds_seg_count[3], 10);
    EXPECT_EQ(app_catalog_segs_x1[39], 9.0f);
    EXPECT_NEAR(app_catalog_segs_x1[40], -13.23f, 0.01f);  // the turnaround's first chord is untouched
}

TEST_F(Catalog, KindsAndCountsOutsideTheTablesAreRefused) {
    catalog_set_kind(9, 0, 0, 1, 1);
    catalog_set_kind(-1, 0, 0, 1, 1);
    catalog_add_seg(9, 1, 1, 1, 1, 1);
    catalog_add_seg(-1, 1, 1, 1, 1, 1);
    for (const int32_t bad : {-3, 57}) {
        app_catalog_kinds_seg_count[2] = bad;
        catalog_add_seg(2, 1, 1, 1, 1, 1);
        EXPECT_EQ(app_catalog_kinds_seg_count[2], bad);
    }
    EXPECT_EQ(catalog_seg_count(-1), 0);
    EXPECT_EQ(catalog_seg_count(9), 0);
    app_catalog_kinds_seg_count[2] = -3;
    EXPECT_EQ(catalog_seg_count(2), 0);
    app_catalog_kinds_seg_count[2] = 57;
    EXPECT_EQ(catalog_seg_count(2), 10);
    EXPECT_EQ(app_catalog_segs_x1[10], -200.0f);  // kind 1 untouched
}

TEST_F(Catalog, DisplayNames) {
    EXPECT_EQ(kind_display_name(0), text_id("Maple ramp"));
    EXPECT_EQ(kind_display_name(4), text_id("Turnaround"));
    EXPECT_EQ(kind_display_name(6), text_id("Chime"));
    EXPECT_EQ(kind_display_name(8), text_id("Pin cluster"));
    for (const int32_t k : {-1, 9, 57}) EXPECT_EQ(kind_display_name(k), text_id("Marble")) << k;
}

TEST_F(Catalog, AngleNormalize) {
    const int32_t in[] = {0, 359, 360, -5, -360, 725, -725, INT_MIN, INT_MAX};
    const int32_t out[] = {0, 359, 0, 355, 0, 5, 355, 232, 127};
    for (size_t i = 0; i < std::size(in); ++i) EXPECT_EQ(angle_normalize(in[i]), out[i]) << in[i];
}

}  // namespace
