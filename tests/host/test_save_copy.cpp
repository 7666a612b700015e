// The save-file copy over real files, with faults planted in the platform
// calls it makes.
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "../e2e/stand_in_game/save_content.h"
#include "core/save_copy.h"
#include "platform/platform.h"
#include "host_files.h"
#include "scratch_dir.h"

namespace {

// The row as it stands: the backup, then generations 1, 2..., "-" for none.
typedef std::vector<std::string> Row;

class SaveCopy : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string source = dir.file("save");
    std::string destination = dir.file("save.sav");

    void SetUp() override { restart(); }

    // Fresh faults and call counts; windows95: no atomic replace, as there.
    void restart(bool windows95 = false)
    {
        host_files_reset();
        host_set_replace_unsupported(windows95);
    }

    // Runs body with the atomic replace, then again with the renames that
    // stand in for it on Windows 95, each from fresh faults and counts.
    template <class Body> void each_replace(Body body)
    {
        for (bool windows95 : {false, true}) {
            SCOPED_TRACE(windows95 ? "replace by renames" : "atomic replace");
            restart(windows95);
            body(windows95);
        }
    }

    // No temporary file, no open handle and no buffer outlives a copy.
    void expect_nothing_left_over(const std::vector<std::string> &names)
    {
        EXPECT_EQ(dir.entries(), names);
        EXPECT_EQ(host_open_file_count(), 0);
        EXPECT_EQ(host_live_buffer_count(), 0);
    }
    // The same, where the folder holds the save, the backup and its
    // generations 1 to kept.
    void expect_nothing_left_over(unsigned kept)
    {
        std::vector<std::string> names = {"save", "save.sav"};
        for (unsigned n = 1; n <= kept; ++n)
            names.push_back("save.sav." + std::to_string(n));
        expect_nothing_left_over(names);
    }

    // The backup's generations: "save.sav.1", "save.sav.2"...
    std::string generation(unsigned n) const
    {
        return destination + "." + std::to_string(n);
    }

    // What the names hold, in the order given: a short text as it is, a
    // long one by its size and a hash, "-" where there is nothing.
    static std::vector<std::string> contents(const std::vector<std::string> &paths)
    {
        std::vector<std::string> held;
        for (const std::string &path : paths)
            held.push_back(file_exists(path) ? brief(read_file(path)) : "-");
        return held;
    }

    static std::string brief(const std::string &content)
    {
        if (content.size() <= 32)
            return content;
        return std::to_string(content.size()) + " bytes #" +
               std::to_string(std::hash<std::string>()(content) % 100000);
    }

    // The backup and its generations 1 to last, and what they hold.
    std::vector<std::string> row_paths(unsigned last) const
    {
        std::vector<std::string> paths = {destination};
        for (unsigned n = 1; n <= last; ++n)
            paths.push_back(generation(n));
        return paths;
    }
    Row row(unsigned last) const { return contents(row_paths(last)); }

    // Writes the save file, then the backup and its generations from the
    // row; a "-" removes whatever that name held.
    void put_row(const std::string &save, const Row &held)
    {
        write_file(source, save);
        const std::vector<std::string> paths = row_paths(held.size() - 1);
        for (size_t n = 0; n < held.size(); ++n)
            if (held[n] == "-")
                remove(paths[n].c_str());
            else
                write_file(paths[n], held[n]);
    }

    // Empties the folder, read-only files too.
    bool empty_dir() const
    {
        for (const std::string &name : dir.entries())
            if (chmod(dir.file(name).c_str(), 0644) != 0 || remove(dir.file(name).c_str()) != 0)
                return false;
        return true;
    }

    int copy() { return copy_save_file(source.c_str(), destination.c_str()); }

    int keeping_copy(const std::string &from, const std::string &to,
                     unsigned generations)
    {
        return copy_save_file_keeping(from.c_str(), to.c_str(),
                                      destination.c_str(), generations);
    }
};

class SaveCopySizes : public SaveCopy,
                      public ::testing::WithParamInterface<size_t> {};

TEST_P(SaveCopySizes, CopiesEveryByteInPiecesOf2048)
{
    const size_t size = GetParam();
    const std::string content = patterned_bytes(size, 1);
    // An older, longer backup must end up exactly as long as the source.
    put_row(content, {patterned_bytes(size + 5000, 2)});

    EXPECT_EQ(copy(), 1);

    EXPECT_EQ(read_file(destination), content);
    EXPECT_EQ(read_file(source), content);
    // One piece of each file tells them apart; then the copy's full
    // pieces, the rest if any, and the read that finds the end.
    EXPECT_EQ(host_call_count(HOST_READ), 2 + (int)((size + 2047) / 2048) + 1);
    expect_nothing_left_over(0);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SaveCopySizes,
                         ::testing::Values(0, 1, 2047, 2048, 2049, 3 * 2048,
                                           3 * 2048 + 777, 1 << 20));

