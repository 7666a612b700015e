// The character a save file holds, in the game's own words: every save file
// of Angband 3.5.0 and later begins with a one-line description of it
// ("Hero, L12 Human Warrior, at DL7", or "Hero, dead (Grip, Farmer Maggot's
// Dog)"), which can be read without reading the rest of the file.
#ifndef SAVEWARDEN_SAVE_DESCRIPTION_H
#define SAVEWARDEN_SAVE_DESCRIPTION_H

// The longest description: the game reads it into 120 bytes.
enum { SAVE_DESCRIPTION_WIDTH = 119 };

// 1 with the description in out (size bytes, zero-terminated; at least
// SAVE_DESCRIPTION_WIDTH + 1 for any description to fit) when the file at
// path begins with one. 0 with out empty otherwise: no file, a save of an
// older version or any other file, anything malformed, or a description
// longer than out holds (it is never cut). Reads only the file's first
// bytes, the header and the text, never the rest.
int read_save_description(const char *path, char *out, unsigned size);

// The same over the first length bytes of a file, already read.
int parse_save_description(const unsigned char *head, unsigned length,
                           char *out, unsigned size);

// 1 when the description says its character is dead, 0 when it is living
// (or there is none).
int description_is_dead(const char *description);

// 1 when the living state newer begins another character's life than the
// living state older, the next older one of the same row: another name
// (everything before the level), another race or class, or a lower level,
// as after a death and New Game under the same name, or after an older state
// was brought back. 0 when it goes on the same life, or when either is not a
// living description of the game's form.
int starts_new_life(const char *newer, const char *older);

#endif
