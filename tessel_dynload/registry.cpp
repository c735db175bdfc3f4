// The registry of module state: every table, the guest execution bookkeeping, registration, typed
// loads and stores, array pointers, collection scalars and the clear operations.
//
// Sections: tables; guest execution and rebind guard; registration; scalar access; array access;
// collection scalars; queries; clear operations; C ABI.
#include <algorithm>
#include <climits>
#include <string>
#include <utility>

#include "tessel/fnv1a.h"
#include "tessel_dynload/internal/platform_service_reset.hpp"
#include "tessel_dynload/internal/registry_tables.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::internal {

// ---------------------------------------------------------------------------------------------
// Tables

namespace {

template <class E>
constexpr const char* registered_ptr_message() {
    if constexpr (std::is_same_v<E, int32_t>) return "registered i32 ptr table mutex poisoned";
    if constexpr (std::is_same_v<E, float>) return "registered f32 ptr table mutex poisoned";
    if constexpr (std::is_same_v<E, double>) return "registered f64 ptr table mutex poisoned";
}

template <class E>
constexpr const char* registered_array_message() {
    if constexpr (std::is_same_v<E, int32_t>) return "registered i32 array table mutex poisoned";
    if constexpr (std::is_same_v<E, float>) return "registered f32 array table mutex poisoned";
    if constexpr (std::is_same_v<E, double>) return "registered f64 array table mutex poisoned";
    if constexpr (std::is_same_v<E, uint8_t>) return "registered u8 array table mutex poisoned";
    if constexpr (std::is_same_v<E, uint16_t>) return "registered u16 array table mutex poisoned";
}

constexpr const char* fallback_message = "jit global table mutex poisoned";

}  // namespace

template <class T>
Table<RegisteredScalarMap<T>>& registered_scalars() {
    static auto* table = new Table<RegisteredScalarMap<T>>(registered_ptr_message<T>());
    return *table;
}

template <class T>
Table<OwnedScalarMap<T>>& owned_scalars() {
    static auto* table = new Table<OwnedScalarMap<T>>(poisoned::owned_scalar);
    return *table;
}

template <class T>
Table<FallbackScalarMap<T>>& fallback_scalars() {
    static auto* table = new Table<FallbackScalarMap<T>>(fallback_message);
    return *table;
}

template <class E>
Table<RegisteredArrayMap<E>>& registered_arrays() {
    static auto* table = new Table<RegisteredArrayMap<E>>(registered_array_message<E>());
    return *table;
}

template <class E>
Table<OwnedArrayMap<E>>& owned_arrays() {
    static auto* table = new Table<OwnedArrayMap<E>>(poisoned::owned_array);
    return *table;
}

template <class T>
Table<FallbackArrayMap<T>>& fallback_arrays() {
    static auto* table = new Table<FallbackArrayMap<T>>(fallback_message);
    return *table;
}

Table<DirectSlotMap>& direct_storage_slots() {
    static auto* table = new Table<DirectSlotMap>("direct storage slot table mutex poisoned");
    return *table;
}

Table<RequiredLengthMap>& direct_array_required_lengths() {
    static auto* table = new Table<RequiredLengthMap>("direct array required-length table mutex poisoned");
    return *table;
}

#define TESSEL_SCALAR_TABLES(T)                                      \
    template Table<RegisteredScalarMap<T>>& registered_scalars<T>(); \
    template Table<OwnedScalarMap<T>>& owned_scalars<T>();           \
    template Table<FallbackScalarMap<T>>& fallback_scalars<T>();     \
    template Table<FallbackArrayMap<T>>& fallback_arrays<T>();
#define TESSEL_ARRAY_TABLES(E)                                     \
    template Table<RegisteredArrayMap<E>>& registered_arrays<E>(); \
    template Table<OwnedArrayMap<E>>& owned_arrays<E>();
TESSEL_SCALAR_TABLES(int32_t)
TESSEL_SCALAR_TABLES(float)
TESSEL_SCALAR_TABLES(double)
TESSEL_ARRAY_TABLES(int32_t)
TESSEL_ARRAY_TABLES(float)
TESSEL_ARRAY_TABLES(double)
TESSEL_ARRAY_TABLES(uint8_t)
TESSEL_ARRAY_TABLES(uint16_t)
#undef TESSEL_SCALAR_TABLES
#undef TESSEL_ARRAY_TABLES

