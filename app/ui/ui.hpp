// User interface: the interface library, screen layout, screens and panels, resources.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** The tick's interface input pass. */
void ui_update();
/** Starts loading the fonts, sprites and sheets. */
void res_load_all();

// ---------------------------------------------------------------------------------------------
// Immediate-mode interface core (ui_ globals)
//
// No widget objects: each frame the screens lay out rectangles, test the pointer against them and
// draw them. Pass 0 (from the tick) reacts to the pointer and draws nothing; pass 1 (from render)
// draws and never reacts. A widget is named by a layer (1..5) and an id (>= 1) unique in its layer;
// layer 0 in ui_hot_layer, ui_active_layer and ui_modal_layer means none.
//
// Layout misuse never stops the frame: it sets a bit in ui_status_value and yields an empty or
// clamped rectangle. The result of every layout operation is the current rectangle, ui_rect_x,
// ui_rect_y, ui_rect_w, ui_rect_h.

/** Scopes that can be open at once. */
inline constexpr int32_t kUiScopeCapacity = 32;
/** Scroll regions of the library's table. */
inline constexpr int32_t kUiScrollCapacity = 32;

/** Scope kinds and directions. */
inline constexpr int32_t kUiRow = 0;     // allocates along x
inline constexpr int32_t kUiColumn = 1;  // allocates along y
inline constexpr int32_t kUiFromStart = 0;
inline constexpr int32_t kUiFromEnd = 1;

/** Alignments of ui_align and ui_place. */
inline constexpr int32_t kUiAlignStart = 0;
inline constexpr int32_t kUiAlignCenter = 1;
inline constexpr int32_t kUiAlignEnd = 2;

/** Bits of ui_status_value; set bits accumulate until the next ui_begin. */
inline constexpr int32_t kUiFlagScopeOverflow = 1;  // a scope opened while 32 were open
inline constexpr int32_t kUiFlagNoScope = 2;        // a pop or take with no scope open
inline constexpr int32_t kUiFlagNegative = 4;       // negative size, spacing or inset; id below 1
inline constexpr int32_t kUiFlagPastEnd = 8;        // allocation past the scope's end
inline constexpr int32_t kUiFlagRestTwice = 16;     // the rest of a scope taken a second time

/** Starts a UI frame on (x, y, w, h): that becomes the current rectangle; the flags, the scope stack,
 *  the overflow count and the current scroll region are reset. */
void ui_begin(float x, float y, float w, float h);
/** Feeds this frame's pointer: id (below 0 = none), is down, went down, went up, position in logical
 *  units. Clears hot and consumed; with no pointer the active widget and every scroll drag are
 *  dropped. */
void ui_input(int32_t pointer_id, int32_t down, int32_t went_down, int32_t went_up, float x, float y);
/** ui_input from pointer 0 of app.frame, or with id -1, flags 0 and position 0, 0 when the frame has
 *  no pointer. Only the first pointer ever drives the interface. */
void ui_input_from_frame();
/** Sets the modal layer (0 = none). An active widget that the change excludes is dropped: opening a
 *  modal layer drops an active widget of any other layer; closing one drops an active widget of it. */
void ui_set_modal(int32_t layer);
/** 1 when widgets of the layer respond: no modal layer, or the layer is the modal one. */
int32_t ui_layer_allowed(int32_t layer);
/** Button logic of widget (layer, id) over (x, y, w, h), right and bottom edges excluded. Marks it hot
 *  when under an unconsumed pointer, activates it on a press inside (consuming the press), and returns
 *  1 in the frame the pointer that pressed it is released inside it; a release outside cancels. An id
 *  below 1 sets flag 4 and returns 0. */
int32_t ui_button(int32_t layer, int32_t id, float x, float y, float w, float h);
/** ui_button in pass 0; always 0 in pass 1 (drawing never reacts). */
int32_t ui_button_in_pass(int32_t pass, int32_t layer, int32_t id, float x, float y, float w, float h);
/** 1 when (layer, id) is the hot widget. */
int32_t ui_is_hot(int32_t layer, int32_t id);
/** 1 when (layer, id) owns the current press. */
int32_t ui_is_active(int32_t layer, int32_t id);
/** 1 when (layer, id) is both active and hot (pressed and still under the pointer). */
int32_t ui_is_held(int32_t layer, int32_t id);
/** 1 when (layer, id) is active and the pointer went down this frame. */
int32_t ui_pressed_now(int32_t layer, int32_t id);
/** 1 when some widget owns a press. */
int32_t ui_any_active();

/** Sets the current rectangle. */
void ui_set_rect(float x, float y, float w, float h);
/** Opens a scope of the kind (row or column) and direction over (x, y, w, h), leaving spacing after
 *  each piece (negative: 0 and flag 4); the scope's rectangle becomes current. With 32 scopes open it
 *  only sets flag 1, counts an overflowed scope and makes (x, y, w, h) current. */
