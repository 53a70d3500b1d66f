// Window layout: a grid of equal columns; rows as high as their tallest gadget; labels of
// the gadgets that start in one column share one width, so fields line up; frames pad the
// rows and columns they enclose. Each kind of gadget then takes its box within its cells.
#include <algorithm>

#include "gui/Gui.h"
#include "gui/GuiInternal.h"

using Quelm::Rect;

namespace {

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

bool IsFrame(const GUI_Gadget& g) {
    return g.desc.kind == GT_FRAME || g.desc.kind == GT_FRAME_LABEL;
}

int Span(int16_t cells) { return std::max<int>(1, cells); }

// The grid of a window and the measures every kind of gadget is placed by.
struct Grid {
    const GUI_Skin& skin;
    const GUI_SkinMetrics& m;
    const DRELM_Font* font;
    int fontHeight;
    int border;
    int columns = 1;
    int rows = 0;
    int cellWidth = 8;
    int frameInset;
    std::vector<int> labelWidth, padTop, padBottom, rowHeight, rowY;

    Grid(const GUI_Skin& skin, const GUI_Window& w, int width)
        : skin(skin),
          m(skin.Metrics()),
          font(skin.Font(kFontNormal)),
          fontHeight(font ? font->Height() : 15),
          border((w.flags & GUI_WINDOW_MAIN) ? 0 : m.mainBorder),
          frameInset(m.frameLabelBorder + 6) {
        for (const auto& g : w.gadgets) {
            columns = std::max(columns, g.desc.column + Span(g.desc.columns));
            rows = std::max(rows, g.desc.row + Span(g.desc.rows));
        }
        columns = std::min(columns, 64);
        rows = std::min(rows, 256);
        const int inner = std::max(40, width - 2 * border);
        cellWidth = std::max(8, (inner - (columns - 1) * m.gadgetSepW) / columns);
        labelWidth.assign(columns, 0);
        for (const auto& g : w.gadgets)
            if (IsLeftLabelled(g.desc.kind) && !g.label.empty() && font && g.desc.column < columns)
                labelWidth[g.desc.column] = std::max(
                    labelWidth[g.desc.column], font->TextWidth(g.label.c_str()) + m.labelSepW);
        // Frames side by side share their padding.
        padTop.assign(rows, 0);
        padBottom.assign(rows, 0);
        for (const auto& g : w.gadgets) {
            if (!IsFrame(g)) continue;
            padTop[FirstRow(g)] =
                std::max(padTop[FirstRow(g)], g.desc.kind == GT_FRAME_LABEL ? fontHeight + 4 : 10);
            padBottom[LastRow(g)] = std::max(padBottom[LastRow(g)], frameInset);
        }
        rowHeight.assign(rows, 0);
        rowY.assign(rows, 0);
    }

    int CellX(int c) const { return border + c * (cellWidth + m.gadgetSepW); }
    int Column(const GUI_Gadget& g) const { return std::clamp<int>(g.desc.column, 0, columns - 1); }
    int ColumnSpan(const GUI_Gadget& g) const {
        return std::clamp<int>(g.desc.columns, 1, columns - Column(g));
    }
    int FirstRow(const GUI_Gadget& g) const { return std::clamp<int>(g.desc.row, 0, rows - 1); }
    int LastRow(const GUI_Gadget& g) const {
        return std::clamp<int>(g.desc.row + Span(g.desc.rows) - 1, 0, rows - 1);
    }
    int LastRowFrom(const GUI_Gadget& g) const {
        return std::min(rows - 1, FirstRow(g) + Span(g.desc.rows) - 1);
    }

    // How far the frames around `g` push it in from the left and right of its cells.
    void Insets(const std::vector<GUI_Gadget>& gadgets, const GUI_Gadget& g, int& left,
                int& right) const {
        left = right = 0;
        for (const auto& f : gadgets) {
            if (!IsFrame(f) || &f == &g) continue;
            const int fc0 = f.desc.column, fc1 = f.desc.column + Span(f.desc.columns);
            const int fr0 = f.desc.row, fr1 = f.desc.row + Span(f.desc.rows);
            const int gc0 = g.desc.column, gc1 = g.desc.column + Span(g.desc.columns);
            if (g.desc.row < fr0 || g.desc.row >= fr1 || gc0 < fc0 || gc1 > fc1) continue;
            if (gc0 == fc0) left += frameInset;
            if (gc1 == fc1) right += frameInset;
        }
    }

