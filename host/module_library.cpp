// Opening and binding the module.
#include "host/module_library.hpp"

#include <dlfcn.h>

#include <utility>

#include "tessel/fnv1a.h"
#include "tessel/jit.h"
#include "tessel_dynload/tessel_dynload.hpp"

namespace host {

namespace {

constexpr int32_t kRequestNames[4] = {
    tessel::name_hash("host_req_seq"),
    tessel::name_hash("host_req_flags"),
    tessel::name_hash("host_req_window_w_px"),
    tessel::name_hash("host_req_window_h_px"),
};

}  // namespace

tessel::Result<ModuleLibrary> ModuleLibrary::open(const std::filesystem::path& path) {
    using R = tessel::Result<ModuleLibrary>;
    const std::string where = "cannot load the module " + path.string() + ": ";
    if (!std::filesystem::exists(path)) return R::failure(where + "no such file");

    ModuleLibrary m;
    m.handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m.handle_ == nullptr) return R::failure(where + dlerror());

    auto bind = reinterpret_cast<tessel_bind_fn>(dlsym(m.handle_, "tessel_aot_bind_runtime_globals"));
    m.main_ = reinterpret_cast<tessel_entry_fn>(dlsym(m.handle_, "main"));
    m.tick_ = reinterpret_cast<tessel_entry_fn>(dlsym(m.handle_, "tick"));
    m.render_ = reinterpret_cast<tessel_entry_fn>(dlsym(m.handle_, "render"));
    if (bind == nullptr || m.main_ == nullptr || m.tick_ == nullptr || m.render_ == nullptr) {
        return R::failure(where + "it lacks the entry points tessel_aot_bind_runtime_globals, main, tick and render");
    }

    bind();
    m.host_i32_ = tessel_jit_global_i32_array_ptr(tessel::name_hash("host_i32"), 0, TESSEL_HOST_I32_CAPACITY);
    m.host_f32_ = tessel_jit_global_f32_array_ptr(tessel::name_hash("host_f32"), 0, TESSEL_HOST_F32_CAPACITY);
    auto storage = [](TesselJitStorageKind kind, const char* name, std::size_t count) -> void* {
        auto s = tessel::registered_storage(kind, tessel::name_hash(name), 0);
        return s.ok() && s.value().count >= count ? s.value().address : nullptr;
    };
    m.cmd_i32_ = static_cast<const int32_t*>(storage(TESSEL_JIT_I32, "gfx_cmd_i32", TESSEL_GFX_I32_CAPACITY));
    m.cmd_f32_ = static_cast<const float*>(storage(TESSEL_JIT_F32, "gfx_cmd_f32", TESSEL_GFX_F32_CAPACITY));
    m.cmd_u8_ = static_cast<const uint8_t*>(storage(TESSEL_JIT_U8, "gfx_cmd_u8", TESSEL_GFX_U8_CAPACITY));
    if (m.host_i32_ == nullptr || m.host_f32_ == nullptr || m.cmd_i32_ == nullptr || m.cmd_f32_ == nullptr ||
        m.cmd_u8_ == nullptr) {
        return R::failure(where + "binding did not register the host input and command-stream arrays");
    }
    return R(std::move(m));
}

ModuleLibrary::ModuleLibrary(ModuleLibrary&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      main_(other.main_),
      tick_(other.tick_),
      render_(other.render_),
      host_i32_(other.host_i32_),
      host_f32_(other.host_f32_),
      cmd_i32_(other.cmd_i32_),
      cmd_f32_(other.cmd_f32_),
      cmd_u8_(other.cmd_u8_) {}

ModuleLibrary::~ModuleLibrary() {
    if (handle_ == nullptr) return;
    // The registry borrows the module's memory: forget it before the library goes.
    tessel::clear_registered_global_memory();
    dlclose(handle_);
}

void ModuleLibrary::read_requests(int32_t (&words)[4]) const {
    for (int i = 0; i < 4; ++i) words[i] = tessel_jit_global_i32_load(kRequestNames[i]);
}

}  // namespace host
