// The backup timer as it stands after Go, over the quiet platform: a
// countdown running, the game window open, a live save file of a given size.
#ifndef SAVEWARDEN_BENCH_TICK_SCENE_H
#define SAVEWARDEN_BENCH_TICK_SCENE_H

#include <stddef.h>
#include <stdint.h>

// Interval of the scene, in seconds (the default setting, 15 minutes).
enum { SCENE_INTERVAL = 15 * 60 };

// Sets the settings and run state, arms timer 1 at tick count start and
// checks that it runs. 0 when the timer did not start.
int scene_start(size_t save_size, uint32_t start);

// Sets the clock for the i-th countdown tick: 1 to SCENE_INTERVAL - 1
// seconds before the deadline, so that the tick only counts down.
void scene_clock_for_countdown(unsigned i);
// Sets the clock to the deadline, so that the tick falls due.
void scene_clock_for_due();

// What the caption should read at the i-th countdown tick.
void scene_expected_caption(unsigned i, char *buf, size_t size);

#endif
