// Recording and running macros, the store's bookkeeping (delete, activate, deactivate,
// change), the macro dialog's checks, the manager, the menu and the hotkeys.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

#include "MacroTestSupport.h"
#include "editor/Macros.h"

namespace {

struct Prompts {
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::vector<std::string> titles;
    bool answer = true;
    bool okay = true;
    std::string name = "Note down", description = "enters a note";
    MacroPrompts Get() {
        MacroPrompts p;
        p.message = [this](const char* text) { messages.push_back(text); };
        p.askYesNo = [this](const char* text) {
            questions.push_back(text);
            return answer;
        };
        p.editMacro =
            [this](
                const char* title, std::string& n, std::string& d,
                const std::function<const char*(const std::string&, const std::string&)>& check) {
                titles.push_back(title);
                if (!okay) return false;
                if (const char* error = check(name, description)) {
                    messages.push_back(error);
                    return false;  // the user gives up after the message
                }
                n = name;
                d = description;
                return true;
            };
        return p;
    }
};

std::unique_ptr<Macros> NewMacros() { return std::make_unique<Macros>(); }

}  // namespace

TEST(MacroRecording, NoteAndTwoDownsRunThreeTimesFillsLinesZeroThreeSix) {
    auto macros = NewMacros();
    MiniView view;
    std::recursive_mutex lock;
    Prompts prompts;
    auto execute = [&](const EditCommand& cmd) { view.Execute(*macros, cmd); };

    macros->StartRecording(prompts.Get());
    ASSERT_TRUE(macros->recording);
    EXPECT_EQ(prompts.titles, std::vector<std::string>{"Start macro recording"});
    execute(EnterNote(48, 2, 15));  // note entry moves down by the step (1)
    execute(Move(0, 0, 1));
    execute(Move(0, 0, 1));
    macros->StopRecording(prompts.Get());
    ASSERT_EQ(macros->store.storedCount, 1u);
    EXPECT_EQ(macros->store.stored[0].commandCount, 3u);
    EXPECT_EQ(MacroName(macros->store.stored[0]), "Note down");
    EXPECT_EQ(MacroDescription(macros->store.stored[0]), "enters a note");
    EXPECT_FALSE(macros->store.isActive[0]);

    view = MiniView();
    ASSERT_TRUE(macros->Activate(0, 0));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(macros->RunSlot(0, lock, false, execute));
    EXPECT_EQ(view.notes[0], 48);
    EXPECT_EQ(view.notes[3], 48);
    EXPECT_EQ(view.notes[6], 48);
    EXPECT_EQ(view.notes[1], 255);
    EXPECT_EQ(view.notes[9], 255);
    EXPECT_EQ(view.cursorLine, 9);
}

TEST(MacroRecording, MouseSelectionsRecordCodeOneMovesThatReplayTheOffsets) {
    auto macros = NewMacros();
    macros->StartRecordingTemporary();
    // A click from (0, 0) onto column 4, line 5 moves both corners; a drag on to column 5,
    // line 9 leaves the anchor.
    macros->RecordSelection(0, 0, 0, 0, 4, 5, 4, 5);
    macros->RecordSelection(4, 5, 4, 5, 4, 5, 5, 9);
    Prompts prompts;
    macros->StopRecording(prompts.Get());
    ASSERT_EQ(macros->temporary.commandCount, 2u);
    const EditCommand& click = macros->temporary.commands[0];
    EXPECT_EQ(click.code, kCmdMove);
    EXPECT_EQ(click.a, 0);
    EXPECT_EQ(click.c, 4);
    EXPECT_EQ(click.d, 5);
    const EditCommand& drag = macros->temporary.commands[1];
    EXPECT_EQ(drag.a, 1);
    EXPECT_EQ(drag.c, 1);
    EXPECT_EQ(drag.d, 4);

    MiniView view;
    view.cursorColumn = view.anchorColumn = 1;
    view.cursorLine = view.anchorLine = 10;
    std::recursive_mutex lock;
    macros->RunTemporary(lock, false, [&](const EditCommand& c) { view.Execute(*macros, c); });
    EXPECT_EQ(view.anchorColumn, 5);
    EXPECT_EQ(view.anchorLine, 15);
    EXPECT_EQ(view.cursorColumn, 6);
    EXPECT_EQ(view.cursorLine, 19);
}

