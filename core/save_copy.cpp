#include "core/save_copy.h"

#include "common/text.h"
#include "core/save_description.h"
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
// A state of the row on its way to another place of the row: a whole save,
// moved, never written.
const char move_suffix[] = ".m$$";

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

// The description of a living character at path, or false.
bool living_at(const char *path, char (&description)[SAVE_DESCRIPTION_WIDTH + 1])
{
    return path != nullptr &&
           read_save_description(path, description, sizeof description) &&
           !description_is_dead(description);
}

// Whether the save at place n is the last living state of a life that is
// not the current one: the nearest newer living state begins another life.
// The newer states are read towards the front of the row as it will stand
// once the new save is in: places n - 1 to 1, then entering (the save about
// to become "<backup>.1"), then front (the backup then). Dead states and
// saves without a description in between are passed over.
bool ends_earlier_life(const char *backup, unsigned n, const char *entering,
                       const char *front)
{
    char older[SAVE_DESCRIPTION_WIDTH + 1], newer[SAVE_DESCRIPTION_WIDTH + 1];
    work_path path;
    if (!generation_path(backup, n, path) || !living_at(path, older))
        return false;
    while (--n >= 1)
        if (generation_path(backup, n, path) && living_at(path, newer))
            return starts_new_life(newer, older) != 0;
    if (living_at(entering, newer))
        return starts_new_life(newer, older) != 0;
    return living_at(front, newer) && starts_new_life(newer, older) != 0;
}

// Whether the save at place n may go to make room. Not the source itself
// (a restore of an old generation), not the last state of an earlier life,
// and not the state just newer than one (the nearest newer living state),
// which alone tells that the older one ends a life while both stand within
// the recent backups.
bool may_make_room(const char *backup, unsigned n, unsigned generations,
                   const char *source, const char *entering, const char *front)
{
    char description[SAVE_DESCRIPTION_WIDTH + 1];
    work_path path;
    if (!generation_path(backup, n, path) ||
        plat_file_kind_of(path) != PLAT_KIND_FILE || text_same(path, source) ||
        ends_earlier_life(backup, n, entering, front))
        return false;
    if (!living_at(path, description))
        return true;
    while (++n <= generations)
        if (generation_path(backup, n, path) && living_at(path, description))
            return !ends_earlier_life(backup, n, entering, front);
    return true;
}

// The disk took written bytes of the source and no more. Drops the oldest
// kept saves that may make room, as many as give back the rest, but none
// when all of them together would not: a generation goes only to let the
// newest backup through. 1 when some went. (Windows finds a full disk at
// the write; a failed flush says nothing of room, and costs no generation.)
int drop_generations_for_room(const char *backup, unsigned generations,
                              const char *source, uint32_t written,
                              const char *entering, const char *front)
{
    uint32_t size = size_of(source);
    if (size <= written || generations > MOST_BACKUP_GENERATIONS)
        return 0;
    uint32_t needed = size - written;
    uint32_t freed = 0;
    // Decided on the whole row before any goes: which saves may go depends
    // on their neighbours.
    bool goes[MOST_BACKUP_GENERATIONS + 1] = {};
    work_path path;
    for (unsigned n = generations; n >= 1 && freed < needed; --n) {
        if (!may_make_room(backup, n, generations, source, entering, front) ||
            !generation_path(backup, n, path))
            continue;
        uint32_t more = size_of(path);
        freed = more > 0xFFFFFFFFu - freed ? 0xFFFFFFFFu : freed + more;
        goes[n] = true;
    }
    if (freed < needed)
        return 0;
    for (unsigned n = generations; n >= 1; --n)
        if (goes[n] && (!generation_path(backup, n, path) ||
                        !plat_file_delete(path)))
            return 0;
    return 1;
}

