// Everything under a folder, with sizes, so that a scenario can show that a
// run wrote only the files it names and nothing else.
#ifndef E2E_FOLDER_TREE_H
#define E2E_FOLDER_TREE_H

#include <map>
#include <string>

namespace e2e {

struct TreeEntry {
    bool folder = false;
    unsigned long long size = 0;
    bool operator==(const TreeEntry& other) const
    {
        return folder == other.folder && size == other.size;
    }
};

// Keys are paths below the root, "\"-separated, in UTF-8: the names are
// read through the wide API, as the file system holds them, so a name
// stored under the wrong characters shows.
using FolderTree = std::map<std::string, TreeEntry>;

FolderTree list_tree(const std::string& root);

// One line per path added ("+"), removed ("-") or changed ("~"); empty when
// the two listings are the same.
std::string tree_difference(const FolderTree& before, const FolderTree& after);

// Text in the ANSI code page as UTF-8, and back to wide, for comparing names.
std::string ansi_to_utf8(const std::string& text);

}  // namespace e2e

#endif
