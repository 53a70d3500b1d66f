// The sound thread's streaming rule against a device whose play cursor the test moves:
// when chunks are written, how many, where, and that they carry the chip's samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"
#include "tests/sound/FakeAudioDevice.h"

namespace {

constexpr uint32_t kBuffer = AudioDevice::kBufferBytes;

uint32_t Distance(uint32_t from, uint32_t to) { return (to - from) % kBuffer; }

class SoundOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        module = std::make_unique<Module>();
        module->Clear(0, 0);
        instrument = module->instruments[0];
        instrument.startVolume = 0xF0;
        player = std::make_unique<Player>();
        player->Bind(*module);
        auto owned = std::make_unique<FakeAudioDevice>();
        device = owned.get();
        output = std::make_unique<SoundOutput>(*player, soundMutex, std::move(owned));
    }

    void Started(uint32_t cursor = 0) {
        device->cursor = cursor;
        output->Open();
        ASSERT_TRUE(output->Available());
        output->StartStream();
    }

    // Moves the cursor like a playing device and runs passes until `bytes` were written;
    // returns the written bytes in stream order.
    std::vector<uint8_t> Stream(uint32_t bytes, uint32_t cursorStep = 1500) {
        std::vector<uint8_t> out;
        size_t seen = device->writes.size();
        for (int guard = 0; out.size() < bytes && guard < 100000; ++guard) {
            device->cursor = (device->cursor + cursorStep) % kBuffer;
            output->RunPass();
            for (; seen < device->writes.size(); ++seen) {
                const FakeAudioDevice::Write& w = device->writes[seen];
                for (uint32_t i = 0; i < w.bytes; ++i) {
                    out.push_back(device->buffer[(w.offset + i) % kBuffer]);
                }
            }
        }
        out.resize(std::min<size_t>(out.size(), bytes));
        return out;
    }

    std::unique_ptr<Module> module;
    Instrument instrument;
    std::unique_ptr<Player> player;
    std::recursive_mutex soundMutex;
    FakeAudioDevice* device = nullptr;
    std::unique_ptr<SoundOutput> output;
};

// `pairs` sample pairs of the given left and right values, as the bytes of the stream.
std::vector<uint8_t> SteadyPairs(size_t pairs, int16_t left, int16_t right) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < pairs; ++i)
        for (int16_t v : {left, right}) {
            out.push_back(static_cast<uint8_t>(v & 0xFF));
            out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
        }
    return out;
}

}  // namespace

TEST_F(SoundOutputTest, WithoutDeviceEverythingElseWorks) {
    SoundOutput none(*player, soundMutex, nullptr);
    none.Open();
    EXPECT_FALSE(none.Available());
    none.StartThread();
    EXPECT_FALSE(none.ThreadRunning());
    none.RunPass();
    none.Shutdown();

    device->createSucceeds = false;
    output->Open();
    EXPECT_FALSE(output->Available());
    output->StartThread();
    EXPECT_FALSE(output->ThreadRunning());
    EXPECT_EQ(device->plays, 0);
    output->Shutdown();
    EXPECT_EQ(device->releases, 1);
    // The player is still there for play commands; nothing steps it.
    player->Start(0, 0, 0);
    EXPECT_EQ(player->playing, 1);
}

