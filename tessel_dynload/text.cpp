// Text ids: resolution of an id to the bytes of a registered text buffer or a string literal, the
// two text-run helpers that fill text records in module state, and the element copies compiled code
// uses as memcpy and memmove on state arrays.
//
// Sections: text ids; text runs; element copies.
#include <climits>
#include <string>
#include <vector>

#include "tessel/fnv1a.h"
#include "tessel_dynload/internal/registry_tables.hpp"
#include "tessel_dynload/internal/text_services.hpp"
#include "tessel_dynload/internal/utf8.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel {

using namespace internal;

// ---------------------------------------------------------------------------------------------
// Text ids

namespace {

constexpr std::size_t max_string_value_bytes = 1048576;

// Bytes of a registered text buffer: its ".length" elements, each 0..255; none otherwise.
std::optional<std::string> text_buffer_bytes(int32_t id, std::optional<std::size_t> maximum) {
    const int32_t n = tessel_jit_collection_i32_load(id, TESSEL_COLLECTION_LENGTH);
    if (n < 0) return std::nullopt;
    if (maximum && static_cast<std::size_t>(n) > *maximum) return std::nullopt;
    std::string bytes;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t element = tessel_jit_global_i32_array_load(id, 0, i);
        if (static_cast<uint32_t>(element) > 255) return std::nullopt;
        bytes.push_back(static_cast<char>(element));
    }
    return bytes;
}

template <class T>
bool has_registered_array(int32_t name, int32_t field) {
    auto registered = registered_arrays<T>().lock();
    return registered->contains(array_key(name, field));
}

}  // namespace

bool jit_text_buffer_is_registered(int32_t id) {
    if (jit_i32_slot_is_registered(name_hash_extend(id, ".max_length"))) return true;
    if (has_registered_array<uint8_t>(id, 0)) return true;
    if (has_registered_array<int32_t>(id, 0)) return true;
    auto fallback = fallback_arrays<int32_t>().lock();
    return fallback->contains(array_key(id, 0));
}

std::optional<std::string> jit_text_arg_bytes(int32_t id) {
    if (jit_text_buffer_is_registered(id)) {
        if (auto bytes = text_buffer_bytes(id, std::nullopt)) return bytes;
    }
    return jit_string_literal_value(id);
}

std::optional<std::string> bounded_jit_text_arg_bytes(int32_t id, std::size_t maximum) {
    if (jit_text_buffer_is_registered(id)) return text_buffer_bytes(id, maximum);
    auto literal = jit_string_literal_value(id);
    if (!literal || literal->size() > maximum) return std::nullopt;
    return literal;
}

Result<std::string> jit_text_arg_to_cstring(int32_t id) {
    auto bytes = jit_text_arg_bytes(id);
    if (!bytes) {
        return Result<std::string>::failure("missing jit text handle for id=" + std::to_string(id) +
                                            " (neither literal nor utf8 buffer)");
    }
    if (bytes->find('\0') != std::string::npos) {
        return Result<std::string>::failure("string contains interior NUL byte; cannot pass to C runtime");
    }
    return std::move(*bytes);
}

Result<std::string> jit_string_value(int32_t id) {
    auto bytes = bounded_jit_text_arg_bytes(id, max_string_value_bytes);
    if (!bytes) return Result<std::string>::failure("invalid or oversized JIT string handle " + std::to_string(id));
    if (!is_valid_utf8(*bytes)) {
        return Result<std::string>::failure("JIT string handle " + std::to_string(id) + " contains invalid UTF-8");
    }
    return std::move(*bytes);
}

}  // namespace tessel

// ---------------------------------------------------------------------------------------------
// Text runs

