// Drawing windows and gadgets from the skin's parts.
#include <algorithm>

#include "gui/GuiInternal.h"

using Quelm::Rect;

namespace GUI_Detail {

bool Focusable(const GUI_Gadget& g) {
    if (!g.enabled || g.IsDecoration()) return false;
    switch (g.desc.kind) {
        case GT_IMAGE:
        case GT_HGAUGE:
        case GT_VGAUGE:
        case GT_PROGRESSBAR:
        case GT_WINDOW_CLOSE:
        case GT_WINDOW_MAXIMIZE:
        case GT_WINDOW_RESIZE:
            return false;
        default:
            return true;
    }
}

const DRELM_Font* GadgetFont(const GUI_Skin& skin, const GUI_Gadget& g) {
    if ((g.desc.flags & GUI_MONO) || g.numeric) return skin.Font(kFontMono);
    return skin.Font(kFontNormal);
}

ListGeometry ListLayout(const GUI_Skin& skin, const GUI_Gadget& g) {
    const GUI_SkinMetrics& m = skin.Metrics();
    const DRELM_Font* font = skin.Font(kFontNormal);
    ListGeometry l;
    Rect r = g.rect;
    l.inner = Rect(r.x + 3, r.y + 3, r.width - 6, r.height - 6);
    bool header = std::any_of(g.columns.begin(), g.columns.end(),
                              [](const GUI_ListColumn& c) { return !c.title.empty(); });
    if (header) {
        l.header = Rect(l.inner.x, l.inner.y, l.inner.width, 20);
        l.inner.y += 21;
        l.inner.height -= 21;
    }
    l.rowHeight = (font ? font->Height() : 15) + 2 * m.spacing + 2;
    l.rows = std::max(1, l.inner.height / l.rowHeight);
    if (int(g.entries.size()) > l.rows) {
        l.scroll = Rect(r.Right() - 3 - m.vscrollWidth, l.inner.y, m.vscrollWidth, l.inner.height);
        l.inner.width -= m.vscrollWidth + 2;
        if (header) l.header.width -= m.vscrollWidth + 2;
    }
    return l;
}

Rect TextArea(const GUI_Skin& skin, const GUI_Gadget& g) {
    const GUI_SkinMetrics& m = skin.Metrics();
    Rect r = g.rect;
    Rect area(r.x + m.textBorder, r.y + m.textBorder / 2 + 1, r.width - 2 * m.textBorder,
              r.height - m.textBorder - 2);
    // A text field keeps room for its scroll bar, so that its rows do not change their
    // width when the bar comes and goes.
    if (g.desc.kind == GT_TEXTFIELD) area.width -= m.vscrollWidth + 2;
    return area;
}

Rect TextFieldScrollBar(const GUI_Skin& skin, const GUI_Gadget& g) {
    const int width = skin.Metrics().vscrollWidth;
    return Rect(g.rect.Right() - 3 - width, g.rect.y + 3, width, g.rect.height - 6);
}

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The character at `p` and its length in bytes, read as the fonts read text (a byte that
// starts no valid sequence is a Latin-1 character).
int DecodeAt(const std::string& text, int p, int end, int& character) {
    const auto c = static_cast<unsigned char>(text[size_t(p)]);
    const int length = c < 0x80         ? 1
                       : (c >> 5) == 6  ? 2
                       : (c >> 4) == 14 ? 3
                       : (c >> 3) == 30 ? 4
                                        : 0;
    if (length <= 1 || p + length > end) {
        character = c;
        return 1;
    }
    int code = c & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if (!IsContinuationByte(text[size_t(p + i)])) {
            character = c;
            return 1;
        }
        code = (code << 6) | (static_cast<unsigned char>(text[size_t(p + i)]) & 0x3F);
    }
    character = code;
    return length;
}

// Cuts the line [start, end) into rows no wider than `width`: after the last space that
// fits, or inside a word wider than a row. Spaces hang at the end of their row. One pass
// over advances, so that a long text wraps again at every key without delay.
void WrapLine(const DRELM_Font* font, const std::string& text, int start, int end, int width,
              std::vector<GUI_TextRow>& rows) {
    const int unknown = font->CharacterWidth('?');
    int rowStart = start, x = 0, breakAt = -1, widthAtBreak = 0;
    for (int p = start; p < end;) {
        int c = 0;
        const int length = DecodeAt(text, p, end, c);
        int advance = font->CharacterWidth(c);
        if (advance == 0) advance = unknown;
        if (c == ' ') {
            x += advance;
            p += length;
            breakAt = p;
            widthAtBreak = x;
            continue;
        }
        if (x + advance > width && p > rowStart) {
            if (breakAt > rowStart) {
                rows.push_back({rowStart, breakAt});
                rowStart = breakAt;
                x -= widthAtBreak;
            } else {
                rows.push_back({rowStart, p});
                rowStart = p;
                x = 0;
            }
            breakAt = -1;
            continue;  // the same character again, on the new row
        }
        x += advance;
        p += length;
    }
    rows.push_back({rowStart, end});
}

}  // namespace

