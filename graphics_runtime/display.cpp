// The display: window or headless canvas, frame submission and presentation, counters and images.
//
// Sections: frame resources; window; submission and presentation; counters and images.
#include "display.hpp"

#include <algorithm>
#include <cstdlib>
#include <thread>
#include <vector>

#include <SDL.h>

#include "fonts.hpp"
#include "pixel.hpp"
#include "sdl_lifetime.hpp"
#include "sprites.hpp"

namespace tessel::gfxrt {

// ---------------------------------------------------------------------------------------------
// Frame resources

namespace {

/** Sprites and fonts for one rendering; holds the sprite table's lock for the frame. */
class LockedResources final : public FrameResources {
public:
    const ImageView* sprite(int32_t handle) override { return sprite_store().find_locked(handle); }
    void draw_text(Canvas& canvas, const ClipRect& clip, int32_t font, std::string_view text, float x, float y,
                   uint32_t color) override {
        font_store().draw(canvas, clip, font, text, x, y, color);
    }

private:
    std::lock_guard<std::mutex> lock_{sprite_store().mutex()};
};

int32_t elapsed_us(std::chrono::steady_clock::time_point since) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - since).count();
    return static_cast<int32_t>(std::min<int64_t>(us, INT32_MAX));
}

bool valid_size(int32_t w, int32_t h) { return w >= 1 && h >= 1 && w <= max_canvas_side && h <= max_canvas_side; }

}  // namespace

Display::Display() {
    // Rendering and presenting use these until this object is gone, so they must outlive it.
    hold_sdl_until_unload();
    sprite_store();
    font_store();
}

Display::~Display() {
    const std::lock_guard lock(mutex_);
    close_window_locked();
}

// ---------------------------------------------------------------------------------------------
// Window

bool Display::set_recording_config(int32_t mode, int32_t fps, int32_t frame_limit) {
    if (mode < 0 || mode > 2 || fps < 0 || fps > 1000 || frame_limit < 0) return false;
    const std::lock_guard lock(mutex_);
    recording_ = static_cast<RecordingMode>(mode);
    fps_ = fps == 0 ? 60 : fps;
    frame_limit_ = frame_limit;
    if (recording_ != RecordingMode::off && window_ != nullptr) {
        close_window_locked();
        headless_ = true;
    }
    return true;
}

bool Display::open_window_locked(int32_t w, int32_t h) {
    if (recording_ != RecordingMode::off) return false;
    // Without a display server SDL could only pick an offscreen driver: render headless directly.
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr) {
        return false;
    }
    if (!video_) {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
        video_ = true;
    }
    window_ = SDL_CreateWindow(title_.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w, h,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI | SDL_WINDOW_SHOWN);
    if (window_ != nullptr) {
        renderer_ = SDL_CreateRenderer(window_, -1, 0);
        if (renderer_ == nullptr) renderer_ = SDL_CreateRenderer(window_, -1, SDL_RENDERER_SOFTWARE);
    }
    if (renderer_ == nullptr) {
        close_window_locked();
        return false;
    }
    return true;
}

void Display::close_window_locked() {
    if (texture_ != nullptr) SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr) SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    window_ = nullptr;
    texture_w_ = texture_h_ = 0;
    if (video_) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    video_ = false;
}

void Display::sync_window_size_locked() {
    if (window_ == nullptr) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(window_, &w, &h);
    if (valid_size(w, h) && (w != canvas_.width || h != canvas_.height)) {
        canvas_.resize(w, h);
        resized_ = true;
        ++display_generation_;
    }
    int dw = 0, dh = 0;
    if (SDL_GetRendererOutputSize(renderer_, &dw, &dh) == 0 && w > 0) {
        const float scale = static_cast<float>(dw) / static_cast<float>(w);
        if (scale != raster_scale_) {
            raster_scale_ = scale;
            ++density_generation_;
        }
    }
}

