// The preferences file: reading rules (defaults, clamps, unknown entries, errors), the
// written text against the stored default file, and round trips.
#include <gtest/gtest.h>

#include <string>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/Preferences.h"
#include "TestDirectory.h"

namespace {

const std::string kGoldenDefault = std::string(TW_SOURCE_DIR) + "/tests/data/prefs/default.prefs";

// Loads `text` as the preferences file of a scratch directory.
class PreferencesFile : public ::testing::Test {
protected:
    std::string Path() const { return dir.File("tonweave.prefs"); }

    void LoadText(const std::string& text) {
        WriteWholeFile(Path(), text);
        prefs.Load(Path());
    }

    // The ParseException that loading `text` throws; its message and line in `line`.
    std::string LoadFailure(const std::string& text, uint32_t* line = nullptr) {
        try {
            LoadText(text);
        } catch (const ParseException& e) {
            if (line) *line = e.Code(0);
            EXPECT_TRUE(e.HasCode(0));
            return e.Message();
        }
        return "(loaded)";
    }

    TestDirectory dir;
    Preferences prefs;
};

TEST_F(PreferencesFile, DefaultFileMatchesTheStoredOneByteForByte) {
    const std::string golden = ReadWholeFile(kGoldenDefault);
    ASSERT_FALSE(golden.empty());
    EXPECT_EQ(Preferences().Text(), golden);

    // A missing file is no error: the defaults stay and the file is written at quit.
    prefs.Load(Path());
    EXPECT_TRUE(prefs.loaded);
    prefs.Save(Path());
    EXPECT_EQ(ReadWholeFile(Path()), golden);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tonweave.prefs"});
}

TEST_F(PreferencesFile, VolumeSectionCarriesItsNote) {
    EXPECT_NE(Preferences().Text().find("sound_output {\n"
                                        "\t;\n"
                                        "\t; volume: In range 0..100.\n"
                                        "\t;\n"
                                        "\tvolume = 50\n"
                                        "}\n"),
              std::string::npos);
}

TEST_F(PreferencesFile, ReadingTheDefaultFileChangesNothing) {
    LoadText(ReadWholeFile(kGoldenDefault));
    EXPECT_EQ(prefs.Text(), Preferences().Text());
    // The same file with CR LF line ends.
    std::string crlf;
    for (char c : ReadWholeFile(kGoldenDefault)) {
        if (c == '\n') crlf += '\r';
        crlf += c;
    }
    LoadText(crlf);
    EXPECT_EQ(prefs.Text(), Preferences().Text());
}

TEST_F(PreferencesFile, NumbersAreClamped) {
    LoadText(
        "sound_output {\n volume = 150\n}\n"
        "appeareance {\n fullscreen_color_depth = 300\n theme = $7\n"
        " colors {\n  text = $1FFFFFF\n  cursor = 16\n  play_bar = 0x0000ff\n }\n}\n"
        "editing {\n clipboard = 9\n}\n");
    EXPECT_EQ(prefs.volume, 100);
    EXPECT_EQ(prefs.fullscreenColorDepth, 255);
    EXPECT_EQ(prefs.theme, 7);
    EXPECT_EQ(prefs.colors[kColourText], 0xFFFFFFu);
    EXPECT_EQ(prefs.colors[kColourCursor], 16u);
    EXPECT_EQ(prefs.colors[kColourPlayBar], 0xFFu);
    EXPECT_EQ(prefs.clipboard, 4);
    // Wrapped 32-bit values count as negative.
    LoadText("sound_output {\n volume = $FFFFFFFF\n}\n");
    EXPECT_EQ(prefs.volume, 0);
}

TEST_F(PreferencesFile, UnknownBoolWordGivesTheDefault) {
    LoadText("appeareance {\n fullscreen = true\n fullscreen = yes\n tact_as_lines = no\n}\n"
             "editing {\n wrap_volume = true\n paste_delete_notes = false\n"
             " copypaste_instvol = TRUE\n}\n");
    EXPECT_FALSE(prefs.fullscreen);
    EXPECT_TRUE(prefs.tactAsLines);
    EXPECT_TRUE(prefs.wrapVolume);
    EXPECT_FALSE(prefs.pasteDeleteNotes);
    EXPECT_FALSE(prefs.copyPasteInstVol);
    EXPECT_EQ(LoadFailure("appeareance {\n fullscreen = 1\n}\n"), "ParseName(): Failed");
}

TEST_F(PreferencesFile, ChoiceIgnoresCase) {
    LoadText("appeareance {\n texture_quality = LOW\n}\n");
    EXPECT_EQ(prefs.textureQuality, kTextureQualityLow);
    LoadText("appeareance {\n texture_quality = Normal\n}\n");
    EXPECT_EQ(prefs.textureQuality, kTextureQualityNormal);
    uint32_t line = 0;
    EXPECT_EQ(LoadFailure("appeareance {\n\n texture_quality = high\n}\n", &line),
              "ReadPreferences(): Unknown choice");
    EXPECT_EQ(line, 3u);
}

TEST_F(PreferencesFile, AKeyGivenTwiceTakesTheLast) {
    LoadText("sound_output {\n volume = 10\n}\nsound_output {\n volume = 20\n volume = 30\n}\n");
    EXPECT_EQ(prefs.volume, 30);
}

TEST_F(PreferencesFile, UnknownKeysAndSectionsAreSkipped) {
    LoadText(
        "future_section {\n"
        "  anything = 1.2.3 \"unclosed\n"
        "  nested {\n"
        "    deep = \"{\"\n"
        "  }\n"
        "  after_nested = 800x600\n"
        "} ; end\n"
        "sound_output {\n"
        "  new_key = 1024x768 \"x\n"
        "  new_block { ; opens\n"
        "    } stray\n"
        "  volume = 77\n"
        "}\n"
        "unclosed_unknown {\n"
        "  volume = 12\n");
    EXPECT_EQ(prefs.volume, 77);
    EXPECT_TRUE(prefs.loaded);
    // Keys of one section are unknown in another.
    LoadText("editing {\n volume = 5\n}\n");
    EXPECT_EQ(prefs.volume, 50);
}

TEST_F(PreferencesFile, MissingColourSectionKeepsColourDefaults) {
    LoadText("appeareance {\n fullscreen = true\n}\n");
    const Preferences defaults;
    for (int i = 0; i < kColourCount; ++i) {
        EXPECT_EQ(prefs.colors[i], defaults.colors[i]) << i;
        EXPECT_EQ(prefs.colors16[i], defaults.colors16[i]) << i;
    }
    EXPECT_TRUE(prefs.fullscreen);
}

TEST_F(PreferencesFile, ColoursInSixteenBits) {
    EXPECT_EQ(Preferences::Colour16(0xFFFFFF), 0xFFFF);
    EXPECT_EQ(Preferences::Colour16(0x000000), 0x0000);
    EXPECT_EQ(Preferences::Colour16(0xFF2020), 0xF904);  // 11111 001000 00100
    EXPECT_EQ(Preferences::Colour16(0x07030F), 0x0001);  // only the top bits count
    EXPECT_EQ(Preferences::Colour16(0x008294), 0x0412);
    LoadText("appeareance {\n colors {\n  text_invalid = $0000F8\n }\n}\n");
    EXPECT_EQ(prefs.colors16[kColourTextInvalid], 0x001F);
    EXPECT_EQ(prefs.colors16[kColourText], 0xFFFF);
}

TEST_F(PreferencesFile, SyntaxErrorsLeaveTheFileAlone) {
    struct Case {
        const char* text;
        const char* message;
        uint32_t line;
    };
    const Case cases[] = {
        {"= 5\n", "ReadPreferences(): Unexpected character", 1},
        {"}\n", "ReadPreferences(): Unexpected character", 1},
        {"sound_output {\n volume = 5\n", "ReadPreferences(): Missing \"}\"", 3},
        {"sound_output {\n volume 5\n}\n", "MatchSpecial(): Failed", 2},
        {"sound_output {\n volume = 5 6\n}\n", "MatchLineEnd(): Failed", 2},
        {"sound_output {\n volume = 5x\n}\n", "ReadNumberToken(): Failed", 2},
        {"sound_output {\n volume = 2.5\n}\n", "ParseNumber(): Failed", 2},
        {"sound_output {\n volume = -5\n}\n", "ParseNumber(): Failed", 2},
        {"sound_output volume = 5\n", "MatchSpecial(): Failed", 1},
        {"sound_output { volume = 5 }\n", "MatchLineEnd(): Failed", 1},
        {"midi_in {\n midi_in_device = \"open\n}\n", "ReadStringToken(): End of line reached", 2},
        {"appeareance {\n windowed_resolution = 800*600\n}\n", "MatchSpecial(): Failed", 2},
        {"appeareance {\n windowed_resolution = 800\n}\n", "MatchSpecial(): Failed", 2},
        {"appeareance {\n colors = 5\n}\n", "MatchSpecial(): Failed", 2},
        {"42\n", "ReadPreferences(): Unexpected token", 1},
    };
    const std::string broken_marker = "; the user's own broken file\n";
    for (const Case& c : cases) {
        uint32_t line = 0;
        EXPECT_EQ(LoadFailure(broken_marker + c.text, &line), c.message) << c.text;
        EXPECT_EQ(line, c.line + 1) << c.text;
        EXPECT_FALSE(prefs.loaded);
        EXPECT_EQ(prefs.Text(), Preferences().Text()) << c.text;  // defaults, not half a file
        prefs.Save(Path());
        EXPECT_EQ(ReadWholeFile(Path()), broken_marker + c.text);
    }
}

TEST_F(PreferencesFile, ResolutionsReadWithXAsSeparatorOnlyThen) {
    LoadText("appeareance {\n windowed_resolution = 640x480\n fullscreen_resolution = 640 x 480\n"
             " colors {\n  text = $123456\n }\n}\n");
    EXPECT_EQ(prefs.windowedResolution, (PreferenceResolution{640, 480}));
    EXPECT_EQ(prefs.fullscreenResolution, (PreferenceResolution{640, 480}));
    EXPECT_EQ(prefs.colors[kColourText], 0x123456u);  // "text" is a name again
}

TEST_F(PreferencesFile, UnsupportedResolutionIsReportedButKept) {
    WriteWholeFile(Path(), "appeareance {\n fullscreen_resolution = 1024x768\n}\n");
    try {
        prefs.Load(Path());
        FAIL() << "accepted";
    } catch (const ParseException&) {
        FAIL() << "not a syntax error";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Kind(), kGenericException);
        EXPECT_STREQ(e.Message(), "tonweave.prefs: Unsupported resolution");
    }
    EXPECT_TRUE(prefs.loaded);
    EXPECT_EQ(prefs.fullscreenResolution, (PreferenceResolution{1024, 768}));
    prefs.Save(Path());
    EXPECT_NE(ReadWholeFile(Path()).find("\tfullscreen_resolution  = 1024x768\n"),
              std::string::npos);
    // Sizes beyond 16 bits are held at the top rather than wrapping into a supported one.
    WriteWholeFile(Path(), "appeareance {\n windowed_resolution = 66176x600\n}\n");
    EXPECT_THROW(prefs.Load(Path()), Exception);
    EXPECT_EQ(prefs.windowedResolution, (PreferenceResolution{65535, 600}));
}

