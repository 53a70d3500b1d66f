// The gallery's windows, menu and the reactions to their events.
#include "tools/gui-gallery/Gallery.h"

#include <cmath>

#include "gui/Requesters.h"

namespace {

const GUI_GadgetDesc kButtons[] = {
    {.kind = GT_FRAME_LABEL, .row = 0, .column = 0, .columns = 2, .rows = 5, .label = "Buttons"},
    {.kind = GT_BUTTON, .row = 0, .column = 0, .label = "Okay", .flags = GUI_DEFAULT},
    {.kind = GT_BUTTON, .row = 0, .column = 1, .label = "Disabled", .flags = GUI_DISABLED},
    {.kind = GT_CHECKBUTTON, .row = 1, .column = 0, .label = "Loop", .flags = GUI_CHECKED},
    {.kind = GT_MBUTTON, .row = 1, .column = 1, .label = "Small"},
    {.kind = GT_SELECTBUTTON,
     .row = 2,
     .column = 0,
     .label = "NTSC",
     .flags = GUI_CHECKED,
     .group = 1},
    {.kind = GT_SELECTBUTTON, .row = 2, .column = 1, .label = "PAL", .group = 1},
    {.kind = GT_SPEEDBUTTON, .row = 3, .column = 0, .label = "Play"},
    {.kind = GT_SPEEDCHECKBUTTON, .row = 3, .column = 1, .label = "Follow", .flags = GUI_CHECKED},
    {.kind = GT_SPEEDSELECTBUTTON,
     .row = 4,
     .column = 0,
     .label = "1x",
     .flags = GUI_CHECKED,
     .group = 2},
    {.kind = GT_SPEEDSELECTBUTTON, .row = 4, .column = 1, .label = "2x", .group = 2},
    {.kind = GT_FRAME_LABEL, .row = 5, .column = 0, .columns = 2, .rows = 4, .label = "Choices"},
    {.kind = GT_CHECKBOX,
     .row = 5,
     .column = 0,
     .columns = 2,
     .label = "Wrap volume",
     .flags = GUI_CHECKED},
    {.kind = GT_CHECKBOX,
     .row = 6,
     .column = 0,
     .columns = 2,
     .label = "Draw tact as lines instead of bars"},
    {.kind = GT_SELECTBOX,
     .row = 7,
     .column = 0,
     .columns = 2,
     .label = "Type:",
     .text = "NTSC (60Hz)\nPAL (50Hz)"},
    {.kind = GT_SELECTBOX,
     .row = 8,
     .column = 0,
     .columns = 2,
     .label = "Divider:",
     .text = "1x\n2x",
     .flags = GUI_DISABLED},
};

const GUI_GadgetDesc kText[] = {
    {.kind = GT_FRAME_LABEL, .row = 0, .column = 0, .rows = 3, .label = "Information"},
    {.kind = GT_TEXTLINE,
     .row = 0,
     .column = 0,
     .label = "Title:",
     .text = "%64s",
     .content = "Emerald Coast"},
    {.kind = GT_TEXTLINE, .row = 1, .column = 0, .label = "Author:", .text = "%64s"},
    {.kind = GT_TEXTFIELD,
     .row = 2,
     .column = 0,
     .label = "Notes:",
     .text = "%1024s",
     .content = "Three tone channels and noise.\nLoops from position 2.",
     .height = 3},
    {.kind = GT_FRAME_LABEL, .row = 3, .column = 0, .rows = 5, .label = "Numbers"},
    {.kind = GT_TEXTLINE,
     .row = 3,
     .column = 0,
     .label = "Repeat position:",
     .text = "%3D",
     .min = 0,
     .max = 255},
    {.kind = GT_TEXTLINE,
     .row = 4,
     .column = 0,
     .label = "Initial speed:",
     .text = "%2D.%3D",
     .min = 8,
     .max = 255,
     .value = 48,
     .flags = GUI_FINE,
     .step = 8,
     .scale = 8},
    {.kind = GT_TEXTLINE,
     .row = 5,
     .column = 0,
     .label = "Initial GG stereo ($):",
     .text = "%2X",
     .min = 0,
     .max = 255,
     .value = 255,
     .step = 16},
    {.kind = GT_TEXTLINE,
     .row = 6,
     .column = 0,
     .label = "Octave:",
     .text = "%1D",
     .min = 0,
     .max = 7,
     .value = 4},
    {.kind = GT_TEXTLINE,
     .row = 7,
     .column = 0,
     .label = "Volume:",
     .text = "%2D",
     .min = 0,
     .max = 15,
     .value = 15},
};

std::vector<GUI_GadgetDesc> ListsWindow() {
    static const char* const names[] = {
        "Intro", "Verse A", "Verse B", "Bridge",  "Chorus", "Chorus 2", "Break", "Drums",
        "Outro", "Jingle",  "Fanfare", "Silence", "Boss",   "Credits",  "Title", "Game over"};
    static std::vector<std::string> rows;
    if (rows.empty())
        for (int i = 0; i < 16; ++i) {
            char line[64];
            std::snprintf(line, sizeof line, "%02d\t%s\t%d", i, names[i], (i % 4 + 1) * 16);
            rows.push_back(line);
        }
    std::vector<GUI_GadgetDesc> d = {
        {.kind = GT_LIST, .row = 0, .column = 0, .columns = 4, .label = "Patterns", .height = 4},
        {.kind = GT_LIST_COL, .label = "Nr", .width = 40},
        {.kind = GT_LIST_COL, .label = "Name", .width = 180},
        {.kind = GT_LIST_COL, .label = "Length"},
    };
    for (const auto& r : rows) d.push_back({.kind = GT_LIST_ENTRY, .content = r.c_str()});
    const GUI_GadgetDesc rest[] = {
        {.kind = GT_HSLIDER,
         .row = 1,
         .column = 0,
         .columns = 4,
         .label = "Volume:",
         .min = 0,
         .max = 100,
         .value = 70},
        {.kind = GT_HGAUGE,
         .row = 2,
         .column = 0,
         .columns = 4,
         .label = "Level:",
         .min = 0,
         .max = 100,
         .value = 62},
        {.kind = GT_PROGRESSBAR,
         .row = 3,
         .column = 0,
         .columns = 4,
         .label = "Export:",
         .min = 0,
         .max = 100,
         .value = 42},
        {.kind = GT_HSCRBAR,
         .row = 4,
         .column = 0,
         .columns = 4,
         .label = "Scroll:",
         .max = 100,
         .value = 30,
         .page = 20},
        {.kind = GT_HSPACE_BAR, .row = 5, .column = 0, .columns = 4},
        {.kind = GT_VSLIDER,
         .row = 6,
         .column = 0,
         .label = "Pan",
         .min = 0,
         .max = 100,
         .value = 35,
         .height = 56},
        {.kind = GT_VGAUGE,
         .row = 6,
         .column = 1,
         .label = "Meter",
         .min = 0,
         .max = 15,
         .value = 11,
         .height = 56},
        {.kind = GT_IMAGE, .row = 6, .column = 2, .label = "Scope", .height = 56},
        {.kind = GT_VSCRBAR,
         .row = 6,
         .column = 3,
         .label = "Lines",
         .max = 64,
         .value = 8,
         .height = 56,
         .page = 16},
    };
    d.insert(d.end(), std::begin(rest), std::end(rest));
    // The scope draws a square wave, as the chip would play it.
    for (auto& g : d)
        if (g.kind == GT_IMAGE)
            g.draw = [](const Quelm::Rect& r) {
                DRELM_DrawRect(r, DRELM_RGBA(12, 14, 17));
                const int mid = r.y + r.height / 2;
                DRELM_DrawLine(r.x, mid, r.Right() - 1, mid, DRELM_RGBA(48, 54, 62));
                int prevY = mid;
                for (int x = 0; x < r.width; ++x) {
                    double phase = std::fmod(x / 24.0, 1.0);
                    int y = mid + (phase < 0.5 ? -1 : 1) * r.height / 3;
                    DRELM_DrawLine(r.x + x, prevY, r.x + x, y, DRELM_RGBA(120, 220, 150));
                    prevY = y;
                }
            };
    return d;
}

}  // namespace

