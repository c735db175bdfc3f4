// The software rasteriser.
//
// Sections: clip rectangles; spans of convex polygons; rectangles; lines; sprites; glyph masks.
#include "raster.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pixel.hpp"

namespace tessel::gfxrt {

namespace {

bool all_finite(std::initializer_list<float> values) {
    return std::all_of(values.begin(), values.end(), [](float v) { return std::isfinite(v); });
}

/** A float position as a pixel index, clamped to lo..hi first so that huge values stay in range. */
int32_t to_index(double v, int32_t lo, int32_t hi) { return static_cast<int32_t>(std::clamp(v, double(lo), double(hi))); }

/** Stores or blends one premultiplied pixel. */
TESSEL_GFX_PIXEL_INLINE void put(uint32_t& dst, uint32_t src) {
    if ((src >> 24) == 255) {
        dst = src;
    } else if (src != 0) {
        dst = blend_over(dst, src);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Clip rectangles

ClipRect ClipRect::intersect(const ClipRect& other) const {
    return {std::max(x0, other.x0), std::max(y0, other.y0), std::min(x1, other.x1), std::min(y1, other.y1)};
}

ClipRect ClipRect::from_floats(float x, float y, float w, float h) {
    if (!all_finite({x, y, w, h}) || !(w > 0.0f) || !(h > 0.0f)) return {};
    constexpr int32_t limit = 1 << 30;
    const auto edge = [](double v) { return to_index(std::floor(v + 0.5), -limit, limit); };
    return {edge(x), edge(y), edge(double(x) + w), edge(double(y) + h)};
}

// ---------------------------------------------------------------------------------------------
// Spans of convex polygons

namespace {

struct Point {
    double x, y;
};

/** The x extent of a convex polygon along the horizontal line at y; false when they do not meet. */
bool row_span(const Point* v, int n, double y, double& lo, double& hi) {
    lo = std::numeric_limits<double>::infinity();
    hi = -lo;
    for (int i = 0; i < n; ++i) {
        const Point& p = v[i];
        const Point& q = v[(i + 1) % n];
        if ((p.y > y && q.y > y) || (p.y < y && q.y < y)) continue;
        if (p.y == q.y) {
            lo = std::min({lo, p.x, q.x});
            hi = std::max({hi, p.x, q.x});
        } else {
            const double x = p.x + (y - p.y) * (q.x - p.x) / (q.y - p.y);
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
    }
    return lo <= hi;
}

/** Pixel rows (or columns) whose centres lie within [lo, hi], as a half-open range inside [a, b). */
void centre_range(double lo, double hi, int32_t a, int32_t b, int32_t& first, int32_t& end) {
    first = to_index(std::ceil(lo - 0.5), a, b);
    end = to_index(std::floor(hi - 0.5) + 1.0, a, b);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Rectangles

namespace {

/** Blends one translucent premultiplied colour over n pixels. */
void blend_span(uint32_t* row, int32_t n, uint32_t src) {
    int32_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_unpacklo_epi8(_mm_set1_epi32(static_cast<int>(src)), zero);
    const __m128i inverse = _mm_set1_epi16(static_cast<short>(255 - (src >> 24)));
    const __m128i half = _mm_set1_epi16(128);
    const auto blend = [&](__m128i d) {
        __m128i x = _mm_add_epi16(_mm_mullo_epi16(d, inverse), half);
        x = _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);  // x / 255, rounded
        return _mm_add_epi16(colour, x);
    };
    for (; i + 3 < n; i += 4) {
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i lo = blend(_mm_unpacklo_epi8(d, zero)), hi = blend(_mm_unpackhi_epi8(d, zero));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), _mm_packus_epi16(lo, hi));
    }
#endif
    for (; i < n; ++i) row[i] = blend_over(row[i], src);
}

}  // namespace

void fill_rect(Canvas& canvas, const ClipRect& clip, float x, float y, float w, float h, uint32_t color) {
    if (!all_finite({x, y, w, h}) || !(w > 0.0f) || !(h > 0.0f) || color == 0) return;
    const ClipRect area = clip.intersect(ClipRect::of(canvas));
    if (area.empty()) return;
    const double x0 = x, x1 = double(x) + w, y0 = y, y1 = double(y) + h;
    const int32_t px0 = to_index(std::floor(x0), area.x0, area.x1), px1 = to_index(std::ceil(x1), area.x0, area.x1);
    const int32_t py0 = to_index(std::floor(y0), area.y0, area.y1), py1 = to_index(std::ceil(y1), area.y0, area.y1);
    // Columns [full0, full1) are covered across their whole width.
    const int32_t full0 = to_index(std::ceil(x0), px0, px1);
    const int32_t full1 = std::max(full0, to_index(std::floor(x1), px0, px1));
    const auto coverage = [](double lo, double hi, int32_t p) {
        return static_cast<float>(std::min(double(p) + 1.0, hi) - std::max(double(p), lo));
    };
    for (int32_t py = py0; py < py1; ++py) {
        const float cy = coverage(y0, y1, py);
        const uint32_t my = coverage_scale(cy);
        if (my == 0) continue;
        uint32_t* row = canvas.row(py);
        const auto partial = [&](int32_t px) { put(row[px], scale_pixel(color, coverage_scale(cy * coverage(x0, x1, px)))); };
        for (int32_t px = px0; px < full0; ++px) partial(px);
        const uint32_t src = my == 256 ? color : scale_pixel(color, my);
        if ((src >> 24) == 255) {
            std::fill(row + full0, row + full1, src);
        } else if (src != 0) {
            blend_span(row + full0, full1 - full0, src);
        }
        for (int32_t px = full1; px < px1; ++px) partial(px);
    }
}

// ---------------------------------------------------------------------------------------------
// Lines

void draw_line(Canvas& canvas, const ClipRect& clip, float x1, float y1, float x2, float y2, uint32_t color) {
    if (!all_finite({x1, y1, x2, y2}) || color == 0) return;
    const ClipRect area = clip.intersect(ClipRect::of(canvas));
    if (area.empty()) return;
    const double reach = line_width * 0.5 + 0.5;  // coverage fades over the outer half pixel
    const double dx = double(x2) - x1, dy = double(y2) - y1;
    const double length = std::hypot(dx, dy);
    if (!std::isfinite(length)) return;
    const double ux = length > 1e-9 ? dx / length : 1.0, uy = length > 1e-9 ? dy / length : 0.0;
    const double nx = -uy * reach, ny = ux * reach;
    const double ex = ux * reach, ey = uy * reach;
    const Point quad[4] = {{x1 - ex + nx, y1 - ey + ny}, {x2 + ex + nx, y2 + ey + ny}, {x2 + ex - nx, y2 + ey - ny},
                           {x1 - ex - nx, y1 - ey - ny}};
    double top = quad[0].y, bottom = quad[0].y;
    for (const Point& p : quad) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    int32_t py0 = 0, py1 = 0;
    centre_range(top, bottom, area.y0, area.y1, py0, py1);
    for (int32_t py = py0; py < py1; ++py) {
        const double yc = py + 0.5;
        double lo = 0.0, hi = 0.0;
        if (!row_span(quad, 4, yc, lo, hi)) continue;
        int32_t px0 = 0, px1 = 0;
        centre_range(lo, hi, area.x0, area.x1, px0, px1);
        uint32_t* row = canvas.row(py);
        for (int32_t px = px0; px < px1; ++px) {
            const double rx = px + 0.5 - x1, ry = yc - y1;
            const double t = std::clamp(rx * ux + ry * uy, 0.0, length);
            const double distance = std::hypot(rx - ux * t, ry - uy * t);
            const uint32_t m = coverage_scale(static_cast<float>(reach - distance));
            if (m != 0) put(row[px], m == 256 ? color : scale_pixel(color, m));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Sprites

namespace {

/** The tint as per-channel scales 0..256: colour channels by tint colour times tint alpha. */
struct Tint {
    uint32_t r, g, b, a;
    bool white;
    bool identity;
#if defined(__SSE2__)
    __m128i lanes;
#endif

    explicit Tint(uint32_t rgba) {
        const uint32_t ta = rgba & 0xFF;
        const auto scale = [ta](uint32_t c) {
            const uint32_t m = (c * ta + 127) / 255;
            return m + (m >> 7);
        };
        r = scale(rgba >> 24);
        g = scale((rgba >> 16) & 0xFF);
        b = scale((rgba >> 8) & 0xFF);
        a = ta + (ta >> 7);
        white = (rgba >> 8) == 0xFFFFFF;
        identity = white && ta == 255;
#if defined(__SSE2__)
        lanes = _mm_set_epi16(0, 0, 0, 0, static_cast<short>(a), static_cast<short>(b), static_cast<short>(g), static_cast<short>(r));
#endif
    }

    TESSEL_GFX_PIXEL_INLINE uint32_t apply(uint32_t p) const {
        if (white) return a == 256 ? p : scale_pixel(p, a);
        return scale_channels(p, r, g, b, a);
    }
};

/** Cosine and sine of a rotation in degrees, exact for multiples of 90. */
void rotation(double degrees, double& c, double& s) {
    double turn = std::fmod(degrees, 360.0);
    if (turn < 0.0) turn += 360.0;
    if (turn == 0.0) { c = 1.0; s = 0.0; return; }
    if (turn == 90.0) { c = 0.0; s = 1.0; return; }
    if (turn == 180.0) { c = -1.0; s = 0.0; return; }
    if (turn == 270.0) { c = 0.0; s = -1.0; return; }
    const double radians = turn * (3.14159265358979323846 / 180.0);
    c = std::cos(radians);
    s = std::sin(radians);
}

/** Texel (x, y) of the image, transparent outside the rectangle [x0, x1) x [y0, y1). */
struct Texels {
    const uint32_t* pixels;
    int32_t stride;
    int32_t x0, y0, x1, y1;

    TESSEL_GFX_PIXEL_INLINE uint32_t at(int64_t x, int64_t y) const {
        if (x < x0 || x >= x1 || y < y0 || y >= y1) return 0;
        return pixels[y * stride + x];
    }
};

/** Blends the bilinear sample of two texel pairs (top[0..1], bottom[0..1]) at fractions fu, fv
 *  (0..255, toward the second texel), multiplied by the tint, onto dst. */
#if defined(__SSE2__)
TESSEL_GFX_PIXEL_INLINE void sample_and_put(uint32_t& dst, const uint32_t* top, const uint32_t* bottom, uint32_t fu, uint32_t fv, const Tint& tint) {
    // Channels in 16-bit lanes; 7-bit fractions keep (b - a) * f within a signed 16-bit lane.
    const __m128i zero = _mm_setzero_si128();
    __m128i t = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(top));
    __m128i b = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bottom));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(_mm_or_si128(t, b), zero)) == 0xFFFF) return;  // transparent
    t = _mm_unpacklo_epi8(t, zero);
    b = _mm_unpacklo_epi8(b, zero);
    const __m128i v = _mm_add_epi16(t, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(b, t), _mm_set1_epi16(static_cast<short>(fv >> 1))), 7));
    const __m128i right = _mm_unpackhi_epi64(v, v);
    __m128i h = _mm_add_epi16(v, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(right, v), _mm_set1_epi16(static_cast<short>(fu >> 1))), 7));
    if (!tint.identity) h = _mm_srli_epi16(_mm_mullo_epi16(h, tint.lanes), 8);
    const uint32_t src = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(h, zero)));
    if ((src >> 24) == 255) {
        dst = src;
    } else if (src != 0) {
        const __m128i d = _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(dst)), zero);
        const __m128i inverse = _mm_sub_epi16(_mm_set1_epi16(255), _mm_shufflelo_epi16(h, _MM_SHUFFLE(3, 3, 3, 3)));
        __m128i x = _mm_add_epi16(_mm_mullo_epi16(d, inverse), _mm_set1_epi16(128));
        x = _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);  // x / 255, rounded
        dst = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_add_epi16(h, x), zero)));
    }
}
#else
TESSEL_GFX_PIXEL_INLINE void sample_and_put(uint32_t& dst, const uint32_t* top, const uint32_t* bottom, uint32_t fu, uint32_t fv, const Tint& tint) {
    if ((top[0] | top[1] | bottom[0] | bottom[1]) == 0) return;
    const uint32_t p = lerp_pixel(lerp_pixel(top[0], top[1], fu), lerp_pixel(bottom[0], bottom[1], fu), fv);
    if (p != 0) put(dst, tint.apply(p));
}
#endif

