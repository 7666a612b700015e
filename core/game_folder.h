// The first start in the game's own folder: with no settings stored yet and
// angband.exe beside the program, the dialog starts from what the game's
// folder holds instead of the fixed defaults.
#ifndef SAVEWARDEN_GAME_FOLDER_H
#define SAVEWARDEN_GAME_FOLDER_H

#include "core/settings.h"

// When the settings file has no [Options] section and folder (no backslash
// at its end) holds angband.exe, sets the window title to "Angband", the
// game folder to folder, the save folder to "\lib\user\save" or else
// "\lib\save", whichever it holds, and the character to the save file there
// that was written last. What the folder does not give (no save folder, no
// save file) keeps the value settings holds. Returns 1 when it set the
// fields, 0 when it left settings untouched: settings are stored, there is
// no game, or a path would not fit its width.
int settings_from_game_folder(const char *folder, Settings *settings);

#endif
