// Pattern lines as text in the layout template, drawn with the pattern font into a ring of
// rows; titles, division lines and the overlay around them.
#include "app/shell/PatternDraw.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kTitleHeight = 14;
constexpr int kLineHeight = 12;

uint32_t Opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFF); }

uint32_t BlendHalf(uint32_t a, uint32_t b) {
    return 0xFF000000u | (((a & 0xFEFEFE) >> 1) + ((b & 0xFEFEFE) >> 1));
}

// Colour of a channel's note-part characters.
uint8_t NoteColour(int channel, uint8_t note) {
    if (channel == kNoiseChannel) return note >= kNotePeriodicHigh ? PatternDraw::kText : PatternDraw::kTextInvalid;
    if (note == kNoteNul) return PatternDraw::kTitles;
    if (note == kNoteEmpty || (note >= kNoteLowestPlayable && note <= kNoteHighestPlayable))
        return PatternDraw::kText;
    return PatternDraw::kTextInvalid;
}

void Put(char* text, uint8_t* colours, int at, const char* s, int n, uint8_t colour) {
    std::memcpy(text + at, s, n);
    std::memset(colours + at, colour, n);
}

void GlobalValue(uint8_t cmd, uint8_t value, char out[5]) {
    if (cmd == kGlobalSP) {
        const int whole = value / 8;
        std::snprintf(out, 5, "%2d.%d", whole, (value % 8) * 9 / 7);
    } else if (cmd >= kGlobalST && cmd <= kGlobalPV) {
        std::snprintf(out, 5, "  %02X", value);
    } else {
        std::memcpy(out, "    ", 5);
    }
}

}  // namespace

bool PatternDraw::SetFont(const DRELM_Surface& picture) {
    if (picture.Width() < kPatternFontCount * 8 || picture.Height() < 2 * kPatternGlyphRows)
        return false;
    for (int i = 0; i < kPatternFontCount; ++i)
        for (int r = 0; r < kPatternGlyphRows; ++r) {
            uint8_t n = 0, w = 0;
            for (int k = 0; k < 8; ++k)
                if (picture.GetPixel(i * 8 + k, r).a >= 128) n |= static_cast<uint8_t>(0x80 >> k);
            for (int k = 0; k < 4; ++k)
                if (picture.GetPixel(i * 4 + k, kPatternGlyphRows + r).a >= 128)
                    w |= static_cast<uint8_t>(0x80 >> k);
            normal[i][r] = n;
            narrow[i][r] = w;
        }
    return true;
}

void PatternDraw::SetColours(const uint32_t rgb[kColourCount], bool tactAsLines) {
    for (int i = 0; i < kColourCount; ++i) colours[i] = Opaque(rgb[i]);
    tactLines = tactAsLines;
}

// Pixel x of each template character, and where its text starts.
static int TemplateX(const char* layout, int index) {
    bool isNarrow = false;
    int x = 0;
    for (int i = 0; layout[i] && i < index; ++i) {
        if (layout[i] == '|') x += 4;
        else if (layout[i] == '}') isNarrow = !isNarrow;
        else x += isNarrow ? 4 : 8;
    }
    return x;
}

void PatternDraw::Layout(PatternView& view) {
    rows = view.visibleLines;
    // The narrow template puts the effect letters 2 px left of the effect sub-column, so
    // the line before them moves into the gap instead of crossing them.
    const ColumnGeometry& g = view.geometry;
    const int lettersX = TemplateX(g.layoutTemplate, g.fields.effect);
    effectLineX = 32 + g.effectStart > lettersX ? lettersX - 1 : 32 + g.effectStart;
    ring.Create(view.geometry.areaWidth, kTitleHeight + rows * kLineHeight, DRELM_FORMAT_A8R8G8B8);
    pixels = static_cast<uint32_t*>(ring.Lock(DRELM_LOCK_READWRITE));
    pitch = ring.Pitch() / 4;
    ring.Unlock();
    view.Invalidate(kRedrawTitles | kRedrawLines);
}

