// Long and odd paths typed into the real dialog: blanks, a game folder that
// ends in a backslash, the 255-character limits from both sides, and
// characters of the ANSI code page beyond ASCII. Each request either works
// (the backup is the live save byte for byte and the game gets the command
// line the fields compose) or is refused with its notice; none writes
// anything but the backup, and Savewarden keeps running.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "folder_tree.h"

#include <windows.h>

#include <algorithm>
#include <list>

namespace e2e {

namespace {

const std::string kRoot = "C:\\e2e\\paths";
const std::string kLog = "C:\\e2e\\paths.log";

struct PathCase {
    std::string what;
    std::string folder;  // the game folder field
    std::string save_path = "\\lib\\save";
    std::string character = "save";
    std::string refusal;  // the notice expected; empty when the request works
};

// The three texts as Savewarden composes them from the fields.
std::string live_of(const PathCase& c) { return c.folder + c.save_path + "\\" + c.character; }
std::string backup_of(const PathCase& c) { return live_of(c) + ".sav"; }
std::string command_of(const PathCase& c) { return c.folder + "\\angband.exe " + live_of(c); }

// The stand-in game's folder on disk, and the live save there, written
// through the ANSI API as the game would write it.
void lay_out(const PathCase& c, const Env& env, const std::string& live)
{
    std::string folder = c.folder;
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    make_folders(folder + c.save_path);
    copy_file(env.stand_in_exe, folder + "\\angband.exe");
    HANDLE file = CreateFileA(live_of(c).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE &&
              WriteFile(file, live.data(), static_cast<DWORD>(live.size()), &written, nullptr) &&
              written == live.size();
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    if (!ok)
        fail(c.what + ": cannot write the live save " + quoted(live_of(c)));
}

// A path below the root as the folder listing spells it.
std::string listed(const std::string& path)
{
    std::string below = path.substr(kRoot.size() + 1);
    std::string out;
    for (char ch : below)
        if (!(ch == '\\' && !out.empty() && out.back() == '\\'))
            out += ch;
    return ansi_to_utf8(out);
}

Fields fields_of(const PathCase& c)
{
    GameFolder game;
    game.folder = c.folder;
    game.save_folder = c.save_path;
    game.character = c.character;
    return fields_for(game, titled("Angband Paths"), "0", "0");
}

std::string settings_or_none()
{
    auto content = read_file(settings_file_path());
    return content ? text_lines_joined(*content) : "<no settings file>";
}

// Presses Go and waits for the game's start or a notice, whichever comes.
void go_expecting_start(Savewarden& app, size_t starts)
{
    click_button(app.dialog(), ids::go);
    HWND box = nullptr;
    wait_until([&] {
        if (count_game_events(kLog, "start") >= starts)
            return true;
        std::vector<HWND> boxes = message_boxes_owned_by(app.dialog());
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    }, 10000);
    if (box) {
        std::string text = read_message_box(box).text;
        close_message_box(box);
        fail("expected the game to start, got the notice " + quoted(text));
    }
    if (count_game_events(kLog, "start") < starts)
        fail("the game did not start within 10 s");
}

void run_working_case(Savewarden& app, const PathCase& c, const Env& env, size_t& starts)
{
    note("case: " + c.what);
    const std::string live = sample_save("LIVE " + c.what, 2000 + 37 * starts);
    lay_out(c, env, live);
    const FolderTree before = list_tree(kRoot);

    const Fields fields = fields_of(c);
    app.fill_fields(fields);
    go_expecting_start(app, ++starts);

    // The game takes its save file path up to the first blank. A line
    // without blanks reaches it byte for byte as composed; paths with
    // blanks go by their short names, and the game must open the live save.
    const std::string seen = game_events(kLog, "start").back().details;
    const std::string composed = command_of(c);
    const std::string program = c.folder + "\\angband.exe";
    if (program.find(' ') == std::string::npos && live_of(c).find(' ') == std::string::npos) {
        check_equal(seen, "cmdline=" + composed, c.what + ": the game's command line");
    } else {
        check(std::count(seen.begin(), seen.end(), ' ') == 1,
              c.what + ": one blank only, between program and save file: " + quoted(seen));
        const std::string taken = game_events(kLog, "save-path").back().details.substr(5);
        check(read_file(taken).value_or("") == live,
              c.what + ": the game's save file " + quoted(taken) + " is the live save");
    }
    check_equal(game_events(kLog, "save-file").back().details, "opens",
                c.what + ": the game opens its save file");
    check_file(backup_of(c), live, c.what + ": backup");
    check_equal(tree_difference(before, list_tree(kRoot)),
                "+ " + listed(backup_of(c)) + " (" + std::to_string(live.size()) + " bytes)\n",
                c.what + ": what changed on disk");
    const Fields stored = with_numbers(fields, "00", "00", "110");
    check_equal(settings_or_none(), expected_settings_text(stored), c.what + ": settings file");
    end_games(kLog);  // the next case's Go would find this game running
    check(app.running() && responds_within(app.dialog(), 3000), c.what + ": Savewarden runs on");
}

void run_refused_case(Savewarden& app, const PathCase& c, size_t starts)
{
    note("case: " + c.what);
    const FolderTree before = list_tree(kRoot);
    const std::string settings = settings_or_none();
    app.fill_fields(fields_of(c));
    click_button(app.dialog(), ids::go);
    expect_notice(app.dialog(), Notice::info, c.refusal, 5000);
    check_equal(tree_difference(before, list_tree(kRoot)), "", c.what + ": what changed on disk");
    check_equal(settings_or_none(), settings, c.what + ": settings file unchanged");
    sleep_ms(300);
    check_game_events(kLog, "start", starts, c.what + ": game starts");
    check(app.running() && responds_within(app.dialog(), 3000), c.what + ": Savewarden runs on");
}

std::string repeated(const std::string& unit, size_t length)
{
    std::string text;
    while (text.size() < length)
        text += unit;
    text.resize(length);
    return text;
}

// A character name that brings the text the check looks at to `length`.
std::string name_for_command_line(const std::string& folder, const std::string& save_path,
                                  size_t length)
{
    size_t fixed = command_of(PathCase{"", folder, save_path, "", ""}).size();
    return repeated("Longname", length - fixed);
}

std::string name_for_backup(const std::string& folder, const std::string& save_path,
                            size_t length)
{
    size_t fixed = backup_of(PathCase{"", folder, save_path, "", ""}).size();
    return repeated("Longname", length - fixed);
}

}  // namespace

void scenario_odd_paths(const Env& env)
{
    remove_settings_file();
    fresh_folder(kRoot);
    remove_file(kLog);
    GameBehaviour behaviour;
    behaviour.title = "Angband Paths";
    // Interval 0: no ticks, so the games started here only ever start.
    set_game_behaviour(behaviour, kLog);
    GameGuard games(kLog);

    const std::string cl = kRoot + "\\cl";
    const std::string sp = kRoot + "\\sp";
    // "Bérénice_Æß€" in code page 1252.
    const std::string ansi_name = "B\xE9r\xE9nice_\xC6\xDF\x80";
    const PathCase cl_255 = {"command line of exactly 255 characters", cl, "\\lib\\save",
                             name_for_command_line(cl, "\\lib\\save", 255), ""};
    const PathCase cl_256 = {"command line of 256 characters", cl, "\\lib\\save",
                             name_for_command_line(cl, "\\lib\\save", 256),
                             "Angband command line is too long"};
    // The command line holds the live save file and more, so a backup path
    // of 255 passes its own check and stops at the command line's.
    const PathCase backup_255 = {"backup save file path of exactly 255 characters", sp,
                                 "\\lib\\save", name_for_backup(sp, "\\lib\\save", 255),
                                 "Angband command line is too long"};
    const PathCase backup_256 = {"backup save file path of 256 characters", sp, "\\lib\\save",
                                 name_for_backup(sp, "\\lib\\save", 256),
                                 "Path to save file is too long"};
    check_equal(static_cast<long long>(command_of(cl_255).size()), 255, "command line length");
    check_equal(static_cast<long long>(command_of(cl_256).size()), 256, "command line length");
    check_equal(static_cast<long long>(backup_of(backup_255).size()), 255, "backup path length");
    check_equal(static_cast<long long>(backup_of(backup_256).size()), 256, "backup path length");

    const std::vector<PathCase> working = {
        {"blanks in the character name and the save folder", kRoot + "\\plain",
         "\\lib\\save games", "Sir Robin of Camelot", ""},
        {"blanks in the game folder", kRoot + "\\Game Folder", "\\lib\\save", "save", ""},
        {"game folder ending in a backslash", kRoot + "\\trail\\", "\\lib\\save", "save", ""},
        {"blank at the end of the character name", kRoot + "\\endblank", "\\lib\\save", "hero ",
         ""},
        cl_255,
        // Last of the working cases, so that its settings are the ones the
        // next start of Savewarden reads back.
        {"code page 1252 letters in the character name", kRoot + "\\ansi", "\\lib\\save",
         ansi_name, ""},
    };
    const std::vector<PathCase> refused = {
        cl_256,
        backup_255,
        backup_256,
        {"character field of 300 characters, cut to 255", sp, "\\lib\\save",
         repeated("Longname", 300), "Path to save file is too long"},
    };

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    size_t starts = 0;
    for (const PathCase& c : working)
        run_working_case(app, c, env, starts);
    for (const PathCase& c : refused)
        run_refused_case(app, c, starts);

    // The name of the last working case, as the file system holds it.
    const FolderTree tree = list_tree(kRoot);
    // The system drops a blank at the end of a file name, so the live save
    // "hero " is the file "hero"; inside the backup's name it stays.
    check(tree.count("endblank\\lib\\save\\hero") == 1 &&
              tree.count("endblank\\lib\\save\\hero ") == 0 &&
              tree.count("endblank\\lib\\save\\hero .sav") == 1,
          "the save \"hero \" is the file \"hero\", its backup \"hero .sav\"");
    const std::string wide_name = "B\xC3\xA9r\xC3\xA9nice_\xC3\x86\xC3\x9F\xE2\x82\xAC";
    check(tree.count("ansi\\lib\\save\\" + wide_name) == 1 &&
              tree.count("ansi\\lib\\save\\" + wide_name + ".sav") == 1,
          "the file system names the save and its backup " + quoted(wide_name) + "(.sav)");
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unix_name = reinterpret_cast<UnixName>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (unix_name) {
        char* name = unix_name((L"C:\\e2e\\paths\\ansi\\lib\\save\\B\u00e9r\u00e9nice_\u00c6\u00df"
                                L"\u20ac.sav"));
        std::string unix_path = name ? name : "";
        HeapFree(GetProcessHeap(), 0, name);
        check(unix_path.size() > wide_name.size() + 4 &&
                  unix_path.compare(unix_path.size() - wide_name.size() - 4, std::string::npos,
                                    wide_name + ".sav") == 0,
              "under Wine the Linux name of the backup is " + quoted(unix_path));
    }

    exit_with_zero(app);

    // The next start reads the code page 1252 name back into its field.
    Savewarden again;
    again.start(env.savewarden_exe, "C:\\");
    check_equal(control_text(again.dialog(), ids::character), ansi_name,
                "character field after a restart");
    check_equal(control_text(again.dialog(), ids::directory), kRoot + "\\ansi",
                "game folder field after a restart");
    exit_with_zero(again);
}

}  // namespace e2e
