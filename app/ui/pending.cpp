// Steps not built yet keep their place in the frame cycle.
#include "app/ui/ui.hpp"

void layout_screen() {}
void ui_update() {}
void res_load_all() {}