const std::vector<GUI_TextRow>& TextRows(const GUI_Skin& skin, const GUI_Gadget& g) {
    const std::string& text = g.edit.Text();
    const int width = g.desc.kind == GT_TEXTFIELD ? std::max(8, TextArea(skin, g).width - 2) : -2;
    if (g.rowsWidth == width && g.rowsRevision == g.edit.Revision() && !g.rows.empty())
        return g.rows;
    g.rows.clear();
    g.rowsWidth = width;
    g.rowsRevision = g.edit.Revision();
    const DRELM_Font* font = GadgetFont(skin, g);
    int start = 0;
    for (;;) {
        size_t feed = g.desc.kind == GT_TEXTFIELD ? text.find('\n', start) : std::string::npos;
        const int end = feed == std::string::npos ? int(text.size()) : int(feed);
        if (font && width > 0)
            WrapLine(font, text, start, end, width, g.rows);
        else
            g.rows.push_back({start, end});
        if (feed == std::string::npos) break;
        start = end + 1;
    }
    return g.rows;
}

int RowOf(const std::vector<GUI_TextRow>& rows, int offset) {
    auto it = std::upper_bound(rows.begin(), rows.end(), offset,
                               [](int o, const GUI_TextRow& r) { return o < r.start; });
    return std::max(0, int(it - rows.begin()) - 1);
}

int OffsetInRow(const DRELM_Font* font, const std::string& text, const GUI_TextRow& row, int x) {
    int best = row.start, bestWidth = 0;
    for (int p = row.start; p <= row.end; ++p) {
        if (p < row.end && IsContinuationByte(text[p])) continue;
        const int width = font->TextPartWidth(text.c_str(), row.start, p - row.start);
        if (width - x > 0) {
            if (x - bestWidth > width - x) best = p;
            break;
        }
        best = p;
        bestWidth = width;
    }
    // A row that wrapped ends where the next one starts, so its end would show the cursor
    // on the next row: it stops before the row's last character instead.
    if (best == row.end && best > row.start && row.end < int(text.size()) &&
        text[row.end] != '\n') {
        --best;
        while (best > row.start && IsContinuationByte(text[best])) --best;
    }
    return best;
}

ScrollGeometry ScrollLayout(const GUI_Skin&, const Rect& r, bool vertical, int total, int page,
                            int position) {
    ScrollGeometry s;
    s.vertical = vertical;
    s.back = r;
    const int thick = vertical ? r.width : r.height;
    const int length = vertical ? r.height : r.width;
    const int arrow = std::min(thick, length / 3);
    const int track = std::max(0, length - 2 * arrow);
    int grip = total > 0 ? int(int64_t(track) * std::max(1, page) / std::max(total, 1)) : track;
    grip = std::clamp(grip, std::min(track, 16), track);
    const int range = std::max(1, total - page);
    const int offset =
        total > page ? int(int64_t(track - grip) * std::clamp(position, 0, range) / range) : 0;
    if (vertical) {
        s.less = Rect(r.x, r.y, r.width, arrow);
        s.more = Rect(r.x, r.Bottom() - arrow, r.width, arrow);
        s.grip = Rect(r.x, r.y + arrow + offset, r.width, grip);
    } else {
        s.less = Rect(r.x, r.y, arrow, r.height);
        s.more = Rect(r.Right() - arrow, r.y, arrow, r.height);
        s.grip = Rect(r.x + arrow + offset, r.y, grip, r.height);
    }
    return s;
}

Rect SliderGrip(const GUI_Skin& skin, const GUI_Gadget& g) {
    const bool vertical = g.desc.kind == GT_VSLIDER;
    const GUI_SkinPart* p = skin.Part(vertical ? kPartVSliderGrip : kPartHSliderGrip);
    const int gw = p ? p->w : 16, gh = p ? p->h : 16;
    const int range = std::max(1, g.desc.max - g.desc.min);
    const int v = std::clamp(g.value - g.desc.min, 0, range);
    if (vertical) {
        // The top is the maximum, as on a mixing desk.
        int y = g.rect.y + int(int64_t(g.rect.height - gh) * (range - v) / range);
        return Rect(g.rect.x + (g.rect.width - gw) / 2, y, gw, gh);
    }
    int x = g.rect.x + int(int64_t(g.rect.width - gw) * v / range);
    return Rect(x, g.rect.y + (g.rect.height - gh) / 2, gw, gh);
}

int ScrollMax(const GUI_Gadget& g, int rows) { return std::max(0, int(g.entries.size()) - rows); }

}  // namespace GUI_Detail

using namespace GUI_Detail;

namespace {

GUI_PartFamily ButtonFamily(GUI_GadgetKind k) {
    switch (k) {
        case GT_MBUTTON:
            return kPartMButton;
        case GT_SPEEDBUTTON:
            return kPartSpeedButton;
        case GT_SPEEDCHECKBUTTON:
            return kPartSpeedCheckButton;
        case GT_SPEEDSELECTBUTTON:
            return kPartSpeedSelectButton;
        case GT_CHECKBUTTON:
            return kPartCheckButton;
        case GT_SELECTBUTTON:
            return kPartSelectButton;
        case GT_SELECTBOX:
            return kPartSelectBox;
        default:
            return kPartButton;
    }
}

GUI_PartState LookOf(bool enabled, bool on, bool hover, bool pressed) {
    if (!enabled) return on ? kStateOnDisabled : kStateDisabled;
    if (pressed) return kStatePressed;
    if (on) return hover ? kStateOnHover : kStateOn;
    return hover ? kStateHover : kStateNormal;
}

int TextTop(const DRELM_Font* font, const Rect& r) {
    return r.y + (r.height - (font ? font->Height() : 15)) / 2;
}

}  // namespace

