// Steps not built yet keep their place in the frame cycle.
#include "app/ui/ui.hpp"

void ui_update() {}

void screen_shelf(int32_t) {}
void screen_board_buttons(int32_t) {}
void screen_zoom_buttons(int32_t) {}
void screen_starter_walls(int32_t) {}
void screen_wall_size(int32_t) {}
void screen_credits(int32_t) {}
void screen_levels(int32_t) {}
void editor_overlay(int32_t) {}
