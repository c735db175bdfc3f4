// Steps not built yet keep their place in the frame cycle.
#include "app/interaction/interaction.hpp"

void editor_update() {}
