// tracker-shots DIR [SONG]: starts the tracker headless at 800x600 and at 640x480 with the
// demo song (or SONG) and saves tracker-*.png pictures of the main window, with a menu
// open, with the preferences dialog, and of the pattern view following the song.
#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MenuTable.h"
#include "app/shell/Shell.h"

namespace {

void Save(const std::string& path) {
    DRELM_SaveScreenshot(path.c_str());
    std::printf("%s\n", path.c_str());
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
    int modalFrames = 0;
    gShell.options.modalHook = [&] {
        if (++modalFrames == 3) Save(name("preferences"));
        if (modalFrames == 4) {
            DRELM_InjectKey(SDL_SCANCODE_ESCAPE, true);
            DRELM_InjectKey(SDL_SCANCODE_ESCAPE, false);
        }
    };
    gShell.options.passHook = [&](int pass) {
        // The picture of a pass is in the back buffer when the next one begins.
        if (pass == 3) Save(name("main"));
        if (pass == 3) gShell.gui->OpenMenu(1);
        if (pass == 5) {
            for (int i = 0; i < 3; ++i)
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
        if (pass == 12) gShell.quit = true;
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
