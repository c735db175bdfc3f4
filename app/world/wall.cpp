// The wall: its size, the placed parts and their poses, and the revision that tells the collision
// cache when to rebuild.
#include <cmath>

#include "app/world/world.hpp"

namespace {

void bump_revision() { app_wall_revision = wrap_add(app_wall_revision, 1); }

}  // namespace

int32_t piece_valid(int32_t slot) {
    return slot >= 0 && slot < kPieceCapacity && app_wall_pieces_active[slot] != 0 ? 1 : 0;
}

WallPoint wall_clamp_piece_point(float x, float y) {
    return {clampf(x, 20.0f, app_wall_width - 20.0f), clampf(y, 30.0f, app_wall_height - 100.0f)};
}

void wall_clear_pieces() {
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        app_wall_pieces_active[i] = 0;
        app_wall_pieces_held[i] = 0;
    }
    bump_revision();
}

int32_t wall_set_size(int32_t width_step, int32_t height_step) {
    const int32_t ws = clampi(width_step, 0, kWallStepMax);
    const int32_t hs = clampi(height_step, 0, kWallStepMax);
    const int32_t changed =
        ws != app_wall_width_step || hs != app_wall_height_step || app_wall_width < 1.0f ? 1 : 0;
    app_wall_width_step = ws;
    app_wall_height_step = hs;
    app_wall_width = kWallBaseWidth + kWallWidthPerStep * static_cast<float>(ws);
    app_wall_height = kWallBaseHeight + kWallHeightPerStep * static_cast<float>(hs);
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        if (app_wall_pieces_active[i] == 0) continue;
        const WallPoint p = wall_clamp_piece_point(app_wall_pieces_x[i], app_wall_pieces_y[i]);
        app_wall_pieces_x[i] = p.x;
        app_wall_pieces_y[i] = p.y;
    }
    hopper_move(app_wall_hopper_x, app_wall_hopper_y);
    bump_revision();
    return changed;
}

int32_t wall_add_piece(int32_t kind, float x, float y, int32_t angle, int32_t flipped, int32_t note) {
    for (int32_t i = 0; i < kPieceCapacity; ++i) {
        if (app_wall_pieces_active[i] != 0) continue;
        const WallPoint p = wall_clamp_piece_point(x, y);
        app_wall_pieces_active[i] = 1;
        app_wall_pieces_kind[i] = clampi(kind, 0, kKindCount - 1);
        app_wall_pieces_x[i] = p.x;
        app_wall_pieces_y[i] = p.y;
        app_wall_pieces_angle[i] = angle_normalize(angle);
        app_wall_pieces_flipped[i] = flipped;
        app_wall_pieces_note[i] = clampi(note, 0, kNoteCount - 1);
        app_wall_pieces_held[i] = 0;
        bump_revision();
        return i;
    }
    return -1;
}

void wall_remove_piece(int32_t slot) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    app_wall_pieces_active[slot] = 0;
    app_wall_pieces_held[slot] = 0;
    bump_revision();
}

void wall_move_piece(int32_t slot, float x, float y) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    const WallPoint p = wall_clamp_piece_point(x, y);
    app_wall_pieces_x[slot] = p.x;
    app_wall_pieces_y[slot] = p.y;
    // A held part is out of the collision world; its drop moves the revision instead.
    if (app_wall_pieces_held[slot] == 0) bump_revision();
}

void piece_set_angle(int32_t slot, int32_t angle) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    app_wall_pieces_angle[slot] = angle_normalize(angle);
    bump_revision();
}

void piece_set_held(int32_t slot, int32_t held) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    app_wall_pieces_held[slot] = held;
    bump_revision();
}

void piece_toggle_flip(int32_t slot) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    app_wall_pieces_flipped[slot] = app_wall_pieces_flipped[slot] == 0 ? 1 : 0;
    bump_revision();
}

void piece_cycle_note(int32_t slot) {
    if (slot < 0 || slot >= kPieceCapacity) return;
    // mod_floor keeps a note restored out of range inside 0..5.
    app_wall_pieces_note[slot] = mod_floor(wrap_add(app_wall_pieces_note[slot], 1), kNoteCount);
    bump_revision();
}

PiecePose piece_pose(int32_t slot) {
    if (slot < 0 || slot >= kPieceCapacity) return {0.0f, 0.0f, 1.0f, 0.0f, 0};
    const float a = static_cast<float>(app_wall_pieces_angle[slot]) * kDegToRad;
    return {app_wall_pieces_x[slot], app_wall_pieces_y[slot], std::cos(a), std::sin(a),
            app_wall_pieces_flipped[slot] != 0 ? 1 : 0};
}

WallPoint pose_to_wall(const PiecePose& pose, float lx, float ly) {
    const float fx = pose.flipped != 0 ? -lx : lx;
    return {pose.x + fx * pose.cos - ly * pose.sin, pose.y + fx * pose.sin + ly * pose.cos};
}

WallPoint piece_local_to_wall(int32_t slot, float lx, float ly) { return pose_to_wall(piece_pose(slot), lx, ly); }

WallPoint piece_wall_to_local(int32_t slot, float wx, float wy) {
    const PiecePose pose = piece_pose(slot);
    const float dx = wx - pose.x;
    const float dy = wy - pose.y;
    const float lx = dx * pose.cos + dy * pose.sin;
    return {pose.flipped != 0 ? -lx : lx, -dx * pose.sin + dy * pose.cos};
}