TEST_F(SoundOutputTest, StartClearsBufferAndWritesFromThePlayCursor) {
    std::memset(device->buffer, 0xA5, sizeof(device->buffer));
    ASSERT_NO_FATAL_FAILURE(Started(5000));
    EXPECT_EQ(device->plays, 1);
    EXPECT_TRUE(std::all_of(std::begin(device->buffer), std::end(device->buffer),
                            [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(output->WriteCursor(), 5000u);
    EXPECT_EQ(output->Pending(), 0u);
}

TEST_F(SoundOutputTest, NothingIsWrittenUntilTheCursorIsMoreThanTheGuardOn) {
    player->StartTestNote(0, 0, instrument, 15, 60, 0, 100);  // counts the frames played
    ASSERT_NO_FATAL_FAILURE(Started(1000));
    output->RunPass();
    EXPECT_EQ(player->channels[0].framesLeft, 99u);
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(output->Pending(), 2940u);  // the first frame waits in the chip's ring
    EXPECT_EQ(player->chip.Fill(), 2940);
    device->cursor = 1000 + 3072;
    output->RunPass();
    EXPECT_TRUE(device->writes.empty());
    EXPECT_EQ(player->channels[0].framesLeft, 99u);  // no new frame while the first waits
    // Four bytes more: one chunk, after which the cursor is only 2052 bytes ahead again.
    device->cursor = 1000 + 3076;
    output->RunPass();
    ASSERT_EQ(device->writes.size(), 1u);
    EXPECT_EQ(device->writes[0].offset, 1000u);
    EXPECT_EQ(device->writes[0].bytes, 1024u);
    EXPECT_EQ(output->WriteCursor(), 2024u);
    EXPECT_EQ(output->Pending(), 1916u);
    EXPECT_EQ(player->chip.Fill(), 1916);
}

TEST_F(SoundOutputTest, PassesStayWithinChunkAndQueueLimits) {
    ASSERT_NO_FATAL_FAILURE(Started(0));
    std::mt19937 rng(7);
    uint32_t longestPass = 0;
    for (int pass = 0; pass < 3000; ++pass) {
        // A device that sometimes stalls and sometimes jumps, wrapping many times.
        device->cursor = (device->cursor + rng() % 3000) % kBuffer;
        const size_t before = device->writes.size();
        const uint32_t cursor = device->cursor;
        output->RunPass();
        uint32_t passBytes = 0;
        for (size_t i = before; i < device->writes.size(); ++i) {
            const FakeAudioDevice::Write& w = device->writes[i];
            ASSERT_LE(w.bytes, 1024u);
            ASSERT_EQ(w.offset % 4, 0u);
            // Each chunk starts while the cursor is strictly between 3072 and 13312 bytes
            // ahead, so fewer than 13312 bytes are queued before it.
            const uint32_t ahead = Distance(w.offset, cursor);
            ASSERT_GT(ahead, 3072u) << "pass " << pass;
            ASSERT_LT(ahead, 13312u) << "pass " << pass;
            if (i > before) {
                const FakeAudioDevice::Write& last = device->writes[i - 1];
                ASSERT_EQ(w.offset, (last.offset + last.bytes) % kBuffer);
            }
            passBytes += w.bytes;
        }
        ASSERT_LE(device->writes.size() - before, 4u);
        ASSERT_LE(passBytes, 4096u);
        longestPass = std::max(longestPass, passBytes);
        ASSERT_EQ(static_cast<uint32_t>(player->chip.Fill()), output->Pending());
    }
    EXPECT_GT(longestPass, 3000u);  // the limit was reached, not merely respected
}

// Note "Nul" has period 0, which the chip plays as a steady level: the stream's values can
// be worked out by hand from the level table (7590 at attenuation 0, 3080 at 4) scaled by
// the master volume over 160.
TEST_F(SoundOutputTest, WrittenBytesAreTheRenderedFrames) {
    // Channel 1 plays the song's note, but it is muted: frozen and not heard. (Channel 2
    // is not muted, so its test note is heard in its last frame too.)
    module->patterns[0].lines[0].note[1] = kNoteNul;
    module->patterns[0].lines[0].volume[1] = 15;
    player->Start(0, 0, 0);
    player->SetMuteMask(0x05);  // channel 1 muted
    player->StartTestNote(0, 0, instrument, 15, kNoteNul, 0, 0);
    player->StartTestNote(0, 2, instrument, 11, kNoteNul, 0, 10);  // ten frames
    player->SetStereo(0x37);  // channel 0 both sides, 1 both, 2 right only
    output->SetVolume(100);   // the chip gets 120
    ASSERT_NO_FATAL_FAILURE(Started(300));
    const std::vector<uint8_t> got = Stream(60000);
    ASSERT_EQ(got.size(), 60000u);
    // 7590 * 120 / 160 = 5692 and 3080 * 120 / 160 = 2310; after ten frames of 735 pairs
    // (29400 bytes) channel 2's note has ended.
    std::vector<uint8_t> expected = SteadyPairs(7350, 5692, 5692 + 2310);
    const std::vector<uint8_t> after = SteadyPairs((60000 - 29400) / 4, 5692, 5692);
    expected.insert(expected.end(), after.begin(), after.end());
    ASSERT_EQ(expected.size(), 60000u);
    const auto differ = std::mismatch(got.begin(), got.end(), expected.begin());
    EXPECT_EQ(differ.first, got.end())
        << "first difference at byte " << (differ.first - got.begin());
}

TEST_F(SoundOutputTest, VolumeScalesToTheChipsRange) {
    player->StartTestNote(0, 1, instrument, 15, kNoteNul, 0, 0);
    output->SetVolume(37);  // 37 * 120 / 100 = 44, so 7590 * 44 / 160 = 2087
    ASSERT_NO_FATAL_FAILURE(Started(0));
    EXPECT_EQ(Stream(20000), SteadyPairs(5000, 2087, 2087));
    output->SetVolume(250);
    EXPECT_EQ(output->Volume(), 100);
}

TEST_F(SoundOutputTest, VolumeZeroIsSilentWhileThePlayerRuns) {
    player->StartTestNote(0, 0, instrument, 15, 60, 0, 5);
    output->SetVolume(0);
    ASSERT_NO_FATAL_FAILURE(Started(0));
    const std::vector<uint8_t> got = Stream(30000);
    EXPECT_TRUE(std::all_of(got.begin(), got.end(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(player->testNoteActive[0], 0);  // the timed note ran out: frames were played
}

TEST_F(SoundOutputTest, TestNotesSoundOnMutedChannels) {
    player->SetMuteMask(0x00);
    player->StartTestNote(0, 1, instrument, 15, 60, 0, 0);
    output->SetVolume(50);
    ASSERT_NO_FATAL_FAILURE(Started(0));
    const std::vector<uint8_t> got = Stream(12000);
    EXPECT_TRUE(std::any_of(got.begin(), got.end(), [](uint8_t b) { return b != 0; }));

    // The same note played by the song on a muted channel is not heard.
    {
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        player->StopAllTestNotes();
        module->patterns[0].lines[0].note[1] = 60;
        module->patterns[0].lines[0].volume[1] = 15;
        player->Start(0, 0, 0);
    }
    Stream(6000);  // what was rendered before the change drains first
    const std::vector<uint8_t> muted = Stream(12000);
    EXPECT_TRUE(std::all_of(muted.begin(), muted.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(SoundOutputTest, FailedLockDropsTheChunkAndKeepsThePlace) {
    ASSERT_NO_FATAL_FAILURE(Started(0));
    device->lockSucceeds = false;
    device->cursor = 8000;
    output->RunPass();
    // 1024 + 1024 + 892 (the first frame) + 1024 of the second frame, all thrown away.
    EXPECT_EQ(output->WriteCursor(), 0u);
    EXPECT_EQ(output->Pending(), 2940u - 1024u);
    EXPECT_EQ(player->chip.Fill(), 2940 - 1024);
    device->lockSucceeds = true;
    output->RunPass();
    ASSERT_FALSE(device->writes.empty());
    EXPECT_EQ(device->writes[0].offset, 0u);
}

TEST_F(SoundOutputTest, UnreadableCursorCountsAsZero) {
    ASSERT_NO_FATAL_FAILURE(Started(8000));
    device->cursorReadable = false;
    // Cursor 0 is 8384 bytes ahead of 8000 (through the end of the buffer): writing goes on.
    output->RunPass();
    ASSERT_EQ(device->writes.size(), 4u);
    EXPECT_EQ(device->writes[0].offset, 8000u);

    // A start that cannot read the cursor starts writing at 0.
    auto owned = std::make_unique<FakeAudioDevice>();
    owned->cursorReadable = false;
    owned->cursor = 5000;
    SoundOutput other(*player, soundMutex, std::move(owned));
    other.Open();
    other.StartStream();
    EXPECT_EQ(other.WriteCursor(), 0u);
}

TEST_F(SoundOutputTest, WriterThatFellBehindWaitsForTheCursorToComeRound) {
    ASSERT_NO_FATAL_FAILURE(Started(0));
    // The device ran on by 14000 bytes without the writer: only 2384 bytes are queued.
    device->cursor = 14000;
    output->RunPass();
    EXPECT_TRUE(device->writes.empty());
    device->cursor = 16380;
    output->RunPass();
    device->cursor = 1000;  // passed the write position, but only by 1000 bytes
    output->RunPass();
    EXPECT_TRUE(device->writes.empty());
    device->cursor = 3100;
    output->RunPass();
    ASSERT_FALSE(device->writes.empty());
    EXPECT_EQ(device->writes[0].offset, 0u);
}

TEST_F(SoundOutputTest, ThreadStreamsUntilShutdown) {
    player->StartTestNote(0, 0, instrument, 15, 60, 0, 0);
    output->SetVolume(80);
    output->Open();
    output->StartThread();
    ASSERT_TRUE(output->ThreadRunning());
    // Stand in for the sound card: play 2048 bytes every 10 ms for a while.
    std::vector<uint8_t> played;
    for (int i = 0; i < 60; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        device->Consume(2048, &played);
    }
    output->Shutdown();
    EXPECT_FALSE(output->ThreadRunning());
    EXPECT_FALSE(output->Available());
    EXPECT_EQ(device->releases, 1);
    EXPECT_FALSE(device->writes.empty());
    EXPECT_TRUE(std::any_of(played.begin(), played.end(), [](uint8_t b) { return b != 0; }));
    output->Shutdown();  // again: nothing left to release
}
