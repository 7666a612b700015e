#include "core/settings.h"

#include <stddef.h>

#include "common/text.h"
#include "platform/platform.h"

Settings g_settings;
RunState g_run_state;

namespace {

struct SettingKey {
    const char *key;
    const char *default_text;
    size_t offset;   // where the text lives in Settings
    unsigned size;   // width + 1
};

// The keys in the order they are read and written.
const SettingKey setting_keys[] = {
    {"WindowTitle", "Angband 2.7.5", offsetof(Settings, window_title),
     sizeof(Settings::window_title)},
    {"Directory", "c:\\angband", offsetof(Settings, directory),
     sizeof(Settings::directory)},
    {"LastCharacter", "save", offsetof(Settings, last_character),
     sizeof(Settings::last_character)},
    {"TimerIntervalMinutes", "15", offsetof(Settings, minutes),
     sizeof(Settings::minutes)},
    {"TimerIntervalSeconds", "00", offsetof(Settings, seconds),
     sizeof(Settings::seconds)},
    {"SavePath", "\\lib\\save", offsetof(Settings, save_path),
     sizeof(Settings::save_path)},
    {"FileSaveMessageNumber", "110", offsetof(Settings, save_message_number),
     sizeof(Settings::save_message_number)},
};

char *text_of(Settings *settings, const SettingKey &k)
{
    return reinterpret_cast<char *>(settings) + k.offset;
}

const char *text_of(const Settings *settings, const SettingKey &k)
{
    return reinterpret_cast<const char *>(settings) + k.offset;
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// One or two digits; the buffer is wider, so a longer number is not cut
// down to one that would pass.
unsigned load_backup_generations(void)
{
    char text[8];
    plat_profile_read(SETTINGS_SECTION, "BackupGenerations", "", text,
                      sizeof text, SETTINGS_FILE);
    if (!is_digit(text[0]))
        return DEFAULT_BACKUP_GENERATIONS;
    if (text[1] == '\0')
        return (unsigned)(text[0] - '0');
    if (is_digit(text[1]) && text[2] == '\0')
        return (unsigned)((text[0] - '0') * 10 + (text[1] - '0'));
    return DEFAULT_BACKUP_GENERATIONS;
}

#define GAME_PROGRAM_KEY "GameProgram"

}  // namespace

void load_settings(Settings *settings)
{
    for (const SettingKey &k : setting_keys)
        plat_profile_read(SETTINGS_SECTION, k.key, k.default_text,
                          text_of(settings, k), k.size, SETTINGS_FILE);
    // No value, or an empty one, names no program: Angband's is meant.
    plat_profile_read(SETTINGS_SECTION, GAME_PROGRAM_KEY, "",
                      settings->game_program, sizeof settings->game_program,
                      SETTINGS_FILE);
    if (settings->game_program[0] == '\0')
        text_copy(settings->game_program, sizeof settings->game_program,
                  DEFAULT_GAME_PROGRAM);
    settings->backup_generations = load_backup_generations();
}

void save_settings(const Settings *settings)
{
    for (const SettingKey &k : setting_keys)
        plat_profile_write(SETTINGS_SECTION, k.key, text_of(settings, k),
                           SETTINGS_FILE);
    if (!text_same(settings->game_program, DEFAULT_GAME_PROGRAM))
        plat_profile_write(SETTINGS_SECTION, GAME_PROGRAM_KEY,
                           settings->game_program, SETTINGS_FILE);
}

enum run_paths_result compose_run_paths(const Settings *settings,
                                        RunState *run)
{
    char live[PATH_WIDTH + 1];
    char backup[PATH_WIDTH + 1];

    // A text that does not fit is refused, never cut. The backup save file
    // is composed only from a live one that fitted whole.
    if (!text_format(live, sizeof live, "%s%s\\%s", settings->directory,
                     settings->save_path, settings->last_character) ||
        !text_format(backup, sizeof backup, "%s.sav", live))
        return RUN_PATHS_SAVE_FILE_TOO_LONG;
    text_copy(run->live_save_file, sizeof run->live_save_file, live);
    text_copy(run->backup_save_file, sizeof run->backup_save_file, backup);
    if (!text_format(run->game_command_line, sizeof run->game_command_line,
                     "%s\\%s %s", settings->directory, settings->game_program,
                     live)) {
        run->game_command_line[0] = '\0';
        return RUN_PATHS_COMMAND_LINE_TOO_LONG;
    }
    return RUN_PATHS_OK;
}
