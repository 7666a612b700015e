// Stands in for angband.exe in the measurements under Wine.
//
// Started with no arguments (swbench bare) it ends at once: what any process
// start costs. Started on a save file, as Go starts the game, it shows a
// window titled "Bench Game" and waits for input the way the real game
// does, by polling (PeekMessage, then Sleep(20)) rather than in GetMessage,
// until that window is closed. A program that polls never counts as idle,
// which is what a start that waits for the game to go idle trips over.
#include <windows.h>

namespace {

LRESULT CALLBACK game_window(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, w, l);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int)
{
    if (command_line == nullptr || command_line[0] == '\0')
        return 0;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = game_window;
    window_class.hInstance = instance;
    window_class.lpszClassName = "BenchGame";
    RegisterClassA(&window_class);
    CreateWindowA("BenchGame", "Bench Game", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                  0, 0, 200, 100, nullptr, nullptr, instance, nullptr);
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                return 0;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(20);
    }
}
