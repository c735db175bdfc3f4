// Shared set-up of the scene tests and benchmark: resources marked loaded with made-up handles, a
// fixed board, and a reader that lists what a finished frame draws in order.
#pragma once

#include <cstdint>
#include <vector>

#include "app/entry/entry.hpp"
#include "app/gfx/gfx.hpp"
#include "app/interaction/interaction.hpp"
#include "app/ui/ui.hpp"
#include "tessel/command_stream.h"

namespace scene_test {

/** Made-up handles: sprite i is 1000 + i, the disc sheet 2000, the icon sheet 2001. */
inline constexpr int32_t kSpriteBase = 1000;
inline constexpr int32_t kDiscSheet = 2000;
inline constexpr int32_t kIconSheet = 2001;

/** Resources as if every load had succeeded. */
inline void fake_resources() {
    for (int32_t i = 0; i < kResSpriteCount; ++i) app_res_sprites_sprite_ref[i] = kSpriteBase + i;
    app_res_discs_sprite_ref = kDiscSheet;
    app_res_discs_columns = 11;
    app_res_discs_rows = 1;
    app_res_discs_cell_width = 64;
    app_res_discs_cell_height = 64;
    app_res_ui_icons_sprite_ref = kIconSheet;
    app_res_ui_icons_columns = 18;
    app_res_ui_icons_rows = 2;
    app_res_ui_icons_cell_width = 64;
    app_res_ui_icons_cell_height = 64;
    app_res_ready = 1;
}

/** A board of 1600 x 836 window units at (100, 50), base scale 1, frame grown by 16; view zoom z. */
inline void fixed_board(float zoom) {
    app_layout_board_x = 100.0f;
    app_layout_board_y = 50.0f;
    app_layout_board_w = 1600.0f;
    app_layout_board_h = 836.0f;
    app_layout_frame_x = 84.0f;
    app_layout_frame_y = 34.0f;
    app_layout_frame_w = 1632.0f;
    app_layout_frame_h = 868.0f;
    app_layout_base_scale = 1.0f;
    app_view_zoom = zoom;
    app_layout_scale = zoom;
}

/** Paints one frame (without the layout pass, so the fixed board stays) and ends it. */
inline int32_t paint_one_frame() {
    gfx_frame_construction_active = 0;
    gfx_sprite_writer_token = 0;
    gfx_begin_frame();
    return gfx_end_frame(paint_frame());
}

/** One drawn thing of a frame in order. */
struct Drawn {
    int32_t kind;        // TESSEL_GFX_KIND_*
    int32_t clip_depth;  // clip rectangles open around it
    int32_t sprite;      // batches: handle of the instance
    int32_t tint;
    float f[13];  // batches: instance floats; rectangles and lines: the 8 shape floats
};

inline std::vector<Drawn> frame_items() {
    std::vector<Drawn> items;
    int32_t depth = 0;
    const int32_t length = gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH];
    for (int32_t i = 0; i < length; ++i) {
        const int32_t entry = gfx_cmd_i32[TESSEL_GFX_I32_ORDER + i];
        const int32_t kind = entry >> TESSEL_GFX_ORDER_KIND_SHIFT;
        const int32_t index = entry & TESSEL_GFX_ORDER_INDEX_MASK;
        Drawn d{kind, depth, 0, 0, {}};
        if (kind == TESSEL_GFX_KIND_PUSH_CLIP) ++depth;
        if (kind == TESSEL_GFX_KIND_POP_CLIP) --depth;
        if (kind == TESSEL_GFX_KIND_BATCH) {
            const int32_t first = gfx_cmd_i32[TESSEL_GFX_I32_BATCHES + TESSEL_GFX_BATCH_STRIDE * index];
            d.sprite = gfx_cmd_i32[TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * first];
            d.tint = gfx_cmd_i32[TESSEL_GFX_I32_INSTANCES + TESSEL_GFX_INSTANCE_I32_STRIDE * first + 1];
            for (int32_t k = 0; k < 13; ++k) {
                d.f[k] = gfx_cmd_f32[TESSEL_GFX_F32_INSTANCES + TESSEL_GFX_INSTANCE_F32_STRIDE * first + k];
            }
        }
        const int32_t shape = kind == TESSEL_GFX_KIND_RECT   ? TESSEL_GFX_MAX_SHAPES - 1 - index
                              : kind == TESSEL_GFX_KIND_LINE ? index
                                                             : -1;
        if (shape >= 0) {
            for (int32_t k = 0; k < 8; ++k) {
                d.f[k] = gfx_cmd_f32[TESSEL_GFX_F32_SHAPES + TESSEL_GFX_SHAPE_STRIDE * shape + k];
            }
        }
        items.push_back(d);
    }
    return items;
}

}  // namespace scene_test
