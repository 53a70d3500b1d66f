// Pixels of the pattern view: backgrounds and tacts, text colours, the end of a short
// pattern, titles, the ring of rows, the overlay, and that only dirty lines are drawn.
#include <gtest/gtest.h>

#include <memory>

#include "app/shell/PatternDraw.h"
#include "editor/EditorKeys.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"

namespace {

const uint32_t kColours[PatternDraw::kColourCount] = {
    0xF0F0F0, 0x808080, 0x203040, 0x101010, 0x000020, 0x6060A0, 0x303060,
    0xC0C0C0, 0xFF4040, 0x304030, 0x203020, 0xFFFF00, 0x00A0FF};

uint32_t Colour(int index) { return 0xFF000000u | kColours[index]; }

struct DrawRig {
    std::unique_ptr<Module> module = std::make_unique<Module>();
    std::unique_ptr<UndoHistory> undo = std::make_unique<UndoHistory>();
    PatternView view;
    PatternDraw draw;
    DRELM_Surface font;

    explicit DrawRig(int width = 800, int height = 600, bool tactLines = false) {
        module->Clear(0, 0);
        undo->Reset(*module);
        view.Setup(*module, *undo, width, height);
        font.Create(TW_SOURCE_DIR "/assets/modfont.png");
        EXPECT_TRUE(draw.SetFont(font));
        draw.SetColours(kColours, tactLines);
        draw.Layout(view);
    }
    uint32_t Pixel(int x, int y) const { return draw.Ring().GetPixel(x, y).Packed(); }
    // Row of line L in the ring.
    int RowY(int line) const { return 14 + (line % view.visibleLines) * 12; }
    // How many pixels of a colour lie in a rectangle of the ring.
    int Count(int x, int y, int w, int h, uint32_t colour) const {
        int n = 0;
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx) n += Pixel(xx, yy) == colour;
        return n;
    }
    int NoteX(int channel) const { return 32 + channel * view.geometry.channelWidth; }
};

}  // namespace

TEST(PatternDraw, FontLoadsAndTheShippedFileHasEveryGlyph) {
    DrawRig rig;
    EXPECT_EQ(rig.font.Width(), 768);
    EXPECT_EQ(rig.font.Height(), 18);
    // Every printable character but the blank has pixels in both sizes.
    for (int c = 33; c < 128; ++c) {
        int normal = 0, narrow = 0;
        for (int y = 0; y < 9; ++y) {
            for (int x = 0; x < 8; ++x) normal += rig.font.GetPixel((c - 32) * 8 + x, y).a > 0;
            for (int x = 0; x < 4; ++x) narrow += rig.font.GetPixel((c - 32) * 4 + x, 9 + y).a > 0;
        }
        EXPECT_GT(normal, 0) << c;
        EXPECT_GT(narrow, 0) << c;
    }
    DRELM_Surface small;
    small.Create(10, 10, DRELM_FORMAT_A8R8G8B8);
    PatternDraw other;
    EXPECT_FALSE(other.SetFont(small));
}

TEST(PatternDraw, BackgroundsTactsAndDivisionLines) {
    DrawRig rig;
    Pattern& p = rig.module->patterns[0];
    p.mainTactOn = 1;
    p.secondaryTactOn = 1;  // every 8 lines; main every 16 wins on 0 and 16
    rig.draw.Update(rig.view);
    EXPECT_EQ(rig.Pixel(40, rig.RowY(0) + 1), Colour(9));
    EXPECT_EQ(rig.Pixel(40, rig.RowY(8) + 1), Colour(10));
    EXPECT_EQ(rig.Pixel(40, rig.RowY(3) + 1), Colour(4));
    const int cw = rig.view.geometry.channelWidth;
    for (int k = 0; k <= 4; ++k) {
        EXPECT_EQ(rig.Pixel(31 + k * cw, rig.RowY(3) + 5), Colour(5));
        EXPECT_EQ(rig.Pixel(32 + k * cw, rig.RowY(3) + 5), Colour(5));
    }
    EXPECT_EQ(rig.Pixel(32 + rig.view.geometry.effectStart, rig.RowY(3) + 5), Colour(6));
    EXPECT_EQ(rig.Pixel(32 + 4 * cw + rig.view.geometry.globalWidth, rig.RowY(3) + 5), Colour(6));
    DrawRig lines(800, 600, true);
    lines.module->patterns[0].mainTactOn = 1;
    lines.draw.Update(lines.view);
    EXPECT_EQ(lines.Pixel(40, lines.RowY(16)), Colour(9));
    EXPECT_EQ(lines.Pixel(40, lines.RowY(16) + 1), Colour(4));
}

