#include "bench_files.h"

#include <fcntl.h>
#include <stdint.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <vector>

const std::string &bench_dir()
{
    static const std::string dir = [] {
        const char *env = getenv("SAVEWARDEN_BENCH_DIR");
        std::string d = env != nullptr && env[0] != '\0' ? env : "copy_files";
        mkdir(d.c_str(), 0755);
        return d;
    }();
    return dir;
}

std::string bench_source(size_t size, unsigned variant)
{
    std::string path = bench_dir() + "/source_" + std::to_string(size);
    if (variant != 0)
        path += "_" + std::to_string(variant);
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && (size_t)st.st_size == size)
        return path;

    // Bytes that do not compress or repeat in any short period.
    std::vector<unsigned char> bytes(size);
    uint32_t x = 2463534242u ^ (uint32_t)size ^ (variant * 0x9E3779B9u);
    for (unsigned char &b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = (unsigned char)x;
    }
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return "";
    bool ok = write(fd, bytes.data(), size) == (ssize_t)size && fsync(fd) == 0;
    if (close(fd) != 0)
        ok = false;
    return ok ? path : "";
}

bool same_content(const std::string &a, const std::string &b)
{
    std::ifstream fa(a, std::ios::binary);
    std::ifstream fb(b, std::ios::binary);
    if (!fa || !fb)
        return false;
    std::vector<char> ca((std::istreambuf_iterator<char>(fa)), {});
    std::vector<char> cb((std::istreambuf_iterator<char>(fb)), {});
    return ca == cb;
}
