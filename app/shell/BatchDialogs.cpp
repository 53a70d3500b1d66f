// "Change instruments" and "Copy channels": batch edits over chosen patterns and a line
// range, each one undo step.
#include <algorithm>
#include <mutex>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/Dialogs.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/PatternChooser.h"
#include "app/shell/Shell.h"
#include "editor/SongEdits.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

// The dialogs' number fields: two columns wide, from 0.
GUI_GadgetDesc Number(int row, int column, const char* label, int max, int value) {
    return dialog::Number(row, column, 2, label, "%3D", 0, max, value);
}

// The part both dialogs share: the pattern list, "Select all" and the line range. Gadget
// numbers 0..4 in both.
enum SharedGadget : int { kList = 0, kSelectAll, kRangeChoice, kStartLine, kEndLine };

// `rows`: the rows the right-hand column takes; the list is as tall, "Select all" below it.
void AddShared(std::vector<GUI_GadgetDesc>& d, int rows) {
    GUI_GadgetDesc list = dialog::Gadget(GT_LIST, 0, 0, 2, nullptr);
    list.rows = int16_t(rows);
    list.height = int16_t(rows + rows / 2);
    d.push_back(list);
    d.push_back(dialog::Gadget(GT_BUTTON, rows, 0, 2, "Select all"));
    d.push_back(dialog::Choice(0, 2, 2, nullptr, "Change all lines\nUse line range", 0));
    d.push_back(Number(1, 2, "Start line:", 255, 0));
    d.push_back(Number(2, 2, "End line:", 255, 255));
}

struct SharedState {
    PatternChooser chooser;

    void Open(GUI_Window& w) {
        chooser.Fill(gEditor.view.currentPattern);
        chooser.Show(w, kList);
        ShowRange(w);
    }
    void ShowRange(GUI_Window& w) const {
        const bool range = w.Value(kRangeChoice) == 1;
        w.SetEnabled(kStartLine, range);
        w.SetEnabled(kEndLine, range);
    }
    // True when the event was one of the shared gadgets'.
    bool Handle(GUI_Window& w, const GUI_Event& e) {
        if (e.type == GUI_EVENT_LIST && e.gadget == kList) {
            chooser.Toggle(w, kList, e.value);
            return true;
        }
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == kSelectAll) {
            chooser.SelectAll(w, kList);
            return true;
        }
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == kRangeChoice) {
            ShowRange(w);
            return true;
        }
        return false;
    }
    BatchRange Range(const GUI_Window& w) const {
        BatchRange r;
        chooser.Mask(r.patterns);
        r.allLines = w.Value(kRangeChoice) == 0;
        r.startLine = std::min(w.Value(kStartLine), w.Value(kEndLine));
        r.endLine = std::max(w.Value(kStartLine), w.Value(kEndLine));
        return r;
    }
};

// ---- "Change instruments" ----

enum ChangeGadget : int {
    kChannel0 = kEndLine + 1,
    kChannel1,
    kChannel2,
    kChannel3,
    kToggleAll,
    kInstrument1,
    kInstrument2,
    kChangeMode,
    kChangeApply,
    kChangeCancel,
};

std::vector<GUI_GadgetDesc> ChangeInstrumentsDescriptions() {
    std::vector<GUI_GadgetDesc> d;
    AddShared(d, 9);
    d.push_back(dialog::Group(3, 2, 2, 3, "Channel mask"));
    const char* names[] = {"Channel 0", "Channel 1", "Channel 2", "Channel 3"};
    for (int c = 0; c < 4; ++c) {
        GUI_GadgetDesc box = dialog::Gadget(GT_CHECKBOX, 3 + c / 2, 2 + c % 2, 1, names[c]);
        box.flags = GUI_CHECKED;
        d.push_back(box);
    }
    d.push_back(dialog::Gadget(GT_BUTTON, 5, 2, 2, "Toggle all"));
    d.push_back(Number(6, 2, "Instrument #1:", 15, 0));
    d.push_back(Number(7, 2, "Instrument #2:", 15, 1));
    d.push_back(dialog::Choice(8, 2, 2, nullptr,
                               "Change #1 to #2\nExchange #1 and #2\nChange all to #2", 0));
    d.push_back(dialog::OkayButton(10, 0, 2, "Apply"));
    d.push_back(dialog::CancelButton(10, 2, 2));
    return d;
}

