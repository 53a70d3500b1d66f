// The dialogs that edit patterns: "Pattern settings" (and "New pattern settings" for "Make
// new..."), "Pattern resize" and "Multi pattern settings". Each is a list of gadget
// descriptions and one small handler; what they change goes through editor/SongCommands.
#include "app/shell/PatternDialogs.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/PatternChooser.h"
#include "app/shell/PatternDialogsInternal.h"
#include "app/shell/Shell.h"
#include "editor/SongCommands.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

// Gadgets of one tact: the check box, the start line and the number of lines.
void AddTact(std::vector<GUI_GadgetDesc>& d, int row, int column, int columns, const char* label) {
    d.push_back(dialog::Gadget(GT_CHECKBOX, row, column, columns, label));
    d.push_back(DialogNumber(row + 1, column, columns, "Start line:", 0, 255));
    d.push_back(DialogNumber(row + 2, column, columns, "Number of lines:", 1, 255));
}

void AddOkayCancel(std::vector<GUI_GadgetDesc>& d, int row, const char* okay) {
    d.push_back(dialog::OkayButton(row, 0, 2, okay));
    d.push_back(dialog::CancelButton(row, 2, 2));
}

// `first` is the tact's check box; its two number fields follow it.
void ShowTact(GUI_Window& w, int first, bool on, int start, int lines) {
    w.SetChecked(first, on);
    w.SetValue(first + 1, start);
    w.SetValue(first + 2, std::max(1, lines));
}

void EnableTact(GUI_Window& w, int first, bool enabled) {
    w.SetEnabled(first, enabled);
    const bool fields = enabled && w.Checked(first);
    w.SetEnabled(first + 1, fields);
    w.SetEnabled(first + 2, fields);
}

void ReadTact(const GUI_Window& w, int first, uint8_t& on, uint8_t& start, uint8_t& lines) {
    on = w.Checked(first) ? 1 : 0;
    start = static_cast<uint8_t>(std::clamp(w.Value(first + 1), 0, 255));
    lines = static_cast<uint8_t>(std::clamp(w.Value(first + 2), 1, 255));
}

// A name of at most 32 bytes, cut before a character that would not fit whole.
void ReadName(const GUI_Window& w, int gadget, char (&name)[33]) {
    const std::string text = w.Text(gadget);
    size_t n = std::min<size_t>(text.size(), kNameLength);
    while (n > 0 && n < text.size() && (uint8_t(text[n]) & 0xC0) == 0x80) --n;
    std::memset(name, 0, sizeof name);
    std::memcpy(name, text.data(), n);
}

// ---- "Pattern settings" ----

std::vector<GUI_GadgetDesc> SettingsDescriptions() {
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc name = dialog::Gadget(GT_TEXTLINE, 0, 0, 4, "Name:");
    name.text = "%32s";
    name.flags = GUI_FOCUS | GUI_BYTE_LIMIT;
    d.push_back(name);
    d.push_back(DialogNumber(1, 0, 2, "Length:", 1, kMaxLines));
    AddTact(d, 2, 0, 2, "Main tact:");
    AddTact(d, 2, 2, 2, "Secondary tact:");
    AddOkayCancel(d, 5, "Okay");
    return d;
}

void ShowSettings(GUI_Window& w, const PatternSettings& s, int length) {
    w.SetText(kSettingsName, std::string(s.name, strnlen(s.name, kNameLength)));
    w.SetValue(kSettingsLength, length);
    ShowTact(w, kSettingsMainOn, s.mainTactOn, s.mainTactStart, s.mainTactInterval);
    ShowTact(w, kSettingsSecondaryOn, s.secondaryTactOn, s.secondaryTactStart,
             s.secondaryTactInterval);
    EnableTact(w, kSettingsMainOn, true);
    EnableTact(w, kSettingsSecondaryOn, true);
}

void ReadSettings(const GUI_Window& w, PatternSettings& s, int& length) {
    ReadName(w, kSettingsName, s.name);
    length = std::clamp(w.Value(kSettingsLength), 1, kMaxLines);
    ReadTact(w, kSettingsMainOn, s.mainTactOn, s.mainTactStart, s.mainTactInterval);
    ReadTact(w, kSettingsSecondaryOn, s.secondaryTactOn, s.secondaryTactStart,
             s.secondaryTactInterval);
}

// ---- "Multi pattern settings" ----

std::vector<GUI_GadgetDesc> MultiDescriptions() {
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc list = dialog::Gadget(GT_LIST, 0, 0, 2, nullptr);
    list.rows = 8;
    list.height = 11;
    d.push_back(list);
    d.push_back(dialog::Gadget(GT_BUTTON, 8, 0, 2, "Select all"));
    GUI_GadgetDesc what = dialog::Gadget(GT_SELECTBOX, 0, 2, 2, nullptr);
    what.text = "Set names\nSet main tacts\nSet secondary tacts";
    what.flags = GUI_FILL;
    d.push_back(what);
    GUI_GadgetDesc name = dialog::Gadget(GT_TEXTLINE, 1, 2, 2, "Name:");
    name.text = "%32s";
    name.flags = GUI_BYTE_LIMIT;
    d.push_back(name);
    AddTact(d, 2, 2, 2, "Main tact:");
    AddTact(d, 5, 2, 2, "Secondary tact:");
    AddOkayCancel(d, 9, "Apply");
    return d;
}

