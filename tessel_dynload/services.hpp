// Host-facing operations of the runtime services: installing providers, the recording clock, output
// capture and the graphics runtime requests a host makes through the service binding. The C ABI of
// the services themselves is in include/tessel/services.h.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "tessel/export.h"
#include "tessel/services.h"
#include "tessel_dynload/result.hpp"

namespace tessel {

/** Installs (or, with none, removes) the process-wide audio host table; audio services consult it
 *  before the graphics runtime library. A call in progress keeps the table it read. */
TESSEL_EXPORT void install_audio_host_api(std::optional<TesselAudioHostApi> table);

/** A copy of the installed audio host table, or none. */
TESSEL_EXPORT std::optional<TesselAudioHostApi> current_audio_host_api();

/** Sets (or, with none, clears) this thread's embedded graphics host. */
TESSEL_EXPORT void set_embedded_graphics_host(std::optional<TesselEmbeddedGraphicsHost> host);

/** True when this thread's embedded graphics host is present (its load_sprite entry is set). */
TESSEL_EXPORT bool embedded_graphics_host_is_set();

/** Runs the time services on a recording clock: frame / fps instead of the wall clock. fps 0 turns
 *  the clock off. Set between frames. */
TESSEL_EXPORT void set_recording_clock(uint32_t fps, uint64_t frame);
TESSEL_EXPORT void set_recording_clock_frame(uint64_t frame);
TESSEL_EXPORT void clear_recording_clock();

/** true: the print services append to an empty capture buffer instead of writing to standard output;
 *  false: they write to standard output again and the buffer is dropped. */
TESSEL_EXPORT void set_jit_output_capture(bool enabled);

/** The captured text, leaving an empty buffer; empty when not capturing. */
TESSEL_EXPORT std::string drain_jit_output();

/** Asks the graphics runtime to write a screenshot to path. Errors: the binding's error; "the loaded
 *  graphics runtime does not support dynamic screenshots"; "screenshot path contains an interior NUL
 *  byte"; "graphics runtime rejected the screenshot path". */
TESSEL_EXPORT Status schedule_runtime_screenshot(std::string_view path);

/** Asks the graphics runtime to focus the game window; whether it now has focus. Errors: the binding's
 *  error; "the loaded graphics runtime does not support game-window focus requests"; "graphics runtime
 *  rejected the game-window focus request". */
TESSEL_EXPORT Result<bool> focus_runtime_game_window();

}  // namespace tessel