#if defined(__SSE2__)
/** Stores or blends two premultiplied pixels held in 16-bit lanes onto dst[0..1]. */
TESSEL_GFX_PIXEL_INLINE void put_pair(uint32_t* dst, __m128i h) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i src = _mm_packus_epi16(h, zero);
    const uint64_t pair = static_cast<uint64_t>(_mm_cvtsi128_si64(src));
    constexpr uint64_t alphas = 0xFF000000FF000000ull;
    if ((pair & alphas) == alphas) {
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), src);
    } else if (pair != 0) {
        const __m128i d = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(dst)), zero);
        const __m128i alpha = _mm_shufflehi_epi16(_mm_shufflelo_epi16(h, _MM_SHUFFLE(3, 3, 3, 3)), _MM_SHUFFLE(3, 3, 3, 3));
        __m128i x = _mm_add_epi16(_mm_mullo_epi16(d, _mm_sub_epi16(_mm_set1_epi16(255), alpha)), _mm_set1_epi16(128));
        x = _mm_srli_epi16(_mm_add_epi16(x, _mm_srli_epi16(x, 8)), 8);  // x / 255, rounded
        _mm_storel_epi64(reinterpret_cast<__m128i*>(dst), _mm_packus_epi16(_mm_add_epi16(h, x), zero));
    }
}
#endif

