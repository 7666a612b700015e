// A platform for measuring the backup timer's ticks: every operation of
// platform/platform.h, doing no I/O and, apart from the copy's buffer, no
// heap allocation. Files live in one static buffer, the clock and the game
// window are variables, and what the logic asked for is counted.
#ifndef SAVEWARDEN_BENCH_QUIET_PLATFORM_H
#define SAVEWARDEN_BENCH_QUIET_PLATFORM_H

#include <stddef.h>
#include <stdint.h>

#include "platform/platform.h"

enum { QUIET_MAX_SAVE_SIZE = 1 << 20 };

struct QuietCounts {
    unsigned captions;
    unsigned finds;
    unsigned sends;
    unsigned notices;
    unsigned timer_starts;
    unsigned timer_stops;
    unsigned replaces;
    unsigned opens;  // files opened for reading
    unsigned long long bytes_read;
    unsigned long long bytes_written;
};

// Forgets counts, windows and the clock; the live save file becomes size
// bytes long (at most QUIET_MAX_SAVE_SIZE).
void quiet_reset(size_t save_size);
const QuietCounts &quiet_counts();

plat_window quiet_dialog();
// The game window FindWindow answers for title; none until this is called.
void quiet_set_game_window(const char *title);

void quiet_set_tick_count(uint32_t now);
uint32_t quiet_tick_count();

// The timer procedure the last plat_timer_start was given; 0 when stopped.
plat_tick_fn quiet_timer_tick();
// The last caption set, "" when none was.
const char *quiet_caption();

#endif