void PatternDraw::Fill(int x, int y, int w, int h, uint32_t colour) {
    const int x0 = std::max(0, x), x1 = std::min(ring.Width(), x + w);
    const int y0 = std::max(0, y), y1 = std::min(ring.Height(), y + h);
    for (int yy = y0; yy < y1; ++yy) std::fill(pixels + yy * pitch + x0, pixels + yy * pitch + x1, colour);
}

void PatternDraw::DrawGlyph(int x, int y, uint8_t c, bool isNarrow, uint32_t colour) {
    if (c < kPatternFontFirst || c >= kPatternFontFirst + kPatternFontCount) c = '?';
    const uint8_t* glyph = isNarrow ? narrow[c - kPatternFontFirst] : normal[c - kPatternFontFirst];
    const int width = isNarrow ? 4 : 8;
    for (int r = 0; r < kPatternGlyphRows; ++r) {
        if (!glyph[r] || y + r < 0 || y + r >= ring.Height()) continue;
        uint32_t* row = pixels + (y + r) * pitch;
        for (int k = 0; k < width; ++k)
            if ((glyph[r] & (0x80 >> k)) && x + k >= 0 && x + k < ring.Width()) row[x + k] = colour;
    }
}

void PatternDraw::Print(int x, int y, const char* text, uint32_t colour) {
    for (; *text; ++text, x += 8) DrawGlyph(x, y, static_cast<uint8_t>(*text), false, colour);
}

void PatternDraw::FillLine(const PatternView& view, int line) {
    const PatternLine& l = view.CurrentPattern().lines[line];
    char* text = const_cast<char*>(view.lineText);
    uint8_t* col = const_cast<uint8_t*>(view.lineColours);
    const TemplateFields& f = view.geometry.fields;
    char buffer[8];
    std::snprintf(buffer, sizeof(buffer), "%3d", line);
    Put(text, col, 0, buffer, 3, kText);
    for (int c = 0; c < kChannels; ++c) {
        const int o = 24 * c;
        const uint8_t note = l.note[c];
        const uint8_t nc = NoteColour(c, note);
        Put(text, col, f.note + o, kNoteDisplay[note], 3, nc);
        if (NoteCarriesDetune(note) && l.detune[c] != 0) std::snprintf(buffer, sizeof(buffer), "%+3d", l.detune[c]);
        else std::memcpy(buffer, "   ", 4);
        Put(text, col, f.detune + o, buffer, 3, nc);
        if (note == kNoteEmpty) {
            Put(text, col, f.instrument + o, "--", 2, nc);
            Put(text, col, f.volume + o, "--", 2, nc);
        } else if (NoteCarriesInstrument(note)) {
            std::snprintf(buffer, sizeof(buffer), "%2d", l.instrument[c] % 100);
            Put(text, col, f.instrument + o, buffer, 2, nc);
            std::snprintf(buffer, sizeof(buffer), "%2d", l.volume[c] % 100);
            Put(text, col, f.volume + o, buffer, 2, nc);
        } else {
            Put(text, col, f.instrument + o, "  ", 2, nc);
            Put(text, col, f.volume + o, "  ", 2, nc);
        }
        const uint8_t effect = l.effect[c];
        const uint8_t ec = (c == kNoiseChannel && effect == kEffectPV) ? kTextInvalid : kText;
        if (effect == kEffectNone) {
            Put(text, col, f.effect + o, "--", 2, ec);
            Put(text, col, f.param + o, "---", 3, ec);
        } else {
            Put(text, col, f.effect + o, effect <= kEffectVO ? kEffectLetters[effect] : "??", 2, ec);
            std::snprintf(buffer, sizeof(buffer), " %2d", l.effectParam[c] % 100);
            Put(text, col, f.param + o, buffer, 3, ec);
        }
    }
    const int letters[2] = {f.global1Letters, f.global2Letters};
    const int values[2] = {f.global1Value, f.global2Value};
    for (int k = 0; k < kGlobalColumns; ++k) {
        const uint8_t cmd = l.globalCmd[k];
        Put(text, col, letters[k], cmd <= kGlobalPV ? kGlobalCommandLetters[cmd] : "??", 2, kText);
        GlobalValue(cmd, l.globalParam[k], buffer);
        Put(text, col, values[k], buffer, 4, kText);
    }
}

