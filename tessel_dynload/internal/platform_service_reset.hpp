// Internal to tessel_dynload: the hook by which clearing the registry also resets the platform
// service state. The services layer defines it; registry.cpp holds a weak no-op default.
#pragma once

namespace tessel::internal {

/** Returns the platform service channel and external-link state to their start-up values. */
void reset_platform_service_state();

}  // namespace tessel::internal
