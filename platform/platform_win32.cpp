// The platform operations over the Win32 API: each is one or two calls.
#include "platform/platform.h"

#include "common/text.h"

#include <windows.h>

namespace {

HWND hwnd_of(plat_window window)
{
    return reinterpret_cast<HWND>(window);
}

plat_window window_of(HWND hwnd)
{
    return reinterpret_cast<plat_window>(hwnd);
}

// SetTimer calls back with a fixed signature; this remembers whom to tell.
plat_tick_fn timer_tick;

VOID CALLBACK timer_proc(HWND hwnd, UINT, UINT_PTR, DWORD)
{
    if (timer_tick != nullptr)
        timer_tick(window_of(hwnd));
}

}  // namespace

void plat_profile_read(const char *section, const char *key, const char *def,
                       char *buf, unsigned size, const char *file)
{
    GetPrivateProfileStringA(section, key, def, buf, size, file);
}

void plat_profile_write(const char *section, const char *key,
                        const char *value, const char *file)
{
    WritePrivateProfileStringA(section, key, value, file);
}

// Shared for writing and, where the system knows the flag (NT; Windows 95
// refuses it), for deleting too: the game saves by renaming its save file
// away and a new one in, which must not fail while Savewarden reads it.
plat_file plat_file_open_read(const char *path)
{
    DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    if ((GetVersion() & 0x80000000u) == 0)
        share |= FILE_SHARE_DELETE;
    HANDLE file = CreateFileA(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    // A kernel file handle in an int, as _lcreat gives one.
    return file == INVALID_HANDLE_VALUE ? PLAT_NO_FILE : (plat_file)(INT_PTR)file;
}

plat_file plat_file_create(const char *path)
{
    HFILE file = _lcreat(path, 0);
    return file == HFILE_ERROR ? PLAT_NO_FILE : file;
}

long plat_file_read(plat_file file, void *buf, unsigned count)
{
    UINT got = _lread(file, buf, count);
    return got == (UINT)HFILE_ERROR ? -1 : (long)got;
}

long plat_file_write(plat_file file, const void *buf, unsigned count)
{
    UINT put = _lwrite(file, static_cast<LPCCH>(buf), count);
    return put == (UINT)HFILE_ERROR ? -1 : (long)put;
}

int plat_file_flush(plat_file file)
{
    // A handle from _lcreat is a kernel file handle in an int.
    return FlushFileBuffers(reinterpret_cast<HANDLE>((INT_PTR)file)) ? 1 : 0;
}

int plat_file_close(plat_file file)
{
    return _lclose(file) == HFILE_ERROR ? 0 : 1;
}

enum plat_replace_result plat_file_replace(const char *from, const char *to)
{
#ifdef SAVEWARDEN_REPLACE_AS_ON_WINDOWS_95
    // Only in a test build: the replace answers as Windows 95's stub does,
    // so that the copy's rename path runs against real files.
    (void)from;
    (void)to;
    return PLAT_REPLACE_UNSUPPORTED;
#endif
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING))
        return PLAT_REPLACE_DONE;
    // Windows 95 exports MoveFileExA only as a stub that says so.
    return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED
               ? PLAT_REPLACE_UNSUPPORTED
               : PLAT_REPLACE_FAILED;
}

int plat_file_rename(const char *from, const char *to)
{
    return MoveFileA(from, to) ? 1 : 0;
}

int plat_file_delete(const char *path)
{
    return DeleteFileA(path) ? 1 : 0;
}

enum plat_file_kind plat_file_kind_of(const char *path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == 0xFFFFFFFF)  // INVALID_FILE_ATTRIBUTES, not in old headers
        return PLAT_KIND_NOTHING;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return PLAT_KIND_FOLDER;
    if (attributes & FILE_ATTRIBUTE_READONLY)
        return PLAT_KIND_READ_ONLY;
    return PLAT_KIND_FILE;
}

// FindFirstFileA reads the directory entry without opening the file, so a
// save file that the game holds open can still be looked at.
int plat_file_stamp_of(const char *path, struct plat_stamp *stamp)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    FindClose(search);
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return 0;
    stamp->time_low = found.ftLastWriteTime.dwLowDateTime;
    stamp->time_high = found.ftLastWriteTime.dwHighDateTime;
    stamp->size_low = found.nFileSizeLow;
    stamp->size_high = found.nFileSizeHigh;
    return 1;
}

// With no key named, the profile service lists the section's keys; a
// buffer too small for them all still gives a count above 0.
int plat_profile_has_section(const char *section, const char *file)
{
    char keys[4];
    return GetPrivateProfileStringA(section, nullptr, "", keys, sizeof keys,
                                    file) != 0
               ? 1
               : 0;
}