TEST(MacroRecording, EmptyStopKeepsTheOldTemporaryMacroAndSays) {
    auto macros = NewMacros();
    Prompts prompts;
    macros->StartRecordingTemporary();
    macros->Record(Move(0, 0, 2));
    macros->StopRecording(prompts.Get());
    ASSERT_EQ(macros->temporary.commandCount, 1u);

    macros->StartRecordingTemporary();
    macros->StopRecording(prompts.Get());
    EXPECT_EQ(prompts.messages, std::vector<std::string>{"An empty macro can't be stored."});
    EXPECT_EQ(macros->temporary.commandCount, 1u);
    EXPECT_EQ(macros->temporary.commands[0].d, 2);
    EXPECT_EQ(macros->store.storedCount, 0u);
}

TEST(MacroRecording, StartIsIgnoredWhileRecordingAndStopOnlyWhileRecording) {
    auto macros = NewMacros();
    Prompts prompts;
    macros->StopRecording(prompts.Get());
    EXPECT_TRUE(prompts.messages.empty());
    macros->StartRecordingTemporary();
    macros->Record(Move(0, 1, 0));
    macros->StartRecording(prompts.Get());
    macros->StartRecordingTemporary();
    EXPECT_TRUE(prompts.titles.empty());
    EXPECT_TRUE(macros->recordingTemporary);
    EXPECT_EQ(macros->recordingBuffer.commandCount, 1u);
    // Not recording: commands are not kept.
    macros->StopRecording(prompts.Get());
    macros->Record(Move(0, 1, 0));
    EXPECT_EQ(macros->recordingBuffer.commandCount, 1u);
}

TEST(MacroRecording, StopsKeepingCommandsAt1024) {
    auto macros = NewMacros();
    macros->StartRecordingTemporary();
    for (int i = 0; i < 1030; ++i) macros->Record(Move(0, 0, static_cast<int16_t>(i)));
    EXPECT_EQ(macros->recordingBuffer.commandCount, 1024u);
    EXPECT_EQ(macros->recordingBuffer.commands[1023].d, 1023);
}

TEST(MacroRecording, CancelledDialogDoesNotStartAndFullStoreShowsTheMaximum) {
    auto macros = NewMacros();
    Prompts prompts;
    prompts.okay = false;
    macros->StartRecording(prompts.Get());
    EXPECT_FALSE(macros->recording);

    for (int i = 0; i < kStoredMacros; ++i)
        ASSERT_TRUE(macros->Store(MakeMacro("m" + std::to_string(i), 1)));
    EXPECT_FALSE(macros->Store(MakeMacro("one more", 1)));
    Prompts full;
    macros->StartRecording(full.Get());
    EXPECT_TRUE(full.titles.empty()) << "the dialog must not open";
    ASSERT_EQ(full.messages.size(), 1u);
    EXPECT_STREQ(full.messages[0].c_str(), kMacroMaximumMessage);
    EXPECT_FALSE(macros->recording);
}

TEST(MacroRunning, RunsUnderThePlayerLockAndNotWhileFollowing) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("a", 3));
    macros->Activate(0, 4);
    std::recursive_mutex lock;
    int executed = 0;
    bool lockedElsewhere = true;
    auto execute = [&](const EditCommand&) {
        ++executed;
        std::atomic<bool> got{false};
        std::thread other([&] {
            if (lock.try_lock()) {
                got = true;
                lock.unlock();
            }
        });
        other.join();
        lockedElsewhere = lockedElsewhere && !got;
    };
    EXPECT_FALSE(macros->RunSlot(4, lock, true, execute));
    EXPECT_EQ(executed, 0);
    EXPECT_TRUE(macros->RunSlot(4, lock, false, execute));
    EXPECT_EQ(executed, 3);
    EXPECT_TRUE(lockedElsewhere);
    EXPECT_FALSE(macros->RunSlot(5, lock, false, execute));  // empty slot
    EXPECT_FALSE(macros->RunSlot(12, lock, false, execute));
    EXPECT_FALSE(macros->RunSlot(-1, lock, false, execute));
}

