// tonweave-convert writing WAV files and the song length lines of --info, run as the
// program itself on a small saved module.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "PlayerTestSupport.h"
#include "sound/SongRender.h"
#include "tests/app/TestDirectory.h"

namespace {

class ConvertWav : public PlayerFixture {
public:
    void SetUp() override {
        PlayerFixture::SetUp();
        program = std::string(TW_BINARY_DIR) + "/bin/tonweave-convert";
        if (!std::filesystem::exists(program)) GTEST_SKIP() << "tonweave-convert not built";
        // Three lines at speed 12 (2 + 1 + 2 frames): "Nul" at volume 15 on channel 0, at
        // volume 8 on channel 2.
        module->SetPatternLength(0, 3);
        module->initialSpeed = 12;
        Note(0, 0, kNoteNul, 0, 15);
        Note(0, 2, kNoteNul, 0, 8);
        input = dir.File("tiny.quavex");
        module->Save(input);
    }

    // Runs the program; gives back its exit code and standard output.
    int Run(const std::string& arguments, std::string& output) {
        const std::string command = program + " " + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return -1;
        char buffer[512];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.append(buffer, n);
        return pclose(pipe);
    }

    static std::vector<uint8_t> ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    static int16_t Sample(const std::vector<uint8_t>& b, size_t pair, int side) {
        const size_t at = 44 + pair * 4 + side * 2;
        return static_cast<int16_t>(b[at] | (b[at + 1] << 8));
    }

    TestDirectory dir;
    std::string program;
    std::string input;
};

}  // namespace

TEST_F(ConvertWav, DefaultVolumeAndMutedChannels) {
    std::string out;
    const std::string wav = dir.File("tiny.wav");
    ASSERT_EQ(Run(input + " " + wav, out), 0) << out;
    auto b = ReadFile(wav);
    ASSERT_EQ(b.size(), 44u + 5 * 735 * 4);
    const auto header = MakeWavHeader(5 * 735 * 4);
    EXPECT_EQ(0, std::memcmp(b.data(), header.data(), 44));
    // Volume 50 gives 60: 7590 * 60 / 160 = 2846 and 1650 * 60 / 160 = 618.
    EXPECT_EQ(Sample(b, 0, 0), 2846 + 618);
    EXPECT_EQ(Sample(b, 5 * 735 - 1, 1), 2846 + 618);

    const std::string muted = dir.File("muted.WAV");
    ASSERT_EQ(Run("--volume 100 --mute 0,3 " + input + " " + muted, out), 0) << out;
    b = ReadFile(muted);
    ASSERT_EQ(b.size(), 44u + 5 * 735 * 4);
    EXPECT_EQ(Sample(b, 0, 0), 1237);  // 1650 * 120 / 160, channel 2 alone
    EXPECT_EQ(Sample(b, 1000, 1), 1237);
}

TEST_F(ConvertWav, InfoGivesFramesAndTime) {
    std::string out;
    ASSERT_EQ(Run("--info " + input, out), 0) << out;
    EXPECT_NE(out.find("frames=5\n"), std::string::npos) << out;
    EXPECT_NE(out.find("time=0.08 sec. (0:00 min.)\n"), std::string::npos) << out;
}

TEST_F(ConvertWav, BadVolumeIsRefusedWithoutWriting) {
    std::string out;
    const std::string wav = dir.File("never.wav");
    EXPECT_NE(Run("--volume 101 " + input + " " + wav, out), 0);
    EXPECT_FALSE(std::filesystem::exists(wav));
}
