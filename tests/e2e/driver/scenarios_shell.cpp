// The window shell: keys, closing, the About item and Help.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "screen.h"
#include "system_menu.h"
#include "wine_version.h"

#include <cstdio>

namespace e2e {

void scenario_enter_acts_as_go(const Env& env)
{
    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Enter Key";
    GameFolder game = scenario_game(env, "enter_key", sample_save("ORIGINAL", 1000));
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);
    const Fields fields = fields_for(game, behaviour, "15", "00");

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    app.fill_fields(fields);
    press_key(app.dialog(), ids::character, VK_RETURN);
    wait_for_game_starts(game, 1, 10000);
    check_equal(settings_file_text(), expected_settings_text(fields),
                "Enter in the character field ran Go");
    check(wait_until([&] { return is_countdown(app.caption()); }, 3000), "countdown started");

    press_key(app.dialog(), ids::save_number, VK_RETURN);
    wait_for_game_starts(game, 2, 10000);
    note("ok: Enter in the save number field ran Go again");

    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit");
}

// Escape and a WM_CLOSE from another program both become the Cancel
// command, which the dialog ignores; the system menu's Close ends it.
void scenario_escape_and_close(const Env& env)
{
    remove_settings_file();
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");

    press_key(app.dialog(), ids::minutes, VK_ESCAPE);
    press_key(app.dialog(), ids::window_title, VK_ESCAPE);
    post_close(app.dialog());
    expect_no_notice(app.dialog(), 1500, "Escape and WM_CLOSE show nothing");
    check(app.running(), "Savewarden still runs after Escape and WM_CLOSE");
    check(IsWindowVisible(app.dialog()) && IsWindowEnabled(app.dialog()),
          "dialog still shown and enabled");
    check(responds_within(app.dialog(), 2000), "dialog still answers");
    check_equal(app.caption(), "Savewarden", "caption unchanged");
    check(!file_exists(settings_file_path()), "no settings file written");

    post_system_command(app.dialog(), SC_CLOSE);
    check_ends_with_zero(app, "system menu Close");
}

namespace {

// CMake's project version, which the build gives the driver too.
std::string project_version()
{
    return std::to_string(E2E_VERSION_MAJOR) + "." + std::to_string(E2E_VERSION_MINOR) + "." +
           std::to_string(E2E_VERSION_PATCH);
}

// The version record carries the project version as four numbers, the last
// 0, and writes them "4, 0, 0, 0" in its strings.
void check_version_record(const std::string& exe)
{
    const VersionRecord record = read_version_record(exe);
    check(record.found, "the program has a version record");
    const DWORD ms = MAKELONG(E2E_VERSION_MINOR, E2E_VERSION_MAJOR);
    const DWORD ls = MAKELONG(0, E2E_VERSION_PATCH);
    check(record.file_ms == ms && record.file_ls == ls && record.product_ms == ms &&
              record.product_ls == ls,
          "file and product version numbers are the project's");
    const std::string text = std::to_string(E2E_VERSION_MAJOR) + ", " +
                             std::to_string(E2E_VERSION_MINOR) + ", " +
                             std::to_string(E2E_VERSION_PATCH) + ", 0";
    check_equal(record.file_version, text, "FileVersion string");
    check_equal(record.product_version, text, "ProductVersion string");
}

}  // namespace

void scenario_about_item(const Env& env)
{
    check_version_record(env.savewarden_exe);
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");

    SystemMenuLayout menu = open_system_menu_and_select_last(app.dialog());
    check(menu.found, "system menu opened: " + menu.description);
    check(menu.separator_above_last, "a separator sits right above the last item (" +
                                         menu.description + ")");
    check(menu.last_is_bottom, "the highlighted item is the last one (" + menu.description + ")");
    choose_selected_menu_item(app.dialog());

    HWND box = wait_for_message_box(app.dialog(), 5000);
    check(box != nullptr, "choosing the last system menu item opens a box");
    MessageBoxInfo about = read_message_box(box);
    check_equal(about.caption, "About", "caption of the box opened by the last item");
    check(about.icon == IconKind::information,
          std::string("About box shows the information icon (") + icon_name(about.icon) + ")");
    check(about.text.rfind("Savewarden " + project_version() + "\n", 0) == 0,
          "About box starts with the project's version: " + quoted(about.text));
    close_message_box(box);

    // The About command itself, as a program would send it.
    post_system_command(app.dialog(), ids::about);
    box = wait_for_message_box(app.dialog(), 5000);
    check(box != nullptr && read_message_box(box).caption == "About",
          "WM_SYSCOMMAND 1008 opens the About box");
    close_message_box(box);
    check(app.running() && responds_within(app.dialog(), 2000), "Savewarden runs on after About");

    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit");
}

