// The immediate-mode interface core: pointer input, hot and active widgets with layers and a modal
// layer, the layout scope stack and the error flags.
//
// Sections: frame and input · buttons · scopes · rectangles.
#include <cstdint>
#include <iterator>

#include "app/ui/ui.hpp"

static_assert(std::size(ui_scope_kind) == kUiScopeCapacity);
static_assert(std::size(ui_scope_parent_h) == kUiScopeCapacity);
static_assert(std::size(ui_scroll_drag_pointer) == kUiScrollCapacity);

namespace {

void set_rect(float x, float y, float w, float h) {
    ui_rect_x = x;
    ui_rect_y = y;
    ui_rect_w = w;
    ui_rect_h = h;
}

void clear_active() {
    ui_active_layer = 0;
    ui_active_id = 0;
    ui_active_pointer = -1;
}

// The depth and overflow count may hold anything after a restore; only 0..32 open scopes exist.
int32_t depth() {
    const int32_t d = ui_stack_depth;
    return d < 0 ? 0 : (d > kUiScopeCapacity ? kUiScopeCapacity : d);
}

bool overflowed() { return ui_scope_overflow_count > 0; }

// Pieces computed as fractions of a scope (a third of a width) may sum past its end by float rounding;
// overshooting by less than this is not reported as running past the end.
constexpr float kPastEndSlack = 0.001f;

float non_negative(float v, int32_t flag) {
    if (v < 0.0f) {
        ui_flag(flag);
        return 0.0f;
    }
    return v;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Frame and input

void ui_begin(float x, float y, float w, float h) {
    set_rect(x, y, w, h);
    ui_status_value = 0;
    ui_stack_depth = 0;
    ui_scope_overflow_count = 0;
    ui_scroll_current_slot = -1;
    ui_scroll_current_x = 0.0f;
    ui_scroll_current_y = 0.0f;
    ui_scroll_current_w = 0.0f;
    ui_scroll_current_h = 0.0f;
    ui_scroll_current_content_h = 0.0f;
    ui_scroll_current_max_offset = 0.0f;
    ui_scroll_clip_active = 0;
}

void ui_input(int32_t pointer_id, int32_t down, int32_t went_down, int32_t went_up, float x, float y) {
    ui_input_pointer_id = pointer_id;
    ui_input_pointer_down = down;
    ui_input_went_down = went_down;
    ui_input_went_up = went_up;
    ui_input_pointer_x = x;
    ui_input_pointer_y = y;
    ui_hot_layer = 0;
    ui_hot_id = 0;
    ui_pointer_consumed = 0;
    if (pointer_id < 0) {
        clear_active();
        for (int32_t& p : ui_scroll_drag_pointer) p = -1;
    }
}

void ui_input_from_frame() {
    if (app_frame_pointer_count < 1) {
        ui_input(-1, 0, 0, 0, 0.0f, 0.0f);
        return;
    }
    ui_input(app_frame_pointers_id[0], app_frame_pointers_is_down[0], app_frame_pointers_went_down[0],
             app_frame_pointers_went_up[0], app_frame_pointers_x_logical[0], app_frame_pointers_y_logical[0]);
}

void ui_set_modal(int32_t layer) {
    if (layer != 0 && layer != ui_modal_layer && ui_active_layer != 0 && ui_active_layer != layer) {
        clear_active();
    }
    if (layer == 0 && ui_modal_layer != 0 && ui_active_layer == ui_modal_layer) clear_active();
    ui_modal_layer = layer;
}

int32_t ui_layer_allowed(int32_t layer) { return ui_modal_layer == 0 || ui_modal_layer == layer ? 1 : 0; }

// ---------------------------------------------------------------------------------------------
// Buttons

int32_t ui_button(int32_t layer, int32_t id, float x, float y, float w, float h) {
    if (id < 1) {
        ui_flag(kUiFlagNegative);
        return 0;
    }
    if (ui_input_pointer_id < 0) return 0;
    const float px = ui_input_pointer_x;
    const float py = ui_input_pointer_y;
    const bool inside = x <= px && px < x + w && y <= py && py < y + h;
    const bool allowed = ui_layer_allowed(layer) != 0;
    if (allowed && ui_pointer_consumed == 0 && inside) {
        ui_hot_layer = layer;
        ui_hot_id = id;
    }
    if (!allowed) return 0;
    if (ui_pointer_consumed != 0 && ui_active_id != id) return 0;
    if (ui_input_went_down != 0 && inside && ui_pointer_consumed == 0) {
        ui_active_layer = layer;
        ui_active_id = id;
        ui_active_pointer = ui_input_pointer_id;
        ui_pointer_consumed = 1;
    }
    if (ui_active_layer != layer || ui_active_id != id || ui_active_pointer != ui_input_pointer_id) return 0;
    if (ui_input_pointer_down == 0 && ui_input_went_up == 0) return 0;
    if (ui_input_went_up != 0) {
        clear_active();
        return inside ? 1 : 0;
    }
    return 0;
}

int32_t ui_button_in_pass(int32_t pass, int32_t layer, int32_t id, float x, float y, float w, float h) {
    return pass == 0 ? ui_button(layer, id, x, y, w, h) : 0;
}

int32_t ui_is_hot(int32_t layer, int32_t id) { return ui_hot_layer == layer && ui_hot_id == id ? 1 : 0; }

int32_t ui_is_active(int32_t layer, int32_t id) {
    return ui_active_layer == layer && ui_active_id == id ? 1 : 0;
}

int32_t ui_is_held(int32_t layer, int32_t id) { return ui_is_active(layer, id) & ui_is_hot(layer, id); }

int32_t ui_pressed_now(int32_t layer, int32_t id) {
    return ui_is_active(layer, id) != 0 && ui_input_went_down != 0 ? 1 : 0;
}

int32_t ui_any_active() { return ui_active_id != 0 ? 1 : 0; }

// ---------------------------------------------------------------------------------------------
// Scopes

void ui_push_scope(int32_t kind, int32_t direction, float x, float y, float w, float h, float spacing) {
    const int32_t d = depth();
    if (d >= kUiScopeCapacity) {
        ui_flag(kUiFlagScopeOverflow);
        const int32_t open = overflowed() ? ui_scope_overflow_count : 0;
        if (open < INT32_MAX) ui_scope_overflow_count = open + 1;
        set_rect(x, y, w, h);
        return;
    }
    ui_scope_kind[d] = kind;
    ui_scope_direction[d] = direction;
    ui_scope_x[d] = x;
    ui_scope_y[d] = y;
    ui_scope_w[d] = w;
    ui_scope_h[d] = h;
    ui_scope_spacing[d] = non_negative(spacing, kUiFlagNegative);
    ui_scope_rest_used[d] = 0;
    ui_scope_parent_x[d] = ui_rect_x;
    ui_scope_parent_y[d] = ui_rect_y;
    ui_scope_parent_w[d] = ui_rect_w;
    ui_scope_parent_h[d] = ui_rect_h;
    const bool from_end = direction == kUiFromEnd;
    if (kind == kUiColumn) {
        ui_scope_cursor[d] = from_end ? y + h : y;
    } else {
        ui_scope_cursor[d] = from_end ? x + w : x;
    }
    ui_stack_depth = d + 1;
    set_rect(x, y, w, h);
}

void ui_push_row(int32_t direction, float x, float y, float w, float h, float spacing) {
    ui_push_scope(kUiRow, direction, x, y, w, h, spacing);
}

void ui_push_column(int32_t direction, float x, float y, float w, float h, float spacing) {
    ui_push_scope(kUiColumn, direction, x, y, w, h, spacing);
}

void ui_push_row_here(int32_t direction, float spacing) {
    ui_push_scope(kUiRow, direction, ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h, spacing);
}

void ui_push_column_here(int32_t direction, float spacing) {
    ui_push_scope(kUiColumn, direction, ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h, spacing);
}

void ui_pop_scope() {
    if (overflowed()) {
        ui_scope_overflow_count -= 1;
        set_rect(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    const int32_t d = depth();
    if (d == 0) {
        ui_stack_depth = 0;
        ui_flag(kUiFlagNoScope);
        return;
    }
    const int32_t i = d - 1;
    set_rect(ui_scope_parent_x[i], ui_scope_parent_y[i], ui_scope_parent_w[i], ui_scope_parent_h[i]);
    ui_stack_depth = i;
}

void ui_take(float size) {
    if (overflowed()) {
        set_rect(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    const int32_t d = depth();
    if (d == 0) {
        ui_flag(kUiFlagNoScope);
        set_rect(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    const int32_t i = d - 1;
    const float s = non_negative(size, kUiFlagNegative);
    const bool column = ui_scope_kind[i] == kUiColumn;
    const bool from_end = ui_scope_direction[i] == kUiFromEnd;
    const float start = column ? ui_scope_y[i] : ui_scope_x[i];
    const float extent = column ? ui_scope_h[i] : ui_scope_w[i];
    const float p = from_end ? ui_scope_cursor[i] - s : ui_scope_cursor[i];
    if (column) {
        set_rect(ui_scope_x[i], p, ui_scope_w[i], s);
    } else {
        set_rect(p, ui_scope_y[i], s, ui_scope_h[i]);
    }
    if (from_end) {
        ui_scope_cursor[i] = p - ui_scope_spacing[i];
        if (p < start - kPastEndSlack) ui_flag(kUiFlagPastEnd);
    } else {
        ui_scope_cursor[i] = p + s + ui_scope_spacing[i];
        if (p + s > start + extent + kPastEndSlack) ui_flag(kUiFlagPastEnd);
    }
}

void ui_take_rest() {
    if (overflowed()) {
        set_rect(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    const int32_t d = depth();
    if (d == 0) {
        ui_flag(kUiFlagNoScope);
        set_rect(0.0f, 0.0f, 0.0f, 0.0f);
        return;
    }
    const int32_t i = d - 1;
    if (ui_scope_rest_used[i] != 0) {
        ui_flag(kUiFlagRestTwice);
        set_rect(ui_rect_x, ui_rect_y, 0.0f, 0.0f);
        return;
    }
    ui_scope_rest_used[i] = 1;
    const bool column = ui_scope_kind[i] == kUiColumn;
    const bool from_end = ui_scope_direction[i] == kUiFromEnd;
    const float cursor = ui_scope_cursor[i];
    const float start = column ? ui_scope_y[i] : ui_scope_x[i];
    const float extent = column ? ui_scope_h[i] : ui_scope_w[i];
    const float p = from_end ? start : cursor;
    float rest = from_end ? cursor - start : start + extent - cursor;
    if (rest < 0.0f) {
        if (rest < -kPastEndSlack) ui_flag(kUiFlagPastEnd);
        rest = 0.0f;
    }
    if (column) {
        set_rect(ui_scope_x[i], p, ui_scope_w[i], rest);
    } else {
        set_rect(p, ui_scope_y[i], rest, ui_scope_h[i]);
    }
}

// ---------------------------------------------------------------------------------------------
// Rectangles

void ui_set_rect(float x, float y, float w, float h) { set_rect(x, y, w, h); }

void ui_inset(float x, float y, float w, float h, float left, float top, float right, float bottom) {
    const float width = non_negative(w - left - right, kUiFlagNegative);
    const float height = non_negative(h - top - bottom, kUiFlagNegative);
    set_rect(x + left, y + top, width, height);
}

void ui_place(int32_t h_align, int32_t v_align, float x, float y, float w, float h, float cw, float ch) {
    const float width = non_negative(cw, kUiFlagNegative);
    const float height = non_negative(ch, kUiFlagNegative);
    set_rect(ui_align(h_align, x, w, width), ui_align(v_align, y, h, height), width, height);
}

float ui_align(int32_t mode, float start, float extent, float content) {
    if (mode == kUiAlignCenter) return start + (extent - content) * 0.5f;
    if (mode == kUiAlignEnd) return start + extent - content;
    return start;
}

void ui_flag(int32_t bit) {
    if (bit >= 1) ui_status_value |= bit;
}
