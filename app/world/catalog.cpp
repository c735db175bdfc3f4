// The piece catalog: the nine part kinds, their boxes, materials and capsule shapes.
#include <cmath>

#include "app/world/world.hpp"

namespace {

// Turnaround: a C opening to the left, an arc around (-24, 0) of radius 62 from -80 to +80 degrees
// cut into eight 20-degree chords.
constexpr float kTurnCentreX = -24.0f;
constexpr float kTurnRadius = 62.0f;
constexpr int32_t kTurnChords = 8;

WallPoint turnaround_arc_point(int32_t i) {
    const float degrees = -80.0f + 160.0f * static_cast<float>(i) / static_cast<float>(kTurnChords);
    const float a = degrees * kDegToRad;
    return {kTurnRadius * std::cos(a) + kTurnCentreX, kTurnRadius * std::sin(a)};
}

void add_post(int32_t kind, float x, float y, float r) { catalog_add_seg(kind, x, y, x, y, r); }

}  // namespace

void catalog_set_kind(int32_t kind, int32_t surface, int32_t default_angle, float half_w, float half_h) {
    if (kind < 0 || kind >= kKindCount) return;
    app_catalog_kinds_surface[kind] = surface;
    app_catalog_kinds_default_angle[kind] = default_angle;
    app_catalog_kinds_half_w[kind] = half_w;
    app_catalog_kinds_half_h[kind] = half_h;
    app_catalog_kinds_seg_count[kind] = 0;
}

void catalog_add_seg(int32_t kind, float x1, float y1, float x2, float y2, float r) {
    if (kind < 0 || kind >= kKindCount) return;
    const int32_t n = app_catalog_kinds_seg_count[kind];
    if (n < 0 || n >= kKindSegCapacity) return;
    const int32_t s = kind * kKindSegCapacity + n;
    app_catalog_segs_x1[s] = x1;
    app_catalog_segs_y1[s] = y1;
    app_catalog_segs_x2[s] = x2;
    app_catalog_segs_y2[s] = y2;
    app_catalog_segs_r[s] = r;
    app_catalog_kinds_seg_count[kind] = n + 1;
}

int32_t catalog_seg_count(int32_t kind) {
    if (kind < 0 || kind >= kKindCount) return 0;
    return clampi(app_catalog_kinds_seg_count[kind], 0, kKindSegCapacity);
}

void catalog_build() {
    catalog_set_kind(kKindMapleRamp, 0, 8, 128, 16);
    catalog_add_seg(kKindMapleRamp, -120, 0, 120, 0, 7);

    catalog_set_kind(kKindLongRamp, 0, 6, 208, 16);
    catalog_add_seg(kKindLongRamp, -200, 0, 200, 0, 7);

    catalog_set_kind(kKindSteelRail, 2, 6, 176, 14);
    catalog_add_seg(kKindSteelRail, -170, 0, 170, 0, 5);

    catalog_set_kind(kKindClearChute, 3, 8, 156, 16);
    catalog_add_seg(kKindClearChute, -150, 0, 150, 0, 7);

    catalog_set_kind(kKindTurnaround, 1, 0, 50, 74);
    for (int32_t i = 0; i < kTurnChords; ++i) {
        const WallPoint a = turnaround_arc_point(i);
        const WallPoint b = turnaround_arc_point(i + 1);
        catalog_add_seg(kKindTurnaround, a.x, a.y, b.x, b.y, 7);
    }

    catalog_set_kind(kKindFunnel, 3, 0, 118, 66);
    catalog_add_seg(kKindFunnel, -110, -56, -34, 30, 7);
    catalog_add_seg(kKindFunnel, -34, 30, -34, 56, 7);
    catalog_add_seg(kKindFunnel, 110, -56, 34, 30, 7);
    catalog_add_seg(kKindFunnel, 34, 30, 34, 56, 7);

    // The bar is scaled to the note's length when placed; the table's half width is never read.
    catalog_set_kind(kKindChime, 4, 10, 104, 14);
    catalog_add_seg(kKindChime, -80, 0, 80, 0, 8);

    catalog_set_kind(kKindWoodBlock, 5, 12, 50, 22);
    catalog_add_seg(kKindWoodBlock, -40, -14, 40, -14, 7);
    catalog_add_seg(kKindWoodBlock, -40, -14, -40, 14, 7);
    catalog_add_seg(kKindWoodBlock, 40, -14, 40, 14, 7);
    catalog_add_seg(kKindWoodBlock, -40, 14, 40, 14, 7);

    catalog_set_kind(kKindPinCluster, 6, 0, 62, 54);
    add_post(kKindPinCluster, 0, -44, 7);
    add_post(kKindPinCluster, -26, -4, 7);
    add_post(kKindPinCluster, 26, -4, 7);
    add_post(kKindPinCluster, -52, 36, 7);
    add_post(kKindPinCluster, 0, 36, 7);
    add_post(kKindPinCluster, 52, 36, 7);

    app_catalog_ready = 1;
}

int32_t kind_display_name(int32_t kind) {
    switch (kind) {
        case kKindMapleRamp: return text_id("Maple ramp");
        case kKindLongRamp: return text_id("Long ramp");
        case kKindSteelRail: return text_id("Steel rail");
        case kKindClearChute: return text_id("Clear chute");
        case kKindTurnaround: return text_id("Turnaround");
        case kKindFunnel: return text_id("Funnel");
        case kKindChime: return text_id("Chime");
        case kKindWoodBlock: return text_id("Wood block");
        case kKindPinCluster: return text_id("Pin cluster");
        default: return text_id("Marble");
    }
}

float chime_length(int32_t note) {
    return static_cast<float>(95 - 8 * clampi(note, 0, kNoteCount - 1));
}

int32_t angle_normalize(int32_t a) {
    const int32_t r = a % 360;
    return r < 0 ? r + 360 : r;
}
