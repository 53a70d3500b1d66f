// Makes the main player audible: a sound thread steps the player one frame at a time, has
// its chip render the frame and copies the samples into the device's looping buffer a
// little ahead of the play cursor. All sharing with the main thread goes through the sound
// mutex, which the main thread takes for play commands, play-position reads and the edits
// that the playing song could observe.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "sound/AudioDevice.h"

class Player;

class SoundOutput {
public:
    // Samples are written only while the play cursor is this far or farther ahead of the
    // write cursor (and less than the buffer minus this).
    static constexpr uint32_t kGuardBytes = 3072;
    static constexpr uint32_t kChunkBytes = 1024;
    static constexpr int kChunksPerPass = 4;

    // `player` and `soundMutex` must outlive the output. `device` may be null: no sound.
    SoundOutput(Player& player, std::recursive_mutex& soundMutex, std::unique_ptr<AudioDevice> device);
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Creates the device and its buffer; available only when both succeed. Silent on failure.
    void Open();
    // When available: clears the buffer, starts it looping and starts the sound thread.
    // Does nothing otherwise.
    void StartThread();
    // Stops the thread if one runs, then releases buffer and device. Safe to call again.
    void Shutdown();

    // The "volume" preference, 0..100 (larger values count as 100); read once per rendered
    // frame by the sound thread, without the lock. The chip gets volume x 120 / 100.
    void SetVolume(int preferenceVolume);
    int Volume() const { return volume.load(std::memory_order_relaxed); }

    bool Available() const { return available; }
    bool ThreadRunning() const { return thread.joinable(); }

    // What StartThread does before the thread starts (clear, play, take the play cursor),
    // so that tests can then step the thread's passes by hand with RunPass.
    void StartStream();
    // One pass of the sound thread: under the sound mutex, up to four chunks of at most
    // 1024 bytes, rendering a new frame whenever the previous one was copied completely.
    void RunPass();

    uint32_t WriteCursor() const { return writeCursor; }
    uint32_t Pending() const { return pending; }

private:
    void ThreadMain();

    Player& player;
    std::recursive_mutex& soundMutex;
    std::unique_ptr<AudioDevice> device;
    bool available = false;
    // Touched by the sound thread only while it runs, by the main thread otherwise.
    uint32_t writeCursor = 0;
    uint32_t pending = 0;
    std::atomic<uint8_t> stopRequest{0};
    std::atomic<uint8_t> volume{50};
    std::thread thread;
};
