// The File menu's module commands in the running tracker: saving (and failing to), loading
// (and failing to), the recent list, new module, and the exports.
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "export/DadivevExport.h"
#include "export/MidiExport.h"
#include "export/VgmExport.h"
#include "tests/shell/FileTestSupport.h"

using namespace filetest;

namespace {

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::unique_ptr<Module> LoadFile(const std::string& path) {
    auto m = std::make_unique<Module>();
    m->Load(path);
    return m;
}

bool SameLine(const PatternLine& a, const PatternLine& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST_F(ShellTest, SaveAsWritesTheModuleMarksItSavedAndRemembersTheDirectory) {
    const std::string songs = dir.File("songs");
    std::filesystem::create_directory(songs);
    std::string title;
    std::vector<std::string> listed;
    bool changedBefore = false, changedAfter = true;
    steps = {[&] {
                 gPreferences.lastModuleDir = songs;
                 TypeNote();
             },
             [&] {
                 changedBefore = ModuleHasChanges();
                 modalSteps = {nullptr, [&] {
                                   title = Requester()->title;
                                   listed = ListedNames();
                                   Choose("first")();
                               }};
                 // No file name yet: "Save module" asks for one.
                 DispatchMenu(kMenuSaveModule);
             },
             [&] { changedAfter = ModuleHasChanges(); }};
    RunTracker();
    EXPECT_TRUE(changedBefore);
    EXPECT_FALSE(changedAfter);
    EXPECT_EQ(title, "Save module");
    const std::string path = songs + "/first.quavex";
    ASSERT_TRUE(std::filesystem::exists(path));
    const auto saved = LoadFile(path);
    EXPECT_NE(gModule.patterns[0].lines[0].note[0], kNoteEmpty);
    EXPECT_TRUE(SameLine(saved->patterns[0].lines[0], gModule.patterns[0].lines[0]));
    EXPECT_EQ(gModule.fileName, "first.quavex");
    EXPECT_EQ(gModule.directory, songs);
    EXPECT_EQ(gPreferences.lastModuleDir, songs);
}

TEST_F(ShellTest, CtrlSSavesBackToAPathWithSpacesAndOtherLetters) {
    const std::string songs = dir.File("my songs");
    std::filesystem::create_directory(songs);
    const std::string path = songs + "/Lied für dich.quavex";
    std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", path);
    const std::string before = ReadWholeFile(path);
    bool changedAfter = true;
    steps = {[] { TypeNote(); }, [] { PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_S); },
             [&] { changedAfter = ModuleHasChanges(); }};
    RunTracker({path});
    EXPECT_FALSE(changedAfter);
    EXPECT_TRUE(requesters.empty());  // no requester: the module knew its file
    EXPECT_NE(ReadWholeFile(path), before);
    EXPECT_TRUE(SameLine(LoadFile(path)->patterns[0].lines[0], gModule.patterns[0].lines[0]));
    // Nothing beside it: no second file, no temporary left over.
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(songs))
        names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Lied für dich.quavex"});
}

// A save that fails says so, keeps the module marked changed and the old file whole: in a
// directory the user may not write to, and on a disk that fills up half-way.
TEST_F(ShellTest, FailedSavesKeepTheOldFileAndTheChangedMark) {
    chmod(dir.Path().c_str(), 0755);
    const std::string songs = dir.File("songs");
    std::filesystem::create_directory(songs);
    const std::string path = songs + "/song.quavex";
    std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", path);
    const std::string before = ReadWholeFile(path);
    bool changedAfterReadOnly = false, changedAfterFull = false;
    steps = {[] { TypeNote(); },
             [&] {
                 chmod(songs.c_str(), 0555);
                 WithoutRootRights user;
                 DispatchMenu(kMenuSaveModule);
             },
             [&] {
                 changedAfterReadOnly = ModuleHasChanges();
                 chmod(songs.c_str(), 0755);
                 // The demo song's file is over 2000 bytes.
                 FileSizeLimit full(1000);
                 DispatchMenu(kMenuSaveModule);
             },
             [&] { changedAfterFull = ModuleHasChanges(); }};
    RunTracker({path});
    EXPECT_EQ(requesters,
              (std::vector<std::string>{"Couldn't save module.", "Couldn't save module."}));
    EXPECT_TRUE(changedAfterReadOnly);
    EXPECT_TRUE(changedAfterFull);
    EXPECT_EQ(ReadWholeFile(path), before);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(songs), {}), 1);
}

