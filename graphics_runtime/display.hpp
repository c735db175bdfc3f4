// Internal to the graphics runtime library: the display side. Owns the frame canvas, the window (or
// its absence in headless mode), the host input frame, the module's request words, frame submission
// and presentation, performance counters, screenshots, window placement, the clipboard and links.
//
// Every frame is rendered by the software rasteriser into the canvas, whose size is the window's
// logical size; a windowed display then uploads the canvas to a streaming texture and presents it,
// so both modes show the same pixels. Headless mode is used when recording is configured, when no
// display is reachable, or when SDL cannot open a window.
//
// Recording configuration (tessel_set_recording_config a, b, c): a = 0 windowed when possible, 1
// headless, 2 headless with a recorded clock (the frame clock advances 1/b s per input frame instead of
// following the wall clock, and sleeping returns at once); b = frames per second of that clock (0: 60,
// at most 1000); c = input frames after which quit is requested (0: never).
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "canvas.hpp"
#include "frame.hpp"
#include "tessel/graphics.h"
#include "tessel/host_frame.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace tessel::gfxrt {

/** Words of tessel_test_get_render_submission_state: frames submitted, rendered, kept because they
 *  were not complete, refused as unsupported or invalid, and the last FrameCheck. */
inline constexpr int32_t submission_state_words = 5;

/** Recording modes of the recording configuration. */
enum class RecordingMode : int32_t { off = 0, headless = 1, recorded_clock = 2 };

/** One pointer slot of the host input frame. */
struct PointerState {
    bool active = false;
    int64_t finger = -1;  // SDL finger id, -1 for the mouse
    int32_t id = 0;
    bool down = false;
    bool went_down = false;
    bool went_up = false;
    float x = 0.0f, y = 0.0f;
    float last_x = 0.0f, last_y = 0.0f;
};

/** The display; the host calls it from one thread, services may call it from any. */
class Display {
public:
    Display();
    ~Display();
    Display(const Display&) = delete;
    Display& operator=(const Display&) = delete;

    // Window and frames (display.cpp)
    bool set_recording_config(int32_t mode, int32_t fps, int32_t frame_limit);
    bool init_window(int32_t w, int32_t h, const char* title);
    void submit(const int32_t* i32, const float* f32, const uint8_t* u8);
    void sleep_ms(int32_t ms);
    bool headless();

    // Host input and requests (host_input.cpp)
    void get_frame(int32_t* host_i32, float* host_f32);
    void bulk_init(int32_t* request_words);
    void apply_requests();

    // Counters and images (display.cpp)
    void set_host_metrics(int32_t tick_us, int32_t render_us);
    bool metrics_enabled();
    void set_metrics_enabled(bool enabled);
    /** Counters 0..15: the host's tick and render microseconds, the last rasterisation and
     *  presentation microseconds, frames submitted, rendered, kept and refused, the last frame's
     *  sprites, texts and shapes drawn, canvas width and height, live sprites and fonts, and 1 when
     *  headless; frame_index is the frames submitted. */
    bool latest_metrics(TesselPerformanceMetricsV1* record, uint32_t capacity);
    bool submission_state(int32_t* words, int32_t capacity);
    bool dump_png(const char* path);
    bool dump_bmp(const char* path);
    bool schedule_screenshot(const char* path);

    // Window placement and focus (window_placement.cpp)
    bool window_placement(int32_t* words, int32_t words_capacity, float* scales, int32_t scales_capacity);
    bool apply_window_placement(int32_t x, int32_t y, int32_t w, int32_t h, int32_t maximized);
    bool focus_window();
    int32_t focus_game_window();
    bool monitor_usable_bounds(int32_t x, int32_t y, int32_t* bounds);

    // Clipboard and links (clipboard.cpp)
    int32_t clipboard_load(uint8_t* buffer, int32_t capacity);
    bool clipboard_save(const uint8_t* text, int32_t length);
    bool open_url(const uint8_t* url, int32_t length);

private:
    bool open_window_locked(int32_t w, int32_t h);
    void close_window_locked();
    bool resize_locked(int32_t w, int32_t h);
    void present_locked();
    void draw_metrics_overlay_locked();
    void handle_event_locked(const SDL_Event& event);
    PointerState* finger_slot_locked(int64_t finger, bool create);
    bool open_locked(int32_t w, int32_t h);
    void sync_window_size_locked();

    std::mutex mutex_;
    Canvas canvas_;
    bool opened_ = false;
    bool headless_ = true;
    bool video_ = false;  // the SDL video subsystem is initialised
    std::string title_;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    int32_t texture_w_ = 0, texture_h_ = 0;

    RecordingMode recording_ = RecordingMode::off;
    int32_t fps_ = 60;
    int32_t frame_limit_ = 0;

    // Host input
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    int64_t input_frames_ = 0;
    bool quit_ = false;
    bool focused_ = true;
    bool minimized_ = false;
    bool resized_ = false;
    int32_t display_generation_ = 0;
    int32_t density_generation_ = 0;
    float raster_scale_ = 1.0f;
    int32_t dropped_pointers_ = 0;
    int32_t next_touch_id_ = 1;
    PointerState pointers_[TESSEL_HOST_MAX_POINTERS];
    uint8_t keys_pressed_[TESSEL_HOST_KEY_COUNT] = {};
    int32_t* request_words_ = nullptr;
    int32_t last_request_seq_ = 0;

    // Submission and performance
    int32_t submitted_ = 0, rendered_ = 0, kept_ = 0, refused_ = 0;
    FrameCheck last_check_ = FrameCheck::not_complete;
    FrameStats last_stats_;
    int32_t host_tick_us_ = 0, host_render_us_ = 0;
    int32_t raster_us_ = 0, present_us_ = 0;
    bool metrics_enabled_ = false;
    std::string screenshot_path_;

    // Clipboard of headless mode
    std::string clipboard_;
};

/** The process-wide display. */
Display& display();

}  // namespace tessel::gfxrt
