/* FNV-1a, 32 bits: the name hash of every state path, field and string literal.
 *
 * A path hash is passed as a signed 32-bit integer holding the same 32 bits. Extending a hash by a
 * suffix (".length") continues the loop from the path's hash, so it equals the hash of the joined text. */
#ifndef TESSEL_FNV1A_H
#define TESSEL_FNV1A_H

#include <stddef.h>
#include <stdint.h>

#define TESSEL_FNV1A_OFFSET_BASIS 2166136261u
#define TESSEL_FNV1A_PRIME 16777619u

#ifdef __cplusplus
#include <string_view>

namespace tessel {

/** Continues an FNV-1a hash over the bytes of text. */
constexpr uint32_t fnv1a_extend(uint32_t hash, std::string_view text) noexcept {
    for (char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= TESSEL_FNV1A_PRIME;
    }
    return hash;
}

/** FNV-1a of text as the signed name hash the C ABI passes. */
constexpr int32_t name_hash(std::string_view text) noexcept {
    return static_cast<int32_t>(fnv1a_extend(TESSEL_FNV1A_OFFSET_BASIS, text));
}

/** The hash of path + suffix, from the hash of path. */
constexpr int32_t name_hash_extend(int32_t path_hash, std::string_view suffix) noexcept {
    return static_cast<int32_t>(fnv1a_extend(static_cast<uint32_t>(path_hash), suffix));
}

static_assert(name_hash("slot4") == 2147430815);

}  // namespace tessel
#else
static inline uint32_t tessel_fnv1a_extend(uint32_t hash, const char* bytes, size_t len) {
    for (size_t i = 0; i < len; ++i) {
        hash ^= (uint8_t)bytes[i];
        hash *= TESSEL_FNV1A_PRIME;
    }
    return hash;
}
#endif

#endif
