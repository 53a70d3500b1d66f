// Temporary-file-and-rename writes; see SafeFile.h.
#include "app/SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
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

// Where a write to `path` must land: a symbolic link (or a chain of them) is followed to
// the file it names, so that the rename replaces that file and the links stay. A dangling
// link gives the path it points at, where the file is then created. Empty for a loop.
std::string FinalTarget(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat info;
        if (lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        std::vector<char> buffer(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1);
        const ssize_t n = readlink(current.c_str(), buffer.data(), buffer.size());
        if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return "";
        const std::string link(buffer.data(), static_cast<size_t>(n));
        if (link.front() == '/') {
            current = link;
        } else {
            const std::string dir = DirectoryOf(current);
            current = (dir == "/" ? std::string("/") : dir + "/") + link;
        }
    }
    return "";
}

// Creates a new temporary beside `path`. Created with 0666 so that the umask (and a default
// ACL) decide the permissions of a new file, as for any other program's new files.
int CreateTemporary(const std::string& path, std::string& name) {
    const size_t slash = path.find_last_of('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string dir = DirectoryOf(path);
    const std::string prefix = (dir == "/" ? std::string("/") : dir + "/") + "." + base + ".";
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = prefix;
        for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
        const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

}  // namespace

SafeFileWriter::SafeFileWriter(const std::string& path, bool text)
    : target(path), destination(FinalTarget(path)) {
    (void)text;  // POSIX makes no difference between text and binary streams.
    if (destination.empty()) throw Exception("SafeFileWriter: Can't create file");
    std::string name;
    const int fd = CreateTemporary(destination, name);
    if (fd < 0) throw Exception("SafeFileWriter: Can't create file");
    // A replaced file keeps its permissions.
    struct stat old;
    if (stat(destination.c_str(), &old) == 0) fchmod(fd, old.st_mode & 07777);
    file = fdopen(fd, "wb");
    if (!file) {
        close(fd);
        unlink(name.c_str());
        throw Exception("SafeFileWriter: Can't create file");
    }
    temporary = name;
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
    if (rename(temporary.c_str(), destination.c_str()) != 0) {
        Abandon();
        throw FileIOException("SafeFileWriter::Commit(): Can't replace file");
    }
    temporary.clear();
    SyncDirectory(DirectoryOf(destination));
}

void WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write,
                     const SafeWriteMessages& messages) {
    std::unique_ptr<SafeFileWriter> writer;
    try {
        writer = std::make_unique<SafeFileWriter>(path);
    } catch (const Exception&) {
        throw Exception(messages.create);
    }
    if (!write(writer->File())) throw FileIOException(messages.write);
    try {
        writer->Commit();
    } catch (const FileIOException&) {
        throw FileIOException(messages.write);
    }
}

void WriteFileSafely(const std::string& path, const void* data, size_t size,
                     const SafeWriteMessages& messages) {
    WriteFileSafely(
        path, [&](FILE* file) { return size == 0 || fwrite(data, 1, size, file) == size; },
        messages);
}