void ApplyChangeInstruments(const SharedState& shared, const GUI_Window& w) {
    unsigned mask = 0;
    for (int c = 0; c < 4; ++c)
        if (w.Checked(kChannel0 + c)) mask |= 1u << c;
    const BatchRange range = shared.Range(w);
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        ChangeInstruments(gModule, *gEditor.undo, range, w.Value(kChangeMode),
                          w.Value(kInstrument1), w.Value(kInstrument2), mask);
    }
    gEditor.view.Invalidate(kRedrawAfterEdit);
}

// ---- "Copy channels" ----

enum CopyGadget : int {
    kCopyChannel1 = kEndLine + 1,
    kCopyChannel2,
    kCopyMode,
    kCopyApply,
    kCopyCancel,
};

std::vector<GUI_GadgetDesc> CopyChannelsDescriptions() {
    std::vector<GUI_GadgetDesc> d;
    AddShared(d, 6);
    d.push_back(Number(3, 2, "Channel #1:", 3, 0));
    d.push_back(Number(4, 2, "Channel #2:", 3, 1));
    d.push_back(dialog::Choice(5, 2, 2, nullptr, "Copy #1 to #2\nExchange #1 and #2", 0));
    d.push_back(dialog::OkayButton(7, 0, 2, "Apply"));
    d.push_back(dialog::CancelButton(7, 2, 2));
    return d;
}

void ApplyCopyChannels(const SharedState& shared, const GUI_Window& w) {
    const int one = w.Value(kCopyChannel1), two = w.Value(kCopyChannel2);
    if (one == two) return;
    const BatchRange range = shared.Range(w);
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        CopyChannels(gModule, *gEditor.undo, range, one, two, w.Value(kCopyMode));
    }
    gEditor.view.Invalidate(kRedrawAfterEdit);
}

// Runs one batch dialog: `apply` on its Apply button, then the dialog closes.
template <typename Apply>
void RunBatchDialog(int number, const char* title, const std::vector<GUI_GadgetDesc>& d,
                    int applyGadget, int cancelGadget, Apply apply,
                    void (*extra)(GUI_Window&, const GUI_Event&) = nullptr) {
    // The replayer must not sound lines that change under it, and the view would follow it.
    if (gEditor.view.following) return;
    GUI& gui = *gShell.gui;
    const int width = std::min(560, gui.ScreenWidth() - 20);
    GUI_Window* w = gui.OpenWindow(number, title, width, d);
    if (!w) return;
    SharedState shared;
    shared.Open(*w);
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != number) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (shared.Handle(*w, e)) return false;
        if (e.type != GUI_EVENT_ACTIVATED) return false;
        if (e.gadget == cancelGadget) return true;
        if (e.gadget == applyGadget) {
            if (!shared.chooser.Any()) {
                GUI_MessageRequester(gui, "No pattern has been chosen.");
                return false;
            }
            apply(shared, *w);
            return true;
        }
        if (extra) extra(*w, e);
        return false;
    });
    gui.CloseWindow(number);
}

void ToggleAllChannels(GUI_Window& w, const GUI_Event& e) {
    if (e.gadget != kToggleAll) return;
    for (int c = 0; c < 4; ++c) w.SetChecked(kChannel0 + c, !w.Checked(kChannel0 + c));
}

}  // namespace

void CommandChangeInstruments(const GUI_Event&) {
    RunBatchDialog(kChangeInstrumentsWindow, "Change instruments", ChangeInstrumentsDescriptions(),
                   kChangeApply, kChangeCancel, ApplyChangeInstruments, ToggleAllChannels);
}

void CommandCopyChannels(const GUI_Event&) {
    RunBatchDialog(kCopyChannelsWindow, "Copy channels", CopyChannelsDescriptions(), kCopyApply,
                   kCopyCancel, ApplyCopyChannels);
}
