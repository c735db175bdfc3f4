// Internal to the graphics runtime library: TrueType fonts loaded with FreeType at a pixel size, text
// measuring and text drawing, and the text cache of measured texts.
//
// A text is one line of UTF-8 (invalid sequences count as U+FFFD; control characters have no width).
// Its line box is ascent + descent high; the first glyph's origin is the box's left edge and the
// baseline lies one ascent below its top. The width is the sum of the glyphs' hinted advances and
// kerning, the same numbers drawing uses, so a measured text fits its drawn ink.
#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "canvas.hpp"
#include "handle_table.hpp"
#include "raster.hpp"

namespace tessel::gfxrt {

/** Most fonts alive at once, and the range of pixel sizes. */
inline constexpr uint32_t max_fonts = 64;
inline constexpr int32_t min_font_size = 1;
inline constexpr int32_t max_font_size = 512;

/** Font status codes of tessel_font_status. */
inline constexpr int32_t font_status_none = 0;
inline constexpr int32_t font_status_ready = 3;
inline constexpr int32_t font_status_unknown = 4;

/** The font table; every member is thread safe. */
class FontStore {
public:
    FontStore();
    ~FontStore();
    FontStore(const FontStore&) = delete;
    FontStore& operator=(const FontStore&) = delete;

    /** Opens the TrueType file of an asset path at size pixels per em; the handle, or 0. */
    int32_t load(std::string_view path, int32_t size);
    /** Frees a font; false for a handle that is not live. */
    bool release(int32_t handle);
    /** font_status_none for 0, ready for a live handle, unknown for anything else. */
    int32_t status(int32_t handle);
    /** Width of text in pixels; 0 for an unknown font. */
    float measure(int32_t handle, std::string_view text);
    /** Height of the font's line box in pixels; 0 for an unknown font. */
    float line_height(int32_t handle);
    /** Live fonts. */
    uint32_t count();

    /** Draws text with the top-left corner of its line box at (x, y), rounded to whole pixels. */
    void draw(Canvas& canvas, const ClipRect& clip, int32_t handle, std::string_view text, float x, float y, uint32_t color);

private:
    struct Face;
    std::mutex mutex_;
    void* library_ = nullptr;  // FT_Library, created on first load
    HandleTable<Face*, max_fonts, HandleKind::font> table_;
};

/** The process-wide font table. */
FontStore& font_store();

/** Most texts the text cache keeps; when full, the oldest entry makes room. */
inline constexpr uint32_t max_cached_texts = 4096;

/** Measured texts under cache ids. A (font, text) pair already cached returns its id again, so
 *  callers that cache the same texts every frame do not fill the cache. Thread safe. */
class TextCache {
public:
    /** Measures text in font and returns its id; 0 for an unknown font. */
    int32_t cache(int32_t font, std::string_view text);
    /** The cached width and line height of an id; 0 for an id that is not live. */
    float width(int32_t id);
    float height(int32_t id);

private:
    struct Entry {
        std::string key;
        float width = 0.0f;
        float height = 0.0f;
    };
    std::mutex mutex_;
    HandleTable<Entry, max_cached_texts, HandleKind::text> table_;
    std::unordered_map<std::string, int32_t> ids_;
    std::deque<int32_t> age_;  // oldest first
};

/** The process-wide text cache. */
TextCache& text_cache();

}  // namespace tessel::gfxrt