struct GUI_Painter {
    const GUI& gui;
    const GUI_Skin& skin;
    const GUI_Window& w;
    const GUI_SkinMetrics& m;
    int index;  // gadget index

    bool Hover() const {
        return gui.impl->hoverWindow == w.number && gui.impl->hoverGadget == index &&
               gui.impl->drag == kDragNone;
    }
    bool Pressed() const {
        return gui.impl->drag == kDragButton && gui.impl->dragWindow == w.number &&
               gui.impl->dragGadget == index && gui.impl->mouseInside;
    }
    bool Dragging(GUI_DragKind kind, int part = -1) const {
        return gui.impl->drag == kind && gui.impl->dragWindow == w.number &&
               gui.impl->dragGadget == index && (part < 0 || gui.impl->dragPart == part);
    }
    // The mouse position relative to the window.
    DRELM_Point Mouse() const {
        return DRELM_Point(gui.impl->mouse.x - w.rect.x, gui.impl->mouse.y - w.rect.y);
    }

    void Text(const DRELM_Font* font, int x, int y, const std::string& text,
              DRELM_RGBA colour) const {
        if (font) font->Print(x, y, text.c_str(), colour);
    }

    void Label(const GUI_Gadget& g) const {
        if (g.label.empty() || g.labelRect.IsEmpty()) return;
        const DRELM_Font* font = skin.Font(kFontNormal);
        DRELM_RGBA c = skin.Colour(g.enabled ? kColLabel : kColLabelDisabled);
        Text(font, g.labelRect.x,
             TextTop(font, Rect(g.labelRect.x, g.labelRect.y, 0,
                                g.labelRect.height == font->Height() ? font->Height()
                                                                     : g.labelRect.height)),
             g.label, c);
    }

    // Tall gadgets carry their label above them, centred when the gadget is narrow.
    void TopLabel(const GUI_Gadget& g) const {
        if (g.label.empty() || g.labelRect.IsEmpty()) return;
        const DRELM_Font* font = skin.Font(kFontNormal);
        int x = g.labelRect.x;
        int tw = font->TextWidth(g.label.c_str());
        if (g.rect.width < tw) x = g.rect.x + (g.rect.width - tw) / 2;
        Text(font, x, g.labelRect.y, g.label,
             skin.Colour(g.enabled ? kColLabel : kColLabelDisabled));
    }

    void Button(const GUI_Gadget& g) const {
        const bool toggle = g.desc.kind == GT_CHECKBUTTON || g.desc.kind == GT_SELECTBUTTON ||
                            g.desc.kind == GT_SPEEDCHECKBUTTON ||
                            g.desc.kind == GT_SPEEDSELECTBUTTON;
        const bool on = toggle && g.checked;
        const bool pressed = Pressed();
        GUI_PartState state = LookOf(g.enabled, on, Hover(), pressed);
        const GUI_SkinPart* part = skin.Part(ButtonFamily(g.desc.kind), state);
        skin.DrawPart(part, g.rect, DRELM_WHITE);
        const DRELM_Font* font = skin.Font(kFontNormal);
        DRELM_RGBA colour = skin.Colour(!g.enabled ? kColButtonTextDisabled
                                        : on       ? kColButtonTextOn
                                                   : kColButtonText);
        const int shift = pressed && part ? part->hvr : 0;
        int textW = font ? font->TextWidth(g.label.c_str()) : 0;
        int x = g.rect.x + (g.rect.width - textW) / 2 + shift;
        DRELM_StartClip(Rect(g.rect.x + 2, g.rect.y, g.rect.width - 4, g.rect.height));
        Text(font, std::max(g.rect.x + 4, x), TextTop(font, g.rect) + shift, g.label, colour);
        DRELM_EndClip();
    }

    void CheckBox(const GUI_Gadget& g) const {
        GUI_PartState state = LookOf(g.enabled, false, Hover(), Pressed());
        const GUI_SkinPart* part =
            g.checked
                ? skin.Part(kPartCheckBoxChecked, state == kStatePressed ? kStateHover : state)
                : skin.Part(kPartCheckBox, state);
        int size = part ? part->h : 18;
        skin.DrawPart(
            part, Rect(g.rect.x, g.rect.y + (g.rect.height - size) / 2, part ? part->w : 18, size),
            DRELM_WHITE);
        const DRELM_Font* font = skin.Font(kFontNormal);
        Text(font, g.rect.x + (part ? part->w : 18) + 8, TextTop(font, g.rect), g.label,
             skin.Colour(g.enabled ? kColLabel : kColLabelDisabled));
    }

