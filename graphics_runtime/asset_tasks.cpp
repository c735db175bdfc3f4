// Asynchronous asset loading on one worker thread.
#include "asset_tasks.hpp"

#include <optional>

#include "asset_paths.hpp"
#include "audio_mixer.hpp"
#include "image_loader.hpp"
#include "sprites.hpp"

namespace tessel::gfxrt {

AssetTasks::AssetTasks() {
    // The worker loads into these tables until this object joins it, so they must outlive it.
    sprite_store();
    audio_mixer();
}

AssetTasks::~AssetTasks() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

int32_t AssetTasks::request_sprite(std::string_view path, int32_t w, int32_t h) {
    if (path.empty() || w < 0 || h < 0 || w > max_image_side || h > max_image_side) return 0;
    return enqueue(Task{Kind::sprite, std::string(path), w, h, task_queued, 0});
}

int32_t AssetTasks::request_audio(std::string_view path) {
    if (path.empty()) return 0;
    return enqueue(Task{Kind::audio, std::string(path), 0, 0, task_queued, 0});
}

int32_t AssetTasks::enqueue(Task task) {
    int32_t id = 0;
    {
        const std::lock_guard lock(mutex_);
        if (stopping_) return 0;
        id = table_.insert(std::move(task));
        if (id == 0) return 0;
        queue_.push_back(id);
        if (!worker_.joinable()) worker_ = std::thread([this] { run(); });
    }
    wake_.notify_one();
    return id;
}

int32_t AssetTasks::poll(int32_t task) {
    const std::lock_guard lock(mutex_);
    const Task* t = table_.find(task);
    return t == nullptr ? 0 : t->state;
}

int32_t AssetTasks::take_handle(int32_t task) {
    const std::lock_guard lock(mutex_);
    const Task* t = table_.find(task);
    if (t == nullptr || t->state != task_ready) return 0;
    const int32_t handle = t->handle;
    table_.erase(task);
    return handle;
}

void AssetTasks::cancel(int32_t task) {
    std::optional<Task> ended;
    {
        const std::lock_guard lock(mutex_);
        ended = table_.erase(task);  // a task being loaded is missing when the worker returns: it frees the result
    }
    if (ended && ended->state == task_ready) free_result(ended->kind, ended->handle);
}

void AssetTasks::free_result(Kind kind, int32_t handle) {
    if (handle == 0) return;
    if (kind == Kind::sprite) {
        sprite_store().release(handle);
    } else {
        audio_mixer().release_sound(handle);
    }
}

void AssetTasks::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) break;
        const int32_t id = queue_.front();
        queue_.pop_front();
        Task* task = table_.find(id);
        if (task == nullptr) continue;  // cancelled while queued
        task->state = task_loading;
        const Kind kind = task->kind;
        const std::string path = task->path;
        const int32_t w = task->w, h = task->h;
        lock.unlock();

        int32_t handle = 0;
        if (kind == Kind::sprite) {
            handle = sprite_store().load(path, w, h);
        } else if (std::optional<SoundData> sound = load_wav_file(resolve_asset_path(path))) {
            handle = audio_mixer().add_sound(std::move(*sound));
        }

        lock.lock();
        task = table_.find(id);
        if (task == nullptr) {
            lock.unlock();
            free_result(kind, handle);  // cancelled while loading
            lock.lock();
            continue;
        }
        task->state = handle != 0 ? task_ready : task_failed;
        task->handle = handle;
    }
    lock.unlock();
    release_wav_thread_state();
}

AssetTasks& asset_tasks() {
    static AssetTasks tasks;
    return tasks;
}

}  // namespace tessel::gfxrt
