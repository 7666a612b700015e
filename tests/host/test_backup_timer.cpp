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
    // The second arming comes while counting and starts over all the same.
    for (uint32_t now : {5000u, 300000u}) {
        host_clear_events();
        host_set_tick_count(now);
        g_run_state.interval = 900;
        backup_timer_arm(dialog);
        EXPECT_EQ(host_events(), Lines({"timer stop 1", "timer start 1 1000"})) << now;
        EXPECT_EQ(g_run_state.deadline, now + 900000u);
        // The procedure it gave the timer is the tick.
        EXPECT_EQ(caption_at(now + 1000), "14:59 - Savewarden") << now;
    }
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

TEST_F(BackupTimer, StopStopsTimerOneAndATickLeftOverThenDoesNothing)
{
    host_add_window("Angband 2.7.5");
    arm_at(5000, 60);
    backup_timer_stop(dialog);
    EXPECT_EQ(host_events(), Lines({"timer stop 1"}));
    EXPECT_FALSE(host_timer_running(BACKUP_TIMER_ID));

    // Queued before the stop, delivered after it: long past the deadline.
    g_run_state.interval = 0;
    host_clear_events();
    host_set_tick_count(200000);
    backup_timer_tick(dialog);
    EXPECT_TRUE(host_events().empty());
    EXPECT_EQ(read_file(backup), "old backup");
}

// ---- the countdown --------------------------------------------------------

// The time left rounded down to whole seconds, both parts in two digits,
// minutes from whole minutes left; an hour never shows more than 59:59.
TEST_F(BackupTimer, CountdownShowsTheTimeLeftRoundedDownToWholeSeconds)
{
    // One tick each, `after` ms past arming; a new armed/interval arms afresh.
    const struct { uint32_t armed, interval, after; const char *caption; } ticks[] = {
        {5000, 60, 500, "00:59"},    // a tick sooner than usual
        {5000, 60, 1000, "00:59"},   // 59 s left exactly
        {5000, 60, 1001, "00:58"},   // 58.999 s left
        {5000, 60, 59001, "00:00"},
        {5000, 60, 59999, "00:00"},  // the last countdown tick
        {5000, 900, 51000, "14:09"},
        {5000, 900, 840001, "00:59"},
        {100000, 3600, 0, "59:59"},  // still queued from before the arming
        {100000, 3600, 1, "59:59"},
        {100000, 3600, 1000, "59:59"},
        {100000, 3600, 1001, "59:58"},
        {100000, 3600, 60001, "58:59"},
    };
    uint32_t armed = 0, interval = 0;
    for (const auto &t : ticks) {
        SCOPED_TRACE(std::to_string(t.interval) + " s, " + std::to_string(t.after) + " ms in");
        if (t.armed != armed || t.interval != interval)
            arm_at(armed = t.armed, interval = t.interval);
        EXPECT_EQ(caption_at(armed + t.after), std::string(t.caption) + " - Savewarden");
        EXPECT_TRUE(host_events_starting("find").empty());
        EXPECT_EQ(g_run_state.deadline, armed + interval * 1000);
    }
}

// ---- the due tick -----------------------------------------------------------

TEST_F(BackupTimer, DueTickSetsTheDeadlineThenFindsSendsAndCopies)
{
    host_add_window("Angband 2.7.5");
    g_run_state.save_command_number = 999999999;  // sent whole
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
              Lines({"find Angband 2.7.5", "send game1 999999999 30000"}));
    ASSERT_EQ(host_sends().size(), 1u);
    EXPECT_EQ(host_sends()[0].command, 999999999u);
    EXPECT_EQ(host_sends()[0].timeout_ms, (unsigned)SAVE_COMMAND_TIMEOUT_MS);
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

// A due tick that copies nothing leaves the backup and its generations
// whole and says nothing; the countdown runs on, and the next due tick, the
// hindrance gone, copies the game's save. A save of the very same bytes after
// that writes nothing.
TEST_F(BackupTimer, ADueTickThatCopiesNothingTriesAgainAtTheNext)
{
    const struct {
        const char *what;
        void (*hinder)(plat_window game, std::string live);
        size_t sends;       // by the first due tick
        uint32_t deadline;  // the next, as the first due tick sets it
        bool fault;
        int creates;        // files the first due tick made
    } cases[] = {
        // Outside its command prompt the game answers with its own box and
        // saves nothing; the send returns once the player has closed the box.
        // Whatever the save file holds then (here the dead character's state,
        // written behind the command's back) is not a save made for us. The
        // next interval counts from the box's closing.
        {"only a save the game wrote for the command is copied",
         [](plat_window, std::string live) {
             write_file(live, "Hero, dead (killed by a dragon)");
             host_set_on_send([](const HostSend &) { host_advance_ticks(1500); });
         },
         1, 66500 + 60000, false, 0},
        // The game's main window is disabled while it shows a modal box, most
        // likely its refusal of our last command: another command would
        // stack a second box in the game.
        {"a disabled game window is not sent the command",
         [](plat_window game, std::string) { host_set_window_takes_input(game, false); },
         0, 65000 + 60000, false, 0},
        // Its save may be half written. The wait took the whole time-out; the
        // next interval counts from its end, not from the deadline already
        // passed, so no second command follows at once.
        {"a game that does not answer in time",
         [](plat_window, std::string live) {
             host_set_on_send([live](const HostSend &) {
                 write_file(live, "half written");
                 host_advance_ticks(SAVE_COMMAND_TIMEOUT_MS);
             });
             host_set_send_result(0);
         },
         1, 95000 + 60000, false, 0},
        {"a failed copy: no temporary file beside the backup",
         [](plat_window, std::string) { host_fail_call(HOST_CREATE, 1); },
         1, 65000 + 60000, true, 1},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        remove((backup + ".1").c_str());  // the last row's
        g_settings.backup_generations = DEFAULT_BACKUP_GENERATIONS;
        plat_window game = host_add_window("Angband 2.7.5");
        arm_at(5000, 60);
        game_saves("fresh save");
        c.hinder(game, live);

        tick_at(64000);  // the first row's save holds still: without a description, not kept
        tick_at(65000);
        EXPECT_EQ(host_sends().size(), c.sends);
        EXPECT_EQ(host_fault_fired(), c.fault);
        EXPECT_EQ(host_call_count(HOST_CREATE), c.creates);
        EXPECT_EQ(read_file(backup), "old backup");
        EXPECT_FALSE(file_exists(backup + ".1"));
        EXPECT_TRUE(host_notices().empty());
        EXPECT_TRUE(host_timer_running(BACKUP_TIMER_ID));
        EXPECT_EQ(g_run_state.interval, 60u);
        EXPECT_EQ(g_run_state.deadline, c.deadline);
        EXPECT_EQ(caption_at(c.deadline - 59000), "00:59 - Savewarden");
        EXPECT_EQ(host_sends().size(), c.sends);

        host_set_window_takes_input(game, true);
        host_set_send_result(1);
        game_saves("fresh save");
        tick_at(c.deadline);
        EXPECT_EQ(host_sends().size(), c.sends + 1);
        EXPECT_EQ(read_file(backup), "fresh save");
        EXPECT_EQ(read_file(backup + ".1"), "old backup");

        host_files_reset();
        tick_at(c.deadline + 60000);
        EXPECT_EQ(host_sends().size(), c.sends + 2);
        EXPECT_EQ(host_call_count(HOST_CREATE), 0);
        EXPECT_EQ(read_file(backup + ".1"), "old backup");
        EXPECT_FALSE(file_exists(backup + ".2"));
    }
}

