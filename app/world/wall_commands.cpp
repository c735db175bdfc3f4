// User commands on the wall as a whole: each is one undoable change that arms the automatic save.
#include "app/interaction/interaction.hpp"
#include "app/persist/persist.hpp"
#include "app/world/world.hpp"

void wall_step_size(int32_t axis, int32_t delta) {
    history_push();
    const int32_t ws = axis == 0 ? wrap_add(app_wall_width_step, delta) : app_wall_width_step;
    const int32_t hs = axis == 1 ? wrap_add(app_wall_height_step, delta) : app_wall_height_step;
    if (wall_set_size(ws, hs) == 0) {
        history_drop();  // at a limit: nothing to undo
        return;
    }
    persist_request_save();
}

void wall_after_load() {
    sim_clear_marbles();
    app_editor_selected = -1;
    app_wall_hopper_timer = wrap_add(app_wall_hopper_interval, -20);  // the first marble drips 20 ticks later
    view_reset();
    view_center_on(app_wall_hopper_x, app_wall_hopper_y + 300.0f);
    persist_request_save();
}
