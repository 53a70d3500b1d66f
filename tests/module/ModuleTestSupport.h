// Helpers for the module tests: a scratch directory, whole-file reads and writes, and a
// byte builder for module files written by hand.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "module/Module.h"

class ScratchDirectory {
public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "tw-module-XXXXXX").string();
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        if (mkdtemp(name.data()) != nullptr) path = name.data();
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path; }
    std::string File(const std::string& name) const { return path + "/" + name; }
    size_t EntryCount() const {
        size_t n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(path)) ++n;
        return n;
    }

private:
    std::string path;
};

using Bytes = std::vector<uint8_t>;

inline Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The module is almost 2 MB; tests keep theirs on the heap.
inline std::unique_ptr<Module> NewModule() { return std::make_unique<Module>(); }

// Appends little-endian fields, texts and length-prefixed strings.
class ByteWriter {
public:
    ByteWriter& U8(int v) {
        bytes.push_back(static_cast<uint8_t>(v));
        return *this;
    }
    ByteWriter& U16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
    ByteWriter& U32(uint32_t v) {
        return U16(static_cast<int>(v & 0xFFFF)).U16(static_cast<int>(v >> 16));
    }
    ByteWriter& Text(const char* text) {
        bytes.insert(bytes.end(), text, text + std::strlen(text));
        return *this;
    }
    ByteWriter& Fill(size_t count, int v) {
        bytes.insert(bytes.end(), count, static_cast<uint8_t>(v));
        return *this;
    }
    // The short string forms only (below 256 characters).
    ByteWriter& String(const std::string& text) {
        if (text.size() <= 127) {
            U8(static_cast<int>(text.size()));
        } else {
            U8(static_cast<int>(text.size() & 0xFF)).U8(static_cast<int>(text.size() >> 8));
        }
        bytes.insert(bytes.end(), text.begin(), text.end());
        return *this;
    }
    ByteWriter& Append(const Bytes& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    // A chunk: tag, size, data, with a padding byte before it at an odd offset.
    ByteWriter& Chunk(const char* tag, const Bytes& data) {
        if (bytes.size() & 1) U8(0);
        Text(tag).U32(static_cast<uint32_t>(data.size()));
        return Append(data);
    }
    Bytes bytes;
};

// Parts of a module file of any version, to be put together by ModuleFileBytes.
struct ModuleFileParts {
    int version = 5;
    int repeatPosition = 0;
    int reserved = 0;
    int songLength = 1;
    int chipType = 0;
    int frequencyDivider = 0;
    std::vector<int> usedPatterns = {0};
    int initialSpeed = 48;
    int initialStereo = 0xFF;
    Bytes orderList = {0};
    std::string title, author, notes;
    Bytes instruments;     // empty: 16 reset instruments
    Bytes patternHeaders;  // empty: one 64-line pattern without a name per used pattern
    Bytes lines;           // empty: every used pattern's lines all empty
};

inline Bytes ResetInstrumentRecords() {
    ByteWriter w;
    for (int i = 0; i < 16; ++i) w.U8(255).Fill(4, 8).Fill(5, 0).Fill(5, 0).String("");
    return w.bytes;
}

inline Bytes ModuleFileBytes(const ModuleFileParts& parts) {
    ByteWriter head;
    head.U8(parts.version).U8(parts.repeatPosition).U16(parts.reserved).U16(parts.songLength);
    head.U8(parts.chipType).U8(parts.frequencyDivider);
    uint8_t bitmap[32] = {};
    for (int p : parts.usedPatterns) bitmap[p / 8] |= static_cast<uint8_t>(1 << (p % 8));
    for (uint8_t b : bitmap) head.U8(b);
    if (parts.version >= 2) head.U8(parts.initialSpeed).U8(parts.initialStereo).U8(0).U8(0);
    head.Append(parts.orderList);

    ByteWriter info;
    info.String(parts.title).String(parts.author).String(parts.notes);

    Bytes patternHeaders = parts.patternHeaders;
    Bytes lines = parts.lines;
    if (patternHeaders.empty()) {
        ByteWriter w;
        for (size_t i = 0; i < parts.usedPatterns.size(); ++i)
            w.U8(64).Fill(3, 0).U8(16).U8(8).String("");
        patternHeaders = w.bytes;
    }
    if (lines.empty()) lines.assign(64 * parts.usedPatterns.size(), 0);

    ByteWriter file;
    file.Text("QUAVEX-2");
    file.Chunk("HEAD", head.bytes);
    file.Chunk("INFO", info.bytes);
    file.Chunk("INST", parts.instruments.empty() ? ResetInstrumentRecords() : parts.instruments);
    file.Chunk("PATS", patternHeaders);
    file.Chunk("PATT", lines);
    return file.bytes;
}
