// The sprite table.
#include "sprites.hpp"

#include <optional>

#include "asset_paths.hpp"

namespace tessel::gfxrt {

int32_t SpriteStore::load(std::string_view path, int32_t w, int32_t h) {
    std::string file = resolve_asset_path(path);
    std::optional<Image> image = load_image_file(file, w, h);  // outside the lock: rasterising is slow
    if (!image) return 0;
    const std::lock_guard lock(mutex_);
    const int32_t handle = table_.insert(Sprite{std::move(*image), {}, std::move(file), w, h, false});
    if (handle != 0) {
        Sprite* sprite = table_.find(handle);
        sprite->view = ImageView{sprite->image.width, sprite->image.height, sprite->image.pixels.data()};
    }
    return handle;
}

bool SpriteStore::release(int32_t handle) {
    const std::lock_guard lock(mutex_);
    return table_.erase(handle).has_value();
}

void SpriteStore::notify_file_changed(std::string_view path) {
    const std::string file = resolve_asset_path(path);
    const std::lock_guard lock(mutex_);
    table_.for_each([&](int32_t, Sprite& sprite) {
        if (sprite.file == file) sprite.reload_pending = true;
    });
}

bool SpriteStore::poll_reload(int32_t handle) {
    std::string file;
    int32_t w = 0, h = 0;
    {
        const std::lock_guard lock(mutex_);
        Sprite* sprite = table_.find(handle);
        if (sprite == nullptr || !sprite->reload_pending) return false;
        sprite->reload_pending = false;
        file = sprite->file;
        w = sprite->requested_w;
        h = sprite->requested_h;
    }
    std::optional<Image> image = load_image_file(file, w, h);
    if (!image) return false;  // a half-written file: keep the old pixels
    const std::lock_guard lock(mutex_);
    Sprite* sprite = table_.find(handle);
    if (sprite == nullptr) return false;  // released meanwhile
    sprite->image = std::move(*image);
    sprite->view = ImageView{sprite->image.width, sprite->image.height, sprite->image.pixels.data()};
    return true;
}

uint32_t SpriteStore::count() {
    const std::lock_guard lock(mutex_);
    return table_.size();
}

const ImageView* SpriteStore::find_locked(int32_t handle) {
    Sprite* sprite = table_.find(handle);
    return sprite == nullptr ? nullptr : &sprite->view;
}

SpriteStore& sprite_store() {
    static SpriteStore store;
    return store;
}

}  // namespace tessel::gfxrt