Gallery::Gallery(GUI& gui) : gui(gui) {
    auto& skin = gui.Skin();
    for (int i = 0; i < skin.ThemeCount(); ++i) themeNames.push_back(skin.ThemeName(i));
    menu = {
        {0, "File"},
        {1, "Message...", kCmdMessage, "Ctrl + m"},
        {1, "Wide message...", kCmdWideMessage},
        {1, "Question...", kCmdQuestion, "Ctrl + q"},
        {1, nullptr, -1, nullptr, GUI_MENU_SEPARATOR},
        {1, "Load file...", kCmdLoadFile, "Ctrl + o"},
        {1, "Save file...", kCmdSaveFile, "Ctrl + s"},
        {1, "Export module"},
        {2, "VGM...", kCmdExportVgm},
        {2, "MID...", kCmdExportMid},
        {1, nullptr, -1, nullptr, GUI_MENU_SEPARATOR},
        {1, "Quit", kCmdQuit},
        {0, "Edit"},
        {1, "Undo", kCmdUndo, "Ctrl + y"},
        {1, "Redo", kCmdRedo, "Ctrl + z", GUI_MENU_DISABLED},
        {1, nullptr, -1, nullptr, GUI_MENU_SEPARATOR},
        {1, "Clipboard"},
        {2, "System", kCmdClipboardFirst, nullptr, GUI_MENU_SELECTABLE | GUI_MENU_CHECKED},
        {2, "Internal 1", kCmdClipboardFirst + 1, nullptr, GUI_MENU_SELECTABLE},
        {2, "Internal 2", kCmdClipboardFirst + 2, nullptr, GUI_MENU_SELECTABLE},
        {2, "Internal 3", kCmdClipboardFirst + 3, nullptr, GUI_MENU_SELECTABLE},
        {2, "Internal 4", kCmdClipboardFirst + 4, nullptr, GUI_MENU_SELECTABLE},
        {1, "Options"},
        {2, "Wrap volume", kCmdWrapVolume, nullptr, GUI_MENU_CHECKABLE | GUI_MENU_CHECKED},
        {2, "Copy, Paste: Inst./Vol. column separately", kCmdSeparateColumns, nullptr,
         GUI_MENU_CHECKABLE},
        {2, "Paste: Delete", kCmdPasteDelete, nullptr, GUI_MENU_CHECKABLE | GUI_MENU_DISABLED},
        {0, "View"},
        {1, "Buttons", kCmdShowButtons, "F2"},
        {1, "Text and numbers", kCmdShowText, "F3"},
        {1, "Lists and bars", kCmdShowLists, "F4"},
        {1, nullptr, -1, nullptr, GUI_MENU_SEPARATOR},
        {1, "Theme"},
    };
    for (size_t i = 0; i < themeNames.size(); ++i)
        menu.push_back({2, themeNames[i].c_str(), kCmdThemeFirst + int(i), nullptr,
                        GUI_MENU_SELECTABLE | (i == 0 ? GUI_MENU_CHECKED : 0u)});
}

