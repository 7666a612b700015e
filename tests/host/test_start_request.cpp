// The Go button's request: the checks and their order, what an accepted
// request stores, the one save-file copy, the game start and the timer, and
// what each way of ending leaves behind.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <map>
#include <string>
#include <vector>

#include "../e2e/stand_in_game/save_content.h"
#include "core/settings.h"
#include "game/backup_timer.h"
#include "game/game_presence.h"
#include "game/start_request.h"
#include "host_fakes.h"
#include "host_files.h"
#include "res/swarden_rc.h"
#include "scratch_dir.h"

namespace {

typedef std::vector<std::string> Lines;
typedef std::map<int, std::string> Fields;

// Everything a request may change.
struct World {
    Settings settings;
    RunState run;
    bool ini_exists, restore_box, timer_running;
    std::string ini, live, backup;  // the files' contents
};

class StartRequest : public ::testing::Test {
protected:
    ScratchDir dir;
    // Backslashes are plain name characters on the host, so the composed
    // paths name files inside the scratch folder: "game\save" and so on.
    std::string game_dir = dir.file("game");
    std::string live = game_dir + "\\save";
    std::string backup = live + ".sav";
    std::string command = game_dir + "\\angband.exe " + live;
    std::string ini = dir.file(SETTINGS_FILE);
    plat_window dialog = host_dialog();

    void SetUp() override
    {
        host_fakes_reset();
        host_files_reset();
        host_set_profile_dir(dir.path);
        load_settings(&g_settings);  // no file yet: the defaults
        g_run_state = RunState();
        set_fields(default_fields());
        host_set_tick_count(1000000);
        write_file(live, "live save");
    }

    // Each row of a table starts as a test of its own would: an empty
    // folder, fresh fakes, the default settings and fields, a live save.
    void start_afresh()
    {
        for (const std::string &name : dir.entries())
            remove(dir.file(name).c_str());
        SetUp();
    }

    Fields default_fields() const
    {
        return {{IDC_WINDOW_TITLE, "Angband 2.7.5"}, {IDC_DIRECTORY, game_dir},
                {IDC_CHARACTER, "save"},             {IDC_MINUTES, "15"},
                {IDC_SECONDS, "00"},                 {IDC_SAVE_PATH, ""},
                {IDC_SAVE_NUMBER, "110"}};
    }

    void set_fields(const Fields &fields)
    {
        for (const auto &f : fields)
            host_set_field_text(f.first, f.second);
    }

    void go() { start_request(dialog); }
    // The player closes the game that the last Go started.
    void close_game() { host_end_started_programs(); }
    // ... and presses Go again, with a clean log.
    void go_again()
    {
        close_game();
        host_clear_events();
        go();
    }

    // An accepted request with a one-minute countdown, then a clean log.
    void run_countdown()
    {
        set_fields({{IDC_MINUTES, "1"}, {IDC_SECONDS, "0"}});
        go();
        ASSERT_TRUE(host_timer_running(BACKUP_TIMER_ID));
        ASSERT_TRUE(host_events_starting("notice").empty());
        set_fields(default_fields());
        host_clear_events();
    }

    World world() const
    {
        World w;
        w.settings = g_settings;
        w.run = g_run_state;
        w.ini_exists = file_exists(ini);
        w.ini = read_file(ini);
        w.live = read_file(live);
        w.backup = read_file(backup);
        w.restore_box = host_check_box(IDC_RESTORE);
        w.timer_running = host_timer_running(BACKUP_TIMER_ID);
        return w;
    }

