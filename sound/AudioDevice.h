// The audio back end as the sound output sees it: one looping stream buffer of 16384 bytes
// (44100 Hz, 16-bit, stereo, left first) that the device plays on its own, a play cursor
// that can be read at any time, and write access to byte ranges of the buffer.
#pragma once

#include <cstdint>

// A locked byte range of the stream buffer; a range that runs past the end of the buffer
// comes back in two parts (the second then starts at offset 0).
struct LockedRange {
    void* part1 = nullptr;
    uint32_t bytes1 = 0;
    void* part2 = nullptr;
    uint32_t bytes2 = 0;
};

class AudioDevice {
public:
    static constexpr uint32_t kBufferBytes = 16384;
    static constexpr uint32_t kSampleRate = 44100;

    virtual ~AudioDevice() = default;

    // Opens the device and creates the buffer. False (and nothing left open) when either
    // cannot be had; the caller then runs without sound.
    virtual bool Create() = 0;
    // Write access to `bytes` bytes at `offset` (both below kBufferBytes). False when the
    // buffer cannot be locked; nothing needs unlocking then.
    virtual bool Lock(uint32_t offset, uint32_t bytes, LockedRange& range) = 0;
    virtual void Unlock(const LockedRange& range) = 0;
    // Starts playing the buffer in a loop from the current play cursor.
    virtual bool Play() = 0;
    // The byte offset that the device plays next. False when it cannot be read.
    virtual bool GetCurrentPosition(uint32_t& playCursor) = 0;
    // Stops playback and releases the buffer and the device (whatever of them exists).
    virtual void Release() = 0;
};
