#include "core/game_folder.h"

#include "common/text.h"
#include "platform/platform.h"

namespace {

// Angband's save folder from version 4.0 on, and every older one's.
const char user_save[] = "\\lib\\user\\save";
const char lib_save[] = "\\lib\\save";

// Sil and Sil-Q share their program's name; Sil-Q keeps its tutorial save
// in lib\xtra (from 1.3.3 on), Sil 1.3 in lib\apex.
const char sil_program[] = "Sil.exe";

// A game beside the program: Angband, or one of its variants that kept its
// Windows front-end, and with it the save command 110.
struct Game {
    const char *program;
    const char *window_title;  // its main window's, as its source sets it
    const char *save_folder;   // where it keeps its saves; else lib_save
    const char *only_in_its_folder;  // where the program is shared: a file
                                     // only this game's folder holds
};

const Game games[] = {
    {DEFAULT_GAME_PROGRAM, "Angband", user_save, nullptr},  // always first
    {sil_program, "Sil-Q", lib_save, "lib\\xtra\\tutorial"},
    {sil_program, "Sil", lib_save, nullptr},
    {"faangband.exe", "FAangband", user_save, nullptr},
    {"nppangband.exe", "NPPAngband", lib_save, nullptr},
    {"poschengband.exe", "PosChengband", lib_save, nullptr},
    {"frogcomposband.exe", "Main", lib_save, nullptr},
    {"oangband.exe", "OAngband", lib_save, nullptr},
};

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

// What folder\name is; nothing when the path would not fit its width, as
// the game start composes the same path.
enum plat_file_kind kind_in(const char *folder, const char *name)
{
    char path[PATH_WIDTH + 1];
    if (!text_format(path, sizeof path, "%s\\%s", folder, name))
        return PLAT_KIND_NOTHING;
    return plat_file_kind_of(path);
}

// angband.exe makes it Angband whatever else lies beside it, as before the
// variants were known; else the one game whose program is there. Two
// games' programs tell nothing.
const Game *game_in(const char *folder)
{
    const Game *found = nullptr;
    for (const Game &game : games) {
        enum plat_file_kind kind = kind_in(folder, game.program);
        if ((kind != PLAT_KIND_FILE && kind != PLAT_KIND_READ_ONLY) ||
            (game.only_in_its_folder != nullptr &&
             kind_in(folder, game.only_in_its_folder) == PLAT_KIND_NOTHING))
            continue;
        if (&game == games)
            return &game;
        if (found == nullptr)
            found = &game;
        else if (found->program != game.program)
            return nullptr;
    }
    return found;
}

}  // namespace

int settings_from_game_folder(const char *folder, Settings *settings)
{
    if (plat_profile_has_section(SETTINGS_SECTION, SETTINGS_FILE))
        return 0;
    const Game *game = game_in(folder);
    if (game == nullptr)
        return 0;

    text_copy(settings->window_title, sizeof settings->window_title,
              game->window_title);
    text_copy(settings->directory, sizeof settings->directory, folder);
    text_copy(settings->game_program, sizeof settings->game_program,
              game->program);
    const char *const save_folders[] = {game->save_folder, lib_save};
    for (const char *save_folder : save_folders) {
        char path[PATH_WIDTH + 1];
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
