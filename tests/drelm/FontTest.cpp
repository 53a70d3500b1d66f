// Fonts: TrueType metrics, kerning, hinting, the print variants and widths, picture fonts
// from a description file, glyphs drawn from another texture, and bad font files.
#include "DrelmTestSupport.h"

using drelmtest::MessageOf;
using drelmtest::ScratchFile;
using drelmtest::WriteText;

namespace {

const char* const kSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

bool HaveFonts() {
    FILE* f = std::fopen(kSans, "rb");
    if (f == nullptr) return false;
    std::fclose(f);
    return true;
}

class Fonts : public drelmtest::ScreenTest {
protected:
    void SetUp() override {
        if (!HaveFonts()) GTEST_SKIP() << "DejaVu fonts are not installed";
        ScreenTest::SetUp();
    }
    // Bounding box of everything not black.
    static Quelm::Rect Ink() {
        DRELM_Surface* shot = DRELM_GrabScreen();
        int l = 1 << 20, t = 1 << 20, r = -1, b = -1;
        for (int y = 0; y < shot->Height(); ++y) {
            for (int x = 0; x < shot->Width(); ++x) {
                if (shot->GetPixel(x, y).Packed() == 0xFF000000u) continue;
                l = std::min(l, x);
                t = std::min(t, y);
                r = std::max(r, x);
                b = std::max(b, y);
            }
        }
        DRELM_FreeSurface(shot);
        return r < 0 ? Quelm::Rect() : Quelm::Rect(l, t, r - l + 1, b - t + 1);
    }
};

// A picture of the glyphs "0" to "3" and "?", each 3 x 4 pixels with a pattern of its
// own, and the description that places them.
std::string MakePictureFont() {
    DRELM_Surface picture;
    picture.Create(16, 8, DRELM_FORMAT_A8R8G8B8);
    for (int g = 0; g < 4; ++g) {
        for (int i = 0; i <= g; ++i)
            picture.SetPixel(g * 3 + (i % 3), i / 3, DRELM_RGBA(255, 255, 255));
    }
    picture.FillRect(Quelm::Rect(0, 4, 3, 4), DRELM_RGBA(255, 255, 255));
    picture.Save(ScratchFile("digits.png").c_str());
    const std::string description = ScratchFile("digits.font");
    WriteText(description,
              "; four digits and a question mark\r\n"
              "font \"Digits\"\r\n"
              "picture \"digits.png\"\r\n"
              "height 5\r\n"
              "ascend 4\r\n"
              "chars 48, 51 place 0, 0, 3, 4, 4\r\n"
              "char \"?\" rect 0, 4, 3, 4\r\n");
    return description;
}

TEST_F(Fonts, TrueTypeMetricsAndKerning) {
    DRELM_Font* font = DRELM_CreateFont(kSans, 12);
    EXPECT_TRUE(font->IsCreated());
    EXPECT_EQ(font->Size(), 12);
    EXPECT_EQ(font->Height(), font->Ascend() + font->Descend());
    EXPECT_GE(font->Ascend(), 11);
    EXPECT_LE(font->Ascend(), 13);
    EXPECT_GE(font->Descend(), 2);
    EXPECT_LE(font->Descend(), 4);
    EXPECT_LT(font->CharacterWidth('i'), font->CharacterWidth('W'));
    EXPECT_EQ(font->CharacterWidth('\n'), 0);
    // "AV" and "To" are kerning pairs: closer together than their advances.
    EXPECT_LT(font->TextWidth("AV"), font->CharacterWidth('A') + font->CharacterWidth('V'));
    EXPECT_LT(font->TextWidth("To"), font->CharacterWidth('T') + font->CharacterWidth('o'));
    EXPECT_EQ(font->TextWidth("xx"), 2 * font->CharacterWidth('x'));
    EXPECT_EQ(font->TextPartWidth("xAVx", 1, 2), font->TextWidth("AV"));
    EXPECT_EQ(font->TextPartWidth("abc", 5, 2), 0);
    EXPECT_EQ(font->TextWidth(""), 0);
    EXPECT_EQ(font->TextWidth(nullptr), 0);
    // UTF-8 and Latin-1 bytes reach the same glyph; unknown characters show "?".
    EXPECT_EQ(font->TextWidth("\xC3\xA9"), font->CharacterWidth(0xE9));
    EXPECT_EQ(font->TextWidth("\xE9"), font->CharacterWidth(0xE9));
    EXPECT_EQ(font->CharacterWidth(0x4E2D), font->CharacterWidth('?'));
    DRELM_FreeFont(font);
}

TEST_F(Fonts, SmallTextIsHintedOntoWholePixels) {
    for (int size : {11, 12, 13, 14}) {
        DRELM_ClearBuffers(DRELM_BLACK);
        DRELM_Font* font = DRELM_CreateFont(kSans, size);
        font->Print(10, 10, "l", DRELM_WHITE);
        // The stem of "l" covers one column fully over most of the letter's height.
        const Quelm::Rect ink = Ink();
        int solidRows = 0;
        for (int y = ink.y; y < ink.Bottom(); ++y) {
            for (int x = ink.x; x < ink.Right(); ++x) {
                if (Pixel(x, y).r >= 224) {
                    ++solidRows;
                    break;
                }
            }
        }
        EXPECT_GE(solidRows, ink.height - 1) << "size " << size;
        EXPECT_LE(ink.width, 3) << "size " << size;
        // The baseline: the stem ends on the row above y + ascend.
        EXPECT_EQ(ink.Bottom(), 10 + font->Ascend()) << "size " << size;
        DRELM_FreeFont(font);
    }
}

TEST_F(Fonts, PrintVariantsPlaceAndCutText) {
    DRELM_Font* font = DRELM_CreateFont(kSans, 12);
    const int w = font->Print(20, 20, "Hello", DRELM_RGBA(255, 0, 0));
    EXPECT_EQ(w, font->TextWidth("Hello"));
    Quelm::Rect ink = Ink();
    ASSERT_FALSE(ink.IsEmpty()) << "Print drew nothing";
    EXPECT_GE(ink.x, 20);
    EXPECT_LE(ink.Right(), 20 + w + 1);
    EXPECT_GE(ink.y, 20);
    EXPECT_LE(ink.Bottom(), 20 + font->Height());

    DRELM_ClearBuffers(DRELM_BLACK);
    font->PrintBW(200, 20, "Hello", DRELM_WHITE);
    ink = Ink();
    ASSERT_FALSE(ink.IsEmpty()) << "PrintBW drew nothing";
    EXPECT_LE(ink.Right(), 200);
    EXPECT_GE(ink.Right(), 198);

    DRELM_ClearBuffers(DRELM_BLACK);
    const int cut = font->PrintMW(20, 20, 30, "Hello world", DRELM_WHITE);
    EXPECT_LE(cut, 30);
    EXPECT_GT(cut, 30 - font->CharacterWidth('W'));
    ink = Ink();
    ASSERT_FALSE(ink.IsEmpty()) << "PrintMW drew nothing";
    EXPECT_LE(ink.Right(), 50);
    DRELM_ClearBuffers(DRELM_BLACK);
    EXPECT_EQ(font->PrintMW(20, 20, 0, "Hello", DRELM_WHITE), 0);
    EXPECT_TRUE(Ink().IsEmpty()) << "no room, no ink";

    const DRELM_LinePart line[] = {{"ab", 0}, {"cd", 50}, {"ef", -1}, {nullptr, 0}};
    EXPECT_EQ(font->TextLineWidth(line), 50 + font->TextWidth("cd") + font->TextWidth("ef"));
    DRELM_ClearBuffers(DRELM_BLACK);
    EXPECT_EQ(font->PrintLine(0, 0, line, DRELM_WHITE), font->TextLineWidth(line));
    // "ab" from the left edge, "cd" from x 50 and "ef" right after it.
    ink = Ink();
    EXPECT_LE(ink.x, 1);
    EXPECT_GT(ink.Right(), 50 + font->TextWidth("cd"));
    EXPECT_LE(ink.Right(), font->TextLineWidth(line) + 1);

    // Printing into a surface.
    DRELM_Surface s;
    s.Create(60, 20, DRELM_FORMAT_A8R8G8B8);
    EXPECT_EQ(font->PrintSrfc(2, 2, "Hi", &s, DRELM_RGBA(0, 255, 0)), font->TextWidth("Hi"));
    bool green = false;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 60; ++x) green = green || s.GetPixel(x, y).g > 200;
    }
    EXPECT_TRUE(green);
    DRELM_FreeFont(font);
}

