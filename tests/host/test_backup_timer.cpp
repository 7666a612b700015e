// Timer 1: the countdown in the caption, the due tick that makes the game
// save and copies its save file, and the countdown across the tick
// counter's wrap.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <time.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/settings.h"
#include "game/backup_timer.h"
#include "host_fakes.h"
#include "host_files.h"
#include "scratch_dir.h"
#include "../e2e/stand_in_game/save_content.h"

namespace {

typedef std::vector<std::string> Lines;

class BackupTimer : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string live = dir.file("save");
    std::string backup = dir.file("save.sav");
    plat_window dialog = host_dialog();

    void SetUp() override
    {
        host_fakes_reset();
        host_files_reset();
        g_settings = Settings();
        g_run_state = RunState();
        snprintf(g_settings.window_title, sizeof g_settings.window_title,
                 "Angband 2.7.5");
        g_run_state.save_command_number = 110;
        snprintf(g_run_state.live_save_file,
                 sizeof g_run_state.live_save_file, "%s", live.c_str());
        snprintf(g_run_state.backup_save_file,
                 sizeof g_run_state.backup_save_file, "%s", backup.c_str());
        write_file(live, "old save");
        write_file(backup, "old backup");
    }

    void arm_at(uint32_t now, uint32_t interval)
    {
        host_set_tick_count(now);
        g_run_state.interval = interval;
        backup_timer_arm(dialog);
        ASSERT_TRUE(host_timer_running(BACKUP_TIMER_ID));
        host_clear_events();
    }

    // Delivers one tick of the running timer at the given counter value.
    void tick_at(uint32_t now)
    {
        host_set_tick_count(now);
        EXPECT_TRUE(host_deliver_tick(BACKUP_TIMER_ID)) << "timer not running";
    }

    // The caption a single tick at now writes, or "" when it writes none.
    std::string caption_at(uint32_t now)
    {
        size_t before = host_captions().size();
        tick_at(now);
        std::vector<std::string> captions = host_captions();
        return captions.size() > before ? captions.back() : std::string();
    }

    // The game writes its save file while it handles the save command, and
    // the file's time moves on, however coarse the file system's clock.
    void game_saves(const std::string &content)
    {
        std::string path = live;
        host_set_on_send([path, content](const HostSend &) {
            write_file(path, content);
            static time_t later = time(nullptr) + 10;
            const struct timespec times[2] = {{later, 0}, {later, 0}};
            utimensat(AT_FDCWD, path.c_str(), times, 0);
            ++later;
        });
    }
};

// ---- arming and stopping --------------------------------------------------

TEST_F(BackupTimer, ArmingStartsTimerOneAfreshWithAFullInterval)
{
    host_set_tick_count(5000);
    g_run_state.interval = 900;
    backup_timer_arm(dialog);
    EXPECT_EQ(host_events(), Lines({"timer stop 1", "timer start 1 1000"}));
    EXPECT_EQ(g_run_state.deadline, 5000u + 900000u);
    // The procedure it gave the timer is the tick.
    EXPECT_EQ(caption_at(6000), "14:59 - Savewarden");

    // Arming while counting starts over from the full interval.
    host_clear_events();
    host_set_tick_count(300000);
    backup_timer_arm(dialog);
    EXPECT_EQ(host_events(), Lines({"timer stop 1", "timer start 1 1000"}));
    EXPECT_EQ(g_run_state.deadline, 300000u + 900000u);
    EXPECT_TRUE(host_notices().empty());
}

TEST_F(BackupTimer, AFailedStartWarnsAndLeavesNoIntervalAndNoTimer)
{
    arm_at(5000, 60);  // an earlier countdown, which the new arming stops
    host_fail_next_timer_start();
    g_run_state.interval = 120;
    backup_timer_arm(dialog);

    ASSERT_EQ(host_notices().size(), 1u);
    const HostNotice notice = host_notices()[0];
    EXPECT_EQ(notice.text, "Error starting timer");
    EXPECT_EQ(notice.caption, "Savewarden Error");
    EXPECT_EQ(notice.icon, PLAT_ICON_WARNING);
    EXPECT_EQ(notice.owner, dialog);
    EXPECT_EQ(g_run_state.interval, 0u);
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));
}

TEST_F(BackupTimer, StopStopsTimerOne)
{
    arm_at(5000, 60);
    backup_timer_stop(dialog);
    EXPECT_EQ(host_events(), Lines({"timer stop 1"}));
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));
}

// ---- the countdown --------------------------------------------------------