TEST(MacroRunning, ARunWhileRecordingIsRecordedCommandByCommand) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("three", 3));
    macros->Activate(0, 0);
    MiniView view;
    std::recursive_mutex lock;
    auto execute = [&](const EditCommand& cmd) { view.Execute(*macros, cmd); };
    macros->StartRecordingTemporary();
    execute(Move(0, 1, 0));
    macros->RunSlot(0, lock, false, execute);
    Prompts prompts;
    macros->StopRecording(prompts.Get());
    EXPECT_EQ(macros->temporary.commandCount, 4u);
    // The temporary macro run while it is being recorded again doubles itself once.
    macros->StartRecordingTemporary();
    macros->RunTemporary(lock, false, execute);
    macros->RunTemporary(lock, false, execute);
    macros->StopRecording(prompts.Get());
    EXPECT_EQ(macros->temporary.commandCount, 8u);
}

TEST(MacroStore, DeleteKeepsCountBindingsAndSourcesConsistent) {
    auto macros = NewMacros();
    for (const char* name : {"A", "B", "C", "D", "E"}) macros->Store(MakeMacro(name, 2));
    macros->Activate(1, 0);   // B on F1
    macros->Activate(3, 5);   // D on F6
    macros->Activate(4, 11);  // E on F12
    Prompts prompts;
    macros->ManagerDelete(1, prompts.Get());
    EXPECT_EQ(prompts.questions,
              std::vector<std::string>{"Do you really want to delete this macro?"});

    EXPECT_EQ(macros->store.storedCount, 4u);
    EXPECT_EQ(MacroName(macros->store.stored[0]), "A");
    EXPECT_EQ(MacroName(macros->store.stored[1]), "C");
    EXPECT_EQ(MacroName(macros->store.stored[2]), "D");
    EXPECT_EQ(MacroName(macros->store.stored[3]), "E");
    EXPECT_EQ(macros->store.stored[4].name[0], 0);
    EXPECT_EQ(macros->store.activeSource[0], kNoMacroSource) << "the deleted macro's slot";
    EXPECT_EQ(macros->store.active[0].commandCount, 0u);
    EXPECT_EQ(macros->store.activeSource[5], 2);
    EXPECT_EQ(macros->store.activeSource[11], 3);
    const uint8_t expectedActive[5] = {0, 0, 1, 1, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(macros->store.isActive[i], expectedActive[i]) << i;
    EXPECT_EQ(MacroName(macros->store.active[5]), "D");
    // Unbinding still reaches the right stored macro afterwards.
    macros->Deactivate(5);
    EXPECT_EQ(macros->store.isActive[2], 0);
    EXPECT_EQ(macros->store.isActive[3], 1);
}

TEST(MacroStore, DeleteAskedNoKeepsEverything) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("A", 1));
    Prompts prompts;
    prompts.answer = false;
    macros->ManagerDelete(0, prompts.Get());
    EXPECT_EQ(macros->store.storedCount, 1u);
}

TEST(MacroStore, DeactivateFindsItsMacroByTheSlotsSourceEvenAfterARename) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("A", 1));
    macros->Store(MakeMacro("B", 1));
    macros->Activate(1, 2);
    ASSERT_TRUE(macros->Change(1, "Renamed", "new text"));
    EXPECT_EQ(MacroName(macros->store.active[2]), "Renamed") << "the bound copy follows";
    EXPECT_EQ(MacroDescription(macros->store.active[2]), "new text");
    macros->Deactivate(2);
    EXPECT_EQ(macros->store.isActive[1], 0);
    EXPECT_EQ(macros->store.activeSource[2], kNoMacroSource);
    EXPECT_EQ(macros->InactiveRows().size(), 2u);
}

