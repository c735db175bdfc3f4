// User interface: the interface library, screen layout, screens and panels, resources.
#pragma once

#include <cstdint>

#include "app/state/state.hpp"

/** Recomputes every screen rectangle from the window's safe area. */
void layout_screen();
/** The tick's interface input pass. */
void ui_update();
/** Starts loading the fonts, sprites and sheets. */
void res_load_all();
