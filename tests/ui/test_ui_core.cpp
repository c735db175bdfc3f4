// The immediate-mode interface core: clicks, overlapping buttons, modal layers, scopes and flags.
#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "app/ui/ui.hpp"

namespace {

class UiCore : public ::testing::Test {
protected:
    void SetUp() override {
        ui_modal_layer = 0;
        ui_active_layer = 0;
        ui_active_id = 0;
        ui_active_pointer = -1;
        ui_begin(0, 0, 1000, 800);
        ui_input(-1, 0, 0, 0, 0, 0);
    }
};

// One input frame of pointer 0.
struct Step {
    enum Kind { press, move, release, none } kind;
    float x, y;
};

void feed(const Step& s) {
    switch (s.kind) {
        case Step::press: ui_input(0, 1, 1, 0, s.x, s.y); break;
        case Step::move: ui_input(0, 1, 0, 0, s.x, s.y); break;
        case Step::release: ui_input(0, 0, 0, 1, s.x, s.y); break;
        case Step::none: ui_input(-1, 0, 0, 0, 0, 0); break;
    }
}

TEST_F(UiCore, ClickRules) {
    // One button at (100, 100, 50, 40), layer 1, id 7; what it returns in each frame.
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int32_t> results;
    };
    const Case cases[] = {
        {"click", {{Step::press, 110, 110}, {Step::release, 120, 120}}, {0, 1}},
        {"held then released", {{Step::press, 110, 110}, {Step::move, 111, 111}, {Step::release, 149, 139}}, {0, 0, 1}},
        {"leave and come back", {{Step::press, 110, 110}, {Step::move, 10, 10}, {Step::release, 110, 110}}, {0, 0, 1}},
        {"release outside", {{Step::press, 110, 110}, {Step::move, 10, 10}, {Step::release, 10, 10}}, {0, 0, 0}},
        {"press outside, release inside", {{Step::press, 10, 10}, {Step::move, 110, 110}, {Step::release, 110, 110}},
         {0, 0, 0}},
        {"right edge is outside", {{Step::press, 150, 110}, {Step::release, 150, 110}}, {0, 0}},
        {"bottom edge is outside", {{Step::press, 110, 140}, {Step::release, 110, 140}}, {0, 0}},
        {"left and top edges are inside", {{Step::press, 100, 100}, {Step::release, 100, 100}}, {0, 1}},
        {"pointer lost", {{Step::press, 110, 110}, {Step::none, 0, 0}, {Step::release, 110, 110}}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SetUp();
        std::vector<int32_t> got;
        for (const Step& s : c.steps) {
            feed(s);
            got.push_back(ui_button(1, 7, 100, 100, 50, 40));
        }
        EXPECT_EQ(got, c.results) << c.name;
        EXPECT_EQ(ui_any_active(), 0) << c.name << ": the release ends the press";
    }
}

TEST_F(UiCore, HotActiveAndHeld) {
    feed({Step::move, 110, 110});
    ui_button(1, 7, 100, 100, 50, 40);
    EXPECT_EQ(ui_is_hot(1, 7), 1);
    EXPECT_EQ(ui_is_active(1, 7), 0);

    feed({Step::press, 110, 110});
    ui_button(1, 7, 100, 100, 50, 40);
    EXPECT_EQ(ui_pressed_now(1, 7), 1);
    EXPECT_EQ(ui_is_held(1, 7), 1);
    EXPECT_EQ(ui_active_pointer, 0);

    feed({Step::move, 10, 10});  // still active, no longer hot
    ui_button(1, 7, 100, 100, 50, 40);
    EXPECT_EQ(ui_pressed_now(1, 7), 0);
    EXPECT_EQ(ui_is_active(1, 7), 1);
    EXPECT_EQ(ui_is_hot(1, 7), 0);
    EXPECT_EQ(ui_is_held(1, 7), 0);
    EXPECT_EQ(ui_any_active(), 1);
}

TEST_F(UiCore, OverlappingButtons) {
    // Without a press the last one tested is hot; with one, the first that contains it takes it.
    feed({Step::move, 120, 120});
    ui_button(1, 1, 100, 100, 50, 50);
    ui_button(1, 2, 110, 110, 50, 50);
    EXPECT_EQ(ui_is_hot(1, 2), 1);

    feed({Step::press, 120, 120});
    ui_button(1, 1, 100, 100, 50, 50);
    ui_button(1, 2, 110, 110, 50, 50);
    EXPECT_EQ(ui_pointer_consumed, 1);
    EXPECT_EQ(ui_is_active(1, 1), 1);
    EXPECT_EQ(ui_is_hot(1, 1), 1);

    feed({Step::release, 120, 120});
    EXPECT_EQ(ui_button(1, 1, 100, 100, 50, 50), 1);
    EXPECT_EQ(ui_button(1, 2, 110, 110, 50, 50), 0);
}

TEST_F(UiCore, ModalLayers) {
    struct Case {
        const char* name;
        int32_t active_layer;  // layer of a widget held before the change, 0 = none
        int32_t modal_before, modal_after;
        bool active_kept;
    };
    const Case cases[] = {
        {"panel opens over a held base button", 1, 0, 4, false},
        {"panel opens over its own held button", 4, 0, 4, true},
        {"same modal layer again", 1, 4, 4, true},
        {"panel closes while its button is held", 4, 4, 0, false},
        {"panel closes while another layer is held", 1, 4, 0, true},
        {"nothing held", 0, 0, 4, false},
    };
    for (const Case& c : cases) {
        SetUp();
        ui_modal_layer = c.modal_before;
        if (c.active_layer != 0) {
            ui_active_layer = c.active_layer;
            ui_active_id = 3;
            ui_active_pointer = 0;
        }
        ui_set_modal(c.modal_after);
        EXPECT_EQ(ui_modal_layer, c.modal_after) << c.name;
        EXPECT_EQ(ui_any_active() == 1, c.active_kept) << c.name;
        if (!c.active_kept) {
            EXPECT_EQ(ui_active_layer, 0) << c.name;
            EXPECT_EQ(ui_active_pointer, -1) << c.name;
        }
    }
}

TEST_F(UiCore, ModalLayerBlocksOtherLayers) {
    ui_set_modal(4);
    EXPECT_EQ(ui_layer_allowed(1), 0);
    EXPECT_EQ(ui_layer_allowed(4), 1);
    feed({Step::press, 110, 110});
    EXPECT_EQ(ui_button(1, 1, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_is_hot(1, 1), 0);
    EXPECT_EQ(ui_any_active(), 0);
    EXPECT_EQ(ui_button(4, 1, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_is_active(4, 1), 1);
    feed({Step::release, 110, 110});
    EXPECT_EQ(ui_button(1, 1, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_button(4, 1, 100, 100, 50, 50), 1);
    ui_set_modal(0);
    EXPECT_EQ(ui_layer_allowed(1), 1);
}

TEST_F(UiCore, ButtonInPassAndBadIds) {
    feed({Step::press, 110, 110});
    EXPECT_EQ(ui_button_in_pass(1, 1, 1, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_any_active(), 0) << "the draw pass never reacts";
    EXPECT_EQ(ui_button_in_pass(0, 1, 1, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_is_active(1, 1), 1);
    EXPECT_EQ(ui_button(1, 0, 100, 100, 50, 50), 0);
    EXPECT_EQ(ui_status_value, kUiFlagNegative);
}

TEST_F(UiCore, InputFromFrame) {
    app_frame_pointer_count = 1;
    app_frame_pointers_id[0] = 5;
    app_frame_pointers_is_down[0] = 1;
    app_frame_pointers_went_down[0] = 1;
    app_frame_pointers_went_up[0] = 0;
    app_frame_pointers_x_logical[0] = 12.5f;
    app_frame_pointers_y_logical[0] = 7.0f;
    ui_input_from_frame();
    EXPECT_EQ(ui_input_pointer_id, 5);
    EXPECT_EQ(ui_input_pointer_down, 1);
    EXPECT_EQ(ui_input_went_down, 1);
    EXPECT_EQ(ui_input_went_up, 0);
    EXPECT_EQ(ui_input_pointer_x, 12.5f);
    EXPECT_EQ(ui_input_pointer_y, 7.0f);

    ui_active_layer = 1;
    ui_active_id = 2;
    ui_scroll_drag_pointer[31] = 5;
    app_frame_pointer_count = 0;
    ui_input_from_frame();
    EXPECT_EQ(ui_input_pointer_id, -1);
    EXPECT_EQ(ui_input_pointer_down, 0);
    EXPECT_EQ(ui_input_pointer_x, 0.0f);
    EXPECT_EQ(ui_any_active(), 0);
    EXPECT_EQ(ui_scroll_drag_pointer[31], -1);
}

struct R {
    float x, y, w, h;
    bool operator==(const R&) const = default;
};

R rect() { return {ui_rect_x, ui_rect_y, ui_rect_w, ui_rect_h}; }

std::ostream& operator<<(std::ostream& o, const R& r) {
    return o << "(" << r.x << ", " << r.y << ", " << r.w << ", " << r.h << ")";
}

TEST_F(UiCore, TakesInRowsAndColumns) {
    struct Case {
        const char* name;
        int32_t kind, direction;
        float spacing;
        std::vector<float> takes;  // a negative entry below -999 means take the rest
        std::vector<R> rects;
        int32_t flags;
    };
    constexpr float kRest = -1000.0f;
    const Case cases[] = {
        {"row from the start", kUiRow, kUiFromStart, 10, {60, 50}, {{10, 20, 60, 30}, {80, 20, 50, 30}}, kUiFlagPastEnd},
        {"row from the end", kUiRow, kUiFromEnd, 10, {30, kRest}, {{80, 20, 30, 30}, {10, 20, 60, 30}}, 0},
        {"column from the start", kUiColumn, kUiFromStart, 5, {10, kRest}, {{10, 20, 100, 10}, {10, 35, 100, 15}}, 0},
        {"column from the end", kUiColumn, kUiFromEnd, 5, {10, 30}, {{10, 40, 100, 10}, {10, 5, 100, 30}},
         kUiFlagPastEnd},
        {"negative size", kUiRow, kUiFromStart, 0, {-5}, {{10, 20, 0, 30}}, kUiFlagNegative},
        {"negative spacing", kUiRow, kUiFromStart, -3, {10, 10}, {{10, 20, 10, 30}, {20, 20, 10, 30}},
         kUiFlagNegative},
        {"rest past the end", kUiRow, kUiFromStart, 0, {120, kRest}, {{10, 20, 120, 30}, {130, 20, 0, 30}},
         kUiFlagPastEnd},
        {"rest twice", kUiRow, kUiFromStart, 0, {40, kRest, kRest}, {{10, 20, 40, 30}, {50, 20, 60, 30}, {50, 20, 0, 0}},
         kUiFlagRestTwice},
    };
    for (const Case& c : cases) {
        ui_begin(0, 0, 500, 500);
        ui_push_scope(c.kind, c.direction, 10, 20, c.kind == kUiRow ? 100 : 100, c.kind == kUiRow ? 30 : 30,
                      c.spacing);
        for (size_t i = 0; i < c.takes.size(); ++i) {
            if (c.takes[i] <= kRest) {
                ui_take_rest();
            } else {
                ui_take(c.takes[i]);
            }
            EXPECT_EQ(rect(), c.rects[i]) << c.name << " #" << i;
        }
        ui_pop_scope();
        EXPECT_EQ(rect(), (R{0, 0, 500, 500})) << c.name << ": the pop restores the parent";
        EXPECT_EQ(ui_status_value, c.flags) << c.name;
    }
}

TEST_F(UiCore, RoundingIsNotRunningPastTheEnd) {
    struct Case {
        float width, spacing;
        int32_t pieces;
        float extra;  // added to the last piece
        int32_t flags;
    };
    const Case cases[] = {
        {1392.0f, 16.0f, 3, 0.0f, 0},               // (1392 - 32) / 3 three times ends a few ulps past
        {100.0f, 0.0f, 3, 0.0f, 0},
        {100.0f, 0.0f, 3, 0.01f, kUiFlagPastEnd},  // a real overshoot
    };
    for (const Case& c : cases) {
        for (int32_t direction : {kUiFromStart, kUiFromEnd}) {
            ui_begin(0, 0, 1, 1);
            ui_push_row(direction, 304.0f, 0, c.width, 10, c.spacing);
            const float piece = (c.width - c.spacing * (c.pieces - 1)) / c.pieces;
            for (int32_t i = 0; i < c.pieces; ++i) ui_take(i + 1 == c.pieces ? piece + c.extra : piece);
            if (c.spacing == 0.0f) ui_take_rest();  // what remains rounds to nothing
            EXPECT_EQ(ui_status_value, c.flags) << c.width << " " << c.extra << " " << direction;
            ui_pop_scope();
        }
    }
}

TEST_F(UiCore, ScopeOverflow) {
    ui_begin(0, 0, 100, 100);
    for (int32_t i = 0; i < kUiScopeCapacity; ++i) ui_push_column(kUiFromStart, i, i, 100, 100, 0);
    EXPECT_EQ(ui_status_value, 0);
    ui_push_row(kUiFromStart, 500, 600, 7, 8, 0);
    EXPECT_EQ(ui_status_value, kUiFlagScopeOverflow);
    EXPECT_EQ(ui_scope_overflow_count, 1);
    EXPECT_EQ(ui_stack_depth, kUiScopeCapacity);
    EXPECT_EQ(rect(), (R{500, 600, 7, 8}));
    ui_take(5);
    EXPECT_EQ(rect(), (R{0, 0, 0, 0}));
    ui_take_rest();
    EXPECT_EQ(rect(), (R{0, 0, 0, 0}));
    ui_pop_scope();
    EXPECT_EQ(ui_scope_overflow_count, 0);
    EXPECT_EQ(ui_stack_depth, kUiScopeCapacity);
    EXPECT_EQ(rect(), (R{0, 0, 0, 0}));
    ui_take(5);  // the 32nd scope is in use again
    EXPECT_EQ(rect(), (R{31, 31, 100, 5}));
    for (int32_t i = kUiScopeCapacity - 1; i >= 0; --i) {
        ui_pop_scope();
        EXPECT_EQ(ui_stack_depth, i);
    }
    EXPECT_EQ(rect(), (R{0, 0, 100, 100}));
    EXPECT_EQ(ui_status_value, kUiFlagScopeOverflow);
    ui_pop_scope();
    EXPECT_EQ(ui_status_value, kUiFlagScopeOverflow | kUiFlagNoScope);
}

TEST_F(UiCore, MisuseWithoutScopeAndRestoredGarbage) {
    struct Case {
        int32_t depth, overflow;
        R after_take;
        int32_t flags;
    };
    const Case cases[] = {
        {0, 0, {0, 0, 0, 0}, kUiFlagNoScope},
        {-7, 0, {0, 0, 0, 0}, kUiFlagNoScope},     // negative depth reads as none open
        {INT_MAX, 0, {0, 0, 10, 1}, 0},           // more than 32 reads as 32
        {0, -5, {0, 0, 0, 0}, kUiFlagNoScope},     // a negative overflow count is no overflow
    };
    for (const Case& c : cases) {
        ui_begin(0, 0, 10, 10);
        ui_scope_kind[31] = kUiColumn;
        ui_scope_direction[31] = kUiFromStart;
        ui_scope_x[31] = 0;
        ui_scope_y[31] = 0;
        ui_scope_w[31] = 10;
        ui_scope_h[31] = 10;
        ui_scope_cursor[31] = 0;
        ui_scope_spacing[31] = 0;
        ui_stack_depth = c.depth;
        ui_scope_overflow_count = c.overflow;
        ui_take(1);
        EXPECT_EQ(rect(), c.after_take) << c.depth;
        EXPECT_EQ(ui_status_value, c.flags) << c.depth;
        ui_push_row(kUiFromStart, 0, 0, 1, 1, 0);  // stays within the 32 slots
        ui_pop_scope();
        ui_pop_scope();
        EXPECT_GE(ui_stack_depth, 0);
        EXPECT_LE(ui_stack_depth, kUiScopeCapacity);
    }
}

TEST_F(UiCore, InsetPlaceAlignAndFlag) {
    ui_inset(10, 20, 100, 50, 5, 6, 7, 8);
    EXPECT_EQ(rect(), (R{15, 26, 88, 36}));
    EXPECT_EQ(ui_status_value, 0);
    ui_inset(10, 20, 10, 10, 6, 6, 6, 6);
    EXPECT_EQ(rect(), (R{16, 26, 0, 0}));
    EXPECT_EQ(ui_status_value, kUiFlagNegative);

    struct Case {
        int32_t h, v;
        R placed;
    };
    const Case cases[] = {
        {kUiAlignStart, kUiAlignEnd, {0, 80, 20, 20}},
        {kUiAlignCenter, kUiAlignCenter, {40, 40, 20, 20}},
        {kUiAlignEnd, kUiAlignStart, {80, 0, 20, 20}},
        {9, -1, {0, 0, 20, 20}},  // unknown modes align at the start
    };
    for (const Case& c : cases) {
        ui_place(c.h, c.v, 0, 0, 100, 100, 20, 20);
        EXPECT_EQ(rect(), c.placed) << c.h << "," << c.v;
    }
    ui_begin(0, 0, 1, 1);
    ui_place(kUiAlignCenter, kUiAlignCenter, 0, 0, 100, 100, -20, 40);
    EXPECT_EQ(rect(), (R{50, 30, 0, 40}));
    EXPECT_EQ(ui_status_value, kUiFlagNegative);

    ui_begin(0, 0, 1, 1);
    ui_flag(8);
    ui_flag(8);
    ui_flag(0);
    ui_flag(-4);
    ui_flag(2);
    EXPECT_EQ(ui_status_value, 10);
    ui_begin(0, 0, 1, 1);
    EXPECT_EQ(ui_status_value, 0);
    EXPECT_EQ(ui_stack_depth, 0);
    EXPECT_EQ(ui_scroll_current_slot, -1);
}

}  // namespace
