// Internal to the graphics runtime library: the generational handle table behind every handle the
// library hands out (sprites, fonts, text cache ids, sounds, voices, asset tasks).
//
// A handle packs a slot index (low 12 bits), the table's kind (next 4 bits) and the slot's generation
// (15 bits above), so it is always positive and 0 means none. Freeing a slot advances its generation:
// a handle kept after its release, or a handle of another table, is refused instead of reaching
// another object. Tables do no locking; their owners hold a mutex around every use.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <utility>

namespace tessel::gfxrt {

/** The kinds of handle, one per table, so that a font handle passed as a sprite is refused. */
enum class HandleKind : uint32_t { sprite = 1, font = 2, text = 3, sound = 4, voice = 5, task = 6 };

inline constexpr uint32_t handle_slot_bits = 12;
inline constexpr uint32_t handle_kind_bits = 4;
inline constexpr uint32_t handle_generation_bits = 15;
inline constexpr uint32_t handle_max_slots = 1u << handle_slot_bits;
static_assert(handle_slot_bits + handle_kind_bits + handle_generation_bits == 31, "handles stay positive");

/** Fixed-capacity table of T addressed by generational handles. */
template <typename T, uint32_t Capacity, HandleKind Kind>
class HandleTable {
    static_assert(Capacity >= 1 && Capacity <= handle_max_slots, "capacity fits the slot bits");

public:
    HandleTable() {
        // Hand out low slots first so that a fresh table gives small, readable handles.
        for (uint32_t i = 0; i < Capacity; ++i) free_[i] = Capacity - 1 - i;
        free_count_ = Capacity;
    }

    /** Stores value and returns its handle, or 0 when the table is full. */
    int32_t insert(T value) {
        if (free_count_ == 0) return 0;
        const uint32_t slot = free_[--free_count_];
        Slot& s = slots_[slot];
        s.value = std::move(value);
        s.used = true;
        ++count_;
        return encode(slot, s.generation);
    }

    /** The value of a live handle, or null for 0, a stale handle or another table's handle. */
    T* find(int32_t handle) {
        const std::optional<uint32_t> slot = live_slot(handle);
        return slot ? &slots_[*slot].value : nullptr;
    }
    const T* find(int32_t handle) const { return const_cast<HandleTable*>(this)->find(handle); }

    /** Frees the slot of a live handle and returns its value; none for a handle that is not live. */
    std::optional<T> erase(int32_t handle) {
        const std::optional<uint32_t> slot = live_slot(handle);
        if (!slot) return std::nullopt;
        Slot& s = slots_[*slot];
        std::optional<T> value(std::move(s.value));
        s.value = T{};
        s.used = false;
        s.generation = next_generation(s.generation);
        free_[free_count_++] = *slot;
        --count_;
        return value;
    }

    /** Calls f(handle, value) for every live entry, in slot order. */
    template <typename F>
    void for_each(F&& f) {
        for (uint32_t i = 0; i < Capacity; ++i) {
            if (slots_[i].used) f(encode(i, slots_[i].generation), slots_[i].value);
        }
    }

    /** Frees every entry. */
    void clear() {
        for (uint32_t i = 0; i < Capacity; ++i) {
            if (slots_[i].used) erase(encode(i, slots_[i].generation));
        }
    }

    uint32_t size() const { return count_; }
    static constexpr uint32_t capacity() { return Capacity; }

private:
    struct Slot {
        T value{};
        uint32_t generation = 1;
        bool used = false;
    };

    static int32_t encode(uint32_t slot, uint32_t generation) {
        return static_cast<int32_t>((generation << (handle_slot_bits + handle_kind_bits)) |
                                    (static_cast<uint32_t>(Kind) << handle_slot_bits) | slot);
    }

    static uint32_t next_generation(uint32_t generation) {
        const uint32_t next = generation + 1;
        return next >= (1u << handle_generation_bits) ? 1 : next;  // generation 0 never appears
    }

    std::optional<uint32_t> live_slot(int32_t handle) const {
        if (handle <= 0) return std::nullopt;
        const uint32_t h = static_cast<uint32_t>(handle);
        const uint32_t slot = h & (handle_max_slots - 1);
        const uint32_t kind = (h >> handle_slot_bits) & ((1u << handle_kind_bits) - 1);
        const uint32_t generation = h >> (handle_slot_bits + handle_kind_bits);
        if (kind != static_cast<uint32_t>(Kind) || slot >= Capacity) return std::nullopt;
        const Slot& s = slots_[slot];
        if (!s.used || s.generation != generation) return std::nullopt;
        return slot;
    }

    std::array<Slot, Capacity> slots_{};
    std::array<uint32_t, Capacity> free_{};
    uint32_t free_count_ = 0;
    uint32_t count_ = 0;
};

}  // namespace tessel::gfxrt
