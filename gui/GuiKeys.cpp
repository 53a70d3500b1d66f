// The keys a focused gadget takes: cursor and editing keys of text lines and fields, the
// selection keys of lists, the steps of sliders and scroll bars, Space on buttons.
#include <algorithm>

#include "gui/GuiInternal.h"

using namespace GUI_Detail;

namespace {

bool IsReturn(int key) { return key == DRELM_KEY_RETURN || key == DRELM_KEY_KP_ENTER; }

}  // namespace

using TextKeyResult = GUI_Input::TextKeyResult;

// Cursor movement and scrolling keys; kNotTaken for any other key too.
TextKeyResult GUI_Input::TextMoveKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key,
                                     int modifiers) {
    const bool shift = (modifiers & DRELM_MOD_SHIFT) != 0;
    const bool ctrl = (modifiers & DRELM_MOD_CTRL) != 0;
    const bool field = g.desc.kind == GT_TEXTFIELD;
    const bool readOnly = (g.desc.flags & GUI_READONLY) != 0;
    GUI_TextEdit& e = g.edit;
    switch (key) {
        case DRELM_KEY_LEFT:
            ctrl ? e.WordLeft(shift) : e.Left(shift);
            break;
        case DRELM_KEY_RIGHT:
            ctrl ? e.WordRight(shift) : e.Right(shift);
            break;
        case DRELM_KEY_HOME:
            // A text only to read scrolls: its cursor is not shown.
            if (field && readOnly)
                gui.ScrollTo(w, g, 0);
            else
                ctrl ? e.TextStart(shift) : e.Home(shift);
            break;
        case DRELM_KEY_END:
            if (field && readOnly)
                gui.ScrollTo(w, g, int(TextRows(gui.skin, g).size()));
            else
                ctrl ? e.TextEnd(shift) : e.End(shift);
            break;
        case DRELM_KEY_UP:
        case DRELM_KEY_DOWN: {
            const int up = key == DRELM_KEY_UP ? 1 : -1;
            if (g.numeric)
                gui.StepNumber(w, g, up * std::max(1, g.desc.step));
            else if (!field)
                return TextKeyResult::kNotTaken;
            else if (readOnly)
                gui.ScrollTo(w, g, g.scrollLine - up);
            else
                MoveRows(gui, g, -up, shift);
            break;
        }
        case DRELM_KEY_PAGEUP:
        case DRELM_KEY_PAGEDOWN: {
            if (!field) return TextKeyResult::kNotTaken;
            const int up = key == DRELM_KEY_PAGEUP ? 1 : -1;
            if (readOnly) {
                gui.ScrollTo(w, g, g.scrollLine - up * g.visibleRows);
            } else {
                // The view moves by a page with the cursor, as far as the text goes.
                MoveRows(gui, g, -up * g.visibleRows, shift);
                gui.ScrollTo(w, g, g.scrollLine - up * g.visibleRows);
            }
            break;
        }
        default:
            return TextKeyResult::kNotTaken;
    }
    return TextKeyResult::kMoved;
}

// Ctrl with A, C, X or V: select all and the clipboard.
TextKeyResult GUI_Input::TextShortcut(GUI& gui, GUI_Gadget& g, int key) {
    const bool readOnly = (g.desc.flags & GUI_READONLY) != 0;
    GUI_TextEdit& e = g.edit;
    bool changed = false;
    if (key == DRELM_KEY_A) {
        e.SelectAll();
    } else if (key == DRELM_KEY_C) {
        if (e.HasSelection()) gui.SetClipboardText(e.SelectedText());
    } else if (key == DRELM_KEY_X) {
        if (e.HasSelection() && !readOnly) {
            gui.SetClipboardText(e.SelectedText());
            changed = e.DeleteSelection();
        }
    } else if (key == DRELM_KEY_V) {
        if (!readOnly) changed = e.Insert(gui.ClipboardText());
    } else {
        return TextKeyResult::kNotTaken;
    }
    return changed ? TextKeyResult::kChanged : TextKeyResult::kMoved;
}

// Deleting, the clipboard keys, line breaks and typed characters.
TextKeyResult GUI_Input::TextEditKey(GUI& gui, GUI_Gadget& g, int key, int character,
                                     int modifiers) {
    const bool shift = (modifiers & DRELM_MOD_SHIFT) != 0;
    const bool ctrl = (modifiers & DRELM_MOD_CTRL) != 0;
    const bool alt = (modifiers & DRELM_MOD_ALT) != 0;
    const bool readOnly = (g.desc.flags & GUI_READONLY) != 0;
    GUI_TextEdit& e = g.edit;
    bool changed = false;
    switch (key) {
        case DRELM_KEY_BACKSPACE:
            changed = !readOnly && e.Backspace();
            break;
        case DRELM_KEY_DELETE:
            if (shift && !readOnly) {
                gui.SetClipboardText(e.SelectedText());
                changed = e.DeleteSelection();
            } else {
                changed = !readOnly && e.Delete();
            }
            break;
        case DRELM_KEY_INSERT:
            if (ctrl)
                gui.SetClipboardText(e.SelectedText());
            else if (shift && !readOnly)
                changed = e.Insert(gui.ClipboardText());
            else
                return TextKeyResult::kNotTaken;
            break;
        default:
            if (ctrl && !alt) return TextShortcut(gui, g, key);
            if (g.desc.kind == GT_TEXTFIELD && IsReturn(key)) {
                if (readOnly) return TextKeyResult::kNotTaken;
                changed = e.Insert("\n");
                break;
            }
            if (character < 32 || character == 127 || alt || readOnly)
                return TextKeyResult::kNotTaken;
            changed = e.InsertCharacter(char32_t(character));
            if (!changed && g.numeric) return TextKeyResult::kRefused;
            break;
    }
    return changed ? TextKeyResult::kChanged : TextKeyResult::kMoved;
}

