// The scenarios, one per CTest test; each runs in its own driver process.
#ifndef E2E_SCENARIOS_H
#define E2E_SCENARIOS_H

#include "scenario.h"

namespace e2e {

void scenario_first_start(const Env& env);
void scenario_first_start_in_game_folder(const Env& env);
void scenario_go_with_defaults(const Env& env);
void scenario_due_ticks(const Env& env);
void scenario_restore(const Env& env);
void scenario_one_game_at_a_time(const Env& env);
void scenario_question_after_death(const Env& env);
void scenario_input_checks(const Env& env);
void scenario_game_window_closes(const Env& env);
void scenario_slow_game(const Env& env);
void scenario_hung_game(const Env& env);
void scenario_game_refuses(const Env& env);
void scenario_game_refuses_briefly(const Env& env);
void scenario_idle_game(const Env& env);
void scenario_enter_acts_as_go(const Env& env);
void scenario_escape_and_close(const Env& env);
void scenario_about_item(const Env& env);
void scenario_help(const Env& env);
void scenario_help_file(const Env& env);
void scenario_backups_window(const Env& env);
void scenario_follows_the_game(const Env& env);
void scenario_settings_round_trip(const Env& env);
void scenario_settings_as_stored(const Env& env);
void scenario_odd_paths(const Env& env);
void scenario_disk_full(const Env& env);
void scenario_windows95_backup_after_cut_off_backup(const Env& env);
void scenario_windows95_restore_after_cut_off_backup(const Env& env);
void scenario_windows95_read_only_backup(const Env& env);
void scenario_windows95_backup_is_a_folder(const Env& env);
void scenario_soak(const Env& env);
void scenario_demo(const Env& env);

}  // namespace e2e

#endif
