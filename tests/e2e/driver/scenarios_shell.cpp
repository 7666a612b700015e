// The window shell: keys, closing, the About item and Help.
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "system_menu.h"

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

void scenario_about_item(const Env& env)
{
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
    check(!about.text.empty(), "About box has a text: " + quoted(about.text));
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

}  // namespace e2e
