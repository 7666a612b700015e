// The operations through which the settings, the save-file copy, the backup
// timer and the start request reach the operating system.
//
// The program links platform_win32.cpp; the host unit tests link a substitute
// from tests/host instead, so every call site stays a plain function call.
// Keep this list short: each operation is one platform function, or the few
// lines a sound save-file replace needs.
#ifndef SAVEWARDEN_PLATFORM_H
#define SAVEWARDEN_PLATFORM_H

#include <stdint.h>

// A top-level window or the main dialog. Opaque: only the platform layer
// knows what it points at. 0 means "no window".
typedef struct plat_window_tag *plat_window;

// A file handle of the handle-based file functions; PLAT_NO_FILE when an
// open or create failed.
typedef int plat_file;
enum { PLAT_NO_FILE = -1 };

// ---- settings file ----------------------------------------------------
// Reads key in section of the profile file into buf (size bytes, always
// zero-terminated); a missing key yields def, cut to fit.
void plat_profile_read(const char *section, const char *key, const char *def,
                       char *buf, unsigned size, const char *file);
// Writes key=value into section; the result is not reported.
void plat_profile_write(const char *section, const char *key,
                        const char *value, const char *file);

// ---- files --------------------------------------------------------------
plat_file plat_file_open_read(const char *path);
// Creates the file, or truncates an existing one to length 0.
plat_file plat_file_create(const char *path);
// Both return the number of bytes moved, or -1 on an error.
long plat_file_read(plat_file file, void *buf, unsigned count);
long plat_file_write(plat_file file, const void *buf, unsigned count);
// Pushes written data through to the disk. 1 on success, 0 on failure.
int plat_file_flush(plat_file file);
// 1 on success, 0 when the close reported an error.
int plat_file_close(plat_file file);

enum plat_replace_result {
    PLAT_REPLACE_DONE,        // to now holds what from held; from is gone
    PLAT_REPLACE_FAILED,      // nothing was changed
    PLAT_REPLACE_UNSUPPORTED  // the system has no atomic replace (Windows 95)
};
// Moves from over to in one step, replacing an existing to.
enum plat_replace_result plat_file_replace(const char *from, const char *to);
// Moves from to to; fails when to exists. 1 on success, 0 on failure.
int plat_file_rename(const char *from, const char *to);
// 1 when the file was deleted, 0 otherwise (also when it did not exist).
int plat_file_delete(const char *path);

enum plat_file_kind {
    PLAT_KIND_NOTHING,     // nothing by that name, or it cannot be looked at
    PLAT_KIND_FILE,
    PLAT_KIND_READ_ONLY,   // a file with the read-only attribute
    PLAT_KIND_FOLDER
};
// What the path names.
enum plat_file_kind plat_file_kind_of(const char *path);

// A file's last-write time and size, as the system's directory shows them:
// when the game writes its save file, one of the two changes.
struct plat_stamp {
    uint32_t time_low, time_high;  // last write, in the system's own units
    uint32_t size_low, size_high;  // bytes
};
// 1 with the stamp of the file at path; 0 when there is none (no file, or a
// folder).
int plat_file_stamp_of(const char *path, struct plat_stamp *stamp);
// The stamp's last write as local time in the user's own short date and
// time formats, "<date> <time>", into buf (size bytes, zero-terminated);
// empty when it cannot be told.
enum { PLAT_TIME_TEXT_SIZE = 64 };
void plat_local_time_text(const struct plat_stamp *stamp, char *buf,
                          unsigned size);

// ---- the game's folder ---------------------------------------------------
// What the first start learns from the folder it was started in.

// 1 when section of the profile file holds a key; 0 when the file or the
// section is missing, or the section has no key under it.
int plat_profile_has_section(const char *section, const char *file);

