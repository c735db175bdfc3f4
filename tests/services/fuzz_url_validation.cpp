// Fuzz target of the external URL validator. The module opens whatever the validator accepts, so
// every accepted input is checked again here against the rules, written independently of the
// validator: other parsing order (host and port split from the right, IPv6 through inet_pton, UTF-8
// by decoded code point) so that one mistake is unlikely to hide in both.
#include <arpa/inet.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tessel/services.h"

namespace {

[[noreturn]] void violated(const char* rule, std::string_view url) {
    std::fprintf(stderr, "accepted URL breaks rule '%s': %.*s\n", rule, static_cast<int>(url.size()), url.data());
    std::abort();
}

bool digit(char c) { return c >= '0' && c <= '9'; }
bool hex(char c) { return digit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

/** Decodes every UTF-8 sequence and checks the code point it yields. */
bool utf8_ok(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = 0;
        uint32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            extra = 1, cp = b & 0x1F;
        } else if ((b & 0xF0) == 0xE0) {
            extra = 2, cp = b & 0x0F;
        } else if ((b & 0xF8) == 0xF0) {
            extra = 3, cp = b & 0x07;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= s.size()) return false;
        for (int k = 1; k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        const uint32_t minimum = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

bool label_ok(std::string_view label) {
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label) {
        if (!(digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-')) return false;
    }
    return true;
}

bool all_digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (!digit(c)) return false;
    }
    return true;
}

/** A name host; all-numeric names only as a canonical dotted quad. */
bool name_ok(std::string_view name) {
    if (name.empty() || name.size() > 253 || name.front() == '.' || name.back() == '.') return false;
    std::string quad;
    int numeric = 0, labels = 0;
    std::string_view last;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= name.size(); ++i) {
        if (i < name.size() && name[i] != '.') continue;
        const std::string_view label = name.substr(start, i - start);
        if (!label_ok(label)) return false;
        ++labels;
        if (all_digits(label)) ++numeric;
        last = label;
        start = i + 1;
    }
    if (numeric != labels) {
        // A number-like last label ("1", "0x1f", "0x") would make browsers read the host as IPv4.
        const bool hex_number = last.size() >= 2 && last[0] == '0' && (last[1] == 'x' || last[1] == 'X') &&
                                last.substr(2).find_first_not_of("0123456789abcdefABCDEF") == std::string_view::npos;
        return !all_digits(last) && !hex_number;
    }
    if (labels != 4) return false;
    // inet_pton takes exactly the canonical dotted-quad form (no leading zeros, octets up to 255).
    in_addr address{};
    return inet_pton(AF_INET, std::string(name).c_str(), &address) == 1;
}

bool port_ok(std::string_view port) {
    if (port.empty() || port.size() > 5 || !all_digits(port)) return false;
    const long value = std::strtol(std::string(port).c_str(), nullptr, 10);
    return value >= 1 && value <= 65535;
}

void check(std::string_view url) {
    if (url.size() < 8 || url.size() > 2048) violated("length 8..2048", url);
    std::size_t scheme = 0;
    if (url.substr(0, 8) == "https://") {
        scheme = 8;
    } else if (url.substr(0, 7) == "http://") {
        scheme = 7;
    } else {
        violated("http or https scheme", url);
    }
    if (url.size() <= scheme) violated("something after the scheme", url);

    std::size_t end = scheme;
    while (end < url.size() && url[end] != '/' && url[end] != '?' && url[end] != '#') ++end;
    const std::string_view authority = url.substr(scheme, end - scheme);
    if (authority.empty()) violated("authority not empty", url);
    for (char c : authority) {
        if (c == '@') violated("no user info", url);
        if (static_cast<unsigned char>(c) > 0x7F) violated("ASCII authority", url);
    }

    if (authority.front() == '[') {
        const std::size_t close = authority.find(']');
        if (close == std::string_view::npos) violated("closed IPv6 bracket", url);
        const std::string inside(authority.substr(1, close - 1));
        if (inside.find('.') != std::string::npos || inside.find('%') != std::string::npos)
            violated("hex-only IPv6", url);
        in6_addr address{};
        if (inet_pton(AF_INET6, inside.c_str(), &address) != 1) violated("valid IPv6 literal", url);
        const std::string_view rest = authority.substr(close + 1);
        if (!rest.empty() && (rest.front() != ':' || !port_ok(rest.substr(1)))) violated("IPv6 port", url);
    } else {
        const std::size_t colon = authority.rfind(':');
        const std::string_view host = colon == std::string_view::npos ? authority : authority.substr(0, colon);
        if (host.find(':') != std::string_view::npos) violated("one ':' in a name host", url);
        if (!name_ok(host)) violated("valid name host", url);
        if (colon != std::string_view::npos && !port_ok(authority.substr(colon + 1))) violated("port 1..65535", url);
    }

    for (std::size_t i = 0; i < url.size(); ++i) {
        const auto b = static_cast<unsigned char>(url[i]);
        if (b <= 0x20 || b == 0x7F || b == '\\') violated("no control, space, DEL or backslash", url);
        if (b == '%' && (i + 2 >= url.size() || !hex(url[i + 1]) || !hex(url[i + 2])))
            violated("complete percent escapes", url);
    }
    if (!utf8_ok(url)) violated("valid UTF-8", url);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto length = static_cast<int32_t>(size > 4096 ? 4096 : size);
    if (tessel_external_url_validate(data, length) == 1) {
        check(std::string_view(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length)));
    }
    return 0;
}
