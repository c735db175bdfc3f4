// The providers the services consult: the process-wide binding to the graphics runtime library, the
// per-thread embedded graphics host and the process-wide audio host table.
#include <atomic>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include "tessel_dynload/dynamic_library.hpp"
#include "tessel_dynload/graphics_api.hpp"
#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/internal/tables.hpp"
#include "tessel_dynload/services.hpp"

namespace tessel {

namespace fs = std::filesystem;

namespace internal {

namespace {

/** Resolves the service entries of an open library; the error of the first required one missing. */
Result<TesselGraphicsAssetsApi> resolve_service_entries(const Library& library) {
    using R = Result<TesselGraphicsAssetsApi>;
    TesselGraphicsAssetsApi api;
#define TESSEL_RESOLVE_SERVICE_ENTRY(name, required)                                    \
    if (required) {                                                                     \
        auto address = library.resolve("tessel_" #name);                                \
        if (!address) return R::failure(address.error());                               \
        api.name = reinterpret_cast<tessel_##name##_fn>(address.value());               \
    } else {                                                                            \
        api.name = reinterpret_cast<tessel_##name##_fn>(library.find("tessel_" #name)); \
    }
    TESSEL_GRAPHICS_SERVICE_ENTRIES(TESSEL_RESOLVE_SERVICE_ENTRY)
#undef TESSEL_RESOLVE_SERVICE_ENTRY
#define TESSEL_RESOLVE_AUDIO_ENTRY(name) \
    api.audio_##name = reinterpret_cast<tessel_audio_##name##_fn>(library.find("tessel_audio_" #name));
    TESSEL_GRAPHICS_AUDIO_ENTRIES(TESSEL_RESOLVE_AUDIO_ENTRY)
#undef TESSEL_RESOLVE_AUDIO_ENTRY
    return api;
}

// The binding is published through an atomic pointer so that readers never lock. Every binding made
// is kept until the process ends (readers hold references to it, and its library stays open).
std::atomic<const GraphicsAssetsBinding*> published_binding{nullptr};
std::mutex binding_creation;
std::vector<std::unique_ptr<GraphicsAssetsBinding>>* made_bindings = nullptr;  // guarded by binding_creation

/** Keeps binding for the life of the process and publishes it; binding_creation must be held. */
const GraphicsAssetsBinding* publish_locked(GraphicsAssetsBinding binding) {
    if (made_bindings == nullptr) made_bindings = new std::vector<std::unique_ptr<GraphicsAssetsBinding>>();
    made_bindings->push_back(std::make_unique<GraphicsAssetsBinding>(std::move(binding)));
    const GraphicsAssetsBinding* made = made_bindings->back().get();
    published_binding.store(made, std::memory_order_release);
    return made;
}

}  // namespace

GraphicsAssetsBinding bind_graphics_assets(std::span<const fs::path> candidates) {
    GraphicsAssetsBinding binding;
    bool any_existed = false;
    for (const fs::path& candidate : candidates) {
        std::error_code ec;
        if (!fs::exists(candidate, ec)) continue;
        any_existed = true;
        auto library = Library::open(candidate);
        if (!library) {
            binding.error = library.error();
            continue;
        }
        if (auto abi = verify_graphics_runtime_abi(library.value(), candidate); !abi) {
            binding.error = abi.error();
            continue;
        }
        auto entries = resolve_service_entries(library.value());
        if (!entries) {
            binding.error = entries.error();
            continue;
        }
        library.value().keep_open();
        binding.entries = entries.value();
        binding.error.clear();
        return binding;
    }
    if (!any_existed) binding.error = "failed to load tessel_graphics runtime library for asset calls";
    return binding;
}

const GraphicsAssetsBinding& graphics_assets_binding() {
    if (const GraphicsAssetsBinding* ready = published_binding.load(std::memory_order_acquire)) return *ready;
    std::lock_guard lock(binding_creation);
    if (const GraphicsAssetsBinding* ready = published_binding.load(std::memory_order_acquire)) return *ready;
    const std::vector<fs::path> candidates = runtime_library_candidate_paths();
    return *publish_locked(bind_graphics_assets(candidates));
}

void rebind_graphics_assets_for_test(std::span<const fs::path> candidates) {
    std::lock_guard lock(binding_creation);
    publish_locked(bind_graphics_assets(candidates));
}

// ---------------------------------------------------------------------------------------------
// Embedded graphics host

namespace {
thread_local TesselEmbeddedGraphicsHost embedded_host{};
}

const TesselEmbeddedGraphicsHost* embedded_graphics_host() noexcept {
    return embedded_host.load_sprite != nullptr ? &embedded_host : nullptr;
}

}  // namespace internal

void set_embedded_graphics_host(std::optional<TesselEmbeddedGraphicsHost> host) {
    internal::embedded_host = host.value_or(TesselEmbeddedGraphicsHost{});
}

bool embedded_graphics_host_is_set() { return internal::embedded_graphics_host() != nullptr; }

// ---------------------------------------------------------------------------------------------
// Audio host table

namespace {

internal::Table<std::optional<TesselAudioHostApi>>& audio_host_slot() {
    static auto* slot = new internal::Table<std::optional<TesselAudioHostApi>>("audio host table mutex poisoned");
    return *slot;
}

}  // namespace

void install_audio_host_api(std::optional<TesselAudioHostApi> table) { *audio_host_slot().lock() = table; }

std::optional<TesselAudioHostApi> current_audio_host_api() { return *audio_host_slot().lock(); }

}  // namespace tessel