// ---- a lost game window -------------------------------------------------------

// The countdown stops before the notice shows, so that the ticks that
// keep arriving while it is open find nothing to do: one notice, however
// long the player leaves it open. An empty window title is never searched
// for: it would find any untitled window, which is not the game.
TEST_F(BackupTimer, LostGameWindowStopsTheTimerBeforeItsOneNotice)
{
    const std::string notice = "notice info Savewarden: Could not find Angband window";
    const struct { const char *title; Lines events; } cases[] = {
        {"Angband 2.7.5", {"find Angband 2.7.5", "timer stop 1", notice}},
        {"", {"timer stop 1", notice}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.title);
        SetUp();
        snprintf(g_settings.window_title, sizeof g_settings.window_title, "%s", c.title);
        host_add_window("");  // some untitled window that is not the game
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

        EXPECT_EQ(host_events(), c.events);
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
}

// ---- the tick counter's wrap --------------------------------------------------

// A countdown across the wrap counts down as usual and is due one interval
// after arming; a deadline just before the wrap is still due after it.
TEST_F(BackupTimer, ACountdownAcrossTheWrapIsDueOneIntervalAfterArming)
{
    const struct { uint32_t armed, due; } cases[] = {
        {0xFFFFFFFFu - 9999u, 50000},  // 10 s before the wrap, due 50 s after it
        {0xFFFFFFFFu - 69999u, 5000},  // due 10 s before it, the tick comes late
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.armed);
        SetUp();
        host_add_window("Angband 2.7.5");
        arm_at(c.armed, 60);
        for (uint32_t second = 1; second < 60; ++second) {
            char expected[32];
            snprintf(expected, sizeof expected, "00:%02u - Savewarden",
                     (unsigned)(60 - second));
            EXPECT_EQ(caption_at(c.armed + second * 1000), expected) << second;
        }
        EXPECT_EQ(caption_at(c.armed + 59999), "00:00 - Savewarden");
        EXPECT_TRUE(host_sends().empty());

        tick_at(c.due);
        EXPECT_EQ(host_sends().size(), 1u);
        EXPECT_EQ(g_run_state.deadline, c.due + 60000u);
        EXPECT_EQ(caption_at(c.due + 1000), "00:59 - Savewarden");
    }
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
        bool backup_holds_it, old_backup_kept;  // before; as generation 1
        uint32_t written_at;
        size_t sends;
        uint32_t deadline;
        std::string during_copy;  // the game's next save, written while ours copies
    } cases[] = {
        {"living", living, living, false, true, 3500, 0, 5000 + 10000},
        {"living, just before the due tick", living, living, false, true, 9500, 0, 11000 + 10000},
        {"living, and again during the copy", living, living + "y", false, true, 3500, 0,
         7000 + 10000, living + "y"},
        {"the same bytes as the backup", living, living, true, false, 3500, 0, 5000 + 10000},
        {"dead", dead, "old backup", false, false, 3500, 0, 10000 + 10000},
        {"without a description", "old version", "old backup", false, false, 3500, 1, 10000 + 10000},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        remove((backup + ".1").c_str());
        g_settings.backup_generations = 1;
        host_add_window("Angband 2.7.5");
        if (c.backup_holds_it)
            write_file(backup, living);
        if (!c.during_copy.empty())
            host_before_call(HOST_FLUSH, 1, [&] { write_file(live, c.during_copy); });
        arm_at(0, 10);
        for (uint32_t now = 1000; now <= 12000; now += 1000) {
            if (now == c.written_at + 500)
                write_file(live, c.save);
            tick_at(now);
        }
        EXPECT_EQ(read_file(backup), c.backup_after);
        EXPECT_EQ(host_sends().size(), c.sends);
        EXPECT_EQ(g_run_state.deadline, c.deadline);
        EXPECT_EQ(file_exists(backup + ".1"), c.old_backup_kept);
    }
}
