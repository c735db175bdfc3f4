// Exported audio functions (tessel_audio_<name>). init's arguments are the sample rate, the channel
// count and the device buffer in frames (0 each for the defaults 48000, 2, 1024); play_music's second
// argument is a loop flag. The device opens on first need when init was not called.
#include "asset_paths.hpp"
#include "audio_mixer.hpp"
#include "audio_output.hpp"
#include "exports.hpp"

using namespace tessel::gfxrt;

namespace {

int32_t load_sound(const char* path) {
    if (path == nullptr || *path == '\0') return 0;
    std::optional<SoundData> sound = load_wav_file(resolve_asset_path(path));
    return sound ? audio_mixer().add_sound(std::move(*sound)) : 0;
}

}  // namespace

TESSEL_GRAPHICS_API int32_t tessel_audio_init(int32_t sample_rate, int32_t channels, int32_t buffer_frames) noexcept {
    return guarded(0, [&] { return audio_output().init(sample_rate, channels, buffer_frames) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_init);

TESSEL_GRAPHICS_API void tessel_audio_shutdown() noexcept {
    guarded_void([] { audio_output().shutdown(); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_shutdown);

TESSEL_GRAPHICS_API int32_t tessel_audio_is_available() noexcept {
    return guarded(0, [] { return audio_output().ensure_started() ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_is_available);

TESSEL_GRAPHICS_API int32_t tessel_audio_get_sample_rate() noexcept {
    return guarded(0, [] { return audio_output().ensure_started() ? audio_mixer().rate() : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_get_sample_rate);

TESSEL_GRAPHICS_API int32_t tessel_audio_get_channels() noexcept {
    return guarded(0, [] { return audio_output().ensure_started() ? mix_channels : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_get_channels);

TESSEL_GRAPHICS_API int32_t tessel_audio_get_queued_frames() noexcept {
    return guarded(0, [] { return static_cast<int32_t>(audio_mixer().counters().queued_frames); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_get_queued_frames);

TESSEL_GRAPHICS_API int32_t tessel_audio_get_underruns() noexcept {
    return guarded(0, [] { return static_cast<int32_t>(audio_mixer().counters().underruns); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_get_underruns);

TESSEL_GRAPHICS_API int32_t tessel_audio_push_f32_interleaved(const float* samples, int32_t frames) noexcept {
    return guarded(0, [&] { return audio_output().ensure_started() ? audio_mixer().push(samples, frames) : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_push_f32_interleaved);

TESSEL_GRAPHICS_API int32_t tessel_audio_load_wav(const char* path) noexcept {
    return guarded(0, [&] { return load_sound(path); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_load_wav);

TESSEL_GRAPHICS_API int32_t tessel_audio_load_music(const char* path) noexcept {
    return guarded(0, [&] { return load_sound(path); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_load_music);

TESSEL_GRAPHICS_API int32_t tessel_audio_load_effect(const char* path) noexcept {
    return guarded(0, [&] { return load_sound(path); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_load_effect);

TESSEL_GRAPHICS_API void tessel_audio_release(int32_t sound) noexcept {
    guarded_void([&] { audio_mixer().release_sound(sound); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_release);

TESSEL_GRAPHICS_API int32_t tessel_audio_play(int32_t sound, int32_t loop, float volume, float pan) noexcept {
    return guarded(0, [&] { return audio_output().ensure_started() ? audio_mixer().play(sound, loop != 0, volume, pan) : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_play);

TESSEL_GRAPHICS_API void tessel_audio_stop(int32_t voice) noexcept {
    guarded_void([&] { audio_mixer().stop(voice); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_stop);

TESSEL_GRAPHICS_API int32_t tessel_audio_voice_is_playing(int32_t voice) noexcept {
    return guarded(0, [&] { return audio_mixer().is_playing(voice) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_voice_is_playing);

TESSEL_GRAPHICS_API void tessel_audio_voice_set_paused(int32_t voice, int32_t paused) noexcept {
    guarded_void([&] { audio_mixer().set_paused(voice, paused != 0); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_voice_set_paused);

TESSEL_GRAPHICS_API void tessel_audio_voice_set_volume_pan(int32_t voice, float volume, float pan) noexcept {
    guarded_void([&] { audio_mixer().set_volume_pan(voice, volume, pan); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_voice_set_volume_pan);

TESSEL_GRAPHICS_API int32_t tessel_audio_play_music(int32_t music, int32_t loop, float volume) noexcept {
    return guarded(0, [&] { return audio_output().ensure_started() && audio_mixer().play_music(music, loop != 0, volume) ? 1 : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_play_music);

TESSEL_GRAPHICS_API void tessel_audio_stop_music(int32_t music) noexcept {
    guarded_void([&] { audio_mixer().stop_music(music); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_stop_music);

TESSEL_GRAPHICS_API void tessel_audio_pause_music(int32_t music, int32_t paused) noexcept {
    guarded_void([&] { audio_mixer().pause_music(music, paused != 0); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_pause_music);

TESSEL_GRAPHICS_API void tessel_audio_set_music_volume(int32_t music, float volume) noexcept {
    guarded_void([&] { audio_mixer().set_music_volume(music, volume); });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_set_music_volume);

TESSEL_GRAPHICS_API int32_t tessel_audio_play_effect(int32_t effect, float volume) noexcept {
    return guarded(0, [&] { return audio_output().ensure_started() ? audio_mixer().play(effect, false, volume, 0.0f) : 0; });
}
TESSEL_GRAPHICS_CHECK(tessel_audio_play_effect);
