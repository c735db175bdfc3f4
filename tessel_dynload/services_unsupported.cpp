// The network, offline-web and realtime families, which this build does not support: each function
// checks its arguments as the supported one would and then answers "unsupported", so that compiled
// code sees the same argument errors everywhere.
#include <initializer_list>
#include <optional>

#include "tessel/services.h"
#include "tessel_dynload/tessel_dynload.hpp"

using namespace tessel;

namespace {

constexpr int32_t unsupported = TESSEL_SERVICE_UNSUPPORTED;
constexpr int32_t invalid = TESSEL_SERVICE_INVALID_ARGUMENT;
constexpr int32_t missing_array = TESSEL_SERVICE_MISSING_ARRAY;

/** True when every i32 state array named in names exists and holds at least minimum elements. */
bool arrays_hold(std::initializer_list<int32_t> names, std::size_t minimum) {
    for (int32_t name : names) {
        const std::optional<std::size_t> capacity = jit_i32_array_capacity(name, 0);
        if (!capacity || *capacity < minimum) return false;
    }
    return true;
}

bool in_range(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }
uint32_t as_unsigned(int32_t value) { return static_cast<uint32_t>(value); }

}  // namespace

int32_t tessel_jit_network_supported(void) noexcept { return 0; }
int32_t tessel_jit_network_host_status(void) noexcept { return 0; }
int32_t tessel_jit_network_host_port(void) noexcept { return 0; }
int32_t tessel_jit_network_host_random_seed(void) noexcept { return 0; }
int32_t tessel_jit_network_host_overflow_count(void) noexcept { return 0; }
void tessel_jit_network_host_stop(void) noexcept {}

int32_t tessel_jit_network_host_start(int32_t, int32_t capacity) noexcept {
    return in_range(capacity, 1, 33554432) ? unsupported : invalid;
}
int32_t tessel_jit_network_host_start_bind(int32_t, int32_t capacity, int32_t) noexcept {
    return in_range(capacity, 1, 33554432) ? unsupported : invalid;
}
int32_t tessel_jit_network_host_start_text(int32_t, int32_t) noexcept { return unsupported; }
int32_t tessel_jit_network_host_start_bind_text(int32_t, int32_t, int32_t) noexcept { return unsupported; }

int32_t tessel_jit_network_host_poll(int32_t, int32_t a2, int32_t, int32_t a4) noexcept {
    return a2 < 3 || a4 < 0 ? invalid : unsupported;
}
int32_t tessel_jit_network_host_send(int32_t a1, int32_t, int32_t a3) noexcept {
    return a1 <= 0 || as_unsigned(a3) > 65536 ? invalid : unsupported;
}

int32_t tessel_jit_offline_web_network_supported(void) noexcept { return 0; }
int32_t tessel_jit_offline_web_network_last_sequence(void) noexcept { return 0; }
int32_t tessel_jit_offline_web_network_connect(int32_t, int32_t) noexcept { return unsupported; }
int32_t tessel_jit_offline_web_network_status(void) noexcept { return unsupported; }
int32_t tessel_jit_offline_web_network_resume_seat(int32_t) noexcept { return invalid; }
int32_t tessel_jit_offline_web_network_checkpoint(int32_t a1, int32_t a2) noexcept {
    return in_range(a1, -1, 7) && a2 >= 0 ? unsupported : invalid;
}
int32_t tessel_jit_offline_web_network_poll(int32_t, int32_t a2) noexcept {
    return as_unsigned(a2) <= 65536 ? unsupported : invalid;
}
int32_t tessel_jit_offline_web_network_send(int32_t, int32_t a2) noexcept {
    return as_unsigned(a2) <= 65536 ? unsupported : invalid;
}

int32_t tessel_jit_realtime_start(int32_t, int32_t) noexcept { return unsupported; }
int32_t tessel_jit_realtime_stop(void) noexcept { return unsupported; }
int32_t tessel_jit_realtime_disconnect(void) noexcept { return unsupported; }
int32_t tessel_jit_realtime_reconnect(void) noexcept { return unsupported; }
int32_t tessel_jit_realtime_advance(int32_t) noexcept { return unsupported; }
int32_t tessel_jit_realtime_focus_lost(void) noexcept { return unsupported; }
int32_t tessel_jit_realtime_pause(int32_t) noexcept { return unsupported; }
int32_t tessel_jit_realtime_rematch(void) noexcept { return unsupported; }
int32_t tessel_jit_realtime_record_hash(int32_t, int32_t) noexcept { return unsupported; }
int32_t tessel_jit_realtime_schedule(int32_t, int32_t) noexcept { return unsupported; }
int32_t tessel_jit_realtime_current_tick(void) noexcept { return invalid; }
int32_t tessel_jit_realtime_resync_required(void) noexcept { return invalid; }
int32_t tessel_jit_realtime_current_epoch(void) noexcept { return invalid; }

int32_t tessel_jit_realtime_build_payload(int32_t, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                          int32_t a7, int32_t a8, int32_t a9) noexcept {
    const bool valid = as_unsigned(a3) < 8 && a4 > 0 && a5 > 0 && a6 >= 0 && as_unsigned(a7) < 65536 &&
                       in_range(a8, -128, 127) && in_range(a9, -128, 127) && a2 == 0;
    return valid ? unsupported : invalid;
}

int32_t tessel_jit_realtime_apply_snapshot(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5, int32_t a6,
                                           int32_t a7, int32_t a8, int32_t a9) noexcept {
    if (!(a1 > 0 && a2 >= 0 && in_range(a3, 1, 8))) return invalid;
    if (!arrays_hold({a4, a5, a6, a7, a8, a9}, static_cast<std::size_t>(a3))) return missing_array;
    return unsupported;
}

int32_t tessel_jit_realtime_read_control(int32_t a1, int32_t a2, int32_t a3, int32_t a4) noexcept {
    if (a1 < 0) return invalid;
    if (!arrays_hold({a2, a3, a4}, 1)) return missing_array;
    return unsupported;
}

int32_t tessel_jit_realtime_submit_payload(int32_t a1, int32_t a2) noexcept {
    if (a2 != 0) return invalid;
    if (!arrays_hold({a1}, 0)) return missing_array;
    return unsupported;
}
