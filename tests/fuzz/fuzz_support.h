// Small helpers shared by the fuzz targets: a check that stops the run with
// a message (libFuzzer then keeps the input as a crash artifact), and the
// input layout "first line, second line, ..., rest" the INI targets use.
#ifndef SAVEWARDEN_TESTS_FUZZ_SUPPORT_H
#define SAVEWARDEN_TESTS_FUZZ_SUPPORT_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#define FUZZ_CHECK(condition, what)                                         \
    do {                                                                    \
        if (!(condition)) {                                                 \
            fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", what,        \
                    __FILE__, __LINE__);                                    \
            abort();                                                        \
        }                                                                   \
    } while (0)

// Splits the input into count leading fields, each ended by '\n' (taken
// away), and the rest. A field whose '\n' is missing takes what is left and
// the following fields and the rest are empty.
inline std::vector<std::string> split_input(const uint8_t *data, size_t size,
                                            size_t count, std::string *rest)
{
    std::string all(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> fields;
    size_t at = 0;
    while (fields.size() < count) {
        size_t end = all.find('\n', at);
        if (end == std::string::npos) {
            fields.push_back(at < all.size() ? all.substr(at) : std::string());
            at = all.size();
        } else {
            fields.push_back(all.substr(at, end - at));
            at = end + 1;
        }
    }
    *rest = all.substr(at);
    return fields;
}

// The lines of an INI text as the profile format defines them: split at
// '\n', one '\r' before it dropped, no empty line after a final '\n'.
inline std::vector<std::string> ini_lines(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line[line.size() - 1] == '\r')
            line.erase(line.size() - 1);
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

#endif
