// Rendering a song pass to WAV: the file's exact header, its length from the song timing,
// and samples of steady levels worked out by hand from the level table.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "PlayerTestSupport.h"
#include "app/Exceptions.h"
#include "sound/SongRender.h"
#include "tests/app/TestDirectory.h"

namespace {

class SongRenderTest : public PlayerFixture {
public:
    // Two lines at speed 8: channel 0 "Nul" at volume 15 (attenuation 0), channel 1 "Nul"
    // at volume 8 (attenuation 7); the second line sends everything to the right only.
    void SetUp() override {
        PlayerFixture::SetUp();
        module->SetPatternLength(0, 2);
        module->initialSpeed = 8;
        Note(0, 0, kNoteNul, 0, 15);
        Note(0, 1, kNoteNul, 0, 8);
        Global(1, 0, kGlobalST, 0x0F);
    }

    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static int16_t Sample(const std::vector<uint8_t>& b, size_t offset) {
        return static_cast<int16_t>(b[offset] | (b[offset + 1] << 8));
    }
};

}  // namespace

TEST(WavHeader, ExactBytes) {
    const uint8_t expected[44] = {
        'R', 'I', 'F', 'F', 0x2C, 0x17, 0x00, 0x00, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
        0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x44, 0xAC, 0x00, 0x00, 0x10, 0xB1,
        0x02, 0x00, 0x04, 0x00, 0x10, 0x00, 'd', 'a', 't', 'a', 0x08, 0x17, 0x00, 0x00};
    const auto header = MakeWavHeader(5896);
    EXPECT_EQ(0, std::memcmp(header.data(), expected, 44));
}

TEST_F(SongRenderTest, WavHoldsOnePassOfSteadyLevels) {
    TestDirectory dir;
    const std::string path = dir.File("song.wav");
    // Volume 50 gives the chip 60: attenuation 0 is 7590 * 60 / 160 = 2846, attenuation 7
    // is 1650 * 60 / 160 = 618.
    EXPECT_EQ(WriteSongWav(*module, path, 50, 0xFF), 2u);
    const auto b = ReadFile(path);
    ASSERT_EQ(b.size(), 44u + 2 * 735 * 4);
    const auto header = MakeWavHeader(2 * 735 * 4);
    EXPECT_EQ(0, std::memcmp(b.data(), header.data(), 44));
    for (size_t pair : {0u, 1u, 400u, 734u}) {
        EXPECT_EQ(Sample(b, 44 + pair * 4), 3464) << pair;
        EXPECT_EQ(Sample(b, 46 + pair * 4), 3464) << pair;
    }
    for (size_t pair : {735u, 1000u, 1469u}) {
        EXPECT_EQ(Sample(b, 44 + pair * 4), 0) << pair;
        EXPECT_EQ(Sample(b, 46 + pair * 4), 3464) << pair;
    }
}

TEST_F(SongRenderTest, VolumeAndMutedChannels) {
    TestDirectory dir;
    module->chipType = 1;  // PAL: 882 pairs per frame
    const std::string path = dir.File("muted.wav");
    // Volume 100 gives 120: 7590 * 120 / 160 = 5692; channel 1 is muted.
    EXPECT_EQ(WriteSongWav(*module, path, 100, 0xFD), 2u);
    const auto b = ReadFile(path);
    ASSERT_EQ(b.size(), 44u + 2 * 882 * 4);
    EXPECT_EQ(Sample(b, 44), 5692);
    EXPECT_EQ(Sample(b, 44 + 881 * 4 + 2), 5692);
    EXPECT_EQ(Sample(b, 44 + 882 * 4), 0);
    // Volume 0 renders silence; out-of-range volumes are clamped.
    EXPECT_EQ(WriteSongWav(*module, path, 0, 0xFF), 2u);
    const auto silent = ReadFile(path);
    ASSERT_EQ(silent.size(), 44u + 2 * 882 * 4);
    for (size_t i = 44; i < silent.size(); ++i) ASSERT_EQ(silent[i], 0) << i;
    // 1650 * 120 / 160 = 1237 for channel 1.
    EXPECT_EQ(WriteSongWav(*module, path, 400, 0xFF), 2u);
    EXPECT_EQ(Sample(ReadFile(path), 44), 5692 + 1237);
}

TEST_F(SongRenderTest, PassMatchesSongTimingAndChunksStaySmall) {
    module->SetPatternLength(0, 5);
    module->initialSpeed = 12;
    int largest = 0;
    uint64_t bytes = 0;
    const uint32_t frames = RenderSongPass(*module, 50, 0xFF, [&](const uint8_t*, int n) {
        largest = std::max(largest, n);
        bytes += static_cast<uint64_t>(n);
    });
    EXPECT_EQ(frames, 8u);  // 2 + 1 + 2 + 1 + 2
    EXPECT_EQ(bytes, 8u * 735 * 4);
    EXPECT_EQ(largest, 1024);
}

TEST_F(SongRenderTest, UnwritablePathLeavesNothingBehind) {
    TestDirectory dir;
    EXPECT_THROW(WriteSongWav(*module, dir.File("missing/x.wav"), 50, 0xFF), Exception);
    EXPECT_TRUE(dir.Entries().empty());
}

TEST_F(SongRenderTest, PassBeyondFourGibibytesIsRefused) {
    // 256 positions of 256 lines at speed 255: 2088960 PAL frames, 7.4 GB of samples.
    module->chipType = 1;
    module->initialSpeed = 255;
    module->SetPatternLength(0, 256);
    module->songLength = 256;
    for (int i = 0; i < 256; ++i) module->orderList[i] = 0;
    TestDirectory dir;
    EXPECT_THROW(WriteSongWav(*module, dir.File("long.wav"), 50, 0xFF), Exception);
    EXPECT_TRUE(dir.Entries().empty());
}
