// The host's frame loop: input, tick, window requests, render, submission and pacing at 60 Hz.
#pragma once

#include <atomic>

#include "host/module_library.hpp"
#include "host/options.hpp"
#include "tessel_dynload/graphics_api.hpp"

namespace host {

/** Set from a signal handler: the next frame asks the module to quit (it then saves everything). */
extern std::atomic<bool> quit_signal;

/** Runs main, then frames until the module quits or the frame budget is spent. 0 on a clean quit. */
int run_frames(const tessel::TesselGraphicsApi& gfx, const ModuleLibrary& module, const Options& options);

}  // namespace host
