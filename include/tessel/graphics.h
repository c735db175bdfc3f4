/* The C interface of the tessel graphics runtime library, libtessel_graphics.so.
 *
 * The runtime opens the library at run time (dlopen, RTLD_NOW) and resolves its functions by name, so
 * this header holds no prototypes: one function pointer type per exported function, named after it
 * with the suffix _fn, and the records passed through them. The library defines each function with
 * C linkage under the name given in the comment of its type.
 *
 * Sections: identity handshake; host side (window, frames, submission, recording, placement); service
 * side (sprites, fonts, text, assets, clipboard, links); audio; records.
 *
 * Conventions: handles are positive i32, 0 meaning none or failure; texts are NUL-terminated UTF-8
 * unless a length is given; "nonzero" results mean success. The module exports services of its own
 * under some of the same names (tessel_gfx_cache_text, tessel_gfx_measure_text_cached,
 * tessel_gfx_measure_text_cached_height, tessel_gfx_poll_reload) with other signatures, so the library
 * must bind its own references to its own definitions (link with -Wl,-Bsymbolic) and must not include
 * tessel/services.h in the file that defines them.
 *
 * Required functions must all be present or the library is refused; an absent optional function
 * disables its feature only. */
#ifndef TESSEL_GRAPHICS_H
#define TESSEL_GRAPHICS_H

#include <stdint.h>

/** The ABI version the library reports and the runtime requires. */
#define TESSEL_GRAPHICS_RUNTIME_ABI_VERSION 4

/** The release identity shared by the runtime and its graphics runtime library. */
#define TESSEL_RELEASE_ID "nightly-20261002-377"

/** File names of the library, preferred first. */
#define TESSEL_GRAPHICS_LIBRARY_NAME "libtessel_graphics.so"
#define TESSEL_GRAPHICS_LIBRARY_ALT_NAME "tessel_graphics.so"

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------------------------------
 * Records (native little-endian, C layout) */

/** Snapshot of the renderer's performance counters, version 1. The caller passes version 0, size 0,
 *  every counter 0xFFFFFFFF, frame_index all ones and zero reserved bytes; the library sets version 1
 *  and size >= 96. */
typedef struct TesselPerformanceMetricsV1 {
    uint32_t version;
    uint32_t size;
    uint32_t counters[16];
    uint64_t frame_index;
    uint8_t reserved[16];
} TesselPerformanceMetricsV1;

/** Settings of the simulated recording audio device, version 1: size 16, version 1. */
typedef struct TesselRecordingAudioDeviceConfigV1 {
    uint32_t size;
    uint32_t version;
    uint32_t setting_a;
    uint32_t setting_b;
} TesselRecordingAudioDeviceConfigV1;

#pragma pack(push, 4)
/** Health of the recording audio device, version 1 (60 bytes, the u64 at offset 52). The caller
 *  passes size 60, version 0 and zeros; the library sets version 1 and a size of at least 60. */
typedef struct TesselRecordingAudioHealthV1 {
    uint32_t size;
    uint32_t version;
    uint32_t counters[11];
    uint64_t total_frames;
} TesselRecordingAudioHealthV1;
#pragma pack(pop)

/** Word indices of the window placement buffer (capacity 10) and of its scale buffer (capacity 2). */
#define TESSEL_WINDOW_PLACEMENT_WORDS 10
#define TESSEL_WINDOW_PLACEMENT_SCALES 2

/** One resident sprite of an atlas snapshot (88 bytes). */
typedef struct TesselNativeAtlasResidentV1 {
    int32_t handle;
    uint32_t width;
    uint32_t height;
    uint32_t logical_width;
    uint32_t logical_height;
    uint32_t page_index;
    uint32_t x;
    uint32_t y;
    uint32_t allocation_width;
    uint32_t allocation_height;
    uint32_t padding;
    uint32_t flags; /* bit 0: the sprite may be moved */
    uint64_t group_id;
    uint8_t reserved[20];
    uint8_t reserved_padding[4];
    uint64_t normalized_path_hash;
} TesselNativeAtlasResidentV1;

