// A fresh folder per test, and small helpers to put files in it and read
// them back.
#ifndef SAVEWARDEN_TESTS_SCRATCH_DIR_H
#define SAVEWARDEN_TESTS_SCRATCH_DIR_H

#include <string>
#include <vector>

struct ScratchDir {
    std::string path;
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir &) = delete;
    ScratchDir &operator=(const ScratchDir &) = delete;

    std::string file(const std::string &name) const { return path + "/" + name; }
    // Names of the entries in the folder, sorted.
    std::vector<std::string> entries() const;
};

void write_file(const std::string &path, const std::string &content);
bool file_exists(const std::string &path);
std::string read_file(const std::string &path);
// size bytes of a pattern that differs for every seed and position.
std::string patterned_bytes(size_t size, unsigned seed);

#endif
