// The host input frame (tessel/host_frame.h) and the module's request words.
//
// Pointer 0 is the mouse, or the first finger while it is down and the mouse button is up; further
// fingers take the next free slots, and fingers beyond the eighth pointer are counted as dropped.
// A key reads as held for a frame in which it went down, even when it was released before the frame.
#include <algorithm>
#include <cstring>

#include <SDL.h>

#include "display.hpp"

namespace tessel::gfxrt {

namespace {

/** Frame input version written to host_i32[14] and flag bits of host_i32[15]. */
constexpr int32_t input_version = 1;
constexpr int32_t flag_headless = 1;
constexpr int32_t flag_recorded_clock = 2;

constexpr int32_t request_sequence = 0;
constexpr int32_t request_flags = 1;
constexpr int32_t request_width = 2;
constexpr int32_t request_height = 3;

}  // namespace

PointerState* Display::finger_slot_locked(int64_t finger, bool create) {
    for (PointerState& p : pointers_) {
        if (p.active && p.finger == finger) return &p;
    }
    if (!create) return nullptr;
    const bool fingers_down = std::any_of(std::begin(pointers_), std::end(pointers_), [](const PointerState& p) {
        return p.active && p.finger >= 0;
    });
    // The first finger becomes the primary pointer unless the mouse holds it down.
    const size_t first = (!fingers_down && !pointers_[0].down) ? 0 : 1;
    for (size_t i = first; i < TESSEL_HOST_MAX_POINTERS; ++i) {
        PointerState& p = pointers_[i];
        if (i == 0 || !p.active) {
            p = PointerState{};
            p.active = true;
            p.finger = finger;
            p.id = next_touch_id_;
            next_touch_id_ = next_touch_id_ == INT32_MAX ? 1 : next_touch_id_ + 1;
            return &p;
        }
    }
    ++dropped_pointers_;
    return nullptr;
}

void Display::handle_event_locked(const SDL_Event& event) {
    PointerState& mouse = pointers_[0];
    const bool mouse_owns_slot = mouse.finger < 0;
    switch (event.type) {
        case SDL_QUIT:
            quit_ = true;
            break;
        case SDL_WINDOWEVENT:
            switch (event.window.event) {
                case SDL_WINDOWEVENT_CLOSE: quit_ = true; break;
                case SDL_WINDOWEVENT_FOCUS_GAINED: focused_ = true; break;
                case SDL_WINDOWEVENT_FOCUS_LOST: focused_ = false; break;
                case SDL_WINDOWEVENT_MINIMIZED: minimized_ = true; break;
                case SDL_WINDOWEVENT_RESTORED:
                case SDL_WINDOWEVENT_MAXIMIZED: minimized_ = false; break;
                case SDL_WINDOWEVENT_SIZE_CHANGED: sync_window_size_locked(); break;
                default: break;
            }
            break;
        case SDL_KEYDOWN:
            if (event.key.keysym.scancode < TESSEL_HOST_KEY_COUNT) keys_pressed_[event.key.keysym.scancode] = 1;
            break;
        case SDL_MOUSEMOTION:
            if (event.motion.which != SDL_TOUCH_MOUSEID && mouse_owns_slot) {
                mouse.x = static_cast<float>(event.motion.x);
                mouse.y = static_cast<float>(event.motion.y);
            }
            break;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.which != SDL_TOUCH_MOUSEID && event.button.button == SDL_BUTTON_LEFT && mouse_owns_slot) {
                const bool down = event.type == SDL_MOUSEBUTTONDOWN;
                mouse.x = static_cast<float>(event.button.x);
                mouse.y = static_cast<float>(event.button.y);
                if (down && !mouse.down) mouse.went_down = true;
                if (!down && mouse.down) mouse.went_up = true;
                mouse.down = down;
            }
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP: {
            PointerState* p = finger_slot_locked(event.tfinger.fingerId, event.type == SDL_FINGERDOWN);
            if (p == nullptr) break;
            p->x = event.tfinger.x * static_cast<float>(canvas_.width);
            p->y = event.tfinger.y * static_cast<float>(canvas_.height);
            if (event.type == SDL_FINGERDOWN) {
                p->last_x = p->x;
                p->last_y = p->y;
                p->down = p->went_down = true;
            } else if (event.type == SDL_FINGERUP) {
                p->down = false;
                p->went_up = true;
            }
            break;
        }
        default:
            break;
    }
}

