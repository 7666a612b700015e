// File, memory and profile operations of the platform for the host unit
// tests, over POSIX files, with planned faults in the manner of SQLite's
// test VFS: fail call 1, 2, 3... of a kind, or cut the power after call n.
#include "host_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <dirent.h>
#include <sys/stat.h>

#include <fstream>
#include <map>
#include <sstream>

#include "host_ini.h"
#include "platform/platform.h"

namespace {

struct FaultPlan {
    int counts[HOST_OP_COUNT];
    int total;
    host_op fail_op;
    int fail_nth;        // 0: no planned failure of one kind
    host_fault_kind fail_kind;
    int fail_any_nth;    // 0: no planned failure of any kind
    int crash_after;     // 0: no power cut
    bool fired;
    bool crashed;
    int open_files;
    int live_buffers;
    bool replace_unsupported;
    long bytes_read;     // by every read since the last reset
};

FaultPlan plan;
host_op action_op;
int action_nth;  // 0: nothing to run
std::function<void()> action;
std::string profile_dir = ".";

// What a power cut would lose: files written since their last flush, by
// inode, with the path they now have. Paths follow renames.
std::map<int, std::string> created_paths;       // by file handle
std::map<ino_t, std::string> unflushed_files;   // by inode

ino_t inode_of(int fd)
{
    struct stat st;
    return fstat(fd, &st) == 0 ? st.st_ino : 0;
}

void note_written(int fd)
{
    auto created = created_paths.find(fd);
    if (created != created_paths.end())
        unflushed_files[inode_of(fd)] = created->second;
}

void note_moved(const char *from, const char *to)
{
    for (auto &entry : unflushed_files)
        if (entry.second == from)
            entry.second = to;
}

// The data that never reached the disk is gone after the power comes back;
// a file written and renamed without a flush turns up empty.
void lose_unflushed_data()
{
    for (const auto &entry : unflushed_files)
        truncate(entry.second.c_str(), 0);  // gone already: nothing to lose
    unflushed_files.clear();
}

// Counts the call and says whether it must fail, and how.
bool fault_here(host_op op, host_fault_kind *kind = nullptr)
{
    ++plan.counts[op];
    ++plan.total;
    if (action_nth != 0 && op == action_op && plan.counts[op] == action_nth) {
        action_nth = 0;
        action();
    }
    if (kind != nullptr)
        *kind = HOST_FAULT_FAIL;
    if (plan.crashed)
        return true;
    if (plan.crash_after != 0 && plan.total > plan.crash_after) {
        plan.crashed = plan.fired = true;
        lose_unflushed_data();
        return true;
    }
    if (plan.fail_any_nth != 0 && plan.total == plan.fail_any_nth) {
        plan.fired = true;
        return true;
    }
    if (plan.fail_nth != 0 && op == plan.fail_op &&
        plan.counts[op] == plan.fail_nth) {
        plan.fired = true;
        if (kind != nullptr)
            *kind = plan.fail_kind;
        return true;
    }
    return false;
}

std::string slurp(const std::string &path, bool *exists)
{
    std::ifstream in(path, std::ios::binary);
    *exists = static_cast<bool>(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void host_files_reset()
{
    int open_files = plan.open_files;
    int live_buffers = plan.live_buffers;
    plan = FaultPlan();
    action_nth = 0;
    unflushed_files.clear();
    plan.open_files = open_files;
    plan.live_buffers = live_buffers;
}

void host_fail_call(host_op op, int nth, host_fault_kind kind)
{
    plan.fail_op = op;
    plan.fail_nth = nth;
    plan.fail_kind = kind;
}

void host_before_call(host_op op, int nth, std::function<void()> what)
{
    action_op = op;
    action_nth = nth;
    action = std::move(what);
}

void host_fail_any_call(int nth) { plan.fail_any_nth = nth; }
void host_crash_after_call(int nth) { plan.crash_after = nth; }
bool host_fault_fired() { return plan.fired; }
int host_call_count(host_op op) { return plan.counts[op]; }
int host_total_call_count() { return plan.total; }
long host_bytes_read() { return plan.bytes_read; }
int host_open_file_count() { return plan.open_files; }
int host_live_buffer_count() { return plan.live_buffers; }
void host_set_replace_unsupported(bool unsupported)
{
    plan.replace_unsupported = unsupported;
}

void host_set_profile_dir(const std::string &dir) { profile_dir = dir; }

std::string host_profile_path(const char *file)
{
    return profile_dir + "/" + file;
}

// ---- profile -------------------------------------------------------------

void plat_profile_read(const char *section, const char *key, const char *def,
                       char *buf, unsigned size, const char *file)
{
    if (size == 0)
        return;
    bool exists = false;
    std::string text = slurp(host_profile_path(file), &exists);
    std::string value;
    if (!exists || !ini_find(text, section, key, &value))
        value = def;
    snprintf(buf, size, "%s", value.c_str());
}

int plat_profile_has_section(const char *section, const char *file)
{
    bool exists = false;
    std::string text = slurp(host_profile_path(file), &exists);
    return exists && ini_section_has_key(text, section) ? 1 : 0;
}

void plat_profile_write(const char *section, const char *key,
                        const char *value, const char *file)
{
    bool exists = false;
    std::string path = host_profile_path(file);
    std::string text = slurp(path, &exists);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << ini_set(text, section, key, value);
}

// ---- files ------------------------------------------------------------------

plat_file plat_file_open_read(const char *path)
{
    if (fault_here(HOST_OPEN_READ))
        return PLAT_NO_FILE;
    int fd = open(path, O_RDONLY);
    if (fd >= 0)
        ++plan.open_files;
    return fd >= 0 ? fd : PLAT_NO_FILE;
}

plat_file plat_file_create(const char *path)
{
    if (fault_here(HOST_CREATE))
        return PLAT_NO_FILE;
    int fd = open(path, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd >= 0) {
        ++plan.open_files;
        created_paths[fd] = path;
        note_written(fd);  // the truncation is not on disk either
    }
    return fd >= 0 ? fd : PLAT_NO_FILE;
}

long plat_file_read(plat_file file, void *buf, unsigned count)
{
    host_fault_kind kind;
    if (fault_here(HOST_READ, &kind)) {
        if (kind != HOST_FAULT_SHORT)
            return -1;
        count /= 2;
    }
    ssize_t got = read(file, buf, count);
    if (got > 0)
        plan.bytes_read += (long)got;
    return got < 0 ? -1 : (long)got;
}

long plat_file_write(plat_file file, const void *buf, unsigned count)
{
    host_fault_kind kind;
    if (fault_here(HOST_WRITE, &kind)) {
        if (kind != HOST_FAULT_SHORT)
            return -1;
        count /= 2;
    }
    ssize_t put = write(file, buf, count);
    if (put > 0)
        note_written(file);
    return put < 0 ? -1 : (long)put;
}

int plat_file_flush(plat_file file)
{
    if (fault_here(HOST_FLUSH))
        return 0;
    if (fsync(file) != 0)
        return 0;
    unflushed_files.erase(inode_of(file));
    return 1;
}

int plat_file_close(plat_file file)
{
    // The handle is given back even when the close reports an error (and a
    // power cut would end the process and its handles anyway).
    bool fail = fault_here(HOST_CLOSE);
    --plan.open_files;
    created_paths.erase(file);
    return close(file) == 0 && !fail ? 1 : 0;
}

enum plat_replace_result plat_file_replace(const char *from, const char *to)
{
    if (fault_here(HOST_REPLACE))
        return PLAT_REPLACE_FAILED;
    if (plan.replace_unsupported)
        return PLAT_REPLACE_UNSUPPORTED;
    if (rename(from, to) != 0)
        return PLAT_REPLACE_FAILED;
    note_moved(from, to);
    return PLAT_REPLACE_DONE;
}

int plat_file_rename(const char *from, const char *to)
{
    if (fault_here(HOST_RENAME))
        return 0;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) != 0)
        return 0;
    note_moved(from, to);
    return 1;
}

int plat_file_delete(const char *path)
{
    if (fault_here(HOST_DELETE))
        return 0;
    return unlink(path) == 0 ? 1 : 0;
}

enum plat_file_kind plat_file_kind_of(const char *path)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return PLAT_KIND_NOTHING;
    if (S_ISDIR(st.st_mode))
        return PLAT_KIND_FOLDER;
    // The owner's write bit, not access(): the tests may run as root.
    return (st.st_mode & S_IWUSR) ? PLAT_KIND_FILE : PLAT_KIND_READ_ONLY;
}

