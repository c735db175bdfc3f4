// Internal to the graphics runtime library: reading one frame of the graphics command stream
// (tessel/command_stream.h): its acceptance check and its rendering by the order list.
#pragma once

#include <cstdint>
#include <string_view>

#include "canvas.hpp"
#include "raster.hpp"

namespace tessel::gfxrt {

/** What a submitted frame is. */
enum class FrameCheck : int32_t {
    render = 0,        // a new frame: draw it
    not_complete = 1,  // a version 8 frame without the complete bit: keep showing the previous one
    unsupported = 2,   // wrong magic or version
    invalid = 3,       // fails the canonical validation
};

/** Checks the header (magic, version 7 or 8, complete bit for version 8) and the canonical validation
 *  of the stream: counts within their capacities, batches, instances (finite floats obeying the
 *  writer's rules), texts and the order list (kinds, indices, clip nesting). The arrays must hold the
 *  capacities of command_stream.h. */
FrameCheck check_frame(const int32_t* i32, const float* f32) noexcept;

/** The sprites and fonts a frame refers to, looked up by handle while it renders. */
class FrameResources {
public:
    virtual ~FrameResources() = default;
    /** The image of a live sprite handle, or null to skip the instance. */
    virtual const ImageView* sprite(int32_t handle) = 0;
    /** Draws text with the top-left corner of its line box at (x, y); an unknown font draws nothing. */
    virtual void draw_text(Canvas& canvas, const ClipRect& clip, int32_t font, std::string_view text, float x, float y,
                           uint32_t color) = 0;
};

/** Counts of what one rendering drew. */
struct FrameStats {
    int32_t sprites = 0;
    int32_t texts = 0;
    int32_t shapes = 0;
};

/** Renders a frame that check_frame accepted onto the canvas: the clear colour (opaque black when the
 *  frame has none), then every order entry in turn. Records with non-finite positions are skipped. */
FrameStats render_frame(Canvas& canvas, const int32_t* i32, const float* f32, const uint8_t* u8, FrameResources& resources);

}  // namespace tessel::gfxrt
