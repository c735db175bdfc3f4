/* The runtime's services for compiled code and hosts.
 *
 * Sections:
 *   1. Provider tables a host may install: the audio host table and the embedded graphics host
 *   2. Graphics, font and text services
 *   3. Asset tasks and clipboard
 *   4. Audio services
 *   5. Provider-free services: time, fast sine and cosine, sleep, printing
 *   6. Preference storage
 *   7. External links
 *   8. Platform service channel
 *   9. Unsupported families: network, offline web, realtime
 *
 * Every function here takes and returns plain integers, floats and addresses and never unwinds. A
 * failure is a result (0, -1, a named negative code or a silent refusal), at most with one line on
 * standard error where a comment says so. Text arguments of the tessel_jit_ services are 32-bit text
 * ids: a string literal id or the path hash of a registered text buffer, resolved to bytes by the
 * runtime. A service that needs a C string fails with its documented result when the bytes contain a
 * zero byte.
 *
 * Graphics services reach, in this order: the evidence recorder (when TESSEL_ASSET_EXTERN_SEAM_EVIDENCE
 * is set, for the services marked "evidence" below), the embedded graphics host of the calling thread,
 * then the process-wide binding to the graphics runtime library (libtessel_graphics.so), made on the
 * first call that needs it and kept for the life of the process. Audio services reach the audio host
 * table first, then the binding. When no provider serves, a service returns its default. */
#ifndef TESSEL_SERVICES_H
#define TESSEL_SERVICES_H

#include <stdint.h>

#include "export.h"

/* ------------------------------------------------------------------------------------------------
 * 1. Provider tables */

/** Audio functions a host provides in place of the graphics runtime library. Every entry is optional
 *  (null = absent); a service whose entry is absent falls back to the library binding. Each entry has
 *  the signature of the tessel_jit_audio_ service of the same name: the load entries receive the text
 *  id of the path as the service did (the host resolves it through the runtime if it needs the bytes),
 *  and push_f32_interleaved receives the address of the first sample and the frame count. Once a table
 *  is installed, tessel_jit_audio_push_f32_interleaved is served by the table alone. */
typedef struct TesselAudioHostApi {
    int32_t (*init)(int32_t a, int32_t b, int32_t c);
    void (*shutdown)(void);
    int32_t (*is_available)(void);
    int32_t (*get_sample_rate)(void);
    int32_t (*get_channels)(void);
    int32_t (*get_queued_frames)(void);
    int32_t (*get_underruns)(void);
    int32_t (*push_f32_interleaved)(const float* samples, int32_t frames);
    int32_t (*load_wav)(int32_t path);
    void (*release)(int32_t sound);
    int32_t (*play)(int32_t sound, int32_t loop, float volume, float pan);
    void (*stop)(int32_t voice);
    int32_t (*voice_is_playing)(int32_t voice);
    void (*voice_set_paused)(int32_t voice, int32_t paused);
    void (*voice_set_volume_pan)(int32_t voice, float volume, float pan);
    int32_t (*load_music)(int32_t path);
    int32_t (*load_effect)(int32_t path);
    int32_t (*play_music)(int32_t music, int32_t arg, float volume);
    void (*stop_music)(int32_t music);
    void (*pause_music)(int32_t music, int32_t paused);
    void (*set_music_volume)(int32_t music, float volume);
    int32_t (*play_effect)(int32_t effect, float volume);
} TesselAudioHostApi;

/** Graphics functions of a host that renders by itself, installed per thread. The host counts as
 *  present when load_sprite is set; while present, the graphics services of that thread call its
 *  entries (an absent entry gives the service's default) instead of the library. Texts arrive as
 *  bytes and a length, without a terminating zero. */
