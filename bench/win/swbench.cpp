// Drives swarden.exe from inside Wine for the measurements of tools/bench.sh.
//
//   swbench startup EXE RUNS  starts EXE RUNS times, one after the other, and
//                             prints per run the milliseconds from
//                             CreateProcess to the dialog being visible and
//                             to the program waiting for input; each run is
//                             ended with the dialog's Exit button
//   swbench bare EXE RUNS     starts EXE (a program that ends at once) RUNS
//                             times and prints per run the milliseconds from
//                             CreateProcess to its end: what any process
//                             start costs under this Wine
//   swbench go                presses Go on the running dialog, waits for
//                             the countdown to show in its caption and
//                             prints the milliseconds from Go to then; then
//                             closes the game that Go started
//   swbench focus ID          moves the keyboard focus to the dialog's
//                             control ID: to Go (1005) as a mouse click on
//                             it does, to a field (1000) as typing there;
//                             a field with the focus shows a blinking caret
//   swbench caption           prints the dialog's caption
//   swbench exit              presses Exit and waits for the dialog to go
//
// Exit status 0 on success, 1 when the dialog did not do what was expected.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

const char dialog_title[] = "Savewarden";
const WPARAM go_button = 1005;
const WPARAM exit_button = 1007;

double milliseconds_since(const LARGE_INTEGER &start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * (double)(now.QuadPart - start.QuadPart) /
           (double)frequency.QuadPart;
}

struct Search {
    DWORD process_id;  // 0: any process
    const char *title; // whole title; 0: a countdown caption "MM:SS - ..."
    HWND found;
};

bool is_countdown_caption(const char *text)
{
    return strlen(text) > 8 && text[2] == ':' &&
           strcmp(text + 5, " - Savewarden") == 0;
}

