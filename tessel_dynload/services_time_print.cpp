// Services that need no provider: time (wall clock or the host's recording clock), fast sine and
// cosine, sleep, and printing to standard output or the host's capture buffer.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>

#include "tessel/services.h"
#include "tessel_dynload/internal/tables.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/services.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

using namespace tessel;

namespace {

// ---------------------------------------------------------------------------------------------
// Recording clock: plain values set by the host between frames (atomics only so that a reader on
// another thread is well defined).

std::atomic<uint32_t> recording_fps{0};
std::atomic<uint64_t> recording_frame{0};

/** Microseconds on the recording clock: frame x 1000000 / fps, an overflowing product counting as the
 *  largest 64-bit value. */
uint64_t recording_micros(uint32_t fps) {
    const uint64_t frame = recording_frame.load(std::memory_order_relaxed);
    uint64_t product = 0;
    if (__builtin_mul_overflow(frame, uint64_t{1000000}, &product)) product = std::numeric_limits<uint64_t>::max();
    return product / fps;
}

int32_t capped(uint64_t value) {
    return value > static_cast<uint64_t>(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                              : static_cast<int32_t>(value);
}

/** Wall-clock time since the epoch in units per second (1000 or 1000000), truncated to 32 bits. */
int32_t wall_clock(int64_t units_per_second) {
    const auto since_epoch = std::chrono::system_clock::now().time_since_epoch();
    if (since_epoch.count() < 0) return 0;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(since_epoch);
    const auto fraction = std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - seconds).count();
    const uint64_t value = static_cast<uint64_t>(seconds.count()) * static_cast<uint64_t>(units_per_second) +
                           static_cast<uint64_t>(fraction / (1000000000 / units_per_second));
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

// ---------------------------------------------------------------------------------------------
// Output capture

internal::Table<std::optional<std::string>>& capture_buffer() {
    static auto* table = new internal::Table<std::optional<std::string>>("jit output capture mutex poisoned");
    return *table;
}

void write_output(std::string_view text) {
    {
        auto capture = capture_buffer().lock();
        if (capture->has_value()) {
            (*capture)->append(text);
            return;
        }
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);  // a failed flush is not the guest's concern
}

}  // namespace

namespace tessel {

void set_recording_clock(uint32_t fps, uint64_t frame) {
    recording_frame.store(frame, std::memory_order_relaxed);
    recording_fps.store(fps, std::memory_order_relaxed);
}

void set_recording_clock_frame(uint64_t frame) { recording_frame.store(frame, std::memory_order_relaxed); }

void clear_recording_clock() { set_recording_clock(0, 0); }

void set_jit_output_capture(bool enabled) {
    auto capture = capture_buffer().lock();
    if (enabled) {
        capture->emplace();
    } else {
        capture->reset();
    }
}

std::string drain_jit_output() {
    auto capture = capture_buffer().lock();
    if (!capture->has_value()) return {};
    return std::exchange(**capture, std::string());
}

}  // namespace tessel

int32_t tessel_get_time_ms(void) noexcept {
    if (const uint32_t fps = recording_fps.load(std::memory_order_relaxed); fps != 0)
        return capped(recording_micros(fps) / 1000);
    return wall_clock(1000);
}

int32_t tessel_get_time_us(void) noexcept {
    if (const uint32_t fps = recording_fps.load(std::memory_order_relaxed); fps != 0)
        return capped(recording_micros(fps));
    return wall_clock(1000000);
}

float tessel_jit_sin_fast(float radians) noexcept { return std::sin(radians); }
float tessel_jit_cos_fast(float radians) noexcept { return std::cos(radians); }

void tessel_jit_sleep_ms(int32_t) noexcept {}

void tessel_jit_print_i32(int32_t v) noexcept { write_output(std::to_string(v)); }

void tessel_jit_print_string(int32_t text) noexcept {
    if (const std::optional<std::string> bytes = jit_text_arg_bytes(text)) {
        write_output(internal::utf8_lossy(*bytes));
    } else if (const std::optional<std::string> literal = jit_string_literal_value(text)) {
        write_output(*literal);
    }
}