TEST(MacroStore, DeactivateFindsItsMacroWhenAnotherHasTheSameOldName) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("A", 1));
    macros->Store(MakeMacro("B", 1));
    macros->Activate(0, 0);
    macros->Activate(1, 1);
    macros->Change(0, "X", "");
    macros->Change(1, "A", "");  // B now carries A's old name
    macros->Deactivate(0);
    EXPECT_EQ(macros->store.isActive[0], 0);
    EXPECT_EQ(macros->store.isActive[1], 1);
}

TEST(MacroStore, ChangeRefusesInvalidTextsAndBadIndexes) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("A", 1));
    EXPECT_FALSE(macros->Change(0, "   ", ""));
    EXPECT_FALSE(macros->Change(0, "ok", std::string(65, 'x')));
    EXPECT_FALSE(macros->Change(1, "ok", ""));
    EXPECT_EQ(MacroName(macros->store.stored[0]), "A");
}

TEST(MacroDialog, ChecksComeInTheirOrder) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("Taken", 1));
    const MacroStore& s = macros->store;
    EXPECT_STREQ(CheckMacroDialog(s, "", "\x01", -1), "A macro's name must not be empty.");
    EXPECT_STREQ(CheckMacroDialog(s, "    ", "\x01", -1), "The macro's name is not valid.");
    EXPECT_STREQ(CheckMacroDialog(s, "a\tb", "", -1), "The macro's name is not valid.");
    EXPECT_STREQ(CheckMacroDialog(s, std::string(33, 'n'), "", -1),
                 "The macro's name is not valid.");
    EXPECT_STREQ(CheckMacroDialog(s, "Taken", "\x7f\x80", -1),
                 "The macro's description is not valid.");
    EXPECT_STREQ(CheckMacroDialog(s, "Taken", std::string(65, 'd'), -1),
                 "The macro's description is not valid.");
    EXPECT_STREQ(CheckMacroDialog(s, "Taken", "", -1),
                 "The name is already used in another macro.");
    EXPECT_EQ(CheckMacroDialog(s, "Taken", "", 0), nullptr) << "its own name is no clash";
    EXPECT_EQ(CheckMacroDialog(s, std::string(32, 'n'), std::string(64, '~'), -1), nullptr);
    EXPECT_EQ(CheckMacroDialog(s, " x ", "\x7f", -1), nullptr);
}

TEST(MacroDialog, StartRecordingWithATakenNameStaysUnstarted) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("Note down", 1));
    Prompts prompts;
    macros->StartRecording(prompts.Get());
    EXPECT_FALSE(macros->recording);
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{"The name is already used in another macro."});
}

TEST(MacroManager, ListsActivatesIntoTheFirstFreeSlotAndReportsAFullSet) {
    auto macros = NewMacros();
    for (int i = 0; i < 14; ++i) macros->Store(MakeMacro("m" + std::to_string(i), 1));
    Prompts prompts;
    macros->Activate(5, 0);
    macros->ManagerActivate(2, prompts.Get());
    EXPECT_EQ(macros->store.activeSource[1], 2);
    macros->ManagerActivate(2, prompts.Get());  // already bound: nothing
    EXPECT_EQ(macros->store.activeSource[2], kNoMacroSource);
    for (int i = 6; i < 16 && i < 14; ++i) macros->ManagerActivate(i, prompts.Get());
    for (int i = 0; i < 2; ++i) macros->ManagerActivate(i, prompts.Get());
    EXPECT_EQ(macros->FirstFreeSlot(), -1);
    ASSERT_TRUE(prompts.messages.empty());
    macros->ManagerActivate(3, prompts.Get());
    EXPECT_EQ(prompts.messages,
              std::vector<std::string>{"There's no more space for more active macros."});
    EXPECT_EQ(macros->store.isActive[3], 0);

    const auto active = macros->ActiveRows();
    ASSERT_EQ(active.size(), 12u);
    EXPECT_EQ(active[0].hotkey, "CTRL + F 1");
    EXPECT_EQ(active[11].hotkey, "CTRL + F12");
    EXPECT_EQ(active[0].name, "m5");
    const auto inactive = macros->InactiveRows();
    ASSERT_EQ(inactive.size(), 2u);
    EXPECT_EQ(inactive[0].stored, 3);
    EXPECT_EQ(inactive[1].stored, 4);

    macros->ManagerInactivate(0);
    EXPECT_EQ(macros->InactiveRows().size(), 3u);
}

