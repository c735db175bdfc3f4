// External links: the host's gated URL action, this thread's URL host and suppression, and the
// module's request to open a URL. Validation itself is in url_validation.cpp.
#include "tessel_dynload/links.hpp"

#include <optional>
#include <string>

#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel {

namespace {

struct UrlHost {
    TesselExternalUrlOpener opener = nullptr;
    void* context = nullptr;
};

thread_local UrlHost url_host;
thread_local bool suppressed = false;

}  // namespace

void set_external_url_host(TesselExternalUrlOpener opener, void* context) noexcept { url_host = {opener, context}; }

bool external_url_suppressed() noexcept { return suppressed; }

ExternalUrlSuppression::ExternalUrlSuppression() noexcept : previous_(suppressed) { suppressed = true; }

ExternalUrlSuppression::~ExternalUrlSuppression() { suppressed = previous_; }

}  // namespace tessel

using namespace tessel;

void tessel_external_url_action_begin_frame(TesselExternalUrlAction* state, int32_t gesture,
                                            int32_t suppress) noexcept {
    if (state == nullptr) return;
    state->armed = gesture != 0 ? 1 : 0;
    state->suppressed = suppress != 0 ? 1 : 0;
}

void tessel_external_url_action_clear(TesselExternalUrlAction* state) noexcept {
    if (state == nullptr) return;
    state->armed = 0;
    state->suppressed = 0;
}

int32_t tessel_external_url_action_request(TesselExternalUrlAction* state, const uint8_t* url, int32_t length,
                                           TesselExternalUrlOpener opener, void* context) noexcept {
    if (tessel_external_url_validate(url, length) == 0) return -1;
    if (state == nullptr || state->suppressed != 0 || state->armed == 0) return 0;
    state->armed = 0;  // one gesture opens at most one URL
    if (opener == nullptr) return 0;
    return opener(url, length, context) > 0 ? 1 : 0;
}

int32_t tessel_jit_open_external_url(int32_t text) noexcept {
    const std::optional<std::string> bytes = bounded_jit_text_arg_bytes(text, TESSEL_EXTERNAL_URL_MAX_BYTES);
    if (!bytes) return -1;
    const auto* url = reinterpret_cast<const uint8_t*>(bytes->data());
    const auto length = static_cast<int32_t>(bytes->size());
    if (tessel_external_url_validate(url, length) == 0) return -1;
    if (suppressed) return 0;
    if (url_host.opener != nullptr) return url_host.opener(url, length, url_host.context);
    const internal::TesselGraphicsAssetsApi* api = internal::graphics_assets_api();
    if (api == nullptr || api->open_external_url == nullptr) return 0;
    return api->open_external_url(url, length);
}
