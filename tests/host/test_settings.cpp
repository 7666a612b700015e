// Settings in the profile file, and the run paths composed from them.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "core/settings.h"
#include "host_files.h"
#include "host_ini.h"
#include "scratch_dir.h"

namespace {

class SettingsFile : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string ini = dir.file(SETTINGS_FILE);

    void SetUp() override { host_set_profile_dir(dir.path); }

    Settings loaded()
    {
        Settings s;
        memset(&s, 'x', sizeof s);  // nothing may survive from before
        load_settings(&s);
        return s;
    }
};

// The texts in the order of Settings: window title, directory, last
// character, minutes, seconds, save path, save command number, program.
Settings defaults()
{
    return {"Angband 2.7.5", "c:\\angband", "save", "15", "00", "\\lib\\save", "110",
            "angband.exe", 0};
}

void expect_same(const Settings &a, const Settings &b)
{
    EXPECT_STREQ(a.window_title, b.window_title);
    EXPECT_STREQ(a.directory, b.directory);
    EXPECT_STREQ(a.last_character, b.last_character);
    EXPECT_STREQ(a.minutes, b.minutes);
    EXPECT_STREQ(a.seconds, b.seconds);
    EXPECT_STREQ(a.save_path, b.save_path);
    EXPECT_STREQ(a.save_message_number, b.save_message_number);
}

TEST_F(SettingsFile, NoFileGivesTheDefaultsAndCreatesNothing)
{
    expect_same(loaded(), defaults());
    EXPECT_FALSE(file_exists(ini));
}

TEST_F(SettingsFile, MissingKeyGivesItsDefaultAndEmptyValueGivesEmpty)
{
    write_file(ini, "[Options]\r\nSavePath=\r\nTimerIntervalMinutes=5\r\n"
                    "GameProgram=\r\n[Other]\r\nWindowTitle=not ours\r\n");
    Settings expected = defaults();
    expected.save_path[0] = '\0';
    strcpy(expected.minutes, "5");  // shown exactly as stored
    expect_same(loaded(), expected);
    EXPECT_STREQ(loaded().game_program, "angband.exe");  // empty: no program
}

TEST_F(SettingsFile, OverWidthValuesAreCutToTheirWidth)
{
    const std::string long_title(300, 't');
    write_file(ini, "[Options]\r\nTimerIntervalMinutes=120\r\n"
                    "TimerIntervalSeconds=4567\r\n"
                    "FileSaveMessageNumber=12345678901\r\n"
                    "WindowTitle=" + long_title + "\r\n");
    Settings s = loaded();
    EXPECT_STREQ(s.minutes, "12");
    EXPECT_STREQ(s.seconds, "45");
    EXPECT_STREQ(s.save_message_number, "123456789");
    EXPECT_EQ(std::string(s.window_title), long_title.substr(0, 255));
}

TEST_F(SettingsFile, SavedDefaultsReadExactlyAsDocumented)
{
    { const Settings d = defaults(); save_settings(&d); }
    EXPECT_EQ(read_file(ini), "[Options]\r\n"
                              "WindowTitle=Angband 2.7.5\r\n"
                              "Directory=c:\\angband\r\n"
                              "LastCharacter=save\r\n"
                              "TimerIntervalMinutes=15\r\n"
                              "TimerIntervalSeconds=00\r\n"
                              "SavePath=\\lib\\save\r\n"
                              "FileSaveMessageNumber=110\r\n");
}

TEST_F(SettingsFile, EveryValueThatFitsRoundTrips)
{
    Settings s = {};
    const std::string full(255, 'w');
    snprintf(s.window_title, sizeof s.window_title, "%s", full.c_str());
    strcpy(s.directory, "d:\\games\\my angband");   // blanks inside
    strcpy(s.last_character, "Gandalf=the grey");   // an equals sign
    strcpy(s.minutes, "07");
    strcpy(s.seconds, "5");
    strcpy(s.save_path, "");                         // empty
    strcpy(s.save_message_number, "999999999");
    strcpy(s.game_program, "Sil.exe");  // not the default: after the seven
    save_settings(&s);
    expect_same(loaded(), s);
    EXPECT_STREQ(loaded().game_program, "Sil.exe");
    EXPECT_NE(read_file(ini).find("=999999999\r\nGameProgram=Sil.exe\r\n"), std::string::npos);

    // Saving again replaces the values in place, in the same order.
    { const Settings d = defaults(); save_settings(&d); }
    expect_same(loaded(), defaults());
    EXPECT_EQ(read_file(ini).find("Gandalf"), std::string::npos);
}

