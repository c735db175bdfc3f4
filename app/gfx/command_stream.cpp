// The writer of the graphics command stream: the frame protocol, the primitive writers and the sprite
// writer, all storing straight into gfx_cmd_i32, gfx_cmd_f32 and gfx_cmd_u8.
//
// Sections: header helpers, frame protocol, text resolution, primitives, sprite writer.
//
// Every writer stores a whole record and its order entry, or stores nothing and counts a drop. The
// header and the writer state are ordinary module state that a host may restore or rewrite, so every
// count is range-checked before it becomes an index and every counter wraps instead of overflowing.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string_view>

#include "app/gfx/gfx.hpp"
#include "tessel/jit.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Header helpers

constexpr int32_t wrapping_add(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

void count_drop(int32_t word, int32_t amount = 1) { gfx_cmd_i32[word] = wrapping_add(gfx_cmd_i32[word], amount); }

constexpr int32_t order_entry(int32_t kind, int32_t index) { return (kind << TESSEL_GFX_ORDER_KIND_SHIFT) + index; }

/** Appends one draw order entry; false (and a counted order drop) when the list is full. */
bool append_order(int32_t kind, int32_t index) {
    const int32_t length = gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH];
    if (length < 0 || length >= TESSEL_GFX_MAX_ORDER) {
        count_drop(TESSEL_GFX_W_ORDER_DROPPED);
        return false;
    }
    gfx_cmd_i32[TESSEL_GFX_I32_ORDER + length] = order_entry(kind, index);
    gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH] = length + 1;
    return true;
}

bool order_is_full() {
    const int32_t length = gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH];
    return length < 0 || length >= TESSEL_GFX_MAX_ORDER;
}

void zero_words(int32_t first, int32_t last) {
    std::fill(gfx_cmd_i32 + first, gfx_cmd_i32 + last + 1, 0);
}

/** Starts a fresh header; record contents stay, only the counts make them live. */
void reset_frame() {
    gfx_sprite_writer_frame_generation = std::max(wrapping_add(gfx_sprite_writer_frame_generation, 1), 1);
    gfx_sprite_writer_token = 0;
    gfx_cmd_i32[TESSEL_GFX_W_MAGIC] = TESSEL_GFX_MAGIC;
    gfx_cmd_i32[TESSEL_GFX_W_VERSION] = TESSEL_GFX_VERSION;
    zero_words(TESSEL_GFX_W_FLAGS, TESSEL_GFX_W_TEXT_BYTES);
    zero_words(TESSEL_GFX_W_ORDER_LENGTH, TESSEL_GFX_W_RECTS_DROPPED);
    zero_words(TESSEL_GFX_W_CLIP_COUNT, TESSEL_GFX_W_WRITERS_REFUSED);
}

// ---------------------------------------------------------------------------------------------
// Text resolution
//
// A text id names a string literal or a registered text buffer. The module's own literals are
// resolved from a sorted table built at compile time; every other id goes through the registry, which
// gives the same answer for literals too but one lock per byte.

struct Literal {
    int32_t id;
    std::string_view text;
};

constexpr auto sorted_literals = [] {
    std::array<Literal, state::literal_count> sorted{};
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        sorted[i] = {tessel::name_hash(state::literals[i]), state::literals[i]};
    }
    std::sort(sorted.begin(), sorted.end(), [](const Literal& a, const Literal& b) { return a.id < b.id; });
    return sorted;
}();

