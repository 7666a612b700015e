#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/packed_text.h"
#include "common/text.h"
#include "common/two_digit_text.h"

namespace {

// Room for the longest result below and a tail that must stay untouched.
const size_t room = 600;
const char untouched = '#';

bool tail_untouched(const char *buf, size_t from)
{
    for (size_t i = from; i < room; ++i)
        if (buf[i] != untouched)
            return false;
    return true;
}

// ours(buf, size) against the C library's snprintf(buf, size, format, ...)
// at every buffer size from 0 to two past the whole text: the same
// characters, the same terminating zero, the same answer to "did it fit",
// and not one byte written past the size.
template <typename Ours, typename... Args>
void expect_like_snprintf_by(Ours ours, const char *format, Args... args)
{
    char whole[room];
    int length = snprintf(whole, sizeof whole, format, args...);
    ASSERT_GE(length, 0);
    ASSERT_LT((size_t)length + 2, room);
    for (size_t size = 0; size <= (size_t)length + 2; ++size) {
        SCOPED_TRACE(std::string(format) + ", " + std::to_string(length) + " long, size " +
                     std::to_string(size));
        char buf[room];
        char theirs[room];
        memset(buf, untouched, sizeof buf);
        memset(theirs, untouched, sizeof theirs);
        bool fitted = ours(buf, size);
        snprintf(theirs, size, format, args...);
        EXPECT_EQ(fitted, (size_t)length < size);
        EXPECT_EQ(memcmp(buf, theirs, size), 0);
        EXPECT_TRUE(tail_untouched(buf, size));
    }
}

// Our formatter against the C library's.
template <typename... Args>
void expect_like_snprintf(const char *format, Args... args)
{
    expect_like_snprintf_by(
        [&](char *buf, size_t size) { return text_format(buf, size, format, args...); },
        format, args...);
}

TEST(Text, FormatCutsLikeSnprintfAtEveryWidth)
{
    const std::string longest(255, 'p');
    expect_like_snprintf("%s%s\\%s", "c:\\angband", "\\lib\\save", "save");
    expect_like_snprintf("Error copying %s to %s", longest.c_str(),
                         longest.c_str());
    expect_like_snprintf("%s:%s - Savewarden", "14", "59");
    expect_like_snprintf("%u", 0u);
    expect_like_snprintf("%u", 4294967295u);
    expect_like_snprintf("[%u|%u]", 7u, 1000000000u);
    expect_like_snprintf("100%% of %s", "");
    expect_like_snprintf("%s", "");
    expect_like_snprintf("no directives");
}

TEST(Text, FormatEdges)
{
    char buf[8];
    memset(buf, untouched, sizeof buf);
    EXPECT_FALSE(text_format(buf, 0, "x"));  // no room even for the zero
    EXPECT_EQ(buf[0], untouched);
    EXPECT_FALSE(text_format(nullptr, 0, "x"));

    EXPECT_TRUE(text_format(buf, sizeof buf, "a%sb", (const char *)nullptr));
    EXPECT_STREQ(buf, "ab");
    // What we do not know is written as it stands, also a % at the very end.
    const char *unknown = "%d%";
    EXPECT_TRUE(text_format(buf, sizeof buf, unknown));
    EXPECT_STREQ(buf, "%d%");
    const char *longer = "%d%x";
    EXPECT_FALSE(text_format(buf, 4, longer));
    EXPECT_STREQ(buf, "%d%");
}

TEST(Text, CopyCutsAtEveryWidth)
{
    const std::string texts[] = {"", "c", "c:\\angband\\lib\\save\\save",
                                 std::string(255, 'n')};
    for (const std::string &text : texts)  // as snprintf with "%s"
        expect_like_snprintf_by(
            [&](char *buf, size_t size) { return text_copy(buf, size, text.c_str()); },
            "%s", text.c_str());
}

TEST(TwoDigitText, PadsOnlyNumbersBelowTen)
{
    char buf[16];
    const struct { uint32_t value; const char *text; size_t size = sizeof buf; } cases[] = {
        {0, "00"}, {7, "07"}, {9, "09"}, {10, "10"}, {15, "15"}, {60, "60"},
        {4294967295u, "4294967295"},
        {123, "12", 3}, {5, "0", 2}};  // cut, never overrun
    for (const auto &c : cases) {
        two_digit_text(c.value, buf, c.size);
        EXPECT_STREQ(buf, c.text) << c.value;
    }
}

// The help text as the program carries it, packed by byte pair encoding
// (tools/make_help.py packs it; its own tests check a round trip of the
// real help text).
bool unpacks_to(const std::string &pack, size_t room, std::string *text)
{
    std::vector<char> out(room, '#');
    bool ok = unpack_text(reinterpret_cast<const unsigned char *>(pack.data()), pack.size(),
                          out.data(), out.size());
    *text = out.data();
    return ok;
}

}  // namespace

TEST(PackedText, PairsOfPairsUnpackToTheText)
{
    // 0x80 = "ab", 0x81 = 0x80 "c" = "abc"; the text "abcabcab!" is 9 long.
    // The header (text length, pair count, pairs), then the body.
    const std::string pack = std::string("\x09\x00\x02\x80" "ab\x81\x80" "c", 9) + "\x81\x81\x80!";
    EXPECT_EQ(packed_text_length(reinterpret_cast<const unsigned char *>(pack.data()),
                                 pack.size()), 9u);
    std::string text;
    EXPECT_TRUE(unpacks_to(pack, 10, &text));
    EXPECT_EQ(text, "abcabcab!");
    // No room for its zero byte: refused, and out left empty.
    EXPECT_FALSE(unpacks_to(pack, 9, &text));
    EXPECT_EQ(text, "");
    // No pairs at all: the body is the text.
    EXPECT_TRUE(unpacks_to(std::string("\x03\x00\x00", 3) + "xyz", 4, &text));
    EXPECT_EQ(text, "xyz");
}

TEST(PackedText, MalformedPacksAreRefusedWithoutOverrunOrEndlessLoop)
{
    std::string text;
    const struct {
        const char *what;
        std::string pack;
    } bad[] = {
        {"no header", std::string("\x05\x00", 2)},
        {"table cut short", std::string("\x05\x00\x02\x80" "ab", 6)},
        {"a pair made of itself", std::string("\x05\x00\x01\x80\x80" "a\x80", 7)},
        {"two pairs made of each other", std::string("\x05\x00\x02\x80\x81" "a\x81\x80" "b\x80", 10)},
        {"longer than its header says", std::string("\x02\x00\x00", 3) + "abc"},
        {"shorter than its header says", std::string("\x05\x00\x00", 3) + "abc"},
    };
    for (const auto &b : bad) {
        EXPECT_FALSE(unpacks_to(b.pack, 64, &text)) << b.what;
        EXPECT_EQ(text, "") << b.what;
    }
    EXPECT_FALSE(unpack_text(nullptr, 0, nullptr, 0));
}
