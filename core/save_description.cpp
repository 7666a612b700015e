#include "core/save_description.h"

#include "platform/platform.h"

// A save file of Angband 3.5.0 and later begins:
//
//   0x00   4  "Save"
//   0x04   4  the variant's id ("VNLA" for Angband itself; any id will do)
//   0x08  16  the first block's name, "description", padded with zeros
//   0x18   4  the block's version, little-endian
//   0x1C   4  the text's size, little-endian, its closing zero included
//   0x20   4  a checksum, which the game itself never checks
//   0x24      the text, ending in its zero
//
// Anything that does not match this exactly is no description: we never
// guess, and an older save or any other file simply has none.

namespace {

const unsigned header_size = 0x24;
const unsigned text_most = SAVE_DESCRIPTION_WIDTH + 1;  // its zero included

// The game has written version 1 of this block since it began writing it.
// Another version may lay its text out differently, so it counts as no
// description rather than as text we would have to guess at.
const unsigned block_version = 1;

const unsigned char magic[4] = {'S', 'a', 'v', 'e'};
const unsigned char first_block[16] = {'d', 'e', 's', 'c', 'r', 'i', 'p',
                                       't', 'i', 'o', 'n'};

unsigned little_endian(const unsigned char *p)
{
    return (unsigned)p[0] | (unsigned)p[1] << 8 | (unsigned)p[2] << 16 |
           (unsigned)p[3] << 24;
}

bool same_bytes(const unsigned char *a, const unsigned char *b, unsigned count)
{
    for (unsigned i = 0; i < count; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// Text in the system's 8-bit code page: no control characters, but any byte
// from 0x80 on, as a name may hold accented letters.
bool printable(unsigned char c) { return c >= 0x20 && c != 0x7F; }

// The size of the text the header announces, its zero included; 0 when the
// header is not that of a save with a description.
unsigned text_size_in(const unsigned char *head, unsigned length)
{
    if (length < header_size || !same_bytes(head, magic, sizeof magic) ||
        !same_bytes(head + 0x08, first_block, sizeof first_block) ||
        little_endian(head + 0x18) != block_version)
        return 0;
    unsigned size = little_endian(head + 0x1C);
    // An empty text, only its zero, describes no one.
    if (size < 2 || size > text_most || length - header_size < size)
        return 0;
    return size;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

unsigned digits_before(const char *text, unsigned end)
{
    unsigned digits = 0;
    while (digits < end && is_digit(text[end - 1 - digits]))
        ++digits;
    return digits;
}

bool ends_in_depth(const char *text, unsigned length)
{
    const char tail[] = ", at DL";
    const unsigned tail_length = sizeof tail - 1;
    unsigned digits = digits_before(text, length);
    if (digits == 0 || length - digits < tail_length)
        return false;
    return same_bytes(reinterpret_cast<const unsigned char *>(text) + length -
                          digits - tail_length,
                      reinterpret_cast<const unsigned char *>(tail), tail_length);
}

unsigned text_length(const char *text)
{
    unsigned length = 0;
    while (length <= SAVE_DESCRIPTION_WIDTH && text[length] != '\0')
        ++length;
    return length;
}

// A living character as "<name>, L<level> <race> <class>, at DL<depth>"
// tells of it. The name may hold commas, even ", L1 ", so the level is the
// last ", L<digits> " before the depth: everything before it is the name.
struct Character {
    unsigned name_length;  // the name is the text's start
    unsigned level;
    unsigned race_class_at, race_class_length;
};

bool read_character(const char *text, Character *character)
{
    unsigned length = text_length(text);
    if (length > SAVE_DESCRIPTION_WIDTH || !ends_in_depth(text, length))
        return false;
    unsigned body = length - digits_before(text, length) - (sizeof ", at DL" - 1);
    for (unsigned space = body; space-- > 3;) {
        unsigned digits = digits_before(text, space);
        unsigned comma = space - digits - 3;  // where ", L" would begin
        if (text[space] != ' ' || digits == 0 || digits > 3 ||
            space < digits + 3 || text[comma] != ',' ||
            text[comma + 1] != ' ' || text[comma + 2] != 'L')
            continue;
        character->name_length = comma;
        character->level = 0;
        for (unsigned i = comma + 3; i < space; ++i)
            character->level = character->level * 10 + (unsigned)(text[i] - '0');
        character->race_class_at = space + 1;
        character->race_class_length = body - space - 1;
        return true;
    }
    return false;
}

bool same_text(const char *a, unsigned a_length, const char *b, unsigned b_length)
{
    return a_length == b_length &&
           same_bytes(reinterpret_cast<const unsigned char *>(a),
                      reinterpret_cast<const unsigned char *>(b), a_length);
}

bool holds(const char *text, unsigned length, const char *part,
           unsigned part_length)
{
    for (unsigned at = 0; at + part_length <= length; ++at)
        if (same_bytes(reinterpret_cast<const unsigned char *>(text) + at,
                       reinterpret_cast<const unsigned char *>(part), part_length))
            return true;
    return false;
}

}  // namespace

int parse_save_description(const unsigned char *head, unsigned length,
                           char *out, unsigned size)
{
    if (out == nullptr || size == 0)
        return 0;
    out[0] = '\0';
    if (head == nullptr)
        return 0;
    unsigned text_size = text_size_in(head, length);
    if (text_size == 0 || text_size > size)
        return 0;
    const unsigned char *text = head + header_size;
    if (text[text_size - 1] != '\0')
        return 0;
    for (unsigned i = 0; i + 1 < text_size; ++i)
        if (!printable(text[i]))
            return 0;  // a zero inside the text among them
    for (unsigned i = 0; i < text_size; ++i)
        out[i] = (char)text[i];
    return 1;
}

int read_save_description(const char *path, char *out, unsigned size)
{
    if (out != nullptr && size != 0)
        out[0] = '\0';
    plat_file file = plat_file_open_read(path);
    if (file == PLAT_NO_FILE)
        return 0;
    unsigned char head[header_size + text_most];
    unsigned length = 0;
    while (length < sizeof head) {
        long got = plat_file_read(file, head + length, sizeof head - length);
        if (got <= 0) {
            if (got < 0)
                length = 0;  // a read error: nothing we have is to be trusted
            break;
        }
        length += (unsigned)got;
    }
    plat_file_close(file);  // nothing was written through it
    return parse_save_description(head, length, out, size);
}

// The game describes a living character as "<name>, L<level> <race>
// <class>, at DL<depth>" and a dead one as "<name>, dead (<what killed
// it>)". A name may hold commas, even ", dead (", and so may what killed the
// character, so the first comma tells nothing. The two forms differ at their
// end: a living description always ends in ", at DL" and digits, which a
// dead one never does (it ends in ")", or wherever the game's buffer cut a
// long cause of death short). So a description is dead when it holds
// ", dead (" and does not end like a living one.
int description_is_dead(const char *description)
{
    if (description == nullptr)
        return 0;
    unsigned length = text_length(description);
    if (length > SAVE_DESCRIPTION_WIDTH)
        return 0;  // no description of the game's is this long
    const char dead[] = ", dead (";
    return holds(description, length, dead, sizeof dead - 1) &&
                   !ends_in_depth(description, length)
               ? 1
               : 0;
}

int starts_new_life(const char *newer, const char *older)
{
    Character a, b;
    if (newer == nullptr || older == nullptr || !read_character(newer, &a) ||
        !read_character(older, &b))
        return 0;
    return !same_text(newer, a.name_length, older, b.name_length) ||
                   !same_text(newer + a.race_class_at, a.race_class_length,
                              older + b.race_class_at, b.race_class_length) ||
                   a.level < b.level
               ? 1
               : 0;
}
