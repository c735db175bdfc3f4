// Painting of the scene into the command stream.
#include "app/gfx/gfx.hpp"

int32_t paint_frame() {
    gfx_clear(0.863f, 0.827f, 0.769f, 1.0f);  // palette colour 5
    return 0;
}