bool GUI_Input::TextKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key, int character,
                        int modifiers) {
    if (IsReturn(key) && g.desc.kind == GT_TEXTLINE) {
        if (g.numeric) gui.CommitNumber(w, g);
        gui.Post(GUI_EVENT_TEXT_ENTERED, &w, g.number, g.value);
        return true;
    }
    TextKeyResult result = TextMoveKey(gui, w, g, key, modifiers);
    if (result == TextKeyResult::kNotTaken) {
        // Up and down that a single text line does not take are nobody's edit either.
        if (key == DRELM_KEY_UP || key == DRELM_KEY_DOWN || key == DRELM_KEY_PAGEUP ||
            key == DRELM_KEY_PAGEDOWN)
            return false;
        result = TextEditKey(gui, g, key, character, modifiers);
    }
    switch (result) {
        case TextKeyResult::kNotTaken:
            return false;
        case TextKeyResult::kChanged:
            gui.TextChanged(w, g);
            return true;
        case TextKeyResult::kMoved:
            gui.EnsureCursorVisible(g);
            return true;
        case TextKeyResult::kRefused:
            return true;
    }
    return true;
}

bool GUI_Input::ListKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key) {
    const int count = int(g.entries.size());
    if (count == 0) return false;
    const int page = ListLayout(gui.skin, g).rows;
    int target;
    switch (key) {
        case DRELM_KEY_UP:
            target = g.value < 0 ? 0 : g.value - 1;
            break;
        case DRELM_KEY_DOWN:
            target = g.value + 1;
            break;
        case DRELM_KEY_PAGEUP:
            target = std::max(0, g.value) - page;
            break;
        case DRELM_KEY_PAGEDOWN:
            target = std::max(0, g.value) + page;
            break;
        case DRELM_KEY_HOME:
            target = 0;
            break;
        case DRELM_KEY_END:
            target = count - 1;
            break;
        default:
            if (IsReturn(key) && g.value >= 0) {
                gui.Post(GUI_EVENT_LIST_ACTIVATED, &w, g.number, g.value);
                return true;
            }
            return false;
    }
    target = std::clamp(target, 0, count - 1);
    if (target != g.value) {
        w.SetListSelection(g.number, target);
        gui.Post(GUI_EVENT_LIST, &w, g.number, target);
    }
    return true;
}

bool GUI_Input::SliderKey(GUI& gui, GUI_Window& w, GUI_Gadget& g, int key) {
    const bool scroll = g.desc.kind == GT_HSCRBAR || g.desc.kind == GT_VSCRBAR;
    const int range = scroll ? g.desc.max - g.desc.page : g.desc.max - g.desc.min;
    const int big = std::max(1, scroll ? g.desc.page : range / 10);
    const bool up = g.desc.kind == GT_VSLIDER;  // a vertical slider grows upwards
    int v = g.value;
    switch (key) {
        case DRELM_KEY_LEFT:
            v -= 1;
            break;
        case DRELM_KEY_RIGHT:
            v += 1;
            break;
        case DRELM_KEY_UP:
            v += up ? 1 : -1;
            break;
        case DRELM_KEY_DOWN:
            v += up ? -1 : 1;
            break;
        case DRELM_KEY_PAGEUP:
            v -= big;
            break;
        case DRELM_KEY_PAGEDOWN:
            v += big;
            break;
        case DRELM_KEY_HOME:
            v = scroll ? 0 : g.desc.min;
            break;
        case DRELM_KEY_END:
            v = scroll ? range : g.desc.max;
            break;
        default:
            return false;
    }
    if (scroll) {
        gui.ScrollTo(w, g, v);
        return true;
    }
    v = std::clamp(v, g.desc.min, g.desc.max);
    if (v != g.value) {
        g.value = v;
        gui.Post(GUI_EVENT_SLIDER, &w, g.number, v);
    }
    return true;
}

bool GUI::GadgetKey(GUI_Window& w, GUI_Gadget& g, int key, int character, int modifiers) {
    switch (g.desc.kind) {
        case GT_TEXTLINE:
        case GT_TEXTFIELD:
            return GUI_Input::TextKey(*this, w, g, key, character, modifiers);
        case GT_LIST:
            return GUI_Input::ListKey(*this, w, g, key);
        case GT_SELECTBOX:
            // Down and Space step forward through the choices, Up back.
            if (key != DRELM_KEY_SPACE && key != DRELM_KEY_DOWN && key != DRELM_KEY_UP)
                return false;
            Activate(w, g, key == DRELM_KEY_UP ? int(DRELM_MOD_SHIFT) : 0);
            return true;
        case GT_HSLIDER:
        case GT_VSLIDER:
        case GT_HSCRBAR:
        case GT_VSCRBAR:
            return GUI_Input::SliderKey(*this, w, g, key);
        default:
            if (!IsButtonLike(g.desc.kind) ||
                !(key == DRELM_KEY_SPACE || (IsReturn(key) && !IsToggle(g.desc.kind))))
                return false;
            Activate(w, g, 0);
            return true;
    }
}