TEST_F(BackupTimer, CountdownShowsTheTimeLeftRoundedDownToWholeSeconds)
{
    const uint32_t armed = 5000;
    arm_at(armed, 60);
    const struct { uint32_t after; const char *caption; } ticks[] = {
        {500, "00:59 - Savewarden"},    // a tick sooner than usual
        {1000, "00:59 - Savewarden"},   // 59 s left exactly
        {1001, "00:58 - Savewarden"},   // 58.999 s left
        {59001, "00:00 - Savewarden"},
        {59999, "00:00 - Savewarden"},  // the last countdown tick
    };
    for (const auto &t : ticks)
        EXPECT_EQ(caption_at(armed + t.after), t.caption) << t.after;
    EXPECT_TRUE(host_events_starting("find").empty());
    EXPECT_EQ(g_run_state.deadline, armed + 60000u);

    // Both parts in two digits, minutes from whole minutes left.
    arm_at(armed, 900);
    EXPECT_EQ(caption_at(armed + 51000), "14:09 - Savewarden");
    EXPECT_EQ(caption_at(armed + 840001), "00:59 - Savewarden");
}

TEST_F(BackupTimer, AnHourNeverShowsMoreThan59_59)
{
    const uint32_t armed = 100000;
    arm_at(armed, 3600);
    // A tick still queued from before the arming can come at once.
    EXPECT_EQ(caption_at(armed), "59:59 - Savewarden");
    EXPECT_EQ(caption_at(armed + 1), "59:59 - Savewarden");
    EXPECT_EQ(caption_at(armed + 1000), "59:59 - Savewarden");
    EXPECT_EQ(caption_at(armed + 1001), "59:58 - Savewarden");
    EXPECT_EQ(caption_at(armed + 60001), "58:59 - Savewarden");
}

// ---- the due tick -----------------------------------------------------------

TEST_F(BackupTimer, DueTickSetsTheDeadlineThenFindsSendsAndCopies)
{
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    EXPECT_EQ(caption_at(6000), "00:59 - Savewarden");
    host_clear_events();

    uint32_t deadline_during_send = 0;
    std::string backup_during_send;
    std::string path = live, backup_path = backup;
    host_set_on_send([&](const HostSend &) {
        deadline_during_send = g_run_state.deadline;
        backup_during_send = read_file(backup_path);
        write_file(path, "fresh save");
        host_advance_ticks(2500);  // a slow save, answered in time
    });

    tick_at(65000);  // exactly at the deadline: due

    EXPECT_EQ(host_events(),
              Lines({"find Angband 2.7.5", "send game1 110 30000"}));
    EXPECT_EQ(deadline_during_send, 65000u + 60000u);
    // The next interval counts from the send's end: the game took 2.5 s.
    EXPECT_EQ(g_run_state.deadline, 67500u + 60000u);
    EXPECT_EQ(backup_during_send, "old backup");  // the copy comes after
    EXPECT_EQ(read_file(backup), "fresh save");
    EXPECT_EQ(read_file(live), "fresh save");
    // The caption is left alone until the next tick counts down afresh.
    EXPECT_EQ(host_last_caption(), "00:59 - Savewarden");
    EXPECT_TRUE(host_notices().empty());
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_EQ(caption_at(68500), "00:59 - Savewarden");
}

TEST_F(BackupTimer, TheSaveCommandNumberIsSentWhole)
{
    host_add_window("Angband 2.7.5");
    g_run_state.save_command_number = 999999999;
    arm_at(5000, 60);
    tick_at(65000);
    ASSERT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(host_sends()[0].command, 999999999u);
    EXPECT_EQ(host_sends()[0].timeout_ms, (unsigned)SAVE_COMMAND_TIMEOUT_MS);
}

TEST_F(BackupTimer, AGameThatDoesNotAnswerInTimeGetsNoCopy)
{
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    std::string path = live;
    host_set_on_send([path](const HostSend &) {
        write_file(path, "half written");
        host_advance_ticks(SAVE_COMMAND_TIMEOUT_MS);
    });
    host_set_send_result(0);

    tick_at(65000);
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(read_file(backup), "old backup");
    EXPECT_TRUE(host_notices().empty());
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_EQ(g_run_state.interval, 60u);
    // The wait took the whole time-out; the next interval counts from its
    // end, not from the deadline already passed, so no second command
    // follows at once.
    EXPECT_EQ(caption_at(95000 + 1000), "00:59 - Savewarden");
    EXPECT_EQ(host_sends().size(), 1u);

    // The next due tick tries again.
    game_saves("whole save");
    host_set_send_result(1);
    tick_at(155000);
    EXPECT_EQ(host_sends().size(), 2u);
    EXPECT_EQ(read_file(backup), "whole save");
}

