// tonweave-convert: its command line, the --info lines and module-to-module conversion,
// run in-process with captured output.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <sstream>

#include "../module/ModuleTestSupport.h"
#include "tools/convert/Convert.h"

namespace {

struct ConvertRun {
    int code;
    std::string out, err;
};

ConvertRun Convert(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int code = RunConvert(arguments, out, err);
    return {code, out.str(), err.str()};
}

// A failure is exactly one line: a sentence ending in a full stop.
void ExpectOneSentence(const ConvertRun& run) {
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.out.empty());
    ASSERT_GE(run.err.size(), 3u);
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err[run.err.size() - 2], '.') << run.err;
}

}  // namespace

TEST(ConvertOptions, ValidOptions) {
    ConvertOptions o;
    std::string error;
    ASSERT_TRUE(ParseConvertOptions(
        {"--volume", "100", "--mute=0,3", "in.mid", "--chip", "PAL", "--divider=2x", "--midi-map",
         "0=3:15,9=0:2", "--midi-disable", "4", "--midi-disable=5,6", "--basic-instruments",
         "1,2,3,4,5,6", "out.quavex"},
        o, error))
        << error;
    EXPECT_EQ(o.input, "in.mid");
    EXPECT_EQ(o.output, "out.quavex");
    EXPECT_EQ(o.volume, 100);
    EXPECT_EQ(o.AudibleMask(), 0x06);
    EXPECT_EQ(o.chipType, 1);
    EXPECT_EQ(o.frequencyDivider, 1);
    ASSERT_EQ(o.midiMap.size(), 2u);
    EXPECT_EQ(o.midiMap[0].midiChannel, 0);
    EXPECT_EQ(o.midiMap[0].target, 3);
    EXPECT_EQ(o.midiMap[0].instrument, 15);
    EXPECT_EQ(o.midiMap[1].midiChannel, 9);
    EXPECT_EQ(o.midiDisabled, (std::vector<int>{4, 5, 6}));
    ASSERT_TRUE(o.basicInstruments);
    EXPECT_EQ(o.basicInstruments->playLegato, 3);
    EXPECT_EQ(o.basicInstruments->pause, 6);

    ConvertOptions d;
    ASSERT_TRUE(ParseConvertOptions({"--info", "song.quavex"}, d, error));
    EXPECT_TRUE(d.info);
    EXPECT_EQ(d.volume, 50);
    EXPECT_EQ(d.AudibleMask(), 0x0F);
    EXPECT_FALSE(d.chipType);
    // "--" ends the options, so a file may start with a dash.
    ConvertOptions e;
    ASSERT_TRUE(ParseConvertOptions({"--", "-in.quavex", "-out.quavex"}, e, error));
    EXPECT_EQ(e.input, "-in.quavex");
}

TEST(ConvertOptions, MistakesGiveOneSentence) {
    const ConvertRun bare = Convert({});
    EXPECT_EQ(bare.code, 1);
    EXPECT_NE(bare.out.find("Usage:"), std::string::npos);
    EXPECT_EQ(bare.err, "Give an input file and an output file, or --info and a file.\n");

    // A real song and a writable output, so that only the mistake can make a run fail.
    ScratchDirectory dir;
    const std::string in = dir.File("in.quavex");
    const std::string out = dir.File("out.vgm");
    NewModule()->Save(in);
    const ConvertRun good = Convert({in, out});
    ASSERT_EQ(good.code, 0) << good.err;
    ASSERT_TRUE(std::filesystem::exists(out));
    std::filesystem::remove(out);

    struct Case {
        std::vector<std::string> arguments;
        const char* names;  // what the sentence must name
    };
    const Case cases[] = {
        {{in}, "exactly one input file"},
        {{in, out, in}, "exactly one input file"},
        {{"--info"}, "--info takes exactly one file"},
        {{"--info", in, out}, "--info takes exactly one file"},
        {{"--frobnicate", in, out}, "\"--frobnicate\""},
        {{in, out, "--volume"}, "--volume needs a value"},
        {{"--volume", "101", in, out}, "--volume takes"},
        {{"--volume", "-1", in, out}, "--volume takes"},
        {{"--volume", "5x", in, out}, "--volume takes"},
        {{"--mute", "4", in, out}, "--mute takes"},
        {{"--mute", "0,,1", in, out}, "--mute takes"},
        {{"--chip", "secam", in, out}, "--chip takes"},
        {{"--divider", "3x", in, out}, "--divider takes"},
        {{"--midi-map", "16=0:0", in, out}, "--midi-map takes"},
        {{"--midi-map", "0=4:0", in, out}, "--midi-map takes"},
        {{"--midi-map", "0=0:16", in, out}, "--midi-map takes"},
        {{"--midi-map", "0:0=1", in, out}, "--midi-map takes"},
        {{"--midi-map", "0=0", in, out}, "--midi-map takes"},
        {{"--midi-disable", "16", in, out}, "--midi-disable takes"},
        {{"--basic-instruments", "1,2,3,4,5", in, out}, "--basic-instruments takes"},
        {{"--basic-instruments", "1,2,3,4,5,16", in, out}, "--basic-instruments takes"},
        {{"--basic-instruments", "1,2,3,4,5,6,7", in, out}, "--basic-instruments takes"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const auto& a : c.arguments) joined += a + " ";
        SCOPED_TRACE(joined);
        const ConvertRun run = Convert(c.arguments);
        ExpectOneSentence(run);
        EXPECT_NE(run.err.find(c.names), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(out)) << "a refused command wrote its output";
    }
}

