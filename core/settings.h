// The seven settings kept in "swarden.ini", the two optional ones, and the
// values of the current backup run derived from them.
#ifndef SAVEWARDEN_SETTINGS_H
#define SAVEWARDEN_SETTINGS_H

#include <stdint.h>

#include "platform/platform.h"

// Widths are maximum lengths in characters, without the terminating zero.
enum {
    PATH_WIDTH = 255,           // every setting text and every composed path
    MINUTES_WIDTH = 2,
    SECONDS_WIDTH = 2,
    SAVE_NUMBER_WIDTH = 9
};

// The texts as read from the settings file or committed by a start request;
// never parsed values.
struct Settings {
    char window_title[PATH_WIDTH + 1];
    char directory[PATH_WIDTH + 1];
    char last_character[PATH_WIDTH + 1];
    char minutes[MINUTES_WIDTH + 1];
    char seconds[SECONDS_WIDTH + 1];
    char save_path[PATH_WIDTH + 1];
    char save_message_number[SAVE_NUMBER_WIDTH + 1];
    // The game's program in its folder, a file name without a path: the
    // optional key "GameProgram", read with the others and written after
    // them only when it is not DEFAULT_GAME_PROGRAM, so the settings of a
    // player of Angband itself stay as they were.
    char game_program[PATH_WIDTH + 1];
    // How many older backups to keep beside the backup save file: the
    // optional key "BackupGenerations", read with the others and never
    // written, so a player's own line stays as it is.
    unsigned backup_generations;
};

// The save file's stamp as Savewarden saw it; exists is 0 when there was
// no file.
struct SaveStamp {
    int exists;
    struct plat_stamp stamp;
};

struct RunState {
    uint32_t interval;             // seconds between saves; 0: none wanted
    uint32_t save_command_number;  // WM_COMMAND number that makes the game save
    char live_save_file[PATH_WIDTH + 1];
    char backup_save_file[PATH_WIDTH + 1];
    char game_command_line[PATH_WIDTH + 1];
    uint32_t deadline;             // tick count at which the next save is due
    // The save file when Savewarden last kept it, wrote it or looked at it,
    // and as the last tick found it: a save of the game's is one it has not
    // seen yet, and it is read once it has held still for a tick.
    SaveStamp save_seen;
    SaveStamp save_at_last_tick;
    // Told after each change to the save file or its backups, that Savewarden
    // made or saw; 0 while nobody listens.
    void (*backups_changed)(void);
    int help_open;                 // help viewer must be told to quit at exit
};

// The program's one instance of each. The RunState starts empty.
extern Settings g_settings;
extern RunState g_run_state;

#define SETTINGS_FILE "swarden.ini"
#define DEFAULT_BACKUP_GENERATIONS 10
#define DEFAULT_GAME_PROGRAM "angband.exe"
#define SETTINGS_SECTION "Options"

// Reads the seven keys; a missing key gives its default, a longer value is
// cut to its width. Reads GameProgram too, an empty or missing one giving
// DEFAULT_GAME_PROGRAM; and BackupGenerations: one or two digits, 0 to 99;
// anything else, or no such key, gives DEFAULT_BACKUP_GENERATIONS.
void load_settings(Settings *settings);
// Writes the seven keys in their fixed order, then GameProgram when it is
// neither empty nor the default; BackupGenerations is never written.
// Failures go unnoticed.
void save_settings(const Settings *settings);

// The composed run paths, or which of them would not fit its width.
enum run_paths_result {
    RUN_PATHS_OK,
    RUN_PATHS_SAVE_FILE_TOO_LONG,     // backup save file over the width
    RUN_PATHS_COMMAND_LINE_TOO_LONG   // game command line over the width
};
// Composes the live save file, backup save file and game command line
// ("<directory>\<game program> <live save file>") from the settings into
// run. When the save files do not fit, run is left untouched; when only the
// command line does not, it is left empty and the two save files are set.
enum run_paths_result compose_run_paths(const Settings *settings,
                                        RunState *run);

#endif
