// Presentation: the writer of the graphics command stream and the painting of the scene.
//
// Every drawing operation either writes a whole record and its order entry or writes nothing and
// counts a drop in the frame header; no writer fails loudly.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"
#include "tessel/command_stream.h"

/** The 13 floats of a sprite instance, in record order. */
struct GfxSpriteFloats {
    float dst_x, dst_y, dst_w, dst_h;
    float src_x, src_y, src_w, src_h;  // source 0 x 0 means the whole sprite
    float origin_x, origin_y;          // pivot, relative to the destination's top-left corner
    float scale_x, scale_y;
    float rotation;  // degrees about the pivot
};

/** Starts a frame (resets it), or marks the frame invalid when one is already under construction. */
void gfx_begin_frame();
/** Completes the frame when it is valid, status is 0 and no sprite writer is open (returns 0);
 *  otherwise resets it and returns status. */
int32_t gfx_end_frame(int32_t status);
/** Sets the frame's clear colour (no order entry; the last call wins). */
void gfx_clear(float r, float g, float b, float a);
/** Draws a line from x1, y1 to x2, y2; counted in header word 5 when the shape pool or order list is full. */
void gfx_line(float x1, float y1, float x2, float y2, float r, float g, float b, float a);
/** Fills an axis-aligned rectangle; counted in header word 25 when the shape pool or order list is full. */
void gfx_rect(float x, float y, float w, float h, float r, float g, float b, float a);
/** Draws the text of a text id (a literal or a registered text buffer, at most 1024 bytes) with its line
 *  box's top-left corner at x, y; counted in header word 8 when the texts, their bytes or the order list
 *  are full. */
void gfx_text(int32_t font, int32_t text, float x, float y, float r, float g, float b, float a);
/** Limits later drawing to a rectangle until the matching gfx_pop_clip; 256 pushes per frame at most. */
void gfx_push_clip(float x, float y, float w, float h);
/** Ends the innermost clip rectangle. */
void gfx_pop_clip();
/** Opens a sprite writer reserving capacity instances; its token, or 0 when refused. */
int32_t gfx_sprite_begin(int32_t capacity, int32_t clip, int32_t material, int32_t blend, int32_t filter,
                         int32_t pass, int32_t flags);
/** Adds one instance to the open writer; 1 written, 0 refused (no room, a handle of 0, a reserved word
 *  other than 0, an empty destination, a negative or half-empty source, a zero scale, a non-finite float). */
int32_t gfx_sprite_add(int32_t token, int32_t sprite, int32_t tint, int32_t reserved, const GfxSpriteFloats& f);
/** Turns the first count written instances into one batch and closes the writer; 1 done, 0 refused. */
int32_t gfx_sprite_commit(int32_t token, int32_t count);
/** Closes the open writer without drawing; 1 if token was the open writer's. */
int32_t gfx_sprite_cancel(int32_t token);
/** Draws one sprite as its own batch; skipped silently when refused (e.g. a handle still 0). */
void gfx_draw_sprite(int32_t sprite, int32_t tint, const GfxSpriteFloats& f);

/** Paints the whole frame: the scene and the interface. Always 0. */
int32_t paint_frame();
