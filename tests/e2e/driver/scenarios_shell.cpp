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
    StandInGame game(env, "enter_key", sample_save("ORIGINAL", 1000), titled("Angband Enter Key"));
    const Fields fields = fields_for(game, "15", "00");

    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    app.fill_fields(fields);
    press_key(app.dialog(), ids::character, VK_RETURN);
    wait_for_game_starts(game, 1, 10000);
    check_equal(settings_file_text(), expected_settings_text(fields),
                "Enter in the character field ran Go");
    check(wait_until([&] { return is_countdown(app.caption()); }, 3000), "countdown started");

    press_key(app.dialog(), ids::save_number, VK_RETURN);
    expect_notice(app.dialog(), Notice::info, kAlreadyRunning, 5000);
    note("ok: Enter in the save number field ran Go again");

    exit_with_zero(app);
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
    check(!menu.separator_above, "an item, Backups, sits right above the last item (" +
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

    exit_with_zero(app);
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
    exit_with_zero(app, "Exit after failed help");
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
    exit_with_zero(app, "Exit after help was opened");
    check(help_viewer_windows().empty(), "no help viewer left running");
}

const char* const kHelpWindowCaption = "Savewarden Help";

// Savewarden's own help windows, shown or not.
std::vector<HWND> help_windows(const Savewarden& app)
{
    std::vector<HWND> found;
    for (HWND window : top_level_windows(app.process_id(), nullptr, true))
        if (window_text(window) == kHelpWindowCaption)
            found.push_back(window);
    return found;
}

// On Windows 95 to XP, Help hands "swarden.hlp" to the platform's help
// viewer; started from a folder without it, the file is not found. Either
// the request fails ("Error opening help") or a viewer takes it; Wine's
// WinHelpA starts its own winhlp32 and reports success. The test finds out
// which happened and checks the matching state.
void help_file_missing(const Env& env)
{
    Savewarden app;
    app.start(env.savewarden_exe, "C:\\");
    click_button(app.dialog(), ids::help);

    bool answered = wait_until([&] {
        return !message_boxes_owned_by(app.dialog()).empty() || !help_viewer_windows().empty();
    }, 10000);
    if (!answered)
        fail("Help gave neither a notice nor a help viewer within 10 s; windows:" +
             describe_top_level_windows());
    check(help_windows(app).empty(), "no help window of Savewarden's own on Windows XP");
    if (!message_boxes_owned_by(app.dialog()).empty())
        help_failed(app);
    else
        help_viewer_started(app);
}

HWND wait_for_help_window(const Savewarden& app, const std::string& after)
{
    HWND help = nullptr;
    wait_until([&] {
        std::vector<HWND> shown = help_windows(app);
        help = shown.size() == 1 && IsWindowVisible(shown[0]) ? shown[0] : nullptr;
        return help != nullptr;
    }, 5000);
    if (!help)
        fail(after + ": no help window shown within 5 s; windows:" + describe_top_level_windows());
    return help;
}

bool is_foreground(HWND window)
{
    return wait_until([&] { return GetForegroundWindow() == window; }, 3000);
}

// The help text as the build wrote it for the program, without the zero
// byte that ends it in the resource.
std::string built_help_text(const Env& env)
{
    const std::string folder = env.savewarden_exe.substr(0, env.savewarden_exe.find_last_of('\\'));
    auto text = read_file(folder + "\\help_text.txt");
    if (!text || text->empty() || text->back() != '\0')
        fail("no help text ending in a zero byte in " + folder);
    return text->substr(0, text->size() - 1);
}

// Caption, place, the read-only multi-line edit with a vertical scroll bar,
// and the text in it: the help file's text. Not the icon: Wine answers a
// WM_GETICON from another process with nothing (inside the program it
// gives the icon), so only the screenshot shows it.
void check_help_window(const Env& env, const Savewarden& app, HWND help)
{
    check_equal(window_text(help), kHelpWindowCaption, "the help window's caption");
    check(GetWindow(help, GW_OWNER) == nullptr, "the help window is a window of its own");

    RECT main, own;
    GetWindowRect(app.dialog(), &main);
    GetWindowRect(help, &own);
    const std::string place = "help window at " + std::to_string(own.left) + "," +
                              std::to_string(own.top) + " size " +
                              std::to_string(own.right - own.left) + "x" +
                              std::to_string(own.bottom - own.top) + ", main dialog right edge " +
                              std::to_string(main.right);
    check(own.left >= main.right && own.left - main.right <= 20 && own.top == main.top,
          "placed to the right of the main dialog, top edges level: " + place);
    check(own.right - own.left >= 300 && own.bottom - own.top >= 250 &&
              own.right <= GetSystemMetrics(SM_CXSCREEN) &&
              own.bottom <= GetSystemMetrics(SM_CYSCREEN),
          "a sensible size, on the screen: " + place);

    HWND edit = FindWindowExA(help, nullptr, "Edit", nullptr);
    check(edit != nullptr, "the help window holds an edit control");
    const LONG style = GetWindowLongA(edit, GWL_STYLE);
    check((style & ES_MULTILINE) && (style & ES_READONLY) && (style & WS_VSCROLL) &&
              !(style & ES_AUTOHSCROLL),
          "the edit control is multi-line, read-only, wraps its lines and scrolls up and down");
    RECT client, text_area;
    GetClientRect(help, &client);
    GetWindowRect(edit, &text_area);
    check(text_area.right - text_area.left == client.right &&
              text_area.bottom - text_area.top == client.bottom,
          "the text fills the window");

    const int id = GetDlgCtrlID(edit);
    const std::string expected = built_help_text(env);
    const std::string shown = control_text(help, id);
    check(shown == expected, "the edit control holds the help text (" +
                                 std::to_string(shown.size()) + " of " +
                                 std::to_string(expected.size()) + " bytes; starts " +
                                 quoted(shown.substr(0, 40)) + ")");
    check(shown.find("What Savewarden does\r\n---") != std::string::npos &&
              shown.find("Where the settings are kept") != std::string::npos,
          "the text holds the topics of the help file");
    PostMessageA(edit, WM_CHAR, 'x', 1);
    PostMessageA(edit, WM_KEYDOWN, VK_DELETE, 1);
    check(responds_within(help, 2000) && control_text(help, id) == expected,
          "typing into the help text changes nothing");
}

