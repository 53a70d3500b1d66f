// Macros in the running tracker: recording from the keys and the Macro menu, binding in the
// manager, running from Ctrl+F1 and the temporary key, the "macros" file across two runs,
// and the menu's labels and enabled states as the user sees them.
#include <sys/stat.h>
#include <utime.h>

#include <cstring>

#include "app/shell/MacroBinding.h"
#include "app/shell/MenuTable.h"
#include "editor/MacroFile.h"
#include "tests/shell/ShellFixture.h"

namespace {

void Type(const std::string& text) {
    for (char c : text) {
        DRELM_InjectKey(SDL_SCANCODE_A, true, c);
        DRELM_InjectKey(SDL_SCANCODE_A, false);
    }
}

void Key(int scancode) {
    DRELM_InjectKey(scancode, true);
    DRELM_InjectKey(scancode, false);
}

void KeyWith(int modifier, int scancode) {
    DRELM_InjectKey(modifier, true);
    Key(scancode);
    DRELM_InjectKey(modifier, false);
}

void Tap(const Quelm::Rect& r) {
    const int x = r.x + r.width / 2, y = r.y + r.height / 2;
    DRELM_InjectMouseMove(x, y);
    DRELM_InjectMouseButton(1, true, x, y);
    DRELM_InjectMouseButton(1, false, x, y);
}

Quelm::Rect DialogGadget(int gadget) {
    GUI& gui = *gShell.gui;
    return gui.GadgetRect(gui.FindWindow(kMacroDialogWindow), gadget);
}

Quelm::Rect ManagerGadget(int gadget) {
    GUI& gui = *gShell.gui;
    return gui.GadgetRect(gui.FindWindow(kMacroManagerWindow), gadget);
}

void PickRow(int list, int row) {
    gShell.gui->FindWindow(kMacroManagerWindow)->SetListSelection(list, row);
    GUI_Event e;
    e.type = GUI_EVENT_LIST;
    e.window = kMacroManagerWindow;
    e.gadget = list;
    e.value = row;
    gShell.gui->PostEvent(e);
}

int64_t ModifiedAt(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? int64_t(info.st_mtime) : -1;
}

uint8_t NoteAt(int line) { return gModule.patterns[0].lines[line].note[0]; }

}  // namespace

// The edge case of the macros: a note entry and two Downs, run three times from line 0
// with step 1, fills lines 0, 3 and 6 and leaves the cursor on line 9 - here recorded and
// bound by the user, saved at quit and run again after a restart.
TEST_F(ShellTest, MacroRecordedBoundAndRunSurvivesARestart) {
    std::vector<int> linesAfterRun;
    int cursorAfterRun = -1;
    steps = {[&] {
                 // Return in the name moves on to the description, Return there is "Okay".
                 modalSteps = {nullptr, [] { Type("Note, down twice"); },
                               [] { Key(SDL_SCANCODE_RETURN); }, [] { Type("three lines"); },
                               [] { Key(SDL_SCANCODE_RETURN); }};
                 DispatchMenu(kMenuMacroRecord);
             },
             [] { Key(SDL_SCANCODE_Z); },
             [] { Key(SDL_SCANCODE_DOWN); },
             [] { Key(SDL_SCANCODE_DOWN); },
             [] { DispatchMenu(kMenuMacroStop); },
             [&] {
                 modalSteps = {nullptr, [] { PickRow(kManagerInactiveList, 0); },
                               [] { Tap(ManagerGadget(kManagerActivate)); },
                               [] { Tap(ManagerGadget(kManagerClose)); }};
                 DispatchMenu(kMenuMacroManage);
             },
             [] { Key(SDL_SCANCODE_HOME); },
             [] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_F1); },
             [] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_F1); },
             [] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_F1); },
             [&] {
                 for (int l = 0; l < 10; ++l)
                     if (NoteAt(l) != kNoteEmpty) linesAfterRun.push_back(l);
                 cursorAfterRun = gEditor.view.cursorLine;
             }};
    RunTracker();
    EXPECT_EQ(linesAfterRun, (std::vector<int>{0, 3, 6}));
    EXPECT_EQ(cursorAfterRun, 9);

    // The file holds the one macro, bound to slot 0, and nothing else.
    MacroStore expected{};
    std::memset(expected.activeSource, kNoMacroSource, sizeof expected.activeSource);
    expected.storedCount = 1;
    expected.activeSource[0] = 0;
    Macro& m = expected.stored[0];
    std::strcpy(m.name, "Note, down twice");
    std::strcpy(m.description, "three lines");
    m.commandCount = 3;
    m.commands[0] = {kCmdEnterNote, 36, 0, 15, 0, 0};
    m.commands[1] = {kCmdMove, 0, 0, 0, 1, 0};
    m.commands[2] = {kCmdMove, 0, 0, 0, 1, 0};
    char* buffer = nullptr;
    size_t size = 0;
    FILE* memory = open_memstream(&buffer, &size);
    WriteMacroFile(memory, expected);
    std::fclose(memory);
    const std::string want(buffer, size);
    std::free(buffer);
    const std::string path = dir.File("macros");
    EXPECT_EQ(ReadWholeFile(path), want);

    // Started again: the macro is on Ctrl+F1 at once; an unchanged store is not written.
    struct utimbuf old = {1000000000, 1000000000};
    ASSERT_EQ(utime(path.c_str(), &old), 0);
    linesAfterRun.clear();
    steps = {[] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_F1); },
             [] { KeyWith(SDL_SCANCODE_RCTRL, SDL_SCANCODE_F1); },
             [&] {
                 for (int l = 0; l < 10; ++l)
                     if (NoteAt(l) != kNoteEmpty) linesAfterRun.push_back(l);
             }};
    RunTracker();
    EXPECT_EQ(linesAfterRun, (std::vector<int>{0, 3}));
    EXPECT_EQ(ModifiedAt(path), 1000000000);
    EXPECT_TRUE(requesters.empty());
}

