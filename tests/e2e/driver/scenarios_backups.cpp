// The Backups window: every backup in view, any one brought back and the
// restore undone from the same list, and nothing restored under a running
// game.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "folder_tree.h"
#include "system_menu.h"

namespace e2e {

namespace {

const char* const kBackupsCaption = "Savewarden Backups";

HWND backups_window(const Savewarden& app)
{
    for (HWND window : top_level_windows(app.process_id(), nullptr))
        if (window_text(window) == kBackupsCaption)
            return window;
    return nullptr;
}

HWND wait_for_backups_window(const Savewarden& app, const std::string& after)
{
    HWND window = nullptr;
    if (!wait_until([&] { return (window = backups_window(app)) != nullptr; }, 5000))
        fail(after + ": no Backups window within 5 s; windows:" + describe_top_level_windows());
    return window;
}

LRESULT list_message(HWND window, UINT message, WPARAM wparam = 0, LPARAM lparam = 0)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(GetDlgItem(window, ids::backup_list), message, wparam, lparam,
                             SMTO_ABORTIFHUNG, 2000, &result))
        fail("the Backups window's list does not answer");
    return static_cast<LRESULT>(result);
}

// Asked for in wide characters: Wine hands a cross-process LB_GETTEXT back
// in them whichever way it was asked.
std::vector<std::string> shown_rows(HWND window)
{
    HWND list = GetDlgItem(window, ids::backup_list);
    std::vector<std::string> rows;
    const LRESULT count = list_message(window, LB_GETCOUNT);
    for (LRESULT i = 0; i < count; ++i) {
        if (list_message(window, LB_GETTEXTLEN, i) >= 1024)
            fail("row " + std::to_string(i) + " is too long");
        std::vector<wchar_t> wide(1024, L'\0');
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(wide.data()),
                            SMTO_ABORTIFHUNG, 2000, &ignored);
        char text[2048] = "";
        WideCharToMultiByte(CP_ACP, 0, wide.data(), -1, text, sizeof text, nullptr, nullptr);
        rows.push_back(text);
    }
    return rows;
}

// The file's last write as the user's short date and time, as Windows
// formats them.
std::string local_time_of(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        fail("no file " + path);
    FindClose(search);
    FILETIME local;
    SYSTEMTIME time;
    char date[64] = "", clock[64] = "";
    FileTimeToLocalFileTime(&found.ftLastWriteTime, &local);
    FileTimeToSystemTime(&local, &time);
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, sizeof clock);
    if (!date[0] || !clock[0])
        fail("no date or time text for " + path);
    return std::string(date) + " " + clock;
}

struct Save {
    std::string content;
    std::string description;  // as the game wrote it; empty: none
};

Save described(const std::string& description, size_t size)
{
    return {described_save(description, size), description};
}

struct Row {
    const char* which;
    std::string path;
    const Save* save;
};

// Each row names its file, its time, its size and its description, and the
// file holds what the row says; the window is given a moment to read them.
void check_rows(HWND window, const std::vector<Row>& expected, const std::string& when,
                bool first_selected = true)
{
    std::vector<std::string> wanted;
    for (const Row& row : expected) {
        check_file(row.path, row.save->content, std::string(row.which) + " " + when);
        wanted.push_back(std::string(row.which) + "\t" + local_time_of(row.path) + "\t" +
                         std::to_string(row.save->content.size()) + " bytes\t" +
                         row.save->description);
    }
    std::vector<std::string> shown;
    wait_until([&] { return (shown = shown_rows(window)) == wanted; }, 2000);
    std::string listing;
    for (const std::string& text : shown)
        listing += "\n  " + quoted(text);
    check(shown == wanted, "the list " + when + " (" + std::to_string(shown.size()) + " rows):" +
                               listing);
    if (first_selected)
        check_equal(static_cast<long long>(list_message(window, LB_GETCURSEL)), 0,
                    "the first row is selected " + when);
}

void press_in_list(HWND window, UINT key, int times = 1)
{
    for (int i = 0; i < times; ++i)
        press_key(window, ids::backup_list, key);
}

bool restore_enabled(HWND window)
{
    return IsWindowEnabled(GetDlgItem(window, ids::backup_restore)) != FALSE;
}

// A double click as the mouse makes it, on the middle of the row.
void double_click_row(HWND window, int index)
{
    HWND list = GetDlgItem(window, ids::backup_list);
    const LRESULT height = list_message(window, LB_GETITEMHEIGHT);
    const LRESULT top = list_message(window, LB_GETTOPINDEX);
    const LPARAM at = MAKELPARAM(10, (index - top) * height + height / 2);
    for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        PostMessageA(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, at);
}

}  // namespace

