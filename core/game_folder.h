// The first start in the game's own folder: with no settings stored yet and
// the program of Angband or of one of its variants beside ours, the dialog
// starts from what the game's folder holds instead of the fixed defaults.
#ifndef SAVEWARDEN_GAME_FOLDER_H
#define SAVEWARDEN_GAME_FOLDER_H

#include "core/settings.h"

// When the settings file has no [Options] section and folder (no backslash
// at its end) holds angband.exe, or else the program of exactly one variant
// that the table in game_folder.cpp knows, sets the window title to that
// game's, the game program to its program, the game folder to folder, the
// save folder to the game's own or else "\lib\save", whichever the folder
// holds, and the character to the save file there that was written last.
// What the folder does not give (no save folder, no save file) keeps the
// value settings holds. Returns 1 when it set the fields, 0 when it left
// settings untouched: settings are stored, there is no game or more than
// one, or a path would not fit its width.
int settings_from_game_folder(const char *folder, Settings *settings);

#endif
