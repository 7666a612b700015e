// The Backups window: the save file, the backup and the older backups of
// the character the fields name, and any of the backups brought back.
#ifndef SAVEWARDEN_BACKUPS_WINDOW_H
#define SAVEWARDEN_BACKUPS_WINDOW_H

#include <windows.h>

// Opens the Backups window beside the main dialog, or brings the one that
// is open to the front; either way the list is read afresh from the files
// the fields name now. When the fields name no possible path, Go's notice
// says so and no window opens.
void open_backups_window(HWND main_dialog);

// For the message loop, before the main dialog's turn: the Backups window's
// own keys (Escape closes it, Enter restores). True when the message was
// taken.
bool backups_window_message(MSG *msg);

#endif
