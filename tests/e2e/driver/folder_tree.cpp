#include "folder_tree.h"

#include "check.h"

#include <windows.h>

namespace e2e {

namespace {

std::wstring widen(const std::string& text, UINT code_page)
{
    if (text.empty())
        return std::wstring();
    int n = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()),
                                nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

std::string utf8(const std::wstring& wide)
{
    if (wide.empty())
        return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n,
                        nullptr, nullptr);
    return text;
}

void walk(const std::wstring& folder, const std::string& prefix, FolderTree& tree)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        std::string key = prefix + utf8(name);
        TreeEntry entry;
        entry.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!entry.folder)
            entry.size = (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) |
                         found.nFileSizeLow;
        tree[key] = entry;
        if (entry.folder)
            walk(folder + L"\\" + name, key + "\\", tree);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string describe(const TreeEntry& e)
{
    return e.folder ? "(folder)" : "(" + std::to_string(e.size) + " bytes)";
}

}  // namespace

FolderTree list_tree(const std::string& root)
{
    FolderTree tree;
    walk(widen(root, CP_ACP), "", tree);
    return tree;
}

std::string tree_difference(const FolderTree& before, const FolderTree& after)
{
    std::string out;
    for (const auto& [path, entry] : after) {
        auto old = before.find(path);
        if (old == before.end())
            out += "+ " + path + " " + describe(entry) + "\n";
        else if (!(old->second == entry))
            out += "~ " + path + " " + describe(old->second) + " -> " + describe(entry) + "\n";
    }
    for (const auto& [path, entry] : before)
        if (after.find(path) == after.end())
            out += "- " + path + " " + describe(entry) + "\n";
    return out;
}

std::string ansi_to_utf8(const std::string& text)
{
    return utf8(widen(text, CP_ACP));
}

}  // namespace e2e