TEST_F(PreferencesFile, RecentFilesBecomeFullPaths) {
    LoadText("files_and_directories {\n"
             " last_module_dir = \"songs/./old/..\"\n"
             " last_export_dir = \"/tmp//out/\"\n"
             " last_module1 = \"a.quavex\"\n"
             " last_module3 = \"../b.quavex\"\n"
             "}\n");
    EXPECT_EQ(prefs.lastModuleDir, dir.Path() + "/songs");
    EXPECT_EQ(prefs.lastExportDir, "/tmp/out/");
    EXPECT_EQ(prefs.lastModules[0], dir.Path() + "/a.quavex");
    EXPECT_EQ(prefs.lastModules[1], "");
    EXPECT_EQ(prefs.lastModules[2], FullPath(dir.Path() + "/../b.quavex"));
}

TEST_F(PreferencesFile, RoundTripOfEveryField) {
    Preferences changed;
    changed.fullscreen = true;
    changed.windowedResolution = {640, 480};
    changed.fullscreenResolution = {640, 480};
    changed.fullscreenColorDepth = 16;
    changed.textureQuality = kTextureQualityLow;
    changed.theme = 3;
    changed.tactAsLines = false;
    for (int i = 0; i < kColourCount; ++i) changed.colors[i] = 0x010203u * (i + 1);
    changed.volume = 0;
    changed.midiInDevice = "USB MIDI Keyboard 20:0 ; x=1 {}";
    changed.wrapVolume = true;
    changed.copyPasteInstVol = true;
    changed.pasteDeleteNotes = false;
    changed.clipboard = 4;
    changed.lastModuleDir = "/home/user/songs";
    changed.lastExportDir = "/home/user/export";
    for (int i = 0; i < Preferences::kRecentFiles; ++i)
        changed.lastModules[i] = "/home/user/songs/song " + std::to_string(i) + ".quavex";
    changed.loaded = true;
    changed.Save(Path());
    const std::string first = ReadWholeFile(Path());
    EXPECT_NE(first, Preferences().Text());

    prefs.Load(Path());
    EXPECT_TRUE(prefs.fullscreen);
    EXPECT_EQ(prefs.textureQuality, kTextureQualityLow);
    EXPECT_EQ(prefs.colors[kColourPlayBar], 0x010203u * 13);
    EXPECT_EQ(prefs.colors16[kColourPlayBar], Preferences::Colour16(0x010203u * 13));
    EXPECT_EQ(prefs.midiInDevice, changed.midiInDevice);
    EXPECT_EQ(prefs.lastModules[9], changed.lastModules[9]);
    EXPECT_EQ(prefs.clipboard, 4);
    EXPECT_EQ(prefs.volume, 0);
    prefs.Save(Path());
    EXPECT_EQ(ReadWholeFile(Path()), first);
}

