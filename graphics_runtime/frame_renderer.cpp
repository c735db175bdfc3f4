// Rendering of an accepted command-stream frame by its order list.
#include <array>
#include <string_view>

#include "frame.hpp"
#include "pixel.hpp"
#include "tessel/command_stream.h"

namespace tessel::gfxrt {

namespace {

uint32_t color_at(const float* rgba) { return premultiplied(rgba[0], rgba[1], rgba[2], rgba[3]); }

void draw_batch(Canvas& canvas, const ClipRect& clip, const int32_t* i32, const float* f32, const int32_t* batch,
                FrameResources& resources, FrameStats& stats) {
    const int32_t first = batch[0], count = batch[1];
    for (int32_t n = first; n < first + count; ++n) {
        const int32_t* ints = i32 + TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * n;
        const float* f = f32 + TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n;
        const ImageView* image = resources.sprite(ints[0]);
        if (image == nullptr) continue;  // released or never loaded: not drawn
        const SpriteDraw draw{f[0], f[1], f[2],  f[3],  f[4],  f[5],  f[6], f[7], f[8], f[9], f[10], f[11], f[12],
                              static_cast<uint32_t>(ints[1])};
        draw_sprite(canvas, clip, *image, draw);
        ++stats.sprites;
    }
}

}  // namespace

FrameStats render_frame(Canvas& canvas, const int32_t* i32, const float* f32, const uint8_t* u8, FrameResources& resources) {
    FrameStats stats;
    const bool has_clear = (i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_CLEAR) != 0;
    canvas.fill(has_clear ? color_at(f32 + TESSEL_GFX_F32_CLEAR) : 0xFF000000u);

    // Clip stack: entry 0 is the whole canvas; each push intersects with the one below.
    std::array<ClipRect, TESSEL_GFX_MAX_CLIPS + 1> clips;
    int32_t depth = 0;
    clips[0] = ClipRect::of(canvas);
    const auto clip_record = [f32](int32_t index) {
        const float* c = f32 + TESSEL_GFX_F32_CLIPS + TESSEL_GFX_CLIP_STRIDE * index;
        return ClipRect::from_floats(c[0], c[1], c[2], c[3]);
    };

    const int32_t* order = i32 + TESSEL_GFX_I32_ORDER;
    const int32_t length = i32[TESSEL_GFX_W_ORDER_LENGTH];
    for (int32_t i = 0; i < length; ++i) {
        const int32_t index = order[i] & TESSEL_GFX_ORDER_INDEX_MASK;
        const ClipRect& clip = clips[depth];
        switch (order[i] >> TESSEL_GFX_ORDER_KIND_SHIFT) {
            case TESSEL_GFX_KIND_LINE: {
                const float* l = f32 + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * index;
                draw_line(canvas, clip, l[0], l[1], l[2], l[3], color_at(l + 4));
                ++stats.shapes;
                break;
            }
            case TESSEL_GFX_KIND_RECT: {
                const int32_t slot = TESSEL_GFX_MAX_SHAPES - 1 - index;  // rectangles fill the pool from the back
                const float* r = f32 + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * slot;
                fill_rect(canvas, clip, r[0], r[1], r[2], r[3], color_at(r + 4));
                ++stats.shapes;
                break;
            }
            case TESSEL_GFX_KIND_BATCH: {
                const int32_t* batch = i32 + TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * index;
                const ClipRect batch_clip = batch[2] >= 0 ? clip.intersect(clip_record(batch[2])) : clip;
                draw_batch(canvas, batch_clip, i32, f32, batch, resources, stats);
                break;
            }
            case TESSEL_GFX_KIND_TEXT: {
                const int32_t* t = i32 + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * index;
                const float* tf = f32 + TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * index;
                if (t[1] < 0 || t[2] <= 0) break;  // an empty text
                const std::string_view bytes(reinterpret_cast<const char*>(u8 + t[1]), static_cast<size_t>(t[2]));
                resources.draw_text(canvas, clip, t[0], bytes, tf[0], tf[1], color_at(tf + 2));
                ++stats.texts;
                break;
            }
            case TESSEL_GFX_KIND_PUSH_CLIP:
                if (depth < TESSEL_GFX_MAX_CLIPS) {  // guaranteed by check_frame; kept as a guard of the stack
                    clips[depth + 1] = clip.intersect(clip_record(index));
                    ++depth;
                }
                break;
            case TESSEL_GFX_KIND_POP_CLIP:
                if (depth > 0) --depth;
                break;
            default:
                break;  // excluded by check_frame
        }
    }
    return stats;
}

}  // namespace tessel::gfxrt
