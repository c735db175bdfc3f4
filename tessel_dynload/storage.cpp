// Typed array storage: runtime-owned arrays and scalar cells for state nobody registered (or
// registered too short), the integer lanes' shared key space, and the direct storage slots that give
// compiled code the current address and count of a piece of state without hashing.
//
// Sections: growth; lanes; provisioning; direct storage slots; library entry points.
#include <string>
#include <utility>

#include "tessel_dynload/internal/registry_tables.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::internal {

namespace {

Status host_owned_growth_error(std::size_t count, std::size_t required) {
    return Status::failure("cannot grow host-owned collection storage from " + std::to_string(count) + " to " +
                           std::to_string(required));
}

// Moves the fallback elements of key that fall inside the owned array into it. Called with the owned
// table held; the registered table is taken for the writes because loads read the array under it.
template <class T>
void migrate_fallback_elements(OwnedArrayMap<T>& owned, ArrayKey key) {
    std::vector<T>* array = owned.find(key);
    if (array == nullptr) return;
    std::vector<std::pair<std::size_t, T>> moved;
    {
        auto fallback = fallback_arrays<T>().lock(poisoned::fallback_array);
        auto* elements = fallback->find(key);
        if (elements == nullptr) return;
        elements->for_each([&](int32_t index, T value) {
            if (index >= 0 && static_cast<std::size_t>(index) < array->size()) moved.emplace_back(index, value);
        });
        for (const auto& [index, value] : moved) elements->erase(static_cast<int32_t>(index));
        if (elements->empty()) fallback->erase(key);
    }
    if (moved.empty()) return;
    auto registered = registered_arrays<T>().lock(poisoned::registered_array);
    for (const auto& [index, value] : moved) (*array)[index] = value;
}

template <class E>
void discard_lane(int32_t name, int32_t field) {
    const ArrayKey key = array_key(name, field);
    std::vector<E> freed;
    auto owned = owned_arrays<E>().lock();
    auto registered = registered_arrays<E>().lock();
    freed = owned->take(key);
    // A slot of the discarded lane must not keep pointing at storage that is gone.
    if (registered->erase(key)) update_direct_storage_slot({kind_of<E>, name, field}, nullptr, 0);
    registered.unlock();
    owned.unlock();
}

bool has_slot(const DirectSlotMap& slots, TesselJitStorageKind kind, int32_t name, int32_t field) {
    return slots.contains({kind, name, field});
}

}  // namespace

template <class E>
Status ensure_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    const ArrayKey key = array_key(name, field);
    if constexpr (is_integer_lane<E>) discard_integer_array_lane(name, field, kind_of<E>);
    {
        auto owned = owned_arrays<E>().lock();
        {
            auto registered = registered_arrays<E>().lock(poisoned::registered_array);
            std::vector<E>* array = owned->find(key);
            const RegisteredArray<E>* entry = registered->find(key);
            if (array != nullptr && (entry == nullptr || entry->address == array->data())) {
                if (array->size() < required) array->resize(required);
                registered->insert_or_assign(key, {array->data(), array->size()});
            } else if (entry != nullptr) {
                if (entry->count < required) return host_owned_growth_error(entry->count, required);
            } else {
                std::vector<E>& created = *owned->try_emplace(key).first;
                created.resize(required);
                registered->insert_or_assign(key, {created.data(), created.size()});
            }
        }
        if constexpr (is_scalar_type<E>) migrate_fallback_elements<E>(*owned, key);
    }
    RegisteredArray<E> now;
    {
        auto registered = registered_arrays<E>().lock(poisoned::registered_array);
        const RegisteredArray<E>* entry = registered->find(key);
        if (entry == nullptr) return {};
        now = *entry;
    }
    update_direct_storage_slot({kind_of<E>, name, field}, now.address, now.count);
    return {};
}

template <class E>
Status ensure_array_capacity(int32_t name, int32_t field, std::size_t required) {
    auto guard = direct_array_rebind_guard(kind_of<E>, name, field);
    if (!guard) return Status::failure(guard.error());
    return ensure_array_capacity_unlocked<E>(name, field, required);
}

