#include "game/backup_timer.h"

#include "common/notices.h"
#include "common/text.h"
#include "common/two_digit_text.h"
#include "core/save_copy.h"
#include "core/save_description.h"
#include "core/settings.h"
#include "game/game_presence.h"

namespace {

const uint32_t ms_per_second = 1000;
const uint32_t ms_per_minute = 60 * ms_per_second;
// No interval is longer than an hour, so the caption never needs to show
// more than this, whatever a stray tick reads.
const uint32_t longest_shown_ms = 60 * ms_per_minute - 1;
// Two tick values less than this apart are ordered by their difference.
const uint32_t half_tick_range = 0x80000000u;

uint32_t deadline_after_interval(uint32_t now)
{
    return now + g_run_state.interval * ms_per_second;
}

// The tick counter wraps after 2^32 ms. Comparing the difference of the two
// values rather than the values themselves keeps a countdown that crosses
// the wrap running as usual: the deadline is never more than an hour away,
// far less than half the counter's range.
bool deadline_has_passed(uint32_t now, uint32_t deadline)
{
    return (uint32_t)(now - deadline) < half_tick_range;
}

void show_remaining(plat_window dialog, uint32_t remaining_ms)
{
    if (remaining_ms > longest_shown_ms)
        remaining_ms = longest_shown_ms;
    char minutes[MINUTES_WIDTH + 1];
    char seconds[SECONDS_WIDTH + 1];
    two_digit_text(remaining_ms / ms_per_minute, minutes, sizeof minutes);
    two_digit_text(remaining_ms % ms_per_minute / ms_per_second, seconds,
                   sizeof seconds);
    char caption[sizeof "00:00 - Savewarden"];
    text_format(caption, sizeof caption, "%s:%s - Savewarden", minutes,
                seconds);
    plat_set_caption(dialog, caption);
}

// The countdown stops before the notice shows: ticks go on arriving while
// it is open, and each due one would find no game either and open one more
// notice on top of it.
void give_up_on_lost_game(plat_window dialog)
{
    backup_timer_stop(dialog);
    g_run_state.interval = 0;
    info_notice(dialog, "Could not find Angband window");
}

SaveStamp save_stamp_now()
{
    SaveStamp now = {};
    now.exists = plat_file_stamp_of(g_run_state.live_save_file, &now.stamp);
    return now;
}

// What the save file held when Savewarden last looked: no save of the
// game's to follow.
void note_stamp_seen(const SaveStamp &seen)
{
    g_run_state.save_seen = seen;
    g_run_state.save_at_last_tick = seen;
}

bool same_save_stamp(const SaveStamp &a, const SaveStamp &b)
{
    return a.exists == b.exists && (!a.exists || same_stamp(a.stamp, b.stamp));
}

// Whom the save file holds, by its description. Saves without one (the
// game's before 3.5, or any other file) cannot be told from a dead
// character's.
enum save_holds { HOLDS_UNKNOWN, HOLDS_LIVING, HOLDS_DEAD };

enum save_holds what_save_holds()
{
    char description[SAVE_DESCRIPTION_WIDTH + 1];
    if (!read_save_description(g_run_state.live_save_file, description,
                               sizeof description))
        return HOLDS_UNKNOWN;
    return description_is_dead(description) ? HOLDS_DEAD : HOLDS_LIVING;
}

// A failed copy leaves the old backup whole; the next save retries. What
// counts as seen is the stamp from before the copy: a save the game writes
// while the copy runs is a new one, followed once it has held still.
bool back_up_save()
{
    SaveStamp copied = save_stamp_now();
    bool kept = copy_save_file_keeping(g_run_state.live_save_file,
                                       g_run_state.backup_save_file,
                                       g_run_state.backup_save_file,
                                       g_settings.backup_generations) != 0;
    note_stamp_seen(copied);
    tell_backups_changed();
    return kept;
}

// The game saved by itself (a new level, Ctrl-S) and its renames are done.
// A living character's save is kept as a due tick keeps one, and the
// countdown starts over: the game need not be asked until a whole interval
// has gone by without a save of its own. A dead one is never made the
// newest backup unasked.
void follow_game_save(uint32_t now)
{
    note_save_file_seen();
    if (what_save_holds() == HOLDS_LIVING && back_up_save())
        g_run_state.deadline = deadline_after_interval(now);
}

// Whether the game wrote its save file while it handled the command: the
// file's last-write time or size changed, or it is there only now. A game
// that refused (its own "You may not do that right now." box, closed by the
// player) or ignored the command wrote nothing, and whatever the file holds
// is not a save it made for us: the dead character's state, say.
bool game_wrote_save(bool had_before, const struct plat_stamp &before)
{
    struct plat_stamp after;
    if (!plat_file_stamp_of(g_run_state.live_save_file, &after))
        return false;
    return !had_before || !same_stamp(before, after);
}

void save_and_back_up(plat_window dialog, uint32_t now)
{
    // The next deadline comes first, so that ticks arriving while the
    // game handles the command count down from it.
    g_run_state.deadline = deadline_after_interval(now);

    plat_window game = find_game_window(g_settings.window_title);
    if (game == nullptr) {
        give_up_on_lost_game(dialog);
        return;
    }
    // A disabled game window is showing a modal box of its own, most likely
    // its refusal of our last command: another command would only stack a
    // second box in the game. The next due tick tries again.
    if (!plat_window_takes_input(game))
        return;
    // A dead character cannot be saved: the game refuses at its death
    // screen and all through the making of the next character.
    if (what_save_holds() == HOLDS_DEAD)
        return;
    struct plat_stamp before;
    bool had_before =
        plat_file_stamp_of(g_run_state.live_save_file, &before) != 0;
    int answered = plat_send_command(game, g_run_state.save_command_number,
                                     SAVE_COMMAND_TIMEOUT_MS);
    // The send may have held us up to its time-out, or as long as the
    // player took to close the game's refusal: the next interval counts
    // from now, so a second command never follows at once.
    g_run_state.deadline = deadline_after_interval(plat_tick_count());
    // A game that did not answer in time may have its save file half
    // written; copying that would overwrite a good backup, so what it holds
    // now is not followed either.
    if (!answered) {
        note_save_file_seen();
        return;
    }
    if (!game_wrote_save(had_before, before))
        return;
    back_up_save();
}

}  // namespace

