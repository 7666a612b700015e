#include "game/start_request.h"

#include "common/notices.h"
#include "common/text.h"
#include "common/two_digit_text.h"
#include "core/save_copy.h"
#include "core/save_description.h"
#include "core/settings.h"
#include "game/backup_timer.h"
#include "game/game_presence.h"
#include "res/swarden_rc.h"

namespace {

const uint32_t longest_interval_minutes = 60;
const uint32_t longest_interval_seconds = 60 * 60;
const uint32_t largest_seconds_field = 59;
// The largest number whose text fits the save command number's setting.
const uint32_t largest_save_command_number = 999999999;
// A program start gives a value below this when the program did not start.
const unsigned first_started_result = 32;

// Everything the fields ask for, checked and not yet committed.
struct Request {
    Settings settings;
    uint32_t interval;
    uint32_t save_command_number;
    RunState paths;  // only the three composed texts are used
};

int refuse(plat_window dialog, const char *message)
{
    info_notice(dialog, message);
    return 0;
}

int read_interval(plat_window dialog, Request *request)
{
    uint32_t minutes = 0;
    uint32_t seconds = 0;
    if (!plat_field_number(dialog, IDC_MINUTES, &minutes))
        return refuse(dialog, "Minutes are invalid");
    if (!plat_field_number(dialog, IDC_SECONDS, &seconds))
        return refuse(dialog, "Seconds are invalid");
    if (seconds > largest_seconds_field)
        return refuse(dialog, "Must specify 59 seconds or less");
    // Minutes beyond an hour are refused before multiplying: a huge value
    // would otherwise wrap round into a short interval.
    if (minutes > longest_interval_minutes ||
        minutes * 60 + seconds > longest_interval_seconds)
        return refuse(dialog, "Must specify an interval of an hour or less");

    request->interval = minutes * 60 + seconds;
    two_digit_text(minutes, request->settings.minutes,
                   sizeof request->settings.minutes);
    two_digit_text(seconds, request->settings.seconds,
                   sizeof request->settings.seconds);
    return 1;
}

// A number of ten digits would not fit its setting and would read back cut.
int read_save_command_number(plat_window dialog, Request *request)
{
    uint32_t number = 0;
    if (!plat_field_number(dialog, IDC_SAVE_NUMBER, &number) ||
        number > largest_save_command_number)
        return refuse(dialog, "Save Message Number is invalid");

    request->save_command_number = number;
    text_format(request->settings.save_message_number,
                sizeof request->settings.save_message_number, "%u", number);
    return 1;
}

bool has_blank(const char *text)
{
    for (; *text != '\0'; ++text)
        if (*text == ' ' || *text == '\t')
            return true;
    return false;
}

// The paths are composed here, before anything is committed, so that one
// too long for the save copy or for the game start changes nothing. A
// command line with a blank in it is started by short names, so its length
// is known only when the game starts; it is checked there.
int compose_paths(plat_window dialog, Request *request)
{
    switch (compose_run_paths(&request->settings, &request->paths)) {
    case RUN_PATHS_OK:
        return 1;
    case RUN_PATHS_SAVE_FILE_TOO_LONG:
        return refuse(dialog, "Path to save file is too long");
    case RUN_PATHS_COMMAND_LINE_TOO_LONG:
        if (has_blank(request->settings.directory) ||
            has_blank(request->settings.game_program) ||
            has_blank(request->paths.live_save_file))
            return 1;
        return refuse(dialog, "Angband command line is too long");
    }
    return 0;
}

// Reads and checks every field, stopping at the first that fails with its
// notice. Nothing outside request changes here.
int check_fields(plat_window dialog, Request *request)
{
    Settings *s = &request->settings;
    plat_field_text(dialog, IDC_WINDOW_TITLE, s->window_title,
                    sizeof s->window_title);
    plat_field_text(dialog, IDC_DIRECTORY, s->directory, sizeof s->directory);
    plat_field_text(dialog, IDC_CHARACTER, s->last_character,
                    sizeof s->last_character);
    if (!read_interval(dialog, request))
        return 0;
    plat_field_text(dialog, IDC_SAVE_PATH, s->save_path, sizeof s->save_path);
    // Not a field of the dialog: as read at start-up or from the game folder.
    text_copy(s->game_program, sizeof s->game_program, g_settings.game_program);
    return read_save_command_number(dialog, request) &&
           compose_paths(dialog, request);
}

void copy_text(char (&to)[PATH_WIDTH + 1], const char (&from)[PATH_WIDTH + 1])
{
    text_copy(to, sizeof to, from);
}

void commit(plat_window dialog, const Request &request)
{
    // Not a field of the dialog: read once at start-up, kept as it was.
    unsigned generations = g_settings.backup_generations;
    g_settings = request.settings;
    g_settings.backup_generations = generations;
    g_run_state.interval = request.interval;
    g_run_state.save_command_number = request.save_command_number;
    save_settings(&g_settings);
    copy_text(g_run_state.live_save_file, request.paths.live_save_file);
    copy_text(g_run_state.backup_save_file, request.paths.backup_save_file);
    copy_text(g_run_state.game_command_line, request.paths.game_command_line);
    // Another save file, perhaps: the countdown follows the game's saves
    // from what it holds now.
    note_save_file_seen();
    // The request may still end at the copy or the game start, before the
    // timer is dealt with; a countdown from an earlier request must not go
    // on with no interval, where every tick would fall due.
    if (request.interval == 0)
        backup_timer_stop(dialog);
}

// Either way the state copied over is kept first, as the newest of the
// backup's generations.
int copy_or_complain(plat_window dialog, const char *source,
                     const char *destination)
{
    if (copy_save_file_keeping(source, destination,
                               g_run_state.backup_save_file,
                               g_settings.backup_generations))
        return 1;
    char message[sizeof "Error copying  to " + 2 * PATH_WIDTH];
    text_format(message, sizeof message, "Error copying %s to %s", source,
                destination);
    warning_notice(dialog, message);
    return 0;
}

// A restore is done once per setting of the check box: the box is cleared
// only when the live save file really came back from the backup.
int copy_save_files(plat_window dialog, bool restore)
{
    if (restore) {
        if (!copy_or_complain(dialog, g_run_state.backup_save_file,
                              g_run_state.live_save_file))
            return 0;
        plat_check_box_clear(dialog, IDC_RESTORE);
        return 1;
    }
    return copy_or_complain(dialog, g_run_state.live_save_file,
                            g_run_state.backup_save_file);
}

// Whichever way the copy went, the save file now holds what Savewarden
// wrote or kept, and the Backups window shows the new row.
int copy_save_files_told(plat_window dialog, bool restore)
{
    int ok = copy_save_files(dialog, restore);
    note_save_file_seen();
    tell_backups_changed();
    return ok;
}

int refuse_start(plat_window dialog)
{
    return refuse(dialog, "Unable to start Angband or Angband already running");
}

// 1 with the path in out when it has no blank, or when it has a short form
// without one; 0 with the reason's notice shown otherwise.
int blank_free_path(plat_window dialog, const char *path,
                    char (&out)[PATH_WIDTH + 1])
{
    if (!has_blank(path)) {
        if (!text_copy(out, sizeof out, path))
            return refuse(dialog, "Angband command line is too long");
        return 1;
    }
    // No short form: the file is not there, and the game would not start.
    if (!plat_short_path(path, out, sizeof out))
        return refuse_start(dialog);
    if (has_blank(out))
        return refuse(dialog, "Angband cannot be started: a folder or file "
                              "name has a space and no short name");
    return 1;
}

// The game takes its save file path from its command line up to the first
// blank, and a program path with a blank is looked for piece by piece, so a
// folder or save file with a blank in its name goes to the game by its short
// name. Without a blank the composed line is started as it stands.
int compose_started_line(plat_window dialog)
{
    char program[sizeof g_settings.directory + sizeof g_settings.game_program];
    text_format(program, sizeof program, "%s\\%s", g_settings.directory,
                g_settings.game_program);
    const char *save = g_run_state.live_save_file;
    if (!has_blank(program) && !has_blank(save))
        return 1;

    char short_program[PATH_WIDTH + 1];
    char short_save[PATH_WIDTH + 1];
    if (!blank_free_path(dialog, program, short_program) ||
        !blank_free_path(dialog, save, short_save))
        return 0;
    if (!text_format(g_run_state.game_command_line,
                     sizeof g_run_state.game_command_line, "%s %s",
                     short_program, short_save))
        return refuse(dialog, "Angband command line is too long");
    return 1;
}

// The game's program is a file of the game folder: a name with a path in it
// starts no program anywhere else.
bool names_a_path(const char *program)
{
    for (; *program != '\0'; ++program)
        if (*program == '\\' || *program == '/' || *program == ':')
            return true;
    return false;
}

int start_game(plat_window dialog)
{
    if (names_a_path(g_settings.game_program))
        return refuse_start(dialog);
    if (!compose_started_line(dialog))
        return 0;
    plat_process game = nullptr;
    if (plat_start_program(g_run_state.game_command_line, &game) <
        first_started_result)
        return refuse_start(dialog);
    keep_started_game(game);
    return 1;
}

void set_timer_going(plat_window dialog)
{
    if (g_run_state.interval == 0)
        backup_timer_stop(dialog);
    else
        backup_timer_arm(dialog);
}

// Leaving its death screen, the game writes the dead character over the
// live save, and a Go that backed that up would make the dead one the
// newest backup. So when the save file tells of a dead character and the
// backup of a living one, the player is asked first, in the game's own
// words. 0 when the player cancelled; otherwise *restore says which way
// the copy goes.
int ask_after_death(plat_window dialog, const Request &request, bool *restore)
{
    char dead[SAVE_DESCRIPTION_WIDTH + 1];
    char living[SAVE_DESCRIPTION_WIDTH + 1];
    if (!read_save_description(request.paths.live_save_file, dead, sizeof dead) ||
        !description_is_dead(dead) ||
        !read_save_description(request.paths.backup_save_file, living,
                               sizeof living) ||
        description_is_dead(living))
        return 1;
    char question[sizeof "The save file holds .\nThe backup holds .\n\n"
                  "Bring that character back?" + 2 * SAVE_DESCRIPTION_WIDTH];
    text_format(question, sizeof question,
                "The save file holds %s.\nThe backup holds %s.\n\n"
                "Bring that character back?", dead, living);
    switch (plat_question_box(dialog, question, "Savewarden")) {
    case PLAT_ANSWER_YES:
        *restore = true;
        return 1;
    case PLAT_ANSWER_NO:
        return 1;
    default:
        return 0;
    }
}

// A second game on the same save file would save into it in turn with the
// first, and a restore under a running game would be written over at its
// next save: while the game runs, Go copies nothing and starts nothing. It
// still stores the fields, and a new interval counts from now.
void apply_while_game_runs(plat_window dialog, const Request &request)
{
    commit(dialog, request);
    set_timer_going(dialog);
    info_notice(dialog,
                "Angband is already running: the new settings apply from now");
}

}  // namespace

