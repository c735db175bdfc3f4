// Internal to the graphics runtime library: where the mixer's output goes. Normally an SDL audio
// device (the system's default driver, else SDL's dummy driver when no device can be opened), opened
// on first need. In recording mode no device is used: the host pulls mixed frames itself, directly or
// through a simulated device that can be configured, unplugged and paused, and whose health it reads.
#pragma once

#include <cstdint>
#include <mutex>

#include "tessel/graphics.h"

namespace tessel::gfxrt {

inline constexpr int32_t default_buffer_frames = 1024;

/** The audio output; every member is thread safe. */
class AudioOutput {
public:
    AudioOutput();
    ~AudioOutput();
    AudioOutput(const AudioOutput&) = delete;
    AudioOutput& operator=(const AudioOutput&) = delete;

    /** Opens the device at rate (0: 48000) with stereo output (channels 0 or 2) and a buffer of
     *  buffer_frames (0: 1024, else 64..16384); in recording mode only sets the mix rate. False for
     *  arguments out of range or when no device opens. */
    bool init(int32_t rate, int32_t channels, int32_t buffer_frames);
    /** Closes the device and stops every voice. */
    void shutdown();
    /** Opens the device with defaults unless it is open, recording is on or opening failed before;
     *  true when output is possible. */
    bool ensure_started();

    /** Recording mode on or off; turning it on closes the device. */
    void set_recording(bool on);
    bool recording();

    /** Recording mode: mixes frames stereo frames into out; the frames written (0 when not recording). */
    int32_t pull(float* out, int32_t frames);

    /** The simulated device: setting_a the mix rate (0 keeps it), setting_b the period in frames
     *  (0: 1024, at most 65536); size 16 and version 1 are required. */
    bool configure_device(const TesselRecordingAudioDeviceConfigV1* config);
    /** Device present and paused flags: while absent or paused, advancing yields silence and voices
     *  hold their place. */
    void set_device_state(bool present, bool paused);
    /** Recording mode: runs the simulated device for frames stereo frames, period by period. */
    int32_t advance(float* out, int32_t frames);
    /** Fills the health record: counters 0..10 are the mix rate, period frames, present, paused,
     *  periods run, stream underruns, playing voices, queued stream frames, dropped stream frames,
     *  loaded sounds and silent advances; total_frames counts every frame pulled or advanced. */
    bool health(TesselRecordingAudioHealthV1* record);

private:
    bool open_device_locked(int32_t rate, int32_t buffer_frames);
    void close_device_locked();

    std::mutex mutex_;
    uint32_t device_ = 0;  // SDL_AudioDeviceID
    bool subsystem_ = false;
    bool open_failed_ = false;
    bool recording_ = false;
    int32_t buffer_frames_ = default_buffer_frames;
    uint32_t period_frames_ = default_buffer_frames;
    bool present_ = true;
    bool paused_ = false;
    uint32_t periods_ = 0;
    uint32_t silent_advances_ = 0;
    uint64_t total_frames_ = 0;
};

/** The process-wide audio output. */
AudioOutput& audio_output();

}  // namespace tessel::gfxrt
