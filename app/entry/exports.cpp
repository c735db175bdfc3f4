// The module's exported C entry points; only the shared module links this file.
#include "app/entry/entry.hpp"

extern "C" {

TESSEL_EXPORT void tessel_aot_bind_runtime_globals() noexcept { state_bind_runtime_globals(); }

TESSEL_EXPORT int32_t main() noexcept { return app_main(); }

TESSEL_EXPORT int32_t tick() noexcept { return app_tick(); }

TESSEL_EXPORT int32_t render() noexcept { return app_render(); }

}