#if defined(__SSE2__)
/** sample_and_put for two neighbouring pixels at once; a and b point at the top-left texel of each
 *  pixel's 2 x 2 footprint, which lies wholly inside the image. */
TESSEL_GFX_PIXEL_INLINE void sample_pair_and_put(uint32_t* dst, const uint32_t* a, const uint32_t* b, int32_t stride, uint32_t fua,
                                                 uint32_t fva, uint32_t fub, uint32_t fvb, const Tint& tint) {
    const __m128i zero = _mm_setzero_si128();
    const auto load = [](const uint32_t* p) { return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)); };
    __m128i ta = load(a), ba = load(a + stride), tb = load(b), bb = load(b + stride);
    const __m128i any = _mm_or_si128(_mm_or_si128(ta, ba), _mm_or_si128(tb, bb));
    if (_mm_movemask_epi8(_mm_cmpeq_epi32(any, zero)) == 0xFFFF) return;  // transparent
    ta = _mm_unpacklo_epi8(ta, zero), ba = _mm_unpacklo_epi8(ba, zero);
    tb = _mm_unpacklo_epi8(tb, zero), bb = _mm_unpacklo_epi8(bb, zero);
    const __m128i va = _mm_add_epi16(ta, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(ba, ta), _mm_set1_epi16(static_cast<short>(fva >> 1))), 7));
    const __m128i vb = _mm_add_epi16(tb, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(bb, tb), _mm_set1_epi16(static_cast<short>(fvb >> 1))), 7));
    const __m128i left = _mm_unpacklo_epi64(va, vb), right = _mm_unpackhi_epi64(va, vb);
    const __m128i fu = _mm_unpacklo_epi64(_mm_set1_epi16(static_cast<short>(fua >> 1)), _mm_set1_epi16(static_cast<short>(fub >> 1)));
    __m128i h = _mm_add_epi16(left, _mm_srai_epi16(_mm_mullo_epi16(_mm_sub_epi16(right, left), fu), 7));
    if (!tint.identity) h = _mm_srli_epi16(_mm_mullo_epi16(h, _mm_unpacklo_epi64(tint.lanes, tint.lanes)), 8);
    put_pair(dst, h);
}
#else
TESSEL_GFX_PIXEL_INLINE void sample_pair_and_put(uint32_t* dst, const uint32_t* a, const uint32_t* b, int32_t stride, uint32_t fua,
                                                 uint32_t fva, uint32_t fub, uint32_t fvb, const Tint& tint) {
    sample_and_put(dst[0], a, a + stride, fua, fva, tint);
    sample_and_put(dst[1], b, b + stride, fub, fvb, tint);
}
#endif