namespace {

// The help viewer's main window has the class "MS_WINHELP"; Wine's viewer
// keeps it hidden until a file is shown.
std::vector<HWND> help_viewer_windows()
{
    return top_level_windows(0, "MS_WINHELP", true);
}

void end_help_viewers()
{
    for (HWND window : help_viewer_windows()) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, window_process(window));
        if (process) {
            TerminateProcess(process, 1);
            WaitForSingleObject(process, 3000);
            CloseHandle(process);
        }
    }
}

struct HelpViewerGuard {
    ~HelpViewerGuard() { end_help_viewers(); }
};

// Boxes the viewer shows about the file, from its own process.
std::vector<HWND> help_viewer_boxes()
{
    std::vector<HWND> boxes;
    for (HWND viewer : help_viewer_windows())
        for (HWND box : top_level_windows(window_process(viewer), "#32770"))
            boxes.push_back(box);
    return boxes;
}

void help_failed(Savewarden& app)
{
    note("Help reported a failure");
    expect_notice(app.dialog(), Notice::warning, "Error opening help", 1000);
    check(help_viewer_windows().empty(), "no help viewer left running");
    check(app.running() && responds_within(app.dialog(), 2000), "Savewarden runs on");
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit after failed help");
}

// Wine's viewer asks, inside the request, whether to look for the missing
// file; WinHelpA, and so Savewarden, waits until the question is answered
// (Savewarden does not answer meanwhile). Answered No, the viewer ends and
// WinHelpA still reports success, so no notice follows.
void help_viewer_started(Savewarden& app)
{
    note("Help started the viewer");
    std::vector<HWND> questions = help_viewer_boxes();
    check(wait_until([&] { return !(questions = help_viewer_boxes()).empty(); }, 5000),
          "the viewer reports the missing help file");
    MessageBoxInfo question = read_message_box(questions.front());
    check(question.text.find("swarden.hlp") != std::string::npos,
          "the viewer was asked for swarden.hlp: " + quoted(question.text));
    close_message_box(questions.front(), GetDlgItem(questions.front(), IDNO) ? IDNO : IDOK);

    expect_no_notice(app.dialog(), 1500, "no \"Error opening help\" once the viewer took the request");
    check(wait_until([] { return help_viewer_windows().empty(); }, 5000),
          "the viewer ended after the question");
    post_system_command(app.dialog(), ids::about);
    HWND about = wait_for_message_box(app.dialog(), 3000);
    check(about && read_message_box(about).caption == "About", "Savewarden runs on after Help");
    close_message_box(about);
    // Exit with the help flag set tells the (now absent) viewer to quit.
    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit after help was opened");
    check(help_viewer_windows().empty(), "no help viewer left running");
}

}  // namespace

// Help hands "swarden.hlp", which does not exist here, to the platform's
// help viewer. Either the request fails ("Error opening help") or a viewer
// takes it; Wine's WinHelpA starts its own winhlp32 and reports success.
// The test finds out which happened and checks the matching state.
void scenario_help(const Env& env)
{
    HelpViewerGuard viewers;
    end_help_viewers();
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    click_button(app.dialog(), ids::help);

    bool answered = wait_until([&] {
        return !message_boxes_owned_by(app.dialog()).empty() || !help_viewer_windows().empty();
    }, 10000);
    if (!answered)
        fail("Help gave neither a notice nor a help viewer within 10 s; windows:" +
             describe_top_level_windows());
    if (!message_boxes_owned_by(app.dialog()).empty())
        help_failed(app);
    else
        help_viewer_started(app);
}

