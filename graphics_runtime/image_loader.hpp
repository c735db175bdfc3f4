// Internal to the graphics runtime library: turning image files into premultiplied RGBA pixels at a
// requested size. SVG files are rasterised with librsvg and cairo; PNG, JPEG and other raster files
// are decoded with stb_image and resampled.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel::gfxrt {

/** Largest side and pixel count of a rasterised image. */
inline constexpr int32_t max_image_side = 8192;
inline constexpr int64_t max_image_pixels = int64_t{16} << 20;

/** A premultiplied RGBA image (pixel.hpp). */
struct Image {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint32_t> pixels;
};

/** The pixel size to rasterise at: the requested size, a zero side following the intrinsic aspect
 *  ratio and both zero the intrinsic size; none when a side is negative or the result is out of range. */
std::optional<std::pair<int32_t, int32_t>> target_size(int32_t w, int32_t h, double intrinsic_w, double intrinsic_h);

/** Loads the image file at width x height pixels (a side of 0: see target_size), stretching it to fill
 *  that size. Safe to call from any thread. None when the file cannot be read or decoded. */
std::optional<Image> load_image_file(const std::string& file, int32_t w, int32_t h);

}  // namespace tessel::gfxrt
