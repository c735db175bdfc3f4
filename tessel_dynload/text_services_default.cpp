// Text services before the services layer provides them: weak definitions that answer 0, and the
// replaceable table through which text runs reach the services.
#include <atomic>

#include "tessel_dynload/internal/text_services.hpp"

namespace tessel::internal {

__attribute__((weak)) int32_t text_service_cache_text(int32_t, int32_t) { return 0; }
__attribute__((weak)) float text_service_measure_cached(int32_t) { return 0.0f; }
__attribute__((weak)) float text_service_measure_cached_height(int32_t) { return 0.0f; }
__attribute__((weak)) int32_t text_service_replace_text(int32_t, int32_t, const std::string&) { return 0; }

namespace {

constinit const TextServices linked_services{
    &text_service_cache_text,
    &text_service_measure_cached,
    &text_service_measure_cached_height,
    &text_service_replace_text,
};

constinit std::atomic<const TextServices*> installed_services{nullptr};

}  // namespace

const TextServices& text_services() {
    const TextServices* installed = installed_services.load(std::memory_order_acquire);
    return installed != nullptr ? *installed : linked_services;
}

const TextServices* install_text_services(const TextServices* table) {
    return installed_services.exchange(table, std::memory_order_acq_rel);
}

}  // namespace tessel::internal
