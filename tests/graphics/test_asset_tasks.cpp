// Asynchronous asset loading: request, poll, take the handle, cancel.
#include <chrono>
#include <thread>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

constexpr int32_t ready = 3;
constexpr int32_t failed = 4;

/** Polls a task until it settles (ready or failed) and returns that state; 0 if it never does. */
int32_t settle(int32_t task) {
    for (int i = 0; i < 2000; ++i) {
        const int32_t state = GFX(tessel_asset_task_poll)(task);
        if (state == ready || state == failed || state == 0) return state;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

class AssetTasks : public GraphicsTest {
protected:
    void SetUp() override {
        GraphicsTest::SetUp();
        ASSERT_EQ(GFX(tessel_set_recording_audio_config)(1), 1);
    }
};

TEST_F(AssetTasks, SpriteTaskDeliversAUsableSprite) {
    const int32_t task = GFX(tessel_asset_request_sprite)(fixture("quadrants.svg").c_str(), 20, 20);
    ASSERT_GT(task, 0);
    ASSERT_EQ(settle(task), ready);
    const int32_t sprite = GFX(tessel_asset_task_take_handle)(task);
    ASSERT_GT(sprite, 0);
    EXPECT_EQ(GFX(tessel_asset_task_poll)(task), 0);  // taking the handle ends the task
    EXPECT_EQ(GFX(tessel_asset_task_take_handle)(task), 0);

    Frame frame;
    frame.clear(0, 0, 0);
    frame.sprite_at(sprite, 0, 0, 20, 20);
    frame.complete();
    frame.submit();
    EXPECT_TRUE(pixel_near(capture(), 5, 5, 255, 0, 0, 0));
    GFX(tessel_gfx_release_sprite)(sprite);
}

TEST_F(AssetTasks, AudioTaskDeliversAPlayableSound) {
    const int32_t task = GFX(tessel_asset_request_audio)(fixture("constant_mono_48k.wav").c_str());
    ASSERT_GT(task, 0);
    ASSERT_EQ(settle(task), ready);
    const int32_t sound = GFX(tessel_asset_task_take_handle)(task);
    ASSERT_GT(sound, 0);
    const int32_t voice = GFX(tessel_audio_play)(sound, 0, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    float frame[2] = {};
    ASSERT_EQ(GFX(tessel_recording_audio_pull_f32_interleaved)(frame, 1), 1);
    EXPECT_EQ(frame[0], 0.5f);
    GFX(tessel_audio_release)(sound);
}

TEST_F(AssetTasks, MissingFilesFail) {
    for (const int32_t task : {GFX(tessel_asset_request_sprite)(fixture("no_such.svg").c_str(), 20, 20),
                               GFX(tessel_asset_request_audio)(fixture("no_such.wav").c_str())}) {
        ASSERT_GT(task, 0);
        EXPECT_EQ(settle(task), failed);
        EXPECT_EQ(GFX(tessel_asset_task_take_handle)(task), 0);
        GFX(tessel_asset_task_cancel)(task);
        EXPECT_EQ(GFX(tessel_asset_task_poll)(task), 0);
    }
}

TEST_F(AssetTasks, BadRequestsGetNoTask) {
    EXPECT_EQ(GFX(tessel_asset_request_sprite)(nullptr, 20, 20), 0);
    EXPECT_EQ(GFX(tessel_asset_request_sprite)("", 20, 20), 0);
    EXPECT_EQ(GFX(tessel_asset_request_sprite)(fixture("quadrants.svg").c_str(), -1, 20), 0);
    EXPECT_EQ(GFX(tessel_asset_request_audio)(nullptr), 0);
    EXPECT_EQ(GFX(tessel_asset_task_poll)(0), 0);
    EXPECT_EQ(GFX(tessel_asset_task_poll)(12345), 0);
    EXPECT_EQ(GFX(tessel_asset_task_take_handle)(-1), 0);
    GFX(tessel_asset_task_cancel)(0);
}

TEST_F(AssetTasks, CancelEndsTasksAtAnyState) {
    // Many requests at once: some are cancelled while queued or loading, some after they are ready.
    std::vector<int32_t> tasks;
    for (int i = 0; i < 24; ++i) {
        tasks.push_back(i % 2 == 0 ? GFX(tessel_asset_request_sprite)(fixture("ramp.svg").c_str(), 320, 40)
                                   : GFX(tessel_asset_request_audio)(fixture("constant_mono_48k.wav").c_str()));
        ASSERT_GT(tasks.back(), 0);
    }
    for (size_t i = 0; i < tasks.size(); i += 2) GFX(tessel_asset_task_cancel)(tasks[i]);
    for (size_t i = 1; i < tasks.size(); i += 2) {
        EXPECT_EQ(settle(tasks[i]), ready);
        GFX(tessel_asset_task_cancel)(tasks[i]);
    }
    for (const int32_t task : tasks) {
        EXPECT_EQ(GFX(tessel_asset_task_poll)(task), 0);
        EXPECT_EQ(GFX(tessel_asset_task_take_handle)(task), 0);
    }
}

}  // namespace
}  // namespace gfxtest