/** One atlas page of a snapshot or of a staged plan (56 bytes). */
typedef struct TesselNativeAtlasPageV1 {
    uint32_t page_index;
    uint32_t width;
    uint32_t height;
    uint32_t usable_x;
    uint32_t usable_y;
    uint32_t padding;
    uint32_t reserved_header_height;
    uint32_t flags;
    uint32_t compatibility_flags;
    uint32_t reserved_padding;
    uint64_t group_id;
    uint64_t allocation_bytes;
} TesselNativeAtlasPageV1;

/** Observed draw-order pair weight (16 bytes). */
typedef struct TesselNativeAtlasPairV1 {
    int32_t from_handle;
    int32_t to_handle;
    uint64_t weight;
} TesselNativeAtlasPairV1;

/** Placement of a sprite in a staged plan (16 bytes); page_slot indexes the staged page array. */
typedef struct TesselNativeAtlasPlacementV1 {
    int32_t handle;
    uint32_t page_slot;
    uint32_t x;
    uint32_t y;
} TesselNativeAtlasPlacementV1;

/* ------------------------------------------------------------------------------------------------
 * Identity handshake (all required) */

/** tessel_graphics_runtime_abi_version: TESSEL_GRAPHICS_RUNTIME_ABI_VERSION. */
typedef int32_t (*tessel_graphics_runtime_abi_version_fn)(void);
/** tessel_graphics_build_fingerprint: the build's 64 hex digits (white space around is ignored). */
typedef const char* (*tessel_graphics_build_fingerprint_fn)(void);
/** tessel_graphics_release_id: TESSEL_RELEASE_ID (white space around is ignored). */
typedef const char* (*tessel_graphics_release_id_fn)(void);

/* ------------------------------------------------------------------------------------------------
 * Host side */

/** tessel_init_window (required): opens the window; nonzero = opened. */
typedef int32_t (*tessel_init_window_fn)(int32_t width, int32_t height, const char* title);
/** tessel_set_asset_root (required): directory that asset paths are relative to; nonzero = accepted. */
typedef int32_t (*tessel_set_asset_root_fn)(const char* path);
/** tessel_host_get_frame (required): fills the host input arrays (768 i32, 64 f32) for the next tick. */
typedef void (*tessel_host_get_frame_fn)(int32_t* host_i32, float* host_f32);
/** tessel_host_bulk_init (required): hands over the module's four request words (sequence, flags,
 *  width px, height px), which bulk_apply_requests reads. */
typedef void (*tessel_host_bulk_init_fn)(int32_t* request_words);
/** tessel_host_bulk_apply_requests (required): acts on request words whose sequence changed. */
typedef void (*tessel_host_bulk_apply_requests_fn)(void);
/** tessel_host_set_performance_metrics (required): the host's measured tick and render times. */
typedef void (*tessel_host_set_performance_metrics_fn)(int32_t tick_us, int32_t render_us);
/** tessel_host_performance_metrics_enabled (required): nonzero = the overlay is on. */
typedef int32_t (*tessel_host_performance_metrics_enabled_fn)(void);
/** tessel_host_set_performance_metrics_enabled (optional). */
typedef void (*tessel_host_set_performance_metrics_enabled_fn)(int32_t enabled);
/** tessel_host_get_latest_performance_metrics_v1 (optional): fills a TesselPerformanceMetricsV1 of
 *  capacity bytes; nonzero = filled. */
typedef int32_t (*tessel_host_get_latest_performance_metrics_v1_fn)(TesselPerformanceMetricsV1* record,
                                                                    uint32_t capacity);
/** tessel_gfx_submit_u8 (required): draws one frame of the command stream. */
typedef void (*tessel_gfx_submit_u8_fn)(const int32_t* cmd_i32, const float* cmd_f32, const uint8_t* cmd_u8);
/** tessel_gfx_set_sprite_atlas_page_size (optional): nonzero = accepted. */
typedef int32_t (*tessel_gfx_set_sprite_atlas_page_size_fn)(int32_t pixels);
/** tessel_gfx_sprite_atlas_query_v1 (optional): snapshot of the sprite atlas. Called first with null
 *  buffers and zero capacities for the counts, then with buffers of those counts. 1 = complete,
 *  2 = counts only; other values refuse. */