TEST_F(Fonts, EmboldenThickensAndWidens) {
    DRELM_Font* regular = DRELM_CreateFont(kSans, 13);
    DRELM_Font* bold = DRELM_CreateFont(kSans, 13, DRELM_FONT_EMBOLDEN);
    EXPECT_GT(bold->TextWidth("Pattern"), regular->TextWidth("Pattern"));
    DRELM_FreeFont(regular);
    DRELM_FreeFont(bold);
}

TEST_F(Fonts, GlyphsCanBeDrawnFromAnotherTexture) {
    DRELM_Font* font = DRELM_CreateFont(kSans, 12);
    font->Print(5, 5, "Aq", DRELM_WHITE);
    ASSERT_FALSE(Ink().IsEmpty()) << "nothing drawn to compare with";
    DRELM_Surface* before = DRELM_GrabScreen();

    const DRELM_Surface* glyphs = font->GlyphSurface();
    DRELM_Texture* big =
        DRELM_CreateTexture(glyphs->Width() + 10, glyphs->Height() + 20, DRELM_FORMAT_A8R8G8B8);
    big->Clear(DRELM_RGBA(255, 0, 0, 255));  // anything read from outside the glyphs would show
    glyphs->CopyToTexture(big, Quelm::Rect(0, 0, glyphs->Width(), glyphs->Height()), 10, 20);
    font->UseOtherTexture(big, DRELM_Point(10, 20));
    DRELM_ClearBuffers(DRELM_BLACK);
    font->Print(5, 5, "Aq", DRELM_WHITE);
    DRELM_Surface* after = DRELM_GrabScreen();
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(after->GetPixel(x, y), before->GetPixel(x, y)) << x << "," << y;
    }
    font->Clear();  // back to its own texture
    DRELM_FreeTexture(big);
    DRELM_ClearBuffers(DRELM_BLACK);
    font->Print(5, 5, "Aq", DRELM_WHITE);
    DRELM_FreeSurface(after);
    after = DRELM_GrabScreen();
    EXPECT_EQ(after->GetPixel(6, 14), before->GetPixel(6, 14));
    DRELM_FreeSurface(after);
    DRELM_FreeSurface(before);
    DRELM_FreeFont(font);
}

