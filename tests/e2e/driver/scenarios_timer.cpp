// The backup timer against the stand-in game: due ticks, a game window that
// goes away, a game that hangs and a game that refuses to save.
#include "scenarios.h"

#include "check.h"
#include "files.h"

#include <set>

namespace e2e {

namespace {

// Starts Savewarden on the scenario's game with interval 0:02 and presses Go.
// The game polls for input, as the real one does; Savewarden must not wait
// for it to go idle, so the countdown shows with the first tick, about a
// second after Go (not 30 s, as when the start waited for the game).
void go_with_short_interval(Savewarden& app, const Env& env, const GameFolder& game,
                            const GameBehaviour& behaviour, const char* seconds = "2")
{
    app.start(env.savewarden_exe, "C:\\");
    app.fill_fields(fields_for(game, behaviour, "0", seconds));
    unsigned long long go = now_ms();
    click_button(app.dialog(), ids::go);
    std::string caption = caption_when(app, [](int left) { return left >= 0; }, 5000);
    unsigned long long shown = now_ms() - go;
    check(is_countdown(caption) && shown <= 3000,
          "countdown " + quoted(caption) + " shown " + std::to_string(shown) + " ms after Go");
    wait_for_game_starts(game, 1, 10000);
}

std::string header_of(const std::string& content)
{
    return content.substr(0, content.find('\n'));
}

// Waits until the game has written save number n and the backup holds the
// same bytes; returns when the save was seen.
unsigned long long wait_for_backed_up_save(const GameFolder& game, size_t n)
{
    bool saved = wait_until([&] { return count_game_events(game.log_path, "saved") >= n; }, 8000);
    if (!saved)
        fail("save " + std::to_string(n) + " did not happen within 8 s");
    unsigned long long seen = now_ms();
    std::string live;
    bool copied = wait_until([&] {
        live = read_file(game.live_save()).value_or("");
        return read_file(game.backup_save()).value_or("") == live;
    }, 3000);
    if (!copied)
        fail("after save " + std::to_string(n) + " the backup does not equal the save " +
             quoted(header_of(live)));
    check(live.rfind("SAVE " + std::to_string(n) + " ", 0) == 0,
          "backup equals save " + std::to_string(n) + " " + quoted(header_of(live)));
    return seen;
}

}  // namespace

void scenario_due_ticks(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Due Ticks";
    behaviour.save_number = 4242;
    behaviour.save_size = 5000;
    const std::string first_save = sample_save("ORIGINAL", 1000);
    GameFolder game = scenario_game(env, "due_ticks", first_save);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    unsigned long long go = now_ms();
    go_with_short_interval(app, env, game, behaviour);
    check_file(game.backup_save(), first_save, "backup made before the game starts");

    unsigned long long previous = go;
    for (size_t n = 1; n <= 3; ++n) {
        unsigned long long seen = wait_for_backed_up_save(game, n);
        unsigned long long gap = seen - previous;
        check(gap >= 1000 && gap <= 4500,
              "save " + std::to_string(n) + " came " + std::to_string(gap) + " ms after the last");
        previous = seen;
    }
    auto commands = game_events(game.log_path, "command");
    check(commands.size() >= 3, std::to_string(commands.size()) + " commands for 3+ saves");
    for (const GameEvent& c : commands)
        check_equal(c.details, "wparam=4242 lparam=0", "WM_COMMAND parameters");

    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit during a countdown");
}

void scenario_game_window_closes(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Window Closes";
    behaviour.mode = "close";
    behaviour.delay_ms = 300;
    GameFolder game = scenario_game(env, "window_closes", sample_save("ORIGINAL", 1000));
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    go_with_short_interval(app, env, game, behaviour);
    check(wait_until([&] { return count_game_events(game.log_path, "closing-window") == 1; }, 5000),
          "the game closed its window");
    expect_notice(app.dialog(), Notice::info, "Could not find Angband window", 6000);

    std::string caption = app.caption();
    expect_no_notice(app.dialog(), 5000, "no further notice once the first is closed");
    check_equal(app.caption(), caption, "caption stays after the countdown stopped");
    check(responds_within(app.dialog(), 2000), "Savewarden still answers");
    check_equal(static_cast<long long>(count_game_events(game.log_path, "command")), 0,
                "commands that reached the game");
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit");
}

// A game that takes longer to save than a tick period, but less than the
// bound: Savewarden waits for it and backs up the whole new save.
void scenario_slow_game(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Slow Save";
    behaviour.mode = "slow";
    behaviour.delay_ms = 2500;
    behaviour.save_size = 7000;
    const std::string first_save = sample_save("ORIGINAL", 1000);
    GameFolder game = scenario_game(env, "slow_game", first_save);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    go_with_short_interval(app, env, game, behaviour);
    check(wait_until([&] { return count_game_events(game.log_path, "slow-start") == 1; }, 6000),
          "the game started a slow save");
    check(responds_within(app.dialog(), 2000), "Savewarden answers sent messages while it waits");
    check_file(game.backup_save(), first_save, "backup unchanged before the save is written");
    wait_for_backed_up_save(game, 1);
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit");
}

// The game stops answering inside its save command, after writing half a
// save. Savewarden waits a bounded time, keeps the old backup and comes back.
void scenario_hung_game(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Hangs";
    behaviour.mode = "hang";
    const std::string first_save = sample_save("ORIGINAL", 3000);
    GameFolder game = scenario_game(env, "hung_game", first_save);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    go_with_short_interval(app, env, game, behaviour);
    check(wait_until([&] { return count_game_events(game.log_path, "hanging") == 1; }, 6000),
          "the game took the save command and hangs");
    unsigned long long hung = now_ms();
    check(read_file(game.live_save()).value_or("") != first_save, "the game left a half-written save");

    // Sent messages reach Savewarden even while it waits on the game.
    check(responds_within(app.dialog(), 3000), "Savewarden answers sent messages during the wait");
    // A posted command waits for the send to end: Exit shows when it ends.
    click_button(app.dialog(), ids::exit_button);
    DWORD code = app.wait_for_exit(40000, "Exit while the game hangs");
    unsigned long long waited = now_ms() - hung;
    check(waited <= 36000, "Savewarden came back " + std::to_string(waited) +
                               " ms after the game hung (bound 30 s)");
    check_equal(static_cast<long long>(code), 0, "exit code");
    check_file(game.backup_save(), first_save, "backup not overwritten by the half-written save");
}

// Like the real game away from its command prompt: a modal "Warning" box
// owned by its main window, which stays disabled until the player closes
// it, and no save. The send waits out its bound; after that the game gets
// no second command while its box is open, the countdown goes on, the old
// backup stays, and once the box is closed the next due tick saves.
void scenario_game_refuses(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Refuses";
    behaviour.mode = "refuse";
    behaviour.refusals = 1;
    const std::string first_save = sample_save("ORIGINAL", 2000);
    GameFolder game = scenario_game(env, "game_refuses", first_save);
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    // A due tick leaves the caption as it is, so with 2 s between due ticks
    // a single text could stand for ever; 3 s gives two between them.
    Savewarden app;
    go_with_short_interval(app, env, game, behaviour, "3");
    HWND game_window = nullptr;
    check(wait_until([&] { game_window = find_window_by_title(behaviour.title); return game_window; },
                     3000), "the game window is there");
    HWND refusal = wait_for_message_box(game_window, 6000);
    check(refusal != nullptr, "the game shows its refusal box");
    unsigned long long refused = now_ms();
    MessageBoxInfo box = read_message_box(refusal);
    check_equal(box.text, "You may not do that right now.", "refusal text");
    check_equal(box.caption, "Warning", "refusal caption");
    check(!IsWindowEnabled(game_window), "the game window is disabled behind its box");

    // Past the 30 s bound of the send, and a few intervals more.
    sleep_ms(static_cast<unsigned>(36000 - (now_ms() - refused)));
    std::set<std::string> shown;
    wait_until([&] {
        std::string caption = app.caption();
        if (is_countdown(caption))
            shown.insert(caption);
        return shown.size() >= 2;
    }, 5000);
    check(shown.size() >= 2, "the caption counts after the bound: " +
                                 std::to_string(shown.size()) + " countdown text(s) in 5 s");
    check_equal(static_cast<long long>(count_game_events(game.log_path, "command")), 1,
                "commands that reached the game while its box is open");
    check_file(game.backup_save(), first_save, "backup kept while the game refuses");
    check(responds_within(app.dialog(), 3000), "Savewarden answers while the game refuses");
    close_message_box(refusal);

    wait_for_backed_up_save(game, 1);
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit");
}

}  // namespace e2e
