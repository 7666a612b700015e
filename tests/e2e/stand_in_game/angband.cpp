// A stand-in for the game, built as "angband.exe" for the end-to-end tests.
//
// It behaves the way Savewarden expects the game to, and the way the real
// game does where that matters: it is started as "<game folder>\angband.exe
// <live save file>" and takes its save file path up to the first blank, it
// polls for input (PeekMessage, then Sleep(20)) instead of waiting in
// GetMessage, shows a top-level window with a known title, and on WM_COMMAND
// with the save command number writes the save file before the handler
// returns; when refusing, it shows the game's own "Warning" box and returns
// once that is closed. Everything about a run is told
// through environment variables (Savewarden passes its environment on to the
// programs it starts):
//
//   E2E_GAME_TITLE      window title                  (default "Angband 2.7.5")
//   E2E_SAVE_NUMBER     save command number           (default 110)
//   E2E_SAVE_SIZE       bytes per save file written   (default 3000)
//   E2E_SAVE_SIZES      comma-separated sizes in bytes, one per save in
//                       turn, starting again after the last; when set it
//                       takes the place of E2E_SAVE_SIZE (default: unset)
//   E2E_GAME_LOG        log file the tests read       (default: none)
//   E2E_GAME_MODE       normal | slow | hang | close | refuse
//   E2E_GAME_DELAY_MS   slow: pause before saving; close: time until the
//                       window goes away              (default 500)
//   E2E_GAME_REFUSALS   refuse: how many save commands to refuse before
//                       saving normally               (default: all of them)
//   E2E_GAME_REFUSAL_CLOSE_MS
//                       refuse: the player closes the refusal box after this
//                       long; 0 leaves it to the test (default 0)
//   E2E_GAME_SAME_BYTES 1: every save writes the very same bytes, as an idle
//                       game does                     (default 0)
//   E2E_GAME_DIES_AFTER_MS
//                       this long after the start the game writes its dead
//                       character's state over the live save, as the real
//                       one does on leaving its death screen, and not in
//                       answer to any command; 0: never (default 0)
//   E2E_GAME_DESCRIPTION
//                       every save begins with the header of Angband 3.5.0
//                       and later carrying this description, its size
//                       staying the one asked for    (default: unset, none)
//   E2E_GAME_DEATH_DESCRIPTION
//                       the dead character's save carries this one instead
//                                                     (default: unset)
//   E2E_GAME_SELF_SAVES descriptions separated by "|", one per save the game
//                       makes by itself, every E2E_GAME_SELF_SAVE_MS (3000),
//                       as the real one at each new level; an empty one has
//                       no header                     (default: unset, none)
//
// Every line in the log is "<event> pid=<process id> <details>", so a test
// can look for what each game process received and wrote.

#include "save_content.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct GameConfig {
    std::string title = "Angband 2.7.5";
    unsigned long save_number = 110;
    unsigned long save_size = 3000;
    std::vector<unsigned long> save_sizes;  // empty: every save is save_size
    std::string log_path;
    std::string mode = "normal";
    unsigned long delay_ms = 500;
    long refusals = -1;  // -1: refuse every save command
    unsigned long refusal_close_ms = 0;
    bool same_bytes = false;
    unsigned long dies_after_ms = 0;
    std::string description;        // empty: saves without a header
    std::string death_description;  // empty: the dead save as any other
    std::vector<std::string> self_saves;  // descriptions, one per self-save
    unsigned long self_save_ms = 3000;
};

GameConfig g_config;
std::string g_save_path;
unsigned g_saves_written = 0;
const UINT_PTR kCloseTimer = 1;
const UINT_PTR kDieTimer = 2;
const UINT_PTR kSelfSaveTimer = 3;
unsigned g_self_saves_done = 0;

std::string env_text(const char* name, const std::string& fallback)
{
    DWORD needed = GetEnvironmentVariableA(name, nullptr, 0);
    if (needed == 0)
        return fallback;
    std::string buffer(needed, '\0');
    DWORD n = GetEnvironmentVariableA(name, &buffer[0], needed);
    if (n == 0 || n >= needed)
        return fallback;
    buffer.resize(n);
    return buffer;
}

std::vector<unsigned long> env_number_list(const char* name)
{
    std::vector<unsigned long> numbers;
    std::string text = env_text(name, "");
    const char* p = text.c_str();
    while (*p) {
        char* end = nullptr;
        unsigned long n = std::strtoul(p, &end, 10);
        if (end == p)
            break;  // not a number: the list ends here
        numbers.push_back(n);
        p = end;
        while (*p == ',' || *p == ' ')
            ++p;
    }
    return numbers;
}

