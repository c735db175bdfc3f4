// The hopper: its position, its drip rhythm and the marbles it (or a tap on the wall) makes.
#include <cmath>

#include "app/world/world.hpp"

// Material from the marble mode (1 glass, 2 steel, 3 clay; 0 mixed by sequence), colour by sequence.
MarbleLook marble_look(int32_t sequence) {
    int32_t kind = kMarbleGlass;
    switch (app_settings_marble_mode) {
        case 1: kind = kMarbleGlass; break;
        case 2: kind = kMarbleSteel; break;
        case 3: kind = kMarbleClay; break;
        default: {
            const int32_t r = mod_floor(sequence, 7);
            kind = r == 2 ? kMarbleSteel : r == 5 ? kMarbleClay : kMarbleGlass;
            break;
        }
    }
    const int32_t tint = mod_floor(sequence, kind == kMarbleClay ? 3 : 6);
    return {kind, tint};
}

void hopper_move(float x, float y) {
    app_wall_hopper_x = clampf(x, 50.0f, app_wall_width - 50.0f);
    app_wall_hopper_y = clampf(y, 50.0f, app_wall_height - 240.0f);
}

int32_t hopper_hit(float wx, float wy) {
    return std::fabs(wx - app_wall_hopper_x) <= kHopperHitHalfW &&
                   std::fabs(wy - app_wall_hopper_y) <= kHopperHitHalfH
               ? 1
               : 0;
}

void hopper_update() {
    if (app_wall_hopper_dripping == 0 || app_wall_hopper_held != 0) return;
    app_wall_hopper_timer = wrap_add(app_wall_hopper_timer, 1);
    if (app_wall_hopper_timer < app_wall_hopper_interval) return;
    // Full enough: the timer stays due, so a drop is tried every tick until a marble leaves.
    if (sim_live_count() >= kHopperLiveLimit) return;
    app_wall_hopper_timer = 0;
    hopper_drop();
}

int32_t hopper_drop() {
    const int32_t s = app_wall_hopper_sequence;
    const MarbleLook look = marble_look(s);
    // Offsets cycle through -6..+6 so that marbles do not stack exactly.
    const float offset = static_cast<float>(mod_floor(wrap_mul(s, 7), 11) - 5) * 1.2f;
    const int32_t slot = sim_spawn_marble(look.kind, look.tint, app_wall_hopper_x + offset,
                                          app_wall_hopper_y + 58.0f, 0.0f, 40.0f);
    if (slot < 0) return -1;
    app_wall_hopper_sequence = wrap_add(s, 1);
    events_push(kSoundHopper, look.kind, -1, 180.0f, app_wall_hopper_x, app_wall_hopper_y, 0, -1);
    app_fx_hopper_bump = 1.0f;
    return slot;
}

int32_t place_marble_at(float wx, float wy) {
    if (wx < 20.0f || wx > app_wall_width - 20.0f || wy < 0.0f || wy > app_wall_height - 82.0f) return -1;
    // A NaN point passes the comparisons above; it is no place on the wall.
    if (std::isnan(wx) || std::isnan(wy)) return -1;
    const int32_t s = app_wall_hopper_sequence;
    const MarbleLook look = marble_look(s);
    const int32_t slot = sim_spawn_marble(look.kind, look.tint, wx, wy, 0.0f, 0.0f);
    if (slot >= 0) app_wall_hopper_sequence = wrap_add(s, 1);
    return slot;
}

void hopper_toggle_dripping() {
    app_wall_hopper_dripping = app_wall_hopper_dripping == 0 ? 1 : 0;
    app_wall_hopper_timer = wrap_add(app_wall_hopper_interval, -10);
}
