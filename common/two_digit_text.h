// Numbers written with at least two digits: 7 gives "07", 15 gives "15".
#ifndef SAVEWARDEN_TWO_DIGIT_TEXT_H
#define SAVEWARDEN_TWO_DIGIT_TEXT_H

#include <stddef.h>
#include <stdint.h>

// Writes value into buf (size bytes, zero-terminated, cut if it must be).
void two_digit_text(uint32_t value, char *buf, size_t size);

#endif
