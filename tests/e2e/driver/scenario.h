// What every scenario gets, and the small steps most of them share.
#ifndef E2E_SCENARIO_H
#define E2E_SCENARIO_H

#include "savewarden.h"
#include "stand_in.h"

#include <functional>
#include <string>
#include <vector>

namespace e2e {

struct Env {
    std::string savewarden_exe;  // the program under test
    std::string stand_in_exe;    // the stand-in game, copied into game folders
};

struct Scenario {
    const char* name;
    void (*run)(const Env&);
};

const std::vector<Scenario>& all_scenarios();

// Ends the games a scenario started when the scenario ends, passed or not.
class GameGuard {
public:
    explicit GameGuard(std::string log_path) : log_path_(std::move(log_path)) {}
    GameGuard(const GameGuard&) = delete;
    GameGuard& operator=(const GameGuard&) = delete;
    ~GameGuard() { end_games(log_path_); }

private:
    std::string log_path_;
};

// The stand-in game's behaviour with its own window title, else the defaults.
GameBehaviour titled(const std::string& title);

// A scenario's own game folder under C:\e2e with the first save file
// written, the behaviour handed to the game, and no settings file left from
// an earlier scenario (one that wants a settings file writes it afterwards).
// The games started on it end with the scenario, passed or not.
struct StandInGame : GameFolder {
    StandInGame(const Env& env, const std::string& name, const std::string& save,
                const GameBehaviour& behaviour);
    GameBehaviour behaviour;
    GameGuard games;
};

// The field texts that point Savewarden at a game folder.
Fields fields_for(const GameFolder& game, const GameBehaviour& behaviour,
                  const std::string& minutes, const std::string& seconds);
Fields fields_for(const StandInGame& game, const std::string& minutes, const std::string& seconds);
// The fields with other texts in the interval and save number fields.
Fields with_numbers(Fields fields, const std::string& minutes, const std::string& seconds,
                    const std::string& save_number);

// Starts Savewarden from the folder given, fills in the fields for the game
// with the interval given, ticks Restore Character? when asked, presses Go.
void start_and_press_go(Savewarden& app, const Env& env, const StandInGame& game,
                        const std::string& minutes, const std::string& seconds,
                        bool restore = false, const std::string& folder = "C:\\");
// The same without a restore, then waits for the game to start.
void start_and_go(Savewarden& app, const Env& env, const StandInGame& game,
                  const std::string& minutes, const std::string& seconds,
                  const std::string& folder = "C:\\");

void remove_settings_file();
// The settings file's text with line ends made "\n".
std::string settings_file_text();
// The file holds the section "Options" with the seven keys, in order.
std::string expected_settings_text(const Fields& stored);

// Waits until the game log shows the given number of game starts.
void wait_for_game_starts(const GameFolder& game, size_t count, unsigned timeout_ms);

// The game's log holds the event exactly `count` times.
void check_game_events(const std::string& log_path, const char* event, size_t count,
                       const std::string& what);

// The file's content equals the text given, byte for byte.
void check_file(const std::string& path, const std::string& expected, const std::string& what);

// Polls the caption until it satisfies the condition or the time is up;
// returns the last caption seen, for the check and its message.
std::string caption_when(const Savewarden& app, const std::function<bool(int)>& seconds_left_ok,
                         unsigned timeout_ms);

// What Go says while the game runs, and while it runs with a restore asked for.
extern const char* const kAlreadyRunning;
extern const char* const kCloseBeforeRestore;

// With E2E_SHOT_DIR set (tools/demo.sh --help-screenshot and
// --backups-screenshot): the main dialog with the window beside it, saved
// as <name>.bmp there.
void take_shot_beside_main_dialog(const Savewarden& app, HWND window, const std::string& name);

// Exit or Close: the process ends with exit code 0.
void check_ends_with_zero(Savewarden& app, const std::string& how);
// The Exit button pressed, and the process ends with exit code 0.
void exit_with_zero(Savewarden& app, const std::string& how = "Exit");

}  // namespace e2e

#endif
