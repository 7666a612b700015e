// The platform's file and memory operations over POSIX, one system call
// each, as the Win32 layer makes one Windows call each: what copy_save_file
// itself costs on real files. The host test substitute does the same calls
// plus the bookkeeping its fault and power-cut plans need (an fstat after
// every write, a map of unflushed files); copy_bench_substitute measures the
// copy over that instead.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <sys/stat.h>

#include "platform/platform.h"

plat_file plat_file_open_read(const char *path)
{
    int fd = open(path, O_RDONLY);
    return fd >= 0 ? fd : PLAT_NO_FILE;
}

plat_file plat_file_create(const char *path)
{
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return fd >= 0 ? fd : PLAT_NO_FILE;
}

long plat_file_read(plat_file file, void *buf, unsigned count)
{
    ssize_t got = read(file, buf, count);
    return got < 0 ? -1 : (long)got;
}

long plat_file_write(plat_file file, const void *buf, unsigned count)
{
    ssize_t put = write(file, buf, count);
    return put < 0 ? -1 : (long)put;
}

int plat_file_flush(plat_file file) { return fsync(file) == 0 ? 1 : 0; }
int plat_file_close(plat_file file) { return close(file) == 0 ? 1 : 0; }

enum plat_replace_result plat_file_replace(const char *from, const char *to)
{
    return rename(from, to) == 0 ? PLAT_REPLACE_DONE : PLAT_REPLACE_FAILED;
}

int plat_file_rename(const char *from, const char *to)
{
    return renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0;
}

int plat_file_delete(const char *path) { return unlink(path) == 0 ? 1 : 0; }

enum plat_file_kind plat_file_kind_of(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return PLAT_KIND_NOTHING;
    if (S_ISDIR(st.st_mode))
        return PLAT_KIND_FOLDER;
    return (st.st_mode & S_IWUSR) ? PLAT_KIND_FILE : PLAT_KIND_READ_ONLY;
}

int plat_file_stamp_of(const char *path, struct plat_stamp *stamp)
{
    struct stat st;
    if (stat(path, &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    stamp->time_low = (uint32_t)st.st_mtim.tv_nsec;
    stamp->time_high = (uint32_t)st.st_mtim.tv_sec;
    stamp->size_low = (uint32_t)st.st_size;
    stamp->size_high = (uint32_t)((uint64_t)st.st_size >> 32);
    return 1;
}

void *plat_buffer_alloc(unsigned size) { return malloc(size); }
void plat_buffer_free(void *buffer) { free(buffer); }
