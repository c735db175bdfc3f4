// Sound and effects: marble sounds from contact events and the visual effects.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** Requests the sound files. */
void audio_request_assets();
/** Stops every playing voice. */
void audio_stop_all();
/** Plays this tick's events and drives the rolling loops. */
void audio_update();
/** One tick of the visual effects. */
void fx_update();