TEST_F(ShellTest, AFailedLoadKeepsTheModuleItsChangedMarkAndItsUndo) {
    const std::string broken = dir.File("broken.quavex");
    WriteWholeFile(broken, std::string("QUAVEX-2HEAD\0\0\0\x10garbage", 24));
    PatternLine edited{};
    bool changed = false, canUndo = false;
    std::vector<std::string> seen;
    steps = {[] { TypeNote(); },
             [&] {
                 edited = gModule.patterns[0].lines[0];
                 gPreferences.lastModuleDir = dir.Path();
                 // "Yes" to the question, then the broken file.
                 modalSteps = {nullptr, Note(seen, Answer(SDL_SCANCODE_RETURN)),
                               nullptr, Choose("broken.quavex"),
                               nullptr, Note(seen, Answer(SDL_SCANCODE_RETURN))};
                 DispatchMenu(kMenuLoadModule);
             },
             [&] {
                 changed = ModuleHasChanges();
                 canUndo = gEditor.undo->CanUndo();
             }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "The current module has been changed.\nDo you really want to load a new "
                        "module?",
                        "Couldn't load module."}));
    EXPECT_TRUE(changed);
    EXPECT_TRUE(canUndo);
    EXPECT_TRUE(SameLine(gModule.patterns[0].lines[0], edited));
    EXPECT_EQ(gModule.fileName, "demo.quavex");
    EXPECT_EQ(gPreferences.lastModules[0], FullPath(TW_SOURCE_DIR "/assets/demo/demo.quavex"));
}

TEST_F(ShellTest, LoadRecentMovesTheChosenFileToTheHeadOfTheList) {
    std::string files[3];
    for (int i = 0; i < 3; ++i) {
        files[i] = dir.File("song" + std::to_string(i) + ".quavex");
        std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", files[i]);
    }
    std::string label;
    steps = {[&] {
                 for (int i = 0; i < 3; ++i) gPreferences.lastModules[i] = files[i];
                 UpdateRecentMenu(*gShell.gui);
                 Click(gShell.gui->MenuTitleRect(0));
             },
             [] { MoveTo(gShell.gui->MenuEntryRect("Load recent")); },
             [] { Click(gShell.gui->MenuEntryRect(kMenuRecentFirst + 2)); },
             [&] { label = MenuLabel(kMenuRecentFirst); }};
    RunTracker();
    EXPECT_EQ(gModule.fileName, "song2.quavex");
    EXPECT_EQ(gPreferences.lastModules[0], files[2]);
    EXPECT_EQ(gPreferences.lastModules[1], files[0]);
    EXPECT_EQ(gPreferences.lastModules[2], files[1]);
    EXPECT_EQ(label, files[2]);
}

