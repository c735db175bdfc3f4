/* The runtime's C ABI for compiled code: the state registry, collection scalars, string literals, text
 * runs, element copies and the render trace.
 *
 * Every hash and index is a signed 32-bit integer; nothing here unwinds. Missing state reads as zero,
 * stores to unknown names create runtime-side fallback values, and out-of-range indices of registered
 * arrays are ignored on store and read as zero. */
#ifndef TESSEL_JIT_H
#define TESSEL_JIT_H

#include <stdint.h>

#include "export.h"

/** Storage kinds of the registry. */
typedef enum TesselJitStorageKind {
    TESSEL_JIT_I32 = 0,
    TESSEL_JIT_F32 = 1,
    TESSEL_JIT_F64 = 2,
    TESSEL_JIT_U8 = 3,
    TESSEL_JIT_U16 = 4,
} TesselJitStorageKind;

/** Selectors of the collection scalars of a path: ".length", ".max_length", ".char_length". */
#define TESSEL_COLLECTION_LENGTH 1
#define TESSEL_COLLECTION_MAX_LENGTH 2
#define TESSEL_COLLECTION_CHAR_LENGTH 3

TESSEL_BEGIN_C

/* Registration. A null address, or an array count of 0 or less, is ignored; so is any registration
 * made while guest code runs. The registry borrows the memory and never frees it. */
TESSEL_EXPORT void tessel_jit_register_global_i32_ptr(int32_t name, int32_t* address) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_f32_ptr(int32_t name, float* address) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_f64_ptr(int32_t name, double* address) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_i32_array(int32_t name, int32_t field, int32_t* address, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_f32_array(int32_t name, int32_t field, float* address, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_f64_array(int32_t name, int32_t field, double* address, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_u8_array(int32_t name, int32_t field, uint8_t* address, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_register_global_u16_array(int32_t name, int32_t field, uint16_t* address, int32_t count) TESSEL_NOEXCEPT;

/* Scalars by name hash. */
TESSEL_EXPORT int32_t tessel_jit_global_i32_load(int32_t name) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_jit_global_f32_load(int32_t name) TESSEL_NOEXCEPT;
TESSEL_EXPORT double tessel_jit_global_f64_load(int32_t name) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_i32_store(int32_t name, int32_t value) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_f32_store(int32_t name, float value) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_f64_store(int32_t name, double value) TESSEL_NOEXCEPT;

/* Array elements by (name hash, field hash, index). The i32 form also reads the byte and 16-bit lanes
 * and, for field 0, the bytes of a string literal. */
TESSEL_EXPORT int32_t tessel_jit_global_i32_array_load(int32_t name, int32_t field, int32_t index) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_jit_global_f32_array_load(int32_t name, int32_t field, int32_t index) TESSEL_NOEXCEPT;
TESSEL_EXPORT double tessel_jit_global_f64_array_load(int32_t name, int32_t field, int32_t index) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_i32_array_store(int32_t name, int32_t field, int32_t index, int32_t value) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_f32_array_store(int32_t name, int32_t field, int32_t index, float value) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_global_f64_array_store(int32_t name, int32_t field, int32_t index, double value) TESSEL_NOEXCEPT;

/** Address of element 0 of an array holding at least minimum elements, growing runtime-owned storage
 *  when needed; null when minimum is below 1 or host-owned storage is too short. The address stays
 *  valid until the next registration, growth or clear of that key. */
TESSEL_EXPORT int32_t* tessel_jit_global_i32_array_ptr(int32_t name, int32_t field, int32_t minimum) TESSEL_NOEXCEPT;
TESSEL_EXPORT float* tessel_jit_global_f32_array_ptr(int32_t name, int32_t field, int32_t minimum) TESSEL_NOEXCEPT;
TESSEL_EXPORT double* tessel_jit_global_f64_array_ptr(int32_t name, int32_t field, int32_t minimum) TESSEL_NOEXCEPT;

/* Collection scalars (selector 1 ".length", 2 ".max_length", 3 ".char_length"). */
TESSEL_EXPORT int32_t tessel_jit_collection_i32_load(int32_t path, int32_t selector) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_collection_i32_store(int32_t path, int32_t selector, int32_t value) TESSEL_NOEXCEPT;

/* String literals: id is the FNV-1a of the text. Null and invalid UTF-8 texts are ignored. */
TESSEL_EXPORT void tessel_jit_upsert_string_literal(int32_t id, const char* text) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_clear_string_literal_table(void) TESSEL_NOEXCEPT;

/* Text runs: fill the text record {font, handle, width, height} at target (index below 0: the scalar
 * form; otherwise element index of the record array) with a cached text. 1 on success, else 0. */
TESSEL_EXPORT int32_t tessel_jit_text_run_load_from(int32_t target, int32_t index, int32_t capacity, int32_t font, int32_t text) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_text_run_replace_from(int32_t target, int32_t index, int32_t capacity, int32_t font, int32_t text) TESSEL_NOEXCEPT;

/* Element copies on arrays of field 0; overlapping ranges behave like memmove. */
TESSEL_EXPORT void tessel_jit_sys_memcpy_i32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_sys_memmove_i32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_sys_memcpy_f32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_sys_memmove_f32(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_sys_memcpy_u8(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_sys_memmove_u8(int32_t dst, int32_t dst_offset, int32_t src, int32_t src_offset, int32_t count) TESSEL_NOEXCEPT;

/* Render trace: a 32-bit digest of one command-stream frame; 0 for an invalid frame. */
TESSEL_EXPORT uint32_t tessel_render_trace_native(const int32_t* cmd_i32, const float* cmd_f32, const uint8_t* cmd_u8) TESSEL_NOEXCEPT;
TESSEL_EXPORT uint32_t tessel_jit_render_trace(int32_t i32_name, int32_t i32_count, int32_t f32_name, int32_t f32_count, int32_t u8_name, int32_t u8_count) TESSEL_NOEXCEPT;

TESSEL_END_C

#endif