    void SelectBox(const GUI_Gadget& g) const {
        GUI_PartState state = LookOf(g.enabled, false, Hover(), Pressed());
        skin.DrawPart(skin.Part(kPartSelectBox, state), g.rect, DRELM_WHITE);
        const DRELM_Font* font = skin.Font(kFontNormal);
        DRELM_RGBA colour = skin.Colour(g.enabled ? kColButtonText : kColButtonTextDisabled);
        const int iconW = skin.IconWidth(kIconChoice);
        DRELM_StartClip(
            Rect(g.rect.x + 2, g.rect.y, g.rect.width - iconW - 2 * m.textBorder, g.rect.height));
        if (g.value >= 0 && g.value < int(g.choices.size()))
            Text(font, g.rect.x + m.textBorder + 2, TextTop(font, g.rect), g.choices[g.value],
                 colour);
        DRELM_EndClip();
        skin.DrawIcon(kIconChoice, g.rect.Right() - iconW - m.textBorder - 1,
                      g.rect.y + (g.rect.height - skin.IconHeight(kIconChoice)) / 2, colour);
        Label(g);
    }

    GUI_PartState FieldLook(const GUI_Gadget& g, bool focused) const {
        if (!g.enabled) return kStateDisabled;
        if (g.desc.flags & GUI_READONLY) return kStateReadOnly;
        if (focused) return kStateOn;
        return Hover() ? kStateHover : kStateNormal;
    }

    void Cursor(const GUI_Gadget&, int x, int y, int height) const {
        const GUI_SkinPart* cursor = skin.Part(kPartTextCursor);
        if (!cursor) return;
        int frame =
            cursor->frames > 1 ? (gui.Ticks() / std::max(1, cursor->speed)) % cursor->frames : 0;
        skin.DrawPart(cursor, Rect(x, y, m.cursorSize, height), DRELM_RGBA(cursor->tint), frame);
    }

    void TextLine(const GUI_Gadget& g, bool focused) const {
        // A line that only shows a value has no field around it, so that it does not look
        // as if it could be typed into.
        if (!(g.desc.flags & GUI_READONLY))
            skin.DrawPart(skin.Part(kPartTextLine, FieldLook(g, focused)), g.rect, DRELM_WHITE);
        const DRELM_Font* font = GadgetFont(skin, g);
        Rect area = TextArea(skin, g);
        const std::string& text = g.edit.Text();
        const int top = TextTop(font, g.rect);
        DRELM_StartClip(Rect(area.x - 1, g.rect.y + 2, area.width + 2, g.rect.height - 4));
        const int x0 = area.x - g.scrollX;
        if (focused && g.edit.HasSelection() && font) {
            int a = font->TextPartWidth(text.c_str(), 0, g.edit.SelectionStart());
            int b = font->TextPartWidth(text.c_str(), 0, g.edit.SelectionEnd());
            skin.DrawPart(kPartTextSelection, kStateNormal,
                          Rect(x0 + a, top, b - a, font->Height()));
        }
        DRELM_RGBA colour = skin.Colour(g.enabled ? kColTextLineText : kColTextLineTextDisabled);
        Text(font, x0, top, text, colour);
        if (focused && font) {
            int c = font->TextPartWidth(text.c_str(), 0, g.edit.Cursor());
            Cursor(g, x0 + c, top, font->Height());
        }
        DRELM_EndClip();
        if (g.numeric) {
            const GUI_Icon icons[4] = {kIconMinus, kIconFineMinus, kIconFinePlus, kIconPlus};
            const GUI_Icon plain[4] = {kIconMinus, kIconMinus, kIconPlus, kIconPlus};
            const bool fine = (g.desc.flags & GUI_FINE) != 0;
            DRELM_Point mouse = Mouse();
            for (int b = 0; b < 4; ++b) {
                const Rect& r = g.buttons[b];
                if (r.IsEmpty()) continue;
                bool pressed = Dragging(kDragNumberButton, b) && r.Contains(mouse.x, mouse.y);
                bool hover = gui.impl->drag == kDragNone && gui.impl->hoverWindow == w.number &&
                             r.Contains(mouse.x, mouse.y);
                skin.DrawPart(skin.Part(kPartMButton, LookOf(g.enabled, false, hover, pressed)), r,
                              DRELM_WHITE);
                GUI_Icon icon = fine ? icons[b] : plain[b];
                skin.DrawIcon(icon, r.x + (r.width - skin.IconWidth(icon)) / 2,
                              r.y + (r.height - skin.IconHeight(icon)) / 2,
                              skin.Colour(g.enabled ? kColButtonText : kColButtonTextDisabled));
            }
        }
        Label(g);
    }

    void ScrollBar(const ScrollGeometry& s, int part0, bool enabled) const {
        const bool v = s.vertical;
        skin.DrawPart(skin.Part(v ? kPartVScrollBack : kPartHScrollBack), s.back, DRELM_WHITE);
        DRELM_Point mouse = Mouse();
        auto look = [&](const Rect& r, int part) {
            if (!enabled) return kStateDisabled;
            bool pressed = (Dragging(kDragScrollArrow, part) || Dragging(kDragScrollGrip, part)) &&
                           (gui.impl->drag == kDragScrollGrip || r.Contains(mouse.x, mouse.y));
            if (pressed) return kStatePressed;
            return gui.impl->drag == kDragNone && gui.impl->hoverWindow == w.number &&
                           gui.impl->hoverGadget == index && r.Contains(mouse.x, mouse.y)
                       ? kStateHover
                       : kStateNormal;
        };
        skin.DrawPart(skin.Part(v ? kPartVScrollUp : kPartHScrollLeft, look(s.less, part0)), s.less,
                      DRELM_WHITE);
        skin.DrawPart(skin.Part(v ? kPartVScrollDown : kPartHScrollRight, look(s.more, part0 + 1)),
                      s.more, DRELM_WHITE);
        if (enabled)
            skin.DrawPart(
                skin.Part(v ? kPartVScrollGrip : kPartHScrollGrip, look(s.grip, part0 + 2)), s.grip,
                DRELM_WHITE);
    }

