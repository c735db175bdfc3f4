// Sounds, voices and mixing.
#include "audio_mixer.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace tessel::gfxrt {

namespace {

float sane(float v, float lo, float hi, float fallback) { return std::isnan(v) ? fallback : std::clamp(v, lo, hi); }

uint64_t step_for(int32_t sound_rate, int32_t mix_rate) {
    return (static_cast<uint64_t>(sound_rate) << 32) / static_cast<uint64_t>(mix_rate);
}

}  // namespace

AudioMixer::AudioMixer() { set_rate_locked(default_mix_rate); }

int32_t AudioMixer::add_sound(SoundData data) {
    if (data.frames < 1 || (data.channels != 1 && data.channels != 2) || data.rate < 1 ||
        data.samples.size() != static_cast<size_t>(data.frames) * static_cast<size_t>(data.channels)) {
        return 0;
    }
    auto shared = std::make_shared<const SoundData>(std::move(data));
    const std::lock_guard lock(mutex_);
    return sounds_.insert(std::move(shared));
}

bool AudioMixer::release_sound(int32_t sound) {
    std::shared_ptr<const SoundData> released;  // freed after the lock is dropped
    std::array<int32_t, max_voices> playing{};
    const std::lock_guard lock(mutex_);
    std::optional<std::shared_ptr<const SoundData>> entry = sounds_.erase(sound);
    if (!entry) return false;
    released = std::move(*entry);
    size_t n = 0;
    voices_.for_each([&](int32_t handle, Voice& voice) {
        if (voice.sound_handle == sound) playing[n++] = handle;
    });
    for (size_t i = 0; i < n; ++i) voices_.erase(playing[i]);
    if (music_sound_ == sound) music_voice_ = music_sound_ = 0;
    return true;
}

void AudioMixer::set_gains(Voice& voice, float volume, float pan) {
    volume = sane(volume, 0.0f, 1.0f, 0.0f);
    pan = sane(pan, -1.0f, 1.0f, 0.0f);
    voice.gain_left = volume * std::min(1.0f, 1.0f - pan);
    voice.gain_right = volume * std::min(1.0f, 1.0f + pan);
}

int32_t AudioMixer::play_locked(int32_t sound, bool loop, float volume, float pan) {
    const std::shared_ptr<const SoundData>* data = sounds_.find(sound);
    if (data == nullptr) return 0;
    Voice voice;
    voice.sound = *data;
    voice.sound_handle = sound;
    voice.step = step_for((*data)->rate, rate_);
    voice.loop = loop;
    set_gains(voice, volume, pan);
    return voices_.insert(std::move(voice));
}

int32_t AudioMixer::play(int32_t sound, bool loop, float volume, float pan) {
    const std::lock_guard lock(mutex_);
    return play_locked(sound, loop, volume, pan);
}

void AudioMixer::stop(int32_t voice) {
    const std::lock_guard lock(mutex_);
    voices_.erase(voice);
}

bool AudioMixer::is_playing(int32_t voice) {
    const std::lock_guard lock(mutex_);
    return voices_.find(voice) != nullptr;
}

void AudioMixer::set_paused(int32_t voice, bool paused) {
    const std::lock_guard lock(mutex_);
    if (Voice* v = voices_.find(voice)) v->paused = paused;
}

void AudioMixer::set_volume_pan(int32_t voice, float volume, float pan) {
    const std::lock_guard lock(mutex_);
    if (Voice* v = voices_.find(voice)) set_gains(*v, volume, pan);
}

void AudioMixer::stop_all() {
    const std::lock_guard lock(mutex_);
    voices_.clear();
    music_voice_ = music_sound_ = 0;
}

bool AudioMixer::play_music(int32_t sound, bool loop, float volume) {
    const std::lock_guard lock(mutex_);
    if (sounds_.find(sound) == nullptr) return false;
    voices_.erase(music_voice_);
    music_voice_ = play_locked(sound, loop, volume, 0.0f);
    music_sound_ = music_voice_ != 0 ? sound : 0;
    return music_voice_ != 0;
}

void AudioMixer::stop_music(int32_t sound) {
    const std::lock_guard lock(mutex_);
    if (sound == 0 || sound != music_sound_) return;
    voices_.erase(music_voice_);
    music_voice_ = music_sound_ = 0;
}

void AudioMixer::pause_music(int32_t sound, bool paused) {
    const std::lock_guard lock(mutex_);
    if (sound == 0 || sound != music_sound_) return;
    if (Voice* v = voices_.find(music_voice_)) v->paused = paused;
}

void AudioMixer::set_music_volume(int32_t sound, float volume) {
    const std::lock_guard lock(mutex_);
    if (sound == 0 || sound != music_sound_) return;
    if (Voice* v = voices_.find(music_voice_)) set_gains(*v, volume, 0.0f);
}

