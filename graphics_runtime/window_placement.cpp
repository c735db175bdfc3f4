// Window placement, focus and monitor bounds. A headless display reports its canvas as both window and
// monitor at the origin, accepts a new size and has nothing to focus.
#include <SDL.h>

#include "display.hpp"

namespace tessel::gfxrt {

bool Display::window_placement(int32_t* words, int32_t words_capacity, float* scales, int32_t scales_capacity) {
    if (words == nullptr || scales == nullptr || words_capacity < TESSEL_WINDOW_PLACEMENT_WORDS ||
        scales_capacity < TESSEL_WINDOW_PLACEMENT_SCALES) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    if (!opened_) return false;
    if (window_ == nullptr) {
        const int32_t values[TESSEL_WINDOW_PLACEMENT_WORDS] = {0, 0, canvas_.width, canvas_.height, 0, 0, canvas_.width, canvas_.height, 0, 0};
        std::copy(std::begin(values), std::end(values), words);
        scales[0] = scales[1] = 1.0f;
        return true;
    }
    int x = 0, y = 0, w = 0, h = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    SDL_GetWindowSize(window_, &w, &h);
    SDL_Rect monitor{};
    if (SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &monitor) != 0) return false;
    const Uint32 flags = SDL_GetWindowFlags(window_);
    const int32_t values[TESSEL_WINDOW_PLACEMENT_WORDS] = {x, y, w, h, monitor.x, monitor.y, monitor.w, monitor.h,
                                                          (flags & SDL_WINDOW_MAXIMIZED) ? 1 : 0,
                                                          (flags & SDL_WINDOW_FULLSCREEN) ? 1 : 0};
    std::copy(std::begin(values), std::end(values), words);
    scales[0] = scales[1] = raster_scale_;
    return true;
}

bool Display::apply_window_placement(int32_t x, int32_t y, int32_t w, int32_t h, int32_t maximized) {
    if (w < 1 || h < 1 || w > max_canvas_side || h > max_canvas_side) return false;
    const std::lock_guard lock(mutex_);
    if (!opened_) return false;
    if (window_ == nullptr) return resize_locked(w, h);
    if (maximized != 0) {
        SDL_MaximizeWindow(window_);
    } else {
        SDL_RestoreWindow(window_);
        SDL_SetWindowPosition(window_, x, y);
        SDL_SetWindowSize(window_, w, h);
    }
    sync_window_size_locked();
    return true;
}

bool Display::focus_window() {
    const std::lock_guard lock(mutex_);
    if (window_ == nullptr) return false;
    SDL_RaiseWindow(window_);
    return true;
}

int32_t Display::focus_game_window() {
    constexpr int32_t not_focused = 1, focused = 2;
    const std::lock_guard lock(mutex_);
    if (window_ == nullptr) return not_focused;
    SDL_RaiseWindow(window_);
    return (SDL_GetWindowFlags(window_) & SDL_WINDOW_INPUT_FOCUS) != 0 ? focused : not_focused;
}

bool Display::monitor_usable_bounds(int32_t x, int32_t y, int32_t* bounds) {
    if (bounds == nullptr) return false;
    const std::lock_guard lock(mutex_);
    if (!video_) return false;
    const SDL_Point point{x, y};
    const int index = SDL_GetPointDisplayIndex(&point);
    SDL_Rect usable{};
    if (index < 0 || SDL_GetDisplayUsableBounds(index, &usable) != 0) return false;
    bounds[0] = usable.x;
    bounds[1] = usable.y;
    bounds[2] = usable.w;
    bounds[3] = usable.h;
    return true;
}

}  // namespace tessel::gfxrt
