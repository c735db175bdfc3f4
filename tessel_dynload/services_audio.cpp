// Audio services: the audio host table when it has the entry, else the graphics runtime binding, else
// the service's default. The table is copied under its lock and called outside it.
#include <limits>
#include <optional>
#include <string>

#include "tessel/jit.h"
#include "tessel/services.h"
#include "tessel_dynload/internal/service_binding.hpp"
#include "tessel_dynload/services.hpp"
#include "tessel_dynload/tessel_dynload.hpp"

using namespace tessel;
using namespace tessel::internal;

namespace {

/** Calls the host table's entry if installed and present, else the binding's, else gives fallback.
 *  HostEntry and BindingEntry are member pointers of the two tables. */
template <auto HostEntry, auto BindingEntry, class R, class... Args>
R forward(R fallback, Args... args) {
    if (const std::optional<TesselAudioHostApi> host = current_audio_host_api();
        host && (*host).*HostEntry != nullptr) {
        return ((*host).*HostEntry)(args...);
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api != nullptr && api->*BindingEntry != nullptr) return (api->*BindingEntry)(args...);
    return fallback;
}

/** The same for entries without a result. */
template <auto HostEntry, auto BindingEntry, class... Args>
void forward_void(Args... args) {
    if (const std::optional<TesselAudioHostApi> host = current_audio_host_api();
        host && (*host).*HostEntry != nullptr) {
        ((*host).*HostEntry)(args...);
        return;
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api != nullptr && api->*BindingEntry != nullptr) (api->*BindingEntry)(args...);
}

/** Loads a sound by path: the host table receives the text id, the library a C string. */
template <auto HostEntry, auto BindingEntry>
int32_t load_sound(int32_t path) {
    if (const std::optional<TesselAudioHostApi> host = current_audio_host_api();
        host && (*host).*HostEntry != nullptr) {
        return ((*host).*HostEntry)(path);
    }
    const TesselGraphicsAssetsApi* api = graphics_assets_api();
    if (api == nullptr || api->*BindingEntry == nullptr) return 0;
    Result<std::string> c_path = jit_text_arg_to_cstring(path);
    return c_path ? (api->*BindingEntry)(c_path.value().c_str()) : 0;
}

#define TESSEL_AUDIO(name) &TesselAudioHostApi::name, &TesselGraphicsAssetsApi::audio_##name

}  // namespace

int32_t tessel_jit_audio_init(int32_t a, int32_t b, int32_t c) noexcept {
    return forward<TESSEL_AUDIO(init)>(0, a, b, c);
}
void tessel_jit_audio_shutdown(void) noexcept { forward_void<TESSEL_AUDIO(shutdown)>(); }
int32_t tessel_jit_audio_is_available(void) noexcept { return forward<TESSEL_AUDIO(is_available)>(0); }
int32_t tessel_jit_audio_get_sample_rate(void) noexcept { return forward<TESSEL_AUDIO(get_sample_rate)>(0); }
int32_t tessel_jit_audio_get_channels(void) noexcept { return forward<TESSEL_AUDIO(get_channels)>(0); }
int32_t tessel_jit_audio_get_queued_frames(void) noexcept { return forward<TESSEL_AUDIO(get_queued_frames)>(0); }
int32_t tessel_jit_audio_get_underruns(void) noexcept { return forward<TESSEL_AUDIO(get_underruns)>(0); }

int32_t tessel_jit_audio_push_f32_interleaved(int32_t source, int32_t frames) noexcept {
    // Once a host table is installed it alone serves: mixing two providers' queues makes no sense.
    int32_t (*get_channels)() = nullptr;
    int32_t (*push)(const float*, int32_t) = nullptr;
    if (const std::optional<TesselAudioHostApi> host = current_audio_host_api()) {
        get_channels = host->get_channels;
        push = host->push_f32_interleaved;
    } else if (const TesselGraphicsAssetsApi* api = graphics_assets_api()) {
        get_channels = api->audio_get_channels;
        push = api->audio_push_f32_interleaved;
    }
    if (get_channels == nullptr || push == nullptr) return 0;
    const int32_t channels = get_channels();
    if (channels <= 0 || frames <= 0) return 0;
    const int64_t samples = int64_t{channels} * frames;
    if (samples > std::numeric_limits<int32_t>::max()) return 0;
    const float* data = tessel_jit_global_f32_array_ptr(source, 0, static_cast<int32_t>(samples));
    if (data == nullptr) return 0;
    return push(data, frames);
}

int32_t tessel_jit_audio_load_wav(int32_t path) noexcept { return load_sound<TESSEL_AUDIO(load_wav)>(path); }
int32_t tessel_jit_audio_load_music(int32_t path) noexcept { return load_sound<TESSEL_AUDIO(load_music)>(path); }
int32_t tessel_jit_audio_load_effect(int32_t path) noexcept { return load_sound<TESSEL_AUDIO(load_effect)>(path); }
void tessel_jit_audio_release(int32_t sound) noexcept { forward_void<TESSEL_AUDIO(release)>(sound); }

int32_t tessel_jit_audio_play(int32_t sound, int32_t loop, float volume, float pan) noexcept {
    return forward<TESSEL_AUDIO(play)>(0, sound, loop, volume, pan);
}
void tessel_jit_audio_stop(int32_t voice) noexcept { forward_void<TESSEL_AUDIO(stop)>(voice); }
int32_t tessel_jit_audio_voice_is_playing(int32_t voice) noexcept {
    return forward<TESSEL_AUDIO(voice_is_playing)>(0, voice);
}
void tessel_jit_audio_voice_set_paused(int32_t voice, int32_t paused) noexcept {
    forward_void<TESSEL_AUDIO(voice_set_paused)>(voice, paused);
}
void tessel_jit_audio_voice_set_volume_pan(int32_t voice, float volume, float pan) noexcept {
    forward_void<TESSEL_AUDIO(voice_set_volume_pan)>(voice, volume, pan);
}
int32_t tessel_jit_audio_play_music(int32_t music, int32_t arg, float volume) noexcept {
    return forward<TESSEL_AUDIO(play_music)>(0, music, arg, volume);
}
void tessel_jit_audio_stop_music(int32_t music) noexcept { forward_void<TESSEL_AUDIO(stop_music)>(music); }
void tessel_jit_audio_pause_music(int32_t music, int32_t paused) noexcept {
    forward_void<TESSEL_AUDIO(pause_music)>(music, paused);
}
void tessel_jit_audio_set_music_volume(int32_t music, float volume) noexcept {
    forward_void<TESSEL_AUDIO(set_music_volume)>(music, volume);
}
int32_t tessel_jit_audio_play_effect(int32_t effect, float volume) noexcept {
    return forward<TESSEL_AUDIO(play_effect)>(0, effect, volume);
}
