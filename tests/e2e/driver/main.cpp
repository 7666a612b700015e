// e2e_driver.exe SCENARIO: runs one end-to-end scenario against Savewarden
// inside Wine and exits 0 when every check held, 1 when one failed, 2 on a
// usage error. E2E_SWARDEN_EXE and E2E_STAND_IN_EXE name the program under
// test and the stand-in game (Windows paths).
#include "check.h"
#include "scenarios.h"
#include "wine_version.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace e2e {

const std::vector<Scenario>& all_scenarios()
{
    static const std::vector<Scenario> scenarios = {
        {"first_start", scenario_first_start},
        {"first_start_in_game_folder", scenario_first_start_in_game_folder},
        {"go_with_defaults", scenario_go_with_defaults},
        {"due_ticks", scenario_due_ticks},
        {"restore", scenario_restore},
        {"one_game_at_a_time", scenario_one_game_at_a_time},
        {"question_after_death", scenario_question_after_death},
        {"input_checks", scenario_input_checks},
        {"game_window_closes", scenario_game_window_closes},
        {"slow_game", scenario_slow_game},
        {"hung_game", scenario_hung_game},
        {"game_refuses", scenario_game_refuses},
        {"game_refuses_briefly", scenario_game_refuses_briefly},
        {"idle_game", scenario_idle_game},
        {"enter_acts_as_go", scenario_enter_acts_as_go},
        {"escape_and_close", scenario_escape_and_close},
        {"about_item", scenario_about_item},
        {"help", scenario_help},
        {"help_file", scenario_help_file},
        {"backups_window", scenario_backups_window},
        {"follows_the_game", scenario_follows_the_game},
        {"settings_round_trip", scenario_settings_round_trip},
        {"settings_as_stored", scenario_settings_as_stored},
        {"odd_paths", scenario_odd_paths},
        {"disk_full", scenario_disk_full},
        {"windows95_backup_after_cut_off_backup", scenario_windows95_backup_after_cut_off_backup},
        {"windows95_restore_after_cut_off_backup", scenario_windows95_restore_after_cut_off_backup},
        {"windows95_read_only_backup", scenario_windows95_read_only_backup},
        {"windows95_backup_is_a_folder", scenario_windows95_backup_is_a_folder},
        {"soak", scenario_soak},
        {"demo", scenario_demo},
    };
    return scenarios;
}

}  // namespace e2e

namespace {

std::string required_env(const char* name)
{
    char buffer[MAX_PATH * 2];
    DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) {
        std::fprintf(stderr, "e2e_driver: %s is not set\n", name);
        std::exit(2);
    }
    return std::string(buffer, n);
}

int usage()
{
    std::fprintf(stderr, "usage: e2e_driver SCENARIO\nscenarios:\n");
    for (const e2e::Scenario& s : e2e::all_scenarios())
        std::fprintf(stderr, "  %s\n", s.name);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return usage();
    const e2e::Scenario* chosen = nullptr;
    for (const e2e::Scenario& s : e2e::all_scenarios())
        if (std::strcmp(s.name, argv[1]) == 0)
            chosen = &s;
    if (!chosen)
        return usage();

    e2e::Env env;
    env.savewarden_exe = required_env("E2E_SWARDEN_EXE");
    env.stand_in_exe = required_env("E2E_STAND_IN_EXE");

    // A scenario that had Wine report Windows XP and was ended at its time
    // limit could not take the setting back; no scenario starts with it.
    e2e::wine_reports_its_default(env.savewarden_exe);

    std::printf("scenario %s\n", chosen->name);
    std::fflush(stdout);
    unsigned long long started = e2e::now_ms();
    try {
        chosen->run(env);
    } catch (const e2e::ScenarioFailure& failure) {
        std::printf("FAIL %s: %s\n", chosen->name, failure.what());
        return 1;
    } catch (const std::exception& error) {
        std::printf("FAIL %s: unexpected error: %s\n", chosen->name, error.what());
        return 1;
    }
    std::printf("PASS %s (%llu ms)\n", chosen->name, e2e::now_ms() - started);
    return 0;
}