TEST_F(Fonts, PictureFontDrawsItsCellsInTheGivenColour) {
    const std::string description = MakePictureFont();
    DRELM_Font* font = DRELM_CreateFont(description.c_str(), 0);
    EXPECT_EQ(font->Height(), 5);
    EXPECT_EQ(font->Ascend(), 4);
    EXPECT_EQ(font->Descend(), 1);
    EXPECT_EQ(font->TextWidth("0123"), 12);
    EXPECT_EQ(font->CharacterWidth('7'), 3) << "unknown characters show the question mark";
    font->Print(10, 10, "30x", DRELM_RGBA(0, 255, 0));
    // "3" has its first four pattern pixels set, "0" one, "x" is the full "?" block.
    const DRELM_RGBA green(0, 255, 0);
    EXPECT_EQ(Pixel(10, 10), green);
    EXPECT_EQ(Pixel(12, 10), green);
    EXPECT_EQ(Pixel(10, 11), green);
    EXPECT_EQ(Pixel(11, 11).Packed(), 0xFF000000u);
    EXPECT_EQ(Pixel(13, 10), green);
    EXPECT_EQ(Pixel(14, 10).Packed(), 0xFF000000u);
    for (int y = 10; y < 14; ++y) {
        for (int x = 16; x < 19; ++x) EXPECT_EQ(Pixel(x, y), green) << x << "," << y;
    }
    EXPECT_EQ(Pixel(16, 14).Packed(), 0xFF000000u);
    DRELM_FreeFont(font);
}