TEST_F(PreferencesFile, UnrepresentableNamesAreWrittenEmpty) {
    Preferences odd;
    odd.lastModules[0] = "/songs/say \"hi\".quavex";
    odd.lastModules[1] = "/songs/two\nlines.quavex";
    odd.lastModules[2] = "/songs/fine.quavex";
    odd.loaded = true;
    odd.Save(Path());
    prefs.Load(Path());  // must not fail
    EXPECT_EQ(prefs.lastModules[0], "");
    EXPECT_EQ(prefs.lastModules[1], "");
    EXPECT_EQ(prefs.lastModules[2], "/songs/fine.quavex");
}

TEST_F(PreferencesFile, LastLineWithoutLineBreakAndCommentsAnywhere) {
    LoadText("; top\r\nsound_output { ; open\r\n\t; inside\r\n\tvolume = 42 ; note\r\n}");
    EXPECT_EQ(prefs.volume, 42);
    LoadText("sound_output {\nvolume = 43\n}\n\n\n");
    EXPECT_EQ(prefs.volume, 43);
}

TEST_F(PreferencesFile, SaveNeedsALoadAndKeepsTheOldFileOnFailure) {
    WriteWholeFile(Path(), "old");
    Preferences unloaded;
    unloaded.Save(Path());
    EXPECT_EQ(ReadWholeFile(Path()), "old");
    unloaded.loaded = true;
    EXPECT_THROW(unloaded.Save(dir.File("missing/tonweave.prefs")), Exception);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"tonweave.prefs"});
}

