// WinMain: create the main dialog, fill it with the stored settings, run the
// one message loop, and wind down.
#include <windows.h>

#include "common/notices.h"
#include "core/game_folder.h"
#include "core/settings.h"
#include "game/backup_timer.h"
#include "res/swarden_rc.h"
#include "ui/backups_window.h"
#include "ui/help_window.h"
#include "ui/main_dialog.h"

namespace {

// Below the system's own items: Backups, then About, which stays last.
void add_system_menu_items(HWND dialog)
{
    HMENU menu = GetSystemMenu(dialog, FALSE);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_STRING, IDM_BACKUPS, "&Backups...");
    AppendMenuA(menu, MF_STRING, IDM_ABOUT, "&About...");
}

void show_settings(HWND dialog, const Settings *s)
{
    SetDlgItemTextA(dialog, IDC_WINDOW_TITLE, s->window_title);
    SetDlgItemTextA(dialog, IDC_DIRECTORY, s->directory);
    SetDlgItemTextA(dialog, IDC_CHARACTER, s->last_character);
    SetDlgItemTextA(dialog, IDC_MINUTES, s->minutes);
    SetDlgItemTextA(dialog, IDC_SECONDS, s->seconds);
    SetDlgItemTextA(dialog, IDC_SAVE_PATH, s->save_path);
    SetDlgItemTextA(dialog, IDC_SAVE_NUMBER, s->save_message_number);
}

// The folder this program file lies in, without the backslash before its
// name: "C:" for a program at the top of drive C.
bool program_folder(char *buf, DWORD size)
{
    DWORD length = GetModuleFileNameA(nullptr, buf, size);
    if (length == 0 || length >= size)
        return false;
    char *last = nullptr;
    for (char *p = buf; *p != '\0'; ++p)
        if (*p == '\\')
            last = p;
    if (last == nullptr)
        return false;
    *last = '\0';
    return true;
}

// Every message passes the help and Backups windows, when they are open,
// and the dialog first, so that each handles its own keys: Escape in the
// help window; Escape, Enter for Restore, Tab and the mnemonics in the
// Backups window; and Tab, the mnemonics and Enter for Go in the dialog.
// Each takes only the messages of its own windows. Timer 1's ticks arrive
// through here too.
WPARAM run_message_loop(HWND dialog)
{
    MSG msg = {};
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (help_window_message(&msg) || backups_window_message(&msg))
            continue;
        if (!IsDialogMessageA(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return msg.wParam;
}

void wind_down(HWND dialog)
{
    if (g_run_state.interval != 0) {
        backup_timer_stop(as_plat_window(dialog));
        g_run_state.interval = 0;
    }
    if (g_run_state.help_open)
        WinHelpA(dialog, HELP_FILE, HELP_QUIT, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show)
{
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_MAIN_DIALOG),
                                     nullptr, main_dialog_proc, 0);
    if (dialog == nullptr) {
        warning_notice(nullptr, "Unable to display main dialog");
        return 0;
    }
    HICON icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVEWARDEN));
    SetClassLongPtrA(dialog, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
    add_system_menu_items(dialog);

    load_settings(&g_settings);
    char folder[MAX_PATH + 1];
    if (program_folder(folder, sizeof folder))
        settings_from_game_folder(folder, &g_settings);
    show_settings(dialog, &g_settings);

    ShowWindow(dialog, show);
    UpdateWindow(dialog);
    WPARAM code = run_message_loop(dialog);
    wind_down(dialog);
    return (int)code;
}
