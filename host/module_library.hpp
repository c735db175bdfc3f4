// The module as the host sees it: a shared library with four entry points whose state, once bound,
// is found through the runtime registry.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "tessel/command_stream.h"
#include "tessel/host_frame.h"
#include "tessel/module.h"
#include "tessel_dynload/result.hpp"

namespace host {

/** An opened and bound module. Move-only; closes the library when dropped. */
class ModuleLibrary {
public:
    /** Opens the module at path, resolves its entry points, binds its state and finds the host and
     *  command-stream arrays in the registry. Errors name the file and the reason. */
    static tessel::Result<ModuleLibrary> open(const std::filesystem::path& path);

    ModuleLibrary(ModuleLibrary&& other) noexcept;
    ModuleLibrary& operator=(ModuleLibrary&&) = delete;
    ~ModuleLibrary();

    int32_t main() const { return main_(); }
    int32_t tick() const { return tick_(); }
    int32_t render() const { return render_(); }

    std::span<int32_t, TESSEL_HOST_I32_CAPACITY> host_i32() const { return std::span<int32_t, TESSEL_HOST_I32_CAPACITY>(host_i32_, TESSEL_HOST_I32_CAPACITY); }
    std::span<float, TESSEL_HOST_F32_CAPACITY> host_f32() const { return std::span<float, TESSEL_HOST_F32_CAPACITY>(host_f32_, TESSEL_HOST_F32_CAPACITY); }
    std::span<const int32_t, TESSEL_GFX_I32_CAPACITY> cmd_i32() const { return std::span<const int32_t, TESSEL_GFX_I32_CAPACITY>(cmd_i32_, TESSEL_GFX_I32_CAPACITY); }
    std::span<const float, TESSEL_GFX_F32_CAPACITY> cmd_f32() const { return std::span<const float, TESSEL_GFX_F32_CAPACITY>(cmd_f32_, TESSEL_GFX_F32_CAPACITY); }
    std::span<const uint8_t, TESSEL_GFX_U8_CAPACITY> cmd_u8() const { return std::span<const uint8_t, TESSEL_GFX_U8_CAPACITY>(cmd_u8_, TESSEL_GFX_U8_CAPACITY); }

    /** The four request words: sequence, flags, width px, height px. */
    void read_requests(int32_t (&words)[4]) const;

private:
    ModuleLibrary() = default;

    void* handle_ = nullptr;
    tessel_entry_fn main_ = nullptr;
    tessel_entry_fn tick_ = nullptr;
    tessel_entry_fn render_ = nullptr;
    int32_t* host_i32_ = nullptr;
    float* host_f32_ = nullptr;
    const int32_t* cmd_i32_ = nullptr;
    const float* cmd_f32_ = nullptr;
    const uint8_t* cmd_u8_ = nullptr;
};

}  // namespace host
