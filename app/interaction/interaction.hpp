// Interaction: the wall editor, the view and the undo history.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** One tick of the wall editor. */
void editor_update();

// ---------------------------------------------------------------------------------------------
// View and zoom (app.view)
//
// app.view.x, app.view.y is the wall point at the top left of the board (the wall view rectangle of
// app.layout), app.view.zoom the zoom factor: at zoom 1 the board shows at least 1600 by 836 wall
// units. Window point = board origin + (wall point - view point) x app.layout.scale.

/** Largest zoom factor. */
inline constexpr float kViewZoomMax = 2.5f;
/** Wall units the board shows across and down at zoom 1 (at least). */
inline constexpr float kViewUnitsW = 1600.0f;
inline constexpr float kViewUnitsH = 836.0f;
/** Room kept below the wall for the tray and the marbles' exit. */
inline constexpr float kViewBottomRoom = 36.0f;
/** Window units the arrow and WASD keys pan per tick, whatever the zoom. */
inline constexpr float kViewKeyPanStep = 14.0f;

/** Wall units the board shows across at zoom 1: board width / base scale, or 1600 before the first
 *  layout (base scale or board size not positive). */
float view_unzoomed_w();
/** Wall units the board shows down at zoom 1: board height / base scale, or 836 before the first
 *  layout. */
float view_unzoomed_h();
/** Wall units visible across at the current zoom (unzoomed width / zoom). */
float view_visible_w();
/** Wall units visible down at the current zoom (unzoomed height / zoom). */
float view_visible_h();
/** Smallest zoom: min(unzoomed width / wall width, unzoomed height / (wall height + 36), 1), so the
 *  whole wall with its tray fits in the board. */
float view_min_zoom();
/** Window units per wall unit: app.layout.scale (base scale x zoom as of the last layout or
 *  view_anchor), or 1 while it is not a positive number (before the first layout). */
float view_scale();

/** Wall x under window x. */
float view_to_wall_x(float sx);
/** Wall y under window y. */
float view_to_wall_y(float sy);
/** Window x of wall x. */
float view_to_screen_x(float wx);
/** Window y of wall y. */
float view_to_screen_y(float wy);

/** Brings the view into range: zoom into smallest..2.5, then per axis: when the visible size is below
 *  the extent to show (wall width; wall height + 36) the coordinate is clamped to 0..extent - visible,
 *  otherwise it becomes (extent - visible) / 2 so a smaller wall sits centred. A zoom or position that
 *  is not a finite number (state restored from arbitrary bytes) is first reset to 1 or 0. */
void view_clamp();
/** Zoom 1 at the wall's top left, clamped. */
void view_reset();
/** The whole wall: zoom = smallest zoom at the top left, clamped. */
void view_fit();
/** Pans by (dx, dy) wall units, clamped. */
void view_pan_by(float dx, float dy);
/** Centres the view on the wall point (wx, wy), clamped. */
void view_center_on(float wx, float wy);
/** Zooms to z (clamped to smallest..2.5) keeping the wall point at fractions (fx, fy) of the visible
 *  area where it was; clamped. */
void view_zoom_about(float z, float fx, float fy);
/** Zooms by the factor f about the centre of the view. */
void view_zoom_step(float f);
/** Zooms to z (clamped) and places the view so that the wall point (ax, ay) lies under the window
 *  point (sx, sy); clamped. app.layout.scale is updated at once, so later steps of the same tick map
 *  with the new zoom. Used by dragging the empty wall and by pinching. */
void view_anchor(float ax, float ay, float sx, float sy, float z);
/** One tick of keyboard panning: Left/A and Right/D, Up/W and Down/S held in app.frame.keys pan 14
 *  window units per tick. Does nothing while the levels or the credits panel is open. */
void view_keyboard_pan();
/** A view command of the zoom buttons and keys: 0 zooms in (x 1.25), 1 zooms out (x 0.8), 2 toggles
 *  between the whole wall (fit) and zoom 1 at the top left; other values are ignored. */
void view_command(int32_t command);

// ---------------------------------------------------------------------------------------------
// Undo history (app.history)

/** Snapshots the history keeps; pushing onto a full history drops the oldest. */
inline constexpr int32_t kHistoryDepth = 16;

/** Snapshots the wall before an edit: all 100 part slots (each stored as put down, `held` 0), the
 *  hopper position and the wall's size steps. A full history first drops its oldest entry, so the
 *  newest 16 snapshots are kept. Marbles, dripping, hopper timer and sequence, selection and view are
 *  not part of a snapshot. */
void history_push();
/** Takes back the newest snapshot without restoring it (an action that turned out to change
 *  nothing); no effect on an empty history. */
void history_drop();
/** Restores the newest snapshot and discards it: the wall size from its steps, then every part slot
 *  (put down) and the hopper position exactly as stored; the wall revision grows by one. 1 when a
 *  snapshot was restored, 0 when the history is empty. */
int32_t history_undo();
/** 1 when there is a snapshot to undo, else 0. */
int32_t history_can_undo();