BOOL CALLBACK match_window(HWND window, LPARAM param)
{
    Search *s = reinterpret_cast<Search *>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (s->process_id != 0 && pid != s->process_id)
        return TRUE;
    char text[128];
    GetWindowTextA(window, text, sizeof text);
    bool match = s->title != nullptr ? strcmp(text, s->title) == 0
                                     : is_countdown_caption(text);
    if (match && IsWindowVisible(window)) {
        s->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND find_dialog(DWORD process_id, const char *title)
{
    Search s = {process_id, title, nullptr};
    EnumWindows(match_window, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

// The main dialog: titled "Savewarden" before Go, "MM:SS - Savewarden"
// while it counts down.
HWND find_main_dialog()
{
    HWND dialog = find_dialog(0, dialog_title);
    return dialog != nullptr ? dialog : find_dialog(0, nullptr);
}

// Starts exe with no arguments and notes when; 0 on success.
int start_program(const char *exe, PROCESS_INFORMATION *pi, LARGE_INTEGER *start)
{
    char command_line[MAX_PATH + 2];
    snprintf(command_line, sizeof command_line, "\"%s\"", exe);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    QueryPerformanceCounter(start);
    if (!CreateProcessA(exe, command_line, nullptr, nullptr, FALSE, 0,
                        nullptr, nullptr, &si, pi)) {
        printf("error: cannot start %s (%lu)\n", exe, GetLastError());
        return 1;
    }
    return 0;
}

int startup(const char *exe, int runs)
{
    for (int run = 1; run <= runs; ++run) {
        PROCESS_INFORMATION pi = {};
        LARGE_INTEGER start;
        if (start_program(exe, &pi, &start) != 0)
            return 1;
        HWND dialog = nullptr;
        while (dialog == nullptr && milliseconds_since(start) < 30000) {
            dialog = find_dialog(pi.dwProcessId, dialog_title);
            if (dialog == nullptr)
                Sleep(1);
        }
        double visible = milliseconds_since(start);
        DWORD waited = WaitForInputIdle(pi.hProcess, 10000);
        double idle = milliseconds_since(start);
        if (dialog == nullptr || waited != 0) {
            printf("error: run %d: no dialog, or no input idle\n", run);
            TerminateProcess(pi.hProcess, 1);
            return 1;
        }
        printf("run %d visible_ms %.1f input_idle_ms %.1f\n", run, visible,
               idle);
        fflush(stdout);
        PostMessageA(dialog, WM_COMMAND, exit_button, 0);
        if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) {
            printf("error: run %d: Exit did not end the program\n", run);
            TerminateProcess(pi.hProcess, 1);
            return 1;
        }
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return 0;
}

int bare(const char *exe, int runs)
{
    for (int run = 1; run <= runs; ++run) {
        PROCESS_INFORMATION pi = {};
        LARGE_INTEGER start;
        if (start_program(exe, &pi, &start) != 0)
            return 1;
        DWORD waited = WaitForSingleObject(pi.hProcess, 30000);
        double ended = milliseconds_since(start);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        if (waited != WAIT_OBJECT_0) {
            printf("error: run %d: %s did not end\n", run, exe);
            return 1;
        }
        printf("run %d ended_ms %.1f\n", run, ended);
        fflush(stdout);
    }
    return 0;
}

int caption()
{
    HWND dialog = find_main_dialog();
    if (dialog == nullptr) {
        printf("error: no dialog\n");
        return 1;
    }
    char text[128];
    GetWindowTextA(dialog, text, sizeof text);
    printf("%s\n", text);
    return 0;
}

int go()
{
    HWND dialog = find_dialog(0, dialog_title);
    if (dialog == nullptr) {
        printf("error: no dialog titled %s\n", dialog_title);
        return 1;
    }
    LARGE_INTEGER pressed;
    QueryPerformanceCounter(&pressed);
    DWORD_PTR ignored = 0;
    // Go copies the save file and starts the game before it returns; a
    // notice would keep it from returning. A start that waits for a polling
    // game to go idle holds it for 30 s, so the limits leave room for that.
    SendMessageTimeoutA(dialog, WM_COMMAND, go_button, 0, SMTO_NORMAL, 40000,
                        &ignored);
    bool counting = false;
    char text[128] = "";
    for (int i = 0; i < 4000 && !counting; ++i) {
        GetWindowTextA(dialog, text, sizeof text);
        counting = is_countdown_caption(text);
        if (!counting)
            Sleep(10);
    }
    double go_to_countdown = milliseconds_since(pressed);
    // The game would poll through the CPU stretches that follow.
    HWND game = find_dialog(0, "Bench Game");
    if (game != nullptr)
        PostMessageA(game, WM_CLOSE, 0, 0);
    if (!counting) {
        HWND notice = find_dialog(0, "Savewarden");
        printf("error: no countdown after Go%s\n",
               notice != nullptr && notice != dialog ? " (a notice is open)"
                                                     : "");
        return 1;
    }
    printf("%s\ngo_to_countdown_ms %.1f\n", text, go_to_countdown);
    return 0;
}

int focus(int id)
{
    HWND dialog = find_main_dialog();
    HWND control = dialog != nullptr ? GetDlgItem(dialog, id) : nullptr;
    if (control == nullptr) {
        printf("error: no dialog, or no control %d\n", id);
        return 1;
    }
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control),
                 TRUE);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ||
        info.hwndFocus != control) {
        printf("error: the focus did not move to control %d\n", id);
        return 1;
    }
    return 0;
}

int exit_dialog()
{
    HWND dialog = find_main_dialog();
    if (dialog == nullptr) {
        printf("error: no dialog\n");
        return 1;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(dialog, &pid);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    PostMessageA(dialog, WM_COMMAND, exit_button, 0);
    DWORD waited = process != nullptr ? WaitForSingleObject(process, 10000)
                                      : WAIT_FAILED;
    if (process != nullptr)
        CloseHandle(process);
    if (waited != WAIT_OBJECT_0) {
        printf("error: the program did not end\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && strcmp(argv[1], "startup") == 0)
        return startup(argv[2], atoi(argv[3]));
    if (argc == 4 && strcmp(argv[1], "bare") == 0)
        return bare(argv[2], atoi(argv[3]));
    if (argc == 2 && strcmp(argv[1], "go") == 0)
        return go();
    if (argc == 3 && strcmp(argv[1], "focus") == 0)
        return focus(atoi(argv[2]));
    if (argc == 2 && strcmp(argv[1], "caption") == 0)
        return caption();
    if (argc == 2 && strcmp(argv[1], "exit") == 0)
        return exit_dialog();
    fprintf(stderr,
            "usage: swbench startup|bare EXE RUNS | go | focus ID | caption "
            "| exit\n");
    return 2;
}