// The number of backup generations: one or two digits, anything else the
// default; read with the others, and never written back.
TEST_F(SettingsFile, BackupGenerationsReadsZeroToNinetyNineAndIsNeverWritten)
{
    EXPECT_EQ(loaded().backup_generations, (unsigned)DEFAULT_BACKUP_GENERATIONS);  // no file
    const struct {
        const char *stored;
        unsigned read;
    } values[] = {{"0", 0},   {"2", 2},    {"99", 99},  {"07", 7},
                  {"100", 10}, {"-1", 10},   {"", 10},     {"two", 10},
                  {"3x", 10},  {"1000000000002", 10}};
    for (const auto &v : values) {
        write_file(ini, std::string("[Options]\r\nBackupGenerations=") + v.stored +
                            "\r\n");
        EXPECT_EQ(loaded().backup_generations, v.read) << "stored " << v.stored;
    }

    write_file(ini, "[Options]\r\nBackupGenerations=2\r\n");
    Settings s = loaded();
    s.backup_generations = 9;
    save_settings(&s);
    const std::string text = read_file(ini);
    EXPECT_NE(text.find("BackupGenerations=2\r\n"), std::string::npos) << text;
    EXPECT_EQ(loaded().backup_generations, 2u);
}

TEST(HostProfileReader, BehavesLikeTheProfileServiceWhereWeRelyOnIt)
{
    std::string v;
    const std::string text = "; comment\n[ options ]\n  windowtitle =  \"x y\"  \n"
                             "Directory='c:\\a'\nLastCharacter\n";
    ASSERT_TRUE(ini_find(text, "Options", "WindowTitle", &v));
    EXPECT_EQ(v, "x y");
    ASSERT_TRUE(ini_find(text, "OPTIONS", "directory", &v));
    EXPECT_EQ(v, "c:\\a");
    EXPECT_FALSE(ini_find(text, "Options", "LastCharacter", &v));
    EXPECT_FALSE(ini_find(text, "Other", "WindowTitle", &v));

    // Setting a key keeps everything else and lands inside its section.
    std::string out = ini_set("[A]\r\nk=1\r\n\r\n[Options]\r\nx=2\r\n\r\n[B]\r\n",
                              "Options", "y", "3");
    EXPECT_EQ(out, "[A]\r\nk=1\r\n\r\n[Options]\r\nx=2\r\ny=3\r\n\r\n[B]\r\n");
}

// Nothing is repaired: a save folder without its backslash runs on.
TEST(RunPaths, ComposedByPlainConcatenation)
{
    const struct { const char *save_path, *live; } cases[] = {
        {"\\lib\\save", "c:\\angband\\lib\\save\\save"},
        {"", "c:\\angband\\save"},
        {"save", "c:\\angbandsave\\save"},
    };
    RunState run = {};  // each composition overwrites the last
    for (const auto &c : cases) {
        Settings s = defaults();
        strcpy(s.save_path, c.save_path);
        ASSERT_EQ(compose_run_paths(&s, &run), RUN_PATHS_OK) << c.live;
        const std::string live = c.live;
        EXPECT_EQ(run.live_save_file, live);
        EXPECT_EQ(run.backup_save_file, live + ".sav");
        EXPECT_EQ(run.game_command_line, "c:\\angband\\angband.exe " + live);
    }
}

TEST(RunPaths, TooLongPathsAreRefusedAndChangeNothing)
{
    Settings s = defaults();
    RunState run = {};
    ASSERT_EQ(compose_run_paths(&s, &run), RUN_PATHS_OK);
    const RunState before = run;

    // "c:\angband\lib\save\" is 20 characters and ".sav" 4: a name of 231
    // gives a backup path of exactly 255.
    snprintf(s.last_character, sizeof s.last_character, "%s",
             std::string(231, 'n').c_str());
    RunState fits = {};
    EXPECT_EQ(compose_run_paths(&s, &fits), RUN_PATHS_COMMAND_LINE_TOO_LONG);
    // The save files fit and are set; the line is left to the game start,
    // which may still shorten it.
    EXPECT_EQ(strlen(fits.backup_save_file), 255u);
    EXPECT_STREQ(fits.game_command_line, "");

    strcpy(s.last_character, std::string(232, 'n').c_str());
    EXPECT_EQ(compose_run_paths(&s, &run), RUN_PATHS_SAVE_FILE_TOO_LONG);
    EXPECT_EQ(memcmp(&run, &before, sizeof run), 0);

    // Folder and name each at full width: nothing may overrun.
    strcpy(s.directory, std::string(255, 'd').c_str());
    strcpy(s.save_path, std::string(255, 's').c_str());
    strcpy(s.last_character, std::string(255, 'n').c_str());
    EXPECT_EQ(compose_run_paths(&s, &run), RUN_PATHS_SAVE_FILE_TOO_LONG);

    // The longest game command line that fits: the folder (10), the
    // program part (13), the live save file's folders (20) and a name of 212.
    Settings edge = defaults();
    strcpy(edge.last_character, std::string(212, 'n').c_str());
    ASSERT_EQ(compose_run_paths(&edge, &run), RUN_PATHS_OK);
    EXPECT_EQ(strlen(run.game_command_line), 255u);
}

}  // namespace
