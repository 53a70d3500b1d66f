// Windows, their gadgets and layout, the event queue, the pump and the modal loop.
#include "gui/Gui.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "gui/GuiInternal.h"
#include "gui/NumberFormat.h"

using Quelm::Rect;

namespace {

// `text` cut at every `separator` (nothing for null, one empty part for "").
std::vector<std::string> Split(const char* text, char separator) {
    std::vector<std::string> parts;
    if (!text) return parts;
    std::string current;
    for (const char* p = text; *p; ++p) {
        if (*p == separator) {
            parts.push_back(current);
            current.clear();
        } else {
            current += *p;
        }
    }
    parts.push_back(current);
    return parts;
}

}  // namespace

namespace GUI_Detail {

// Word-wraps `text` (which may hold line feeds) to `width` pixels.
std::vector<std::string> Wrap(const DRELM_Font* font, const std::string& text, int width) {
    std::vector<std::string> out;
    for (const std::string& paragraph : Split(text.c_str(), '\n')) {
        std::string line;
        size_t i = 0;
        if (paragraph.empty()) out.push_back("");
        while (i < paragraph.size()) {
            size_t space = paragraph.find(' ', i);
            std::string word =
                paragraph.substr(i, space == std::string::npos ? std::string::npos : space - i);
            std::string candidate = line.empty() ? word : line + " " + word;
            if (!line.empty() && font->TextWidth(candidate.c_str()) > width) {
                out.push_back(line);
                line = word;
            } else {
                line = candidate;
            }
            if (space == std::string::npos) break;
            i = space + 1;
        }
        if (!line.empty()) out.push_back(line);
    }
    return out;
}

}  // namespace GUI_Detail

using GUI_Detail::Wrap;

namespace {

// A text line or field: a number field gets its format, filter and clamped value; text
// gets its content, and a read-only field keeps its text to wrap it to its width.
void InitTextGadget(GUI_Gadget& g, const GUI_GadgetDesc& d) {
    const GUI_Format f = GUI_ParseFormat(d.text);
    g.edit.SetMultiline(d.kind == GT_TEXTFIELD);
    if (d.kind == GT_TEXTLINE && f.number) {
        g.numeric = true;
        g.hex = f.hex;
        g.digits = f.digits;
        g.decimals = f.decimals;
        g.edit.SetMaxLength(f.maxLength);
        const bool hex = f.hex, decimals = f.decimals > 0;
        g.edit.SetFilter([hex, decimals](char32_t c) {
            if (hex) return (c < 128 && std::isxdigit(int(c))) || c == '$';
            return (c >= '0' && c <= '9') || c == '-' || (decimals && c == '.');
        });
        g.value = std::clamp(d.value, d.min, std::max(d.min, d.max));
        g.edit.SetText(GUI_FormatNumber(f, g.value, d.scale));
        return;
    }
    g.edit.SetMaxLength(d.kind == GT_TEXTFIELD && !d.text ? 65535 : f.maxLength);
    if (d.flags & GUI_BYTE_LIMIT) g.edit.SetMaxBytes(f.maxLength);
    g.edit.SetText(d.content ? d.content : "");
    g.edit.TextStart(false);
    if (d.kind == GT_TEXTFIELD && (d.flags & GUI_READONLY)) {
        g.source = g.edit.Text();
        g.wrapDirty = true;
    }
}

// A gadget as its description starts it, each kind with its value kept in range.
void InitGadget(GUI_Gadget& g, const GUI_GadgetDesc& d) {
    g.desc = d;
    g.label = d.label ? d.label : "";
    g.enabled = !(d.flags & GUI_DISABLED);
    g.checked = (d.flags & GUI_CHECKED) != 0;
    g.value = d.value;
    switch (d.kind) {
        case GT_SELECTBOX:
            g.choices = Split(d.text, '\n');
            if (g.choices.empty()) g.choices.push_back("");
            g.value = d.value < 0 ? -1 : std::min(d.value, int(g.choices.size()) - 1);
            break;
        case GT_TEXTLINE:
        case GT_TEXTFIELD:
            InitTextGadget(g, d);
            break;
        case GT_LIST:
            g.value = -1;
            break;
        case GT_HSCRBAR:
        case GT_VSCRBAR:
            g.value = std::clamp(d.value, 0, std::max(0, d.max - d.page));
            break;
        case GT_HSLIDER:
        case GT_VSLIDER:
        case GT_HGAUGE:
        case GT_VGAUGE:
        case GT_PROGRESSBAR:
            g.value = std::clamp(d.value, d.min, std::max(d.min, d.max));
            break;
        default:
            break;
    }
}

// The gadget that starts with the keyboard focus: the one that asks for it, else the first
// enabled editable text or list.
int InitialFocus(const GUI_Window& window) {
    int focus = -1;
    for (size_t i = 0; i < window.gadgets.size(); ++i)
        if (window.gadgets[i].desc.flags & GUI_FOCUS) focus = int(i);
    if (focus >= 0) return focus;
    for (size_t i = 0; i < window.gadgets.size(); ++i) {
        const auto& g = window.gadgets[i];
        if (g.enabled && !(g.desc.flags & GUI_READONLY) &&
            (g.desc.kind == GT_TEXTLINE || g.desc.kind == GT_TEXTFIELD || g.desc.kind == GT_LIST))
            return int(i);
    }
    return -1;
}

}  // namespace

