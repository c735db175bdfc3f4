// Graphics, font and text services: evidence recorder, then the embedded graphics host of the calling
// thread, then the graphics runtime binding; and the text services of the text runs.
//
// Sections: helpers; sprites; fonts; text measuring and caching; dumps and reloads; text services.
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "tessel/fnv1a.h"
#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/evidence.hpp"
#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/internal/sprite_atlas_policy.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/internal/text_services.hpp"
#include "tessel_dynload/internal/utf8.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::internal {

// Without hot-render metadata linked in, no sprite has a placement policy.
__attribute__((weak)) SpriteAtlasPolicy sprite_atlas_policy(std::string_view, uint32_t, uint32_t) { return {}; }

}  // namespace tessel::internal

using namespace tessel;
using namespace tessel::internal;

namespace {

// ---------------------------------------------------------------------------------------------
// Helpers

/** The bytes of a text id when they resolve and their length fits the i32 the hosts take. */
std::optional<std::string> resolved_bytes(int32_t text) {
    std::optional<std::string> bytes = jit_text_arg_bytes(text);
    if (bytes && bytes->size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return std::nullopt;
    return bytes;
}

const uint8_t* data_of(const std::string& bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }
int32_t length_of(const std::string& bytes) { return static_cast<int32_t>(bytes.size()); }

/** The id's bytes as a C string, or none (unresolved, or holding a zero byte). */
std::optional<std::string> c_string(int32_t text) {
    Result<std::string> converted = jit_text_arg_to_cstring(text);
    if (!converted) return std::nullopt;
    return std::move(converted).value();
}

/** Records an evidence line with a text argument resolved (or empty when it does not resolve). */
std::string evidence_text(int32_t text) { return jit_text_arg_bytes(text).value_or(std::string()); }

/** The release of the sprite a record held: embedded host when present, else the binding. */
void release_sprite(int32_t sprite) {
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        if (host->release_sprite != nullptr) host->release_sprite(sprite);
        return;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api != nullptr && api->gfx_release_sprite != nullptr) api->gfx_release_sprite(sprite);
}

// Longest registered text buffer the measuring path copies; longer lengths are not text.
constexpr int32_t measure_text_limit = 1 << 20;

// Per-thread buffer of text measuring, reused from call to call so that measuring does not allocate.
thread_local std::vector<uint8_t> measure_buffer;

uint8_t* measure_buffer_of(std::size_t length) {
    // Never empty, so that even an empty text is handed over as a valid address.
    if (measure_buffer.size() < length || measure_buffer.empty()) {
        std::size_t capacity = measure_buffer.size() < 8 ? 8 : measure_buffer.size();
        while (capacity < length) capacity *= 2;
        measure_buffer.resize(capacity);
    }
    return measure_buffer.data();
}

/** The bytes for the embedded measure_text: a registered text buffer's elements, or a literal's bytes;
 *  none abandons the embedded path. */
std::optional<int32_t> measure_bytes(int32_t text) {
    if (jit_text_buffer_is_registered(text)) {
        const int32_t length = tessel_jit_collection_i32_load(text, TESSEL_COLLECTION_LENGTH);
        if (length < 0 || length > measure_text_limit) return std::nullopt;
        uint8_t* out = measure_buffer_of(static_cast<std::size_t>(length));
        for (int32_t i = 0; i < length; ++i) {
            const int32_t element = tessel_jit_global_i32_array_load(text, 0, i);
            if (static_cast<uint32_t>(element) > 255) return std::nullopt;
            out[i] = static_cast<uint8_t>(element);
        }
        return length;
    }
    if (std::optional<std::string> literal = jit_string_literal_value(text)) {
        if (literal->size() > static_cast<std::size_t>(measure_text_limit)) return std::nullopt;
        uint8_t* out = measure_buffer_of(literal->size());
        std::copy(literal->begin(), literal->end(), out);
        return static_cast<int32_t>(literal->size());
    }
    return std::nullopt;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Sprites

int32_t tessel_jit_gfx_load_sprite(int32_t path, int32_t w, int32_t h) noexcept {
    if (const char* file = evidence_file()) {
        return record_evidence(file, "load_sprite", {EvidenceArg::text(evidence_text(path)), w, h}, "101") ? 101 : 0;
    }
    const std::optional<std::string> bytes = resolved_bytes(path);
    SpriteAtlasPolicy policy;
    if (bytes && w >= 0 && h >= 0)
        policy = sprite_atlas_policy(utf8_lossy(*bytes), static_cast<uint32_t>(w), static_cast<uint32_t>(h));

    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host(); host != nullptr && bytes) {
        return host->load_sprite(data_of(*bytes), length_of(*bytes), w, h);
    }
    const std::optional<std::string> c_path = c_string(path);
    if (!c_path) {
        std::fprintf(stderr, "gfx_load_sprite failed: unknown string handle %d\n", path);
        return 0;
    }
    const GraphicsAssetsBinding& binding = graphics_assets_binding();
    if (binding.api() == nullptr) {
        std::fprintf(stderr, "gfx_load_sprite failed: %s\n", binding.error.c_str());
        return 0;
    }
    if (binding.api()->gfx_set_next_sprite_atlas_policy_v3 != nullptr) {
        binding.api()->gfx_set_next_sprite_atlas_policy_v3(policy.present ? 1 : 0, policy.normalized_path_hash,
                                                           policy.group_size, policy.group_id, policy.policy_a,
                                                           policy.policy_b);
    }
    const int32_t handle = binding.api()->gfx_load_sprite(c_path->c_str(), w, h);
    if (handle == 0) std::fprintf(stderr, "gfx_load_sprite failed for %s\n", c_path->c_str());
    return handle;
}

int32_t tessel_jit_sprite_load_from(int32_t base, int32_t index, int32_t count, int32_t path, int32_t w,
                                    int32_t h) noexcept {
    if (w <= 0 || h <= 0) return 0;
    if (!(index < 0 || index < count)) return 0;
    const int32_t handle = tessel_jit_gfx_load_sprite(path, w, h);
    if (handle == 0) return 0;

    int32_t previous = 0;
    if (index < 0) {
        const int32_t sprite_ref = name_hash_extend(base, ".sprite_ref");
        previous = tessel_jit_global_i32_load(sprite_ref);
        tessel_jit_global_i32_store(sprite_ref, handle);
        tessel_jit_global_i32_store(name_hash_extend(base, ".width"), w);
        tessel_jit_global_i32_store(name_hash_extend(base, ".height"), h);
    } else {
        constexpr int32_t sprite_ref = name_hash("sprite_ref");
        previous = tessel_jit_global_i32_array_load(base, sprite_ref, index);
        tessel_jit_global_i32_array_store(base, sprite_ref, index, handle);
        tessel_jit_global_i32_array_store(base, name_hash("width"), index, w);
        tessel_jit_global_i32_array_store(base, name_hash("height"), index, h);
    }
    // The old sprite goes only after the record points at the new one.
    if (previous != 0) release_sprite(previous);
    return 1;
}

void tessel_jit_gfx_release_sprite(int32_t sprite) noexcept { release_sprite(sprite); }

// ---------------------------------------------------------------------------------------------
// Fonts

int32_t tessel_jit_load_font(int32_t path, int32_t size) noexcept {
    if (const char* file = evidence_file()) {
        return record_evidence(file, "load_font", {EvidenceArg::text(evidence_text(path)), size}, "202") ? 202 : 0;
    }
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        if (const std::optional<std::string> bytes = resolved_bytes(path)) {
            return host->load_font != nullptr ? host->load_font(data_of(*bytes), length_of(*bytes), size) : 0;
        }
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr) return 0;
    const std::optional<std::string> c_path = c_string(path);
    return c_path ? api->load_font(c_path->c_str(), size) : 0;
}

