// Whether the game is running: the one our last Go started, or any window
// with the game's title. While it runs, the save file is the game's: a copy
// over it would be written over again at the game's next save.
#ifndef SAVEWARDEN_GAME_PRESENCE_H
#define SAVEWARDEN_GAME_PRESENCE_H

#include "platform/platform.h"

// The top-level window titled title, as a due tick finds the game; an empty
// title finds none.
plat_window find_game_window(const char *title);

// Keeps the game that a Go has just started, in place of the one before.
void keep_started_game(plat_process process);

// True while the game that our last Go started has not ended, or while a
// window with the Window Title field's title, as it stands, is open.
bool game_is_running(plat_window dialog);

#define RESTORE_WHILE_GAME_RUNS "Close Angband before restoring a backup"

// When the game runs: says so in a notice owned by owner and returns true.
// False, showing nothing, otherwise.
bool game_blocks_restore(plat_window dialog, plat_window owner);

#endif