bool GUI_IsDecoration(GUI_GadgetKind kind) {
    switch (kind) {
        case GT_FRAME:
        case GT_FRAME_LABEL:
        case GT_LABEL:
        case GT_HSPACE_BAR:
        case GT_VSPACE_BAR:
        case GT_HVSPACE_BAR:
        case GT_LIST_ENTRY:
        case GT_LIST_COL:
            return true;
        default:
            return false;
    }
}

bool GUI_Gadget::IsDecoration() const { return GUI_IsDecoration(desc.kind); }

// ---------------------------------------------------------------------------------------
// Gadget access
// ---------------------------------------------------------------------------------------

GUI_Gadget* GUI_Window::Gadget(int n) {
    for (auto& g : gadgets)
        if (g.number == n && n >= 0) return &g;
    return nullptr;
}

const GUI_Gadget* GUI_Window::Gadget(int n) const {
    return const_cast<GUI_Window*>(this)->Gadget(n);
}

void GUI_Window::SetText(int n, const std::string& text) {
    GUI_Gadget* g = Gadget(n);
    if (!g) return;
    if (g->desc.kind == GT_TEXTLINE || g->desc.kind == GT_TEXTFIELD) {
        if (g->numeric) {
            int v;
            if (GUI_ParseNumber(GUI_ParseFormat(g->desc.text), text, g->desc.scale, v))
                SetValue(n, v);
            return;
        }
        g->edit.SetText(text);
        g->scrollX = 0;
        g->scrollLine = 0;
        if (g->desc.kind == GT_TEXTFIELD && (g->desc.flags & GUI_READONLY)) {
            g->source = text;
            g->wrapDirty = true;
        }
    } else {
        g->label = text;
    }
}

std::string GUI_Window::Text(int n) const {
    const GUI_Gadget* g = Gadget(n);
    if (!g) return {};
    if (g->desc.kind == GT_TEXTLINE || g->desc.kind == GT_TEXTFIELD) return g->edit.Text();
    if (g->desc.kind == GT_SELECTBOX && g->value >= 0 && g->value < int(g->choices.size()))
        return g->choices[g->value];
    return g->label;
}

void GUI_Window::SetValue(int n, int value) {
    GUI_Gadget* g = Gadget(n);
    if (!g) return;
    switch (g->desc.kind) {
        case GT_TEXTLINE:
            if (!g->numeric) return;
            g->value = std::clamp(value, g->desc.min, std::max(g->desc.min, g->desc.max));
            g->edit.SetText(
                GUI_FormatNumber(GUI_ParseFormat(g->desc.text), g->value, g->desc.scale));
            return;
        case GT_SELECTBOX:
            // -1 shows no choice (a setting the user has yet to make).
            if (!g->choices.empty())
                g->value = value < 0 ? -1 : std::min(value, int(g->choices.size()) - 1);
            return;
        case GT_CHECKBOX:
        case GT_CHECKBUTTON:
        case GT_SELECTBUTTON:
        case GT_SPEEDCHECKBUTTON:
        case GT_SPEEDSELECTBUTTON:
            SetChecked(n, value != 0);
            return;
        case GT_LIST:
            SetListSelection(n, value);
            return;
        case GT_HSCRBAR:
        case GT_VSCRBAR:
            g->value = std::clamp(value, 0, std::max(0, g->desc.max - g->desc.page));
            return;
        default:
            g->value = std::clamp(value, g->desc.min, std::max(g->desc.min, g->desc.max));
    }
}

int GUI_Window::Value(int n) const {
    const GUI_Gadget* g = Gadget(n);
    if (!g) return 0;
    switch (g->desc.kind) {
        case GT_CHECKBOX:
        case GT_CHECKBUTTON:
        case GT_SELECTBUTTON:
        case GT_SPEEDCHECKBUTTON:
        case GT_SPEEDSELECTBUTTON:
            return g->checked ? 1 : 0;
        default:
            return g->value;
    }
}

