// The skin markup reader: part keys and defaults, icons, fonts, configuration, themes and
// their colour operations, and the messages for broken input.
#include <gtest/gtest.h>

#include <string>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"
#include "gui/Skin.h"
#include "gui/SkinFile.h"

namespace {

// Parses `markup`; an include_themes element reads `themes` as the themes file.
GUI_SkinDescription Parse(const std::string& markup, const std::string& themes = "") {
    GUI_SkinDescription skin;
    Tokenizer t;
    t.AttachBuffer(markup.data(), markup.size());
    GUI_ParseSkin(t, skin, [&](const std::string&, GUI_SkinDescription& s) {
        Tokenizer th;
        th.AttachBuffer(themes.data(), themes.size());
        th.SetLineEndTokens(false);
        th.SetXMLComments(true);
        th.SetCommentChar(';');
        GUI_ParseThemes(th, s);
    });
    return skin;
}

std::string Wrap(const std::string& body) {
    return "<skin name=\"t\" picture=\"p.png\">\n" + body + "\n</skin>\n";
}

std::string MessageOf(const std::string& markup, const std::string& themes = "") {
    try {
        Parse(markup, themes);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

}  // namespace

TEST(SkinFile, StoresPartsUnderKindLetterAndName) {
    auto skin = Parse(Wrap(R"(<item name="GT_BUTTON" rect=1,2,24,20 brd=5,6,7,8/>
        <hitem name="GT_BUTTON" rect=0,0,10,4 brd=3,2/>
        <vitem name="GT_BUTTON" rect=0,0,4,10 brd=1,2/>
        <sitem name="GT_BUTTON" rect=0,0,4,4/>
        <col name="WIN_MAIN_BACK" rect=0,0,9,9 brd=2,2,2,2/>
        <hcol name="F" rect=0,0,9,9 brd=1,1/> <vcol name="F" rect=0,0,9,9 brd=1,1/> <scol name="F" rect=0,0,9,9/>)"));
    ASSERT_EQ(skin.parts.count("BGT_BUTTON"), 1u);
    ASSERT_EQ(skin.parts.count("HGT_BUTTON"), 1u);
    ASSERT_EQ(skin.parts.count("VGT_BUTTON"), 1u);
    ASSERT_EQ(skin.parts.count("SGT_BUTTON"), 1u);
    EXPECT_TRUE(skin.parts["BWIN_MAIN_BACK"].colour);
    EXPECT_FALSE(skin.parts["BGT_BUTTON"].colour);
    EXPECT_TRUE(skin.parts["HF"].colour && skin.parts["VF"].colour && skin.parts["SF"].colour);

    const auto& b = skin.parts["BGT_BUTTON"];
    EXPECT_EQ(b.x, 1);
    EXPECT_EQ(b.y, 2);
    EXPECT_EQ(b.brdL, 5);
    EXPECT_EQ(b.brdR, 6);
    EXPECT_EQ(b.brdT, 7);
    EXPECT_EQ(b.brdB, 8);
    // The stretchable middle: width - left - right, height - top - bottom.
    EXPECT_EQ(b.midW, 24 - 5 - 6);
    EXPECT_EQ(b.midH, 20 - 7 - 8);
    const auto& h = skin.parts["HGT_BUTTON"];
    EXPECT_EQ(h.brdL, 3);
    EXPECT_EQ(h.brdR, 2);
    EXPECT_EQ(h.brdT + h.brdB, 0);
    const auto& v = skin.parts["VGT_BUTTON"];
    EXPECT_EQ(v.brdT, 1);
    EXPECT_EQ(v.brdB, 2);
    EXPECT_EQ(v.brdL + v.brdR, 0);
}

TEST(SkinFile, PartAttributesHaveTheirDefaults) {
    auto skin = Parse(Wrap(R"(<item name="A" rect=0,0,8,8/>
        <item name="B" rect=0,0,8,8 hvr=1 ext=1,2,3,4 anim=4,9 num=3/>
        <item name="C" rect=0,0,8,8 anim=1,9/>)"));
    const auto& a = skin.parts["BA"];
    EXPECT_EQ(a.brdL + a.brdR + a.brdT + a.brdB, 0);
    EXPECT_EQ(a.hvr, 0);
    EXPECT_EQ(a.extL + a.extR + a.extT + a.extB, 0);
    EXPECT_EQ(a.frames, 1);
    EXPECT_EQ(a.speed, 255);
    EXPECT_EQ(a.num, 1);
    const auto& b = skin.parts["BB"];
    EXPECT_EQ(b.hvr, 1);
    EXPECT_EQ(b.extL, 1);
    EXPECT_EQ(b.extB, 4);
    EXPECT_EQ(b.frames, 4);
    EXPECT_EQ(b.speed, 9);
    EXPECT_EQ(b.num, 3);
    // A single frame never animates, whatever speed is written.
    EXPECT_EQ(skin.parts["BC"].speed, 255);
}

TEST(SkinFile, ReadsIconsFontsAndConfiguration) {
    auto skin = Parse(Wrap(R"(<!-- icons -- with a double hyphen inside -->
        <icon name="ONE" rect=0,0,12,12 ctype="single"/>
        <icon name="FOUR" rect=0,0,64,16 ctype="multi"/>
        <font name="normal" filename="a.ttf"/>
        <font name="bold" filename="b.ttf" size=15 embolden=1/>
        <config name="sub_category_pos" value=2,-5/>)"));
    EXPECT_FALSE(skin.icons["ONE"].multi);
    EXPECT_TRUE(skin.icons["FOUR"].multi);
    EXPECT_EQ(skin.fonts["normal"].size, 12);
    EXPECT_EQ(skin.fonts["normal"].embolden, 0);
    EXPECT_EQ(skin.fonts["bold"].size, 15);
    EXPECT_EQ(skin.fonts["bold"].embolden, 1);
    EXPECT_EQ(skin.configs["sub_category_pos"], (std::vector<int>{2, -5}));
    EXPECT_EQ(skin.picture, "p.png");
}

TEST(SkinFile, ThemeColourOperations) {
    auto skin = Parse(Wrap(R"(<theme name="Base" author="me" colors={
        A = 100, 200, 50
        B = 10, 20, 30, 40
        C = copy A
        D = lighten A 50
        E = darken A 50
        F = alphaset A 128
        G = lighten B 100
        H = darken B 100
    }/>)"));
    ASSERT_EQ(skin.themes.size(), 1u);
    const auto& c = skin.themes[0].colours;
    EXPECT_EQ(skin.themes[0].author, "me");
    EXPECT_EQ(c.at("A"), 0x64C832FFu);
    EXPECT_EQ(c.at("B"), 0x0A141E28u);
    EXPECT_EQ(c.at("C"), c.at("A"));
    // Half-way to white: 100 + 155/2 = 177, 200 + 55/2 = 227, 50 + 205/2 = 152.
    EXPECT_EQ(c.at("D"), 0xB1E398FFu);
    EXPECT_EQ(c.at("E"), 0x326419FFu);
    EXPECT_EQ(c.at("F"), 0x64C83280u);
    // Lightening and darkening keep the alpha.
    EXPECT_EQ(c.at("G"), 0xFFFFFF28u);
    EXPECT_EQ(c.at("H"), 0x00000028u);
}

TEST(SkinFile, IncludedThemesStopAtSixteenAndInheritTheFirst) {
    std::string themes = "; comment line\n<theme name=\"T0\" colors={ X = 1,2,3 Y = 4,5,6 }/>\n";
    for (int i = 1; i < 20; ++i)
        themes += "<theme name=\"T" + std::to_string(i) + "\" colors={ X = 9,9,9 }/>\n";
    auto skin = Parse(Wrap(R"(<include_themes name="default.themes"/>)"), themes);
    ASSERT_EQ(skin.themes.size(), 16u);
    EXPECT_EQ(skin.themes[15].name, "T15");
    EXPECT_EQ(skin.themes[3].colours.at("X"), 0x090909FFu);
    EXPECT_EQ(skin.themes[3].colours.at("Y"), 0x040506FFu);
}

TEST(SkinFile, BrokenInputIsAParseError) {
    const char* cases[] = {
        R"(<icon name="I" rect=0,0,4,4 ctype="double"/>)",  // ctype neither single nor multi
        R"(<icon name="I" rect=0,0,4,4/>)",                 // ctype missing
        R"(<item name="A" rect=0,0,8/>)",                   // rect needs four numbers
        R"(<hitem name="A" rect=0,0,8,8 brd=1,1,1,1/>)",    // hitem borders are two
        R"(<sitem name="A" rect=0,0,8,8 brd=1,1/>)",        // sitem has none
        R"(<item name="A" rect=0,0,8,8 brd=5,5,0,0/>)",     // borders wider than the part
        R"(<item name="A" rect=0,0,0,8/>)",                 // empty part
        R"(<item rect=0,0,8,8/>)",                          // no name
        R"(<item name="A" rect=0,0,8,8 colour=3/>)",        // unknown attribute
        R"(<widget name="A"/>)",                            // unknown element
        R"(<item name="A" rect=0,0,8,8 anim=0,5/>)",        // no frames
        R"(<config name="x"/>)",                            // no value
        R"(<theme name="t" colors={ A = copy NOPE }/>)",    // unknown source colour
        R"(<theme name="t" colors={ A = 1,2 }/>)",          // too few channels
        R"(<theme name="t" colors={ A = 1,2,300 }/>)",      // channel out of range
        R"(<theme name="t" colors={ A = 1,2,3 B = blend A 5 }/>)",
        R"(<item name="A" rect=0,0,8,8)",  // file ends inside a tag
    };
    for (const char* body : cases)
        EXPECT_EQ(MessageOf(Wrap(body)), "Parse error in skin file") << body;
    EXPECT_EQ(MessageOf("<skin picture=\"p.png\"><!-- never closed"), "Parse error in skin file");
    EXPECT_EQ(MessageOf("<skin name=\"no picture\"></skin>"), "Parse error in skin file");
    EXPECT_EQ(MessageOf(""), "Parse error in skin file");
    EXPECT_EQ(MessageOf(Wrap("<include_themes name=\"t\"/>"),
                        "<theme name=\"t\" colors={ A = 1,2,3 }/> junk"),
              "Parse error in skin file");
}

TEST(SkinFile, ParseErrorCarriesTheLine) {
    try {
        Parse("<skin picture=\"p.png\">\n<item name=\"A\" rect=0,0,8,8/>\n<bogus/>\n</skin>");
        FAIL();
    } catch (const ParseException& e) {
        EXPECT_STREQ(e.Message(), "Parse error in skin file");
        ASSERT_TRUE(e.HasCode(0));
        EXPECT_EQ(e.Code(0), 3u);
    }
}

TEST(SkinFile, FontWithoutFileIsNotParsed) {
    EXPECT_EQ(MessageOf(Wrap(R"(<font name="normal" size=12/>)")),
              "GUI::Skin::Load(): Font not parsed");
    EXPECT_EQ(MessageOf(Wrap(R"(<font filename="a.ttf"/>)")), "GUI::Skin::Load(): Font not parsed");
}

TEST(SkinFile, DefaultSkinNamesEverythingTheGuiDraws) {
    FILE* f = std::fopen(TW_SOURCE_DIR "/assets/skins/default.skin", "rb");
    ASSERT_NE(f, nullptr);
    std::string markup;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) markup.append(buffer, n);
    std::fclose(f);
    GUI_SkinDescription skin;
    Tokenizer t;
    t.AttachBuffer(markup.data(), markup.size());
    GUI_ParseSkin(t, skin, [](const std::string& name, GUI_SkinDescription& s) {
        FILE* tf =
            std::fopen((std::string(TW_SOURCE_DIR "/assets/skins/themes/") + name).c_str(), "rb");
        ASSERT_NE(tf, nullptr);
        Tokenizer th;
        th.Attach(tf);
        th.SetLineEndTokens(false);
        th.SetXMLComments(true);
        th.SetCommentChar(';');
        GUI_ParseThemes(th, s);
        std::fclose(tf);
    });
    EXPECT_NO_THROW(GUI_CheckSkinNames(skin));
    for (const auto& key : GUI_RequiredPartKeys()) EXPECT_EQ(skin.parts.count(key), 1u) << key;
    EXPECT_GE(skin.themes.size(), 2u);
}