TEST_F(PreferencesFile, LoadAndSaveBesideTheProgram) {
    SetProgramDirectory(dir.Path());
    WriteWholeFile(Path(), "sound_output {\n volume = 61\n}\n");
    prefs.Load();
    EXPECT_EQ(prefs.volume, 61);
    prefs.Save();
    SetProgramDirectory("");
    EXPECT_NE(ReadWholeFile(Path()).find("\tvolume = 61\n"), std::string::npos);
}

TEST(RecentFiles, PathMovesToTheHead) {
    Preferences prefs;
    for (int i = 10; i >= 1; --i) prefs.AddRecentModule("/m" + std::to_string(i));
    EXPECT_EQ(prefs.lastModules[0], "/m1");
    EXPECT_EQ(prefs.lastModules[9], "/m10");
    prefs.AddRecentModule("/m3");  // third moves to the head
    EXPECT_EQ(prefs.lastModules[0], "/m3");
    EXPECT_EQ(prefs.lastModules[1], "/m1");
    EXPECT_EQ(prefs.lastModules[2], "/m2");
    EXPECT_EQ(prefs.lastModules[3], "/m4");
    prefs.AddRecentModule("/new");  // the tenth drops out
    EXPECT_EQ(prefs.lastModules[0], "/new");
    EXPECT_EQ(prefs.lastModules[1], "/m3");
    EXPECT_EQ(prefs.lastModules[9], "/m9");
    prefs.AddRecentModule("/new");
    EXPECT_EQ(prefs.lastModules[0], "/new");
    EXPECT_EQ(prefs.lastModules[1], "/m3");
}

}  // namespace