    // An info notice owned by the dialog, logged as the only event.
    static Lines only_info(const std::string &text)
    {
        return {"notice info Savewarden: " + text};
    }
};

void expect_same_world(const World &a, const World &b)
{
    EXPECT_EQ(memcmp(&a.settings, &b.settings, sizeof a.settings), 0);
    EXPECT_EQ(memcmp(&a.run, &b.run, sizeof a.run), 0);
    EXPECT_EQ(a.ini_exists, b.ini_exists);
    EXPECT_EQ(a.ini, b.ini);
    EXPECT_EQ(a.live, b.live);
    EXPECT_EQ(a.backup, b.backup);
    EXPECT_EQ(a.restore_box, b.restore_box);
    EXPECT_EQ(a.timer_running, b.timer_running);
}

// ---- the checks -----------------------------------------------------------

TEST_F(StartRequest, TheFirstFailingCheckWinsAndNothingChanges)
{
    run_countdown();
    host_add_window("Angband 2.7.5");
    host_set_check_box(IDC_RESTORE, true);
    write_file(backup, "backup save");
    const World before = world();

    // A name that makes the backup save file 256 characters long, and one
    // that keeps it short but makes the game command line 256 long.
    const std::string save_file_too_long(251 - game_dir.size(), 'n');
    const std::string command_too_long(242 - 2 * game_dir.size(), 'n');

    // Each case breaks later checks too, to show that the earlier one wins.
    const struct {
        Fields fields;
        const char *message;
    } cases[] = {
        {{{IDC_MINUTES, ""}, {IDC_SECONDS, "x"}, {IDC_SAVE_NUMBER, ""},
          {IDC_CHARACTER, save_file_too_long}},
         "Minutes are invalid"},
        {{{IDC_MINUTES, "4294967296"}, {IDC_SECONDS, "x"}}, "Minutes are invalid"},
        {{{IDC_MINUTES, "75"}, {IDC_SECONDS, ""}, {IDC_SAVE_NUMBER, ""}},
         "Seconds are invalid"},
        {{{IDC_MINUTES, "75"}, {IDC_SECONDS, "60"}, {IDC_SAVE_NUMBER, ""}},
         "Must specify 59 seconds or less"},
        {{{IDC_MINUTES, "61"}, {IDC_SECONDS, "0"}, {IDC_SAVE_NUMBER, ""}},
         "Must specify an interval of an hour or less"},
        {{{IDC_MINUTES, "60"}, {IDC_SECONDS, "1"}, {IDC_SAVE_NUMBER, ""}},
         "Must specify an interval of an hour or less"},
        // 71582789 x 60 is 44 more than 2^32: wrapped, it would pass as 44 s.
        {{{IDC_MINUTES, "71582789"}, {IDC_SECONDS, "0"}},
         "Must specify an interval of an hour or less"},
        {{{IDC_MINUTES, "4294967295"}, {IDC_SECONDS, "59"}},
         "Must specify an interval of an hour or less"},
        {{{IDC_SAVE_NUMBER, ""}, {IDC_CHARACTER, save_file_too_long}},
         "Save Message Number is invalid"},
        {{{IDC_SAVE_NUMBER, "1000000000"}}, "Save Message Number is invalid"},
        {{{IDC_SAVE_NUMBER, "4294967296"}}, "Save Message Number is invalid"},
        {{{IDC_CHARACTER, save_file_too_long}}, "Path to save file is too long"},
        {{{IDC_CHARACTER, command_too_long}}, "Angband command line is too long"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        set_fields(default_fields());
        // Texts that would change the settings if anything were committed.
        set_fields({{IDC_WINDOW_TITLE, "Some Other Game"},
                    {IDC_SAVE_NUMBER, "120"}});
        set_fields(c.fields);
        host_clear_events();

        go();

        EXPECT_EQ(host_events(), only_info(c.message));
        expect_same_world(world(), before);
    }

    // The countdown goes on with the values it had.
    host_set_tick_count(before.run.deadline);
    host_deliver_tick(BACKUP_TIMER_ID);
    EXPECT_EQ(host_events_starting("find "), Lines({"find Angband 2.7.5"}));
    EXPECT_EQ(host_events_starting("send "), Lines({"send game1 110 30000"}));
}

// ---- what an accepted request stores ------------------------------------------

// The numbers are stored as their setting texts, an empty text as empty and
// a text longer than its width cut; the settings file holds exactly those
// texts, they read back as stored, and the run takes the numbers and the
// paths composed from them.
TEST_F(StartRequest, AnAcceptedRequestStoresTheFieldsAsSettingTexts)
{
    const std::string title = "Angband 2.7.5", long_title(300, 't');
    const struct {
        const char *what;
        Fields fields;
        std::string title, character;            // as stored
        const char *minutes, *seconds, *number;  // as stored
        uint32_t interval, save_command_number;
    } cases[] = {
        {"an hour exactly", {{IDC_MINUTES, "60"}, {IDC_SECONDS, "0"}},
         title, "save", "60", "00", "110", 3600, 110},
        {"numbers as texts",
         {{IDC_MINUTES, "7"}, {IDC_SECONDS, "5"}, {IDC_SAVE_NUMBER, "0110"}},
         title, "save", "07", "05", "110", 7 * 60 + 5, 110},
        {"the largest save command number", {{IDC_SAVE_NUMBER, "999999999"}},
         title, "save", "15", "00", "999999999", 900, 999999999},
        {"empty texts", {{IDC_WINDOW_TITLE, ""}, {IDC_CHARACTER, ""}},
         "", "", "15", "00", "110", 900, 110},
        {"a title longer than its width", {{IDC_WINDOW_TITLE, long_title}},
         long_title.substr(0, 255), "save", "15", "00", "110", 900, 110},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start_afresh();
        set_fields(c.fields);
        const std::string save = game_dir + "\\" + c.character;
        write_file(save, "live save");  // for "": the save of a nameless one
        go();

        EXPECT_TRUE(host_events_starting("notice").empty());
        EXPECT_EQ(std::string(g_settings.window_title), c.title);
        EXPECT_EQ(std::string(g_settings.last_character), c.character);
        EXPECT_STREQ(g_settings.minutes, c.minutes);
        EXPECT_STREQ(g_settings.seconds, c.seconds);
        EXPECT_STREQ(g_settings.save_path, "");
        EXPECT_STREQ(g_settings.save_message_number, c.number);
        EXPECT_EQ(g_run_state.interval, c.interval);
        EXPECT_EQ(g_run_state.save_command_number, c.save_command_number);
        EXPECT_EQ(g_run_state.deadline, 1000000u + c.interval * 1000u);
        EXPECT_EQ(read_file(ini), "[Options]\r\n"
                                  "WindowTitle=" + c.title + "\r\n"
                                  "Directory=" + game_dir + "\r\n"
                                  "LastCharacter=" + c.character + "\r\n"
                                  "TimerIntervalMinutes=" + c.minutes + "\r\n"
                                  "TimerIntervalSeconds=" + c.seconds + "\r\n"
                                  "SavePath=\r\n"
                                  "FileSaveMessageNumber=" + c.number + "\r\n");
        Settings reread;
        load_settings(&reread);
        EXPECT_STREQ(reread.window_title, g_settings.window_title);
        EXPECT_STREQ(reread.last_character, g_settings.last_character);
        EXPECT_STREQ(reread.save_message_number, c.number);
        EXPECT_EQ(std::string(g_run_state.live_save_file), save);
        EXPECT_EQ(std::string(g_run_state.backup_save_file), save + ".sav");
        const std::string line = game_dir + "\\angband.exe " + save;
        EXPECT_EQ(std::string(g_run_state.game_command_line), line);
        EXPECT_EQ(host_started_programs(), Lines({line}));
    }
}

// ---- the one copy ---------------------------------------------------------

TEST_F(StartRequest, BackUpCopiesTheLiveSaveFileOverTheBackup)
{
    write_file(backup, "older backup");
    go();
    EXPECT_EQ(read_file(backup), "live save");
    EXPECT_EQ(read_file(live), "live save");
    EXPECT_EQ(read_file(backup + ".1"), "older backup");
    EXPECT_EQ(host_events_starting("clear"), Lines());
    EXPECT_EQ(host_started_programs(), Lines({command}));

    // The settings file's own number of generations outlives every Go.
    write_file(ini, read_file(ini) + "BackupGenerations=1\r\n");
    load_settings(&g_settings);
    for (const char *save : {"second save", "third save"}) {
        write_file(live, save);
        go_again();
    }
    EXPECT_EQ(g_settings.backup_generations, 1u);
    EXPECT_EQ(read_file(backup + ".1"), "second save");
    EXPECT_FALSE(file_exists(backup + ".2"));
    EXPECT_NE(read_file(ini).find("BackupGenerations=1"), std::string::npos);
}

// A failed copy either way names both files and ends the request, leaving
// the file it would have replaced and the restore box as they were; the
// settings were committed before the copy.
TEST_F(StartRequest, AFailedCopyNamesBothFilesAndEndsTheRequest)
{
    const struct { const char *what; bool restore; std::string from, to; } cases[] = {
        {"back up, a new character: no save file yet", false, live, backup},
        {"restore, no backup yet", true, backup, live},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start_afresh();
        host_set_check_box(IDC_RESTORE, c.restore);
        remove(c.from.c_str());
        write_file(c.to, "kept as it was");
        go();

        EXPECT_EQ(host_events(), Lines({"find Angband 2.7.5",
                                        "notice warning Savewarden Error: "
                                        "Error copying " + c.from + " to " + c.to}));
        EXPECT_EQ(read_file(c.to), "kept as it was");
        EXPECT_FALSE(file_exists(c.from));
        EXPECT_EQ(host_check_box(IDC_RESTORE), c.restore);
        EXPECT_TRUE(file_exists(ini));
        EXPECT_EQ(g_run_state.interval, 900u);
        EXPECT_STREQ(g_run_state.backup_save_file, backup.c_str());
    }
}

TEST_F(StartRequest, ARestoreCopiesTheBackupBackAndClearsTheBoxOnce)
{
    host_set_check_box(IDC_RESTORE, true);
    write_file(live, "character who died");
    write_file(backup, "character before the fall");
    go();

    EXPECT_EQ(read_file(live), "character before the fall");
    EXPECT_EQ(read_file(backup), "character before the fall");
    EXPECT_FALSE(host_check_box(IDC_RESTORE));
    EXPECT_EQ(host_events(), Lines({"find Angband 2.7.5", "clear 1006",
                                    "start " + command, "timer stop 1",
                                    "timer start 1 1000"}));

    // The live save it replaced can be brought back from generation 1.
    EXPECT_EQ(read_file(backup + ".1"), "character who died");

    // With the box now clear, the next request backs up again.
    write_file(live, "played on");
    go_again();
    EXPECT_EQ(read_file(backup), "played on");
    EXPECT_EQ(read_file(backup + ".1"), "character before the fall");
    EXPECT_EQ(read_file(backup + ".2"), "character who died");
    EXPECT_EQ(host_events_starting("clear"), Lines());
}

TEST_F(StartRequest, TheCopyMessageHoldsTheLongestPathsWhole)
{
    // No folders and the longest name whose game command line still fits:
    // live "\nnn...n" of 242 characters, backup 246, message 506. Neither
    // file exists, so the copy fails and names them both.
    const std::string name(241, 'n');
    set_fields({{IDC_DIRECTORY, ""}, {IDC_CHARACTER, name}});
    const std::string long_live = "\\" + name;
    const std::string long_backup = long_live + ".sav";

    go();
    ASSERT_EQ(host_notices().size(), 1u);
    EXPECT_EQ(host_notices()[0].text,
              "Error copying " + long_live + " to " + long_backup);
    EXPECT_EQ(strlen(g_run_state.game_command_line), 255u);

    host_clear_events();
    host_set_check_box(IDC_RESTORE, true);
    go();
    ASSERT_EQ(host_notices().size(), 2u);
    EXPECT_EQ(host_notices()[1].text,
              "Error copying " + long_backup + " to " + long_live);
}

// ---- the game start ---------------------------------------------------------

TEST_F(StartRequest, AStartResultBelow32IsAFailure)
{
    host_set_check_box(IDC_RESTORE, true);
    write_file(backup, "backup save");
    host_set_start_result(31);
    go();

    EXPECT_EQ(host_events(),
              Lines({"find Angband 2.7.5", "clear 1006", "start " + command,
                     "notice info Savewarden: "
                     "Unable to start Angband or Angband already running"}));
    EXPECT_EQ(read_file(live), "backup save");  // the restore stands
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));

