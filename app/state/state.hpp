// Module state: every global of the application, declared from the one table in state_table.inc.
//
// Each global is an exported C symbol `tessel_state_array__<path>` or `tessel_state_scalar__<path>`
// ("." written "__"), and app code reaches it by a reference named after the path with "." written
// "_" (app.sim.marbles.x is app_sim_marbles_x). Records are stored as one parallel array per field.
// Booleans are 32-bit integers holding 0 or 1.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tessel/export.h"
#include "tessel/fnv1a.h"

using state_I32 = int32_t;
using state_F32 = float;
using state_U8 = uint8_t;

#define TESSEL_STATE(kind, cxx, sym, path, type, cap, is_bool, record, field, init) \
    TESSEL_STATE_DECLARE_##kind(cxx, sym, type, cap)
#define TESSEL_STATE_DECLARE_ARRAY(cxx, sym, type, cap)                       \
    extern "C" TESSEL_EXPORT state_##type tessel_state_array__##sym[cap]; \
    inline constexpr auto& cxx = tessel_state_array__##sym;
#define TESSEL_STATE_DECLARE_SCALAR(cxx, sym, type, cap)                 \
    extern "C" TESSEL_EXPORT state_##type tessel_state_scalar__##sym; \
    inline constexpr auto& cxx = tessel_state_scalar__##sym;
#include "state_table.inc"
#undef TESSEL_STATE_DECLARE_SCALAR
#undef TESSEL_STATE_DECLARE_ARRAY
#undef TESSEL_STATE

namespace state {

enum class Kind : uint8_t { array, scalar };
enum class Type : uint8_t { i32, f32, u8 };

/** One state global as the table declares it. */
struct Global {
    Kind kind;
    Type type;
    bool is_bool;  // stored as one byte per element in the replay record
    int32_t capacity;
    std::string_view path;
    std::string_view record;  // record array a field belongs to, or empty
    std::string_view field;   // field name within that record, or empty
    void* address;
};

#define TESSEL_STATE_TYPE_I32 Type::i32
#define TESSEL_STATE_TYPE_F32 Type::f32
#define TESSEL_STATE_TYPE_U8 Type::u8
#define TESSEL_STATE_SYMBOL_ARRAY(sym) tessel_state_array__##sym
#define TESSEL_STATE_SYMBOL_SCALAR(sym) &tessel_state_scalar__##sym
#define TESSEL_STATE(kind, cxx, sym, path, type, cap, is_bool, record, field, init) \
    Global{Kind::kind, TESSEL_STATE_TYPE_##type, is_bool != 0, cap, \
           path, record, field, TESSEL_STATE_SYMBOL_##kind(sym)},
#define ARRAY array
#define SCALAR scalar
/** Every global, arrays first, each group in ascending byte order of path. */
inline constexpr Global globals[] = {
#include "state_table.inc"
};
#undef ARRAY
#undef SCALAR
#undef TESSEL_STATE
#undef TESSEL_STATE_SYMBOL_SCALAR
#undef TESSEL_STATE_SYMBOL_ARRAY
#undef TESSEL_STATE_TYPE_U8
#undef TESSEL_STATE_TYPE_F32
#undef TESSEL_STATE_TYPE_I32

inline constexpr std::size_t global_count = std::size(globals);

/** Every string literal of the module, in table order (not sorted). */
inline constexpr std::string_view literals[] = {
#define TESSEL_LITERAL(text) text,
#include "literals.inc"
#undef TESSEL_LITERAL
};

inline constexpr std::size_t literal_count = std::size(literals);

consteval bool is_literal(std::string_view text) {
    for (std::string_view l : literals) {
        if (l == text) return true;
    }
    return false;
}

}  // namespace state

/** The text id of a string literal of the module. Fails to compile for a text the literal table
 *  does not hold, so the table can never miss a text the app draws or loads. */
consteval int32_t text_id(std::string_view text) {
    if (!state::is_literal(text)) throw "text is not in app/state/literals.inc";
    return tessel::name_hash(text);
}

/** Name hash of a state path, at compile time. */
consteval int32_t path_hash(std::string_view path) { return tessel::name_hash(path); }

/** Replay record of the whole application state (everything but the host input, the host requests and
 *  the command stream): size of the packed record in bytes. */
inline constexpr int32_t replay_record_size = 98788;

/** Registers every global and every literal with the runtime (the body of the bind entry point). */
void state_bind_runtime_globals();

/** The globals in the order binding registers them. */
std::span<const state::Global* const> state_registration_order();

/** Byte offset of a global's entry in the replay record, or -1 when the record leaves it out. */
int32_t state_replay_offset(std::string_view path);

/** Writes / restores the replay record; results as the exported tessel_replay_state_snapshot_*. */
int32_t state_replay_write(uint8_t* buffer, int32_t capacity);
int32_t state_replay_restore(const uint8_t* buffer, int32_t length);