TEST(Convert, HelpListsOptionsAndFormats) {
    const ConvertRun run = Convert({"--help"});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.err.empty());
    for (const char* text : {"--info", "--volume", "--mute", "--chip", "--divider", "--midi-map",
                             "--midi-disable", "--basic-instruments", ".quavex"})
        EXPECT_NE(run.out.find(text), std::string::npos) << text;
}

TEST(Convert, InfoLines) {
    ScratchDirectory dir;
    auto m = NewModule();
    m->Clear(1, 0);
    m->title = "Title with\nbreak";
    m->author = "Me";
    m->songLength = 3;
    m->orderList[1] = 4;
    m->orderList[2] = 0;
    m->repeatPosition = 2;
    m->initialSpeed = 24;
    m->initialStereo = 0xF0;
    m->MakePattern(4);
    m->MakePattern(7);
    m->MakePattern(200);
    std::strcpy(m->instruments[0].name, "Lead");
    std::strcpy(m->instruments[12].name, "Noise = hat");
    m->Save(dir.File("info.quavex"));

    const ConvertRun run = Convert({"--info", dir.File("info.quavex")});
    EXPECT_EQ(run.code, 0);
    EXPECT_TRUE(run.err.empty());
    const std::string expected =
        "title=Title with\\nbreak\n"
        "author=Me\n"
        "chip=PAL\n"
        "divider=1x\n"
        "song_length=3\n"
        "repeat_position=2\n"
        "initial_speed=24\n"
        "initial_stereo=240\n"
        "patterns_used=4\n"
        "unused_patterns=2\n"
        "instrument.0=Lead\n"
        "instrument.12=Noise = hat\n";
    // Extensions (frames, time, ...) may follow the module's own lines.
    EXPECT_EQ(run.out.substr(0, expected.size()), expected);
}

TEST(Convert, ModuleToModuleKeepsEveryByte) {
    ScratchDirectory dir;
    const std::string in = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/module/saved.quavex";
    const ConvertRun run = Convert({in, dir.File("copy.QUAVEX")});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(ReadAll(dir.File("copy.QUAVEX")), ReadAll(in));

    // Chip settings given on the command line replace the module's own.
    ASSERT_EQ(Convert({"--chip", "pal", "--divider", "2x", in, dir.File("pal.quavex")}).code, 0);
    const ConvertRun info = Convert({"--info", dir.File("pal.quavex")});
    EXPECT_NE(info.out.find("chip=PAL\ndivider=2x\n"), std::string::npos);
}

TEST(Convert, FailuresLeaveOutputAlone) {
    ScratchDirectory dir;
    const std::string good = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/module/saved.quavex";
    const std::string bad = std::string(TW_SOURCE_DIR) + "/fuzz/corpus/module/broken-detune.quavex";
    WriteAll(dir.File("out.quavex"), Bytes{'o', 'l', 'd'});

    ConvertRun run = Convert({bad, dir.File("out.quavex")});
    ExpectOneSentence(run);
    EXPECT_NE(run.err.find("Detune out of range"), std::string::npos) << run.err;
    run = Convert({dir.File("missing.quavex"), dir.File("out.quavex")});
    ExpectOneSentence(run);
    run = Convert({good, dir.File("out.unknownformat")});
    ExpectOneSentence(run);
    EXPECT_NE(run.err.find(".quavex"), std::string::npos);
    run = Convert({good, dir.File("no/such/dir/out.quavex")});
    ExpectOneSentence(run);
    EXPECT_EQ(ReadAll(dir.File("out.quavex")), (Bytes{'o', 'l', 'd'}));
    ExpectOneSentence(Convert({"--info", bad}));
}
