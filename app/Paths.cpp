// Program and start directories and full path names; see Paths.h.
#include "app/Paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include <climits>
#include <mutex>
#include <vector>

namespace {

std::mutex gPathsMutex;
std::string gProgramDirectoryOverride;
std::string gUserDirectoryOverride;

std::string DirectoryPart(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string ReadProgramDirectory() {
    std::vector<char> buffer(PATH_MAX + 1);
    const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
    if (length <= 0) return StartDirectory();
    return DirectoryPart(std::string(buffer.data(), static_cast<size_t>(length)));
}

std::string ReadWorkingDirectory() {
    std::vector<char> buffer(PATH_MAX + 1);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return "/";
    return buffer.data();
}

// Noted at load time as well, so that the answer is the launch directory even when the
// first question comes late.
const std::string gStartDirectory = ReadWorkingDirectory();

}  // namespace

std::string ProgramDirectory() {
    {
        std::lock_guard<std::mutex> lock(gPathsMutex);
        if (!gProgramDirectoryOverride.empty()) return gProgramDirectoryOverride;
    }
    static const std::string directory = ReadProgramDirectory();
    return directory;
}

void SetProgramDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(gPathsMutex);
    gProgramDirectoryOverride = dir.empty() ? dir : FullPath(dir);
}

std::string StartDirectory() {
    if (!gStartDirectory.empty()) return gStartDirectory;
    return ReadWorkingDirectory();  // Only when asked during static initialisation.
}

std::string JoinPath(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    if (name.empty()) return dir;
    if (dir.back() == '/') return name.front() == '/' ? dir + name.substr(1) : dir + name;
    return name.front() == '/' ? dir + name : dir + "/" + name;
}

std::string FullPath(const std::string& path) { return FullPath(path, StartDirectory()); }

std::string FullPath(const std::string& path, const std::string& base) {
    std::string joined;
    if (!path.empty() && path.front() == '/')
        joined = path;
    else if (!base.empty() && base.front() == '/')
        joined = JoinPath(base, path);
    else
        joined = JoinPath(JoinPath(StartDirectory(), base), path);

    std::vector<std::string> parts;
    size_t pos = 0;
    while (pos <= joined.size()) {
        size_t next = joined.find('/', pos);
        if (next == std::string::npos) next = joined.size();
        const std::string part = joined.substr(pos, next - pos);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        pos = next + 1;
    }
    std::string result;
    for (const std::string& part : parts) result += "/" + part;
    if (result.empty()) result = "/";
    // A name that ended in "/" names a directory; keep saying so.
    if (joined.size() > 1 && joined.back() == '/' && result != "/") result += '/';
    return result;
}

std::string ProgramFile(const std::string& name) { return JoinPath(ProgramDirectory(), name); }

namespace {

bool IsDirectory(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Creates `path` and its missing parents; true when it exists afterwards.
bool MakeDirectories(const std::string& path) {
    if (path.empty() || IsDirectory(path)) return true;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) MakeDirectories(path.substr(0, slash));
    return mkdir(path.c_str(), 0755) == 0 || IsDirectory(path);
}

std::string ConfigDirectory() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') return JoinPath(xdg, "tonweave");
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') return JoinPath(JoinPath(home, ".config"), "tonweave");
    return JoinPath("/tmp", "tonweave");
}

}  // namespace

std::string UserDirectory() {
    {
        std::lock_guard<std::mutex> lock(gPathsMutex);
        if (!gUserDirectoryOverride.empty()) return gUserDirectoryOverride;
    }
    const std::string program = ProgramDirectory();
    if (access(program.c_str(), W_OK) == 0) return program;
    const std::string config = ConfigDirectory();
    MakeDirectories(config);
    return config;
}

std::string UserFile(const std::string& name) { return JoinPath(UserDirectory(), name); }

void SetUserDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(gPathsMutex);
    gUserDirectoryOverride = dir.empty() ? dir : FullPath(dir);
}

std::string AssetDirectory() {
    const std::string program = ProgramDirectory();
    if (IsDirectory(JoinPath(program, "skins"))) return program;
    const std::string shared = FullPath("../share/tonweave", program);
    if (IsDirectory(shared)) return shared;
    return program;
}

std::string AssetFile(const std::string& name) { return JoinPath(AssetDirectory(), name); }