template Status ensure_array_capacity<int32_t>(int32_t, int32_t, std::size_t);
template Status ensure_array_capacity<float>(int32_t, int32_t, std::size_t);
template Status ensure_array_capacity<double>(int32_t, int32_t, std::size_t);
template Status ensure_array_capacity<uint8_t>(int32_t, int32_t, std::size_t);
template Status ensure_array_capacity<uint16_t>(int32_t, int32_t, std::size_t);

namespace {

template <class E>
Status preflight_array_capacity(int32_t name, int32_t field, std::size_t required) {
    const ArrayKey key = array_key(name, field);
    auto owned = owned_arrays<E>().lock();
    auto registered = registered_arrays<E>().lock(poisoned::registered_array);
    const std::vector<E>* array = owned->find(key);
    const RegisteredArray<E>* entry = registered->find(key);
    if (array != nullptr && (entry == nullptr || entry->address == array->data())) return {};
    if (entry != nullptr && entry->count < required) return host_owned_growth_error(entry->count, required);
    return {};
}

template <class T>
Status provision_scalar(TesselJitStorageKind kind, int32_t name) {
    auto guard = acquire_rebind_guard();
    if (!guard) return Status::failure(guard.error());
    T* address = nullptr;
    {
        auto registered = registered_scalars<T>().lock(poisoned::registered_scalar);
        if (T* const* found = registered->find(name)) address = *found;
    }
    if (address == nullptr) {
        T value{};
        {
            auto fallback = fallback_scalars<T>().lock(poisoned::fallback_scalar);
            if (T* parked = fallback->find(name)) {
                value = *parked;
                fallback->erase(name);
            }
        }
        auto owned = owned_scalars<T>().lock(poisoned::owned_scalar);
        auto [cell, created] = owned->try_emplace(name);
        if (created) *cell = std::make_unique<T>(value);
        address = cell->get();
        auto registered = registered_scalars<T>().lock(poisoned::registered_scalar);
        registered->insert_or_assign(name, address);
    }
    update_direct_storage_slot({kind, name, 0}, address, 1);
    return {};
}

}  // namespace

}  // namespace tessel::internal

namespace tessel {

using namespace internal;

Status ensure_jit_i32_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity<int32_t>(name, field, required);
}
Status ensure_jit_f32_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity<float>(name, field, required);
}
Status ensure_jit_f64_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity<double>(name, field, required);
}
Status ensure_jit_u8_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity<uint8_t>(name, field, required);
}
Status ensure_jit_u16_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity<uint16_t>(name, field, required);
}

Status ensure_jit_i32_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity_unlocked<int32_t>(name, field, required);
}
Status ensure_jit_f32_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity_unlocked<float>(name, field, required);
}
Status ensure_jit_f64_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity_unlocked<double>(name, field, required);
}
Status ensure_jit_u8_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity_unlocked<uint8_t>(name, field, required);
}
Status ensure_jit_u16_array_capacity_unlocked(int32_t name, int32_t field, std::size_t required) {
    return ensure_array_capacity_unlocked<uint16_t>(name, field, required);
}

Status preflight_jit_i32_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return preflight_array_capacity<int32_t>(name, field, required);
}
Status preflight_jit_f32_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return preflight_array_capacity<float>(name, field, required);
}
Status preflight_jit_f64_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return preflight_array_capacity<double>(name, field, required);
}
Status preflight_jit_u8_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return preflight_array_capacity<uint8_t>(name, field, required);
}
Status preflight_jit_u16_array_capacity(int32_t name, int32_t field, std::size_t required) {
    return preflight_array_capacity<uint16_t>(name, field, required);
}

Result<OptionalRebindGuard> direct_array_rebind_guard(TesselJitStorageKind kind, int32_t name, int32_t field) {
    bool slotted = false;
    {
        auto slots = direct_storage_slots().lock();
        // Growing one integer lane discards the pair from the other two, so a slot in any of them
        // counts.
        if (kind == TESSEL_JIT_I32 || kind == TESSEL_JIT_U8 || kind == TESSEL_JIT_U16) {
            slotted = has_slot(*slots, TESSEL_JIT_I32, name, field) || has_slot(*slots, TESSEL_JIT_U8, name, field) ||
                      has_slot(*slots, TESSEL_JIT_U16, name, field);
        } else {
            slotted = has_slot(*slots, kind, name, field);
        }
    }
    if (!slotted) return OptionalRebindGuard{};
    auto guard = acquire_rebind_guard();
    if (!guard) return Result<OptionalRebindGuard>::failure(guard.error());
    return OptionalRebindGuard{std::move(guard).value()};
}

