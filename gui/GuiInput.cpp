// Mouse and keyboard: hit tests, dragging, focus, text editing keys, and the GUI clock.
#include <algorithm>

#include "gui/GuiInternal.h"
#include "gui/NumberFormat.h"

using Quelm::Rect;
using namespace GUI_Detail;

namespace {

// An event of an image gadget, with the point in the image's own coordinates (inside its
// two-pixel border).
GUI_Event ImageEvent(int type, const GUI_Window& w, const GUI_Gadget& g, int lx, int ly) {
    GUI_Event e;
    e.type = type;
    e.window = w.number;
    e.gadget = g.number;
    e.x = lx - g.rect.x - 2;
    e.y = ly - g.rect.y - 2;
    return e;
}

// Floor division, so that a drag above a field gives the row before its first.
int FloorDivide(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

constexpr int kRepeatDelay = 40;  // timer steps before a held button repeats
constexpr int kRepeatEvery = 5;

}  // namespace

void GUI::Post(int type, const GUI_Window* w, int gadget, int value) {
    GUI_Event e;
    e.type = type;
    e.window = w ? w->number : -1;
    e.gadget = gadget;
    e.value = value;
    PostEvent(e);
}

bool GUI::Blocked(const GUI_Window& w) const {
    for (const auto& other : windows)
        if (other.get() != &w && (other->flags & GUI_WINDOW_MODAL) &&
            std::find(other->blocks.begin(), other->blocks.end(), w.number) != other->blocks.end())
            return true;
    return false;
}

bool GUI::AnyModal() const {
    return std::any_of(windows.begin(), windows.end(), [](const auto& w) {
        return (w->flags & GUI_WINDOW_MODAL) && !(w->flags & GUI_WINDOW_MAIN);
    });
}

GUI_Window* GUI::WindowAt(int x, int y) {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if ((*it)->rect.Contains(x, y)) return it->get();
    return nullptr;
}

// Keys go to the topmost window that is not blocked.
GUI_Window* GUI::KeyWindow() {
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (!Blocked(**it)) return it->get();
    return nullptr;
}

void GUI::BringToFront(GUI_Window* w) {
    if (!w || (w->flags & GUI_WINDOW_MAIN)) return;
    auto it =
        std::find_if(windows.begin(), windows.end(), [&](const auto& p) { return p.get() == w; });
    if (it != windows.end()) std::rotate(it, it + 1, windows.end());
}

void GUI::HandleInput(const DRELM_Event& e) {
    ++inputSerial;
    switch (e.type) {
        case DRELM_EVENT_MOUSE_MOVE:
            MouseMove(e.value1, e.value2);
            break;
        case DRELM_EVENT_LEFT_DOWN:
            impl->altTap = false;
            // The library queues a move before a press elsewhere, so the position is known.
            MouseDown(e.flag != 0, e.value2);
            break;
        case DRELM_EVENT_LEFT_UP:
            MouseUp();
            break;
        case DRELM_EVENT_WHEEL_UP:
        case DRELM_EVENT_WHEEL_DOWN: {
            int notches = e.value3 / DRELM_WHEEL_NOTCH;
            if (notches == 0) notches = e.type == DRELM_EVENT_WHEEL_UP ? 1 : -1;
            Wheel(notches);
            break;
        }
        case DRELM_EVENT_KEY_DOWN:
            if (e.flag == 0) impl->altTap = e.key == DRELM_KEY_LALT;
            Key(e.key, DRELM_EventCharacter(e), e.value2, e.flag != 0);
            break;
        case DRELM_EVENT_KEY_UP: {
            // Tapping the left Alt key alone opens the menu bar for the keyboard (and closes it).
            if (e.key == DRELM_KEY_LALT && impl->altTap && !impl->menu.empty() && !AnyModal()) {
                impl->altTap = false;
                if (MenuOpen()) {
                    CloseMenus();
                } else {
                    OpenMenu(0);
                    MenuKey(DRELM_KEY_DOWN);
                }
                break;
            }
            GUI_Event k;
            k.type = GUI_EVENT_KEY_UP;
            GUI_Window* w = KeyWindow();
            k.window = w ? w->number : -1;
            k.key = e.key;
            PostEvent(k);
            break;
        }
        case DRELM_EVENT_DEVICE_LOST:
            Post(GUI_EVENT_RESTORE, nullptr, -1);
            break;
        case DRELM_EVENT_QUIT:
            Post(GUI_EVENT_QUIT, nullptr, -1);
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------
// Mouse
// ---------------------------------------------------------------------------------------

void GUI::MouseMove(int x, int y, bool report) {
    impl->mouse = DRELM_Point(x, y);
    if (MenuMouseMove(x, y)) return;
    GUI_Window* w = impl->drag != kDragNone ? FindWindow(impl->dragWindow) : nullptr;
    if (w) {
        const int lx = x - w->rect.x, ly = y - w->rect.y;
        switch (impl->drag) {
            case kDragTitle:
                MoveWindow(w, x - impl->dragOffset.x, y - impl->dragOffset.y);
                return;
            case kDragResize: {
                int width = std::clamp(x - w->rect.x + impl->dragOffset.x, 160, ScreenWidth());
                int top = w->rect.y;
                Layout(*w, width);
                w->rect.y = top;
                return;
            }
            default:
                break;
        }
        if (impl->dragGadget >= 0 && impl->dragGadget < int(w->gadgets.size())) {
            GUI_Gadget& g = w->gadgets[impl->dragGadget];
            impl->mouseInside = g.rect.Contains(lx, ly);
            DragTo(*w, g, lx, ly);
        }
        return;
    }
    // Hover looks.
    impl->hoverWindow = impl->hoverGadget = -1;
    GUI_Window* over = WindowAt(x, y);
    if (!over || Blocked(*over)) return;
    impl->hoverWindow = over->number;
    const int lx = x - over->rect.x, ly = y - over->rect.y;
    for (size_t i = over->gadgets.size(); i-- > 0;) {
        const GUI_Gadget& g = over->gadgets[i];
        if (g.IsDecoration()) continue;
        bool hit = g.rect.Contains(lx, ly);
        for (const Rect& b : g.buttons) hit = hit || b.Contains(lx, ly);
        if (hit) {
            impl->hoverGadget = int(i);
            if (g.desc.kind == GT_IMAGE && g.enabled && report) {
                GUI_Event e = ImageEvent(GUI_EVENT_IMAGE_MOVE, *over, g, lx, ly);
                PostEvent(e);
            }
            break;
        }
    }
}

void GUI::MouseDown(bool doubleClick, int modifiers) {
    const int x = impl->mouse.x, y = impl->mouse.y;
    if (MenuMouseDown(x, y)) return;
    GUI_Window* w = WindowAt(x, y);
    if (!w || Blocked(*w)) return;
    BringToFront(w);
    impl->dragWindow = w->number;
    impl->dragGadget = -1;
    impl->repeatTicks = 0;
    const int lx = x - w->rect.x, ly = y - w->rect.y;
    if (ly < w->titleHeight) {
        if (!w->closeRect.IsEmpty() && w->closeRect.Contains(lx, ly)) {
            impl->drag = kDragClose;
        } else {
            impl->drag = kDragTitle;
            impl->dragOffset = DRELM_Point(lx, ly);
        }
        return;
    }
    for (size_t i = w->gadgets.size(); i-- > 0;) {
        GUI_Gadget& g = w->gadgets[i];
        if (g.IsDecoration()) continue;
        int button = -1;
        for (int b = 0; b < 4; ++b)
            if (g.buttons[b].Contains(lx, ly)) button = b;
        if (!g.rect.Contains(lx, ly) && button < 0) continue;
        if (!g.enabled) return;
        // A click on what takes no keys (an image, the window's background) still ends the
        // typing in a field, as leaving it with the mouse would.
        const int focus = Focusable(g) ? int(i) : -1;
        if (w->focus != focus) ChangeFocus(*w, focus);
        impl->dragGadget = int(i);
        impl->mouseInside = true;
        PressGadget(*w, g, button, lx, ly, doubleClick, modifiers);
        return;
    }
    if (w->focus >= 0) ChangeFocus(*w, -1);
}

void GUI::PressGadget(GUI_Window& w, GUI_Gadget& g, int button, int lx, int ly, bool doubleClick,
                      int modifiers) {
    if (IsButtonLike(g.desc.kind)) {
        impl->drag = kDragButton;
        impl->dragPart = modifiers;
        return;
    }
    switch (g.desc.kind) {
        case GT_TEXTLINE:
            GUI_Input::PressTextLine(*this, w, g, button, lx, ly, doubleClick, modifiers);
            return;
        case GT_TEXTFIELD:
            GUI_Input::PressTextField(*this, g, lx, ly, modifiers);
            return;
        case GT_LIST:
            GUI_Input::PressList(*this, w, g, lx, ly, doubleClick);
            return;
        case GT_HSLIDER:
        case GT_VSLIDER:
            GUI_Input::PressSlider(*this, w, g, lx, ly);
            return;
        case GT_HSCRBAR:
        case GT_VSCRBAR:
            PressScrollBar(ScrollLayout(skin, g.rect, g.desc.kind == GT_VSCRBAR, g.desc.max,
                                        g.desc.page, g.value),
                           lx, ly);
            return;
        case GT_IMAGE:
            GUI_Input::PressImage(*this, w, g, lx, ly, doubleClick, modifiers);
            return;
        case GT_WINDOW_RESIZE:
            impl->drag = kDragResize;
            impl->dragOffset = DRELM_Point(w.rect.Right() - impl->mouse.x, 0);
            return;
        default:
            impl->drag = kDragNone;
            return;
    }
}

int GUI_Detail::NumberButtonDelta(const GUI_Gadget& g, int button) {
    const int step = std::max(1, g.desc.step);
    const bool fine = (g.desc.flags & GUI_FINE) != 0;
    const int deltas[4] = {-step, fine ? -1 : -step, fine ? 1 : step, step};
    return deltas[std::clamp(button, 0, 3)];
}

void GUI_Input::PressTextLine(GUI& gui, GUI_Window& w, GUI_Gadget& g, int button, int lx, int ly,
                              bool doubleClick, int modifiers) {
    GUI::Impl& impl = *gui.impl;
    if (button >= 0) {
        impl.drag = kDragNumberButton;
        impl.dragPart = button;
        gui.StepNumber(w, g, NumberButtonDelta(g, button));
        return;
    }
    if (g.desc.flags & GUI_READONLY) return;
    if (doubleClick) {
        g.edit.SelectAll();
        impl.drag = kDragNone;
        return;
    }
    impl.drag = kDragText;
    DragText(gui, g, lx, ly);
    if (!(modifiers & DRELM_MOD_SHIFT)) g.edit.SetCursor(g.edit.Cursor(), false);
}

void GUI_Input::PressTextField(GUI& gui, GUI_Gadget& g, int lx, int ly, int modifiers) {
    const int lines = int(TextRows(gui.skin, g).size());
    if (lines > g.visibleRows) {
        const Rect bar = TextFieldScrollBar(gui.skin, g);
        if (bar.Contains(lx, ly)) {
            gui.PressScrollBar(
                ScrollLayout(gui.skin, bar, true, lines, g.visibleRows, g.scrollLine), lx, ly);
            return;
        }
    }
    gui.impl->drag = kDragText;
    DragText(gui, g, lx, ly);
    if (!(modifiers & DRELM_MOD_SHIFT)) g.edit.SetCursor(g.edit.Cursor(), false);
}

void GUI_Input::PressList(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly,
                          bool doubleClick) {
    const ListGeometry l = ListLayout(gui.skin, g);
    if (!l.scroll.IsEmpty() && l.scroll.Contains(lx, ly)) {
        gui.PressScrollBar(
            ScrollLayout(gui.skin, l.scroll, true, int(g.entries.size()), l.rows, g.scrollTop), lx,
            ly);
        return;
    }
    if (!l.inner.Contains(lx, ly)) return;
    const int entry = g.scrollTop + (ly - l.inner.y) / l.rowHeight;
    if (entry >= int(g.entries.size())) return;
    gui.impl->drag = kDragList;
    if (entry != g.value) {
        w.SetListSelection(g.number, entry);
        gui.Post(GUI_EVENT_LIST, &w, g.number, entry);
    }
    if (doubleClick) {
        gui.Post(GUI_EVENT_LIST_ACTIVATED, &w, g.number, entry);
        gui.impl->drag = kDragNone;
    }
}

void GUI_Input::PressSlider(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly) {
    const Rect grip = SliderGrip(gui.skin, g);
    gui.impl->drag = kDragSliderGrip;
    if (grip.Contains(lx, ly)) {
        gui.impl->dragOffset =
            DRELM_Point(lx - grip.x - grip.width / 2, ly - grip.y - grip.height / 2);
    } else {
        gui.impl->dragOffset = DRELM_Point(0, 0);
        DragSlider(gui, w, g, lx, ly);
    }
}

void GUI_Input::PressImage(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly, bool doubleClick,
                           int modifiers) {
    gui.impl->drag = kDragImage;
    GUI_Event e = ImageEvent(GUI_EVENT_IMAGE_DOWN, w, g, lx, ly);
    e.repeat = doubleClick;
    e.modifiers = modifiers;
    gui.PostEvent(e);
}

void GUI::PressScrollBar(const ScrollGeometry& s, int lx, int ly) {
    if (s.grip.Contains(lx, ly)) {
        impl->drag = kDragScrollGrip;
        impl->dragPart = 2;
        impl->dragOffset = DRELM_Point(lx - s.grip.x, ly - s.grip.y);
        return;
    }
    impl->drag = kDragScrollArrow;
    const bool before = s.vertical ? ly < s.grip.y : lx < s.grip.x;
    impl->dragPart = s.less.Contains(lx, ly) ? 0 : s.more.Contains(lx, ly) ? 1 : before ? 3 : 4;
    RepeatAction();
}

void GUI::DragTo(GUI_Window& w, GUI_Gadget& g, int lx, int ly) {
    switch (impl->drag) {
        case kDragText:
            GUI_Input::DragText(*this, g, lx, ly);
            return;
        case kDragList:
            GUI_Input::DragList(*this, w, g, ly);
            return;
        case kDragSliderGrip:
            GUI_Input::DragSlider(*this, w, g, lx, ly);
            return;
        case kDragScrollGrip:
            GUI_Input::DragScrollGrip(*this, w, g, lx, ly);
            return;
        case kDragImage: {
            GUI_Event e = ImageEvent(GUI_EVENT_IMAGE_MOVE, w, g, lx, ly);
            e.value = 1;  // the button is held
            PostEvent(e);
            return;
        }
        default:
            return;
    }
}

// The cursor goes to the character boundary nearest the mouse, on the row under it.
void GUI_Input::DragText(GUI& gui, GUI_Gadget& g, int lx, int ly) {
    const DRELM_Font* font = GadgetFont(gui.skin, g);
    if (!font) return;
    const Rect area = TextArea(gui.skin, g);
    const std::vector<GUI_TextRow>& rows = TextRows(gui.skin, g);
    int row = 0;
    if (g.desc.kind == GT_TEXTFIELD)
        row = std::clamp(g.scrollLine + FloorDivide(ly - area.y, std::max(1, font->Height())), 0,
                         int(rows.size()) - 1);
    const int target = lx - area.x + (g.desc.kind == GT_TEXTLINE ? g.scrollX : 0);
    g.edit.SetCursor(OffsetInRow(font, g.edit.Text(), rows[size_t(row)], target), true);
    gui.EnsureCursorVisible(g);
}

void GUI_Input::MoveRows(GUI& gui, GUI_Gadget& g, int delta, bool select) {
    const DRELM_Font* font = GadgetFont(gui.skin, g);
    if (!font) return;
    const std::string& text = g.edit.Text();
    const std::vector<GUI_TextRow>& rows = TextRows(gui.skin, g);
    const int row = RowOf(rows, g.edit.Cursor());
    const int target = row + delta;
    if (target < 0) return g.edit.TextStart(select);
    if (target >= int(rows.size())) return g.edit.TextEnd(select);
    const GUI_TextRow& from = rows[size_t(row)];
    const int x = font->TextPartWidth(text.c_str(), from.start, g.edit.Cursor() - from.start);
    g.edit.SetCursor(OffsetInRow(font, text, rows[size_t(target)], x), select);
}

void GUI_Input::DragList(GUI& gui, GUI_Window& w, GUI_Gadget& g, int ly) {
    const ListGeometry l = ListLayout(gui.skin, g);
    int entry = g.scrollTop + (ly - l.inner.y) / std::max(1, l.rowHeight);
    if (ly < l.inner.y) entry = g.scrollTop - 1;
    entry = std::clamp(entry, 0, int(g.entries.size()) - 1);
    if (entry >= 0 && entry != g.value) {
        w.SetListSelection(g.number, entry);
        gui.Post(GUI_EVENT_LIST, &w, g.number, entry);
    }
}

void GUI_Input::DragSlider(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly) {
    const Rect grip = SliderGrip(gui.skin, g);
    const DRELM_Point offset = gui.impl->dragOffset;
    const int range = g.desc.max - g.desc.min;
    int v;
    if (g.desc.kind == GT_VSLIDER) {
        const int track = std::max(1, g.rect.height - grip.height);
        const int pos = std::clamp(ly - offset.y - g.rect.y - grip.height / 2, 0, track);
        v = g.desc.max - int((int64_t(pos) * range + track / 2) / track);
    } else {
        const int track = std::max(1, g.rect.width - grip.width);
        const int pos = std::clamp(lx - offset.x - g.rect.x - grip.width / 2, 0, track);
        v = g.desc.min + int((int64_t(pos) * range + track / 2) / track);
    }
    if (v != g.value) {
        g.value = v;
        gui.Post(GUI_EVENT_SLIDER, &w, g.number, v);
    }
}

// The grip of a scroll bar: a list's or text field's own, or a scroll bar gadget.
void GUI_Input::DragScrollGrip(GUI& gui, GUI_Window& w, GUI_Gadget& g, int lx, int ly) {
    Rect track;
    int total, page;
    bool vertical = true;
    if (g.desc.kind == GT_LIST) {
        const ListGeometry l = ListLayout(gui.skin, g);
        track = l.scroll;
        total = int(g.entries.size());
        page = l.rows;
    } else if (g.desc.kind == GT_TEXTFIELD) {
        track = TextFieldScrollBar(gui.skin, g);
        total = int(TextRows(gui.skin, g).size());
        page = g.visibleRows;
    } else {
        track = g.rect;
        total = g.desc.max;
        page = g.desc.page;
        vertical = g.desc.kind == GT_VSCRBAR;
    }
    const ScrollGeometry s = ScrollLayout(gui.skin, track, vertical, total, page, 0);
    const DRELM_Point offset = gui.impl->dragOffset;
    const int length = vertical ? track.height - 2 * s.less.height - s.grip.height
                                : track.width - 2 * s.less.width - s.grip.width;
    const int pos = vertical ? ly - offset.y - (track.y + s.less.height)
                             : lx - offset.x - (track.x + s.less.width);
    const int range = std::max(0, total - page);
    const int value =
        length > 0 ? int((int64_t(std::clamp(pos, 0, length)) * range + length / 2) / length) : 0;
    gui.ScrollTo(w, g, value);
}

void GUI::ScrollTo(GUI_Window& w, GUI_Gadget& g, int position) {
    if (g.desc.kind == GT_LIST) {
        auto l = ListLayout(skin, g);
        g.scrollTop = std::clamp(position, 0, ScrollMax(g, l.rows));
    } else if (g.desc.kind == GT_TEXTFIELD) {
        const int rows = int(TextRows(skin, g).size());
        g.scrollLine = std::clamp(position, 0, std::max(0, rows - g.visibleRows));
    } else {
        int v = std::clamp(position, 0, std::max(0, g.desc.max - g.desc.page));
        if (v != g.value) {
            g.value = v;
            Post(GUI_EVENT_SLIDER, &w, g.number, v);
        }
    }
}

void GUI::MouseUp() {
    if (MenuMouseUp(impl->mouse.x, impl->mouse.y)) return;
    GUI_DragKind drag = impl->drag;
    impl->drag = kDragNone;
    GUI_Window* w = FindWindow(impl->dragWindow);
    if (!w) return;
    const int lx = impl->mouse.x - w->rect.x, ly = impl->mouse.y - w->rect.y;
    if (drag == kDragClose) {
        if (w->closeRect.Contains(lx, ly)) Post(GUI_EVENT_CLOSE, w, -1);
        return;
    }
    if (impl->dragGadget < 0 || impl->dragGadget >= int(w->gadgets.size())) return;
    GUI_Gadget& g = w->gadgets[impl->dragGadget];
    if (drag == kDragButton && g.rect.Contains(lx, ly)) Activate(*w, g, impl->dragPart);
    if (drag == kDragImage) {
        GUI_Event e = ImageEvent(GUI_EVENT_IMAGE_UP, *w, g, lx, ly);
        PostEvent(e);
    }
    // Hover looks follow the release point; the mouse did not move, so no move is reported.
    MouseMove(impl->mouse.x, impl->mouse.y, false);
}

void GUI::Activate(GUI_Window& w, GUI_Gadget& g, int modifiers) {
    if (!g.enabled) return;
    switch (g.desc.kind) {
        case GT_CHECKBOX:
        case GT_CHECKBUTTON:
        case GT_SPEEDCHECKBUTTON:
            g.checked = !g.checked;
            Post(GUI_EVENT_ACTIVATED, &w, g.number, g.checked ? 1 : 0);
            return;
        case GT_SELECTBUTTON:
        case GT_SPEEDSELECTBUTTON:
            w.SetChecked(g.number, true);
            Post(GUI_EVENT_ACTIVATED, &w, g.number, 1);
            return;
        case GT_SELECTBOX: {
            int n = std::max<int>(1, int(g.choices.size()));
            // From no choice, forward gives the first and backward the last.
            if (g.value < 0)
                g.value = (modifiers & DRELM_MOD_SHIFT) ? n - 1 : 0;
            else
                g.value = (modifiers & DRELM_MOD_SHIFT) ? (g.value + n - 1) % n : (g.value + 1) % n;
            Post(GUI_EVENT_ACTIVATED, &w, g.number, g.value);
            return;
        }
        default:
            Post(GUI_EVENT_ACTIVATED, &w, g.number, 0);
    }
}

void GUI::Wheel(int notches) {
    if (MenuOpen()) return;
    GUI_Window* w = WindowAt(impl->mouse.x, impl->mouse.y);
    if (!w || Blocked(*w)) return;
    const int lx = impl->mouse.x - w->rect.x, ly = impl->mouse.y - w->rect.y;
    for (size_t i = w->gadgets.size(); i-- > 0;) {
        GUI_Gadget& g = w->gadgets[i];
        if (g.IsDecoration() || !g.rect.Contains(lx, ly) || !g.enabled) continue;
        switch (g.desc.kind) {
            case GT_LIST:
                ScrollTo(*w, g, g.scrollTop - 3 * notches);
                break;
            case GT_TEXTFIELD:
                ScrollTo(*w, g, g.scrollLine - 3 * notches);
                break;
            case GT_HSCRBAR:
            case GT_VSCRBAR:
                ScrollTo(*w, g, g.value - notches * std::max(1, g.desc.page / 4));
                break;
            case GT_HSLIDER:
            case GT_VSLIDER: {
                int v = std::clamp(g.value + notches, g.desc.min, g.desc.max);
                if (v != g.value) {
                    g.value = v;
                    Post(GUI_EVENT_SLIDER, w, g.number, v);
                }
                break;
            }
            case GT_TEXTLINE:
                if (g.numeric) StepNumber(*w, g, notches * std::max(1, g.desc.step));
                break;
            case GT_IMAGE: {
                GUI_Event e = ImageEvent(GUI_EVENT_IMAGE_WHEEL, *w, g, lx, ly);
                e.value = notches;
                PostEvent(e);
                break;
            }
            default:
                break;
        }
        return;
    }
}

// ---------------------------------------------------------------------------------------
// Keyboard
// ---------------------------------------------------------------------------------------

void GUI::ChangeFocus(GUI_Window& w, int index) {
    if (w.focus >= 0 && w.focus < int(w.gadgets.size())) {
        GUI_Gadget& old = w.gadgets[w.focus];
        if (old.numeric) CommitNumber(w, old);
        old.edit.SetCursor(old.edit.Cursor(), false);
        if (old.desc.kind == GT_TEXTLINE) Post(GUI_EVENT_FOCUS_LEFT, &w, old.number, old.value);
    }
    w.focus = index;
    if (index >= 0 && index < int(w.gadgets.size())) {
        GUI_Gadget& g = w.gadgets[index];
        if (g.desc.kind == GT_TEXTLINE) g.edit.SelectAll();
        EnsureCursorVisible(g);
    }
}

void GUI::CommitNumber(GUI_Window& w, GUI_Gadget& g) {
    GUI_Format f = GUI_ParseFormat(g.desc.text);
    int v;
    if (GUI_ParseNumber(f, g.edit.Text(), g.desc.scale, v)) {
        v = std::clamp(v, g.desc.min, std::max(g.desc.min, g.desc.max));
        if (v != g.value) {
            g.value = v;
            Post(GUI_EVENT_NUMBER, &w, g.number, v);
        }
    }
    int cursor = g.edit.Cursor();
    g.edit.SetText(GUI_FormatNumber(f, g.value, g.desc.scale));
    g.edit.SetCursor(cursor, false);
    EnsureCursorVisible(g);
}

void GUI::StepNumber(GUI_Window& w, GUI_Gadget& g, int delta) {
    if (!g.numeric || !g.enabled) return;
    // What was typed counts before the step.
    GUI_Format f = GUI_ParseFormat(g.desc.text);
    int base = g.value;
    GUI_ParseNumber(f, g.edit.Text(), g.desc.scale, base);
    int v = int(
        std::clamp<int64_t>(int64_t(base) + delta, g.desc.min, std::max(g.desc.min, g.desc.max)));
    g.edit.SetText(GUI_FormatNumber(f, v, g.desc.scale));
    if (v != g.value) {
        g.value = v;
        Post(GUI_EVENT_NUMBER, &w, g.number, v);
    }
    EnsureCursorVisible(g);
}

void GUI::TextChanged(GUI_Window& w, GUI_Gadget& g) {
    EnsureCursorVisible(g);
    if (!g.numeric) Post(GUI_EVENT_TEXT, &w, g.number);
}

void GUI::EnsureCursorVisible(GUI_Gadget& g) {
    const DRELM_Font* font = GadgetFont(skin, g);
    if (!font) return;
    Rect area = TextArea(skin, g);
    if (g.desc.kind == GT_TEXTLINE) {
        int x = font->TextPartWidth(g.edit.Text().c_str(), 0, g.edit.Cursor());
        int total = font->TextWidth(g.edit.Text().c_str());
        if (x - g.scrollX > area.width - 2) g.scrollX = x - area.width + 2;
        if (x < g.scrollX) g.scrollX = std::max(0, x - area.width / 3);
        g.scrollX = std::clamp(g.scrollX, 0, std::max(0, total - area.width + 2));
    } else if (g.desc.kind == GT_TEXTFIELD) {
        g.visibleRows = std::max(1, area.height / std::max(1, font->Height()));
        const std::vector<GUI_TextRow>& rows = TextRows(skin, g);
        // A text only to read shows no cursor, so its view does not follow one.
        const int row = RowOf(rows, g.edit.Cursor());
        if (!(g.desc.flags & GUI_READONLY)) {
            if (row < g.scrollLine) g.scrollLine = row;
            if (row >= g.scrollLine + g.visibleRows) g.scrollLine = row - g.visibleRows + 1;
        }
        g.scrollLine = std::clamp(g.scrollLine, 0, std::max(0, int(rows.size()) - g.visibleRows));
    }
}

void GUI::MoveFocus(GUI_Window& w, int direction) {
    const int n = int(w.gadgets.size());
    const int start = w.focus < 0 ? (direction > 0 ? -1 : n) : w.focus;
    for (int k = 1; k <= n; ++k) {
        const int i = ((start + direction * k) % n + n) % n;
        if (Focusable(w.gadgets[i])) {
            ChangeFocus(w, i);
            return;
        }
    }
}

bool GUI::PressButtonWith(GUI_Window& w, uint32_t flag) {
    for (auto& g : w.gadgets)
        if ((g.desc.flags & flag) && g.enabled && g.number >= 0) {
            Activate(w, g, 0);
            return true;
        }
    return false;
}

void GUI::Key(int key, int character, int modifiers, bool repeat) {
    if (MenuKey(key)) return;
    GUI_Window* w = KeyWindow();
    if (w && key == DRELM_KEY_TAB && !(modifiers & (DRELM_MOD_CTRL | DRELM_MOD_ALT))) {
        MoveFocus(*w, (modifiers & DRELM_MOD_SHIFT) ? -1 : 1);
        return;
    }
    const bool enter = key == DRELM_KEY_RETURN || key == DRELM_KEY_KP_ENTER;
    if (w && w->focus >= 0 && w->focus < int(w->gadgets.size())) {
        const GUI_Gadget& g = w->gadgets[w->focus];
        const bool line = g.desc.kind == GT_TEXTLINE;
        const bool next = (g.desc.flags & GUI_RETURN_NEXT) != 0;
        if (GadgetKey(*w, w->gadgets[w->focus], key, character, modifiers)) {
            // Return in a one-line field has entered it; then it decides the dialog as
            // anywhere else, unless the field hands on to the next one.
            if (enter && line && !repeat) {
                if (next)
                    MoveFocus(*w, 1);
                else
                    PressButtonWith(*w, GUI_DEFAULT);
            }
            return;
        }
    }
    GUI_Event e;
    e.type = GUI_EVENT_KEY;
    e.window = w ? w->number : -1;
    e.gadget = w ? Focus(w) : -1;
    e.key = key;
    e.character = character;
    e.modifiers = modifiers;
    e.repeat = repeat;
    PostEvent(e);
    if (!w || repeat) return;
    if (enter)
        PressButtonWith(*w, GUI_DEFAULT);
    else if (key == DRELM_KEY_ESCAPE)
        PressButtonWith(*w, GUI_CANCEL);
}

// ---------------------------------------------------------------------------------------
// Clock
// ---------------------------------------------------------------------------------------

void GUI::RepeatAction() {
    GUI_Window* w = FindWindow(impl->dragWindow);
    if (!w || impl->dragGadget < 0 || impl->dragGadget >= int(w->gadgets.size())) return;
    GUI_Gadget& g = w->gadgets[impl->dragGadget];
    const int lx = impl->mouse.x - w->rect.x, ly = impl->mouse.y - w->rect.y;
    if (impl->drag == kDragNumberButton) {
        if (!g.buttons[impl->dragPart].Contains(lx, ly)) return;
        StepNumber(*w, g, NumberButtonDelta(g, impl->dragPart));
        return;
    }
    if (impl->drag != kDragScrollArrow) return;
    int position, page;
    if (g.desc.kind == GT_LIST) {
        position = g.scrollTop;
        page = ListLayout(skin, g).rows;
    } else if (g.desc.kind == GT_TEXTFIELD) {
        position = g.scrollLine;
        page = g.visibleRows;
    } else {
        position = g.value;
        page = std::max(1, g.desc.page);
    }
    const int deltas[5] = {-1, 1, 0, -page, page};
    ScrollTo(*w, g, position + deltas[std::clamp(impl->dragPart, 0, 4)]);
}

void GUI::Tick() {
    ++ticks;
    if (impl->drag == kDragNumberButton || impl->drag == kDragScrollArrow) {
        ++impl->repeatTicks;
        if (impl->repeatTicks >= kRepeatDelay &&
            (impl->repeatTicks - kRepeatDelay) % kRepeatEvery == 0)
            RepeatAction();
    }
}
