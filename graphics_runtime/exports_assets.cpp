// Exported functions of the service side: sprites, fonts, text, asset tasks, images, clipboard, links.
// These names are also exported by the module with other signatures; the library is linked with
// -Bsymbolic so that its own calls bind here.
#include "asset_tasks.hpp"
#include "display.hpp"
#include "exports.hpp"
#include "fonts.hpp"
#include "sprites.hpp"

using namespace tessel::gfxrt;

// ---------------------------------------------------------------------------------------------
// Sprites

TESSEL_GRAPHICS_API int32_t tessel_gfx_load_sprite(const char* path, int32_t w, int32_t h) noexcept {
    return guarded(0, [&] { return text_arg(path).empty() ? 0 : sprite_store().load(path, w, h); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_load_sprite);

TESSEL_GRAPHICS_API void tessel_gfx_release_sprite(int32_t sprite) noexcept {
    guarded_void([&] { sprite_store().release(sprite); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_release_sprite);

TESSEL_GRAPHICS_API int32_t tessel_gfx_poll_reload(int32_t sprite) noexcept {
    return guarded(0, [&] { return sprite_store().poll_reload(sprite) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_poll_reload);

// ---------------------------------------------------------------------------------------------
// Fonts and text

TESSEL_GRAPHICS_API int32_t tessel_load_font(const char* path, int32_t size) noexcept {
    return guarded(0, [&] { return font_store().load(text_arg(path), size); });
}
TESSEL_GRAPHICS_CHECK(tessel_load_font);

TESSEL_GRAPHICS_API void tessel_gfx_release_font(int32_t font) noexcept {
    guarded_void([&] { font_store().release(font); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_release_font);

TESSEL_GRAPHICS_API int32_t tessel_font_status(int32_t font) noexcept {
    return guarded(font_status_unknown, [&] { return font_store().status(font); });
}
TESSEL_GRAPHICS_CHECK(tessel_font_status);

TESSEL_GRAPHICS_API float tessel_measure_text(int32_t font, const char* text) noexcept {
    return guarded(0.0f, [&] { return font_store().measure(font, text_arg(text)); });
}
TESSEL_GRAPHICS_CHECK(tessel_measure_text);

TESSEL_GRAPHICS_API int32_t tessel_gfx_cache_text(int32_t font, const char* text) noexcept {
    return guarded(0, [&] { return text == nullptr ? 0 : text_cache().cache(font, text); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_cache_text);

/** Caches text like tessel_gfx_cache_text. The old id stays valid until the cache evicts it: entries
 *  are shared by every caller of the same text. */
TESSEL_GRAPHICS_API int32_t tessel_gfx_replace_text(int32_t, int32_t font, const char* text) noexcept {
    return guarded(0, [&] { return text == nullptr ? 0 : text_cache().cache(font, text); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_replace_text);

TESSEL_GRAPHICS_API float tessel_gfx_measure_text_cached(int32_t id) noexcept {
    return guarded(0.0f, [&] { return text_cache().width(id); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_measure_text_cached);

TESSEL_GRAPHICS_API float tessel_gfx_measure_text_cached_height(int32_t id) noexcept {
    return guarded(0.0f, [&] { return text_cache().height(id); });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_measure_text_cached_height);

// ---------------------------------------------------------------------------------------------
// Asset tasks

TESSEL_GRAPHICS_API int32_t tessel_asset_request_sprite(const char* path, int32_t w, int32_t h) noexcept {
    return guarded(0, [&] { return asset_tasks().request_sprite(text_arg(path), w, h); });
}
TESSEL_GRAPHICS_CHECK(tessel_asset_request_sprite);

TESSEL_GRAPHICS_API int32_t tessel_asset_request_audio(const char* path) noexcept {
    return guarded(0, [&] { return asset_tasks().request_audio(text_arg(path)); });
}
TESSEL_GRAPHICS_CHECK(tessel_asset_request_audio);

TESSEL_GRAPHICS_API int32_t tessel_asset_task_poll(int32_t task) noexcept {
    return guarded(0, [&] { return asset_tasks().poll(task); });
}
TESSEL_GRAPHICS_CHECK(tessel_asset_task_poll);

TESSEL_GRAPHICS_API int32_t tessel_asset_task_take_handle(int32_t task) noexcept {
    return guarded(0, [&] { return asset_tasks().take_handle(task); });
}
TESSEL_GRAPHICS_CHECK(tessel_asset_task_take_handle);

TESSEL_GRAPHICS_API void tessel_asset_task_cancel(int32_t task) noexcept {
    guarded_void([&] { asset_tasks().cancel(task); });
}
TESSEL_GRAPHICS_CHECK(tessel_asset_task_cancel);

// ---------------------------------------------------------------------------------------------
// Images of the displayed frame, focus

TESSEL_GRAPHICS_API int32_t tessel_gfx_dump_bmp(const char* path) noexcept {
    return guarded(0, [&] { return display().dump_bmp(path) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_dump_bmp);

TESSEL_GRAPHICS_API int32_t tessel_gfx_dump_png(const char* path) noexcept {
    return guarded(0, [&] { return display().dump_png(path) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_gfx_dump_png);

TESSEL_GRAPHICS_API int32_t tessel_host_schedule_screenshot(const char* path) noexcept {
    return guarded(0, [&] { return display().schedule_screenshot(path) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_host_schedule_screenshot);

TESSEL_GRAPHICS_API int32_t tessel_host_focus_game_window() noexcept {
    return guarded(0, [] { return display().focus_game_window(); });
}
TESSEL_GRAPHICS_CHECK(tessel_host_focus_game_window);

// ---------------------------------------------------------------------------------------------
// Clipboard and links

TESSEL_GRAPHICS_API int32_t tessel_clipboard_load_ascii(uint8_t* buffer, int32_t capacity) noexcept {
    return guarded(0, [&] { return display().clipboard_load(buffer, capacity); });
}
TESSEL_GRAPHICS_CHECK(tessel_clipboard_load_ascii);

TESSEL_GRAPHICS_API int32_t tessel_clipboard_save_ascii(const uint8_t* text, int32_t length) noexcept {
    return guarded(0, [&] { return display().clipboard_save(text, length) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_clipboard_save_ascii);

TESSEL_GRAPHICS_API int32_t tessel_open_external_url(const uint8_t* url, int32_t length) noexcept {
    return guarded(0, [&] { return display().open_url(url, length) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_open_external_url);
