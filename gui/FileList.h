// What the file requester lists: a directory's entries filtered by wildcard patterns, with
// the entries for the parent, the root and the home directory.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GUI_FileEntry {
    enum Kind { kParent, kDirectory, kFile, kRoot, kHome };
    Kind kind = kFile;
    std::string name;
    uint64_t size = 0;

    // The text the list shows: name and size column, separated by a tab.
    std::string ListText() const;
};

// "*" matches any run of characters, "?" one character; letters match either case.
bool GUI_MatchPattern(const std::string& name, const std::string& pattern);

// The entries of `directory`: ".." (except at the root), the subdirectories, the files
// that match any of `patterns` (all files when there are none), then "[/]" and "[~]".
// Names starting with "." are left out. An unreadable directory lists only the fixed
// entries.
std::vector<GUI_FileEntry> GUI_ListDirectory(const std::string& directory,
                                             const std::vector<std::string>& patterns);

// The parent of an absolute directory ("/" stays "/").
std::string GUI_ParentDirectory(const std::string& directory);
// The user's home directory ($HOME, else "/").
std::string GUI_HomeDirectory();