void GUI_Window::SetChecked(int n, bool on) {
    GUI_Gadget* g = Gadget(n);
    if (!g) return;
    g->checked = on;
    if (on && (g->desc.kind == GT_SELECTBUTTON || g->desc.kind == GT_SPEEDSELECTBUTTON))
        for (auto& other : gadgets)
            if (&other != g && other.desc.kind == g->desc.kind && other.desc.group == g->desc.group)
                other.checked = false;
}

bool GUI_Window::Checked(int n) const { return Value(n) != 0; }

void GUI_Window::SetChoices(int n, const std::string& choices) {
    GUI_Gadget* g = Gadget(n);
    if (!g) return;
    g->choices = Split(choices.c_str(), '\n');
    g->value = g->value < 0 ? -1 : std::min(g->value, int(g->choices.size()) - 1);
}

void GUI_Window::SetEnabled(int n, bool on) {
    if (GUI_Gadget* g = Gadget(n)) g->enabled = on;
}

void GUI_Window::SetListEntries(int n, const std::vector<std::string>& entries) {
    GUI_Gadget* g = Gadget(n);
    if (!g || g->desc.kind != GT_LIST) return;
    g->entries = entries;
    if (g->value >= int(entries.size())) g->value = -1;
    g->scrollTop = std::clamp(g->scrollTop, 0, std::max(0, int(entries.size()) - g->visibleRows));
}

void GUI_Window::SetListIcons(int n, const std::vector<int>& icons) {
    GUI_Gadget* g = Gadget(n);
    if (g && g->desc.kind == GT_LIST) g->entryIcons = icons;
}

int GUI_Window::ListSelection(int n) const {
    const GUI_Gadget* g = Gadget(n);
    return g && g->desc.kind == GT_LIST ? g->value : -1;
}

void GUI_Window::SetListSelection(int n, int entry) {
    GUI_Gadget* g = Gadget(n);
    if (!g || g->desc.kind != GT_LIST) return;
    g->value = (entry >= 0 && entry < int(g->entries.size())) ? entry : -1;
    if (g->value >= 0) {
        if (g->value < g->scrollTop) g->scrollTop = g->value;
        if (g->visibleRows > 0 && g->value >= g->scrollTop + g->visibleRows)
            g->scrollTop = g->value - g->visibleRows + 1;
    }
}

void GUI_Window::SetRange(int n, int min, int max) {
    GUI_Gadget* g = Gadget(n);
    if (!g) return;
    g->desc.min = min;
    g->desc.max = max;
    SetValue(n, g->value);
}

Rect GUI_Window::Inside() const {
    return Rect(rect.x, rect.y + titleHeight, rect.width, rect.height - titleHeight);
}

// ---------------------------------------------------------------------------------------
// The toolkit
// ---------------------------------------------------------------------------------------

GUI::GUI() : impl(new Impl) {
    clipboardSet = [](const std::string& text) { SDL_SetClipboardText(text.c_str()); };
    clipboardGet = []() -> std::string {
        char* text = SDL_GetClipboardText();
        std::string s = text ? text : "";
        SDL_free(text);
        return s;
    };
}

GUI::~GUI() { Shutdown(); }

void GUI::Init(DRELM_Screen* s, const std::string& programDirectory, const std::string& skinFile) {
    InitFromSkinDirectory(s, JoinPath(programDirectory, "skins"), skinFile);
}

void GUI::InitFromSkinDirectory(DRELM_Screen* s, const std::string& skinDirectory,
                                const std::string& skinFile) {
    screen = s;
    skin.Load(skinDirectory, skinFile);
}

void GUI::Shutdown() {
    DRELM_FreeTexture(background);
    background = nullptr;
    windows.clear();
    events.clear();
    eventRead = 0;
    impl->menu.clear();
    impl->menuPath.clear();
    skin.Free();
}

int GUI::ScreenWidth() const { return screen ? screen->Width() : 800; }
int GUI::ScreenHeight() const { return screen ? screen->Height() : 600; }

GUI_Window* GUI::FindWindow(int number) {
    for (auto& w : windows)
        if (w->number == number) return w.get();
    return nullptr;
}

GUI_Window* GUI::FrontWindow() { return windows.empty() ? nullptr : windows.back().get(); }

