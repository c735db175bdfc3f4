// Audio voices mixed offline in recording mode, the simulated recording device, and the dummy device.
#include <cmath>
#include <vector>

#include "graphics_library.hpp"

namespace gfxtest {
namespace {

class Audio : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(library(), nullptr) << dlerror();
        ASSERT_EQ(GFX(tessel_set_recording_audio_config)(1), 1);
        ASSERT_EQ(GFX(tessel_audio_init)(0, 0, 0), 1);
        mono_ = GFX(tessel_audio_load_wav)(fixture("constant_mono_48k.wav").c_str());  // 4800 frames of 0.5
        ASSERT_GT(mono_, 0);
    }
    void TearDown() override {
        GFX(tessel_audio_shutdown)();
        GFX(tessel_audio_release)(mono_);
    }

    /** Pulls frames stereo frames from the mixer. */
    static std::vector<float> pull(int32_t frames) {
        std::vector<float> samples(2 * static_cast<size_t>(frames), -9.0f);
        EXPECT_EQ(GFX(tessel_recording_audio_pull_f32_interleaved)(samples.data(), frames), frames);
        return samples;
    }

    /** True when every frame of samples is (left, right). */
    static ::testing::AssertionResult all_frames(const std::vector<float>& samples, float left, float right) {
        for (size_t i = 0; i + 1 < samples.size(); i += 2) {
            if (samples[i] != left || samples[i + 1] != right) {
                return ::testing::AssertionFailure() << "frame " << i / 2 << " is (" << samples[i] << ", " << samples[i + 1] << ")";
            }
        }
        return ::testing::AssertionSuccess();
    }

    int32_t mono_ = 0;
};

TEST_F(Audio, VolumeAndPanScaleTheChannels) {
    struct Case {
        float volume, pan;
        float left, right;
    };
    const Case cases[] = {
        {1.0f, 0.0f, 0.5f, 0.5f},   {0.5f, -1.0f, 0.25f, 0.0f}, {0.5f, 1.0f, 0.0f, 0.25f},
        {1.0f, -0.5f, 0.5f, 0.25f}, {0.0f, 0.0f, 0.0f, 0.0f},   {2.0f, 0.0f, 0.5f, 0.5f},
        {0.5f, -3.0f, 0.25f, 0.0f}, {NAN, 0.0f, 0.0f, 0.0f},    {1.0f, NAN, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        const int32_t voice = GFX(tessel_audio_play)(mono_, 0, c.volume, c.pan);
        ASSERT_GT(voice, 0);
        EXPECT_TRUE(all_frames(pull(256), c.left, c.right)) << "volume " << c.volume << " pan " << c.pan;
        GFX(tessel_audio_stop)(voice);
    }
}

TEST_F(Audio, OneShotEndsAndLoopGoesOn) {
    const int32_t once = GFX(tessel_audio_play)(mono_, 0, 1.0f, 0.0f);
    ASSERT_GT(once, 0);
    EXPECT_TRUE(all_frames(pull(4800), 0.5f, 0.5f));
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(once), 0);
    EXPECT_TRUE(all_frames(pull(100), 0.0f, 0.0f));

    const int32_t loop = GFX(tessel_audio_play)(mono_, 1, 1.0f, 0.0f);
    ASSERT_GT(loop, 0);
    EXPECT_TRUE(all_frames(pull(12000), 0.5f, 0.5f));
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(loop), 1);
}

TEST_F(Audio, StopSilencesAndTheOldHandleIsRefused) {
    const int32_t voice = GFX(tessel_audio_play)(mono_, 1, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    GFX(tessel_audio_stop)(voice);
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(voice), 0);
    EXPECT_TRUE(all_frames(pull(100), 0.0f, 0.0f));
    const int32_t next = GFX(tessel_audio_play)(mono_, 1, 0.5f, 0.0f);
    ASSERT_GT(next, 0);
    EXPECT_NE(next, voice);
    GFX(tessel_audio_voice_set_volume_pan)(voice, 1.0f, 1.0f);  // the stale handle reaches nothing
    GFX(tessel_audio_stop)(voice);
    EXPECT_TRUE(all_frames(pull(100), 0.25f, 0.25f));
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(0), 0);
    EXPECT_EQ(GFX(tessel_audio_play)(0, 0, 1.0f, 0.0f), 0);
    EXPECT_EQ(GFX(tessel_audio_play)(voice, 0, 1.0f, 0.0f), 0);  // a voice handle is no sound
}

