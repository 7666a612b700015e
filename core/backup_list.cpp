#include "core/backup_list.h"

#include "common/text.h"

namespace {

bool row_path(const char *live, const char *backup, int generation,
              char (&path)[BACKUP_ROW_PATH_WIDTH + 1])
{
    if (generation == BACKUP_ROW_SAVE_FILE)
        return text_copy(path, sizeof path, live);
    if (generation == BACKUP_ROW_BACKUP)
        return text_copy(path, sizeof path, backup);
    return text_format(path, sizeof path, "%s.%u", backup, (unsigned)generation);
}

}  // namespace

unsigned list_backups(const char *live, const char *backup,
                      unsigned generations, BackupRow *rows, unsigned capacity)
{
    unsigned count = 0;
    for (int generation = BACKUP_ROW_SAVE_FILE;
         generation <= MOST_BACKUP_GENERATIONS && count < capacity; ++generation) {
        BackupRow *row = &rows[count];
        if (!row_path(live, backup, generation, row->path) ||
            !plat_file_stamp_of(row->path, &row->stamp))
            continue;
        row->generation = generation;
        row->earlier_life = generation > (int)generations;
        read_save_description(row->path, row->description,
                              sizeof row->description);
        ++count;
    }
    return count;
}

// A save file is never 4 GiB: the size's low half is its size.
void backup_row_text(const BackupRow *row, char *out, unsigned size)
{
    char which[sizeof "Earlier life"];  // the longest
    if (row->generation == BACKUP_ROW_SAVE_FILE)
        text_copy(which, sizeof which, "Save file");
    else if (row->generation == BACKUP_ROW_BACKUP)
        text_copy(which, sizeof which, "Backup");
    else if (row->earlier_life)
        text_copy(which, sizeof which, "Earlier life");
    else
        text_format(which, sizeof which, "Older %u", (unsigned)row->generation);
    char time[PLAT_TIME_TEXT_SIZE];
    plat_local_time_text(&row->stamp, time, sizeof time);
    text_format(out, size, "%s\t%s\t%u bytes\t%s", which, time,
                (unsigned)row->stamp.size_low, row->description);
}
