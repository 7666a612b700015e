// The unattended demonstration that tools/run.sh gives where there is no
// display: Go with a short interval in the default game folder, one due
// tick, the backup refreshed, with screenshots on the way. The default game
// folder (c:\angband with the stand-in game and a save file) is laid out by
// tools/run.sh beforehand, as a player's would be.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "screen.h"

#include <cstdio>

namespace e2e {

namespace {

std::string shot_folder()
{
    char buffer[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("E2E_SHOT_DIR", buffer, sizeof buffer);
    return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string("C:\\");
}

// The dialog with its frame and caption, as the screen shows it.
void take_shot(const Savewarden& app, const std::string& name)
{
    RECT area;
    GetWindowRect(app.dialog(), &area);
    const std::string path = shot_folder() + "\\" + name + ".bmp";
    check(save_bitmap(capture_screen(area), path), "screenshot written to " + path);
    std::printf("screenshot %s\n", path.c_str());
}

// The game's window opens over the dialog; a player would put it beside.
void keep_game_behind(const Savewarden& app, const std::string& title)
{
    HWND game = nullptr;
    wait_until([&] { return (game = find_window_by_title(title)) != nullptr; }, 5000);
    check(game != nullptr, "the game window \"" + title + "\" is open");
    RECT dialog;
    GetWindowRect(app.dialog(), &dialog);
    SetWindowPos(game, HWND_BOTTOM, dialog.right + 8, dialog.top, 0, 0,
                 SWP_NOSIZE | SWP_NOACTIVATE);
    SetForegroundWindow(app.dialog());
}

size_t wait_for_saves(const GameFolder& game, size_t count, unsigned timeout_ms)
{
    const unsigned long long until = now_ms() + timeout_ms;
    size_t saves = 0;
    while ((saves = count_game_events(game.log_path, "saved")) < count && now_ms() < until)
        sleep_ms(100);
    return saves;
}

}  // namespace

void scenario_demo(const Env& env)
{
    GameFolder game;
    game.folder = "c:\\angband";
    game.log_path = "c:\\angband\\demo-game.log";
    check(file_exists(game.folder + "\\angband.exe"), "a game at c:\\angband\\angband.exe");
    check(file_exists(game.live_save()), "a save file at " + game.live_save());
    remove_file(game.log_path);
    GameBehaviour behaviour;  // the default title and save command
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    Fields fields;  // the defaults, with an interval short enough to watch
    fields.minutes = "0";
    fields.seconds = "05";
    app.fill_fields(fields);
    take_shot(app, "1-settings");

    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 1, 10000);
    const std::string before_tick = *read_file(game.live_save());
    check_file(game.backup_save(), before_tick, "backup made at Go");
    std::printf("Go: the game started, %s backed up to %s\n", game.live_save().c_str(),
                game.backup_save().c_str());
    keep_game_behind(app, behaviour.title);

    const std::string counting = caption_when(
        app, [](int left) { return left >= 0 && left <= 3; }, 8000);
    check(is_countdown(counting), "the caption counts down: " + counting);
    take_shot(app, "2-countdown");
    std::printf("caption: %s\n", counting.c_str());

    check(wait_for_saves(game, 1, 10000) >= 1, "the game was told to save at the due tick");
    const std::string saved = *read_file(game.live_save());
    check(saved != before_tick, "the game wrote a new save file");
    sleep_ms(500);  // the copy follows the save command at once
    check_file(game.backup_save(), saved, "backup refreshed after the due tick");
    std::printf("due tick: the game saved %zu bytes, the backup was refreshed\n", saved.size());
    take_shot(app, "3-after-save");

    exit_with_zero(app);
}

}  // namespace e2e
