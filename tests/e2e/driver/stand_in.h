// The stand-in game as the scenarios see it: a private game folder with
// angband.exe and a save file, the settings handed to the game through the
// environment (Savewarden's game start passes ours on), and the game's log.
#ifndef E2E_STAND_IN_H
#define E2E_STAND_IN_H

#include <string>
#include <vector>

namespace e2e {

struct GameBehaviour {
    std::string title = "Angband 2.7.5";
    unsigned long save_number = 110;
    unsigned long save_size = 3000;
    std::string save_sizes;       // comma-separated, one per save in turn
    std::string mode = "normal";  // normal, slow, hang, close, refuse
    unsigned long delay_ms = 500;
    long refusals = -1;           // refuse: -1 refuses every save command
    unsigned long refusal_close_ms = 0;  // refuse: the player's OK; 0: never
    bool same_bytes = false;      // every save the same bytes, as when idle
    unsigned long dies_after_ms = 0;     // writes a dead state; 0: never
    std::string description;        // each save begins with it; empty: none
    std::string death_description;  // the dead state's; empty: as above
    std::string self_saves;         // "|"-separated descriptions; empty: none
    unsigned long self_save_ms = 3000;  // the time between those saves
};

// A game folder laid out the way the settings compose the paths:
// live save file = folder + save_folder + "\" + character.
struct GameFolder {
    std::string folder;
    std::string save_folder = "\\lib\\save";
    std::string character = "save";
    std::string log_path;

    std::string live_save() const { return folder + save_folder + "\\" + character; }
    std::string backup_save() const { return live_save() + ".sav"; }
    std::string command_line() const { return folder + "\\angband.exe " + live_save(); }
};

// Empties the folder, puts the stand-in game in it as angband.exe and
// creates the save folder. The log lives beside, outside the game folder.
GameFolder prepare_game_folder(const std::string& folder, const std::string& stand_in_exe);

// Gives the game its behaviour and log through this process's environment,
// which Savewarden and so the game inherit.
void set_game_behaviour(const GameBehaviour& behaviour, const std::string& log_path);

// A save file's content as the tests write it: a header, then a pattern up
// to the size asked for.
std::string sample_save(const std::string& header, size_t size);

// A save file of size bytes as Angband 3.5.0 and later begin theirs, with the
// character's description in its header, then filler; the same header the
// stand-in writes.
std::string described_save(const std::string& description, size_t size);

// What the game's count-th save, made by itself, holds.
std::string self_save(const std::string& description, unsigned count, unsigned long pid,
                      size_t size);

struct GameEvent {
    std::string event;
    unsigned long pid = 0;
    std::string details;
};

std::vector<GameEvent> read_game_log(const std::string& log_path);
std::vector<GameEvent> game_events(const std::string& log_path, const std::string& event);
size_t count_game_events(const std::string& log_path, const std::string& event);

// Ends every game process the log names (the tests start them through
// Savewarden, so their process ids come from the log).
void end_games(const std::string& log_path);

}  // namespace e2e

#endif
