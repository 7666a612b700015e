// The program starts here, not in a C runtime: Windows 95 ships none (its
// msvcrt.dll came later, with applications), so the program links none and
// does itself the little the runtime's start-up did for it. Also here are the
// two memory functions gcc calls for struct copies and zeroing, which
// otherwise came from that runtime.
//
// Nothing of ours needs constructors run, arguments parsed or exit handlers
// called: the settings and the run state are plain zero-initialised data,
// and the program reads no command line.
#include <windows.h>

#include <stddef.h>

extern "C" {

// Built without the compiler's built-in knowledge of these (see
// CMakeLists.txt), so that it does not turn the loops below back into calls
// to themselves.
void *memcpy(void *to, const void *from, size_t count)
{
    unsigned char *t = static_cast<unsigned char *>(to);
    const unsigned char *f = static_cast<const unsigned char *>(from);
    while (count-- != 0)
        *t++ = *f++;
    return to;
}

void *memset(void *to, int value, size_t count)
{
    unsigned char *t = static_cast<unsigned char *>(to);
    while (count-- != 0)
        *t++ = static_cast<unsigned char>(value);
    return to;
}

// The linker's default entry point of a GUI program. 32-bit Windows
// promises the stack only 4-byte alignment here; gcc's code assumes more.
__attribute__((force_align_arg_pointer)) void WinMainCRTStartup(void)
{
    // A shortcut's "Run: Minimized" reaches the program only through here.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    int show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0
                   ? startup.wShowWindow
                   : SW_SHOWDEFAULT;

    static char no_arguments[] = "";
    ExitProcess((UINT)WinMain(GetModuleHandleA(nullptr), nullptr, no_arguments,
                              show));
}

}  // extern "C"
