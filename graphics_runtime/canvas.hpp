// Internal to the graphics runtime library: the RGBA image every frame is rendered into, in windowed
// and headless mode alike, and its writing to PNG and BMP files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessel::gfxrt {

/** Largest canvas side in pixels; larger window sizes are refused. */
inline constexpr int32_t max_canvas_side = 16384;

/** A premultiplied RGBA image (see pixel.hpp), rows top to bottom without padding. */
struct Canvas {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;

    /** Resizes to width x height (each 1..max_canvas_side) filled with opaque black; false if refused. */
    bool resize(int32_t w, int32_t h);
    /** Fills every pixel. */
    void fill(uint32_t pixel);
    uint32_t* row(int32_t y) { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
    const uint32_t* row(int32_t y) const { return pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(width); }
};

/** The image as straight-alpha RGBA bytes (R, G, B, A per pixel), as image files hold them. */
std::vector<uint8_t> straight_rgba(const Canvas& canvas);

/** Writes the image as an RGBA PNG file; false on failure. */
bool write_png(const Canvas& canvas, const std::string& path);

/** Writes the image as a 24-bit BMP file (colour only); false on failure. */
bool write_bmp(const Canvas& canvas, const std::string& path);

}  // namespace tessel::gfxrt
