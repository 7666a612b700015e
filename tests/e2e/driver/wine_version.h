// Which Windows version Wine reports to the program under test. Wine says
// Windows 7 unless told otherwise; the value "Version" under
// HKCU\Software\Wine\AppDefaults\<program file name> tells it otherwise for
// that program, read when the program starts. The driver runs in the same
// prefix, so it can set and remove the value itself.
#ifndef E2E_WINE_VERSION_H
#define E2E_WINE_VERSION_H

#include <string>

namespace e2e {

// From now on, programs started from a file of that name are told they run
// on Windows XP (Wine's "winxp", or "winxp64" for an x86_64 build).
void wine_reports_windows_xp(const std::string& exe);
// Wine's own default again, whatever was set before.
void wine_reports_its_default(const std::string& exe);

// Windows XP for the guard's lifetime.
struct WindowsXpForProgram {
    explicit WindowsXpForProgram(const std::string& exe) : exe_(exe) { wine_reports_windows_xp(exe_); }
    WindowsXpForProgram(const WindowsXpForProgram&) = delete;
    WindowsXpForProgram& operator=(const WindowsXpForProgram&) = delete;
    ~WindowsXpForProgram() { wine_reports_its_default(exe_); }

private:
    std::string exe_;
};

}  // namespace e2e

#endif
