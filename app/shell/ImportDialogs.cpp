// The dialogs of the four importers: what the file holds, the importer's own choices and
// the "Sound chip" group, whose two settings start unset so that the user decides them.
#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/FileCommands.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"

using namespace dialog;

namespace {

// One import dialog: its gadgets and what it does besides the shared rule.
struct ImportDialog {
    int number = 0;
    const char* title = nullptr;
    int typeGadget = 0;  // "Type:"; "Frequency divider:" follows it
    int okayGadget = 0;
    int cancelGadget = 0;
    std::function<void(GUI_Window&)> fill;                     // after it opened
    std::function<void(GUI_Window&, const GUI_Event&)> other;  // events of its own gadgets
    std::function<void(GUI_Window&)> take;                     // on "Okay"
};

// Runs `dialog` until "Cancel" (false) or "Okay" with both chip settings set (true, `chip`
// filled in). "Okay" with one unset says so and keeps the dialog open.
bool RunImportDialog(const ImportDialog& dialog, const std::vector<GUI_GadgetDesc>& d,
                     ChipSettings& chip) {
    GUI& gui = *gShell.gui;
    GUI_Window* w =
        gui.OpenWindow(dialog.number, dialog.title, std::min(560, gui.ScreenWidth() - 20), d);
    if (!w) return false;
    if (dialog.fill) dialog.fill(*w);
    bool okay = false;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != dialog.number) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == dialog.cancelGadget) return true;
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == dialog.okayGadget) {
            const int type = w->Value(dialog.typeGadget);
            const int divider = w->Value(dialog.typeGadget + 1);
            if (type < 0 || divider < 0) {
                GUI_MessageRequester(gui, kChipSettingsMissing);
                return false;
            }
            chip.chipType = uint8_t(type);
            chip.frequencyDivider = uint8_t(divider);
            if (dialog.take) dialog.take(*w);
            okay = true;
            return true;
        }
        if (dialog.other) dialog.other(*w, e);
        return false;
    });
    gui.CloseWindow(dialog.number);
    return okay;
}

// The chip group at `row` and "Okay"/"Cancel" below it close every import dialog; the
// dialog learns their gadget numbers from what stands before them. The two settings the
// user must choose take the keys first: Space or Down chooses, Tab moves on, Return decides.
ImportDialog CloseDialog(std::vector<GUI_GadgetDesc>& d, int row, int number, const char* title) {
    ImportDialog dialog;
    dialog.number = number;
    dialog.title = title;
    dialog.typeGadget = int(std::count_if(
        d.begin(), d.end(), [](const GUI_GadgetDesc& g) { return !GUI_IsDecoration(g.kind); }));
    dialog.okayGadget = dialog.typeGadget + 2;
    dialog.cancelGadget = dialog.typeGadget + 3;
    AddChipGroup(d, row, 0, -1, -1);
    d[d.size() - 2].flags |= GUI_FOCUS;
    d.push_back(OkayButton(row + 1, 0, 2));
    d.push_back(CancelButton(row + 1, 2, 2));
    return dialog;
}

int ListRows(int small, int large) { return gShell.gui->ScreenHeight() >= 600 ? large : small; }

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

// ---- MOD: name 0, sample names 1, chip 2 and 3, "Okay" 4, "Cancel" 5 ----

bool RunModDialog(const ModProbe& probe, ModOptions& options) {
    std::vector<GUI_GadgetDesc> d;
    d.push_back(Group(0, 0, 4, 2, "MOD file info"));
    d.push_back(Text(0, 0, 4, "Name:", "%32s", probe.title.c_str(), GUI_READONLY));
    d.push_back(List(1, 0, 4, ListRows(5, 8), "Sample names:"));
    ImportDialog dialog = CloseDialog(d, 2, kImportModWindow, "Load MOD file");
    dialog.fill = [&probe](GUI_Window& w) { w.SetListEntries(1, Lines(probe.sampleNames)); };
    return RunImportDialog(dialog, d, options.chip);
}

// ---- MIDI: channel list 0, "Enable:" 1, "Channel #:" 2, "Instrument #:" 3, chip 4 and 5,
// "Okay" 6, "Cancel" 7 ----

enum MidiGadget : int { kMidiList = 0, kMidiEnable, kMidiTarget, kMidiInstrument };

void ShowMidiChannel(GUI_Window& w, const MidiOptions& options) {
    const int row = w.ListSelection(kMidiList);
    const bool any = row >= 0 && row < 16;
    for (int g : {kMidiEnable, kMidiTarget, kMidiInstrument}) w.SetEnabled(g, any);
    if (!any) return;
    w.SetChecked(kMidiEnable, options.map[row].enabled != 0);
    w.SetValue(kMidiTarget, options.map[row].target);
    w.SetValue(kMidiInstrument, options.map[row].instrument);
}

void TakeMidiChannel(const GUI_Window& w, MidiOptions& options) {
    const int row = w.ListSelection(kMidiList);
    if (row < 0 || row >= 16) return;
    options.map[row].enabled = w.Checked(kMidiEnable) ? 1 : 0;
    options.map[row].target = uint8_t(std::clamp(w.Value(kMidiTarget), 0, 3));
    options.map[row].instrument = uint8_t(std::clamp(w.Value(kMidiInstrument), 0, 15));
}

