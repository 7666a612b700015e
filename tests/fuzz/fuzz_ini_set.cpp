// The host INI writer (ini_set) over any file text: no crash, no overrun;
// every line but the one it writes is kept; and, for names and values the
// profile format can hold, the reader then gives the written value back.
//
// Input: section name, '\n', key name, '\n', value, '\n', then the file
// text.
#include <ctype.h>
#include <stdint.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "host_ini.h"

namespace {

bool blank(char c) { return isspace((unsigned char)c) != 0; }

bool has_outer_blank(const std::string &s)
{
    return !s.empty() && (blank(s[0]) || blank(s[s.size() - 1]));
}

// Names a profile line can carry so that reading finds them again: no line
// break, nothing trimmed away, and nothing that would make the key line
// a comment, a section header or split at another '='.
bool writable_section(const std::string &s)
{
    return s.find_first_of("\n]") == std::string::npos && !has_outer_blank(s);
}

bool writable_key(const std::string &k)
{
    return k.find_first_of("\n=") == std::string::npos && !has_outer_blank(k) &&
           (k.empty() || (k[0] != ';' && k[0] != '['));
}

bool writable_value(const std::string &v)
{
    return v.find('\n') == std::string::npos && !has_outer_blank(v) &&
           (v.empty() || (v[0] != '"' && v[0] != '\''));
}

// The written text's lines are the old ones with the entry put in place of
// one line, or inserted at one place, or appended with a new header.
bool only_entry_changed(const std::vector<std::string> &before,
                        const std::vector<std::string> &after,
                        const std::string &header, const std::string &entry)
{
    size_t i = 0;
    while (i < before.size() && i < after.size() && before[i] == after[i])
        ++i;
    if (after.size() == before.size()) {
        if (i == after.size())  // the entry was there already, unchanged
            return std::find(after.begin(), after.end(), entry) != after.end();
        return after[i] == entry &&
               std::equal(before.begin() + (long)i + 1, before.end(),
                          after.begin() + (long)i + 1);
    }
    if (after.size() == before.size() + 1) {
        // Inserting next to an equal line looks the same from either side.
        return i < after.size() && after[i] == entry &&
               std::equal(before.begin() + (long)i, before.end(),
                          after.begin() + (long)i + 1);
    }
    if (after.size() == before.size() + 2)
        return i == before.size() && after[i] == header &&
               after[i + 1] == entry;
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text;
    const std::vector<std::string> fields = split_input(data, size, 3, &text);
    const std::string &section = fields[0];
    const std::string &key = fields[1];
    const std::string &value = fields[2];

    const std::string out = ini_set(text, section, key, value);

    // Section, key and value are single lines here (the input is split at
    // line breaks), so the entry is one line.
    const std::string entry = key + "=" + value;
    FUZZ_CHECK(only_entry_changed(ini_lines(text), ini_lines(out),
                                  "[" + section + "]", entry),
               "every other line is kept, in order");
    for (size_t i = 0; i < out.size(); ++i)
        if (out[i] == '\n')
            FUZZ_CHECK(i > 0 && out[i - 1] == '\r', "every line ends in CR LF");
    FUZZ_CHECK(out.size() >= 2 && out.compare(out.size() - 2, 2, "\r\n") == 0,
               "the text ends with a line end");

    if (writable_section(section) && writable_key(key) &&
        writable_value(value)) {
        std::string read_back;
        FUZZ_CHECK(ini_find(out, section, key, &read_back),
                   "the written key is found");
        FUZZ_CHECK(read_back == value, "the written value is read back");
        FUZZ_CHECK(ini_set(out, section, key, value) == out,
                   "writing the same value again changes nothing");
    }
    return 0;
}
