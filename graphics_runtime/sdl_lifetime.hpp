// Internal to the graphics runtime library: SDL's process-wide state. The display and the audio
// output each start and stop their own SDL subsystem; what SDL keeps besides (hints, the desktop bus
// connection, the main thread's error text) is freed once, when the library is unloaded.
#pragma once

namespace tessel::gfxrt {

/** Makes SDL quit when the library is unloaded, after every object that called this first. */
void hold_sdl_until_unload();

}  // namespace tessel::gfxrt
