// Every dialog of the tracker at both screen sizes: it fits whole, Escape cancels it and
// an "Okay" (or "Apply") that decides it is pressed by Return; and the pattern area shows
// its last line whole.
#include "app/shell/Dialogs.h"
#include "app/shell/InstrumentDialog.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/PatternDialogs.h"
#include "tests/shell/ShellFixture.h"

namespace {

struct Opened {
    std::string name;
    Quelm::Rect rect;
    bool hasDefault = false;
    bool stillOpenAfterEscape = false;
};

// What opens a dialog: a menu command, or a click on a main window gadget.
struct Opener {
    const char* name;
    int menu;
    int gadget;
};

constexpr Opener kOpeners[] = {
    {"Preferences", kMenuPreferences, -1},
    {"Multi pattern settings", kMenuMultiPatternSettings, -1},
    {"Change instruments", kMenuChangeInstruments, -1},
    {"Copy channels", kMenuCopyChannels, -1},
    {"Readme.txt", kMenuReadme, -1},
    {"Program info", kMenuProgramInfo, -1},
    {"Macro manager", kMenuMacroManage, -1},
    {"Start macro recording", kMenuMacroRecord, -1},
    {"Save module as", kMenuSaveModuleAs, -1},
    {"Pattern settings", -1, kMainPatternSettings},
    {"Pattern resize", -1, kMainPatternResize},
    {"Module settings", -1, kMainModuleSettings},
    {"Module info", -1, kMainModuleInfo},
    {"New pattern settings", -1, kMainMakeNew},
    {"Instrument Editor", -1, kMainInstrument},
    {"Overview", -1, kMainOverview},
    {"Delete old", -1, kMainDeleteOld},
};

}  // namespace

class DialogFitTest : public ShellTest {
protected:
    void UseScreen(const char* resolution) {
        WriteWholeFile(
            dir.File("tonweave.prefs"),
            std::string("appeareance {\n\twindowed_resolution = ") + resolution + "\n}\n");
    }
    // Opens every dialog in turn on a screen of `resolution` and checks each.
    void CheckEveryDialog(const char* resolution, int width, int height) {
        UseScreen(resolution);
        std::vector<Opened> opened;
        int screenWidth = 0, screenHeight = 0;
        steps.push_back([&] {
            screenWidth = gShell.gui->ScreenWidth();
            screenHeight = gShell.gui->ScreenHeight();
        });
        for (const Opener& o : kOpeners) {
            steps.push_back([&, o] {
                modalSteps = {nullptr,
                              [&, o] {
                                  Opened seen;
                                  seen.name = o.name;
                                  const GUI_Window* w = gShell.gui->FrontWindow();
                                  if (w) {
                                      seen.rect = w->rect;
                                      for (const GUI_Gadget& g : w->gadgets)
                                          if (g.desc.flags & GUI_DEFAULT) seen.hasDefault = true;
                                  }
                                  opened.push_back(seen);
                                  Press(SDL_SCANCODE_ESCAPE);
                              },
                              nullptr, [&] { opened.back().stillOpenAfterEscape = true; }};
                if (o.menu >= 0)
                    DispatchMenu(o.menu);
                else
                    Click(GadgetRect(kMainWindowNumber, o.gadget));
            });
        }
        RunTracker();
        EXPECT_EQ(screenWidth, width);
        EXPECT_EQ(screenHeight, height);
        ASSERT_EQ(opened.size(), std::size(kOpeners));
        for (const Opened& o : opened) {
            SCOPED_TRACE(o.name);
            EXPECT_GE(o.rect.x, 0);
            EXPECT_GE(o.rect.y, 0);
            EXPECT_LE(o.rect.Right(), screenWidth);
            EXPECT_LE(o.rect.Bottom(), screenHeight);
            EXPECT_TRUE(o.hasDefault);
            EXPECT_FALSE(o.stillOpenAfterEscape);
        }
    }
};

TEST_F(DialogFitTest, EveryDialogFitsTheSmallScreenEscapeCancelsAndReturnHasAButton) {
    CheckEveryDialog("640x480", 640, 480);
}

TEST_F(DialogFitTest, EveryDialogFitsTheLargeScreenEscapeCancelsAndReturnHasAButton) {
    CheckEveryDialog("800x600", 800, 600);
}

TEST_F(DialogFitTest, ReturnInANumberFieldDecidesTheDialogAsOkayDoes) {
    int length = 0;
    steps = {[&] {
                 // "Number of lines:" of the main tact, then Return.
                 modalSteps = {nullptr, [] {
                                   const Quelm::Rect r =
                                       GadgetRect(kPatternSettingsWindow, kSettingsMainLines);
                                   Click(r);
                                   DRELM_InjectKey(SDL_SCANCODE_END, true);
                                   DRELM_InjectKey(SDL_SCANCODE_END, false);
                                   DRELM_InjectKey(SDL_SCANCODE_BACKSPACE, true);
                                   DRELM_InjectKey(SDL_SCANCODE_BACKSPACE, false);
                                   DRELM_InjectKey(SDL_SCANCODE_BACKSPACE, true);
                                   DRELM_InjectKey(SDL_SCANCODE_BACKSPACE, false);
                                   DRELM_InjectKey(SDL_SCANCODE_8, true);
                                   DRELM_InjectKey(SDL_SCANCODE_8, false);
                                   Press(SDL_SCANCODE_RETURN);
                               }};
                 Click(GadgetRect(kMainWindowNumber, kMainPatternSettings));
             },
             [&] { length = gModule.patterns[0].mainTactInterval; }};
    RunTracker({TW_SOURCE_DIR "/assets/demo/demo.quavex"});
    EXPECT_EQ(length, 8);
}

// The view lies inside the image gadget's border of two pixels, and it is tall enough
// for its title and every line it shows.
static void ExpectWholeLines(const Quelm::Rect& area, const Quelm::Rect& cell, int lines,
                             int screen) {
    const ColumnGeometry& g = gEditor.view.geometry;
    EXPECT_GE(area.x, cell.x + 2);
    EXPECT_GE(area.y, cell.y + 2);
    EXPECT_LE(area.Bottom(), cell.Bottom() - 2);
    EXPECT_GE(area.height, g.titleHeight + lines * g.lineHeight);
    EXPECT_LE(cell.Bottom(), screen);
}

TEST_F(DialogFitTest, TheLastPatternLineShowsWholeOnBothScreens) {
    for (const auto& [resolution, expected] :
         {std::pair{"640x480", 22}, std::pair{"800x600", 32}}) {
        SCOPED_TRACE(resolution);
        UseScreen(resolution);
        Quelm::Rect area, cell;
        int lines = 0, screen = 0;
        steps = {[&] {
            area = PatternArea(*gShell.gui);
            cell = GadgetRect(kMainWindowNumber, kMainPatternArea);
            lines = gEditor.view.visibleLines;
            screen = gShell.gui->ScreenHeight();
        }};
        RunTracker();
        EXPECT_EQ(lines, expected);
        ExpectWholeLines(area, cell, lines, screen);
    }
}
