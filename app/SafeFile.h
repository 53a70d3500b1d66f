// Writing a file so that the previous one survives any failure: the data goes to a
// temporary file in the same directory, is flushed and synced, and only then renamed over
// the target. A target that is a symbolic link is followed: the file it names (through any
// chain of links) gets the data and the links stay. Every file the program writes goes
// through this.
#pragma once

#include <cstdio>
#include <functional>
#include <string>

class SafeFileWriter {
public:
    // Opens a temporary beside `path` (beside the file a link at `path` names) for binary
    // (or text) writing; throws Exception when it cannot be created. A replaced file keeps
    // its permissions; a new one gets what the umask leaves of 0666.
    explicit SafeFileWriter(const std::string& path, bool text = false);
    // Removes the temporary unless Commit succeeded; the target is never touched then.
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;

    FILE* File() const { return file; }
    const std::string& TargetPath() const { return target; }

    // Flushes, syncs, closes and renames the temporary over the target. Throws
    // FileIOException ("SafeFileWriter::Commit(): ...") on any failure, leaving the old file.
    void Commit();

    // Gives up: closes and removes the temporary.
    void Abandon();

private:
    std::string target;
    std::string destination;  // `target` with symbolic links followed
    std::string temporary;
    FILE* file = nullptr;
};

// What a whole-file write throws when it fails: Exception(create) when the file cannot be
// created, before anything is written; FileIOException(write) when writing, syncing or
// replacing fails. Either way the old file is kept.
struct SafeWriteMessages {
    const char* create = "SafeFileWriter: Can't create file";
    const char* write = "SafeFileWriter::Commit(): Can't write data";
};

// The one way whole files are written (modules by the converter, exports): creates the
// temporary, lets `write` fill it (false for a short write; what it throws passes through)
// and commits it, with the failures named by `messages`.
void WriteFileSafely(const std::string& path, const std::function<bool(FILE*)>& write,
                     const SafeWriteMessages& messages = {});
// Writes `size` bytes to `path` the same way.
void WriteFileSafely(const std::string& path, const void* data, size_t size,
                     const SafeWriteMessages& messages = {});
