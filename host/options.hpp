// Command-line options of the host program.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace host {

struct Options {
    bool headless = false;
    int32_t frames = -1;     // frames to run; -1 until the window closes
    std::string screenshot;  // PNG written after the last frame
    std::string storage;     // preference root
    std::string module;      // module library
    std::string assets;      // asset directory
    bool mute = false;
    bool fullscreen = false;
    bool version = false;
    bool help = false;
};

/** Parses argv; an error text for an unknown option or a missing or malformed value. */
struct ParsedOptions {
    std::optional<Options> options;
    std::string error;
};
ParsedOptions parse_options(std::span<char* const> args);

/** The --help text. */
const char* usage();

}  // namespace host