typedef int32_t (*tessel_gfx_sprite_atlas_query_v1_fn)(uint64_t* token, uint32_t* renderer_generation,
                                                       uint64_t* asset_generation, uint32_t* flags,
                                                       uint64_t* stage_peak_cap, TesselNativeAtlasResidentV1* residents,
                                                       uint32_t residents_capacity, uint32_t* resident_count,
                                                       TesselNativeAtlasPageV1* pages, uint32_t pages_capacity,
                                                       uint32_t* page_count, TesselNativeAtlasPairV1* pairs,
                                                       uint32_t pairs_capacity, uint32_t* pair_count);
/** tessel_gfx_sprite_atlas_stage_plan_v1 (optional): 1 = staged. */
typedef int32_t (*tessel_gfx_sprite_atlas_stage_plan_v1_fn)(uint64_t token, const TesselNativeAtlasPageV1* pages,
                                                            uint32_t page_count,
                                                            const TesselNativeAtlasPlacementV1* placements,
                                                            uint32_t placement_count);
/** tessel_gfx_sprite_atlas_commit_plan_v1 (optional): 1 = committed. */
typedef int32_t (*tessel_gfx_sprite_atlas_commit_plan_v1_fn)(uint64_t token);
/** tessel_set_recording_config (optional): headless recording settings; nonzero = accepted. */
typedef int32_t (*tessel_set_recording_config_fn)(int32_t a, int32_t b, int32_t c);
/** tessel_set_recording_audio_config (optional): offline audio capture on or off; nonzero = accepted. */
typedef int32_t (*tessel_set_recording_audio_config_fn)(int32_t enabled);
/** tessel_recording_audio_pull_f32_interleaved (optional): writes up to frames stereo frames; returns
 *  the frames written. */
typedef int32_t (*tessel_recording_audio_pull_f32_interleaved_fn)(float* samples, int32_t frames);
/** tessel_recording_audio_configure_device_v1 (optional): nonzero = accepted. */
typedef int32_t (*tessel_recording_audio_configure_device_v1_fn)(const TesselRecordingAudioDeviceConfigV1* config);
/** tessel_recording_audio_set_device_state_v1 (optional): nonzero = accepted. */
typedef int32_t (*tessel_recording_audio_set_device_state_v1_fn)(int32_t a, int32_t b);
/** tessel_recording_audio_advance_v1 (optional): advances the virtual device by frames stereo frames
 *  written to samples; returns the frames advanced. */
typedef int32_t (*tessel_recording_audio_advance_v1_fn)(float* samples, int32_t frames);
/** tessel_recording_audio_get_health_v1 (optional): nonzero = filled. */
typedef int32_t (*tessel_recording_audio_get_health_v1_fn)(TesselRecordingAudioHealthV1* health);
/** tessel_test_get_render_submission_state (optional): writes up to capacity words; nonzero = written. */
typedef int32_t (*tessel_test_get_render_submission_state_fn)(int32_t* words, int32_t capacity);
/** tessel_gfx_notify_file_changed (optional): an asset file changed on disk. */
typedef void (*tessel_gfx_notify_file_changed_fn)(const char* path);
/** tessel_host_get_window_placement (optional): words 0-3 window x, y, width, height; 4-7 monitor x, y,
 *  width, height; 8, 9 two flags; scales 0, 1 horizontal and vertical scale. Nonzero = filled. */
typedef int32_t (*tessel_host_get_window_placement_fn)(int32_t* words, int32_t words_capacity, float* scales,
                                                       int32_t scales_capacity);
/** tessel_host_apply_window_placement (optional): nonzero = applied. */
typedef int32_t (*tessel_host_apply_window_placement_fn)(int32_t x, int32_t y, int32_t width, int32_t height,
                                                         int32_t flag);
