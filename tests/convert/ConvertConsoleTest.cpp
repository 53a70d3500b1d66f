// The converter's console outputs: ROMs for both systems and looping VGM logs.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "export/RomExport.h"
#include "export/VgmExport.h"
#include "tests/export/ExportTestUtil.h"
#include "tools/convert/Convert.h"

using namespace exporttest;

namespace {

int RunTool(const std::vector<std::string>& arguments, std::string* err = nullptr) {
    std::ostringstream out, error;
    const int code = RunConvert(arguments, out, error);
    if (err) *err = error.str();
    return code;
}

}  // namespace

TEST(ConvertConsole, RomAndLoopingVgmOutputs) {
    auto m = NewModule();
    Note(*m, 0, 0, 0, 60);
    m->title = "Tune";
    const std::string song = TempPath("console-song.quavex");
    {
        FILE* f = fopen(song.c_str(), "wb");
        ASSERT_TRUE(f);
        m->Write(f);
        fclose(f);
    }
    auto loaded = NewModule();
    ASSERT_TRUE(loaded->Load(song));

    const std::string sms = TempPath("console-song.sms");
    const std::string gg = TempPath("console-song.GG");
    ASSERT_EQ(RunTool({song, sms}), 0);
    ASSERT_EQ(RunTool({song, gg}), 0);
    EXPECT_EQ(ReadFile(sms), BuildROM(*loaded, RomSystem::kMasterSystem));
    EXPECT_EQ(ReadFile(gg), BuildROM(*loaded, RomSystem::kGameGear));

    const std::string vgm = TempPath("console-song.vgm");
    ASSERT_EQ(RunTool({"--vgm-loop", song, vgm}), 0);
    EXPECT_EQ(ReadFile(vgm), BuildVGM(*loaded, true));
    ASSERT_EQ(RunTool({song, vgm}), 0);
    EXPECT_EQ(ReadFile(vgm), BuildVGM(*loaded));
}

TEST(ConvertConsole, TooBigSongNamesTheLimit) {
    auto m = NewModule();
    std::mt19937 rng(5);
    for (int p = 0; p < 90; ++p) {
        m->MakePattern(p);
        m->SetPatternLength(p, 256);
        for (int l = 0; l < 256; ++l)
            for (int c = 0; c < 4; ++c)
                Note(*m, p, l, c, static_cast<uint8_t>(c == 3 ? 247 + rng() % 8 : 45 + rng() % 75), 0,
                     static_cast<uint8_t>(rng() % 16), static_cast<int8_t>(rng() % 90));
        m->orderList[p] = static_cast<uint8_t>(p);
    }
    m->songLength = 90;
    const std::string song = TempPath("console-big.quavex");
    {
        FILE* f = fopen(song.c_str(), "wb");
        ASSERT_TRUE(f);
        m->Write(f);
        fclose(f);
    }
    const std::string rom = TempPath("console-big.sms");
    std::filesystem::remove(rom);
    std::string err;
    EXPECT_EQ(RunTool({song, rom}, &err), 1);
    EXPECT_NE(err.find("Couldn't write \"" + rom + "\": The song needs "), std::string::npos) << err;
    EXPECT_NE(err.find("largest ROM (512 KB) holds.\n"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(rom));
}