// The services layer defines the real reset; without it clearing has nothing more to reset.
__attribute__((weak)) void reset_platform_service_state() {}

// ---------------------------------------------------------------------------------------------
// Guest execution

std::atomic<unsigned> guest_execution_count{0};

namespace {

constexpr const char* dispatch_message = "jit dispatch lock mutex poisoned";

PoisonableMutex& jit_dispatch_lock() {
    static auto* mutex = new PoisonableMutex;
    return *mutex;
}

// Uncaught exceptions when the open guest window was entered; guarded by the dispatch lock.
int window_exceptions = 0;

// Leaving by an exception poisons the lock: the guest or the rebinding may have stopped half-way.
void unlock_dispatch(int exceptions) noexcept {
    if (std::uncaught_exceptions() > exceptions) jit_dispatch_lock().poison();
    jit_dispatch_lock().unlock();
}

}  // namespace

}  // namespace tessel::internal

namespace tessel {

using namespace internal;

Result<RebindGuard> acquire_rebind_guard() {
    // Test before locking: guest code calling back into the registry runs under the dispatch lock.
    if (guest_execution_count.load(std::memory_order_acquire) != 0) {
        return Result<RebindGuard>::failure(rebind_refused_text);
    }
    int exceptions = std::uncaught_exceptions();
    jit_dispatch_lock().lock(dispatch_message);
    if (guest_execution_count.load(std::memory_order_acquire) != 0) {
        jit_dispatch_lock().unlock();
        return Result<RebindGuard>::failure(rebind_refused_text);
    }
    return RebindGuard(exceptions);
}

RebindGuard::RebindGuard(RebindGuard&& other) noexcept
    : held_(std::exchange(other.held_, false)), exceptions_(other.exceptions_) {}

RebindGuard& RebindGuard::operator=(RebindGuard&& other) noexcept {
    if (this != &other) {
        reset();
        held_ = std::exchange(other.held_, false);
        exceptions_ = other.exceptions_;
    }
    return *this;
}

RebindGuard::~RebindGuard() { reset(); }

void RebindGuard::reset() noexcept {
    if (!held_) return;
    held_ = false;
    unlock_dispatch(exceptions_);
}

void enter_guest_execution() {
    int exceptions = std::uncaught_exceptions();
    jit_dispatch_lock().lock(dispatch_message);
    window_exceptions = exceptions;
    guest_execution_count.fetch_add(1, std::memory_order_acq_rel);
}

void leave_guest_execution() {
    guest_execution_count.fetch_sub(1, std::memory_order_acq_rel);
    unlock_dispatch(window_exceptions);
}

unsigned guest_execution_count_value() { return guest_execution_count.load(std::memory_order_acquire); }

// ---------------------------------------------------------------------------------------------
// Registration

namespace {

template <class T>
void register_scalar(int32_t name, T* address) {
    if (address == nullptr) return;
    auto guard = acquire_rebind_guard();
    if (!guard) return;
    // A displaced cell is freed only after the registration stopped pointing at it, so a concurrent
    // load never reads freed memory.
    std::unique_ptr<T> displaced;
    {
        auto owned = owned_scalars<T>().lock();
        if (auto* cell = owned->find(name); cell != nullptr && cell->get() != address) displaced = owned->take(name);
    }
    auto registered = registered_scalars<T>().lock();
    registered->insert_or_assign(name, address);
    update_direct_storage_slot({kind_of<T>, name, 0}, address, 1);
}

template <class E>
void register_array(int32_t name, int32_t field, E* address, std::size_t count) {
    if (address == nullptr || count == 0) return;
    auto guard = acquire_rebind_guard();
    if (!guard) return;
    const DirectStorageKey key{kind_of<E>, name, field};
    if (!accepts_direct_array_rebind(key, count)) return;
    if constexpr (is_integer_lane<E>) discard_integer_array_lane(name, field, kind_of<E>);
    std::vector<E> displaced;  // freed after the registration moved away from it
    {
        auto owned = owned_arrays<E>().lock();
        if (auto* array = owned->find(array_key(name, field)); array != nullptr && array->data() != address) {
            displaced = owned->take(array_key(name, field));
        }
    }
    auto registered = registered_arrays<E>().lock();
    registered->insert_or_assign(array_key(name, field), {address, count});
    update_direct_storage_slot(key, address, count);
}

}  // namespace

void register_global_i32_ptr(int32_t name, int32_t* address) { register_scalar(name, address); }
void register_global_f32_ptr(int32_t name, float* address) { register_scalar(name, address); }
void register_global_f64_ptr(int32_t name, double* address) { register_scalar(name, address); }

void register_global_i32_array(int32_t name, int32_t field, int32_t* address, std::size_t count) {
    register_array(name, field, address, count);
}
void register_global_f32_array(int32_t name, int32_t field, float* address, std::size_t count) {
    register_array(name, field, address, count);
}
void register_global_f64_array(int32_t name, int32_t field, double* address, std::size_t count) {
    register_array(name, field, address, count);
}
void register_global_u8_array(int32_t name, int32_t field, uint8_t* address, std::size_t count) {
    register_array(name, field, address, count);
}
void register_global_u16_array(int32_t name, int32_t field, uint16_t* address, std::size_t count) {
    register_array(name, field, address, count);
}

// ---------------------------------------------------------------------------------------------
// Scalar access

namespace {

template <class T>
T load_scalar(int32_t name) {
    {
        auto registered = registered_scalars<T>().lock();
        if (T* const* address = registered->find(name)) return **address;
    }
    auto fallback = fallback_scalars<T>().lock();
    const T* value = fallback->find(name);
    return value != nullptr ? *value : T{};
}

template <class T>
void store_scalar(int32_t name, T value) {
    {
        auto registered = registered_scalars<T>().lock();
        if (T* const* address = registered->find(name)) {
            **address = value;
            return;
        }
    }
    auto fallback = fallback_scalars<T>().lock();
    fallback->insert_or_assign(name, value);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Array access

namespace {

// The element of a registered array (0 past its count), or none when E's lane does not hold the pair.
template <class E>
std::optional<E> registered_element(ArrayKey key, int32_t index) {
    auto registered = registered_arrays<E>().lock();
    const RegisteredArray<E>* array = registered->find(key);
    if (array == nullptr) return std::nullopt;
    return static_cast<std::size_t>(index) < array->count ? array->address[index] : E{};
}

// Stores into a registered array if E's lane holds the pair; an index past its count is dropped.
template <class E>
bool store_registered_element(ArrayKey key, int32_t index, E value) {
    auto registered = registered_arrays<E>().lock();
    const RegisteredArray<E>* array = registered->find(key);
    if (array == nullptr) return false;
    if (static_cast<std::size_t>(index) < array->count) array->address[index] = value;
    return true;
}

int32_t load_i32_element(int32_t name, int32_t field, int32_t index) {
    if (index < 0) return 0;
    const ArrayKey key = array_key(name, field);
    if (auto v = registered_element<int32_t>(key, index)) return *v;
    if (auto v = registered_element<uint8_t>(key, index)) return *v;
    if (auto v = registered_element<uint16_t>(key, index)) return *v;
    {
        auto fallback = fallback_arrays<int32_t>().lock();
        if (const auto* elements = fallback->find(key)) {
            const int32_t* value = elements->find(index);
            return value != nullptr ? *value : 0;
        }
    }
    if (field == 0) {
        if (auto byte = literal_byte(name, index)) return *byte;
    }
    return 0;
}

void store_i32_element(int32_t name, int32_t field, int32_t index, int32_t value) {
    if (index < 0) return;
    const ArrayKey key = array_key(name, field);
    if (store_registered_element<int32_t>(key, index, value)) return;
    if (store_registered_element<uint8_t>(key, index, static_cast<uint8_t>(value))) return;
    if (store_registered_element<uint16_t>(key, index, static_cast<uint16_t>(value))) return;
    auto fallback = fallback_arrays<int32_t>().lock();
    fallback->try_emplace(key).first->insert_or_assign(index, value);
}

template <class T>
T load_float_element(int32_t name, int32_t field, int32_t index) {
    if (index < 0) return T{};
    const ArrayKey key = array_key(name, field);
    if (auto v = registered_element<T>(key, index)) return *v;
    auto fallback = fallback_arrays<T>().lock();
    const auto* elements = fallback->find(key);
    const T* value = elements != nullptr ? elements->find(index) : nullptr;
    return value != nullptr ? *value : T{};
}

template <class T>
void store_float_element(int32_t name, int32_t field, int32_t index, T value) {
    if (index < 0) return;
    const ArrayKey key = array_key(name, field);
    if (store_registered_element<T>(key, index, value)) return;
    auto fallback = fallback_arrays<T>().lock();
    fallback->try_emplace(key).first->insert_or_assign(index, value);
}

template <class E>
E* array_ptr(int32_t name, int32_t field, int32_t minimum) {
    if (minimum < 1) return nullptr;
    const ArrayKey key = array_key(name, field);
    const auto required = static_cast<std::size_t>(minimum);
    {
        auto registered = registered_arrays<E>().lock();
        const RegisteredArray<E>* array = registered->find(key);
        if (array != nullptr && array->count >= required) return array->address;
    }
    if (!ensure_array_capacity<E>(name, field, required)) return nullptr;
    auto registered = registered_arrays<E>().lock();
    const RegisteredArray<E>* array = registered->find(key);
    return array != nullptr ? array->address : nullptr;
}

}  // namespace

uint8_t* global_u8_array_ptr(int32_t name, int32_t field, int32_t minimum) {
    return array_ptr<uint8_t>(name, field, minimum);
}

// ---------------------------------------------------------------------------------------------
// Collection scalars

namespace {

// Name hash of the collection scalar of path; false for a selector outside 1..3.
bool collection_key(int32_t path, int32_t selector, int32_t& key) {
    switch (selector) {
        case TESSEL_COLLECTION_LENGTH:
            key = name_hash_extend(path, ".length");
            return true;
        case TESSEL_COLLECTION_MAX_LENGTH:
            key = name_hash_extend(path, ".max_length");
            return true;
        case TESSEL_COLLECTION_CHAR_LENGTH:
            key = name_hash_extend(path, ".char_length");
            return true;
        default:
            return false;
    }
}

int32_t clamp_to_i32(std::size_t n) { return n > INT32_MAX ? INT32_MAX : static_cast<int32_t>(n); }

int32_t load_collection(int32_t path, int32_t selector) {
    int32_t key = 0;
    if (!collection_key(path, selector, key)) return 0;
    if (jit_i32_slot_is_registered(key)) return load_scalar<int32_t>(key);
    // A string literal reads as a collection whose length and capacity are its byte length.
    if (auto length = literal_length(path)) {
        return clamp_to_i32(selector == TESSEL_COLLECTION_CHAR_LENGTH ? length->scalars : length->bytes);
    }
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Queries

namespace {

template <class E>
std::optional<RegisteredStorage> find_registered_array(int32_t name, int32_t field) {
    auto registered = registered_arrays<E>().lock();
    const RegisteredArray<E>* array = registered->find(array_key(name, field));
    if (array == nullptr) return std::nullopt;
    return RegisteredStorage{array->address, array->count};
}

template <class T>
std::optional<RegisteredStorage> find_scalar_or_array(int32_t name, int32_t field) {
    if (field == 0) {
        auto registered = registered_scalars<T>().lock();
        if (T* const* address = registered->find(name)) return RegisteredStorage{*address, 1};
    }
    return find_registered_array<T>(name, field);
}

}  // namespace

Result<RegisteredStorage> registered_storage(TesselJitStorageKind kind, int32_t name, int32_t field) {
    std::optional<RegisteredStorage> found;
    switch (kind) {
        case TESSEL_JIT_I32:
            found = find_scalar_or_array<int32_t>(name, field);
            break;
        case TESSEL_JIT_F32:
            found = find_scalar_or_array<float>(name, field);
            break;
        case TESSEL_JIT_F64:
            found = find_scalar_or_array<double>(name, field);
            break;
        case TESSEL_JIT_U8:
            found = find_registered_array<uint8_t>(name, field);
            break;
        case TESSEL_JIT_U16:
            found = find_registered_array<uint16_t>(name, field);
            break;
    }
    if (!found) return Result<RegisteredStorage>::failure("direct storage backing was not provisioned");
    return *found;
}

bool jit_i32_slot_is_registered(int32_t name) {
    {
        auto registered = registered_scalars<int32_t>().lock();
        if (registered->contains(name)) return true;
    }
    auto fallback = fallback_scalars<int32_t>().lock();
    return fallback->contains(name);
}

std::optional<std::size_t> jit_i32_array_capacity(int32_t name, int32_t field) {
    const ArrayKey key = array_key(name, field);
    {
        auto registered = registered_arrays<int32_t>().lock();
        if (const auto* array = registered->find(key)) return array->count;
    }
    {
        auto owned = owned_arrays<int32_t>().lock();
        if (const auto* array = owned->find(key)) return array->size();
    }
    auto fallback = fallback_arrays<int32_t>().lock();
    const auto* elements = fallback->find(key);
    if (elements == nullptr) return std::nullopt;
    int32_t largest = -1;
    elements->for_each([&](int32_t index, int32_t) { largest = std::max(largest, index); });
    if (largest < 0) return std::nullopt;
    return static_cast<std::size_t>(largest) + 1;
}

Status fill_registered_global_i32_array(int32_t name, int32_t field, std::size_t start, std::size_t count,
                                        int32_t value) {
    std::size_t end = 0;
    if (__builtin_add_overflow(start, count, &end)) return Status::failure("registered i32 array range overflowed");
    auto registered = registered_arrays<int32_t>().lock();
    const RegisteredArray<int32_t>* array = registered->find(array_key(name, field));
    if (array == nullptr) return Status::failure("registered i32 array was not found");
    if (end > array->count) {
        return Status::failure("registered i32 array range " + std::to_string(start) + ".." + std::to_string(end) +
                               " exceeds length " + std::to_string(array->count));
    }
    std::fill(array->address + start, array->address + end, value);
    return {};
}

// ---------------------------------------------------------------------------------------------
// Clear operations

namespace {

template <class T>
void clear_fallback_scalars() {
    FallbackScalarMap<T> removed;
    {
        auto fallback = fallback_scalars<T>().lock();
        std::swap(*fallback, removed);
    }
    // Loads read owned cells under the registered table, so zero them with both held.
    auto owned = owned_scalars<T>().lock();
    auto registered = registered_scalars<T>().lock();
    owned->for_each([](int32_t, std::unique_ptr<T>& cell) { *cell = T{}; });
}

template <class T>
void clear_fallback_arrays() {
    FallbackArrayMap<T> removed;
    {
        auto fallback = fallback_arrays<T>().lock();
        std::swap(*fallback, removed);
    }
    auto owned = owned_arrays<T>().lock();
    auto registered = registered_arrays<T>().lock();
    owned->for_each([](ArrayKey, std::vector<T>& array) { std::fill(array.begin(), array.end(), T{}); });
}

// Empties a table, freeing what it held after the lock is released.
template <class Map>
void empty_table(Table<Map>& table) {
    Map removed;
    auto locked = table.lock();
    std::swap(*locked, removed);
    locked.unlock();
}

// Empties an owned table together with its registered table. Emptied one after the other, a growth
// in between would register the owned storage again just before it is freed.
template <class Owned, class Registered>
void empty_owned_and_registered(Table<Owned>& owned_table, Table<Registered>& registered_table) {
    Owned owned_removed;
    Registered registered_removed;
    auto owned = owned_table.lock();
    auto registered = registered_table.lock();
    std::swap(*registered, registered_removed);
    std::swap(*owned, owned_removed);
    registered.unlock();
    owned.unlock();
}

template <class T>
void empty_scalar_tables() {
    empty_owned_and_registered(owned_scalars<T>(), registered_scalars<T>());
}

template <class E>
void empty_array_tables() {
    empty_owned_and_registered(owned_arrays<E>(), registered_arrays<E>());
}

}  // namespace

void clear_jit_i32_global_table() { clear_fallback_scalars<int32_t>(); }
void clear_jit_f32_global_table() { clear_fallback_scalars<float>(); }
void clear_jit_f64_global_table() { clear_fallback_scalars<double>(); }
void clear_jit_i32_array_global_table() { clear_fallback_arrays<int32_t>(); }
void clear_jit_f32_array_global_table() { clear_fallback_arrays<float>(); }
void clear_jit_f64_array_global_table() { clear_fallback_arrays<double>(); }

void clear_registered_global_memory() {
    {
        auto guard = acquire_rebind_guard();
        if (!guard) return;
        empty_scalar_tables<int32_t>();
        empty_scalar_tables<float>();
        empty_scalar_tables<double>();
        empty_array_tables<int32_t>();
        empty_array_tables<float>();
        empty_array_tables<double>();
        empty_array_tables<uint8_t>();
        empty_array_tables<uint16_t>();
        empty_table(direct_storage_slots());
        empty_table(direct_array_required_lengths());
    }
    // Outside the guard: the platform service reset may itself touch the registry.
    reset_platform_service_state();
}

}  // namespace tessel

// ---------------------------------------------------------------------------------------------
// C ABI

using namespace tessel;
using namespace tessel::internal;

void tessel_jit_register_global_i32_ptr(int32_t name, int32_t* address) noexcept { register_scalar(name, address); }
void tessel_jit_register_global_f32_ptr(int32_t name, float* address) noexcept { register_scalar(name, address); }
void tessel_jit_register_global_f64_ptr(int32_t name, double* address) noexcept { register_scalar(name, address); }

void tessel_jit_register_global_i32_array(int32_t name, int32_t field, int32_t* address, int32_t count) noexcept {
    if (count > 0) register_array(name, field, address, static_cast<std::size_t>(count));
}
void tessel_jit_register_global_f32_array(int32_t name, int32_t field, float* address, int32_t count) noexcept {
    if (count > 0) register_array(name, field, address, static_cast<std::size_t>(count));
}
void tessel_jit_register_global_f64_array(int32_t name, int32_t field, double* address, int32_t count) noexcept {
    if (count > 0) register_array(name, field, address, static_cast<std::size_t>(count));
}
void tessel_jit_register_global_u8_array(int32_t name, int32_t field, uint8_t* address, int32_t count) noexcept {
    if (count > 0) register_array(name, field, address, static_cast<std::size_t>(count));
}
void tessel_jit_register_global_u16_array(int32_t name, int32_t field, uint16_t* address, int32_t count) noexcept {
    if (count > 0) register_array(name, field, address, static_cast<std::size_t>(count));
}

int32_t tessel_jit_global_i32_load(int32_t name) noexcept { return load_scalar<int32_t>(name); }
float tessel_jit_global_f32_load(int32_t name) noexcept { return load_scalar<float>(name); }
double tessel_jit_global_f64_load(int32_t name) noexcept { return load_scalar<double>(name); }
void tessel_jit_global_i32_store(int32_t name, int32_t value) noexcept { store_scalar(name, value); }
void tessel_jit_global_f32_store(int32_t name, float value) noexcept { store_scalar(name, value); }
void tessel_jit_global_f64_store(int32_t name, double value) noexcept { store_scalar(name, value); }

int32_t tessel_jit_global_i32_array_load(int32_t name, int32_t field, int32_t index) noexcept {
    return load_i32_element(name, field, index);
}
float tessel_jit_global_f32_array_load(int32_t name, int32_t field, int32_t index) noexcept {
    return load_float_element<float>(name, field, index);
}
double tessel_jit_global_f64_array_load(int32_t name, int32_t field, int32_t index) noexcept {
    return load_float_element<double>(name, field, index);
}
void tessel_jit_global_i32_array_store(int32_t name, int32_t field, int32_t index, int32_t value) noexcept {
    store_i32_element(name, field, index, value);
}
void tessel_jit_global_f32_array_store(int32_t name, int32_t field, int32_t index, float value) noexcept {
    store_float_element(name, field, index, value);
}
void tessel_jit_global_f64_array_store(int32_t name, int32_t field, int32_t index, double value) noexcept {
    store_float_element(name, field, index, value);
}

int32_t* tessel_jit_global_i32_array_ptr(int32_t name, int32_t field, int32_t minimum) noexcept {
    return array_ptr<int32_t>(name, field, minimum);
}
float* tessel_jit_global_f32_array_ptr(int32_t name, int32_t field, int32_t minimum) noexcept {
    return array_ptr<float>(name, field, minimum);
}
double* tessel_jit_global_f64_array_ptr(int32_t name, int32_t field, int32_t minimum) noexcept {
    return array_ptr<double>(name, field, minimum);
}

int32_t tessel_jit_collection_i32_load(int32_t path, int32_t selector) noexcept {
    return load_collection(path, selector);
}

void tessel_jit_collection_i32_store(int32_t path, int32_t selector, int32_t value) noexcept {
    int32_t key = 0;
    if (collection_key(path, selector, key)) store_scalar(key, value);
}
