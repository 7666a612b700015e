// The backup timer against the stand-in game: due ticks, a game window that
// goes away, a game that hangs and a game that refuses to save.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "folder_tree.h"

#include <set>

namespace e2e {

namespace {

// Starts Savewarden on the scenario's game with interval 0:02 and presses Go.
// The game polls for input, as the real one does; Savewarden must not wait
// for it to go idle, so the countdown shows with the first tick, about a
// second after Go (not 30 s, as when the start waited for the game).
void go_with_short_interval(Savewarden& app, const Env& env, const StandInGame& game,
                            const char* seconds = "2")
{
    app.start(env.savewarden_exe, "C:\\");
    app.fill_fields(fields_for(game, "0", seconds));
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

// Each due tick backs up the new save and keeps the backup it replaces:
// with the ten generations of a settings file that names none, every save
// is kept, and the first one and the older backup behind them.
void scenario_due_ticks(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Due Ticks");
    behaviour.save_number = 4242;
    behaviour.save_size = 5000;
    const std::string first_save = sample_save("ORIGINAL", 1000);
    const std::string older_backup = sample_save("OLDER backup", 900);
    StandInGame game(env, "due_ticks", first_save, behaviour);
    write_file(game.backup_save(), older_backup);

    Savewarden app;
    unsigned long long go = now_ms();
    go_with_short_interval(app, env, game);
    check_file(game.backup_save(), first_save, "backup made before the game starts");
    check_file(game.backup_save() + ".1", older_backup, "the older backup kept as generation 1");

    unsigned long long previous = go;
    for (size_t n = 1; n <= 6; ++n) {
        unsigned long long seen = wait_for_backed_up_save(game, n);
        unsigned long long gap = seen - previous;
        check(gap >= 1000 && gap <= 4500,
              "save " + std::to_string(n) + " came " + std::to_string(gap) + " ms after the last");
        previous = seen;
    }
    auto commands = game_events(game.log_path, "command");
    check(commands.size() >= 6, std::to_string(commands.size()) + " commands for 6+ saves");
    for (const GameEvent& c : commands)
        check_equal(c.details, "wparam=4242 lparam=0", "WM_COMMAND parameters");

    exit_with_zero(app, "Exit during a countdown");
    // Once Savewarden has ended, the last save the game wrote is backed up.
    size_t last = count_game_events(game.log_path, "saved");
    const std::string backup = read_file(game.backup_save()).value_or("");
    check(backup.rfind("SAVE " + std::to_string(last) + " ", 0) == 0,
          "the backup holds save " + std::to_string(last) + ": " + quoted(header_of(backup)));
    std::string names;
    for (const auto& [path, entry] : list_tree(game.folder + game.save_folder))
        names += " " + path;
    // Generation k holds save last - k, then the first save and the older
    // backup, as far as the ten kept.
    std::string expected = " save save.sav";
    for (size_t k = 1; k <= 10 && k <= last + 1; ++k) {
        expected += " save.sav." + std::to_string(k);
        const std::string kept = read_file(game.backup_save() + "." + std::to_string(k)).value_or("");
        const bool right = k < last ? kept.rfind("SAVE " + std::to_string(last - k) + " ", 0) == 0
                                    : kept == (k == last ? first_save : older_backup);
        check(right, "generation " + std::to_string(k) + " holds the save " +
                         std::to_string(k) + " before the last: " + quoted(header_of(kept)));
    }
    check_equal(names, expected, "the save folder: the backup, its generations, nothing else");
}

void scenario_game_window_closes(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Window Closes");
    behaviour.mode = "close";
    behaviour.delay_ms = 300;
    StandInGame game(env, "window_closes", sample_save("ORIGINAL", 1000), behaviour);

    Savewarden app;
    go_with_short_interval(app, env, game);
    check(wait_until([&] { return count_game_events(game.log_path, "closing-window") == 1; }, 5000),
          "the game closed its window");
    // The player leaves the notice open for several intervals: the
    // countdown stopped before it showed, so no second one comes on top.
    check(wait_for_message_box(app.dialog(), 6000) != nullptr, "the notice shows");
    sleep_ms(7000);
    check_equal(static_cast<long long>(message_boxes_owned_by(app.dialog()).size()), 1,
                "notices open after 7 s, at an interval of 2 s");
    expect_notice(app.dialog(), Notice::info, "Could not find Angband window", 1000);

    std::string caption = app.caption();
    expect_no_notice(app.dialog(), 5000, "no further notice once the first is closed");
    check_equal(app.caption(), caption, "caption stays after the countdown stopped");
    check(responds_within(app.dialog(), 2000), "Savewarden still answers");
    check_game_events(game.log_path, "command", 0, "commands that reached the game");
    exit_with_zero(app);
}

// A game that takes longer to save than a tick period, but less than the
// bound: Savewarden waits for it and backs up the whole new save.
void scenario_slow_game(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Slow Save");
    behaviour.mode = "slow";
    behaviour.delay_ms = 2500;
    behaviour.save_size = 7000;
    const std::string first_save = sample_save("ORIGINAL", 1000);
    StandInGame game(env, "slow_game", first_save, behaviour);

    Savewarden app;
    go_with_short_interval(app, env, game);
    check(wait_until([&] { return count_game_events(game.log_path, "slow-start") == 1; }, 6000),
          "the game started a slow save");
    check(responds_within(app.dialog(), 2000), "Savewarden answers sent messages while it waits");
    check_file(game.backup_save(), first_save, "backup unchanged before the save is written");
    wait_for_backed_up_save(game, 1);
    exit_with_zero(app);
}

// The game stops answering inside its save command, after writing half a
// save. Savewarden waits a bounded time, keeps the old backup and comes back.
void scenario_hung_game(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Hangs");
    behaviour.mode = "hang";
    const std::string first_save = sample_save("ORIGINAL", 3000);
    StandInGame game(env, "hung_game", first_save, behaviour);

    Savewarden app;
    go_with_short_interval(app, env, game);
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

// A game left idle saves the same bytes at every command: the first of
// them is backed up, with the backup it replaced kept; after that nothing
// is written, and no generation is pushed out by copies of the same save.
void scenario_idle_game(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Idle");
    behaviour.same_bytes = true;
    const std::string first_save = sample_save("ORIGINAL", 2000);
    StandInGame game(env, "idle_game", first_save, behaviour);

    Savewarden app;
    go_with_short_interval(app, env, game, "1");
    if (!wait_until([&] { return count_game_events(game.log_path, "saved") >= 1; }, 5000))
        fail("the game did not save");
    const std::string idle = read_file(game.live_save()).value_or("");
    check(wait_until([&] { return read_file(game.backup_save()).value_or("") == idle; }, 3000),
          "the first idle save is backed up");
    check_file(game.backup_save() + ".1", first_save, "the backup it replaced, as generation 1");
    WIN32_FILE_ATTRIBUTE_DATA before = {};
    GetFileAttributesExA(game.backup_save().c_str(), GetFileExInfoStandard, &before);

    if (!wait_until([&] { return count_game_events(game.log_path, "saved") >= 4; }, 8000))
        fail("the game did not save three times more");
    exit_with_zero(app);
    WIN32_FILE_ATTRIBUTE_DATA after = {};
    GetFileAttributesExA(game.backup_save().c_str(), GetFileExInfoStandard, &after);
    check(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime) == 0,
          "the backup was not written again for the same bytes");
    check_file(game.backup_save() + ".1", first_save, "generation 1 after four idle saves");
    check(!file_exists(game.backup_save() + ".2"), "one generation, not one per idle save");
}

// The game refuses while the player is in a menu (here its new-character
// screen, after it wrote the dead character over the live save behind
// Savewarden's back), and the player closes its box within a second or
// two. Nothing was saved for the command, so the backup stays; the next
// real save is backed up, the old backup kept as generation 1.
void scenario_game_refuses_briefly(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Refuses Briefly");
    behaviour.mode = "refuse";
    behaviour.refusals = 1;
    behaviour.refusal_close_ms = 1500;
    behaviour.dies_after_ms = 500;
    const std::string first_save = sample_save("ORIGINAL living hero", 2000);
    StandInGame game(env, "game_refuses_briefly", first_save, behaviour);

    Savewarden app;
    go_with_short_interval(app, env, game, "2");
    check(wait_until([&] { return count_game_events(game.log_path, "died") == 1; }, 3000),
          "the game wrote its dead character over the live save");
    check(wait_until([&] { return count_game_events(game.log_path, "refused") == 1; }, 8000),
          "the game refused the save command and the player closed its box");
    sleep_ms(500);
    check(responds_within(app.dialog(), 3000), "the due tick is over");
    check_file(game.backup_save(), first_save, "the backup after the refused command");
    check(!file_exists(game.backup_save() + ".1"), "no generation pushed by the refusal");

    wait_for_backed_up_save(game, 1);
    check_file(game.backup_save() + ".1", first_save, "the living hero kept as generation 1");
    exit_with_zero(app);
}

// Like the real game away from its command prompt: a modal "Warning" box
// owned by its main window, which stays disabled until the player closes
// it, and no save. The send waits out its bound; after that the game gets
// no second command while its box is open, the countdown goes on, the old
// backup stays, and once the box is closed the next due tick saves.
void scenario_game_refuses(const Env& env)
{
    GameBehaviour behaviour = titled("Angband Refuses");
    behaviour.mode = "refuse";
    behaviour.refusals = 1;
    const std::string first_save = sample_save("ORIGINAL", 2000);
    StandInGame game(env, "game_refuses", first_save, behaviour);

    // A due tick leaves the caption as it is, so with 2 s between due ticks
    // a single text could stand for ever; 3 s gives two between them.
    Savewarden app;
    go_with_short_interval(app, env, game, "3");
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
    check_game_events(game.log_path, "command", 1,
                      "commands that reached the game while its box is open");
    check_file(game.backup_save(), first_save, "backup kept while the game refuses");
    check(responds_within(app.dialog(), 3000), "Savewarden answers while the game refuses");
    close_message_box(refusal);

    wait_for_backed_up_save(game, 1);
    exit_with_zero(app);
}

}  // namespace e2e
