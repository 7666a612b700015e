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

// The header a save of Angband 3.5.0 and later begins with: magic, variant,
// the first block's name, version 1, the text's size with its zero, a
// checksum (the game never checks it), then the description and its zero.
// The text goes in as it is given, however long.
inline std::string save_description_header(const std::string& description)
{
    std::string header("SaveVNLAdescription\0\0\0\0\0", 24);
    const unsigned long fields[3] = {1, static_cast<unsigned long>(description.size() + 1),
                                     0x5EEDu};
    for (unsigned long field : fields)
        for (int i = 0; i < 4; ++i)
            header.push_back(static_cast<char>(field >> (8 * i)));
    return header + description + '\0';
}

// A save of size bytes that begins with that header and goes on as
// stand_in_save_content does; sizes below the header's length cut it.
inline std::string described_save_content(const std::string& description, const char* kind,
                                          unsigned serial, unsigned long pid, std::size_t size)
{
    std::string content = save_description_header(description);
    const std::size_t rest = size > content.size() ? size - content.size() : 0;
    content += stand_in_save_content(kind, serial, pid, rest);
    content.resize(size);
    return content;
}

#endif
