// Internal to tessel_dynload: the registry's tables, their keys and the helpers the runtime's own
// files share (storage growth, literal bytes, guest execution state).
//
// Lock order where two are held together: the dispatch lock (rebind guard), an owned table, the
// registered table of the same type, direct_storage_slots. A fallback table or the literal table is
// never held together with a table that comes before it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "tessel_dynload/internal/flat_map.hpp"
#include "tessel_dynload/internal/tables.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::internal {

// ---------------------------------------------------------------------------------------------
// Keys and element types

/** (name hash, field hash) of an array, packed into one word. */
using ArrayKey = uint64_t;

constexpr ArrayKey array_key(int32_t name, int32_t field) noexcept {
    return (static_cast<uint64_t>(static_cast<uint32_t>(name)) << 32) | static_cast<uint32_t>(field);
}

struct DirectStorageKeyHash {
    uint64_t operator()(const DirectStorageKey& key) const noexcept {
        return mix64(array_key(key.name, key.field) ^ (static_cast<uint64_t>(key.kind) * 0x9e3779b97f4a7c15ULL));
    }
};

template <class E>
inline constexpr TesselJitStorageKind kind_of = TESSEL_JIT_I32;
template <>
inline constexpr TesselJitStorageKind kind_of<float> = TESSEL_JIT_F32;
template <>
inline constexpr TesselJitStorageKind kind_of<double> = TESSEL_JIT_F64;
template <>
inline constexpr TesselJitStorageKind kind_of<uint8_t> = TESSEL_JIT_U8;
template <>
inline constexpr TesselJitStorageKind kind_of<uint16_t> = TESSEL_JIT_U16;

/** The lanes I32, U8 and U16 share one key space. */
template <class E>
inline constexpr bool is_integer_lane =
    std::is_same_v<E, int32_t> || std::is_same_v<E, uint8_t> || std::is_same_v<E, uint16_t>;

/** Scalars and fallback tables exist for these element types only. */
template <class E>
inline constexpr bool is_scalar_type =
    std::is_same_v<E, int32_t> || std::is_same_v<E, float> || std::is_same_v<E, double>;

/** A registered array: borrowed address of element 0 and element count. */
template <class E>
struct RegisteredArray {
    E* address = nullptr;
    std::size_t count = 0;
};

// ---------------------------------------------------------------------------------------------
// Tables (defined in registry.cpp and literals.cpp; each created on first use, never destroyed)

template <class T>
using RegisteredScalarMap = FlatMap<int32_t, T*>;
template <class T>
using OwnedScalarMap = FlatMap<int32_t, std::unique_ptr<T>>;
template <class T>
using FallbackScalarMap = FlatMap<int32_t, T>;
template <class E>
using RegisteredArrayMap = FlatMap<ArrayKey, RegisteredArray<E>>;
template <class E>
using OwnedArrayMap = FlatMap<ArrayKey, std::vector<E>>;
/** Fallback elements grouped by (name, field), so "has any element" and migration are one lookup. */
template <class T>
using FallbackArrayMap = FlatMap<ArrayKey, FlatMap<int32_t, T>>;
using DirectSlotMap = FlatMap<DirectStorageKey, std::unique_ptr<JitStorageSlot>, DirectStorageKeyHash>;
using RequiredLengthMap = FlatMap<DirectStorageKey, std::size_t, DirectStorageKeyHash>;
using StringLiteralMap = FlatMap<int32_t, std::string>;

/** registered_i32_ptrs, registered_f32_ptrs, registered_f64_ptrs. */
template <class T>
Table<RegisteredScalarMap<T>>& registered_scalars();
/** owned_i32_scalars, owned_f32_scalars, owned_f64_scalars. */
template <class T>
Table<OwnedScalarMap<T>>& owned_scalars();
/** jit_i32_global_table, jit_f32_global_table, jit_f64_global_table. */
template <class T>
Table<FallbackScalarMap<T>>& fallback_scalars();
/** registered_i32_arrays and its f32, f64, u8, u16 twins. */
template <class E>
Table<RegisteredArrayMap<E>>& registered_arrays();
/** owned_i32_arrays and its f32, f64, u8, u16 twins. */
template <class E>
Table<OwnedArrayMap<E>>& owned_arrays();
/** jit_i32_array_global_table, jit_f32_array_global_table, jit_f64_array_global_table. */
template <class T>
Table<FallbackArrayMap<T>>& fallback_arrays();
Table<DirectSlotMap>& direct_storage_slots();
Table<RequiredLengthMap>& direct_array_required_lengths();
/** jit_string_literal_table (literals.cpp). */
Table<StringLiteralMap>& string_literal_table();

/** Messages of callers that name a table in their own words. */
namespace poisoned {
inline constexpr const char* registered_scalar = "registered scalar table mutex poisoned";
inline constexpr const char* registered_array = "registered array table mutex poisoned";
inline constexpr const char* owned_scalar = "owned scalar table mutex poisoned";
inline constexpr const char* owned_array = "owned array table mutex poisoned";
inline constexpr const char* fallback_scalar = "fallback scalar table mutex poisoned";
inline constexpr const char* fallback_array = "fallback array table mutex poisoned";
}  // namespace poisoned

// ---------------------------------------------------------------------------------------------
// Guest execution (registry.cpp)

/** Non-zero exactly while a guest execution window is open. */
extern std::atomic<unsigned> guest_execution_count;

inline constexpr const char* rebind_refused_text = "storage rebinding is only allowed between guest execution windows";

// ---------------------------------------------------------------------------------------------
// Typed storage (storage.cpp)

/** ensure_jit_*_array_capacity for element type E. */
template <class E>
Status ensure_array_capacity(int32_t name, int32_t field, std::size_t required);
/** ensure_jit_*_array_capacity_unlocked for element type E. */
template <class E>
Status ensure_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);

// ---------------------------------------------------------------------------------------------
// Literals (literals.cpp)

/** Byte index of the literal id zero-extended, 0 past its end; none when id is no literal. */
std::optional<int32_t> literal_byte(int32_t id, int32_t index);

/** Length of a literal in bytes and in Unicode scalar values. */
struct LiteralLength {
    std::size_t bytes;
    std::size_t scalars;
};
std::optional<LiteralLength> literal_length(int32_t id);

}  // namespace tessel::internal
