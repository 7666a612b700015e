// Text packed by byte pair encoding, as tools/make_help.py packs the help
// text that the program carries: a header with the text's length, a table
// of pairs, then the packed bytes.
#ifndef SAVEWARDEN_PACKED_TEXT_H
#define SAVEWARDEN_PACKED_TEXT_H

#include <stddef.h>

// The length of the packed text once unpacked, without its zero byte; 0
// when packed is too short to hold a header.
size_t packed_text_length(const unsigned char *packed, size_t size);

// Unpacks into out (size bytes, which must take the text and its zero
// byte) and ends it with a zero byte. False, with out empty, when the
// packed data is malformed: cut short, a pair that refers to itself, a text
// longer or shorter than its header says, or one that does not fit out.
bool unpack_text(const unsigned char *packed, size_t size, char *out,
                 size_t out_size);

#endif
