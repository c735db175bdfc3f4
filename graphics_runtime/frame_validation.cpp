// Acceptance of a command-stream frame: header, complete bit and canonical validation.
#include <climits>
#include <cmath>

#include "frame.hpp"
#include "tessel/command_stream.h"

namespace tessel::gfxrt {

namespace {

struct Counts {
    int32_t lines, rects, instances, texts, text_bytes, batches, clips, order;
};

bool within(int32_t count, int32_t capacity) { return count >= 0 && count <= capacity; }

bool batch_is_valid(const int32_t* batch, const Counts& c) {
    const int32_t first = batch[0], count = batch[1], clip = batch[2];
    if (first < 0 || count < 1 || int64_t{first} + count > c.instances) return false;
    if (clip != -1 && (clip < 0 || clip >= c.clips)) return false;
    for (int i = 3; i < TESSEL_GFX_BATCH_STRIDE; ++i) {
        if (batch[i] != 0) return false;  // material, blend, filter, pass, flags
    }
    return true;
}

bool instance_is_valid(const int32_t* ints, const float* f) {
    if (ints[0] == 0 || ints[2] != 0) return false;
    for (int i = 0; i < TESSEL_GFX_INSTANCE_F32_STRIDE; ++i) {
        if (!std::isfinite(f[i])) return false;
    }
    if (!(f[2] > 0.0f) || !(f[3] > 0.0f)) return false;
    if (f[4] < 0.0f || f[5] < 0.0f || f[6] < 0.0f || f[7] < 0.0f) return false;
    if ((f[6] == 0.0f) != (f[7] == 0.0f)) return false;
    return f[10] != 0.0f && f[11] != 0.0f;
}

bool text_is_valid(const int32_t* text, int32_t text_bytes) {
    const int32_t offset = text[1], length = text[2];
    if (offset >= 0) return offset < text_bytes && length >= 0 && length < text_bytes - offset;
    return offset != INT32_MIN && length == 0;
}

bool order_is_valid(const int32_t* order, const Counts& c) {
    int32_t depth = 0;
    for (int32_t i = 0; i < c.order; ++i) {
        const int32_t entry = order[i];
        if (entry < 0) return false;
        const int32_t index = entry & TESSEL_GFX_ORDER_INDEX_MASK;
        switch (entry >> TESSEL_GFX_ORDER_KIND_SHIFT) {
            case TESSEL_GFX_KIND_LINE:
                if (index >= c.lines) return false;
                break;
            case TESSEL_GFX_KIND_BATCH:
                if (index >= c.batches) return false;
                break;
            case TESSEL_GFX_KIND_TEXT:
                if (index >= c.texts) return false;
                break;
            case TESSEL_GFX_KIND_RECT:
                if (index >= c.rects) return false;
                break;
            case TESSEL_GFX_KIND_PUSH_CLIP:
                if (index >= c.clips || ++depth > TESSEL_GFX_MAX_CLIPS) return false;
                break;
            case TESSEL_GFX_KIND_POP_CLIP:
                if (index != 0 || depth == 0) return false;
                --depth;
                break;
            default:
                return false;
        }
    }
    return depth == 0;
}

}  // namespace

FrameCheck check_frame(const int32_t* i32, const float* f32) noexcept {
    const int32_t version = i32[TESSEL_GFX_W_VERSION];
    if (i32[TESSEL_GFX_W_MAGIC] != TESSEL_GFX_MAGIC || (version != TESSEL_GFX_VERSION && version != TESSEL_GFX_VERSION_LEGACY)) {
        return FrameCheck::unsupported;
    }
    if (version == TESSEL_GFX_VERSION && (i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_COMPLETE) == 0) return FrameCheck::not_complete;
    const Counts c{i32[TESSEL_GFX_W_LINE_COUNT], i32[TESSEL_GFX_W_RECT_COUNT], i32[TESSEL_GFX_W_INSTANCE_COUNT],
                   i32[TESSEL_GFX_W_TEXT_COUNT],  i32[TESSEL_GFX_W_TEXT_BYTES], i32[TESSEL_GFX_W_BATCH_COUNT],
                   i32[TESSEL_GFX_W_CLIP_COUNT],  i32[TESSEL_GFX_W_ORDER_LENGTH]};
    // Every count must be non-negative as well: lines and rectangles share one slot pool, and a
    // negative count of one would let the other reach past its region.
    if (!within(c.instances, TESSEL_GFX_MAX_INSTANCES) || !within(c.lines, TESSEL_GFX_MAX_SHAPES) ||
        !within(c.rects, TESSEL_GFX_MAX_SHAPES - c.lines) || !within(c.text_bytes, TESSEL_GFX_U8_CAPACITY) ||
        !within(c.texts, TESSEL_GFX_MAX_TEXTS) || !within(c.order, TESSEL_GFX_MAX_ORDER) ||
        !within(c.batches, TESSEL_GFX_MAX_BATCHES) || !within(c.clips, TESSEL_GFX_MAX_CLIPS)) {
        return FrameCheck::invalid;
    }
    for (int32_t b = 0; b < c.batches; ++b) {
        if (!batch_is_valid(i32 + TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b, c)) return FrameCheck::invalid;
    }
    for (int32_t n = 0; n < c.instances; ++n) {
        if (!instance_is_valid(i32 + TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * n,
                               f32 + TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n)) {
            return FrameCheck::invalid;
        }
    }
    for (int32_t t = 0; t < c.texts; ++t) {
        if (!text_is_valid(i32 + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * t, c.text_bytes)) return FrameCheck::invalid;
    }
    return order_is_valid(i32 + TESSEL_GFX_I32_ORDER, c) ? FrameCheck::render : FrameCheck::invalid;
}

}  // namespace tessel::gfxrt
