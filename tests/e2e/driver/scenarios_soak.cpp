// Load over time: interval 0:01 for hundreds of due ticks, the game writing
// saves of every size from nothing to 1 MiB. After every tick the backup
// must hold exactly what the game wrote for it, and Savewarden's memory and
// handles must not grow. Minutes long, so not part of the default test run
// (tools/soak.sh).
#include "scenarios.h"

#include "check.h"
#include "files.h"
#include "process_metrics.h"

#include "../stand_in_game/save_content.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace e2e {

namespace {

const size_t kDefaultTicks = 300;
// Samples 1-50 are the warm-up; samples 51-100 are what the last 50 are
// held against.
const size_t kWarmUp = 50;
const size_t kWindow = 50;
const unsigned long kMaxSave = 1024 * 1024;
// Memory may wander a little with the system's own caches; a leak of one
// 2048-byte copy buffer per tick would add about 400 KiB between the two
// windows, a leaked 1 MiB save far more.
const unsigned long long kMemoryTolerance = 192 * 1024;

size_t ticks_wanted()
{
    char buffer[32];
    DWORD n = GetEnvironmentVariableA("E2E_SOAK_TICKS", buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return kDefaultTicks;
    size_t ticks = std::strtoul(buffer, nullptr, 10);
    if (ticks < kWarmUp + 2 * kWindow)
        fail("E2E_SOAK_TICKS must be at least " + std::to_string(kWarmUp + 2 * kWindow));
    return ticks;
}

// One size per save: the edges of the copy's 2048-byte pieces and of the
// range first, then sizes spread over the whole range.
std::vector<unsigned long> save_sizes(size_t count)
{
    std::vector<unsigned long> sizes = {0,    1,    2047, 2048,        2049,   4096,
                                        6145, 1000, 0,    kMaxSave - 1, kMaxSave, 10240};
    unsigned long long state = 20240611;
    while (sizes.size() < count) {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        unsigned long value = static_cast<unsigned long>((state >> 33) % (kMaxSave + 1));
        // Every fourth size is small, where the header is cut short.
        if (sizes.size() % 4 == 3)
            value %= 200;
        sizes.push_back(value);
    }
    return sizes;
}

std::string joined(const std::vector<unsigned long>& sizes)
{
    std::string text;
    for (unsigned long s : sizes)
        text += (text.empty() ? "" : ",") + std::to_string(s);
    return text;
}

// Reads the game's log as it grows, a line at a time, sharing it with the
// game that appends to it.
class LogFollower {
public:
    explicit LogFollower(std::string path) : path_(std::move(path)) {}

    // The next "saved" or "save-failed" line, or an empty event when none
    // has come yet.
    GameEvent next_save()
    {
        read_more();
        while (next_ < lines_.size()) {
            const std::string& line = lines_[next_++];
            GameEvent e;
            std::string::size_type space = line.find(' ');
            e.event = line.substr(0, space);
            if (e.event != "saved" && e.event != "save-failed")
                continue;
            std::string rest = line.substr(space + 1);
            if (rest.compare(0, 4, "pid=") == 0) {
                e.pid = std::strtoul(rest.c_str() + 4, nullptr, 10);
                std::string::size_type blank = rest.find(' ');
                e.details = blank == std::string::npos ? "" : rest.substr(blank + 1);
            }
            return e;
        }
        return GameEvent();
    }

private:
    void read_more()
    {
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return;
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset_);
        SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
        char buffer[4096];
        DWORD got = 0;
        while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            offset_ += got;
            partial_.append(buffer, got);
        }
        CloseHandle(file);
        std::string::size_type end;
        while ((end = partial_.find("\r\n")) != std::string::npos) {
            lines_.push_back(partial_.substr(0, end));
            partial_.erase(0, end + 2);
        }
    }

    std::string path_;
    unsigned long long offset_ = 0;
    std::string partial_;
    std::vector<std::string> lines_;
    size_t next_ = 0;
};

