#include "host_ini.h"

#include <ctype.h>
#include <strings.h>

#include <vector>

namespace {

std::string trimmed(const std::string &s)
{
    size_t b = 0, e = s.size();
    while (b < e && isspace((unsigned char)s[b]))
        ++b;
    while (e > b && isspace((unsigned char)s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool same(const std::string &a, const std::string &b)
{
    return strcasecmp(a.c_str(), b.c_str()) == 0;
}

// "[name]" gives true and name; anything else false.
bool section_header(const std::string &line, std::string *name)
{
    std::string t = trimmed(line);
    if (t.size() < 2 || t[0] != '[')
        return false;
    size_t close = t.find(']');
    if (close == std::string::npos)
        return false;
    *name = trimmed(t.substr(1, close - 1));
    return true;
}

// "key=value" gives true, key and the raw value.
bool key_line(const std::string &line, std::string *key, std::string *value)
{
    std::string t = trimmed(line);
    if (t.empty() || t[0] == ';')
        return false;
    size_t eq = t.find('=');
    if (eq == std::string::npos)
        return false;
    *key = trimmed(t.substr(0, eq));
    *value = t.substr(eq + 1);
    return true;
}

std::string unquoted(const std::string &raw)
{
    std::string v = trimmed(raw);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0])
        return v.substr(1, v.size() - 2);
    return v;
}

}  // namespace

bool ini_find(const std::string &text, const std::string &section,
              const std::string &key, std::string *value)
{
    bool in_section = false;
    for (const std::string &line : lines_of(text)) {
        std::string name, k, raw;
        if (section_header(line, &name))
            in_section = same(name, section);
        else if (in_section && key_line(line, &k, &raw) && same(k, key)) {
            *value = unquoted(raw);
            return true;
        }
    }
    return false;
}

bool ini_section_has_key(const std::string &text, const std::string &section)
{
    bool in_section = false;
    for (const std::string &line : lines_of(text)) {
        std::string name, k, raw;
        if (section_header(line, &name))
            in_section = same(name, section);
        else if (in_section && key_line(line, &k, &raw))
            return true;
    }
    return false;
}

std::string ini_set(const std::string &text, const std::string &section,
                    const std::string &key, const std::string &value)
{
    std::vector<std::string> lines = lines_of(text);
    const std::string entry = key + "=" + value;
    bool in_section = false;
    long last_of_section = -1;  // where a missing key goes
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string name, k, raw;
        if (section_header(lines[i], &name)) {
            in_section = same(name, section);
            if (in_section)
                last_of_section = (long)i;
        } else if (in_section) {
            if (key_line(lines[i], &k, &raw) && same(k, key)) {
                lines[i] = entry;
                last_of_section = -2;  // replaced in place
                break;
            }
            if (!trimmed(lines[i]).empty())
                last_of_section = (long)i;
        }
    }
    if (last_of_section >= 0) {
        lines.insert(lines.begin() + last_of_section + 1, entry);
    } else if (last_of_section == -1) {
        lines.push_back("[" + section + "]");
        lines.push_back(entry);
    }
    std::string out;
    for (const std::string &line : lines)
        out += line + "\r\n";
    return out;
}
