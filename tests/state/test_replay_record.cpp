// The replay record: size, offsets, encodings, round trips, and restoring arbitrary bytes safely.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/entry/entry.hpp"
#include "app/state/state.hpp"
#include "tessel/module.h"

namespace {

constexpr int32_t kSize = TESSEL_REPLAY_RECORD_SIZE;
static_assert(kSize == replay_record_size);

TEST(ReplayRecord, OffsetsOfTheLayout) {
    struct Case {
        const char* path;
        int32_t offset;
    };
    const Case cases[] = {
        {"app.audio.hit_age.length", 0},     {"app.cache.active_box_count", 97},
        {"app.catalog.kinds.length", 133},   {"app.editor.anchor_wx", 150},
        {"app.events.count", 235},           {"app.fx.hopper_bump", 251},
        {"app.history.count", 307},          {"app.layout.bar_h", 327},
        {"app.persist.code.byte_length", 747}, {"app.res.discs.cell_height", 841},
        {"app.settings.marble_mode", 918},   {"app.settings.sound_on", 922},
        {"app.sim.drained", 927},            {"app.ui.capture_full_canvas", 951},
        {"app.view.x", 1013},                {"app.wall.height", 1025},
        {"ui_active_id", 1075},              {"ui_status_value", 1326},
        {"app.audio.hit_age", 1330},         {"app.cache.boxes.count", 2146},
        {"app.catalog.kinds.default_angle", 32826}, {"app.editor.key_prev", 34806},
        {"app.events.items.delay", 34870},   {"app.fx.shown_bump", 37174},
        {"app.history.metas.height_step", 46774}, {"app.layout.button_h", 83830},
        {"app.persist.code", 84202},         {"app.persist.slot_dirty", 86002},
        {"app.res.sprites.height", 90712},   {"app.sim.marbles.active", 91288},
        {"app.ui.scroll", 94048},            {"app.wall.pieces.active", 94056},
        {"app.wall.pieces.x", 95556},        {"ui_scope_cursor", 96356},
        {"ui_scroll_used", 98660},
        // Left out: host input, host requests, the command stream and its writer.
        {"app.frame.pointer_count", -1},     {"host_i32", -1},
        {"host_req_seq", -1},                {"gfx_cmd_u8", -1},
        {"gfx_sprite_writer_token", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(state_replay_offset(c.path), c.offset) << c.path;
}

TEST(ReplayRecord, RefusesShortBuffersAndWrongLengths) {
    std::vector<uint8_t> buf(kSize + 16, 0xAB);
    EXPECT_EQ(tessel_replay_state_snapshot_size(), kSize);
    EXPECT_EQ(tessel_replay_state_snapshot_write(nullptr, kSize), -kSize);
    EXPECT_EQ(tessel_replay_state_snapshot_write(buf.data(), kSize - 1), -kSize);
    EXPECT_EQ(buf[0], 0xAB);
    EXPECT_EQ(tessel_replay_state_snapshot_write(buf.data(), kSize + 16), kSize);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(buf[kSize + i], 0xAB);
    app_sim_tick = 41;
    EXPECT_EQ(tessel_replay_state_snapshot_restore(buf.data(), kSize + 1), -kSize);
    EXPECT_EQ(tessel_replay_state_snapshot_restore(nullptr, kSize), -kSize);
    EXPECT_EQ(tessel_replay_state_snapshot_restore(buf.data(), -5), -kSize);
    EXPECT_EQ(app_sim_tick, 41);
}

TEST(ReplayRecord, EncodesScalarsLittleEndianAndBooleansAsOneByte) {
    std::vector<uint8_t> buf(kSize);
    app_settings_sound_on = 5;
    app_settings_marble_mode = 0x01020304;
    app_view_zoom = 1.25f;
    app_wall_pieces_active[3] = -7;
    app_persist_code[2] = 'W';
    ASSERT_EQ(tessel_replay_state_snapshot_write(buf.data(), kSize), kSize);
    EXPECT_EQ(buf[922], 1);
    EXPECT_EQ(buf[918], 0x04);
    EXPECT_EQ(buf[921], 0x01);
    float zoom;
    std::memcpy(&zoom, &buf[state_replay_offset("app.view.zoom")], 4);
    EXPECT_EQ(zoom, 1.25f);
    EXPECT_EQ(buf[94056 + 3], 1);
    EXPECT_EQ(buf[84202 + 2], 'W');

    buf[922] = 0xFF;
    buf[94056 + 4] = 0x80;
    ASSERT_EQ(tessel_replay_state_snapshot_restore(buf.data(), kSize), kSize);
    EXPECT_EQ(app_settings_sound_on, 1);
    EXPECT_EQ(app_wall_pieces_active[3], 1);
    EXPECT_EQ(app_wall_pieces_active[4], 1);
}

TEST(ReplayRecord, RestoreBringsBackStateButNotInputOrStream) {
    std::vector<uint8_t> first(kSize), second(kSize);
    app_sim_marbles_x[5] = 12.5f;
    app_ui_time = 100;
    ASSERT_EQ(tessel_replay_state_snapshot_write(first.data(), kSize), kSize);
    ASSERT_EQ(tessel_replay_state_snapshot_write(second.data(), kSize), kSize);
    EXPECT_EQ(first, second);

    app_sim_marbles_x[5] = -3.0f;
    app_ui_time = 900;
    app_frame_pointer_count = 2;
    host_i32[9] = 1;
    host_req_seq = 17;
    gfx_cmd_i32[3] = 44;
    gfx_sprite_writer_token = 9;
    ASSERT_EQ(tessel_replay_state_snapshot_restore(first.data(), kSize), kSize);
    EXPECT_EQ(app_sim_marbles_x[5], 12.5f);
    EXPECT_EQ(app_ui_time, 100);
    EXPECT_EQ(app_frame_pointer_count, 2);
    EXPECT_EQ(host_i32[9], 1);
    EXPECT_EQ(host_req_seq, 17);
    EXPECT_EQ(gfx_cmd_i32[3], 44);
    EXPECT_EQ(gfx_sprite_writer_token, 9);
    host_i32[9] = 0;
}

// A record may hold any bytes: later ticks and renders must stay in bounds whatever was restored.
// Run under the address and undefined-behaviour sanitizers this catches any unchecked index.
TEST(ReplayRecord, ArbitraryRecordsKeepTicksAndRendersInBounds) {
    std::mt19937 rng(20261211);
    std::vector<uint8_t> buf(kSize), saved(kSize);
    ASSERT_EQ(tessel_replay_state_snapshot_write(saved.data(), kSize), kSize);
    app_main();
    for (int round = 0; round < 24; ++round) {
        ASSERT_EQ(tessel_replay_state_snapshot_write(buf.data(), kSize), kSize);
        // Mix fully random records with records where only some entries are disturbed.
        const int flips = round % 3 == 0 ? kSize : 200;
        for (int i = 0; i < flips; ++i) {
            buf[round % 3 == 0 ? i : rng() % kSize] = static_cast<uint8_t>(rng());
        }
        ASSERT_EQ(tessel_replay_state_snapshot_restore(buf.data(), kSize), kSize);
        for (int frame = 0; frame < 4; ++frame) {
            host_i32[TESSEL_HOST_I32_POINTER_COUNT] = 1;
            host_i32[TESSEL_HOST_I32_POINTERS + 1] = frame % 2;
            host_f32[0] = static_cast<float>(rng() % 2400) - 200.0f;
            host_f32[1] = static_cast<float>(rng() % 1100) - 100.0f;
            EXPECT_EQ(app_tick(), 0);
            app_render();
        }
        app_init();
    }
    ASSERT_EQ(tessel_replay_state_snapshot_restore(saved.data(), kSize), kSize);
    std::fill(std::begin(host_i32), std::end(host_i32), 0);
    std::fill(std::begin(host_f32), std::end(host_f32), 0.0f);
}

}  // namespace