void scenario_backups_window(const Env& env)
{
    const Save dead = described("Hero, dead (Grip, Farmer Maggot's Dog)", 3000);
    const Save living = described("Hero, L12 Human Warrior, at DL7", 2500);
    const Save older = {sample_save("OLDER, from before descriptions", 1800), ""};
    const Save level5 = described("Hero, L5 Human Warrior, at DL2", 1200);
    // No settings file: ten older backups, the default.
    StandInGame game(env, "backups_window", dead.content, titled("Angband Backups Window"));
    const std::string live = game.live_save(), backup = game.backup_save();
    auto older_n = [&](int n) { return backup + "." + std::to_string(n); };
    write_file(backup, living.content);
    write_file(older_n(1), older.content);
    write_file(older_n(2), level5.content);
    const Save beyond = described("Ann, L23 Dwarf Priest, at DL15", 2900);
    write_file(older_n(11), beyond.content);

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    Fields fields = fields_for(game, "0", "0");
    fields.character = std::string(250, 'x');
    app.fill_fields(fields);
    post_system_command(app.dialog(), ids::backups);
    expect_notice(app.dialog(), Notice::info, "Path to save file is too long", 5000);
    check(backups_window(app) == nullptr, "no Backups window for an impossible path");

    fields.character = game.character;
    app.fill_fields(fields);
    SystemMenuLayout menu = open_system_menu_and_select_last(app.dialog(), 1);
    check(menu.found && menu.separator_above && !menu.last_is_bottom,
          "the item above the last one has a separator above it: " + menu.description);
    choose_selected_menu_item(app.dialog());
    HWND window = wait_for_backups_window(app, "the item above About");
    check(GetWindow(window, GW_OWNER) == nullptr, "the Backups window is a window of its own");
    check_rows(window, {{"Save file", live, &dead}, {"Backup", backup, &living},
                        {"Older 1", older_n(1), &older}, {"Older 2", older_n(2), &level5},
                        {"Earlier life", older_n(11), &beyond}},
               "as opened");
    take_shot_beside_main_dialog(app, window, "backups-window");

    // The save file's own row restores nothing, by Enter or by the button.
    const FolderTree as_opened = list_tree(game.folder);
    check(!restore_enabled(window), "Restore is greyed with the save file's row selected");
    press_in_list(window, VK_RETURN);
    click_button(window, ids::backup_restore);
    expect_no_notice(window, 1000, "nothing said for the save file's own row");
    check_equal(tree_difference(as_opened, list_tree(game.folder)), "",
                "files after Restore on the save file's row");

    // Older 2 by the keys, with Enter; the save file it replaces becomes
    // Older 1, and the Restore Character? box is cleared.
    set_checked(app.dialog(), ids::restore, true);
    press_in_list(window, VK_DOWN, 3);
    check(wait_until([&] { return restore_enabled(window); }, 2000),
          "Restore is there for an older backup");
    press_in_list(window, VK_RETURN);
    check(wait_until([&] { return read_file(live) == level5.content; }, 5000),
          "Enter restored Older 2");
    check(wait_until([&] { return shown_rows(window).size() == 6; }, 2000), "the list was read again");
    check_rows(window, {{"Save file", live, &level5}, {"Backup", backup, &living},
                        {"Older 1", older_n(1), &dead}, {"Older 2", older_n(2), &older},
                        {"Older 3", older_n(3), &level5}, {"Earlier life", older_n(11), &beyond}},
               "after the restore");
    check(!is_checked(app.dialog(), ids::restore), "the Restore Character? box was cleared");

    // Undone by a double click on Older 1, the save file that was replaced.
    // The row holds the save it replaces already: that file moves up to
    // Older 1, and no save is listed twice.
    double_click_row(window, 2);
    check(wait_until([&] { return read_file(live) == dead.content; }, 5000),
          "a double click on Older 1 undid the restore");
    check_rows(window, {{"Save file", live, &dead}, {"Backup", backup, &living},
                        {"Older 1", older_n(1), &level5}, {"Older 2", older_n(2), &dead},
                        {"Older 3", older_n(3), &older}, {"Earlier life", older_n(11), &beyond}},
               "after the undo");

    // While the game runs, Restore changes nothing and says so in a notice
    // of the window's own. Backups again reads the list again.
    // The dead save over a living backup: Go asks first, and No backs the
    // dead one up as asked.
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::question,
                  "The save file holds " + dead.description + ".\nThe backup holds " +
                      living.description + ".\n\nBring that character back?",
                  5000, IDNO);
    wait_for_game_starts(game, 1, 10000);
    post_system_command(app.dialog(), ids::backups);
    // The dead save, held as Older 2, moved to the front.
    check_rows(window, {{"Save file", live, &dead}, {"Backup", backup, &dead},
                        {"Older 1", older_n(1), &living}, {"Older 2", older_n(2), &level5},
                        {"Older 3", older_n(3), &older}, {"Earlier life", older_n(11), &beyond}},
               "after Go");
    check(backups_window(app) == window, "still the one Backups window");
    const FolderTree under_game = list_tree(game.folder);
    press_in_list(window, VK_DOWN, 2);
    click_button(window, ids::backup_restore);
    expect_notice(window, Notice::info, kCloseBeforeRestore, 5000);
    check_equal(tree_difference(under_game, list_tree(game.folder)), "",
                "files after Restore while the game runs");
    check_file(live, dead.content, "the save file while the game runs");

    press_in_list(window, VK_ESCAPE);
    check(wait_until([&] { return !IsWindow(window); }, 3000), "Escape closed the Backups window");
    post_system_command(app.dialog(), ids::backups);
    window = wait_for_backups_window(app, "Backups after Escape");
    post_system_command(window, SC_CLOSE);
    check(wait_until([&] { return !IsWindow(window); }, 3000), "the close button closed it");
    post_system_command(app.dialog(), ids::backups);
    window = wait_for_backups_window(app, "Backups after Close");
    exit_with_zero(app, "Exit with the Backups window open");
    check(!IsWindow(window), "the Backups window went with the program");
}

