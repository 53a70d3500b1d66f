// The main window's gadget descriptions and the refresh of their values.
#include "app/shell/MainWindow.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/InstrumentDialog.h"
#include "app/shell/Shell.h"
#include "module/Module.h"

namespace {

// The grid has 13 equal columns: list 2, list buttons 2, transport 2, fields 4,
// settings 3, so that every label fits at 640 pixels as well as at 800. The instrument
// selector takes the pattern list's last row: no other row has room at 640 pixels.
constexpr int kListColumn = 0;
constexpr int kListButtonColumn = 2;
constexpr int kTransportColumn = 4;
constexpr int kFieldColumn = 6;
constexpr int kSettingsColumn = 10;
constexpr int kRowsAbove = 5;
constexpr int kMargin = 8;
// An image gadget draws a border this wide inside its box.
constexpr int kImageBorder = 2;

GUI_GadgetDesc Button(int row, int column, int span, const char* label,
                      GUI_GadgetKind kind = GT_BUTTON) {
    return dialog::Gadget(kind, row, column, span, label, GUI_FILL);
}

GUI_GadgetDesc Field(int row, const char* label, const char* format, int min, int max, int value,
                     int step = 1) {
    return dialog::Number(row, kFieldColumn, 4, label, format, min, max, value, step);
}

std::vector<GUI_GadgetDesc> Descriptions(const PatternAreaSize& area) {
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc list;
    list.kind = GT_LIST;
    list.row = 0;
    list.column = kListColumn;
    list.columns = 2;
    list.rows = kRowsAbove - 1;
    list.height = 4;
    d.push_back(list);
    const char* listButtons[] = {"Insert", "Remove", "Make new...", "Delete old...", "Overview"};
    for (int i = 0; i < 5; ++i) d.push_back(Button(i, kListButtonColumn, 2, listButtons[i]));
    const char* transport[] = {"Play", "Cursor play", "Pat. play", "Stop"};
    for (int i = 0; i < 4; ++i) d.push_back(Button(i, kTransportColumn, 2, transport[i]));
    d.push_back(Button(4, kTransportColumn, 2, "Edit", GT_CHECKBUTTON));
    const PatternView& v = gEditor.view;
    d.push_back(Field(0, "Step:", "%2D", 0, 16, v.step));
    d.push_back(Field(1, "Speed:", "%2D.%3D", 8, 255, 48, 8));
    d.push_back(Field(2, "GG stereo:", "%2X", 0, 255, 255, 16));
    d.push_back(Field(3, "Octave:", "%2D", 0, 8, v.octave - 2));
    d.push_back(Field(4, "Volume:", "%2D", 0, 15, v.volume));
    const char* settings[] = {"Pattern settings", "Pattern resize", "Module settings",
                              "Module info"};
    for (int i = 0; i < 4; ++i) d.push_back(Button(i, kSettingsColumn, 3, settings[i]));
    d.push_back(Button(4, kSettingsColumn, 3, "Test mode", GT_CHECKBUTTON));
    GUI_GadgetDesc image;
    image.kind = GT_IMAGE;
    image.row = kRowsAbove;
    image.column = 0;
    image.columns = 13;
    // The view and the gadget's border of two pixels around it.
    image.height = int16_t(area.height + 2 * kImageBorder);
    image.draw = [](const Quelm::Rect&) {
        if (gShell.gui) DrawPatternArea(PatternArea(*gShell.gui));
    };
    d.push_back(image);
    GUI_GadgetDesc instrument;
    instrument.kind = GT_IMAGE;
    instrument.row = kRowsAbove - 1;
    instrument.column = kListColumn;
    instrument.columns = 2;
    instrument.height = 24;
    instrument.draw = DrawMainInstrumentSelector;
    d.push_back(instrument);
    return d;
}

}  // namespace

PatternAreaSize PatternAreaFor(int screenWidth, int screenHeight) {
    PatternAreaSize s;
    const bool wide = screenWidth >= 800;
    const int channel = wide ? 156 : 120;
    const int global = wide ? 56 : 48;
    s.width = (2 * channel + 16 + global) * 2;
    if (screenHeight >= 1024)
        s.visibleLines = 66;
    else if (screenHeight >= 768)
        s.visibleLines = 46;
    else if (screenHeight >= 600)
        s.visibleLines = 32;
    else if (screenHeight >= 480)
        s.visibleLines = 22;
    else
        s.visibleLines = 16;
    s.height = s.visibleLines * 12 + 14;
    return s;
}