    host_set_start_result(32);
    go_again();
    EXPECT_EQ(host_events(), Lines({"find Angband 2.7.5", "start " + command,
                                    "timer stop 1", "timer start 1 1000"}));
}

// The game reads its save file path up to the first blank, and a program
// path with a blank is looked for piece by piece: such paths go to the game
// by their short names, while the copies keep the long ones.
TEST_F(StartRequest, PathsWithABlankAreStartedByTheirShortNames)
{
    const std::string folder = game_dir + " 4.2";
    const std::string program = folder + "\\angband.exe";
    const std::string spaced_live = folder + "\\save";
    write_file(spaced_live, "live save");
    set_fields({{IDC_DIRECTORY, folder}});
    host_set_short_path(program, "C:\\ANGBAN~1\\ANGBAND.EXE");
    host_set_short_path(spaced_live, "C:\\ANGBAN~1\\SAVE");
    go();
    EXPECT_EQ(host_started_programs(),
              Lines({"C:\\ANGBAN~1\\ANGBAND.EXE C:\\ANGBAN~1\\SAVE"}));
    EXPECT_EQ(std::string(g_run_state.live_save_file), spaced_live);
    EXPECT_EQ(read_file(spaced_live + ".sav"), "live save");
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_TRUE(host_notices().empty());

    // A line too long as composed is started when its short form fits.
    const std::string name(200, 'n');
    write_file(folder + "\\" + name, "long name");
    host_set_short_path(folder + "\\" + name, "C:\\ANGBAN~1\\NNNNNN~1");
    set_fields({{IDC_CHARACTER, name}});
    go_again();
    EXPECT_TRUE(host_notices().empty());
    EXPECT_EQ(host_started_programs().back(),
              "C:\\ANGBAN~1\\ANGBAND.EXE C:\\ANGBAN~1\\NNNNNN~1");

    // Short names switched off: the user is told, the game is not started
    // and the countdown from before goes on, as after a failed start.
    set_fields({{IDC_CHARACTER, "save"}, {IDC_MINUTES, "1"}});
    host_set_short_path(program, program);
    size_t started = host_started_programs().size();
    go_again();
    EXPECT_EQ(host_events_starting("notice"),
              Lines({"notice info Savewarden: Angband cannot be started: a "
                     "folder or file name has a space and no short name"}));
    EXPECT_EQ(host_started_programs().size(), started);
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));

    // No angband.exe there, so no short name: the usual failed start.
    host_set_short_path(program, "");
    go_again();
    EXPECT_EQ(host_events_starting("notice"),
              only_info("Unable to start Angband or Angband already running"));

    // The game's program is a file of the game folder: with a path, nowhere.
    strcpy(g_settings.game_program, "..\\Sil.exe");
    host_set_short_path(folder + "\\..\\Sil.exe", "C:\\SIL.EXE");  // there, but refused
    go_again();
    EXPECT_EQ(host_events_starting("notice"),
              only_info("Unable to start Angband or Angband already running"));
}