bool Display::resize_locked(int32_t w, int32_t h) {
    if (!valid_size(w, h)) return false;
    if (window_ != nullptr) {
        SDL_SetWindowSize(window_, w, h);
        sync_window_size_locked();
        return true;
    }
    if (w == canvas_.width && h == canvas_.height) return true;
    if (!canvas_.resize(w, h)) return false;
    resized_ = true;
    ++display_generation_;
    return true;
}

bool Display::init_window(int32_t w, int32_t h, const char* title) {
    if (!valid_size(w, h)) return false;
    const std::lock_guard lock(mutex_);
    title_ = title != nullptr ? title : "";
    if (window_ != nullptr) SDL_SetWindowTitle(window_, title_.c_str());
    // Once open, a window is only resized; a headless display tries for a window again when recording
    // has been turned off since.
    if (opened_ && (window_ != nullptr || recording_ != RecordingMode::off)) return resize_locked(w, h);
    return open_locked(w, h);
}

bool Display::open_locked(int32_t w, int32_t h) {
    if (!valid_size(w, h)) return false;
    headless_ = !open_window_locked(w, h);
    if (headless_) {
        if (!resize_locked(w, h)) return false;
    } else {
        canvas_.resize(w, h);
        sync_window_size_locked();
    }
    if (!opened_) start_ = std::chrono::steady_clock::now();
    opened_ = true;
    return true;
}

bool Display::headless() {
    const std::lock_guard lock(mutex_);
    return headless_;
}

void Display::sleep_ms(int32_t ms) {
    {
        const std::lock_guard lock(mutex_);
        if (recording_ == RecordingMode::recorded_clock) return;  // recorded frames run as fast as they can
    }
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10000)));
}

// ---------------------------------------------------------------------------------------------
// Submission and presentation

void Display::submit(const int32_t* i32, const float* f32, const uint8_t* u8) {
    const std::lock_guard lock(mutex_);
    ++submitted_;
    if (i32 == nullptr || f32 == nullptr || u8 == nullptr) {
        last_check_ = FrameCheck::unsupported;
        ++refused_;
        return;
    }
    last_check_ = check_frame(i32, f32);
    switch (last_check_) {
        case FrameCheck::render:
            if (!canvas_.pixels.empty()) {
                const auto start = std::chrono::steady_clock::now();
                LockedResources resources;
                last_stats_ = render_frame(canvas_, i32, f32, u8, resources);
                raster_us_ = elapsed_us(start);
            }
            ++rendered_;
            break;
        case FrameCheck::not_complete:
            ++kept_;  // the previous frame stays on screen
            break;
        default:
            ++refused_;
            break;
    }
    if (canvas_.pixels.empty()) return;
    if (metrics_enabled_) draw_metrics_overlay_locked();
    present_locked();
}

void Display::present_locked() {
    const auto start = std::chrono::steady_clock::now();
    if (renderer_ == nullptr) {
        if (!screenshot_path_.empty()) write_png(canvas_, screenshot_path_);
        screenshot_path_.clear();
        return;
    }
    if (texture_ == nullptr || texture_w_ != canvas_.width || texture_h_ != canvas_.height) {
        if (texture_ != nullptr) SDL_DestroyTexture(texture_);
        // ABGR8888 is the byte order R, G, B, A of the canvas.
        texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING, canvas_.width, canvas_.height);
        if (texture_ == nullptr) return;
        SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
        texture_w_ = canvas_.width;
        texture_h_ = canvas_.height;
    }
    SDL_UpdateTexture(texture_, nullptr, canvas_.pixels.data(), canvas_.width * 4);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    if (!screenshot_path_.empty()) {
        // What the window shows, read back before presenting.
        Canvas shot;
        int w = 0, h = 0;
        if (SDL_GetRendererOutputSize(renderer_, &w, &h) == 0 && shot.resize(w, h) &&
            SDL_RenderReadPixels(renderer_, nullptr, SDL_PIXELFORMAT_ABGR8888, shot.pixels.data(), w * 4) == 0) {
            for (uint32_t& p : shot.pixels) p |= 0xFF000000u;
            write_png(shot, screenshot_path_);
        }
        screenshot_path_.clear();
    }
    SDL_RenderPresent(renderer_);
    present_us_ = elapsed_us(start);
}