// While a help window is open the countdown goes on, and a due tick has
// the game save and refreshes the backup. A due tick leaves the caption as
// it is, so the next change may be two ticks away.
void backups_go_on_while_open(const Savewarden& app, const GameFolder& game,
                              const std::string& before, const std::string& what)
{
    const int left = countdown_seconds(app.caption());
    check(wait_until([&] { int now = countdown_seconds(app.caption()); return now >= 0 && now != left; },
                     3500),
          "the countdown goes on while " + what + " is open: " + app.caption());
    check(wait_until([&] { return count_game_events(game.log_path, "saved") >= 1; }, 8000),
          "a due save happened while " + what + " is open");
    check(wait_until([&] {
              auto live = read_file(game.live_save());
              return live && *live != before && read_file(game.backup_save()) == live;
          }, 3000),
          "the backup was refreshed with the new save");
}

}  // namespace

// From Windows Vista on there is no WinHelp viewer, and Wine, too, reports
// Windows 7 unless told otherwise: Help opens Savewarden's own help window
// beside the main dialog, needing no help file (none is in the folder the
// program starts from). The main dialog, its keys and the countdown go on
// meanwhile; Help again brings the one window to the front; Escape and the
// close button close it; Exit ends the program with it.
void scenario_help(const Env& env)
{
    HelpViewerGuard viewers;
    end_help_viewers();
    StandInGame game(env, "help_window", sample_save("ORIGINAL", 1000),
                     titled("Angband Help Window"));

    Savewarden app;
    start_and_go(app, env, game, "0", "04");
    check(wait_until([&] { return is_countdown(app.caption()); }, 3000), "countdown started");
    const std::string before = *read_file(game.live_save());

    click_button(app.dialog(), ids::help);
    HWND help = wait_for_help_window(app, "Help");
    expect_no_notice(app.dialog(), 500, "Help reported no error");
    check(help_viewer_windows().empty(), "no WinHelp viewer was started");
    check(is_foreground(help), "the help window is in front");
    check_help_window(env, app, help);
    take_shot_beside_main_dialog(app, help, "help-window");

    backups_go_on_while_open(app, game, before, "the help window");
    // The main dialog's own keys still reach it: Enter in a field is Go.
    press_key(app.dialog(), ids::save_number, VK_RETURN);
    expect_notice(app.dialog(), Notice::info, kAlreadyRunning, 5000);
    note("ok: Enter in the main dialog ran Go with the help window open");

    // The game that Go started may still be coming to the front itself.
    check(wait_until([&] {
              SetForegroundWindow(app.dialog());
              return is_foreground(app.dialog());
          }, 3000),
          "the main dialog is brought to the front");
    click_button(app.dialog(), ids::help);
    check(is_foreground(help), "Help again brings the help window to the front");
    check(help_windows(app).size() == 1 && IsWindow(help), "still one help window, the same");
    post_system_command(help, SC_MINIMIZE);
    check(wait_until([&] { return IsIconic(help) != FALSE; }, 3000), "the help window minimised");
    click_button(app.dialog(), ids::help);
    check(wait_until([&] { return !IsIconic(help); }, 3000) && is_foreground(help),
          "Help restores the minimised help window and brings it to the front");
    check(help_windows(app).size() == 1, "still one help window");

    HWND edit = FindWindowExA(help, nullptr, "Edit", nullptr);
    press_key(help, GetDlgCtrlID(edit), VK_ESCAPE);
    check(wait_until([&] { return !IsWindow(help); }, 3000), "Escape closed the help window");
    check(app.running() && is_countdown(app.caption()), "Savewarden counts down on: " + app.caption());

    click_button(app.dialog(), ids::help);
    help = wait_for_help_window(app, "Help after Escape");
    post_system_command(help, SC_CLOSE);
    check(wait_until([&] { return !IsWindow(help); }, 3000), "the close button closed the help window");

    click_button(app.dialog(), ids::help);
    help = wait_for_help_window(app, "Help after Close");
    check(help_viewer_windows().empty(), "no WinHelp viewer was started at all");
    exit_with_zero(app, "Exit with the help window open");
    check(!IsWindow(help), "the help window went with the program");
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
    help_file_missing(env);
    end_help_viewers();
    const std::string folder = env.savewarden_exe.substr(0, env.savewarden_exe.find_last_of('\\'));
    check(file_exists(folder + "\\swarden.hlp"), "the build put swarden.hlp in " + folder);

    StandInGame game(env, "help_file", sample_save("ORIGINAL", 1000), titled("Angband Help Open"));

    Savewarden app;
    start_and_go(app, env, game, "0", "04", folder);
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

    backups_go_on_while_open(app, game, before, "the viewer");
    check(shown_help_viewer() == viewer, "the viewer is still open");
    take_viewer_shot(viewer);

    exit_with_zero(app, "Exit with the viewer open");
    check(wait_until([] { return help_viewer_windows().empty(); }, 5000),
          "Exit closed the help viewer");
}

}  // namespace e2e
