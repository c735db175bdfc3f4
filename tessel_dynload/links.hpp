// Host-facing operations of external links: the per-thread opener of validated URLs and the
// per-thread suppression of link requests while the guest reacts to a code swap. The C ABI (URL
// validation, the gated URL action, tessel_jit_open_external_url) is in include/tessel/services.h.
#pragma once

#include "tessel/export.h"
#include "tessel/services.h"

namespace tessel {

/** The host's per-frame gate for link requests (armed, suppressed). */
using ExternalUrlAction = TesselExternalUrlAction;

/** Sets (or, with a null opener, clears) this thread's external URL host: tessel_jit_open_external_url
 *  on this thread hands validated URLs to opener(url, length, context) and returns its result. */
TESSEL_EXPORT void set_external_url_host(TesselExternalUrlOpener opener, void* context) noexcept;

/** True while link requests are suppressed on this thread. */
TESSEL_EXPORT bool external_url_suppressed() noexcept;

/** Suppresses link requests on this thread for its lifetime and then restores the previous state;
 *  nests. Held around the guest's code-swap hook so that the guest cannot open links meanwhile. */
class TESSEL_EXPORT ExternalUrlSuppression {
public:
    ExternalUrlSuppression() noexcept;
    ~ExternalUrlSuppression();
    ExternalUrlSuppression(const ExternalUrlSuppression&) = delete;
    ExternalUrlSuppression& operator=(const ExternalUrlSuppression&) = delete;

private:
    bool previous_;
};

}  // namespace tessel