// The game's main window is disabled while it shows a modal box, most
// likely its refusal of our last command: another command would stack a
// second box in the game.
TEST_F(BackupTimer, ADisabledGameWindowIsNotSentTheCommandUntilItTakesInput)
{
    plat_window game = host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    game_saves("fresh save");
    host_set_window_takes_input(game, false);

    tick_at(65000);
    EXPECT_TRUE(host_sends().empty());
    EXPECT_EQ(read_file(backup), "old backup");
    EXPECT_TRUE(host_notices().empty());
    EXPECT_EQ(g_run_state.deadline, 125000u);
    EXPECT_EQ(caption_at(66000), "00:59 - Savewarden");

    host_set_window_takes_input(game, true);
    tick_at(125000);
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(read_file(backup), "fresh save");
}

// Outside its command prompt the game answers with its own box and saves
// nothing; the send returns once the player has closed the box. Whatever
// the save file holds then (here the dead character's state, written
// behind the command's back) is not a save made for us: the backup stays,
// and so do its generations, until the game really saves.
TEST_F(BackupTimer, OnlyASaveTheGameWroteForTheCommandIsCopied)
{
    g_settings.backup_generations = DEFAULT_BACKUP_GENERATIONS;
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    write_file(live, "Hero, dead (killed by a dragon)");
    host_set_on_send([](const HostSend &) { host_advance_ticks(1500); });

    tick_at(64000);  // a save without a description is not kept by itself
    tick_at(65000);
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(read_file(backup), "old backup");
    EXPECT_FALSE(file_exists(backup + ".1"));
    EXPECT_EQ(host_call_count(HOST_CREATE), 0);
    // The next interval counts from the box's closing.
    EXPECT_EQ(g_run_state.deadline, 66500u + 60000u);

    game_saves("Hero, alive again");
    tick_at(126500);
    EXPECT_EQ(read_file(backup), "Hero, alive again");
    EXPECT_EQ(read_file(backup + ".1"), "old backup");

    // A game that saves the very same bytes again: nothing is written.
    host_files_reset();
    tick_at(186500);
    EXPECT_EQ(host_sends().size(), 3u);
    EXPECT_EQ(host_call_count(HOST_CREATE), 0);
    EXPECT_EQ(read_file(backup + ".1"), "old backup");
    EXPECT_FALSE(file_exists(backup + ".2"));
}

TEST_F(BackupTimer, AFailedCopyIsSilentAndTheTimerRunsOn)
{
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    game_saves("fresh save");
    host_fail_call(HOST_CREATE, 1);  // no temporary file beside the backup

    tick_at(65000);
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_TRUE(host_fault_fired());
    EXPECT_EQ(read_file(backup), "old backup");
    EXPECT_TRUE(host_notices().empty());
    EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_EQ(g_run_state.deadline, 125000u);
}

// ---- a lost game window -------------------------------------------------------

// The countdown stops before the notice shows, so that the ticks that
// keep arriving while it is open find nothing to do: one notice, however
// long the player leaves it open.
TEST_F(BackupTimer, LostGameWindowStopsTheTimerBeforeItsOneNotice)
{
    arm_at(5000, 60);
    EXPECT_EQ(caption_at(6000), "00:59 - Savewarden");
    host_clear_events();

    bool running_while_open = true;
    uint32_t interval_while_open = 60;
    int most_open = 0;
    host_set_while_notice_open([&](const HostNotice &) {
        running_while_open = host_timer_running(BACKUP_TIMER_ID);
        interval_while_open = g_run_state.interval;
        most_open = std::max(most_open, host_open_notice_count());
        // Ticks already queued, and the player leaves the notice open for
        // several intervals; the game is back meanwhile.
        host_add_window("ANGBAND 2.7.5");
        for (uint32_t now : {66000u, 125000u, 185000u, 245000u}) {
            host_set_tick_count(now);
            backup_timer_tick(dialog);
        }
    });

    tick_at(65000);

    EXPECT_EQ(host_events(),
              Lines({"find Angband 2.7.5", "timer stop 1",
                     "notice info Savewarden: Could not find Angband window"}));
    ASSERT_EQ(host_notices().size(), 1u);
    EXPECT_EQ(host_notices()[0].owner, dialog);
    EXPECT_EQ(most_open, 1);
    EXPECT_FALSE(running_while_open);
    EXPECT_EQ(interval_while_open, 0u);
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));
    EXPECT_EQ(g_run_state.interval, 0u);
    EXPECT_TRUE(host_sends().empty());
    EXPECT_EQ(read_file(backup), "old backup");
    EXPECT_EQ(host_last_caption(), "00:59 - Savewarden");  // kept
}