// The table shortcut is only sound while no module state answers the registry for a literal's id
// first: a plain array under the id, or an integer scalar at the id's ".length" or ".max_length".
consteval bool literals_are_unshadowed() {
    std::array<int32_t, state::global_count> names{};
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = tessel::name_hash(state::globals[i].path);
    for (const Literal& l : sorted_literals) {
        const int32_t length = tessel::name_hash_extend(l.id, ".length");
        const int32_t max_length = tessel::name_hash_extend(l.id, ".max_length");
        for (std::size_t i = 0; i < names.size(); ++i) {
            const state::Global& g = state::globals[i];
            if (g.kind == state::Kind::array && g.record.empty() && names[i] == l.id) return false;
            if (g.kind == state::Kind::scalar && g.type == state::Type::i32 &&
                (names[i] == length || names[i] == max_length)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(literals_are_unshadowed(), "a string literal's id is shadowed by module state");

const std::string_view* find_literal(int32_t id) {
    const auto* it = std::lower_bound(sorted_literals.begin(), sorted_literals.end(), id,
                                      [](const Literal& l, int32_t key) { return l.id < key; });
    return it != sorted_literals.end() && it->id == id ? &it->text : nullptr;
}

// ---------------------------------------------------------------------------------------------
// Sprite instances

bool instance_is_valid(int32_t sprite, int32_t reserved, const GfxSpriteFloats& f) {
    if (sprite == 0 || reserved != 0) return false;
    const float values[] = {f.dst_x,    f.dst_y,    f.dst_w,   f.dst_h,   f.src_x,   f.src_y,  f.src_w,
                            f.src_h,    f.origin_x, f.origin_y, f.scale_x, f.scale_y, f.rotation};
    // Consumers reject a whole frame over one non-finite instance, so such an instance is refused here.
    for (float v : values) {
        if (!std::isfinite(v)) return false;
    }
    if (!(f.dst_w > 0.0f) || !(f.dst_h > 0.0f)) return false;
    if (f.src_x < 0.0f || f.src_y < 0.0f || f.src_w < 0.0f || f.src_h < 0.0f) return false;
    if ((f.src_w == 0.0f) != (f.src_h == 0.0f)) return false;
    return f.scale_x != 0.0f && f.scale_y != 0.0f;
}

bool is_open_token(int32_t token) { return token >= 1 && token == gfx_sprite_writer_token; }

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frame protocol

void gfx_begin_frame() {
    if (gfx_frame_construction_active == 0) {
        reset_frame();
        gfx_frame_construction_invalid = 0;
        gfx_frame_construction_active = 1;
    } else {
        gfx_frame_construction_invalid = 1;
    }
}

int32_t gfx_end_frame(int32_t status) {
    const bool complete = gfx_frame_construction_active != 0 && gfx_frame_construction_invalid == 0 &&
                          status == 0 && gfx_sprite_writer_token == 0;
    gfx_frame_construction_active = 0;
    if (complete) {
        if (gfx_cmd_i32[TESSEL_GFX_W_FLAGS] < TESSEL_GFX_FLAG_COMPLETE) {
            gfx_cmd_i32[TESSEL_GFX_W_FLAGS] += TESSEL_GFX_FLAG_COMPLETE;
        }
        return 0;
    }
    // A reset clears the complete bit, so consumers keep showing the previous frame.
    reset_frame();
    return status;
}

// ---------------------------------------------------------------------------------------------
// Primitives

void gfx_clear(float r, float g, float b, float a) {
    int32_t& flags = gfx_cmd_i32[TESSEL_GFX_W_FLAGS];
    if (flags == 0 || flags == TESSEL_GFX_FLAG_COMPLETE) flags += TESSEL_GFX_FLAG_CLEAR;
    float* colour = gfx_cmd_f32 + TESSEL_GFX_F32_CLEAR;
    colour[0] = r;
    colour[1] = g;
    colour[2] = b;
    colour[3] = a;
}

void gfx_line(float x1, float y1, float x2, float y2, float r, float g, float b, float a) {
    const int32_t lines = gfx_cmd_i32[TESSEL_GFX_W_LINE_COUNT];
    const int32_t rects = gfx_cmd_i32[TESSEL_GFX_W_RECT_COUNT];
    if (lines < 0 || rects < 0 || rects > TESSEL_GFX_MAX_SHAPES || lines >= TESSEL_GFX_MAX_SHAPES - rects ||
        !append_order(TESSEL_GFX_KIND_LINE, lines)) {
        count_drop(TESSEL_GFX_W_LINES_DROPPED);
        return;
    }
    float* slot = gfx_cmd_f32 + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * lines;
    const float values[TESSEL_GFX_SHAPE_STRIDE] = {x1, y1, x2, y2, r, g, b, a};
    std::copy(std::begin(values), std::end(values), slot);
    gfx_cmd_i32[TESSEL_GFX_W_LINE_COUNT] = lines + 1;
}

void gfx_rect(float x, float y, float w, float h, float r, float g, float b, float a) {
    const int32_t rects = gfx_cmd_i32[TESSEL_GFX_W_RECT_COUNT];
    const int32_t lines = gfx_cmd_i32[TESSEL_GFX_W_LINE_COUNT];
    if (rects < 0 || lines < 0 || lines > TESSEL_GFX_MAX_SHAPES || rects >= TESSEL_GFX_MAX_SHAPES - lines ||
        !append_order(TESSEL_GFX_KIND_RECT, rects)) {
        count_drop(TESSEL_GFX_W_RECTS_DROPPED);
        return;
    }
    // Rectangles fill the shared slot pool from the back.
    float* slot = gfx_cmd_f32 + TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * (TESSEL_GFX_MAX_SHAPES - 1 - rects);
    const float values[TESSEL_GFX_SHAPE_STRIDE] = {x, y, w, h, r, g, b, a};
    std::copy(std::begin(values), std::end(values), slot);
    gfx_cmd_i32[TESSEL_GFX_W_RECT_COUNT] = rects + 1;
}

void gfx_text(int32_t font, int32_t text, float x, float y, float r, float g, float b, float a) {
    const int32_t index = gfx_cmd_i32[TESSEL_GFX_W_TEXT_COUNT];
    // A negative count would index below the text records.
    if (index < 0 || index >= TESSEL_GFX_MAX_TEXTS) {
        count_drop(TESSEL_GFX_W_TEXTS_DROPPED);
        return;
    }
    const std::string_view* literal = find_literal(text);
    int32_t length = 0;
    int32_t max_length = 0;
    if (literal != nullptr) {
        length = static_cast<int32_t>(literal->size());
        max_length = length;
    } else {
        length = tessel_jit_collection_i32_load(text, TESSEL_COLLECTION_LENGTH);
        max_length = tessel_jit_collection_i32_load(text, TESSEL_COLLECTION_MAX_LENGTH);
    }
    if (max_length > 0 && length > max_length) length = max_length;
    length = std::clamp(length, 0, TESSEL_GFX_MAX_TEXT_BYTES);

    const int32_t offset = std::max(gfx_cmd_i32[TESSEL_GFX_W_TEXT_BYTES], 0);
    if (int64_t{offset} + 1 + length > TESSEL_GFX_U8_CAPACITY || !append_order(TESSEL_GFX_KIND_TEXT, index)) {
        count_drop(TESSEL_GFX_W_TEXTS_DROPPED);
        return;
    }

    uint8_t* bytes = gfx_cmd_u8 + offset;
    if (literal != nullptr) {
        std::memcpy(bytes, literal->data(), static_cast<std::size_t>(length));
    } else {
        for (int32_t i = 0; i < length; ++i) {
            bytes[i] = static_cast<uint8_t>(tessel_jit_global_i32_array_load(text, 0, i));
        }
    }
    bytes[length] = 0;

    int32_t* record = gfx_cmd_i32 + TESSEL_GFX_I32_TEXTS + TESSEL_GFX_TEXT_I32_STRIDE * index;
    record[0] = font;
    record[1] = offset;
    record[2] = length;
    float* place = gfx_cmd_f32 + TESSEL_GFX_F32_TEXTS + TESSEL_GFX_TEXT_F32_STRIDE * index;
    const float values[TESSEL_GFX_TEXT_F32_STRIDE] = {x, y, r, g, b, a};
    std::copy(std::begin(values), std::end(values), place);
    gfx_cmd_i32[TESSEL_GFX_W_TEXT_BYTES] = offset + length + 1;
    gfx_cmd_i32[TESSEL_GFX_W_TEXT_COUNT] = index + 1;
}

void gfx_push_clip(float x, float y, float w, float h) {
    const int32_t index = gfx_cmd_i32[TESSEL_GFX_W_CLIP_COUNT];
    if (index < 0 || index >= TESSEL_GFX_MAX_CLIPS || !append_order(TESSEL_GFX_KIND_PUSH_CLIP, index)) {
        count_drop(TESSEL_GFX_W_CLIPS_DROPPED);
        return;
    }
    float* clip = gfx_cmd_f32 + TESSEL_GFX_F32_CLIPS + TESSEL_GFX_CLIP_STRIDE * index;
    clip[0] = x;
    clip[1] = y;
    clip[2] = w;
    clip[3] = h;
    gfx_cmd_i32[TESSEL_GFX_W_CLIP_COUNT] = index + 1;
}

void gfx_pop_clip() {
    if (!append_order(TESSEL_GFX_KIND_POP_CLIP, 0)) count_drop(TESSEL_GFX_W_CLIPS_DROPPED);
}

// ---------------------------------------------------------------------------------------------
// Sprite writer

int32_t gfx_sprite_begin(int32_t capacity, int32_t clip, int32_t material, int32_t blend, int32_t filter,
                         int32_t pass, int32_t flags) {
    const int32_t instances = gfx_cmd_i32[TESSEL_GFX_W_INSTANCE_COUNT];
    const int32_t batches = gfx_cmd_i32[TESSEL_GFX_W_BATCH_COUNT];
    const bool refused = capacity < 1 || gfx_sprite_writer_token != 0 || instances < 0 ||
                         instances > TESSEL_GFX_MAX_INSTANCES || TESSEL_GFX_MAX_INSTANCES - instances < capacity ||
                         batches < 0 || batches >= TESSEL_GFX_MAX_BATCHES || order_is_full() || clip < -1 ||
                         material != 0 || blend != 0 || filter != 0 || pass != 0 || flags != 0;
    if (refused) {
        if (capacity > 0) {
            count_drop(TESSEL_GFX_W_INSTANCES_DROPPED, capacity);
            count_drop(TESSEL_GFX_W_WRITERS_REFUSED);
        }
        return 0;
    }
    gfx_sprite_writer_next_token = std::max(wrapping_add(gfx_sprite_writer_next_token, 1), 1);
    gfx_sprite_writer_token = gfx_sprite_writer_next_token;
    gfx_sprite_writer_start = instances;
    gfx_sprite_writer_capacity = capacity;
    gfx_sprite_writer_written = 0;
    gfx_sprite_writer_clip = clip;
    gfx_sprite_writer_material = material;
    gfx_sprite_writer_blend = blend;
    gfx_sprite_writer_filter = filter;
    gfx_sprite_writer_pass = pass;
    gfx_sprite_writer_flags = flags;
    return gfx_sprite_writer_token;
}

int32_t gfx_sprite_add(int32_t token, int32_t sprite, int32_t tint, int32_t reserved, const GfxSpriteFloats& f) {
    const int32_t written = gfx_sprite_writer_written;
    if (!is_open_token(token) || written < 0 || written >= gfx_sprite_writer_capacity ||
        !instance_is_valid(sprite, reserved, f)) {
        return 0;
    }
    // The writer state may have been restored from outside; never index past the instance records.
    const int64_t index = int64_t{gfx_sprite_writer_start} + written;
    if (gfx_sprite_writer_start < 0 || index >= TESSEL_GFX_MAX_INSTANCES) return 0;

    int32_t* ints = gfx_cmd_i32 + TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * index;
    ints[0] = sprite;
    ints[1] = tint;
    ints[2] = reserved;
    float* floats = gfx_cmd_f32 + TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * index;
    const float values[TESSEL_GFX_INSTANCE_F32_STRIDE] = {f.dst_x,    f.dst_y,    f.dst_w,   f.dst_h,  f.src_x,
                                                          f.src_y,    f.src_w,    f.src_h,   f.origin_x,
                                                          f.origin_y, f.scale_x, f.scale_y, f.rotation};
    std::copy(std::begin(values), std::end(values), floats);
    gfx_sprite_writer_written = written + 1;
    return 1;
}

int32_t gfx_sprite_commit(int32_t token, int32_t count) {
    if (!is_open_token(token) || count < 0 || count > gfx_sprite_writer_written) return 0;
    if (count == 0) {
        gfx_sprite_writer_token = 0;
        return 1;
    }
    const int32_t batch = gfx_cmd_i32[TESSEL_GFX_W_BATCH_COUNT];
    const int32_t start = gfx_sprite_writer_start;
    if (batch < 0 || batch >= TESSEL_GFX_MAX_BATCHES || order_is_full() || start < 0 ||
        int64_t{start} + count > TESSEL_GFX_MAX_INSTANCES) {
        return 0;
    }
    int32_t* record = gfx_cmd_i32 + TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * batch;
    const int32_t values[TESSEL_GFX_BATCH_STRIDE] = {start,
                                                     count,
                                                     gfx_sprite_writer_clip,
                                                     gfx_sprite_writer_material,
                                                     gfx_sprite_writer_blend,
                                                     gfx_sprite_writer_filter,
                                                     gfx_sprite_writer_pass,
                                                     gfx_sprite_writer_flags};
    std::copy(std::begin(values), std::end(values), record);
    append_order(TESSEL_GFX_KIND_BATCH, batch);
    gfx_cmd_i32[TESSEL_GFX_W_INSTANCE_COUNT] = start + count;
    gfx_cmd_i32[TESSEL_GFX_W_BATCH_COUNT] = batch + 1;
    gfx_sprite_writer_token = 0;
    return 1;
}

int32_t gfx_sprite_cancel(int32_t token) {
    if (!is_open_token(token)) return 0;
    gfx_sprite_writer_token = 0;
    return 1;
}

void gfx_draw_sprite(int32_t sprite, int32_t tint, const GfxSpriteFloats& f) {
    const int32_t token = gfx_sprite_begin(1, -1, 0, 0, 0, 0, 0);
    if (token == 0) return;
    if (gfx_sprite_add(token, sprite, tint, 0, f) == 0) {
        gfx_sprite_cancel(token);
        return;
    }
    gfx_sprite_commit(token, 1);
}
