// Byte-level text helpers of the services.
#include "tessel_dynload/internal/text_bytes.hpp"

#include <cstdint>

namespace tessel::internal {

namespace {

/** Length of the well-formed UTF-8 sequence at the start of bytes, or of its maximal ill-formed
 *  prefix negated (at least 1 byte is always consumed). */
int sequence_length(std::string_view bytes) noexcept {
    const auto b0 = static_cast<uint8_t>(bytes[0]);
    if (b0 < 0x80) return 1;
    int length = 0;
    uint8_t low = 0x80, high = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        length = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        length = 3;
        if (b0 == 0xE0) low = 0xA0;
        if (b0 == 0xED) high = 0x9F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        length = 4;
        if (b0 == 0xF0) low = 0x90;
        if (b0 == 0xF4) high = 0x8F;
    } else {
        return -1;
    }
    for (int k = 1; k < length; ++k) {
        if (static_cast<std::size_t>(k) >= bytes.size()) return -k;
        const auto b = static_cast<uint8_t>(bytes[k]);
        const uint8_t lo = k == 1 ? low : 0x80;
        const uint8_t hi = k == 1 ? high : 0xBF;
        if (b < lo || b > hi) return -k;
    }
    return length;
}

/** Decodes the well-formed sequence of length n at the start of text. */
char32_t decode(std::string_view text, int n) noexcept {
    const auto b0 = static_cast<uint8_t>(text[0]);
    char32_t c = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    for (int k = 1; k < n; ++k) c = (c << 6) | (static_cast<uint8_t>(text[k]) & 0x3F);
    return c;
}

constexpr bool is_white_space(char32_t c) noexcept {
    return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
           (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

}  // namespace

std::string utf8_lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    while (!bytes.empty()) {
        const int n = sequence_length(bytes);
        if (n > 0) {
            out.append(bytes.substr(0, static_cast<std::size_t>(n)));
            bytes.remove_prefix(static_cast<std::size_t>(n));
        } else {
            out.append("\xEF\xBF\xBD");
            bytes.remove_prefix(static_cast<std::size_t>(-n));
        }
    }
    return out;
}

std::string_view trim_unicode_white_space(std::string_view text) noexcept {
    while (!text.empty()) {
        const int n = sequence_length(text);
        if (n <= 0 || !is_white_space(decode(text, n))) break;
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    while (!text.empty()) {
        // Step back over continuation bytes to the start of the last sequence.
        std::size_t start = text.size() - 1;
        while (start > 0 && (static_cast<uint8_t>(text[start]) & 0xC0) == 0x80 && text.size() - start < 4) --start;
        const std::string_view last = text.substr(start);
        const int n = sequence_length(last);
        if (n <= 0 || static_cast<std::size_t>(n) != last.size() || !is_white_space(decode(last, n))) break;
        text.remove_suffix(last.size());
    }
    return text;
}

std::string lowercase_hex(std::string_view bytes) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const auto b = static_cast<uint8_t>(c);
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 0x0F]);
    }
    return out;
}

}  // namespace tessel::internal