int32_t tessel_jit_font_status(int32_t font) noexcept {
    if (const char* file = evidence_file()) {
        const int32_t fixed = font > 0 ? 3 : 0;
        return record_evidence(file, "font_status", {font}, std::to_string(fixed)) ? fixed : 0;
    }
    const int32_t fallback = font > 0 ? 4 : 0;
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->font_status != nullptr ? host->font_status(font) : fallback;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr && api->font_status != nullptr ? api->font_status(font) : fallback;
}

void tessel_jit_gfx_release_font(int32_t font) noexcept {
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        if (host->release_font != nullptr) host->release_font(font);
        return;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api != nullptr) api->gfx_release_font(font);
}

// ---------------------------------------------------------------------------------------------
// Text measuring and caching

float tessel_jit_measure_text(int32_t font, int32_t text) noexcept {
    if (const char* file = evidence_file()) {
        return record_evidence(file, "measure_text", {font, EvidenceArg::text(evidence_text(text))}, "18.75") ? 18.75f
                                                                                                              : 0.0f;
    }
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        if (const std::optional<int32_t> length = measure_bytes(text)) {
            return host->measure_text != nullptr ? host->measure_text(font, measure_buffer.data(), *length) : 0.0f;
        }
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr) return 0.0f;
    const std::optional<std::string> c_text = c_string(text);
    return c_text ? api->measure_text(font, c_text->c_str()) : 0.0f;
}

