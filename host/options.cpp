// Command-line options of the host program.
#include "host/options.hpp"

#include <charconv>
#include <string_view>

namespace host {

const char* usage() {
    return "Usage: pellam-marble-wall [options]\n"
           "Build a marble run on a pegboard wall.\n"
           "\n"
           "  --headless           render without a window (frames go to --screenshot)\n"
           "  --frames N           stop after N frames (saving as on quit)\n"
           "  --screenshot FILE    write the last frame to FILE as PNG\n"
           "  --storage DIR        keep the saved wall, slots and settings in DIR\n"
           "  --module FILE        load the module from FILE\n"
           "  --assets DIR         read images, sounds and fonts from DIR\n"
           "  --mute               play no sound\n"
           "  --fullscreen         fill the screen\n"
           "  --version            print the version and exit\n"
           "  --help               print this text and exit\n";
}

ParsedOptions parse_options(std::span<char* const> args) {
    Options o;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        if (arg == "--headless") {
            o.headless = true;
        } else if (arg == "--mute") {
            o.mute = true;
        } else if (arg == "--fullscreen") {
            o.fullscreen = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--frames") {
            std::string text;
            int32_t n = 0;
            if (!value(text)) return {std::nullopt, "--frames needs a number"};
            auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n);
            if (ec != std::errc() || end != text.data() + text.size() || n < 1) {
                return {std::nullopt, "--frames needs a positive number, not '" + text + "'"};
            }
            o.frames = n;
        } else if (arg == "--screenshot" || arg == "--storage" || arg == "--module" || arg == "--assets") {
            std::string& out = arg == "--screenshot" ? o.screenshot
                               : arg == "--storage"  ? o.storage
                               : arg == "--module"   ? o.module
                                                     : o.assets;
            if (!value(out) || out.empty()) return {std::nullopt, std::string(arg) + " needs a path"};
        } else {
            return {std::nullopt, "unknown option '" + std::string(arg) + "'"};
        }
    }
    return {o, {}};
}

}  // namespace host
