// Text in fixed-size buffers: copying and a small formatter. Whatever the
// input, the result is zero-terminated, cut to the buffer and never written
// past it, and the caller learns whether it was cut.
//
// The program links no C runtime (Windows 95 has none to offer), so these
// take the place of snprintf and the string functions in all our code.
#ifndef SAVEWARDEN_TEXT_H
#define SAVEWARDEN_TEXT_H

#include <stddef.h>

// Copies text into buf (size bytes). True when all of it fitted; false when
// it was cut to size - 1 characters, or size is 0 and nothing was written.
bool text_copy(char *buf, size_t size, const char *text);

// Writes format into buf (size bytes), replacing %s with the next argument's
// text (a null pointer counts as empty), %u with the next argument's decimal
// digits (an unsigned int, which uint32_t is on every system we build for)
// and %% with %. Any other % is written as it stands. True when everything
// fitted; false when the result was cut, as text_copy cuts.
bool text_format(char *buf, size_t size, const char *format, ...)
    __attribute__((format(printf, 3, 4)));

// True when both texts are the same, letter for letter.
bool text_same(const char *a, const char *b);

#endif