// A missing destination is made; without a source, the destination stays.
TEST_F(SaveCopy, CreatesAMissingDestinationButNeedsTheSource)
{
    write_file(source, "new character");
    EXPECT_EQ(copy(), 1);
    EXPECT_EQ(read_file(destination), "new character");
    expect_nothing_left_over(0);

    ASSERT_EQ(remove(source.c_str()), 0);
    write_file(destination, "last good backup");
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over({"save.sav"});
}

// No folder, a plain file where the folder should be, or a path too long:
// the copy fails, the last refused before anything is read.
TEST_F(SaveCopy, ADestinationThatCannotTakeAFileFails)
{
    write_file(source, "character");
    const std::string missing = dir.file("no such folder/save.sav");
    EXPECT_EQ(copy_save_file(source.c_str(), missing.c_str()), 0);

    write_file(dir.file("folder"), "not a folder");
    const std::string under_file = dir.file("folder/save.sav");
    EXPECT_EQ(copy_save_file(source.c_str(), under_file.c_str()), 0);
    EXPECT_EQ(read_file(dir.file("folder")), "not a folder");
    expect_nothing_left_over({"folder", "save"});

    restart();
    const std::string long_name = dir.path + "/" + std::string(300, 'x');
    EXPECT_EQ(copy_save_file(source.c_str(), long_name.c_str()), 0);
    EXPECT_EQ(host_call_count(HOST_OPEN_READ), 0);
}

// One planted fault in a copy of a source of three full pieces and a part.
// The comparison comes first: it opens both files, takes a buffer, reads
// one piece of each (they differ at once) and closes both. Then the copy:
// its buffer is the second, its reads the third to the seventh (four with
// data, then the one that finds the end), and the first close after the
// comparison's two is the temporary file's.
struct PlantedFault {
    const char *name;
    host_op op;
    int nth;
    host_fault_kind kind;
    int only_windows95 = -1;  // 0 or 1: planted on that way of replacing only
};

void PrintTo(const PlantedFault &f, std::ostream *os) { *os << f.name; }

const PlantedFault planted_faults[] = {
    {"create_fails", HOST_CREATE, 1, HOST_FAULT_FAIL},
    {"alloc_fails", HOST_ALLOC, 2, HOST_FAULT_FAIL},
    {"first_read_fails", HOST_READ, 3, HOST_FAULT_FAIL},
    {"middle_read_fails", HOST_READ, 5, HOST_FAULT_FAIL},
    {"end_read_fails", HOST_READ, 7, HOST_FAULT_FAIL},
    {"first_write_fails", HOST_WRITE, 1, HOST_FAULT_FAIL},
    {"middle_write_fails", HOST_WRITE, 2, HOST_FAULT_FAIL},
    {"last_write_fails", HOST_WRITE, 4, HOST_FAULT_FAIL},
    {"first_write_short", HOST_WRITE, 1, HOST_FAULT_SHORT},
    {"middle_write_short", HOST_WRITE, 3, HOST_FAULT_SHORT},
    {"last_write_short", HOST_WRITE, 4, HOST_FAULT_SHORT},
    {"flush_fails", HOST_FLUSH, 1, HOST_FAULT_FAIL},
    // Closing the temporary file fails: its data may be lost.
    {"temp_close_fails", HOST_CLOSE, 3, HOST_FAULT_FAIL},
    {"replace_fails", HOST_REPLACE, 1, HOST_FAULT_FAIL, 0},
    // Without an atomic replace, the move of the new file into place fails,
    // after the two recoveries and the move aside.
    {"move_in_fails", HOST_RENAME, 4, HOST_FAULT_FAIL, 1},
};

class SaveCopyFaults : public SaveCopy,
                       public ::testing::WithParamInterface<PlantedFault> {};

TEST_P(SaveCopyFaults, FailedCopyKeepsTheOldDestinationWhole)
{
    const PlantedFault f = GetParam();
    const std::string old_backup = patterned_bytes(9000, 4);
    each_replace([&](bool windows95) {
        if (f.only_windows95 >= 0 && f.only_windows95 != (int)windows95)
            return;
        put_row(patterned_bytes(3 * 2048 + 100, 3), {old_backup});

        host_fail_call(f.op, f.nth, f.kind);
        EXPECT_EQ(copy(), 0);

        EXPECT_TRUE(host_fault_fired());
        EXPECT_EQ(read_file(destination), old_backup);
        expect_nothing_left_over(0);
    });
}