/** Narrows [k0, k1) to the k where lo <= start + step * k < hi. */
void restrict_range(int64_t start, int64_t step, int64_t lo, int64_t hi, int32_t& k0, int32_t& k1) {
    const auto floor_div = [](int64_t a, int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0); };
    const auto ceil_div = [&](int64_t a, int64_t b) { return -floor_div(-a, b); };
    int64_t first = 0, end = 0;  // the k range of the constraint
    if (hi <= lo) {
        end = first;
    } else if (step == 0) {
        end = (start >= lo && start < hi) ? INT32_MAX : first;
    } else if (step > 0) {
        first = ceil_div(lo - start, step);
        end = ceil_div(hi - start, step);
    } else {
        first = floor_div(start - hi, -step) + 1;
        end = floor_div(start - lo, -step) + 1;
    }
    k0 = static_cast<int32_t>(std::clamp<int64_t>(std::max<int64_t>(k0, first), 0, INT32_MAX));
    k1 = static_cast<int32_t>(std::clamp<int64_t>(std::min<int64_t>(k1, end), 0, INT32_MAX));
    if (k1 < k0) k1 = k0;
}

/** Draws an untransformed sprite whose texels fall exactly on pixels: texel = pixel + offset. */
void draw_sprite_aligned(Canvas& canvas, const ClipRect& area, const Texels& tex, int32_t offset_x, int32_t offset_y,
                         const Tint& tint) {
    const int64_t first_x = std::max<int64_t>(area.x0, int64_t{tex.x0} - offset_x);
    const int64_t end_x = std::min<int64_t>(area.x1, int64_t{tex.x1} - offset_x);
    const int64_t first_y = std::max<int64_t>(area.y0, int64_t{tex.y0} - offset_y);
    const int64_t end_y = std::min<int64_t>(area.y1, int64_t{tex.y1} - offset_y);
    for (int64_t py = first_y; py < end_y; ++py) {
        uint32_t* row = canvas.row(static_cast<int32_t>(py));
        const uint32_t* src = tex.pixels + (py + offset_y) * tex.stride + offset_x;
        int64_t px = first_x;
#if defined(__SSE2__)
        const __m128i zero = _mm_setzero_si128();
        const __m128i lanes = _mm_unpacklo_epi64(tint.lanes, tint.lanes);
        for (; px + 1 < end_x; px += 2) {
            __m128i h = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + px)), zero);
            if (!tint.identity) h = _mm_srli_epi16(_mm_mullo_epi16(h, lanes), 8);
            put_pair(row + px, h);
        }
