// Internal to tessel_dynload: the atlas placement policy that sprite loads and sprite requests pass to
// the graphics runtime. The hot-render metadata defines sprite_atlas_policy from its installed state;
// services_gfx.cpp holds a weak default that answers the empty policy (no metadata installed).
#pragma once

#include <cstdint>
#include <string_view>

namespace tessel::internal {

/** A placement policy for one sprite; all zero with present false when there is none. */
struct SpriteAtlasPolicy {
    uint64_t normalized_path_hash = 0;
    uint64_t group_id = 0;
    uint32_t group_size = 0;
    uint32_t policy_a = 0;
    uint32_t policy_b = 0;
    bool present = false;
};

/** The policy for the sprite at path (UTF-8) requested at width x height. */
SpriteAtlasPolicy sprite_atlas_policy(std::string_view path, uint32_t width, uint32_t height);

}  // namespace tessel::internal