GUI_Window* GUI::OpenWindow(int number, const char* title, int width, const GUI_GadgetDesc* descs,
                            int count, uint32_t flags) {
    if (GUI_Window* open = FindWindow(number)) {
        // Bring it to the front, unless a modal window above it blocks it.
        if (!(open->flags & GUI_WINDOW_MAIN)) {
            auto it = std::find_if(windows.begin(), windows.end(),
                                   [&](const auto& w) { return w.get() == open; });
            std::rotate(it, it + 1, windows.end());
        }
        return nullptr;
    }
    if (int(windows.size()) >= kMaxWindows) return nullptr;
    auto window = std::make_unique<GUI_Window>();
    window->number = number;
    window->title = title ? title : "";
    window->flags = flags;
    if (flags & GUI_WINDOW_MODAL)
        for (const auto& w : windows) window->blocks.push_back(w->number);
    int lastList = -1;  // list columns and entries belong to the list just before them
    int next = 0;
    for (int i = 0; i < count; ++i) {
        const GUI_GadgetDesc& d = descs[i];
        if (d.kind == GT_LIST_COL || d.kind == GT_LIST_ENTRY) {
            if (lastList < 0) continue;
            GUI_Gadget& list = window->gadgets[lastList];
            if (d.kind == GT_LIST_COL)
                list.columns.push_back({d.label ? d.label : "", d.width});
            else
                list.entries.push_back(d.content ? d.content : d.label ? d.label : "");
            continue;
        }
        if (d.kind >= GT_KIND_COUNT) continue;
        window->gadgets.emplace_back();
        GUI_Gadget& g = window->gadgets.back();
        InitGadget(g, d);
        lastList = d.kind == GT_LIST ? int(window->gadgets.size()) - 1 : -1;
        if (!g.IsDecoration()) g.number = next++;
    }
    window->focus = InitialFocus(*window);
    if (window->focus >= 0) window->gadgets[window->focus].edit.SelectAll();
    Layout(*window, width);
    const int menuBottom = MenuBarHeight();
    window->rect.x = std::max(0, (ScreenWidth() - window->rect.width) / 2);
    window->rect.y = std::max(menuBottom, (ScreenHeight() - window->rect.height) / 2);
    GUI_Window* result = window.get();
    windows.push_back(std::move(window));
    return result;
}

GUI_Window* GUI::OpenMainWindow(int number, const Rect& rect, const GUI_GadgetDesc* descs,
                                int count) {
    GUI_Window* w = OpenWindow(number, "", rect.width, descs, count,
                               GUI_WINDOW_MAIN | GUI_WINDOW_NO_CLOSE | GUI_WINDOW_NO_TITLE);
    if (!w) return nullptr;
    w->rect.x = rect.x;
    w->rect.y = rect.y;
    w->rect.height = std::max(w->rect.height, rect.height);
    // The backdrop stays below every other window.
    auto it =
        std::find_if(windows.begin(), windows.end(), [&](const auto& p) { return p.get() == w; });
    std::rotate(windows.begin(), it, it + 1);
    return w;
}

void GUI::CloseWindow(GUI_Window* window) {
    if (!window) return;
    const int number = window->number;
    auto it = std::find_if(windows.begin(), windows.end(),
                           [&](const auto& w) { return w.get() == window; });
    if (it == windows.end()) return;
    windows.erase(it);
    // Events of a closed window must not reach the next dialog that uses its number.
    std::vector<GUI_Event> kept;
    for (size_t i = eventRead; i < events.size(); ++i)
        if (events[i].window != number) kept.push_back(events[i]);
    events = std::move(kept);
    eventRead = 0;
    if (impl->dragWindow == number) impl->drag = kDragNone;
    for (auto& w : windows) {
        auto& b = w->blocks;
        b.erase(std::remove(b.begin(), b.end(), number), b.end());
    }
}

void GUI::CloseWindow(int number) { CloseWindow(FindWindow(number)); }

void GUI::MoveWindow(GUI_Window* window, int x, int y) {
    if (!window) return;
    const int top = MenuBarHeight();
    window->rect.x = std::clamp(x, -window->rect.width + 60, ScreenWidth() - 60);
    window->rect.y = std::clamp(y, top, std::max(top, ScreenHeight() - 20));
}

// Read-only text fields show their text word-wrapped to the field, leaving room for the
// scroll bar.
void GUI::WrapTextFields() {
    const DRELM_Font* font = skin.Font(kFontNormal);
    if (!font) return;
    for (auto& w : windows)
        for (auto& g : w->gadgets) {
            if (!g.wrapDirty) continue;
            g.wrapDirty = false;
            int width =
                g.rect.width - 2 * skin.Metrics().textBorder - skin.Metrics().vscrollWidth - 4;
            std::string wrapped;
            bool first = true;
            for (const auto& line : Wrap(font, g.source, std::max(20, width))) {
                if (!first) wrapped += '\n';
                wrapped += line;
                first = false;
            }
            g.edit.SetText(wrapped);
            g.edit.TextStart(false);
            g.scrollLine = 0;
        }
}

