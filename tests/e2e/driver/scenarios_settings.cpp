// First start, in the game's folder too, Go with the default settings, and
// settings kept between runs.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "screen.h"

#include <cstdio>

namespace e2e {

namespace {

void check_fields(const Fields& shown, const Fields& expected, const std::string& what)
{
    for (const FieldControl& c : kFieldControls)
        check_equal(shown.*c.text, expected.*c.text, what + ": " + c.name + " field");
}

// With E2E_SHOT_DIR set (tools/demo.sh --game-folder-screenshot): the dialog
// with the game's window moved beside it, saved as game-folder.bmp there.
void take_game_folder_shot(const Savewarden& app, const std::string& title)
{
    char folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("E2E_SHOT_DIR", folder, sizeof folder);
    HWND game = find_window_by_title(title);
    if (n == 0 || n >= sizeof folder || !game)
        return;
    RECT main, other, both;
    GetWindowRect(app.dialog(), &main);
    SetWindowPos(game, HWND_BOTTOM, main.right + 8, main.top, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(app.dialog());
    sleep_ms(1500);  // both drawn, the countdown under way
    GetWindowRect(game, &other);
    UnionRect(&both, &main, &other);
    const std::string path = std::string(folder, n) + "\\game-folder.bmp";
    check(save_bitmap(capture_screen(both), path), "screenshot written to " + path);
    std::printf("screenshot %s\n", path.c_str());
}

}  // namespace

void scenario_first_start(const Env& env)
{
    remove_settings_file();
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    check_equal(app.caption(), "Savewarden", "caption at start");
    check_fields(app.read_fields(), Fields(), "first start");
    check(!is_checked(app.dialog(), ids::restore), "restore box starts clear");

    exit_with_zero(app);
    check(!file_exists(settings_file_path()), "exit at once writes no settings file");

    // The dialog opens in the show state the program was started with.
    Savewarden minimised;
    minimised.start(env.savewarden_exe, "C:\\", SW_SHOWMINNOACTIVE);
    check(IsIconic(minimised.dialog()) != FALSE, "started minimised, the dialog opens minimised");
    exit_with_zero(minimised, "Exit while minimised");
}

// Savewarden copied into a 4.2 game's folder and started there with no
// settings stored: the fields come from the folder, Go works with them as
// they are, and once stored they win over what the folder says.
void scenario_first_start_in_game_folder(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband";
    GameFolder game = prepare_game_folder("C:\\e2e\\Angband 4.2", env.stand_in_exe);
    game.save_folder = "\\lib\\user\\save";
    game.character = "Bilbo";
    make_folders(game.folder + game.save_folder);
    write_file(game.folder + game.save_folder + "\\Aragorn", sample_save("ARAGORN", 300));
    sleep_ms(50);
    const std::string save = sample_save("BILBO", 300);
    write_file(game.live_save(), save);
    const std::string exe = game.folder + "\\swarden.exe";
    copy_file(env.savewarden_exe, exe);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    const Fields expected = fields_for(game, behaviour, "15", "00");
    {
        Savewarden app;
        app.start(exe, "C:\\");
        check_fields(app.read_fields(), expected, "first start beside the game");
        check(!file_exists(settings_file_path()), "nothing stored before Go");
        click_button(app.dialog(), ids::go);
        wait_for_game_starts(game, 1, 10000);
        check_equal(game_events(game.log_path, "save-file").at(0).details, "opens",
                    "the game opens the latest save");
        check_file(game.backup_save(), save, "backup of the latest save at Go");
        check_equal(settings_file_text(), expected_settings_text(expected), "settings at Go");
        take_game_folder_shot(app, behaviour.title);
        exit_with_zero(app);
    }
    write_file(game.folder + game.save_folder + "\\Cirdan", sample_save("CIRDAN", 300));
    Savewarden again;
    again.start(exe, "C:\\");
    check_fields(again.read_fields(), expected, "stored settings, not a newer save");
    exit_with_zero(again);

    // A variant's program alone: its fields, its start, GameProgram after the seven keys.
    remove_settings_file();
    behaviour.title = "FAangband";
    GameFolder fa = prepare_game_folder("C:\\e2e\\FAangband", env.stand_in_exe);
    write_file(fa.live_save(), save);
    copy_file(env.stand_in_exe, fa.folder + "\\faangband.exe");
    remove_file(fa.folder + "\\angband.exe");
    copy_file(env.savewarden_exe, fa.folder + "\\swarden.exe");
    set_game_behaviour(behaviour, fa.log_path);
    GameGuard fa_games(fa.log_path);
    const Fields fields = fields_for(fa, behaviour, "15", "00");
    Savewarden beside_fa;
    beside_fa.start(fa.folder + "\\swarden.exe", "C:\\");
    check_fields(beside_fa.read_fields(), fields, "first start beside FAangband");
    click_button(beside_fa.dialog(), ids::go);
    wait_for_game_starts(fa, 1, 10000);
    check_equal(game_events(fa.log_path, "start").at(0).details,
                "cmdline=" + fa.folder + "\\faangband.exe " + fa.live_save(), "FAangband started");
    check_equal(settings_file_text(), expected_settings_text(fields) + "GameProgram=faangband.exe\n",
                "settings at Go beside FAangband");
}

// Go with every field at its default: the game folder is c:\angband itself.
void scenario_go_with_defaults(const Env& env)
{
    remove_settings_file();
    GameFolder game = prepare_game_folder("C:\\angband", env.stand_in_exe);
    game.folder = "c:\\angband";  // as the default field text spells it
    const std::string save = sample_save("ORIGINAL default save", 5000);
    write_file(game.live_save(), save);
    GameBehaviour behaviour;
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 1, 10000);

