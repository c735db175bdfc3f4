// Render trace: a 32-bit digest of one command-stream frame, reachable from hosts (a C function and a
// library operation over slices) and from compiled code (by the names of its registered arrays).
#include <bit>

#include "tessel/command_stream.h"
#include "tessel_dynload/internal/frame_validation.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace {

constexpr uint32_t seed_with_clear = 0x36c02b5cu;
constexpr uint32_t seed_without_clear = 0xccf7ed9du;
constexpr uint32_t fnv_prime = 0x01000193u;

enum Tag : uint32_t {
    tag_line = 2,
    tag_instance = 3,
    tag_text_without_bytes = 4,
    tag_text = 5,
    tag_complete = 6,
    tag_rect = 7,
    tag_push_clip = 8,
    tag_pop_clip = 9,
    tag_batch = 10,
};

/** FNV-1a over the little-endian bytes of 32-bit values, from a chosen seed. */
class Digest {
public:
    explicit Digest(uint32_t seed) : hash_(seed) {}

    void byte(uint8_t b) {
        hash_ ^= b;
        hash_ *= fnv_prime;
    }
    void word(uint32_t v) {
        for (int shift = 0; shift < 32; shift += 8) byte(static_cast<uint8_t>(v >> shift));
    }
    void i32s(const int32_t* values, int n) {
        for (int i = 0; i < n; ++i) word(static_cast<uint32_t>(values[i]));
    }
    void f32s(const float* values, int n) {
        for (int i = 0; i < n; ++i) word(std::bit_cast<uint32_t>(values[i]));
    }
    uint32_t value() const { return hash_; }

private:
    uint32_t hash_;
};

/** Feeds the records of one validated frame. */
class FrameTracer {
public:
    FrameTracer(const int32_t* i32, const float* f32, const uint8_t* u8)
        : i32_(i32), f32_(f32), u8_(u8), counts_(tessel::frame::read_counts(i32)),
          digest_(has_clear() ? seed_with_clear : seed_without_clear) {}

