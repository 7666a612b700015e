#include "common/two_digit_text.h"

#include "common/text.h"

void two_digit_text(uint32_t value, char *buf, size_t size)
{
    text_format(buf, size, value < 10 ? "0%u" : "%u", value);
}
