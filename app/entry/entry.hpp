// Module entry and host frame contract: the frame cycle of main, tick and render, the copy of the
// host's input arrays into app.frame, and the window requests written back to the host.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"
#include "tessel/host_frame.h"

inline constexpr int32_t kStartWindowWidth = 2000;
inline constexpr int32_t kStartWindowHeight = 900;
inline constexpr int32_t kMinWindowWidth = 650;

/** Brings the application to its first frame; 0. */
int32_t app_main();
/** One fixed step: 0 to go on, 1 when the host asked to quit (everything is then saved). */
int32_t app_tick();
/** Writes one frame of the command stream; the result of gfx_end_frame. */
int32_t app_render();
/** Sets the whole application to its start-up state. */
void app_init();

/** Copies host_i32 and host_f32 into app.frame (pointer count clamped to 0..8, booleans to 0 or 1). */
void frame_read_host();
/** Requests the window be opened at width x height. */
void host_request_window(int32_t width, int32_t height);
/** Requests the window be resized to width x height. */
void host_request_resize(int32_t width, int32_t height);
/** Keeps the window 900 logical units high with the display's aspect ratio. */
void fit_window();