unsigned long env_number(const char* name, unsigned long fallback)
{
    std::string text = env_text(name, "");
    if (text.empty())
        return fallback;
    return std::strtoul(text.c_str(), nullptr, 10);
}

GameConfig read_config()
{
    GameConfig c;
    c.title = env_text("E2E_GAME_TITLE", c.title);
    c.save_number = env_number("E2E_SAVE_NUMBER", c.save_number);
    c.save_size = env_number("E2E_SAVE_SIZE", c.save_size);
    c.save_sizes = env_number_list("E2E_SAVE_SIZES");
    c.log_path = env_text("E2E_GAME_LOG", "");
    c.mode = env_text("E2E_GAME_MODE", c.mode);
    c.delay_ms = env_number("E2E_GAME_DELAY_MS", c.delay_ms);
    std::string refusals = env_text("E2E_GAME_REFUSALS", "");
    if (!refusals.empty())
        c.refusals = std::strtol(refusals.c_str(), nullptr, 10);
    c.refusal_close_ms = env_number("E2E_GAME_REFUSAL_CLOSE_MS", 0);
    c.same_bytes = env_number("E2E_GAME_SAME_BYTES", 0) != 0;
    c.dies_after_ms = env_number("E2E_GAME_DIES_AFTER_MS", 0);
    c.description = env_text("E2E_GAME_DESCRIPTION", "");
    c.death_description = env_text("E2E_GAME_DEATH_DESCRIPTION", "");
    // "a|b|" is three saves, the last one without a description.
    std::string saves = env_text("E2E_GAME_SELF_SAVES", "");
    for (size_t at = 0, bar = 0; !saves.empty() && bar != std::string::npos; at = bar + 1)
        c.self_saves.push_back(saves.substr(at, (bar = saves.find('|', at)) - at));
    c.self_save_ms = env_number("E2E_GAME_SELF_SAVE_MS", c.self_save_ms);
    return c;
}

// Appends one line and closes the file again, so the test can read the log
// at any moment, even while this process hangs on purpose.
void log_line(const char* event, const std::string& details = "")
{
    if (g_config.log_path.empty())
        return;
    std::FILE* f = std::fopen(g_config.log_path.c_str(), "ab");
    if (!f)
        return;
    std::fprintf(f, "%s pid=%lu %s\r\n", event, GetCurrentProcessId(), details.c_str());
    std::fclose(f);
}

// Like the real game: the save file path is what follows the program part
// of the command line (as the C runtime hands it to WinMain), up to the
// first blank.
std::string save_path_from_command_line(const char* arguments)
{
    std::string line = arguments ? arguments : "";
    return line.substr(0, line.find_first_of(" \t"));
}

bool file_opens(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

// The size of the save with the given serial number (counted from 1).
unsigned long save_size_for(unsigned serial)
{
    if (g_config.save_sizes.empty())
        return g_config.save_size;
    return g_config.save_sizes[(serial - 1) % g_config.save_sizes.size()];
}

std::string content_described(const std::string& description, const char* kind,
                              unsigned serial, unsigned long pid, unsigned long size)
{
    if (description.empty())
        return stand_in_save_content(kind, serial, pid, size);
    return described_save_content(description, kind, serial, pid, size);
}

std::string save_content(const char* kind)
{
    if (g_config.same_bytes)
        return content_described(g_config.description, "IDLE", 0, 0, save_size_for(1));
    return content_described(g_config.description, kind, g_saves_written,
                             GetCurrentProcessId(), save_size_for(g_saves_written));
}

bool write_save_file(const std::string& content, const std::string& path = g_save_path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, content.data(), static_cast<DWORD>(content.size()),
                        &written, nullptr);
    CloseHandle(file);
    return ok && written == content.size();
}

void save_now()
{
    ++g_saves_written;
    std::string content = save_content("SAVE");
    bool ok = write_save_file(content);
    log_line(ok ? "saved" : "save-failed",
             "count=" + std::to_string(g_saves_written) +
             " bytes=" + std::to_string(content.size()));
}

// As the real game saves: the whole save written aside, then renamed in
// while the old one is renamed away. A rename fails while another program
// holds the save file open without sharing delete.
void save_by_itself()
{
    const std::string& description = g_config.self_saves[g_self_saves_done++];
    const std::string count = std::to_string(++g_saves_written);
    const std::string fresh = g_save_path + count + ".new", old = g_save_path + count + ".old";
    bool ok = write_save_file(content_described(description, "SELF", g_saves_written,
                                                GetCurrentProcessId(),
                                                save_size_for(g_saves_written)),
                              fresh) &&
              MoveFileA(g_save_path.c_str(), old.c_str()) &&
              MoveFileA(fresh.c_str(), g_save_path.c_str()) && DeleteFileA(old.c_str());
    log_line(ok ? "self-saved" : "self-save-failed",
             "count=" + count + " error=" + std::to_string(ok ? 0 : GetLastError()));
}

