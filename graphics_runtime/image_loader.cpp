// Image files to premultiplied pixels: SVG through librsvg and cairo, raster files through stb_image.
#include "image_loader.hpp"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

#include <cairo.h>
#include <librsvg/rsvg.h>
#include <stb_image.h>

#include "canvas.hpp"
#include "raster.hpp"

namespace tessel::gfxrt {

std::optional<std::pair<int32_t, int32_t>> target_size(int32_t w, int32_t h, double intrinsic_w, double intrinsic_h) {
    if (w < 0 || h < 0) return std::nullopt;
    const bool has_intrinsic = intrinsic_w > 0.0 && intrinsic_h > 0.0 && std::isfinite(intrinsic_w) && std::isfinite(intrinsic_h);
    if (w == 0 || h == 0) {
        if (!has_intrinsic) return std::nullopt;
        double dw = w, dh = h;
        if (w == 0 && h == 0) {
            dw = intrinsic_w;
            dh = intrinsic_h;
        } else if (w == 0) {
            dw = h * intrinsic_w / intrinsic_h;
        } else {
            dh = w * intrinsic_h / intrinsic_w;
        }
        if (!(dw < max_image_side + 1.0) || !(dh < max_image_side + 1.0)) return std::nullopt;
        w = std::max<int32_t>(1, static_cast<int32_t>(std::lround(dw)));
        h = std::max<int32_t>(1, static_cast<int32_t>(std::lround(dh)));
    }
    if (w > max_image_side || h > max_image_side || int64_t{w} * h > max_image_pixels) return std::nullopt;
    return std::make_pair(w, h);
}

namespace {

bool has_svg_extension(const std::string& file) {
    const size_t dot = file.find_last_of('.');
    if (dot == std::string::npos) return false;
    std::string ext = file.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == "svg" || ext == "svgz";
}

struct GObjectUnref {
    void operator()(RsvgHandle* h) const { g_object_unref(h); }
};
struct SurfaceDestroy {
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct CairoDestroy {
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};

std::optional<Image> load_svg(const std::string& file, int32_t w, int32_t h) {
    GError* error = nullptr;
    std::unique_ptr<RsvgHandle, GObjectUnref> handle(rsvg_handle_new_from_file(file.c_str(), &error));
    if (!handle) {
        g_clear_error(&error);
        return std::nullopt;
    }
    // The document's own size: its width and height in pixels, else its viewBox.
    double doc_w = 0.0, doc_h = 0.0;
    if (!rsvg_handle_get_intrinsic_size_in_pixels(handle.get(), &doc_w, &doc_h) || !(doc_w > 0.0) || !(doc_h > 0.0)) {
        gboolean has_w = FALSE, has_h = FALSE, has_viewbox = FALSE;
        RsvgLength length_w{}, length_h{};
        RsvgRectangle viewbox{};
        rsvg_handle_get_intrinsic_dimensions(handle.get(), &has_w, &length_w, &has_h, &length_h, &has_viewbox, &viewbox);
        doc_w = has_viewbox ? viewbox.width : 0.0;
        doc_h = has_viewbox ? viewbox.height : 0.0;
    }
    const auto size = target_size(w, h, doc_w, doc_h);
    if (!size) return std::nullopt;
    const auto [tw, th] = *size;
    if (!(doc_w > 0.0) || !(doc_h > 0.0)) {
        doc_w = tw;
        doc_h = th;
    }

    std::unique_ptr<cairo_surface_t, SurfaceDestroy> surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, tw, th));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS) return std::nullopt;
    {
        std::unique_ptr<cairo_t, CairoDestroy> cr(cairo_create(surface.get()));
        // Stretch the document to fill the requested size whatever its aspect ratio.
        cairo_scale(cr.get(), tw / doc_w, th / doc_h);
        const RsvgRectangle viewport{0.0, 0.0, doc_w, doc_h};
        if (!rsvg_handle_render_document(handle.get(), cr.get(), &viewport, &error)) {
            g_clear_error(&error);
            return std::nullopt;
        }
    }
    cairo_surface_flush(surface.get());

    // Cairo's ARGB32 is premultiplied 0xAARRGGBB in native order; ours is 0xAABBGGRR.
    Image image{tw, th, std::vector<uint32_t>(static_cast<size_t>(tw) * static_cast<size_t>(th))};
    const unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int32_t y = 0; y < th; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(data + static_cast<ptrdiff_t>(y) * stride);
        uint32_t* dst = image.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(tw);
        for (int32_t x = 0; x < tw; ++x) {
            const uint32_t p = src[x];
            dst[x] = (p & 0xFF00FF00u) | ((p >> 16) & 0xFFu) | ((p & 0xFFu) << 16);
        }
    }
    return image;
}

std::optional<Image> load_raster(const std::string& file, int32_t w, int32_t h) {
    int sw = 0, sh = 0, channels = 0;
    std::unique_ptr<stbi_uc, void (*)(void*)> data(stbi_load(file.c_str(), &sw, &sh, &channels, 4), &stbi_image_free);
    if (!data || sw < 1 || sh < 1 || int64_t{sw} * sh > max_image_pixels) return std::nullopt;
    const auto size = target_size(w, h, sw, sh);
    if (!size) return std::nullopt;

    Image decoded{sw, sh, std::vector<uint32_t>(static_cast<size_t>(sw) * static_cast<size_t>(sh))};
    for (size_t i = 0; i < decoded.pixels.size(); ++i) {
        const stbi_uc* p = data.get() + 4 * i;
        const uint32_t a = p[3];
        const auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
        decoded.pixels[i] = mul(p[0]) | (mul(p[1]) << 8) | (mul(p[2]) << 16) | (a << 24);
    }
    const auto [tw, th] = *size;
    if (tw == sw && th == sh) return decoded;

    // Resample with the sprite rasteriser onto a transparent canvas of the requested size.
    Canvas target;
    if (!target.resize(tw, th)) return std::nullopt;
    target.fill(0);
    const ImageView view{sw, sh, decoded.pixels.data()};
    const SpriteDraw draw{0.0f, 0.0f, float(tw), float(th), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f, 0.0f, 0xFFFFFFFFu};
    draw_sprite(target, ClipRect::of(target), view, draw);
    return Image{tw, th, std::move(target.pixels)};
}

}  // namespace

std::optional<Image> load_image_file(const std::string& file, int32_t w, int32_t h) {
    if (file.empty()) return std::nullopt;
    return has_svg_extension(file) ? load_svg(file, w, h) : load_raster(file, w, h);
}

}  // namespace tessel::gfxrt