// One entry of a folder, as plat_folder_entries hands it on.
struct plat_folder_entry {
    const char *name;           // the entry's own name, without the folder
    enum plat_file_kind kind;   // PLAT_KIND_FILE, _READ_ONLY or _FOLDER
    struct plat_stamp stamp;    // last write, and size (0 for a folder)
};
typedef void (*plat_entry_fn)(const struct plat_folder_entry *entry,
                              void *context);
// Calls each with every entry of folder ("." and ".." left out), in no
// particular order; not at all when the folder cannot be read (no such
// folder, or its path is too long).
void plat_folder_entries(const char *folder, plat_entry_fn each,
                         void *context);

// ---- memory ---------------------------------------------------------------
void *plat_buffer_alloc(unsigned size);
void plat_buffer_free(void *buffer);

// ---- time -------------------------------------------------------------------
// Milliseconds since the system started; wraps after 2^32 ms.
uint32_t plat_tick_count(void);

// ---- timer 1 -------------------------------------------------------------------
typedef void (*plat_tick_fn)(plat_window window);
// Starts (or restarts) the window's timer with the given id; tick is called
// with the window about every period_ms while the message loop runs.
// 1 on success, 0 when the timer could not be started.
int plat_timer_start(plat_window window, unsigned id, unsigned period_ms,
                     plat_tick_fn tick);
void plat_timer_stop(plat_window window, unsigned id);

// ---- the game window ----------------------------------------------------------
// The top-level window whose whole title equals title, letter case not
// counting; 0 when there is none.
plat_window plat_find_window(const char *title);
// 0 while the window takes no input: disabled, as a program's main window is
// while it shows a modal box of its own. 1 otherwise.
int plat_window_takes_input(plat_window window);
// Sends WM_COMMAND with command as the whole first parameter and 0 as the
// second, waiting at most timeout_ms (and not at all for a hung window).
// 1 when the window handled it, 0 when the send failed or timed out.
int plat_send_command(plat_window window, uint32_t command,
                      unsigned timeout_ms);
// A program that was started; 0 means none.
typedef struct plat_process_tag *plat_process;
// Starts a program from its command line, shown normally, and returns at
// once, without waiting for it to go idle. Returns a value below 32 when it
// was not started (the reason, in WinExec's terms), 32 or more when it was;
// then *process is the started program, to be released when done with.
unsigned plat_start_program(const char *command_line, plat_process *process);
// 1 while the program runs, 0 once it has ended.
int plat_process_running(plat_process process);
void plat_process_release(plat_process process);
// The short (8.3) form of the path of an existing file or folder, into buf
// (size bytes, zero-terminated). 1 on success; 0 when the path does not
// exist or the result does not fit. Where short names are switched off the
// long path comes back unchanged.
int plat_short_path(const char *path, char *buf, unsigned size);

// ---- the main dialog ---------------------------------------------------------------
void plat_set_caption(plat_window window, const char *text);
// The field's text, cut to size - 1 characters and zero-terminated.
void plat_field_text(plat_window dialog, int id, char *buf, unsigned size);
// 1 and *value when the field holds an unsigned decimal number, else 0.
int plat_field_number(plat_window dialog, int id, uint32_t *value);
int plat_check_box_is_set(plat_window dialog, int id);
void plat_check_box_clear(plat_window dialog, int id);

enum plat_notice_icon { PLAT_ICON_INFORMATION, PLAT_ICON_WARNING };
// A modal message box with an OK button; returns once the user closed it.
// Timer ticks keep arriving while it is open.
void plat_message_box(plat_window owner, const char *text, const char *caption,
                      enum plat_notice_icon icon);
enum plat_answer { PLAT_ANSWER_YES, PLAT_ANSWER_NO, PLAT_ANSWER_CANCEL };
// A modal question box with Yes, No and Cancel; Escape and the close button
// answer Cancel. Timer ticks keep arriving while it is open.
enum plat_answer plat_question_box(plat_window owner, const char *text,
                                   const char *caption);

#endif
