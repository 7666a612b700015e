// A private-profile (INI) reader and writer for the host, behaving like the
// Windows profile service where the program relies on it: sections and keys
// match regardless of letter case and surrounding blanks, values lose their
// surrounding blanks and one pair of matching quotes.
#ifndef SAVEWARDEN_TESTS_HOST_INI_H
#define SAVEWARDEN_TESTS_HOST_INI_H

#include <string>

// The value of key in section of the file text; false when there is none.
bool ini_find(const std::string &text, const std::string &section,
              const std::string &key, std::string *value);
// Whether section of the file text holds a key, as the profile service
// tells when asked for the section's key names.
bool ini_section_has_key(const std::string &text, const std::string &section);
// The file text with key in section set to value, adding the key or the
// section where they are missing and keeping every other line.
std::string ini_set(const std::string &text, const std::string &section,
                    const std::string &key, const std::string &value);

#endif
