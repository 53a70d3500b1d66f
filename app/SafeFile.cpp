// Temporary-file-and-rename writes; see SafeFile.h.
#include "app/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/Exceptions.h"

namespace {

std::string DirectoryOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

// A directory entry only survives a crash once the directory itself is synced.
void SyncDirectory(const std::string& dir) {
    const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

}  // namespace

SafeFileWriter::SafeFileWriter(const std::string& path, bool text) : target(path) {
    (void)text;  // POSIX makes no difference between text and binary streams.
    const size_t slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string dir = DirectoryOf(path);
    std::string pattern = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0) throw Exception("SafeFileWriter: Can't create file");
    // mkstemp creates 0600; a replaced file keeps its permissions, a new one gets the usual.
    struct stat old;
    fchmod(fd, stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
    file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(name.data());
        throw Exception("SafeFileWriter: Can't create file");
    }
    temporary.assign(name.data());
}

SafeFileWriter::~SafeFileWriter() { Abandon(); }

void SafeFileWriter::Abandon() {
    if (file) {
        fclose(file);
        file = nullptr;
    }
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
}

void SafeFileWriter::Commit() {
    if (!file) throw FileIOException("SafeFileWriter::Commit(): File already closed");
    bool ok = fflush(file) == 0 && !ferror(file);
    ok = ok && fsync(fileno(file)) == 0;
    const bool closed = fclose(file) == 0;
    file = nullptr;
    if (!ok || !closed) {
        Abandon();
        throw FileIOException("SafeFileWriter::Commit(): Can't write data");
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        Abandon();
        throw FileIOException("SafeFileWriter::Commit(): Can't replace file");
    }
    temporary.clear();
    SyncDirectory(DirectoryOf(target));
}

void WriteFileSafely(const std::string& path, const void* data, size_t size) {
    SafeFileWriter writer(path);
    if (size > 0 && fwrite(data, 1, size, writer.File()) != size)
        throw FileIOException("IFFWriter::WriteData(): Can't write data");
    writer.Commit();
}
