#include "scenario.h"

#include "check.h"
#include "files.h"
#include "screen.h"

#include <cstdio>

namespace e2e {

const char* const kAlreadyRunning =
    "Angband is already running: the new settings apply from now";
const char* const kCloseBeforeRestore = "Close Angband before restoring a backup";

GameBehaviour titled(const std::string& title)
{
    GameBehaviour behaviour;
    behaviour.title = title;
    return behaviour;
}

namespace {

GameFolder scenario_game(const Env& env, const std::string& name, const std::string& save)
{
    remove_settings_file();
    GameFolder game = prepare_game_folder("C:\\e2e\\" + name, env.stand_in_exe);
    write_file(game.live_save(), save);
    return game;
}

}  // namespace

StandInGame::StandInGame(const Env& env, const std::string& name, const std::string& save,
                         const GameBehaviour& behaviour)
    : GameFolder(scenario_game(env, name, save)), behaviour(behaviour), games(log_path)
{
    set_game_behaviour(behaviour, log_path);
}

Fields fields_for(const GameFolder& game, const GameBehaviour& behaviour,
                  const std::string& minutes, const std::string& seconds)
{
    Fields f;
    f.window_title = behaviour.title;
    f.directory = game.folder;
    f.character = game.character;
    f.minutes = minutes;
    f.seconds = seconds;
    f.save_path = game.save_folder;
    f.save_number = std::to_string(behaviour.save_number);
    return f;
}

Fields fields_for(const StandInGame& game, const std::string& minutes, const std::string& seconds)
{
    return fields_for(game, game.behaviour, minutes, seconds);
}

Fields with_numbers(Fields fields, const std::string& minutes, const std::string& seconds,
                    const std::string& save_number)
{
    fields.minutes = minutes;
    fields.seconds = seconds;
    fields.save_number = save_number;
    return fields;
}

void start_and_press_go(Savewarden& app, const Env& env, const StandInGame& game,
                        const std::string& minutes, const std::string& seconds, bool restore,
                        const std::string& folder)
{
    app.start(env.savewarden_exe, folder);
    app.fill_fields(fields_for(game, minutes, seconds));
    if (restore)
        set_checked(app.dialog(), ids::restore, true);
    click_button(app.dialog(), ids::go);
}

void start_and_go(Savewarden& app, const Env& env, const StandInGame& game,
                  const std::string& minutes, const std::string& seconds,
                  const std::string& folder)
{
    start_and_press_go(app, env, game, minutes, seconds, false, folder);
    wait_for_game_starts(game, 1, 10000);
}

void remove_settings_file()
{
    remove_file(settings_file_path());
}

std::string settings_file_text()
{
    auto content = read_file(settings_file_path());
    if (!content)
        fail("no settings file at " + settings_file_path());
    return text_lines_joined(*content);
}

std::string expected_settings_text(const Fields& s)
{
    std::string text = "[Options]\n";
    for (const FieldControl& c : kFieldControls)
        text += std::string(c.key) + "=" + s.*c.text + "\n";
    return text;
}

void wait_for_game_starts(const GameFolder& game, size_t count, unsigned timeout_ms)
{
    bool started = wait_until([&] { return count_game_events(game.log_path, "window") >= count; },
                              timeout_ms);
    if (!started)
        fail("the game was not started (" + std::to_string(count) + " start(s) expected, " +
             std::to_string(count_game_events(game.log_path, "window")) + " seen)");
}

void check_game_events(const std::string& log_path, const char* event, size_t count,
                       const std::string& what)
{
    check_equal(static_cast<long long>(count_game_events(log_path, event)),
                static_cast<long long>(count), what);
}

void check_file(const std::string& path, const std::string& expected, const std::string& what)
{
    auto content = read_file(path);
    if (!content)
        fail(what + ": " + path + " does not exist");
    if (*content != expected) {
        std::string head = content->substr(0, content->find('\n'));
        fail(what + ": " + path + " holds " + std::to_string(content->size()) +
             " bytes starting " + quoted(head) + ", expected " + std::to_string(expected.size()) +
             " bytes starting " + quoted(expected.substr(0, expected.find('\n'))));
    }
    note("ok: " + what + " (" + std::to_string(expected.size()) + " bytes)");
}

std::string caption_when(const Savewarden& app, const std::function<bool(int)>& seconds_left_ok,
                         unsigned timeout_ms)
{
    std::string caption;
    wait_until([&] {
        caption = app.caption();
        return seconds_left_ok(countdown_seconds(caption));
    }, timeout_ms);
    return caption;
}

void take_shot_beside_main_dialog(const Savewarden& app, HWND window, const std::string& name)
{
    char folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("E2E_SHOT_DIR", folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        return;
    sleep_ms(500);  // let both windows draw
    RECT main, own, both;
    GetWindowRect(app.dialog(), &main);
    GetWindowRect(window, &own);
    UnionRect(&both, &main, &own);
    const std::string path = std::string(folder, n) + "\\" + name + ".bmp";
    check(save_bitmap(capture_screen(both), path), "screenshot written to " + path);
    std::printf("screenshot %s\n", path.c_str());
}

void check_ends_with_zero(Savewarden& app, const std::string& how)
{
    DWORD code = app.wait_for_exit(5000, how);
    check_equal(static_cast<long long>(code), 0, "exit code after " + how);
}

void exit_with_zero(Savewarden& app, const std::string& how)
{
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, how);
}

}  // namespace e2e
