// The two kinds of modal notice the program shows.
#ifndef SAVEWARDEN_NOTICES_H
#define SAVEWARDEN_NOTICES_H

#include "platform/platform.h"

// Caption "Savewarden", information icon, OK. For rejected input, a failed
// game start and a lost game window.
void info_notice(plat_window owner, const char *text);
// Caption "Savewarden Error", warning icon, OK. For failures of the program's
// own work: copies, the timer, help, the main dialog.
void warning_notice(plat_window owner, const char *text);

#endif