TEST(PatternDraw, NoteColoursByChannel) {
    DrawRig rig;
    PatternLine& l = rig.module->patterns[0].lines[2];
    l.note[0] = 30;
    l.note[1] = 247;
    l.note[2] = 60;
    l.note[3] = 247;
    PatternLine& nul = rig.module->patterns[0].lines[3];
    nul.note[0] = kNoteNul;
    nul.effect[3] = kEffectPV;
    rig.draw.Update(rig.view);
    const int y = rig.RowY(2) + 2;
    EXPECT_GT(rig.Count(rig.NoteX(0), y, 24, 9, Colour(8)), 0);
    EXPECT_GT(rig.Count(rig.NoteX(1), y, 24, 9, Colour(8)), 0);
    EXPECT_EQ(rig.Count(rig.NoteX(2), y, 24, 9, Colour(8)), 0);
    EXPECT_GT(rig.Count(rig.NoteX(2), y, 24, 9, Colour(7)), 0);
    EXPECT_EQ(rig.Count(rig.NoteX(3), y, 24, 9, Colour(8)), 0);
    EXPECT_GT(rig.Count(rig.NoteX(3), y, 24, 9, Colour(7)), 0);
    EXPECT_GT(rig.Count(rig.NoteX(0), rig.RowY(3) + 2, 24, 9, Colour(0)), 0);
    // "PV" on the noise channel.
    const int effectX = rig.NoteX(3) + rig.view.geometry.effectStart;
    EXPECT_GT(rig.Count(effectX, rig.RowY(3) + 2, 16, 9, Colour(8)), 0);
}

TEST(PatternDraw, ShortPatternEndsWithADivisionLine) {
    DrawRig rig;
    rig.module->SetPatternLength(0, 10);
    rig.view.Clamp();
    rig.draw.Update(rig.view);
    EXPECT_EQ(rig.view.scrollTop, 0);
    EXPECT_EQ(rig.Pixel(100, rig.RowY(10)), Colour(5));
    EXPECT_EQ(rig.Count(0, rig.RowY(10) + 1, rig.draw.Ring().Width(), 11, Colour(4)),
              rig.draw.Ring().Width() * 11);
    EXPECT_EQ(rig.Count(0, rig.RowY(20), rig.draw.Ring().Width(), 12, Colour(4)),
              rig.draw.Ring().Width() * 12);
}

TEST(PatternDraw, TitlesShowMutedAndSoloChannels) {
    DrawRig rig;
    rig.view.ToggleChannel(1);
    rig.draw.Update(rig.view);
    const int cw = rig.view.geometry.channelWidth;
    EXPECT_EQ(rig.Pixel(rig.NoteX(0) + 100, 12), Colour(2));
    EXPECT_EQ(rig.Pixel(rig.NoteX(1) + 100, 12), Colour(3));
    EXPECT_GT(rig.Count(rig.NoteX(1), 0, cw, 14, Colour(1)), 0);
    EXPECT_EQ(rig.Count(rig.NoteX(1), 0, cw, 14, Colour(0)), 0);
    rig.view.SoloChannel(2);
    rig.draw.Update(rig.view);
    // The icon of the channel that sounds alone is filled.
    const int ix = rig.NoteX(2) + cw - 18;
    EXPECT_GT(rig.Count(ix, 1, 16, 11, Colour(0)), 120);
    EXPECT_EQ(rig.Pixel(rig.NoteX(0) + 100, 12), Colour(3));
}