// ---- the timer -------------------------------------------------------------------

TEST_F(StartRequest, ACompletedRequestArmsAFullCountdown)
{
    run_countdown();
    const uint32_t first_deadline = g_run_state.deadline;
    EXPECT_EQ(first_deadline, 1000000u + 60000u);

    host_advance_ticks(30000);
    set_fields({{IDC_MINUTES, "2"}, {IDC_SECONDS, "30"}});
    go_again();
    EXPECT_EQ(host_events(), Lines({"find Angband 2.7.5", "start " + command,
                                    "timer stop 1", "timer start 1 1000"}));
    EXPECT_EQ(g_run_state.deadline, 1030000u + 150000u);
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
}

// A request for no interval stops the countdown of an earlier request,
// also when it ends before its timer phase: ticks left running with no
// interval would each fall due.
TEST_F(StartRequest, IntervalZeroStopsTheTimer)
{
    const struct {
        const char *what;
        bool live_exists;
        unsigned start_result;
        size_t started;  // games started, the countdown's own included
        Lines notices;
    } cases[] = {
        {"the game starts", true, 32, 2, {}},
        {"the copy fails", false, 32, 1,
         {"notice warning Savewarden Error: Error copying " + live + " to " + backup}},
        {"the game does not start", true, 2, 2,
         only_info("Unable to start Angband or Angband already running")},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start_afresh();
        run_countdown();
        host_advance_ticks(1000);
        host_deliver_tick(BACKUP_TIMER_ID);
        const std::string caption = host_last_caption();

        set_fields({{IDC_MINUTES, "0"}, {IDC_SECONDS, "0"}});
        if (!c.live_exists)
            remove(live.c_str());
        host_set_start_result(c.start_result);
        go_again();

        EXPECT_EQ(host_events_starting("notice"), c.notices);
        EXPECT_EQ(host_started_programs().size(), c.started);
        EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));
        EXPECT_EQ(g_run_state.interval, 0u);
        EXPECT_TRUE(host_events_starting("timer start").empty());
        EXPECT_TRUE(host_events_starting("caption").empty());
        EXPECT_EQ(host_last_caption(), caption);
    }
}

