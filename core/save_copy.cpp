#include "core/save_copy.h"

#include "common/text.h"
#include "core/settings.h"
#include "platform/platform.h"

// The copy never writes into the destination itself. It fills a temporary
// file beside it, flushes that, and only once every byte has been read and
// written does the temporary file take the destination's place. Whatever
// fails on the way, the destination keeps its old content, so neither the
// live save file nor the last good backup can be lost to a failed copy.
//
// The destination's old content is kept too, as the newest of the backup's
// generations: "<backup>.1", then ".2" and so on, older each. Generations
// move by renames alone, each into a free name, so at every moment every
// name holds its old whole save, its new whole save, or (the one name a
// move has just left) nothing; a copy cut off part of the way is finished
// by the next one.

namespace {

const unsigned piece_size = 2048;

// Suffixes of the two working files beside the destination. The game names
// save files with letters, digits and underscores, and our backups end in
// ".sav", so a name ending in "$" is never another character's save file.
// Both are four characters, so a 255-character destination still gives a
// path that fits the system's limit of 259; so does a backup path of 255
// with a generation number of up to two digits.
const char temp_suffix[] = ".$$$";
const char aside_suffix[] = ".o$$";

typedef char work_path[PATH_WIDTH + sizeof temp_suffix];

int suffixed(const char *path, const char *suffix, work_path out)
{
    return text_format(out, sizeof(work_path), "%s%s", path, suffix) ? 1 : 0;
}

int generation_path(const char *backup, unsigned n, work_path out)
{
    return text_format(out, sizeof(work_path), "%s.%u", backup, n) ? 1 : 0;
}

bool is_file(const char *path)
{
    enum plat_file_kind kind = plat_file_kind_of(path);
    return kind == PLAT_KIND_FILE || kind == PLAT_KIND_READ_ONLY;
}

// ---- an unchanged save is not copied ----------------------------------------

bool same_bytes(const char *a, const char *b, long count)
{
    for (long i = 0; i < count; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

int same_pieces(plat_file a, plat_file b, char *buffer)
{
    for (;;) {
        long got_a = plat_file_read(a, buffer, piece_size);
        long got_b = plat_file_read(b, buffer + piece_size, piece_size);
        if (got_a < 0 || got_a != got_b ||
            !same_bytes(buffer, buffer + piece_size, got_a))
            return 0;
        if (got_a == 0)
            return 1;
    }
}

// 1 when both files, read to their end, hold the same bytes. Whatever
// cannot be read counts as different: the copy then goes ahead and finds
// out for itself.
int same_content(const char *source, const char *destination)
{
    plat_file a = plat_file_open_read(source);
    if (a == PLAT_NO_FILE)
        return 0;
    int same = 0;
    plat_file b = plat_file_open_read(destination);
    if (b != PLAT_NO_FILE) {
        char *buffer = static_cast<char *>(plat_buffer_alloc(2 * piece_size));
        if (buffer != nullptr) {
            same = same_pieces(a, b, buffer);
            plat_buffer_free(buffer);
        }
        plat_file_close(b);
    }
    plat_file_close(a);
    return same;
}

// ---- the new content, whole, beside the destination ---------------------------

enum temp_result {
    TEMP_WHOLE,    // every byte is in the temporary file, and on the disk
    TEMP_NO_ROOM,  // a write took fewer bytes than it was given: a full disk
    TEMP_FAILED    // anything else: the source could not be read, no file
                   // was made, or the flush or close failed
};

enum temp_result copy_pieces(plat_file in, plat_file out, void *buffer,
                             uint32_t *written)
{
    for (;;) {
        long got = plat_file_read(in, buffer, piece_size);
        if (got < 0)
            return TEMP_FAILED;
        if (got == 0)
            return TEMP_WHOLE;
        long put = plat_file_write(out, buffer, (unsigned)got);
        if (put > 0)
            *written += (uint32_t)put;
        if (put != got)
            return TEMP_NO_ROOM;
    }
}

// Copies the whole source into a new file at temp and makes sure it reached
// the disk; *written tells how much the disk took. On anything but
// TEMP_WHOLE the caller removes temp.
enum temp_result copy_to_temp(const char *source, const char *temp,
                              uint32_t *written)
{
    *written = 0;
    plat_file in = plat_file_open_read(source);
    if (in == PLAT_NO_FILE)
        return TEMP_FAILED;
    enum temp_result result = TEMP_FAILED;
    plat_file out = plat_file_create(temp);
    if (out != PLAT_NO_FILE) {
        void *buffer = plat_buffer_alloc(piece_size);
        if (buffer != nullptr)
            result = copy_pieces(in, out, buffer, written);
        if (result == TEMP_WHOLE && !plat_file_flush(out))
            result = TEMP_FAILED;
        if (buffer != nullptr)
            plat_buffer_free(buffer);
        if (!plat_file_close(out) && result == TEMP_WHOLE)
            result = TEMP_FAILED;
    }
    plat_file_close(in);  // nothing was written through it
    return result;
}

uint32_t size_of(const char *path)
{
    struct plat_stamp stamp;
    if (!plat_file_stamp_of(path, &stamp))
        return 0;
    return stamp.size_high != 0 ? 0xFFFFFFFFu : stamp.size_low;
}

// The disk took written bytes of the source and no more. Drops the oldest
// kept saves, as many as give back the rest, but none when all of them
// together would not: a generation goes only to let the newest backup
// through. 1 when some went. (Windows finds a full disk at the write; a
// failed flush says nothing of room, and costs no generation.)
int drop_generations_for_room(const char *backup, unsigned generations,
                              const char *source, uint32_t written)
{
    uint32_t size = size_of(source);
    if (size <= written)
        return 0;
    uint32_t needed = size - written;
    uint32_t freed = 0;
    unsigned oldest_kept = generations + 1;
    work_path path;
    for (unsigned n = generations; n >= 1 && freed < needed; --n) {
        if (!generation_path(backup, n, path) ||
            plat_file_kind_of(path) != PLAT_KIND_FILE)
            continue;
        uint32_t more = size_of(path);
        freed = more > 0xFFFFFFFFu - freed ? 0xFFFFFFFFu : freed + more;
        oldest_kept = n;
    }
    if (freed < needed)
        return 0;
    for (unsigned n = generations; n >= oldest_kept; --n)
        if (generation_path(backup, n, path) &&
            plat_file_kind_of(path) == PLAT_KIND_FILE &&
            !plat_file_delete(path))
            return 0;
    return 1;
}

// Fills temp with the whole source. When the disk is too full for it, the
// oldest generations make room if they can, and the copy tries again.
int fill_temp(const char *source, const char *temp, const char *backup,
              unsigned generations)
{
    for (;;) {
        uint32_t written = 0;
        enum temp_result result = copy_to_temp(source, temp, &written);
        if (result == TEMP_WHOLE)
            return 1;
        plat_file_delete(temp);
        if (result != TEMP_NO_ROOM ||
            !drop_generations_for_room(backup, generations, source, written))
            return 0;
    }
}

// ---- the new file takes the destination's place ---------------------------------

// Windows 95 cannot replace a file in one step. Move the old destination
// aside, move the new file in, and only then delete the old one: at every
// moment one of the two holds a whole save file.
int replace_by_renames(const char *temp, const char *destination)
{
    // Renaming a read-only file or a folder is allowed, but neither may be
    // replaced: refuse, as the one-step replace does, and change nothing.
    enum plat_file_kind kind = plat_file_kind_of(destination);
    if (kind == PLAT_KIND_READ_ONLY || kind == PLAT_KIND_FOLDER)
        return 0;
    work_path aside;
    if (!suffixed(destination, aside_suffix, aside))
        return 0;
    int had_old = plat_file_rename(destination, aside);
    if (!plat_file_rename(temp, destination)) {
        if (had_old)
            plat_file_rename(aside, destination);
        return 0;
    }
    if (had_old)
        plat_file_delete(aside);
    return 1;
}

int replace_destination(const char *temp, const char *destination)
{
    switch (plat_file_replace(temp, destination)) {
    case PLAT_REPLACE_DONE:
        return 1;
    case PLAT_REPLACE_UNSUPPORTED:
        return replace_by_renames(temp, destination);
    case PLAT_REPLACE_FAILED:
        break;
    }
    return 0;
}

// The first free place in the row of generations, or 0 when every place
// holds a save. *last is the last place a save may move to: the row ends
// before a read-only file or a folder, which are never moved or replaced.
unsigned first_free_generation(const char *backup, unsigned generations,
                               unsigned *last)
{
    *last = generations;
    work_path path;
    for (unsigned n = 1; n <= generations; ++n) {
        if (!generation_path(backup, n, path))
            break;
        enum plat_file_kind kind = plat_file_kind_of(path);
        if (kind == PLAT_KIND_NOTHING)
            return n;
        if (kind != PLAT_KIND_FILE) {
            *last = n - 1;
            return 0;
        }
    }
    return 0;
}

int move_generation(const char *backup, unsigned from, unsigned to)
{
    work_path from_path, to_path;
    return generation_path(backup, from, from_path) &&
           generation_path(backup, to, to_path) &&
           plat_file_rename(from_path, to_path);
}

// Frees "<backup>.1" for the save about to be kept: the kept saves each
// move one place down as far as the first free place; where there is none,
// the oldest goes first. 1 when "<backup>.1" is free.
int free_first_generation(const char *backup, unsigned generations)
{
    unsigned last = 0;
    unsigned free_place = first_free_generation(backup, generations, &last);
    if (free_place == 0) {
        work_path oldest;
        if (last == 0 || !generation_path(backup, last, oldest) ||
            !plat_file_delete(oldest))
            return 0;
        free_place = last;
    }
    for (unsigned n = free_place; n > 1; --n)
        if (!move_generation(backup, n - 1, n))
            return 0;
    return 1;
}

// The old destination becomes "<backup>.1" and the new file takes its name:
// two moves, between which the old save is whole under its new name and the
// new one under temp. Where the row of generations cannot make room, the
// destination is replaced as by a plain copy: the backup itself must go
// through. A destination that cannot be moved (another program has it open
// and does not share it) could not be replaced either: the copy fails, and
// nothing is lost.
int move_in_keeping_old(const char *temp, const char *destination,
                        const char *backup, unsigned generations)
{
    enum plat_file_kind kind = plat_file_kind_of(destination);
    if (kind == PLAT_KIND_READ_ONLY || kind == PLAT_KIND_FOLDER)
        return 0;
    work_path first;
    if (kind == PLAT_KIND_NOTHING || !generation_path(backup, 1, first) ||
        !free_first_generation(backup, generations))
        return replace_destination(temp, destination);
    if (!plat_file_rename(destination, first))
        return 0;
    if (plat_file_rename(temp, destination))
        return 1;
    plat_file_rename(first, destination);
    return 0;
}

// ---- what a copy cut off by a power cut left behind ---------------------------------

// A replace by renames that was cut off between its two moves left the old
// file aside and nothing under its own name: put it back before anything
// else, so that a copy failing now cannot lose it. An aside file next to
// the file it belongs to is a leftover of a replace that had finished its
// work; only then does it go.
void recover_interrupted_replace(const char *path)
{
    work_path aside;
    if (!suffixed(path, aside_suffix, aside))
        return;
    if (!plat_file_rename(aside, path) && is_file(path))
        plat_file_delete(aside);
}

// A copy cut off between its last two moves left the old backup as
// "<backup>.1", the new one in the temporary file beside it and nothing
// under the backup's own name: put the old one back, so that a restore
// finds the backup where it looks. Without the temporary file the backup
// was not lost to a copy but removed by the player, and generation 1 stays
// what it is.
void recover_interrupted_keep(const char *backup)
{
    work_path temp, first;
    if (plat_file_kind_of(backup) == PLAT_KIND_NOTHING &&
        suffixed(backup, temp_suffix, temp) &&
        plat_file_kind_of(temp) == PLAT_KIND_FILE &&
        generation_path(backup, 1, first))
        plat_file_rename(first, backup);
}

}  // namespace

int copy_save_file(const char *source, const char *destination)
{
    return copy_save_file_keeping(source, destination, nullptr, 0);
}

int copy_save_file_keeping(const char *source, const char *destination,
                           const char *backup, unsigned generations)
{
    work_path temp;
    if (!suffixed(destination, temp_suffix, temp))
        return 0;
    if (backup == nullptr)
        generations = 0;
    if (generations > MOST_BACKUP_GENERATIONS)
        generations = MOST_BACKUP_GENERATIONS;

    // Either file may be the one a cut-off replace left aside: a restore
    // reads the backup that the last timer copy was replacing.
    recover_interrupted_replace(source);
    recover_interrupted_replace(destination);
    if (backup != nullptr)
        recover_interrupted_keep(backup);
    // Only ever a part-written or never-used copy of the source.
    plat_file_delete(temp);

    // Nothing to do, and so nothing to write, rotate or flush.
    if (same_content(source, destination))
        return 1;
    if (!fill_temp(source, temp, backup, generations))
        return 0;
    int ok = generations > 0
                 ? move_in_keeping_old(temp, destination, backup, generations)
                 : replace_destination(temp, destination);
    if (!ok)
        plat_file_delete(temp);
    return ok;
}
