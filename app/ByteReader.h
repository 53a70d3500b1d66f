// Bounds-checked reading of binary file data held in memory, for every reader of untrusted
// files (the importers, the console song replayer). Every read says whether the bytes were
// there; a read past the end gives zeros and leaves the position at the end, so no reader
// can index outside its buffer whatever the file claims.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class ByteReader {
public:
    ByteReader() = default;
    ByteReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    size_t Size() const { return size; }
    size_t Position() const { return pos; }
    // Every move stops at the end, so the position never passes it.
    size_t Remaining() const { return size - pos; }
    bool AtEnd() const { return pos == size; }
    const uint8_t* Data() const { return data; }

    // Moves to an absolute offset; an offset past the end stops at the end and gives false.
    bool Seek(size_t offset) {
        if (offset > size) {
            pos = size;
            return false;
        }
        pos = offset;
        return true;
    }
    bool Skip(size_t count) {
        if (count > Remaining()) {
            pos = size;
            return false;
        }
        pos += count;
        return true;
    }
    bool CanRead(size_t count) const { return count <= Remaining(); }

    // The `length` bytes from `offset` as a reader of their own, cut to what is there: a
    // part of a file that cannot be read past into the next.
    ByteReader Slice(size_t offset, size_t length) const {
        if (offset > size) offset = size;
        if (length > size - offset) length = size - offset;
        return ByteReader(data + offset, length);
    }

    // Reads at an offset without moving: false (and zero) when the bytes are not there.
    bool ReadU8At(size_t offset, uint8_t& value) const {
        if (offset >= size) return Zero(value);
        value = data[offset];
        return true;
    }
    bool ReadU16LEAt(size_t offset, uint16_t& value) const {
        if (offset >= size || size - offset < 2) return Zero(value);
        value = static_cast<uint16_t>(data[offset] | data[offset + 1] << 8);
        return true;
    }
    bool ReadU32LEAt(size_t offset, uint32_t& value) const {
        if (offset >= size || size - offset < 4) return Zero(value);
        value = static_cast<uint32_t>(data[offset]) | static_cast<uint32_t>(data[offset + 1]) << 8 |
                static_cast<uint32_t>(data[offset + 2]) << 16 |
                static_cast<uint32_t>(data[offset + 3]) << 24;
        return true;
    }

    // Copies up to `count` bytes; the bytes that were not there are left as they were.
    // Returns how many were copied.
    size_t ReadBytes(void* dest, size_t count) {
        const size_t n = count < Remaining() ? count : Remaining();
        if (n) std::memcpy(dest, data + pos, n);
        pos += n;
        return n;
    }

    bool ReadU8(uint8_t& value) {
        if (!CanRead(1)) return Fail(value);
        value = data[pos++];
        return true;
    }
    bool PeekU8(uint8_t& value) const {
        if (!CanRead(1)) return Zero(value);
        value = data[pos];
        return true;
    }
    bool ReadU16BE(uint16_t& value) {
        if (!CanRead(2)) return Fail(value);
        value = static_cast<uint16_t>(data[pos] << 8 | data[pos + 1]);
        pos += 2;
        return true;
    }
    bool ReadU16LE(uint16_t& value) {
        if (!CanRead(2)) return Fail(value);
        value = static_cast<uint16_t>(data[pos] | data[pos + 1] << 8);
        pos += 2;
        return true;
    }
    bool ReadU24BE(uint32_t& value) {
        if (!CanRead(3)) return Fail(value);
        value = static_cast<uint32_t>(data[pos]) << 16 | static_cast<uint32_t>(data[pos + 1]) << 8 |
                data[pos + 2];
        pos += 3;
        return true;
    }
    bool ReadU32BE(uint32_t& value) {
        if (!CanRead(4)) return Fail(value);
        value = static_cast<uint32_t>(data[pos]) << 24 |
                static_cast<uint32_t>(data[pos + 1]) << 16 |
                static_cast<uint32_t>(data[pos + 2]) << 8 | data[pos + 3];
        pos += 4;
        return true;
    }
    bool ReadU32LE(uint32_t& value) {
        if (!CanRead(4)) return Fail(value);
        value = static_cast<uint32_t>(data[pos]) | static_cast<uint32_t>(data[pos + 1]) << 8 |
                static_cast<uint32_t>(data[pos + 2]) << 16 |
                static_cast<uint32_t>(data[pos + 3]) << 24;
        pos += 4;
        return true;
    }
    // A MIDI variable-length number: seven bits per byte, high bit set on all but the last.
    // At most four bytes count (28 bits), as the format allows; a longer run is cut there
    // so a hostile file cannot make the value overflow. False when the data ended first.
    bool ReadVarLen(uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!ReadU8(b)) return false;
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return true;
    }

private:
    template <typename T>
    static bool Zero(T& value) {
        value = 0;
        return false;
    }
    template <typename T>
    bool Fail(T& value) {
        value = 0;
        pos = size;
        return false;
    }

    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};