void Gallery::OpenWindow(int number) {
    GUI_Window* w = nullptr;
    switch (number) {
        case kGalleryButtons:
            w = gui.OpenWindow(kGalleryButtons, "Buttons and choices", 330, kButtons,
                               int(std::size(kButtons)), 0);
            break;
        case kGalleryText:
            w = gui.OpenWindow(kGalleryText, "Text and numbers", 360, kText, int(std::size(kText)),
                               0);
            break;
        case kGalleryLists:
            w = gui.OpenWindow(kGalleryLists, "Lists and bars", 380, ListsWindow(), 0);
            break;
        default:
            return;
    }
    (void)w;
}

void Gallery::Open() {
    gui.SetMenu(menu.data(), int(menu.size()));
    for (int n : {kGalleryButtons, kGalleryText, kGalleryLists}) OpenWindow(n);
    // Cascade from the top left so each title bar stays in reach.
    const int top = gui.MenuBarHeight() + 10;
    const int sw = gui.ScreenWidth(), sh = gui.ScreenHeight();
    auto place = [&](int number, int x, int y) {
        if (GUI_Window* w = gui.FindWindow(number))
            gui.MoveWindow(w, x, std::min(y, sh - w->rect.height - 2));
    };
    place(kGalleryButtons, 10, top);
    place(kGalleryText, std::max(10, sw / 2 - 190), top + 34);
    place(kGalleryLists, std::max(10, sw - 390), top + 68);
}

