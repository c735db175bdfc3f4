// Host-facing library operations of the tessel_dynload runtime.
//
// Sections: registry (tables, registration, clear operations, rebind guard), typed array storage
// (owned storage, direct storage slots), string literals and text ids, command-stream production copy,
// render trace. The C ABI for compiled code is in include/tessel/jit.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "result.hpp"
#include "tessel/export.h"
#include "tessel/jit.h"

namespace tessel {

// ---------------------------------------------------------------------------------------------
// Registry
//
// The process-wide map of module state under 32-bit FNV-1a name hashes (and field hashes for the
// columns of record arrays). Registered entries borrow module memory; names nobody registered keep
// their values in fallback tables, so a missing name reads as zero. Every table has its own mutex,
// held only for one lookup or update; any thread may call any operation.

/** Registered storage: borrowed address of element 0 and element count (1 for a scalar). */
struct RegisteredStorage {
    void* address = nullptr;
    std::size_t count = 0;
};

/** Registers the scalar at address under name, replacing an earlier registration; a runtime-owned
 *  cell of the name at another address is freed (its value is not copied). A null address is
 *  ignored, and so is every registration while guest code runs. */
TESSEL_EXPORT void register_global_i32_ptr(int32_t name, int32_t* address);
TESSEL_EXPORT void register_global_f32_ptr(int32_t name, float* address);
TESSEL_EXPORT void register_global_f64_ptr(int32_t name, double* address);

/** Registers count elements at address under (name, field), replacing an earlier registration and
 *  freeing a runtime-owned array of the pair at another address. The lanes i32, u8 and u16 share one
 *  key space: registering in one removes the pair from the other two. Ignored for a null address, a
 *  count of 0, a count below a length promised by provision_direct_array_storage, and while guest
 *  code runs. */
TESSEL_EXPORT void register_global_i32_array(int32_t name, int32_t field, int32_t* address, std::size_t count);
TESSEL_EXPORT void register_global_f32_array(int32_t name, int32_t field, float* address, std::size_t count);
TESSEL_EXPORT void register_global_f64_array(int32_t name, int32_t field, double* address, std::size_t count);
TESSEL_EXPORT void register_global_u8_array(int32_t name, int32_t field, uint8_t* address, std::size_t count);
TESSEL_EXPORT void register_global_u16_array(int32_t name, int32_t field, uint16_t* address, std::size_t count);

/** Registered storage of (kind, name, field): for I32, F32 and F64 with field 0 the registered scalar
 *  (count 1) if there is one, else the registered array; otherwise the registered array. Fails with
 *  "direct storage backing was not provisioned". */
TESSEL_EXPORT Result<RegisteredStorage> registered_storage(TesselJitStorageKind kind, int32_t name, int32_t field);

/** True when name is a registered i32 scalar or has a fallback i32 value. */
TESSEL_EXPORT bool jit_i32_slot_is_registered(int32_t name);

/** Element count of the i32 array (name, field): the registered count, else the length of the
 *  runtime-owned array, else one more than the largest fallback index; none when nothing is known. */
TESSEL_EXPORT std::optional<std::size_t> jit_i32_array_capacity(int32_t name, int32_t field);

/** Sets elements start..start+count (exclusive) of the registered i32 array (name, field) to value.
 *  Errors: "registered i32 array range overflowed", "registered i32 array was not found",
 *  "registered i32 array range {start}..{end} exceeds length {count}". */
TESSEL_EXPORT Status fill_registered_global_i32_array(int32_t name, int32_t field, std::size_t start, std::size_t count, int32_t value);

/** The byte-array twin of tessel_jit_global_i32_array_ptr. */
TESSEL_EXPORT uint8_t* global_u8_array_ptr(int32_t name, int32_t field, int32_t minimum);

/** Remove every fallback scalar of the type, then set every runtime-owned cell of the type to zero
 *  (the cells and their registrations stay). */
TESSEL_EXPORT void clear_jit_i32_global_table();
TESSEL_EXPORT void clear_jit_f32_global_table();
TESSEL_EXPORT void clear_jit_f64_global_table();
/** Remove every fallback array element of the type, then zero every runtime-owned array of the type,
 *  keeping its length. */
TESSEL_EXPORT void clear_jit_i32_array_global_table();
TESSEL_EXPORT void clear_jit_f32_array_global_table();
TESSEL_EXPORT void clear_jit_f64_array_global_table();
/** Empties the registered, owned, slot and promised-length tables (freeing what the runtime owns),
 *  then resets the platform service state. Fallback and literal tables stay. Does nothing while guest
 *  code runs. A host that reloads code calls this and binds again. */
TESSEL_EXPORT void clear_registered_global_memory();

class RebindGuard;

/** The rebind guard, or "storage rebinding is only allowed between guest execution windows" while
 *  guest code runs. While a window is open the call fails at once without waiting for the dispatch
 *  lock, so guest code calling back into the registry never waits for the lock its caller holds. */
TESSEL_EXPORT Result<RebindGuard> acquire_rebind_guard();

/** The held dispatch lock (jit_dispatch_lock), keeping guest code out while storage is rebound.
 *  Move-only; destroying or resetting it unlocks. Unwinding by an exception while it is held poisons
 *  the dispatch lock ("jit dispatch lock mutex poisoned"). */
class TESSEL_EXPORT RebindGuard {
public:
    RebindGuard(RebindGuard&& other) noexcept;
    RebindGuard& operator=(RebindGuard&& other) noexcept;
    ~RebindGuard();