// Fills temp with the whole source. When the disk is too full for it, the
// oldest generations make room if they can, and the copy tries again.
int fill_temp(const char *source, const char *temp, const char *backup,
              unsigned generations, const char *entering, const char *front)
{
    for (;;) {
        uint32_t written = 0;
        enum temp_result result = copy_to_temp(source, temp, &written);
        if (result == TEMP_WHOLE)
            return 1;
        plat_file_delete(temp);
        if (result != TEMP_NO_ROOM ||
            !drop_generations_for_room(backup, generations, source, written,
                                       entering, front))
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

// The first free place of the row from first to last, or 0 when every
// place holds a save. *end is the last place a save may move to: the row
// ends before a read-only file or a folder, which are never moved or
// replaced.
unsigned first_free_generation(const char *backup, unsigned first,
                               unsigned last, unsigned *end)
{
    *end = last;
    work_path path;
    for (unsigned n = first; n <= last; ++n) {
        if (!generation_path(backup, n, path))
            break;
        enum plat_file_kind kind = plat_file_kind_of(path);
        if (kind == PLAT_KIND_NOTHING)
            return n;
        if (kind != PLAT_KIND_FILE) {
            *end = n - 1;
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

// Moves the saves from first to free_place - 1 one place down, into the
// free place.
int move_down(const char *backup, unsigned first, unsigned free_place)
{
    for (unsigned n = free_place; n > first; --n)
        if (!move_generation(backup, n - 1, n))
            return 0;
    return 1;
}

int delete_generation(const char *backup, unsigned n)
{
    work_path path;
    return generation_path(backup, n, path) && plat_file_delete(path);
}

// The last state of an earlier life leaves the recent saves for the
// places beyond them, ahead of the earlier lives already there, so the
// oldest life is last; only when every place up to the last is taken does
// that oldest life go. 0 when there is no room beyond (the row ends there).
int keep_as_earlier_life(const char *backup, unsigned generations)
{
    unsigned first = generations + 1;
    unsigned end = 0;
    unsigned free_place =
        first_free_generation(backup, first, MOST_BACKUP_GENERATIONS, &end);
    if (free_place == 0) {
        if (end < first || !delete_generation(backup, end))
            return 0;
        free_place = end;
    }
    return move_down(backup, first, free_place) &&
           move_generation(backup, generations, first);
}

// Frees "<backup>.1" for the save about to be kept: the kept saves each
// move one place down as far as the first free place. Where there is none,
// the oldest makes way: beyond the recent ones when it is the last state of
// an earlier life, else it goes. 1 when "<backup>.1" is free.
int free_first_generation(const char *backup, unsigned generations,
                          const char *entering, const char *front)
{
    unsigned end = 0;
    unsigned free_place = first_free_generation(backup, 1, generations, &end);
    if (free_place == 0) {
        if (end == 0)
            return 0;
        bool kept = end == generations &&
                    ends_earlier_life(backup, end, entering, front) &&
                    keep_as_earlier_life(backup, generations);
        if (!kept && !delete_generation(backup, end))
            return 0;
        free_place = end;
    }
    return move_down(backup, 1, free_place);
}

// The place of the row, "<backup>.1" and on, whose save holds the same
// bytes as path; 0 when none does. Sizes are compared first: only a save of
// the same size is read. The search ends where the row does.
unsigned generation_holding(const char *path, const char *backup)
{
    struct plat_stamp wanted, held;
    if (!plat_file_stamp_of(path, &wanted))
        return 0;
    work_path place;
    for (unsigned n = 1; n <= MOST_BACKUP_GENERATIONS; ++n) {
        if (!generation_path(backup, n, place))
            return 0;
        enum plat_file_kind kind = plat_file_kind_of(place);
        if (kind == PLAT_KIND_READ_ONLY || kind == PLAT_KIND_FOLDER)
            return 0;
        if (kind == PLAT_KIND_FILE && plat_file_stamp_of(place, &held) &&
            held.size_low == wanted.size_low &&
            held.size_high == wanted.size_high && same_content(path, place))
            return n;
    }
    return 0;
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
        !free_first_generation(backup, generations, destination,
                               text_same(destination, backup) ? temp : backup))
        return replace_destination(temp, destination);
    if (!plat_file_rename(destination, first))
        return 0;
    if (plat_file_rename(temp, destination))
        return 1;
    plat_file_rename(first, destination);
    return 0;
}

// ---- a state the row already holds is moved, not copied again ---------------

// The save at place n of the row takes the front, the backup's own name:
// the backup becomes "<backup>.1" and the saves in between move one place
// down, into the place n left. Renames alone, the moved save waiting under
// its own working name meanwhile.
int move_to_front(const char *backup, unsigned n, unsigned generations)
{
    work_path held, moving, first;
    if (!generation_path(backup, n, held) ||
        !suffixed(backup, move_suffix, moving) ||
        !generation_path(backup, 1, first) || !plat_file_rename(held, moving))
        return 0;
    bool has_backup = plat_file_kind_of(backup) == PLAT_KIND_FILE;
    if (has_backup && (!free_first_generation(backup, generations, backup, moving) ||
                       !plat_file_rename(backup, first)))
        return 0;  // the next copy puts the moved save back in the row
    return plat_file_rename(moving, backup);
}

// A restore keeps the save file it replaces as "<backup>.1"; where the row
// already holds those bytes further down, that save moves up instead.
// Held by the backup or by "<backup>.1", it stays where it is.
int move_to_first_generation(const char *backup, unsigned n,
                             unsigned generations)
{
    if (n <= 1)
        return 1;
    work_path held, moving, first;
    return generation_path(backup, n, held) &&
           suffixed(backup, move_suffix, moving) &&
           generation_path(backup, 1, first) && plat_file_rename(held, moving) &&
           free_first_generation(backup, generations, moving, backup) &&
           plat_file_rename(moving, first);
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

// A move cut off by a power cut left the moving save under its working
// name: it goes to the first free place of the row, from the front, so the
// row holds it again.
void recover_interrupted_move(const char *backup)
{
    work_path moving, place;
    if (!suffixed(backup, move_suffix, moving) ||
        plat_file_kind_of(moving) != PLAT_KIND_FILE)
        return;
    if (plat_file_rename(moving, backup))
        return;
    unsigned end = 0;
    unsigned free_place =
        first_free_generation(backup, 1, MOST_BACKUP_GENERATIONS, &end);
    if (free_place != 0 && generation_path(backup, free_place, place))
        plat_file_rename(moving, place);
}

// The new save in temp takes the destination's place, the old one kept in
// the row. A restore need not keep the save file it replaces where the row
// already holds its bytes: those only move up, and the file is replaced.
int move_in(const char *temp, const char *destination, const char *backup,
            unsigned generations)
{
    if (!text_same(destination, backup)) {
        unsigned held = generation_holding(destination, backup);
        if (held != 0 || same_content(destination, backup))
            return move_to_first_generation(backup, held, generations) &&
                   replace_destination(temp, destination);
    }
    return move_in_keeping_old(temp, destination, backup, generations);
}

}  // namespace

int copy_save_file(const char *source, const char *destination)
{
    return copy_save_file_keeping(source, destination, nullptr, 0);
}

// The destination is the backup itself when it is the same text: both
// paths are composed from the same settings.
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
    if (backup != nullptr) {
        recover_interrupted_keep(backup);
        recover_interrupted_move(backup);
    }
    // Only ever a part-written or never-used copy of the source.
    plat_file_delete(temp);

    // Nothing to do, and so nothing to write, rotate or flush.
    if (same_content(source, destination))
        return 1;
    // A save the row already holds further down moves to the front: no two
    // files of the row hold the same bytes.
    if (generations > 0 && text_same(destination, backup)) {
        unsigned held = generation_holding(source, backup);
        if (held != 0)
            return move_to_front(backup, held, generations);
    }
    // The row as it will stand: the destination's old save next, then the
    // source's for a backup, or the backup itself for a restore.
    if (!fill_temp(source, temp, backup, generations, destination,
                   backup != nullptr && text_same(destination, backup) ? source : backup))
        return 0;
    int ok = generations > 0 ? move_in(temp, destination, backup, generations)
                             : replace_destination(temp, destination);
    if (!ok)
        plat_file_delete(temp);
    return ok;
}