void Gallery::Centre(int number) {
    GUI_Window* w = gui.FindWindow(number);
    if (!w) return;
    const int top = gui.MenuBarHeight();
    gui.MoveWindow(w, (gui.ScreenWidth() - w->rect.width) / 2,
                   top + std::max(0, (gui.ScreenHeight() - top - w->rect.height) / 2));
}

std::vector<GUI_Event> Gallery::TakeEvents() {
    std::vector<GUI_Event> out;
    out.swap(seen);
    return out;
}

void Gallery::Frame() {
    DRELM_UpdateInput();
    gui.Pump();
    GUI_Event e;
    while (gui.GetEvent(e)) {
        seen.push_back(e);
        Handle(e);
    }
    gui.Draw();
    DRELM_NextFrame();
}

void Gallery::Handle(const GUI_Event& e) {
    switch (e.type) {
        case GUI_EVENT_RESTORE:
            gui.RunRestoreHook();
            break;
        case GUI_EVENT_MENU:
            RunCommand(e.gadget);
            break;
        case GUI_EVENT_CLOSE:
            gui.CloseWindow(e.window);
            break;
        case GUI_EVENT_ACTIVATED:
            if (e.window == kGalleryButtons && e.gadget == kButtonsOkay) {
                // The progress bar moves on, so a click shows somewhere.
                if (GUI_Window* lists = gui.FindWindow(kGalleryLists))
                    lists->SetValue(kListsExport, (lists->Value(kListsExport) + 10) % 110);
            }
            break;
        case GUI_EVENT_SLIDER:
            if (e.window == kGalleryLists && e.gadget == kListsVolume)
                if (GUI_Window* lists = gui.FindWindow(kGalleryLists))
                    lists->SetValue(kListsLevel, e.value);
            break;
        case GUI_EVENT_KEY:
            if (e.key == DRELM_KEY_F2) RunCommand(kCmdShowButtons);
            if (e.key == DRELM_KEY_F3) RunCommand(kCmdShowText);
            if (e.key == DRELM_KEY_F4) RunCommand(kCmdShowLists);
            break;
        default:
            break;
    }
}

void Gallery::RunCommand(int command) {
    switch (command) {
        case kCmdMessage:
            GUI_MessageRequester(gui, "The module has been exported as a VGM file.");
            break;
        case kCmdWideMessage:
            GUI_MessageRequester(
                gui,
                "Couldn't load module.\n\nThe file is not a module, a MOD, a VGM or a "
                "MIDI file, and its name does not end in .bas or .bam.\n\nFile: "
                "songs/unknown.dat",
                true);
            break;
        case kCmdQuestion:
            lastAnswer =
                GUI_QuestionRequester(gui,
                                      "The current module has been changed.\nDo you really want "
                                      "to load a new module?",
                                      "Yes", "No");
            break;
        case kCmdLoadFile:
        case kCmdSaveFile: {
            GUI_FileRequest r;
            r.title = command == kCmdLoadFile ? "Load module" : "Save module";
            r.save = command == kCmdSaveFile;
            r.patterns = command == kCmdLoadFile
                             ? std::vector<std::string>{"*.mid",    "*.midi", "*.mod", "mod.*",
                                                        "*.quavex", "*.vgm",  "*.vgz", "*.bas"}
                             : std::vector<std::string>{"*.quavex"};
            r.extension = ".quavex";
            lastFile = GUI_FileRequester(gui, r) ? r.result : "";
            break;
        }
        case kCmdQuit:
            quit = true;
            break;
        case kCmdShowButtons:
        case kCmdShowText:
        case kCmdShowLists: {
            int number = command - kCmdShowButtons + kGalleryButtons;
            OpenWindow(number);
            break;
        }
        default:
            if (command >= kCmdThemeFirst && command < kCmdThemeFirst + int(themeNames.size()))
                gui.Skin().SelectTheme(command - kCmdThemeFirst);
            break;
    }
}