    void TextField(const GUI_Gadget& g, bool focused) const {
        skin.DrawPart(skin.Part(kPartTextField, FieldLook(g, focused)), g.rect, DRELM_WHITE);
        const DRELM_Font* font = GadgetFont(skin, g);
        if (!font) return;
        Rect area = TextArea(skin, g);
        const int lineHeight = font->Height();
        const std::string& text = g.edit.Text();
        const std::vector<GUI_TextRow>& rows = TextRows(skin, g);
        const int lines = int(rows.size());
        const int visible = std::max(1, area.height / lineHeight);
        DRELM_StartClip(Rect(area.x - 1, area.y, area.width + 2, area.height));
        const int selA = g.edit.SelectionStart(), selB = g.edit.SelectionEnd();
        const int cursorRow = RowOf(rows, g.edit.Cursor());
        DRELM_RGBA colour = skin.Colour(g.enabled ? kColTextLineText : kColTextLineTextDisabled);
        for (int l = g.scrollLine; l < lines && l < g.scrollLine + visible + 1; ++l) {
            const int start = rows[size_t(l)].start, end = rows[size_t(l)].end;
            int y = area.y + (l - g.scrollLine) * lineHeight;
            std::string line = text.substr(start, end - start);
            if (focused && selA < selB && selA <= end && selB >= start) {
                int a = std::max(selA, start) - start, b = std::min(selB, end) - start;
                int xa = font->TextPartWidth(line.c_str(), 0, a),
                    xb = font->TextPartWidth(line.c_str(), 0, b);
                if (selB > end && end < int(text.size()) && text[size_t(end)] == '\n')
                    xb += 4;  // the line feed is selected too
                skin.DrawPart(kPartTextSelection, kStateNormal,
                              Rect(area.x + xa, y, xb - xa, lineHeight));
            }
            Text(font, area.x, y, line, colour);
            if (focused && !(g.desc.flags & GUI_READONLY) && l == cursorRow)
                Cursor(g, area.x + font->TextPartWidth(line.c_str(), 0, g.edit.Cursor() - start), y,
                       lineHeight);
        }
        DRELM_EndClip();
        if (lines > visible) {
            ScrollBar(
                ScrollLayout(skin, TextFieldScrollBar(skin, g), true, lines, visible, g.scrollLine),
                0, g.enabled);
        }
        if (!g.labelRect.IsEmpty())
            Text(skin.Font(kFontNormal), g.labelRect.x, g.labelRect.y, g.label,
                 skin.Colour(g.enabled ? kColLabel : kColLabelDisabled));
    }

    void List(const GUI_Gadget& g, bool focused) const {
        skin.DrawPart(skin.Part(kPartListBack, !g.enabled ? kStateDisabled
                                               : focused  ? kStateOn
                                                          : kStateNormal),
                      g.rect, DRELM_WHITE);
        ListGeometry l = ListLayout(skin, g);
        const DRELM_Font* font = GadgetFont(skin, g);
        if (!font) return;
        // Columns: given widths, the last one takes the rest.
        std::vector<GUI_ListColumn> columns = g.columns;
        if (columns.empty()) columns.push_back({"", 0});
        std::vector<int> xs(columns.size() + 1, l.inner.x);
        for (size_t c = 0; c < columns.size(); ++c) {
            int width = (c + 1 == columns.size() || columns[c].width <= 0)
                            ? std::max(0, l.inner.Right() - xs[c])
                            : columns[c].width;
            xs[c + 1] = std::min(l.inner.Right(), xs[c] + width);
        }
        if (!l.header.IsEmpty()) {
            skin.DrawPart(skin.Part(kPartListColumn), l.header, DRELM_WHITE);
            const DRELM_Font* bold = skin.Font(kFontNormal);
            for (size_t c = 0; c < columns.size(); ++c) {
                DRELM_StartClip(Rect(xs[c], l.header.y, xs[c + 1] - xs[c] - 2, l.header.height));
                Text(bold, xs[c] + m.columnBorder, TextTop(bold, l.header), columns[c].title,
                     skin.Colour(kColListColumnText));
                DRELM_EndClip();
                if (c > 0)
                    skin.DrawPart(skin.Part(kPartListLine),
                                  Rect(xs[c] - 1, l.header.y + 3, 1, l.header.height - 6),
                                  DRELM_WHITE);
            }
        }
        DRELM_StartClip(l.inner);
        const int count = int(g.entries.size());
        for (int row = 0; row <= l.rows; ++row) {
            int e = g.scrollTop + row;
            if (e >= count) break;
            Rect rr(l.inner.x, l.inner.y + row * l.rowHeight, l.inner.width, l.rowHeight);
            bool selected = e == g.value;
            if (selected)
                skin.DrawPart(skin.Part(kPartListSelection),
                              Rect(rr.x + 1, rr.y + 1, rr.width - 2, rr.height - 2),
                              focused ? DRELM_RGBA(skin.Part(kPartListSelection)->tint)
                                      : skin.Colour(kColListSelectionInactive));
            DRELM_RGBA colour = skin.Colour(!g.enabled ? kColListTextDisabled
                                            : selected ? kColListTextSelected
                                                       : kColListText);
            const std::string& entry = g.entries[e];
            int iconWidth = 0;
            if (e < int(g.entryIcons.size()) && g.entryIcons[e] >= 0 &&
                g.entryIcons[e] < kIconCount) {
                GUI_Icon icon = GUI_Icon(g.entryIcons[e]);
                skin.DrawIcon(icon, xs[0] + m.columnBorder,
                              rr.y + (rr.height - skin.IconHeight(icon)) / 2, colour);
                iconWidth = skin.IconWidth(icon) + m.iconSep;
            }
            size_t start = 0;
            for (size_t c = 0; c < columns.size(); ++c) {
                size_t tab = entry.find('\t', start);
                std::string cell =
                    entry.substr(start, tab == std::string::npos ? std::string::npos : tab - start);
                DRELM_StartClip(Rect(xs[c], rr.y, xs[c + 1] - xs[c] - 2, rr.height));
                Text(font, xs[c] + m.columnBorder + (c == 0 ? iconWidth : 0), TextTop(font, rr),
                     cell, colour);
                DRELM_EndClip();
                if (tab == std::string::npos) break;
                start = tab + 1;
            }
        }
        DRELM_EndClip();
        if (!l.scroll.IsEmpty())
            ScrollBar(ScrollLayout(skin, l.scroll, true, count, l.rows, g.scrollTop), 0, g.enabled);
        if (!g.labelRect.IsEmpty())
            Text(skin.Font(kFontNormal), g.labelRect.x, g.labelRect.y, g.label,
                 skin.Colour(g.enabled ? kColLabel : kColLabelDisabled));
    }

