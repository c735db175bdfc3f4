// SDL's process-wide state.
#include "sdl_lifetime.hpp"

#include <SDL.h>

namespace tessel::gfxrt {

namespace {

struct SdlLifetime {
    ~SdlLifetime() { SDL_Quit(); }
};

}  // namespace

void hold_sdl_until_unload() {
    // Constructed on the first call, so destroyed after the objects whose constructors call it.
    static SdlLifetime lifetime;
}

}  // namespace tessel::gfxrt