TEST_F(StartRequest, AFailedTimerStartWarnsAndLeavesIntervalZero)
{
    host_fail_next_timer_start();
    go();

    EXPECT_EQ(host_events(),
              Lines({"find Angband 2.7.5", "start " + command, "timer stop 1",
                     "timer start 1 1000",
                     "notice warning Savewarden Error: Error starting timer"}));
    EXPECT_EQ(g_run_state.interval, 0u);
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));
    // The settings keep the interval asked for; only the run has none.
    EXPECT_STREQ(g_settings.minutes, "15");
}

// A request that fails after its commit leaves a running countdown alone,
// but the countdown's next due tick works with what was committed.
TEST_F(StartRequest, ACountdownLeftRunningUsesTheNewValues)
{
    run_countdown();
    const uint32_t deadline = g_run_state.deadline;

    set_fields({{IDC_WINDOW_TITLE, "Other Game"}, {IDC_SAVE_NUMBER, "120"},
                {IDC_MINUTES, "2"}, {IDC_SECONDS, "0"},
                {IDC_CHARACTER, "hero"}});
    go_again();  // no save file "hero" yet: the copy fails
    ASSERT_EQ(host_events_starting("notice warning").size(), 1u);
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_EQ(g_run_state.deadline, deadline);

    host_add_window("other game");
    const std::string hero = game_dir + "\\hero";
    host_set_on_send([hero](const HostSend &) { write_file(hero, "hero"); });
    host_clear_events();
    host_set_tick_count(deadline);
    host_deliver_tick(BACKUP_TIMER_ID);

    EXPECT_EQ(host_events(),
              Lines({"find Other Game", "send game1 120 30000"}));
    EXPECT_EQ(read_file(hero + ".sav"), "hero");
    EXPECT_EQ(g_run_state.deadline, deadline + 120000u);
}

