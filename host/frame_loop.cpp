// The host's frame loop.
#include "host/frame_loop.hpp"

#include <chrono>
#include <cstdio>
#include <thread>

#include "tessel_dynload/services.hpp"

namespace host {

std::atomic<bool> quit_signal{false};

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kFramePeriod = std::chrono::microseconds(16667);
constexpr const char* kWindowTitle = "Pellam Marble Wall";

int32_t micros_since(Clock::time_point t) {
    return static_cast<int32_t>(std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - t).count());
}

/** Passes the module's request words to the graphics runtime, opening the window on the first. */
class Requests {
public:
    Requests(const tessel::TesselGraphicsApi& gfx, const ModuleLibrary& module) : gfx_(gfx), module_(module) {
        gfx_.host_bulk_init(words_);
    }

    /** After main: the module asked for its window. */
    bool open_window() {
        module_.read_requests(words_);
        const int32_t w = words_[1] == TESSEL_HOST_REQ_OPEN_WINDOW ? words_[2] : 2000;
        const int32_t h = words_[1] == TESSEL_HOST_REQ_OPEN_WINDOW ? words_[3] : 900;
        auto opened = gfx_.init_window(w, h, kWindowTitle);
        if (!opened.ok() || !opened.value()) {
            std::fprintf(stderr, "pellam-marble-wall: the graphics runtime could not open a %dx%d window%s%s\n", w, h,
                         opened.ok() ? "" : ": ", opened.ok() ? "" : opened.error().c_str());
            return false;
        }
        seen_ = words_[0];
        return true;
    }

    /** After a tick: a resize the module asked for. */
    void apply() {
        module_.read_requests(words_);
        if (words_[0] == seen_) return;
        seen_ = words_[0];
        gfx_.host_bulk_apply_requests();
    }

private:
    const tessel::TesselGraphicsApi& gfx_;
    const ModuleLibrary& module_;
    int32_t words_[4] = {};
    int32_t seen_ = 0;
};

/** Places the window over the whole monitor it is on (flag set: without decorations). */
void fill_monitor(const tessel::TesselGraphicsApi& gfx) {
    auto placement = gfx.window_placement();
    if (!placement.ok()) {
        std::fprintf(stderr, "pellam-marble-wall: cannot go fullscreen: %s\n", placement.error().c_str());
        return;
    }
    const tessel::ScreenRect& m = placement.value().monitor;
    auto placed = gfx.apply_window_placement(m.x, m.y, m.width, m.height, true);
    if (!placed.ok()) std::fprintf(stderr, "pellam-marble-wall: cannot go fullscreen: %s\n", placed.error().c_str());
}

}  // namespace

int run_frames(const tessel::TesselGraphicsApi& gfx, const ModuleLibrary& module, const Options& options) {
    Requests requests(gfx, module);
    gfx.host_get_frame(module.host_i32(), module.host_f32());
    module.main();
    if (!requests.open_window()) return 1;
    if (options.fullscreen) fill_monitor(gfx);

    auto next = Clock::now();
    for (int32_t frame = 1;; ++frame) {
        gfx.host_get_frame(module.host_i32(), module.host_f32());
        const bool last = options.frames > 0 && frame > options.frames;
        if (last || quit_signal.load()) module.host_i32()[TESSEL_HOST_I32_QUIT_REQUESTED] = 1;

        const auto t0 = Clock::now();
        const int32_t quit = module.tick();
        const int32_t tick_us = micros_since(t0);
        requests.apply();
        if (quit != 0) break;  // the module has saved everything

        const auto t1 = Clock::now();
        module.render();
        gfx.host_set_performance_metrics(tick_us, micros_since(t1));
        if (!options.screenshot.empty() && frame == options.frames) {
            auto shot = tessel::schedule_runtime_screenshot(options.screenshot);
            if (!shot.ok()) std::fprintf(stderr, "pellam-marble-wall: no screenshot: %s\n", shot.error().c_str());
        }
        gfx.gfx_submit_u8(module.cmd_i32(), module.cmd_f32(), module.cmd_u8());

        // Frame pacing: hold 60 frames a second, without drifting and without catching up in a burst.
        if (!options.headless) {
            next += kFramePeriod;
            const auto now = Clock::now();
            if (next > now) {
                std::this_thread::sleep_until(next);
            } else if (now - next > 4 * kFramePeriod) {
                next = now;
            }
        }
    }
    return 0;
}

}  // namespace host
