// Interaction: the wall editor, the view and the undo history.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** View at zoom 1 and the origin, clamped. */
void view_reset();
/** Centres the view on the wall point (wx, wy), clamped. */
void view_center_on(float wx, float wy);
/** One tick of the wall editor. */
void editor_update();

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
