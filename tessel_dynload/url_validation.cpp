// Validation of the URLs the module agrees to open. Links leave the sandbox of the toy, so the rules
// are strict and checked byte by byte: http or https, a plain host (name, dotted IPv4, bracketed
// IPv6), an optional port, nothing that a browser or a shell would reinterpret.
//
// This file depends on nothing but the C library so that the fuzz target can build it on its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "tessel/services.h"

namespace {

constexpr std::size_t min_length = 8;
constexpr std::size_t max_length = TESSEL_EXTERNAL_URL_MAX_BYTES;
constexpr std::size_t max_name_length = 253;
constexpr std::size_t max_label_length = 63;

constexpr bool is_digit(char c) { return c >= '0' && c <= '9'; }
constexpr bool is_hex(char c) { return is_digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
constexpr bool is_alpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool all_digits(std::string_view text) {
    for (char c : text) {
        if (!is_digit(c)) return false;
    }
    return !text.empty();
}

/** Rule over the whole URL: no control bytes, space, DEL or backslash; escapes complete; non-ASCII
 *  bytes well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF). */
bool bytes_are_clean(std::string_view url) {
    std::size_t i = 0;
    while (i < url.size()) {
        const auto b = static_cast<uint8_t>(url[i]);
        if (b <= 0x20 || b == 0x7F || b == '\\') return false;
        if (b == '%') {
            if (url.size() - i < 3) return false;
            if (!is_hex(url[i + 1]) || !is_hex(url[i + 2])) return false;
            i += 3;
            continue;
        }
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint8_t low = 0x80, high = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;
            if (b == 0xED) high = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;
            if (b == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (url.size() - i < length) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto c = static_cast<uint8_t>(url[i + k]);
            if (c < (k == 1 ? low : 0x80) || c > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

/** A dotted-quad octet: 0..255 without leading zeros. */
bool is_octet(std::string_view label) {
    if (label.empty() || label.size() > 3 || !all_digits(label)) return false;
    if (label.size() > 1 && label[0] == '0') return false;
    int value = 0;
    for (char c : label) value = value * 10 + (c - '0');
    return value <= 255;
}

/** Decimal digits, or "0x" / "0X" followed by hex digits (possibly none): the forms of a number in
 *  a host. */
bool looks_numeric(std::string_view label) {
    if (all_digits(label)) return true;
    if (label.size() < 2 || label[0] != '0' || (label[1] != 'x' && label[1] != 'X')) return false;
    for (char c : label.substr(2)) {
        if (!is_hex(c)) return false;
    }
    return true;
}

/** A DNS name of letters, digits and hyphens; an all-numeric name must be a dotted IPv4 address, and
 *  a name whose last label is number-like must be all-numeric. */
bool is_valid_name(std::string_view name) {
    if (name.empty() || name.size() > max_name_length || name.front() == '.' || name.back() == '.') return false;
    bool every_label_numeric = true;
    std::size_t label_count = 0;
    bool octets_valid = true;
    std::string_view last_label;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = name.find('.', start);
        const std::string_view label =
            name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start);
        if (label.empty() || label.size() > max_label_length) return false;
        if (label.front() == '-' || label.back() == '-') return false;
        for (char c : label) {
            if (!is_alpha(c) && !is_digit(c) && c != '-') return false;
        }
        ++label_count;
        if (all_digits(label)) {
            octets_valid = octets_valid && is_octet(label);
        } else {
            every_label_numeric = false;
        }
        if (dot == std::string_view::npos) {
            last_label = label;
            break;
        }
        start = dot + 1;
    }
    if (every_label_numeric) return label_count == 4 && octets_valid;
    // A name ending in something number-like ("foo.1", "a.0x1f") is what browsers read as an IPv4
    // address and refuse; it is no plain name either.
    return !looks_numeric(last_label);
}

/** The inside of a bracketed IPv6 literal: groups of 1 to 4 hex digits separated by ':', eight of
 *  them, or fewer with exactly one "::" standing for the rest. */
bool is_valid_ipv6(std::string_view text) {
    if (text.empty()) return false;
    const std::size_t gap = text.find("::");
    if (gap != std::string_view::npos && text.find("::", gap + 1) != std::string_view::npos) return false;

    auto count_groups = [](std::string_view part, std::size_t& groups) {
        if (part.empty()) return true;
        std::size_t start = 0;
        while (true) {
            const std::size_t colon = part.find(':', start);
            const std::string_view group =
                part.substr(start, colon == std::string_view::npos ? std::string_view::npos : colon - start);
            if (group.empty() || group.size() > 4) return false;
            for (char c : group) {
                if (!is_hex(c)) return false;
            }
            ++groups;
            if (colon == std::string_view::npos) return true;
            start = colon + 1;
        }
    };

    std::size_t groups = 0;
    if (gap == std::string_view::npos) return count_groups(text, groups) && groups == 8;
    if (!count_groups(text.substr(0, gap), groups) || !count_groups(text.substr(gap + 2), groups)) return false;
    return groups <= 7;
}

/** 1 to 5 digits, 1..65535. */
bool is_valid_port(std::string_view port) {
    if (port.empty() || port.size() > 5 || !all_digits(port)) return false;
    long value = 0;
    for (char c : port) value = value * 10 + (c - '0');
    return value >= 1 && value <= 65535;
}

bool is_valid_authority(std::string_view authority) {
    if (authority.empty()) return false;
    for (char c : authority) {
        if (c == '@' || static_cast<uint8_t>(c) > 0x7F) return false;
    }
    if (authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos || !is_valid_ipv6(authority.substr(1, close - 1))) return false;
        const std::string_view rest = authority.substr(close + 1);
        if (rest.empty()) return true;
        return rest.front() == ':' && is_valid_port(rest.substr(1));
    }
    const std::size_t colon = authority.find(':');
    if (colon == std::string_view::npos) return is_valid_name(authority);
    // is_valid_port refuses a second ':' along with every other non-digit.
    return is_valid_name(authority.substr(0, colon)) && is_valid_port(authority.substr(colon + 1));
}

}  // namespace

int32_t tessel_external_url_validate(const uint8_t* bytes, int32_t length) noexcept {
    if (bytes == nullptr || length < 0) return 0;
    const std::string_view url(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    if (url.size() < min_length || url.size() > max_length) return 0;

    std::size_t scheme_length = 0;
    if (url.starts_with("https://")) {
        scheme_length = 8;
    } else if (url.starts_with("http://")) {
        scheme_length = 7;
    } else {
        return 0;
    }
    if (url.size() <= scheme_length) return 0;

    const std::string_view after_scheme = url.substr(scheme_length);
    const std::string_view authority = after_scheme.substr(0, after_scheme.find_first_of("/?#"));
    if (!is_valid_authority(authority)) return 0;
    return bytes_are_clean(url) ? 1 : 0;
}
