// Scene drawing: what a frame paints for fixed situations, clipping and lifting of parts, marble and
// chime looks, the hopper badge, grid and scroll bars, and the frames the effects ring shows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "app/persist/persist.hpp"
#include "app/sound/sound.hpp"
#include "app/world/world.hpp"
#include "scene_support.hpp"
#include "tessel/jit.h"

namespace {

using scene_test::Drawn;
using scene_test::frame_items;
using scene_test::kSpriteBase;

class Scene : public ::testing::Test {
protected:
    void SetUp() override {
        state_bind_runtime_globals();
        app_init();
        scene_test::fake_resources();
        scene_test::fixed_board(1.0f);
        view_reset();
        app_layout_scale = app_layout_base_scale * app_view_zoom;
        app_settings_sound_on = 0;
        // Start-up leaves these to whatever an earlier test drew.
        app_fx_hopper_bump = 0.0f;
        app_fx_shown_head = 0;
    }
    static uint32_t trace() {
        EXPECT_EQ(scene_test::paint_one_frame(), 0);
        return tessel_render_trace_native(gfx_cmd_i32, gfx_cmd_f32, gfx_cmd_u8);
    }
    static int32_t add_part(int32_t kind, float x, float y, int32_t angle = 0, int32_t note = 0) {
        return wall_add_piece(kind, x, y, angle, 0, note);
    }
    static void put_marble(int32_t i, int32_t kind, int32_t tint, float x, float y, float fade) {
        app_sim_marbles_active[i] = 1;
        app_sim_marbles_kind[i] = kind;
        app_sim_marbles_tint[i] = tint;
        app_sim_marbles_x[i] = x;
        app_sim_marbles_y[i] = y;
        app_sim_marbles_radius[i] = marble_radius(kind);
        app_sim_marbles_angle[i] = 0.5f;
        app_sim_marbles_fade[i] = fade;
    }
};

std::vector<Drawn> sprites_of(int32_t handle) {
    std::vector<Drawn> out;
    for (const Drawn& d : frame_items()) {
        if (d.kind == TESSEL_GFX_KIND_BATCH && d.sprite == handle) out.push_back(d);
    }
    return out;
}
float centre_x(const Drawn& d) { return d.f[0] + d.f[2] * 0.5f; }
float centre_y(const Drawn& d) { return d.f[1] + d.f[3] * 0.5f; }

int32_t rects_with_alpha(float alpha, bool horizontal) {
    int32_t n = 0;
    for (const Drawn& d : frame_items()) {
        if (d.kind == TESSEL_GFX_KIND_RECT && d.f[7] == alpha && (d.f[2] > d.f[3]) == horizontal) ++n;
    }
    return n;
}

// ---------------------------------------------------------------------------------------------
// Regression traces of fixed situations

struct TraceCase {
    const char* name;
    void (*setup)();
    uint32_t trace;
};

TEST_F(Scene, RenderTraces) {
    const TraceCase cases[] = {
        {"start-up wall", [] {}, 0x69322d52u},
        {"starter wall 0",
         [] {
             starter_wall_load(0);
             scene_test::fixed_board(1.0f);
             view_reset();
         },
         0x23c8feb4u},
        {"busy wall",
         [] {
             starter_wall_load(0);
             scene_test::fixed_board(1.0f);
             view_reset();
             const int32_t chime = wall_add_piece(kKindChime, 900.0f, 300.0f, 10, 0, 3);
             const int32_t lifted = wall_add_piece(kKindFunnel, 1200.0f, 500.0f, 30, 0, 0);
             piece_set_held(lifted, 1);
             app_wall_hopper_dripping = 0;
             events_clear();
             events_push(4, 0, 6, 700.0f, 900.0f, 300.0f, 0, chime);
             for (int32_t i = 0; i < 3; ++i) {
                 app_sim_marbles_active[i] = 1;
                 app_sim_marbles_kind[i] = i;
                 app_sim_marbles_tint[i] = i + 1;
                 app_sim_marbles_x[i] = 300.0f + 150.0f * static_cast<float>(i);
                 app_sim_marbles_y[i] = 200.0f;
                 app_sim_marbles_radius[i] = marble_radius(i);
                 app_sim_marbles_angle[i] = 2.0f * static_cast<float>(i);
                 app_sim_marbles_fade[i] = 1.0f;
             }
             app_fx_hopper_bump = 1.0f;
             fx_update();
             fx_update();
             app_settings_sound_on = 1;
         },
         0x8826962cu},
        {"large wall zoomed out",
         [] {
             wall_set_size(3, 3);
             add_part(kKindLongRamp, 2500.0f, 1200.0f);
             add_part(kKindPinCluster, 200.0f, 1300.0f);
             scene_test::fixed_board(0.5f);
             app_view_x = 300.0f;
             view_clamp();
             app_layout_scale = app_view_zoom;
         },
         0x088f91a8u},
        {"dragging a marble from the shelf",
         [] {
             app_editor_mode = 6;
             app_editor_new_kind = 9;
             app_editor_over_wall = 1;
             app_editor_drag_wx = 640.0f;
             app_editor_drag_wy = 320.0f;
             app_wall_hopper_sequence = 5;
         },
         0x88559664u},
        {"dragging a turnaround beside the wall",
         [] {
             app_editor_mode = 6;
             app_editor_new_kind = kKindTurnaround;
             app_editor_over_wall = 0;
             app_editor_drag_wx = -40.0f;
             app_editor_drag_wy = 100.0f;
         },
         0x9a1e5ff8u},
    };
    for (const TraceCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        c.setup();
        const uint32_t t = trace();
        EXPECT_NE(t, 0u);
        EXPECT_EQ(t, c.trace) << std::hex << "0x" << t;
        EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_W_INSTANCES_DROPPED], 0);
        EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_W_RECTS_DROPPED], 0);
    }
}

