// The frame cycle: what main, tick and render run, in their fixed order.
#include "app/entry/entry.hpp"

#include <algorithm>

#include "app/gfx/gfx.hpp"
#include "app/interaction/interaction.hpp"
#include "app/persist/persist.hpp"
#include "app/sound/sound.hpp"
#include "app/ui/ui.hpp"
#include "app/world/world.hpp"

int32_t app_main() {
    host_request_window(kStartWindowWidth, kStartWindowHeight);
    app_init();
    frame_read_host();
    res_load_all();
    audio_request_assets();
    if (persist_load_all() == 0) starter_wall_load(0);
    app_history_count = 0;  // the restored wall is where undo starts
    audio_stop_all();
    return 0;
}

void app_init() {
    app_catalog_ready = 0;
    catalog_build();

    wall_clear_pieces();
    app_wall_width = 0;  // forces the size change below
    wall_set_size(0, 0);

    view_reset();

    app_wall_hopper_x = 150;
    app_wall_hopper_y = 70;
    app_wall_hopper_dripping = 1;
    app_wall_hopper_timer = 120;
    app_wall_hopper_interval = 150;
    app_wall_hopper_sequence = 0;
    app_wall_hopper_held = 0;

    sim_clear_marbles();
    app_sim_next_id = 0;
    app_sim_tick = 0;
    app_sim_drained = 0;
    app_sim_rng = 12345;

    events_clear();
    app_history_count = 0;

    app_editor_mode = 0;
    app_editor_selected = -1;
    app_editor_target = -1;
    app_editor_pointer_was_down = 0;
    app_editor_edge_armed = 0;

    app_settings_sound_on = 1;
    app_settings_volume = 80;
    app_settings_marble_mode = 0;

    app_ui_popover = 0;
    app_ui_size_pop = 0;
    app_ui_levels = 0;
    app_ui_levels_note = 0;
    app_ui_levels_note_ticks = 0;
    app_ui_credits = 0;
    app_ui_hint_ticks = 0;
    app_ui_tab = 0;
    std::fill(std::begin(app_ui_scroll), std::end(app_ui_scroll), 0.0f);
    app_ui_scroll_track = 0;
    app_ui_scrolling = 0;
    app_ui_scroll_end_pending = 0;
    app_ui_press_card = -1;
    app_ui_save_countdown = -1;
    app_ui_preset = 0;

    std::fill(std::begin(app_fx_wobble), std::end(app_fx_wobble), 0.0f);
    std::fill(std::begin(app_fx_wobble_v), std::end(app_fx_wobble_v), 0.0f);
    app_fx_shown_count = 0;

    cache_rebuild();
}

int32_t app_tick() {
    frame_read_host();
    fit_window();
    if (app_frame_quit_requested != 0) {
        persist_save_all();
        return 1;
    }
    layout_screen();
    events_clear();  // producers below (interface, editor, simulation) fill it for this tick only
    ui_update();
    editor_update();
    sim_step();
    fx_update();
    if (app_ui_sound_toggled != 0) {
        app_ui_sound_toggled = 0;
        if (app_settings_sound_on != 0) audio_stop_all();
    }
    audio_update();
    persist_tick();
    app_ui_time += 1;
    return 0;
}

int32_t app_render() {
    gfx_begin_frame();
    layout_screen();
    const int32_t status = paint_frame();
    return gfx_end_frame(status);
}
