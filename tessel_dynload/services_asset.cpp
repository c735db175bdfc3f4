// Asset tasks, the clipboard and the host's screenshot and focus requests: graphics runtime binding
// only.
#include <optional>
#include <string>
#include <vector>

#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/internal/sprite_atlas_policy.hpp"
#include "tessel_dynload/internal/text_bytes.hpp"
#include "tessel_dynload/services.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

using namespace tessel;
using namespace tessel::internal;

namespace {

std::optional<std::string> c_string(int32_t text) {
    Result<std::string> converted = jit_text_arg_to_cstring(text);
    if (!converted) return std::nullopt;
    return std::move(converted).value();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Asset tasks

int32_t tessel_jit_asset_request_sprite(int32_t path, int32_t w, int32_t h) noexcept {
    SpriteAtlasPolicy policy;
    if (w >= 0 && h >= 0) {
        if (const std::optional<std::string> bytes = jit_text_arg_bytes(path)) {
            policy = sprite_atlas_policy(utf8_lossy(*bytes), static_cast<uint32_t>(w), static_cast<uint32_t>(h));
        }
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr) return 0;
    const std::optional<std::string> c_path = c_string(path);
    if (!c_path) return 0;
    if (api->asset_request_sprite_with_policy_v3 != nullptr) {
        return api->asset_request_sprite_with_policy_v3(c_path->c_str(), w, h, policy.present ? 1 : 0,
                                                        policy.normalized_path_hash, policy.group_size, policy.group_id,
                                                        policy.policy_a, policy.policy_b);
    }
    return api->asset_request_sprite != nullptr ? api->asset_request_sprite(c_path->c_str(), w, h) : 0;
}

int32_t tessel_jit_asset_request_audio(int32_t path) noexcept {
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->asset_request_audio == nullptr) return 0;
    const std::optional<std::string> c_path = c_string(path);
    return c_path ? api->asset_request_audio(c_path->c_str()) : 0;
}

int32_t tessel_jit_asset_task_poll(int32_t task) noexcept {
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr && api->asset_task_poll != nullptr ? api->asset_task_poll(task) : 0;
}

int32_t tessel_jit_asset_task_take_handle(int32_t task) noexcept {
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    return api != nullptr && api->asset_task_take_handle != nullptr ? api->asset_task_take_handle(task) : 0;
}

void tessel_jit_asset_task_cancel(int32_t task) noexcept {
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api != nullptr && api->asset_task_cancel != nullptr) api->asset_task_cancel(task);
}

// ---------------------------------------------------------------------------------------------
// Clipboard: printable ASCII only, both ways, since clipboard text comes from anywhere.

int32_t tessel_jit_clipboard_load_ascii(int32_t dest, int32_t capacity) noexcept {
    if (capacity < 1) return -1;
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->clipboard_load_ascii == nullptr) return -1;
    std::vector<uint8_t> buffer(static_cast<std::size_t>(capacity), 0);
    const int32_t count = api->clipboard_load_ascii(buffer.data(), capacity);
    if (static_cast<uint32_t>(count) > static_cast<uint32_t>(capacity)) return -1;
    const std::string_view bytes(reinterpret_cast<const char*>(buffer.data()), static_cast<std::size_t>(count));
    if (!is_printable_ascii(bytes)) return -1;
    for (int32_t i = 0; i < count; ++i)
        tessel_jit_global_i32_array_store(dest, 0, i, buffer[static_cast<std::size_t>(i)]);
    return count;
}

int32_t tessel_jit_clipboard_save_ascii(int32_t text, int32_t length) noexcept {
    const std::optional<std::string> bytes = jit_text_arg_bytes(text);
    if (!bytes || length < 0 || static_cast<std::size_t>(length) > bytes->size()) return 0;
    const std::string_view chosen(bytes->data(), static_cast<std::size_t>(length));
    if (!is_printable_ascii(chosen)) return 0;
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->clipboard_save_ascii == nullptr) return 0;
    return api->clipboard_save_ascii(reinterpret_cast<const uint8_t*>(chosen.data()), length);
}

// ---------------------------------------------------------------------------------------------
// Host requests through the binding

namespace tessel {

Status schedule_runtime_screenshot(std::string_view path) {
    const GraphicsAssetsBinding& binding = graphics_assets_binding();
    if (binding.api() == nullptr) return Status::failure(binding.error);
    if (binding.api()->host_schedule_screenshot == nullptr)
        return Status::failure("the loaded graphics runtime does not support dynamic screenshots");
    if (path.find('\0') != std::string_view::npos)
        return Status::failure("screenshot path contains an interior NUL byte");
    const std::string c_path(path);
    if (binding.api()->host_schedule_screenshot(c_path.c_str()) == 0)
        return Status::failure("graphics runtime rejected the screenshot path");
    return {};
}

Result<bool> focus_runtime_game_window() {
    const GraphicsAssetsBinding& binding = graphics_assets_binding();
    if (binding.api() == nullptr) return Result<bool>::failure(binding.error);
    if (binding.api()->host_focus_game_window == nullptr) {
        return Result<bool>::failure("the loaded graphics runtime does not support game-window focus requests");
    }
    switch (binding.api()->host_focus_game_window()) {
        case 1:
            return false;
        case 2:
            return true;
        default:
            return Result<bool>::failure("graphics runtime rejected the game-window focus request");
    }
}

}  // namespace tessel
