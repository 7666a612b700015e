// Timer 1 on the main dialog: counts down in the caption and, when the
// interval is up, makes the game save and copies its save file to the backup.
#ifndef SAVEWARDEN_BACKUP_TIMER_H
#define SAVEWARDEN_BACKUP_TIMER_H

#include "platform/platform.h"

enum {
    BACKUP_TIMER_ID = 1,
    BACKUP_TIMER_PERIOD_MS = 1000,
    // How long a due tick waits for the game to handle the save command.
    SAVE_COMMAND_TIMEOUT_MS = 30000
};

// Starts a full countdown of the RunState's interval (not 0), or shows
// "Error starting timer" and clears the interval.
void backup_timer_arm(plat_window dialog);
// Stops timer 1, whether or not it runs.
void backup_timer_stop(plat_window dialog);
// One tick of timer 1.
void backup_timer_tick(plat_window dialog);

// True when the two stamps tell of the same file state: the same last
// write and size.
bool same_stamp(const struct plat_stamp &a, const struct plat_stamp &b);

// Savewarden has written the save file itself, or backed it up: what it
// holds now is no save of the game's to follow.
void note_save_file_seen(void);
// Tells whoever listens that the save file or its backups changed.
void tell_backups_changed(void);

#endif