typedef struct TesselEmbeddedGraphicsHost {
    int32_t (*load_sprite)(const uint8_t* path, int32_t length, int32_t w, int32_t h);
    void (*release_sprite)(int32_t sprite);
    int32_t (*load_font)(const uint8_t* path, int32_t length, int32_t size);
    int32_t (*font_status)(int32_t font);
    void (*release_font)(int32_t font);
    float (*measure_text)(int32_t font, const uint8_t* text, int32_t length);
    int32_t (*cache_text)(int32_t font, const uint8_t* text, int32_t length);
    int32_t (*replace_text)(int32_t old_id, int32_t font, const uint8_t* text, int32_t length);
    float (*measure_text_cached)(int32_t id);
    float (*measure_text_cached_height)(int32_t id);
    int32_t (*poll_reload)(int32_t sprite);
} TesselEmbeddedGraphicsHost;

TESSEL_BEGIN_C

/* ------------------------------------------------------------------------------------------------
 * 2. Graphics, font and text services. Handles are positive; 0 means none or failure. */

/** Loads the sprite at path, drawn at w x h. Handle, or 0 (with a line on standard error when the path
 *  is not a C string, the library is missing or refuses the file). Evidence: "load_sprite", 101. */
TESSEL_EXPORT int32_t tessel_jit_gfx_load_sprite(int32_t path, int32_t w, int32_t h) TESSEL_NOEXCEPT;

/** Loads a sprite into a sprite record {sprite_ref, width, height}: index below 0 names the scalar
 *  record at base, otherwise element index (below count) of the record array base. Needs w, h > 0.
 *  Releases the sprite the record held before. 1 on success, else 0 and nothing changes. */
TESSEL_EXPORT int32_t tessel_jit_sprite_load_from(int32_t base, int32_t index, int32_t count, int32_t path, int32_t w,
                                                  int32_t h) TESSEL_NOEXCEPT;

/** Releases a sprite. */
TESSEL_EXPORT void tessel_jit_gfx_release_sprite(int32_t sprite) TESSEL_NOEXCEPT;

/** Loads a font at a pixel size. Handle or 0. Evidence: "load_font", 202. */
TESSEL_EXPORT int32_t tessel_jit_load_font(int32_t path, int32_t size) TESSEL_NOEXCEPT;

/** Status of a font (the library's codes). Default 4 for a positive handle, else 0. Evidence:
 *  "font_status", 3 for a positive handle, else 0. */
TESSEL_EXPORT int32_t tessel_jit_font_status(int32_t font) TESSEL_NOEXCEPT;

/** Releases a font. */
TESSEL_EXPORT void tessel_jit_gfx_release_font(int32_t font) TESSEL_NOEXCEPT;

/** Width of text in font, or 0. Evidence: "measure_text", 18.75. */
TESSEL_EXPORT float tessel_jit_measure_text(int32_t font, int32_t text) TESSEL_NOEXCEPT;

/** Caches a text (valid UTF-8 only) for drawing; cache id or 0. Evidence: "cache_text", 303. */
TESSEL_EXPORT int32_t tessel_jit_gfx_cache_text(int32_t font, int32_t text) TESSEL_NOEXCEPT;

/** Width and height of a cached text, or 0. Evidence: "measure_text_cached" 44.5,
 *  "measure_text_cached_height" 12.25. */
TESSEL_EXPORT float tessel_jit_gfx_measure_text_cached(int32_t id) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_jit_gfx_measure_text_cached_height(int32_t id) TESSEL_NOEXCEPT;

/** 1 when the sprite's file was reloaded since the last poll, else 0. Evidence: "poll_reload", 1 for
 *  handle 101, else 0. */
TESSEL_EXPORT int32_t tessel_jit_gfx_poll_reload(int32_t sprite) TESSEL_NOEXCEPT;

/** Writes the current frame to an image file; the library's result or 0. Evidence: "dump_bmp" 11,
 *  "dump_png" 12. */
TESSEL_EXPORT int32_t tessel_jit_gfx_dump_bmp(int32_t path) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_gfx_dump_png(int32_t path) TESSEL_NOEXCEPT;

/* The same four services, exported a second time under these names. */
TESSEL_EXPORT int32_t tessel_gfx_cache_text(int32_t font, int32_t text) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_gfx_measure_text_cached(int32_t id) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_gfx_measure_text_cached_height(int32_t id) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_gfx_poll_reload(int32_t sprite) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 3. Asset tasks and clipboard (library binding only) */

