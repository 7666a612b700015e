#include "system_menu.h"

#include "check.h"
#include "screen.h"
#include "windows_ui.h"

namespace e2e {

namespace {

std::uint32_t system_colour(int index)
{
    COLORREF c = GetSysColor(index);
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

const int kBorder = 4;  // the popup's frame, left out of the row analysis

// Share of a row's inner pixels that have the colour.
double row_share(const Capture& image, int y, std::uint32_t colour)
{
    int matching = 0, total = 0;
    for (int x = kBorder; x < image.width - kBorder; ++x, ++total)
        if (image.at(x, y) == colour)
            ++matching;
    return total ? static_cast<double>(matching) / total : 0.0;
}

// The longest run of one colour other than the background, as a share of
// the inner width: a separator is one long line, text is not.
double longest_line_share(const Capture& image, int y, std::uint32_t background)
{
    int best = 0, run = 0;
    std::uint32_t previous = background;
    for (int x = kBorder; x < image.width - kBorder; ++x) {
        std::uint32_t c = image.at(x, y);
        run = (c != background && c == previous) ? run + 1 : (c != background ? 1 : 0);
        previous = c;
        if (run > best)
            best = run;
    }
    int inner = image.width - 2 * kBorder;
    return inner > 0 ? static_cast<double>(best) / inner : 0.0;
}

bool blank_row(const Capture& image, int y, std::uint32_t background)
{
    return row_share(image, y, background) > 0.995;
}

struct Band {
    int top = -1;
    int bottom = -1;
};

Band highlight_band(const Capture& image)
{
    Band band;
    std::uint32_t highlight = system_colour(COLOR_HIGHLIGHT);
    for (int y = 0; y < image.height; ++y)
        if (row_share(image, y, highlight) > 0.5) {
            if (band.top < 0)
                band.top = y;
            band.bottom = y;
        }
    return band;
}

HWND find_popup(DWORD process_id)
{
    std::vector<HWND> popups = top_level_windows(process_id, "#32768");
    return popups.empty() ? nullptr : popups.front();
}

Capture capture_window(HWND window)
{
    RECT area;
    GetWindowRect(window, &area);
    return capture_screen(area);
}

void post_key(HWND window, UINT key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
}

void read_layout(const Capture& image, const Band& band, SystemMenuLayout& layout)
{
    std::uint32_t background = system_colour(COLOR_MENU);
    layout.last_is_bottom = image.height - 1 - band.bottom <= kBorder;
    int separator = -1;
    for (int y = band.top - 1; y >= kBorder; --y) {
        if (blank_row(image, y, background))
            continue;
        if (longest_line_share(image, y, background) > 0.8)
            separator = y;
        break;  // the first drawn row above the highlight decides
    }
    layout.separator_above = separator >= 0;
    layout.description = "popup " + std::to_string(image.width) + "x" +
                         std::to_string(image.height) + ", highlight rows " +
                         std::to_string(band.top) + "-" + std::to_string(band.bottom) +
                         ", separator row " + std::to_string(separator);
}

// Keeps what was seen when the check fails, the popup and the whole screen.
void save_for_inspection(const Capture& popup, SystemMenuLayout& layout)
{
    const char* popup_path = "C:\\e2e\\system_menu.bmp";
    const char* screen_path = "C:\\e2e\\system_menu_screen.bmp";
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (save_bitmap(popup, popup_path) && save_bitmap(capture_screen(screen), screen_path))
        layout.description += std::string("; pictures in ") + popup_path + " and " + screen_path;
    layout.description += "; windows:" + describe_top_level_windows();
}

}  // namespace

namespace {

// Opens the popup and waits for it to show its first item highlighted.
// Under Wine, with no window manager, a popup opened while the activation
// of its window is still settling is sometimes never drawn, although it
// counts as shown; then the menu is closed and opened again.
HWND open_drawn_popup(HWND dialog, Band& first)
{
    DWORD process_id = window_process(dialog);
    for (int attempt = 0; attempt < 3; ++attempt) {
        // A user brings the window to the front before using its menu.
        SetForegroundWindow(dialog);
        wait_until([&] { return GetForegroundWindow() == dialog; }, 2000);
        Sleep(500);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        HWND popup = nullptr;
        if (!wait_until([&] { return (popup = find_popup(process_id)) != nullptr; }, 3000))
            return nullptr;
        if (wait_until([&] {
                first = highlight_band(capture_window(popup));
                return first.top >= 0;
            }, 1500))
            return popup;
        note("the system menu opened undrawn; closing it and trying again");
        post_key(dialog, VK_ESCAPE);
        post_key(dialog, VK_ESCAPE);
        wait_until([&] { return find_popup(process_id) == nullptr; }, 2000);
    }
    return nullptr;
}

}  // namespace

SystemMenuLayout open_system_menu_and_select_last(HWND dialog, int items_above_last)
{
    SystemMenuLayout layout;
    Band first;
    HWND popup = open_drawn_popup(dialog, first);
    if (!popup) {
        layout.description = "no drawn popup menu appeared";
        return layout;
    }

    post_key(dialog, VK_UP);
    Capture image;
    Band band;
    bool moved = wait_until([&] {
        image = capture_window(popup);
        band = highlight_band(image);
        return band.top > first.top;
    }, 2000);
    if (!moved) {
        layout.description = "highlight did not move from rows " + std::to_string(first.top) +
                             "-" + std::to_string(first.bottom) + " to a later item";
        save_for_inspection(image, layout);
        return layout;
    }
    for (int up = 0; up < items_above_last; ++up) {
        const Band below = band;
        post_key(dialog, VK_UP);
        if (!wait_until([&] {
                image = capture_window(popup);
                band = highlight_band(image);
                return band.top >= 0 && band.top < below.top;
            }, 2000)) {
            layout.description = "highlight did not move up from rows " +
                                 std::to_string(below.top) + "-" + std::to_string(below.bottom);
            save_for_inspection(image, layout);
            return layout;
        }
    }
    layout.found = true;
    read_layout(image, band, layout);
    if (layout.last_is_bottom != (items_above_last == 0))
        save_for_inspection(image, layout);
    return layout;
}

void choose_selected_menu_item(HWND dialog)
{
    post_key(dialog, VK_RETURN);
}

}  // namespace e2e
