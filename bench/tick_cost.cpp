// Runs the backup timer's ticks over the quiet platform so that callgrind
// can count their instructions:
//
//   valgrind --tool=callgrind --toggle-collect=measured_countdown_tick
//       tick_cost countdown 10000
//   valgrind --tool=callgrind --toggle-collect=measured_due_tick
//       tick_cost due 1000 102400
//
// Only the named function and what it calls are counted; divide the total
// by the number of ticks. A countdown tick finds the save file as it was
// (its stamp alone is read, no file opened). The due tick finds the game window, sends the save
// command and copies a live save file of the given size (default 100 KiB)
// through the quiet platform's in-memory files.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "core/settings.h"
#include "game/backup_timer.h"
#include "quiet_platform.h"
#include "tick_scene.h"

extern "C" {
__attribute__((noinline)) void measured_countdown_tick(plat_tick_fn tick)
{
    tick(quiet_dialog());
}

__attribute__((noinline)) void measured_due_tick(plat_tick_fn tick)
{
    tick(quiet_dialog());
}
}

namespace {

int usage()
{
    fprintf(stderr, "usage: tick_cost countdown|due TICKS [SAVE_BYTES]\n");
    return 2;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc < 3)
        return usage();
    const bool due = strcmp(argv[1], "due") == 0;
    if (!due && strcmp(argv[1], "countdown") != 0)
        return usage();
    const unsigned ticks = (unsigned)strtoul(argv[2], nullptr, 10);
    const size_t save_size =
        argc > 3 ? (size_t)strtoul(argv[3], nullptr, 10) : 100u * 1024u;
    if (ticks == 0 || save_size > QUIET_MAX_SAVE_SIZE)
        return usage();

    if (!scene_start(save_size, 5000)) {
        fprintf(stderr, "tick_cost: the timer did not start\n");
        return 1;
    }
    plat_tick_fn tick = quiet_timer_tick();
    for (unsigned i = 0; i < ticks; ++i) {
        if (due) {
            scene_clock_for_due();
            measured_due_tick(tick);
        } else {
            scene_clock_for_countdown(i);
            measured_countdown_tick(tick);
        }
    }

    // Each kind of tick must have done its whole work, or the count means
    // nothing.
    const QuietCounts &c = quiet_counts();
    const bool whole =
        due ? c.sends == ticks && c.replaces == ticks &&
                  c.bytes_written == (unsigned long long)ticks * save_size &&
                  c.notices == 0
            : c.captions == ticks && c.finds == 0 && c.notices == 0 &&
                  c.opens == 0;  // the save file's stamp alone, unchanged
    printf("%s ticks: %u, captions %u, sends %u, copies %u, bytes copied %llu\n",
           argv[1], ticks, c.captions, c.sends, c.replaces, c.bytes_written);
    if (!whole) {
        fprintf(stderr, "tick_cost: the ticks did not do their work\n");
        return 1;
    }
    return 0;
}