    void Slider(const GUI_Gadget& g) const {
        const bool v = g.desc.kind == GT_VSLIDER;
        skin.DrawPart(skin.Part(v ? kPartVSliderBack : kPartHSliderBack), g.rect, DRELM_WHITE);
        Rect grip = SliderGrip(skin, g);
        const GUI_SkinPart* filling = skin.Part(v ? kPartVSliderFilling : kPartHSliderFilling);
        if (g.enabled) {
            if (v)
                skin.DrawPart(filling,
                              Rect(g.rect.x, grip.y + grip.height / 2, g.rect.width,
                                   g.rect.Bottom() - grip.y - grip.height / 2),
                              DRELM_RGBA(filling->tint));
            else
                skin.DrawPart(
                    filling,
                    Rect(g.rect.x, g.rect.y, grip.x + grip.width / 2 - g.rect.x, g.rect.height),
                    DRELM_RGBA(filling->tint));
        }
        GUI_PartState state = LookOf(g.enabled, false, Hover(), Dragging(kDragSliderGrip));
        skin.DrawPart(skin.Part(v ? kPartVSliderGrip : kPartHSliderGrip, state), grip, DRELM_WHITE);
        if (g.desc.kind == GT_HSLIDER)
            Label(g);
        else
            TopLabel(g);
    }

    void Gauge(const GUI_Gadget& g) const {
        const int range = std::max(1, g.desc.max - g.desc.min);
        const int v = std::clamp(g.value - g.desc.min, 0, range);
        if (g.desc.kind == GT_HGAUGE) {
            skin.DrawPart(skin.Part(kPartHGaugeBack), g.rect, DRELM_WHITE);
            int w = int(int64_t(g.rect.width) * v / range);
            if (w > 0)
                skin.DrawPart(kPartHGaugeFilling, kStateNormal,
                              Rect(g.rect.x, g.rect.y, w, g.rect.height));
            Label(g);
        } else if (g.desc.kind == GT_VGAUGE) {
            skin.DrawPart(skin.Part(kPartVGaugeBack), g.rect, DRELM_WHITE);
            int h = int(int64_t(g.rect.height) * v / range);
            if (h > 0)
                skin.DrawPart(kPartVGaugeFilling, kStateNormal,
                              Rect(g.rect.x, g.rect.Bottom() - h, g.rect.width, h));
            TopLabel(g);
        } else {
            skin.DrawPart(skin.Part(kPartProgressBack), g.rect, DRELM_WHITE);
            int w = int(int64_t(g.rect.width) * v / range);
            const GUI_SkinPart* fill = skin.Part(kPartProgressFilling);
            int frame = fill && fill->frames > 1
                            ? (gui.Ticks() / std::max(1, fill->speed)) % fill->frames
                            : 0;
            if (w > 0 && fill)
                skin.DrawPart(fill, Rect(g.rect.x, g.rect.y, w, g.rect.height),
                              DRELM_RGBA(fill->tint), frame);
            const DRELM_Font* font = skin.Font(kFontNormal);
            std::string percent = std::to_string(int(int64_t(v) * 100 / range)) + " %";
            int tw = font->TextWidth(percent.c_str());
            Text(font, g.rect.x + (g.rect.width - tw) / 2, TextTop(font, g.rect), percent,
                 skin.Colour(kColButtonText));
            Label(g);
        }
    }

