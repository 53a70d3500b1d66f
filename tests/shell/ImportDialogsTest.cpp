// The import dialogs in the running tracker: what they show, the chip settings that start
// unset and must be chosen, Cancel leaving everything as it was, and each importer's own
// choices reaching the conversion.
#include <cstring>
#include <functional>

#include "tests/shell/FileTestSupport.h"

using namespace filetest;

namespace {

struct ImportKind {
    const char* file;
    std::string (*bytes)();
    int window;
    const char* title;
    int typeGadget;  // the divider follows it; then "Okay" and "Cancel"
};

const ImportKind kKinds[] = {
    {"tiny.mod", TinyMod, kImportModWindow, "Load MOD file", 2},
    {"tiny.mid", [] { return TinyMidi(); }, kImportMidiWindow, "Load MIDI file", 4},
    {"tiny.vgm", TinyVgm, kImportVgmWindow, "Load VGM file", 4},
    {"tiny.bas", TinyBasic, kImportBasicWindow, "Load BAS file", 6},
};

// Modal steps that load `file` (in the last module directory) through the menu; `dialog`
// then runs once inside the import dialog.
std::vector<std::function<void()>> LoadThrough(const std::string& file,
                                               std::function<void()> dialog) {
    return {nullptr, Choose(file), nullptr, std::move(dialog)};
}

}  // namespace

TEST_F(ShellTest, ImportDialogsAskForBothChipSettingsBeforeTheyConvert) {
    for (const ImportKind& kind : kKinds) {
        SCOPED_TRACE(kind.file);
        WriteWholeFile(dir.File(kind.file), kind.bytes());
        std::string title;
        int typeShown = 0, dividerShown = 0;
        bool stillOpen = false;
        std::vector<std::string> seen;
        const int okay = kind.typeGadget + 2;
        steps = {[&] {
            gPreferences.lastModuleDir = dir.Path();
            modalSteps = LoadThrough(kind.file, [&] {
                GUI_Window* w = Window(kind.window);
                ASSERT_NE(w, nullptr);
                title = w->title;
                typeShown = w->Value(kind.typeGadget);
                dividerShown = w->Value(kind.typeGadget + 1);
                w->SetValue(kind.typeGadget, 1);  // PAL, the divider still unset
                ClickGadget(kind.window, okay);
            });
            modalSteps.push_back(nullptr);
            modalSteps.push_back(Note(seen, Answer(SDL_SCANCODE_RETURN)));
            modalSteps.push_back(nullptr);
            modalSteps.push_back([&] {
                GUI_Window* w = Window(kind.window);
                stillOpen = w != nullptr;
                if (!w) return;
                w->SetValue(kind.typeGadget + 1, 1);  // 2x
                ClickGadget(kind.window, okay);
            });
            DispatchMenu(kMenuLoadModule);
        }};
        requesters.clear();
        RunTracker();
        EXPECT_EQ(title, kind.title);
        EXPECT_EQ(typeShown, -1);
        EXPECT_EQ(dividerShown, -1);
        EXPECT_EQ(seen, std::vector<std::string>{"All chip settings must be set."});
        EXPECT_TRUE(stillOpen);
        EXPECT_EQ(gModule.chipType, 1);
        EXPECT_EQ(gModule.frequencyDivider, 1);
        // An import has no file of its own: the first save asks for a name.
        EXPECT_TRUE(gModule.fileName.empty());
        EXPECT_EQ(gPreferences.lastModules[0], dir.File(kind.file));
    }
}

TEST_F(ShellTest, ImportDialogsAreAnsweredWithTheKeyboardAlone) {
    for (const ImportKind& kind : kKinds) {
        SCOPED_TRACE(kind.file);
        WriteWholeFile(dir.File(kind.file), kind.bytes());
        int focused = -1;
        steps = {[&] {
            gPreferences.lastModuleDir = dir.Path();
            modalSteps = LoadThrough(kind.file, [&] {
                GUI_Window* w = Window(kind.window);
                ASSERT_NE(w, nullptr);
                if (w->focus >= 0) focused = w->gadgets[w->focus].number;
                // PAL is the second choice, 2x the second: two steps forward from unset.
                for (int scancode : {SDL_SCANCODE_DOWN, SDL_SCANCODE_DOWN, SDL_SCANCODE_TAB,
                                     SDL_SCANCODE_SPACE, SDL_SCANCODE_SPACE, SDL_SCANCODE_RETURN})
                    PressKey(scancode);
            });
            DispatchMenu(kMenuLoadModule);
        }};
        requesters.clear();
        RunTracker();
        EXPECT_EQ(focused, kind.typeGadget);
        EXPECT_EQ(gModule.chipType, 1);
        EXPECT_EQ(gModule.frequencyDivider, 1);
        EXPECT_EQ(gPreferences.lastModules[0], dir.File(kind.file));
    }
}

