// The settings loader (load_settings) over a settings file of any bytes,
// read through the host profile reader: no crash, no overrun, and every
// setting text ends with its zero within its width, holding the file's
// value cut to that width or, where the key is missing, its default.
//
// Input: the whole settings file.
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "core/settings.h"
#include "fuzz_support.h"
#include "host_files.h"
#include "host_ini.h"

namespace {

std::string folder;

std::string settings_path() { return host_profile_path(SETTINGS_FILE); }

void remove_folder()
{
    unlink(settings_path().c_str());
    rmdir(folder.c_str());
}

struct Field {
    const char *key;
    const char *default_text;
    const char *text;
    size_t size;  // width + 1
};

// The texts as a C string sees them: up to the first zero, cut to width.
std::string expected_text(const std::string &file_text, const Field &f)
{
    std::string value;
    if (!ini_find(file_text, SETTINGS_SECTION, f.key, &value))
        value = f.default_text;
    value = value.c_str();
    if (value.size() > f.size - 1)
        value.resize(f.size - 1);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    char pattern[] = "/tmp/savewarden-fuzz-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        perror("mkdtemp");
        exit(1);
    }
    folder = pattern;
    host_set_profile_dir(folder);
    atexit(remove_folder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A new file each time rather than a truncated one: some file systems
    // push a truncated-and-rewritten file to the disk at its close.
    unlink(settings_path().c_str());
    FILE *file = fopen(settings_path().c_str(), "wb");
    FUZZ_CHECK(file != nullptr, "the settings file can be written");
    FUZZ_CHECK(fwrite(data, 1, size, file) == size, "the whole file is written");
    FUZZ_CHECK(fclose(file) == 0, "the settings file is closed");

    // On the heap and exactly its size, so a write past the end is caught;
    // no zero anywhere beforehand, so a missing terminator shows.
    Settings *s = new Settings;
    memset(s, 'x', sizeof *s);
    load_settings(s);

    const Field fields[] = {
        {"WindowTitle", "Angband 2.7.5", s->window_title, sizeof s->window_title},
        {"Directory", "c:\\angband", s->directory, sizeof s->directory},
        {"LastCharacter", "save", s->last_character, sizeof s->last_character},
        {"TimerIntervalMinutes", "15", s->minutes, sizeof s->minutes},
        {"TimerIntervalSeconds", "00", s->seconds, sizeof s->seconds},
        {"SavePath", "\\lib\\save", s->save_path, sizeof s->save_path},
        {"FileSaveMessageNumber", "110", s->save_message_number,
         sizeof s->save_message_number},
    };
    static_assert(sizeof(Settings::minutes) == MINUTES_WIDTH + 1, "width");
    static_assert(sizeof(Settings::seconds) == SECONDS_WIDTH + 1, "width");
    static_assert(sizeof(Settings::save_message_number) ==
                      SAVE_NUMBER_WIDTH + 1, "width");
    static_assert(sizeof(Settings::save_path) == PATH_WIDTH + 1, "width");

    const std::string file_text(reinterpret_cast<const char *>(data), size);
    for (const Field &f : fields) {
        FUZZ_CHECK(memchr(f.text, '\0', f.size) != nullptr,
                   "each setting text ends within its width");
        FUZZ_CHECK(expected_text(file_text, f) == f.text,
                   "each setting holds its value from the file, or its "
                   "default, cut to its width");
    }
    delete s;
    return 0;
}