INSTANTIATE_TEST_SUITE_P(Faults, SaveCopyFaults, ::testing::ValuesIn(planted_faults),
                         [](const ::testing::TestParamInfo<PlantedFault> &info) {
                             return std::string(info.param.name);
                         });

// Fail call 1, 2, 3... of any kind until a copy runs with no fault firing.
// Whatever the result says must be true of the destination, and the next
// copy must clean up after it.
TEST_F(SaveCopy, EverySingleFaultLeavesOldOrNewAndRecovers)
{
    const std::string fresh = patterned_bytes(2 * 2048 + 9, 5);
    const std::string old_backup = patterned_bytes(4096, 6);
    each_replace([&](bool windows95) {
        bool fired = true;
        int n = 1;
        for (; fired && n < 100; ++n) {
            SCOPED_TRACE("failing call " + std::to_string(n));
            restart(windows95);
            put_row(fresh, {old_backup});

            host_fail_any_call(n);
            int result = copy();
            fired = host_fault_fired();
            EXPECT_EQ(read_file(destination), result ? fresh : old_backup);
            EXPECT_EQ(read_file(source), fresh);
            EXPECT_EQ(host_open_file_count(), 0);
            EXPECT_EQ(host_live_buffer_count(), 0);

            restart(windows95);
            EXPECT_EQ(copy(), 1);
            EXPECT_EQ(read_file(destination), fresh);
            expect_nothing_left_over(0);
        }
        EXPECT_FALSE(fired) << "faults kept firing";
        EXPECT_GT(n, 10);
    });
}

TEST_F(SaveCopy, ReplaceByRenamesPutsBackAnInterruptedOldFile)
{
    // An earlier replace stopped after moving the old backup aside: the
    // only copy of it sits in the aside file. A copy that then fails must
    // not lose it.
    put_row("fresh save", {"last good backup"});
    int moved_aside = 0;
    for (int n = 1; n < 40 && moved_aside == 0; ++n) {
        restart(true);
        host_crash_after_call(n);
        copy();
        if (!file_exists(destination))
            moved_aside = n;
    }
    ASSERT_FALSE(file_exists(destination)) << "crash point missed the gap";

    restart(true);
    host_fail_call(HOST_CREATE, 1);
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over(0);

    // Cut off again; this time putting the old file back fails. With no
    // destination beside it, the aside file is the only copy: it stays
    // until a new destination is whole.
    restart(true);
    host_crash_after_call(moved_aside);
    copy();
    ASSERT_FALSE(file_exists(destination));
    restart(true);
    host_fail_call(HOST_RENAME, 2);  // 1 looks beside the source
    EXPECT_EQ(copy(), 1);
    EXPECT_EQ(read_file(destination + ".o$$"), "last good backup");
    EXPECT_EQ(copy(), 1);
    EXPECT_EQ(read_file(destination), "fresh save");
    expect_nothing_left_over(0);
}

// A timer backup cut off between its two moves leaves the last good backup
// only under its aside name. A restore, the very thing a crash calls for,
// must find it there, beside its source.
TEST_F(SaveCopy, ARestoreAfterACutOffBackupFindsTheBackupAside)
{
    host_set_replace_unsupported(true);
    write_file(source, "damaged live save");
    write_file(destination + ".o$$", "last good backup");
    EXPECT_EQ(copy_save_file(destination.c_str(), source.c_str()), 1);
    EXPECT_EQ(read_file(source), "last good backup");
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over(0);

    // Cut off between its last two moves, a copy that keeps generations
    // left the last good backup as generation 1 and the new one beside it,
    // on either path.
    each_replace([&](bool) {
        put_row("damaged live save", {"-", "last good backup", "older backup"});
        write_file(destination + ".$$$", "the backup being made");
        EXPECT_EQ(keeping_copy(destination, source, 5), 1);
        EXPECT_EQ(contents({source}), Row({"last good backup"}));
        EXPECT_EQ(row(3), Row({"last good backup", "damaged live save", "older backup", "-"}));
        remove(destination.c_str());
        remove((destination + ".$$$").c_str());
    });

    // A backup the player removed is not made up from generation 1.
    EXPECT_EQ(keeping_copy(destination, source, 5), 0);
    EXPECT_EQ(contents({source, destination, generation(1)}),
              Row({"last good backup", "-", "damaged live save"}));
}

