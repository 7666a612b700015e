// The rows of the Backups window over real files: which files get a row, in
// which order, and what each row says.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>

#include <string>
#include <vector>

#include "../e2e/stand_in_game/save_content.h"
#include "core/backup_list.h"
#include "scratch_dir.h"

namespace {

struct File {
    const char *name;      // below the folder; a name ending in "/" is a folder
    std::string content;
};

struct Case {
    const char *what;
    std::vector<File> files;
    unsigned generations;
    unsigned capacity;
    std::vector<std::string> rows;  // with "<n> s", n the file's index + 1000
};

const std::string living = save_description_header("Hero, L12 Human Warrior, at DL7");
const std::string dead = save_description_header("Hero, dead (Grip, Farmer Maggot's Dog)");

TEST(BackupList, ListsTheFilesThatExistNewestFirst)
{
    const Case cases[] = {
        {"every file, the save file dead, one older save without a description",
         {{"hero", dead}, {"hero.sav", living}, {"hero.sav.1", "old"}, {"hero.sav.2", living}},
         5, MOST_BACKUP_ROWS,
         {"Save file\t1000 s\t" + std::to_string(dead.size()) +
              " bytes\tHero, dead (Grip, Farmer Maggot's Dog)",
          "Backup\t1001 s\t" + std::to_string(living.size()) +
              " bytes\tHero, L12 Human Warrior, at DL7",
          "Older 1\t1002 s\t3 bytes\t",
          "Older 2\t1003 s\t" + std::to_string(living.size()) +
              " bytes\tHero, L12 Human Warrior, at DL7"}},
        {"gaps and a folder are left out, saves beyond the setting are earlier lives",
         {{"hero.sav", "b"}, {"hero.sav.1/", ""}, {"hero.sav.3", "three"}, {"hero.sav.4", "4"},
          {"hero.sav.99", living}},
         3, MOST_BACKUP_ROWS,
         {"Backup\t1000 s\t1 bytes\t", "Older 3\t1002 s\t5 bytes\t",
          "Earlier life\t1003 s\t1 bytes\t",
          "Earlier life\t1004 s\t" + std::to_string(living.size()) +
              " bytes\tHero, L12 Human Warrior, at DL7"}},
        {"no generations kept: the save file and the backup",
         {{"hero", ""}, {"hero.sav", "b"}},
         0, MOST_BACKUP_ROWS,
         {"Save file\t1000 s\t0 bytes\t", "Backup\t1001 s\t1 bytes\t"}},
        {"no more rows than there is room for",
         {{"hero", "s"}, {"hero.sav", "b"}, {"hero.sav.1", "1"}},
         5, 2,
         {"Save file\t1000 s\t1 bytes\t", "Backup\t1001 s\t1 bytes\t"}},
        {"nothing there", {}, 5, MOST_BACKUP_ROWS, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        ScratchDir dir;
        for (size_t i = 0; i < c.files.size(); ++i) {
            std::string path = dir.file(c.files[i].name);
            if (path.back() == '/') {
                mkdir(path.c_str(), 0755);
                continue;
            }
            write_file(path, c.files[i].content);
            const struct timeval times[2] = {{1000 + (time_t)i, 0}, {1000 + (time_t)i, 0}};
            ASSERT_EQ(utimes(path.c_str(), times), 0);
        }
        std::vector<BackupRow> rows(MOST_BACKUP_ROWS + 1);
        const std::string live = dir.file("hero"), backup = dir.file("hero.sav");
        unsigned count = list_backups(live.c_str(), backup.c_str(), c.generations,
                                      rows.data(), c.capacity);
        std::vector<std::string> texts;
        for (unsigned i = 0; i < count; ++i) {
            char text[BACKUP_ROW_TEXT_SIZE];
            backup_row_text(&rows[i], text, sizeof text);
            texts.push_back(text);
            // The path is the row's own file, for the restore to copy.
            EXPECT_EQ(read_file(rows[i].path).size(), rows[i].stamp.size_low) << text;
        }
        EXPECT_EQ(texts, c.rows);
    }
}

}  // namespace
