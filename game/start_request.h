// What the Go button does: check the fields, store them, bring the save files
// into the wanted state, start the game and set the backup timer going.
#ifndef SAVEWARDEN_START_REQUEST_H
#define SAVEWARDEN_START_REQUEST_H

#include "core/settings.h"
#include "platform/platform.h"

void start_request(plat_window dialog);

// The live and backup save files that the fields give now, composed into
// paths as Go composes them. 0, with Go's own notice, when they cannot be.
int compose_field_paths(plat_window dialog, RunState *paths);

#endif
