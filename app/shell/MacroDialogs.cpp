// The macro dialog (name and description of a macro) and the macro manager (which macros
// are bound to Ctrl+F1..Ctrl+F12, renaming and deleting).
#include <algorithm>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MacroBinding.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"

namespace {

// ---- the macro dialog ----

std::vector<GUI_GadgetDesc> MacroDialogDescriptions(const std::string& name,
                                                    const std::string& description) {
    std::vector<GUI_GadgetDesc> d;
    GUI_GadgetDesc nameLine = dialog::Gadget(GT_TEXTLINE, 0, 0, 4, "Name:");
    nameLine.text = "%32s";
    nameLine.content = name.c_str();
    nameLine.flags = GUI_FOCUS | GUI_RETURN_NEXT;
    d.push_back(nameLine);
    GUI_GadgetDesc descriptionLine = dialog::Gadget(GT_TEXTLINE, 1, 0, 4, "Description:");
    descriptionLine.text = "%64s";
    descriptionLine.content = description.c_str();
    d.push_back(descriptionLine);
    d.push_back(dialog::OkayButton(2, 0, 2));
    d.push_back(dialog::CancelButton(2, 2, 2));
    return d;
}

// ---- the macro manager ----

std::vector<GUI_GadgetDesc> ManagerDescriptions(int listWidth) {
    std::vector<GUI_GadgetDesc> d;
    const int hotkey = 90, name = std::max(120, (listWidth - hotkey) * 2 / 5);
    GUI_GadgetDesc active = dialog::Gadget(GT_LIST, 0, 0, 3, "Active macros");
    active.height = 5;
    d.push_back(active);
    d.push_back(dialog::Column("Hotkey", hotkey));
    d.push_back(dialog::Column("Name", name));
    d.push_back(dialog::Column("Description", std::max(80, listWidth - hotkey - name)));
    d.push_back(dialog::Gadget(GT_BUTTON, 0, 3, 1, "Inactivate"));
    GUI_GadgetDesc inactive = dialog::Gadget(GT_LIST, 1, 0, 3, "Inactive macros");
    inactive.height = 5;
    d.push_back(inactive);
    d.push_back(dialog::Column("Name", hotkey + name));
    d.push_back(dialog::Column("Description", std::max(80, listWidth - hotkey - name)));
    d.push_back(dialog::Gadget(GT_BUTTON, 1, 3, 1, "Activate"));
    d.push_back(dialog::Gadget(GT_BUTTON, 2, 0, 1, "Change"));
    d.push_back(dialog::Gadget(GT_BUTTON, 2, 1, 1, "Delete..."));
    d.push_back(dialog::Gadget(GT_BUTTON, 2, 2, 1, "Reload list"));
    GUI_GadgetDesc close = dialog::Gadget(GT_BUTTON, 2, 3, 1, "Close");
    close.flags = GUI_DEFAULT | GUI_CANCEL;
    d.push_back(close);
    return d;
}

// The rows shown and which stored macro the user picked last, in either list.
struct ManagerState {
    std::vector<Macros::ActiveRow> active;
    std::vector<Macros::InactiveRow> inactive;
    int pickedStored = -1;

