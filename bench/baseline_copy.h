// The copies ours is measured against: the same durability as
// copy_save_file (a temporary file beside the destination, flushed to the
// disk, then renamed over it), but the bytes moved by the kernel in as few
// calls as the system allows.
#ifndef SAVEWARDEN_BENCH_BASELINE_COPY_H
#define SAVEWARDEN_BENCH_BASELINE_COPY_H

// copy_file_range(2) in a loop until the whole source has been moved.
// 1 on success, 0 on any failure (the temporary file is then removed).
int baseline_copy_file_range(const char *source, const char *destination);

// std::filesystem::copy_file into the temporary file, then the flush and
// the rename. Same result convention.
int baseline_std_copy_file(const char *source, const char *destination);

#endif