    /** True until the guard is reset or moved from. */
    bool owns_lock() const noexcept { return held_; }
    /** Unlocks now. */
    void reset() noexcept;

private:
    friend Result<RebindGuard> acquire_rebind_guard();
    explicit RebindGuard(int exceptions) noexcept : held_(true), exceptions_(exceptions) {}
    bool held_;
    int exceptions_;  // uncaught exceptions when the lock was taken
};

/** Opens a guest execution window: locks the dispatch lock (blocking) and increments
 *  guest_execution_count, so that every rebinding is refused until leave_guest_execution. The invoke
 *  operations of code swap bracket each guest call with these two. Not reentrant: the same thread
 *  must not open a second window inside the first. */
TESSEL_EXPORT void enter_guest_execution();
/** Closes the window opened by enter_guest_execution on this thread: decrements the counter and
 *  unlocks. Called while an exception unwinds (from a scope guard), it poisons the dispatch lock. */
TESSEL_EXPORT void leave_guest_execution();

/** Number of open guest execution windows (0 or 1). */
TESSEL_EXPORT unsigned guest_execution_count_value();

/** Puts text under the literal id, replacing an earlier text (the last upsert wins); while literal
 *  staging is active on this thread the text goes to the stage instead. */
TESSEL_EXPORT void upsert_jit_string_literal(int32_t id, std::string text);
/** Empties the literal table; touches no stage. */
TESSEL_EXPORT void clear_jit_string_literal_table();
/** A copy of the literal's text, or none. */
TESSEL_EXPORT std::optional<std::string> jit_string_literal_value(int32_t id);

// ---------------------------------------------------------------------------------------------
// Typed array storage
//
// Runtime-owned arrays and scalar cells for state nobody registered (or registered too short), and
// direct storage slots: fixed cells holding the current address and count of one piece of state,
// rewritten whenever it is rebound, so compiled code reaches it without hashing.

/** Makes (name, field) hold at least required elements: grows (zero-filled, to exactly required) or
 *  creates the runtime-owned array and registers it, moving fallback elements that fall inside it.
 *  Fails with "cannot grow host-owned collection storage from {count} to {required}" when a shorter
 *  host registration is in place, and with the rebinding text while guest code runs if compiled code
 *  holds a slot of the pair. The integer kinds first discard the pair from the other two lanes. */
TESSEL_EXPORT Status ensure_jit_i32_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_f32_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_f64_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_u8_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_u16_array_capacity(int32_t name, int32_t field, std::size_t required);
/** The ensure operations without any guard, for callers that already hold the rebind guard. */
TESSEL_EXPORT Status ensure_jit_i32_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_f32_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_f64_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_u8_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status ensure_jit_u16_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required);
/** Whether the ensure operation would succeed, changing nothing: fails only with the host-owned
 *  growth text. */
TESSEL_EXPORT Status preflight_jit_i32_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status preflight_jit_f32_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status preflight_jit_f64_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status preflight_jit_u8_array_capacity(int32_t name, int32_t field, std::size_t required);
TESSEL_EXPORT Status preflight_jit_u16_array_capacity(int32_t name, int32_t field, std::size_t required);

/** Key of a direct storage slot or a promised length; a scalar's key has field 0. */
struct DirectStorageKey {
    TesselJitStorageKind kind;
    int32_t name;
    int32_t field;
    auto operator<=>(const DirectStorageKey&) const = default;
};

/** A direct storage slot: the current data address and element count of one piece of state. Its
 *  own address never changes while it exists; its words change only under the rebind guard, so
 *  compiled code may read them without locking inside a guest execution window. */
struct JitStorageSlot {
    void* address;
    std::size_t count;
};

/** What direct_array_rebind_guard decided: a held guard, or none needed (no slot for the key). */
using OptionalRebindGuard = std::optional<RebindGuard>;

/** The rebind guard when compiled code may hold a slot of the pair (for the integer kinds, a slot in
 *  any of the lanes i32, u8 and u16, since growth discards the other two), none when no slot exists,
 *  or the rebinding text while guest code runs. */
TESSEL_EXPORT Result<OptionalRebindGuard> direct_array_rebind_guard(TesselJitStorageKind kind, int32_t name, int32_t field);
/** Removes the registration and frees the owned array of (name, field) in the integer lanes other
 *  than keep; a slot of a lane that lost its registration is set to (null, 0). */
TESSEL_EXPORT void discard_integer_array_lane(int32_t name, int32_t field, TesselJitStorageKind keep);
/** Ensures required elements (any kind value other than F32, F64, U8, U16 takes the i32 path),
 *  promises that length to compiled code (later registrations shorter than it are refused) and
 *  updates the slot. Errors: the rebinding text, the ensure errors, "direct storage backing was not
 *  provisioned". */