    uint32_t trace() {
        if (has_clear()) digest_.f32s(f32_ + TESSEL_GFX_F32_CLEAR, 4);
        if (counts_.order == 0) {
            // Without an order list every record is drawn kind by kind; clip rectangles play no part.
            for (int32_t i = 0; i < counts_.lines; ++i) line(i);
            for (int32_t i = 0; i < counts_.rects; ++i) rect(i);
            for (int32_t i = 0; i < counts_.batches; ++i) batch(i);
            for (int32_t i = 0; i < counts_.texts; ++i) text(i);
        } else {
            for (int32_t i = 0; i < counts_.order; ++i) entry(i32_[TESSEL_GFX_I32_ORDER + i]);
        }
        if ((i32_[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_COMPLETE) != 0) digest_.word(tag_complete);
        return digest_.value();
    }

private:
    bool has_clear() const { return (i32_[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_CLEAR) != 0; }

    void entry(int32_t value) {
        const int32_t index = value & TESSEL_GFX_ORDER_INDEX_MASK;
        switch (value >> TESSEL_GFX_ORDER_KIND_SHIFT) {
            case TESSEL_GFX_KIND_LINE: line(index); break;
            case TESSEL_GFX_KIND_BATCH: batch(index); break;
            case TESSEL_GFX_KIND_TEXT: text(index); break;
            case TESSEL_GFX_KIND_RECT: rect(index); break;
            case TESSEL_GFX_KIND_PUSH_CLIP:
                digest_.word(tag_push_clip);
                digest_.f32s(f32_ + TESSEL_GFX_F32_CLIPS + TESSEL_GFX_CLIP_STRIDE * index, TESSEL_GFX_CLIP_STRIDE);
                break;
            case TESSEL_GFX_KIND_POP_CLIP: digest_.word(tag_pop_clip); break;
            default: break;  // validation admits no other kind
        }
    }

    void line(int32_t i) {
        digest_.word(tag_line);
        digest_.f32s(f32_ + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * i, TESSEL_GFX_SHAPE_STRIDE);
    }

    void rect(int32_t j) {
        digest_.word(tag_rect);
        const int32_t slot = TESSEL_GFX_MAX_SHAPES - 1 - j;
        digest_.f32s(f32_ + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * slot, TESSEL_GFX_SHAPE_STRIDE);
    }

    void batch(int32_t b) {
        const int32_t* record = i32_ + TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * b;
        digest_.word(tag_batch);
        digest_.i32s(record, TESSEL_GFX_BATCH_STRIDE);
        for (int32_t n = record[0]; n < record[0] + record[1]; ++n) {
            digest_.word(tag_instance);
            digest_.i32s(i32_ + TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * n,
                         TESSEL_GFX_INSTANCE_I32_STRIDE);
            digest_.f32s(f32_ + TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * n,
                         TESSEL_GFX_INSTANCE_F32_STRIDE);
        }
    }

    void text(int32_t t) {
        const int32_t* record = i32_ + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * t;
        const int32_t offset = record[1];
        const int32_t length = record[2];
        digest_.word(offset < 0 ? tag_text_without_bytes : tag_text);
        digest_.i32s(record, TESSEL_GFX_TEXT_I32_STRIDE);
        digest_.f32s(f32_ + TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * t, TESSEL_GFX_TEXT_F32_STRIDE);
        if (u8_ != nullptr && tessel::frame::text_has_bytes(offset, length, counts_.text_bytes)) {
            for (int32_t i = 0; i < length; ++i) digest_.byte(u8_[offset + i]);
        }
    }

    const int32_t* i32_;
    const float* f32_;
    const uint8_t* u8_;
    tessel::frame::Counts counts_;
    Digest digest_;
};

}  // namespace

extern "C" uint32_t tessel_render_trace_native(const int32_t* cmd_i32, const float* cmd_f32,
                                               const uint8_t* cmd_u8) noexcept {
    if (cmd_i32 == nullptr || cmd_f32 == nullptr) return 0;
    if (!tessel::frame::has_supported_header(cmd_i32) || !tessel::frame::is_canonical(cmd_i32, cmd_f32)) return 0;
    return FrameTracer(cmd_i32, cmd_f32, cmd_u8).trace();
}

extern "C" uint32_t tessel_jit_render_trace(int32_t i32_name, int32_t i32_count, int32_t f32_name, int32_t f32_count,
                                            int32_t u8_name, int32_t u8_count) noexcept {
    if (i32_count != TESSEL_GFX_I32_CAPACITY || f32_count != TESSEL_GFX_F32_CAPACITY ||
        u8_count != TESSEL_GFX_U8_CAPACITY) {
        return 0;
    }
    // The header is checked through the registry before any storage is looked up or created.
    if (tessel_jit_global_i32_array_load(i32_name, 0, TESSEL_GFX_W_MAGIC) != TESSEL_GFX_MAGIC ||
        !tessel::frame::is_supported_version(tessel_jit_global_i32_array_load(i32_name, 0, TESSEL_GFX_W_VERSION))) {
        return 0;
    }
    const int32_t* i32 = tessel_jit_global_i32_array_ptr(i32_name, 0, i32_count);
    const float* f32 = tessel_jit_global_f32_array_ptr(f32_name, 0, f32_count);
    // The byte array must cover the whole text region, or a text's bytes could be read past its end.
    const uint8_t* u8 = tessel::global_u8_array_ptr(u8_name, 0, u8_count);
    if (i32 == nullptr || f32 == nullptr || u8 == nullptr) return 0;
    return tessel_render_trace_native(i32, f32, u8);
}

namespace tessel {

uint32_t current_render_trace(std::span<const int32_t> i32, std::span<const float> f32, std::span<const uint8_t> u8) {
    if (i32.size() != TESSEL_GFX_I32_CAPACITY || f32.size() != TESSEL_GFX_F32_CAPACITY ||
        u8.size() != TESSEL_GFX_U8_CAPACITY) {
        return 0;
    }
    return tessel_render_trace_native(i32.data(), f32.data(), u8.data());
}

}  // namespace tessel
