// Shared by the services tests: clean runtime tables and providers per test, literal text ids,
// temporary directories, environment overrides and access to the fixture graphics runtimes.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "fixture_knobs.h"
#include "tessel/fnv1a.h"
#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/services.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

namespace tessel::testing {

namespace fs = std::filesystem;

/** Path of the fixture library variant ("good", "abi3", ...) as built. */
inline fs::path fixture_path(std::string_view variant) {
    return fs::path(TESSEL_SERVICES_FIXTURE_DIR) / ("libfixture_" + std::string(variant) + ".so");
}

/** Registers text as a string literal and returns its id. */
inline int32_t literal(std::string_view text) {
    const int32_t id = name_hash(text);
    upsert_jit_string_literal(id, std::string(text));
    return id;
}

/** A fresh directory under the system's temporary directory, removed with everything in it. */
class TempDir {
public:
    TempDir() {
        std::random_device seed;
        path_ = fs::temp_directory_path() /
                ("tessel-services-" + std::to_string(::getpid()) + "-" + std::to_string(seed()));
        fs::create_directories(path_);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    const fs::path& path() const { return path_; }
    fs::path operator/(std::string_view name) const { return path_ / name; }

private:
    fs::path path_;
};

/** Sets (or, with none, unsets) an environment variable for its lifetime. */
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        apply(value);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    ~ScopedEnv() { apply(old_); }

private:
    void apply(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(name_, value->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    const char* name_;
    std::optional<std::string> old_;
};

/** The knobs and counters of a fixture library that is already loaded. */
class FixtureControl {
public:
    explicit FixtureControl(const fs::path& path) : handle_(::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD)) {
        if (handle_ == nullptr) return;
        set_ = reinterpret_cast<fixture_set_fn>(::dlsym(handle_, "fixture_set"));
        get_ = reinterpret_cast<fixture_get_fn>(::dlsym(handle_, "fixture_get"));
        text_ = reinterpret_cast<fixture_text_fn>(::dlsym(handle_, "fixture_text"));
        clipboard_ = reinterpret_cast<fixture_set_clipboard_fn>(::dlsym(handle_, "fixture_set_clipboard"));
        reinterpret_cast<fixture_reset_fn>(::dlsym(handle_, "fixture_reset"))();
    }
    FixtureControl(const FixtureControl&) = delete;
    FixtureControl& operator=(const FixtureControl&) = delete;
    ~FixtureControl() {
        if (handle_ != nullptr) ::dlclose(handle_);
    }
    bool loaded() const { return handle_ != nullptr; }
    void set(FixtureKnob knob, int32_t value) const { set_(knob, value); }
    int32_t get(FixtureCounter counter) const { return get_(counter); }
    std::string text() const { return text_(); }
    void set_clipboard(std::string_view bytes) const {
        clipboard_(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int32_t>(bytes.size()));
    }

private:
    void* handle_;
    fixture_set_fn set_ = nullptr;
    fixture_get_fn get_ = nullptr;
    fixture_text_fn text_ = nullptr;
    fixture_set_clipboard_fn clipboard_ = nullptr;
};

/** True when the library at path is mapped into the process. */
inline bool library_is_open(const fs::path& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle == nullptr) return false;
    ::dlclose(handle);
    return true;
}

/** Binds the services to the library at path (or to none) for the rest of the process, until the
 *  next rebind. */
inline void bind_services_to(std::optional<fs::path> path) {
    std::vector<fs::path> candidates;
    if (path) candidates.push_back(*path);
    internal::rebind_graphics_assets_for_test(candidates);
}

/** Empties the registry and the literal table, removes the providers a test may have installed and
 *  binds the services to no library; every services test starts and ends this way. */
class ServicesTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }

    static void reset() {
        clear_registered_global_memory();
        clear_jit_i32_global_table();
        clear_jit_f32_global_table();
        clear_jit_i32_array_global_table();
        clear_jit_f32_array_global_table();
        clear_jit_string_literal_table();
        install_audio_host_api(std::nullopt);
        set_embedded_graphics_host(std::nullopt);
        bind_services_to(std::nullopt);
    }
};

}  // namespace tessel::testing
