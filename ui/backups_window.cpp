// The Backups window: a list of the save file and its backups, one a row,
// and Restore, which copies the chosen backup over the save file as Go's
// restore does, keeping the save file it replaces as the newest older
// backup, so that a restore is undone from the same list. It is modeless,
// so the countdown and due backups go on while it is open, and there is
// only ever one.
#include "ui/backups_window.h"

#include "common/notices.h"
#include "common/text.h"
#include "core/backup_list.h"
#include "core/save_copy.h"
#include "game/backup_timer.h"
#include "game/game_presence.h"
#include "game/start_request.h"
#include "res/swarden_rc.h"
#include "ui/main_dialog.h"

namespace {

HWND g_backups_window = nullptr;  // the open Backups window, or none
HWND g_main_dialog = nullptr;

// The save file and backup the fields named when the list was read, and
// its rows, each with its file for Restore.
RunState g_paths;
BackupRow g_rows[MOST_BACKUP_ROWS];
unsigned g_row_count = 0;

// In dialog units: where the time, the size and the description begin,
// under the template's headings.
const int COLUMN_STOPS[] = {44, 138, 192};

HWND list_of(HWND window)
{
    return GetDlgItem(window, IDC_BACKUP_LIST);
}

// The selected row when it is a backup; none for the save file's own row.
const BackupRow *selected_backup(HWND window)
{
    LRESULT index = SendMessageA(list_of(window), LB_GETCURSEL, 0, 0);
    if (index < 0 || (unsigned)index >= g_row_count ||
        g_rows[index].generation == BACKUP_ROW_SAVE_FILE)
        return nullptr;
    return &g_rows[index];
}

void enable_restore(HWND window)
{
    EnableWindow(GetDlgItem(window, IDC_BACKUP_RESTORE), selected_backup(window) != nullptr);
}

// The row that shows the state selected before the list was read again:
// a move within the row keeps a file's time and size. The first row, the
// save file, where that state is gone.
LRESULT row_of_state(const BackupRow *selected)
{
    for (unsigned i = 0; selected != nullptr && i < g_row_count; ++i)
        if (same_stamp(g_rows[i].stamp, selected->stamp))
            return (LRESULT)i;
    return 0;
}

// Reads the files afresh; the selection stays on the state it was on. After
// a restore nothing is selected yet: the first row, the save file, which
// then holds the character brought back.
void fill_list(HWND window, bool keep_selection = true)
{
    HWND list = list_of(window);
    const BackupRow *selected = keep_selection ? selected_backup(window) : nullptr;
    BackupRow was = {};
    if (selected != nullptr)
        was = *selected;
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    g_row_count = list_backups(g_paths.live_save_file, g_paths.backup_save_file,
                               g_settings.backup_generations, g_rows, MOST_BACKUP_ROWS);
    for (unsigned i = 0; i < g_row_count; ++i) {
        char text[BACKUP_ROW_TEXT_SIZE];
        backup_row_text(&g_rows[i], text, sizeof text);
        SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(list, LB_SETCURSEL, row_of_state(selected != nullptr ? &was : nullptr), 0);
    enable_restore(window);
}

// A change the countdown made or saw: the rows follow the files.
void list_changed(void)
{
    if (g_backups_window != nullptr)
        fill_list(g_backups_window);
}

// The file under the row no longer holds the state the row shows (the row
// moved on since the list was read): nothing is copied, and the player
// chooses again from the list read afresh.
bool row_has_moved_on(HWND window, const BackupRow *row)
{
    struct plat_stamp now;
    if (plat_file_stamp_of(row->path, &now) && same_stamp(now, row->stamp))
        return false;
    fill_list(window);
    info_notice(as_plat_window(window), "The backups have changed: choose again");
    return true;
}

// No question: the save file replaced is kept as the newest older backup.
// While the game runs it would write over the restored file at its next
// save, so nothing is copied then.
void restore_selected(HWND window)
{
    // A copy: notices below let ticks through, which may read the list again.
    const BackupRow *selected = selected_backup(window);
    if (selected == nullptr)
        return;
    const BackupRow chosen = *selected;
    const BackupRow *row = &chosen;
    if (game_blocks_restore(as_plat_window(g_main_dialog), as_plat_window(window)) ||
        row_has_moved_on(window, row))
        return;
    int restored = copy_save_file_keeping(row->path, g_paths.live_save_file,
                                          g_paths.backup_save_file,
                                          g_settings.backup_generations);
    // What the save file holds now is Savewarden's, not a save of the game's.
    note_save_file_seen();
    if (restored) {
        // The next Go starts the game on the restored save and backs it up.
        CheckDlgButton(g_main_dialog, IDC_RESTORE, BST_UNCHECKED);
    } else {
        char message[sizeof "Error copying  to " + BACKUP_ROW_PATH_WIDTH + PATH_WIDTH];
        text_format(message, sizeof message, "Error copying %s to %s", row->path,
                    g_paths.live_save_file);
        warning_notice(as_plat_window(window), message);
    }
    fill_list(window, false);
    // The focus leaves the Restore button, which the save file's row greys.
    SendMessageA(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list_of(window)), TRUE);
}

INT_PTR CALLBACK backups_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_SAVEWARDEN));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(list_of(window), LB_SETTABSTOPS, sizeof COLUMN_STOPS / sizeof *COLUMN_STOPS,
                     reinterpret_cast<LPARAM>(COLUMN_STOPS));
        place_beside_main_dialog(window, reinterpret_cast<HWND>(lparam));
        fill_list(window);
        g_run_state.backups_changed = list_changed;
        return TRUE;
    }
    case WM_ACTIVATE:  // brought to the front: the files may have changed
        if (LOWORD(wparam) != WA_INACTIVE)
            fill_list(window);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDCANCEL:  // Escape, the close button and Close
            DestroyWindow(window);
            break;
        case IDC_BACKUP_RESTORE:  // the button, and Enter as the default
            restore_selected(window);
            break;
        case IDC_BACKUP_LIST:
            if (HIWORD(wparam) == LBN_DBLCLK)
                restore_selected(window);
            else if (HIWORD(wparam) == LBN_SELCHANGE)
                enable_restore(window);
            break;
        default:
            break;
        }
        return TRUE;
    case WM_DESTROY:
        g_backups_window = nullptr;
        g_run_state.backups_changed = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void open_backups_window(HWND main_dialog)
{
    RunState paths = {};
    if (!compose_field_paths(as_plat_window(main_dialog), &paths))
        return;
    text_copy(g_paths.live_save_file, sizeof g_paths.live_save_file, paths.live_save_file);
    text_copy(g_paths.backup_save_file, sizeof g_paths.backup_save_file,
              paths.backup_save_file);
    g_main_dialog = main_dialog;
    if (g_backups_window != nullptr) {
        fill_list(g_backups_window);
        if (IsIconic(g_backups_window))
            ShowWindow(g_backups_window, SW_RESTORE);
        SetForegroundWindow(g_backups_window);
        return;
    }
    // No owner, as the help window: a window of its own beside the dialog.
    g_backups_window = CreateDialogParamA(GetModuleHandleA(nullptr),
                                          MAKEINTRESOURCEA(IDD_BACKUPS_WINDOW), nullptr,
                                          backups_window_proc,
                                          reinterpret_cast<LPARAM>(main_dialog));
    if (g_backups_window != nullptr)
        ShowWindow(g_backups_window, SW_SHOW);
}

bool backups_window_message(MSG *msg)
{
    return g_backups_window != nullptr && IsDialogMessageA(g_backups_window, msg);
}