TEST_F(ShellTest, CancelInAnImportDialogKeepsTheModuleItsChangedMarkAndItsUndo) {
    for (const ImportKind& kind : kKinds) {
        SCOPED_TRACE(kind.file);
        WriteWholeFile(dir.File(kind.file), kind.bytes());
        PatternLine edited{};
        bool changed = false, canUndo = false, dialogSeen = false;
        steps = {[] { TypeNote(); },
                 [&] {
                     edited = gModule.patterns[0].lines[0];
                     gPreferences.lastModuleDir = dir.Path();
                     modalSteps = {nullptr, Answer(SDL_SCANCODE_RETURN)};  // drop the changes
                     for (auto& step : LoadThrough(kind.file, [&] {
                              dialogSeen = Window(kind.window) != nullptr;
                              ClickGadget(kind.window, kind.typeGadget + 3);
                          }))
                         modalSteps.push_back(step);
                     DispatchMenu(kMenuLoadModule);
                 },
                 [&] {
                     changed = ModuleHasChanges();
                     canUndo = gEditor.undo->CanUndo();
                 }};
        RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
        EXPECT_TRUE(dialogSeen);
        EXPECT_TRUE(changed);
        EXPECT_TRUE(canUndo);
        EXPECT_EQ(std::memcmp(&gModule.patterns[0].lines[0], &edited, sizeof edited), 0);
        EXPECT_EQ(gModule.title, "Tonweave demo");
        EXPECT_EQ(gModule.fileName, "demo.quavex");
    }
}

TEST_F(ShellTest, ImportDialogsShowWhatTheFileHolds) {
    WriteWholeFile(dir.File("tiny.mod"), TinyMod());
    WriteWholeFile(dir.File("tiny.vgm"), TinyVgm());
    WriteWholeFile(dir.File("tiny.mid"), TinyMidi());
    std::string modName;
    std::vector<std::string> samples, vgm, midiRows;
    bool enabled = false;
    int target = -1, instrument = -1;
    auto cancel = [](int window, int gadget) { return [=] { ClickGadget(window, gadget); }; };
    steps = {
        [&] {
            gPreferences.lastModuleDir = dir.Path();
            modalSteps = LoadThrough("tiny.mod", [&] {
                GUI_Window* w = Window(kImportModWindow);
                modName = w->Text(0);
                samples = w->Gadget(1)->entries;
                ClickGadget(kImportModWindow, 5);
            });
            DispatchMenu(kMenuLoadModule);
        },
        [&] {
            modalSteps = LoadThrough("tiny.vgm", [&] {
                GUI_Window* w = Window(kImportVgmWindow);
                for (int g = 0; g < 4; ++g) vgm.push_back(w->Text(g));
                ClickGadget(kImportVgmWindow, 7);
            });
            DispatchMenu(kMenuLoadModule);
        },
        [&] {
            modalSteps = LoadThrough("tiny.mid", [&] {
                GUI_Window* w = Window(kImportMidiWindow);
                midiRows = w->Gadget(0)->entries;
                w->SetListSelection(0, 6);
                gShell.gui->PostEvent({GUI_EVENT_LIST, 0, kImportMidiWindow, 0, 0, 0, false, 6});
            });
            modalSteps.push_back(nullptr);
            modalSteps.push_back([&] {
                GUI_Window* w = Window(kImportMidiWindow);
                enabled = w->Checked(1);
                target = w->Value(2);
                instrument = w->Value(3);
            });
            modalSteps.push_back(cancel(kImportMidiWindow, 7));
            DispatchMenu(kMenuLoadModule);
        }};
    RunTracker();
    EXPECT_EQ(modName, "tiny");
    ASSERT_EQ(samples.size(), 31u);
    EXPECT_EQ(samples[0], "kick 1");
    EXPECT_EQ(samples[1], "");
    EXPECT_EQ(vgm, (std::vector<std::string>{"60 Hz", "3579545 Hz", "$0009", "16"}));
    ASSERT_EQ(midiRows.size(), 16u);
    EXPECT_EQ(midiRows[0], "MIDI channel 0");
    EXPECT_EQ(midiRows[15], "MIDI channel 15");
    // MIDI channel 6 by default: enabled, to chip channel 2, instrument 6.
    EXPECT_TRUE(enabled);
    EXPECT_EQ(target, 2);
    EXPECT_EQ(instrument, 6);
}

