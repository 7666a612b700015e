#include "files.h"

#include "check.h"

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

namespace e2e {

// Shared for delete too, as a well-behaved reader opens a file: a scenario
// reading the backup must not stop Savewarden from moving it on.
std::optional<std::string> read_file(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string content;
    char buffer[64 * 1024];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        content.append(buffer, got);
    CloseHandle(file);
    return content;
}

void write_file(const std::string& path, const std::string& content)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out)
        fail("cannot write " + path);
}

bool file_exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void remove_file(const std::string& path)
{
    if (file_exists(path) && !DeleteFileA(path.c_str()))
        fail("cannot delete " + path);
}

void fresh_folder(const std::string& path)
{
    std::error_code error;
    // A read-only file (a scenario makes one) cannot be deleted as it is.
    if (std::filesystem::is_directory(path, error))
        for (const auto& entry : std::filesystem::recursive_directory_iterator(path, error))
            SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    std::filesystem::remove_all(path, error);
    if (error)
        fail("cannot clear " + path + ": " + error.message());
    make_folders(path);
}

void make_folders(const std::string& path)
{
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (error)
        fail("cannot create " + path + ": " + error.message());
}

void copy_file(const std::string& from, const std::string& to)
{
    if (!CopyFileA(from.c_str(), to.c_str(), FALSE))
        fail("cannot copy " + from + " to " + to);
}

std::string settings_file_path()
{
    char folder[MAX_PATH];
    UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        fail("GetWindowsDirectoryA failed");
    std::string path(folder, n);
    if (path.back() != '\\')
        path += '\\';
    return path + "swarden.ini";
}

std::string text_lines_joined(const std::string& content)
{
    std::string out;
    for (char c : content)
        if (c != '\r')
            out += c;
    return out;
}

}  // namespace e2e
