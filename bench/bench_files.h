// The folder the copy measurements work in and the source files they copy.
#ifndef SAVEWARDEN_BENCH_BENCH_FILES_H
#define SAVEWARDEN_BENCH_BENCH_FILES_H

#include <stddef.h>

#include <string>

// $SAVEWARDEN_BENCH_DIR, or "copy_files" in the working folder; created
// when missing.
const std::string &bench_dir();

// A source file of size bytes in the bench folder, written and flushed to
// the disk once and reused; "" when it could not be made. Sources of the
// same size and another variant differ in every byte, so that copying them
// in turn over one destination is a changed save every time.
std::string bench_source(size_t size, unsigned variant = 0);

// Whether the two files hold the same bytes.
bool same_content(const std::string &a, const std::string &b);

#endif
