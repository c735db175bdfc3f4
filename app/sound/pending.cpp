// Steps not built yet keep their place in the frame cycle.
#include "app/sound/sound.hpp"

void audio_request_assets() {}
void audio_stop_all() {}
void audio_update() {}