// The game saves by itself at each new level: each living save is kept at
// once, one generation each, the countdown starting over and no save command
// sent; a dead save and one without a description are not kept. The first
// life's last state stays beyond the two generations after a new character's
// saves, and the window left open follows the row and restores that state.
void scenario_follows_the_game(const Env& env)
{
    const std::vector<std::string> descriptions = {
        "Hero, L2 Human Warrior, at DL1", "Hero, L3 Human Warrior, at DL2", "Hero, dead (a kobold)",
        "Hero, L1 Human Warrior, at DL1", "Hero, L1 Human Warrior, at DL2",
        "Hero, L2 Human Warrior, at DL3", "Hero, L3 Human Warrior, at DL4", ""};
    GameBehaviour behaviour = titled("Angband Saving By Itself");
    for (size_t i = 0; i < descriptions.size(); ++i)
        behaviour.self_saves += (i ? "|" : "") + descriptions[i];
    const Save first = described("Hero, L1 Human Warrior, at DL1", 3000);
    StandInGame game(env, "follows_the_game", first.content, behaviour);
    write_file(settings_file_path(), "[Options]\r\nBackupGenerations=2\r\n");
    const std::string live = game.live_save(), backup = game.backup_save();
    auto older_n = [&](int n) { return backup + "." + std::to_string(n); };

    Savewarden app;
    start_and_go(app, env, game, "0", "30");
    post_system_command(app.dialog(), ids::backups);
    HWND window = wait_for_backups_window(app, "Backups after Go");
    const unsigned long pid = game_events(game.log_path, "window").at(0).pid;
    std::vector<Save> saves;
    for (unsigned k = 1; k <= descriptions.size(); ++k)
        saves.push_back({self_save(descriptions[k - 1], k, pid, 3000), descriptions[k - 1]});

    const Save* newest_kept = &first;
    for (size_t k = 1; k <= saves.size(); ++k) {
        const Save& save = saves[k - 1];
        const std::string what = "self-save " + std::to_string(k) + " " + quoted(save.description);
        check(wait_until([&] { return count_game_events(game.log_path, "self-saved") >= k; }, 6000),
              what + " made within 6 s (a held save file fails its renames)");
        if (!save.description.empty() && save.description.find(", dead") == std::string::npos) {
            check(wait_until([&] { return read_file(backup) == save.content; }, 4000),
                  what + " kept as the backup within 4 s");
            check_file(older_n(1), newest_kept->content,
                       what + ": the state kept before it one generation older");
            const std::string caption = caption_when(app, [](int s) { return s >= 27; }, 1000);
            check(countdown_seconds(caption) >= 27,
                  what + ": the countdown started over from 00:30, caption " + quoted(caption));
            newest_kept = &save;
            continue;
        }
        sleep_ms(2000);  // long enough for the save to hold still and be kept, were it kept
        check_file(backup, newest_kept->content, what + " not kept");
    }
    // The window, open all along, read the row again after each change.
    check_rows(window, {{"Save file", live, &saves[7]}, {"Backup", backup, &saves[6]},
                        {"Older 1", older_n(1), &saves[5]}, {"Older 2", older_n(2), &saves[4]},
                        {"Earlier life", older_n(3), &saves[1]}},
               "after the game's own saves", false);
    check_game_events(game.log_path, "command", 0, "save commands sent while the game saved by itself");

    // The earlier life comes back from the window left open all along; but
    // not while its file has changed since the list was read (written
    // again here, its time moving on).
    auto select_earlier_life = [&] {
        press_in_list(window, VK_END);
        check(wait_until([&] { return restore_enabled(window) && list_message(window, LB_GETCURSEL) == 4; },
                         2000),
              "End selected the Earlier life row, with Restore there for it");
    };
    end_games(game.log_path);
    select_earlier_life();
    sleep_ms(1100);
    write_file(older_n(3), saves[1].content);
    click_button(window, ids::backup_restore);
    expect_notice(window, Notice::info, "The backups have changed: choose again", 5000);
    check_file(live, saves[7].content, "nothing restored from a row whose file changed");
    select_earlier_life();
    click_button(window, ids::backup_restore);
    check(wait_until([&] { return read_file(live) == saves[1].content; }, 5000),
          "Restore of the Earlier life row brought back " + quoted(saves[1].description));
}

}  // namespace e2e
