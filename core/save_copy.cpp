#include "core/save_copy.h"

#include "common/text.h"
#include "core/settings.h"
#include "platform/platform.h"

// The copy never writes into the destination itself. It fills a temporary
// file beside it, flushes that, and only once every byte has been read and
// written does the temporary file take the destination's place. Whatever
// fails on the way, the destination keeps its old content, so neither the
// live save file nor the last good backup can be lost to a failed copy.

namespace {

const unsigned piece_size = 2048;

// Suffixes of the two working files beside the destination. The game names
// save files with letters, digits and underscores, and our backups end in
// ".sav", so a name ending in "$" is never another character's save file.
// Both are four characters, so a 255-character destination still gives a
// path that fits the system's limit of 259.
const char temp_suffix[] = ".$$$";
const char aside_suffix[] = ".o$$";

typedef char work_path[PATH_WIDTH + sizeof temp_suffix];

int suffixed(const char *path, const char *suffix, work_path out)
{
    return text_format(out, sizeof(work_path), "%s%s", path, suffix) ? 1 : 0;
}

int copy_pieces(plat_file in, plat_file out, void *buffer)
{
    for (;;) {
        long got = plat_file_read(in, buffer, piece_size);
        if (got < 0)
            return 0;
        if (got == 0)
            return 1;
        if (plat_file_write(out, buffer, (unsigned)got) != got)
            return 0;
    }
}

// Copies the whole of in into a new file at temp and makes sure it reached
// the disk. 1 on success; on 0 the caller removes temp.
int copy_to_temp(plat_file in, const char *temp)
{
    plat_file out = plat_file_create(temp);
    if (out == PLAT_NO_FILE)
        return 0;
    void *buffer = plat_buffer_alloc(piece_size);
    int ok = buffer != nullptr && copy_pieces(in, out, buffer) &&
             plat_file_flush(out);
    if (buffer != nullptr)
        plat_buffer_free(buffer);
    if (!plat_file_close(out))
        ok = 0;
    return ok;
}

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

bool is_file(const char *path)
{
    enum plat_file_kind kind = plat_file_kind_of(path);
    return kind == PLAT_KIND_FILE || kind == PLAT_KIND_READ_ONLY;
}

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

}  // namespace

int copy_save_file(const char *source, const char *destination)
{
    work_path temp;
    if (!suffixed(destination, temp_suffix, temp))
        return 0;

    // Either file may be the one a cut-off replace left aside: a restore
    // reads the backup that the last timer copy was replacing.
    recover_interrupted_replace(source);
    recover_interrupted_replace(destination);

    plat_file in = plat_file_open_read(source);
    if (in == PLAT_NO_FILE)
        return 0;
    int ok = copy_to_temp(in, temp);
    plat_file_close(in);  // nothing was written through it

    if (ok)
        ok = replace_destination(temp, destination);
    if (!ok)
        plat_file_delete(temp);
    return ok;
}
