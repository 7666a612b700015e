// The start request through the real dialog: restore and its failure, and
// every input check with its message, caption and icon.
#include "scenarios.h"

#include "check.h"
#include "files.h"

namespace e2e {

void scenario_restore(const Env& env)
{
    const std::string live = sample_save("LIVE before restore", 3000);
    const std::string backup = sample_save("BACKUP to restore", 4100);
    StandInGame game(env, "restore", live, titled("Angband Restore"));
    write_file(game.backup_save(), backup);

    Savewarden app;
    start_and_press_go(app, env, game, "0", "0", true);
    wait_for_game_starts(game, 1, 10000);
    check_file(game.live_save(), backup, "live save restored from the backup");
    check_file(game.backup_save(), backup, "backup unchanged by a restore");
    check_file(game.backup_save() + ".1", live, "the replaced live save kept as generation 1");
    check(!is_checked(app.dialog(), ids::restore), "restore box cleared after the restore");

    // A second restore with nothing changed keeps nothing twice.
    end_games(game.log_path);
    set_checked(app.dialog(), ids::restore, true);
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 2, 10000);
    check_file(game.live_save(), backup, "live save after the second restore");
    check_file(game.backup_save() + ".1", live, "generation 1 after the second restore");
    check(!file_exists(game.backup_save() + ".2"), "no second generation from an unchanged restore");

    // No backup: the restore fails, names backup then live, changes nothing.
    const std::string newer = sample_save("LIVE without a backup", 2500);
    end_games(game.log_path);
    write_file(game.live_save(), newer);
    remove_file(game.backup_save());
    set_checked(app.dialog(), ids::restore, true);
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::warning,
                  "Error copying " + game.backup_save() + " to " + game.live_save(), 5000);
    check_file(game.live_save(), newer, "live save untouched by the failed restore");
    check(!file_exists(game.backup_save()), "no backup made up by the failed restore");
    check(is_checked(app.dialog(), ids::restore), "restore box stays set after the failure");
    sleep_ms(500);
    check_game_events(game.log_path, "window", 2, "game starts (none after the failed restore)");
    check_file(game.backup_save() + ".1", live, "generation 1 is not taken for the backup");

    exit_with_zero(app);
}

namespace {

struct RejectedInput {
    const char* minutes;
    const char* seconds;
    const char* save_number;
    const char* message;
};

// Each row fails one check; where two fields are wrong the first check wins.
const RejectedInput kRejected[] = {
    {"", "00", "110", "Minutes are invalid"},
    {"abc", "xyz", "x", "Minutes are invalid"},
    {"5", "", "110", "Seconds are invalid"},
    {"5", "ab", "", "Seconds are invalid"},
    {"5", "60", "110", "Must specify 59 seconds or less"},
    {"61", "0", "110", "Must specify an interval of an hour or less"},
    {"60", "1", "110", "Must specify an interval of an hour or less"},
    // 71582789 * 60 passes 2^32 and would wrap to 44 seconds.
    {"71582789", "0", "110", "Must specify an interval of an hour or less"},
    {"5", "0", "", "Save Message Number is invalid"},
    {"5", "0", "save", "Save Message Number is invalid"},
    {"5", "0", "1000000000", "Save Message Number is invalid"},
};

void expect_rejected(Savewarden& app, const Fields& fields, const std::string& message)
{
    app.fill_fields(fields);
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::info, message, 5000);
}

}  // namespace

void scenario_input_checks(const Env& env)
{
    StandInGame game(env, "input_checks", sample_save("ORIGINAL", 1000),
                     titled("Angband Input Checks"));
    const Fields valid = fields_for(game, "5", "0");

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    for (const RejectedInput& row : kRejected)
        expect_rejected(app, with_numbers(valid, row.minutes, row.seconds, row.save_number),
                        row.message);
    // Composed paths that would not fit their 255 characters.
    Fields long_name = valid;
    long_name.character = std::string(240, 'n');
    expect_rejected(app, long_name, "Path to save file is too long");
    Fields long_folder = valid;
    long_folder.directory = game.folder + "\\" + std::string(100, 'd');
    expect_rejected(app, long_folder, "Angband command line is too long");

    check(!file_exists(settings_file_path()), "no settings file after rejected requests");
    check(!file_exists(game.backup_save()), "no backup after rejected requests");
    check_game_events(game.log_path, "start", 0, "game starts after rejected requests");
    check_equal(app.caption(), "Savewarden", "caption after rejected requests");

    // The edges that pass: an hour exactly, and short numbers stored padded.
    app.fill_fields(with_numbers(valid, "60", "0", "110"));
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 1, 10000);
    std::string caption = caption_when(app, [](int left) { return left >= 0; }, 3000);
    check(countdown_seconds(caption) >= 3598 && countdown_seconds(caption) <= 3599,
          "an hour is accepted and counts down from 59:59 (" + quoted(caption) + ")");

    const Fields padded = with_numbers(valid, "7", "5", "0110");
    end_games(game.log_path);
    app.fill_fields(padded);
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 2, 10000);
    const Fields stored = with_numbers(padded, "07", "05", "110");
    check_equal(settings_file_text(), expected_settings_text(stored), "settings file");
    check_equal(control_text(app.dialog(), ids::minutes), "7", "minutes field keeps its text");
    check_equal(control_text(app.dialog(), ids::seconds), "5", "seconds field keeps its text");
    caption = caption_when(app, [](int left) { return left >= 0 && left <= 7 * 60 + 5; }, 3000);
    check(countdown_seconds(caption) >= 7 * 60 + 3 && countdown_seconds(caption) <= 7 * 60 + 4,
          "re-armed with 07:05 (" + quoted(caption) + ")");

    // A rejection while counting changes nothing: file, countdown, fields.
    expect_rejected(app, with_numbers(padded, "abc", "5", "0110"), "Minutes are invalid");
    check_equal(settings_file_text(), expected_settings_text(stored), "settings file after a rejection");
    int before = countdown_seconds(app.caption());
    caption = caption_when(app, [&](int left) { return left >= 0 && left < before; }, 3000);
    check(countdown_seconds(caption) >= 0 && countdown_seconds(caption) < before,
          "countdown goes on after a rejection (" + quoted(caption) + ")");

    exit_with_zero(app);
}

