// Internal to the graphics runtime library: sounds, voices and the mixer that sums them into stereo
// float frames, for the audio device thread or for an offline recording pull alike.
//
// A voice plays one sound from its start, looping or once, at a volume (0..1) and a pan (-1 left ..
// 1 right) applied as a balance: pan p keeps min(1, 1 - p) of the left channel and min(1, 1 + p) of
// the right, so the centre plays both at full volume and pan -1 the left alone. Sounds are resampled
// linearly to the mix rate on the fly. The mixed output is clipped to -1..1.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "handle_table.hpp"

namespace tessel::gfxrt {

/** Decoded audio: 32-bit float frames of one or two interleaved channels at a sample rate. */
struct SoundData {
    int32_t channels = 0;
    int32_t rate = 0;
    int64_t frames = 0;
    std::vector<float> samples;
};

/** Decodes a WAV file (PCM, float, ADPCM or mu-law; mono, stereo or more, mixed down to two) at its
 *  own rate. None when it cannot be read, decoded or holds no frame. Safe from any thread. */
std::optional<SoundData> load_wav_file(const std::string& file);

/** Frees what the WAV reader keeps for the calling thread (its last error text); a thread that loaded
 *  sounds calls it before it ends. */
void release_wav_thread_state();

inline constexpr uint32_t max_sounds = 1024;
inline constexpr uint32_t max_voices = 256;
inline constexpr int32_t default_mix_rate = 48000;
inline constexpr int32_t min_mix_rate = 8000;
inline constexpr int32_t max_mix_rate = 192000;
/** Output channels of the mixer: always stereo. */
inline constexpr int32_t mix_channels = 2;

/** Counters of the mixer, read for health and performance records. */
struct MixerCounters {
    uint32_t sounds = 0;
    uint32_t voices = 0;
    uint32_t queued_frames = 0;
    uint32_t underruns = 0;
    uint32_t dropped_frames = 0;
};

/** The sound and voice tables and the mixer; every member is thread safe. */
class AudioMixer {
public:
    AudioMixer();

    /** Stores a decoded sound; its handle, or 0 when the table is full. */
    int32_t add_sound(SoundData data);
    /** Frees a sound and stops its voices; false for a handle that is not live. */
    bool release_sound(int32_t sound);

    /** Starts a voice; its handle, or 0 for an unknown sound or a full voice table. */
    int32_t play(int32_t sound, bool loop, float volume, float pan);
    void stop(int32_t voice);
    /** True while the voice plays or is paused; false once it has ended or been stopped. */
    bool is_playing(int32_t voice);
    void set_paused(int32_t voice, bool paused);
    void set_volume_pan(int32_t voice, float volume, float pan);
    void stop_all();

    /** The music voice: one at a time, centred. play_music replaces the current one. */
    bool play_music(int32_t sound, bool loop, float volume);
    void stop_music(int32_t sound);
    void pause_music(int32_t sound, bool paused);
    void set_music_volume(int32_t sound, float volume);

    /** Queues stereo frames of a pushed stream (at most one second is kept); returns the frames taken. */
    int32_t push(const float* samples, int32_t frames);

    /** Writes frames stereo frames: every voice and the pushed stream summed, clipped to -1..1. */
    void mix(float* out, int32_t frames);

    /** The mix rate; changing it keeps the voices playing at their pitch and drops the pushed stream. */
    void set_rate(int32_t rate);
    int32_t rate();

    MixerCounters counters();

private:
    struct Voice {
        std::shared_ptr<const SoundData> sound;
        int32_t sound_handle = 0;
        uint64_t position = 0;  // frames in 32.32 fixed point
        uint64_t step = 0;
        float gain_left = 0.0f;
        float gain_right = 0.0f;
        bool loop = false;
        bool paused = false;
    };

    int32_t play_locked(int32_t sound, bool loop, float volume, float pan);
    void set_rate_locked(int32_t rate);
    static void set_gains(Voice& voice, float volume, float pan);
    static bool mix_voice(Voice& voice, float* out, int32_t frames);
    void mix_stream_locked(float* out, int32_t frames);

    std::mutex mutex_;
    HandleTable<std::shared_ptr<const SoundData>, max_sounds, HandleKind::sound> sounds_;
    HandleTable<Voice, max_voices, HandleKind::voice> voices_;
    int32_t rate_ = default_mix_rate;
    int32_t music_voice_ = 0;
    int32_t music_sound_ = 0;
    std::vector<float> stream_;  // ring of stereo frames
    size_t stream_read_ = 0;
    size_t stream_count_ = 0;
    bool streaming_ = false;
    uint32_t underruns_ = 0;
    uint32_t dropped_frames_ = 0;
};

/** The process-wide mixer. */
AudioMixer& audio_mixer();

}  // namespace tessel::gfxrt