    auto starts = game_events(game.log_path, "start");
    check_equal(starts.at(0).details, "cmdline=c:\\angband\\angband.exe c:\\angband\\lib\\save\\save",
                "game command line");
    check_equal(settings_file_text(), expected_settings_text(Fields()), "settings file");
    check_file(game.backup_save(), save, "backup equals the live save");
    check_file(game.live_save(), save, "live save untouched");

    std::string first = caption_when(app, [](int left) { return left >= 0; }, 3000);
    check(first == "14:59 - Savewarden" || first == "14:58 - Savewarden",
          "first countdown caption " + quoted(first) + " is 14:59 or 14:58");
    int first_left = countdown_seconds(first);
    std::string later = caption_when(app, [&](int left) { return left >= 0 && left < first_left; },
                                     3000);
    check(countdown_seconds(later) == first_left - 1 || countdown_seconds(later) == first_left - 2,
          "caption counts down (" + quoted(first) + " then " + quoted(later) + ")");
    check_game_events(game.log_path, "command", 0, "commands sent before the interval ends");

    exit_with_zero(app, "Exit during a countdown");
}

// Settings stored by one run come back exactly as stored in the next; a
// line of the player's own for the number of backup generations is read
// at start-up and outlives every Go.
void scenario_settings_round_trip(const Env& env)
{
    StandInGame game(env, "round_trip", sample_save("ORIGINAL", 100), titled("Angband Round Trip"));
    write_file(settings_file_path(), "[Options]\r\nBackupGenerations=2\r\n");
    game.save_folder = "";  // an empty save folder joins folder and name with one "\"
    game.character = "Frodo the 2nd";
    write_file(game.live_save(), sample_save("ORIGINAL", 100));

    Fields typed = fields_for(game, "7", "5");
    typed.save_number = "0110";
    {
        Savewarden app;
        app.start(env.savewarden_exe, "C:\\");
        app.fill_fields(typed);
        click_button(app.dialog(), ids::go);
        wait_for_game_starts(game, 1, 10000);
        // The game reads its save file path up to the first blank, so the
        // name goes to it in its short form, which it must open.
        check_equal(game_events(game.log_path, "save-file").at(0).details, "opens",
                    "the game opens its save file despite the blank in the character name");
        check_fields(app.read_fields(), typed, "after Go the fields keep what was typed");
        // Three more saves backed up at Go: two generations are kept.
        for (int n = 1; n <= 3; ++n) {
            write_file(game.live_save(), sample_save("PLAYED " + std::to_string(n), 100));
            end_games(game.log_path);
            click_button(app.dialog(), ids::go);
            wait_for_game_starts(game, 1 + n, 10000);
        }
        check_file(game.backup_save(), sample_save("PLAYED 3", 100), "backup after four Go");
        check_file(game.backup_save() + ".1", sample_save("PLAYED 2", 100), "generation 1");
        check_file(game.backup_save() + ".2", sample_save("PLAYED 1", 100), "generation 2");
        check(!file_exists(game.backup_save() + ".3"), "no third generation with BackupGenerations=2");
        post_system_command(app.dialog(), SC_CLOSE);
        check_ends_with_zero(app, "system menu Close");
    }
    const Fields stored = with_numbers(typed, "07", "05", "110");
    const std::string seven_keys = expected_settings_text(stored).substr(sizeof "[Options]");
    check_equal(settings_file_text(), "[Options]\nBackupGenerations=2\n" + seven_keys,
                "settings file: the player's line, then the seven keys");

    // BackupGenerations=0: the one backup of old, and the generations
    // already there are left as they are.
    write_file(settings_file_path(), "[Options]\r\nBackupGenerations=0\r\n" + seven_keys);
    Savewarden again;
    again.start(env.savewarden_exe, "C:\\");
    check_fields(again.read_fields(), stored, "next start");
    write_file(game.live_save(), sample_save("PLAYED 4", 100));
    end_games(game.log_path);
    click_button(again.dialog(), ids::go);
    wait_for_game_starts(game, 5, 10000);
    check_file(game.backup_save(), sample_save("PLAYED 4", 100), "backup with BackupGenerations=0");
    check_file(game.backup_save() + ".1", sample_save("PLAYED 2", 100),
               "generation 1 untouched with BackupGenerations=0");
    exit_with_zero(again);
    check(settings_file_text().find("BackupGenerations=0\n") != std::string::npos,
          "the player's line survives Go");
}

// A settings file written by hand: values show as stored, cut to their
// widths; a missing key gives its default, an empty one the empty text.
void scenario_settings_as_stored(const Env& env)
{
    write_file(settings_file_path(),
               "[Options]\r\n"
               "WindowTitle=angband 4.2\r\n"
               "Directory=D:\\Games\\My Angband\r\n"
               "TimerIntervalMinutes=120\r\n"
               "TimerIntervalSeconds=5\r\n"
               "SavePath=\r\n"
               "FileSaveMessageNumber=1234567890123\r\n");
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    Fields expected;
    expected.window_title = "angband 4.2";
    expected.directory = "D:\\Games\\My Angband";
    expected.character = "save";
    expected.minutes = "12";
    expected.seconds = "5";
    expected.save_path = "";
    expected.save_number = "123456789";
    check_fields(app.read_fields(), expected, "hand-written settings");
    exit_with_zero(app);
}

}  // namespace e2e