TEST_F(Scene, WithoutResourcesOnlyTheClearColour) {
    app_res_ready = 0;
    add_part(kKindMapleRamp, 500.0f, 300.0f);
    ASSERT_EQ(scene_test::paint_one_frame(), 0);
    EXPECT_EQ(gfx_cmd_i32[TESSEL_GFX_W_ORDER_LENGTH], 0);
    EXPECT_NE(gfx_cmd_i32[TESSEL_GFX_W_FLAGS] & TESSEL_GFX_FLAG_CLEAR, 0);
    const PaletteColor c = palette_color(5);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR + 0], c.r);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR + 1], c.g);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR + 2], c.b);
    EXPECT_EQ(gfx_cmd_f32[TESSEL_GFX_F32_CLEAR + 3], 1.0f);
}

// ---------------------------------------------------------------------------------------------
// Parts

TEST_F(Scene, StraddlingPartIsClippedAndDrawnLargerWhenLifted) {
    const int32_t slot = add_part(kKindMapleRamp, 1580.0f, 400.0f);
    ASSERT_GE(slot, 0);
    const float w = 2.0f * app_catalog_kinds_half_w[kKindMapleRamp];
    struct Case {
        int32_t held;
        int32_t clip_depth;
        float scale, offset;
    };
    for (const Case c : {Case{0, 1, 1.0f, 5.0f}, Case{1, 0, 1.04f, 16.0f}}) {
        SCOPED_TRACE(c.held);
        app_wall_pieces_held[slot] = c.held;
        scene_test::paint_one_frame();
        const std::vector<Drawn> part = sprites_of(kSpriteBase + kSpritePart + kKindMapleRamp);
        const std::vector<Drawn> shadow = sprites_of(kSpriteBase + kSpriteShadow + kKindMapleRamp);
        ASSERT_EQ(part.size(), 1u);
        ASSERT_EQ(shadow.size(), 1u);
        EXPECT_EQ(part[0].clip_depth, c.clip_depth);
        EXPECT_EQ(shadow[0].clip_depth, c.clip_depth);
        EXPECT_FLOAT_EQ(part[0].f[2], w * c.scale);
        EXPECT_FLOAT_EQ(part[0].f[3], 16.0f * c.scale);
        EXPECT_FLOAT_EQ(centre_x(part[0]), 100.0f + 1580.0f);
        EXPECT_FLOAT_EQ(shadow[0].f[2], (w + 24.0f) * c.scale);
        EXPECT_FLOAT_EQ(centre_x(shadow[0]), 100.0f + 1580.0f + c.offset);
        EXPECT_FLOAT_EQ(centre_y(shadow[0]), 50.0f + 400.0f + 1.3f * c.offset);
        // The part's right end reaches past the board's right edge at 1700.
        EXPECT_GT(part[0].f[0] + part[0].f[2], 1700.0f);
    }
}