// ---------------------------------------------------------------------------------------
// Events, clock, pump
// ---------------------------------------------------------------------------------------

bool GUI::GetEvent(GUI_Event& event) {
    if (eventRead >= events.size()) {
        events.clear();
        eventRead = 0;
        return false;
    }
    event = events[eventRead++];
    return true;
}

void GUI::PostEvent(const GUI_Event& event) {
    // A runaway producer cannot grow the queue without bound.
    if (events.size() - eventRead < 1024) events.push_back(event);
}

void GUI::SetClock(std::function<double()> c) {
    clock = std::move(c);
    lastTime = -1;
}

void GUI::Pump() {
    DRELM_Event event;
    while (DRELM_GetEvent(&event)) HandleInput(event);
    double now =
        clock ? clock()
              : std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
                    .count();
    if (lastTime < 0) lastTime = now;
    AdvanceClock(now - lastTime);
    lastTime = now;
}

void GUI::AdvanceClock(double seconds) {
    if (seconds < 0) seconds = 0;
    accumulator = std::min(accumulator + seconds, 0.1);
    // A small tolerance keeps 0.01 s steps from being lost to rounding.
    while (accumulator >= 0.01 - 1e-9) {
        accumulator -= 0.01;
        Tick();
    }
    if (accumulator < 0) accumulator = 0;
}

void GUI::SetModalHooks(std::function<void()> frame, std::function<void()> restore) {
    frameHook = std::move(frame);
    restoreHook = std::move(restore);
}

void GUI::RunFrameHook() {
    if (frameHook) frameHook();
}

void GUI::RunRestoreHook() {
    if (restoreHook)
        restoreHook();
    else
        RestoreDevice();
}

void GUI::RestoreDevice() {
    DRELM_RestoreGraphicsDevice();
    skin.RestoreTexture();
    DRELM_FreeTexture(background);
    background = nullptr;
}

void GUI::SetClipboardText(const std::string& text) {
    if (clipboardSet) clipboardSet(text);
}

std::string GUI::ClipboardText() const { return clipboardGet ? clipboardGet() : std::string(); }

void GUI::SetClipboard(std::function<void(const std::string&)> set,
                       std::function<std::string()> get) {
    clipboardSet = std::move(set);
    clipboardGet = std::move(get);
}

void GUI::SetFocus(GUI_Window* window, int gadget) {
    if (!window) return;
    window->focus = -1;
    for (size_t i = 0; i < window->gadgets.size(); ++i)
        if (window->gadgets[i].number == gadget && gadget >= 0) window->focus = int(i);
}

int GUI::Focus(const GUI_Window* window) const {
    if (!window || window->focus < 0) return -1;
    return window->gadgets[window->focus].number;
}

Rect GUI::GadgetRect(const GUI_Window* window, int gadget) const {
    if (!window) return Rect();
    const GUI_Gadget* g = window->Gadget(gadget);
    if (!g) return Rect();
    return Rect(window->rect.x + g->rect.x, window->rect.y + g->rect.y, g->rect.width,
                g->rect.height);
}

DRELM_Point GUI::GadgetCenter(const GUI_Window* window, int gadget) const {
    Rect r = GadgetRect(window, gadget);
    if (window) {
        const GUI_Gadget* g = window->Gadget(gadget);
        if (g && g->desc.kind == GT_CHECKBOX) return DRELM_Point(r.x + 9, r.y + r.height / 2);
    }
    return DRELM_Point(r.x + r.width / 2, r.y + r.height / 2);
}

void GUI_RunModal(GUI& gui, GUI_Window* window,
                  const std::function<bool(const GUI_Event&)>& handle) {
    if (!window) return;
    const int number = window->number;
    for (;;) {
        DRELM_UpdateInput();
        gui.Pump();
        GUI_Event event;
        while (gui.GetEvent(event)) {
            if (event.type == GUI_EVENT_RESTORE) {
                gui.RunRestoreHook();
                continue;
            }
            if (handle(event)) return;
            if (gui.FindWindow(number) != window) return;
        }
        if (gui.FindWindow(number) != window) return;
        gui.RunFrameHook();
        if (gui.FindWindow(number) != window) return;
        gui.Draw();
        DRELM_NextFrame();
    }
}
