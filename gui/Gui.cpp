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

bool IsLeftLabelled(GUI_GadgetKind k) {
    switch (k) {
        case GT_TEXTLINE:
        case GT_SELECTBOX:
        case GT_HSLIDER:
        case GT_HGAUGE:
        case GT_PROGRESSBAR:
        case GT_HSCRBAR:
            return true;
        default:
            return false;
    }
}

bool IsTopLabelled(GUI_GadgetKind k) {
    return k == GT_LIST || k == GT_TEXTFIELD || k == GT_VSLIDER || k == GT_VGAUGE ||
           k == GT_VSCRBAR || k == GT_IMAGE;
}

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

}  // namespace

bool GUI_Gadget::IsDecoration() const {
    switch (desc.kind) {
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
        lastList = -1;
        GUI_Gadget& g = window->gadgets.back();
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
            case GT_TEXTFIELD: {
                GUI_Format f = GUI_ParseFormat(d.text);
                g.edit.SetMultiline(d.kind == GT_TEXTFIELD);
                if (d.kind == GT_TEXTLINE && f.number) {
                    g.numeric = true;
                    g.hex = f.hex;
                    g.digits = f.digits;
                    g.decimals = f.decimals;
                    g.edit.SetMaxLength(f.maxLength);
                    bool hex = f.hex, decimals = f.decimals > 0;
                    g.edit.SetFilter([hex, decimals](char32_t c) {
                        if (hex) return (c < 128 && std::isxdigit(int(c))) || c == '$';
                        return (c >= '0' && c <= '9') || c == '-' || (decimals && c == '.');
                    });
                    g.value = std::clamp(d.value, d.min, std::max(d.min, d.max));
                    g.edit.SetText(GUI_FormatNumber(f, g.value, d.scale));
                } else {
                    g.edit.SetMaxLength(d.kind == GT_TEXTFIELD && !d.text ? 65535 : f.maxLength);
                    g.edit.SetText(d.content ? d.content : "");
                    g.edit.TextStart(false);
                    if (d.kind == GT_TEXTFIELD && (d.flags & GUI_READONLY)) {
                        g.source = g.edit.Text();
                        g.wrapDirty = true;
                    }
                }
                break;
            }
            case GT_LIST:
                g.value = -1;
                lastList = int(window->gadgets.size()) - 1;
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
        if (!g.IsDecoration()) g.number = next++;
    }
    window->focus = -1;
    for (size_t i = 0; i < window->gadgets.size(); ++i)
        if (window->gadgets[i].desc.flags & GUI_FOCUS) window->focus = int(i);
    if (window->focus < 0)
        for (size_t i = 0; i < window->gadgets.size(); ++i) {
            const auto& g = window->gadgets[i];
            if (g.enabled && !(g.desc.flags & GUI_READONLY) &&
                (g.desc.kind == GT_TEXTLINE || g.desc.kind == GT_TEXTFIELD ||
                 g.desc.kind == GT_LIST)) {
                window->focus = int(i);
                break;
            }
        }
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

// ---------------------------------------------------------------------------------------
// Layout: a grid of equal columns; rows as high as their tallest gadget; labels of the
// gadgets that start in one column share one width, so fields line up.
// ---------------------------------------------------------------------------------------

void GUI::Layout(GUI_Window& w, int width) {
    const GUI_SkinMetrics& m = skin.Metrics();
    const DRELM_Font* font = skin.Font(kFontNormal);
    const int fontHeight = font ? font->Height() : 15;
    const bool main = (w.flags & GUI_WINDOW_MAIN) != 0;
    const GUI_SkinPart* titlePart = skin.Part(kPartTitleBarFront);
    w.titleHeight = (w.flags & GUI_WINDOW_NO_TITLE) ? 0 : (titlePart ? titlePart->h : m.height);
    const int border = main ? 0 : m.mainBorder;
    const int inner = std::max(40, width - 2 * border);

    int columns = 1, rows = 0;
    for (const auto& g : w.gadgets) {
        columns = std::max(columns, g.desc.column + std::max<int>(1, g.desc.columns));
        rows = std::max(rows, g.desc.row + std::max<int>(1, g.desc.rows));
    }
    columns = std::min(columns, 64);
    rows = std::min(rows, 256);
    const int cellWidth = std::max(8, (inner - (columns - 1) * m.gadgetSepW) / columns);
    auto cellX = [&](int c) { return border + c * (cellWidth + m.gadgetSepW); };

    std::vector<int> labelWidth(columns, 0);
    for (const auto& g : w.gadgets)
        if (IsLeftLabelled(g.desc.kind) && !g.label.empty() && font && g.desc.column < columns)
            labelWidth[g.desc.column] =
                std::max(labelWidth[g.desc.column], font->TextWidth(g.label.c_str()) + m.labelSepW);

    // Frames pad the rows and columns they enclose.
    std::vector<int> padTop(rows, 0), padBottom(rows, 0);
    const int frameInset = m.frameLabelBorder + 6;
    for (const auto& g : w.gadgets) {
        if (g.desc.kind != GT_FRAME && g.desc.kind != GT_FRAME_LABEL) continue;
        int r0 = std::clamp<int>(g.desc.row, 0, rows - 1);
        int r1 = std::clamp<int>(g.desc.row + std::max<int>(1, g.desc.rows) - 1, 0, rows - 1);
        // Frames side by side share their padding.
        padTop[r0] = std::max(padTop[r0], g.desc.kind == GT_FRAME_LABEL ? fontHeight + 4 : 10);
        padBottom[r1] = std::max(padBottom[r1], frameInset);
    }
    auto insets = [&](const GUI_Gadget& g, int& left, int& right) {
        left = right = 0;
        for (const auto& f : w.gadgets) {
            if ((f.desc.kind != GT_FRAME && f.desc.kind != GT_FRAME_LABEL) || &f == &g) continue;
            int fc0 = f.desc.column, fc1 = f.desc.column + std::max<int>(1, f.desc.columns);
            int fr0 = f.desc.row, fr1 = f.desc.row + std::max<int>(1, f.desc.rows);
            int gc0 = g.desc.column, gc1 = g.desc.column + std::max<int>(1, g.desc.columns);
            if (g.desc.row < fr0 || g.desc.row >= fr1 || gc0 < fc0 || gc1 > fc1) continue;
            if (gc0 == fc0) left += frameInset;
            if (gc1 == fc1) right += frameInset;
        }
    };

    // Natural heights.
    const int listRow = fontHeight + 2 * m.spacing + 2;
    auto naturalHeight = [&](GUI_Gadget& g, int boxWidth) {
        const int lines = g.desc.height > 0 ? g.desc.height : 0;
        switch (g.desc.kind) {
            case GT_LIST: {
                bool header = std::any_of(g.columns.begin(), g.columns.end(),
                                          [](const GUI_ListColumn& c) { return !c.title.empty(); });
                int h = (lines ? lines : 6) * listRow + 8 + (header ? 21 : 0);
                return h + (g.label.empty() ? 0 : fontHeight + 4);
            }
            case GT_TEXTFIELD:
                return (lines ? lines : 4) * fontHeight + 2 * m.textBorder +
                       (g.label.empty() ? 0 : fontHeight + 4);
            case GT_LABEL:
                g.lines = font ? Wrap(font, g.label, boxWidth) : std::vector<std::string>{g.label};
                return std::max(1, int(g.lines.size())) * fontHeight + 2;
            case GT_VSLIDER:
            case GT_VGAUGE:
            case GT_VSCRBAR:
                return (g.desc.height > 0 ? g.desc.height : 100) +
                       (g.label.empty() ? 0 : fontHeight + 4);
            case GT_IMAGE:
                return (g.desc.height > 0 ? g.desc.height : 64) +
                       (g.label.empty() ? 0 : fontHeight + 4);
            case GT_HSPACE_BAR:
                return 8;
            case GT_HVSPACE_BAR:
                return g.desc.height > 0 ? int(g.desc.height) : 8;
            case GT_VSPACE_BAR:
            case GT_FRAME:
            case GT_FRAME_LABEL:
                return 0;
            default:
                return m.height;
        }
    };

    std::vector<int> rowHeight(rows, 0);
    std::vector<int> natural(w.gadgets.size(), 0);
    std::vector<int> boxLeft(w.gadgets.size()), boxRight(w.gadgets.size());
    for (size_t i = 0; i < w.gadgets.size(); ++i) {
        GUI_Gadget& g = w.gadgets[i];
        int col = std::clamp<int>(g.desc.column, 0, columns - 1);
        int span = std::clamp<int>(g.desc.columns, 1, columns - col);
        int l, r;
        insets(g, l, r);
        boxLeft[i] = cellX(col) + l + (IsLeftLabelled(g.desc.kind) ? labelWidth[col] : 0);
        boxRight[i] = cellX(col + span - 1) + cellWidth - r;
        natural[i] = naturalHeight(g, std::max(8, boxRight[i] - boxLeft[i]));
        if (std::max<int>(1, g.desc.rows) == 1 && g.desc.row >= 0 && g.desc.row < rows)
            rowHeight[g.desc.row] = std::max(rowHeight[g.desc.row], natural[i]);
    }
    // Gadgets over several rows (not frames) make their last row taller when needed.
    for (size_t i = 0; i < w.gadgets.size(); ++i) {
        const GUI_Gadget& g = w.gadgets[i];
        int span = std::max<int>(1, g.desc.rows);
        if (span == 1 || g.desc.kind == GT_FRAME || g.desc.kind == GT_FRAME_LABEL) continue;
        int r0 = std::clamp<int>(g.desc.row, 0, rows - 1), r1 = std::min(rows - 1, r0 + span - 1);
        int have = (r1 - r0) * m.gadgetSepH;
        for (int r = r0; r <= r1; ++r)
            have += rowHeight[r] + (r > r0 ? padTop[r] : 0) + (r < r1 ? padBottom[r] : 0);
        if (natural[i] > have) rowHeight[r1] += natural[i] - have;
    }
    std::vector<int> rowY(rows, 0);
    int y = w.titleHeight + border;
    for (int r = 0; r < rows; ++r) {
        y += padTop[r];
        rowY[r] = y;
        y += rowHeight[r] + padBottom[r] + (r + 1 < rows ? m.gadgetSepH : 0);
    }
    const int height = y + border;

    for (size_t i = 0; i < w.gadgets.size(); ++i) {
        GUI_Gadget& g = w.gadgets[i];
        int r0 = std::clamp<int>(g.desc.row, 0, rows - 1);
        int r1 = std::min(rows - 1, r0 + std::max<int>(1, g.desc.rows) - 1);
        int top = rowY[r0], bottom = rowY[r1] + rowHeight[r1];
        int x0 = boxLeft[i], x1 = boxRight[i];
        if (g.desc.kind == GT_FRAME || g.desc.kind == GT_FRAME_LABEL) {
            int fl, fr;
            insets(g, fl, fr);
            int col = std::clamp<int>(g.desc.column, 0, columns - 1);
            int span = std::clamp<int>(g.desc.columns, 1, columns - col);
            x0 = cellX(col) + fl;
            x1 = cellX(col + span - 1) + cellWidth - fr;
            top -= padTop[r0];
            bottom += padBottom[r1] - 2;
            // A title sits across the top line, so the line runs through its middle.
            if (g.desc.kind == GT_FRAME_LABEL) top += fontHeight / 2 - 2;
            g.rect = Rect(x0, top, x1 - x0, bottom - top);
            continue;
        }
        int h = natural[i];
        if (g.desc.rows > 1 || g.desc.kind == GT_VSPACE_BAR || g.desc.kind == GT_LIST ||
            g.desc.kind == GT_TEXTFIELD || g.desc.kind == GT_IMAGE)
            h = bottom - top;  // tall gadgets fill their rows
        if (IsTopLabelled(g.desc.kind) && !g.label.empty()) {
            g.labelRect = Rect(x0, top, x1 - x0, fontHeight);
            top += fontHeight + 4;
            h -= fontHeight + 4;
        }
        int boxY = top + (bottom - top - h) / 2;
        if (IsTopLabelled(g.desc.kind)) boxY = top;
        int boxW = x1 - x0;
        switch (g.desc.kind) {
            case GT_CHECKBOX: {
                int textW = font ? font->TextWidth(g.label.c_str()) : 0;
                boxW = std::min(boxW, 18 + (textW ? 8 + textW : 0));
                break;
            }
            case GT_TEXTLINE:
                if (g.numeric) {
                    const DRELM_Font* mono = skin.Font(kFontMono);
                    int digitW = mono ? mono->TextWidth("0") : 8;
                    int fieldW = std::max<int>(g.desc.width,
                                               digitW * g.edit.MaxLength() + 2 * m.textBorder + 4);
                    int buttonW = m.height - 4;
                    int nButtons = (g.desc.flags & GUI_NO_BUTTONS) ? 0
                                   : (g.desc.flags & GUI_FINE)     ? 4
                                                                   : 2;
                    int total = fieldW + nButtons * (buttonW + m.buttonSep);
                    if (total > boxW)
                        fieldW = std::max(24, boxW - nButtons * (buttonW + m.buttonSep));
                    boxW = std::min(boxW, fieldW + nButtons * (buttonW + m.buttonSep));
                    int bx = x0 + fieldW + m.buttonSep;
                    for (int b = 0; b < 4; ++b) g.buttons[b] = Rect();
                    const int order4[4] = {0, 1, 2, 3}, order2[2] = {1, 2};
                    for (int k = 0; k < nButtons; ++k) {
                        int index = nButtons == 4 ? order4[k] : order2[k];
                        g.buttons[index] = Rect(bx, boxY, buttonW, h);
                        bx += buttonW + m.buttonSep;
                    }
                    g.rect = Rect(x0, boxY, fieldW, h);
                    if (!g.label.empty())
                        g.labelRect = Rect(x0 - labelWidth[g.desc.column], boxY,
                                           labelWidth[g.desc.column], h);
                    continue;
                }
                break;
            case GT_BUTTON:
            case GT_MBUTTON:
            case GT_SPEEDBUTTON:
            case GT_SPEEDCHECKBUTTON:
            case GT_SPEEDSELECTBUTTON:
            case GT_CHECKBUTTON:
            case GT_SELECTBUTTON:
                if (g.desc.width > 0) boxW = std::min<int>(boxW, g.desc.width);
                if (!(g.desc.flags & GUI_FILL) && g.desc.width <= 0 && font &&
                    (g.desc.flags & GUI_ALIGN_RIGHT)) {
                    int natural =
                        std::max(m.minWidth, font->TextWidth(g.label.c_str()) + 2 * m.buttonBorder);
                    boxW = std::min(boxW, natural);
                }
                if (g.desc.flags & GUI_ALIGN_RIGHT) x0 = x1 - boxW;
                if (g.desc.kind == GT_MBUTTON || g.desc.kind == GT_SPEEDBUTTON ||
                    g.desc.kind == GT_SPEEDCHECKBUTTON || g.desc.kind == GT_SPEEDSELECTBUTTON) {
                    h = std::min(h, m.height - 2);
                    boxY = top + (bottom - top - h) / 2;
                }
                break;
            case GT_SELECTBOX:
            case GT_HSLIDER:
            case GT_HGAUGE:
            case GT_PROGRESSBAR:
            case GT_HSCRBAR:
                if (g.desc.width > 0) boxW = std::min<int>(boxW, g.desc.width);
                break;
            case GT_VSLIDER:
            case GT_VGAUGE:
            case GT_VSCRBAR:
                boxW = std::min(boxW, g.desc.width > 0
                                          ? int(g.desc.width)
                                          : (g.desc.kind == GT_VSCRBAR ? m.vscrollWidth : 20));
                break;
            case GT_VSPACE_BAR:
                x0 += (boxW - 8) / 2;
                boxW = 8;
                break;
            default:
                break;
        }
        g.rect = Rect(x0, boxY, std::max(1, boxW), std::max(1, h));
        if (IsLeftLabelled(g.desc.kind) && !g.label.empty())
            g.labelRect = Rect(x0 - labelWidth[g.desc.column], boxY, labelWidth[g.desc.column], h);
        if (g.desc.kind == GT_LIST) {
            auto geometry = GUI_Detail::ListLayout(skin, g);
            g.visibleRows = std::max(1, geometry.rows);
        }
        if (g.desc.kind == GT_TEXTFIELD) {
            Rect area = GUI_Detail::TextArea(skin, g);
            g.visibleRows = std::max(1, area.height / std::max(1, fontHeight));
        }
    }

    if (!(w.flags & GUI_WINDOW_NO_CLOSE)) {
        const GUI_SkinPart* close = skin.Part(kPartWindowClose);
        int size = close ? close->w : 16;
        w.closeRect =
            Rect(width - size - m.titleGadgetSep - 2, (w.titleHeight - size) / 2, size, size);
    } else {
        w.closeRect = Rect();
    }
    w.rect.width = width;
    w.rect.height = height;
    for (auto& g : w.gadgets)
        if (g.desc.kind == GT_TEXTFIELD && (g.desc.flags & GUI_READONLY)) g.wrapDirty = true;
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
