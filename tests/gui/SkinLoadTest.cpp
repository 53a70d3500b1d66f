// Loading skins from disk: the default skin, every failure message of the loader, and the
// drawing of stretched parts.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/Exceptions.h"
#include "tests/gui/GuiFixture.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SkinLoadTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        dir = fs::temp_directory_path() / ("tw-gui-skin-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir / "themes");
        fs::copy_file(SkinDirectory() + "/default.png", dir / "default.png");
        fs::copy_file(SkinDirectory() + "/themes/default.themes",
                      dir / "themes" / "default.themes");
        markup = ReadFile(SkinDirectory() + "/default.skin");
    }
    void TearDown() override {
        fs::remove_all(dir);
        GuiTest::TearDown();
    }
    // Loads `changed` markup from the test directory; gives the loader's message ("" when
    // it loads).
    std::string Load(const std::string& changed) {
        std::ofstream(dir / "test.skin", std::ios::binary) << changed;
        GUI_Skin skin;
        try {
            skin.Load(dir.string(), "test.skin");
        } catch (const Exception& e) {
            EXPECT_FALSE(skin.IsLoaded());
            return e.Message();
        }
        return "";
    }
    // The default markup with the line holding `key` replaced by `line` (removed when empty).
    std::string LoadWithLine(const std::string& key, const std::string& line = "") {
        size_t at = markup.find(key);
        EXPECT_NE(at, std::string::npos) << key;
        if (at == std::string::npos) return "key not found";
        size_t start = markup.rfind('\n', at) + 1, end = markup.find('\n', at);
        return Load(markup.substr(0, start) + line + markup.substr(end));
    }
    // The default markup with the first `from` replaced by `to`.
    std::string LoadReplaced(const std::string& from, const std::string& to) {
        size_t at = markup.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at == std::string::npos) return "text not found";
        return Load(markup.substr(0, at) + to + markup.substr(at + from.size()));
    }

    fs::path dir;
    std::string markup;
};

}  // namespace

TEST_F(SkinLoadTest, DefaultSkinLoadsWithItsThemes) {
    GUI_Skin& skin = gui->Skin();
    ASSERT_TRUE(skin.IsLoaded());
    EXPECT_EQ(skin.Description().name, "Tonweave Default");
    EXPECT_EQ(skin.ThemeCount(), 4);
    EXPECT_EQ(skin.ThemeName(0), "Slate");
    ASSERT_NE(skin.Font(kFontNormal), nullptr);
    EXPECT_EQ(skin.Font(kFontNormal)->Size(), 13);
    EXPECT_GE(skin.Metrics().height, 20);
    const DRELM_RGBA slate = skin.Colour(kColListSelection);
    ASSERT_TRUE(skin.SelectTheme(1));
    EXPECT_FALSE(skin.Colour(kColListSelection) == slate);
    // A later theme keeps what it does not name from the first one.
    EXPECT_TRUE(skin.Colour(kColLabel) == skin.ThemeColour("GT_LABEL"));
    EXPECT_FALSE(skin.SelectTheme(99));
    EXPECT_EQ(skin.Config("sub_category_pos"), (std::vector<int>{2, -5}));
}

TEST_F(SkinLoadTest, MissingNamesAreReportedByKind) {
    EXPECT_EQ(Load(markup), "");
    EXPECT_EQ(LoadWithLine("<item name=\"GT_BUTTON_P\""), "Skin item name not found");
    EXPECT_EQ(LoadWithLine("<sitem name=\"GT_CHECKBOX\""), "Skin item name not found");
    EXPECT_EQ(LoadWithLine("<col name=\"WIN_MAIN_BACK\""), "Skin col name not found");
    // A colour part written as an ordinary item is not the colour part the GUI asks for.
    EXPECT_EQ(LoadReplaced("<col name=\"GT_LIST_SEL\"", "<item name=\"GT_LIST_SEL\""),
              "Skin col name not found");
    EXPECT_EQ(LoadWithLine("<font name=\"mono\""), "Font name not found");
    EXPECT_EQ(LoadWithLine("<icon name=\"ICON_PLUS\""), "Icon name not found");
    EXPECT_EQ(LoadWithLine("<config name=\"entry_bar_height\""), "Config name not found");
    EXPECT_EQ(LoadWithLine("<include_themes"), "Skin col name not found");
    // Names the GUI does not use may come and go.
    EXPECT_EQ(LoadWithLine("<config name=\"grip_in_front\""), "");
}

