// Accepting a submitted frame: the header, the complete bit, then the canonical validation that every
// consumer of the command stream shares (compiled in from the runtime's sources).
#include "frame.hpp"
#include "tessel/command_stream.h"
#include "tessel_dynload/internal/frame_validation.hpp"

namespace tessel::gfxrt {

FrameCheck check_frame(const int32_t* i32, const float* f32) noexcept {
    if (!frame::has_supported_header(i32)) return FrameCheck::unsupported;
    if (i32[TESSEL_GFX_W_VERSION] == TESSEL_GFX_VERSION && (i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_COMPLETE) == 0) {
        return FrameCheck::not_complete;
    }
    return frame::is_canonical(i32, f32) ? FrameCheck::render : FrameCheck::invalid;
}

}  // namespace tessel::gfxrt
