// The sound thread and the streaming rule that keeps the device buffer filled a little
// ahead of the play cursor.
#include "sound/SoundOutput.h"

#include <chrono>
#include <cstring>

#include "sound/Player.h"

SoundOutput::SoundOutput(Player& player, std::recursive_mutex& soundMutex,
                         std::unique_ptr<AudioDevice> device)
    : player(player), soundMutex(soundMutex), device(std::move(device)) {}

SoundOutput::~SoundOutput() { Shutdown(); }

void SoundOutput::Open() {
    if (available || !device) return;
    available = device->Create();
}

void SoundOutput::SetVolume(int preferenceVolume) {
    if (preferenceVolume < 0) preferenceVolume = 0;
    if (preferenceVolume > 100) preferenceVolume = 100;
    volume.store(static_cast<uint8_t>(preferenceVolume), std::memory_order_relaxed);
}

void SoundOutput::StartStream() {
    if (!available) return;
    LockedRange range;
    // A buffer that cannot be locked is not cleared; it plays whatever it holds until the
    // first chunks arrive.
    if (device->Lock(0, AudioDevice::kBufferBytes, range)) {
        if (range.part1) std::memset(range.part1, 0, range.bytes1);
        if (range.part2) std::memset(range.part2, 0, range.bytes2);
        device->Unlock(range);
    }
    device->Play();
    uint32_t cursor = 0;
    if (!device->GetCurrentPosition(cursor)) cursor = 0;
    writeCursor = cursor % AudioDevice::kBufferBytes;
    pending = 0;
    stopRequest.store(0);
}

void SoundOutput::StartThread() {
    if (!available || thread.joinable()) return;
    StartStream();
    thread = std::thread(&SoundOutput::ThreadMain, this);
}

void SoundOutput::Shutdown() {
    if (thread.joinable()) {
        stopRequest.store(1);
        thread.join();
    }
    available = false;
    if (device) device->Release();
}

void SoundOutput::RunPass() {
    if (!available) return;
    std::lock_guard<std::recursive_mutex> lock(soundMutex);
    for (int chunk = 0; chunk < kChunksPerPass; ++chunk) {
        if (pending == 0) {
            player.PlayFrame();
            // A test note sounds even on a muted channel.
            uint8_t mask = player.muteMask;
            for (int c = 0; c < 4; ++c) {
                if (player.testNoteActive[c]) mask |= static_cast<uint8_t>(1 << c);
            }
            mask = static_cast<uint8_t>((mask * 16) | mask);
            const int master = volume.load(std::memory_order_relaxed) * 120 / 100;
            player.chip.RenderFrame(static_cast<uint8_t>(master), mask);
            pending += player.chip.SamplesPerFrame() * 4u;
        }

        uint32_t play = 0;
        if (!device->GetCurrentPosition(play)) play = 0;
        play %= AudioDevice::kBufferBytes;
        if (play < writeCursor) play += AudioDevice::kBufferBytes;
        // Write only while the play cursor is more than the guard ahead of the write cursor
        // and the buffer still has more than the guard queued before it.
        if (play <= writeCursor + kGuardBytes ||
            play + kGuardBytes >= writeCursor + AudioDevice::kBufferBytes) {
            break;
        }

        const uint32_t n = pending < kChunkBytes ? pending : kChunkBytes;
        LockedRange range;
        const bool locked = device->Lock(writeCursor, n, range);
        if (locked && range.part1) {
            player.chip.ReadSamples(range.part1, static_cast<int>(range.bytes1));
            if (range.part2 && range.bytes2) {
                player.chip.ReadSamples(range.part2, static_cast<int>(range.bytes2));
            }
            writeCursor = (writeCursor + n) & (AudioDevice::kBufferBytes - 1);
            device->Unlock(range);
        } else {
            if (locked) device->Unlock(range);
            // A lost buffer keeps failing; the chunk is dropped and the next one tries the
            // same place.
            player.chip.ReadSamples(nullptr, static_cast<int>(n));
        }
        pending -= n;
    }
}

void SoundOutput::ThreadMain() {
    for (;;) {
        RunPass();
        if (stopRequest.load()) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