namespace {

using namespace tessel;
using namespace tessel::internal;

constexpr int32_t font_field = name_hash("font");
constexpr int32_t handle_field = name_hash("handle");
constexpr int32_t width_field = name_hash("width");
constexpr int32_t height_field = name_hash("height");

bool text_run_arguments_valid(int32_t index, int32_t capacity, int32_t font) {
    if (font <= 0) return false;
    return index < 0 || index < capacity;
}

// The handle of the text record at target: P.handle for index below 0, else element index of the
// "handle" field.
int32_t text_record_handle(int32_t target, int32_t index) {
    if (index < 0) return tessel_jit_global_i32_load(name_hash_extend(target, ".handle"));
    return tessel_jit_global_i32_array_load(target, handle_field, index);
}

void store_text_record(int32_t target, int32_t index, int32_t font, int32_t id) {
    const TextServices& services = text_services();
    const float width = services.measure_cached(id);
    const float height = services.measure_cached_height(id);
    if (index < 0) {
        tessel_jit_global_i32_store(name_hash_extend(target, ".font"), font);
        tessel_jit_global_i32_store(name_hash_extend(target, ".handle"), id);
        tessel_jit_global_f32_store(name_hash_extend(target, ".width"), width);
        tessel_jit_global_f32_store(name_hash_extend(target, ".height"), height);
    } else {
        tessel_jit_global_i32_array_store(target, font_field, index, font);
        tessel_jit_global_i32_array_store(target, handle_field, index, id);
        tessel_jit_global_f32_array_store(target, width_field, index, width);
        tessel_jit_global_f32_array_store(target, height_field, index, height);
    }
}

// ---------------------------------------------------------------------------------------------
// Element copies

int32_t saturating_add(int32_t a, int32_t b) {
    const int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT32_MAX) return INT32_MAX;
    if (sum < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(sum);
}

// Reads all source elements before writing any, so overlapping ranges of one array act as memmove.
template <class T, T (*load)(int32_t, int32_t, int32_t) noexcept, void (*store)(int32_t, int32_t, int32_t, T) noexcept>
void copy_elements(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) {
    if (count <= 0) return;
    std::vector<T> buffer(static_cast<std::size_t>(count));
    for (int32_t i = 0; i < count; ++i)
        buffer[static_cast<std::size_t>(i)] = load(src, 0, saturating_add(src_offset, i));
    for (int32_t i = 0; i < count; ++i)
        store(dst, 0, saturating_add(dst_offset, i), buffer[static_cast<std::size_t>(i)]);
}

void copy_i32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) {
    copy_elements<int32_t, tessel_jit_global_i32_array_load, tessel_jit_global_i32_array_store>(dst, dst_offset, src,
                                                                                                src_offset, count);
}

void copy_f32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) {
    copy_elements<float, tessel_jit_global_f32_array_load, tessel_jit_global_f32_array_store>(dst, dst_offset, src,
                                                                                              src_offset, count);
}

// Byte copy: a literal source that is not also a text buffer gives its own bytes (0 outside them).
void copy_u8(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) {
    if (count <= 0) return;
    if (!jit_text_buffer_is_registered(src)) {
        if (auto literal = jit_string_literal_value(src)) {
            for (int32_t i = 0; i < count; ++i) {
                const int32_t at = saturating_add(src_offset, i);
                const bool inside = at >= 0 && static_cast<std::size_t>(at) < literal->size();
                const int32_t byte = inside ? static_cast<uint8_t>((*literal)[static_cast<std::size_t>(at)]) : 0;
                tessel_jit_global_i32_array_store(dst, 0, saturating_add(dst_offset, i), byte);
            }
            return;
        }
    }
    copy_i32(dst, dst_offset, src, src_offset, count);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// C ABI

int32_t tessel_jit_text_run_load_from(int32_t target, int32_t index, int32_t capacity, int32_t font,
                                      int32_t text) noexcept {
    if (!text_run_arguments_valid(index, capacity, font)) return 0;
    const int32_t id = text_services().cache_text(font, text);
    if (id <= 0) return 0;
    store_text_record(target, index, font, id);
    return 1;
}

int32_t tessel_jit_text_run_replace_from(int32_t target, int32_t index, int32_t capacity, int32_t font,
                                         int32_t text) noexcept {
    if (!text_run_arguments_valid(index, capacity, font)) return 0;
    const int32_t old_id = text_record_handle(target, index);
    auto bytes = jit_text_arg_bytes(text);
    if (!bytes) return 0;
    const int32_t id = text_services().replace_text(old_id, font, *bytes);
    if (id <= 0) return 0;
    store_text_record(target, index, font, id);
    return 1;
}

void tessel_jit_sys_memcpy_i32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                               int32_t count) noexcept {
    copy_i32(dst, dst_offset, src, src_offset, count);
}
void tessel_jit_sys_memmove_i32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                                int32_t count) noexcept {
    copy_i32(dst, dst_offset, src, src_offset, count);
}
void tessel_jit_sys_memcpy_f32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                               int32_t count) noexcept {
    copy_f32(dst, dst_offset, src, src_offset, count);
}
void tessel_jit_sys_memmove_f32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                                int32_t count) noexcept {
    copy_f32(dst, dst_offset, src, src_offset, count);
}
void tessel_jit_sys_memcpy_u8(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                              int32_t count) noexcept {
    copy_u8(dst, dst_offset, src, src_offset, count);
}
void tessel_jit_sys_memmove_u8(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset,
                               int32_t count) noexcept {
    copy_u8(dst, dst_offset, src, src_offset, count);
}