bool RunMidiDialog(const MidiProbe&, MidiOptions& options) {
    std::vector<GUI_GadgetDesc> d;
    // The list reaches one row below the fields beside it, which takes its extra height, so
    // that the fields stay together at the top.
    d.push_back(List(0, 0, 2, ListRows(5, 7), "MIDI channels"));
    d.back().rows = 4;
    d.push_back(Gadget(GT_CHECKBOX, 0, 2, 2, "Enable:"));
    d.push_back(Number(1, 2, 2, "Channel #:", "%1D", 0, 3, 0));
    d.push_back(Number(2, 2, 2, "Instrument #:", "%2D", 0, 15, 0));
    ImportDialog dialog = CloseDialog(d, 4, kImportMidiWindow, "Load MIDI file");
    MidiOptions draft = options;
    dialog.fill = [&draft](GUI_Window& w) {
        std::vector<std::string> rows;
        for (int c = 0; c < 16; ++c) {
            char text[32];
            std::snprintf(text, sizeof text, "MIDI channel %d", c);
            rows.push_back(text);
        }
        w.SetListEntries(kMidiList, rows);
        w.SetListSelection(kMidiList, 0);
        ShowMidiChannel(w, draft);
    };
    dialog.other = [&draft](GUI_Window& w, const GUI_Event& e) {
        if (e.gadget == kMidiList && e.type == GUI_EVENT_LIST) {
            ShowMidiChannel(w, draft);
        } else if ((e.gadget == kMidiEnable && e.type == GUI_EVENT_ACTIVATED) ||
                   ((e.gadget == kMidiTarget || e.gadget == kMidiInstrument) &&
                    e.type == GUI_EVENT_NUMBER)) {
            TakeMidiChannel(w, draft);
        }
    };
    // A number typed and not yet entered counts as well.
    dialog.take = [&draft](GUI_Window& w) { TakeMidiChannel(w, draft); };
    if (!RunImportDialog(dialog, d, draft.chip)) return false;
    options = draft;
    return true;
}

// ---- VGM: the four values 0..3, chip 4 and 5, "Okay" 6, "Cancel" 7 ----

std::string Hz(uint32_t value, const char* none) {
    return value ? std::to_string(value) + " Hz" : std::string(none);
}

bool RunVgmDialog(const VgmProbe& probe, VgmOptions& options) {
    const std::string rate = Hz(probe.rate, "Unknown");
    const std::string clock = Hz(probe.clock, "Unused");
    char pattern[16], width[16];
    std::snprintf(pattern, sizeof pattern, "$%04X", probe.feedback);
    std::snprintf(width, sizeof width, "%d", probe.width);
    std::vector<GUI_GadgetDesc> d;
    d.push_back(Group(0, 0, 4, 2, "VGM file info"));
    // The long labels stand in the right half, so that the choices on the left keep room.
    d.push_back(Text(0, 0, 2, "Rate:", "%16s", rate.c_str(), GUI_READONLY));
    d.push_back(Text(1, 0, 2, "Chip clock:", "%16s", clock.c_str(), GUI_READONLY));
    d.push_back(Text(0, 2, 2, "Noise channel pattern:", "%8s", pattern, GUI_READONLY));
    d.push_back(Text(1, 2, 2, "Noise channel width:", "%8s", width, GUI_READONLY));
    ImportDialog dialog = CloseDialog(d, 2, kImportVgmWindow, "Load VGM file");
    return RunImportDialog(dialog, d, options.chip);
}

// ---- BASIC: the six instruments 0..5, chip 6 and 7, "Okay" 8, "Cancel" 9 ----

bool RunBasicDialog(BasicOptions& options) {
    const char* labels[6] = {
        "PLAY: Normal:", "PLAY: Staccato:", "PLAY: Legato:", "SOUND:", "BEEP:", "Pause:"};
    std::vector<GUI_GadgetDesc> d;
    d.push_back(Group(0, 0, 4, 3, "Instruments"));
    for (int i = 0; i < 6; ++i)
        d.push_back(
            Number(i / 2, (i % 2) * 2, 2, labels[i], "%2D", 0, 15, options.instruments[i] & 15));
    ImportDialog dialog = CloseDialog(d, 3, kImportBasicWindow, "Load BAS file");
    BasicOptions draft = options;
    dialog.take = [&draft](GUI_Window& w) {
        for (int i = 0; i < 6; ++i) draft.instruments[i] = uint8_t(std::clamp(w.Value(i), 0, 15));
    };
    if (!RunImportDialog(dialog, d, draft.chip)) return false;
    options = draft;
    return true;
}

}  // namespace

ImportDialogs TrackerImportDialogs() {
    ImportDialogs dialogs;
    if (!gShell.gui) return dialogs;
    dialogs.mod = RunModDialog;
    dialogs.midi = RunMidiDialog;
    dialogs.vgm = RunVgmDialog;
    dialogs.basic = RunBasicDialog;
    return dialogs;
}