namespace {

// Nanoseconds since the epoch stand in for the system's own time units; a
// test that needs two writes told apart moves the time on by itself.
void stamp_from(const struct stat &st, struct plat_stamp *stamp)
{
    uint64_t time = (uint64_t)st.st_mtim.tv_sec * 1000000000u +
                    (uint64_t)st.st_mtim.tv_nsec;
    stamp->time_low = (uint32_t)time;
    stamp->time_high = (uint32_t)(time >> 32);
    stamp->size_low = (uint32_t)st.st_size;
    stamp->size_high = (uint32_t)((uint64_t)st.st_size >> 32);
}

}  // namespace

int plat_file_stamp_of(const char *path, struct plat_stamp *stamp)
{
    struct stat st;
    if (stat(path, &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    stamp_from(st, stamp);
    return 1;
}

void plat_folder_entries(const char *folder, plat_entry_fn each,
                         void *context)
{
    DIR *dir = opendir(folder);
    if (dir == nullptr)
        return;
    while (const struct dirent *found = readdir(dir)) {
        std::string name = found->d_name;
        struct stat st;
        if (name == "." || name == ".." ||
            stat((std::string(folder) + "/" + name).c_str(), &st) != 0)
            continue;
        struct plat_folder_entry entry;
        entry.name = found->d_name;
        entry.kind = S_ISDIR(st.st_mode)     ? PLAT_KIND_FOLDER
                     : (st.st_mode & S_IWUSR) ? PLAT_KIND_FILE
                                              : PLAT_KIND_READ_ONLY;
        stamp_from(st, &entry.stamp);
        if (entry.kind == PLAT_KIND_FOLDER)
            entry.stamp.size_low = entry.stamp.size_high = 0;
        each(&entry, context);
    }
    closedir(dir);
}

// The stamp's seconds since the epoch, "<seconds> s", so that a test can
// tell which stamp a text was made from.
void plat_local_time_text(const struct plat_stamp *stamp, char *buf,
                          unsigned size)
{
    uint64_t time = (uint64_t)stamp->time_high << 32 | stamp->time_low;
    snprintf(buf, size, "%llu s", (unsigned long long)(time / 1000000000u));
}

// ---- memory -------------------------------------------------------------------

void *plat_buffer_alloc(unsigned size)
{
    if (fault_here(HOST_ALLOC))
        return nullptr;
    void *buffer = malloc(size);
    if (buffer != nullptr)
        ++plan.live_buffers;
    return buffer;
}

void plat_buffer_free(void *buffer)
{
    if (buffer != nullptr)
        --plan.live_buffers;
    free(buffer);
}
