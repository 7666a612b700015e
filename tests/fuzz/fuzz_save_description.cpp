// The description at the head of a save file (parse_save_description) over
// any bytes: no crash and no read past them; a description it returns ends
// with its zero within the width, holds only printable text and is exactly
// the text the header announces; the answer is the same every time and for
// any longer buffer; a buffer too small gets nothing, not a cut text; and
// the life it tells of is its own.
//
// Input: the file's first bytes.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "core/save_description.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exactly the input, so a read past its end is caught.
    unsigned char *head = static_cast<unsigned char *>(malloc(size ? size : 1));
    memcpy(head, data, size);
    const unsigned length = static_cast<unsigned>(size);

    char out[SAVE_DESCRIPTION_WIDTH + 1];
    memset(out, 'x', sizeof out);
    const int found = parse_save_description(head, length, out, sizeof out);
    const char *end = static_cast<const char *>(memchr(out, '\0', sizeof out));
    FUZZ_CHECK(end != nullptr, "out ends with its zero within the width");
    const size_t text_length = static_cast<size_t>(end - out);
    FUZZ_CHECK(found == 0 || found == 1, "the answer is 1 or 0");
    FUZZ_CHECK(found || text_length == 0, "no description leaves out empty");
    if (found) {
        FUZZ_CHECK(text_length > 0, "a description has text");
        for (size_t i = 0; i < text_length; ++i)
            FUZZ_CHECK(static_cast<unsigned char>(out[i]) >= 0x20 && out[i] != 0x7F,
                       "a description is printable");
        FUZZ_CHECK(size >= 0x24 + text_length + 1 && memcmp(data, "Save", 4) == 0 &&
                       memcmp(data + 0x24, out, text_length + 1) == 0,
                   "a description is the text after the header, with its zero");
        const uint32_t announced = data[0x1C] | data[0x1D] << 8 | data[0x1E] << 16 |
                                   static_cast<uint32_t>(data[0x1F]) << 24;
        FUZZ_CHECK(announced == text_length + 1, "it is as long as the header says");
    }

    // The same again, in a larger buffer.
    char again[SAVE_DESCRIPTION_WIDTH + 9];
    FUZZ_CHECK(parse_save_description(head, length, again, sizeof again) == found &&
                   strcmp(again, out) == 0,
               "the answer is the same every time");

    // One byte short of the text and its zero: nothing, never a cut text.
    if (found) {
        char small[SAVE_DESCRIPTION_WIDTH + 1];
        memset(small, 'x', sizeof small);
        FUZZ_CHECK(parse_save_description(head, length, small,
                                          static_cast<unsigned>(text_length)) == 0 &&
                       small[0] == '\0' && small[text_length] == 'x',
                   "a buffer too small gets nothing and is not written past");
    }
    FUZZ_CHECK(description_is_dead(out) == 0 || found, "no description is not dead");
    // The same character never begins a new life against itself, and a dead
    // one begins none.
    FUZZ_CHECK(starts_new_life(out, out) == 0, "a state goes on its own life");
    FUZZ_CHECK(!description_is_dead(out) || starts_new_life(out, "A, L1 B C, at DL1") == 0,
               "a dead state begins no life");

    free(head);
    return 0;
}
