// Writing a file so that the previous one survives any failure: the data goes to a
// temporary file in the same directory, is flushed and synced, and only then renamed over
// the target. Every file the program writes goes through this.
#pragma once

#include <cstdio>
#include <string>

class SafeFileWriter {
public:
    // Opens a temporary beside `path` for binary (or text) writing; throws Exception when it
    // cannot be created.
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
    std::string temporary;
    FILE* file = nullptr;
};

// Writes `size` bytes to `path` through a SafeFileWriter.
void WriteFileSafely(const std::string& path, const void* data, size_t size);
