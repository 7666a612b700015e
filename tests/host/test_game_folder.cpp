// The fields a first start takes from the game's folder beside the program.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/game_folder.h"
#include "host_files.h"
#include "scratch_dir.h"

namespace {

// Last-write times in nanoseconds: t0 and t1 share their high word, t2 has
// the higher high word and the lower low word, so only the whole 64-bit
// time orders them t0 < t1 < t2 < t3.
const uint64_t H = 395812000;  // about the year 2023
const uint64_t times[] = {H << 32 | 0x10, H << 32 | 0xF0000000,
                          (H + 1) << 32 | 0x10, (H + 1) << 32 | 0x20};

struct Entry {
    std::string name;  // in the first save folder; ending in "\" a folder
    int time;          // index into times
};

struct Case {
    const char *what;
    const char *name;    // the game folder's, in the scratch folder
    size_t path_length;  // of the game folder instead, when not 0
    const char *ini;     // the settings file; nullptr: none
    bool game;           // angband.exe in the folder
    std::vector<const char *> save_folders;
    std::vector<Entry> saves;
    const char *save_path, *character;  // expected; nullptr: nothing set
    std::vector<const char *> files;  // more in the game folder, programs first
    const char *title = "Angband";    // expected; and without angband.exe files[0]
};

const std::vector<Entry> working_files = {
    {"Grip", 0},         {"Hero", 1},         {"Hero.sav", 3},
    {"Hero.sav.1", 3},   {"Hero.sav.$$$", 3}, {"Hero.sav.o$$", 3},
    {"Hero1234.new", 3}, {"Hero.old", 3},     {"Hero.lok", 3},
    {"Zed\\", 3}};
const char *const user = "\\lib\\user\\save", *const lib = "\\lib\\save";
const char *const none = nullptr;

const Case cases[] = {
    {"4.2: the latest save; ours and the game's working files left out",
     "Angband", 0, none, true, {user, lib}, working_files, user, "Hero"},
    {"3.x", "Angband", 0, none, true, {lib}, {{"Frodo", 0}}, lib, "Frodo"},
    {"several saves, by the whole time", "Angband", 0, none, true, {user},
     {{"Aaa", 1}, {"Bbb", 2}, {"Ccc", 0}}, user, "Bbb"},
    {"no save", "Angband", 0, none, true, {user},
     {{"Hero.sav", 3}, {"Zed\\", 3}}, user, "save"},
    {"no save folder", "Angband", 0, none, true, {}, {}, lib, "save"},
    {"a folder with a space, settings of others only", "Angband 4.2", 0,
     "[Other]\r\nWindowTitle=x\r\n", true, {user}, {{"Grip", 0}}, user, "Grip"},
    {"stored settings", "Angband", 0, "[Options]\r\nBackupGenerations=2\r\n",
     true, {user}, {{"Grip", 0}}, none, none},
    {"no game", "Angband", 0, none, false, {user}, {{"Grip", 0}}, none, none},
    {"a save folder one over its width is refused, not cut", "", 241 + 1, none,
     true, {lib, "\\lib\\user\\sav"}, {{"Grip", 0}}, lib, "Grip"},
    {"a game one over its width", "", 243 + 1, none, true, {lib}, {{"Grip", 0}},
     none, none},
    {"FAangband", "FA", 0, none, false, {user, lib}, {{"Grip", 0}}, user, "Grip", {"faangband.exe"},
     "FAangband"},
    {"Sil-Q, its tutorial in lib\\xtra", "Sil", 0, none, false, {lib}, {{"Grip", 0}}, lib, "Grip",
     {"Sil.exe", "lib\\xtra\\tutorial"}, "Sil-Q"},
    {"Sil", "Sil", 0, none, false, {lib}, {}, lib, "save", {"Sil.exe"}, "Sil"},
    {"FrogComposband", "Frog", 0, none, false, {}, {}, lib, "save", {"frogcomposband.exe"}, "Main"},
    {"angband.exe and another game's: Angband", "A", 0, none, true, {}, {}, lib, "save", {"Sil.exe"}},
    {"two games' programs", "Two", 0, none, false, {}, {}, none, none, {"oangband.exe", "Sil.exe"}},
};

TEST(GameFolder, FieldsTheFolderGives)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        host_set_profile_dir(dir.path);
        if (c.ini != nullptr)
            write_file(dir.file(SETTINGS_FILE), c.ini);
        // Backslashes are plain name characters on the host.
        std::string folder = dir.file(c.name);
        if (c.path_length != 0)
            folder = dir.file(std::string(c.path_length - dir.path.size() - 1, 'a'));
        if (c.game)
            write_file(folder + "\\angband.exe", "game");
        for (const char *file : c.files)
            write_file(folder + "\\" + file, "game");
        for (const char *save_folder : c.save_folders)
            mkdir((folder + save_folder).c_str(), 0755);
        for (const Entry &e : c.saves) {
            std::string path = folder + c.save_folders[0] + "/" + e.name;
            if (path.back() == '\\')
                mkdir(path.c_str(), 0755);
            else
                write_file(path, "save");
            const struct timespec when[2] = {
                {0, UTIME_OMIT}, {(time_t)(times[e.time] / 1000000000u),
                                  (long)(times[e.time] % 1000000000u)}};
            ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), when, 0), 0) << path;
        }

        Settings s;
        load_settings(&s);
        Settings before = s;
        EXPECT_EQ(settings_from_game_folder(folder.c_str(), &s), c.character ? 1 : 0);
        EXPECT_STREQ(s.window_title, c.character ? c.title : before.window_title);
        EXPECT_STREQ(s.game_program, c.character && !c.game ? c.files[0] : "angband.exe");
        EXPECT_STREQ(s.directory, c.character ? folder.c_str() : before.directory);
        EXPECT_STREQ(s.save_path, c.character ? c.save_path : before.save_path);
        EXPECT_STREQ(s.last_character, c.character ? c.character : before.last_character);
        EXPECT_STREQ(s.minutes, "15");
        EXPECT_STREQ(s.seconds, "00");
        EXPECT_STREQ(s.save_message_number, "110");
        EXPECT_FALSE(file_exists(dir.file(SETTINGS_FILE)) && c.ini == nullptr);
    }
}

}  // namespace
