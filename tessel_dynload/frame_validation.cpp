// Canonical validation of a graphics command-stream frame.
#include <climits>
#include <cmath>
#include <limits>

#include "tessel/command_stream.h"
#include "tessel_dynload/internal/frame_validation.hpp"

namespace tessel::frame {

namespace {

bool is_finite(float v) { return std::fabs(v) <= std::numeric_limits<float>::max(); }

bool count_within(int32_t count, int32_t capacity) { return count >= 0 && count <= capacity; }

bool batch_is_valid(const int32_t* batch, const Counts& c) {
    const int32_t first = batch[0];
    const int32_t count = batch[1];
    const int32_t clip = batch[2];
    if (first < 0 || count < 1 || int64_t{first} + count > c.instances) return false;
    if (clip != -1 && (clip < 0 || clip >= c.clips)) return false;
    for (int i = 3; i < TESSEL_GFX_BATCH_STRIDE; ++i) {
        if (batch[i] != 0) return false;  // material, blend, filter, pass and flags are reserved
    }
    return true;
}

// The same rules the writer applies to an instance it adds.
bool instance_is_valid(const int32_t* ints, const float* f) {
    if (ints[0] == 0 || ints[2] != 0) return false;
    for (int i = 0; i < TESSEL_GFX_INSTANCE_F32_STRIDE; ++i) {
        if (!is_finite(f[i])) return false;
    }
    const float dst_w = f[2], dst_h = f[3];
    const float src_x = f[4], src_y = f[5], src_w = f[6], src_h = f[7];
    const float scale_x = f[10], scale_y = f[11];
    if (!(dst_w > 0.0f) || !(dst_h > 0.0f)) return false;
    if (src_x < 0.0f || src_y < 0.0f || src_w < 0.0f || src_h < 0.0f) return false;
    if ((src_w == 0.0f) != (src_h == 0.0f)) return false;
    return scale_x != 0.0f && scale_y != 0.0f;
}

bool text_is_valid(const int32_t* text, int32_t text_bytes) {
    const int32_t offset = text[1];
    const int32_t length = text[2];
    if (offset >= 0) return offset < text_bytes && length >= 0 && length < text_bytes - offset;
    return offset != INT32_MIN && length == 0;
}

bool order_is_valid(const int32_t* order, const Counts& c) {
    int32_t depth = 0;
    for (int32_t i = 0; i < c.order; ++i) {
        const int32_t entry = order[i];
        if (entry < 0) return false;
        const int32_t kind = entry >> TESSEL_GFX_ORDER_KIND_SHIFT;
        const int32_t index = entry & TESSEL_GFX_ORDER_INDEX_MASK;
        switch (kind) {
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

Counts read_counts(const int32_t* i32) noexcept {
    return Counts{
        .lines = i32[TESSEL_GFX_W_LINE_COUNT],
        .rects = i32[TESSEL_GFX_W_RECT_COUNT],
        .instances = i32[TESSEL_GFX_W_INSTANCE_COUNT],
        .texts = i32[TESSEL_GFX_W_TEXT_COUNT],
        .text_bytes = i32[TESSEL_GFX_W_TEXT_BYTES],
        .batches = i32[TESSEL_GFX_W_BATCH_COUNT],
        .clips = i32[TESSEL_GFX_W_CLIP_COUNT],
        .order = i32[TESSEL_GFX_W_ORDER_LENGTH],
    };
}

bool is_supported_version(int32_t version) noexcept {
    return version == TESSEL_GFX_VERSION || version == TESSEL_GFX_VERSION_LEGACY;
}

bool has_supported_header(const int32_t* i32) noexcept {
    return i32[TESSEL_GFX_W_MAGIC] == TESSEL_GFX_MAGIC && is_supported_version(i32[TESSEL_GFX_W_VERSION]);
}

bool is_canonical(const int32_t* i32, const float* f32) noexcept {
    const Counts c = read_counts(i32);
    // No count may be negative: lines and rectangles share one slot pool, so a negative count of one
    // would let the other reach past its region, and a negative count is never written by a writer.
    if (!count_within(c.instances, TESSEL_GFX_MAX_INSTANCES) || !count_within(c.lines, TESSEL_GFX_MAX_SHAPES) ||
        !count_within(c.text_bytes, TESSEL_GFX_U8_CAPACITY) || !count_within(c.texts, TESSEL_GFX_MAX_TEXTS) ||
        !count_within(c.rects, TESSEL_GFX_MAX_SHAPES - c.lines) || !count_within(c.order, TESSEL_GFX_MAX_ORDER) ||
        !count_within(c.batches, TESSEL_GFX_MAX_BATCHES) || !count_within(c.clips, TESSEL_GFX_MAX_CLIPS)) {
        return false;
    }
    for (int32_t b = 0; b < c.batches; ++b) {
        if (!batch_is_valid(i32 + TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b, c)) return false;
    }
    for (int32_t n = 0; n < c.instances; ++n) {
        if (!instance_is_valid(i32 + TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * n,
                               f32 + TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n)) {
            return false;
        }
    }
    for (int32_t t = 0; t < c.texts; ++t) {
        if (!text_is_valid(i32 + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * t, c.text_bytes)) return false;
    }
    return order_is_valid(i32 + TESSEL_GFX_I32_ORDER, c);
}

bool text_has_bytes(int32_t offset, int32_t length, int32_t text_bytes) noexcept {
    return length >= 1 && offset >= 0 && offset < text_bytes && length < text_bytes - offset;
}

}  // namespace tessel::frame
