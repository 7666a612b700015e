// A disk that really fills up. with_small_drive.sh mounts a small tmpfs,
// maps it as a drive of the prefix and names that drive in E2E_SMALL_DRIVE;
// the scenario puts the game folder there and fills the rest of the drive
// from here, so that the backup copy runs out of room part of the way
// through, as it would on a player's full disk.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "folder_tree.h"

#include "../stand_in_game/save_content.h"

#include <windows.h>

namespace e2e {

namespace {

// Big enough to take many of the copy's 2048-byte pieces before the room
// runs out, small enough to fill the drive in a moment.
const unsigned long kSaveSize = 300000;
const unsigned long kBackupSize = 200000;
// What the drive is left with once filled.
const unsigned long kRoomLeft = 50000;

std::string small_drive()
{
    char buffer[16];
    DWORD n = GetEnvironmentVariableA("E2E_SMALL_DRIVE", buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        fail("E2E_SMALL_DRIVE is not set: this scenario runs through with_small_drive.sh, "
             "which mounts the drive it needs");
    return std::string(buffer, n);
}

unsigned long long free_bytes(const std::string& root)
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &free))
        fail("cannot read the free space of " + root);
    return available.QuadPart;
}

// A file that takes up the room of the drive, and gives it back.
class Filler {
public:
    explicit Filler(std::string root) : root_(std::move(root)), path_(root_ + "filler.bin") {}
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;
    ~Filler() { DeleteFileA(path_.c_str()); }

    // Writes until the drive takes no more, then cuts the file back so that
    // about `left` bytes are free. Returns the free space then.
    unsigned long long fill_leaving(unsigned long long left)
    {
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            fail("cannot open " + path_);
        LARGE_INTEGER end = {};
        SetFilePointerEx(file, end, nullptr, FILE_END);
        static char chunk[64 * 1024];
        for (;;) {
            DWORD written = 0;
            if (!WriteFile(file, chunk, sizeof chunk, &written, nullptr) || written == 0)
                break;
        }
        DWORD error = GetLastError();
        LARGE_INTEGER size = {};
        GetFileSizeEx(file, &size);
        if (static_cast<unsigned long long>(size.QuadPart) < left) {
            CloseHandle(file);
            fail("the drive filled with only " + std::to_string(size.QuadPart) + " bytes");
        }
        note("drive full after " + std::to_string(size.QuadPart) + " filler bytes (error " +
             std::to_string(error) + ", " + std::to_string(free_bytes(root_)) + " bytes free)");
        LARGE_INTEGER cut;
        cut.QuadPart = size.QuadPart - static_cast<LONGLONG>(left);
        bool cut_ok = SetFilePointerEx(file, cut, nullptr, FILE_BEGIN) && SetEndOfFile(file);
        CloseHandle(file);
        if (!cut_ok)
            fail("cannot cut " + path_ + " back");
        return free_bytes(root_);
    }

    void remove()
    {
        remove_file(path_);
        note("filler removed: " + std::to_string(free_bytes(root_)) + " bytes free");
    }

private:
    std::string root_;
    std::string path_;
};

// The due tick's copy runs on Savewarden's thread as soon as the game's
// save command returns. The game logs the save just before returning; a
// moment later, a sent message is answered only once the tick is over.
void wait_for_due_tick(const Savewarden& app, const GameFolder& game, size_t n)
{
    if (!wait_until([&] { return count_game_events(game.log_path, "saved") >= n; }, 8000))
        fail("save " + std::to_string(n) + " did not happen within 8 s");
    check_game_events(game.log_path, "save-failed", 0, "saves the game could not write");
    sleep_ms(200);
    check(responds_within(app.dialog(), 5000), "due tick " + std::to_string(n) + " is over");
}

std::string saved_content(const GameFolder& game, size_t n)
{
    auto saves = game_events(game.log_path, "saved");
    return stand_in_save_content("SAVE", static_cast<unsigned>(n), saves.at(n - 1).pid,
                                 kSaveSize);
}

void check_no_temporary_files(const std::string& root)
{
    for (const auto& [path, entry] : list_tree(root))
        if (path.size() >= 4 && (path.compare(path.size() - 4, 4, ".$$$") == 0 ||
                                 path.compare(path.size() - 4, 4, ".o$$") == 0))
            fail("working file left on the drive: " + path);
    note("ok: no working file left on the drive");
}

}  // namespace

