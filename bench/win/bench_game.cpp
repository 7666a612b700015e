// Stands in for angband.exe when Go starts the game: a Windows program that
// starts and ends at once. The countdown measurement needs only that the
// start succeeds.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
