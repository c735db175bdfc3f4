// Contact events: the one per-tick list through which the world, the editor and the interface tell
// the sounds and effects what was struck, where and how hard.
#include "app/world/world.hpp"

void events_clear() {
    app_events_count = 0;
    app_events_dropped = 0;
}

void events_push(int32_t sound, int32_t marble_kind, int32_t other_kind, float strength, float x, float y,
                 int32_t delay, int32_t piece) {
    int32_t i = app_events_count;
    if (i < 0) i = 0;  // a count restored below zero starts the list afresh
    if (i >= kEventCapacity) {
        app_events_dropped = wrap_add(app_events_dropped, 1);
        return;
    }
    app_events_items_sound[i] = sound;
    app_events_items_marble_kind[i] = marble_kind;
    app_events_items_other_kind[i] = other_kind;
    app_events_items_strength[i] = strength;
    app_events_items_x[i] = x;
    app_events_items_y[i] = y;
    app_events_items_delay[i] = delay;
    app_events_items_piece[i] = piece;
    app_events_items_note[i] = piece >= 0 && piece < kPieceCapacity ? app_wall_pieces_note[piece] : 0;
    app_events_count = i + 1;
}

void ui_event_sound(float strength, float x, float y, int32_t sound) {
    events_push(sound, 0, -1, strength, x, y, 0, -1);
}
