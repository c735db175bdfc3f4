// The clipboard and external links. A windowed display uses the system clipboard; a headless one keeps
// a clipboard of its own. Loaded text loses the white space around it, so a copied line with its line
// break still reads as that line.
#include <algorithm>
#include <cctype>
#include <string_view>

#include <SDL.h>

#include "display.hpp"

namespace tessel::gfxrt {

namespace {

constexpr int32_t max_url_length = 4096;

std::string_view trim(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

int32_t Display::clipboard_load(uint8_t* buffer, int32_t capacity) {
    if (buffer == nullptr || capacity < 0) return 0;
    const std::lock_guard lock(mutex_);
    std::string text = clipboard_;
    if (video_ && SDL_HasClipboardText()) {
        char* system = SDL_GetClipboardText();
        if (system != nullptr) text = system;
        SDL_free(system);
    }
    const std::string_view trimmed = trim(text);
    // The whole length is returned even when it exceeds the capacity, so that a caller can tell a
    // text that did not fit from one that did.
    std::copy_n(trimmed.begin(), std::min<size_t>(trimmed.size(), static_cast<size_t>(capacity)), buffer);
    return static_cast<int32_t>(std::min<size_t>(trimmed.size(), INT32_MAX));
}

bool Display::clipboard_save(const uint8_t* text, int32_t length) {
    if (text == nullptr || length < 0) return false;
    const std::string value(reinterpret_cast<const char*>(text), static_cast<size_t>(length));
    if (value.find('\0') != std::string::npos) return false;
    const std::lock_guard lock(mutex_);
    clipboard_ = value;
    return !video_ || SDL_SetClipboardText(value.c_str()) == 0;
}

bool Display::open_url(const uint8_t* url, int32_t length) {
    if (url == nullptr || length < 1 || length > max_url_length) return false;
    const std::string value(reinterpret_cast<const char*>(url), static_cast<size_t>(length));
    // Printable ASCII without spaces, and only web or mail links.
    if (!std::all_of(value.begin(), value.end(), [](char c) { return c > 0x20 && c < 0x7F; })) return false;
    if (!starts_with_ignoring_case(value, "https://") && !starts_with_ignoring_case(value, "http://") &&
        !starts_with_ignoring_case(value, "mailto:")) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    if (window_ == nullptr) return false;  // headless: no desktop to open it on
    return SDL_OpenURL(value.c_str()) == 0;
}

}  // namespace tessel::gfxrt
