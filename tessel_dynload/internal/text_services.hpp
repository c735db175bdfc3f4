// Internal to tessel_dynload: the graphics services that text runs use, seen from the text code.
//
// The services layer defines the four functions below (text caching and measuring, and the
// replace-text provider chain: seam-evidence recorder, embedded graphics host, graphics library);
// text_services_default.cpp holds weak definitions that answer 0, so the runtime links and text runs
// fail cleanly before that layer exists. Text runs do not call these functions directly but through
// the table returned by text_services(), which tests replace with fakes by install_text_services.
#pragma once

#include <cstdint>
#include <string>

#include "tessel/export.h"

namespace tessel::internal {

/** Caches text id rendered in font; the cache id, or 0 or less on failure. */
int32_t text_service_cache_text(int32_t font, int32_t text);
/** Width of a cached text. */
float text_service_measure_cached(int32_t id);
/** Height of a cached text. */
float text_service_measure_cached_height(int32_t id);
/** Replaces the cached text old_id by bytes in font; the new cache id, or 0 or less on failure. */
int32_t text_service_replace_text(int32_t old_id, int32_t font, const std::string& bytes);

/** The text services as one table of entry points. */
struct TextServices {
    int32_t (*cache_text)(int32_t font, int32_t text);
    float (*measure_cached)(int32_t id);
    float (*measure_cached_height)(int32_t id);
    int32_t (*replace_text)(int32_t old_id, int32_t font, const std::string& bytes);
};

/** The installed table, or the one that calls the four functions above. */
const TextServices& text_services();

/** Installs table (null: back to the functions above) and returns the previously installed one
 *  (null when none was). Meant for tests; the table must outlive its installation. */
TESSEL_EXPORT const TextServices* install_text_services(const TextServices* table);

}  // namespace tessel::internal
