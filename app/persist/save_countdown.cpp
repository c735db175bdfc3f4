// The automatic save: armed by every change, run when the countdown passes below 0.
#include "app/persist/persist.hpp"

void persist_request_save() { app_ui_save_countdown = kSaveDelayTicks; }

void persist_tick() {
    if (app_ui_save_countdown < 0) return;
    app_ui_save_countdown -= 1;
    if (app_ui_save_countdown < 0) persist_save_all();
}
