// Internal to the graphics runtime library: support for the exported C functions, which never let an
// exception cross the C boundary.
#pragma once

#include <string_view>
#include <type_traits>

#include "tessel/export.h"
#include "tessel/graphics.h"

/** Defines an exported C function; its signature is checked against the function type of graphics.h. */
#define TESSEL_GRAPHICS_API extern "C" TESSEL_EXPORT

/** Checks that an exported function has the signature of its graphics.h function type. */
#define TESSEL_GRAPHICS_CHECK(name) \
    static_assert(std::is_convertible_v<decltype(&name), name##_fn>, #name " matches its function type")

namespace tessel::gfxrt {

/** Runs f, returning fallback if it throws (out of memory). */
template <typename R, typename F>
R guarded(R fallback, F&& f) noexcept {
    try {
        return f();
    } catch (...) {
        return fallback;
    }
}

/** Runs f, ignoring an exception. */
template <typename F>
void guarded_void(F&& f) noexcept {
    try {
        f();
    } catch (...) {
    }
}

/** A C string argument as a view; empty for null. */
inline std::string_view text_arg(const char* text) { return text == nullptr ? std::string_view{} : std::string_view{text}; }

}  // namespace tessel::gfxrt
