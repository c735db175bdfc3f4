// The asset root and the resolution of asset paths.
#include "asset_paths.hpp"

#include <filesystem>
#include <mutex>
#include <system_error>

namespace tessel::gfxrt {

namespace {

std::mutex root_mutex;
std::filesystem::path asset_root;  // empty: the working directory

}  // namespace

bool set_asset_root(std::string_view path) {
    if (path.empty()) return false;
    std::error_code error;
    const std::filesystem::path root(path);
    if (!std::filesystem::is_directory(root, error)) return false;
    std::filesystem::path absolute = std::filesystem::canonical(root, error);
    if (error) return false;
    const std::lock_guard lock(root_mutex);
    asset_root = std::move(absolute);
    return true;
}

std::string resolve_asset_path(std::string_view path) {
    const std::filesystem::path p(path);
    if (p.is_absolute()) return p.string();
    const std::lock_guard lock(root_mutex);
    return asset_root.empty() ? p.string() : (asset_root / p).string();
}

}  // namespace tessel::gfxrt