void Display::get_frame(int32_t* host_i32, float* host_f32) {
    if (host_i32 == nullptr || host_f32 == nullptr) return;
    const std::lock_guard lock(mutex_);
    // Edges are reported for one frame; a lifted finger gives its slot back after reporting it.
    for (size_t i = 0; i < TESSEL_HOST_MAX_POINTERS; ++i) {
        PointerState& p = pointers_[i];
        if (p.finger >= 0 && !p.down && !p.went_down) {
            p = PointerState{};
            p.active = i == 0;
        }
        p.went_down = p.went_up = false;
        p.last_x = p.x;
        p.last_y = p.y;
    }
    std::memset(keys_pressed_, 0, sizeof keys_pressed_);
    pointers_[0].active = window_ != nullptr || pointers_[0].finger >= 0;

    if (window_ != nullptr) {
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) handle_event_locked(event);
        sync_window_size_locked();
    }

    const int64_t frame = input_frames_++;
    const bool limit_reached = frame_limit_ > 0 && frame >= frame_limit_;
    int64_t time_us = 0;
    if (recording_ == RecordingMode::recorded_clock) {
        time_us = frame * 1000000 / fps_;
    } else {
        time_us = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_).count();
    }

    std::fill(host_i32, host_i32 + TESSEL_HOST_I32_CAPACITY, 0);
    std::fill(host_f32, host_f32 + TESSEL_HOST_F32_CAPACITY, 0.0f);
    int32_t native_w = 0, native_h = 0, drawable_w = canvas_.width, drawable_h = canvas_.height;
    if (window_ != nullptr) {
        SDL_DisplayMode mode{};
        const int index = SDL_GetWindowDisplayIndex(window_);
        if (index >= 0 && SDL_GetDesktopDisplayMode(index, &mode) == 0) {
            native_w = mode.w;
            native_h = mode.h;
        }
        SDL_GetRendererOutputSize(renderer_, &drawable_w, &drawable_h);
    }
    int32_t pointer_count = 0;
    for (size_t i = 0; i < TESSEL_HOST_MAX_POINTERS; ++i) {
        if (pointers_[i].active) pointer_count = static_cast<int32_t>(i) + 1;
    }

    host_i32[TESSEL_HOST_I32_TIME_MS] = static_cast<int32_t>(static_cast<uint32_t>(time_us / 1000));
    host_i32[TESSEL_HOST_I32_POINTER_COUNT] = pointer_count;
    host_i32[TESSEL_HOST_I32_DROPPED_POINTER_COUNT] = dropped_pointers_;
    host_i32[TESSEL_HOST_I32_QUIT_REQUESTED] = quit_ || limit_reached ? 1 : 0;
    host_i32[TESSEL_HOST_I32_TICK_INDEX] = static_cast<int32_t>(static_cast<uint32_t>(frame));
    host_i32[TESSEL_HOST_I32_DISPLAY_RESIZED] = resized_ ? 1 : 0;
    host_i32[TESSEL_HOST_I32_SCREEN_WIDTH_PX] = drawable_w;
    host_i32[TESSEL_HOST_I32_SCREEN_HEIGHT_PX] = drawable_h;
    host_i32[TESSEL_HOST_I32_VERSION] = input_version;
    host_i32[TESSEL_HOST_I32_FLAGS] = (headless_ ? flag_headless : 0) | (recording_ == RecordingMode::recorded_clock ? flag_recorded_clock : 0);
    host_i32[TESSEL_HOST_I32_TICK_HZ] = recording_ == RecordingMode::recorded_clock ? fps_ : 60;
    host_i32[TESSEL_HOST_I32_WINDOW_FOCUSED] = focused_ ? 1 : 0;
    host_i32[TESSEL_HOST_I32_WINDOW_MINIMIZED] = minimized_ ? 1 : 0;
    host_i32[TESSEL_HOST_I32_TIME_US] = static_cast<int32_t>(static_cast<uint32_t>(time_us));
    host_i32[TESSEL_HOST_I32_NATIVE_WIDTH_PX] = native_w;
    host_i32[TESSEL_HOST_I32_NATIVE_HEIGHT_PX] = native_h;
    host_i32[TESSEL_HOST_I32_DRAWABLE_WIDTH_PX] = drawable_w;
    host_i32[TESSEL_HOST_I32_DRAWABLE_HEIGHT_PX] = drawable_h;
    host_i32[TESSEL_HOST_I32_DISPLAY_GENERATION] = display_generation_;
    host_i32[TESSEL_HOST_I32_DENSITY_GENERATION] = density_generation_;
    resized_ = false;

    if (window_ != nullptr) {
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        for (int k = 0; k < std::min(count, TESSEL_HOST_KEY_COUNT); ++k) {
            host_i32[TESSEL_HOST_I32_KEYS + k] = (state[k] != 0 || keys_pressed_[k] != 0) ? 1 : 0;
        }
    }

    const float w = static_cast<float>(std::max(1, canvas_.width)), h = static_cast<float>(std::max(1, canvas_.height));
    for (size_t i = 0; i < TESSEL_HOST_MAX_POINTERS; ++i) {
        const PointerState& p = pointers_[i];
        if (!p.active) continue;
        int32_t* words = host_i32 + TESSEL_HOST_I32_POINTERS + TESSEL_HOST_I32_POINTER_STRIDE * i;
        words[0] = p.finger >= 0 ? p.id : 0;
        words[1] = p.down ? 1 : 0;
        words[2] = p.went_down ? 1 : 0;
        words[3] = p.went_up ? 1 : 0;
        float* floats = host_f32 + TESSEL_HOST_F32_POINTER_STRIDE * i;
        floats[0] = p.x;
        floats[1] = p.y;
        floats[2] = p.x - p.last_x;
        floats[3] = p.y - p.last_y;
        floats[4] = p.x / w;
        floats[5] = p.y / h;
    }
    host_f32[TESSEL_HOST_F32_CONTENT_SCALE] = 1.0f;
    host_f32[TESSEL_HOST_F32_RASTER_SCALE] = raster_scale_;
    host_f32[TESSEL_HOST_F32_LOGICAL_WIDTH] = static_cast<float>(canvas_.width);
    host_f32[TESSEL_HOST_F32_LOGICAL_HEIGHT] = static_cast<float>(canvas_.height);
    host_f32[TESSEL_HOST_F32_SAFE_X] = 0.0f;
    host_f32[TESSEL_HOST_F32_SAFE_Y] = 0.0f;
    host_f32[TESSEL_HOST_F32_SAFE_WIDTH] = static_cast<float>(canvas_.width);
    host_f32[TESSEL_HOST_F32_SAFE_HEIGHT] = static_cast<float>(canvas_.height);
    host_f32[TESSEL_HOST_F32_AVAILABLE_WIDTH] = static_cast<float>(canvas_.width);
    host_f32[TESSEL_HOST_F32_AVAILABLE_HEIGHT] = static_cast<float>(canvas_.height);
}

void Display::bulk_init(int32_t* request_words) {
    const std::lock_guard lock(mutex_);
    request_words_ = request_words;
    last_request_seq_ = 0;  // requests written before the words were handed over still count
}

void Display::apply_requests() {
    const std::lock_guard lock(mutex_);
    if (request_words_ == nullptr) return;
    const int32_t seq = request_words_[request_sequence];
    if (seq == last_request_seq_) return;
    last_request_seq_ = seq;
    const int32_t flags = request_words_[request_flags];
    if (flags != TESSEL_HOST_REQ_OPEN_WINDOW && flags != TESSEL_HOST_REQ_RESIZE_WINDOW) return;
    const int32_t w = request_words_[request_width], h = request_words_[request_height];
    if (opened_) {
        resize_locked(w, h);
    } else {
        open_locked(w, h);
    }
}

}  // namespace tessel::gfxrt