// Where the MIDI dialog sends a channel and which instruments the BASIC dialog gives the
// kinds of notes show in the converted song.
TEST_F(ShellTest, ImportDialogChoicesReachTheConversion) {
    WriteWholeFile(dir.File("tiny.mid"), TinyMidi(3));
    WriteWholeFile(dir.File("tiny.bas"), TinyBasic());
    int midiChannel = -1, midiInstrument = -1, midiNote = -1;
    int basicFirst = -1, basicPause = -1;
    steps = {
        [&] {
            gPreferences.lastModuleDir = dir.Path();
            modalSteps = LoadThrough("tiny.mid", [] {
                GUI_Window* w = Window(kImportMidiWindow);
                w->SetListSelection(0, 3);
                gShell.gui->PostEvent({GUI_EVENT_LIST, 0, kImportMidiWindow, 0, 0, 0, false, 3});
            });
            modalSteps.push_back(nullptr);
            modalSteps.push_back([] {
                GUI_Window* w = Window(kImportMidiWindow);
                w->SetValue(2, 1);   // MIDI channel 3 to chip channel 1
                w->SetValue(3, 12);  // with instrument 12
                w->SetValue(4, 0);
                w->SetValue(5, 0);
                ClickGadget(kImportMidiWindow, 6);
            });
            DispatchMenu(kMenuLoadModule);
        },
        [&] {
            for (int line = 0; line < gModule.patterns[0].length; ++line)
                for (int c = 0; c < 4; ++c) {
                    const PatternLine& l = gModule.patterns[0].lines[line];
                    if (midiChannel < 0 && l.note[c] < 128 && l.volume[c] > 0) {
                        midiChannel = c;
                        midiInstrument = l.instrument[c];
                        midiNote = l.note[c];
                    }
                }
            modalSteps = LoadThrough("tiny.bas", [] {
                GUI_Window* w = Window(kImportBasicWindow);
                w->SetValue(0, 3);  // PLAY: Normal
                w->SetValue(5, 7);  // Pause
                w->SetValue(6, 0);
                w->SetValue(7, 0);
                ClickGadget(kImportBasicWindow, 8);
            });
            DispatchMenu(kMenuLoadModule);
        },
        [&] {
            const Pattern& p = gModule.patterns[0];
            basicFirst = p.lines[0].instrument[0];
            for (int line = 1; line < p.length && basicPause < 0; ++line)
                if (p.lines[line].note[0] == kNoteNul) basicPause = p.lines[line].instrument[0];
        }};
    RunTracker();
    EXPECT_EQ(midiChannel, 1);
    EXPECT_EQ(midiInstrument, 12);
    EXPECT_EQ(midiNote, 60);
    EXPECT_EQ(basicFirst, 3);
    EXPECT_EQ(basicPause, 7);
}

// A file of each kind written by other programs, loaded through its dialog as a user
// would: NTSC at 1x.
TEST_F(ShellTest, RealFilesOfEveryKindLoadThroughTheirDialogs) {
    struct Real {
        const char* path;
        int window;
        int typeGadget;
    } files[] = {
        {"mod/flowerpower.mod", kImportModWindow, 2},
        {"mid/multichannel_chords_1.mid", kImportMidiWindow, 4},
        {"vgm/sonic3_beta_chaos_emerald.vgz", kImportVgmWindow, 4},
        {"bas/SOLFE.BAS", kImportBasicWindow, 6},
    };
    for (const Real& real : files) {
        const std::string path = FullPath(std::string(TW_TESTDATA_DIR) + "/" + real.path);
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "no shared test data";
        SCOPED_TRACE(real.path);
        const std::string name = std::filesystem::path(path).filename().string();
        bool dialogSeen = false;
        steps = {[&] {
            gPreferences.lastModuleDir = std::filesystem::path(path).parent_path().string();
            modalSteps = LoadThrough(name, [&] {
                GUI_Window* w = Window(real.window);
                dialogSeen = w != nullptr;
                if (!w) return;
                w->SetValue(real.typeGadget, 0);
                w->SetValue(real.typeGadget + 1, 0);
                ClickGadget(real.window, real.typeGadget + 2);
            });
            DispatchMenu(kMenuLoadModule);
        }};
        gModule.Clear(0, 0);
        RunTracker();
        EXPECT_TRUE(dialogSeen);
        EXPECT_EQ(gPreferences.lastModules[0], path);
        int notes = 0;
        for (int i = 0; i < gModule.songLength; ++i) {
            const Pattern& p = gModule.patterns[gModule.orderList[i]];
            for (int line = 0; line < p.length; ++line)
                for (int c = 0; c < 4; ++c)
                    notes += p.lines[line].note[c] != kNoteEmpty && p.lines[line].volume[c] > 0;
        }
        EXPECT_GT(notes, 10);
    }
}
