// The character's description at the head of a save file: read from real
// files, refused for anything that is not exactly the game's header.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../e2e/stand_in_game/save_content.h"
#include "core/save_description.h"
#include "host_files.h"
#include "scratch_dir.h"

namespace {

const char living[] = "Hero, L12 Human Warrior, at DL7";

// A save's first bytes as the game writes them, by the stand-in game's own
// writer, then the rest of a save.
std::string save_head(const std::string &text, const std::string &rest = "rest")
{
    return save_description_header(text) + rest;
}

std::string with(std::string bytes, size_t at, const std::string &part)
{
    return bytes.replace(at, part.size(), part);
}

std::string with32(std::string bytes, size_t at, unsigned value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>(value >> (8 * i));
    return bytes;
}

struct Case {
    const char *what;
    std::string bytes;
    std::string expected;  // empty: no description
    unsigned out_size = SAVE_DESCRIPTION_WIDTH + 1;
};

// out is filled with 'x' first, so a missing terminator or a write past
// out_size shows.
int read_into(const std::string &path, unsigned out_size, std::string *text)
{
    std::vector<char> out(out_size + 8, 'x');
    int found = read_save_description(path.c_str(), out.data(), out_size);
    EXPECT_EQ(std::string(out.begin() + out_size, out.end()), std::string(8, 'x'));
    *text = std::string(out.data(), strnlen(out.data(), out_size));
    EXPECT_LT(text->size(), out_size) << "zero-terminated within out";
    return found;
}

TEST(SaveDescription, IsTheGamesTextOrNone)
{
    const std::string widest(SAVE_DESCRIPTION_WIDTH, 'w');
    const std::string good = save_head(living);
    const Case cases[] = {
        {"living", good, living},
        {"in the town", save_head("Hero, L1 Human Warrior, at DL0"),
         "Hero, L1 Human Warrior, at DL0"},
        {"dead, a comma in the cause", save_head("Hero, dead (Grip, Farmer Maggot's Dog)"),
         "Hero, dead (Grip, Farmer Maggot's Dog)"},
        {"another variant", with(good, 4, "FAKE"), living},
        {"accented name", save_head("\xC9owyn, L3 Human Rogue, at DL2"),
         "\xC9owyn, L3 Human Rogue, at DL2"},
        {"widest, nothing after", save_head(widest, ""), widest},
        {"out just fits", good, living, sizeof living},
        {"out one short", good, "", sizeof living - 1},
        {"short file", "Save", ""},
        {"cut header", good.substr(0, 0x20), ""},
        {"other magic", with(good, 0, "save"), ""},
        {"other first block", with(good, 8, "player"), ""},
        {"name not padded with zeros", with(good, 0x13, "x"), ""},
        {"block version 2", with32(good, 0x18, 2), ""},
        {"size 0", with32(good, 0x1C, 0), ""},
        {"only the zero", save_head(""), ""},
        {"size 121", save_head(widest + "w"), ""},
        {"no zero at the end", with(good, 0x24 + sizeof living - 1, "r"), ""},
        {"zero inside", with(good, 0x24 + 4, std::string(1, '\0')), ""},
        {"control byte", with(good, 0x24 + 4, "\t"), ""},
        {"delete byte", with(good, 0x24 + 4, "\x7F"), ""},
        {"shorter than the size", save_head(living, "").substr(0, 0x24 + 10), ""},
        {"an older save", std::string("\x03\x00\x0E\x00", 4) + std::string(200, 'a'), ""},
        {"empty file", "", ""},
    };
    ScratchDir dir;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.file("save");
        write_file(path, c.bytes);
        std::string text;
        EXPECT_EQ(read_into(path, c.out_size, &text), c.expected.empty() ? 0 : 1);
        EXPECT_EQ(text, c.expected);
        EXPECT_EQ(host_open_file_count(), 0);

        std::vector<char> out(c.out_size, 'x');
        EXPECT_EQ(parse_save_description(
                      reinterpret_cast<const unsigned char *>(c.bytes.data()),
                      static_cast<unsigned>(c.bytes.size()), out.data(), c.out_size),
                  c.expected.empty() ? 0 : 1);
        EXPECT_EQ(std::string(out.data()), c.expected);
    }
}

TEST(SaveDescription, TellsTheDeadFromTheLiving)
{
    const struct { const char *text; int dead; } cases[] = {
        {living, 0},
        {"Hero, L50 Dwarf Priest, at DL127", 0},
        {"Hero, dead (Grip, Farmer Maggot's Dog)", 1},
        {"Smith, Jr., dead (a trap door)", 1},
        {"Bob, dead (x), L2 Hobbit Mage, at DL3", 0},
        {"Hero, dead (a very long cause of death cut short by the ga", 1},
        {"Hero, deadly (x)", 0},
        {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(description_is_dead(c.text), c.dead) << c.text;
    EXPECT_EQ(description_is_dead(nullptr), 0);
}

TEST(SaveDescription, ReadsOnlyTheHeadOfTheFile)
{
    ScratchDir dir;
    const std::string path = dir.file("save");
    write_file(path, save_head(living, std::string(1 << 20, 'z')));
    std::string text;

    host_files_reset();
    EXPECT_EQ(read_into(path, SAVE_DESCRIPTION_WIDTH + 1, &text), 1);
    EXPECT_EQ(text, living);
    EXPECT_LE(host_bytes_read(), 0x24 + SAVE_DESCRIPTION_WIDTH + 1);

    host_files_reset();  // a read that brings half: the reader reads on
    host_fail_call(HOST_READ, 1, HOST_FAULT_SHORT);
    EXPECT_EQ(read_into(path, SAVE_DESCRIPTION_WIDTH + 1, &text), 1);
    EXPECT_EQ(text, living);

    host_files_reset();
    host_fail_call(HOST_READ, 1);
    EXPECT_EQ(read_into(path, SAVE_DESCRIPTION_WIDTH + 1, &text), 0);
    EXPECT_EQ(text, "");
    write_file(path, save_head(living, "x"));  // whole in one read, the next fails
    host_files_reset();
    host_fail_call(HOST_READ, 2);
    EXPECT_EQ(read_into(path, SAVE_DESCRIPTION_WIDTH + 1, &text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(read_into(dir.file("missing"), SAVE_DESCRIPTION_WIDTH + 1, &text), 0);
    EXPECT_EQ(text, "");
    EXPECT_EQ(host_open_file_count(), 0);
    host_files_reset();
}

}  // namespace
