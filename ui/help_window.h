// Help where Windows has no help viewer: a window of our own showing the
// help text.
#ifndef SAVEWARDEN_HELP_WINDOW_H
#define SAVEWARDEN_HELP_WINDOW_H

#include <windows.h>

// Windows Vista and later have no WinHelp viewer (Windows 10 and 11 cannot
// even install one); there WinHelpA only starts a note that the format is
// not supported.
bool system_lacks_help_viewer();

// Opens the help window beside the main dialog, or brings the one that is
// open to the front. False when it cannot be opened.
bool open_help_window(HWND main_dialog);

// For the message loop, before the main dialog's turn: the help window's
// own keyboard handling (Escape closes it). True when the message was
// taken.
bool help_window_message(MSG *msg);

#endif
