// Internal to the graphics runtime library: asynchronous loading of sprites and sounds. Requests are
// queued to one worker thread; the caller polls a task id until it is ready, then takes the loaded
// handle, which ends the task. Cancelling ends a task at any state and frees whatever it loaded.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "handle_table.hpp"

namespace tessel::gfxrt {

/** Task states reported by poll; 0 for an id that names no task. */
inline constexpr int32_t task_queued = 1;
inline constexpr int32_t task_loading = 2;
inline constexpr int32_t task_ready = 3;
inline constexpr int32_t task_failed = 4;

inline constexpr uint32_t max_tasks = 1024;

/** The asset task table and its worker; every member is thread safe. */
class AssetTasks {
public:
    AssetTasks();
    ~AssetTasks();
    AssetTasks(const AssetTasks&) = delete;
    AssetTasks& operator=(const AssetTasks&) = delete;

    /** Queues the loading of a sprite at w x h pixels, or of a WAV sound; the task id, or 0 when the
     *  table is full or the arguments cannot be valid. */
    int32_t request_sprite(std::string_view path, int32_t w, int32_t h);
    int32_t request_audio(std::string_view path);

    /** The task's state: queued, loading, ready or failed; 0 for an unknown id. */
    int32_t poll(int32_t task);
    /** The handle a ready task loaded, ending the task; 0 for a task that is not ready. */
    int32_t take_handle(int32_t task);
    /** Ends a task, freeing what it loaded or will load. */
    void cancel(int32_t task);

private:
    enum class Kind { sprite, audio };
    struct Task {
        Kind kind = Kind::sprite;
        std::string path;
        int32_t w = 0, h = 0;
        int32_t state = task_queued;
        int32_t handle = 0;
    };

    int32_t enqueue(Task task);
    void run();
    static void free_result(Kind kind, int32_t handle);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<int32_t> queue_;
    bool stopping_ = false;
    std::thread worker_;
    HandleTable<Task, max_tasks, HandleKind::task> table_;
};

/** The process-wide asset tasks. */
AssetTasks& asset_tasks();

}  // namespace tessel::gfxrt
