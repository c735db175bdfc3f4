// Persistence: wall codes, save slots, settings and sharing, starter walls.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** Restores settings, slots and the last wall; 1 when a wall was restored. */
int32_t persist_load_all();
/** Saves the wall code, the settings and the slots. */
void persist_save_all();
/** Counts down a pending save and saves when it expires. */
void persist_tick();
/** Ticks from the last change of the wall or a stored setting to the automatic save. */
inline constexpr int32_t kSaveDelayTicks = 90;
/** Arms the automatic save: everything is saved kSaveDelayTicks after the last change. */
void persist_request_save();

// ---------------------------------------------------------------------------------------------
// Wall codes (app.persist.code and the scan results beside it)
//
// A wall code is one line of printable ASCII. Version 2, the only one written, is "MW2", then in
// base64url digits the width step (1), height step (1), hopper x (2), hopper y (2), dripping (1), and
// one 7-digit record per part: ((kind × 2 + flipped) × 8 + note) × 512 + angle (3), x (2), y (2).
// Version 1, read only, is "MW1|x,y,drip|" followed by "kind,x,y,angle,flipped,note;" per part.
// Codes come from the clipboard and from disk: the scanner accepts exactly these forms, reads only
// below the code's length (itself checked against the capacity) and never changes the wall.

/** Capacity of app.persist.code in bytes. */
inline constexpr int32_t kCodeCapacity = 1800;
/** Most parts a wall code may hold (the wall's slot count). */
inline constexpr int32_t kCodeMaxParts = 100;

/** Replaces the code by the version 2 code of the live wall (at most 710 bytes). Coordinates are
 *  truncated toward zero and clamped to 0..4095; kind, note, angle and size steps are clamped into
 *  the ranges the scanner accepts, so every encoded code scans. */
void wall_code_encode();
/** Checks the code without touching the wall. On success sets `scan_version`, `scan_start`, the
 *  size steps, hopper position, `scan_drip` and `scan_count` and returns 1; returns 0 for anything
 *  that is not a wall code (including a length outside 0..capacity). */
int32_t wall_code_scan();
/** Scans the code, then replaces the live wall by it: parts cleared, size set, parts added in code
 *  order, hopper placed and its dripping flag set (the wall's own limits apply). 1 when loaded; 0
 *  when the code is not a wall code, and the wall is then untouched. */
int32_t wall_code_load();

/** Appends value as count base64url digits, most significant first (count 0..5). */
void code_put_digits(int32_t value, int32_t count);
/** Reads count (0..5) base64url digits at the cursor; on a character outside the alphabet or the
 *  end of the text clears `ok` and yields 0. */
int32_t code_read_digits(int32_t count);
/** Reads an optional "-" and 1 to 9 decimal digits at the cursor (a tenth digit is left unread);
 *  clears `ok` when no digit follows. */
int32_t code_read_int();
/** Steps over character c at the cursor, or clears `ok` when another byte (or the end) is there. */
void code_expect(int32_t c);
/** The byte at the cursor, or -1 at the end of the text. */
int32_t code_peek();
/** Value 0..63 of a base64url character; -1 for any other value (including -1, the end). */
int32_t code_digit_value(int32_t c);
/** Base64url character of value, clamped to 0..63. */
int32_t code_digit_char(int32_t value);

// ---------------------------------------------------------------------------------------------
// Starter walls

/** Number of starter walls; the last one is the empty wall. */
inline constexpr int32_t kStarterWallCount = 4;

/** Replaces the live wall by starter wall index (0 "Cascade", 1 "Chime garden", 2 "Workshop", any
 *  other index the empty wall): default size, no marbles, the listed hopper position and parts,
 *  hopper timer at interval - 20, dripping left as it was, `app.ui.preset` set to the wall loaded
 *  (3 for the empty wall) and the wall revision grown by one. No undo entry, no view change. */
void starter_wall_load(int32_t index);
/** Text id of a starter wall's name ("Cascade", ...); any index outside 0..3 names the empty wall. */
int32_t starter_wall_name(int32_t index);
/** Text id of a starter wall's subtitle ("Maple zigzag", ...); as starter_wall_name for the index. */
int32_t starter_wall_subtitle(int32_t index);
