// Where a copy's time goes: runs one kind of copy many times over real files
// and reports, per copy, the calls it made into the system and the wall time
// spent in each kind of call. The system calls are wrapped at link time
// (-Wl,--wrap=read and so on, see CMakeLists.txt), so the code under test is
// the same object code as in copy_bench.
//
//   copy_profile ours|cfr|stdfs|pieces:N SIZE COPIES
//
// pieces:N is the bare read-write loop of copy_save_file with N-byte pieces
// and the same flush and rename, without the host substitute's bookkeeping:
// pieces:2048 shows what the loop itself costs, larger N what the piece
// size costs.
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "baseline_copy.h"
#include "bench_files.h"
#include "core/save_copy.h"

namespace {

enum call_kind { OPEN, READ, WRITE, COPY_RANGE, FSYNC, CLOSE, RENAME, UNLINK,
                 FSTAT, KIND_COUNT };
const char *const kind_names[KIND_COUNT] = {
    "open", "read", "write", "copy_file_range", "fsync", "close", "rename",
    "unlink", "fstat"};

struct Tally {
    unsigned long calls[KIND_COUNT];
    double seconds[KIND_COUNT];
};
Tally tally;

double now_seconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

// Times one call; keeps errno as the call left it.
struct Timed {
    call_kind kind;
    double start;
    explicit Timed(call_kind k) : kind(k), start(now_seconds()) {}
    ~Timed()
    {
        int saved = errno;
        tally.calls[kind] += 1;
        tally.seconds[kind] += now_seconds() - start;
        errno = saved;
    }
};

size_t piece_size;

int copy_in_pieces(const char *source, const char *destination)
{
    static std::string buffer;
    buffer.resize(piece_size);
    std::string temp = std::string(destination) + ".$$$";
    int in = open(source, O_RDONLY);
    if (in < 0)
        return 0;
    int out = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int ok = out >= 0;
    while (ok) {
        ssize_t got = read(in, &buffer[0], piece_size);
        if (got <= 0) {
            ok = got == 0;
            break;
        }
        ok = write(out, buffer.data(), (size_t)got) == got;
    }
    ok = ok && fsync(out) == 0;
    if (out >= 0 && close(out) != 0)
        ok = 0;
    close(in);
    return ok && rename(temp.c_str(), destination) == 0;
}

}  // namespace

extern "C" {
int __real_open(const char *path, int flags, ...);
ssize_t __real_read(int fd, void *buf, size_t count);
ssize_t __real_write(int fd, const void *buf, size_t count);
ssize_t __real_copy_file_range(int in, off64_t *in_off, int out,
                               off64_t *out_off, size_t len, unsigned flags);
int __real_fsync(int fd);
int __real_close(int fd);
int __real_rename(const char *from, const char *to);
int __real_renameat2(int from_dir, const char *from, int to_dir,
                     const char *to, unsigned flags);
int __real_unlink(const char *path);
int __real_fstat(int fd, struct stat *st);

int __wrap_open(const char *path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & O_CREAT) {
        va_list args;
        va_start(args, flags);
        mode = (mode_t)va_arg(args, int);
        va_end(args);
    }
    Timed t(OPEN);
    return __real_open(path, flags, mode);
}

ssize_t __wrap_read(int fd, void *buf, size_t count)
{
    Timed t(READ);
    return __real_read(fd, buf, count);
}

ssize_t __wrap_write(int fd, const void *buf, size_t count)
{
    Timed t(WRITE);
    return __real_write(fd, buf, count);
}

ssize_t __wrap_copy_file_range(int in, off64_t *in_off, int out,
                               off64_t *out_off, size_t len, unsigned flags)
{
    Timed t(COPY_RANGE);
    return __real_copy_file_range(in, in_off, out, out_off, len, flags);
}

int __wrap_fsync(int fd)
{
    Timed t(FSYNC);
    return __real_fsync(fd);
}

int __wrap_close(int fd)
{
    Timed t(CLOSE);
    return __real_close(fd);
}

int __wrap_rename(const char *from, const char *to)
{
    Timed t(RENAME);
    return __real_rename(from, to);
}

int __wrap_renameat2(int from_dir, const char *from, int to_dir,
                     const char *to, unsigned flags)
{
    Timed t(RENAME);
    return __real_renameat2(from_dir, from, to_dir, to, flags);
}

int __wrap_unlink(const char *path)
{
    Timed t(UNLINK);
    return __real_unlink(path);
}

int __wrap_fstat(int fd, struct stat *st)
{
    Timed t(FSTAT);
    return __real_fstat(fd, st);
}
}

int main(int argc, char **argv)
{
    if (argc != 4) {
        fprintf(stderr,
                "usage: copy_profile ours|cfr|stdfs|pieces:N SIZE COPIES\n");
        return 2;
    }
    int (*copy)(const char *, const char *) = nullptr;
    if (strcmp(argv[1], "ours") == 0)
        copy = copy_save_file;
    else if (strcmp(argv[1], "cfr") == 0)
        copy = baseline_copy_file_range;
    else if (strcmp(argv[1], "stdfs") == 0)
        copy = baseline_std_copy_file;
    else if (strncmp(argv[1], "pieces:", 7) == 0 &&
             (piece_size = strtoul(argv[1] + 7, nullptr, 10)) != 0)
        copy = copy_in_pieces;
    const size_t size = (size_t)strtoul(argv[2], nullptr, 10);
    const unsigned copies = (unsigned)strtoul(argv[3], nullptr, 10);
    if (copy == nullptr || size == 0 || copies == 0) {
        fprintf(stderr, "copy_profile: bad arguments\n");
        return 2;
    }

    const std::string source = bench_source(size);
    const std::string kind = copy == copy_in_pieces
                                 ? "pieces" + std::to_string(piece_size)
                                 : argv[1];
    const std::string destination = bench_dir() + "/profile_" + kind + "_" +
                                    std::to_string(size) + ".sav";
    if (source.empty() || !copy(source.c_str(), destination.c_str())) {
        fprintf(stderr, "copy_profile: the first copy failed\n");
        return 1;
    }

    tally = Tally();
    const double start = now_seconds();
    for (unsigned i = 0; i < copies; ++i)
        if (!copy(source.c_str(), destination.c_str())) {
            fprintf(stderr, "copy_profile: copy %u failed\n", i + 1);
            return 1;
        }
    const double total = (now_seconds() - start) / copies;
    if (!same_content(source, destination)) {
        fprintf(stderr, "copy_profile: the destination differs\n");
        return 1;
    }

    // One line per copy kind and size, then one per kind of call:
    //   total <us per copy>
    //   <call> <calls per copy> <us per copy> <share of the total, %>
    printf("copy %s size %zu copies %u\n", argv[1], size, copies);
    printf("total %.1f\n", total * 1e6);
    double in_calls = 0;
    for (int k = 0; k < KIND_COUNT; ++k) {
        if (tally.calls[k] == 0)
            continue;
        double per_copy = tally.seconds[k] / copies;
        in_calls += per_copy;
        printf("%s %.1f %.1f %.1f\n", kind_names[k],
               (double)tally.calls[k] / copies, per_copy * 1e6,
               100.0 * per_copy / total);
    }
    printf("outside_calls - %.1f %.1f\n", (total - in_calls) * 1e6,
           100.0 * (total - in_calls) / total);
    return 0;
}