// While the game runs, Go starts no second game and copies nothing: the new
// interval counts from now, and a restore is refused with the box left
// ticked. Once the player has closed the game, Go works as ever.
void scenario_one_game_at_a_time(const Env& env)
{
    const std::string live = sample_save("LIVE one game", 3000);
    StandInGame game(env, "one_game", live, titled("Angband One Game"));

    Savewarden app;
    start_and_go(app, env, game, "0", "20");
    check_file(game.backup_save(), live, "backup made at the first Go");
    // The game has saved since: a copy either way would show.
    const std::string played = sample_save("PLAYED one game", 3100);
    write_file(game.live_save(), played);

    app.fill_fields(fields_for(game, "0", "45"));
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::info, kAlreadyRunning, 5000);
    std::string caption = caption_when(app, [](int left) { return left > 20; }, 3000);
    check(countdown_seconds(caption) > 20 && countdown_seconds(caption) <= 45,
          "the new interval counts from the second Go (" + quoted(caption) + ")");
    check(settings_file_text().find("TimerIntervalSeconds=45\n") != std::string::npos,
          "the second Go stored the fields");

    set_checked(app.dialog(), ids::restore, true);
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::info, kCloseBeforeRestore, 5000);
    check(is_checked(app.dialog(), ids::restore), "the restore box stays ticked");
    sleep_ms(500);
    check_game_events(game.log_path, "start", 1, "game processes started while the game ran");
    check_file(game.live_save(), played, "save untouched while the game ran");
    check_file(game.backup_save(), live, "backup untouched while the game ran");
    check(!file_exists(game.backup_save() + ".1"), "no generation kept while the game ran");

    // The player closes the game; the ticked restore now goes ahead.
    HWND window = find_window_by_title(game.behaviour.title);
    check(window != nullptr && PostMessageA(window, WM_CLOSE, 0, 0), "the game's window closed");
    check(wait_until([&] { return count_game_events(game.log_path, "exit") == 1; }, 5000),
          "the game ended");
    end_games(game.log_path);
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 2, 10000);
    check_file(game.live_save(), live, "the save restored once the game was closed");
    check_file(game.backup_save() + ".1", played, "the save it replaced kept");
    check(!is_checked(app.dialog(), ids::restore), "restore box cleared after the restore");

    exit_with_zero(app);
}

// The game writes its dead character over the live save; the next Go asks
// before backing that up over the living backup. Cancel does nothing, Yes
// restores the living one, No backs up the dead one as asked.
void scenario_question_after_death(const Env& env)
{
    const std::string alive = "Hero, L12 Human Warrior, at DL7";
    const std::string dead = "Hero, dead (Grip, Farmer Maggot's Dog)";
    GameBehaviour behaviour = titled("Angband After Death");
    behaviour.description = alive;
    behaviour.death_description = dead;
    behaviour.dies_after_ms = 300;
    const std::string living = described_save(alive, 3000);
    StandInGame game(env, "after_death", living, behaviour);
    auto play_until_death = [&](size_t deaths) {
        check(wait_until([&] { return count_game_events(game.log_path, "died") >= deaths; },
                         5000),
              "the game wrote its dead character over the save");
        end_games(game.log_path);
    };

    Savewarden app;
    start_and_go(app, env, game, "0", "0");
    play_until_death(1);
    const std::string dead_save = *read_file(game.live_save());
    const std::string question = "The save file holds " + dead + ".\nThe backup holds " + alive +
                                 ".\n\nBring that character back?";

    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::question, question, 5000, IDCANCEL);
    sleep_ms(500);
    check_game_events(game.log_path, "start", 1, "no game started after Cancel");
    check_file(game.live_save(), dead_save, "save untouched after Cancel");
    check_file(game.backup_save(), living, "backup untouched after Cancel");

    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::question, question, 5000, IDYES);
    wait_for_game_starts(game, 2, 10000);
    // The game dies again soon after, so the live save is not looked at:
    // the restore shows in what it kept.
    check_file(game.backup_save(), living, "Yes restored from the backup, which stays");
    check_file(game.backup_save() + ".1", dead_save, "Yes kept the dead save as generation 1");
    check(!is_checked(app.dialog(), ids::restore), "the box is clear after Yes");
    play_until_death(2);
    const std::string dead_again = *read_file(game.live_save());

    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::question, question, 5000, IDNO);
    wait_for_game_starts(game, 3, 10000);
    check_file(game.backup_save(), dead_again, "No backed up the dead save as asked");
    check_file(game.backup_save() + ".1", living, "the living backup kept as generation 1");

    exit_with_zero(app);
}

}  // namespace e2e
