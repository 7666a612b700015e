// The save-file copy over real files, with faults planted in the platform
// calls it makes.
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "core/save_copy.h"
#include "platform/platform.h"
#include "host_files.h"
#include "scratch_dir.h"

namespace {

class SaveCopy : public ::testing::Test {
protected:
    ScratchDir dir;
    std::string source = dir.file("save");
    std::string destination = dir.file("save.sav");

    void SetUp() override
    {
        host_files_reset();
        host_set_replace_unsupported(false);
    }

    // No temporary file, no open handle and no buffer outlives a copy.
    void expect_nothing_left_over(const std::vector<std::string> &names)
    {
        EXPECT_EQ(dir.entries(), names);
        EXPECT_EQ(host_open_file_count(), 0);
        EXPECT_EQ(host_live_buffer_count(), 0);
    }
};

class SaveCopySizes : public SaveCopy,
                      public ::testing::WithParamInterface<size_t> {};

TEST_P(SaveCopySizes, CopiesEveryByteInPiecesOf2048)
{
    const size_t size = GetParam();
    const std::string content = patterned_bytes(size, 1);
    write_file(source, content);
    // An older, longer backup must end up exactly as long as the source.
    write_file(destination, patterned_bytes(size + 5000, 2));

    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 1);

    EXPECT_EQ(read_file(destination), content);
    EXPECT_EQ(read_file(source), content);
    // Full pieces, the rest if any, then the read that finds the end.
    EXPECT_EQ(host_call_count(HOST_READ), (int)((size + 2047) / 2048) + 1);
    expect_nothing_left_over({"save", "save.sav"});
}

INSTANTIATE_TEST_SUITE_P(Sizes, SaveCopySizes,
                         ::testing::Values(0, 1, 2047, 2048, 2049, 3 * 2048,
                                           3 * 2048 + 777, 1 << 20));

TEST_F(SaveCopy, CreatesAMissingDestination)
{
    write_file(source, "new character");
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 1);
    EXPECT_EQ(read_file(destination), "new character");
    expect_nothing_left_over({"save", "save.sav"});
}

TEST_F(SaveCopy, MissingSourceLeavesTheDestinationAlone)
{
    write_file(destination, "last good backup");
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over({"save.sav"});
}

TEST_F(SaveCopy, DestinationFolderThatCannotTakeAFileFails)
{
    write_file(source, "character");
    const std::string missing = dir.file("no such folder/save.sav");
    EXPECT_EQ(copy_save_file(source.c_str(), missing.c_str()), 0);

    // A plain file where the folder should be.
    write_file(dir.file("folder"), "not a folder");
    const std::string under_file = dir.file("folder/save.sav");
    EXPECT_EQ(copy_save_file(source.c_str(), under_file.c_str()), 0);
    EXPECT_EQ(read_file(dir.file("folder")), "not a folder");
    expect_nothing_left_over({"folder", "save"});
}

TEST_F(SaveCopy, OverlongDestinationIsRefusedUntouched)
{
    write_file(source, "character");
    const std::string long_name = dir.path + "/" + std::string(300, 'x');
    EXPECT_EQ(copy_save_file(source.c_str(), long_name.c_str()), 0);
    EXPECT_EQ(host_call_count(HOST_OPEN_READ), 0);
}

// One planted fault in a copy of a source of three full pieces and a part
// (four reads with data, then the read that finds the end).
struct PlantedFault {
    const char *name;
    host_op op;
    int nth;
    host_fault_kind kind;
};

void PrintTo(const PlantedFault &f, std::ostream *os) { *os << f.name; }

class SaveCopyFaults : public SaveCopy,
                       public ::testing::WithParamInterface<PlantedFault> {};

TEST_P(SaveCopyFaults, FailedCopyKeepsTheOldDestinationWhole)
{
    const PlantedFault f = GetParam();
    for (bool windows95 : {false, true}) {
        SCOPED_TRACE(windows95 ? "replace by renames" : "atomic replace");
        SetUp();
        host_set_replace_unsupported(windows95);
        write_file(source, patterned_bytes(3 * 2048 + 100, 3));
        const std::string old_backup = patterned_bytes(9000, 4);
        write_file(destination, old_backup);

        host_fail_call(f.op, f.nth, f.kind);
        EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);

        EXPECT_TRUE(host_fault_fired());
        EXPECT_EQ(read_file(destination), old_backup);
        expect_nothing_left_over({"save", "save.sav"});
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, SaveCopyFaults,
    ::testing::Values(
        PlantedFault{"create_fails", HOST_CREATE, 1, HOST_FAULT_FAIL},
        PlantedFault{"alloc_fails", HOST_ALLOC, 1, HOST_FAULT_FAIL},
        PlantedFault{"first_read_fails", HOST_READ, 1, HOST_FAULT_FAIL},
        PlantedFault{"middle_read_fails", HOST_READ, 3, HOST_FAULT_FAIL},
        PlantedFault{"end_read_fails", HOST_READ, 5, HOST_FAULT_FAIL},
        PlantedFault{"first_write_fails", HOST_WRITE, 1, HOST_FAULT_FAIL},
        PlantedFault{"middle_write_fails", HOST_WRITE, 2, HOST_FAULT_FAIL},
        PlantedFault{"last_write_fails", HOST_WRITE, 4, HOST_FAULT_FAIL},
        PlantedFault{"first_write_short", HOST_WRITE, 1, HOST_FAULT_SHORT},
        PlantedFault{"middle_write_short", HOST_WRITE, 3, HOST_FAULT_SHORT},
        PlantedFault{"last_write_short", HOST_WRITE, 4, HOST_FAULT_SHORT},
        PlantedFault{"flush_fails", HOST_FLUSH, 1, HOST_FAULT_FAIL},
        // The first close is the temporary file's: its data may be lost.
        PlantedFault{"temp_close_fails", HOST_CLOSE, 1, HOST_FAULT_FAIL}),
    [](const ::testing::TestParamInfo<PlantedFault> &info) {
        return std::string(info.param.name);
    });

