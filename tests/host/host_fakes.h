// Recordable fakes of the platform's time, timer, window, program-start and
// dialog operations for the host unit tests. Every call the logic makes is
// written to one event log, in order, as a short readable line, so a test
// can check both what happened and in which order.
#ifndef SAVEWARDEN_TESTS_HOST_FAKES_H
#define SAVEWARDEN_TESTS_HOST_FAKES_H

#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/platform.h"

// Back to a fresh state: tick count 0, no timers, no windows, no fields, an
// empty log, sends that succeed, program starts that return 33, no hooks.
void host_fakes_reset();

// The event log. Lines look like:
//   "timer start 1 1000"    "timer stop 1"
//   "find Angband 2.7.5"    "send game1 110 30000"
//   "caption 14:59 - Savewarden"
//   "notice info Savewarden: Minutes are invalid"
//   "start c:\angband\angband.exe c:\angband\lib\save\save"
//   "clear 1006"
// Field reads and tick-count reads are not logged.
const std::vector<std::string> &host_events();
// The lines of the log that begin with prefix (e.g. "send ").
std::vector<std::string> host_events_starting(const std::string &prefix);
void host_clear_events();

// The main dialog's handle as the fakes know it.
plat_window host_dialog();

// ---- time ------------------------------------------------------------------
void host_set_tick_count(uint32_t now);
// Moves the counter on, wrapping as the real one does.
void host_advance_ticks(uint32_t ms);
uint32_t host_tick_count();

// ---- timers ------------------------------------------------------------------
bool host_timer_running(unsigned id);
unsigned host_timer_period(unsigned id);
// The next start of any timer fails (once).
void host_fail_next_timer_start();
// Calls the tick procedure of timer id, as the message loop would, if that
// timer runs; false when it does not run and nothing was called.
bool host_deliver_tick(unsigned id = 1);

// ---- windows -------------------------------------------------------------------
// Adds a top-level window with the given title; named "game1", "game2"...
// in the log, in the order they were added.
plat_window host_add_window(const std::string &title);
void host_remove_window(plat_window window);
std::string host_window_name(plat_window window);
// A window that takes no input is disabled, as behind a modal box of its own.
void host_set_window_takes_input(plat_window window, bool takes_input);

// ---- the save command ------------------------------------------------------------
struct HostSend {
    plat_window window;
    uint32_t command;
    unsigned timeout_ms;
};
std::vector<HostSend> host_sends();
// What plat_send_command returns from now on (1: handled, 0: failed or
// timed out).
void host_set_send_result(int result);
// Runs during every send, before it returns, as the game would write its
// save file while handling the command.
void host_set_on_send(std::function<void(const HostSend &)> hook);

// ---- program start -------------------------------------------------------------
void host_set_start_result(unsigned result);
std::vector<std::string> host_started_programs();
// A started program runs until this ends it, as the player closing the game.
void host_end_started_programs();
// Started programs not yet released by the logic (a leaked handle shows here).
int host_unreleased_program_count();
// The short form plat_short_path gives for path ("" makes it fail, as for a
// path that does not exist); paths not set come back unchanged, as where
// short names are switched off. Each call is logged as "short <path>".
void host_set_short_path(const std::string &path, const std::string &short_path);

// ---- caption ---------------------------------------------------------------------
std::vector<std::string> host_captions();
// The last caption set, or "" when none was.
std::string host_last_caption();

// ---- dialog fields -------------------------------------------------------------------
void host_set_field_text(int id, const std::string &text);
std::string host_field_text(int id);
void host_set_check_box(int id, bool set);
bool host_check_box(int id);

// The text-to-number rule of the dialog's unsigned number fields, as
// GetDlgItemInt applies it: optional leading blanks (spaces and tabs), one
// or more decimal digits, optional trailing blanks, and nothing else. Signs,
// inner blanks and any other character make the text not a number, and so do
// empty text, text of blanks only and values beyond UINT32_MAX (leading
// zeros do not count against the range). A null text or value pointer gives
// false. Reads text only up to its terminating zero, whatever its length;
// *value is written only on success.
bool host_parse_field_number(const char *text, uint32_t *value);

// ---- notices ------------------------------------------------------------------
struct HostNotice {
    plat_window owner;
    std::string text;
    std::string caption;
    plat_notice_icon icon;
};
std::vector<HostNotice> host_notices();
// How many notices are open right now (nested ones count each).
int host_open_notice_count();
// Runs while a notice is open, before the user "closes" it: a test can move
// the tick counter and deliver ticks here, as the message box's own loop
// would. It is called for nested notices too.
void host_set_while_notice_open(std::function<void(const HostNotice &)> hook);
// What the next question boxes answer, in turn; Cancel once they are used
// up. Each question is logged as "question <caption>: <text>" and counts as
// a notice with the information icon for host_notices().
void host_set_answers(const std::vector<plat_answer> &answers);

#endif