void ui_push_scope(int32_t kind, int32_t direction, float x, float y, float w, float h, float spacing);
/** ui_push_scope of a row. */
void ui_push_row(int32_t direction, float x, float y, float w, float h, float spacing);
/** ui_push_scope of a column. */
void ui_push_column(int32_t direction, float x, float y, float w, float h, float spacing);
/** A row over the current rectangle. */
void ui_push_row_here(int32_t direction, float spacing);
/** A column over the current rectangle. */
void ui_push_column_here(int32_t direction, float spacing);
/** Closes the innermost scope (an overflowed one first) and restores the rectangle that was current
 *  when it opened; flag 2 when none is open. */
void ui_pop_scope();
/** Allocates size along the innermost scope's axis from its cursor; the piece becomes the current
 *  rectangle. Negative size: 0 and flag 4; past the scope's end: flag 8; no scope: flag 2 and an empty
 *  rectangle. */
void ui_take(float size);
/** Allocates what remains of the innermost scope (negative remainder: 0 and flag 8). A second time in
 *  the same scope sets flag 16 and gives a zero-size rectangle at the current position. */
void ui_take_rest();
/** Current rectangle = (x, y, w, h) shrunk by the four insets; a negative width or height is 0 with
 *  flag 4. */
void ui_inset(float x, float y, float w, float h, float left, float top, float right, float bottom);
/** Current rectangle = a cw x ch rectangle aligned inside (x, y, w, h) by h_align and v_align
 *  (start, centred, end); negative cw or ch is 0 with flag 4. */
void ui_place(int32_t h_align, int32_t v_align, float x, float y, float w, float h, float cw, float ch);
/** Start of a content extent aligned in (start, extent): 1 centred, 2 at the end, otherwise start. */
float ui_align(int32_t mode, float start, float extent, float content);
/** Sets a bit in ui_status_value (bits below 1 are ignored). */
void ui_flag(int32_t bit);

// ---------------------------------------------------------------------------------------------
// Screen layout (app.layout)

/** Content heights of the shelf's two lists: five rows of part cards plus the hint box, and the six
 *  menu buttons. */
inline constexpr float kLayoutPartsContentH = 940.0f;
inline constexpr float kLayoutMenuContentH = 612.0f;

/** Recomputes every screen rectangle of app.layout from the display's safe area (or 2000 x 900 at the
 *  origin when it is at most 1 wide or high, or a full-canvas capture is on) and starts the UI frame on
 *  it. Derives base_scale and scale, keeps the wall point at the board's centre where it was when the
 *  board changes size, clamps the view, and clamps both shelf list scrolls to their range. Runs at the
 *  start of every tick and every render. */
void layout_screen();

// ---------------------------------------------------------------------------------------------
// Resources and text (app.res)
//
// res_load_all (declared above) loads, once at start-up and in this order, the title font (40), the
// label font (22) and the small font (the label font's file at 18), sprites 0..35 of the sprite table
// into app.res.sprites, the disc sheet and the icon sheet, then sets app.res.ready to 1. A load that
// fails leaves its handle 0, which draws nothing; the others go on.

/** Sprites of the sprite table; app.res.sprites holds 48. */
inline constexpr int32_t kResSpriteCount = 36;
/** Sprite indices of app.res.sprites. */
enum ResSprite : int32_t {
    kSpritePart = 0,  // + kind 0..8
    kSpriteUturnFlipped = 9,
    kSpriteShadow = 10,  // + kind 0..8
    kSpriteUturnFlippedShadow = 19,
    kSpriteGlass = 20,  // + tint 0..5
    kSpriteSteel = 26,
    kSpriteClay = 27,  // + tint 0..2
    kSpriteMarbleShade = 30,
    kSpriteMarbleShadow = 31,
    kSpriteHopper = 32,
    kSpriteHopperShadow = 33,
    kSpriteTray = 34,
    kSpriteKnob = 35,
};

/** Loads one sheet image (sheet 0 the discs, 1 the icons) at (columns x cell width) by (rows x cell
 *  height) pixels and records its grid. 1 on success; 0, leaving the sheet record unchanged, when a
 *  grid value is below 1, a pixel size does not fit in 32 bits, the sheet is unknown or the load
 *  fails. */
int32_t sheet_load(int32_t sheet, int32_t path, int32_t columns, int32_t rows, int32_t cell_width, int32_t cell_height);
/** The runtime's measured width of a text (text id) in a font; 0 when nothing measures. */
float text_width(int32_t font, int32_t text);
/** Width of n in decimal as draw_number draws it: the sum of the measured widths of its digits
 *  ("0".."9", at most ten). Meant for n >= 0; a negative n measures its last digit only. */
float number_width(int32_t font, int32_t n);
/** Draws n in decimal, digit by digit from the right so the last digit ends at x + number_width, in
 *  a palette colour at full alpha; y is the top of the line box. */
void draw_number(int32_t font, int32_t n, float x, float y, int32_t color);

// ---------------------------------------------------------------------------------------------
// Screens (pass 0 input, pass 1 draw) and the selection overlay (draw 0 input, 1 draw).

void screen_shelf(int32_t pass);
void screen_board_buttons(int32_t pass);
void screen_zoom_buttons(int32_t pass);
void screen_starter_walls(int32_t pass);
void screen_wall_size(int32_t pass);
void screen_credits(int32_t pass);
void screen_levels(int32_t pass);
void editor_overlay(int32_t draw);