// Renaming a read-only file or a folder is allowed; replacing either is not.
// Without an atomic replace the copy must refuse as the atomic one does,
// leaving the destination as it was and nothing beside it.
TEST_F(SaveCopy, WithoutAtomicReplaceAReadOnlyOrFolderDestinationIsRefused)
{
    host_set_replace_unsupported(true);
    put_row("fresh save", {"protected backup"});
    ASSERT_EQ(chmod(destination.c_str(), 0444), 0);
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(read_file(destination), "protected backup");
    EXPECT_EQ(plat_file_kind_of(destination.c_str()), PLAT_KIND_READ_ONLY);
    expect_nothing_left_over(0);

    ASSERT_EQ(remove(destination.c_str()), 0);
    ASSERT_EQ(mkdir(destination.c_str(), 0755), 0);
    EXPECT_EQ(copy(), 0);
    EXPECT_EQ(plat_file_kind_of(destination.c_str()), PLAT_KIND_FOLDER);
    expect_nothing_left_over(0);
    rmdir(destination.c_str());
}

// An unchanged save: nothing is created, written, flushed, moved or
// deleted, and the backup keeps its time.
TEST_F(SaveCopy, AnUnchangedSaveIsNotWrittenAgain)
{
    const std::string save = patterned_bytes(3 * 2048 + 17, 9);
    each_replace([&](bool) {
        put_row(save, {save, "older backup", "-", "-"});
        struct stat before;
        ASSERT_EQ(stat(destination.c_str(), &before), 0);

        EXPECT_EQ(keeping_copy(source, destination, 5), 1);

        for (host_op op : {HOST_CREATE, HOST_WRITE, HOST_FLUSH, HOST_REPLACE})
            EXPECT_EQ(host_call_count(op), 0) << "operation " << op;
        struct stat after;
        ASSERT_EQ(stat(destination.c_str(), &after), 0);
        EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(read_file(generation(1)), "older backup");
        expect_nothing_left_over(1);

        // One byte more, or one byte changed at the very end, is a change.
        write_file(source, save + "x");
        EXPECT_EQ(keeping_copy(source, destination, 5), 1);
        EXPECT_EQ(brief(read_file(generation(1))), brief(save));
        std::string changed = save + "x";
        changed.back() = 'y';
        write_file(source, changed);
        EXPECT_EQ(keeping_copy(source, destination, 5), 1);
        EXPECT_EQ(row(3), Row({brief(changed), brief(save + "x"), brief(save), "older backup"}));
    });
}

// Each copy keeps what it replaces as generation 1; the older ones move
// down, and the oldest beyond the limit goes.
TEST_F(SaveCopy, GenerationsMoveDownAndTheOldestBeyondTheLimitGoes)
{
    each_replace([&](bool windows95) {
        for (unsigned limit : {0u, 1u, 2u, 5u}) {
            SCOPED_TRACE("limit " + std::to_string(limit));
            restart(windows95);
            ASSERT_TRUE(empty_dir());
            write_file(destination, "save 0");
            for (int n = 1; n <= 7; ++n) {
                write_file(source, "save " + std::to_string(n));
                EXPECT_EQ(keeping_copy(source, destination, limit), 1);
            }
            Row expected = {"save 7"};
            for (unsigned n = 1; n <= 9; ++n)
                expected.push_back(n <= limit ? "save " + std::to_string(7 - n) : "-");
            EXPECT_EQ(row(9), expected);
            expect_nothing_left_over(limit);
        }
    });
}

// The longest backup path a start request accepts is 255 characters; its
// 99th generation, 258, still fits the system's limit of 259.
TEST_F(SaveCopy, TheNinetyNinthGenerationOfTheLongestBackupPathFits)
{
    const std::string backup = dir.path + "/" + std::string(255 - dir.path.size() - 1, 'b');
    ASSERT_EQ(backup.size(), 255u);
    write_file(backup, "backup 0");
    for (unsigned n = 1; n <= 99; ++n)
        write_file(backup + "." + std::to_string(n), "backup " + std::to_string(n));
    write_file(source, "new");
    EXPECT_EQ(copy_save_file_keeping(source.c_str(), backup.c_str(), backup.c_str(), 99), 1);
    EXPECT_EQ(read_file(backup), "new");
    EXPECT_EQ(read_file(backup + ".1"), "backup 0");
    EXPECT_EQ(read_file(backup + ".99"), "backup 98");
    EXPECT_FALSE(file_exists(backup + ".100"));
    EXPECT_EQ(dir.entries().size(), 1u + 1u + 99u);
}

