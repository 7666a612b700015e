#include "core/game_folder.h"

#include "common/text.h"
#include "platform/platform.h"

namespace {

// Where the game keeps its save files: from version 4.0 on, and before.
const char *const save_folders[] = {"\\lib\\user\\save", "\\lib\\save"};

#define GAME_WINDOW_TITLE "Angband"

// The save file written last among those seen so far.
struct NewestSave {
    bool found;
    uint32_t time_high, time_low;
    char name[PATH_WIDTH + 1];
};

bool has_dot(const char *name)
{
    for (; *name != '\0'; ++name)
        if (*name == '.')
            return true;
    return false;
}

// The game names a save file after its character, never with a dot; every
// name with one is ours (the backups, the copy's temporary files) or the
// game's while it writes (".new", ".old", the ".lok" lock).
void note_save(const struct plat_folder_entry *entry, void *context)
{
    NewestSave *newest = static_cast<NewestSave *>(context);
    if (entry->kind == PLAT_KIND_FOLDER || has_dot(entry->name))
        return;
    if (newest->found &&
        (entry->stamp.time_high < newest->time_high ||
         (entry->stamp.time_high == newest->time_high &&
          entry->stamp.time_low <= newest->time_low)))
        return;
    if (!text_copy(newest->name, sizeof newest->name, entry->name))
        return;  // never a name cut short
    newest->found = true;
    newest->time_high = entry->stamp.time_high;
    newest->time_low = entry->stamp.time_low;
}

}  // namespace

int settings_from_game_folder(const char *folder, Settings *settings)
{
    if (plat_profile_has_section(SETTINGS_SECTION, SETTINGS_FILE))
        return 0;
    // The game start composes the same path; the folder is shorter still.
    char path[PATH_WIDTH + 1];
    if (!text_format(path, sizeof path, "%s\\angband.exe", folder))
        return 0;
    enum plat_file_kind game = plat_file_kind_of(path);
    if (game != PLAT_KIND_FILE && game != PLAT_KIND_READ_ONLY)
        return 0;

    text_copy(settings->window_title, sizeof settings->window_title,
              GAME_WINDOW_TITLE);
    text_copy(settings->directory, sizeof settings->directory, folder);
    for (const char *save_folder : save_folders) {
        if (!text_format(path, sizeof path, "%s%s", folder, save_folder) ||
            plat_file_kind_of(path) != PLAT_KIND_FOLDER)
            continue;
        text_copy(settings->save_path, sizeof settings->save_path, save_folder);
        NewestSave newest = {};
        plat_folder_entries(path, note_save, &newest);
        if (newest.found)
            text_copy(settings->last_character,
                      sizeof settings->last_character, newest.name);
        break;
    }
    return 1;
}