/** tessel_host_focus_window (optional): nonzero = focused. */
typedef int32_t (*tessel_host_focus_window_fn)(void);
/** tessel_host_get_monitor_usable_bounds (optional): usable rectangle x, y, width, height of the
 *  monitor holding point (x, y) into bounds[4]; nonzero = found. */
typedef int32_t (*tessel_host_get_monitor_usable_bounds_fn)(int32_t x, int32_t y, int32_t* bounds);
/** tessel_sleep_ms (required). */
typedef void (*tessel_sleep_ms_fn)(int32_t ms);

/* ------------------------------------------------------------------------------------------------
 * Service side */

/** tessel_gfx_load_sprite (required): sprite handle or 0. */
typedef int32_t (*tessel_gfx_load_sprite_fn)(const char* path, int32_t w, int32_t h);
/** tessel_gfx_set_next_sprite_atlas_policy_v3 (optional): atlas policy for the next sprite load. */
typedef void (*tessel_gfx_set_next_sprite_atlas_policy_v3_fn)(uint8_t present, uint64_t normalized_path_hash,
                                                              uint32_t group_size, uint64_t group_id, uint32_t policy_a,
                                                              uint32_t policy_b);
/** tessel_asset_request_sprite_with_policy_v3 (optional): task id or 0. */
typedef int32_t (*tessel_asset_request_sprite_with_policy_v3_fn)(const char* path, int32_t w, int32_t h,
                                                                 uint8_t present, uint64_t normalized_path_hash,
                                                                 uint32_t group_size, uint64_t group_id,
                                                                 uint32_t policy_a, uint32_t policy_b);
/** tessel_asset_request_sprite (optional): task id or 0. */
typedef int32_t (*tessel_asset_request_sprite_fn)(const char* path, int32_t w, int32_t h);
/** tessel_asset_request_audio (optional): task id or 0. */
typedef int32_t (*tessel_asset_request_audio_fn)(const char* path);
/** tessel_asset_task_poll (optional): task state, 3 = ready. */
typedef int32_t (*tessel_asset_task_poll_fn)(int32_t task);
/** tessel_asset_task_take_handle (optional): handle of a ready task, or 0. */
typedef int32_t (*tessel_asset_task_take_handle_fn)(int32_t task);
/** tessel_asset_task_cancel (optional). */
typedef void (*tessel_asset_task_cancel_fn)(int32_t task);
/** tessel_gfx_release_sprite, tessel_gfx_release_font (required). */
typedef void (*tessel_gfx_release_sprite_fn)(int32_t sprite);
typedef void (*tessel_gfx_release_font_fn)(int32_t font);
/** tessel_font_status (optional). */
typedef int32_t (*tessel_font_status_fn)(int32_t font);
/** tessel_gfx_dump_bmp (required), tessel_gfx_dump_png (optional): nonzero = written. */
typedef int32_t (*tessel_gfx_dump_bmp_fn)(const char* path);
typedef int32_t (*tessel_gfx_dump_png_fn)(const char* path);
/** tessel_host_schedule_screenshot (optional): nonzero = scheduled. */
typedef int32_t (*tessel_host_schedule_screenshot_fn)(const char* path);
/** tessel_host_focus_game_window (optional): 1 = not focused, 2 = focused, else refused. */
typedef int32_t (*tessel_host_focus_game_window_fn)(void);
/** tessel_gfx_poll_reload (required): nonzero = the sprite was reloaded. */
typedef int32_t (*tessel_gfx_poll_reload_fn)(int32_t sprite);
/** tessel_load_font (required on the service side, optional on the host side): handle or 0. */
typedef int32_t (*tessel_load_font_fn)(const char* path, int32_t size);
/** tessel_measure_text (required): width of text. */
typedef float (*tessel_measure_text_fn)(int32_t font, const char* text);
/** tessel_gfx_cache_text (required): cache id or 0. */
typedef int32_t (*tessel_gfx_cache_text_fn)(int32_t font, const char* text);
/** tessel_gfx_replace_text (optional): new cache id or 0. */
typedef int32_t (*tessel_gfx_replace_text_fn)(int32_t old_id, int32_t font, const char* text);
/** tessel_gfx_measure_text_cached, tessel_gfx_measure_text_cached_height (required). */
typedef float (*tessel_gfx_measure_text_cached_fn)(int32_t id);
typedef float (*tessel_gfx_measure_text_cached_height_fn)(int32_t id);
/** tessel_clipboard_load_ascii (optional): writes up to capacity bytes; returns the count. */
typedef int32_t (*tessel_clipboard_load_ascii_fn)(uint8_t* buffer, int32_t capacity);
/** tessel_clipboard_save_ascii (optional): nonzero = saved. */
typedef int32_t (*tessel_clipboard_save_ascii_fn)(const uint8_t* text, int32_t length);
/** tessel_open_external_url (optional): positive = opened. */
typedef int32_t (*tessel_open_external_url_fn)(const uint8_t* url, int32_t length);

