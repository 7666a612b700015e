// The save-file copy as it runs on Windows 95, which has no one-step
// replace: old file aside, new file in, old file deleted. These scenarios
// run a Savewarden built so that its replace answers "not supported", so
// the rename path works on real files. Each presses Go at interval 0, so
// no ticks: one Go and its one copy.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "folder_tree.h"

#include <windows.h>

namespace e2e {

namespace {

const char kAside[] = ".o$$";
const char kTitle[] = "Angband Windows 95";

// The save folder must hold the live save, its backup and the generations
// named, and nothing else: no aside file, no temporary file.
void check_only_save_files(const GameFolder& game, const std::string& what,
                           const std::string& expected = "save save.sav")
{
    std::string names;
    for (const auto& entry : list_tree(game.folder + game.save_folder))
        names += (names.empty() ? "" : " ") + entry.first;
    check_equal(names, expected, what + ": what the save folder holds");
}

void refused_and_untouched(Savewarden& app, const GameFolder& game, const std::string& what)
{
    expect_notice(app.dialog(), Notice::warning,
                  "Error copying " + game.live_save() + " to " + game.backup_save(), 5000);
    check_only_save_files(game, what);
    sleep_ms(300);
    check_game_events(game.log_path, "start", 0, what + ": game starts");
    exit_with_zero(app);
}

}  // namespace

// A timer backup cut off between its two moves left the last good backup
// only under its aside name. The next backup puts it back first, then
// replaces it, and leaves nothing beside. With no generations kept, as
// here, the replace is the one by renames.
void scenario_windows95_backup_after_cut_off_backup(const Env& env)
{
    const std::string live = sample_save("LIVE", 3000);
    StandInGame game(env, "windows95_backup", live, titled(kTitle));
    write_file(settings_file_path(), "[Options]\r\nBackupGenerations=0\r\n");
    write_file(game.backup_save() + kAside, sample_save("LAST GOOD BACKUP", 2000));

    Savewarden app;
    start_and_go(app, env, game, "0", "0");
    check_file(game.backup_save(), live, "backup refreshed from the live save");
    check_only_save_files(game, "after the backup");
    exit_with_zero(app);
}

// The same cut-off backup, and then what the player does after a crash:
// a restore. The backup it reads is found beside it, under its aside name.
void scenario_windows95_restore_after_cut_off_backup(const Env& env)
{
    StandInGame game(env, "windows95_restore", sample_save("DAMAGED", 3000), titled(kTitle));
    const std::string good = sample_save("LAST GOOD BACKUP", 2000);
    write_file(game.backup_save() + kAside, good);

    Savewarden app;
    start_and_press_go(app, env, game, "0", "0", true);
    wait_for_game_starts(game, 1, 10000);
    check_file(game.live_save(), good, "live save restored");
    check_file(game.backup_save(), good, "backup back under its own name");
    check_file(game.backup_save() + ".1", sample_save("DAMAGED", 3000),
               "the replaced live save kept as generation 1");
    check(!is_checked(app.dialog(), ids::restore), "restore box cleared after the restore");
    check_only_save_files(game, "after the restore", "save save.sav save.sav.1");
    exit_with_zero(app);
}

// Renaming a read-only file is allowed; replacing it is not. The copy must
// refuse, as the one-step replace does, and leave the file as it was.
void scenario_windows95_read_only_backup(const Env& env)
{
    StandInGame game(env, "windows95_read_only", sample_save("LIVE", 3000), titled(kTitle));
    const std::string kept = sample_save("KEPT BACKUP", 2000);
    write_file(game.backup_save(), kept);
    SetFileAttributesA(game.backup_save().c_str(), FILE_ATTRIBUTE_READONLY);

    Savewarden app;
    start_and_press_go(app, env, game, "0", "0");
    refused_and_untouched(app, game, "read-only backup");
    check_file(game.backup_save(), kept, "read-only backup unchanged");
    DWORD attributes = GetFileAttributesA(game.backup_save().c_str());
    check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY),
          "the backup is still read-only");
}

// A folder where the backup should be: refused, the folder left alone.
void scenario_windows95_backup_is_a_folder(const Env& env)
{
    StandInGame game(env, "windows95_folder", sample_save("LIVE", 3000), titled(kTitle));
    make_folders(game.backup_save());

    Savewarden app;
    start_and_press_go(app, env, game, "0", "0");
    refused_and_untouched(app, game, "folder in the backup's place");
    DWORD attributes = GetFileAttributesA(game.backup_save().c_str());
    check(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY),
          "the backup's place still holds the folder");
}

}  // namespace e2e