#endif
        for (; px < end_x; ++px) {
            const uint32_t p = src[px];
            if (p != 0) put(row[px], tint.apply(p));
        }
    }
}

}  // namespace

void draw_sprite(Canvas& canvas, const ClipRect& clip, const ImageView& image, const SpriteDraw& d) {
    if (image.pixels == nullptr || image.width < 1 || image.height < 1 || (d.tint & 0xFF) == 0) return;
    if (!all_finite({d.dest_x, d.dest_y, d.dest_w, d.dest_h, d.src_x, d.src_y, d.src_w, d.src_h, d.origin_x, d.origin_y,
                     d.scale_x, d.scale_y, d.rotation_deg})) {
        return;
    }
    if (!(d.dest_w > 0.0f) || !(d.dest_h > 0.0f) || d.scale_x == 0.0f || d.scale_y == 0.0f) return;
    const ClipRect area = clip.intersect(ClipRect::of(canvas));
    if (area.empty()) return;

    double sx = d.src_x, sy = d.src_y, sw = d.src_w, sh = d.src_h;
    if (sw == 0.0 && sh == 0.0) {
        sx = 0.0;
        sy = 0.0;
        sw = image.width;
        sh = image.height;
    }
    if (!(sw > 0.0) || !(sh > 0.0) || sx < 0.0 || sy < 0.0) return;
    Texels tex{image.pixels, image.width, to_index(std::floor(sx), 0, image.width), to_index(std::floor(sy), 0, image.height),
               to_index(std::ceil(sx + sw), 0, image.width), to_index(std::ceil(sy + sh), 0, image.height)};
    if (tex.x0 >= tex.x1 || tex.y0 >= tex.y1) return;
    const Tint tint(d.tint);

    double c = 1.0, s = 0.0;
    rotation(d.rotation_deg, c, s);
    const double kx = sw / d.dest_w, ky = sh / d.dest_h;
    const double pivot_x = double(d.dest_x) + d.origin_x, pivot_y = double(d.dest_y) + d.origin_y;

    if (c == 1.0 && s == 0.0 && d.scale_x == 1.0f && d.scale_y == 1.0f && kx == 1.0 && ky == 1.0) {
        const double off_x = sx - d.dest_x, off_y = sy - d.dest_y;
        if (off_x == std::floor(off_x) && off_y == std::floor(off_y) && std::fabs(off_x) < 1e9 && std::fabs(off_y) < 1e9) {
            draw_sprite_aligned(canvas, area, tex, static_cast<int32_t>(off_x), static_cast<int32_t>(off_y), tint);
            return;
        }
    }

    // Screen to texel: t = t0 + M (p - pivot), the inverse of stretch, scale and rotation.
    const double m00 = kx * c / d.scale_x, m01 = kx * s / d.scale_x;
    const double m10 = -ky * s / d.scale_y, m11 = ky * c / d.scale_y;
    const double t0x = sx + d.origin_x * kx, t0y = sy + d.origin_y * ky;
    // A sprite squeezed below a millionth of a pixel per texel shows nothing; refusing it keeps the
    // fixed-point stepping below in range.
    constexpr double max_texels_per_pixel = 1e6;
    for (const double m : {m00, m01, m10, m11}) {
        if (!(std::fabs(m) <= max_texels_per_pixel)) return;
    }
    // The area where sampling can be non-zero: the texel rectangle grown by half a texel, on screen.
    const auto to_screen = [&](double tx, double ty) {
        const double qx = ((tx - sx) / kx - d.origin_x) * d.scale_x;
        const double qy = ((ty - sy) / ky - d.origin_y) * d.scale_y;
        return Point{pivot_x + c * qx - s * qy, pivot_y + s * qx + c * qy};
    };
    const Point quad[4] = {to_screen(tex.x0 - 0.5, tex.y0 - 0.5), to_screen(tex.x1 + 0.5, tex.y0 - 0.5),
                           to_screen(tex.x1 + 0.5, tex.y1 + 0.5), to_screen(tex.x0 - 0.5, tex.y1 + 0.5)};
    double top = quad[0].y, bottom = quad[0].y;
    for (const Point& p : quad) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    int32_t py0 = 0, py1 = 0;
    centre_range(top, bottom, area.y0, area.y1, py0, py1);
    constexpr double one = 65536.0;  // texel coordinates in 16.16 fixed point
    const int64_t du = std::llround(m00 * one), dv = std::llround(m10 * one);
    for (int32_t py = py0; py < py1; ++py) {
        const double yc = py + 0.5;
        double lo = 0.0, hi = 0.0;
        if (!row_span(quad, 4, yc, lo, hi)) continue;
        int32_t px0 = 0, px1 = 0;
        centre_range(lo, hi, area.x0, area.x1, px0, px1);
        if (px0 >= px1) continue;
        const double xc = px0 + 0.5;
        // Sample positions are texel centres at integer + 0.5, hence the - 0.5.
        const double u0 = t0x + m00 * (xc - pivot_x) + m01 * (yc - pivot_y) - 0.5;
        const double v0 = t0y + m10 * (xc - pivot_x) + m11 * (yc - pivot_y) - 0.5;
        constexpr double max_texel = 1 << 30;  // far outside any image, still safe to step in 16.16
        if (!(std::fabs(u0) < max_texel) || !(std::fabs(v0) < max_texel)) continue;
        int64_t u = std::llround(u0 * one);
        int64_t v = std::llround(v0 * one);
        uint32_t* row = canvas.row(py) + px0;
        const int32_t n = px1 - px0;
        const auto sample_at = [&](int32_t k) {
            const int64_t uk = u + du * k, vk = v + dv * k;
            const int64_t iu = uk >> 16, iv = vk >> 16;
            const uint32_t fu = static_cast<uint32_t>((uk >> 8) & 0xFF), fv = static_cast<uint32_t>((vk >> 8) & 0xFF);
            if (iu >= tex.x0 && iu + 1 < tex.x1 && iv >= tex.y0 && iv + 1 < tex.y1) {
                const uint32_t* t = tex.pixels + iv * tex.stride + iu;
                sample_and_put(row[k], t, t + tex.stride, fu, fv, tint);
            } else if (iu >= tex.x0 - 1 && iu < tex.x1 && iv >= tex.y0 - 1 && iv < tex.y1) {
                const uint32_t top[2] = {tex.at(iu, iv), tex.at(iu + 1, iv)};
                const uint32_t bottom[2] = {tex.at(iu, iv + 1), tex.at(iu + 1, iv + 1)};
                sample_and_put(row[k], top, bottom, fu, fv, tint);
            }
        };
        // Pixels [inner0, inner1) sample four texels inside the texel rectangle: no checks, two at a time.
        int32_t inner0 = 0, inner1 = n;
        restrict_range(u, du, int64_t{tex.x0} << 16, int64_t{tex.x1 - 1} << 16, inner0, inner1);
        restrict_range(v, dv, int64_t{tex.y0} << 16, int64_t{tex.y1 - 1} << 16, inner0, inner1);
        int32_t k = 0;
        for (; k < inner0; ++k) sample_at(k);
        for (; k + 1 < inner1; k += 2) {
            const int64_t ua = u + du * k, va = v + dv * k, ub = ua + du, vb = va + dv;
            const uint32_t* a = tex.pixels + (va >> 16) * tex.stride + (ua >> 16);
            const uint32_t* b = tex.pixels + (vb >> 16) * tex.stride + (ub >> 16);
            sample_pair_and_put(row + k, a, b, tex.stride, static_cast<uint32_t>((ua >> 8) & 0xFF),
                                static_cast<uint32_t>((va >> 8) & 0xFF), static_cast<uint32_t>((ub >> 8) & 0xFF),
                                static_cast<uint32_t>((vb >> 8) & 0xFF), tint);
        }
        for (; k < n; ++k) sample_at(k);
    }
}

// ---------------------------------------------------------------------------------------------
// Glyph masks

void draw_mask(Canvas& canvas, const ClipRect& clip, int32_t x, int32_t y, const uint8_t* mask, int32_t w, int32_t h,
               int32_t pitch, uint32_t color) {
    if (mask == nullptr || w < 1 || h < 1 || color == 0) return;
    const ClipRect area = clip.intersect(ClipRect::of(canvas));
    const int64_t first_x = std::max<int64_t>(area.x0, x), end_x = std::min<int64_t>(area.x1, int64_t{x} + w);
    const int64_t first_y = std::max<int64_t>(area.y0, y), end_y = std::min<int64_t>(area.y1, int64_t{y} + h);
    for (int64_t py = first_y; py < end_y; ++py) {
        uint32_t* row = canvas.row(static_cast<int32_t>(py));
        const uint8_t* m = mask + (py - y) * pitch - x;
        for (int64_t px = first_x; px < end_x; ++px) {
            const uint32_t coverage = m[px];
            if (coverage == 255) {
                put(row[px], color);
            } else if (coverage != 0) {
                put(row[px], scale_pixel(color, coverage + (coverage >> 7)));
            }
        }
    }
}

}  // namespace tessel::gfxrt