TEST_F(ShellTest, TemporaryMacroRunsFromCtrlAndAltWithTheKeyLeftOfOneButNotWhilePlaying) {
    std::vector<int> cursor;
    int notesWhilePlaying = -1;
    auto note = [&] { cursor.push_back(gEditor.view.cursorLine); };
    auto notes = [] {
        int n = 0;
        for (int l = 0; l < 64; ++l) n += NoteAt(l) != kNoteEmpty;
        return n;
    };
    steps = {[] { DispatchMenu(kMenuMacroRecordTemporary); },
             [] { Key(SDL_SCANCODE_Z); },
             [] { Key(SDL_SCANCODE_DOWN); },
             [] { DispatchMenu(kMenuMacroStop); },
             note,
             [] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_GRAVE); },
             note,
             [] { KeyWith(SDL_SCANCODE_LALT, SDL_SCANCODE_GRAVE); },
             note,
             [] { DispatchMenu(kMenuMacroRunTemporary); },
             note,
             [] {
                 std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                 gShell.player.Start(0, 0, 0);
             },
             nullptr,
             [] { KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_GRAVE); },
             [&] {
                 notesWhilePlaying = notes();
                 std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                 gShell.player.Stop();
             }};
    RunTracker();
    EXPECT_EQ(cursor, (std::vector<int>{2, 4, 6, 8}));
    EXPECT_EQ(notesWhilePlaying, 4) << "lines 0, 2, 4, 6; nothing while the song plays";
    // A temporary macro is no stored macro: nothing to save.
    EXPECT_FALSE(std::filesystem::exists(dir.File("macros")));
}