TEST_F(Scene, PartsOutsideTheViewAreSkipped) {
    wall_set_size(6, 0);
    add_part(kKindWoodBlock, 3900.0f, 400.0f);
    scene_test::paint_one_frame();
    EXPECT_TRUE(sprites_of(kSpriteBase + kSpritePart + kKindWoodBlock).empty());
    app_view_x = 2400.0f;
    scene_test::paint_one_frame();
    EXPECT_EQ(sprites_of(kSpriteBase + kSpritePart + kKindWoodBlock).size(), 1u);
}

TEST_F(Scene, ChimeWidthFollowsItsNoteAndItSwings) {
    const float full = 2.0f * app_catalog_kinds_half_w[kKindChime];
    for (int32_t note : {0, 5}) {
        SetUp();
        const int32_t slot = add_part(kKindChime, 800.0f, 400.0f, 20, note);
        app_fx_wobble[slot] = -5.7f;
        scene_test::paint_one_frame();
        const std::vector<Drawn> chime = sprites_of(kSpriteBase + kSpritePart + kKindChime);
        ASSERT_EQ(chime.size(), 1u);
        EXPECT_FLOAT_EQ(chime[0].f[2], full * (95.0f - 8.0f * static_cast<float>(note)) / 80.0f);
        EXPECT_EQ(chime[0].f[12], 15.0f);  // 20 + trunc(-5.7)
        EXPECT_EQ(sprites_of(kSpriteBase + kSpriteShadow + kKindChime)[0].f[12], 15.0f);
        int32_t strings = 0;
        for (const Drawn& d : frame_items()) strings += d.kind == TESSEL_GFX_KIND_LINE ? 1 : 0;
        EXPECT_EQ(strings, 2);
    }
}

TEST_F(Scene, FlippedTurnaroundUsesItsOwnSprites) {
    const int32_t slot = add_part(kKindTurnaround, 800.0f, 400.0f);
    piece_toggle_flip(slot);
    scene_test::paint_one_frame();
    EXPECT_EQ(sprites_of(kSpriteBase + kSpriteUturnFlipped).size(), 1u);
    EXPECT_EQ(sprites_of(kSpriteBase + kSpriteUturnFlippedShadow).size(), 1u);
    EXPECT_TRUE(sprites_of(kSpriteBase + kSpritePart + kKindTurnaround).empty());
}

TEST_F(Scene, RestoredGarbageDrawsNothingOutOfRange) {
    app_wall_pieces_active[0] = 1;
    app_wall_pieces_kind[0] = 77;
    app_wall_pieces_active[1] = 1;
    app_wall_pieces_kind[1] = kKindChime;
    app_wall_pieces_x[1] = 500.0f;
    app_wall_pieces_y[1] = 400.0f;
    app_wall_pieces_note[1] = -40;
    app_wall_pieces_angle[1] = 2147483647;
    app_fx_wobble[1] = NAN;
    app_sim_marbles_active[0] = 1;
    app_sim_marbles_angle[0] = 1e30f;
    app_sim_marbles_fade[0] = NAN;
    app_sim_marbles_x[0] = 500.0f;
    app_sim_marbles_radius[0] = 16.0f;
    app_view_x = 1e30f;
    app_fx_shown_count = 3;
    app_fx_shown_head = -123456;
    EXPECT_EQ(scene_test::paint_one_frame(), 0);
}

