// Writing a file so that the previous one survives any failure: the data goes to a
// temporary file in the same directory, is flushed and synced, and only then renamed over
// the target. A target that is a symbolic link is followed: the file it names (through any
// chain of links) gets the data and the links stay. Every file the program writes goes
// through this.
#pragma once

#include <cstdio>
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

// Writes `size` bytes to `path` through a SafeFileWriter.
void WriteFileSafely(const std::string& path, const void* data, size_t size);