/* ------------------------------------------------------------------------------------------------
 * Audio (all optional), exported as tessel_audio_<name> */

typedef int32_t (*tessel_audio_init_fn)(int32_t a, int32_t b, int32_t c);
typedef void (*tessel_audio_shutdown_fn)(void);
typedef int32_t (*tessel_audio_is_available_fn)(void);
typedef int32_t (*tessel_audio_get_sample_rate_fn)(void);
typedef int32_t (*tessel_audio_get_channels_fn)(void);
typedef int32_t (*tessel_audio_get_queued_frames_fn)(void);
typedef int32_t (*tessel_audio_get_underruns_fn)(void);
typedef int32_t (*tessel_audio_push_f32_interleaved_fn)(const float* samples, int32_t frames);
typedef int32_t (*tessel_audio_load_wav_fn)(const char* path);
typedef void (*tessel_audio_release_fn)(int32_t sound);
typedef int32_t (*tessel_audio_play_fn)(int32_t sound, int32_t loop, float volume, float pan);
typedef void (*tessel_audio_stop_fn)(int32_t voice);
typedef int32_t (*tessel_audio_voice_is_playing_fn)(int32_t voice);
typedef void (*tessel_audio_voice_set_paused_fn)(int32_t voice, int32_t paused);
typedef void (*tessel_audio_voice_set_volume_pan_fn)(int32_t voice, float volume, float pan);
typedef int32_t (*tessel_audio_load_music_fn)(const char* path);
typedef int32_t (*tessel_audio_load_effect_fn)(const char* path);
typedef int32_t (*tessel_audio_play_music_fn)(int32_t music, int32_t arg, float volume);
typedef void (*tessel_audio_stop_music_fn)(int32_t music);
typedef void (*tessel_audio_pause_music_fn)(int32_t music, int32_t paused);
typedef void (*tessel_audio_set_music_volume_fn)(int32_t music, float volume);
typedef int32_t (*tessel_audio_play_effect_fn)(int32_t effect, float volume);

#ifdef __cplusplus
}
static_assert(sizeof(TesselPerformanceMetricsV1) == 96, "performance metrics record layout");
static_assert(sizeof(TesselRecordingAudioDeviceConfigV1) == 16, "device config record layout");
static_assert(sizeof(TesselRecordingAudioHealthV1) == 60, "health record layout");
static_assert(sizeof(TesselNativeAtlasResidentV1) == 88, "atlas resident record layout");
static_assert(sizeof(TesselNativeAtlasPageV1) == 56, "atlas page record layout");
static_assert(sizeof(TesselNativeAtlasPairV1) == 16, "atlas pair record layout");
static_assert(sizeof(TesselNativeAtlasPlacementV1) == 16, "atlas placement record layout");
#else
_Static_assert(sizeof(TesselPerformanceMetricsV1) == 96, "performance metrics record layout");
_Static_assert(sizeof(TesselRecordingAudioHealthV1) == 60, "health record layout");
_Static_assert(sizeof(TesselNativeAtlasResidentV1) == 88, "atlas resident record layout");
#endif

#endif
