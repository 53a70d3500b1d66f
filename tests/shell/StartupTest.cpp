// Start-up phases, the preferences at start and quit, the module on the command line,
// and the crash save.
#include <sys/stat.h>

#include <cstdio>
#include <ctime>

#include "app/Exceptions.h"
#include "app/shell/CrashSave.h"
#include "app/shell/Dialogs.h"
#include "app/shell/MenuTable.h"
#include "tests/shell/ShellFixture.h"

namespace {

// 14:05:09 UTC on 3 April 2026.
int64_t CrashMoment() {
    std::tm t = {};
    t.tm_year = 2026 - 1900;
    t.tm_mon = 3;
    t.tm_mday = 3;
    t.tm_hour = 14;
    t.tm_min = 5;
    t.tm_sec = 9;
    return int64_t(timegm(&t));
}

}  // namespace

TEST_F(ShellTest, StartsTitledWithTheMenuAndMainWindowAndQuitsWritingThePreferences) {
    std::string title;
    steps = {[&] {
        title = SDL_GetWindowTitle(static_cast<SDL_Window*>(DRELM_GetWindowHandle()));
        EXPECT_NE(gShell.gui->FindWindow(1), nullptr);
        EXPECT_GT(gShell.gui->MenuBarHeight(), 0);
    }};
    EXPECT_EQ(RunTracker(), 0);
    EXPECT_EQ(title, "Tonweave");
    // Rewritten whole: exactly what the preferences' writer makes of the defaults.
    Preferences defaults;
    defaults.loaded = true;
    EXPECT_EQ(ReadWholeFile(dir.File("tonweave.prefs")), defaults.Text());
    EXPECT_TRUE(SystemMessages().empty());
}

TEST_F(ShellTest, PreferencesAreReadAtStartAndUsed) {
    WriteWholeFile(
        dir.File("tonweave.prefs"),
        "appeareance {\n\twindowed_resolution = 640x480\n\tcolors {\n\t\ttext = $123456\n"
        "\t}\n}\nsound_output {\n\tvolume = 70\n}\nfiles_and_directories {\n"
        "\tlast_module1 = \"/songs/a.quavex\"\n}\nunknown_section {\n\tx = 1\n}\n");
    int width = 0, volume = -1;
    std::string recent;
    steps = {[&] {
        width = gShell.gui->ScreenWidth();
        volume = gShell.sound->Volume();
        recent = MenuLabel(kMenuRecentFirst);
    }};
    RunTracker();
    EXPECT_EQ(width, 640);
    EXPECT_EQ(volume, 70);
    EXPECT_EQ(recent, "/songs/a.quavex");
    const std::string written = ReadWholeFile(dir.File("tonweave.prefs"));
    EXPECT_NE(written.find("windowed_resolution    = 640x480"), std::string::npos) << written;
    EXPECT_NE(written.find("= $123456"), std::string::npos);
    EXPECT_NE(written.find("volume = 70"), std::string::npos);
    EXPECT_EQ(written.find("unknown_section"), std::string::npos);
}

