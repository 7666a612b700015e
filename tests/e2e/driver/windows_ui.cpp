#include "windows_ui.h"

#include "check.h"
#include "screen.h"

#include <cstdio>

namespace e2e {

namespace {

const unsigned kSendTimeoutMs = 5000;

struct EnumFilter {
    DWORD process_id;
    const char* class_filter;
    bool include_hidden;
    std::vector<HWND>* found;
};

BOOL CALLBACK collect_top_level(HWND window, LPARAM param)
{
    auto* filter = reinterpret_cast<EnumFilter*>(param);
    if (!filter->include_hidden && !IsWindowVisible(window))
        return TRUE;
    if (filter->process_id && window_process(window) != filter->process_id)
        return TRUE;
    if (filter->class_filter && class_name(window) != filter->class_filter)
        return TRUE;
    filter->found->push_back(window);
    return TRUE;
}

HWND control(HWND dialog, int id)
{
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        fail("control " + std::to_string(id) + " not found in the dialog");
    return item;
}

LRESULT send_bounded(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                     const std::string& what)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wparam, lparam, SMTO_NORMAL,
                             kSendTimeoutMs, &result))
        fail(what + ": no answer within " + std::to_string(kSendTimeoutMs) + " ms");
    return static_cast<LRESULT>(result);
}

HWND find_icon_control(HWND box)
{
    // Windows numbers a message box's icon 0x0014; Wine uses stc1 (0x0440).
    for (int id : {0x0014, 0x0440}) {
        HWND item = GetDlgItem(box, id);
        if (item && (GetWindowLongA(item, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
            return item;
    }
    return nullptr;
}

}  // namespace

std::string class_name(HWND window)
{
    char buffer[256];
    int n = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? n : 0);
}

std::string window_text(HWND window)
{
    char buffer[1024];
    int n = GetWindowTextA(window, buffer, sizeof buffer);
    return std::string(buffer, n > 0 ? n : 0);
}

DWORD window_process(HWND window)
{
    DWORD process_id = 0;
    GetWindowThreadProcessId(window, &process_id);
    return process_id;
}

std::vector<HWND> top_level_windows(DWORD process_id, const char* class_filter,
                                    bool include_hidden)
{
    std::vector<HWND> found;
    EnumFilter filter{process_id, class_filter, include_hidden, &found};
    EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&filter));
    return found;
}

std::string describe_top_level_windows()
{
    std::string out;
    for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
        char line[512];
        std::snprintf(line, sizeof line, "\n    pid %lu class %s title %s%s",
                      window_process(window), class_name(window).c_str(),
                      quoted(window_text(window)).c_str(),
                      IsWindowVisible(window) ? " (shown)" : "");
        out += line;
    }
    return out;
}

HWND find_window_by_title(const std::string& title)
{
    return FindWindowA(nullptr, title.c_str());
}

std::string control_text(HWND dialog, int id)
{
    HWND item = control(dialog, id);
    LRESULT length = send_bounded(item, WM_GETTEXTLENGTH, 0, 0, "reading a field");
    std::string buffer(static_cast<size_t>(length) + 1, '\0');
    LRESULT copied = send_bounded(item, WM_GETTEXT, buffer.size(),
                                  reinterpret_cast<LPARAM>(&buffer[0]), "reading a field");
    buffer.resize(static_cast<size_t>(copied));
    return buffer;
}

void set_control_text(HWND dialog, int id, const std::string& text)
{
    send_bounded(control(dialog, id), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text.c_str()), "setting a field");
}

bool is_checked(HWND dialog, int id)
{
    return send_bounded(control(dialog, id), BM_GETCHECK, 0, 0, "reading the check box") ==
           BST_CHECKED;
}

void set_checked(HWND dialog, int id, bool checked)
{
    send_bounded(control(dialog, id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0,
                 "setting the check box");
}

void click_button(HWND dialog, int id)
{
    HWND button = control(dialog, id);
    if (!PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                      reinterpret_cast<LPARAM>(button)))
        fail("cannot post the click of button " + std::to_string(id));
}

void press_key(HWND dialog, int control_id, UINT virtual_key)
{
    HWND target = control(dialog, control_id);
    UINT scan = MapVirtualKeyA(virtual_key, 0);
    LPARAM down = 1 | (static_cast<LPARAM>(scan) << 16);
    LPARAM up = down | (1L << 30) | (1L << 31);
    if (!PostMessageA(target, WM_KEYDOWN, virtual_key, down) ||
        !PostMessageA(target, WM_KEYUP, virtual_key, up))
        fail("cannot post a key to control " + std::to_string(control_id));
}

void post_system_command(HWND dialog, WPARAM command)
{
    if (!PostMessageA(dialog, WM_SYSCOMMAND, command, 0))
        fail("cannot post WM_SYSCOMMAND");
}

void post_close(HWND dialog)
{
    if (!PostMessageA(dialog, WM_CLOSE, 0, 0))
        fail("cannot post WM_CLOSE");
}

bool responds_within(HWND window, unsigned timeout_ms)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeout_ms, &result) != 0;
}

const char* icon_name(IconKind kind)
{
    switch (kind) {
    case IconKind::none: return "no icon";
    case IconKind::information: return "information icon";
    case IconKind::warning: return "warning icon";
    case IconKind::error: return "error icon";
    case IconKind::question: return "question icon";
    case IconKind::unknown: return "unrecognised icon";
    }
    return "?";
}

std::vector<HWND> message_boxes_owned_by(HWND owner)
{
    std::vector<HWND> boxes;
    for (HWND window : top_level_windows(0, "#32770"))
        if (GetWindow(window, GW_OWNER) == owner)
            boxes.push_back(window);
    return boxes;
}

HWND wait_for_message_box(HWND owner, unsigned timeout_ms)
{
    HWND box = nullptr;
    wait_until([&] {
        std::vector<HWND> boxes = message_boxes_owned_by(owner);
        if (boxes.empty())
            return false;
        box = boxes.front();
        return true;
    }, timeout_ms);
    return box;
}

MessageBoxInfo read_message_box(HWND box)
{
    MessageBoxInfo info;
    info.window = box;
    info.caption = window_text(box);
    HWND text = GetDlgItem(box, 0xFFFF);
    info.text = text ? window_text(text) : "";
    HWND icon = find_icon_control(box);
    info.icon = icon && IsWindowVisible(icon) ? classify_icon(box, icon) : IconKind::none;
    return info;
}

void close_message_box(HWND box, int button)
{
    HWND item = GetDlgItem(box, button);
    if (!item)
        fail("message box " + quoted(window_text(box)) + " has no button " + std::to_string(button));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(item));
    if (!wait_until([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000))
        fail("message box " + quoted(window_text(box)) + " did not close on button " +
             std::to_string(button));
}

}  // namespace e2e