TEST_F(ShellTest, MacroMenuShowsSlotsAndRecordingStatesAsTheUserSeesThem) {
    // Per state: which entries the open menu lets the user choose.
    auto chosen = std::make_shared<std::vector<int>>();
    SetCommandHook([chosen](const GUI_Event& e) {
        if (e.type == GUI_EVENT_MENU) chosen->push_back(e.gadget);
    });
    auto choose = [this](const std::string& sub, int command) {
        steps.push_back([] { Click(gShell.gui->MenuTitleRect(2)); });
        steps.push_back([sub] { MoveTo(gShell.gui->MenuEntryRect(sub)); });
        steps.push_back([command] { Click(gShell.gui->MenuEntryRect(command)); });
        // A disabled entry leaves the menu open.
        steps.push_back([] { gShell.gui->OpenMenu(-1); });
    };
    bool slotLabelShown = false, dialogOpened = false;
    Macros* macros = nullptr;
    // Should a disabled "Start recording..." open its dialog, it is noted and cancelled.
    gShell.options.modalHook = [&] {
        if (gShell.gui->FindWindow(kMacroDialogWindow)) {
            dialogOpened = true;
            Press(SDL_SCANCODE_ESCAPE);
            return;
        }
        ModalStep();
    };
    steps.push_back([&] {
        macros = &TrackerMacros();
        Macro m;
        ClearMacro(m);
        std::strcpy(m.name, "Fill");
        m.commandCount = 1;
        m.commands[0].code = kCmdMove;
        macros->Store(m);
        macros->Activate(0, 2);
        gEditor.view.Invalidate(kRedrawMenus);
    });
    choose("Recording", kMenuMacroStop);    // disabled: nothing recording
    choose("Run", kMenuMacroRunFirst);      // "1: --": disabled
    choose("Run", kMenuMacroRunFirst + 2);  // "3: Fill"
    steps.push_back([&] { Click(gShell.gui->MenuTitleRect(2)); });
    steps.push_back([] { MoveTo(gShell.gui->MenuEntryRect("Run")); });
    steps.push_back([&] {
        slotLabelShown = !gShell.gui->MenuEntryRect("3: Fill").IsEmpty();
        gShell.gui->OpenMenu(-1);
    });
    choose("Recording", kMenuMacroRecordTemporary);  // starts recording
    // While it records, the menu bar and the window title say so without a menu open.
    std::string noteWhileRecording, titleWhileRecording, noteAfter, titleAfter;
    auto title = [] {
        return std::string(SDL_GetWindowTitle(static_cast<SDL_Window*>(DRELM_GetWindowHandle())));
    };
    steps.push_back([&] {
        noteWhileRecording = gShell.gui->MenuBarNote();
        titleWhileRecording = title();
    });
    choose("Recording", kMenuMacroRecord);  // disabled now
    choose("Recording", kMenuMacroStop);    // enabled now
    steps.push_back(nullptr);
    steps.push_back([&] {
        noteAfter = gShell.gui->MenuBarNote();
        titleAfter = title();
    });
    RunTracker();
    EXPECT_EQ(noteWhileRecording, "Recording macro");
    EXPECT_EQ(titleWhileRecording, "Tonweave   [recording]");
    EXPECT_EQ(noteAfter, "");
    EXPECT_EQ(titleAfter, "Tonweave  ");
    EXPECT_FALSE(dialogOpened);
    EXPECT_TRUE(slotLabelShown);
    EXPECT_EQ(*chosen, (std::vector<int>{kMenuMacroRunFirst + 2, kMenuMacroRecordTemporary,
                                         kMenuMacroStop}));
    // The empty recording was refused with its message.
    EXPECT_EQ(requesters, std::vector<std::string>{"An empty macro can't be stored."});
}

