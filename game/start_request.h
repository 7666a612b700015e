// What the Go button does: check the fields, store them, bring the save files
// into the wanted state, start the game and set the backup timer going.
#ifndef SAVEWARDEN_START_REQUEST_H
#define SAVEWARDEN_START_REQUEST_H

#include "platform/platform.h"

void start_request(plat_window dialog);

#endif