/** Starts loading a sprite or a sound in the background; task id or 0. */
TESSEL_EXPORT int32_t tessel_jit_asset_request_sprite(int32_t path, int32_t w, int32_t h) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_asset_request_audio(int32_t path) TESSEL_NOEXCEPT;

/** State of a task: 3 = ready, other values the library's; 0 without a library. */
#define TESSEL_ASSET_TASK_READY 3
TESSEL_EXPORT int32_t tessel_jit_asset_task_poll(int32_t task) TESSEL_NOEXCEPT;

/** Takes the handle of a ready task (0 if none); cancels a task. */
TESSEL_EXPORT int32_t tessel_jit_asset_task_take_handle(int32_t task) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_asset_task_cancel(int32_t task) TESSEL_NOEXCEPT;

/** Copies the clipboard's text into elements 0.. of the i32 array dest (field 0) when it is at most
 *  capacity bytes of printable ASCII (0x20..0x7E). Byte count, or -1 (array untouched). */
TESSEL_EXPORT int32_t tessel_jit_clipboard_load_ascii(int32_t dest, int32_t capacity) TESSEL_NOEXCEPT;

/** Puts the first length bytes of text (printable ASCII only) on the clipboard; the library's result,
 *  or 0. */
TESSEL_EXPORT int32_t tessel_jit_clipboard_save_ascii(int32_t text, int32_t length) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 4. Audio services: audio host table, then library binding. Sounds and voices are handles. */

