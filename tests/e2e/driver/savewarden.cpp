#include "savewarden.h"

#include "check.h"

#include <cstdio>
#include <vector>

namespace e2e {

namespace {

bool is_main_dialog(HWND window)
{
    if (GetWindow(window, GW_OWNER))
        return false;
    std::string caption = window_text(window);
    return caption == "Savewarden" || is_countdown(caption);
}

}  // namespace

Savewarden::~Savewarden()
{
    terminate();
    if (process_.hProcess)
        CloseHandle(process_.hProcess);
    if (process_.hThread)
        CloseHandle(process_.hThread);
}

void Savewarden::start(const std::string& exe, const std::string& working_folder,
                       int show_state)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (show_state >= 0) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = static_cast<WORD>(show_state);
    }
    std::string command_line = "\"" + exe + "\"";
    if (!CreateProcessA(exe.c_str(), &command_line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.c_str(), &startup, &process_))
        fail("cannot start " + exe + " (error " + std::to_string(GetLastError()) + ")");

    bool shown = wait_until([&] {
        for (HWND window : top_level_windows(process_.dwProcessId, "#32770"))
            if (is_main_dialog(window)) {
                dialog_ = window;
                return true;
            }
        return !running();
    }, 15000);
    if (!shown || !dialog_) {
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        fail("Savewarden's dialog did not appear (process " +
             std::string(running() ? "still runs" : "ended with code " + std::to_string(code)) +
             "); windows:" + describe_top_level_windows());
    }
}

bool Savewarden::running() const
{
    return process_.hProcess && WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD Savewarden::wait_for_exit(unsigned timeout_ms, const std::string& what)
{
    if (WaitForSingleObject(process_.hProcess, timeout_ms) != WAIT_OBJECT_0)
        fail(what + ": Savewarden still runs after " + std::to_string(timeout_ms) + " ms");
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
}

void Savewarden::terminate()
{
    if (running()) {
        TerminateProcess(process_.hProcess, 1);
        WaitForSingleObject(process_.hProcess, 5000);
    }
}

const FieldControl kFieldControls[7] = {
    {ids::window_title, &Fields::window_title, "WindowTitle", "window title"},
    {ids::directory, &Fields::directory, "Directory", "game folder"},
    {ids::character, &Fields::character, "LastCharacter", "character"},
    {ids::minutes, &Fields::minutes, "TimerIntervalMinutes", "minutes"},
    {ids::seconds, &Fields::seconds, "TimerIntervalSeconds", "seconds"},
    {ids::save_path, &Fields::save_path, "SavePath", "save folder"},
    {ids::save_number, &Fields::save_number, "FileSaveMessageNumber", "save number"},
};

Fields Savewarden::read_fields() const
{
    Fields f;
    for (const FieldControl& c : kFieldControls)
        f.*c.text = control_text(dialog_, c.id);
    return f;
}

void Savewarden::fill_fields(const Fields& f) const
{
    for (const FieldControl& c : kFieldControls)
        set_control_text(dialog_, c.id, f.*c.text);
}

namespace {

std::string version_string(const std::vector<char>& data, const char* name)
{
    void* value = nullptr;
    UINT size = 0;
    std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(data.data(), path.c_str(), &value, &size) || size == 0)
        return std::string();
    return std::string(static_cast<const char*>(value));
}

}  // namespace

VersionRecord read_version_record(const std::string& exe)
{
    VersionRecord record;
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
    if (size == 0)
        return record;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(exe.c_str(), 0, size, data.data()))
        return record;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixed_size = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &fixed_size) ||
        fixed_size < sizeof *fixed)
        return record;
    record.found = true;
    record.file_ms = fixed->dwFileVersionMS;
    record.file_ls = fixed->dwFileVersionLS;
    record.product_ms = fixed->dwProductVersionMS;
    record.product_ls = fixed->dwProductVersionLS;
    record.file_version = version_string(data, "FileVersion");
    record.product_version = version_string(data, "ProductVersion");
    return record;
}

bool is_countdown(const std::string& caption)
{
    return countdown_seconds(caption) >= 0;
}

int countdown_seconds(const std::string& caption)
{
    const std::string suffix = " - Savewarden";
    if (caption.size() != 5 + suffix.size() || caption.compare(5, std::string::npos, suffix) != 0)
        return -1;
    auto digit = [&](size_t i) { return caption[i] >= '0' && caption[i] <= '9'; };
    if (!digit(0) || !digit(1) || caption[2] != ':' || !digit(3) || !digit(4))
        return -1;
    int minutes = (caption[0] - '0') * 10 + (caption[1] - '0');
    int seconds = (caption[3] - '0') * 10 + (caption[4] - '0');
    if (seconds > 59)
        return -1;
    return minutes * 60 + seconds;
}

void expect_notice(HWND dialog, Notice kind, const std::string& text, unsigned timeout_ms,
                   int button)
{
    HWND box = wait_for_message_box(dialog, timeout_ms);
    if (!box)
        fail("no message box appeared; expected " + quoted(text));
    MessageBoxInfo info = read_message_box(box);
    bool warning_kind = kind == Notice::warning;
    check_equal(info.text, text, "notice text");
    check_equal(info.caption, warning_kind ? "Savewarden Error" : "Savewarden",
                "caption of " + quoted(text));
    IconKind wanted = kind == Notice::info      ? IconKind::information
                      : kind == Notice::warning ? IconKind::warning
                                                : IconKind::question;
    if (kind == Notice::question)
        check(GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO) && GetDlgItem(box, IDCANCEL),
              "Yes, No and Cancel on " + quoted(text));
    if (info.icon != wanted)
        fail("notice " + quoted(text) + " shows the " + icon_name(info.icon) + ", expected the " +
             icon_name(wanted));
    note(std::string("ok: ") + icon_name(info.icon) + " on " + quoted(text));
    close_message_box(box, button);
}

void expect_no_notice(HWND dialog, unsigned ms, const std::string& what)
{
    HWND box = wait_for_message_box(dialog, ms);
    if (box)
        fail(what + ": unexpected message box " + quoted(read_message_box(box).text));
    note("ok: " + what);
}

}  // namespace e2e
