// Internal to tessel_dynload: byte-level text helpers of the services (printable ASCII, lossy UTF-8,
// white space trimming, hexadecimal).
#pragma once

#include <string>
#include <string_view>

namespace tessel::internal {

/** True when every byte of bytes is printable ASCII, 0x20..0x7E. */
constexpr bool is_printable_ascii(std::string_view bytes) noexcept {
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b > 0x7E) return false;
    }
    return true;
}

/** bytes as UTF-8, every maximal ill-formed subsequence replaced by U+FFFD. */
std::string utf8_lossy(std::string_view bytes);

/** Valid UTF-8 text without the Unicode white space (White_Space property) at both ends. */
std::string_view trim_unicode_white_space(std::string_view text) noexcept;

/** Lowercase hexadecimal of bytes, two digits per byte. */
std::string lowercase_hex(std::string_view bytes);

}  // namespace tessel::internal