// Like the real game away from its command prompt: its own modal warning,
// and the handler returns only once the player has closed it.
bool refuse_this_command()
{
    if (g_config.mode != "refuse")
        return false;
    if (g_config.refusals == 0)
        return false;
    if (g_config.refusals > 0)
        --g_config.refusals;
    return true;
}

// The player reads the refusal and presses OK.
BOOL CALLBACK press_ok_on_refusal(HWND window, LPARAM)
{
    char caption[32] = "";
    GetWindowTextA(window, caption, sizeof caption);
    if (std::string(caption) == "Warning")
        PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

VOID CALLBACK close_refusal(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    log_line("closing-refusal");
    EnumThreadWindows(GetCurrentThreadId(), press_ok_on_refusal, 0);
}

void handle_save_command(HWND window)
{
    const std::string& mode = g_config.mode;
    if (refuse_this_command()) {
        log_line("refusing");
        if (g_config.refusal_close_ms != 0)
            SetTimer(nullptr, 0, g_config.refusal_close_ms, close_refusal);
        MessageBoxA(window, "You may not do that right now.", "Warning",
                    MB_OK | MB_ICONEXCLAMATION);
        log_line("refused");
        return;
    }
    if (mode == "slow") {
        log_line("slow-start");
        Sleep(g_config.delay_ms);
    }
    if (mode == "hang") {
        // A half-written save, then no return: a copy taken now would be
        // damaged, which is what the tests look for in the backup.
        ++g_saves_written;
        std::string partial = save_content("PARTIAL");
        write_save_file(partial.substr(0, partial.size() / 3));
        log_line("hanging", "count=" + std::to_string(g_saves_written));
        for (;;)
            Sleep(1000);
    }
    save_now();
}

LRESULT CALLBACK game_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_COMMAND:
        log_line("command", "wparam=" + std::to_string(static_cast<unsigned long long>(wparam)) +
                            " lparam=" + std::to_string(static_cast<long long>(lparam)));
        if (wparam == g_config.save_number)
            handle_save_command(window);
        return 0;
    case WM_TIMER:
        if (wparam == kDieTimer) {
            KillTimer(window, kDieTimer);
            const std::string& description = g_config.death_description.empty()
                                                 ? g_config.description
                                                 : g_config.death_description;
            std::string dead = content_described(description, "DEAD", 0,
                                                 GetCurrentProcessId(), save_size_for(1));
            log_line(write_save_file(dead) ? "died" : "die-failed");
        }
        if (wparam == kSelfSaveTimer && g_self_saves_done < g_config.self_saves.size())
            save_by_itself();
        if (wparam == kCloseTimer) {
            KillTimer(window, kCloseTimer);
            log_line("closing-window");
            DestroyWindow(window);
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

HWND create_game_window(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = game_window_proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = "SavewardenStandInGame";
    if (!RegisterClassA(&wc))
        return nullptr;
    // Bottom right of the screen, clear of Savewarden's dialog and of the
    // message boxes centred over it, whose pixels some tests look at.
    int width = 320, height = 120;
    int x = GetSystemMetrics(SM_CXSCREEN) - width - 10;
    int y = GetSystemMetrics(SM_CYSCREEN) - height - 40;
    return CreateWindowA(wc.lpszClassName, g_config.title.c_str(),
                         WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y, width, height,
                         nullptr, nullptr, instance, nullptr);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    g_config = read_config();
    g_save_path = save_path_from_command_line(arguments);
    log_line("start", "cmdline=" + std::string(GetCommandLineA()));
    log_line("save-path", "path=" + g_save_path);
    // The real game says "Couldn't open savefile." here.
    log_line("save-file", file_opens(g_save_path) ? "opens" : "missing");

    HWND window = create_game_window(instance);
    if (!window) {
        log_line("window-failed");
        return 1;
    }
    log_line("window", "title=" + g_config.title);
    if (g_config.mode == "close")
        SetTimer(window, kCloseTimer, g_config.delay_ms, nullptr);
    if (g_config.dies_after_ms != 0)
        SetTimer(window, kDieTimer, g_config.dies_after_ms, nullptr);
    if (!g_config.self_saves.empty())
        SetTimer(window, kSelfSaveTimer, g_config.self_save_ms, nullptr);

    // The real game polls for input rather than waiting in GetMessage, so
    // the system never sees it waiting for input.
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                log_line("exit");
                return 0;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}
