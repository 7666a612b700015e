// Reading pixels off the screen, for what another process's windows show
// but do not tell through messages.
#ifndef E2E_SCREEN_H
#define E2E_SCREEN_H

#include "windows_ui.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

struct Capture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, rows top to bottom
    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

Capture capture_screen(const RECT& area);
// Writes the capture as a 24-bit BMP, so a failed pixel check can be looked
// at; returns false if the file cannot be written.
bool save_bitmap(const Capture& image, const std::string& path);

// Which standard icon a message box shows. The icon's handle belongs to the
// box's process and cannot be compared from here (under Wine it is not even
// readable across processes), so the control's pixels are compared with
// each standard icon drawn here on the same background.
IconKind classify_icon(HWND box, HWND icon_control);

}  // namespace e2e

#endif