void start_request(plat_window dialog)
{
    Request request = {};
    if (!check_fields(dialog, &request))
        return;
    bool restore = plat_check_box_is_set(dialog, IDC_RESTORE) != 0;
    if (!restore && !ask_after_death(dialog, request, &restore))
        return;
    if (game_is_running(dialog)) {
        if (restore)
            info_notice(dialog, RESTORE_WHILE_GAME_RUNS);
        else
            apply_while_game_runs(dialog, request);
        return;
    }
    commit(dialog, request);
    if (!copy_save_files_told(dialog, restore) || !start_game(dialog))
        return;
    set_timer_going(dialog);
}

int compose_field_paths(plat_window dialog, RunState *paths)
{
    Settings s = {};
    plat_field_text(dialog, IDC_DIRECTORY, s.directory, sizeof s.directory);
    plat_field_text(dialog, IDC_CHARACTER, s.last_character,
                    sizeof s.last_character);
    plat_field_text(dialog, IDC_SAVE_PATH, s.save_path, sizeof s.save_path);
    // Only the save files are wanted here: a command line too long for the
    // game start does not keep them from being listed.
    if (compose_run_paths(&s, paths) == RUN_PATHS_SAVE_FILE_TOO_LONG)
        return refuse(dialog, "Path to save file is too long");
    return 1;
}