TEST_F(SkinLoadTest, BrokenFilesAreReported) {
    EXPECT_EQ(LoadReplaced("<item name=\"GT_BUTTON\" ", "<item name=\"GT_BUTTON\" rect=1,2 "),
              "Parse error in skin file");
    EXPECT_EQ(LoadReplaced("</skin>", "</skin"), "Parse error in skin file");
    EXPECT_EQ(LoadWithLine("<icon name=\"ICON_FILE\"",
                           "<icon name=\"ICON_FILE\" rect=0,0,12,12 ctype=\"icon\"/>"),
              "Parse error in skin file");
    // A part outside the picture.
    EXPECT_EQ(LoadWithLine("<item name=\"GT_BUTTON\"",
                           "<item name=\"GT_BUTTON\" rect=250,360,24,24 brd=5,5,5,5/>"),
              "Parse error in skin file");
    EXPECT_EQ(
        LoadReplaced("<config name=\"height\" value=24/>", "<config name=\"height\" value=9999/>"),
        "Parse error in skin file");
    EXPECT_EQ(LoadWithLine("<font name=\"bold\"", "<font name=\"bold\" size=13/>"),
              "GUI::Skin::Load(): Font not parsed");
    EXPECT_EQ(LoadReplaced("picture=\"default.png\"", "picture=\"none.png\""),
              "SurfaceLoader: File IO error");
    EXPECT_EQ(LoadReplaced("default.themes", "none.themes"),
              "GUI_Skin::Load(): Couldn't open file");
    GUI_Skin skin;
    try {
        skin.Load(dir.string(), "no-such.skin");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.Message(), "GUI_Skin::Load(): Couldn't open file");
    }
}

TEST_F(SkinLoadTest, StretchedPartsKeepTheirCornersAndBorders) {
    // A button part drawn large: the corners are copied pixel for pixel, the edges and the
    // middle are the part's edge and middle pixels stretched.
    GUI_Skin& skin = gui->Skin();
    const GUI_SkinPart* part = skin.Part(kPartButton);
    const GUI_SkinPart* original = &skin.Description().parts.at("BGT_BUTTON");
    DRELM_Surface picture;
    picture.Create((SkinDirectory() + "/default.png").c_str());
    DRELM_ClearBuffers(DRELM_RGBA(0, 0, 0));
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_NONE);
    const Quelm::Rect target(100, 100, 200, 60);
    skin.DrawPart(part, target, DRELM_WHITE);
    DRELM_SetRenderState(DRELM_RS_BLEND, DRELM_BLEND_ALPHA);
    DRELM_Surface* screen = DRELM_GrabScreen();
    // The screen has no alpha: compare colours where the picture is opaque.
    auto same = [](DRELM_RGBA a, DRELM_RGBA b) {
        return b.a < 255 || (a.r == b.r && a.g == b.g && a.b == b.b);
    };
    auto source = [&](int x, int y) { return picture.GetPixel(original->x + x, original->y + y); };
    const int w = original->w, h = original->h;
    for (int y = 0; y < original->brdT; ++y)
        for (int x = 0; x < original->brdL; ++x) {
            EXPECT_TRUE(same(screen->GetPixel(100 + x, 100 + y), source(x, y))) << x << "," << y;
            EXPECT_TRUE(same(screen->GetPixel(299 - x, 159 - y), source(w - 1 - x, h - 1 - y)))
                << x << "," << y;
        }
    EXPECT_TRUE(same(screen->GetPixel(200, 130), source(w / 2, h / 2)));
    EXPECT_EQ(source(w / 2, h / 2).a, 255);
    EXPECT_TRUE(same(screen->GetPixel(200, 100), source(w / 2, 0)));
    EXPECT_TRUE(same(screen->GetPixel(100, 130), source(0, h / 2)));
    DRELM_FreeSurface(screen);
}