int32_t tessel_jit_gfx_cache_text(int32_t font, int32_t text) noexcept {
    if (const char* file = evidence_file()) {
        const std::string bytes = evidence_text(text);
        const int32_t fixed = is_valid_utf8(bytes) && jit_text_arg_bytes(text) ? 303 : 0;
        return record_evidence(file, "cache_text", {font, EvidenceArg::text(bytes)}, std::to_string(fixed)) ? fixed : 0;
    }
    const std::optional<std::string> bytes = resolved_bytes(text);
    if (!bytes || !is_valid_utf8(*bytes)) return 0;
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->cache_text != nullptr ? host->cache_text(font, data_of(*bytes), length_of(*bytes)) : 0;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || bytes->find('\0') != std::string::npos) return 0;
    return api->gfx_cache_text(font, bytes->c_str());
}

float tessel_jit_gfx_measure_text_cached(int32_t id) noexcept {
    if (const char* file = evidence_file())
        return record_evidence(file, "measure_text_cached", {id}, "44.5") ? 44.5f : 0.0f;
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->measure_text_cached != nullptr ? host->measure_text_cached(id) : 0.0f;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr ? api->gfx_measure_text_cached(id) : 0.0f;
}

float tessel_jit_gfx_measure_text_cached_height(int32_t id) noexcept {
    if (const char* file = evidence_file())
        return record_evidence(file, "measure_text_cached_height", {id}, "12.25") ? 12.25f : 0.0f;
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->measure_text_cached_height != nullptr ? host->measure_text_cached_height(id) : 0.0f;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr ? api->gfx_measure_text_cached_height(id) : 0.0f;
}

// ---------------------------------------------------------------------------------------------
// Dumps and reloads

int32_t tessel_jit_gfx_poll_reload(int32_t sprite) noexcept {
    if (const char* file = evidence_file()) {
        const int32_t fixed = sprite == 101 ? 1 : 0;
        return record_evidence(file, "poll_reload", {sprite}, std::to_string(fixed)) ? fixed : 0;
    }
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->poll_reload != nullptr ? host->poll_reload(sprite) : 0;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr ? api->gfx_poll_reload(sprite) : 0;
}

int32_t tessel_jit_gfx_dump_bmp(int32_t path) noexcept {
    if (const char* file = evidence_file())
        return record_evidence(file, "dump_bmp", {EvidenceArg::text(evidence_text(path))}, "11") ? 11 : 0;
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr) return 0;
    const std::optional<std::string> c_path = c_string(path);
    return c_path ? api->gfx_dump_bmp(c_path->c_str()) : 0;
}

int32_t tessel_jit_gfx_dump_png(int32_t path) noexcept {
    if (const char* file = evidence_file())
        return record_evidence(file, "dump_png", {EvidenceArg::text(evidence_text(path))}, "12") ? 12 : 0;
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->gfx_dump_png == nullptr) return 0;
    const std::optional<std::string> c_path = c_string(path);
    return c_path ? api->gfx_dump_png(c_path->c_str()) : 0;
}

int32_t tessel_gfx_cache_text(int32_t font, int32_t text) noexcept { return tessel_jit_gfx_cache_text(font, text); }
float tessel_gfx_measure_text_cached(int32_t id) noexcept { return tessel_jit_gfx_measure_text_cached(id); }
float tessel_gfx_measure_text_cached_height(int32_t id) noexcept {
    return tessel_jit_gfx_measure_text_cached_height(id);
}
int32_t tessel_gfx_poll_reload(int32_t sprite) noexcept { return tessel_jit_gfx_poll_reload(sprite); }

// ---------------------------------------------------------------------------------------------
// Text services of the text runs

namespace tessel::internal {

int32_t text_service_cache_text(int32_t font, int32_t text) { return tessel_jit_gfx_cache_text(font, text); }
float text_service_measure_cached(int32_t id) { return tessel_jit_gfx_measure_text_cached(id); }
float text_service_measure_cached_height(int32_t id) { return tessel_jit_gfx_measure_text_cached_height(id); }

int32_t text_service_replace_text(int32_t old_id, int32_t font, const std::string& bytes) {
    if (const char* file = evidence_file()) {
        const int32_t fixed = is_valid_utf8(bytes) ? 404 : 0;
        return record_evidence(file, "replace_text", {old_id, font, EvidenceArg::text(bytes)}, std::to_string(fixed))
                   ? fixed
                   : 0;
    }
    if (bytes.size() > static_cast<std::size_t>(std::numeric_limits<int32_t>::max())) return 0;
    if (const TesselEmbeddedGraphicsHost* host = embedded_graphics_host()) {
        return host->replace_text != nullptr ? host->replace_text(old_id, font, data_of(bytes), length_of(bytes)) : 0;
    }
    if (bytes.find('\0') != std::string::npos) return 0;
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->gfx_replace_text == nullptr) return 0;
    return api->gfx_replace_text(old_id, font, bytes.c_str());
}

}  // namespace tessel::internal
