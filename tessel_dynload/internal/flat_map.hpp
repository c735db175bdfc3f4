// Internal to tessel_dynload: the open-addressing hash map behind every runtime table.
//
// Linear probing over a power-of-two slot array, at most 3/4 full, with backward-shift deletion (no
// tombstones), so a lookup is one hash and a short scan of adjacent slots. Keys are small trivially
// copyable values; values need only be default-constructible and movable. Growing the map moves the
// values, so owned storage keeps its data in the heap behind them (std::vector, std::unique_ptr),
// whose addresses do not change when the map grows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace tessel::internal {

/** Finalizer of MurmurHash3: spreads every input bit over the whole word. */
constexpr uint64_t mix64(uint64_t x) noexcept {
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

/** Hash of integer keys; other key types bring a hasher of their own. */
struct KeyHash {
    template <class K>
    uint64_t operator()(K key) const noexcept {
        static_assert(std::is_integral_v<K>);
        return mix64(static_cast<uint64_t>(key));
    }
};

template <class K, class V, class Hash = KeyHash>
class FlatMap {
public:
    FlatMap() = default;

    std::size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }

    V* find(const K& key) noexcept {
        if (size_ == 0) return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (!s.used) return nullptr;
            if (s.key == key) return &s.value;
        }
    }
    const V* find(const K& key) const noexcept { return const_cast<FlatMap*>(this)->find(key); }
    bool contains(const K& key) const noexcept { return find(key) != nullptr; }

    /** The value of key, default-constructed first if absent; second is true when it was inserted. */
    std::pair<V*, bool> try_emplace(const K& key) {
        if (V* v = find(key)) return {v, false};
        if ((size_ + 1) * 4 > slots_.size() * 3) grow();
        std::size_t i = home(key);
        while (slots_[i].used) i = (i + 1) & mask_;
        slots_[i].used = true;
        slots_[i].key = key;
        ++size_;
        return {&slots_[i].value, true};
    }

    void insert_or_assign(const K& key, V value) { *try_emplace(key).first = std::move(value); }

    /** Removes key and hands its value to the caller (a default value when absent). */
    V take(const K& key) {
        V out{};
        if (size_ == 0) return out;
        std::size_t i = home(key);
        for (;; i = (i + 1) & mask_) {
            if (!slots_[i].used) return out;
            if (slots_[i].key == key) break;
        }
        out = std::move(slots_[i].value);
        remove_at(i);
        return out;
    }

    bool erase(const K& key) {
        if (!find(key)) return false;
        (void)take(key);
        return true;
    }

    void clear() {
        slots_.clear();
        mask_ = 0;
        size_ = 0;
    }

    /** Calls fn(key, value) for every entry, in no particular order. */
    template <class Fn>
    void for_each(Fn&& fn) {
        for (Slot& s : slots_) {
            if (s.used) fn(static_cast<const K&>(s.key), s.value);
        }
    }
    template <class Fn>
    void for_each(Fn&& fn) const {
        for (const Slot& s : slots_) {
            if (s.used) fn(s.key, s.value);
        }
    }

private:
    struct Slot {
        K key{};
        V value{};
        bool used = false;
    };

    std::size_t home(const K& key) const noexcept { return static_cast<std::size_t>(Hash{}(key)) & mask_; }

    void grow() {
        std::vector<Slot> old = std::move(slots_);
        std::size_t capacity = old.empty() ? 16 : old.size() * 2;
        slots_ = std::vector<Slot>(capacity);
        mask_ = capacity - 1;
        for (Slot& s : old) {
            if (!s.used) continue;
            std::size_t i = home(s.key);
            while (slots_[i].used) i = (i + 1) & mask_;
            slots_[i].used = true;
            slots_[i].key = s.key;
            slots_[i].value = std::move(s.value);
        }
    }

    // Backward-shift deletion: pull later members of the probe run into the hole, so that every key
    // stays reachable from its home slot without tombstones.
    void remove_at(std::size_t hole) {
        for (std::size_t j = (hole + 1) & mask_; slots_[j].used; j = (j + 1) & mask_) {
            std::size_t h = home(slots_[j].key);
            bool stays = hole <= j ? (hole < h && h <= j) : (hole < h || h <= j);
            if (stays) continue;
            slots_[hole].key = slots_[j].key;
            slots_[hole].value = std::move(slots_[j].value);
            hole = j;
        }
        slots_[hole].used = false;
        slots_[hole].key = K{};
        slots_[hole].value = V{};
        --size_;
    }

    std::vector<Slot> slots_;
    std::size_t mask_ = 0;
    std::size_t size_ = 0;
};

}  // namespace tessel::internal
