// The gadget gallery: every gadget kind in three windows, a menu tree with submenus,
// check marks and choices, and each requester. Shared by the gui-gallery program, the GUI
// tests (which drive it with injected input) and the frame benchmark.
#pragma once

#include <string>
#include <vector>

#include "gui/Gui.h"

// Window numbers and menu commands of the gallery.
enum : int {
    kGalleryButtons = 1,
    kGalleryText = 2,
    kGalleryLists = 3,
};

enum : int {
    kCmdMessage = 1,
    kCmdWideMessage = 2,
    kCmdQuestion = 3,
    kCmdLoadFile = 4,
    kCmdSaveFile = 5,
    kCmdQuit = 9,
    kCmdUndo = 10,
    kCmdRedo = 11,
    kCmdClipboardFirst = 21,  // 21..25, a choice
    kCmdWrapVolume = 35,
    kCmdSeparateColumns = 36,
    kCmdPasteDelete = 37,
    kCmdThemeFirst = 40,  // one per theme of the skin
    kCmdShowButtons = 60,
    kCmdShowText = 61,
    kCmdShowLists = 62,
    kCmdExportVgm = 70,
    kCmdExportMid = 71,
};

// Gadget numbers in the three windows.
enum : int {
    kButtonsOkay = 0,
    kButtonsDisabled,
    kButtonsLoop,
    kButtonsSmall,
    kButtonsNtsc,
    kButtonsPal,
    kButtonsPlay,
    kButtonsFollow,
    kButtonsSpeed1,
    kButtonsSpeed2,
    kButtonsWrap,
    kButtonsTact,
    kButtonsType,
    kButtonsDivider,
};
enum : int {
    kTextTitle = 0,
    kTextAuthor,
    kTextNotes,
    kTextRepeat,
    kTextSpeed,
    kTextStereo,
    kTextOctave,
    kTextVolume,
};
enum : int {
    kListsPatterns = 0,
    kListsVolume,
    kListsLevel,
    kListsExport,
    kListsScroll,
    kListsPan,
    kListsMeter,
    kListsScope,
    kListsVScroll,
};

class Gallery {
public:
    explicit Gallery(GUI& gui);

    // Sets the menu and opens the three windows, cascaded.
    void Open();
    void OpenWindow(int number);
    // Places the window in the middle of the screen below the menu.
    void Centre(int number);

    // One pass of the main loop: input, pump, events (menu commands run their requesters),
    // draw and present. Every event seen is kept for Events().
    void Frame();
    // Takes the events seen since the last call.
    std::vector<GUI_Event> TakeEvents();
    bool QuitRequested() const { return quit; }

    // Runs what a menu command does (requesters block until answered).
    void RunCommand(int command);

    std::string lastFile;  // the file the last file requester gave
    bool lastAnswer = false;

private:
    void Handle(const GUI_Event& e);

    GUI& gui;
    std::vector<GUI_Event> seen;
    std::vector<GUI_MenuDesc> menu;
    std::vector<std::string> themeNames;
    bool quit = false;
};
