#include "stand_in.h"

#include "check.h"
#include "files.h"
#include "../stand_in_game/save_content.h"

#include <windows.h>

#include <cstdlib>
#include <set>
#include <sstream>

namespace e2e {

GameFolder prepare_game_folder(const std::string& folder, const std::string& stand_in_exe)
{
    GameFolder game;
    game.folder = folder;
    game.log_path = folder + ".log";
    fresh_folder(folder);
    make_folders(folder + game.save_folder);
    copy_file(stand_in_exe, folder + "\\angband.exe");
    remove_file(game.log_path);
    return game;
}

void set_game_behaviour(const GameBehaviour& behaviour, const std::string& log_path)
{
    auto set = [](const char* name, const std::string& value) {
        if (!SetEnvironmentVariableA(name, value.c_str()))
            fail(std::string("cannot set ") + name);
    };
    set("E2E_GAME_TITLE", behaviour.title);
    set("E2E_SAVE_NUMBER", std::to_string(behaviour.save_number));
    set("E2E_SAVE_SIZE", std::to_string(behaviour.save_size));
    // Unset when empty, so the game falls back on its default.
    auto set_or_unset = [](const char* name, const std::string& value) {
        if (!SetEnvironmentVariableA(name, value.empty() ? nullptr : value.c_str()) &&
            !value.empty())
            fail(std::string("cannot set ") + name);
    };
    set_or_unset("E2E_SAVE_SIZES", behaviour.save_sizes);
    set("E2E_GAME_MODE", behaviour.mode);
    set("E2E_GAME_DELAY_MS", std::to_string(behaviour.delay_ms));
    set("E2E_GAME_REFUSALS", std::to_string(behaviour.refusals));
    set("E2E_GAME_REFUSAL_CLOSE_MS", std::to_string(behaviour.refusal_close_ms));
    set("E2E_GAME_SAME_BYTES", behaviour.same_bytes ? "1" : "0");
    set("E2E_GAME_DIES_AFTER_MS", std::to_string(behaviour.dies_after_ms));
    set_or_unset("E2E_GAME_DESCRIPTION", behaviour.description);
    set_or_unset("E2E_GAME_DEATH_DESCRIPTION", behaviour.death_description);
    set_or_unset("E2E_GAME_SELF_SAVES", behaviour.self_saves);
    set("E2E_GAME_SELF_SAVE_MS", std::to_string(behaviour.self_save_ms));
    set("E2E_GAME_LOG", log_path);
}

std::string sample_save(const std::string& header, size_t size)
{
    std::string content = header + "\n";
    for (size_t i = 0; content.size() < size; ++i)
        content.push_back(static_cast<char>((i * 13 + header.size()) % 256));
    content.resize(size);
    return content;
}

std::string described_save(const std::string& description, size_t size)
{
    return described_save_content(description, "TEST", 0, 0, size);
}

std::string self_save(const std::string& description, unsigned count, unsigned long pid,
                      size_t size)
{
    if (description.empty())
        return stand_in_save_content("SELF", count, pid, size);
    return described_save_content(description, "SELF", count, pid, size);
}

std::vector<GameEvent> read_game_log(const std::string& log_path)
{
    std::vector<GameEvent> events;
    std::istringstream lines(read_file(log_path).value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        GameEvent e;
        std::string::size_type space = line.find(' ');
        e.event = line.substr(0, space);
        if (space != std::string::npos && line.compare(space + 1, 4, "pid=") == 0) {
            std::string rest = line.substr(space + 5);
            std::string::size_type end = rest.find(' ');
            e.pid = std::strtoul(rest.substr(0, end).c_str(), nullptr, 10);
            e.details = end == std::string::npos ? "" : rest.substr(end + 1);
        }
        events.push_back(e);
    }
    return events;
}

std::vector<GameEvent> game_events(const std::string& log_path, const std::string& event)
{
    std::vector<GameEvent> matching;
    for (const GameEvent& e : read_game_log(log_path))
        if (e.event == event)
            matching.push_back(e);
    return matching;
}

size_t count_game_events(const std::string& log_path, const std::string& event)
{
    return game_events(log_path, event).size();
}

void end_games(const std::string& log_path)
{
    std::set<unsigned long> pids;
    for (const GameEvent& e : read_game_log(log_path))
        if (e.pid)
            pids.insert(e.pid);
    for (unsigned long pid : pids) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE |
                                     PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
        if (!process)
            continue;  // already gone
        // Process ids are reused: end it only if it still is a game.
        char image[MAX_PATH];
        DWORD size = sizeof image;
        std::string name;
        if (QueryFullProcessImageNameA(process, 0, image, &size))
            name.assign(image, size);
        if (name.size() >= 11 && _stricmp(name.c_str() + name.size() - 11, "angband.exe") == 0)
            TerminateProcess(process, 1);
        WaitForSingleObject(process, 3000);
        CloseHandle(process);
    }
}

}  // namespace e2e