TESSEL_EXPORT Status provision_direct_array_storage(TesselJitStorageKind kind, int32_t name, int32_t field, std::size_t required);
/** Makes name a registered scalar (F32, F64, else I32): a host registration stays; otherwise a
 *  runtime-owned cell takes over the fallback value. Updates the slot; fails with the rebinding text
 *  while guest code runs. */
TESSEL_EXPORT Status provision_direct_scalar_storage(TesselJitStorageKind kind, int32_t name);
/** The slot of (kind, name, field), created on first request with the current registration (or
 *  null and 0); an existing slot is returned as it is. Slots live until clear_registered_global_memory. */
TESSEL_EXPORT JitStorageSlot* direct_storage_slot_address(TesselJitStorageKind kind, int32_t name, int32_t field);
TESSEL_EXPORT JitStorageSlot* direct_array_storage_slot_address(TesselJitStorageKind kind, int32_t name, int32_t field);
/** The slot of (kind, name, 0). */
TESSEL_EXPORT JitStorageSlot* direct_scalar_storage_slot_address(TesselJitStorageKind kind, int32_t name);
/** Overwrites the slot of key, if there is one. */
TESSEL_EXPORT void update_direct_storage_slot(DirectStorageKey key, void* address, std::size_t count);
/** True when no length is promised for key or count reaches it. */
TESSEL_EXPORT bool accepts_direct_array_rebind(DirectStorageKey key, std::size_t count);
/** The count word of the slot of (kind, name, field), or none without a slot. */
TESSEL_EXPORT std::optional<std::size_t> direct_array_storage_slot_len_for_test(TesselJitStorageKind kind, int32_t name, int32_t field);

// ---------------------------------------------------------------------------------------------
// String literals and text ids
//
// A text id names a string literal (FNV-1a of its bytes) or a registered text buffer: state at path
// hash id whose field-0 elements are bytes, with ".length" and ".max_length" collection scalars.

/** Literal id → text, as staged or as held by the literal table. */
using LiteralMap = std::map<int32_t, std::string>;

/** Starts staging literals on this thread: upserts made here go to the stage until finish. Fails with
 *  "JIT string literal staging is already active on this thread". */
TESSEL_EXPORT Status begin_jit_string_literal_staging();
/** Ends staging on this thread and returns the staged literals, or fails with "JIT string literal
 *  staging is not active" or with the first collision "JIT string literal hash collision for id {id}:
 *  '{staged}' vs '{new}'" (the stage is dropped either way). */
TESSEL_EXPORT Result<LiteralMap> finish_jit_string_literal_staging();
/** Makes the literal table an exact copy of map in one step. */
TESSEL_EXPORT void replace_jit_string_literal_table(const LiteralMap& map);
/** True when id is a registered text buffer: its ".max_length" scalar is known, or (id, 0) is a
 *  registered u8 or i32 array or has fallback i32 elements. */
TESSEL_EXPORT bool jit_text_buffer_is_registered(int32_t id);
/** The bytes of id: the buffer's ".length" elements if it is a text buffer whose length is not
 *  negative and whose elements are all 0..255, else the literal's bytes, else none. */
TESSEL_EXPORT std::optional<std::string> jit_text_arg_bytes(int32_t id);
/** Like jit_text_arg_bytes with at most maximum bytes, but a text buffer never falls back to a
 *  literal: a negative or too long length or an element outside 0..255 gives none. */
TESSEL_EXPORT std::optional<std::string> bounded_jit_text_arg_bytes(int32_t id, std::size_t maximum);
/** The text of id with a terminating NUL (std::string::c_str), or "missing jit text handle for id={id}
 *  (neither literal nor utf8 buffer)" or "string contains interior NUL byte; cannot pass to C
 *  runtime". */
TESSEL_EXPORT Result<std::string> jit_text_arg_to_cstring(int32_t id);
/** The UTF-8 text of id of at most 1048576 bytes, or "invalid or oversized JIT string handle {id}" or
 *  "JIT string handle {id} contains invalid UTF-8". */
TESSEL_EXPORT Result<std::string> jit_string_value(int32_t id);

// ---------------------------------------------------------------------------------------------
// Command stream: production copy and render trace

/** What a production copy found. */
enum class ProductionFrame {
    copied,       // a new frame was validated and copied
    not_complete  // a version 8 frame without the complete bit: no new frame, nothing copied
};

/** Copies the module's current command-stream frame (the registered gfx_cmd_* arrays) into the host's
 *  buffers after validating it; error texts as documented for consumers of the stream. */
TESSEL_EXPORT Result<ProductionFrame> copy_production_render_frame(std::span<int32_t> dst_i32, std::span<float> dst_f32, std::span<uint8_t> dst_u8);

/** Trace of three slices; 0 unless they have exactly the stream capacities and a valid frame. */
TESSEL_EXPORT uint32_t current_render_trace(std::span<const int32_t> i32, std::span<const float> f32, std::span<const uint8_t> u8);

}  // namespace tessel