GUI_Window* OpenMainWindow(GUI& gui) {
    gui.CloseWindow(kMainWindowNumber);
    const int top = gui.MenuBarHeight() + 6;
    const Quelm::Rect rect(kMargin, top, gui.ScreenWidth() - 2 * kMargin, gui.ScreenHeight() - top);
    const std::vector<GUI_GadgetDesc> d =
        Descriptions(PatternAreaFor(gui.ScreenWidth(), gui.ScreenHeight()));
    GUI_Window* w = gui.OpenMainWindow(kMainWindowNumber, rect, d.data(), int(d.size()));
    if (w) {
        gui.SetFocus(w, -1);
        RefreshMainWindow(gui);
    }
    return w;
}

void KeepKeysForEditor(GUI& gui, bool fieldDone) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    const int focus = gui.Focus(w);
    if (focus < 0) return;
    const GUI_Gadget* g = w->Gadget(focus);
    const bool typing = g && (g->desc.kind == GT_TEXTLINE || g->desc.kind == GT_TEXTFIELD);
    if (!typing || fieldDone) gui.SetFocus(w, -1);
}

bool CancelFieldEditing(GUI& gui, const GUI_Event& e) {
    if (e.type != GUI_EVENT_KEY || e.key != DRELM_KEY_ESCAPE || e.window != kMainWindowNumber)
        return false;
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w || e.gadget < 0) return false;
    const GUI_Gadget* g = w->Gadget(e.gadget);
    if (!g || g->desc.kind != GT_TEXTLINE) return false;
    // What was typed is dropped: the field shows the value it holds.
    if (g->numeric) w->SetValue(e.gadget, g->value);
    gui.SetFocus(w, -1);
    return true;
}

Quelm::Rect PatternArea(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return Quelm::Rect(0, 0, 0, 0);
    const Quelm::Rect cell = gui.GadgetRect(w, kMainPatternArea);
    const Quelm::Rect inside(cell.x + kImageBorder, cell.y + kImageBorder,
                             cell.width - 2 * kImageBorder, cell.height - 2 * kImageBorder);
    const PatternAreaSize s = PatternAreaFor(gui.ScreenWidth(), gui.ScreenHeight());
    const int width = std::min(s.width, inside.width);
    return Quelm::Rect(inside.x + (inside.width - width) / 2, inside.y, width,
                       std::min(s.height, inside.height));
}

void RefreshPatternList(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return;
    std::vector<std::string> rows;
    const int length = std::clamp<int>(gModule.songLength, 1, 256);
    // Song position and pattern number: the column has no room for names.
    for (int i = 0; i < length; ++i) {
        char line[16];
        std::snprintf(line, sizeof line, "%03d: %03d", i, gModule.orderList[i]);
        rows.push_back(line);
    }
    w->SetListEntries(kMainPatternList, rows);
    // The list shows the rows from the view's orderListScroll (which undo and following the
    // song set), moved only as far as the song position needs to be seen.
    PatternView& v = gEditor.view;
    GUI_Gadget* list = w->Gadget(kMainPatternList);
    if (list && list->visibleRows > 0) v.orderListRows = list->visibleRows;
    if (list)
        list->scrollTop =
            std::clamp<int>(v.orderListScroll, 0, std::max(0, length - list->visibleRows));
    w->SetListSelection(kMainPatternList, std::clamp<int>(v.songPosition, 0, length - 1));
    if (list) v.orderListScroll = int16_t(list->scrollTop);
}

void KeepPatternListScroll(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    const GUI_Gadget* list = w ? w->Gadget(kMainPatternList) : nullptr;
    if (list) gEditor.view.orderListScroll = int16_t(list->scrollTop);
}

void RefreshPlayerFields(GUI& gui, int speed, int stereo) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return;
    if (w->Value(kMainSpeed) != speed) w->SetValue(kMainSpeed, speed);
    if (w->Value(kMainStereo) != stereo) w->SetValue(kMainStereo, stereo);
}

void RefreshModeButtons(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return;
    w->SetChecked(kMainEdit, gEditor.editMode);
    w->SetChecked(kMainTestMode, gEditor.view.testMode != 0);
}

void RefreshMainWindow(GUI& gui) {
    GUI_Window* w = gui.FindWindow(kMainWindowNumber);
    if (!w) return;
    RefreshPatternList(gui);
    const PatternView& v = gEditor.view;
    w->SetValue(kMainStep, v.step);
    w->SetValue(kMainOctave, v.octave - 2);
    w->SetValue(kMainVolume, v.volume);
    int speed, stereo;
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        speed = gShell.player.GetSpeed();
        stereo = gShell.player.GetStereo();
    }
    RefreshPlayerFields(gui, speed, stereo);
    RefreshModeButtons(gui);
}