TEST_F(SaveCopy, FailedReplaceKeepsTheOldDestination)
{
    write_file(source, "fresh save");
    write_file(destination, "last good backup");
    host_fail_call(HOST_REPLACE, 1);
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over({"save", "save.sav"});

    // Without an atomic replace, the move of the new file into place fails.
    SetUp();
    host_set_replace_unsupported(true);
    host_fail_call(HOST_RENAME, 4);  // after the two recoveries and the move aside
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_TRUE(host_fault_fired());
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over({"save", "save.sav"});
}

// Fail call 1, 2, 3... of any kind until a copy runs with no fault firing.
// Whatever the result says must be true of the destination, and the next
// copy must clean up after it.
TEST_F(SaveCopy, EverySingleFaultLeavesOldOrNewAndRecovers)
{
    for (bool windows95 : {false, true}) {
        SCOPED_TRACE(windows95 ? "replace by renames" : "atomic replace");
        const std::string fresh = patterned_bytes(2 * 2048 + 9, 5);
        const std::string old_backup = patterned_bytes(4096, 6);
        bool fired = true;
        int n = 1;
        for (; fired && n < 100; ++n) {
            SCOPED_TRACE("failing call " + std::to_string(n));
            SetUp();
            host_set_replace_unsupported(windows95);
            write_file(source, fresh);
            write_file(destination, old_backup);

            host_fail_any_call(n);
            int result = copy_save_file(source.c_str(), destination.c_str());
            fired = host_fault_fired();
            EXPECT_EQ(read_file(destination), result ? fresh : old_backup);
            EXPECT_EQ(read_file(source), fresh);
            EXPECT_EQ(host_open_file_count(), 0);
            EXPECT_EQ(host_live_buffer_count(), 0);

            SetUp();
            host_set_replace_unsupported(windows95);
            EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 1);
            EXPECT_EQ(read_file(destination), fresh);
            expect_nothing_left_over({"save", "save.sav"});
        }
        EXPECT_FALSE(fired) << "faults kept firing";
        EXPECT_GT(n, 10);
    }
}

TEST_F(SaveCopy, ReplaceByRenamesPutsBackAnInterruptedOldFile)
{
    // An earlier replace stopped after moving the old backup aside: the
    // only copy of it sits in the aside file. A copy that then fails must
    // not lose it.
    host_set_replace_unsupported(true);
    write_file(source, "fresh save");
    write_file(destination, "last good backup");
    int moved_aside = 0;
    for (int n = 1; n < 40 && moved_aside == 0; ++n) {
        SetUp();
        host_set_replace_unsupported(true);
        host_crash_after_call(n);
        copy_save_file(source.c_str(), destination.c_str());
        if (!file_exists(destination))
            moved_aside = n;
    }
    ASSERT_FALSE(file_exists(destination)) << "crash point missed the gap";

    SetUp();
    host_set_replace_unsupported(true);
    host_fail_call(HOST_CREATE, 1);
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(read_file(destination), "last good backup");
    expect_nothing_left_over({"save", "save.sav"});

    // Cut off again; this time putting the old file back fails. With no
    // destination beside it, the aside file is the only copy: it stays
    // until a new destination is whole.
    SetUp();
    host_set_replace_unsupported(true);
    host_crash_after_call(moved_aside);
    copy_save_file(source.c_str(), destination.c_str());
    ASSERT_FALSE(file_exists(destination));
    SetUp();
    host_set_replace_unsupported(true);
    host_fail_call(HOST_RENAME, 2);  // 1 looks beside the source
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 1);
    EXPECT_EQ(read_file(destination + ".o$$"), "last good backup");
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 1);
    EXPECT_EQ(read_file(destination), "fresh save");
    expect_nothing_left_over({"save", "save.sav"});
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
    expect_nothing_left_over({"save", "save.sav"});
}

