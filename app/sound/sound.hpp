// Sound and effects: marble sounds from contact events and the visual effects.
#pragma once

#include <cstdint>
#include <iterator>

#include "app/state/state.hpp"

/** Requests the sound files. */
void audio_request_assets();
/** Stops every playing voice. */
void audio_stop_all();
/** Plays this tick's events and drives the rolling loops. */
void audio_update();
/** One tick of the visual effects, after the simulation: chimes struck this tick are kicked, every
 *  swing springs back and is damped, the hopper bump decays, and the ring takes this tick's marbles,
 *  swings and bump. */
void fx_update();

// ---------------------------------------------------------------------------------------------------
// Visual effects (app.fx): chime swing, hopper bump and the ring of recently shown world states.

/** Slots of the ring of shown states: the last 8 ticks. */
inline constexpr int32_t kShownRingSize = 8;
/** Marble records per ring slot. */
inline constexpr int32_t kShownMarbles = 24;
/** Wobble values per ring slot, one per piece slot. */
inline constexpr int32_t kShownPieces = 100;
static_assert(std::size(app_fx_shown_marbles_x) == kShownRingSize * kShownMarbles);
static_assert(std::size(app_fx_shown_wobble) == kShownRingSize * kShownPieces);
static_assert(std::size(app_fx_shown_bump) == kShownRingSize);
static_assert(std::size(app_fx_wobble) == kShownPieces);
static_assert(std::size(app_sim_marbles_x) == kShownMarbles);

/** Largest swing of a chime either way, degrees. */
inline constexpr float kWobbleLimit = 12.0f;

/** The ring slot drawing should use, or -1 for the live state: -1 while the ring is empty; otherwise
 *  the slot written last (sound off) or the one before it (sound on, so the picture follows the
 *  sound's one-tick delay), never older than the ring holds. */
int32_t fx_shown_slot();
