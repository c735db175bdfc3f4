// Internal to the graphics runtime library: the loaded sprites, addressed by sprite handles.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "handle_table.hpp"
#include "image_loader.hpp"
#include "raster.hpp"

namespace tessel::gfxrt {

/** Most sprites alive at once. */
inline constexpr uint32_t max_sprites = 4096;

/** The sprite table. Every member is thread safe; rendering holds mutex() while it looks sprites up
 *  with find_locked, so that a sprite loaded on a worker thread never changes under a frame. */
class SpriteStore {
public:
    /** Rasterises the asset at path at w x h pixels and returns its handle, or 0 when the file cannot
     *  be loaded or the table is full. */
    int32_t load(std::string_view path, int32_t w, int32_t h);

    /** Frees a sprite; false for a handle that is not live. */
    bool release(int32_t handle);

    /** Marks every sprite loaded from file (an asset path) for reloading. */
    void notify_file_changed(std::string_view path);

    /** Reloads a sprite marked by notify_file_changed; true when it was reloaded now. */
    bool poll_reload(int32_t handle);

    /** Live sprites. */
    uint32_t count();

    std::mutex& mutex() { return mutex_; }
    /** The image of a live handle, or null; the caller holds mutex(). */
    const ImageView* find_locked(int32_t handle);

private:
    struct Sprite {
        Image image;
        ImageView view;
        std::string file;
        int32_t requested_w = 0;
        int32_t requested_h = 0;
        bool reload_pending = false;
    };

    std::mutex mutex_;
    HandleTable<Sprite, max_sprites, HandleKind::sprite> table_;
};

/** The process-wide sprite table. */
SpriteStore& sprite_store();

}  // namespace tessel::gfxrt
