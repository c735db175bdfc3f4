/* The host input frame: the layout of host_i32 and host_f32, written by the host before every call of
 * main and tick, and the request words the module writes back for the host to read after the call. */
#ifndef TESSEL_HOST_FRAME_H
#define TESSEL_HOST_FRAME_H

#define TESSEL_HOST_I32_CAPACITY 768
#define TESSEL_HOST_F32_CAPACITY 64
#define TESSEL_HOST_MAX_POINTERS 8
#define TESSEL_HOST_KEY_COUNT 512

/* host_i32 indices. Booleans are any non-zero value. */
#define TESSEL_HOST_I32_TIME_MS 0
#define TESSEL_HOST_I32_POINTER_COUNT 7
#define TESSEL_HOST_I32_DROPPED_POINTER_COUNT 8
#define TESSEL_HOST_I32_QUIT_REQUESTED 9
#define TESSEL_HOST_I32_TICK_INDEX 10
#define TESSEL_HOST_I32_DISPLAY_RESIZED 11
#define TESSEL_HOST_I32_SCREEN_WIDTH_PX 12
#define TESSEL_HOST_I32_SCREEN_HEIGHT_PX 13
#define TESSEL_HOST_I32_VERSION 14
#define TESSEL_HOST_I32_FLAGS 15
#define TESSEL_HOST_I32_TICK_HZ 16
#define TESSEL_HOST_I32_WINDOW_FOCUSED 17
#define TESSEL_HOST_I32_WINDOW_MINIMIZED 18
#define TESSEL_HOST_I32_TIME_US 19
#define TESSEL_HOST_I32_NATIVE_WIDTH_PX 22
#define TESSEL_HOST_I32_NATIVE_HEIGHT_PX 23
#define TESSEL_HOST_I32_DRAWABLE_WIDTH_PX 24
#define TESSEL_HOST_I32_DRAWABLE_HEIGHT_PX 25
#define TESSEL_HOST_I32_DISPLAY_GENERATION 30
#define TESSEL_HOST_I32_DENSITY_GENERATION 31
/* Element k is non-zero while the key of USB HID keyboard usage k is held, k = 0..511. */
#define TESSEL_HOST_I32_KEYS 32
/* Pointer p occupies 4 words from TESSEL_HOST_I32_POINTERS + 4p: id, is_down, went_down, went_up. */
#define TESSEL_HOST_I32_POINTERS 544
#define TESSEL_HOST_I32_POINTER_STRIDE 4

/* host_f32 indices. Pointer p occupies 6 floats from 6p: x, y, dx, dy (logical units), x, y normalised. */
#define TESSEL_HOST_F32_POINTER_STRIDE 6
#define TESSEL_HOST_F32_CONTENT_SCALE 48
#define TESSEL_HOST_F32_RASTER_SCALE 49
#define TESSEL_HOST_F32_LOGICAL_WIDTH 50
#define TESSEL_HOST_F32_LOGICAL_HEIGHT 51
#define TESSEL_HOST_F32_SAFE_X 52
#define TESSEL_HOST_F32_SAFE_Y 53
#define TESSEL_HOST_F32_SAFE_WIDTH 54
#define TESSEL_HOST_F32_SAFE_HEIGHT 55
#define TESSEL_HOST_F32_AVAILABLE_WIDTH 56
#define TESSEL_HOST_F32_AVAILABLE_HEIGHT 57

/* Request kinds in host_req_flags. A request overwrites flags and size, then increments host_req_seq;
 * the host acts on the latest values when it sees the sequence change. */
#define TESSEL_HOST_REQ_OPEN_WINDOW 1
#define TESSEL_HOST_REQ_RESIZE_WINDOW 8

/* USB HID keyboard usages the module reads. */
#define TESSEL_KEY_A 4
#define TESSEL_KEY_D 7
#define TESSEL_KEY_E 8
#define TESSEL_KEY_L 15
#define TESSEL_KEY_M 16
#define TESSEL_KEY_Q 20
#define TESSEL_KEY_S 22
#define TESSEL_KEY_W 26
#define TESSEL_KEY_Z 29
#define TESSEL_KEY_0 39
#define TESSEL_KEY_ESCAPE 41
#define TESSEL_KEY_BACKSPACE 42
#define TESSEL_KEY_SPACE 44
#define TESSEL_KEY_MINUS 45
#define TESSEL_KEY_EQUALS 46
#define TESSEL_KEY_DELETE 76
#define TESSEL_KEY_RIGHT 79
#define TESSEL_KEY_LEFT 80
#define TESSEL_KEY_DOWN 81
#define TESSEL_KEY_UP 82
#define TESSEL_KEY_KP_MINUS 86
#define TESSEL_KEY_KP_PLUS 87

#endif
