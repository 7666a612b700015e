// The host substitute for the platform's file, memory and profile operations:
// real files on disk, an INI reader and writer of our own, and a way to make
// any of these calls fail.
#ifndef SAVEWARDEN_TESTS_HOST_FILES_H
#define SAVEWARDEN_TESTS_HOST_FILES_H

#include <functional>
#include <string>

enum host_op {
    HOST_OPEN_READ,
    HOST_CREATE,
    HOST_READ,
    HOST_WRITE,
    HOST_FLUSH,
    HOST_CLOSE,
    HOST_REPLACE,
    HOST_RENAME,
    HOST_DELETE,
    HOST_ALLOC,
    HOST_OP_COUNT
};

enum host_fault_kind {
    HOST_FAULT_FAIL,   // the call fails without doing anything
    HOST_FAULT_SHORT   // a write or read moves only half the bytes
};

// Forgets faults and call counts; closes nothing.
void host_files_reset();
// Makes the nth call (counting from 1 after the last reset) of op fail.
void host_fail_call(host_op op, int nth, host_fault_kind kind = HOST_FAULT_FAIL);
// Makes the nth file-or-memory call of any kind fail (counting from 1).
void host_fail_any_call(int nth);
// Simulates a power cut: after the nth call of any kind has done its work,
// every later call fails without touching the disk.
void host_crash_after_call(int nth);
// Runs action just before the nth call of op: the game at work while ours is.
void host_before_call(host_op op, int nth, std::function<void()> action);
// True once a planned fault or crash has fired.
bool host_fault_fired();
int host_call_count(host_op op);
int host_total_call_count();
// Bytes the reads have handed back since the last reset.
long host_bytes_read();
// Files opened and not yet closed, buffers allocated and not yet freed.
int host_open_file_count();
int host_live_buffer_count();
// Makes the replace operation answer as Windows 95 does: not supported.
void host_set_replace_unsupported(bool unsupported);

// Where the profile file lives on the host (the Windows directory there).
void host_set_profile_dir(const std::string &dir);
std::string host_profile_path(const char *file);

#endif
