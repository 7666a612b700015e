#include "common/two_digit_text.h"

#include <stdio.h>

void two_digit_text(uint32_t value, char *buf, size_t size)
{
    snprintf(buf, size, value < 10 ? "0%lu" : "%lu", (unsigned long)value);
}