TEST(PatternDraw, OnlyDirtyLinesAreDrawn) {
    DrawRig rig;
    EXPECT_EQ(rig.draw.Update(rig.view), 32);
    EXPECT_EQ(rig.draw.Update(rig.view), 0);
    rig.view.MoveCursor(0, 1, 5);
    EXPECT_EQ(rig.draw.Update(rig.view), 0);
    rig.view.MoveCursor(0, 0, 31 - 5);
    rig.view.MoveCursor(0, 0, 1);  // scrolls by one line
    EXPECT_EQ(rig.draw.Update(rig.view), 1);
    rig.view.following = 1;
    rig.view.FollowPlayback(20, 0);  // scrollTop 1 -> 4
    EXPECT_EQ(rig.draw.Update(rig.view), 3);
}

TEST(PatternDraw, RingShowsTheSameAsAFreshDraw) {
    DrawRig rig;
    for (int l = 0; l < 64; ++l) rig.module->patterns[0].lines[l].note[l % 4] = static_cast<uint8_t>(48 + l % 12);
    rig.draw.Update(rig.view);
    DRELM_Surface scrolled, fresh;
    const int h = 14 + 32 * 12;
    scrolled.Create(768, h, DRELM_FORMAT_A8R8G8B8);
    fresh.Create(768, h, DRELM_FORMAT_A8R8G8B8);
    for (int i = 0; i < 7; ++i) {
        rig.view.ScrollBy(3);
        rig.draw.Update(rig.view);
    }
    rig.draw.Compose(rig.view, scrolled, 0, 0);
    DrawRig other;
    for (int l = 0; l < 64; ++l) other.module->patterns[0].lines[l].note[l % 4] = static_cast<uint8_t>(48 + l % 12);
    other.view.ScrollTo(21);
    other.draw.Update(other.view);
    other.draw.Compose(other.view, fresh, 0, 0);
    EXPECT_EQ(rig.view.scrollTop, 21);
    int different = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < 768; ++x) different += scrolled.GetPixel(x, y) != fresh.GetPixel(x, y);
    EXPECT_EQ(different, 0);
}

TEST(PatternDraw, OverlayFramePlayBarAndNarrowLayout) {
    DrawRig rig(640, 480);
    EXPECT_EQ(rig.draw.Ring().Width(), 608);
    EXPECT_EQ(rig.draw.Ring().Height(), 14 + 22 * 12);
    rig.view.anchorColumn = 3;
    rig.view.anchorLine = 2;
    rig.view.cursorColumn = 5;
    rig.view.cursorLine = 4;
    rig.view.following = 1;
    rig.view.playLine = 10;
    rig.draw.Update(rig.view);
    DRELM_Surface target;
    target.Create(608, 14 + 22 * 12, DRELM_FORMAT_A8R8G8B8);
    rig.draw.Compose(rig.view, target, 0, 0);
    const int frameTop = 14 + 2 * 12;
    EXPECT_EQ(target.GetPixel(32 + 120 + 10, frameTop).Packed(), Colour(11));
    EXPECT_EQ(target.GetPixel(32 + 120, frameTop + 20).Packed(), Colour(11));
    EXPECT_EQ(target.GetPixel(32 + 240 - 1, frameTop + 20).Packed(), Colour(11));
    EXPECT_NE(target.GetPixel(32 + 120 + 50, frameTop + 6).Packed(), Colour(11));
    // The bar is blended half and half over the line.
    for (int x : {20, 100, 500}) {
        const uint32_t under = rig.Pixel(x, rig.RowY(10) + 6) & 0xFFFFFF;
        const uint32_t bar = target.GetPixel(x, 14 + 10 * 12 + 6).Packed();
        EXPECT_EQ(bar, 0xFF000000u | (((under & 0xFEFEFE) >> 1) + ((kColours[12] & 0xFEFEFE) >> 1)));
    }
    EXPECT_EQ(target.GetPixel(100, 14 + 11 * 12 + 6).Packed(), rig.Pixel(100, rig.RowY(11) + 6));
    EXPECT_EQ(rig.view.dirty & kRedrawOverlay, 0u);
}