TEST_F(ShellTest, BrokenPreferencesAreReportedKeptAndTheDefaultsUsed) {
    const std::string broken = "sound_output {\n\tvolume 70\n}\n";
    WriteWholeFile(dir.File("tonweave.prefs"), broken);
    bool ran = false;
    int volume = -1;
    steps = {[&] {
        ran = true;
        volume = gShell.sound->Volume();
    }};
    EXPECT_EQ(RunTracker(), 0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(volume, 50);
    ASSERT_EQ(SystemMessages().size(), 1u);
    EXPECT_EQ(SystemMessages()[0].rfind("Couldn't load the preferences file (tonweave.prefs).\n\n"
                                        "Exception type: Parse exception",
                                        0),
              0u);
    EXPECT_EQ(ReadWholeFile(dir.File("exception.txt")), SystemMessages()[0]);
    // Left for the user to mend.
    EXPECT_EQ(ReadWholeFile(dir.File("tonweave.prefs")), broken);
}

TEST_F(ShellTest, UnreadablePreferencesGiveTheDefaults) {
    // Root reads every file, so a directory stands in for a file that cannot be read.
    if (geteuid() == 0) {
        std::filesystem::create_directory(dir.File("tonweave.prefs"));
    } else {
        WriteWholeFile(dir.File("tonweave.prefs"), "sound_output {\n\tvolume = 70\n}\n");
        chmod(dir.File("tonweave.prefs").c_str(), 0);
    }
    int volume = -1;
    bool ran = false;
    steps = {[&] {
        ran = true;
        volume = gShell.sound->Volume();
    }};
    EXPECT_EQ(RunTracker(), 0);
    EXPECT_TRUE(ran);
    EXPECT_EQ(volume, 50);
}

TEST_F(ShellTest, UnsupportedResolutionStartsAt800x600) {
    WriteWholeFile(dir.File("tonweave.prefs"),
                   "appeareance {\n\twindowed_resolution = 1024x768\n}\n");
    int width = 0;
    steps = {[&] { width = gShell.gui->ScreenWidth(); }};
    RunTracker();
    EXPECT_EQ(width, 800);
    ASSERT_EQ(SystemMessages().size(), 1u);
    EXPECT_NE(SystemMessages()[0].find("tonweave.prefs: Unsupported resolution"),
              std::string::npos);
}

TEST_F(ShellTest, MissingPatternFontEndsInOrderWithItsReport) {
    std::filesystem::remove(dir.File("modfont.png"));
    bool ran = false;
    steps = {[&] { ran = true; }};
    EXPECT_EQ(RunTracker(), 0);
    EXPECT_FALSE(ran);
    ASSERT_EQ(SystemMessages().size(), 1u);
    const std::string report = ReadWholeFile(dir.File("exception.txt"));
    EXPECT_EQ(report, SystemMessages()[0]);
    EXPECT_EQ(report.rfind("Graphics loading error.\n\nException type: ", 0), 0u) << report;
    // Quit ran: the preferences were written.
    EXPECT_TRUE(std::filesystem::exists(dir.File("tonweave.prefs")));
    EXPECT_EQ(gShell.gui, nullptr);
    EXPECT_EQ(gShell.sound, nullptr);
}

TEST_F(ShellTest, MissingSkinIsAGuiInitializationError) {
    std::filesystem::remove(dir.File("skins"));
    std::filesystem::create_directory(dir.File("skins"));
    RunTracker();
    ASSERT_EQ(SystemMessages().size(), 1u);
    EXPECT_EQ(SystemMessages()[0].rfind("GUI initialization error.\n\n", 0), 0u);
}

TEST_F(ShellTest, ModuleOnTheCommandLineIsLoadedRelativeToTheStartDirectory) {
    std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", dir.File("demo.quavex"));
    const std::string relative =
        std::filesystem::relative(dir.File("demo.quavex"), StartDirectory()).string();
    ASSERT_NE(relative.front(), '/');
    int songLength = 0;
    steps = {[&] { songLength = gModule.songLength; }};
    RunTracker({relative});
    EXPECT_GT(songLength, 1);
    EXPECT_TRUE(requesters.empty());
    EXPECT_EQ(gPreferences.lastModules[0], dir.File("demo.quavex"));
}

TEST_F(ShellTest, ModuleThatFailsToLoadLeavesAnEmptyModule) {
    WriteWholeFile(dir.File("broken.quavex"), "QUAVEX-2 and then nothing that parses");
    int songLength = 0, used = 0;
    steps = {[&] {
        songLength = gModule.songLength;
        for (const Pattern& p : gModule.patterns) used += p.used ? 1 : 0;
    }};
    RunTracker({dir.File("broken.quavex")});
    ASSERT_EQ(requesters.size(), 1u);
    EXPECT_EQ(requesters[0], "Couldn't load module.");
    EXPECT_EQ(songLength, 1);
    EXPECT_EQ(used, 1);
    EXPECT_TRUE(gPreferences.lastModules[0].empty());
}

TEST_F(ShellTest, CrashFileNameHasNoLeadingZerosAndNoFinalPoint) {
    EXPECT_EQ(CrashFileName(CrashMoment()), "crash(2026.4.3 14.5.9).quavex");
    EXPECT_EQ(CrashFileName(0), "crash(1970.1.1 0.0.0).quavex");
    EXPECT_EQ(CrashMessage(""), "Tonweave has crashed.\nThe current module couldn't be saved.");
}

TEST_F(ShellTest, FaultInsideACommandSavesACrashFileAndEndsInOrder) {
    const std::string own = dir.File("mine.quavex");
    std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", own);
    const std::string ownBytes = ReadWholeFile(own);
    gShell.options.clock = [] { return CrashMoment(); };
    SetCommandHook([](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU && e.gadget == kMenuProgramInfo) ForceMemoryFault();
    });
    bool after = false;
    steps = {nullptr, [] { DispatchMenu(kMenuProgramInfo); }, [&] { after = true; }};
    EXPECT_EQ(RunTracker({own}), 0);
    EXPECT_FALSE(after);  // nothing ran on after the fault
    const std::string crash = dir.File("crash(2026.4.3 14.5.9).quavex");
    ASSERT_TRUE(std::filesystem::exists(crash));
    EXPECT_EQ(ReadWholeFile(own), ownBytes);
    ASSERT_EQ(SystemMessages().size(), 1u);
    EXPECT_EQ(SystemMessages()[0],
              "Tonweave has crashed.\nThe current module is saved as " + crash);
    EXPECT_TRUE(requesters.empty());  // the command's own message never came
    EXPECT_TRUE(std::filesystem::exists(dir.File("tonweave.prefs")));
    // The crash file is a normal module: the converter reads it.
    int status = -1;
    const std::string info = ConverterInfo(crash, status);
    EXPECT_EQ(status, 0) << info;
    EXPECT_NE(info.find("title=Tonweave demo"), std::string::npos) << info;
}