void backup_timer_arm(plat_window dialog)
{
    backup_timer_stop(dialog);
    if (!plat_timer_start(dialog, BACKUP_TIMER_ID, BACKUP_TIMER_PERIOD_MS,
                          backup_timer_tick)) {
        g_run_state.interval = 0;
        warning_notice(dialog, "Error starting timer");
        return;
    }
    g_run_state.deadline = deadline_after_interval(plat_tick_count());
    note_save_file_seen();
}

void backup_timer_stop(plat_window dialog)
{
    plat_timer_stop(dialog, BACKUP_TIMER_ID);
}

void backup_timer_tick(plat_window dialog)
{
    // A tick already queued when the timer was stopped can still arrive;
    // with no interval there is nothing to count down or save.
    if (g_run_state.interval == 0)
        return;
    uint32_t now = plat_tick_count();
    // One look at the save file's stamp, no file opened: the game saves by
    // writing a new file and renaming it in, so a save is read only once
    // its stamp has held still for a tick.
    SaveStamp stamp = save_stamp_now();
    bool held_still = same_save_stamp(stamp, g_run_state.save_at_last_tick);
    g_run_state.save_at_last_tick = stamp;
    if (!held_still)
        tell_backups_changed();
    bool game_saved = !same_save_stamp(stamp, g_run_state.save_seen);
    if (game_saved && held_still)
        follow_game_save(now);
    bool due = deadline_has_passed(now, g_run_state.deadline);
    // A save of the game's still under way is waited for, not asked again.
    if (due && !(game_saved && !held_still))
        save_and_back_up(dialog, now);
    else if (!due)
        show_remaining(dialog, g_run_state.deadline - now);
}

bool same_stamp(const struct plat_stamp &a, const struct plat_stamp &b)
{
    return a.time_low == b.time_low && a.time_high == b.time_high &&
           a.size_low == b.size_low && a.size_high == b.size_high;
}

void note_save_file_seen(void)
{
    note_stamp_seen(save_stamp_now());
}

void tell_backups_changed(void)
{
    if (g_run_state.backups_changed != nullptr)
        g_run_state.backups_changed();
}
