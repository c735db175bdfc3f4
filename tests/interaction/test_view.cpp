// The view: smallest zoom, clamping, panning, zooming about a point, anchoring and the view commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "app/interaction/interaction.hpp"
#include "app/world/world.hpp"

namespace {

/** A board showing exactly 1600 x 836 wall units at zoom 1 (base scale 1), and a wall of the given
 *  size steps. */
class View : public ::testing::Test {
protected:
    void SetUp() override { set_up(0, 0); }

    static void set_up(int32_t width_step, int32_t height_step) {
        app_layout_board_x = 100.0f;
        app_layout_board_y = 50.0f;
        app_layout_board_w = 1600.0f;
        app_layout_board_h = 836.0f;
        app_layout_base_scale = 1.0f;
        app_wall_width = 0.0f;
        wall_set_size(width_step, height_step);
        std::fill(std::begin(app_frame_keys), std::end(app_frame_keys), 0);
        app_ui_levels = 0;
        app_ui_credits = 0;
        view_reset();
        app_layout_scale = app_layout_base_scale * app_view_zoom;
    }
};

TEST_F(View, SmallestZoomByWallSize) {
    struct Case {
        int32_t width_step, height_step;
        float board_w, board_h, base_scale;
        float expected;
    };
    const Case cases[] = {
        {0, 0, 1600.0f, 836.0f, 1.0f, 1.0f},                // the default wall fits at zoom 1
        {6, 6, 1600.0f, 836.0f, 1.0f, 0.4f},                // 4000 x 2000: min(0.4, 836/2036)
        {6, 0, 1600.0f, 836.0f, 1.0f, 0.4f},                // only wider
        {0, 6, 1600.0f, 836.0f, 1.0f, 836.0f / 2036.0f},    // only taller
        {6, 6, 1486.0f, 840.0f, 0.92875f, 0.4f},            // the worked layout: W1 = 1600
        {6, 6, 0.0f, 0.0f, 0.0f, 0.4f},                     // before the first layout: 1600 x 836
    };
    for (const Case& c : cases) {
        set_up(c.width_step, c.height_step);
        app_layout_board_w = c.board_w;
        app_layout_board_h = c.board_h;
        app_layout_base_scale = c.base_scale;
        EXPECT_FLOAT_EQ(view_min_zoom(), c.expected) << c.width_step << "," << c.height_step << " " << c.board_w;
    }
}

TEST_F(View, ClampKeepsZoomAndPositionInRange) {
    struct Case {
        int32_t width_step, height_step;
        float zoom, x, y;
        float zoom_after, x_after, y_after;
    };
    const Case cases[] = {
        {0, 0, 0.5f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f},               // zoom out refused on the default wall
        {0, 0, 1.0f, 300.0f, 300.0f, 1.0f, 0.0f, 0.0f},           // wall fits: centred, (836 - 836) / 2
        {6, 6, 2.4f * 1.25f, 0.0f, 0.0f, 2.5f, 0.0f, 0.0f},       // zoom in stops at 2.5
        {6, 6, 1.0f, 99999.0f, 99999.0f, 1.0f, 2400.0f, 1200.0f},  // past the right and bottom edges
        {6, 6, 1.0f, -50.0f, -50.0f, 1.0f, 0.0f, 0.0f},            // past the left and top edges
        {6, 6, 0.1f, 0.0f, 0.0f, 0.4f, 0.0f, (2036.0f - 2090.0f) / 2.0f},  // fit: the taller axis centred
        {6, 0, 1.0f, 10.0f, 10.0f, 1.0f, 10.0f, 0.0f},             // in range: unchanged
    };
    for (const Case& c : cases) {
        set_up(c.width_step, c.height_step);
        app_view_zoom = c.zoom;
        app_view_x = c.x;
        app_view_y = c.y;
        view_clamp();
        EXPECT_FLOAT_EQ(app_view_zoom, c.zoom_after) << c.zoom << " " << c.x;
        EXPECT_FLOAT_EQ(app_view_x, c.x_after) << c.zoom << " " << c.x;
        EXPECT_FLOAT_EQ(app_view_y, c.y_after) << c.zoom << " " << c.x;
    }
}

TEST_F(View, ClampRepairsAViewThatIsNotANumber) {
    set_up(6, 6);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (float bad : {nan, inf, -inf, 0.0f, -3.0f}) {
        app_view_zoom = bad;
        app_view_x = bad;
        app_view_y = bad;
        view_clamp();
        EXPECT_EQ(app_view_zoom, 1.0f) << bad;
        EXPECT_TRUE(std::isfinite(app_view_x) && std::isfinite(app_view_y)) << bad;
        EXPECT_GE(app_view_x, 0.0f);
        EXPECT_GE(app_view_y, 0.0f);
    }
    app_wall_width = nan;
    app_wall_height = inf;
    view_clamp();
    EXPECT_TRUE(std::isfinite(app_view_zoom) && std::isfinite(app_view_x) && std::isfinite(app_view_y));
}

TEST_F(View, PanningStopsAtTheEdges) {
    set_up(6, 6);
    struct Case {
        float dx, dy, x, y;
    };
    const Case cases[] = {
        {100.0f, 50.0f, 100.0f, 50.0f},
        {1.0e6f, 1.0e6f, 2400.0f, 1200.0f},  // wall width - visible width; height + 36 - visible
        {-300.0f, 0.0f, 2100.0f, 1200.0f},
        {-1.0e6f, -1.0e6f, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        view_pan_by(c.dx, c.dy);
        EXPECT_FLOAT_EQ(app_view_x, c.x) << c.dx;
        EXPECT_FLOAT_EQ(app_view_y, c.y) << c.dy;
    }
}

TEST_F(View, KeyboardPansFourteenWindowUnitsPerTick) {
    set_up(6, 6);
    app_view_zoom = 2.0f;
    app_layout_scale = 2.0f;
    app_view_x = 500.0f;
    app_view_y = 500.0f;
    struct Case {
        int32_t keys[2];
        int32_t levels, credits;
        float dx, dy;
    };
    const Case cases[] = {
        {{80, 0}, 0, 0, -7.0f, 0.0f},   // Left
        {{4, 0}, 0, 0, -7.0f, 0.0f},    // A
        {{79, 7}, 0, 0, 7.0f, 0.0f},    // Right and D count once
        {{82, 22}, 0, 0, 0.0f, 0.0f},   // Up and S cancel
        {{81, 79}, 0, 0, 7.0f, 7.0f},   // Down and Right
        {{26, 0}, 0, 0, 0.0f, -7.0f},   // W
        {{80, 0}, 1, 0, 0.0f, 0.0f},    // levels panel open
        {{80, 0}, 0, 1, 0.0f, 0.0f},    // credits panel open
    };
    for (const Case& c : cases) {
        std::fill(std::begin(app_frame_keys), std::end(app_frame_keys), 0);
        for (int32_t k : c.keys) {
            if (k != 0) app_frame_keys[k] = 1;
        }
        app_ui_levels = c.levels;
        app_ui_credits = c.credits;
        const float x = app_view_x;
        const float y = app_view_y;
        view_keyboard_pan();
        EXPECT_FLOAT_EQ(app_view_x - x, c.dx) << c.keys[0] << "+" << c.keys[1];
        EXPECT_FLOAT_EQ(app_view_y - y, c.dy) << c.keys[0] << "+" << c.keys[1];
    }
}

TEST_F(View, KeyZeroTogglesBetweenWholeWallAndNaturalSize) {
    set_up(6, 6);
    view_fit();
    EXPECT_FLOAT_EQ(app_view_zoom, 0.4f);
    EXPECT_FLOAT_EQ(app_view_x, 0.0f);
    view_command(2);  // at the smallest zoom: natural size at the top left
    EXPECT_FLOAT_EQ(app_view_zoom, 1.0f);
    EXPECT_FLOAT_EQ(app_view_x, 0.0f);
    EXPECT_FLOAT_EQ(app_view_y, 0.0f);
    view_pan_by(300.0f, 200.0f);
    view_command(2);  // anywhere else: the whole wall
    EXPECT_FLOAT_EQ(app_view_zoom, 0.4f);
    EXPECT_FLOAT_EQ(app_view_x, 0.0f);
    view_command(2);
    EXPECT_FLOAT_EQ(app_view_zoom, 1.0f);
}

TEST_F(View, ZoomCommandsStepAboutTheCentre) {
    set_up(6, 6);
    view_center_on(2000.0f, 1000.0f);
    struct Case {
        int32_t command;
        float zoom;
    };
    const Case cases[] = {{0, 1.25f}, {0, 1.5625f}, {1, 1.25f}, {1, 1.0f}, {7, 1.0f}, {-1, 1.0f}};
    for (const Case& c : cases) {
        view_command(c.command);
        EXPECT_FLOAT_EQ(app_view_zoom, c.zoom) << c.command;
        EXPECT_NEAR(app_view_x + view_visible_w() / 2.0f, 2000.0f, 0.01f) << c.command;
        EXPECT_NEAR(app_view_y + view_visible_h() / 2.0f, 1000.0f, 0.01f) << c.command;
    }
    app_view_zoom = 2.4f;
    view_command(0);
    EXPECT_FLOAT_EQ(app_view_zoom, 2.5f);
}

TEST_F(View, ZoomAboutKeepsTheWallPointAtItsFraction) {
    set_up(6, 6);
    app_view_x = 1000.0f;
    app_view_y = 400.0f;
    struct Case {
        float z, fx, fy;
    };
    const Case cases[] = {{2.0f, 0.25f, 0.75f}, {1.5f, 1.0f, 0.0f}, {2.5f, 0.5f, 0.5f}, {1.0f, 0.1f, 0.9f}};
    for (const Case& c : cases) {
        const float wx = app_view_x + view_visible_w() * c.fx;
        const float wy = app_view_y + view_visible_h() * c.fy;
        view_zoom_about(c.z, c.fx, c.fy);
        EXPECT_FLOAT_EQ(app_view_zoom, c.z);
        EXPECT_NEAR(app_view_x + view_visible_w() * c.fx, wx, 0.01f) << c.z;
        EXPECT_NEAR(app_view_y + view_visible_h() * c.fy, wy, 0.01f) << c.z;
    }
}

TEST_F(View, AnchorKeepsTheWallPointUnderTheWindowPoint) {
    set_up(6, 6);
    app_layout_base_scale = 0.5f;
    app_layout_board_w = 800.0f;
    app_layout_board_h = 418.0f;
    struct Case {
        float ax, ay, sx, sy, z;
        float zoom;
    };
    const Case cases[] = {
        {1000.0f, 800.0f, 300.0f, 250.0f, 1.0f, 1.0f},
        {1000.0f, 800.0f, 500.0f, 100.0f, 2.0f, 2.0f},
        {2000.0f, 1000.0f, 420.0f, 260.0f, 9.0f, 2.5f},  // zoom clamped, then anchored
        {1800.0f, 900.0f, 420.0f, 260.0f, std::numeric_limits<float>::quiet_NaN(), 2.5f},  // keeps the zoom
    };
    for (const Case& c : cases) {
        view_anchor(c.ax, c.ay, c.sx, c.sy, c.z);
        EXPECT_FLOAT_EQ(app_view_zoom, c.zoom);
        EXPECT_FLOAT_EQ(app_layout_scale, 0.5f * c.zoom);  // updated at once
        EXPECT_NEAR(view_to_wall_x(c.sx), c.ax, 0.01f);
        EXPECT_NEAR(view_to_wall_y(c.sy), c.ay, 0.01f);
        EXPECT_NEAR(view_to_screen_x(c.ax), c.sx, 0.01f);
        EXPECT_NEAR(view_to_screen_y(c.ay), c.sy, 0.01f);
    }
    // Near the top left corner the clamp wins over the anchor.
    view_anchor(10.0f, 10.0f, 700.0f, 400.0f, 1.0f);
    EXPECT_EQ(app_view_x, 0.0f);
    EXPECT_EQ(app_view_y, 0.0f);
}

TEST_F(View, MappingRoundTrips) {
    set_up(6, 6);
    app_view_x = 250.0f;
    app_view_y = 125.0f;
    app_layout_scale = 0.8f;
    EXPECT_FLOAT_EQ(view_to_wall_x(100.0f), 250.0f);  // the board origin shows the view point
    EXPECT_FLOAT_EQ(view_to_wall_y(50.0f), 125.0f);
    EXPECT_FLOAT_EQ(view_to_screen_x(350.0f), 100.0f + 80.0f);
    EXPECT_FLOAT_EQ(view_to_screen_y(225.0f), 50.0f + 80.0f);
    app_layout_scale = 0.0f;  // before the first layout: 1 window unit per wall unit
    EXPECT_FLOAT_EQ(view_to_wall_x(110.0f), 260.0f);
}

TEST_F(View, CenterOnAndResetAfterAWallLoad) {
    set_up(6, 6);
    view_center_on(2000.0f, 1000.0f);
    EXPECT_FLOAT_EQ(app_view_x, 2000.0f - 800.0f);
    EXPECT_FLOAT_EQ(app_view_y, 1000.0f - 418.0f);
    view_center_on(0.0f, 5000.0f);
    EXPECT_FLOAT_EQ(app_view_x, 0.0f);
    EXPECT_FLOAT_EQ(app_view_y, 1200.0f);
    view_reset();
    EXPECT_EQ(app_view_zoom, 1.0f);
    EXPECT_EQ(app_view_x, 0.0f);
    EXPECT_EQ(app_view_y, 0.0f);
}

}  // namespace
