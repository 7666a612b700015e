#include "baseline_copy.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

// The same name copy_save_file gives its temporary file.
std::string temp_of(const char *destination)
{
    return std::string(destination) + ".$$$";
}

int flush_and_rename(const std::string &temp, const char *destination)
{
    int fd = open(temp.c_str(), O_WRONLY);
    if (fd < 0)
        return 0;
    int ok = fsync(fd) == 0;
    if (close(fd) != 0)
        ok = 0;
    return ok && rename(temp.c_str(), destination) == 0;
}

}  // namespace

int baseline_copy_file_range(const char *source, const char *destination)
{
    std::string temp = temp_of(destination);
    int in = open(source, O_RDONLY);
    if (in < 0)
        return 0;
    int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0) {
        close(in);
        return 0;
    }
    struct stat st;
    int ok = fstat(in, &st) == 0;
    off_t left = ok ? st.st_size : 0;
    while (ok && left > 0) {
        ssize_t moved = copy_file_range(in, nullptr, out, nullptr,
                                        (size_t)left, 0);
        if (moved <= 0)
            ok = 0;
        else
            left -= moved;
    }
    ok = ok && fsync(out) == 0;
    if (close(out) != 0)
        ok = 0;
    close(in);
    ok = ok && rename(temp.c_str(), destination) == 0;
    if (!ok)
        unlink(temp.c_str());
    return ok;
}

int baseline_std_copy_file(const char *source, const char *destination)
{
    std::string temp = temp_of(destination);
    std::error_code error;
    bool copied = std::filesystem::copy_file(
        source, temp, std::filesystem::copy_options::overwrite_existing,
        error);
    int ok = copied && !error && flush_and_rename(temp, destination);
    if (!ok)
        unlink(temp.c_str());
    return ok;
}
