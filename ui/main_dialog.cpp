// The dialog procedure: Go, Help, Exit, Close and the Backups and About
// items.
#include "ui/main_dialog.h"

#include "common/notices.h"
#include "core/settings.h"
#include "game/start_request.h"
#include "res/swarden_rc.h"
#include "savewarden_version.h"
#include "ui/backups_window.h"
#include "ui/help_window.h"

namespace {

const int GAP_TO_MAIN_DIALOG = 8;  // pixels

int clamp(int value, int low, int high)
{
    if (value > high)
        value = high;
    return value < low ? low : value;
}

void show_help(HWND dialog)
{
    // Where Windows has no help viewer, WinHelpA would only bring up its
    // note about an unsupported help format. The help open flag stays as it
    // is: it is about the WinHelp viewer alone, which is told to quit at
    // exit.
    if (system_lacks_help_viewer()) {
        if (!open_help_window(dialog))
            warning_notice(as_plat_window(dialog), "Error opening help");
        return;
    }
    if (WinHelpA(dialog, HELP_FILE, HELP_CONTENTS, 0)) {
        g_run_state.help_open = 1;  // the viewer is told to quit at exit
        return;
    }
    warning_notice(as_plat_window(dialog), "Error opening help");
    g_run_state.help_open = 0;
}

void show_about(HWND dialog)
{
    MessageBoxA(dialog,
                "Savewarden " SAVEWARDEN_VERSION_TEXT "\n\n"
                "Starts Angband on your character, keeps a backup of the "
                "save file, and has the game save at a fixed interval while "
                "you play.\n\n"
                "Written by the Savewarden developers.",
                "About", MB_OK | MB_ICONINFORMATION);
}

// A system command carries flags of the system in its four low bits; the
// caption's close button and a double click on the window icon differ only
// there.
INT_PTR on_system_command(HWND dialog, WPARAM command)
{
    if (command == IDM_ABOUT) {
        show_about(dialog);
        return FALSE;
    }
    if (command == IDM_BACKUPS) {
        open_backups_window(dialog);
        return FALSE;
    }
    if ((command & 0xFFF0) == SC_CLOSE) {
        PostQuitMessage(0);
        return TRUE;  // the loop ends the program; the window stays
    }
    return FALSE;     // move, minimise, restore: the system's own handling
}

// Only a button's click counts: the whole first parameter is its id, with
// notification code 0. Edit-field notifications are ignored.
void on_command(HWND dialog, WPARAM command)
{
    switch (command) {
    case IDC_GO:
        start_request(as_plat_window(dialog));
        break;
    case IDC_EXIT:
        PostQuitMessage(0);
        break;
    case IDC_HELP_BUTTON:
        show_help(dialog);
        break;
    default:
        break;  // Cancel from Escape or WM_CLOSE does nothing
    }
}

}  // namespace

void place_beside_main_dialog(HWND window, HWND main_dialog)
{
    RECT work, main, own;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    GetWindowRect(main_dialog, &main);
    GetWindowRect(window, &own);
    int width = own.right - own.left;
    int height = own.bottom - own.top;
    int x = main.right + GAP_TO_MAIN_DIALOG;
    if (x + width > work.right)
        x = main.left - GAP_TO_MAIN_DIALOG - width;
    x = clamp(x, work.left, work.right - width);
    int y = clamp(main.top, work.top, work.bottom - height);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK main_dialog_proc(HWND dialog, UINT message, WPARAM wparam,
                                  LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;  // focus goes to the first Tab stop
    case WM_DESTROY:
        PostQuitMessage(0);
        return FALSE;
    case WM_SYSCOMMAND:
        return on_system_command(dialog, wparam);
    case WM_COMMAND:
        on_command(dialog, wparam);
        return FALSE;
    default:
        return FALSE;
    }
}
