// The growable byte buffer the exporters build their files in before one write at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ByteBuffer {
public:
    void Put(uint8_t b) {
        Reserve(1);
        bytes.push_back(b);
    }
    void Put(const void* data, size_t n) {
        Reserve(n);
        const uint8_t* p = static_cast<const uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + n);
    }
    void PutText(const std::string& s) { Put(s.data(), s.size()); }
    void PutU16LE(uint16_t v) {
        const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        Put(b, 2);
    }
    void PutU32LE(uint32_t v) {
        const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                              static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
        Put(b, 4);
    }
    void PutU16BE(uint16_t v) {
        const uint8_t b[2] = {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
        Put(b, 2);
    }
    void PutU32BE(uint32_t v) {
        const uint8_t b[4] = {static_cast<uint8_t>(v >> 24), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
        Put(b, 4);
    }
    void PatchU32LE(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    void PatchU32BE(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
    }

    size_t Size() const { return bytes.size(); }
    const uint8_t* Data() const { return bytes.data(); }
    std::vector<uint8_t>& Bytes() { return bytes; }

private:
    // Grows by the missing amount plus 64 KiB, so a long song costs few reallocations.
    void Reserve(size_t n) {
        if (bytes.size() + n > bytes.capacity())
            bytes.reserve(bytes.capacity() + (bytes.size() + n - bytes.capacity()) + 65536);
    }

    std::vector<uint8_t> bytes;
};