void Display::draw_metrics_overlay_locked() {
    // Two bars over a dark panel: the last rasterisation and the host's tick plus render; the mark
    // stands at one 60 Hz frame.
    constexpr float us_to_px = 200.0f / 16667.0f;
    const ClipRect all = ClipRect::of(canvas_);
    fill_rect(canvas_, all, 8.0f, 8.0f, 224.0f, 32.0f, premultiplied(0.0f, 0.0f, 0.0f, 0.6f));
    fill_rect(canvas_, all, 12.0f, 12.0f, std::min(216.0f, raster_us_ * us_to_px), 10.0f, premultiplied(0.3f, 0.85f, 0.4f, 1.0f));
    fill_rect(canvas_, all, 12.0f, 26.0f, std::min(216.0f, (host_tick_us_ + host_render_us_) * us_to_px), 10.0f,
              premultiplied(0.95f, 0.6f, 0.2f, 1.0f));
    fill_rect(canvas_, all, 212.0f, 10.0f, 1.0f, 28.0f, premultiplied(1.0f, 1.0f, 1.0f, 0.8f));
}

// ---------------------------------------------------------------------------------------------
// Counters and images

void Display::set_host_metrics(int32_t tick_us, int32_t render_us) {
    const std::lock_guard lock(mutex_);
    host_tick_us_ = std::max(0, tick_us);
    host_render_us_ = std::max(0, render_us);
}

bool Display::metrics_enabled() {
    const std::lock_guard lock(mutex_);
    return metrics_enabled_;
}

void Display::set_metrics_enabled(bool enabled) {
    const std::lock_guard lock(mutex_);
    metrics_enabled_ = enabled;
}

bool Display::latest_metrics(TesselPerformanceMetricsV1* record, uint32_t capacity) {
    if (record == nullptr || capacity < sizeof(TesselPerformanceMetricsV1)) return false;
    const uint32_t sprites = sprite_store().count(), fonts = font_store().count();
    const std::lock_guard lock(mutex_);
    const uint32_t counters[16] = {static_cast<uint32_t>(host_tick_us_), static_cast<uint32_t>(host_render_us_),
                                   static_cast<uint32_t>(raster_us_),    static_cast<uint32_t>(present_us_),
                                   static_cast<uint32_t>(submitted_),    static_cast<uint32_t>(rendered_),
                                   static_cast<uint32_t>(kept_),         static_cast<uint32_t>(refused_),
                                   static_cast<uint32_t>(last_stats_.sprites), static_cast<uint32_t>(last_stats_.texts),
                                   static_cast<uint32_t>(last_stats_.shapes),  static_cast<uint32_t>(canvas_.width),
                                   static_cast<uint32_t>(canvas_.height), sprites, fonts, headless_ ? 1u : 0u};
    *record = TesselPerformanceMetricsV1{};
    record->version = 1;
    record->size = sizeof(TesselPerformanceMetricsV1);
    std::copy(std::begin(counters), std::end(counters), record->counters);
    record->frame_index = static_cast<uint64_t>(submitted_);
    return true;
}

bool Display::submission_state(int32_t* words, int32_t capacity) {
    if (words == nullptr || capacity < 1) return false;
    const std::lock_guard lock(mutex_);
    const int32_t state[submission_state_words] = {submitted_, rendered_, kept_, refused_, static_cast<int32_t>(last_check_)};
    std::copy_n(state, std::min(capacity, submission_state_words), words);
    return true;
}

bool Display::dump_png(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    const std::lock_guard lock(mutex_);
    return !canvas_.pixels.empty() && write_png(canvas_, path);
}

bool Display::dump_bmp(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    const std::lock_guard lock(mutex_);
    return !canvas_.pixels.empty() && write_bmp(canvas_, path);
}

bool Display::schedule_screenshot(const char* path) {
    if (path == nullptr || *path == '\0') return false;
    const std::lock_guard lock(mutex_);
    screenshot_path_ = path;
    return true;
}

Display& display() {
    static Display instance;
    return instance;
}

}  // namespace tessel::gfxrt