TEST_F(BackupTimer, AnEmptyWindowTitleIsNeverSearchedFor)
{
    host_add_window("");  // some untitled window that is not the game
    g_settings.window_title[0] = '\0';
    arm_at(5000, 60);

    tick_at(65000);

    EXPECT_EQ(host_events(),
              Lines({"timer stop 1",
                     "notice info Savewarden: Could not find Angband window"}));
    EXPECT_TRUE(host_sends().empty());
    EXPECT_EQ(g_run_state.interval, 0u);
}

TEST_F(BackupTimer, ATickLeftOverAfterTheTimerStoppedDoesNothing)
{
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    backup_timer_stop(dialog);
    g_run_state.interval = 0;
    host_clear_events();

    // Queued before the stop, delivered after it: long past the deadline.
    host_set_tick_count(200000);
    backup_timer_tick(dialog);

    EXPECT_TRUE(host_events().empty());
    EXPECT_EQ(read_file(backup), "old backup");
}

// ---- the tick counter's wrap --------------------------------------------------

TEST_F(BackupTimer, ACountdownAcrossTheWrapIsDueOneIntervalAfterArming)
{
    host_add_window("Angband 2.7.5");
    const uint32_t armed = 0xFFFFFFFFu - 9999u;  // 10 s before the wrap
    arm_at(armed, 60);

    for (uint32_t second = 1; second < 60; ++second) {
        char expected[32];
        snprintf(expected, sizeof expected, "00:%02u - Savewarden",
                 (unsigned)(60 - second));
        EXPECT_EQ(caption_at(armed + second * 1000), expected) << second;
    }
    EXPECT_EQ(caption_at(armed + 59999), "00:00 - Savewarden");
    EXPECT_TRUE(host_sends().empty());

    tick_at(armed + 60000);  // 50000 after the wrap
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(g_run_state.deadline, 50000u + 60000u);
}

TEST_F(BackupTimer, ADeadlineJustBeforeTheWrapIsStillDueAfterIt)
{
    host_add_window("Angband 2.7.5");
    const uint32_t armed = 0xFFFFFFFFu - 69999u;  // deadline 10 s before
    arm_at(armed, 60);
    EXPECT_EQ(caption_at(armed + 59999), "00:00 - Savewarden");

    // The due tick comes late, only after the counter wrapped.
    tick_at(5000);
    EXPECT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(g_run_state.deadline, 5000u + 60000u);
    EXPECT_EQ(caption_at(6000), "00:59 - Savewarden");
}

}  // namespace

// The game's own saves, between the ticks of a 10-second countdown: a
// living character's is kept once it has held still for a tick, and the
// countdown starts over from then; no other is kept, and a dead character
// is never asked to save.
TEST_F(BackupTimer, TheGamesOwnLivingSavesAreKeptAndPutTheCommandOff)
{
    const std::string living = save_description_header("Hero, L2 Human Warrior, at DL1") + "x";
    const std::string dead = save_description_header("Hero, dead (a kobold)");
    const struct {
        const char *what;
        std::string save, backup_after;
        uint32_t written_at;
        size_t sends;
        uint32_t deadline;
    } cases[] = {
        {"living", living, living, 3500, 0, 5000 + 10000},
        {"living, just before the due tick", living, living, 9500, 0, 11000 + 10000},
        {"the same bytes as the backup", living, living, 3500, 0, 5000 + 10000},
        {"dead", dead, "old backup", 3500, 0, 10000 + 10000},
        {"without a description", "old version", "old backup", 3500, 1, 10000 + 10000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        remove((backup + ".1").c_str());
        g_settings.backup_generations = 1;
        host_add_window("Angband 2.7.5");
        if (c.what[0] == 't')
            write_file(backup, living);
        arm_at(0, 10);
        for (uint32_t now = 1000; now <= 12000; now += 1000) {
            if (now == c.written_at + 500)
                write_file(live, c.save);
            tick_at(now);
        }
        EXPECT_EQ(read_file(backup), c.backup_after);
        EXPECT_EQ(host_sends().size(), c.sends);
        EXPECT_EQ(g_run_state.deadline, c.deadline);
        EXPECT_EQ(file_exists(backup + ".1"), c.what[0] == 'l');
    }
}