void plat_folder_entries(const char *folder, plat_entry_fn each,
                         void *context)
{
    char pattern[MAX_PATH];
    if (!text_format(pattern, sizeof pattern, "%s\\*", folder))
        return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const char *name = found.cFileName;
        if (name[0] == '.' &&
            (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        struct plat_folder_entry entry;
        entry.name = name;
        entry.kind = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                         ? PLAT_KIND_FOLDER
                     : (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                         ? PLAT_KIND_READ_ONLY
                         : PLAT_KIND_FILE;
        entry.stamp.time_low = found.ftLastWriteTime.dwLowDateTime;
        entry.stamp.time_high = found.ftLastWriteTime.dwHighDateTime;
        entry.stamp.size_low = found.nFileSizeLow;
        entry.stamp.size_high = found.nFileSizeHigh;
        each(&entry, context);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void plat_local_time_text(const struct plat_stamp *stamp, char *buf,
                          unsigned size)
{
    FILETIME written = {stamp->time_low, stamp->time_high};
    FILETIME local;
    SYSTEMTIME time;
    buf[0] = '\0';
    if (!FileTimeToLocalFileTime(&written, &local) ||
        !FileTimeToSystemTime(&local, &time))
        return;
    // The date's length counts its zero, which makes way for a blank.
    int date = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time,
                              nullptr, buf, (int)size);
    if (date <= 0 || (unsigned)date >= size) {
        buf[0] = '\0';
        return;
    }
    buf[date - 1] = ' ';
    if (!GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, buf + date,
                        (int)size - date))
        buf[date - 1] = '\0';
}

void *plat_buffer_alloc(unsigned size)
{
    return reinterpret_cast<void *>(LocalAlloc(LMEM_FIXED, size));
}

void plat_buffer_free(void *buffer)
{
    LocalFree(reinterpret_cast<HLOCAL>(buffer));
}

uint32_t plat_tick_count(void)
{
    return GetTickCount();
}

int plat_timer_start(plat_window window, unsigned id, unsigned period_ms,
                     plat_tick_fn tick)
{
    timer_tick = tick;
    return SetTimer(hwnd_of(window), id, period_ms, timer_proc) != 0 ? 1 : 0;
}

void plat_timer_stop(plat_window window, unsigned id)
{
    KillTimer(hwnd_of(window), id);
}

plat_window plat_find_window(const char *title)
{
    return window_of(FindWindowA(nullptr, title));
}

int plat_window_takes_input(plat_window window)
{
    return IsWindowEnabled(hwnd_of(window)) ? 1 : 0;
}

int plat_send_command(plat_window window, uint32_t command,
                      unsigned timeout_ms)
{
    DWORD_PTR result = 0;
    // Only the return value tells: Wine's last-error after a time-out is not
    // ERROR_TIMEOUT as Windows documents.
    return SendMessageTimeoutA(hwnd_of(window), WM_COMMAND, (WPARAM)command, 0,
                               SMTO_ABORTIFHUNG, timeout_ms, &result) != 0
               ? 1
               : 0;
}

// WinExec would be one call, but it waits up to 30 s for the new program to
// wait for input; a game that polls for input (PeekMessage and Sleep) never
// does, and the dialog would freeze that long after every Go.
unsigned plat_start_program(const char *command_line, plat_process *process)
{
    // CreateProcessA may write into the command line it is given.
    char line[MAX_PATH + 1];
    if (!text_copy(line, sizeof line, command_line))
        return ERROR_BAD_FORMAT;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION started;
    if (!CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        // WinExec's results below 32 are these same system error codes.
        DWORD error = GetLastError();
        return error < 32 ? (unsigned)error : 0;
    }
    CloseHandle(started.hThread);
    *process = reinterpret_cast<plat_process>(started.hProcess);
    return 33;  // what WinExec gives for a started program
}

int plat_process_running(plat_process process)
{
    return WaitForSingleObject(reinterpret_cast<HANDLE>(process), 0) ==
                   WAIT_TIMEOUT
               ? 1
               : 0;
}

void plat_process_release(plat_process process)
{
    CloseHandle(reinterpret_cast<HANDLE>(process));
}

int plat_short_path(const char *path, char *buf, unsigned size)
{
    DWORD length = GetShortPathNameA(path, buf, size);
    return length != 0 && length < size ? 1 : 0;
}

void plat_set_caption(plat_window window, const char *text)
{
    SetWindowTextA(hwnd_of(window), text);
}

void plat_field_text(plat_window dialog, int id, char *buf, unsigned size)
{
    if (size == 0)
        return;
    buf[0] = '\0';
    GetDlgItemTextA(hwnd_of(dialog), id, buf, (int)size);
}

int plat_field_number(plat_window dialog, int id, uint32_t *value)
{
    BOOL translated = FALSE;
    UINT number = GetDlgItemInt(hwnd_of(dialog), id, &translated, FALSE);
    if (!translated)
        return 0;
    *value = number;
    return 1;
}

int plat_check_box_is_set(plat_window dialog, int id)
{
    return IsDlgButtonChecked(hwnd_of(dialog), id) == BST_CHECKED ? 1 : 0;
}

void plat_check_box_clear(plat_window dialog, int id)
{
    CheckDlgButton(hwnd_of(dialog), id, BST_UNCHECKED);
}

void plat_message_box(plat_window owner, const char *text, const char *caption,
                      enum plat_notice_icon icon)
{
    UINT style = MB_OK | (icon == PLAT_ICON_WARNING ? MB_ICONWARNING
                                                    : MB_ICONINFORMATION);
    MessageBoxA(hwnd_of(owner), text, caption, style);
}

enum plat_answer plat_question_box(plat_window owner, const char *text,
                                   const char *caption)
{
    switch (MessageBoxA(hwnd_of(owner), text, caption,
                        MB_YESNOCANCEL | MB_ICONQUESTION)) {
    case IDYES:
        return PLAT_ANSWER_YES;
    case IDNO:
        return PLAT_ANSWER_NO;
    default:
        return PLAT_ANSWER_CANCEL;
    }
}
