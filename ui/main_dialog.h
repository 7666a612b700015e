// The main dialog: the program's window, and its start-up and loop.
#ifndef SAVEWARDEN_MAIN_DIALOG_H
#define SAVEWARDEN_MAIN_DIALOG_H

#include <windows.h>

#include "platform/platform.h"

#define HELP_FILE "swarden.hlp"

// The dialog procedure of dialog template 101.
INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                  LPARAM lparam);

// Puts a window of ours to the right of the main dialog with the top edges
// level, or to its left where the screen has no room on the right; never
// off the work area.
void place_beside_main_dialog(HWND window, HWND main_dialog);

// The portable logic knows the dialog only as a platform window.
inline plat_window as_plat_window(HWND dialog)
{
    return reinterpret_cast<plat_window>(dialog);
}

#endif
