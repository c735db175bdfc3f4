// WAV files to float frames through SDL's WAV reader and converter.
#include <algorithm>
#include <cstring>
#include <limits>

#include <SDL.h>

#include "audio_mixer.hpp"

namespace tessel::gfxrt {

std::optional<SoundData> load_wav_file(const std::string& file) {
    SDL_AudioSpec format{};
    Uint8* buffer = nullptr;
    Uint32 length = 0;
    if (file.empty() || SDL_LoadWAV(file.c_str(), &format, &buffer, &length) == nullptr) return std::nullopt;
    std::vector<Uint8> raw(buffer, buffer + length);
    SDL_FreeWAV(buffer);

    const int channels = format.channels >= 2 ? 2 : 1;
    SDL_AudioCVT cvt{};
    if (format.freq < 1 || SDL_BuildAudioCVT(&cvt, format.format, format.channels, format.freq, AUDIO_F32SYS, channels, format.freq) < 0) {
        return std::nullopt;
    }
    size_t bytes = raw.size();
    if (cvt.needed) {
        if (raw.size() > static_cast<size_t>(std::numeric_limits<int>::max() / std::max(1, cvt.len_mult))) return std::nullopt;
        raw.resize(raw.size() * static_cast<size_t>(cvt.len_mult));
        cvt.buf = raw.data();
        cvt.len = static_cast<int>(bytes);
        if (SDL_ConvertAudio(&cvt) != 0) return std::nullopt;
        bytes = static_cast<size_t>(cvt.len_cvt);
    }
    const size_t frame_bytes = sizeof(float) * static_cast<size_t>(channels);
    SoundData sound;
    sound.channels = channels;
    sound.rate = format.freq;
    sound.frames = static_cast<int64_t>(bytes / frame_bytes);
    if (sound.frames < 1) return std::nullopt;
    sound.samples.resize(static_cast<size_t>(sound.frames) * static_cast<size_t>(channels));
    std::memcpy(sound.samples.data(), raw.data(), sound.samples.size() * sizeof(float));
    return sound;
}

void release_wav_thread_state() { SDL_TLSCleanup(); }

}  // namespace tessel::gfxrt