TEST_F(Audio, PauseHoldsThePlace) {
    const int32_t voice = GFX(tessel_audio_play)(mono_, 0, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    pull(4000);
    GFX(tessel_audio_voice_set_paused)(voice, 1);
    EXPECT_TRUE(all_frames(pull(3000), 0.0f, 0.0f));
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(voice), 1);
    GFX(tessel_audio_voice_set_paused)(voice, 0);
    EXPECT_TRUE(all_frames(pull(800), 0.5f, 0.5f));
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(voice), 0);
}

TEST_F(Audio, VolumeAndPanChangeWhilePlaying) {
    const int32_t voice = GFX(tessel_audio_play)(mono_, 1, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    pull(10);
    GFX(tessel_audio_voice_set_volume_pan)(voice, 0.5f, 1.0f);
    EXPECT_TRUE(all_frames(pull(10), 0.0f, 0.25f));
}

TEST_F(Audio, OtherRatesAreResampled) {
    const int32_t stereo = GFX(tessel_audio_load_wav)(fixture("constant_stereo_24k.wav").c_str());  // 2400 frames
    ASSERT_GT(stereo, 0);
    const int32_t voice = GFX(tessel_audio_play)(stereo, 0, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    EXPECT_TRUE(all_frames(pull(4798), 0.25f, -0.25f));  // twice as many frames at 48 kHz
    pull(2);
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(voice), 0);
    GFX(tessel_audio_release)(stereo);
}

TEST_F(Audio, LoudSumsAreClipped) {
    for (int i = 0; i < 3; ++i) ASSERT_GT(GFX(tessel_audio_play)(mono_, 1, 1.0f, 0.0f), 0);
    EXPECT_TRUE(all_frames(pull(50), 1.0f, 1.0f));
}

TEST_F(Audio, ReleasedSoundStopsItsVoices) {
    const int32_t sound = GFX(tessel_audio_load_wav)(fixture("constant_mono_48k.wav").c_str());
    const int32_t voice = GFX(tessel_audio_play)(sound, 1, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    GFX(tessel_audio_release)(sound);
    EXPECT_EQ(GFX(tessel_audio_voice_is_playing)(voice), 0);
    EXPECT_EQ(GFX(tessel_audio_play)(sound, 0, 1.0f, 0.0f), 0);
    GFX(tessel_audio_release)(sound);
}

TEST_F(Audio, BadFilesLoadNothing) {
    EXPECT_EQ(GFX(tessel_audio_load_wav)(fixture("no_such.wav").c_str()), 0);
    EXPECT_EQ(GFX(tessel_audio_load_wav)(fixture("quadrants.svg").c_str()), 0);
    EXPECT_EQ(GFX(tessel_audio_load_wav)(""), 0);
    EXPECT_EQ(GFX(tessel_audio_load_wav)(nullptr), 0);
}

TEST_F(Audio, PushedStreamIsMixedInAndUnderrunsCounted) {
    EXPECT_EQ(GFX(tessel_audio_get_channels)(), 2);
    EXPECT_EQ(GFX(tessel_audio_get_sample_rate)(), 48000);
    std::vector<float> stream(200);
    for (size_t i = 0; i < stream.size(); i += 2) stream[i] = 0.1f, stream[i + 1] = -0.1f;
    const int32_t underruns = GFX(tessel_audio_get_underruns)();
    EXPECT_EQ(GFX(tessel_audio_push_f32_interleaved)(stream.data(), 100), 100);
    EXPECT_EQ(GFX(tessel_audio_get_queued_frames)(), 100);
    EXPECT_TRUE(all_frames(pull(100), 0.1f, -0.1f));
    EXPECT_EQ(GFX(tessel_audio_get_queued_frames)(), 0);
    pull(10);
    EXPECT_EQ(GFX(tessel_audio_get_underruns)(), underruns + 1);
    EXPECT_EQ(GFX(tessel_audio_push_f32_interleaved)(nullptr, 10), 0);
    EXPECT_EQ(GFX(tessel_audio_push_f32_interleaved)(stream.data(), -1), 0);
}

TEST_F(Audio, MusicAndEffects) {
    EXPECT_EQ(GFX(tessel_audio_play_music)(mono_, 1, 0.5f), 1);
    EXPECT_TRUE(all_frames(pull(10), 0.25f, 0.25f));
    GFX(tessel_audio_set_music_volume)(mono_, 1.0f);
    EXPECT_TRUE(all_frames(pull(10), 0.5f, 0.5f));
    GFX(tessel_audio_pause_music)(mono_, 1);
    EXPECT_TRUE(all_frames(pull(10), 0.0f, 0.0f));
    GFX(tessel_audio_pause_music)(mono_, 0);
    const int32_t effect = GFX(tessel_audio_play_effect)(mono_, 0.5f);
    EXPECT_GT(effect, 0);
    EXPECT_TRUE(all_frames(pull(10), 0.75f, 0.75f));
    GFX(tessel_audio_stop_music)(mono_);
    EXPECT_TRUE(all_frames(pull(10), 0.25f, 0.25f));
    EXPECT_EQ(GFX(tessel_audio_play_music)(0, 1, 1.0f), 0);
}

TEST_F(Audio, SimulatedDeviceAdvancesByPeriodsAndReportsHealth) {
    const TesselRecordingAudioDeviceConfigV1 config{16, 1, 0, 256};
    EXPECT_EQ(GFX(tessel_recording_audio_configure_device_v1)(&config), 1);
    for (const TesselRecordingAudioDeviceConfigV1 bad : {TesselRecordingAudioDeviceConfigV1{12, 1, 0, 0}, {16, 2, 0, 0},
                                                         {16, 1, 100, 0}, {16, 1, 0, 1u << 20}}) {
        EXPECT_EQ(GFX(tessel_recording_audio_configure_device_v1)(&bad), 0);
    }
    EXPECT_EQ(GFX(tessel_recording_audio_configure_device_v1)(nullptr), 0);

    const int32_t voice = GFX(tessel_audio_play)(mono_, 0, 1.0f, 0.0f);
    ASSERT_GT(voice, 0);
    std::vector<float> out(2 * 1000);
    EXPECT_EQ(GFX(tessel_recording_audio_set_device_state_v1)(1, 1), 1);  // paused: silence, the voice waits
    EXPECT_EQ(GFX(tessel_recording_audio_advance_v1)(out.data(), 1000), 1000);
    EXPECT_TRUE(all_frames(out, 0.0f, 0.0f));
    EXPECT_EQ(GFX(tessel_recording_audio_set_device_state_v1)(1, 0), 1);
    EXPECT_EQ(GFX(tessel_recording_audio_advance_v1)(out.data(), 1000), 1000);
    EXPECT_TRUE(all_frames(out, 0.5f, 0.5f));

    TesselRecordingAudioHealthV1 health{};
    health.size = sizeof health;
    ASSERT_EQ(GFX(tessel_recording_audio_get_health_v1)(&health), 1);
    EXPECT_EQ(health.version, 1u);
    EXPECT_GE(health.size, 60u);
    EXPECT_EQ(health.counters[0], 48000u);
    EXPECT_EQ(health.counters[1], 256u);
    EXPECT_EQ(health.counters[2], 1u);
    EXPECT_EQ(health.counters[3], 0u);
    EXPECT_GE(health.counters[4], 4u);  // 1000 frames in periods of 256
    EXPECT_EQ(health.counters[6], 1u);  // the voice still plays
    const uint64_t total_frames = health.total_frames;  // packed: copied out before gtest takes a reference
    EXPECT_GE(total_frames, 2000u);
    TesselRecordingAudioHealthV1 small{};
    small.size = 40;
    EXPECT_EQ(GFX(tessel_recording_audio_get_health_v1)(&small), 0);
}

TEST(AudioDevice, DummyDeviceOpensWithoutASoundCard) {
    ASSERT_NE(library(), nullptr) << dlerror();
    ASSERT_EQ(GFX(tessel_set_recording_audio_config)(0), 1);
    float frame[2] = {};
    EXPECT_EQ(GFX(tessel_recording_audio_pull_f32_interleaved)(frame, 1), 0);  // no pulling from a device
    EXPECT_EQ(GFX(tessel_audio_init)(44100, 1, 0), 0);                         // stereo only
    EXPECT_EQ(GFX(tessel_audio_init)(1000, 0, 0), 0);
    EXPECT_EQ(GFX(tessel_audio_init)(0, 0, 7), 0);
    ASSERT_EQ(GFX(tessel_audio_init)(0, 0, 512), 1);
    EXPECT_EQ(GFX(tessel_audio_is_available)(), 1);
    EXPECT_EQ(GFX(tessel_audio_get_sample_rate)(), 48000);
    EXPECT_EQ(GFX(tessel_audio_get_channels)(), 2);
    GFX(tessel_audio_shutdown)();
    EXPECT_EQ(GFX(tessel_set_recording_audio_config)(2), 0);
    EXPECT_EQ(GFX(tessel_set_recording_audio_config)(1), 1);
}

}  // namespace
}  // namespace gfxtest