int32_t AudioMixer::push(const float* samples, int32_t frames) {
    if (samples == nullptr || frames <= 0) return 0;
    const std::lock_guard lock(mutex_);
    const size_t capacity = stream_.size() / mix_channels;
    const size_t taken = std::min(static_cast<size_t>(frames), capacity - stream_count_);
    for (size_t i = 0; i < taken; ++i) {
        const size_t at = (stream_read_ + stream_count_ + i) % capacity;
        stream_[mix_channels * at] = samples[mix_channels * i];
        stream_[mix_channels * at + 1] = samples[mix_channels * i + 1];
    }
    stream_count_ += taken;
    dropped_frames_ += static_cast<uint32_t>(static_cast<size_t>(frames) - taken);
    if (taken > 0) streaming_ = true;
    return static_cast<int32_t>(taken);
}

void AudioMixer::mix_stream_locked(float* out, int32_t frames) {
    const size_t capacity = stream_.size() / mix_channels;
    const size_t taken = std::min(static_cast<size_t>(frames), stream_count_);
    for (size_t i = 0; i < taken; ++i) {
        const size_t at = (stream_read_ + i) % capacity;
        out[mix_channels * i] += stream_[mix_channels * at];
        out[mix_channels * i + 1] += stream_[mix_channels * at + 1];
    }
    stream_read_ = (stream_read_ + taken) % capacity;
    stream_count_ -= taken;
    // A stream that runs dry in the middle of an output buffer has underrun.
    if (streaming_ && taken < static_cast<size_t>(frames)) {
        ++underruns_;
        streaming_ = false;
    }
}

bool AudioMixer::mix_voice(Voice& voice, float* out, int32_t frames) {
    const SoundData& sound = *voice.sound;
    const float* data = sound.samples.data();
    const uint64_t length = static_cast<uint64_t>(sound.frames);
    const uint64_t end = length << 32;
    constexpr float fraction_scale = 1.0f / 4294967296.0f;
    for (int32_t i = 0; i < frames; ++i) {
        if (voice.position >= end) {
            if (!voice.loop) return true;
            voice.position %= end;
        }
        const uint64_t index = voice.position >> 32;
        const float t = static_cast<float>(voice.position & 0xFFFFFFFFu) * fraction_scale;
        // The frame after the last is silence, or the first frame again when looping.
        const bool has_next = index + 1 < length || voice.loop;
        const uint64_t next = index + 1 < length ? index + 1 : 0;
        float left = 0.0f, right = 0.0f;
        if (sound.channels == 1) {
            const float a = data[index], b = has_next ? data[next] : 0.0f;
            left = right = a + (b - a) * t;
        } else {
            const float al = data[2 * index], bl = has_next ? data[2 * next] : 0.0f;
            const float ar = data[2 * index + 1], br = has_next ? data[2 * next + 1] : 0.0f;
            left = al + (bl - al) * t;
            right = ar + (br - ar) * t;
        }
        out[2 * i] += left * voice.gain_left;
        out[2 * i + 1] += right * voice.gain_right;
        voice.position += voice.step;
    }
    return voice.position >= end && !voice.loop;
}

void AudioMixer::mix(float* out, int32_t frames) {
    if (out == nullptr || frames <= 0) return;
    std::fill(out, out + static_cast<size_t>(frames) * mix_channels, 0.0f);
    std::array<int32_t, max_voices> finished{};
    size_t n = 0;
    const std::lock_guard lock(mutex_);
    voices_.for_each([&](int32_t handle, Voice& voice) {
        if (!voice.paused && mix_voice(voice, out, frames)) finished[n++] = handle;
    });
    for (size_t i = 0; i < n; ++i) {
        voices_.erase(finished[i]);
        if (finished[i] == music_voice_) music_voice_ = music_sound_ = 0;
    }
    mix_stream_locked(out, frames);
    for (size_t i = 0; i < static_cast<size_t>(frames) * mix_channels; ++i) out[i] = std::clamp(out[i], -1.0f, 1.0f);
}

void AudioMixer::set_rate_locked(int32_t rate) {
    rate_ = rate;
    voices_.for_each([&](int32_t, Voice& voice) { voice.step = step_for(voice.sound->rate, rate_); });
    stream_.assign(static_cast<size_t>(rate) * mix_channels, 0.0f);
    stream_read_ = stream_count_ = 0;
    streaming_ = false;
}

void AudioMixer::set_rate(int32_t rate) {
    if (rate < min_mix_rate || rate > max_mix_rate) return;
    const std::lock_guard lock(mutex_);
    if (rate != rate_) set_rate_locked(rate);
}

int32_t AudioMixer::rate() {
    const std::lock_guard lock(mutex_);
    return rate_;
}

MixerCounters AudioMixer::counters() {
    const std::lock_guard lock(mutex_);
    return MixerCounters{sounds_.size(), voices_.size(), static_cast<uint32_t>(stream_count_), underruns_, dropped_frames_};
}

AudioMixer& audio_mixer() {
    static AudioMixer mixer;
    return mixer;
}

}  // namespace tessel::gfxrt
