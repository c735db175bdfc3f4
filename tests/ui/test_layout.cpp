// Screen layout: the rectangles of app.layout from the safe area, the scale, the view kept centred and
// the scroll limits of the shelf's lists.
#include <gtest/gtest.h>

#include <limits>

#include "app/interaction/interaction.hpp"
#include "app/ui/ui.hpp"
#include "app/world/world.hpp"

namespace {

struct Rect {
    float x, y, w, h;
};

void expect_rect(Rect got, Rect want, const char* what) {
    EXPECT_FLOAT_EQ(got.x, want.x) << what;
    EXPECT_FLOAT_EQ(got.y, want.y) << what;
    EXPECT_FLOAT_EQ(got.w, want.w) << what;
    EXPECT_FLOAT_EQ(got.h, want.h) << what;
}

class Layout : public ::testing::Test {
protected:
    void SetUp() override {
        app_layout_board_w = 0.0f;  // no layout yet
        app_layout_board_h = 0.0f;
        app_layout_base_scale = 0.0f;
        app_ui_capture_full_canvas = 0;
        app_ui_scroll[0] = 0.0f;
        app_ui_scroll[1] = 0.0f;
        app_wall_width = 0.0f;
        wall_set_size(6, 6);
        view_reset();
        safe(0.0f, 0.0f, 2000.0f, 900.0f);
    }

    static void safe(float x, float y, float w, float h) {
        app_frame_display_safe_x = x;
        app_frame_display_safe_y = y;
        app_frame_display_safe_width = w;
        app_frame_display_safe_height = h;
    }

