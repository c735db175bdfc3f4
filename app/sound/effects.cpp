// Visual effects: chime swing, hopper bump and the ring of shown world states.
#include <algorithm>

#include "app/sound/sound.hpp"
#include "app/world/world.hpp"

namespace {

constexpr int32_t kChimeSurface = 4;
constexpr float kWobbleStiffness = 0.07f;
constexpr float kWobbleDamping = 0.95f;
constexpr float kBumpDecay = 0.8f;

// A chime struck at 1040 units/s or harder swings at 4 degrees per tick; the softest touch at 0.2.
void kick_struck_chimes() {
    const int32_t count = clampi(app_events_count, 0, kEventCapacity);
    for (int32_t e = 0; e < count; ++e) {
        const int32_t piece = app_events_items_piece[e];
        if (app_events_items_sound[e] != kChimeSurface || piece < 0 || piece >= kShownPieces) continue;
        app_fx_wobble_v[piece] += clampf(app_events_items_strength[e] / 260.0f, 0.2f, 4.0f);
    }
}

void swing_all() {
    for (int32_t slot = 0; slot < kShownPieces; ++slot) {
        app_fx_wobble_v[slot] = (app_fx_wobble_v[slot] - app_fx_wobble[slot] * kWobbleStiffness) * kWobbleDamping;
        app_fx_wobble[slot] = clampf(app_fx_wobble[slot] + app_fx_wobble_v[slot], -kWobbleLimit, kWobbleLimit);
    }
}

void record_shown_state() {
    const int32_t head = mod_floor(wrap_add(mod_floor(app_fx_shown_head, kShownRingSize), 1), kShownRingSize);
    app_fx_shown_head = head;
    app_fx_shown_count = std::min(clampi(app_fx_shown_count, 0, kShownRingSize) + 1, kShownRingSize);
    const int32_t base = head * kShownMarbles;
    for (int32_t i = 0; i < kShownMarbles; ++i) {
        app_fx_shown_marbles_active[base + i] = app_sim_marbles_active[i];
        app_fx_shown_marbles_kind[base + i] = app_sim_marbles_kind[i];
        app_fx_shown_marbles_tint[base + i] = app_sim_marbles_tint[i];
        app_fx_shown_marbles_x[base + i] = app_sim_marbles_x[i];
        app_fx_shown_marbles_y[base + i] = app_sim_marbles_y[i];
        app_fx_shown_marbles_angle[base + i] = app_sim_marbles_angle[i];
        app_fx_shown_marbles_radius[base + i] = app_sim_marbles_radius[i];
        app_fx_shown_marbles_fade[base + i] = app_sim_marbles_fade[i];
    }
    std::copy_n(app_fx_wobble, kShownPieces, app_fx_shown_wobble + head * kShownPieces);
    app_fx_shown_bump[head] = app_fx_hopper_bump;
}

}  // namespace

void fx_update() {
    kick_struck_chimes();
    swing_all();
    app_fx_hopper_bump *= kBumpDecay;
    record_shown_state();
}

int32_t fx_shown_slot() {
    // Counter and head may hold anything after a restore.
    const int32_t count = clampi(app_fx_shown_count, 0, kShownRingSize);
    if (count == 0) return -1;
    const int32_t delay = clampi(app_settings_sound_on != 0 ? 1 : 0, 0, count - 1);
    return mod_floor(mod_floor(app_fx_shown_head, kShownRingSize) + kShownRingSize - delay, kShownRingSize);
}