TEST(MacroManager, ChangeOpensTheDialogOnTheMacrosTexts) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("Old", 1));
    macros->Store(MakeMacro("Other", 1));
    Prompts prompts;
    prompts.name = "Other";
    macros->ManagerChange(0, prompts.Get());
    EXPECT_EQ(MacroName(macros->store.stored[0]), "Old");
    prompts.name = "New";
    prompts.description = "described";
    macros->ManagerChange(0, prompts.Get());
    EXPECT_EQ(prompts.titles.back(), "Change macro");
    EXPECT_EQ(MacroName(macros->store.stored[0]), "New");
    EXPECT_EQ(MacroDescription(macros->store.stored[0]), "described");
}

TEST(MacroMenu, EnabledStatesLabelsAndShortcuts) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("Fill", 1));
    macros->Activate(0, 2);
    auto menu = macros->Menu();
    EXPECT_TRUE(menu.startEnabled);
    EXPECT_FALSE(menu.stopEnabled);
    EXPECT_EQ(menu.slotLabel[0], "1: --");
    EXPECT_EQ(menu.slotLabel[2], "3: Fill");
    EXPECT_EQ(menu.slotLabel[11], "12: --");
    EXPECT_EQ(menu.slotShortcut[11], "CTRL + F12");
    EXPECT_TRUE(menu.slotEnabled[2]);
    EXPECT_FALSE(menu.slotEnabled[0]);
    EXPECT_FALSE(menu.runTemporaryEnabled);
    macros->StartRecordingTemporary();
    menu = macros->Menu();
    EXPECT_FALSE(menu.startEnabled);
    EXPECT_TRUE(menu.stopEnabled);
}

TEST(MacroHotkeys, CtrlFunctionKeysAndBothModifiersOfTheTemporaryKey) {
    EXPECT_EQ(MacroHotkeySlot(59, true), 0);
    EXPECT_EQ(MacroHotkeySlot(68, true), 9);
    EXPECT_EQ(MacroHotkeySlot(87, true), 10);
    EXPECT_EQ(MacroHotkeySlot(88, true), 11);
    EXPECT_EQ(MacroHotkeySlot(59, false), -1);
    EXPECT_EQ(MacroHotkeySlot(69, true), -1);
    EXPECT_EQ(MacroHotkeySlot(58, true), -1);
    EXPECT_TRUE(IsRunTemporaryKey(41, true, false));
    EXPECT_TRUE(IsRunTemporaryKey(41, false, true)) << "the menu's label says Alt";
    EXPECT_FALSE(IsRunTemporaryKey(41, false, false));
    EXPECT_FALSE(IsRunTemporaryKey(2, true, false));
}

TEST(MacroStore, ChangedFollowsStoreEditsButNotTheTemporaryMacro) {
    auto macros = NewMacros();
    EXPECT_FALSE(macros->changed);
    macros->StartRecordingTemporary();
    macros->Record(Move(0, 0, 1));
    Prompts prompts;
    macros->StopRecording(prompts.Get());
    EXPECT_FALSE(macros->changed);
    macros->Store(MakeMacro("A", 1));
    EXPECT_TRUE(macros->changed);
}

TEST(MacroStore, ActivatingIntoATakenSlotReleasesItsFormerMacro) {
    auto macros = NewMacros();
    macros->Store(MakeMacro("A", 1));
    macros->Store(MakeMacro("B", 1));
    macros->Activate(0, 3);
    macros->Activate(1, 3);
    EXPECT_EQ(macros->store.isActive[0], 0);
    EXPECT_EQ(macros->store.isActive[1], 1);
    EXPECT_EQ(MacroName(macros->store.active[3]), "B");
    EXPECT_FALSE(macros->Activate(2, 0));
    EXPECT_FALSE(macros->Activate(0, 12));
}