TESSEL_EXPORT int32_t tessel_jit_audio_init(int32_t a, int32_t b, int32_t c) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_shutdown(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_is_available(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_get_sample_rate(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_get_channels(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_get_queued_frames(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_get_underruns(void) TESSEL_NOEXCEPT;

/** Queues frames of interleaved samples from the registered f32 array source (field 0), channels x
 *  frames elements; the provider's result, or 0 when the array is too short or absent. */
TESSEL_EXPORT int32_t tessel_jit_audio_push_f32_interleaved(int32_t source, int32_t frames) TESSEL_NOEXCEPT;

/** Loads a sound from a WAV file, a music stream or an effect; handle or 0. */
TESSEL_EXPORT int32_t tessel_jit_audio_load_wav(int32_t path) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_load_music(int32_t path) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_load_effect(int32_t path) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_release(int32_t sound) TESSEL_NOEXCEPT;

/** Plays a sound (loop 0/1, volume 0..1, pan -1..1); voice handle or 0. */
TESSEL_EXPORT int32_t tessel_jit_audio_play(int32_t sound, int32_t loop, float volume, float pan) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_stop(int32_t voice) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_voice_is_playing(int32_t voice) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_voice_set_paused(int32_t voice, int32_t paused) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_voice_set_volume_pan(int32_t voice, float volume, float pan) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_play_music(int32_t music, int32_t arg, float volume) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_stop_music(int32_t music) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_pause_music(int32_t music, int32_t paused) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_audio_set_music_volume(int32_t music, float volume) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_audio_play_effect(int32_t effect, float volume) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 5. Provider-free services */

/** Wall-clock time since the Unix epoch in milliseconds (resp. microseconds), truncated to 32 bits;
 *  0 before the epoch. While a host runs the recording clock: frame / fps in those units, capped at
 *  2147483647. */
TESSEL_EXPORT int32_t tessel_get_time_ms(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_get_time_us(void) TESSEL_NOEXCEPT;

/** Single-precision sine and cosine of the platform's mathematics library. */
TESSEL_EXPORT float tessel_jit_sin_fast(float radians) TESSEL_NOEXCEPT;
TESSEL_EXPORT float tessel_jit_cos_fast(float radians) TESSEL_NOEXCEPT;

/** Returns at once: sleeping is the host's business. */
TESSEL_EXPORT void tessel_jit_sleep_ms(int32_t ms) TESSEL_NOEXCEPT;

/** Writes the decimal text of v, without a newline, to standard output or the host's capture. */
TESSEL_EXPORT void tessel_jit_print_i32(int32_t v) TESSEL_NOEXCEPT;

/** Writes the bytes of a text (invalid UTF-8 replaced by U+FFFD), or nothing when the id names no
 *  text, to standard output or the host's capture. */
TESSEL_EXPORT void tessel_jit_print_string(int32_t text) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 6. Preference storage: one file per value, <root>/<namespace>/<key>.ascii or .i32, replaced
 *    atomically. Namespace and key: 1..63 bytes of ASCII letters, digits, '_' and '-'. */

/** Saves the first length bytes of text (printable ASCII only). 1 saved, 0 not (old value kept). */
TESSEL_EXPORT int32_t tessel_jit_storage_save_ascii(int32_t ns, int32_t key, int32_t text,
                                                    int32_t length) TESSEL_NOEXCEPT;

/** Loads a stored text of at most capacity printable ASCII bytes into elements 0.. of the i32 array
 *  dest (field 0). Byte count, or -1 (array untouched). */
TESSEL_EXPORT int32_t tessel_jit_storage_load_ascii(int32_t ns, int32_t key, int32_t dest,
                                                    int32_t capacity) TESSEL_NOEXCEPT;

/** Saves an integer. 1 saved, 0 not. */
TESSEL_EXPORT int32_t tessel_jit_storage_save_i32(int32_t ns, int32_t key, int32_t value) TESSEL_NOEXCEPT;

/** The stored integer, or fallback when none is stored or the file does not hold one. */
TESSEL_EXPORT int32_t tessel_jit_storage_load_i32(int32_t ns, int32_t key, int32_t fallback) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 7. External links */

/** Longest URL the module opens, in bytes. */
#define TESSEL_EXTERNAL_URL_MAX_BYTES 2048

/** Opens a validated URL for the module; a positive result means opened. */
typedef int32_t (*TesselExternalUrlOpener)(const uint8_t* url, int32_t length, void* context);

/** The host's per-frame gate for link requests: armed while a user gesture happened this frame. */
typedef struct TesselExternalUrlAction {
    int32_t armed;
    int32_t suppressed;
} TesselExternalUrlAction;

/** 1 when the length bytes at url form an http or https URL this module agrees to open, else 0:
 *  8..2048 bytes; "http://" or "https://" followed by a host without user info (a DNS name of
 *  letters, digits and hyphens whose last label is not number-like, a dotted IPv4 address, or a
 *  bracketed IPv6 address of hex groups) and an optional port 1..65535; no control bytes, spaces, DEL
 *  or backslashes anywhere; every '%' followed by two hex digits; non-ASCII bytes only as valid UTF-8
 *  outside the host. */
TESSEL_EXPORT int32_t tessel_external_url_validate(const uint8_t* url, int32_t length) TESSEL_NOEXCEPT;

/** Starts a frame: armed and suppressed from the flags (nonzero = true). Null state: nothing. */
TESSEL_EXPORT void tessel_external_url_action_begin_frame(TesselExternalUrlAction* state, int32_t gesture,
                                                          int32_t suppressed) TESSEL_NOEXCEPT;

/** Clears both flags. */
TESSEL_EXPORT void tessel_external_url_action_clear(TesselExternalUrlAction* state) TESSEL_NOEXCEPT;

/** Opens url through opener when the state is armed and not suppressed; one gesture opens at most one
 *  URL (the state is disarmed). -1 invalid URL; 1 opened (opener returned a positive value); else 0. */
TESSEL_EXPORT int32_t tessel_external_url_action_request(TesselExternalUrlAction* state, const uint8_t* url,
                                                         int32_t length, TesselExternalUrlOpener opener,
                                                         void* context) TESSEL_NOEXCEPT;

/** The module's request to open the URL text: -1 when the text does not resolve within 2048 bytes or
 *  is not a valid URL; 0 while links are suppressed on this thread (during a code swap) or when nobody
 *  can open it; else the result of this thread's external URL host, or of the graphics runtime. */
TESSEL_EXPORT int32_t tessel_jit_open_external_url(int32_t url) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 8. Platform service channel: up to 16 pending requests and 16 queued responses. */

#define TESSEL_PLATFORM_SERVICE_CAPACITY 16
#define TESSEL_PLATFORM_SERVICE_REQUEST_PAYLOAD_MAX 128
#define TESSEL_PLATFORM_SERVICE_RESPONSE_PAYLOAD_MAX 512

/* Response statuses the module itself produces: the handler declined (4) or failed (5). */
#define TESSEL_PLATFORM_SERVICE_STATUS_DECLINED 4
#define TESSEL_PLATFORM_SERVICE_STATUS_FAILED 5

/** A pending request as the handler sees it. */
typedef struct TesselPlatformServiceRequest {
    int32_t kind;
    int32_t operation;
    int32_t request_number;
    uint64_t id;
    int32_t payload_length;
    uint8_t payload[TESSEL_PLATFORM_SERVICE_REQUEST_PAYLOAD_MAX];
} TesselPlatformServiceRequest;

/** A response as pollers receive it (544 bytes). The payload is UTF-8 without zero bytes, followed by
 *  a terminating zero. */
typedef struct TesselPlatformServiceResponse {
    int32_t kind;
    int32_t operation;
    int32_t request_number;
    int32_t status;
    int32_t code;
    int32_t payload_length;
    int32_t char_count;
    uint8_t payload[TESSEL_PLATFORM_SERVICE_RESPONSE_PAYLOAD_MAX + 1];
} TesselPlatformServiceResponse;

/** The host's handler: 1 accepts the request (the host publishes its response later); 0 declines it
 *  and any other value reports a failure, both answered at once by the module. Called without any
 *  lock held, so it may publish a response directly. */
typedef int32_t (*TesselPlatformServiceHandler)(const TesselPlatformServiceRequest* request, void* context);

/** Queues a request (kind, operation, request number >= 1; payload 1..128 printable ASCII bytes) and
 *  hands it to the handler. 1 queued, 0 full, -1 invalid or request number already pending. */
TESSEL_EXPORT int32_t tessel_platform_service_submit(int32_t kind, int32_t operation, int32_t request_number,
                                                     const uint8_t* payload, int32_t length) TESSEL_NOEXCEPT;

/** Answers the pending request id (status 1..5, payload 0..512 bytes of UTF-8 without zero bytes).
 *  1 stored; -1 invalid, id not pending or already answered. */
TESSEL_EXPORT int32_t tessel_platform_service_publish_response(uint64_t id, int32_t status, int32_t code,
                                                               const uint8_t* payload, int32_t length) TESSEL_NOEXCEPT;

/** Moves the oldest response into *response (a full record) and retires its request: 1 delivered, 0
 *  none (or null record, negative capacity), -1 when its payload is longer than payload_capacity (it
 *  stays queued). */
TESSEL_EXPORT int32_t tessel_platform_service_poll(TesselPlatformServiceResponse* response,
                                                   int32_t payload_capacity) TESSEL_NOEXCEPT;

/** Sets (or clears, with null) the handler and its context. */
TESSEL_EXPORT void tessel_platform_service_set_handler(TesselPlatformServiceHandler handler,
                                                       void* context) TESSEL_NOEXCEPT;

/** Drops every pending request and response and restarts the ids. */
TESSEL_EXPORT void tessel_platform_service_reset(void) TESSEL_NOEXCEPT;

/** Submit with the payload taken from the first length bytes of a text. -1 on a bad text. */
TESSEL_EXPORT int32_t tessel_jit_platform_service_submit(int32_t kind, int32_t operation, int32_t request_number,
                                                         int32_t text, int32_t length) TESSEL_NOEXCEPT;

/** Poll into module state: header elements 0..4 of the i32 array header get kind, operation, request
 *  number, status and code; the payload goes into the text buffer text (elements, ".length",
 *  ".char_length", which are zeroed first). -1 unless header_capacity >= 5 and payload_capacity >= 1. */
TESSEL_EXPORT int32_t tessel_jit_platform_service_poll(int32_t header, int32_t header_capacity, int32_t text,
                                                       int32_t payload_capacity) TESSEL_NOEXCEPT;

/* ------------------------------------------------------------------------------------------------
 * 9. Unsupported families. This build has no network, offline-web or realtime support: each function
 *    checks its arguments and answers -4 (unsupported), -1 (invalid argument) or -11 (a state array
 *    it names is missing or too short), or the neutral value 0. */

#define TESSEL_SERVICE_UNSUPPORTED (-4)
#define TESSEL_SERVICE_INVALID_ARGUMENT (-1)
#define TESSEL_SERVICE_MISSING_ARRAY (-11)

TESSEL_EXPORT int32_t tessel_jit_network_supported(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_status(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_port(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_random_seed(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_overflow_count(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT void tessel_jit_network_host_stop(void) TESSEL_NOEXCEPT;
/** -4 when 1 <= capacity <= 33554432, else -1. */
TESSEL_EXPORT int32_t tessel_jit_network_host_start(int32_t port, int32_t capacity) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_start_bind(int32_t port, int32_t capacity,
                                                         int32_t address) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_start_text(int32_t port, int32_t config) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_network_host_start_bind_text(int32_t port, int32_t config,
                                                              int32_t address) TESSEL_NOEXCEPT;
/** -1 when a2 < 3 or a4 < 0, else -4. */
TESSEL_EXPORT int32_t tessel_jit_network_host_poll(int32_t a1, int32_t a2, int32_t a3, int32_t a4) TESSEL_NOEXCEPT;
/** -1 when a1 <= 0 or a3 > 65536 (unsigned), else -4. */
TESSEL_EXPORT int32_t tessel_jit_network_host_send(int32_t a1, int32_t a2, int32_t a3) TESSEL_NOEXCEPT;

TESSEL_EXPORT int32_t tessel_jit_offline_web_network_supported(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_last_sequence(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_connect(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_status(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_resume_seat(int32_t a1) TESSEL_NOEXCEPT;
/** -4 when -1 <= a1 <= 7 and a2 >= 0, else -1. */
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_checkpoint(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
/** -4 when a2 <= 65536 (unsigned), else -1. */
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_poll(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_offline_web_network_send(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;

TESSEL_EXPORT int32_t tessel_jit_realtime_start(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_stop(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_disconnect(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_reconnect(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_advance(int32_t a1) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_focus_lost(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_pause(int32_t a1) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_rematch(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_record_hash(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_schedule(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_current_tick(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_resync_required(void) TESSEL_NOEXCEPT;
TESSEL_EXPORT int32_t tessel_jit_realtime_current_epoch(void) TESSEL_NOEXCEPT;
/** -1 unless a3 < 8 (unsigned), a4 > 0, a5 > 0, a6 >= 0, a7 < 65536 (unsigned), a8 and a9 in
 *  -128..127 and a2 = 0; else -4. */
TESSEL_EXPORT int32_t tessel_jit_realtime_build_payload(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                                                        int32_t a6, int32_t a7, int32_t a8, int32_t a9) TESSEL_NOEXCEPT;
/** -1 unless a1 > 0, a2 >= 0 and 1 <= a3 <= 8; -11 unless the i32 arrays a4..a9 exist and each holds
 *  a3 elements; else -4. */
TESSEL_EXPORT int32_t tessel_jit_realtime_apply_snapshot(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                                                         int32_t a6, int32_t a7, int32_t a8,
                                                         int32_t a9) TESSEL_NOEXCEPT;
/** -1 when a1 < 0; -11 unless the i32 arrays a2, a3, a4 exist with nonzero capacity; else -4. */
TESSEL_EXPORT int32_t tessel_jit_realtime_read_control(int32_t a1, int32_t a2, int32_t a3, int32_t a4) TESSEL_NOEXCEPT;
/** -1 when a2 != 0; -11 unless the i32 array a1 exists; else -4. */
TESSEL_EXPORT int32_t tessel_jit_realtime_submit_payload(int32_t a1, int32_t a2) TESSEL_NOEXCEPT;

TESSEL_END_C

#ifdef __cplusplus
static_assert(sizeof(TesselPlatformServiceResponse) == 544, "response record layout");
#endif

#endif