// ---- one game at a time ------------------------------------------------------------

// While the game runs, Go starts no second game and copies nothing either
// way; it stores the fields and applies their interval, or refuses a restore
// and changes nothing. A game that has ended, or a window of another title,
// does not count.
TEST_F(StartRequest, GoWhileTheGameRunsStartsNothingAndCopiesNothing)
{
    const std::string already = "Angband is already running: the new "
                                "settings apply from now";
    const struct {
        const char *what;
        bool started_game_runs;
        const char *open_window;  // a window of this title, or none
        bool restore;
        const char *minutes;
        const char *notice;  // nullptr: the game is started
    } cases[] = {
        {"our game runs", true, nullptr, false, "2", already.c_str()},
        {"its window is open", false, "ANGBAND 2.7.5", false, "2",
         already.c_str()},
        {"runs, interval 0", true, nullptr, false, "0", already.c_str()},
        {"runs, restore", true, nullptr, true, "2", RESTORE_WHILE_GAME_RUNS},
        {"window, restore", false, "Angband 2.7.5", true, "2",
         RESTORE_WHILE_GAME_RUNS},
        {"ended", false, nullptr, false, "2", nullptr},
        {"another game's window", false, "Angband 4.2", true, "2", nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start_afresh();
        run_countdown();
        write_file(backup, "backup save");
        if (!c.started_game_runs)
            close_game();
        if (c.open_window != nullptr)
            host_add_window(c.open_window);
        host_set_check_box(IDC_RESTORE, c.restore);
        const bool counting = c.minutes[0] != '0';
        set_fields({{IDC_MINUTES, c.minutes},
                    {IDC_SECONDS, counting ? "30" : "0"}});
        host_advance_ticks(5000);
        const World before = world();
        go();

        if (c.notice == nullptr) {
            EXPECT_TRUE(host_notices().empty());
            EXPECT_EQ(host_started_programs().size(), 2u);
            EXPECT_NE(read_file(c.restore ? live : backup),
                      c.restore ? "live save" : "backup save");
            EXPECT_EQ(host_unreleased_program_count(), 1);
        } else {
            ASSERT_EQ(host_notices().size(), 1u);
            EXPECT_EQ(host_notices()[0].text, c.notice);
            EXPECT_EQ(host_started_programs().size(), 1u);
            EXPECT_EQ(read_file(live), "live save");
            EXPECT_EQ(read_file(backup), "backup save");
            EXPECT_FALSE(file_exists(backup + ".1"));
        }
        if (c.notice == RESTORE_WHILE_GAME_RUNS) {
            // Refused whole: not even the fields are stored.
            expect_same_world(world(), before);
        } else if (c.notice != nullptr) {
            EXPECT_STREQ(g_settings.minutes, counting ? "02" : "00");
            EXPECT_NE(read_file(ini).find(counting ? "Minutes=02" : "Minutes=00"),
                      std::string::npos);
            EXPECT_EQ(host_timer_running(BACKUP_TIMER_ID), counting);
            if (counting)
                EXPECT_EQ(g_run_state.deadline, host_tick_count() + 150000u);
        }
    }
}

// ---- the question after a death -----------------------------------------------------

// A save file that tells of a dead character over a backup that tells of a
// living one: Go asks before it backs the dead one up. Yes restores, No
// backs up as asked, Cancel does nothing. Nothing else asks.
TEST_F(StartRequest, AfterADeathGoAsksBeforeBackingItUp)
{
    const std::string dead = "Hero, dead (Grip, Farmer Maggot's Dog)";
    const std::string alive = "Hero, L12 Human Warrior, at DL7";
    const std::string question = "The save file holds " + dead +
                                 ".\nThe backup holds " + alive +
                                 ".\n\nBring that character back?";
    enum Outcome { BACKED_UP, RESTORED, NOTHING };
    const struct {
        const char *what;
        std::string live_text, backup_text;  // "": a save with no description
        bool box;
        plat_answer answer;
        bool asked;
        Outcome outcome;
    } cases[] = {
        {"Yes", dead, alive, false, PLAT_ANSWER_YES, true, RESTORED},
        {"No", dead, alive, false, PLAT_ANSWER_NO, true, BACKED_UP},
        {"Cancel", dead, alive, false, PLAT_ANSWER_CANCEL, true, NOTHING},
        {"both living", alive, alive + " again", false, PLAT_ANSWER_CANCEL, false, BACKED_UP},
        {"both dead", dead, "Hero, dead (starvation)", false, PLAT_ANSWER_CANCEL,
         false, BACKED_UP},
        {"an older backup", dead, "", false, PLAT_ANSWER_CANCEL, false, BACKED_UP},
        {"an older save", "", alive, false, PLAT_ANSWER_CANCEL, false, BACKED_UP},
        {"box ticked", dead, alive, true, PLAT_ANSWER_CANCEL, false, RESTORED},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        start_afresh();  // a live save with nothing to ask about yet
        run_countdown();
        close_game();
        const std::string live_save = save_description_header(c.live_text) + "live";
        const std::string backup_save =
            c.backup_text.empty() ? "an older save" : save_description_header(c.backup_text) + "backup";
        write_file(live, c.live_text.empty() ? "an older save" : live_save);
        write_file(backup, backup_save);
        host_set_check_box(IDC_RESTORE, c.box);
        host_set_answers({c.answer});
        set_fields({{IDC_MINUTES, "3"}});
        host_clear_events();
        const World before = world();
        go();

        const Lines asked = host_events_starting("question");
        EXPECT_EQ(asked, c.asked ? Lines({"question Savewarden: " + question})
                                 : Lines());
        switch (c.outcome) {
        case RESTORED:
            EXPECT_EQ(read_file(live), backup_save);
            EXPECT_FALSE(host_check_box(IDC_RESTORE));
            EXPECT_EQ(host_started_programs().size(), 2u);
            break;
        case BACKED_UP:
            EXPECT_EQ(read_file(backup), read_file(live));
            EXPECT_EQ(read_file(backup + ".1"), backup_save);
            EXPECT_EQ(host_started_programs().size(), 2u);
            break;
        case NOTHING:
            expect_same_world(world(), before);
            EXPECT_FALSE(file_exists(backup + ".1"));
            EXPECT_EQ(host_started_programs().size(), 1u);
            break;
        }
    }
}

// ---- the host's number rule -------------------------------------------------

TEST(HostFieldNumber, FollowsTheUnsignedRuleOfTheDialogFields)
{
    const struct { const char *text; bool ok; uint32_t value; } cases[] = {
        {"0", true, 0}, {"110", true, 110}, {"0110", true, 110},
        {"  \t42", true, 42}, {"42  ", true, 42}, {"4294967295", true, 4294967295u},
        {"000000000000000000004294967295", true, 4294967295u},
        {"4294967296", false, 0}, {"99999999999999999999999999999", false, 0},
        {"", false, 0}, {"   ", false, 0}, {"-1", false, 0}, {"+1", false, 0},
        {"1 2", false, 0}, {"12a", false, 0}, {"0x10", false, 0},
    };
    for (const auto &c : cases) {
        uint32_t value = 12345;
        EXPECT_EQ(host_parse_field_number(c.text, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 12345u) << c.text;
    }
    uint32_t value = 0;
    EXPECT_FALSE(host_parse_field_number(nullptr, &value));
}

}  // namespace
