// The host's production copy of the module's command-stream frame: checks the destination, finds the
// registered gfx_cmd_* arrays, validates the frame and copies its live parts.
#include <algorithm>
#include <string>
#include <string_view>

#include "tessel/command_stream.h"
#include "tessel/fnv1a.h"
#include "tessel_dynload/internal/frame_validation.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel {

namespace {

/** Address of a registered stream array covering its whole capacity, or null. */
template <class T>
const T* stream_array(TesselJitStorageKind kind, std::string_view path, std::size_t capacity) {
    Result<RegisteredStorage> storage = registered_storage(kind, name_hash(path), 0);
    // A shorter registration is not the stream: reading it by the stream layout would overrun it.
    if (!storage || storage.value().address == nullptr || storage.value().count < capacity) return nullptr;
    return static_cast<const T*>(storage.value().address);
}

/** Copies count records of stride elements starting at element first, count clamped to 0..capacity. */
template <class T>
void copy_region(const T* src, std::span<T> dst, int32_t first, int32_t count, int32_t capacity, int32_t stride) {
    const int32_t n = std::clamp(count, 0, capacity);
    std::copy_n(src + first, std::size_t(n) * std::size_t(stride), dst.begin() + first);
}

}  // namespace

Result<ProductionFrame> copy_production_render_frame(std::span<int32_t> dst_i32, std::span<float> dst_f32,
                                                     std::span<uint8_t> dst_u8) {
    if (dst_i32.size() < TESSEL_GFX_I32_CAPACITY || dst_f32.size() < TESSEL_GFX_F32_CAPACITY ||
        dst_u8.size() < TESSEL_GFX_U8_CAPACITY) {
        return Result<ProductionFrame>::failure("production render destination has the wrong capacity");
    }
    const int32_t* i32 = stream_array<int32_t>(TESSEL_JIT_I32, "gfx_cmd_i32", TESSEL_GFX_I32_CAPACITY);
    const float* f32 = stream_array<float>(TESSEL_JIT_F32, "gfx_cmd_f32", TESSEL_GFX_F32_CAPACITY);
    const uint8_t* u8 = stream_array<uint8_t>(TESSEL_JIT_U8, "gfx_cmd_u8", TESSEL_GFX_U8_CAPACITY);
    if (i32 == nullptr || f32 == nullptr || u8 == nullptr) {
        return Result<ProductionFrame>::failure("production render buffers were not registered by the JIT");
    }

    const int32_t version = i32[TESSEL_GFX_W_VERSION];
    if (!frame::is_supported_version(version)) {
        return Result<ProductionFrame>::failure("JIT frame has unsupported gfx_cmd version " + std::to_string(version) +
                                                "; expected " + std::to_string(TESSEL_GFX_VERSION));
    }
    if (!frame::has_supported_header(i32)) {
        return Result<ProductionFrame>::failure("JIT frame is not a supported production gfx_cmd frame");
    }
    if (version == TESSEL_GFX_VERSION && (i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_COMPLETE) == 0) {
        return ProductionFrame::not_complete;
    }
    if (!frame::is_canonical(i32, f32)) {
        return Result<ProductionFrame>::failure("JIT frame failed canonical render validation");
    }

    const frame::Counts c = frame::read_counts(i32);
    std::copy_n(i32, TESSEL_GFX_HEADER_WORDS, dst_i32.begin());
    std::copy_n(f32 + TESSEL_GFX_F32_CLEAR, 4, dst_f32.begin() + TESSEL_GFX_F32_CLEAR);
    copy_region(f32, dst_f32, TESSEL_GFX_F32_SHAPES, c.lines, TESSEL_GFX_MAX_SHAPES, TESSEL_GFX_SHAPE_STRIDE);
    const int32_t rects = std::clamp(c.rects, 0, TESSEL_GFX_MAX_SHAPES);
    copy_region(f32, dst_f32, TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * (TESSEL_GFX_MAX_SHAPES - rects), rects,
                TESSEL_GFX_MAX_SHAPES, TESSEL_GFX_SHAPE_STRIDE);
    copy_region(i32, dst_i32, TESSEL_GFX_I32_INSTANCES, c.instances, TESSEL_GFX_MAX_INSTANCES,
                TESSEL_GFX_INSTANCE_I32_STRIDE);
    copy_region(f32, dst_f32, TESSEL_GFX_F32_INSTANCES, c.instances, TESSEL_GFX_MAX_INSTANCES,
                TESSEL_GFX_INSTANCE_F32_STRIDE);
    copy_region(i32, dst_i32, TESSEL_GFX_I32_TEXTS, c.texts, TESSEL_GFX_MAX_TEXTS, TESSEL_GFX_TEXT_I32_STRIDE);
    copy_region(f32, dst_f32, TESSEL_GFX_F32_TEXTS, c.texts, TESSEL_GFX_MAX_TEXTS, TESSEL_GFX_TEXT_F32_STRIDE);
    copy_region(i32, dst_i32, TESSEL_GFX_I32_BATCHES, c.batches, TESSEL_GFX_MAX_BATCHES, TESSEL_GFX_BATCH_STRIDE);
    copy_region(f32, dst_f32, TESSEL_GFX_F32_CLIPS, c.clips, TESSEL_GFX_MAX_CLIPS, TESSEL_GFX_CLIP_STRIDE);
    copy_region(i32, dst_i32, TESSEL_GFX_I32_ORDER, c.order, TESSEL_GFX_MAX_ORDER, 1);
    copy_region(u8, dst_u8, 0, c.text_bytes, TESSEL_GFX_U8_CAPACITY, 1);
    return ProductionFrame::copied;
}

}  // namespace tessel
