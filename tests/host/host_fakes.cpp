// The window, timer, time, program-start and dialog operations of the
// platform for the host unit tests: they do nothing real, they record.
#include "host_fakes.h"

#include <stdio.h>
#include <strings.h>

#include <map>

namespace {

struct FakeTimer {
    unsigned period_ms;
    plat_tick_fn tick;
};

struct FakeWindow {
    plat_window handle;
    std::string title;
    std::string name;
    bool takes_input = true;
};

struct Fakes {
    std::vector<std::string> events;
    uint32_t now = 0;
    std::map<unsigned, FakeTimer> timers;
    bool fail_next_timer_start = false;
    std::vector<FakeWindow> windows;
    int windows_made = 0;
    std::vector<HostSend> sends;
    int send_result = 1;
    std::function<void(const HostSend &)> on_send;
    unsigned start_result = 33;
    std::vector<std::string> started;
    std::map<uintptr_t, bool> programs;  // started ones: running or ended
    std::vector<plat_answer> answers;
    std::map<std::string, std::string> short_paths;
    std::vector<std::string> captions;
    std::map<int, std::string> fields;
    std::map<int, bool> check_boxes;
    std::vector<HostNotice> notices;
    int open_notices = 0;
    std::function<void(const HostNotice &)> while_notice_open;
};

Fakes fakes;

// Fake handles are addresses nothing ever reads through: the dialog at one,
// the top-level windows after it.
const uintptr_t dialog_address = 0x1000;
const uintptr_t first_window_address = 0x2000;

plat_window handle_at(uintptr_t address)
{
    return reinterpret_cast<plat_window>(address);
}

void log(const std::string &line) { fakes.events.push_back(line); }

std::string window_name(plat_window window)
{
    if (window == host_dialog())
        return "dialog";
    for (const FakeWindow &w : fakes.windows)
        if (w.handle == window)
            return w.name;
    return window == nullptr ? "none" : "unknown";
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// Not isdigit: that would depend on the locale.
bool is_decimal_digit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

void host_fakes_reset() { fakes = Fakes(); }

const std::vector<std::string> &host_events() { return fakes.events; }

std::vector<std::string> host_events_starting(const std::string &prefix)
{
    std::vector<std::string> lines;
    for (const std::string &line : fakes.events)
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line);
    return lines;
}

void host_clear_events() { fakes.events.clear(); }

plat_window host_dialog() { return handle_at(dialog_address); }

// ---- time ----------------------------------------------------------------------

void host_set_tick_count(uint32_t now) { fakes.now = now; }
void host_advance_ticks(uint32_t ms) { fakes.now += ms; }
uint32_t host_tick_count() { return fakes.now; }

uint32_t plat_tick_count(void) { return fakes.now; }

// ---- timers ---------------------------------------------------------------------

bool host_timer_running(unsigned id) { return fakes.timers.count(id) != 0; }

unsigned host_timer_period(unsigned id)
{
    auto found = fakes.timers.find(id);
    return found == fakes.timers.end() ? 0 : found->second.period_ms;
}

void host_fail_next_timer_start() { fakes.fail_next_timer_start = true; }

bool host_deliver_tick(unsigned id)
{
    auto found = fakes.timers.find(id);
    if (found == fakes.timers.end())
        return false;
    // Copied: the tick may stop or restart the timer it came from.
    plat_tick_fn tick = found->second.tick;
    tick(host_dialog());
    return true;
}

int plat_timer_start(plat_window window, unsigned id, unsigned period_ms,
                     plat_tick_fn tick)
{
    log("timer start " + std::to_string(id) + " " + std::to_string(period_ms) +
        (window == host_dialog() ? "" : " on " + window_name(window)));
    if (fakes.fail_next_timer_start) {
        fakes.fail_next_timer_start = false;
        return 0;
    }
    fakes.timers[id] = FakeTimer{period_ms, tick};
    return 1;
}

void plat_timer_stop(plat_window window, unsigned id)
{
    log("timer stop " + std::to_string(id) +
        (window == host_dialog() ? "" : " on " + window_name(window)));
    fakes.timers.erase(id);
}

// ---- windows ----------------------------------------------------------------------

plat_window host_add_window(const std::string &title)
{
    ++fakes.windows_made;
    FakeWindow w;
    w.handle = handle_at(first_window_address + (uintptr_t)fakes.windows_made);
    w.title = title;
    w.name = "game" + std::to_string(fakes.windows_made);
    fakes.windows.push_back(w);
    return w.handle;
}

void host_remove_window(plat_window window)
{
    for (auto it = fakes.windows.begin(); it != fakes.windows.end(); ++it)
        if (it->handle == window) {
            fakes.windows.erase(it);
            return;
        }
}

std::string host_window_name(plat_window window) { return window_name(window); }

void host_set_window_takes_input(plat_window window, bool takes_input)
{
    for (FakeWindow &w : fakes.windows)
        if (w.handle == window)
            w.takes_input = takes_input;
}

int plat_window_takes_input(plat_window window)
{
    for (const FakeWindow &w : fakes.windows)
        if (w.handle == window)
            return w.takes_input ? 1 : 0;
    return 0;
}

// As FindWindowA with no class name: the whole title, letter case not
// counting; the first window that matches.
plat_window plat_find_window(const char *title)
{
    log(std::string("find ") + title);
    for (const FakeWindow &w : fakes.windows)
        if (strcasecmp(w.title.c_str(), title) == 0)
            return w.handle;
    return nullptr;
}

// ---- the save command ---------------------------------------------------------------

std::vector<HostSend> host_sends() { return fakes.sends; }
void host_set_send_result(int result) { fakes.send_result = result; }
void host_set_on_send(std::function<void(const HostSend &)> hook)
{
    fakes.on_send = std::move(hook);
}

int plat_send_command(plat_window window, uint32_t command,
                      unsigned timeout_ms)
{
    log("send " + window_name(window) + " " + std::to_string(command) + " " +
        std::to_string(timeout_ms));
    HostSend send{window, command, timeout_ms};
    fakes.sends.push_back(send);
    if (fakes.on_send)
        fakes.on_send(send);
    return fakes.send_result;
}

// ---- program start --------------------------------------------------------------------

void host_set_start_result(unsigned result) { fakes.start_result = result; }
std::vector<std::string> host_started_programs() { return fakes.started; }

void host_end_started_programs()
{
    for (auto &p : fakes.programs)
        p.second = false;
}

int host_unreleased_program_count() { return (int)fakes.programs.size(); }

// Fake process handles: addresses nothing reads through, one per start.
const uintptr_t first_process_address = 0x9000;

unsigned plat_start_program(const char *command_line, plat_process *process)
{
    log(std::string("start ") + command_line);
    fakes.started.push_back(command_line);
    if (fakes.start_result >= 32) {
        uintptr_t address = first_process_address + fakes.started.size();
        fakes.programs[address] = true;
        *process = reinterpret_cast<plat_process>(address);
    }
    return fakes.start_result;
}

int plat_process_running(plat_process process)
{
    auto p = fakes.programs.find(reinterpret_cast<uintptr_t>(process));
    return p != fakes.programs.end() && p->second ? 1 : 0;
}

void plat_process_release(plat_process process)
{
    fakes.programs.erase(reinterpret_cast<uintptr_t>(process));
}

void host_set_short_path(const std::string &path, const std::string &short_path)
{
    fakes.short_paths[path] = short_path;
}

int plat_short_path(const char *path, char *buf, unsigned size)
{
    log(std::string("short ") + path);
    auto known = fakes.short_paths.find(path);
    if (known != fakes.short_paths.end() && known->second.empty())
        return 0;
    std::string result = known == fakes.short_paths.end() ? path : known->second;
    if (result.size() >= size)
        return 0;
    snprintf(buf, size, "%s", result.c_str());
    return 1;
}

// ---- caption -------------------------------------------------------------------------

std::vector<std::string> host_captions() { return fakes.captions; }

std::string host_last_caption()
{
    return fakes.captions.empty() ? std::string() : fakes.captions.back();
}

void plat_set_caption(plat_window window, const char *text)
{
    log(std::string("caption ") + text +
        (window == host_dialog() ? "" : " on " + window_name(window)));
    fakes.captions.push_back(text);
}

// ---- dialog fields ---------------------------------------------------------------------

void host_set_field_text(int id, const std::string &text)
{
    fakes.fields[id] = text;
}

std::string host_field_text(int id) { return fakes.fields[id]; }

void host_set_check_box(int id, bool set) { fakes.check_boxes[id] = set; }
bool host_check_box(int id) { return fakes.check_boxes[id]; }

void plat_field_text(plat_window, int id, char *buf, unsigned size)
{
    if (size == 0)
        return;
    snprintf(buf, size, "%s", fakes.fields[id].c_str());
}

bool host_parse_field_number(const char *text, uint32_t *value)
{
    if (text == nullptr || value == nullptr)
        return false;
    const char *p = text;
    while (is_blank(*p))
        ++p;
    uint64_t number = 0;
    const char *digits = p;
    for (; is_decimal_digit(*p); ++p) {
        number = number * 10 + (uint64_t)(*p - '0');
        if (number > UINT32_MAX)
            return false;  // more digits only make it larger
    }
    if (p == digits)
        return false;
    while (is_blank(*p))
        ++p;
    if (*p != '\0')
        return false;
    *value = (uint32_t)number;
    return true;
}

int plat_field_number(plat_window, int id, uint32_t *value)
{
    return host_parse_field_number(fakes.fields[id].c_str(), value) ? 1 : 0;
}

int plat_check_box_is_set(plat_window, int id)
{
    return fakes.check_boxes[id] ? 1 : 0;
}

void plat_check_box_clear(plat_window, int id)
{
    log("clear " + std::to_string(id));
    fakes.check_boxes[id] = false;
}

// ---- notices -----------------------------------------------------------------------

std::vector<HostNotice> host_notices() { return fakes.notices; }
int host_open_notice_count() { return fakes.open_notices; }

void host_set_while_notice_open(std::function<void(const HostNotice &)> hook)
{
    fakes.while_notice_open = std::move(hook);
}

void plat_message_box(plat_window owner, const char *text, const char *caption,
                      enum plat_notice_icon icon)
{
    HostNotice notice{owner, text, caption, icon};
    log(std::string("notice ") +
        (icon == PLAT_ICON_WARNING ? "warning " : "info ") + caption + ": " +
        text + (owner == host_dialog() ? "" : " owned by " + window_name(owner)));
    fakes.notices.push_back(notice);
    ++fakes.open_notices;
    if (fakes.while_notice_open) {
        // Copied: the hook may replace itself, and nested notices call it.
        std::function<void(const HostNotice &)> hook = fakes.while_notice_open;
        hook(notice);
    }
    --fakes.open_notices;
}

void host_set_answers(const std::vector<plat_answer> &answers)
{
    fakes.answers = answers;
}

enum plat_answer plat_question_box(plat_window owner, const char *text,
                                   const char *caption)
{
    log(std::string("question ") + caption + ": " + text);
    fakes.notices.push_back(HostNotice{owner, text, caption, PLAT_ICON_INFORMATION});
    if (fakes.answers.empty())
        return PLAT_ANSWER_CANCEL;
    plat_answer answer = fakes.answers.front();
    fakes.answers.erase(fakes.answers.begin());
    return answer;
}