void PatternDraw::DrawText(const PatternView& view, int y) {
    const char* layout = view.geometry.layoutTemplate;
    bool isNarrow = false;
    int x = 0;
    for (int i = 0; layout[i]; ++i) {
        if (layout[i] == '|') {
            x += 4;
        } else if (layout[i] == '}') {
            isNarrow = !isNarrow;
        } else {
            DrawGlyph(x, y, static_cast<uint8_t>(view.lineText[i]), isNarrow,
                      colours[view.lineColours[i]]);
            x += isNarrow ? 4 : 8;
        }
    }
}

void PatternDraw::DrawLine(const PatternView& view, int line) {
    const int y = kTitleHeight + (line % rows) * kLineHeight;
    const int width = ring.Width();
    const ColumnGeometry& g = view.geometry;
    const Pattern& pattern = view.CurrentPattern();
    ++linesDrawn;
    if (line >= pattern.length) {
        Fill(0, y, width, kLineHeight, colours[kBackground]);
        if (line == pattern.length) Fill(0, y, width, 1, colours[kDividerMain]);
        return;
    }
    const TactMark tact = TactOfLine(pattern, line);
    const uint32_t bg = tact == ::kTactMain ? colours[kTactMain]
                        : tact == ::kTactSecondary ? colours[kTactSecondary]
                                                 : colours[kBackground];
    if (tactLines) {
        Fill(0, y, width, 1, bg);
        Fill(0, y + 1, width, kLineHeight - 1, colours[kBackground]);
    } else {
        Fill(0, y, width, kLineHeight, bg);
    }
    FillLine(view, line);
    DrawText(view, y + 2);
    for (int k = 0; k <= 4; ++k) Fill(31 + k * g.channelWidth, y, 2, kLineHeight, colours[kDividerMain]);
    for (int k = 0; k < 4; ++k)
        Fill(effectLineX + k * g.channelWidth, y, 1, kLineHeight, colours[kDividerSecondary]);
    Fill(32 + 4 * g.channelWidth + g.globalWidth, y, 1, kLineHeight, colours[kDividerSecondary]);
}

void PatternDraw::DrawTitles(const PatternView& view) {
    const ColumnGeometry& g = view.geometry;
    Fill(0, 0, ring.Width(), kTitleHeight, colours[kTitlesBg]);
    Print(0, 3, "  #", colours[kTitles]);
    const uint32_t mask = view.channelMask & 15;
    for (int c = 0; c < kChannels; ++c) {
        const bool sounding = mask & (1u << c);
        const int x = 32 + c * g.channelWidth;
        const uint32_t fg = colours[sounding ? kTitles : kTitlesDark];
        Fill(x, 0, g.channelWidth, kTitleHeight, colours[sounding ? kTitlesBg : kTitlesBgDark]);
        char title[16];
        std::snprintf(title, sizeof(title), "Channel %d", c);
        Print(x + 4, 3, title, fg);
        // The solo icon: a frame around an "S", filled when the channel sounds alone.
        const int ix = x + g.channelWidth - 18;
        const bool solo = mask == (1u << c);
        Fill(ix, 1, 16, 11, fg);
        if (!solo) Fill(ix + 1, 2, 14, 9, colours[sounding ? kTitlesBg : kTitlesBgDark]);
        DrawGlyph(ix + 4, 2, 'S', false, solo ? colours[sounding ? kTitlesBg : kTitlesBgDark] : fg);
    }
    for (int k = 0; k < kGlobalColumns; ++k) {
        char title[8];
        std::snprintf(title, sizeof(title), "Cmd.%d", k + 1);
        Print(32 + 4 * g.channelWidth + k * g.globalWidth + 4, 3, title, colours[kTitles]);
    }
}

