#include "screen.h"

#include "check.h"

#include <cstdlib>

namespace e2e {

namespace {

struct Candidate {
    IconKind kind;
    LPCSTR resource;
};

const Candidate kStandardIcons[] = {
    {IconKind::information, IDI_ASTERISK},
    {IconKind::warning, IDI_EXCLAMATION},
    {IconKind::error, IDI_HAND},
    {IconKind::question, IDI_QUESTION},
};

BITMAPINFO top_down_rgb32(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// Runs draw on a 32-bit memory bitmap and returns its pixels.
template <typename Draw>
Capture draw_into_bitmap(int width, int height, Draw draw)
{
    Capture result;
    result.width = width;
    result.height = height;
    result.pixels.assign(static_cast<size_t>(width) * height, 0);
    BITMAPINFO info = top_down_rgb32(width, height);
    void* bits = nullptr;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        draw(memory, screen);
        GdiFlush();
        const auto* source = static_cast<const std::uint32_t*>(bits);
        for (size_t i = 0; i < result.pixels.size(); ++i)
            result.pixels[i] = source[i] & 0x00FFFFFF;
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return result;
}

Capture draw_standard_icon(LPCSTR resource, int width, int height, std::uint32_t background)
{
    return draw_into_bitmap(width, height, [&](HDC memory, HDC) {
        COLORREF colour = RGB((background >> 16) & 0xFF, (background >> 8) & 0xFF,
                              background & 0xFF);
        HBRUSH brush = CreateSolidBrush(colour);
        RECT all = {0, 0, width, height};
        FillRect(memory, &all, brush);
        DeleteObject(brush);
        DrawIconEx(memory, 0, 0, LoadIconA(nullptr, resource), width, height, 0, nullptr,
                   DI_NORMAL);
    });
}

bool close_colours(std::uint32_t a, std::uint32_t b)
{
    for (int shift : {0, 8, 16}) {
        int difference = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        if (std::abs(difference) > 24)
            return false;
    }
    return true;
}

double mismatch(const Capture& a, const Capture& b)
{
    size_t differing = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        if (!close_colours(a.pixels[i], b.pixels[i]))
            ++differing;
    return a.pixels.empty() ? 1.0 : static_cast<double>(differing) / a.pixels.size();
}

IconKind classify_once(HWND icon_control)
{
    RECT area;
    GetWindowRect(icon_control, &area);
    int width = area.right - area.left, height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return IconKind::none;
    // One pixel left of the control is the box's own background.
    RECT beside = {area.left - 1, area.top, area.left, area.top + 1};
    std::uint32_t background = capture_screen(beside).at(0, 0);
    Capture shown = capture_screen(area);

    IconKind best = IconKind::unknown;
    double best_score = 0.03;  // anything further off is not a standard icon
    for (const Candidate& candidate : kStandardIcons) {
        double score = mismatch(shown, draw_standard_icon(candidate.resource, width, height,
                                                          background));
        if (score < best_score) {
            best_score = score;
            best = candidate.kind;
        }
    }
    return best;
}

}  // namespace

Capture capture_screen(const RECT& area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    return draw_into_bitmap(width, height, [&](HDC memory, HDC screen) {
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    });
}

bool save_bitmap(const Capture& image, const std::string& path)
{
    int row_bytes = (image.width * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = image.width;
    info.biHeight = -image.height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(row_bytes * image.height);
    std::string data(reinterpret_cast<const char*>(&file), sizeof file);
    data.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = 0; y < image.height; ++y) {
        std::string row(static_cast<size_t>(row_bytes), '\0');
        for (int x = 0; x < image.width; ++x) {
            std::uint32_t c = image.at(x, y);
            row[x * 3] = static_cast<char>(c & 0xFF);
            row[x * 3 + 1] = static_cast<char>((c >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<char>((c >> 16) & 0xFF);
        }
        data += row;
    }
    HANDLE out = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(out, data.data(), static_cast<DWORD>(data.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == data.size();
}

IconKind classify_icon(HWND box, HWND icon_control)
{
    // A box that has just appeared may not be painted yet, or may still be
    // behind another window: raise it and look again for a moment.
    IconKind kind = IconKind::unknown;
    bool first = true;
    wait_until([&] {
        if (!first) {
            SetWindowPos(box, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            RedrawWindow(icon_control, nullptr, nullptr, RDW_INVALIDATE);
            Sleep(100);
        }
        first = false;
        kind = classify_once(icon_control);
        return kind != IconKind::unknown;
    }, 3000);
    return kind;
}

}  // namespace e2e
