#include "scenario.h"

#include "check.h"
#include "files.h"
#include "screen.h"

#include <cstdio>

namespace e2e {

const char* const kAlreadyRunning =
    "Angband is already running: the new settings apply from now";
const char* const kCloseBeforeRestore = "Close Angband before restoring a backup";

GameFolder scenario_game(const Env& env, const std::string& name, const std::string& save)
{
    GameFolder game = prepare_game_folder("C:\\e2e\\" + name, env.stand_in_exe);
    write_file(game.live_save(), save);
    return game;
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
    return "[Options]\n"
           "WindowTitle=" + s.window_title + "\n"
           "Directory=" + s.directory + "\n"
           "LastCharacter=" + s.character + "\n"
           "TimerIntervalMinutes=" + s.minutes + "\n"
           "TimerIntervalSeconds=" + s.seconds + "\n"
           "SavePath=" + s.save_path + "\n"
           "FileSaveMessageNumber=" + s.save_number + "\n";
}

void wait_for_game_starts(const GameFolder& game, size_t count, unsigned timeout_ms)
{
    bool started = wait_until([&] { return count_game_events(game.log_path, "window") >= count; },
                              timeout_ms);
    if (!started)
        fail("the game was not started (" + std::to_string(count) + " start(s) expected, " +
             std::to_string(count_game_events(game.log_path, "window")) + " seen)");
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

}  // namespace e2e