namespace {

// The viewer's window with a file shown: visible, unlike the hidden one
// Wine's viewer keeps while it has none.
HWND shown_help_viewer()
{
    for (HWND viewer : help_viewer_windows())
        if (IsWindowVisible(viewer))
            return viewer;
    return nullptr;
}

// The text of the shown topic: Wine's viewer shows it in a rich edit
// control, child 0x701 of its main window. GetWindowText does not ask a
// control of another process for its text; WM_GETTEXT does.
std::string help_topic_text(HWND viewer)
{
    HWND text = GetDlgItem(viewer, 0x701);
    char buffer[4096];
    DWORD_PTR n = 0;
    if (!text || !SendMessageTimeoutA(text, WM_GETTEXT, sizeof buffer,
                                      reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 2000, &n))
        return std::string();
    return std::string(buffer, n < sizeof buffer ? n : 0);
}

// With E2E_SHOT_DIR set (tools/demo.sh --help-screenshot), the viewer at a size
// that suits a picture, saved as help-viewer.bmp there.
void take_viewer_shot(HWND viewer)
{
    char folder[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("E2E_SHOT_DIR", folder, sizeof folder);
    if (n == 0 || n >= sizeof folder)
        return;
    SetWindowPos(viewer, HWND_TOP, 20, 20, 600, 430, SWP_SHOWWINDOW);
    sleep_ms(1500);  // let the viewer lay out and draw its text again
    RECT area;
    GetWindowRect(viewer, &area);
    const std::string path = std::string(folder, n) + "\\help-viewer.bmp";
    check(save_bitmap(capture_screen(area), path), "screenshot written to " + path);
    std::printf("screenshot %s\n", path.c_str());
}

}  // namespace

// The shipped case on Windows 95 to XP, the systems that have a WinHelp
// viewer: Wine reports Windows XP to the program, swarden.hlp is beside it,
// and it is started from its own folder, as a double-click in that folder
// does. Help opens the viewer on the contents topic without a question,
// Savewarden goes on counting down and saving while the viewer is open, and
// Exit closes it.
void scenario_help_file(const Env& env)
{
    WindowsXpForProgram windows_xp(env.savewarden_exe);
    HelpViewerGuard viewers;
    end_help_viewers();
    const std::string folder = env.savewarden_exe.substr(0, env.savewarden_exe.find_last_of('\\'));
    check(file_exists(folder + "\\swarden.hlp"), "the build put swarden.hlp in " + folder);

    remove_settings_file();
    GameBehaviour behaviour;
    behaviour.title = "Angband Help Open";
    GameFolder game = scenario_game(env, "help_file", sample_save("ORIGINAL", 1000));
    set_game_behaviour(behaviour, game.log_path);
    GameGuard games(game.log_path);

    Savewarden app;
    app.start(env.savewarden_exe, folder);
    app.fill_fields(fields_for(game, behaviour, "0", "04"));
    click_button(app.dialog(), ids::go);
    wait_for_game_starts(game, 1, 10000);
    check(wait_until([&] { return is_countdown(app.caption()); }, 3000), "countdown started");

    const std::string before = *read_file(game.live_save());
    click_button(app.dialog(), ids::help);
    HWND viewer = nullptr;
    if (!wait_until([&] { return (viewer = shown_help_viewer()) != nullptr; }, 10000))
        fail("Help showed no help viewer within 10 s; windows:" + describe_top_level_windows());
    expect_no_notice(app.dialog(), 500, "Help reported no error");
    // Wine's viewer names the file in its caption only when the file was
    // given on its command line; opened through WinHelp it says "Wine Help".
    // So it is the topic's text that shows which file and topic it has.
    std::string text;
    check(wait_until([&] { return !(text = help_topic_text(viewer)).empty(); }, 5000),
          "the viewer shows a topic");
    check(text.rfind("Savewarden Help", 0) == 0 && text.find("What Savewarden does") != std::string::npos,
          "the viewer shows the contents topic: " + quoted(text.substr(0, 120)));
    check(help_viewer_boxes().empty(), "the viewer asked nothing");

    // While the viewer is open: the countdown goes on, and a due tick has
    // the game save and refreshes the backup. A due tick leaves the caption
    // as it is, so the next change may be two ticks away.
    const int left = countdown_seconds(app.caption());
    check(wait_until([&] { int now = countdown_seconds(app.caption()); return now >= 0 && now != left; },
                     3500),
          "the countdown goes on while the viewer is open: " + app.caption());
    check(wait_until([&] { return count_game_events(game.log_path, "saved") >= 1; }, 8000),
          "a due save happened while the viewer is open");
    check(wait_until([&] {
              auto live = read_file(game.live_save());
              return live && *live != before && read_file(game.backup_save()) == live;
          }, 3000),
          "the backup was refreshed with the new save");
    check(shown_help_viewer() == viewer, "the viewer is still open");
    take_viewer_shot(viewer);

    click_button(app.dialog(), ids::exit_button);
    check_ends_with_zero(app, "Exit with the viewer open");
    check(wait_until([] { return help_viewer_windows().empty(); }, 5000),
          "Exit closed the help viewer");
}

}  // namespace e2e
