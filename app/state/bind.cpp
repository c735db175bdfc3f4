// Registration of the module's state and string literals with the runtime registry.
//
// Order: the host and command-stream arrays and the four host request words first, then every other
// array in ascending order of path (a record array one registration per field, under the record's
// hash and the field's hash), then every other scalar in ascending order of path. After the state,
// the literal table is cleared and every literal upserted in ascending order of its signed id.
#include <algorithm>
#include <utility>

#include "app/state/state.hpp"
#include "tessel/jit.h"

namespace {

using state::Global;

constexpr std::string_view first_paths[] = {
    "host_i32", "host_f32", "gfx_cmd_i32", "gfx_cmd_f32", "gfx_cmd_u8",
    "host_req_seq", "host_req_flags", "host_req_window_w_px", "host_req_window_h_px",
};

constexpr bool is_first(std::string_view path) {
    return std::find(std::begin(first_paths), std::end(first_paths), path) != std::end(first_paths);
}

constexpr std::size_t find_global(std::string_view path) {
    for (std::size_t i = 0; i < state::global_count; ++i) {
        if (state::globals[i].path == path) return i;
    }
    throw "registration order names an unknown global";
}

constexpr auto registration_order = [] {
    std::array<const Global*, state::global_count> order{};
    std::size_t n = 0;
    for (std::string_view path : first_paths) order[n++] = &state::globals[find_global(path)];
    for (const Global& g : state::globals) {
        if (g.kind == state::Kind::array && !is_first(g.path)) order[n++] = &g;
    }
    for (const Global& g : state::globals) {
        if (g.kind == state::Kind::scalar && !is_first(g.path)) order[n++] = &g;
    }
    if (n != order.size()) throw "registration order misses a global";
    return order;
}();

constexpr auto sorted_literals = [] {
    std::array<std::pair<int32_t, std::string_view>, state::literal_count> sorted{};
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        sorted[i] = {tessel::name_hash(state::literals[i]), state::literals[i]};
    }
    std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < sorted.size(); ++i) {
        if (sorted[i].first == sorted[i - 1].first) throw "two literals share an id";
    }
    return sorted;
}();

void register_global(const Global& g) {
    if (g.kind == state::Kind::scalar) {
        int32_t name = tessel::name_hash(g.path);
        if (g.type == state::Type::f32) {
            tessel_jit_register_global_f32_ptr(name, static_cast<float*>(g.address));
        } else {
            tessel_jit_register_global_i32_ptr(name, static_cast<int32_t*>(g.address));
        }
        return;
    }
    int32_t name = tessel::name_hash(g.record.empty() ? g.path : g.record);
    int32_t field = g.record.empty() ? 0 : tessel::name_hash(g.field);
    switch (g.type) {
        case state::Type::i32:
            tessel_jit_register_global_i32_array(name, field, static_cast<int32_t*>(g.address), g.capacity);
            break;
        case state::Type::f32:
            tessel_jit_register_global_f32_array(name, field, static_cast<float*>(g.address), g.capacity);
            break;
        case state::Type::u8:
            tessel_jit_register_global_u8_array(name, field, static_cast<uint8_t*>(g.address), g.capacity);
            break;
    }
}

}  // namespace

void state_bind_runtime_globals() {
    for (const Global* g : registration_order) register_global(*g);
    tessel_jit_clear_string_literal_table();
    // Every literal view points into a C string literal, so its data is NUL-terminated.
    for (const auto& [id, text] : sorted_literals) tessel_jit_upsert_string_literal(id, text.data());
}

std::span<const state::Global* const> state_registration_order() { return registration_order; }
