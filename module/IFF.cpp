// Chunked container writer and parser; the layout is described in IFF.h.
#include "module/IFF.h"

#include <cstring>

#include "app/Exceptions.h"

namespace {

constexpr uint8_t kLongLengthEscape = 0xFF;

void PutU32(uint8_t out[4], uint64_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t in[4]) {
    return static_cast<uint32_t>(in[0]) | static_cast<uint32_t>(in[1]) << 8 |
           static_cast<uint32_t>(in[2]) << 16 | static_cast<uint32_t>(in[3]) << 24;
}

}  // namespace

// ---- IFFWriter ----

void IFFWriter::Attach(FILE* f) {
    file = f;
    const long at = std::ftell(f);
    position = at > 0 ? static_cast<uint64_t>(at) : 0;
    highest = position;
    stack.clear();
    stack.reserve(512);
}

void IFFWriter::Seek(uint64_t offset) {
    if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0)
        throw FileIOException("IFFWriter::WriteData(): Can't write data");
    position = offset;
}

void IFFWriter::WriteData(const void* bytes, size_t count) {
    if (count == 0) return;
    if (!file || std::fwrite(bytes, 1, count, file) != count)
        throw FileIOException("IFFWriter::WriteData(): Can't write data");
    position += count;
    if (position > highest) highest = position;
}

void IFFWriter::WriteString(const std::string& text) {
    const uint64_t n = text.size();
    uint8_t prefix[6];
    size_t prefixLength;
    if (n <= 127) {
        prefix[0] = static_cast<uint8_t>(n);
        prefixLength = 1;
    } else if (n < 65535 && (n & 0xFF) >= 128) {
        // The short form for every length the plain reader decodes correctly.
        prefix[0] = static_cast<uint8_t>(n & 0xFF);
        prefix[1] = static_cast<uint8_t>(n >> 8);
        prefixLength = 2;
    } else {
        prefix[0] = kLongLengthEscape;
        prefix[1] = kLongLengthEscape;
        PutU32(prefix + 2, n);
        prefixLength = 6;
    }
    WriteData(prefix, prefixLength);
    if (n != 0 && (!file || std::fwrite(text.data(), 1, n, file) != n))
        throw FileIOException("IFFWriter::WriteData(): Can't write string data");
    position += n;
    if (position > highest) highest = position;
}

void IFFWriter::BeginBlock(const char tag[4]) {
    if (position & 1) {
        const uint8_t pad = 0;
        WriteData(&pad, 1);
    }
    uint8_t header[8];
    std::memcpy(header, tag, 4);
    PutU32(header + 4, 0);
    stack.push_back({position, 0});
    WriteData(header, 8);
}

void IFFWriter::BeginBlock(const char tag[4], uint32_t size) {
    if (position & 1) {
        const uint8_t pad = 0;
        WriteData(&pad, 1);
    }
    uint8_t header[8];
    std::memcpy(header, tag, 4);
    PutU32(header + 4, size);
    stack.push_back({position, position + 8 + size});
    WriteData(header, 8);
}

void IFFWriter::EndBlock() {
    if (stack.empty()) throw InternalException("IFFWriter::EndBlock(): No open block");
    const OpenBlock block = stack.back();
    stack.pop_back();
    if (block.declaredEnd != 0) {
        // A caller that announced a size and wrote another amount would leave a file no
        // reader can follow.
        if (position != block.declaredEnd)
            throw InternalException("IFFWriter::EndBlock(): Block size differs");
        return;
    }
    const uint64_t size = position - block.headerOffset - 8;
    if (size > 0xFFFFFFFFu) throw FileIOException("IFFWriter::WriteData(): Can't write data");
    const uint64_t resume = position;
    uint8_t field[4];
    PutU32(field, size);
    Seek(block.headerOffset + 4);
    WriteData(field, 4);
    Seek(resume);
}

void IFFWriter::Close() {
    stack.clear();
    stack.shrink_to_fit();
    file = nullptr;
}

// ---- IFFParser ----

void IFFParser::Attach(FILE* f) {
    file = f;
    const long start = std::ftell(f);
    position = start > 0 ? static_cast<uint64_t>(start) : 0;
    length = position;
    if (std::fseek(f, 0, SEEK_END) == 0) {
        const long end = std::ftell(f);
        if (end > 0) length = static_cast<uint64_t>(end);
    }
    std::fseek(f, static_cast<long>(position), SEEK_SET);
    endOfData = position >= length;
}

void IFFParser::ReadNextBytes(void* buffer, size_t count) {
    if (count == 0) return;
    if (!file || count > length - position || std::fread(buffer, 1, count, file) != count)
        throw FileIOException("IFFParser::ReadNextBytes(): Failed");
    position += count;
    if (position >= length) endOfData = true;
}

void IFFParser::MatchBlockStart(const char tag[4], uint32_t* sizeOut) {
    if (position & 1) {
        if (position >= length) throw ParseException("");
        uint8_t pad;
        ReadNextBytes(&pad, 1);
    }
    if (position >= length) throw ParseException("");
    uint8_t header[8];
    ReadNextBytes(header, 8);
    if (std::memcmp(header, tag, 4) != 0)
        throw ParseException("IFFParser::MatchBlockStart(): Failed");
    if (sizeOut) *sizeOut = GetU32(header + 4);
}

void IFFParser::MatchBlockStart(const char tag[4], uint32_t size) {
    uint32_t actual = 0;
    MatchBlockStart(tag, &actual);
    if (actual != size) throw ParseException("IFFParser::MatchBlockStart(): Failed");
}

void IFFParser::ReadString(std::string& text) {
    text.clear();
    uint8_t first;
    ReadNextBytes(&first, 1);
    uint64_t n = first;
    if (first > 127) {
        uint8_t second;
        ReadNextBytes(&second, 1);
        if (first == kLongLengthEscape && second == kLongLengthEscape) {
            uint8_t wide[4];
            ReadNextBytes(wide, 4);
            n = GetU32(wide);
        } else {
            n = static_cast<uint64_t>(second) * 256 + first;
        }
    }
    if (n > length - position) throw FileIOException("IFFParser::ReadNextBytes(): Failed");
    text.resize(n);
    ReadNextBytes(text.data(), n);
}

void IFFParser::MatchFileEnd() {
    if (position < length) throw ParseException("IFFParser::MatchFileEnd(): Failed");
}
