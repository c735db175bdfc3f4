// The replay record: every application global except the host input (app.frame.*, host_*) and the
// command stream (gfx_*), packed without alignment, little-endian. Scalars first, then arrays, each in
// ascending byte order of path; booleans take one byte, byte arrays their bytes, all else 4 bytes.
#include <bit>
#include <cstring>

#include "app/state/state.hpp"
#include "tessel/module.h"

namespace {

using state::Global;

constexpr bool in_replay(std::string_view path) {
    return !path.starts_with("app.frame.") && !path.starts_with("gfx_") && !path.starts_with("host_");
}

enum class Encoding : uint8_t { word, boolean, byte };

/** One packed entry of the record. */
struct Entry {
    void* address;
    int32_t offset;
    int32_t count;  // elements
    Encoding encoding;
};

constexpr Encoding encoding_of(const Global& g) {
    if (g.is_bool) return Encoding::boolean;
    return g.type == state::Type::u8 ? Encoding::byte : Encoding::word;
}

constexpr int32_t bytes_of(const Global& g) {
    return encoding_of(g) == Encoding::word ? 4 * g.capacity : g.capacity;
}

constexpr std::size_t entry_count = [] {
    std::size_t n = 0;
    for (const Global& g : state::globals) n += in_replay(g.path) ? 1 : 0;
    return n;
}();

/** The packed entries, and for each the global it comes from. */
constexpr auto replay_globals = [] {
    std::array<const Global*, entry_count> order{};
    std::size_t n = 0;
    for (state::Kind kind : {state::Kind::scalar, state::Kind::array}) {
        for (const Global& g : state::globals) {
            if (g.kind == kind && in_replay(g.path)) order[n++] = &g;
        }
    }
    return order;
}();

constexpr auto layout = [] {
    std::array<Entry, entry_count> entries{};
    int32_t offset = 0;
    for (std::size_t i = 0; i < entry_count; ++i) {
        const Global& g = *replay_globals[i];
        entries[i] = Entry{g.address, offset, g.capacity, encoding_of(g)};
        offset += bytes_of(g);
    }
    return entries;
}();

constexpr int32_t layout_size = layout.back().offset +
    (layout.back().encoding == Encoding::word ? 4 : 1) * layout.back().count;
static_assert(layout_size == replay_record_size, "the replay record must keep its size");
static_assert(std::endian::native == std::endian::little, "the replay record is little-endian");

}  // namespace

int32_t state_replay_write(uint8_t* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity < replay_record_size) return -replay_record_size;
    for (const Entry& e : layout) {
        uint8_t* out = buffer + e.offset;
        switch (e.encoding) {
            case Encoding::word:
                std::memcpy(out, e.address, 4 * static_cast<std::size_t>(e.count));
                break;
            case Encoding::byte:
                std::memcpy(out, e.address, static_cast<std::size_t>(e.count));
                break;
            case Encoding::boolean: {
                const int32_t* in = static_cast<const int32_t*>(e.address);
                for (int32_t i = 0; i < e.count; ++i) out[i] = in[i] != 0 ? 1 : 0;
                break;
            }
        }
    }
    return replay_record_size;
}

int32_t state_replay_restore(const uint8_t* buffer, int32_t length) {
    if (buffer == nullptr || length != replay_record_size) return -replay_record_size;
    for (const Entry& e : layout) {
        const uint8_t* in = buffer + e.offset;
        switch (e.encoding) {
            case Encoding::word:
                std::memcpy(e.address, in, 4 * static_cast<std::size_t>(e.count));
                break;
            case Encoding::byte:
                std::memcpy(e.address, in, static_cast<std::size_t>(e.count));
                break;
            case Encoding::boolean: {
                int32_t* out = static_cast<int32_t*>(e.address);
                for (int32_t i = 0; i < e.count; ++i) out[i] = in[i] != 0 ? 1 : 0;
                break;
            }
        }
    }
    return replay_record_size;
}

int32_t state_replay_offset(std::string_view path) {
    for (std::size_t i = 0; i < entry_count; ++i) {
        if (replay_globals[i]->path == path) return layout[i].offset;
    }
    return -1;
}

extern "C" {

int32_t tessel_replay_state_snapshot_size() noexcept { return replay_record_size; }

int32_t tessel_replay_state_snapshot_write(uint8_t* buffer, int32_t capacity) noexcept {
    return state_replay_write(buffer, capacity);
}

int32_t tessel_replay_state_snapshot_restore(const uint8_t* buffer, int32_t length) noexcept {
    return state_replay_restore(buffer, length);
}
}
