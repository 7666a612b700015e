#include "game/game_presence.h"

#include "common/notices.h"
#include "core/settings.h"
#include "res/swarden_rc.h"

namespace {

// The game our last Go started, until it is seen to have ended.
plat_process g_started_game = nullptr;

bool started_game_runs(void)
{
    if (g_started_game == nullptr)
        return false;
    if (plat_process_running(g_started_game))
        return true;
    plat_process_release(g_started_game);
    g_started_game = nullptr;
    return false;
}

}  // namespace

// An empty title would match whatever untitled window the search met first,
// and that window would be sent the save command; it counts as no game.
plat_window find_game_window(const char *title)
{
    if (title[0] == '\0')
        return nullptr;
    return plat_find_window(title);
}

void keep_started_game(plat_process process)
{
    if (g_started_game != nullptr)
        plat_process_release(g_started_game);
    g_started_game = process;
}

// The window counts too: the game may have been started by the player, or
// by an earlier Savewarden.
bool game_is_running(plat_window dialog)
{
    if (started_game_runs())
        return true;
    char title[PATH_WIDTH + 1];
    plat_field_text(dialog, IDC_WINDOW_TITLE, title, sizeof title);
    return find_game_window(title) != nullptr;
}

bool game_blocks_restore(plat_window dialog, plat_window owner)
{
    if (!game_is_running(dialog))
        return false;
    info_notice(owner, RESTORE_WHILE_GAME_RUNS);
    return true;
}