// Renaming a read-only file or a folder is allowed; replacing either is not.
// Without an atomic replace the copy must refuse as the atomic one does,
// leaving the destination as it was and nothing beside it.
TEST_F(SaveCopy, WithoutAtomicReplaceAReadOnlyOrFolderDestinationIsRefused)
{
    host_set_replace_unsupported(true);
    write_file(source, "fresh save");
    write_file(destination, "protected backup");
    ASSERT_EQ(chmod(destination.c_str(), 0444), 0);
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(read_file(destination), "protected backup");
    EXPECT_EQ(plat_file_kind_of(destination.c_str()), PLAT_KIND_READ_ONLY);
    expect_nothing_left_over({"save", "save.sav"});

    ASSERT_EQ(remove(destination.c_str()), 0);
    ASSERT_EQ(mkdir(destination.c_str(), 0755), 0);
    EXPECT_EQ(copy_save_file(source.c_str(), destination.c_str()), 0);
    EXPECT_EQ(plat_file_kind_of(destination.c_str()), PLAT_KIND_FOLDER);
    expect_nothing_left_over({"save", "save.sav"});
    rmdir(destination.c_str());
}

}  // namespace

// Power cuts: the copy is stopped dead after each platform call it makes, and
// whatever was written but not flushed is lost, as after a real power cut.
namespace {

struct CrashCase {
    bool restore;     // backup over live save, rather than live over backup
    bool windows95;   // no atomic replace
    size_t size;
};

class SaveCopyCrash : public SaveCopy,
                      public ::testing::WithParamInterface<CrashCase> {
protected:
    void SetUpFor(const CrashCase &c)
    {
        SetUp();
        host_set_replace_unsupported(c.windows95);
    }
};

TEST_P(SaveCopyCrash, DestinationIsOldOrNewAfterEveryCutAndTheNextCopyHeals)
{
    const CrashCase c = GetParam();
    const std::string from = c.restore ? destination : source;
    const std::string to = c.restore ? source : destination;
    const std::string fresh = patterned_bytes(c.size, 7);
    const std::string old = patterned_bytes(c.size / 2 + 3000, 8);
    const std::string aside = to + ".o$$";

    bool cut = true;
    int n = 1;
    for (; cut && n < 100; ++n) {
        SCOPED_TRACE("power cut after call " + std::to_string(n));
        SetUpFor(c);
        write_file(from, fresh);
        write_file(to, old);
        host_crash_after_call(n);
        copy_save_file(from.c_str(), to.c_str());
        cut = host_fault_fired();

        // The power is back.
        SetUpFor(c);
        if (file_exists(to)) {
            const std::string now = read_file(to);
            EXPECT_TRUE(now == old || now == fresh)
                << "destination holds " << now.size() << " bytes";
        } else {
            // Only without an atomic replace, between its two moves: the
            // old file waits under its aside name for the next copy.
            EXPECT_TRUE(c.windows95);
            EXPECT_EQ(read_file(aside), old);
        }
        EXPECT_EQ(read_file(from), fresh);

        EXPECT_EQ(copy_save_file(from.c_str(), to.c_str()), 1);
        EXPECT_EQ(read_file(to), fresh);
        expect_nothing_left_over({"save", "save.sav"});
    }
    EXPECT_FALSE(cut) << "the copy never ran to its end";
}

std::vector<CrashCase> crash_cases()
{
    std::vector<CrashCase> cases;
    for (bool restore : {false, true})
        for (bool windows95 : {false, true})
            for (size_t size : {0, 100, 2048, 2 * 2048, 3 * 2048 + 5})
                cases.push_back({restore, windows95, size});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(
    PowerCuts, SaveCopyCrash, ::testing::ValuesIn(crash_cases()),
    [](const ::testing::TestParamInfo<CrashCase> &info) {
        return std::string(info.param.restore ? "restore" : "backup") +
               (info.param.windows95 ? "_renames_" : "_atomic_") +
               std::to_string(info.param.size);
    });

// The simulation itself must lose what was not flushed, or the cases above
// could not tell a copy that forgets its flush from one that does not.
TEST_F(SaveCopy, PowerCutLosesWhatWasNotFlushed)
{
    const std::string flushed = dir.file("flushed");
    const std::string unflushed = dir.file("unflushed");
    plat_file f = plat_file_create(flushed.c_str());
    ASSERT_NE(f, PLAT_NO_FILE);
    EXPECT_EQ(plat_file_write(f, "kept", 4), 4);
    EXPECT_EQ(plat_file_flush(f), 1);
    EXPECT_EQ(plat_file_close(f), 1);
    plat_file g = plat_file_create(unflushed.c_str());
    ASSERT_NE(g, PLAT_NO_FILE);
    EXPECT_EQ(plat_file_write(g, "lost", 4), 4);
    EXPECT_EQ(plat_file_close(g), 1);
    EXPECT_EQ(plat_file_rename(unflushed.c_str(), destination.c_str()), 1);

    host_crash_after_call(host_total_call_count());
    EXPECT_EQ(plat_file_delete(source.c_str()), 0);  // the cut fires here
    EXPECT_EQ(read_file(flushed), "kept");
    EXPECT_EQ(read_file(destination), "");
}

}  // namespace