// A restore keeps the live save it replaces in the same row, so that a
// restore ticked by mistake can be undone from generation 1.
TEST_F(SaveCopy, ARestoreKeepsTheLiveSaveItReplaces)
{
    put_row("newer progress", {"last backup", "older backup"});
    EXPECT_EQ(keeping_copy(destination, source, 5), 1);
    EXPECT_EQ(read_file(source), "last backup");
    EXPECT_EQ(row(2), Row({"last backup", "newer progress", "older backup"}));
    // A second restore with nothing changed keeps nothing twice.
    EXPECT_EQ(keeping_copy(destination, source, 5), 1);
    expect_nothing_left_over(2);
}

// The row moves only as far as its first free place; a read-only file or a
// folder is never moved or replaced, and ends the row before it. Where not
// even generation 1 can take the old backup, the backup goes through all
// the same, without keeping it.
TEST_F(SaveCopy, AGenerationThatCannotBeKeptDoesNotStopTheBackup)
{
    each_replace([&](bool windows95) {
        put_row("new", {"b", "g1", "-", "g3"});  // generation 2 is missing
        EXPECT_EQ(keeping_copy(source, destination, 5), 1);
        EXPECT_EQ(row(4), Row({"new", "b", "g1", "g3", "-"}));

        // A read-only generation 3: generations 1 and 2 are all there is.
        ASSERT_EQ(chmod(generation(3).c_str(), 0444), 0);
        write_file(source, "newer");
        EXPECT_EQ(keeping_copy(source, destination, 5), 1);
        EXPECT_EQ(row(4), Row({"newer", "new", "b", "g3", "-"}));
        ASSERT_EQ(chmod(generation(3).c_str(), 0644), 0);

        // A folder in generation 1's place: nothing can be kept.
        remove(generation(1).c_str());
        ASSERT_EQ(mkdir(generation(1).c_str(), 0755), 0);
        write_file(source, "newest");
        EXPECT_EQ(keeping_copy(source, destination, 5), 1);
        EXPECT_EQ(read_file(destination), "newest");
        EXPECT_EQ(plat_file_kind_of(generation(1).c_str()), PLAT_KIND_FOLDER);
        EXPECT_EQ(contents({generation(2), generation(3)}), Row({"b", "g3"}));
        rmdir(generation(1).c_str());
        for (unsigned n = 2; n <= 3; ++n)
            remove(generation(n).c_str());
        expect_nothing_left_over(0);

        // A backup that cannot be moved (another program holds it open)
        // could not be replaced either: the copy fails, nothing is lost.
        restart(windows95);
        write_file(source, "newer still");
        host_fail_call(HOST_RENAME, 3);  // after the two looks for aside files
        EXPECT_EQ(keeping_copy(source, destination, 5), 0);
        EXPECT_TRUE(host_fault_fired());
        EXPECT_EQ(read_file(destination), "newest");
        expect_nothing_left_over(0);
    });
}

