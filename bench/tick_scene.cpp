#include "tick_scene.h"

#include <stdio.h>
#include <string.h>

#include "core/settings.h"
#include "game/backup_timer.h"
#include "quiet_platform.h"

namespace {

const char game_title[] = "Angband 2.7.5";

unsigned seconds_left(unsigned i)
{
    return 1 + i % (SCENE_INTERVAL - 1);
}

}  // namespace

int scene_start(size_t save_size, uint32_t start)
{
    quiet_reset(save_size);
    quiet_set_game_window(game_title);
    load_settings(&g_settings);  // the defaults: the quiet platform has no file
    snprintf(g_settings.window_title, sizeof g_settings.window_title, "%s",
             game_title);
    if (compose_run_paths(&g_settings, &g_run_state) != RUN_PATHS_OK)
        return 0;
    g_run_state.interval = SCENE_INTERVAL;
    g_run_state.save_command_number = 110;
    quiet_set_tick_count(start);
    backup_timer_arm(quiet_dialog());
    return quiet_timer_tick() != nullptr &&
           g_run_state.deadline == start + SCENE_INTERVAL * 1000u;
}

void scene_clock_for_countdown(unsigned i)
{
    quiet_set_tick_count(g_run_state.deadline - 1000u * seconds_left(i));
}

void scene_clock_for_due() { quiet_set_tick_count(g_run_state.deadline); }

void scene_expected_caption(unsigned i, char *buf, size_t size)
{
    unsigned s = seconds_left(i);
    snprintf(buf, size, "%02u:%02u - Savewarden", s / 60, s % 60);
}
