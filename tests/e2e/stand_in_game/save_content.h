// What the stand-in game writes as a save file, shared with the driver so
// that a scenario can tell what a given save held without reading the live
// save file while the game may be writing it.
#ifndef E2E_STAND_IN_SAVE_CONTENT_H
#define E2E_STAND_IN_SAVE_CONTENT_H

#include <cstddef>
#include <cstdio>
#include <string>

// The content names the kind of save, its serial number and the game's
// process, then fills up to the size asked for with a pattern that changes
// with each save, so one save can be told from the next and a short copy
// from a whole one. Sizes below the header's length cut the header.
inline std::string stand_in_save_content(const char* kind, unsigned serial,
                                         unsigned long pid, std::size_t size)
{
    char header[128];
    std::snprintf(header, sizeof header, "%s %u pid %lu\n", kind, serial, pid);
    std::string content = header;
    content.reserve(size > content.size() ? size : content.size());
    for (unsigned long i = 0; content.size() < size; ++i)
        content.push_back(static_cast<char>('a' + (i * 7 + serial) % 26));
    content.resize(size);
    return content;
}

#endif
