// The SDL audio device on SDL's dummy driver: the callback advances the play cursor through
// the looping buffer, locks hand out ranges that wrap, and the sound output streams on it.
#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"
#include "sound/sdl/SdlAudioDevice.h"

TEST(SdlAudioDevice, LockSplitsRangesAtTheEndOfTheBuffer) {
    SdlAudioDevice device;
    if (!device.Create()) GTEST_SKIP() << "no audio driver: " << SDL_GetError();
    LockedRange range;
    ASSERT_TRUE(device.Lock(16000, 1024, range));
    EXPECT_EQ(range.bytes1, 384u);
    EXPECT_EQ(range.bytes2, 640u);
    ASSERT_NE(range.part2, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(range.part1) - static_cast<uint8_t*>(range.part2), 16000);
    device.Unlock(range);
    ASSERT_TRUE(device.Lock(0, 16384, range));
    EXPECT_EQ(range.bytes1, 16384u);
    EXPECT_EQ(range.part2, nullptr);
    device.Unlock(range);
    EXPECT_FALSE(device.Lock(16384, 4, range));  // out of the buffer
    device.Release();
    EXPECT_FALSE(device.Lock(0, 4, range));  // released
    uint32_t cursor = 0;
    EXPECT_FALSE(device.GetCurrentPosition(cursor));
}

TEST(SdlAudioDevice, CursorRunsRoundTheBufferWhilePlaying) {
    SdlAudioDevice device;
    if (!device.Create()) GTEST_SKIP() << "no audio driver: " << SDL_GetError();
    uint32_t cursor = 99;
    ASSERT_TRUE(device.GetCurrentPosition(cursor));
    EXPECT_EQ(cursor, 0u);  // paused until Play
    ASSERT_TRUE(device.Play());
    // The dummy driver consumes in real time; 16384 bytes are about 93 ms.
    uint32_t last = 0, moves = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (moves < 12 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        ASSERT_TRUE(device.GetCurrentPosition(cursor));
        ASSERT_LT(cursor, 16384u);
        ASSERT_EQ(cursor % 4, 0u);
        if (cursor != last) ++moves;
        last = cursor;
    }
    EXPECT_GE(moves, 12u);
    device.Release();
    device.Release();
}

TEST(SdlAudioDevice, SoundOutputStreamsAndShutsDown) {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    Player player;
    player.Bind(*module);
    Instrument instrument = module->instruments[0];
    instrument.startVolume = 0xF0;
    player.StartTestNote(0, 0, instrument, 15, 69, 0, 0);
    std::recursive_mutex soundMutex;
    SoundOutput output(player, soundMutex, std::make_unique<SdlAudioDevice>());
    output.Open();
    if (!output.Available()) GTEST_SKIP() << "no audio driver: " << SDL_GetError();
    output.SetVolume(50);
    output.StartThread();
    ASSERT_TRUE(output.ThreadRunning());
    // Frames are rendered as the device plays: within half a second several are.
    uint32_t cursorMoves = 0, lastWrite = output.WriteCursor();
    for (int i = 0; i < 50; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        if (output.WriteCursor() != lastWrite) ++cursorMoves;
        lastWrite = output.WriteCursor();
    }
    output.Shutdown();
    EXPECT_FALSE(output.ThreadRunning());
    EXPECT_GT(cursorMoves, 5u);
}
