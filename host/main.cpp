// pellam-marble-wall: the host program of the Pellam Marble Wall.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>

#include "host/frame_loop.hpp"
#include "host/module_library.hpp"
#include "host/options.hpp"
#include "tessel_dynload/graphics_api.hpp"
#include "tessel_dynload/preferences.hpp"

namespace {

namespace fs = std::filesystem;

fs::path executable_dir() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path() : exe.parent_path();
}

/** The module: --module, else PELLAM_MODULE_PATH, else ../lib beside the program, else beside it. */
fs::path module_path(const host::Options& o) {
    if (!o.module.empty()) return o.module;
    if (const char* env = std::getenv("PELLAM_MODULE_PATH"); env != nullptr && *env != '\0') return env;
    const fs::path dir = executable_dir();
    for (const fs::path& p : {dir / "../lib/libpellam_marble_wall.so", dir / "libpellam_marble_wall.so"}) {
        if (fs::exists(p)) return fs::weakly_canonical(p);
    }
    return dir / "../lib/libpellam_marble_wall.so";
}

/** The assets: --assets, else the assets folder of the checkout the program was built from or sits in. */
std::optional<fs::path> assets_path(const host::Options& o) {
    if (!o.assets.empty()) return fs::path(o.assets);
    const fs::path dir = executable_dir();
    for (const fs::path& p : {dir / "../../assets", dir / "../share/pellam-marble-wall/assets",
                              fs::path(TESSEL_SOURCE_DIR) / "assets"}) {
        if (fs::exists(p / "pieces/ramp.svg")) return fs::weakly_canonical(p);
    }
    return std::nullopt;
}

void on_signal(int) { host::quit_signal.store(true); }

}  // namespace

int main(int argc, char** argv) {
    auto parsed = host::parse_options(std::span<char* const>(argv, static_cast<std::size_t>(argc)));
    if (!parsed.options) {
        std::fprintf(stderr, "pellam-marble-wall: %s\n%s", parsed.error.c_str(), host::usage());
        return 2;
    }
    const host::Options& options = *parsed.options;
    if (options.help) {
        std::fputs(host::usage(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("pellam-marble-wall %s\n", TESSEL_RELEASE_ID);
        return 0;
    }
    if (options.mute) setenv("SDL_AUDIODRIVER", "dummy", 1);

    auto gfx = tessel::TesselGraphicsApi::load_default();
    if (!gfx.ok()) {
        std::fprintf(stderr, "pellam-marble-wall: cannot load the graphics runtime: %s\n", gfx.error().c_str());
        return 2;
    }
    auto assets = assets_path(options);
    if (!assets) {
        std::fprintf(stderr, "pellam-marble-wall: cannot find the assets folder (give it with --assets DIR)\n");
        return 2;
    }
    // Asset paths name the folder itself ("assets/pieces/ramp.svg"): the root is the folder above it.
    if (auto s = gfx.value().set_asset_root(assets->parent_path()); !s.ok()) {
        std::fprintf(stderr, "pellam-marble-wall: the graphics runtime refused the assets folder %s: %s\n",
                     assets->c_str(), s.error().c_str());
        return 2;
    }
    if (options.headless) {
        // Headless with a recorded clock: every frame advances exactly 1/60 s and nothing waits.
        if (auto s = gfx.value().set_recording_config(2, 60, 0); !s.ok()) {
            std::fprintf(stderr, "pellam-marble-wall: headless mode is not available: %s\n", s.error().c_str());
            return 2;
        }
    }
    if (!options.storage.empty()) tessel::set_preference_storage_root(fs::path(options.storage));

    auto module = host::ModuleLibrary::open(module_path(options));
    if (!module.ok()) {
        std::fprintf(stderr, "pellam-marble-wall: %s\n", module.error().c_str());
        return 2;
    }
    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    return host::run_frames(gfx.value(), module.value(), options);
}
