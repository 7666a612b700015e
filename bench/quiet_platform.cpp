#include "quiet_platform.h"

#include <stdlib.h>
#include <string.h>
#include <strings.h>

namespace {

// The handles the fakes give out; nothing reads through them.
plat_window const dialog_handle = reinterpret_cast<plat_window>(0x1000);
plat_window const game_handle = reinterpret_cast<plat_window>(0x2000);
enum { live_file = 3, temp_file = 4 };

struct Quiet {
    QuietCounts counts;
    uint32_t now;
    plat_tick_fn tick;
    bool game_present;
    char game_title[256];
    char caption[64];
    size_t save_size;
    size_t read_at;
};

Quiet quiet;
unsigned char save_bytes[QUIET_MAX_SAVE_SIZE];

}  // namespace

void quiet_reset(size_t save_size)
{
    memset(&quiet, 0, sizeof quiet);
    const size_t largest = QUIET_MAX_SAVE_SIZE;
    quiet.save_size = save_size < largest ? save_size : largest;
    for (size_t i = 0; i < quiet.save_size; ++i)
        save_bytes[i] = (unsigned char)(i * 131u + 7u);
}

const QuietCounts &quiet_counts() { return quiet.counts; }
plat_window quiet_dialog() { return dialog_handle; }

void quiet_set_game_window(const char *title)
{
    quiet.game_present = true;
    strncpy(quiet.game_title, title, sizeof quiet.game_title - 1);
}

void quiet_set_tick_count(uint32_t now) { quiet.now = now; }
uint32_t quiet_tick_count() { return quiet.now; }
plat_tick_fn quiet_timer_tick() { return quiet.tick; }
const char *quiet_caption() { return quiet.caption; }

// ---- settings file ---------------------------------------------------------

void plat_profile_read(const char *, const char *, const char *def, char *buf,
                       unsigned size, const char *)
{
    if (size == 0)
        return;
    strncpy(buf, def, size - 1);
    buf[size - 1] = '\0';
}

void plat_profile_write(const char *, const char *, const char *,
                        const char *)
{
}

// ---- files: the live save file is read from memory, the copy is counted ----

// The backup is never there to be read, so every due tick's copy finds it
// different and copies the whole save.
bool is_backup(const char *path)
{
    size_t n = strlen(path);
    return n >= 4 && strcmp(path + n - 4, ".sav") == 0;
}

plat_file plat_file_open_read(const char *path)
{
    ++quiet.counts.opens;
    if (is_backup(path))
        return PLAT_NO_FILE;
    quiet.read_at = 0;
    return live_file;
}

plat_file plat_file_create(const char *) { return temp_file; }

long plat_file_read(plat_file file, void *buf, unsigned count)
{
    if (file != live_file)
        return -1;
    size_t left = quiet.save_size - quiet.read_at;
    size_t n = count < left ? count : left;
    memcpy(buf, save_bytes + quiet.read_at, n);
    quiet.read_at += n;
    quiet.counts.bytes_read += n;
    return (long)n;
}

long plat_file_write(plat_file file, const void *buf, unsigned count)
{
    if (file != temp_file || buf == nullptr)
        return -1;
    quiet.counts.bytes_written += count;
    return (long)count;
}

int plat_file_flush(plat_file file) { return file == temp_file; }
int plat_file_close(plat_file) { return 1; }

enum plat_replace_result plat_file_replace(const char *, const char *)
{
    ++quiet.counts.replaces;
    return PLAT_REPLACE_DONE;
}

// No aside file is ever left over, so there is nothing to rename or delete.
int plat_file_rename(const char *, const char *) { return 0; }
int plat_file_delete(const char *) { return 0; }

// ---- memory: the one allocation the logic asks for, the copy's buffer ----

void *plat_buffer_alloc(unsigned size) { return malloc(size); }
void plat_buffer_free(void *buffer) { free(buffer); }

// ---- time and timer ----------------------------------------------------------

uint32_t plat_tick_count(void) { return quiet.now; }

int plat_timer_start(plat_window, unsigned, unsigned, plat_tick_fn tick)
{
    ++quiet.counts.timer_starts;
    quiet.tick = tick;
    return 1;
}

void plat_timer_stop(plat_window, unsigned)
{
    ++quiet.counts.timer_stops;
    quiet.tick = nullptr;
}

// ---- the game window ------------------------------------------------------------

plat_window plat_find_window(const char *title)
{
    ++quiet.counts.finds;
    return quiet.game_present && strcasecmp(title, quiet.game_title) == 0
               ? game_handle
               : nullptr;
}

int plat_window_takes_input(plat_window) { return 1; }

// Nothing stands in the way of the copy: no backup, no older generations.
enum plat_file_kind plat_file_kind_of(const char *) { return PLAT_KIND_NOTHING; }

// The game writes its save file at every save command it takes.
int plat_file_stamp_of(const char *, struct plat_stamp *stamp)
{
    memset(stamp, 0, sizeof *stamp);
    stamp->time_low = quiet.counts.sends;
    stamp->size_low = (uint32_t)quiet.save_size;
    return 1;
}

int plat_send_command(plat_window window, uint32_t, unsigned)
{
    ++quiet.counts.sends;
    return window == game_handle;
}

unsigned plat_start_program(const char *, plat_process *) { return 33; }
int plat_process_running(plat_process) { return 0; }
void plat_process_release(plat_process) {}

int plat_short_path(const char *, char *, unsigned) { return 0; }

// ---- the main dialog ----------------------------------------------------------------

void plat_set_caption(plat_window, const char *text)
{
    ++quiet.counts.captions;
    strncpy(quiet.caption, text, sizeof quiet.caption - 1);
}

void plat_field_text(plat_window, int, char *buf, unsigned size)
{
    if (size != 0)
        buf[0] = '\0';
}

int plat_field_number(plat_window, int, uint32_t *) { return 0; }
int plat_check_box_is_set(plat_window, int) { return 0; }
void plat_check_box_clear(plat_window, int) {}

void plat_message_box(plat_window, const char *, const char *,
                      enum plat_notice_icon)
{
    ++quiet.counts.notices;
}

enum plat_answer plat_question_box(plat_window, const char *, const char *)
{
    ++quiet.counts.notices;
    return PLAT_ANSWER_CANCEL;
}
