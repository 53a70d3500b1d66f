// Pictures of the pattern dialogs: each is opened from its button or menu entry as a user
// would, saved as tracker-<dialog>-<size>.png once it has been drawn, and closed with
// Escape.
#include <SDL.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/Paths.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/PatternDialogs.h"
#include "app/shell/Shell.h"

namespace {

struct Shot {
    const char* name;
    int type;    // GUI event that opens the dialog
    int gadget;  // main window gadget or menu entry
};

const Shot kShots[] = {
    {"new-pattern-settings", GUI_EVENT_ACTIVATED, kMainMakeNew},
    {"pattern-settings", GUI_EVENT_ACTIVATED, kMainPatternSettings},
    {"pattern-resize", GUI_EVENT_ACTIVATED, kMainPatternResize},
    {"pattern-overview", GUI_EVENT_ACTIVATED, kMainOverview},
    {"position-pattern", GUI_EVENT_LIST_ACTIVATED, kMainPatternList},
    {"multi-pattern-settings", GUI_EVENT_MENU, kMenuMultiPatternSettings},
    {"change-instruments", GUI_EVENT_MENU, kMenuChangeInstruments},
    {"copy-channels", GUI_EVENT_MENU, kMenuCopyChannels},
};

}  // namespace

void ShootPatternDialogs(const std::string& dir, const std::string& song, int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    const std::string home =
        (std::filesystem::temp_directory_path() / ("tracker-dialog-shots-" + size)).string();
    std::filesystem::create_directories(home);
    std::ofstream(home + "/tonweave.prefs")
        << "appeareance {\n\twindowed_resolution = " << size << "\n}\n";
    SetUserDirectory(home);
    gShell.options = ShellOptions();
    gShell.options.extraVideoFlags = DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE;
    gShell.options.sound = false;
    gShell.options.messageBox = [](const char*, const char* text) {
        std::fprintf(stderr, "%s\n", text);
    };
    const Shot* current = nullptr;
    int modalFrames = 0;
    gShell.options.modalHook = [&] {
        // The picture of a frame is in the back buffer when the next one begins.
        if (++modalFrames == 3 && current) {
            const std::string path = dir + "/tracker-" + current->name + "-" + size + ".png";
            DRELM_SaveScreenshot(path.c_str());
            std::printf("%s\n", path.c_str());
        }
        if (modalFrames == 4) {
            DRELM_InjectKey(SDL_SCANCODE_ESCAPE, true);
            DRELM_InjectKey(SDL_SCANCODE_ESCAPE, false);
        }
    };
    const int count = int(sizeof kShots / sizeof kShots[0]);
    gShell.options.passHook = [&](int pass) {
        const int index = pass - 3;
        if (index >= count) {
            gShell.quit = true;
            return;
        }
        if (index < 0) return;
        current = &kShots[index];
        modalFrames = 0;
        GUI_Event e;
        e.type = current->type;
        e.window = current->type == GUI_EVENT_MENU ? -1 : kMainWindowNumber;
        e.gadget = current->gadget;
        DispatchEvent(e);
    };
    Run({"tonweave", song});
    SetUserDirectory("");
}
