// A command-stream frame with one record of every kind, shared by the consumers' tests.
#pragma once

#include "app/gfx/gfx.hpp"
#include "app/state/state.hpp"

namespace tessel::testing {

inline GfxSpriteFloats sprite_floats() { return {10, 20, 32, 48, 0, 0, 0, 0, 16, 24, 1, 1, 0}; }

/** Clear, line, rect, push, a batch of two under clip 0, pop, text, a batch of one: seven order
 *  entries, complete. */
inline void draw_sample_frame() {
    gfx_begin_frame();
    gfx_clear(0.1f, 0.2f, 0.3f, 1.0f);
    gfx_line(1, 2, 3, 4, 1, 0, 0, 1);
    gfx_rect(5, 6, 7, 8, 0, 1, 0, 1);
    gfx_push_clip(0, 0, 200, 100);
    const int32_t token = gfx_sprite_begin(2, 0, 0, 0, 0, 0, 0);
    gfx_sprite_add(token, 11, -1, 0, sprite_floats());
    gfx_sprite_add(token, 12, -1, 0, sprite_floats());
    gfx_sprite_commit(token, 2);
    gfx_pop_clip();
    gfx_text(3, text_id("Marble"), 9, 9, 1, 1, 1, 1);
    gfx_draw_sprite(13, -1, sprite_floats());
    gfx_end_frame(0);
}

}  // namespace tessel::testing