// Only the fields of the chosen setting can be edited.
void ShowMultiChoice(GUI_Window& w) {
    const int what = w.Value(kMultiWhat);
    w.SetEnabled(kMultiName, what == 0);
    EnableTact(w, kMultiMainOn, what == 1);
    EnableTact(w, kMultiSecondaryOn, what == 2);
}

void ApplyMulti(const PatternChooser& chooser, const GUI_Window& w) {
    PatternSettings s = {};
    ReadName(w, kMultiName, s.name);
    ReadTact(w, kMultiMainOn, s.mainTactOn, s.mainTactStart, s.mainTactInterval);
    ReadTact(w, kMultiSecondaryOn, s.secondaryTactOn, s.secondaryTactStart,
             s.secondaryTactInterval);
    uint8_t mask[32];
    chooser.Mask(mask);
    ChangeManyPatterns(gEditor.view, 1u << std::clamp(w.Value(kMultiWhat), 0, 2), mask, s);
}

}  // namespace

bool RunPatternSettingsDialog(const char* title, PatternSettings& settings, int& length) {
    GUI& gui = *gShell.gui;
    GUI_Window* w = gui.OpenWindow(kPatternSettingsWindow, title,
                                   std::min(460, gui.ScreenWidth() - 20), SettingsDescriptions());
    if (!w) return false;
    ShowSettings(*w, settings, length);
    bool okay = false;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kPatternSettingsWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.type != GUI_EVENT_ACTIVATED) return false;
        if (e.gadget == kSettingsCancel) return true;
        if (e.gadget == kSettingsOkay) {
            ReadSettings(*w, settings, length);
            okay = true;
            return true;
        }
        if (e.gadget == kSettingsMainOn) EnableTact(*w, kSettingsMainOn, true);
        if (e.gadget == kSettingsSecondaryOn) EnableTact(*w, kSettingsSecondaryOn, true);
        return false;
    });
    gui.CloseWindow(kPatternSettingsWindow);
    return okay;
}

void CommandPatternSettings(const GUI_Event&) {
    if (!SongMayChange()) return;
    PatternView& v = gEditor.view;
    const int p = v.currentPattern;
    PatternSettings settings = GetPatternSettings(gModule.patterns[p]);
    int length = gModule.patterns[p].length;
    if (!RunPatternSettingsDialog("Pattern settings", settings, length)) return;
    ChangePatternSettings(v, p, settings, length);
}

void CommandPatternResize(const GUI_Event&) {
    if (!SongMayChange()) return;
    PatternView& v = gEditor.view;
    const int p = v.currentPattern;
    const int old = gModule.patterns[p].length;
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc shown = DialogNumber(0, 0, 4, "Old length:", 1, kMaxLines);
    shown.flags = GUI_READONLY | GUI_NO_BUTTONS;
    shown.value = old;
    d.push_back(shown);
    GUI_GadgetDesc length = DialogNumber(1, 0, 4, "New length:", 1, kMaxLines);
    length.value = old;
    length.flags = GUI_FOCUS;
    d.push_back(length);
    AddOkayCancel(d, 2, "Okay");
    GUI& gui = *gShell.gui;
    GUI_Window* w = gui.OpenWindow(kPatternResizeWindow, "Pattern resize",
                                   std::min(300, gui.ScreenWidth() - 20), d);
    if (!w) return;
    int chosen = -1;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kPatternResizeWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.type != GUI_EVENT_ACTIVATED) return false;
        if (e.gadget == kResizeCancel) return true;
        if (e.gadget != kResizeOkay) return false;
        chosen = w->Value(kResizeNew);
        return true;
    });
    gui.CloseWindow(kPatternResizeWindow);
    if (chosen < 0) return;
    ChangePatternSettings(v, p, GetPatternSettings(gModule.patterns[p]), chosen);
}

void CommandMultiPatternSettings(const GUI_Event&) {
    if (!SongMayChange()) return;
    GUI& gui = *gShell.gui;
    GUI_Window* w = gui.OpenWindow(kMultiPatternWindow, "Multi pattern settings",
                                   std::min(560, gui.ScreenWidth() - 20), MultiDescriptions());
    if (!w) return;
    PatternChooser chooser;
    chooser.Fill(gEditor.view.currentPattern);
    chooser.Show(*w, kMultiList);
    const PatternSettings current = GetPatternSettings(gEditor.view.CurrentPattern());
    w->SetText(kMultiName, std::string(current.name, strnlen(current.name, kNameLength)));
    ShowTact(*w, kMultiMainOn, current.mainTactOn, current.mainTactStart, current.mainTactInterval);
    ShowTact(*w, kMultiSecondaryOn, current.secondaryTactOn, current.secondaryTactStart,
             current.secondaryTactInterval);
    ShowMultiChoice(*w);
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kMultiPatternWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.type == GUI_EVENT_LIST && e.gadget == kMultiList) {
            chooser.Toggle(*w, kMultiList, e.value);
            return false;
        }
        if (e.type != GUI_EVENT_ACTIVATED) return false;
        switch (e.gadget) {
            case kMultiCancel:
                return true;
            case kMultiSelectAll:
                chooser.SelectAll(*w, kMultiList);
                return false;
            case kMultiApply:
                if (!chooser.Any()) {
                    GUI_MessageRequester(gui, "No pattern has been chosen.");
                    return false;
                }
                ApplyMulti(chooser, *w);
                return true;
            default:
                ShowMultiChoice(*w);
                return false;
        }
    });
    gui.CloseWindow(kMultiPatternWindow);
}