// A disk too full for the new backup: the oldest generations make room,
// as few as will do, but only where that lets the backup through.
TEST_F(SaveCopy, ADiskTooFullDropsTheOldestGenerationsOnlyWhereThatMakesRoom)
{
    const std::string fresh = patterned_bytes(5 * 2048, 10);
    const std::string k1 = patterned_bytes(3000, 11), k2 = patterned_bytes(3000, 12),
                      k3 = patterned_bytes(5000, 13), big = patterned_bytes(20000, 14);
    const std::string bob = save_description_header("Bob, L1 Human Warrior, at DL1");
    const std::string ann = save_description_header("Ann, L9 Human Warrior, at DL5") +
                            patterned_bytes(12000, 15);
    const std::string ann5 = save_description_header("Ann, L5 Human Warrior, at DL3"),
                      ann1 = save_description_header("Ann, L1 Human Warrior, at DL1") + big,
                      ann6 = save_description_header("Ann, L6 Human Warrior, at DL4");
    struct Room {
        const char *what;
        host_op op;
        int nth;
        host_fault_kind kind;
        Row before;
        int result;
        Row left;  // the backup and generations 1 to 3 afterwards
        bool restore = false;  // generation 3 over the save, not the save kept
    };
    const Room rooms[] = {
        // 10240 bytes short: all three generations (11000) must go. 7168
        // short (a piece and a half went in): the oldest two (8000) do.
        {"no room at all", HOST_WRITE, 1, HOST_FAULT_FAIL, {"b", k1, k2, k3}, 1,
         {brief(fresh), "b", "-", "-"}},
        {"room for a piece and a half", HOST_WRITE, 2, HOST_FAULT_SHORT, {"b", k1, k2, k3}, 1,
         {brief(fresh), "b", brief(k1), "-"}},
        // 10240 bytes short, and the generations hold 1 byte: they could not
        // make the room, so they stay, and the copy fails.
        {"too little to drop", HOST_WRITE, 1, HOST_FAULT_FAIL, {"b", "g"}, 0, {"b", "g", "-", "-"}},
        {"too little, and the flush fails", HOST_FLUSH, 1, HOST_FAULT_FAIL, {"b", "g"}, 0,
         {"b", "g", "-", "-"}},
        // A failure to read the source is no sign of a full disk.
        {"a read fails", HOST_READ, 4, HOST_FAULT_FAIL, {"b", "g", big}, 0,
         {"b", "g", brief(big), "-"}},
        // The last state of an earlier life is no room to be had, even
        // where it alone would make enough: it stays, and the copy fails.
        {"an earlier life", HOST_WRITE, 1, HOST_FAULT_FAIL, {bob, ann}, 0,
         {brief(bob), brief(ann), "-", "-"}},
        // Nor is the state that alone tells that Ann's L5 ended a life.
        {"what tells an earlier life", HOST_WRITE, 1, HOST_FAULT_FAIL, {"b", ann6, ann1, ann5}, 0,
         {"b", brief(ann6), brief(ann1), brief(ann5)}},
        // A restore's own source is no room either.
        {"restoring the oldest", HOST_WRITE, 1, HOST_FAULT_FAIL, {"b", k1, k2, big}, 0,
         {"b", brief(k1), brief(k2), brief(big)}, true},
    };
    each_replace([&](bool windows95) {
        for (const Room &room : rooms) {
            SCOPED_TRACE(room.what);
            restart(windows95);
            ASSERT_TRUE(empty_dir());
            put_row(fresh, room.before);
            host_fail_call(room.op, room.nth, room.kind);
            EXPECT_EQ(room.restore ? keeping_copy(generation(3), source, 3)
                                   : keeping_copy(source, destination, 3), room.result);
            EXPECT_TRUE(host_fault_fired());
            EXPECT_EQ(read_file(source), fresh);
            EXPECT_EQ(row(3), room.left);
            expect_nothing_left_over(3 - std::count(room.left.begin(), room.left.end(), "-"));
        }
    });
}

// The simulation itself must lose what was not flushed, or the power cuts
// below could not tell a copy that forgets its flush from one that does not.
TEST_F(SaveCopy, PowerCutLosesWhatWasNotFlushed)
{
    for (bool flush : {true, false}) {
        plat_file f = plat_file_create(dir.file(flush ? "flushed" : "unflushed").c_str());
        ASSERT_NE(f, PLAT_NO_FILE);
        EXPECT_EQ(plat_file_write(f, flush ? "kept" : "lost", 4), 4);
        if (flush)
            EXPECT_EQ(plat_file_flush(f), 1);
        EXPECT_EQ(plat_file_close(f), 1);
    }
    EXPECT_EQ(plat_file_rename(dir.file("unflushed").c_str(), destination.c_str()), 1);

    host_crash_after_call(host_total_call_count());
    EXPECT_EQ(plat_file_delete(source.c_str()), 0);  // the cut fires here
    EXPECT_EQ(read_file(dir.file("flushed")), "kept");
    EXPECT_EQ(read_file(destination), "");
}

// Power cuts: the copy is stopped dead after each platform call it makes, and
// whatever was written but not flushed is lost, as after a real power cut.
struct CrashCase {
    bool restore;         // backup over live save, rather than live over backup
    bool windows95;       // no atomic replace
    size_t size;
    unsigned generations; // the limit of kept saves
    unsigned kept;        // kept saves there before the copy
};

class SaveCopyCrash : public SaveCopy,
                      public ::testing::WithParamInterface<CrashCase> {};