void discard_integer_array_lane(int32_t name, int32_t field, TesselJitStorageKind keep) {
    if (keep != TESSEL_JIT_I32) discard_lane<int32_t>(name, field);
    if (keep != TESSEL_JIT_U8) discard_lane<uint8_t>(name, field);
    if (keep != TESSEL_JIT_U16) discard_lane<uint16_t>(name, field);
}

Status provision_direct_array_storage(TesselJitStorageKind kind, int32_t name, int32_t field, std::size_t required) {
    auto guard = acquire_rebind_guard();
    if (!guard) return Status::failure(guard.error());
    Status grown = [&] {
        switch (kind) {
            case TESSEL_JIT_F32:
                return ensure_array_capacity_unlocked<float>(name, field, required);
            case TESSEL_JIT_F64:
                return ensure_array_capacity_unlocked<double>(name, field, required);
            case TESSEL_JIT_U8:
                return ensure_array_capacity_unlocked<uint8_t>(name, field, required);
            case TESSEL_JIT_U16:
                return ensure_array_capacity_unlocked<uint16_t>(name, field, required);
            default:
                return ensure_array_capacity_unlocked<int32_t>(name, field, required);
        }
    }();
    if (!grown) return grown;
    auto storage = registered_storage(kind, name, field);
    if (!storage) return Status::failure("direct storage backing was not provisioned");
    const DirectStorageKey key{kind, name, field};
    {
        auto lengths = direct_array_required_lengths().lock();
        lengths->insert_or_assign(key, required);
    }
    update_direct_storage_slot(key, storage.value().address, storage.value().count);
    return {};
}

Status provision_direct_scalar_storage(TesselJitStorageKind kind, int32_t name) {
    switch (kind) {
        case TESSEL_JIT_F32:
            return provision_scalar<float>(kind, name);
        case TESSEL_JIT_F64:
            return provision_scalar<double>(kind, name);
        default:
            return provision_scalar<int32_t>(kind, name);
    }
}

JitStorageSlot* direct_storage_slot_address(TesselJitStorageKind kind, int32_t name, int32_t field) {
    RegisteredStorage current;
    if (auto storage = registered_storage(kind, name, field)) current = storage.value();
    auto slots = direct_storage_slots().lock();
    auto [slot, created] = slots->try_emplace({kind, name, field});
    if (created) *slot = std::make_unique<JitStorageSlot>(JitStorageSlot{current.address, current.count});
    return slot->get();
}

JitStorageSlot* direct_array_storage_slot_address(TesselJitStorageKind kind, int32_t name, int32_t field) {
    return direct_storage_slot_address(kind, name, field);
}

JitStorageSlot* direct_scalar_storage_slot_address(TesselJitStorageKind kind, int32_t name) {
    return direct_storage_slot_address(kind, name, 0);
}

void update_direct_storage_slot(DirectStorageKey key, void* address, std::size_t count) {
    auto slots = direct_storage_slots().lock();
    if (auto* slot = slots->find(key)) **slot = JitStorageSlot{address, count};
}

bool accepts_direct_array_rebind(DirectStorageKey key, std::size_t count) {
    auto lengths = direct_array_required_lengths().lock();
    const std::size_t* promised = lengths->find(key);
    return promised == nullptr || count >= *promised;
}

std::optional<std::size_t> direct_array_storage_slot_len_for_test(TesselJitStorageKind kind, int32_t name,
                                                                  int32_t field) {
    auto slots = direct_storage_slots().lock();
    const auto* slot = slots->find({kind, name, field});
    if (slot == nullptr) return std::nullopt;
    return (*slot)->count;
}

}  // namespace tessel
