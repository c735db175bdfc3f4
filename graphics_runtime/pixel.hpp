// Internal to the graphics runtime library: pixel arithmetic of the software rasteriser.
//
// Every image of the library (the frame canvas, rasterised sprites) holds premultiplied RGBA, 8 bits
// per channel, in memory order R, G, B, A; as a little-endian uint32 that is 0xAABBGGRR. Two channels
// are processed at once in the 0x00FF00FF lanes of a word.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

/** Per-pixel functions must be inlined into the rasteriser's loops. */
#define TESSEL_GFX_PIXEL_INLINE inline __attribute__((always_inline))

namespace tessel::gfxrt {

inline constexpr uint32_t lane_mask = 0x00FF00FFu;

/** A float colour channel (0..1, NaN as 0) as 0..255. */
inline uint32_t channel_to_byte(float v) {
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 255;
    return static_cast<uint32_t>(v * 255.0f + 0.5f);
}

/** Packs a straight-alpha colour (0..1 floats) as a premultiplied pixel. */
inline uint32_t premultiplied(float r, float g, float b, float a) {
    const uint32_t a8 = channel_to_byte(a);
    const auto mul = [a8](float c) { return (channel_to_byte(c) * a8 + 127) / 255; };
    return mul(r) | (mul(g) << 8) | (mul(b) << 16) | (a8 << 24);
}

/** Scales every channel of a pixel by m / 256, m in 0..256. */
TESSEL_GFX_PIXEL_INLINE uint32_t scale_pixel(uint32_t p, uint32_t m) {
    const uint32_t rb = (((p & lane_mask) * m) >> 8) & lane_mask;
    const uint32_t ga = (((p >> 8) & lane_mask) * m) & ~lane_mask;
    return rb | ga;
}

/** Scales each channel of a pixel by its own factor (0..256 each). */
TESSEL_GFX_PIXEL_INLINE uint32_t scale_channels(uint32_t p, uint32_t mr, uint32_t mg, uint32_t mb, uint32_t ma) {
    return (((p & 0xFFu) * mr) >> 8) | (((((p >> 8) & 0xFFu) * mg) >> 8) << 8) |
           (((((p >> 16) & 0xFFu) * mb) >> 8) << 16) | (((((p >> 24) & 0xFFu) * ma) >> 8) << 24);
}

/** Source-over of a premultiplied source onto a premultiplied destination, rounding like x / 255. */
TESSEL_GFX_PIXEL_INLINE uint32_t blend_over(uint32_t dst, uint32_t src) {
    const uint32_t inv = 255u - (src >> 24);
    uint32_t rb = (dst & lane_mask) * inv + 0x00800080u;
    rb = ((rb + ((rb >> 8) & lane_mask)) >> 8) & lane_mask;
    uint32_t ga = ((dst >> 8) & lane_mask) * inv + 0x00800080u;
    ga = (ga + ((ga >> 8) & lane_mask)) & ~lane_mask;
    return src + rb + ga;
}

/** Linear interpolation of two pixels, f in 0..256 toward b. */
TESSEL_GFX_PIXEL_INLINE uint32_t lerp_pixel(uint32_t a, uint32_t b, uint32_t f) {
    const uint32_t g = 256 - f;
    const uint32_t rb = (((a & lane_mask) * g + (b & lane_mask) * f) >> 8) & lane_mask;
    const uint32_t ga = (((a >> 8) & lane_mask) * g + ((b >> 8) & lane_mask) * f) & ~lane_mask;
    return rb | ga;
}

/** Coverage 0..1 as a 0..256 scale. */
inline uint32_t coverage_scale(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 256;
    return static_cast<uint32_t>(c * 256.0f + 0.5f);
}

}  // namespace tessel::gfxrt