// ---------------------------------------------------------------------------------------------
// Marbles, hopper, wall

struct MarbleCase {
    const char* name;
    int32_t kind, tint;
    float fade;
    int32_t body;
    int32_t alpha;
};

TEST_F(Scene, MarbleLooks) {
    const MarbleCase cases[] = {
        {"glass tint 9", kMarbleGlass, 9, 1.0f, 25, 255},  {"glass tint 3", kMarbleGlass, 3, 1.0f, 23, 255},
        {"unknown kind draws glass", 7, 0, 1.0f, 20, 255}, {"steel", kMarbleSteel, 4, 1.0f, 26, 255},
        {"clay tint -1", kMarbleClay, -1, 1.0f, 27, 255},  {"clay tint 2", kMarbleClay, 2, 1.0f, 29, 255},
        {"half faded", kMarbleGlass, 0, 0.5f, 20, 127},    {"over-bright", kMarbleGlass, 0, 3.0f, 20, 255},
        {"gone", kMarbleGlass, 0, -1.0f, 20, 0},
    };
    for (const MarbleCase& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        put_marble(0, c.kind, c.tint, 500.0f, 300.0f, c.fade);
        scene_test::paint_one_frame();
        const std::vector<Drawn> body = sprites_of(kSpriteBase + c.body);
        ASSERT_EQ(body.size(), 1u);
        EXPECT_EQ(body[0].tint & 0xFF, c.alpha);
        EXPECT_EQ(static_cast<uint32_t>(body[0].tint) >> 8, 0xFFFFFFu);
        EXPECT_EQ(body[0].f[12], 28.0f);  // 0.5 rad
        EXPECT_FLOAT_EQ(centre_x(body[0]), 600.0f);
        const std::vector<Drawn> shadow = sprites_of(kSpriteBase + kSpriteMarbleShadow);
        ASSERT_EQ(shadow.size(), 1u);
        EXPECT_FLOAT_EQ(centre_x(shadow[0]), 604.0f);
        EXPECT_FLOAT_EQ(shadow[0].f[2], 2.5f * marble_radius(c.kind));
        ASSERT_EQ(sprites_of(kSpriteBase + kSpriteMarbleShade).size(), 1u);
        EXPECT_EQ(sprites_of(kSpriteBase + kSpriteMarbleShade)[0].f[12], 0.0f);
    }
}

TEST_F(Scene, MarblesComeFromTheShownFrame) {
    put_marble(0, kMarbleGlass, 0, 500.0f, 300.0f, 1.0f);
    fx_update();                    // the ring now shows x 500
    app_sim_marbles_x[0] = 900.0f;  // the live marble has moved on
    struct Case {
        int32_t shown_count;
        float x;
    };
    for (const Case c : {Case{1, 600.0f}, Case{0, 1000.0f}}) {
        app_fx_shown_count = c.shown_count;
        scene_test::paint_one_frame();
        const std::vector<Drawn> body = sprites_of(kSpriteBase + kSpriteGlass);
        ASSERT_EQ(body.size(), 1u);
        EXPECT_FLOAT_EQ(centre_x(body[0]), c.x);
    }
}

TEST_F(Scene, PausedHopperShowsItsBadge) {
    for (int32_t dripping : {0, 1}) {
        app_wall_hopper_dripping = dripping;
        app_fx_hopper_bump = 0.5f;
        scene_test::paint_one_frame();
        const std::vector<Drawn> icons = sprites_of(scene_test::kIconSheet);
        ASSERT_EQ(icons.size(), dripping != 0 ? 0u : 1u);
        const std::vector<Drawn> hopper = sprites_of(kSpriteBase + kSpriteHopper);
        ASSERT_EQ(hopper.size(), 1u);
        EXPECT_FLOAT_EQ(centre_y(hopper[0]), 50.0f + app_wall_hopper_y - 1.5f);
        if (dripping != 0) continue;
        EXPECT_EQ(icons[0].f[4], 64.0f);  // cell 19: column 1 of row 1
        EXPECT_EQ(icons[0].f[5], 64.0f);
        EXPECT_FLOAT_EQ(icons[0].f[2], 0.8f * 34.0f);
        EXPECT_FLOAT_EQ(centre_x(icons[0]), 100.0f + app_wall_hopper_x + 36.0f);
    }
}