int PatternDraw::Update(PatternView& view) {
    if (!pixels || rows != view.visibleLines || ring.Width() != view.geometry.areaWidth) Layout(view);
    const long before = linesDrawn;
    const int top = view.scrollTop;
    if (view.dirty & kRedrawTitles) DrawTitles(view);
    if (view.dirty & (kRedrawLines | kRedrawTitles)) {
        for (int l = top; l < top + rows; ++l) DrawLine(view, l);
    } else if (view.dirty & kRedrawRange) {
        const int first = std::max<int>(view.redrawFirst, top);
        const int end = std::min<int>(view.redrawFirst + view.redrawCount, top + rows);
        for (int l = first; l < end; ++l) DrawLine(view, l);
    }
    view.dirty &= ~static_cast<uint32_t>(kRedrawLines | kRedrawRange | kRedrawTitles);
    view.redrawCount = 0;
    return static_cast<int>(linesDrawn - before);
}

int PatternDraw::ColumnX(const PatternView& view, int column) const {
    const ColumnGeometry& g = view.geometry;
    if (column >= 12) return 32 + 4 * g.channelWidth + (column - 12) * g.globalWidth;
    const int start[3] = {0, g.instrumentStart, g.effectStart};
    return 32 + (column / 3) * g.channelWidth + start[column % 3];
}

int PatternDraw::ColumnWidth(const PatternView& view, int column) const {
    const ColumnGeometry& g = view.geometry;
    if (column >= 12) return g.globalWidth;
    const int end[3] = {g.instrumentStart, g.effectStart, g.channelWidth};
    const int start[3] = {0, g.instrumentStart, g.effectStart};
    return end[column % 3] - start[column % 3];
}

void PatternDraw::Compose(PatternView& view, DRELM_Surface& target, int x, int y) {
    if (!pixels) return;
    const int width = ring.Width();
    ring.CopyRect(Quelm::Rect(0, 0, width, kTitleHeight), x, y, &target);
    const int first = view.scrollTop % rows;
    for (int i = 0; i < rows; ++i) {
        const int row = (first + i) % rows;
        ring.CopyRect(Quelm::Rect(0, kTitleHeight + row * kLineHeight, width, kLineHeight), x,
                      y + kTitleHeight + i * kLineHeight, &target);
    }
    auto onScreen = [&](int line) { return y + kTitleHeight + (line - view.scrollTop) * kLineHeight; };
    const int top = y + kTitleHeight, bottom = top + rows * kLineHeight;
    auto box = [&](int bx, int by, int bw, int bh, int thick, uint32_t c) {
        const DRELM_RGBA rgba(c);
        for (int t = 0; t < thick; ++t) {
            const int y0 = std::max(by + t, top), y1 = std::min(by + bh - t, bottom);
            if (by + t >= top && by + t < bottom) target.FillRect(Quelm::Rect(bx + t, by + t, bw - 2 * t, 1), rgba);
            if (by + bh - 1 - t >= top && by + bh - 1 - t < bottom)
                target.FillRect(Quelm::Rect(bx + t, by + bh - 1 - t, bw - 2 * t, 1), rgba);
            if (y1 > y0) {
                target.FillRect(Quelm::Rect(bx + t, y0, 1, y1 - y0), rgba);
                target.FillRect(Quelm::Rect(bx + bw - 1 - t, y0, 1, y1 - y0), rgba);
            }
        }
    };
    if (view.following && view.playLine >= view.scrollTop && view.playLine < view.scrollTop + rows) {
        const int py = onScreen(view.playLine);
        for (int r = 0; r < kLineHeight; ++r)
            for (int k = 0; k < width; ++k) {
                const DRELM_RGBA old = target.GetPixel(x + k, py + r);
                target.SetPixel(x + k, py + r, DRELM_RGBA(BlendHalf(old.Packed(), colours[kPlayBar])));
            }
    }
    const Frame f = view.GetSelection();
    const int fx = x + ColumnX(view, f.x);
    const int fw = ColumnX(view, f.x + f.width - 1) + ColumnWidth(view, f.x + f.width - 1) - ColumnX(view, f.x);
    box(fx, onScreen(f.y), fw, f.height * kLineHeight, 1, colours[kCursor]);
    box(x + ColumnX(view, view.cursorColumn), onScreen(view.cursorLine), ColumnWidth(view, view.cursorColumn),
        kLineHeight, 2, colours[kCursor]);
    view.dirty &= ~static_cast<uint32_t>(kRedrawOverlay);
}
