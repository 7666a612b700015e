// The dialog's system menu, opened and walked with the keyboard as a user
// would. Its items belong to the other process and cannot be read from here
// (Wine does not share menus between processes at all), so the layout is
// read off the popup's pixels. Wine puts an "About Wine" item of its own,
// after a separator, below Close; the program's items still come last.
#ifndef E2E_SYSTEM_MENU_H
#define E2E_SYSTEM_MENU_H

#include <windows.h>

#include <string>

namespace e2e {

struct SystemMenuLayout {
    bool found = false;             // the popup opened and was read
    bool last_is_bottom = false;    // the highlighted item is the last one
    bool separator_above = false;   // nothing but a separator line above it
    std::string description;        // what was seen, for messages
};

// Opens the system menu (Alt+Space), moves the highlight up from the first
// item, which wraps to the last, then up past as many more items as asked,
// and reads what the popup shows.
SystemMenuLayout open_system_menu_and_select_last(HWND dialog, int items_above_last = 0);
// Enter: chooses the highlighted item.
void choose_selected_menu_item(HWND dialog);

}  // namespace e2e

#endif