// Every name of the row (the copy's destination, then generations 1 to
// the limit and one beyond) holds its old whole save or its new one, or,
// for the one name a move has just left, nothing; the next copy then ends
// with the row the uncut copy would have left, and nothing else.
TEST_P(SaveCopyCrash, EveryNameIsOldOrNewAfterEveryCutAndTheNextCopyHeals)
{
    const CrashCase c = GetParam();
    const std::string from = c.restore ? destination : source;
    const std::string to = c.restore ? source : destination;
    const std::string fresh = patterned_bytes(c.size, 7);
    const std::string old = patterned_bytes(c.size / 2 + 3000, 8);
    const std::string aside = to + ".o$$";

    std::vector<std::string> names = {to};
    Row before = {brief(old)}, after = {brief(fresh)};
    Row backup_row = {c.restore ? fresh : old};  // whole, as put_row writes it
    for (unsigned n = 1; n <= c.generations + 1; ++n) {
        names.push_back(generation(n));
        backup_row.push_back(n <= c.kept ? patterned_bytes(900 + n, 20 + n) : "-");
        before.push_back(n <= c.kept ? brief(backup_row[n]) : "-");
        after.push_back(n > c.generations ? "-" : n == 1 ? brief(old) : before[n - 1]);
    }

    bool cut = true;
    int n = 1;
    for (; cut && n < 100; ++n) {
        SCOPED_TRACE("power cut after call " + std::to_string(n));
        restart(c.windows95);
        put_row(c.restore ? old : fresh, backup_row);
        host_crash_after_call(n);
        keeping_copy(from, to, c.generations);
        cut = host_fault_fired();

        // The power is back.
        restart(c.windows95);
        Row now = contents(names);
        int left_empty = 0;
        for (size_t i = 0; i < names.size(); ++i) {
            if (now[i] == "-" && before[i] != "-" && after[i] != "-")
                ++left_empty;
            else
                EXPECT_TRUE(now[i] == before[i] || now[i] == after[i])
                    << names[i] << " holds " << now[i];
        }
        EXPECT_LE(left_empty, 1);
        if (now[0] == "-") {
            // Between the last two moves the old save waits under its next
            // name: generation 1, or without generations the aside name,
            // which only the renames of Windows 95 use.
            const std::string &waits = c.generations > 0 ? generation(1) : aside;
            EXPECT_TRUE(c.generations > 0 || c.windows95);
            EXPECT_EQ(brief(read_file(waits)), brief(old));
        }
        EXPECT_EQ(brief(read_file(from)), brief(fresh));

        EXPECT_EQ(keeping_copy(from, to, c.generations), 1);
        EXPECT_EQ(contents(names), after);
        expect_nothing_left_over(std::min(c.generations, c.kept + 1));
    }
    EXPECT_FALSE(cut) << "the copy never ran to its end";
}

