// Fonts through FreeType, text measuring and drawing, and the text cache.
//
// Sections: UTF-8; faces and glyphs; the font table; the text cache.
#include "fonts.hpp"

#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

#include "asset_paths.hpp"

namespace tessel::gfxrt {

// ---------------------------------------------------------------------------------------------
// UTF-8

namespace {

constexpr uint32_t replacement_character = 0xFFFD;

/** The code point at s[i], advancing i; U+FFFD for an invalid or truncated sequence. */
uint32_t next_code_point(std::string_view s, size_t& i) {
    const auto c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    int trailing = 0;
    uint32_t cp = 0, minimum = 0;
    if ((c & 0xE0) == 0xC0) {
        trailing = 1, cp = c & 0x1F, minimum = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
        trailing = 2, cp = c & 0x0F, minimum = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
        trailing = 3, cp = c & 0x07, minimum = 0x10000;
    } else {
        return replacement_character;
    }
    for (int k = 0; k < trailing; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return replacement_character;
        cp = (cp << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return replacement_character;
    return cp;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Faces and glyphs

namespace {

struct Glyph {
    bool loaded = false;
    FT_UInt index = 0;
    int32_t advance = 0;  // 26.6 pixels
    int32_t left = 0, top = 0, width = 0, rows = 0;
    std::vector<uint8_t> coverage;
};

constexpr size_t max_uncommon_glyphs = 4096;

}  // namespace

struct FontStore::Face {
    FT_Face face = nullptr;
    int32_t ascent = 0;
    int32_t descent = 0;
    std::array<Glyph, 256> common{};
    std::unordered_map<uint32_t, Glyph> uncommon;

    ~Face() {
        if (face != nullptr) FT_Done_Face(face);
    }

    const Glyph& glyph(uint32_t cp) {
        Glyph& g = cp < common.size() ? common[cp] : uncommon[cp];
        if (!g.loaded) render(cp, g);
        return g;
    }

    void render(uint32_t cp, Glyph& g) {
        g.loaded = true;
        if (cp < 0x20 || cp == 0x7F) return;  // control characters: no ink, no width
        g.index = FT_Get_Char_Index(face, cp);
        if (FT_Load_Glyph(face, g.index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return;
        const FT_GlyphSlot slot = face->glyph;
        g.advance = static_cast<int32_t>(slot->advance.x);
        const FT_Bitmap& bitmap = slot->bitmap;
        if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = static_cast<int32_t>(bitmap.width);
        g.rows = static_cast<int32_t>(bitmap.rows);
        g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
        for (int32_t y = 0; y < g.rows; ++y) {
            const unsigned char* src = bitmap.buffer + static_cast<ptrdiff_t>(y) * bitmap.pitch;
            std::copy(src, src + g.width, g.coverage.begin() + static_cast<ptrdiff_t>(y) * g.width);
        }
    }

    /** Walks the glyphs of text, calling f(glyph, pen in 26.6) for each; returns the advance in 26.6. */
    template <typename F>
    int64_t layout(std::string_view text, F&& f) {
        if (uncommon.size() > max_uncommon_glyphs) uncommon.clear();
        const bool kerning = FT_HAS_KERNING(face);
        int64_t pen = 0;
        FT_UInt previous = 0;
        for (size_t i = 0; i < text.size();) {
            const Glyph& g = glyph(next_code_point(text, i));
            if (g.index == 0 && g.advance == 0) continue;
            if (kerning && previous != 0 && g.index != 0) {
                FT_Vector delta{};
                if (FT_Get_Kerning(face, previous, g.index, FT_KERNING_DEFAULT, &delta) == 0) pen += delta.x;
            }
            f(g, pen);
            pen += g.advance;
            previous = g.index;
        }
        return pen;
    }
};

// ---------------------------------------------------------------------------------------------
// The font table

FontStore::FontStore() = default;

FontStore::~FontStore() {
    table_.for_each([](int32_t, Face*& face) { delete face; });
    table_.clear();
    if (library_ != nullptr) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

int32_t FontStore::load(std::string_view path, int32_t size) {
    if (size < min_font_size || size > max_font_size || path.empty()) return 0;
    const std::string file = resolve_asset_path(path);
    const std::lock_guard lock(mutex_);
    if (library_ == nullptr) {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) != 0) return 0;
        library_ = library;
    }
    auto face = std::make_unique<Face>();
    if (FT_New_Face(static_cast<FT_Library>(library_), file.c_str(), 0, &face->face) != 0) {
        face->face = nullptr;
        return 0;
    }
    if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(size)) != 0) return 0;
    const FT_Size_Metrics& metrics = face->face->size->metrics;
    face->ascent = static_cast<int32_t>((metrics.ascender + 63) >> 6);
    face->descent = static_cast<int32_t>((-metrics.descender + 63) >> 6);
    const int32_t handle = table_.insert(face.get());
    if (handle != 0) face.release();
    return handle;
}

bool FontStore::release(int32_t handle) {
    const std::lock_guard lock(mutex_);
    const std::optional<Face*> face = table_.erase(handle);
    if (!face) return false;
    delete *face;
    return true;
}

int32_t FontStore::status(int32_t handle) {
    if (handle == 0) return font_status_none;
    const std::lock_guard lock(mutex_);
    return table_.find(handle) != nullptr ? font_status_ready : font_status_unknown;
}

float FontStore::measure(int32_t handle, std::string_view text) {
    const std::lock_guard lock(mutex_);
    Face** face = table_.find(handle);
    if (face == nullptr) return 0.0f;
    return static_cast<float>((*face)->layout(text, [](const Glyph&, int64_t) {})) / 64.0f;
}

float FontStore::line_height(int32_t handle) {
    const std::lock_guard lock(mutex_);
    Face** face = table_.find(handle);
    return face == nullptr ? 0.0f : static_cast<float>((*face)->ascent + (*face)->descent);
}

uint32_t FontStore::count() {
    const std::lock_guard lock(mutex_);
    return table_.size();
}

void FontStore::draw(Canvas& canvas, const ClipRect& clip, int32_t handle, std::string_view text, float x, float y,
                     uint32_t color) {
    if (!std::isfinite(x) || !std::isfinite(y) || std::fabs(x) > 1e8f || std::fabs(y) > 1e8f || color == 0) return;
    const std::lock_guard lock(mutex_);
    Face** face = table_.find(handle);
    if (face == nullptr) return;
    const int32_t origin_x = static_cast<int32_t>(std::floor(x + 0.5f));
    const int32_t baseline = static_cast<int32_t>(std::floor(y + 0.5f)) + (*face)->ascent;
    (*face)->layout(text, [&](const Glyph& g, int64_t pen) {
        if (g.coverage.empty()) return;
        const int64_t gx = origin_x + ((pen + 32) >> 6) + g.left;
        if (gx < -max_canvas_side || gx > max_canvas_side) return;
        draw_mask(canvas, clip, static_cast<int32_t>(gx), baseline - g.top, g.coverage.data(), g.width, g.rows, g.width, color);
    });
}

FontStore& font_store() {
    static FontStore store;
    return store;
}

// ---------------------------------------------------------------------------------------------
// The text cache

int32_t TextCache::cache(int32_t font, std::string_view text) {
    if (font_store().status(font) != font_status_ready) return 0;
    std::string key(reinterpret_cast<const char*>(&font), sizeof font);
    key.append(text);
    {
        const std::lock_guard lock(mutex_);
        const auto found = ids_.find(key);
        if (found != ids_.end() && table_.find(found->second) != nullptr) return found->second;
    }
    // Measured outside the cache's lock: the font table has its own.
    Entry entry{key, font_store().measure(font, text), font_store().line_height(font)};
    const std::lock_guard lock(mutex_);
    const auto found = ids_.find(key);
    if (found != ids_.end() && table_.find(found->second) != nullptr) return found->second;
    if (table_.size() == table_.capacity()) {
        const int32_t oldest = age_.front();
        age_.pop_front();
        if (const std::optional<Entry> evicted = table_.erase(oldest)) ids_.erase(evicted->key);
    }
    const int32_t id = table_.insert(std::move(entry));
    if (id != 0) {
        ids_[key] = id;
        age_.push_back(id);
    }
    return id;
}

float TextCache::width(int32_t id) {
    const std::lock_guard lock(mutex_);
    const Entry* entry = table_.find(id);
    return entry == nullptr ? 0.0f : entry->width;
}

float TextCache::height(int32_t id) {
    const std::lock_guard lock(mutex_);
    const Entry* entry = table_.find(id);
    return entry == nullptr ? 0.0f : entry->height;
}

TextCache& text_cache() {
    static TextCache cache;
    return cache;
}

}  // namespace tessel::gfxrt
