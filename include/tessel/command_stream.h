/* The graphics command stream: three flat arrays of module state (gfx_cmd_i32, gfx_cmd_f32, gfx_cmd_u8)
 * that render fills and the host hands to the graphics runtime. Layout, codes and capacities here are
 * the wire format; every consumer reads the stream by them. */
#ifndef TESSEL_COMMAND_STREAM_H
#define TESSEL_COMMAND_STREAM_H

#define TESSEL_GFX_I32_CAPACITY 67888
#define TESSEL_GFX_F32_CAPACITY 146564
#define TESSEL_GFX_U8_CAPACITY 65536

#define TESSEL_GFX_MAGIC 0x47584631 /* "1FXG" in memory order */
#define TESSEL_GFX_VERSION 8
#define TESSEL_GFX_VERSION_LEGACY 7

/* Header words of gfx_cmd_i32. */
#define TESSEL_GFX_W_MAGIC 0
#define TESSEL_GFX_W_VERSION 1
#define TESSEL_GFX_W_FLAGS 2
#define TESSEL_GFX_W_LINE_COUNT 3
#define TESSEL_GFX_W_INSTANCE_COUNT 4
#define TESSEL_GFX_W_LINES_DROPPED 5
#define TESSEL_GFX_W_INSTANCES_DROPPED 6
#define TESSEL_GFX_W_TEXT_COUNT 7
#define TESSEL_GFX_W_TEXTS_DROPPED 8
#define TESSEL_GFX_W_TEXT_BYTES 9
#define TESSEL_GFX_W_ORDER_LENGTH 22
#define TESSEL_GFX_W_ORDER_DROPPED 23
#define TESSEL_GFX_W_RECT_COUNT 24
#define TESSEL_GFX_W_RECTS_DROPPED 25
#define TESSEL_GFX_W_CLIP_COUNT 27
#define TESSEL_GFX_W_CLIPS_DROPPED 28
#define TESSEL_GFX_W_BATCH_COUNT 29
#define TESSEL_GFX_W_WRITERS_REFUSED 30
#define TESSEL_GFX_HEADER_WORDS 32

#define TESSEL_GFX_FLAG_CLEAR 1
#define TESSEL_GFX_FLAG_COMPLETE 2

/* Integer regions. */
#define TESSEL_GFX_I32_INSTANCES 32 /* 3 words each: sprite handle, tint, reserved */
#define TESSEL_GFX_INSTANCE_I32_STRIDE 3
#define TESSEL_GFX_MAX_INSTANCES 4096
#define TESSEL_GFX_I32_TEXTS 12320 /* 3 words each: font, byte offset, byte length */
#define TESSEL_GFX_TEXT_I32_STRIDE 3
#define TESSEL_GFX_MAX_TEXTS 2048
#define TESSEL_GFX_I32_BATCHES 18464 /* 8 words each: first, count, clip, material, blend, filter, pass, flags */
#define TESSEL_GFX_BATCH_STRIDE 8
#define TESSEL_GFX_MAX_BATCHES 4096
#define TESSEL_GFX_I32_ORDER 51232
#define TESSEL_GFX_MAX_ORDER 16656

/* Float regions. */
#define TESSEL_GFX_F32_CLEAR 0
#define TESSEL_GFX_F32_SHAPES 4 /* 8 floats each; lines from the front, rectangles from the back */
#define TESSEL_GFX_SHAPE_STRIDE 8
#define TESSEL_GFX_MAX_SHAPES 10000
#define TESSEL_GFX_F32_INSTANCES 80004 /* 13 floats each */
#define TESSEL_GFX_INSTANCE_F32_STRIDE 13
#define TESSEL_GFX_F32_TEXTS 133252 /* 6 floats each: x, y, r, g, b, a */
#define TESSEL_GFX_TEXT_F32_STRIDE 6
#define TESSEL_GFX_F32_CLIPS 145540 /* 4 floats each: x, y, w, h */
#define TESSEL_GFX_CLIP_STRIDE 4
#define TESSEL_GFX_MAX_CLIPS 256

#define TESSEL_GFX_MAX_TEXT_BYTES 1024 /* longest text the writer stores, without its terminator */

/* Order list entries: kind * 16384 + index. */
#define TESSEL_GFX_ORDER_KIND_SHIFT 14
#define TESSEL_GFX_ORDER_INDEX_MASK 16383
#define TESSEL_GFX_KIND_LINE 1
#define TESSEL_GFX_KIND_BATCH 2
#define TESSEL_GFX_KIND_TEXT 3
#define TESSEL_GFX_KIND_RECT 4
#define TESSEL_GFX_KIND_PUSH_CLIP 5
#define TESSEL_GFX_KIND_POP_CLIP 6

#endif
