// Internal to tessel_dynload: UTF-8 validation and counting for literal texts and text ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tessel::internal {

/** True when text is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF. */
constexpr bool is_valid_utf8(std::string_view text) noexcept {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        const auto b0 = static_cast<uint8_t>(text[i]);
        if (b0 < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint8_t low = 0x80, high = 0xBF;  // allowed range of the second byte
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            length = 2;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            length = 3;
            if (b0 == 0xE0) low = 0xA0;   // overlong
            if (b0 == 0xED) high = 0x9F;  // surrogates
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            length = 4;
            if (b0 == 0xF0) low = 0x90;   // overlong
            if (b0 == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (n - i < length) return false;
        const auto b1 = static_cast<uint8_t>(text[i + 1]);
        if (b1 < low || b1 > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            const auto b = static_cast<uint8_t>(text[i + k]);
            if (b < 0x80 || b > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

/** Number of Unicode scalar values of valid UTF-8 text (every byte that does not continue one). */
constexpr std::size_t utf8_scalar_count(std::string_view text) noexcept {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<uint8_t>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

}  // namespace tessel::internal