unsigned long detail_number(const std::string& details, const std::string& key)
{
    std::string::size_type at = details.find(key + "=");
    if (at == std::string::npos)
        fail("no " + key + " in " + quoted(details));
    return std::strtoul(details.c_str() + at + key.size() + 1, nullptr, 10);
}

struct FileStamp {
    bool exists = false;
    unsigned long long size = 0;
    unsigned long long written = 0;  // last write, in 100 ns units
};

// Size and time of last write, read without opening the file.
FileStamp stamp_of(const std::string& path)
{
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return stamp;
    stamp.exists = true;
    stamp.size = (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.written = (static_cast<unsigned long long>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
    return stamp;
}

std::string header_of(const std::string& content)
{
    return quoted(content.substr(0, std::min<size_t>(content.find('\n'), 40)));
}

std::string kib(unsigned long long bytes)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / 1024.0);
    return text;
}

}  // namespace

void scenario_soak(const Env& env)
{
    const size_t ticks = ticks_wanted();
    const std::vector<unsigned long> sizes = save_sizes(ticks + 20);
    GameBehaviour behaviour = titled("Angband Soak");
    behaviour.save_sizes = joined(sizes);
    const std::string first_save = sample_save("ORIGINAL soak", 1000);
    StandInGame game(env, "soak", first_save, behaviour);

    Savewarden app;
    start_and_go(app, env, game, "0", "1");
    check_file(game.backup_save(), first_save, "backup made at Go");
    ProcessMetrics metrics(app.process_id());

    LogFollower log(game.log_path);
    std::vector<unsigned long long> working_set, pagefile, handles;
    std::set<std::string> short_saves;
    unsigned long long started = now_ms(), previous = started;
    unsigned long long shortest_gap = ~0ULL, longest_gap = 0, bytes_backed_up = 0;
    for (size_t n = 1; n <= ticks; ++n) {
        GameEvent save;
        if (!wait_until([&] { save = log.next_save(); return !save.event.empty(); }, 6000))
            fail("tick " + std::to_string(n) + ": no save within 6 s");
        unsigned long long seen = now_ms();
        if (save.event != "saved")
            fail("tick " + std::to_string(n) + ": the game could not write its save (" +
                 save.details + ")");
        const unsigned long count = detail_number(save.details, "count");
        const unsigned long bytes = detail_number(save.details, "bytes");
        if (count != n || bytes != sizes[(n - 1) % sizes.size()])
            fail("tick " + std::to_string(n) + ": the game logged " + quoted(save.details));
        const std::string expected =
            stand_in_save_content("SAVE", static_cast<unsigned>(n), save.pid, bytes);

        // The copy follows the save on Savewarden's thread. It is over once
        // the temporary file is gone and the backup is no older than the
        // save (the old backup is a tick older). Only then is the backup
        // opened, so that no read from here can stand in the copy's way.
        // A save whose bytes the row holds already (the empty one, or a
        // header cut as short as before) is moved to the front by renames
        // and keeps its older time: for it the bytes themselves tell.
        const bool held_before = bytes < 64 && !short_saves.insert(expected).second;
        const std::string temp = game.backup_save() + ".$$$";
        FileStamp live_stamp, backup_stamp;
        bool copied = wait_until([&] {
            if (file_exists(temp))
                return false;
            live_stamp = stamp_of(game.live_save());
            backup_stamp = stamp_of(game.backup_save());
            return backup_stamp.exists && backup_stamp.size == bytes &&
                   (held_before ? read_file(game.backup_save()) == expected
                                : backup_stamp.written >= live_stamp.written);
        }, 5000);
        if (!copied)
            fail("tick " + std::to_string(n) + ": no fresh backup within 5 s of the save (" +
                 std::to_string(bytes) + " bytes; backup " +
                 (backup_stamp.exists ? std::to_string(backup_stamp.size) + " bytes" : "missing") +
                 ")");
        if (!responds_within(app.dialog(), 5000))
            fail("tick " + std::to_string(n) + ": Savewarden does not answer");
        // read_file shares everything, so no read from here can be what
        // stops Savewarden replacing the backup.
        const std::string backup = read_file(game.backup_save()).value_or("<missing>");
        if (backup != expected)
            fail("tick " + std::to_string(n) + ": the backup holds " +
                 std::to_string(backup.size()) + " bytes starting " + header_of(backup) +
                 ", the game wrote " + std::to_string(bytes) + " bytes starting " +
                 header_of(expected));
        if (read_file(game.live_save()) != expected)
            fail("tick " + std::to_string(n) + ": the live save is not what the game logged");
        if (!message_boxes_owned_by(app.dialog()).empty())
            fail("tick " + std::to_string(n) + ": a notice is open");

        ProcessSample sample = metrics.sample();
        working_set.push_back(sample.working_set);
        pagefile.push_back(sample.pagefile);
        handles.push_back(sample.handles);
        bytes_backed_up += bytes;
        if (n > 1) {
            shortest_gap = std::min(shortest_gap, seen - previous);
            longest_gap = std::max(longest_gap, seen - previous);
        }
        previous = seen;
        if (n % 25 == 0 || n == 1)
            note("tick " + std::to_string(n) + ": backup = save (" + std::to_string(bytes) +
                 " bytes); working set " + kib(sample.working_set) + ", private " +
                 kib(sample.pagefile) + ", handles " + std::to_string(sample.handles));
    }
    const unsigned long long elapsed = now_ms() - started;
    note("ok: " + std::to_string(ticks) + " due ticks in a row, each backup equal to its save");

    const size_t last = working_set.size();
    struct Series {
        const char* name;
        const std::vector<unsigned long long>& values;
    };
    char line[256];
    std::snprintf(line, sizeof line,
                  "figures: %zu ticks in %.1f s (%.2f s per tick, gaps %llu-%llu ms), "
                  "%.1f MiB backed up, sizes %lu-%lu bytes",
                  ticks, elapsed / 1000.0, elapsed / 1000.0 / ticks, shortest_gap, longest_gap,
                  bytes_backed_up / 1048576.0,
                  *std::min_element(sizes.begin(), sizes.begin() + static_cast<long>(ticks)),
                  *std::max_element(sizes.begin(), sizes.begin() + static_cast<long>(ticks)));
    note(line);
    for (const Series& s : {Series{"working set", working_set}, Series{"private bytes", pagefile},
                            Series{"handles", handles}}) {
        std::snprintf(line, sizeof line,
                      "figures: %s first %llu, median of samples 51-100 %llu, median of the "
                      "last 50 %llu, lowest %llu, highest %llu after warm-up",
                      s.name, s.values.front(), median_of(s.values, kWarmUp, kWarmUp + kWindow),
                      median_of(s.values, last - kWindow, last),
                      *std::min_element(s.values.begin() + kWarmUp, s.values.end()),
                      *std::max_element(s.values.begin() + kWarmUp, s.values.end()));
        note(line);
    }

    for (const Series& s : {Series{"working set", working_set}, Series{"private bytes", pagefile}}) {
        unsigned long long early = median_of(s.values, kWarmUp, kWarmUp + kWindow);
        unsigned long long late = median_of(s.values, last - kWindow, last);
        check(late <= early + kMemoryTolerance,
              std::string(s.name) + " does not grow: " + kib(late) + " late against " +
                  kib(early) + " early (tolerance " + kib(kMemoryTolerance) + ")");
    }
    unsigned long long settled = median_of(handles, kWarmUp, kWarmUp + kWindow);
    unsigned long long highest = *std::max_element(handles.begin() + kWarmUp, handles.end());
    check(highest <= settled && median_of(handles, last - kWindow, last) == settled,
          "handles flat after warm-up: " + std::to_string(settled) + ", never above");

    exit_with_zero(app, "Exit after the soak");
}

}  // namespace e2e