TEST_F(ShellTest, CrashSaveGoesToTheUserDirectoryWhenTheProgramDirectoryIsReadOnly) {
    TestDirectory user;
    SetUserDirectory(user.Path());
    gShell.options.clock = [] { return CrashMoment(); };
    SetCommandHook([](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU && e.gadget == kMenuReadme) ForceMemoryFault();
    });
    steps = {[] { DispatchMenu(kMenuReadme); }};
    RunTracker();
    EXPECT_TRUE(std::filesystem::exists(user.File("crash(2026.4.3 14.5.9).quavex")));
    EXPECT_TRUE(std::filesystem::exists(user.File("tonweave.prefs")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("tonweave.prefs")));
}

TEST_F(ShellTest, OtherExceptionsInACommandShowItsMessageAndCarryOn) {
    SetCommandHook([](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU && e.gadget == kMenuRecentFirst)
            throw FileIOException("Module::Load(): Couldn't open file");
    });
    bool after = false;
    steps = {[] { DispatchMenu(kMenuRecentFirst); }, [&] { after = true; }};
    RunTracker();
    EXPECT_TRUE(after);
    ASSERT_EQ(requesters.size(), 1u);
    EXPECT_EQ(requesters[0], "Couldn't load module.");
}

TEST_F(ShellTest, TerminationRequestClosesAnOpenDialogAndQuitsInOrder) {
    bool prefsOpen = false, stillOpen = false;
    auto check = [&] { stillOpen = stillOpen || gShell.gui->FindWindow(kPreferencesWindow); };
    steps = {[&] {
        modalSteps = {[&] {
                          prefsOpen = gShell.gui->FindWindow(kPreferencesWindow) != nullptr;
                          gShell.terminateRequested.store(true);
                      },
                      // Without the close the dialog would still be open here.
                      check, check, check};
        DispatchMenu(kMenuPreferences);
    }};
    EXPECT_EQ(RunTracker({}), 0);
    gShell.terminateRequested.store(false);
    EXPECT_TRUE(prefsOpen);
    EXPECT_FALSE(stillOpen);
    EXPECT_TRUE(std::filesystem::exists(dir.File("tonweave.prefs")));
}