    int TopLabelHeight(const GUI_Gadget& g) const { return g.label.empty() ? 0 : fontHeight + 4; }

    // The height a gadget asks for at a box width (labels wrap to it).
    int NaturalHeight(GUI_Gadget& g, int boxWidth) const {
        const int lines = g.desc.height > 0 ? g.desc.height : 0;
        switch (g.desc.kind) {
            case GT_LIST: {
                const bool header =
                    std::any_of(g.columns.begin(), g.columns.end(),
                                [](const GUI_ListColumn& c) { return !c.title.empty(); });
                const int row = fontHeight + 2 * m.spacing + 2;
                return (lines ? lines : 6) * row + 8 + (header ? 21 : 0) + TopLabelHeight(g);
            }
            case GT_TEXTFIELD:
                return (lines ? lines : 4) * fontHeight + 2 * m.textBorder + TopLabelHeight(g);
            case GT_LABEL:
                g.lines = font ? GUI_Detail::Wrap(font, g.label, boxWidth)
                               : std::vector<std::string>{g.label};
                return std::max(1, int(g.lines.size())) * fontHeight + 2;
            case GT_VSLIDER:
            case GT_VGAUGE:
            case GT_VSCRBAR:
                return (g.desc.height > 0 ? g.desc.height : 100) + TopLabelHeight(g);
            case GT_IMAGE:
                return (g.desc.height > 0 ? g.desc.height : 64) + TopLabelHeight(g);
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
    }
};

// Where one gadget goes: its cells' box, and the part of it the gadget takes.
struct Box {
    int x0, x1, top, bottom;  // the cells, less frame insets and the left label
    int y = 0, width = 0, height = 0;
};

void PlaceFrame(const Grid& grid, const std::vector<GUI_Gadget>& gadgets, GUI_Gadget& g) {
    int left, right;
    grid.Insets(gadgets, g, left, right);
    const int first = grid.FirstRow(g), last = grid.LastRowFrom(g);
    const int x0 = grid.CellX(grid.Column(g)) + left;
    const int x1 = grid.CellX(grid.Column(g) + grid.ColumnSpan(g) - 1) + grid.cellWidth - right;
    int top = grid.rowY[first] - grid.padTop[first];
    const int bottom = grid.rowY[last] + grid.rowHeight[last] + grid.padBottom[last] - 2;
    // A title sits across the top line, so the line runs through its middle.
    if (g.desc.kind == GT_FRAME_LABEL) top += grid.fontHeight / 2 - 2;
    g.rect = Rect(x0, top, x1 - x0, bottom - top);
}

// A number field: the digits' box, then its minus and plus buttons (fine ones outside).
void PlaceNumberField(const Grid& grid, GUI_Gadget& g, const Box& box) {
    const GUI_SkinMetrics& m = grid.m;
    const DRELM_Font* mono = grid.skin.Font(kFontMono);
    const int digitW = mono ? mono->TextWidth("0") : 8;
    int fieldW = std::max<int>(g.desc.width, digitW * g.edit.MaxLength() + 2 * m.textBorder + 4);
    const int buttonW = m.height - 4;
    const int buttons = (g.desc.flags & GUI_NO_BUTTONS) ? 0 : (g.desc.flags & GUI_FINE) ? 4 : 2;
    if (fieldW + buttons * (buttonW + m.buttonSep) > box.width)
        fieldW = std::max(24, box.width - buttons * (buttonW + m.buttonSep));
    int bx = box.x0 + fieldW + m.buttonSep;
    for (Rect& b : g.buttons) b = Rect();
    // Without fine buttons only the middle two of the four places are taken.
    const int first = buttons == 4 ? 0 : 1;
    for (int k = 0; k < buttons; ++k) {
        g.buttons[first + k] = Rect(bx, box.y, buttonW, box.height);
        bx += buttonW + m.buttonSep;
    }
    g.rect = Rect(box.x0, box.y, fieldW, box.height);
    if (!g.label.empty()) {
        const int label = grid.labelWidth[grid.Column(g)];
        g.labelRect = Rect(box.x0 - label, box.y, label, box.height);
    }
}

// Push buttons: as wide as asked, or as their text when pushed to the right; the small
// and flat kinds a little lower than a row.
void FitButton(const Grid& grid, const GUI_Gadget& g, Box& box) {
    const GUI_SkinMetrics& m = grid.m;
    if (g.desc.width > 0) box.width = std::min<int>(box.width, g.desc.width);
    if (!(g.desc.flags & GUI_FILL) && g.desc.width <= 0 && grid.font &&
        (g.desc.flags & GUI_ALIGN_RIGHT)) {
        const int natural =
            std::max(m.minWidth, grid.font->TextWidth(g.label.c_str()) + 2 * m.buttonBorder);
        box.width = std::min(box.width, natural);
    }
    if (g.desc.flags & GUI_ALIGN_RIGHT) box.x0 = box.x1 - box.width;
    if (g.desc.kind == GT_MBUTTON || g.desc.kind == GT_SPEEDBUTTON ||
        g.desc.kind == GT_SPEEDCHECKBUTTON || g.desc.kind == GT_SPEEDSELECTBUTTON) {
        box.height = std::min(box.height, m.height - 2);
        box.y = box.top + (box.bottom - box.top - box.height) / 2;
    }
}

// The width a kind takes of its cells; false for a number field, which places itself.
bool FitWidth(const Grid& grid, const GUI_Gadget& g, Box& box) {
    if (GUI_Detail::IsPushButton(g.desc.kind)) {
        FitButton(grid, g, box);
        return true;
    }
    switch (g.desc.kind) {
        case GT_CHECKBOX: {
            const int textW = grid.font ? grid.font->TextWidth(g.label.c_str()) : 0;
            box.width = std::min(box.width, 18 + (textW ? 8 + textW : 0));
            return true;
        }
        case GT_TEXTLINE:
            return !g.numeric;
        case GT_SELECTBOX:
        case GT_HSLIDER:
        case GT_HGAUGE:
        case GT_PROGRESSBAR:
        case GT_HSCRBAR:
            if (g.desc.width > 0) box.width = std::min<int>(box.width, g.desc.width);
            return true;
        case GT_VSLIDER:
        case GT_VGAUGE:
        case GT_VSCRBAR:
            box.width = std::min(box.width, g.desc.width > 0            ? int(g.desc.width)
                                            : g.desc.kind == GT_VSCRBAR ? grid.m.vscrollWidth
                                                                        : 20);
            return true;
        case GT_VSPACE_BAR:
            box.x0 += (box.width - 8) / 2;
            box.width = 8;
            return true;
        default:
            return true;
    }
}

void PlaceGadget(const Grid& grid, GUI_Gadget& g, int natural, int left, int right) {
    const int first = grid.FirstRow(g), last = grid.LastRowFrom(g);
    Box box{left, right, grid.rowY[first], grid.rowY[last] + grid.rowHeight[last]};
    box.height = natural;
    if (g.desc.rows > 1 || g.desc.kind == GT_VSPACE_BAR || g.desc.kind == GT_LIST ||
        g.desc.kind == GT_TEXTFIELD || g.desc.kind == GT_IMAGE)
        box.height = box.bottom - box.top;  // tall gadgets fill their rows
    const bool topLabelled = IsTopLabelled(g.desc.kind);
    if (topLabelled && !g.label.empty()) {
        g.labelRect = Rect(box.x0, box.top, box.x1 - box.x0, grid.fontHeight);
        box.top += grid.fontHeight + 4;
        box.height -= grid.fontHeight + 4;
    }
    box.y = topLabelled ? box.top : box.top + (box.bottom - box.top - box.height) / 2;
    box.width = box.x1 - box.x0;
    if (!FitWidth(grid, g, box)) {
        PlaceNumberField(grid, g, box);
        return;
    }
    g.rect = Rect(box.x0, box.y, std::max(1, box.width), std::max(1, box.height));
    if (IsLeftLabelled(g.desc.kind) && !g.label.empty()) {
        const int label = grid.labelWidth[grid.Column(g)];
        g.labelRect = Rect(box.x0 - label, box.y, label, box.height);
    }
    if (g.desc.kind == GT_LIST)
        g.visibleRows = std::max(1, GUI_Detail::ListLayout(grid.skin, g).rows);
    if (g.desc.kind == GT_TEXTFIELD)
        g.visibleRows =
            std::max(1, GUI_Detail::TextArea(grid.skin, g).height / std::max(1, grid.fontHeight));
}

// Row heights from the gadgets' natural heights, then the rows' positions; gives back the
// window's height.
int MeasureRows(Grid& grid, const GUI_Window& w, const std::vector<int>& natural) {
    for (size_t i = 0; i < w.gadgets.size(); ++i) {
        const GUI_Gadget& g = w.gadgets[i];
        if (Span(g.desc.rows) == 1 && g.desc.row >= 0 && g.desc.row < grid.rows)
            grid.rowHeight[g.desc.row] = std::max(grid.rowHeight[g.desc.row], natural[i]);
    }
    // Gadgets over several rows (not frames) make their last row taller when needed.
    for (size_t i = 0; i < w.gadgets.size(); ++i) {
        const GUI_Gadget& g = w.gadgets[i];
        if (Span(g.desc.rows) == 1 || IsFrame(g)) continue;
        const int r0 = grid.FirstRow(g), r1 = grid.LastRowFrom(g);
        int have = (r1 - r0) * grid.m.gadgetSepH;
        for (int r = r0; r <= r1; ++r)
            have += grid.rowHeight[r] + (r > r0 ? grid.padTop[r] : 0) +
                    (r < r1 ? grid.padBottom[r] : 0);
        if (natural[i] > have) grid.rowHeight[r1] += natural[i] - have;
    }
    int y = w.titleHeight + grid.border;
    for (int r = 0; r < grid.rows; ++r) {
        y += grid.padTop[r];
        grid.rowY[r] = y;
        y += grid.rowHeight[r] + grid.padBottom[r] + (r + 1 < grid.rows ? grid.m.gadgetSepH : 0);
    }
    return y + grid.border;
}

}  // namespace

void GUI::Layout(GUI_Window& w, int width) {
    const GUI_SkinMetrics& m = skin.Metrics();
    const GUI_SkinPart* titlePart = skin.Part(kPartTitleBarFront);
    w.titleHeight = (w.flags & GUI_WINDOW_NO_TITLE) ? 0 : (titlePart ? titlePart->h : m.height);
    Grid grid(skin, w, width);

    const size_t count = w.gadgets.size();
    std::vector<int> natural(count), left(count), right(count);
    for (size_t i = 0; i < count; ++i) {
        GUI_Gadget& g = w.gadgets[i];
        const int col = grid.Column(g);
        int insetLeft, insetRight;
        grid.Insets(w.gadgets, g, insetLeft, insetRight);
        left[i] =
            grid.CellX(col) + insetLeft + (IsLeftLabelled(g.desc.kind) ? grid.labelWidth[col] : 0);
        right[i] = grid.CellX(col + grid.ColumnSpan(g) - 1) + grid.cellWidth - insetRight;
        natural[i] = grid.NaturalHeight(g, std::max(8, right[i] - left[i]));
    }
    const int height = MeasureRows(grid, w, natural);
    for (size_t i = 0; i < count; ++i) {
        if (IsFrame(w.gadgets[i]))
            PlaceFrame(grid, w.gadgets, w.gadgets[i]);
        else
            PlaceGadget(grid, w.gadgets[i], natural[i], left[i], right[i]);
    }

    if (!(w.flags & GUI_WINDOW_NO_CLOSE)) {
        const GUI_SkinPart* close = skin.Part(kPartWindowClose);
        const int size = close ? close->w : 16;
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
