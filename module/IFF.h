// The chunked container under the module and macros files: chunks of a four-character tag,
// a 32-bit little-endian size and the data, each starting at an even file offset.
//
// Strings carry a length prefix: 0..127 is one byte; 128..255 is two bytes, the length and
// 0; longer lengths whose low byte is 128 or more are two bytes, low byte first. Every other
// length (a low byte below 128, or 65535 and more) is the escape 0xFF 0xFF followed by the
// length as 32 bits, least significant byte first.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class IFFWriter {
public:
    // Takes the file at its current offset; the caller keeps it open and closes it.
    void Attach(FILE* file);
    // Opens a chunk whose size is patched in at EndBlock.
    void BeginBlock(const char tag[4]);
    // Opens a chunk whose size the caller knows beforehand.
    void BeginBlock(const char tag[4], uint32_t size);
    // Throws FileIOException "IFFWriter::WriteData(): Can't write data" on a short write.
    void WriteData(const void* bytes, size_t count);
    // Throws FileIOException "IFFWriter::WriteData(): Can't write string data" when the
    // characters are not all written.
    void WriteString(const std::string& text);
    void EndBlock();
    void Close();

private:
    struct OpenBlock {
        uint64_t headerOffset;
        uint64_t declaredEnd;  // 0 while the size is unknown
    };
    void Seek(uint64_t offset);

    FILE* file = nullptr;
    uint64_t position = 0;
    uint64_t highest = 0;
    std::vector<OpenBlock> stack;
};

class IFFParser {
public:
    // Takes the file at its current offset and measures its length.
    void Attach(FILE* file);
    // Reads exactly `count` bytes; throws FileIOException "IFFParser::ReadNextBytes():
    // Failed" when the file has fewer left.
    void ReadNextBytes(void* buffer, size_t count);
    // Reads the next chunk header, skipping one padding byte at an odd offset, and demands
    // the tag; throws ParseException "IFFParser::MatchBlockStart(): Failed" for another tag
    // and an empty-message ParseException at the end of the file.
    void MatchBlockStart(const char tag[4], uint32_t* sizeOut = nullptr);
    // As above, also demanding the size.
    void MatchBlockStart(const char tag[4], uint32_t size);
    // Reads a length-prefixed string. A length beyond the end of the file fails before
    // anything is allocated.
    void ReadString(std::string& text);
    // Throws ParseException "IFFParser::MatchFileEnd(): Failed" when bytes remain.
    void MatchFileEnd();

    uint64_t Position() const { return position; }
    uint64_t Length() const { return length; }
    bool AtEnd() const { return endOfData; }

private:
    FILE* file = nullptr;
    uint64_t length = 0;
    uint64_t position = 0;
    bool endOfData = false;
};
