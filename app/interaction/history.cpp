// The undo history: whole copies of the wall's part slots, hopper position and size steps in fixed
// state arrays, newest last.
//
// The count is ordinary module state that a host may restore or rewrite, so it is brought into
// 0..16 before it becomes an entry index.
#include <cstdint>
#include <iterator>

#include "app/interaction/interaction.hpp"
#include "app/world/world.hpp"

namespace {

constexpr int32_t kSlots = kPieceCapacity;

static_assert(std::size(app_history_pieces_active) == kHistoryDepth * kSlots);
static_assert(std::size(app_history_metas_width_step) == kHistoryDepth);

/** The eight parallel field arrays of 100 part records, in the wall or in one history entry. */
struct PieceRecords {
    float* x;
    float* y;
    int32_t* angle;
    int32_t* kind;
    int32_t* flipped;
    int32_t* note;
    int32_t* held;
    int32_t* active;
};

PieceRecords wall_records() {
    return {app_wall_pieces_x,       app_wall_pieces_y,    app_wall_pieces_angle, app_wall_pieces_kind,
            app_wall_pieces_flipped, app_wall_pieces_note, app_wall_pieces_held,  app_wall_pieces_active};
}

PieceRecords entry_records(int32_t entry) {
    const int32_t first = entry * kSlots;
    return {app_history_pieces_x + first,    app_history_pieces_y + first,       app_history_pieces_angle + first,
            app_history_pieces_kind + first, app_history_pieces_flipped + first, app_history_pieces_note + first,
            app_history_pieces_held + first, app_history_pieces_active + first};
}

/** Copies 100 records; the copy is always put down, so undo never brings back a lifted part. */
void copy_records(const PieceRecords& to, const PieceRecords& from) {
    for (int32_t i = 0; i < kSlots; ++i) {
        to.active[i] = from.active[i];
        to.kind[i] = from.kind[i];
        to.x[i] = from.x[i];
        to.y[i] = from.y[i];
        to.angle[i] = from.angle[i];
        to.flipped[i] = from.flipped[i];
        to.note[i] = from.note[i];
        to.held[i] = 0;
    }
}

void copy_entry(int32_t to, int32_t from) {
    copy_records(entry_records(to), entry_records(from));
    app_history_metas_hopper_x[to] = app_history_metas_hopper_x[from];
    app_history_metas_hopper_y[to] = app_history_metas_hopper_y[from];
    app_history_metas_width_step[to] = app_history_metas_width_step[from];
    app_history_metas_height_step[to] = app_history_metas_height_step[from];
}

int32_t held_count() { return clampi(app_history_count, 0, kHistoryDepth); }

}  // namespace

void history_push() {
    int32_t count = held_count();
    if (count > kHistoryDepth - 1) {
        for (int32_t e = 1; e < kHistoryDepth; ++e) copy_entry(e - 1, e);
        count = kHistoryDepth - 1;
    }
    copy_records(entry_records(count), wall_records());
    app_history_metas_hopper_x[count] = app_wall_hopper_x;
    app_history_metas_hopper_y[count] = app_wall_hopper_y;
    app_history_metas_width_step[count] = app_wall_width_step;
    app_history_metas_height_step[count] = app_wall_height_step;
    app_history_count = count + 1;
}

void history_drop() {
    const int32_t count = held_count();
    if (count > 0) app_history_count = count - 1;
}

int32_t history_undo() {
    const int32_t count = held_count();
    if (count < 1) return 0;
    const int32_t e = count - 1;
    wall_set_size(app_history_metas_width_step[e], app_history_metas_height_step[e]);
    copy_records(wall_records(), entry_records(e));
    // The stored position was inside the stored size, so it is not clamped again.
    app_wall_hopper_x = app_history_metas_hopper_x[e];
    app_wall_hopper_y = app_history_metas_hopper_y[e];
    app_history_count = e;
    app_wall_revision = wrap_add(app_wall_revision, 1);
    return 1;
}

int32_t history_can_undo() { return app_history_count > 0 ? 1 : 0; }
