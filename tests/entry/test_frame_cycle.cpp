// The frame cycle through the module's exported entry points, loaded as the host loads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "app/entry/entry.hpp"
#include "tessel/jit.h"
#include "tessel/module.h"
#include "tessel_dynload/tessel_dynload.hpp"

namespace {

TEST(FrameCycle, QuitOnTheFirstTickSavesAndSkipsTheRest) {
    app_main();
    const int32_t ui_time = app_ui_time;
    const int32_t sim_tick = app_sim_tick;
    host_i32[TESSEL_HOST_I32_QUIT_REQUESTED] = 1;
    EXPECT_EQ(app_tick(), 1);
    EXPECT_EQ(app_ui_time, ui_time);
    EXPECT_EQ(app_sim_tick, sim_tick);
    host_i32[TESSEL_HOST_I32_QUIT_REQUESTED] = 0;
    EXPECT_EQ(app_tick(), 0);
    EXPECT_EQ(app_ui_time, ui_time + 1);
}

TEST(FrameCycle, MainRequestsTheStartWindowAndResetsTheApplication) {
    host_req_seq = 0;
    app_editor_selected = 4;
    app_ui_save_countdown = 12;
    EXPECT_EQ(app_main(), 0);
    EXPECT_EQ(host_req_seq, 1);
    EXPECT_EQ(host_req_flags, TESSEL_HOST_REQ_OPEN_WINDOW);
    EXPECT_EQ(host_req_window_w_px, 2000);
    EXPECT_EQ(host_req_window_h_px, 900);
    EXPECT_EQ(app_editor_selected, -1);
    EXPECT_EQ(app_ui_save_countdown, -1);
    EXPECT_EQ(app_settings_volume, 80);
    EXPECT_EQ(app_wall_hopper_interval, 150);
    EXPECT_EQ(app_history_count, 0);
}

/** The real module, opened with dlopen as a host opens it. */
class Module : public ::testing::Test {
protected:
    void SetUp() override {
        handle_ = dlopen(TESSEL_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
    }
    void TearDown() override {
        if (handle_ != nullptr) dlclose(handle_);
    }
    template <class T>
    T sym(const char* name) {
        void* p = dlsym(handle_, name);
        EXPECT_NE(p, nullptr) << name;
        return reinterpret_cast<T>(p);
    }
    void* handle_ = nullptr;
};

TEST_F(Module, ExportsEntryPointsStateAndReplay) {
    auto bind = sym<tessel_bind_fn>("tessel_aot_bind_runtime_globals");
    auto main_fn = sym<tessel_entry_fn>("main");
    auto tick_fn = sym<tessel_entry_fn>("tick");
    auto render_fn = sym<tessel_entry_fn>("render");
    auto size_fn = sym<tessel_replay_size_fn>("tessel_replay_state_snapshot_size");
    sym<void*>("tessel_replay_state_snapshot_write");
    sym<void*>("tessel_replay_state_snapshot_restore");
    auto* module_host_i32 = sym<int32_t*>("tessel_state_array__host_i32");
    auto* seq = sym<int32_t*>("tessel_state_scalar__host_req_seq");
    auto* x = sym<float*>("tessel_state_array__app__sim__marbles__x");
    auto* ui_time = sym<int32_t*>("tessel_state_scalar__app__ui__time");
    ASSERT_TRUE(bind && main_fn && tick_fn && render_fn && size_fn && module_host_i32 && seq && x && ui_time);
    EXPECT_NE(module_host_i32, host_i32) << "the module keeps its own state";

    tessel::clear_registered_global_memory();
    bind();
    // The registry now points at the module's globals, not the test program's.
    EXPECT_EQ(tessel_jit_global_i32_array_ptr(tessel::name_hash("host_i32"), 0, 768), module_host_i32);
    EXPECT_EQ(tessel_jit_global_f32_array_ptr(tessel::name_hash("app.sim.marbles"), tessel::name_hash("x"), 24), x);

    EXPECT_EQ(main_fn(), 0);
    EXPECT_EQ(*seq, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tick_fn(), 0);
        EXPECT_EQ(render_fn(), 0);
    }
    EXPECT_EQ(*ui_time, 3);
    EXPECT_EQ(size_fn(), TESSEL_REPLAY_RECORD_SIZE);
    module_host_i32[TESSEL_HOST_I32_QUIT_REQUESTED] = 1;
    EXPECT_EQ(tick_fn(), 1);
    tessel::clear_registered_global_memory();
}

}  // namespace
