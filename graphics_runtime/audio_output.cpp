// The SDL audio device and the recording-mode outputs.
#include "audio_output.hpp"

#include <algorithm>

#include <SDL.h>

#include "audio_mixer.hpp"
#include "sdl_lifetime.hpp"

namespace tessel::gfxrt {

namespace {

void SDLCALL fill_device_buffer(void*, Uint8* stream, int length) {
    audio_mixer().mix(reinterpret_cast<float*>(stream), length / static_cast<int>(sizeof(float) * mix_channels));
}

constexpr uint32_t max_period_frames = 65536;

}  // namespace

AudioOutput::AudioOutput() {
    hold_sdl_until_unload();
    audio_mixer();  // the device thread mixes until this object closes it, so the mixer must outlive it
}

AudioOutput::~AudioOutput() {
    const std::lock_guard lock(mutex_);
    close_device_locked();
}

bool AudioOutput::open_device_locked(int32_t rate, int32_t buffer_frames) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        // No sound card: the default driver cannot open a device, the dummy driver always can.
        if (attempt == 1) SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
        if (!subsystem_) {
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) continue;
            subsystem_ = true;
        }
        SDL_AudioSpec want{};
        want.freq = rate;
        want.format = AUDIO_F32SYS;
        want.channels = mix_channels;
        want.samples = static_cast<Uint16>(buffer_frames);
        want.callback = fill_device_buffer;
        SDL_AudioSpec have{};
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);  // SDL converts to what the device needs
        if (device_ != 0) {
            audio_mixer().set_rate(rate);
            SDL_PauseAudioDevice(device_, 0);
            return true;
        }
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystem_ = false;
    }
    return false;
}

void AudioOutput::close_device_locked() {
    if (device_ != 0) SDL_CloseAudioDevice(device_);
    device_ = 0;
    if (subsystem_) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    subsystem_ = false;
}

bool AudioOutput::init(int32_t rate, int32_t channels, int32_t buffer_frames) {
    if (rate == 0) rate = default_mix_rate;
    if (buffer_frames == 0) buffer_frames = default_buffer_frames;
    if (rate < min_mix_rate || rate > max_mix_rate || (channels != 0 && channels != mix_channels) || buffer_frames < 64 ||
        buffer_frames > 16384) {
        return false;
    }
    const std::lock_guard lock(mutex_);
    buffer_frames_ = buffer_frames;
    if (recording_) {
        audio_mixer().set_rate(rate);
        return true;
    }
    close_device_locked();
    open_failed_ = !open_device_locked(rate, buffer_frames);
    return !open_failed_;
}

void AudioOutput::shutdown() {
    {
        const std::lock_guard lock(mutex_);
        close_device_locked();
        open_failed_ = false;
    }
    audio_mixer().stop_all();
}

bool AudioOutput::ensure_started() {
    const std::lock_guard lock(mutex_);
    if (recording_ || device_ != 0) return true;
    if (open_failed_) return false;
    open_failed_ = !open_device_locked(audio_mixer().rate(), buffer_frames_);
    return !open_failed_;
}

void AudioOutput::set_recording(bool on) {
    const std::lock_guard lock(mutex_);
    if (on) close_device_locked();
    recording_ = on;
    open_failed_ = false;
}

bool AudioOutput::recording() {
    const std::lock_guard lock(mutex_);
    return recording_;
}

int32_t AudioOutput::pull(float* out, int32_t frames) {
    if (out == nullptr || frames <= 0) return 0;
    const std::lock_guard lock(mutex_);
    if (!recording_) return 0;
    audio_mixer().mix(out, frames);
    total_frames_ += static_cast<uint64_t>(frames);
    return frames;
}

bool AudioOutput::configure_device(const TesselRecordingAudioDeviceConfigV1* config) {
    if (config == nullptr || config->size != sizeof(TesselRecordingAudioDeviceConfigV1) || config->version != 1) return false;
    const uint32_t rate = config->setting_a, period = config->setting_b;
    if (rate != 0 && (rate < static_cast<uint32_t>(min_mix_rate) || rate > static_cast<uint32_t>(max_mix_rate))) return false;
    if (period > max_period_frames) return false;
    const std::lock_guard lock(mutex_);
    if (rate != 0) audio_mixer().set_rate(static_cast<int32_t>(rate));
    period_frames_ = period == 0 ? default_buffer_frames : period;
    return true;
}

void AudioOutput::set_device_state(bool present, bool paused) {
    const std::lock_guard lock(mutex_);
    present_ = present;
    paused_ = paused;
}

int32_t AudioOutput::advance(float* out, int32_t frames) {
    if (out == nullptr || frames <= 0) return 0;
    const std::lock_guard lock(mutex_);
    if (!recording_) return 0;
    if (!present_ || paused_) {
        std::fill(out, out + static_cast<size_t>(frames) * mix_channels, 0.0f);
        ++silent_advances_;
    } else {
        for (int32_t done = 0; done < frames;) {
            const int32_t n = std::min<int32_t>(frames - done, static_cast<int32_t>(period_frames_));
            audio_mixer().mix(out + static_cast<size_t>(done) * mix_channels, n);
            done += n;
            ++periods_;
        }
    }
    total_frames_ += static_cast<uint64_t>(frames);
    return frames;
}

bool AudioOutput::health(TesselRecordingAudioHealthV1* record) {
    if (record == nullptr || record->size < sizeof(TesselRecordingAudioHealthV1)) return false;
    const MixerCounters mixer = audio_mixer().counters();
    const std::lock_guard lock(mutex_);
    const uint32_t values[11] = {static_cast<uint32_t>(audio_mixer().rate()), period_frames_, present_ ? 1u : 0u, paused_ ? 1u : 0u,
                                 periods_, mixer.underruns, mixer.voices, mixer.queued_frames, mixer.dropped_frames, mixer.sounds,
                                 silent_advances_};
    std::copy(std::begin(values), std::end(values), record->counters);
    record->total_frames = total_frames_;
    record->size = sizeof(TesselRecordingAudioHealthV1);
    record->version = 1;
    return true;
}

AudioOutput& audio_output() {
    static AudioOutput output;
    return output;
}

}  // namespace tessel::gfxrt