struct WallCase {
    int32_t width_step, height_step;
    bool grid, across, down;
};

TEST_F(Scene, GridAndScrollBarsOnlyWhenTheWallIsLarger) {
    const WallCase cases[] = {
        {0, 0, false, false, false},
        {2, 0, true, true, false},
        {0, 2, true, false, true},
        {3, 3, true, true, true},
    };
    for (const WallCase& c : cases) {
        SCOPED_TRACE(c.width_step * 10 + c.height_step);
        wall_set_size(c.width_step, c.height_step);
        scene_test::paint_one_frame();
        EXPECT_EQ(rects_with_alpha(0.07f, true) + rects_with_alpha(0.07f, false) > 0, c.grid);
        EXPECT_EQ(rects_with_alpha(0.12f, true), c.across ? 1 : 0);
        EXPECT_EQ(rects_with_alpha(0.45f, true), c.across ? 1 : 0);
        EXPECT_EQ(rects_with_alpha(0.12f, false), c.down ? 1 : 0);
        EXPECT_EQ(rects_with_alpha(0.45f, false), c.down ? 1 : 0);
    }
}

// ---------------------------------------------------------------------------------------------
// Drawing operations

TEST_F(Scene, RoundedBoxAndSheetCells) {
    gfx_frame_construction_active = 0;
    gfx_begin_frame();
    draw_rounded_box(3, 10.0f, 20.0f, 100.0f, 60.0f, 10.0f);
    draw_rounded_box(1, 0.0f, 0.0f, 100.0f, 30.0f, 40.0f);                  // radius shrinks to 15; no side strips
    draw_sheet_cell(kSheetDiscs, 11, 255, 0.0f, 0.0f, 0.0f, 10.0f, 10.0f);  // past the last cell
    draw_sheet_cell(kSheetDiscs, 2, 255, 0.0f, 0.0f, 0.0f, 0.0f, 10.0f);    // empty rectangle
    draw_palette_rect(0.0f, 0.0f, -1.0f, 5.0f, 2, 1.0f);
    gfx_end_frame(0);
    const std::vector<Drawn> items = frame_items();
    ASSERT_EQ(items.size(), 12u);
    const float corners[4][2] = {{10, 20}, {90, 20}, {10, 60}, {90, 60}};
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(items[i].sprite, scene_test::kDiscSheet);
        EXPECT_EQ(items[i].f[0], corners[i][0]);
        EXPECT_EQ(items[i].f[1], corners[i][1]);
        EXPECT_EQ(items[i].f[2], 20.0f);
        EXPECT_EQ(items[i].f[4], 3.0f * 64.0f);
    }
    const float rects[3][4] = {{20, 20, 80, 60}, {10, 30, 10, 40}, {100, 30, 10, 40}};
    for (int32_t r = 0; r < 3; ++r) {
        EXPECT_EQ(items[4 + r].kind, TESSEL_GFX_KIND_RECT);
        for (int32_t k = 0; k < 4; ++k) EXPECT_EQ(items[4 + r].f[k], rects[r][k]);
        EXPECT_EQ(items[4 + r].f[4], palette_color(3).r);
        EXPECT_EQ(items[4 + r].f[7], 1.0f);
    }
    for (int32_t i = 7; i < 11; ++i) EXPECT_EQ(items[i].f[2], 30.0f);
    EXPECT_EQ(items[11].kind, TESSEL_GFX_KIND_RECT);
    EXPECT_EQ(palette_color(10).r, palette_color(-1).r);
    EXPECT_EQ(palette_color(10).g, 0.725f);
}

}  // namespace
