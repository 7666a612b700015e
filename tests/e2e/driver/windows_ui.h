// Driving another program's windows from outside, the way a user or another
// program would: find top-level windows, read and set control texts, press
// buttons, send keys and system commands, and deal with message boxes.
#ifndef E2E_WINDOWS_UI_H
#define E2E_WINDOWS_UI_H

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

std::string class_name(HWND window);
std::string window_text(HWND window);
DWORD window_process(HWND window);

// Top-level windows, by default only those shown; process and class
// filters are optional (0, nullptr).
std::vector<HWND> top_level_windows(DWORD process_id, const char* class_filter,
                                    bool include_hidden = false);
HWND find_window_by_title(const std::string& title);
// Every top-level window, shown or not, one per line: for failure messages.
std::string describe_top_level_windows();

// Control text through WM_GETTEXT / WM_SETTEXT, bounded so that a hung
// target shows up as a failure instead of blocking the driver.
std::string control_text(HWND dialog, int id);
void set_control_text(HWND dialog, int id, const std::string& text);
bool is_checked(HWND dialog, int id);
void set_checked(HWND dialog, int id, bool checked);

// The notification a mouse click on the button posts to its dialog. Posted,
// so the driver goes on while the target shows a modal box.
void click_button(HWND dialog, int id);
// A key press delivered to one control through the target's message loop.
void press_key(HWND dialog, int control_id, UINT virtual_key);
void post_system_command(HWND dialog, WPARAM command);
void post_close(HWND dialog);

// Answers a sent message within the time given: the target's thread is
// pumping messages.
bool responds_within(HWND window, unsigned timeout_ms);

enum class IconKind { none, information, warning, error, question, unknown };
const char* icon_name(IconKind kind);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    IconKind icon = IconKind::none;
};

// Message boxes are dialogs of class "#32770" owned by the given window.
std::vector<HWND> message_boxes_owned_by(HWND owner);
HWND wait_for_message_box(HWND owner, unsigned timeout_ms);
MessageBoxInfo read_message_box(HWND box);
// Presses the button (OK unless told) and waits until the box is gone.
void close_message_box(HWND box, int button = IDOK);

}  // namespace e2e

#endif