TEST_F(ShellTest, NewModuleAsksThenStartsFromTheDialogsSettings) {
    enum { kTitle = 0, kChipType = 3, kOkay = 8 };
    std::string dialogTitle;
    bool changedAfterNo = false, changedAfterNew = true, canUndo = true;
    steps = {[] { TypeNote(); },
             [&] {
                 modalSteps = {nullptr, [] { PressKey(SDL_SCANCODE_ESCAPE); }};  // "No"
                 DispatchMenu(kMenuNewModule);
             },
             [&] {
                 changedAfterNo = ModuleHasChanges();
                 modalSteps = {nullptr, [] { PressKey(SDL_SCANCODE_RETURN); }, nullptr,
                               [&] {
                                   GUI_Window* w = Window(kModuleSettingsWindow);
                                   ASSERT_NE(w, nullptr);
                                   dialogTitle = w->title;
                                   w->SetText(kTitle, "Fresh");
                                   w->SetValue(kChipType, 1);
                                   ClickGadget(kModuleSettingsWindow, kOkay);
                               }};
                 DispatchMenu(kMenuNewModule);
             },
             [&] {
                 changedAfterNew = ModuleHasChanges();
                 canUndo = gEditor.undo->CanUndo();
             }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_TRUE(changedAfterNo);
    EXPECT_EQ(requesters.size(), 2u);
    EXPECT_EQ(dialogTitle, "New module settings");
    EXPECT_FALSE(changedAfterNew);
    EXPECT_FALSE(canUndo);
    EXPECT_EQ(gModule.title, "Fresh");
    EXPECT_EQ(gModule.author, "The Tonweave developers");  // the dialog started from these
    EXPECT_EQ(gModule.chipType, 1);
    EXPECT_EQ(gModule.songLength, 1);
    EXPECT_EQ(gModule.repeatPosition, 0);
    EXPECT_TRUE(gModule.fileName.empty());
    EXPECT_EQ(gModule.patterns[0].lines[0].note[0], kNoteEmpty);
}

// Each export asks for its file in the last export directory and writes what its writer
// builds for the song; the VGM asks whether it loops, the MIDI file takes the program
// chosen in its dialog.
TEST_F(ShellTest, ExportsWriteTheirFilesFromTheMenu) {
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    std::vector<std::string> titles, offered, useRows, programRows;
    auto noteTitle = [&] {
        titles.push_back(Requester()->title);
        offered.push_back(Requester()->Text(kName));
    };
    steps = {[&] {
                 gPreferences.lastExportDir = out;
                 modalSteps = {nullptr, noteTitle, Choose("song"), nullptr,
                               [] { PressKey(SDL_SCANCODE_RETURN); }};  // "Loop"
                 DispatchMenu(kMenuExportVgm);
             },
             [&] {
                 modalSteps = {nullptr, noteTitle, Choose("once"), nullptr,
                               [&] { ClickGadget(kRequesterWindow, 1); }};  // "Play once"
                 DispatchMenu(kMenuExportVgm);
             },
             [&] {
                 modalSteps = {nullptr, noteTitle, Choose("escaped"), nullptr,
                               [] { PressKey(SDL_SCANCODE_ESCAPE); }};  // "Cancel"
                 DispatchMenu(kMenuExportVgm);
             },
             [&] {
                 modalSteps = {nullptr, noteTitle, Choose("song"), nullptr, [&] {
                                   GUI_Window* w = Window(kExportMidiWindow);
                                   ASSERT_NE(w, nullptr);
                                   useRows = w->Gadget(0)->entries;
                                   programRows = w->Gadget(1)->entries;
                                   w->SetListSelection(0, 1);  // the second use, instrument 1
                                   gShell.gui->PostEvent(
                                       {GUI_EVENT_LIST, 1, kExportMidiWindow, 0, 0, 0, false, 33});
                                   ClickGadget(kExportMidiWindow, 3);
                               }};
                 DispatchMenu(kMenuExportMid);
             },
             [&] {
                 modalSteps = {nullptr, noteTitle, Choose("song")};
                 DispatchMenu(kMenuExportDadivev);
             }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(titles, (std::vector<std::string>{"Export module as VGM", "Export module as VGM",
                                                "Export module as VGM", "Export module as MID",
                                                "Export module as DADIVEV"}));
    // The name offered is the module's own with the export's extension.
    EXPECT_EQ(offered[0], "demo.vgm");
    EXPECT_EQ(offered[4], "demo.dadivev");
    EXPECT_EQ(ReadWholeFile(out + "/song.vgm"), Bytes(BuildVGM(gModule, true)));
    EXPECT_EQ(ReadWholeFile(out + "/once.vgm"), Bytes(BuildVGM(gModule, false)));
    // Escape at the loop question backs out of the export.
    EXPECT_FALSE(std::filesystem::exists(out + "/escaped.vgm"));
    const std::string looping = ReadWholeFile(out + "/song.vgm");
    ASSERT_GE(looping.size(), 0x40u);
    EXPECT_NE(looping.substr(0x1C, 4), std::string(4, '\0'));  // a loop offset
    MidiProgramTable programs;
    const std::vector<MidiInstrumentUse> uses = ListMidiInstrumentUses(gModule);
    ASSERT_GE(uses.size(), 2u);
    programs.program[uses[1].entry] = 33;
    EXPECT_EQ(ReadWholeFile(out + "/song.mid"), Bytes(BuildMIDI(gModule, programs)));
    // One row per use of the exporter's list, each with its use named; the programs with
    // their General MIDI names.
    ASSERT_EQ(useRows.size(), uses.size());
    for (size_t i = 0; i < uses.size(); ++i) {
        const char* kind = uses[i].use == MidiUse::Tone            ? "\tTone\t"
                           : uses[i].use == MidiUse::PeriodicNoise ? "\tPE\t"
                                                                   : "\tWN\t";
        EXPECT_EQ(useRows[i].rfind(std::to_string(uses[i].instrument) + kind, 0), 0u) << useRows[i];
    }
    ASSERT_EQ(programRows.size(), 128u);
    EXPECT_EQ(programRows[0], "0\tAcoustic Grand Piano");
    EXPECT_EQ(programRows[80], "80\tLead 1 (square)");
    EXPECT_EQ(programRows[117], "117\tMelodic Tom");
    EXPECT_EQ(programRows[127], "127\tGunshot");
    EXPECT_EQ(ReadWholeFile(out + "/song.dadivev"), Bytes(CompileDADIVEV(gModule)));
    EXPECT_EQ(gPreferences.lastExportDir, out);
}

TEST_F(ShellTest, ExportsThatCannotBeWrittenSaySoAndCancelledOnesWriteNothing) {
    const std::string out = dir.File("out");
    std::filesystem::create_directory(out);
    std::vector<std::string> seen;
    steps = {[&] {
                 gPreferences.lastExportDir = out;
                 modalSteps = {nullptr, Choose("big"),
                               nullptr, Answer(SDL_SCANCODE_RETURN),
                               nullptr, Note(seen, Answer(SDL_SCANCODE_RETURN))};
                 FileSizeLimit full(1000);
                 DispatchMenu(kMenuExportVgm);
             },
             [&] {
                 // "Cancel" in the MIDI dialog, after the name was chosen.
                 modalSteps = {nullptr, Choose("cancelled"), nullptr,
                               [] { ClickGadget(kExportMidiWindow, 4); }};
                 DispatchMenu(kMenuExportMid);
             },
             [&] {
                 modalSteps = {nullptr, [] { ClickGadget(kRequesterWindow, kCancel); }};
                 DispatchMenu(kMenuExportDadivev);
             }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(seen, std::vector<std::string>{"Couldn't export module."});
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out), {}), 0);
}