    void Frame(const GUI_Gadget& g) const {
        skin.DrawPart(skin.Part(kPartFrame), g.rect, DRELM_WHITE);
        if (g.desc.kind != GT_FRAME_LABEL || g.label.empty()) return;
        const DRELM_Font* font = skin.Font(kFontBold);
        int tw = font->TextWidth(g.label.c_str());
        int x = g.rect.x + m.frameLabelBorder + 4;
        int y = g.rect.y - font->Height() / 2;
        DRELM_DrawRect(Rect(x - 4, g.rect.y - 1, tw + 8, 3), skin.Colour(kColWindowBack));
        Text(font, x, y, g.label, skin.Colour(kColFrameLabel));
    }

    void Draw(const GUI_Gadget& g, bool focused) const {
        if (IsPushButton(g.desc.kind) || g.desc.kind == GT_WINDOW_MAXIMIZE)
            Button(g);
        else
            Content(g, focused);
        if (focused && Focusable(g)) {
            Rect r = g.rect;
            if (g.desc.kind == GT_CHECKBOX) r = Rect(r.x - 2, r.y, r.width + 4, r.height);
            skin.DrawPart(kPartActiveBorder, kStateNormal, r);
        }
    }

    // Every kind but the push buttons.
    void Content(const GUI_Gadget& g, bool focused) const {
        switch (g.desc.kind) {
            case GT_CHECKBOX:
                CheckBox(g);
                break;
            case GT_SELECTBOX:
                SelectBox(g);
                break;
            case GT_TEXTLINE:
                TextLine(g, focused);
                break;
            case GT_TEXTFIELD:
                TextField(g, focused);
                break;
            case GT_LIST:
                List(g, focused);
                break;
            case GT_FRAME:
            case GT_FRAME_LABEL:
                Frame(g);
                break;
            case GT_HSLIDER:
            case GT_VSLIDER:
                Slider(g);
                break;
            case GT_HGAUGE:
            case GT_VGAUGE:
            case GT_PROGRESSBAR:
                Gauge(g);
                break;
            case GT_HSCRBAR:
            case GT_VSCRBAR:
                ScrollBar(ScrollLayout(skin, g.rect, g.desc.kind == GT_VSCRBAR, g.desc.max,
                                       g.desc.page, g.value),
                          0, g.enabled);
                if (g.desc.kind == GT_VSCRBAR)
                    TopLabel(g);
                else
                    Label(g);
                break;
            case GT_HSPACE_BAR:
                skin.DrawPart(skin.Part(kPartHSpaceBar), g.rect, DRELM_WHITE);
                break;
            case GT_VSPACE_BAR:
                skin.DrawPart(skin.Part(kPartVSpaceBar), g.rect, DRELM_WHITE);
                break;
            case GT_IMAGE: {
                skin.DrawPart(skin.Part(kPartImage), g.rect, DRELM_WHITE);
                if (!g.labelRect.IsEmpty())
                    Text(skin.Font(kFontNormal), g.labelRect.x, g.labelRect.y, g.label,
                         skin.Colour(kColLabel));
                if (g.desc.draw) {
                    Rect inner(w.rect.x + g.rect.x + 2, w.rect.y + g.rect.y + 2, g.rect.width - 4,
                               g.rect.height - 4);
                    DRELM_Point t = DRELM_GetTranslate();
                    DRELM_Translate(-t.x, -t.y);
                    DRELM_StartClip(inner);
                    g.desc.draw(inner);
                    DRELM_EndClip();
                    DRELM_Translate(t.x, t.y);
                }
                break;
            }
            case GT_WINDOW_RESIZE:
                skin.DrawPart(skin.Part(kPartWindowResize), g.rect, DRELM_WHITE);
                break;
            case GT_LABEL: {
                const DRELM_Font* font =
                    skin.Font((g.desc.flags & GUI_MONO) ? kFontMono : kFontNormal);
                int y = g.rect.y;
                for (const auto& line : g.lines) {
                    int x = g.rect.x;
                    if (g.desc.flags & GUI_CENTER)
                        x += (g.rect.width - font->TextWidth(line.c_str())) / 2;
                    Text(font, x, y, line, skin.Colour(g.enabled ? kColLabel : kColLabelDisabled));
                    y += font->Height();
                }
                break;
            }
            default:
                break;
        }
    }
};

void GUI::DrawGadget(const GUI_Window& w, const GUI_Gadget& g, bool focused) const {
    GUI_Painter painter{*this, skin, w, skin.Metrics(), int(&g - w.gadgets.data())};
    painter.Draw(g, focused);
}

