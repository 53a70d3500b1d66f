// tracker-shots DIR [SONG]: starts the tracker headless at 800x600 and at 640x480 with the
// demo song (or SONG) and saves tracker-*.png pictures of the main window, with a menu
// open, with the preferences dialog, of the pattern view following the song, of the
// instrument editor on an instrument that uses every phase, of the macro manager and of
// the Macro menu's slots.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/shell/Commands.h"
#include "app/shell/Dialogs.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/InstrumentDialog.h"
#include "app/shell/MacroBinding.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"

namespace {

void Save(const std::string& path) {
    DRELM_SaveScreenshot(path.c_str());
    std::printf("%s\n", path.c_str());
}

// An instrument whose graph shows every phase: a rise, a fall, a held level with vibrato,
// a slower fall with more vibrato, and the rest of the note falling through zero.
void EveryPhaseInstrument(Instrument& i) {
    std::memset(&i, 0, sizeof i);
    std::strcpy(i.name, "Every phase");
    i.startVolume = 0x80;
    const uint8_t delays[4] = {6, 10, 16, 20};
    const uint8_t adds[5] = {0x14, 0xF8, 0x00, 0xFC, 0xFF};
    const uint8_t speeds[5] = {0, 0, 1, 2, 3};
    const uint8_t strengths[5] = {0, 0, 8, 12, 15};
    std::memcpy(i.delay, delays, 4);
    std::memcpy(i.volumeAdd, adds, 5);
    std::memcpy(i.vibSpeed, speeds, 5);
    std::memcpy(i.vibStrength, strengths, 5);
}

// Four stored macros, three of them bound to hotkeys.
void SomeMacros() {
    Macros& m = TrackerMacros();
    const char* names[] = {"Note and down", "Octave up", "Clear 4 lines", "Drum fill"};
    const char* texts[] = {"Enters C-1 and moves one line down", "Transposes the frame", "",
                           "Kick and snare over eight lines"};
    Macro macro;
    for (int k = 0; k < 4; ++k) {
        ClearMacro(macro);
        std::strcpy(macro.name, names[k]);
        std::strcpy(macro.description, texts[k]);
        macro.commandCount = 2;
        macro.commands[0].code = kCmdMove;
        macro.commands[0].d = 1;
        macro.commands[1].code = kCmdClear;
        m.Store(macro);
    }
    m.Activate(0, 0);
    m.Activate(1, 1);
    m.Activate(3, 4);
    m.changed = false;  // nothing of this is saved
    gEditor.view.Invalidate(kRedrawMenus);
}

void Shoot(const std::string& dir, const std::string& song, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string home =
        (std::filesystem::temp_directory_path() / ("tracker-shots-" + size)).string();
    std::filesystem::create_directories(home);
    std::ofstream(home + "/tonweave.prefs")
        << "appeareance {\n\twindowed_resolution = " << size << "\n}\n";
    SetUserDirectory(home);
    auto name = [&](const char* what) { return dir + "/tracker-" + what + "-" + size + ".png"; };
    gShell.options = ShellOptions();
    gShell.options.extraVideoFlags = DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE;
    gShell.options.sound = false;
    gShell.options.messageBox = [](const char*, const char* text) {
        std::fprintf(stderr, "%s\n", text);
    };
    // Each dialog is saved on its third frame and closed with Escape on its fourth.
    struct Dialog {
        int window;
        const char* picture;
        int frames;
    } dialogs[] = {{kPreferencesWindow, "preferences", 0},
                   {kInstrumentEditorWindow, "instrument-editor", 0},
                   {kMacroManagerWindow, "macro-manager", 0}};
    gShell.options.modalHook = [&] {
        for (Dialog& d : dialogs) {
            if (!gShell.gui->FindWindow(d.window)) continue;
            if (++d.frames == 3) Save(name(d.picture));
            if (d.frames == 4) {
                DRELM_InjectKey(SDL_SCANCODE_ESCAPE, true);
                DRELM_InjectKey(SDL_SCANCODE_ESCAPE, false);
            }
        }
    };
    gShell.options.passHook = [&](int pass) {
        // The picture of a pass is in the back buffer when the next one begins.
        if (pass == 3) Save(name("main"));
        if (pass == 3) gShell.gui->OpenMenu(1);
        if (pass == 5) {
            for (int i = 0; i < 1; ++i)
                gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN});
            gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_RIGHT});
        }
        if (pass == 7) {
            Save(name("menu"));
            gShell.gui->OpenMenu(-1);
            DispatchMenu(kMenuPreferences);
        }
        if (pass == 9) {
            // Editing while the song plays: a selection frame, channel 1 muted, the play
            // bar on the line being played.
            PatternView& v = gEditor.view;
            v.MoveCursor(0, 3, 2);
            v.MoveCursor(1, 4, 5);
            v.ToggleChannel(1);
            std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
            gShell.player.Start(0, 0, 1);
            for (int i = 0; i < 40; ++i) gShell.player.PlayFrame();
        }
        if (pass == 11) Save(name("pattern"));
        if (pass == 12) {
            StopPlayback();
            EveryPhaseInstrument(gModule.instruments[7]);
            OpenInstrumentEditor(7);
        }
        if (pass == 13) {
            SomeMacros();
            DispatchMenu(kMenuMacroManage);
        }
        if (pass == 14) {
            gShell.gui->OpenMenu(2);
            gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN});
            gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN});
            gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_RIGHT});
        }
        // Input handed to the GUI directly does not wake an idle loop: a redraw is asked.
        if (pass == 5 || pass == 6 || pass == 14 || pass == 15) InvalidateEditor();
        if (pass == 16) {
            Save(name("macro-menu"));
            gShell.gui->OpenMenu(-1);
        }
        if (pass == 17) gShell.quit = true;
    };
    Run({"tonweave", song});
    SetUserDirectory("");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: tracker-shots DIR [SONG]\n");
        return 2;
    }
    InstallFaultTranslator();
    const std::string dir = FullPath(argv[1]);
    const std::string song = argc > 2
                                 ? FullPath(argv[2])
                                 : FullPath("../../assets/demo/demo.quavex", ProgramDirectory());
    std::filesystem::create_directories(dir);
    Shoot(dir, song, 800, 600);
    Shoot(dir, song, 640, 480);
    return 0;
}