std::vector<CrashCase> crash_cases()
{
    std::vector<CrashCase> cases;
    for (bool restore : {false, true})
        for (bool windows95 : {false, true}) {
            for (size_t size : {0, 100, 2048, 2 * 2048, 3 * 2048 + 5})
                cases.push_back({restore, windows95, size, 0, 0});
            // A row with room left, and a full one whose oldest goes.
            for (size_t size : {0, 2 * 2048 + 5})
                for (unsigned kept : {1u, 3u})
                    cases.push_back({restore, windows95, size, 3, kept});
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    PowerCuts, SaveCopyCrash, ::testing::ValuesIn(crash_cases()),
    [](const ::testing::TestParamInfo<CrashCase> &info) {
        const CrashCase &c = info.param;
        std::string name = std::string(c.restore ? "restore" : "backup") +
                           (c.windows95 ? "_renames_" : "_atomic_") +
                           std::to_string(c.size);
        if (c.generations > 0)
            name += "_keeping_" + std::to_string(c.kept) + "_of_" +
                    std::to_string(c.generations);
        return name;
    });

// The row a keep leaves, over real files: which state starts a new life,
// which file goes, and a state the row holds already moved, not copied. A
// state is a tag: a name (A "Ann", B "Bob", C "Ann, the Bold"), a level or
// "d" for dead, "r" for another race and class; "x..." has no description,
// "R..." is read-only. The row is ".sav" first, "-" for none.
std::string state_bytes(const std::string &tag)
{
    const std::string name = tag[0] == 'A' ? "Ann, " : tag[0] == 'B' ? "Bob, " : "Ann, the Bold, ";
    const std::string race = tag.back() == 'r' ? " Dwarf Priest" : " Human Warrior";
    if (tag[0] == 'x' || tag[0] == 'R')
        return "#" + tag;
    return save_description_header(name + (tag[1] == 'd' ? "dead (a kobold)"
                                           : "L" + tag.substr(1, tag.find('r') - 1) + race + ", at DL3")) +
           "#" + tag;
}

// The tag a file ends in; "?" for a part-written one.
std::string tag_of(const std::string &path)
{
    const std::string bytes = read_file(path);
    return bytes.rfind('#') == std::string::npos ? "?" : bytes.substr(bytes.rfind('#') + 1);
}

struct RowCase {
    const char *what;
    unsigned generations;
    std::string live;  // the save file's state
    int restore;       // -1: back the save file up; else restore that place
    std::vector<std::string> before, after;
};

const RowCase row_cases[] = {
    {"one life rotates", 2, "A4", -1, {"A3", "A2", "A1"}, {"A4", "A3", "A2"}},
    {"after a death, the last living state stays", 2, "B2", -1, {"B1", "Ad", "A5"}, {"B2", "B1", "Ad", "A5"}},
    {"a lower level under the same name", 2, "A2", -1, {"A1", "Ad", "A5"}, {"A2", "A1", "Ad", "A5"}},
    {"another race and class", 1, "A6r", -1, {"A5", "A4"}, {"A6r", "A5"}},
    {"a comma in the name", 2, "C3", -1, {"C2", "C1", "A9"}, {"C3", "C2", "C1", "A9"}},
    {"the same life, a comma in the name", 2, "C4", -1, {"C3", "C2", "C1"}, {"C4", "C3", "C2"}},
    {"older earlier lives move down", 2, "C3", -1, {"C2", "C1", "B3", "A7"}, {"C3", "C2", "C1", "B3", "A7"}},
    {"dead and undescribed passed over", 2, "B1", -1, {"x1", "Ad", "A5"}, {"B1", "x1", "Ad", "A5"}},
    {"a living state after them, same life", 2, "A6", -1, {"x1", "Ad", "A5"}, {"A6", "x1", "Ad"}},
    {"the oldest earlier life goes at the end", 1, "B2", -1, {"B1", "A5", "A3", "R1"}, {"B2", "B1", "A5", "R1"}},
    {"held further down: moved to the front", 3, "A2", -1, {"A4", "A3", "A2", "A1"}, {"A2", "A4", "A3", "A1"}},
    {"held as an earlier life: moved to the front", 2, "A5", -1, {"B2", "B1", "x1", "A5"}, {"A5", "B2", "B1", "-"}},
    {"none kept", 0, "A2", -1, {"A1", "A0"}, {"A2", "A0"}},
    {"a restore keeps the save it replaces", 3, "A5", 2, {"A4", "A3", "A2"}, {"A4", "A5", "A3", "A2"}},
    {"a restore of a save the backup holds", 3, "A4", 2, {"A4", "A3", "A2"}, {"A4", "A3", "A2"}},
    {"a restore moves a held save up", 3, "A2", 0, {"A4", "A3", "A2"}, {"A4", "A2", "A3"}},
    {"a restore keeps an earlier life", 1, "B3", 0, {"B1", "A5"}, {"B1", "B3", "A5"}},
};

// Each case is cut off by a power cut after each call in turn, then runs
// whole: no state the row is to keep is lost on the way, and the next
// backup finishes the work.
TEST_F(SaveCopy, TheRowKeepsEveryEarlierLifeAndNoStateTwice)
{
    for (const RowCase &c : row_cases)
        for (int cut = 1;; ++cut) {
            SCOPED_TRACE(std::string(c.what) + ", power cut after call " + std::to_string(cut));
            restart();
            ASSERT_TRUE(empty_dir());
            const std::vector<std::string> names = row_paths(c.after.size() - 1);
            write_file(source, state_bytes(c.live));
            for (size_t n = 0; n < c.before.size(); ++n)
                if (c.before[n] != "-")
                    write_file(names[n], state_bytes(c.before[n]));
            if (c.before.back()[0] == 'R')
                ASSERT_EQ(chmod(names[c.before.size() - 1].c_str(), 0444), 0);
            const std::string from = c.restore < 0 ? source : names[c.restore];
            const std::string to = c.restore < 0 ? destination : source, restored = read_file(from);
            host_crash_after_call(cut);
            const int done = keeping_copy(from, to, c.generations);
            const bool was_cut = host_fault_fired();
            restart();
            std::string found;
            for (const std::string &name : dir.entries())
                found += "#" + tag_of(dir.file(name)) + " ";
            for (const std::string &tag : c.after)
                EXPECT_TRUE(tag == "-" || found.find("#" + tag + " ") != std::string::npos) << tag << " lost";
            if (was_cut && c.restore >= 0)
                continue;  // the player restores again from what the list then shows
            EXPECT_EQ(was_cut ? keeping_copy(from, to, c.generations) : done, 1);
            Row held;
            for (const std::string &path : names)
                held.push_back(file_exists(path) ? tag_of(path) : "-");
            EXPECT_EQ(held, c.after);
            EXPECT_EQ(dir.entries().size(), 1 + c.after.size() - std::count(c.after.begin(), c.after.end(), "-"));
            if (!was_cut) {
                EXPECT_EQ(read_file(source), c.restore < 0 ? state_bytes(c.live) : restored);
                break;
            }
        }
}

}  // namespace
