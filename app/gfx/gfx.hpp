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

// ---------------------------------------------------------------------------------------------------
// Drawing operations and palette (draw.cpp), used by the scene and the screens. All take logical
// window units unless they say wall units; alpha is 0..1 for shapes and 0..255 for sprites.

/** Colour of the palette: ten fixed colours 0..9; every other index gives the fallback colour. */
struct PaletteColor {
    float r, g, b;
};

/** Indices of the palette colours 0..9 and the fallback 10. */
inline constexpr int32_t kPaletteSize = 11;

/** The sprite sheets of app.res. */
enum SheetId : int32_t {
    kSheetDiscs = 0,    // cell i is a filled disc in palette colour i
    kSheetUiIcons = 1,  // 18 icons, row 1 holding each icon's alternate variant
};

/** Icons per row of the icon sheet: icon + this is the icon's alternate variant. */
inline constexpr int32_t kIconVariantOffset = 18;

/** Red, green, blue of a palette colour (the fallback colour for an index outside 0..9). */
PaletteColor palette_color(int32_t index);
/** Fills a rectangle in a palette colour; nothing when w <= 0 or h <= 0. */
void draw_palette_rect(float x, float y, float w, float h, int32_t index, float alpha);
/** Draws one cell of a sheet stretched over (x, y, w, h), turned by rotation degrees about the
 *  rectangle's centre. Nothing unless the sheet's handle and grid are all positive, w and h are
 *  positive and 0 <= cell < columns x rows; alpha is clamped to 0..255. */
void draw_sheet_cell(int32_t sheet, int32_t cell, int32_t alpha, float rotation, float x, float y, float w, float h);
/** An opaque disc of the disc sheet centred at (cx, cy). */
void draw_disc(int32_t cell, float cx, float cy, float diameter);
/** An icon of the icon sheet (icon + 18 for variant 1) in the square (x, y, size). */
void draw_icon(int32_t icon, int32_t variant, int32_t alpha, float x, float y, float size);
/** Sprite index (0..47) of app.res.sprites over (x, y, w, h), turned by rotation degrees about the
 *  rectangle's centre; nothing for an index outside the table or an empty rectangle. */
void draw_res_sprite(int32_t index, float rotation, int32_t alpha, float x, float y, float w, float h);
/** A sprite centred on the wall point (wx, wy), ww by wh wall units, scaled by app.layout.scale (1
 *  before the first layout, as the view maps points). */
void draw_world_sprite(int32_t index, float rotation, int32_t alpha, float wx, float wy, float ww, float wh);
/** A rectangle with round corners in a palette colour: corner discs and three rectangles. The radius
 *  is at most half the smaller side. */
void draw_rounded_box(int32_t color, float x, float y, float w, float h, float radius);
/** A raised panel: a rounded box in the shadow colour 3 units lower, then one in the face colour. */
void draw_panel(int32_t face, int32_t shadow, float x, float y, float w, float h, float radius);