TEST_F(ShellTest, MacroDialogChecksInOrderAndTheManagerChangesAndDeletes) {
    auto addMacro = [](const char* name) {
        Macro m;
        ClearMacro(m);
        std::strcpy(m.name, name);
        m.commandCount = 1;
        m.commands[0].code = kCmdMove;
        TrackerMacros().Store(m);
    };
    std::vector<std::string> names;
    bool recording = true;
    std::string dialogTitle;
    steps = {[&] {
                 addMacro("Taken");
                 addMacro("Second");
                 TrackerMacros().Activate(1, 0);
                 // "Okay" with an empty name, blanks, a description that is not plain
                 // text, then a taken name; each message is closed with Return; Cancel.
                 modalSteps = {nullptr,
                               [] { Tap(DialogGadget(kMacroOkay)); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               [] {
                                   Tap(DialogGadget(kMacroName));
                                   Type("   ");
                               },
                               [] { Tap(DialogGadget(kMacroOkay)); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               [] {
                                   Tap(DialogGadget(kMacroName));
                                   KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                                   Type("Fresh");
                                   Tap(DialogGadget(kMacroDescription));
                                   DRELM_InjectKey(SDL_SCANCODE_A, true, 0xE9);
                                   DRELM_InjectKey(SDL_SCANCODE_A, false);
                               },
                               [] { Tap(DialogGadget(kMacroOkay)); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               [] {
                                   Tap(DialogGadget(kMacroDescription));
                                   KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                                   Type("plain");
                                   Tap(DialogGadget(kMacroName));
                                   KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                                   Type("Taken");
                               },
                               [] { Tap(DialogGadget(kMacroOkay)); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               [] { Key(SDL_SCANCODE_ESCAPE); }};
                 DispatchMenu(kMenuMacroRecord);
                 recording = TrackerMacros().recording;
             },
             [&] {
                 // The manager: rename the bound macro, then delete the other one.
                 modalSteps = {nullptr,
                               [] { PickRow(kManagerActiveList, 0); },
                               [] { Tap(ManagerGadget(kManagerChange)); },
                               [&] {
                                   dialogTitle = gShell.gui->FindWindow(kMacroDialogWindow)->title;
                                   KeyWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
                                   Type("Renamed");
                               },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               nullptr,
                               [] { PickRow(kManagerInactiveList, 0); },
                               [] { Tap(ManagerGadget(kManagerDelete)); },
                               [] { Key(SDL_SCANCODE_RETURN); },
                               nullptr,
                               [] { Tap(ManagerGadget(kManagerClose)); }};
                 DispatchMenu(kMenuMacroManage);
                 for (const auto& row : TrackerMacros().ActiveRows()) names.push_back(row.name);
                 for (const auto& row : TrackerMacros().InactiveRows()) names.push_back(row.name);
             }};
    RunTracker();
    EXPECT_FALSE(recording);
    EXPECT_EQ(dialogTitle, "Change macro");
    EXPECT_EQ(names, std::vector<std::string>{"Renamed"});
    EXPECT_EQ(requesters, (std::vector<std::string>{"A macro's name must not be empty.",
                                                    "The macro's name is not valid.",
                                                    "The macro's description is not valid.",
                                                    "The name is already used in another macro.",
                                                    "Do you really want to delete this macro?"}));
    // The changed store was saved at quit, and loads back the same.
    Macros loaded;
    EXPECT_EQ(LoadMacros(dir.File("macros"), loaded), MacroLoadResult::Loaded);
    EXPECT_EQ(loaded.store.storedCount, 1u);
    EXPECT_EQ(MacroName(loaded.store.active[0]), "Renamed");
}

TEST_F(ShellTest, BadMacrosFileIsRefusedWholeAndAFailedSaveIsReported) {
    const std::string path = dir.File("macros");
    WriteWholeFile(path, std::string("Tonweave-MACR.-1") + "HEAD garbage");
    bool ranAfter = false;
    uint32_t storedAtStart = 99;
    steps = {[&] {
        ranAfter = true;
        storedAtStart = TrackerMacros().store.storedCount;
    }};
    RunTracker();
    EXPECT_TRUE(ranAfter) << "start-up goes on";
    EXPECT_EQ(storedAtStart, 0u);
    EXPECT_EQ(requesters, std::vector<std::string>{"Couldn't load the macros."});
    EXPECT_EQ(ReadWholeFile(path), std::string("Tonweave-MACR.-1") + "HEAD garbage")
        << "a refused file is kept for the user while nothing changed";

    // A directory where the file should be: loading says so, and the save at quit is
    // reported with its own message.
    std::filesystem::remove(path);
    std::filesystem::create_directory(path);
    requesters.clear();
    SystemMessages().clear();
    steps = {[] {
        Macro m;
        ClearMacro(m);
        std::strcpy(m.name, "Kept");
        m.commandCount = 1;
        TrackerMacros().Store(m);
    }};
    RunTracker();
    EXPECT_EQ(requesters, std::vector<std::string>{"Couldn't load the macros."});
    ASSERT_EQ(SystemMessages().size(), 1u);
    EXPECT_NE(SystemMessages()[0].find("Couldn't save the macros."), std::string::npos)
        << SystemMessages()[0];
}
