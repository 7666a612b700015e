// The dialog's unsigned number fields as the host reads them
// (host_parse_field_number): any text, including none at all, gives no
// crash, no read past its terminating zero, and the same answer as a plain
// reference reading of the rule written in host_fakes.h.
//
// Input: the field's text; a zero byte in it ends the text there, as it
// would in the dialog.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "fuzz_support.h"
#include "host_fakes.h"

namespace {

// The rule, read as text rather than computed: blanks (space, tab), one or
// more digits, blanks; leading zeros dropped, the rest compared as a string
// with the largest unsigned 32-bit number.
bool reference_number(const std::string &text, uint32_t *value)
{
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return false;
    const size_t last = text.find_last_not_of(" \t");
    const std::string digits = text.substr(first, last - first + 1);
    if (digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const size_t nonzero = digits.find_first_not_of('0');
    const std::string significant =
        nonzero == std::string::npos ? std::string("0") : digits.substr(nonzero);
    const std::string largest = "4294967295";
    if (significant.size() > largest.size() ||
        (significant.size() == largest.size() && significant > largest))
        return false;
    uint64_t number = 0;
    for (char c : significant)
        number = number * 10 + (uint64_t)(c - '0');
    *value = (uint32_t)number;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Exactly the text and its zero, so a read past the end is caught.
    char *text = static_cast<char *>(malloc(size + 1));
    memcpy(text, data, size);
    text[size] = '\0';

    const uint32_t untouched = 0xA5A5A5A5u;
    uint32_t value = untouched;
    const bool accepted = host_parse_field_number(text, &value);

    uint32_t expected = 0;
    const bool reference = reference_number(std::string(text), &expected);
    FUZZ_CHECK(accepted == reference,
               "accepts exactly the texts the reference accepts");
    if (accepted)
        FUZZ_CHECK(value == expected, "accepted value equals the reference");
    else
        FUZZ_CHECK(value == untouched, "a refused text leaves the value alone");

    // Plain digits within range are always a number.
    bool only_digits = size > 0;
    for (size_t i = 0; i < size; ++i)
        only_digits = only_digits && data[i] >= '0' && data[i] <= '9';
    if (only_digits && reference)
        FUZZ_CHECK(accepted, "a digits-only text that fits is accepted");

    // No pointer, no number, and nothing written.
    uint32_t spare = untouched;
    FUZZ_CHECK(!host_parse_field_number(nullptr, &spare) && spare == untouched,
               "a null text is refused");
    FUZZ_CHECK(!host_parse_field_number(text, nullptr),
               "a null value pointer is refused");

    free(text);
    return 0;
}
