// The instrument graph in a surface, the keyboard gadget and the instrument selector.
#include "app/shell/InstrumentDraw.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gui/Skin.h"

namespace {

// Semitone of each white key within an octave, and which white keys have a black key on
// their right.
constexpr int kWhiteSemitone[7] = {0, 2, 4, 5, 7, 9, 11};
constexpr bool kBlackAfter[7] = {true, true, false, true, true, true, false};

void Block(DRELM_Surface& s, int x, int y, int size, const DRELM_RGBA& colour) {
    for (int dy = 0; dy < size; ++dy)
        for (int dx = 0; dx < size; ++dx) s.SetPixel(x + dx, y + dy, colour);
}

// Bresenham, every point a size x size block.
void Line(DRELM_Surface& s, int x0, int y0, int x1, int y1, int size, const DRELM_RGBA& c) {
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        Block(s, x0, y0, size, c);
        if (x0 == x1 && y0 == y1) return;
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

struct KeyboardGeometry {
    double white;  // width of a white key
    int blackWidth, blackHeight;
};

KeyboardGeometry Geometry(int width, int height) {
    KeyboardGeometry g;
    g.white = double(width) / kKeyboardWhiteKeys;
    g.blackWidth = std::max(2, int(g.white * 0.6));
    g.blackHeight = height * 3 / 5;
    return g;
}

int WhiteSemitone(int index) { return 12 * (index / 7) + kWhiteSemitone[index % 7]; }

// Left edge of the black key right of white key `index`.
int BlackLeft(const KeyboardGeometry& g, int index) {
    return int((index + 1) * g.white) - g.blackWidth / 2;
}

}  // namespace

void RenderInstrumentGraph(const InstrumentGraph& graph, DRELM_Surface& surface) {
    if (!surface.IsCreated() || surface.Width() != graph.width ||
        surface.Height() != graph.height) {
        surface.Free();
        surface.Create(graph.width, graph.height, DRELM_FORMAT_A8R8G8B8);
    }
    surface.FillRect(Quelm::Rect(0, 0, graph.width, graph.height), DRELM_RGBA(graph.background));
    const DRELM_RGBA marker(graph.markerColour);
    for (int x : graph.markers) surface.FillRect(Quelm::Rect(x, 0, 1, graph.height), marker);
    for (const GraphBar& bar : graph.vibrato)
        surface.FillRect(Quelm::Rect(bar.x, bar.y, bar.width, bar.height), DRELM_RGBA(bar.colour));
    for (const GraphSegment& s : graph.envelope)
        Line(surface, s.x0, s.y0, s.x1, s.y1, graph.lineWidth, DRELM_RGBA(s.colour));
}

int KeyboardSemitoneAt(int x, int y, int width, int height) {
    if (x < 0 || y < 0 || x >= width || y >= height || width < kKeyboardWhiteKeys) return -1;
    const KeyboardGeometry g = Geometry(width, height);
    if (y < g.blackHeight) {
        for (int i = 0; i + 1 < kKeyboardWhiteKeys; ++i) {
            if (!kBlackAfter[i % 7]) continue;
            const int left = BlackLeft(g, i);
            if (x >= left && x < left + g.blackWidth) return WhiteSemitone(i) + 1;
        }
    }
    const int index = std::min(kKeyboardWhiteKeys - 1, int(x / g.white));
    return WhiteSemitone(index);
}

void DrawKeyboard(const Quelm::Rect& area, uint32_t held) {
    const KeyboardGeometry g = Geometry(area.width, area.height);
    const DRELM_RGBA edge(90, 90, 100), down(120, 160, 230);
    for (int i = 0; i < kKeyboardWhiteKeys; ++i) {
        const int left = int(i * g.white), right = int((i + 1) * g.white);
        const bool pressed = (held >> WhiteSemitone(i)) & 1;
        DRELM_DrawRect(Quelm::Rect(area.x + left, area.y, right - left, area.height),
                       pressed ? down : DRELM_RGBA(235, 235, 235));
        DRELM_DrawLine(area.x + left, area.y, area.x + left, area.y + area.height - 1, edge);
    }
    DRELM_DrawBox(area, edge);
    for (int i = 0; i + 1 < kKeyboardWhiteKeys; ++i) {
        if (!kBlackAfter[i % 7]) continue;
        const bool pressed = (held >> (WhiteSemitone(i) + 1)) & 1;
        DRELM_DrawRect(Quelm::Rect(area.x + BlackLeft(g, i), area.y, g.blackWidth, g.blackHeight),
                       pressed ? down : DRELM_RGBA(30, 30, 36));
    }
}

namespace {

// The minus and plus buttons are narrow so that the name has room at 640 pixels.
int SelectorButtonWidth(int width, int height) { return std::min(height, std::max(12, width / 6)); }

}  // namespace

int SelectorPartAt(int x, int width, int height) {
    const int button = SelectorButtonWidth(width, height);
    if (x < button) return -1;
    if (x >= width - button) return 1;
    return 0;
}

void DrawInstrumentSelector(const GUI_Skin& skin, const Quelm::Rect& area, const std::string& label,
                            const std::string& shortLabel, int pressedPart) {
    const int button = SelectorButtonWidth(area.width, area.height);
    const Quelm::Rect minus(area.x, area.y, button, area.height);
    const Quelm::Rect plus(area.Right() - button, area.y, button, area.height);
    const Quelm::Rect middle(minus.Right() + 1, area.y, plus.x - minus.Right() - 2, area.height);
    auto look = [&](int part) { return pressedPart == part ? kStatePressed : kStateNormal; };
    skin.DrawPart(skin.Part(kPartMButton, look(-1)), minus, DRELM_WHITE);
    skin.DrawPart(skin.Part(kPartMButton, look(1)), plus, DRELM_WHITE);
    skin.DrawPart(skin.Part(kPartButton, look(0)), middle, DRELM_WHITE);
    const DRELM_RGBA text = skin.Colour(kColButtonText);
    skin.DrawIcon(kIconMinus, minus.x + (minus.width - skin.IconWidth(kIconMinus)) / 2,
                  minus.y + (minus.height - skin.IconHeight(kIconMinus)) / 2, text);
    skin.DrawIcon(kIconPlus, plus.x + (plus.width - skin.IconWidth(kIconPlus)) / 2,
                  plus.y + (plus.height - skin.IconHeight(kIconPlus)) / 2, text);
    const DRELM_Font* font = skin.Font(kFontNormal);
    if (!font) return;
    const int y = middle.y + (middle.height - font->Height()) / 2;
    const int room = middle.width - 6;
    const std::string& shown = font->TextWidth(label.c_str()) > room ? shortLabel : label;
    font->PrintMW(middle.x + 4, y, room, shown.c_str(), text);
}

std::string SelectorText(int instrument, const Instrument& record, bool shortForm) {
    char text[48];
    std::snprintf(text, sizeof text, "%02d %.*s", instrument, int(kNameLength), record.name);
    std::string s = text;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    // A bare number says nothing of what it counts.
    if (s.size() == 2) s = (shortForm ? "Ins. " : "Instr. ") + s;
    return s;
}
