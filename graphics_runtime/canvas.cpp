// The frame canvas and its image files.
#include "canvas.hpp"

#include <algorithm>
#include <cstdio>

#include <stb_image_write.h>

namespace tessel::gfxrt {

bool Canvas::resize(int32_t w, int32_t h) {
    if (w < 1 || h < 1 || w > max_canvas_side || h > max_canvas_side) return false;
    width = w;
    height = h;
    pixels.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0xFF000000u);
    return true;
}

void Canvas::fill(uint32_t pixel) { std::fill(pixels.begin(), pixels.end(), pixel); }

std::vector<uint8_t> straight_rgba(const Canvas& canvas) {
    std::vector<uint8_t> out(canvas.pixels.size() * 4);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        const uint32_t p = canvas.pixels[i];
        const uint32_t a = p >> 24;
        uint32_t c[3] = {p & 0xFF, (p >> 8) & 0xFF, (p >> 16) & 0xFF};
        if (a != 255) {
            for (uint32_t& v : c) v = a == 0 ? 0 : std::min<uint32_t>(255, (v * 255 + a / 2) / a);
        }
        out[4 * i + 0] = static_cast<uint8_t>(c[0]);
        out[4 * i + 1] = static_cast<uint8_t>(c[1]);
        out[4 * i + 2] = static_cast<uint8_t>(c[2]);
        out[4 * i + 3] = static_cast<uint8_t>(a);
    }
    return out;
}

bool write_png(const Canvas& canvas, const std::string& path) {
    if (canvas.width < 1 || canvas.height < 1 || path.empty()) return false;
    const std::vector<uint8_t> rgba = straight_rgba(canvas);
    return stbi_write_png(path.c_str(), canvas.width, canvas.height, 4, rgba.data(), canvas.width * 4) != 0;
}

namespace {

void put_u16(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

void put_u32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    put_u16(out, at, v & 0xFFFF);
    put_u16(out, at + 2, v >> 16);
}

}  // namespace

bool write_bmp(const Canvas& canvas, const std::string& path) {
    if (canvas.width < 1 || canvas.height < 1 || path.empty()) return false;
    const size_t stride = (static_cast<size_t>(canvas.width) * 3 + 3) & ~size_t{3};
    const size_t image_bytes = stride * static_cast<size_t>(canvas.height);
    constexpr size_t header_bytes = 54;
    std::vector<uint8_t> out(header_bytes + image_bytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    put_u32(out, 2, static_cast<uint32_t>(out.size()));
    put_u32(out, 10, header_bytes);
    put_u32(out, 14, 40);
    put_u32(out, 18, static_cast<uint32_t>(canvas.width));
    put_u32(out, 22, static_cast<uint32_t>(canvas.height));  // positive: rows bottom to top
    put_u16(out, 26, 1);
    put_u16(out, 28, 24);
    put_u32(out, 34, static_cast<uint32_t>(image_bytes));
    put_u32(out, 38, 2835);  // 72 dpi
    put_u32(out, 42, 2835);
    const std::vector<uint8_t> rgba = straight_rgba(canvas);
    for (int32_t y = 0; y < canvas.height; ++y) {
        uint8_t* dst = out.data() + header_bytes + stride * static_cast<size_t>(canvas.height - 1 - y);
        const uint8_t* src = rgba.data() + static_cast<size_t>(y) * static_cast<size_t>(canvas.width) * 4;
        for (int32_t x = 0; x < canvas.width; ++x) {
            dst[3 * x + 0] = src[4 * x + 2];
            dst[3 * x + 1] = src[4 * x + 1];
            dst[3 * x + 2] = src[4 * x + 0];
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace tessel::gfxrt