TEST_F(Fonts, BadFontFilesGiveTheirMessages) {
    EXPECT_EQ(MessageOf([] {
                  DRELM_CreateFont(ScratchFile("none.ttf").c_str(), 12, 0,
                                   DRELM_FONT_LOAD_TRUETYPE);
              }),
              "DRELM: Create font");
    EXPECT_EQ(MessageOf([] {
                  DRELM_CreateFont(ScratchFile("none.font").c_str(), 0, 0, DRELM_FONT_LOAD_PICTURE);
              }),
              "DRELM: Create font");
    EXPECT_EQ(MessageOf([] { DRELM_CreateFont(kSans, 0); }), "DRELM: Create font");
    EXPECT_EQ(MessageOf([] { DRELM_CreateFont(nullptr, 12); }), "DRELM: Create font");
    WriteText(ScratchFile("fake.ttf"), std::string("\0\1\0\0garbage", 11));
    EXPECT_EQ(MessageOf([] { DRELM_CreateFont(ScratchFile("fake.ttf").c_str(), 12); }),
              "DRELM: Create font");

    MakePictureFont();
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"picture \"digits.png\"\nsize 4\n", "PictureFont::Load(): Unknown key"},
        {"picture \"digits.png\"\nchars 48, 51 place 0, 0, 3, 4, 4\nchar 65 rect 14, 0, 3, 4\n",
         "PictureFont::Load(): Rectangle outside the picture"},
        {"picture \"digits.png\"\nchars 48, 57 place 0, 0, 3, 4, 6\n",
         "PictureFont::Load(): Rectangle outside the picture"},
        {"picture \"digits.png\"\nchar 300 rect 0, 0, 1, 1\n",
         "PictureFont::Load(): Character out of range"},
        {"picture \"digits.png\"\nchars 50, 49 place 0, 0, 1, 1, 1\n",
         "PictureFont::Load(): Character out of range"},
        {"picture \"digits.png\"\nchar 65 rect 0, 0, 0, 1\n",
         "PictureFont::Load(): Value out of range"},
        {"picture \"digits.png\"\n", "PictureFont::Load(): No characters"},
        {"chars 48, 51 place 0, 0, 3, 4, 4\n", "PictureFont::Load(): No picture"},
        {"picture \"digits.png\nchar 65 rect 0, 0, 1, 1\n",
         "ReadStringToken(): End of line reached"},
        {"picture \"digits.png\"\nchar 65 place 0, 0, 1, 1\n", "MatchName(): Failed"},
        {"picture \"digits.png\"\nchar 65 rect 0, 0, 1\n", "MatchSpecial(): Failed"},
        {"picture \"digits.png\"\nchar 65 rect 0, 0, x, 1\n", "ParseNumber(): Failed"},
        {"picture \"digits.png\" extra\n", "MatchLineEnd(): Failed"},
        {"picture \"missing.png\"\nchar 65 rect 0, 0, 1, 1\n", "SurfaceLoader: File IO error"},
    };
    const std::string file = ScratchFile("bad.font");
    for (const Case& c : cases) {
        WriteText(file, c.text);
        EXPECT_EQ(MessageOf([&] { DRELM_CreateFont(file.c_str(), 0); }), c.message) << c.text;
    }

    // A failed Create leaves an existing font empty, never half made.
    DRELM_Font font;
    font.Create(ScratchFile("digits.font").c_str(), 0);
    EXPECT_TRUE(font.IsCreated());
    WriteText(file, "picture \"digits.png\"\nsize 4\n");
    EXPECT_NE(MessageOf([&] { font.Create(file.c_str(), 0); }), "");
    EXPECT_FALSE(font.IsCreated());
    EXPECT_EQ(font.Print(0, 0, "12", DRELM_WHITE), 0);
}

}  // namespace
