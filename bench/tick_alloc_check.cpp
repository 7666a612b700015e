// Check: a countdown tick of the backup timer allocates no heap memory.
// The program runs beside the game all evening and ticks once a second; a
// tick that allocates would churn the heap the whole time.
//
// malloc, calloc, realloc and free are replaced in this program by versions
// that count the calls and forward them to the C library's allocator, so
// allocations made anywhere (new, std::string, snprintf's internals) are
// seen. The check proves it can see them: the copy in a due tick allocates
// its buffer, and that allocation must be counted.
#include <stddef.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "game/backup_timer.h"
#include "quiet_platform.h"
#include "tick_scene.h"

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *p, size_t size);
void __libc_free(void *p);
}

namespace {

// Written from the allocator, which may run before main.
volatile unsigned long allocation_calls;
volatile bool counting;

void count_one()
{
    if (counting)
        allocation_calls = allocation_calls + 1;
}

int failures;

void expect(bool condition, const char *what)
{
    if (!condition) {
        printf("FAIL: %s\n", what);
        ++failures;
    } else {
        printf("ok: %s\n", what);
    }
}

plat_tick_fn tick;
char caption_mismatch[64];

// Only the tick itself is counted, not the check's own work around it.
void counted_tick()
{
    counting = true;
    tick(quiet_dialog());
    counting = false;
}

unsigned long allocations_during(void (*work)(unsigned), unsigned times)
{
    allocation_calls = 0;
    for (unsigned i = 0; i < times; ++i)
        work(i);
    return allocation_calls;
}

void countdown_tick(unsigned i)
{
    scene_clock_for_countdown(i);
    counted_tick();
    char expected[sizeof caption_mismatch];
    scene_expected_caption(i, expected, sizeof expected);
    if (caption_mismatch[0] == '\0' && strcmp(quiet_caption(), expected) != 0)
        strncpy(caption_mismatch, quiet_caption(), sizeof caption_mismatch - 1);
}

void due_tick(unsigned)
{
    scene_clock_for_due();
    counted_tick();
}

}  // namespace

extern "C" {
void *malloc(size_t size) noexcept
{
    count_one();
    return __libc_malloc(size);
}

void *calloc(size_t count, size_t size) noexcept
{
    count_one();
    return __libc_calloc(count, size);
}

void *realloc(void *p, size_t size) noexcept
{
    count_one();
    return __libc_realloc(p, size);
}

void free(void *p) noexcept { __libc_free(p); }
}

int main()
{
    setvbuf(stdout, nullptr, _IONBF, 0);  // printf allocates no buffer later

    expect(scene_start(4096, 123456), "the countdown is armed");
    tick = quiet_timer_tick();
    if (tick == nullptr)
        return 1;

    // Two full countdowns, every caption from 14:59 down to 00:01.
    const unsigned ticks = 2 * (SCENE_INTERVAL - 1);
    unsigned long during_countdown = allocations_during(countdown_tick, ticks);
    expect(quiet_counts().captions == ticks,
           "every countdown tick set the caption");
    expect(caption_mismatch[0] == '\0', "every caption showed the time left");
    if (caption_mismatch[0] != '\0')
        printf("  wrong caption: \"%s\"\n", caption_mismatch);
    expect(quiet_counts().finds == 0, "no countdown tick looked for the game");
    printf("  heap allocations in %u countdown ticks: %lu\n", ticks,
           during_countdown);
    expect(during_countdown == 0, "a countdown tick allocates nothing");

    // The counter sees allocations the logic makes: the due tick's copy
    // takes its buffer from the heap.
    unsigned long during_due = allocations_during(due_tick, 3);
    printf("  heap allocations in 3 due ticks: %lu\n", during_due);
    expect(quiet_counts().replaces == 3, "every due tick copied the save file");
    expect(during_due >= 3, "the allocation counter sees the copy's buffer");

    printf("%s\n", failures == 0 ? "PASS" : "FAILED");
    return failures == 0 ? 0 : 1;
}