    static Rect board() { return {app_layout_board_x, app_layout_board_y, app_layout_board_w, app_layout_board_h}; }
    static Rect shelf() { return {app_layout_shelf_x, app_layout_shelf_y, app_layout_shelf_w, app_layout_shelf_h}; }
    static Rect frame() { return {app_layout_frame_x, app_layout_frame_y, app_layout_frame_w, app_layout_frame_h}; }
    static Rect safe_area() { return {app_layout_safe_x, app_layout_safe_y, app_layout_safe_w, app_layout_safe_h}; }
};

TEST_F(Layout, WorkedExample) {
    layout_screen();
    expect_rect(safe_area(), {0, 0, 2000, 900}, "safe");
    expect_rect(shelf(), {1558, 12, 420, 872}, "shelf");
    expect_rect(board(), {38, 28, 1486, 840}, "board");
    expect_rect(frame(), {22, 12, 1518, 872}, "frame");
    EXPECT_FLOAT_EQ(app_layout_base_scale, 0.92875f);
    EXPECT_FLOAT_EQ(app_layout_scale, 0.92875f);
    EXPECT_EQ(ui_status_value, 0);
    EXPECT_EQ(ui_stack_depth, 0);  // every scope closed

    // Shelf contents: tabs, list, cards, hint and menu rows.
    EXPECT_FLOAT_EQ(app_layout_tab_y, 28.0f);
    EXPECT_FLOAT_EQ(app_layout_tab_h, 84.0f);
    EXPECT_FLOAT_EQ(app_layout_tab_w, 189.0f);
    EXPECT_FLOAT_EQ(app_layout_tab_x[0], 1574.0f);
    EXPECT_FLOAT_EQ(app_layout_tab_x[1], 1773.0f);
    expect_rect({app_layout_list_x, app_layout_list_y, app_layout_list_w, app_layout_list_h}, {1574, 124, 388, 744},
                "list");
    EXPECT_FLOAT_EQ(app_layout_parts_content_h, 940.0f);
    EXPECT_FLOAT_EQ(app_layout_menu_content_h, 612.0f);
    EXPECT_FLOAT_EQ(app_layout_card_w, 188.0f);
    EXPECT_FLOAT_EQ(app_layout_card_h, 156.0f);
    for (int32_t c = 0; c < 10; ++c) {
        EXPECT_FLOAT_EQ(app_layout_card_x[c], 1574.0f + (c % 2) * 200.0f) << c;
        EXPECT_FLOAT_EQ(app_layout_card_y[c], 124.0f + (c / 2) * 168.0f) << c;
    }
    expect_rect({app_layout_hint_x, app_layout_hint_y, app_layout_hint_w, app_layout_hint_h}, {1574, 964, 388, 100},
                "hint");
    const int32_t menu[6] = {1, 2, 3, 5, 6, 7};
    for (int32_t r = 0; r < 6; ++r) {
        const int32_t b = menu[r];
        expect_rect({app_layout_button_x[b], app_layout_button_y[b], app_layout_button_w[b], app_layout_button_h[b]},
                    {1574, 124.0f + r * 104.0f, 388, 92}, "menu button");
    }

    // Board buttons 4 and 0 at the bottom left, zoom buttons at the top right.
    expect_rect({app_layout_button_x[4], app_layout_button_y[4], app_layout_button_w[4], app_layout_button_h[4]},
                {52, 770, 84, 84}, "button 4");
    expect_rect({app_layout_button_x[0], app_layout_button_y[0], app_layout_button_w[0], app_layout_button_h[0]},
                {148, 770, 84, 84}, "button 0");
    EXPECT_FLOAT_EQ(app_layout_zoom_size, 76.0f);
    EXPECT_FLOAT_EQ(app_layout_zoom_x, 38.0f + 1486.0f - 14.0f - 76.0f);
    EXPECT_FLOAT_EQ(app_layout_zoom_y[0], 42.0f);
    EXPECT_FLOAT_EQ(app_layout_zoom_y[1], 126.0f);
    EXPECT_FLOAT_EQ(app_layout_zoom_y[2], 210.0f);

    // Popover and size panel centred over the board.
    expect_rect({app_layout_pop_x, app_layout_pop_y, app_layout_pop_w, app_layout_pop_h}, {461, 38, 640, 256},
                "popover");
    EXPECT_FLOAT_EQ(app_layout_pop_item_y, 54.0f);
    EXPECT_FLOAT_EQ(app_layout_pop_item_h, 164.0f);
    EXPECT_FLOAT_EQ(app_layout_pop_item_w, 143.0f);
    for (int32_t i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(app_layout_pop_item_x[i], 477.0f + i * 155.0f) << i;
    expect_rect({app_layout_size_x, app_layout_size_y, app_layout_size_w, app_layout_size_h}, {501, 38, 560, 264},
                "size panel");
    EXPECT_FLOAT_EQ(app_layout_size_button, 76.0f);
    EXPECT_FLOAT_EQ(app_layout_size_row_y[0], 58.0f);
    EXPECT_FLOAT_EQ(app_layout_size_row_y[1], 148.0f);
    EXPECT_FLOAT_EQ(app_layout_size_minus_x, 523.0f + 180.0f);
    EXPECT_FLOAT_EQ(app_layout_size_value_x, 523.0f + 266.0f);
    EXPECT_FLOAT_EQ(app_layout_size_plus_x, 523.0f + 416.0f);

    // Credits and levels: 1480 x 780 centred in the safe area.
    expect_rect({app_layout_credits_x, app_layout_credits_y, app_layout_credits_w, app_layout_credits_h},
                {260, 60, 1480, 780}, "credits");
    expect_rect({app_layout_levels_x, app_layout_levels_y, app_layout_levels_w, app_layout_levels_h},
                {260, 60, 1480, 780}, "levels");
    EXPECT_FLOAT_EQ(app_layout_levels_close_x, 1740.0f - 44.0f - 76.0f);
    EXPECT_FLOAT_EQ(app_layout_levels_close_y, 90.0f);
    EXPECT_FLOAT_EQ(app_layout_slot_w, 1360.0f / 3.0f);
    EXPECT_FLOAT_EQ(app_layout_slot_h, 172.0f);
    EXPECT_FLOAT_EQ(app_layout_slot_button_w, (1360.0f / 3.0f - 44.0f) / 2.0f);
    EXPECT_FLOAT_EQ(app_layout_slot_button_h, 76.0f);
    for (int32_t s = 0; s < 6; ++s) {
        const float x = 304.0f + (s % 3) * (app_layout_slot_w + 16.0f);
        const float y = 226.0f + (s / 3) * 188.0f;
        EXPECT_FLOAT_EQ(app_layout_slot_x[s], x) << s;
        EXPECT_FLOAT_EQ(app_layout_slot_y[s], y) << s;
        EXPECT_FLOAT_EQ(app_layout_slot_save_x[s], x + 16.0f) << s;
        EXPECT_FLOAT_EQ(app_layout_slot_load_x[s], x + 16.0f + app_layout_slot_button_w + 12.0f) << s;
        EXPECT_FLOAT_EQ(app_layout_slot_button_y[s], y + 82.0f) << s;
    }
    EXPECT_FLOAT_EQ(app_layout_share_y, 646.0f);
    EXPECT_FLOAT_EQ(app_layout_share_h, 76.0f);
    EXPECT_FLOAT_EQ(app_layout_share_w, 330.0f);
    EXPECT_FLOAT_EQ(app_layout_share_copy_x, 304.0f);
    EXPECT_FLOAT_EQ(app_layout_share_paste_x, 650.0f);
    EXPECT_FLOAT_EQ(app_layout_note_x, 304.0f);
    EXPECT_FLOAT_EQ(app_layout_note_y, 732.0f);
    EXPECT_EQ(app_layout_bar_w, 0.0f);
}

TEST_F(Layout, SafeAreaFallbackAndShelfWidth) {
    struct Case {
        Rect safe;
        int32_t full_canvas;
        Rect used;
        float shelf_w;
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const Case cases[] = {
        {{0, 0, 0, 0}, 0, {0, 0, 2000, 900}, 420},          // no display yet
        {{5, 5, 1, 600}, 0, {0, 0, 2000, 900}, 420},        // width at most 1
        {{5, 5, 800, 1}, 0, {0, 0, 2000, 900}, 420},        // height at most 1
        {{nan, 0, 1200, 700}, 0, {0, 0, 2000, 900}, 420},   // a display record that is not a number
        {{10, 20, 1200, 700}, 1, {0, 0, 2000, 900}, 420},   // full-canvas capture
        {{10, 20, 1000, 700}, 0, {10, 20, 1000, 700}, 300}, // 240 is below the minimum
        {{0, 0, 1500, 700}, 0, {0, 0, 1500, 700}, 360},     // 0.24 x 1500
        {{0, 0, 3000, 1200}, 0, {0, 0, 3000, 1200}, 420},   // capped
    };
    for (const Case& c : cases) {
        safe(c.safe.x, c.safe.y, c.safe.w, c.safe.h);
        app_ui_capture_full_canvas = c.full_canvas;
        layout_screen();
        expect_rect(safe_area(), c.used, "safe");
        EXPECT_FLOAT_EQ(app_layout_shelf_w, c.shelf_w) << c.safe.w;
        EXPECT_FLOAT_EQ(app_layout_shelf_x + app_layout_shelf_w, c.used.x + c.used.w - 22.0f) << c.safe.w;
        EXPECT_FLOAT_EQ(app_layout_board_x, c.used.x + 38.0f) << c.safe.w;
        EXPECT_FLOAT_EQ(app_layout_board_x + app_layout_board_w, app_layout_shelf_x - 18.0f - 16.0f) << c.safe.w;
        EXPECT_FLOAT_EQ(ui_rect_w, app_layout_levels_w - 88.0f) << "layout ends in the levels panel";
    }
}

TEST_F(Layout, ListScrollLimits) {
    struct Case {
        float safe_h;
        float scroll_in[2];
        float scroll_out[2];
    };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // A safe height of 900 gives a list of 744: the parts list scrolls 940 - 744 = 196, the menu
    // (612) not at all. A safe height of 600 gives 444: the menu scrolls 168.
    const Case cases[] = {
        {900, {100, 50}, {100, 0}},
        {900, {500, 500}, {196, 0}},
        {900, {-20, -20}, {0, 0}},
        {900, {nan, nan}, {0, 0}},
        {600, {1000, 1000}, {496, 168}},
        {600, {30, 168}, {30, 168}},
    };
    for (const Case& c : cases) {
        safe(0, 0, 2000, c.safe_h);
        app_ui_scroll[0] = c.scroll_in[0];
        app_ui_scroll[1] = c.scroll_in[1];
        layout_screen();
        EXPECT_FLOAT_EQ(app_ui_scroll[0], c.scroll_out[0]) << c.safe_h << " " << c.scroll_in[0];
        EXPECT_FLOAT_EQ(app_ui_scroll[1], c.scroll_out[1]) << c.safe_h << " " << c.scroll_in[1];
        // The lists move up by their scroll.
        EXPECT_FLOAT_EQ(app_layout_card_y[0], app_layout_list_y - c.scroll_out[0]);
        EXPECT_FLOAT_EQ(app_layout_button_y[1], app_layout_list_y - c.scroll_out[1]);
    }
}

TEST_F(Layout, ResizingKeepsTheWallPointAtTheBoardCentre) {
    layout_screen();
    app_view_zoom = 1.5f;
    app_layout_scale = app_layout_base_scale * app_view_zoom;
    view_center_on(2000.0f, 1000.0f);
    layout_screen();
    const Rect sizes[] = {{0, 0, 1600, 800}, {0, 0, 2400, 1100}, {30, 40, 1800, 700}, {0, 0, 2000, 900}};
    for (const Rect& s : sizes) {
        safe(s.x, s.y, s.w, s.h);
        layout_screen();
        EXPECT_FLOAT_EQ(app_view_zoom, 1.5f);
        EXPECT_FLOAT_EQ(app_layout_scale, app_layout_base_scale * 1.5f);
        const float cx = app_layout_board_x + app_layout_board_w / 2.0f;
        const float cy = app_layout_board_y + app_layout_board_h / 2.0f;
        EXPECT_NEAR(view_to_wall_x(cx), 2000.0f, 0.05f) << s.w;
        EXPECT_NEAR(view_to_wall_y(cy), 1000.0f, 0.05f) << s.w;
    }
}

TEST_F(Layout, SameBoardLeavesTheViewAlone) {
    layout_screen();
    app_view_x = 700.0f;
    app_view_y = 300.0f;
    layout_screen();
    EXPECT_FLOAT_EQ(app_view_x, 700.0f);
    EXPECT_FLOAT_EQ(app_view_y, 300.0f);
    // The first layout has no old board to keep centred: only the clamp applies.
    app_layout_board_w = 0.0f;
    app_view_x = 99999.0f;
    layout_screen();
    EXPECT_FLOAT_EQ(app_view_x, 4000.0f - view_visible_w());
}

}  // namespace