void scenario_disk_full(const Env& env)
{
    remove_settings_file();
    const std::string drive = small_drive();
    const std::string root = drive + "\\";
    note("drive " + drive + " has " + std::to_string(free_bytes(root)) + " bytes free at start");

    GameBehaviour behaviour;
    behaviour.title = "Angband Disk Full";
    behaviour.save_size = kSaveSize;
    GameFolder game = prepare_game_folder(drive + "\\disk_full", env.stand_in_exe);
    // The game's log stays off the small drive, where it could not grow.
    game.log_path = "C:\\e2e\\disk_full.log";
    make_folders("C:\\e2e");
    remove_file(game.log_path);
    const std::string live = sample_save("LIVE before the disk fills", kSaveSize);
    const std::string backup = sample_save("BACKUP kept from earlier", kBackupSize);
    write_file(game.live_save(), live);
    write_file(game.backup_save(), backup);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);
    Filler filler(root);

    // Go while the drive is full: the warning, and nothing lost. So little
    // room is left that even a copy that wrote over the old backup in place,
    // and so had its room too, would run out part of the way.
    unsigned long long left = filler.fill_leaving(kRoomLeft);
    check(left > 0 && left + backup.size() < kSaveSize,
          std::to_string(left) + " bytes free: the copy of " + std::to_string(kSaveSize) +
              " bytes starts and runs out of room, even with the old backup's room too");
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    app.fill_fields(fields_for(game, behaviour, "0", "2"));
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::warning,
                  "Error copying " + game.live_save() + " to " + game.backup_save(), 10000);
    check_file(game.backup_save(), backup, "previous backup after the failed copy at Go");
    check_file(game.live_save(), live, "live save after the failed copy at Go");
    check_no_temporary_files(root);
    check_equal(static_cast<long long>(free_bytes(root)), static_cast<long long>(left),
                "free bytes after the failed copy (all given back)");
    sleep_ms(500);
    check_game_events(game.log_path, "start", 0, "game starts after the failed copy");

    // Room again: Go backs up and starts the game; then the drive is filled
    // before the first due tick.
    filler.remove();
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 1, 10000);
    check_file(game.backup_save(), live, "backup made at Go once there is room");
    left = filler.fill_leaving(kRoomLeft);
    check_game_events(game.log_path, "saved", 0, "saves before the drive was filled again");
    check(left > 0 && left < kSaveSize, std::to_string(left) + " bytes free for the due ticks");

    // Due ticks on the full drive: silent, and the backup stays whole.
    for (size_t n = 1; n <= 2; ++n) {
        wait_for_due_tick(app, game, n);
        expect_no_notice(app.dialog(), 1000, "no notice on due tick " + std::to_string(n));
        check_file(game.live_save(), saved_content(game, n),
                   "the game's save " + std::to_string(n) + " on the full drive");
        check_file(game.backup_save(), live, "previous backup after due tick " + std::to_string(n));
        check_no_temporary_files(root);
        check(free_bytes(root) < kSaveSize, "the drive is still too full for a copy");
    }

    // The backup replaced at Go is kept, as generation 1; it is smaller
    // than the room the copy lacks, so it was not given up for nothing.
    check_file(game.backup_save() + ".1", backup, "generation 1 on the full drive");

    // Space freed: the next due tick refreshes the backup.
    filler.remove();
    size_t next = count_game_events(game.log_path, "saved") + 1;
    wait_for_due_tick(app, game, next);
    expect_no_notice(app.dialog(), 500, "no notice once there is room");
    const std::string fresh = saved_content(game, next);
    check_file(game.live_save(), fresh, "save " + std::to_string(next));
    check_file(game.backup_save(), fresh, "backup refreshed by the first due tick with room");
    check_file(game.backup_save() + ".1", live, "the backup it replaced, as generation 1");
    check_file(game.backup_save() + ".2", backup, "the one before, as generation 2");
    check_no_temporary_files(root);

    // Full again, and now the two generations together give back more than
    // the copy lacks: they go, oldest first, and the new backup goes in.
    left = filler.fill_leaving(kRoomLeft);
    size_t then = count_game_events(game.log_path, "saved") + 1;
    wait_for_due_tick(app, game, then);
    expect_no_notice(app.dialog(), 500, "no notice when generations make room");
    check_file(game.backup_save(), saved_content(game, then),
               "backup on the full drive, where the generations made room");
    check_file(game.backup_save() + ".1", fresh, "the backup it replaced, as generation 1");
    check(!file_exists(game.backup_save() + ".2"), "the oldest generation gave its room");
    check_no_temporary_files(root);
    filler.remove();

    FolderTree tree = list_tree(root);
    std::string names;
    for (const auto& [path, entry] : tree)
        names += " " + path;
    check_equal(names, " disk_full disk_full\\angband.exe disk_full\\lib disk_full\\lib\\save "
                       "disk_full\\lib\\save\\save disk_full\\lib\\save\\save.sav "
                       "disk_full\\lib\\save\\save.sav.1",
                "what the drive holds at the end");

    exit_with_zero(app);
}

}  // namespace e2e
