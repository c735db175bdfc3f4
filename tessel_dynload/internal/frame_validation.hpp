// Internal to tessel_dynload: the canonical validation of one graphics command-stream frame, shared by
// the production copy and the render trace. No compatibility promise outside the library.
#pragma once

#include <cstdint>

namespace tessel::frame {

/** The live counts of a frame, read from its header as they are (not clamped). */
struct Counts {
    int32_t lines;
    int32_t rects;
    int32_t instances;
    int32_t texts;
    int32_t text_bytes;
    int32_t batches;
    int32_t clips;
    int32_t order;
};

Counts read_counts(const int32_t* i32) noexcept;

/** True when word 1 is a version consumers read (7 or 8). */
bool is_supported_version(int32_t version) noexcept;

/** True when word 0 is the magic and word 1 a supported version. */
bool has_supported_header(const int32_t* i32) noexcept;

/** True when the frame obeys the canonical rules: counts within their capacities, and every batch,
 *  live sprite instance, text and order entry well-formed, with clip pushes nested at most 256 deep
 *  and balanced. The header's magic, version and complete bit are not looked at. Reads only within
 *  the stream capacities of both arrays. */
bool is_canonical(const int32_t* i32, const float* f32) noexcept;

/** True when a text record may have its bytes read: offset in use and the bytes before the
 *  terminator all below text_bytes. */
bool text_has_bytes(int32_t offset, int32_t length, int32_t text_bytes) noexcept;

}  // namespace tessel::frame
