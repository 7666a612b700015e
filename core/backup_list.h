// The files a player can bring a character back from: the save file itself,
// the backup and the older backups that exist, each with its time, size and
// the game's description of the character it holds.
#ifndef SAVEWARDEN_BACKUP_LIST_H
#define SAVEWARDEN_BACKUP_LIST_H

#include "core/save_copy.h"
#include "core/save_description.h"
#include "core/settings.h"
#include "platform/platform.h"

enum {
    BACKUP_ROW_SAVE_FILE = -1,  // the save file itself: nothing to restore
    BACKUP_ROW_BACKUP = 0,      // the backup; 1 and on: "<backup>.1" and on
    // The save file, the backup and every older backup a setting may keep.
    MOST_BACKUP_ROWS = 2 + MOST_BACKUP_GENERATIONS,
    // "<backup>.99" of the longest backup path.
    BACKUP_ROW_PATH_WIDTH = PATH_WIDTH + 3,
    // Room for the longest row text: which file, time, size, description.
    BACKUP_ROW_TEXT_SIZE = 256
};

struct BackupRow {
    int generation;  // BACKUP_ROW_SAVE_FILE, BACKUP_ROW_BACKUP or 1 and on
    int earlier_life;  // beyond the recent generations: an earlier life's
    char path[BACKUP_ROW_PATH_WIDTH + 1];
    struct plat_stamp stamp;
    char description[SAVE_DESCRIPTION_WIDTH + 1];  // empty when it has none
};

// The rows of the files that exist, newest first: the save file live, the
// backup, then "<backup>.1" to "<backup>.<generations>", then the last
// states of earlier lives kept beyond them, up to "<backup>.99". A missing
// file, or a folder in its place, has no row. At most capacity rows;
// returns how many.
unsigned list_backups(const char *live, const char *backup,
                      unsigned generations, struct BackupRow *rows,
                      unsigned capacity);

// The row as the list shows it, its columns parted by tabs: which file it is
// ("Save file", "Backup", "Older 1"..., "Earlier life"), the local time of its last write,
// its size and its description.
void backup_row_text(const struct BackupRow *row, char *out, unsigned size);

#endif
