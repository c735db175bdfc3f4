// The collision cache: the frame and every placed part as capsule segments in wall coordinates,
// grouped per part with a bounding box, rebuilt only when the wall's revision moved.
#include <cmath>

#include "app/world/world.hpp"

namespace {

// The frame segments are radius 8; the side frames reach 600 above the wall so that nothing escapes
// over them, and the tray stops short of the right frame to leave the drain gap.
constexpr float kFrameRadius = 8.0f;
constexpr float kFrameTop = -600.0f;
constexpr float kBoxStart = 1000000.0f;

// min and max keep the first argument on ties.
float min_first(float a, float b) { return b < a ? b : a; }
float max_first(float a, float b) { return b > a ? b : a; }

// A cache restored from arbitrary bytes can hold counts and boxes that point outside the segment
// list; the simulation trusts the cache only when this holds.
bool cache_consistent() {
    const int32_t segs = app_cache_seg_count;
    if (segs <= 0 || segs > kCacheSegCapacity) return false;
    if (app_cache_fixed_count < 0 || app_cache_fixed_count > segs) return false;
    const int32_t boxes = app_cache_active_box_count;
    if (boxes < 0 || boxes > kCacheBoxCapacity) return false;
    for (int32_t b = 0; b < boxes; ++b) {
        const int32_t first = app_cache_boxes_first[b];
        const int32_t count = app_cache_boxes_count[b];
        if (count <= 0) continue;  // never tested
        if (first < 0 || first > segs || count > segs - first) return false;
    }
    return true;
}

}  // namespace

void cache_ensure() {
    if (app_cache_wall_revision != app_wall_revision || !cache_consistent()) cache_rebuild();
}

void cache_add_seg(int32_t surface, int32_t owner, float x1, float y1, float x2, float y2, float r) {
    const int32_t i = app_cache_seg_count;
    if (i < 0 || i >= kCacheSegCapacity) return;
    app_cache_segs_x1[i] = x1;
    app_cache_segs_y1[i] = y1;
    app_cache_segs_x2[i] = x2;
    app_cache_segs_y2[i] = y2;
    app_cache_segs_r[i] = r;
    app_cache_segs_surface[i] = surface;
    app_cache_segs_owner[i] = owner;
    app_cache_seg_count = i + 1;
}

void cache_add_piece(int32_t slot) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    const int32_t kind = app_wall_pieces_kind[slot];
    if (kind < 0 || kind >= kKindCount) return;  // a kind the catalog does not know has no shape
    const int32_t box = app_cache_active_box_count;
    if (box < 0 || box >= kCacheBoxCapacity) return;

    const int32_t first = app_cache_seg_count;
    const float scale = kind == kKindChime ? chime_length(app_wall_pieces_note[slot]) / 80.0f : 1.0f;
    float min_x = kBoxStart, min_y = kBoxStart, max_x = -kBoxStart, max_y = -kBoxStart;
    const int32_t n = catalog_seg_count(kind);
    const int32_t surface = app_catalog_kinds_surface[kind];
    const PiecePose pose = piece_pose(slot);
    for (int32_t k = 0; k < n; ++k) {
        const int32_t c = kind * kKindSegCapacity + k;
        const float r = app_catalog_segs_r[c];
        const WallPoint a = pose_to_wall(pose, scale * app_catalog_segs_x1[c], app_catalog_segs_y1[c]);
        const WallPoint b = pose_to_wall(pose, scale * app_catalog_segs_x2[c], app_catalog_segs_y2[c]);
        cache_add_seg(surface, slot, a.x, a.y, b.x, b.y, r);
        min_x = min_first(min_x, min_first(a.x, b.x) - r);
        min_y = min_first(min_y, min_first(a.y, b.y) - r);
        max_x = max_first(max_x, max_first(a.x, b.x) + r);
        max_y = max_first(max_y, max_first(a.y, b.y) + r);
    }
    app_cache_boxes_first[box] = first;
    app_cache_boxes_count[box] = app_cache_seg_count - first;
    app_cache_boxes_min_x[box] = min_x;
    app_cache_boxes_min_y[box] = min_y;
    app_cache_boxes_max_x[box] = max_x;
    app_cache_boxes_max_y[box] = max_y;
    app_cache_active_box_count = box + 1;
}

void cache_rebuild() {
    if (app_catalog_ready == 0) catalog_build();
    app_cache_seg_count = 0;
    app_cache_active_box_count = 0;

    const float w = app_wall_width;
    const float h = app_wall_height;
    cache_add_seg(kSurfaceFrame, kOwnerLeftFrame, -8.0f, kFrameTop, -8.0f, h, kFrameRadius);
    cache_add_seg(kSurfaceFrame, kOwnerRightFrame, w + 8.0f, kFrameTop, w + 8.0f, h + 60.0f, kFrameRadius);
    cache_add_seg(kSurfaceTray, kOwnerTray, 0.0f, h - 52.0f, 0.9375f * w, h - 16.0f, kFrameRadius);
    app_cache_fixed_count = app_cache_seg_count;

    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        if (app_wall_pieces_active[i] != 0 && app_wall_pieces_held[i] == 0) cache_add_piece(i);
    }
    app_cache_wall_revision = app_wall_revision;
}
