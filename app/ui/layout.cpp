// Screen layout: every rectangle of app.layout, recomputed from the display's safe area at the start of
// each tick and each render.
//
// Sections, in the order they are computed: safe area · shelf and board · scale and view · frame ·
// shelf contents · board buttons · popover · size panel · zoom buttons · credits · levels.
#include <cmath>
#include <iterator>

#include "app/interaction/interaction.hpp"
#include "app/ui/ui.hpp"
#include "app/world/world.hpp"

static_assert(std::size(app_layout_card_x) == 10);
static_assert(std::size(app_layout_button_x) == 8);
static_assert(std::size(app_layout_pop_item_x) == 4);
static_assert(std::size(app_layout_size_row_y) == 2);
static_assert(std::size(app_layout_zoom_y) == 3);
static_assert(std::size(app_layout_slot_x) == 6);
static_assert(std::size(app_layout_tab_x) == 2);
static_assert(std::size(app_ui_scroll) == 2);

namespace {

constexpr float kFallbackW = 2000.0f;
constexpr float kFallbackH = 900.0f;
constexpr float kCardH = 156.0f;
constexpr float kMenuRowH = 92.0f;
constexpr float kPanelButton = 76.0f;
constexpr float kSlotsH = 360.0f;
constexpr float kSlotH = (kSlotsH - 16.0f) / 2.0f;

// Menu rows of the shelf's second list, top to bottom, as action button indices.
constexpr int32_t kMenuButtons[6] = {1, 2, 3, 5, 6, 7};

bool positive(float v) { return std::isfinite(v) && v > 0.0f; }

// Scroll offsets live in state and may hold anything after a restore.
float clamp_scroll(float v, float content, float list_h) {
    const float max = std::fmax(0.0f, content - list_h);
    return std::isfinite(v) ? clampf(v, 0.0f, max) : 0.0f;
}

void safe_area() {
    float x = app_frame_display_safe_x;
    float y = app_frame_display_safe_y;
    float w = app_frame_display_safe_width;
    float h = app_frame_display_safe_height;
    // No display yet (or a display record that is not a number): lay out the full canvas.
    const bool usable = std::isfinite(x) && std::isfinite(y) && std::isfinite(w) && std::isfinite(h) &&
                        w > 1.0f && h > 1.0f;
    if (!usable || app_ui_capture_full_canvas != 0) {
        x = 0.0f;
        y = 0.0f;
        w = kFallbackW;
        h = kFallbackH;
    }
    app_layout_safe_x = x;
    app_layout_safe_y = y;
    app_layout_safe_w = w;
    app_layout_safe_h = h;
    ui_begin(x, y, w, h);
}

// Shelf, board, scale, view and frame (steps 2 to 6).
void shelf_and_board() {
    ui_inset(app_layout_safe_x, app_layout_safe_y, app_layout_safe_w, app_layout_safe_h, 22.0f, 12.0f, 22.0f,
             16.0f);
    ui_push_row_here(kUiFromEnd, 18.0f);
    ui_take(clampf(0.24f * app_layout_safe_w, 300.0f, 420.0f));
    app_layout_shelf_x = ui_rect_x;
    app_layout_shelf_y = ui_rect_y;
    app_layout_shelf_w = ui_rect_w;
    app_layout_shelf_h = ui_rect_h;
    ui_take_rest();
    const float area_x = ui_rect_x;
    const float area_y = ui_rect_y;
    const float area_w = ui_rect_w;
    const float area_h = ui_rect_h;
    ui_pop_scope();

    const float old_w = app_layout_board_w;
    const float old_h = app_layout_board_h;
    const float old_scale = app_layout_base_scale * app_view_zoom;
    const bool keep_centre = positive(old_w) && positive(old_h) && positive(old_scale);
    const float centre_x = app_view_x + old_w / old_scale / 2.0f;
    const float centre_y = app_view_y + old_h / old_scale / 2.0f;

    ui_inset(area_x, area_y, area_w, area_h, 16.0f, 16.0f, 16.0f, 16.0f);
    app_layout_board_x = ui_rect_x;
    app_layout_board_y = ui_rect_y;
    app_layout_board_w = ui_rect_w;
    app_layout_board_h = ui_rect_h;
    app_layout_base_scale = std::fmax(
        0.01f, std::fmin(app_layout_board_w / kViewUnitsW, app_layout_board_h / kViewUnitsH));

    const bool resized = std::fabs(app_layout_board_w - old_w) > 0.01f ||
                         std::fabs(app_layout_board_h - old_h) > 0.01f;
    if (keep_centre && resized) {
        app_view_x = centre_x - view_visible_w() / 2.0f;
        app_view_y = centre_y - view_visible_h() / 2.0f;
    }
    view_clamp();
    app_layout_scale = app_layout_base_scale * app_view_zoom;

    app_layout_frame_x = app_layout_board_x - 16.0f;
    app_layout_frame_y = app_layout_board_y - 16.0f;
    app_layout_frame_w = app_layout_board_w + 32.0f;
    app_layout_frame_h = app_layout_board_h + 32.0f;
}

// Tabs, list area, part cards, hint box and menu buttons (steps 7 to 9).
void shelf_contents() {
    ui_inset(app_layout_shelf_x, app_layout_shelf_y, app_layout_shelf_w, app_layout_shelf_h, 16.0f, 16.0f, 16.0f,
             16.0f);
    ui_push_column_here(kUiFromStart, 12.0f);
    ui_take(84.0f);
    app_layout_tab_y = ui_rect_y;
    app_layout_tab_h = ui_rect_h;
    app_layout_tab_w = (ui_rect_w - 10.0f) / 2.0f;
    ui_push_row_here(kUiFromStart, 10.0f);
    for (float& tab_x : app_layout_tab_x) {
        ui_take(app_layout_tab_w);
        tab_x = ui_rect_x;
    }
    ui_pop_scope();
    ui_take_rest();
    app_layout_list_x = ui_rect_x;
    app_layout_list_y = ui_rect_y;
    app_layout_list_w = ui_rect_w;
    app_layout_list_h = ui_rect_h;
    ui_pop_scope();

    app_layout_parts_content_h = kLayoutPartsContentH;
    app_layout_menu_content_h = kLayoutMenuContentH;
    app_ui_scroll[0] = clamp_scroll(app_ui_scroll[0], kLayoutPartsContentH, app_layout_list_h);
    app_ui_scroll[1] = clamp_scroll(app_ui_scroll[1], kLayoutMenuContentH, app_layout_list_h);
    app_layout_card_w = (app_layout_list_w - 12.0f) / 2.0f;
    app_layout_card_h = kCardH;

    ui_push_column(kUiFromStart, app_layout_list_x, app_layout_list_y - app_ui_scroll[0], app_layout_list_w,
                   kLayoutPartsContentH, 12.0f);
    for (int32_t row = 0; row < 5; ++row) {
        ui_take(kCardH);
        ui_push_row_here(kUiFromStart, 12.0f);
        for (int32_t col = 0; col < 2; ++col) {
            ui_take(app_layout_card_w);
            app_layout_card_x[2 * row + col] = ui_rect_x;
            app_layout_card_y[2 * row + col] = ui_rect_y;
        }
        ui_pop_scope();
    }
    ui_take(100.0f);
    app_layout_hint_x = ui_rect_x;
    app_layout_hint_y = ui_rect_y;
    app_layout_hint_w = ui_rect_w;
    app_layout_hint_h = ui_rect_h;
    ui_pop_scope();

    ui_push_column(kUiFromStart, app_layout_list_x, app_layout_list_y - app_ui_scroll[1], app_layout_list_w,
                   kLayoutMenuContentH, 12.0f);
    for (int32_t b : kMenuButtons) {
        ui_take(kMenuRowH);
        app_layout_button_x[b] = ui_rect_x;
        app_layout_button_y[b] = ui_rect_y;
        app_layout_button_w[b] = ui_rect_w;
        app_layout_button_h[b] = ui_rect_h;
    }
    ui_pop_scope();
}

// Buttons 4 and 0 at the board's bottom left (step 10).
void board_buttons() {
    ui_inset(app_layout_board_x, app_layout_board_y, app_layout_board_w, app_layout_board_h, 14.0f, 14.0f, 14.0f,
             14.0f);
    ui_place(kUiAlignStart, kUiAlignEnd, ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h, 180.0f, 84.0f);
    ui_push_row_here(kUiFromStart, 12.0f);
    for (int32_t b : {4, 0}) {
        ui_take(84.0f);
        app_layout_button_x[b] = ui_rect_x;
        app_layout_button_y[b] = ui_rect_y;
        app_layout_button_w[b] = ui_rect_w;
        app_layout_button_h[b] = ui_rect_h;
    }
    ui_pop_scope();
}

// A panel centred over the board, kept inside the safe area with a margin of 12.
float panel_x(float width) {
    const float board_centre = app_layout_board_x + app_layout_board_w / 2.0f;
    return clampf(board_centre - width / 2.0f, app_layout_safe_x + 12.0f,
                  app_layout_safe_x + app_layout_safe_w - width - 12.0f);
}

// Starter-walls popover and its four items (step 11).
void popover() {
    app_layout_pop_w = 640.0f;
    app_layout_pop_h = 256.0f;
    app_layout_pop_x = panel_x(app_layout_pop_w);
    app_layout_pop_y = app_layout_board_y + 10.0f;
    ui_inset(app_layout_pop_x, app_layout_pop_y, app_layout_pop_w, app_layout_pop_h, 16.0f, 16.0f, 16.0f, 76.0f);
    app_layout_pop_item_y = ui_rect_y;
    app_layout_pop_item_h = ui_rect_h;
    app_layout_pop_item_w = (ui_rect_w - 36.0f) / 4.0f;
    ui_push_row_here(kUiFromStart, 12.0f);
    for (float& item_x : app_layout_pop_item_x) {
        ui_take(app_layout_pop_item_w);
        item_x = ui_rect_x;
    }
    ui_pop_scope();
}

// Wall-size panel: two rows of label, minus, value and plus (step 12).
void size_panel() {
    app_layout_size_w = 560.0f;
    app_layout_size_h = 264.0f;
    app_layout_size_x = panel_x(app_layout_size_w);
    app_layout_size_y = app_layout_board_y + 10.0f;
    app_layout_size_button = kPanelButton;
    ui_inset(app_layout_size_x, app_layout_size_y, app_layout_size_w, app_layout_size_h, 22.0f, 20.0f, 22.0f,
             70.0f);
    ui_push_column_here(kUiFromStart, 14.0f);
    for (float& row_y : app_layout_size_row_y) {
        ui_take(kPanelButton);
        row_y = ui_rect_y;
        ui_push_row_here(kUiFromStart, 10.0f);
        ui_take(170.0f);
        ui_take(kPanelButton);
        app_layout_size_minus_x = ui_rect_x;
        ui_take(140.0f);
        app_layout_size_value_x = ui_rect_x;
        ui_take(kPanelButton);
        app_layout_size_plus_x = ui_rect_x;
        ui_pop_scope();
    }
    ui_pop_scope();
}

// Three zoom buttons at the board's top right (step 13).
void zoom_buttons() {
    app_layout_zoom_size = kPanelButton;
    ui_inset(app_layout_board_x, app_layout_board_y, app_layout_board_w, app_layout_board_h, 14.0f, 14.0f, 14.0f,
             14.0f);
    ui_place(kUiAlignEnd, kUiAlignStart, ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h, kPanelButton,
             3.0f * kPanelButton + 16.0f);
    app_layout_zoom_x = ui_rect_x;
    ui_push_column_here(kUiFromStart, 8.0f);
    for (float& zoom_y : app_layout_zoom_y) {
        ui_take(kPanelButton);
        zoom_y = ui_rect_y;
    }
    ui_pop_scope();
}

// Credits and levels panels share one size, centred in the safe area (steps 14, 15).
void centred_panel() {
    ui_place(kUiAlignCenter, kUiAlignCenter, app_layout_safe_x, app_layout_safe_y, app_layout_safe_w,
             app_layout_safe_h, std::fmin(1480.0f, app_layout_safe_w - 80.0f),
             std::fmin(780.0f, app_layout_safe_h - 60.0f));
}

void credits() {
    centred_panel();
    app_layout_credits_x = ui_rect_x;
    app_layout_credits_y = ui_rect_y;
    app_layout_credits_w = ui_rect_w;
    app_layout_credits_h = ui_rect_h;
}

void levels() {
    centred_panel();
    app_layout_levels_x = ui_rect_x;
    app_layout_levels_y = ui_rect_y;
    app_layout_levels_w = ui_rect_w;
    app_layout_levels_h = ui_rect_h;
    ui_inset(ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h, 44.0f, 30.0f, 44.0f, 26.0f);
    ui_push_column_here(kUiFromStart, 10.0f);

    ui_take(kPanelButton);
    ui_push_row_here(kUiFromEnd, 16.0f);
    ui_take(kPanelButton);
    app_layout_levels_close_x = ui_rect_x;
    app_layout_levels_close_y = ui_rect_y;
    ui_pop_scope();

    ui_take(40.0f);
    ui_take(kSlotsH);
    app_layout_slot_w = (ui_rect_w - 32.0f) / 3.0f;
    app_layout_slot_h = kSlotH;
    app_layout_slot_button_w = (app_layout_slot_w - 32.0f - 12.0f) / 2.0f;
    app_layout_slot_button_h = kPanelButton;
    ui_push_column_here(kUiFromStart, 16.0f);
    for (int32_t row = 0; row < 2; ++row) {
        ui_take(kSlotH);
        ui_push_row_here(kUiFromStart, 16.0f);
        for (int32_t col = 0; col < 3; ++col) {
            ui_take(app_layout_slot_w);
            const int32_t s = 3 * row + col;
            app_layout_slot_x[s] = ui_rect_x;
            app_layout_slot_y[s] = ui_rect_y;
            app_layout_slot_save_x[s] = ui_rect_x + 16.0f;
            app_layout_slot_load_x[s] = app_layout_slot_save_x[s] + app_layout_slot_button_w + 12.0f;
            app_layout_slot_button_y[s] = ui_rect_y + kSlotH - kPanelButton - 14.0f;
        }
        ui_pop_scope();
    }
    ui_pop_scope();

    ui_take(40.0f);
    ui_take(kPanelButton);
    app_layout_share_y = ui_rect_y;
    app_layout_share_h = ui_rect_h;
    app_layout_share_w = 330.0f;
    ui_push_row_here(kUiFromStart, 16.0f);
    ui_take(app_layout_share_w);
    app_layout_share_copy_x = ui_rect_x;
    ui_take(app_layout_share_w);
    app_layout_share_paste_x = ui_rect_x;
    ui_pop_scope();

    ui_take_rest();
    app_layout_note_x = ui_rect_x;
    app_layout_note_y = ui_rect_y;
    ui_pop_scope();
}

}  // namespace

void layout_screen() {
    safe_area();
    shelf_and_board();
    shelf_contents();
    board_buttons();
    popover();
    size_panel();
    zoom_buttons();
    credits();
    levels();
}