    void Fill(GUI_Window& w) {
        const Macros& macros = TrackerMacros();
        active = macros.ActiveRows();
        inactive = macros.InactiveRows();
        std::vector<std::string> rows;
        for (const auto& r : active)
            rows.push_back(r.hotkey + "\t" + r.name + "\t" + r.description);
        w.SetListEntries(kManagerActiveList, rows);
        rows.clear();
        for (const auto& r : inactive) rows.push_back(r.name + "\t" + r.description);
        w.SetListEntries(kManagerInactiveList, rows);
        pickedStored = -1;
        Enable(w);
    }
    int ActiveSlot(const GUI_Window& w) const {
        const int row = w.ListSelection(kManagerActiveList);
        return row >= 0 && row < int(active.size()) ? active[size_t(row)].slot : -1;
    }
    int InactiveStored(const GUI_Window& w) const {
        const int row = w.ListSelection(kManagerInactiveList);
        return row >= 0 && row < int(inactive.size()) ? inactive[size_t(row)].stored : -1;
    }
    void Enable(GUI_Window& w) const {
        w.SetEnabled(kManagerInactivate, ActiveSlot(w) >= 0);
        w.SetEnabled(kManagerActivate, InactiveStored(w) >= 0);
        w.SetEnabled(kManagerChange, pickedStored >= 0);
        w.SetEnabled(kManagerDelete, pickedStored >= 0);
    }
};

// One event of the manager; true once it is closed.
bool ManagerEvent(GUI_Window& w, ManagerState& state, const GUI_Event& e) {
    if (e.window != kMacroManagerWindow) return false;
    if (e.type == GUI_EVENT_CLOSE) return true;
    Macros& macros = TrackerMacros();
    if (e.type == GUI_EVENT_LIST) {
        if (e.gadget == kManagerActiveList) {
            const int slot = state.ActiveSlot(w);
            state.pickedStored = slot >= 0 ? macros.store.activeSource[slot] : -1;
            w.SetListSelection(kManagerInactiveList, -1);
        } else if (e.gadget == kManagerInactiveList) {
            state.pickedStored = state.InactiveStored(w);
            w.SetListSelection(kManagerActiveList, -1);
        }
        state.Enable(w);
        return false;
    }
    if (e.type != GUI_EVENT_ACTIVATED) return false;
    const MacroPrompts prompts = TrackerMacroPrompts();
    switch (e.gadget) {
        case kManagerInactivate:
            if (state.ActiveSlot(w) >= 0) macros.ManagerInactivate(state.ActiveSlot(w));
            break;
        case kManagerActivate:
            if (state.InactiveStored(w) >= 0)
                macros.ManagerActivate(state.InactiveStored(w), prompts);
            break;
        case kManagerChange:
            macros.ManagerChange(state.pickedStored, prompts);
            break;
        case kManagerDelete:
            macros.ManagerDelete(state.pickedStored, prompts);
            break;
        case kManagerReload:
            break;
        case kManagerClose:
            return true;
        default:
            return false;
    }
    state.Fill(w);
    gEditor.view.Invalidate(kRedrawMenus);
    return false;
}

}  // namespace

bool RunMacroDialog(
    const char* title, std::string& name, std::string& description,
    const std::function<const char*(const std::string&, const std::string&)>& check) {
    if (!gShell.gui) return false;
    GUI& gui = *gShell.gui;
    const std::vector<GUI_GadgetDesc> d = MacroDialogDescriptions(name, description);
    GUI_Window* w =
        gui.OpenWindow(kMacroDialogWindow, title, std::min(520, gui.ScreenWidth() - 20), d);
    if (!w) return false;
    bool okay = false;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kMacroDialogWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        // Return in the name goes on to the description (GUI_RETURN_NEXT); Return there is
        // "Okay".
        const bool confirm = e.type == GUI_EVENT_ACTIVATED && e.gadget == kMacroOkay;
        if (e.type == GUI_EVENT_ACTIVATED && e.gadget == kMacroCancel) return true;
        if (!confirm) return false;
        const std::string n = w->Text(kMacroName), text = w->Text(kMacroDescription);
        if (const char* problem = check ? check(n, text) : nullptr) {
            GUI_MessageRequester(gui, problem);
            return false;
        }
        name = n;
        description = text;
        okay = true;
        return true;
    });
    gui.CloseWindow(kMacroDialogWindow);
    return okay;
}

void CommandMacroManager(const GUI_Event&) {
    if (!gShell.gui) return;
    GUI& gui = *gShell.gui;
    const int width = std::min(720, gui.ScreenWidth() - 20);
    // The lists span three of the four grid columns (window border 14, gaps 10), less
    // their scroll bar.
    const int cell = (width - 2 * 14 - 3 * 10) / 4;
    const int listWidth = 3 * cell + 2 * 10 - 14 - 4;
    const std::vector<GUI_GadgetDesc> d = ManagerDescriptions(listWidth);
    GUI_Window* w = gui.OpenWindow(kMacroManagerWindow, "Macro manager", width, d);
    if (!w) return;
    ManagerState state;
    state.Fill(*w);
    GUI_RunModal(gui, w, [&](const GUI_Event& e) { return ManagerEvent(*w, state, e); });
    gui.CloseWindow(kMacroManagerWindow);
}
