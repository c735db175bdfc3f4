// Internal to the graphics runtime library: where asset paths point. A relative path names a file
// under the asset root (the working directory until a root is set); an absolute path is used as is.
#pragma once

#include <string>
#include <string_view>

namespace tessel::gfxrt {

/** Makes path, an existing directory, the asset root; false (root unchanged) otherwise. */
bool set_asset_root(std::string_view path);

/** The file an asset path names. */
std::string resolve_asset_path(std::string_view path);

}  // namespace tessel::gfxrt
