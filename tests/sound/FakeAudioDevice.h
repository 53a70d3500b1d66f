// An audio device for tests: the test (or a thread standing in for the sound card) moves
// the play cursor; every lock is recorded with the cursor it saw.
#pragma once

#include <atomic>
#include <cstring>
#include <mutex>
#include <vector>

#include "sound/AudioDevice.h"

class FakeAudioDevice : public AudioDevice {
public:
    struct Write {
        uint32_t offset;
        uint32_t bytes;
        uint32_t cursor;  // play cursor when the range was locked
    };

    bool Create() override {
        ++creates;
        return createSucceeds;
    }
    bool Lock(uint32_t offset, uint32_t bytes, LockedRange& range) override {
        if (!lockSucceeds) return false;
        bufferMutex.lock();
        const uint32_t first = bytes < kBufferBytes - offset ? bytes : kBufferBytes - offset;
        range.part1 = buffer + offset;
        range.bytes1 = first;
        range.part2 = bytes > first ? buffer : nullptr;
        range.bytes2 = bytes - first;
        if (bytes < kBufferBytes) writes.push_back({offset, bytes, cursor.load()});
        return true;
    }
    void Unlock(const LockedRange&) override { bufferMutex.unlock(); }
    bool Play() override {
        ++plays;
        return true;
    }
    bool GetCurrentPosition(uint32_t& playCursor) override {
        if (!cursorReadable) return false;
        playCursor = cursor.load();
        return true;
    }
    void Release() override { ++releases; }

    // What the device would play from the cursor on: `bytes` bytes, advancing the cursor.
    void Consume(uint32_t bytes, std::vector<uint8_t>* played = nullptr) {
        std::lock_guard<std::mutex> lock(bufferMutex);
        uint32_t at = cursor.load();
        for (uint32_t i = 0; i < bytes; ++i) {
            if (played) played->push_back(buffer[at]);
            at = (at + 1) % kBufferBytes;
        }
        cursor.store(at);
    }

    bool createSucceeds = true;
    bool lockSucceeds = true;
    bool cursorReadable = true;
    std::atomic<uint32_t> cursor{0};
    int creates = 0, plays = 0, releases = 0;
    std::vector<Write> writes;  // chunks, not the clearing of the whole buffer
    std::mutex bufferMutex;
    uint8_t buffer[kBufferBytes] = {};
};
