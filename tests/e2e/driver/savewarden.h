// Savewarden as the scenarios drive it: its process, its dialog and the
// controls of the dialog by their numbers.
#ifndef E2E_SAVEWARDEN_H
#define E2E_SAVEWARDEN_H

#include "windows_ui.h"

#include <windows.h>

#include <string>

namespace e2e {

// The dialog's control and command numbers are part of how other programs
// and the resource script meet the program; the tests name them on their own
// so that a renumbered control fails here.
namespace ids {
const int window_title = 1000;
const int directory = 1001;
const int character = 1002;
const int minutes = 1003;
const int seconds = 1004;
const int go = 1005;
const int restore = 1006;
const int exit_button = 1007;
const int about = 1008;
const int help = 1011;
const int save_path = 1012;
const int save_number = 1013;
const int backups = 1024;         // the system menu's Backups item
const int backup_list = 1015;     // in the Backups window
const int backup_restore = 1016;  // in the Backups window
}  // namespace ids

// The seven fields, in the order of their setting keys.
struct Fields {
    std::string window_title = "Angband 2.7.5";
    std::string directory = "c:\\angband";
    std::string character = "save";
    std::string minutes = "15";
    std::string seconds = "00";
    std::string save_path = "\\lib\\save";
    std::string save_number = "110";
};

// Each field's control, its setting key and its name in messages, in the
// order of the keys; reading, filling and checking the fields go by it.
struct FieldControl {
    int id;
    std::string Fields::*text;
    const char* key;
    const char* name;
};
extern const FieldControl kFieldControls[7];

class Savewarden {
public:
    Savewarden() = default;
    Savewarden(const Savewarden&) = delete;
    Savewarden& operator=(const Savewarden&) = delete;
    ~Savewarden();

    // Starts the program and waits for its dialog to show; show_state, when
    // given, is the SW_ value the program is started with, as a shortcut's
    // "Run: Minimised" would give it.
    void start(const std::string& exe, const std::string& working_folder,
               int show_state = -1);
    HWND dialog() const { return dialog_; }
    DWORD process_id() const { return process_.dwProcessId; }
    bool running() const;
    // Waits for the process to end and returns its exit code; fails when it
    // does not end in time.
    DWORD wait_for_exit(unsigned timeout_ms, const std::string& what);
    void terminate();

    std::string caption() const { return window_text(dialog_); }
    Fields read_fields() const;
    void fill_fields(const Fields& fields) const;

private:
    PROCESS_INFORMATION process_ = {};
    HWND dialog_ = nullptr;
};

// The program file's version record: its fixed part and the two version
// strings of its U.S. English, Unicode string block.
struct VersionRecord {
    bool found = false;
    DWORD file_ms = 0, file_ls = 0, product_ms = 0, product_ls = 0;
    std::string file_version, product_version;
};
VersionRecord read_version_record(const std::string& exe);

// "mm:ss - Savewarden" with two-digit minutes and seconds.
bool is_countdown(const std::string& caption);
// Seconds left that a countdown caption shows; -1 for any other caption.
int countdown_seconds(const std::string& caption);

// Waits for a notice owned by the dialog and checks its text, caption and
// icon: info notices say "Savewarden" with the information icon, warning
// notices "Savewarden Error" with the warning icon; questions "Savewarden"
// with the question icon and Yes, No and Cancel. Closes it with the button
// given (OK unless told).
enum class Notice { info, warning, question };
void expect_notice(HWND dialog, Notice kind, const std::string& text, unsigned timeout_ms,
                   int button = IDOK);
// No box owned by the dialog appears within the time given.
void expect_no_notice(HWND dialog, unsigned ms, const std::string& what);

}  // namespace e2e

#endif
