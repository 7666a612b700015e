// The host INI reader (ini_find) over any file text and any section and key
// names: no crash, no overrun, and answers that hold whatever the text.
//
// Input: section name, '\n', key name, '\n', then the file text.
#include <stdint.h>
#include <strings.h>

#include <string>

#include "fuzz_support.h"
#include "host_ini.h"

namespace {

struct Lookup {
    bool found;
    std::string value;
};

Lookup look_up(const std::string &text, const std::string &section,
               const std::string &key)
{
    Lookup l;
    l.found = ini_find(text, section, key, &l.value);
    return l;
}

bool same_lookup(const Lookup &a, const Lookup &b)
{
    return a.found == b.found && (!a.found || a.value == b.value);
}

std::string swapped_case(std::string s)
{
    for (char &c : s) {
        if (c >= 'a' && c <= 'z')
            c = (char)(c - 'a' + 'A');
        else if (c >= 'A' && c <= 'Z')
            c = (char)(c - 'A' + 'a');
    }
    return s;
}

std::string with_lf_line_ends(const std::string &text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text;
    const std::vector<std::string> names = split_input(data, size, 2, &text);
    const std::string &section = names[0];
    const std::string &key = names[1];

    const Lookup l = look_up(text, section, key);
    if (l.found) {
        FUZZ_CHECK(l.value.find('\n') == std::string::npos,
                   "a value never spans lines");
        FUZZ_CHECK(text.find(l.value) != std::string::npos,
                   "a value is a piece of the file text");
    }

    // Line ends do not matter: CR LF reads as LF.
    FUZZ_CHECK(same_lookup(l, look_up(with_lf_line_ends(text), section, key)),
               "CR LF and LF line ends read the same");

    // Letter case of the names does not matter.
    FUZZ_CHECK(same_lookup(l, look_up(text, swapped_case(section),
                                      swapped_case(key))),
               "section and key match regardless of letter case");

    // What follows in another section changes nothing, even the same key.
    if (strcasecmp(section.c_str(), "Zz9") != 0 &&
        key.find_first_of("\n[") == std::string::npos) {
        const std::string more = text + "\r\n[Zz9]\r\n" + key + "=zzz\r\n";
        FUZZ_CHECK(same_lookup(l, look_up(more, section, key)),
                   "a key in a later, other section is not seen");
    }
    return 0;
}
