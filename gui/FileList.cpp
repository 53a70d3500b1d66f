// Directory listing and wildcard matching for the file requester.
#include "gui/FileList.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool LessNoCase(const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

std::string SizeText(uint64_t size) {
    if (size < 10000) return std::to_string(size) + " B";
    if (size < 10000 * 1024ull) return std::to_string((size + 512) / 1024) + " KiB";
    return std::to_string((size + 512 * 1024) / (1024 * 1024)) + " MiB";
}

}  // namespace

std::string GUI_FileEntry::ListText() const {
    switch (kind) {
        case kParent:
            return "..\t<DIR>";
        case kDirectory:
            return name + "/\t<DIR>";
        case kRoot:
            return "[/]\tRoot";
        case kHome:
            return "[~]\tHome";
        default:
            return name + "\t" + SizeText(size);
    }
}

bool GUI_MatchPattern(const std::string& name, const std::string& pattern) {
    // Iterative matching with one back-track point for the last "*".
    size_t n = 0, p = 0, star = std::string::npos, mark = 0;
    auto same = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == '?' || (pattern[p] != '*' && same(pattern[p], name[n])))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::string GUI_ParentDirectory(const std::string& directory) {
    fs::path p = fs::path(directory).lexically_normal();
    std::string s = p.string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    size_t slash = s.rfind('/');
    if (slash == std::string::npos || slash == 0) return "/";
    return s.substr(0, slash);
}

std::string GUI_HomeDirectory() {
    const char* home = std::getenv("HOME");
    return home && *home ? home : "/";
}

std::vector<GUI_FileEntry> GUI_ListDirectory(const std::string& directory,
                                             const std::vector<std::string>& patterns) {
    std::vector<GUI_FileEntry> dirs, files;
    std::error_code ec;
    for (fs::directory_iterator it(directory, fs::directory_options::skip_permission_denied, ec),
         end;
         !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.empty() || name[0] == '.') continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            dirs.push_back({GUI_FileEntry::kDirectory, name, 0});
            continue;
        }
        bool match = patterns.empty() ||
                     std::any_of(patterns.begin(), patterns.end(), [&](const std::string& pattern) {
                         return GUI_MatchPattern(name, pattern);
                     });
        if (!match) continue;
        std::error_code sizeError;
        uint64_t size = it->file_size(sizeError);
        files.push_back({GUI_FileEntry::kFile, name, sizeError ? 0 : size});
    }
    auto byName = [](const GUI_FileEntry& a, const GUI_FileEntry& b) {
        return LessNoCase(a.name, b.name);
    };
    std::sort(dirs.begin(), dirs.end(), byName);
    std::sort(files.begin(), files.end(), byName);
    std::vector<GUI_FileEntry> out;
    if (fs::path(directory).lexically_normal() != fs::path("/"))
        out.push_back({GUI_FileEntry::kParent, "..", 0});
    out.insert(out.end(), dirs.begin(), dirs.end());
    out.insert(out.end(), files.begin(), files.end());
    out.push_back({GUI_FileEntry::kRoot, "/", 0});
    out.push_back({GUI_FileEntry::kHome, GUI_HomeDirectory(), 0});
    return out;
}
