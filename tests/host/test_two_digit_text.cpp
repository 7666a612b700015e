#include <gtest/gtest.h>

#include "common/two_digit_text.h"

TEST(TwoDigitText, PadsOnlyNumbersBelowTen)
{
    char buf[16];
    const struct { uint32_t value; const char *text; } cases[] = {
        {0, "00"}, {7, "07"}, {9, "09"}, {10, "10"}, {15, "15"}, {60, "60"},
        {4294967295u, "4294967295"}};
    for (const auto &c : cases) {
        two_digit_text(c.value, buf, sizeof buf);
        EXPECT_STREQ(buf, c.text) << c.value;
    }
    two_digit_text(123, buf, 3);  // cut, never overrun
    EXPECT_STREQ(buf, "12");
}
