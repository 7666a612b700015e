#include "wine_version.h"

#include "check.h"

#include <windows.h>

#include <cstring>

namespace e2e {

namespace {

std::string app_defaults_key(const std::string& exe)
{
    return "Software\\Wine\\AppDefaults\\" + exe.substr(exe.find_last_of("\\/") + 1);
}

}  // namespace

void wine_reports_windows_xp(const std::string& exe)
{
    // The driver is built for the same processor as the program it drives;
    // Wine knows 64-bit Windows XP by a name of its own.
    const char* version = sizeof(void*) == 8 ? "winxp64" : "winxp";
    HKEY key = nullptr;
    const std::string name = app_defaults_key(exe);
    if (RegCreateKeyExA(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        fail("cannot create HKCU\\" + name);
    LONG status = RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version),
                                 static_cast<DWORD>(std::strlen(version) + 1));
    RegCloseKey(key);
    if (status != ERROR_SUCCESS)
        fail("cannot set Version under HKCU\\" + name);
    note(std::string("Wine reports ") + version + " to " + name.substr(name.rfind('\\') + 1));
}

void wine_reports_its_default(const std::string& exe)
{
    // Nothing else of ours lives under this key, so it goes as a whole.
    const std::string name = app_defaults_key(exe);
    LONG status = RegDeleteKeyA(HKEY_CURRENT_USER, name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND)
        note("could not remove HKCU\\" + name + " (error " + std::to_string(status) + ")");
}

}  // namespace e2e
