// Internal to the graphics runtime library: the software rasteriser. Draws filled rectangles,
// anti-aliased lines, transformed sprites and glyph masks onto a canvas, each limited to an integer
// clip rectangle. Coordinates are canvas pixels with y down; pixel (x, y) has its centre at
// (x + 0.5, y + 0.5). Colours are premultiplied pixels (pixel.hpp).
#pragma once

#include <cstdint>

#include "canvas.hpp"

namespace tessel::gfxrt {

/** A half-open integer rectangle [x0, x1) x [y0, y1). */
struct ClipRect {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;

    bool empty() const { return x0 >= x1 || y0 >= y1; }
    /** The part of this rectangle inside other. */
    ClipRect intersect(const ClipRect& other) const;
    /** The rectangle x, y, w, h with its edges rounded to the nearest pixel edge; empty when any value
     *  is not finite or the size is not positive. */
    static ClipRect from_floats(float x, float y, float w, float h);
    /** The whole canvas. */
    static ClipRect of(const Canvas& canvas) { return {0, 0, canvas.width, canvas.height}; }
};

/** Stroke width of lines, in pixels. */
inline constexpr float line_width = 2.0f;

/** Fills the rectangle x, y, w, h; partly covered edge pixels are blended by their coverage. Nothing
 *  is drawn for a non-finite value or a size that is not positive. */
void fill_rect(Canvas& canvas, const ClipRect& clip, float x, float y, float w, float h, uint32_t color);

/** Draws the segment (x1, y1)-(x2, y2), line_width wide with round caps and anti-aliased edges. */
void draw_line(Canvas& canvas, const ClipRect& clip, float x1, float y1, float x2, float y2, uint32_t color);

/** A rasterised image: premultiplied pixels, width x height, rows without padding. */
struct ImageView {
    int32_t width = 0;
    int32_t height = 0;
    const uint32_t* pixels = nullptr;
};

/** One sprite instance as the command stream describes it (all values finite). */
struct SpriteDraw {
    float dest_x, dest_y, dest_w, dest_h;
    float src_x, src_y, src_w, src_h;  // src_w = src_h = 0: the whole image
    float origin_x, origin_y;          // pivot, relative to the destination's top-left corner
    float scale_x, scale_y;
    float rotation_deg;                // clockwise on screen
    uint32_t tint;                     // 0xRRGGBBAA
};

/** Draws the source rectangle of image stretched to the destination, scaled and turned about the
 *  pivot, multiplied by the tint, with bilinear sampling (texels outside the source rectangle count as
 *  transparent, which smooths the edges). */
void draw_sprite(Canvas& canvas, const ClipRect& clip, const ImageView& image, const SpriteDraw& draw);

/** Blends color through an 8-bit coverage mask whose top-left pixel lands on (x, y). */
void draw_mask(Canvas& canvas, const ClipRect& clip, int32_t x, int32_t y, const uint8_t* mask, int32_t w, int32_t h,
               int32_t pitch, uint32_t color);

}  // namespace tessel::gfxrt