// The load requester lists names whatever their letters' case, BASIC programs saved as
// ".bam" among them, and each loads as its kind.
TEST_F(ShellTest, LoadListsAndLoadsFilesWhateverTheCaseOfTheirNames) {
    const std::string songs = dir.File("songs");
    std::filesystem::create_directory(songs);
    WriteWholeFile(songs + "/SONG.MOD", TinyMod());
    WriteWholeFile(songs + "/mod.Title", TinyMod());
    WriteWholeFile(songs + "/TUNE.BAS", TinyBasic());
    WriteWholeFile(songs + "/x.BAM", TinyBasic());
    WriteWholeFile(songs + "/notes.txt", "not a song");
    std::vector<std::string> listed;
    struct Load {
        const char* name;
        int window, typeGadget;
    } loads[] = {{"SONG.MOD", kImportModWindow, 2},
                 {"mod.Title", kImportModWindow, 2},
                 {"TUNE.BAS", kImportBasicWindow, 6},
                 {"x.BAM", kImportBasicWindow, 6}};
    std::vector<std::string> loaded;
    steps.push_back([&] {
        gPreferences.lastModuleDir = songs;
        modalSteps = {nullptr, [&] {
                          listed = ListedNames();
                          ClickGadget(kRequesterWindow, kCancel);
                      }};
        DispatchMenu(kMenuLoadModule);
    });
    for (const Load& load : loads) {
        steps.push_back([&] {
            modalSteps = {nullptr, Choose(load.name), nullptr, [&] {
                              GUI_Window* w = Window(load.window);
                              ASSERT_NE(w, nullptr) << load.name;
                              w->SetValue(load.typeGadget, 0);
                              w->SetValue(load.typeGadget + 1, 0);
                              ClickGadget(load.window, load.typeGadget + 2);
                          }};
            DispatchMenu(kMenuLoadModule);
        });
        steps.push_back([&] { loaded.push_back(gPreferences.lastModules[0]); });
    }
    RunTracker();
    EXPECT_EQ(listed, (std::vector<std::string>{"..", "mod.Title", "SONG.MOD", "TUNE.BAS", "x.BAM",
                                                "[/]", "[~]"}));
    EXPECT_EQ(loaded, (std::vector<std::string>{songs + "/SONG.MOD", songs + "/mod.Title",
                                                songs + "/TUNE.BAS", songs + "/x.BAM"}));
}
