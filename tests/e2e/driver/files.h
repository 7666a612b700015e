// File helpers for preparing and inspecting what Savewarden reads and writes.
// Paths are Windows paths as this process sees them inside Wine.
#ifndef E2E_FILES_H
#define E2E_FILES_H

#include <optional>
#include <string>

namespace e2e {

std::optional<std::string> read_file(const std::string& path);
void write_file(const std::string& path, const std::string& content);
bool file_exists(const std::string& path);
void remove_file(const std::string& path);

// Removes the folder with all it holds, then creates it (and its parents).
void fresh_folder(const std::string& path);
void make_folders(const std::string& path);
void copy_file(const std::string& from, const std::string& to);

// Where the profile service keeps "swarden.ini": the Windows directory.
std::string settings_file_path();

// The text with its carriage returns taken out, so "\r\n" line ends read as "\n".
std::string text_lines_joined(const std::string& content);

}  // namespace e2e

#endif