void GUI::DrawWindow(const GUI_Window& w, bool front) const {
    const Rect r = w.rect;
    const GUI_SkinMetrics& m = skin.Metrics();
    if (w.flags & GUI_WINDOW_MAIN) {
        DRELM_DrawRect(r, skin.Colour(kColWindowBack));
    } else {
        skin.DrawPart(kPartWindowBack, kStateNormal, r);
        if (w.titleHeight > 0) {
            Rect title(r.x, r.y, r.width, w.titleHeight);
            skin.DrawPart(skin.Part(front ? kPartTitleBarFront : kPartTitleBar), title,
                          DRELM_WHITE);
            const DRELM_Font* font = skin.Font(kFontBold);
            int right = w.closeRect.IsEmpty() ? r.Right() - m.titleBorder
                                              : r.x + w.closeRect.x - m.titleGadgetSep;
            DRELM_StartClip(Rect(r.x, r.y, std::max(0, right - r.x), w.titleHeight));
            if (font)
                font->Print(r.x + m.titleBorder, r.y + (w.titleHeight - font->Height()) / 2,
                            w.title.c_str(),
                            skin.Colour(front ? kColTitleText : kColTitleTextInactive));
            DRELM_EndClip();
            if (!w.closeRect.IsEmpty()) {
                Rect cr(r.x + w.closeRect.x, r.y + w.closeRect.y, w.closeRect.width,
                        w.closeRect.height);
                bool over = cr.Contains(impl->mouse.x, impl->mouse.y);
                GUI_PartState state = kStateNormal;
                if (impl->drag == kDragClose && impl->dragWindow == w.number)
                    state = over ? kStatePressed : kStateNormal;
                else if (impl->drag == kDragNone && over)
                    state = kStateHover;
                skin.DrawPart(skin.Part(kPartWindowClose, state), cr, DRELM_WHITE);
            }
        }
        GUI_PartFamily border = !front                         ? kPartWindowBorder
                                : (w.flags & GUI_WINDOW_MODAL) ? kPartWindowBorderMain
                                                               : kPartWindowBorderFront;
        skin.DrawPart(skin.Part(border), r, DRELM_WHITE);
    }
    DRELM_Translate(r.x, r.y);
    DRELM_StartClip(Rect(0, 0, r.width, r.height));
    // Frames first, so the gadgets inside are drawn over their lines.
    for (int pass = 0; pass < 2; ++pass)
        for (size_t i = 0; i < w.gadgets.size(); ++i) {
            const GUI_Gadget& g = w.gadgets[i];
            bool frame = g.desc.kind == GT_FRAME || g.desc.kind == GT_FRAME_LABEL;
            if (frame != (pass == 0)) continue;
            DrawGadget(w, g, front && w.focus == int(i));
        }
    DRELM_EndClip();
    DRELM_Translate(-r.x, -r.y);
}

void GUI::DrawBackground() {
    const DRELM_RGBA c[4] = {skin.Colour(kColBackLT), skin.Colour(kColBackRT),
                             skin.Colour(kColBackLB), skin.Colour(kColBackRB)};
    const Rect screenRect(0, 0, ScreenWidth(), ScreenHeight());
    if (c[0] == c[1] && c[0] == c[2] && c[0] == c[3]) {
        DRELM_DrawRect(screenRect, c[0]);
        return;
    }
    const uint32_t key[5] = {c[0].Packed(), c[1].Packed(), c[2].Packed(), c[3].Packed(),
                             uint32_t(screenRect.width) << 16 | uint32_t(screenRect.height)};
    if (!background || !std::equal(key, key + 5, backgroundKey)) {
        DRELM_FreeTexture(background);
        background = nullptr;
        try {
            background = DRELM_CreateTexture(screenRect.width, screenRect.height,
                                             DRELM_FORMAT_X8R8G8B8, DRELM_TEXTURE_RENDER_TARGET);
        } catch (...) {
            DRELM_DrawRect4(screenRect, c[0], c[1], c[2], c[3]);
            return;
        }
        DRELM_Texture* previous = DRELM_CurrentRenderTarget();
        DRELM_SetRenderTarget(background);
        DRELM_DrawRect4(screenRect, c[0], c[1], c[2], c[3]);
        DRELM_SetRenderTarget(previous);
        std::copy(key, key + 5, backgroundKey);
    }
    background->Blit(0, 0);
}

void GUI::Draw() {
    WrapTextFields();
    const Rect screenRect(0, 0, ScreenWidth(), ScreenHeight());
    DRELM_ResetClipRect();
    bool covered = !windows.empty() && (windows.front()->flags & GUI_WINDOW_MAIN) &&
                   windows.front()->rect.x <= 0 && windows.front()->rect.y <= MenuBarHeight() &&
                   windows.front()->rect.Right() >= screenRect.width &&
                   windows.front()->rect.Bottom() >= screenRect.height;
    if (!covered) DrawBackground();
    // The front window is the topmost one that is not the backdrop.
    const GUI_Window* front = nullptr;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (!((*it)->flags & GUI_WINDOW_MAIN)) {
            front = it->get();
            break;
        }
    // Everything below the topmost modal window is dimmed, so it is clear what waits for an
    // answer.
    const GUI_Window* modal = nullptr;
    for (const auto& w : windows)
        if ((w->flags & GUI_WINDOW_MODAL) && !(w->flags & GUI_WINDOW_MAIN) && !w->blocks.empty())
            modal = w.get();
    bool barDrawn = false;
    for (const auto& w : windows) {
        if (!(w->flags & GUI_WINDOW_MAIN) && !barDrawn) {
            DrawMenuBar();
            barDrawn = true;
        }
        if (w.get() == modal) DRELM_DrawRect(screenRect, DRELM_RGBA(0, 0, 0, 80));
        DrawWindow(*w, w.get() == front || (!front && (w->flags & GUI_WINDOW_MAIN)));
    }
    if (!barDrawn) DrawMenuBar();
    DrawMenus();
}
