// The help window: the help text, read-only, in an edit control that fills
// a window of its own. It is modeless, so the main dialog and the countdown
// go on while it is open, and there is only ever one.
#include "ui/help_window.h"

#include "common/packed_text.h"
#include "platform/platform.h"
#include "res/swarden_rc.h"
#include "ui/main_dialog.h"

namespace {

HWND g_help_window = nullptr;  // the open help window, or none

// The text is the help file's own, written at build time as plain text and
// packed (tools/make_help.py). Unpacked into a buffer of its own, which the
// caller frees; 0 when the resource is missing or malformed.
char *unpacked_help_text(HINSTANCE instance)
{
    HRSRC found = FindResourceA(instance, MAKEINTRESOURCEA(IDR_HELP_TEXT), RT_RCDATA);
    if (found == nullptr)
        return nullptr;
    DWORD size = SizeofResource(instance, found);
    HGLOBAL loaded = LoadResource(instance, found);
    const unsigned char *packed =
        loaded ? static_cast<const unsigned char *>(LockResource(loaded)) : nullptr;
    size_t length = packed_text_length(packed, size);
    if (length == 0)
        return nullptr;
    char *text = static_cast<char *>(plat_buffer_alloc((unsigned)length + 1));
    if (text != nullptr && !unpack_text(packed, size, text, length + 1)) {
        plat_buffer_free(text);
        text = nullptr;
    }
    return text;
}

INT_PTR CALLBACK help_window_proc(HWND help, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SAVEWARDEN));
        SendMessageA(help, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        place_beside_main_dialog(help, reinterpret_cast<HWND>(lparam));
        return TRUE;
    }
    case WM_SIZE:  // the text fills the window at any size
        SetWindowPos(GetDlgItem(help, IDC_HELP_TEXT), nullptr, 0, 0, LOWORD(lparam),
                     HIWORD(lparam), SWP_NOZORDER);
        return TRUE;
    case WM_COMMAND:
        // Escape and the close button both arrive as Cancel.
        if (LOWORD(wparam) == IDCANCEL)
            DestroyWindow(help);
        return TRUE;
    case WM_DESTROY:
        g_help_window = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

bool system_lacks_help_viewer()
{
    return LOBYTE(LOWORD(GetVersion())) >= 6;  // the major version
}

bool open_help_window(HWND main_dialog)
{
    if (g_help_window != nullptr) {
        if (IsIconic(g_help_window))
            ShowWindow(g_help_window, SW_RESTORE);
        SetForegroundWindow(g_help_window);
        return true;
    }
    HINSTANCE instance = GetModuleHandleA(nullptr);
    char *text = unpacked_help_text(instance);
    if (text == nullptr)
        return false;
    // No owner: like the help viewer's, it is a window of its own, which
    // the main dialog neither hides when minimised nor keeps below it.
    HWND help = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_HELP_WINDOW), nullptr,
                                   help_window_proc, reinterpret_cast<LPARAM>(main_dialog));
    // The edit control keeps a copy of its own.
    bool shown = help != nullptr && SetDlgItemTextA(help, IDC_HELP_TEXT, text);
    plat_buffer_free(text);
    if (!shown) {
        if (help != nullptr)
            DestroyWindow(help);
        return false;
    }
    ShowWindow(help, SW_SHOW);
    g_help_window = help;
    return true;
}

bool help_window_message(MSG *msg)
{
    return g_help_window != nullptr && IsDialogMessageA(g_help_window, msg);
}
