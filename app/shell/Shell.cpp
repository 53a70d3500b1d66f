// Start-up in phases, Run and shutdown in order.
#include "app/shell/Shell.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>

#include "app/Exceptions.h"
#include "app/FaultTranslator.h"
#include "app/Paths.h"
#include "app/Preferences.h"
#include "app/shell/Commands.h"
#include "app/shell/CrashSave.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "module/Module.h"
#include "sound/sdl/SdlAudioDevice.h"

Shell gShell;

namespace {

constexpr const char* kProgramName = "Tonweave";

void SdlMessageBox(const char* caption, const char* text) {
    SDL_Window* window = static_cast<SDL_Window*>(DRELM_GetWindowHandle());
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_INFORMATION, caption, text, window) != 0) {
        std::fprintf(stderr, "%s\n", text);
        std::fflush(stderr);
    }
}

// Runs one start-up phase: true when it got through, else the report is out.
template <typename Steps>
bool Phase(const char* failure, Steps steps) {
    try {
        steps();
        return true;
    } catch (const Exception& e) {
        ReportException(failure, e);
    } catch (const std::exception& e) {
        ReportException(failure, Exception(e.what()));
    }
    return false;
}

void EarlyPhase() {
    gShell.soundMutex = std::make_unique<std::recursive_mutex>();
    // Both noted now, before anything could change the working directory.
    (void)ProgramDirectory();
    (void)StartDirectory();
}

// A preferences file that cannot be used has been reported; the tracker still starts,
// with the defaults where the file failed. A file that did not parse stays as it is (it
// is not marked loaded, so quitting does not overwrite it) for the user to mend.
void KeepDefaultPreferences() {
    if (!gPreferences.loaded) {
        gPreferences.SetDefaults();
        return;
    }
    const Preferences defaults;
    if (!gPreferences.ResolutionsSupported()) {
        gPreferences.windowedResolution = defaults.windowedResolution;
        gPreferences.fullscreenResolution = defaults.fullscreenResolution;
    }
}

void VideoPhase() {
    const bool fullscreen = gPreferences.fullscreen;
    gShell.screen =
        DRELM_SetVideoMode(PreferredVideoMode(fullscreen), PreferredVideoFlags(fullscreen));
    DRELM_SetWindowTitle(kProgramName);
}

void GraphicsLoadingPhase() { LoadPatternFont(AssetFile("modfont.png")); }

void LatePhase() {
    GUI& gui = *gShell.gui;
    InstallMenu(gui);
    gModule.Clear(0, 0);
    gShell.player.Bind(gModule);
    gShell.player.ReloadSettings();
    SetupEditor(gui);
    OpenMainWindow(gui);
    // MIDI input opens here once it exists; the device name stays in the preferences.
    // The note-to-period tables are made at compile time.
    std::unique_ptr<AudioDevice> device;
    if (gShell.options.sound) device = std::make_unique<SdlAudioDevice>();
    gShell.sound =
        std::make_unique<SoundOutput>(gShell.player, *gShell.soundMutex, std::move(device));
    gShell.sound->SetVolume(gPreferences.volume);
    gShell.sound->Open();
    gShell.sound->StartThread();
    gui.SetModalHooks(
        [] {
            if (gShell.options.modalHook) gShell.options.modalHook();
            SyncWithSoundThread();
        },
        [] { RestoreDisplay(); });
}

int64_t Now() {
    if (gShell.options.clock) return gShell.options.clock();
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void MainLoop() {
    while (!gShell.quit) {
        // A request to end the process (SIGTERM, Ctrl+C in the terminal) quits in order.
        if (gShell.terminateRequested.load()) break;
        MainLoopPass();
    }
}

void LoadCommandLineModule(const std::vector<std::string>& arguments) {
    if (arguments.size() < 2 || arguments[1].empty()) return;
    LoadModulePath(FullPath(arguments[1], StartDirectory()));
}

}  // namespace

DRELM_VideoMode PreferredVideoMode(bool fullscreen) {
    const PreferenceResolution& r =
        fullscreen ? gPreferences.fullscreenResolution : gPreferences.windowedResolution;
    const DRELM_FORMAT format = (fullscreen && gPreferences.fullscreenColorDepth == 16)
                                    ? DRELM_FORMAT_R5G6B5
                                    : DRELM_FORMAT_X8R8G8B8;
    return DRELM_VideoMode(r.width, r.height, format);
}

uint32_t PreferredVideoFlags(bool fullscreen) {
    // Every frame is drawn in memory; presenting it straight into the window's pixels
    // costs one copy, where a texture upload would add a second one (on a software GL
    // stack, as under a virtual display, several).
    return DRELM_VIDEO_SOFTWARE | (fullscreen ? uint32_t(DRELM_VIDEO_FULLSCREEN) : 0u) |
           gShell.options.extraVideoFlags;
}

bool Init() {
    SetSystemMessageBox(gShell.options.messageBox ? gShell.options.messageBox : SdlMessageBox);
    gShell.quit = false;
    gShell.pass = 0;
    gShell.lastDrawnPass = -1000;
    if (!Phase("Early startup error. This shouldn't happen. Please contact me.", EarlyPhase))
        return false;
    if (!Phase("Couldn't load the preferences file (tonweave.prefs).", [] { gPreferences.Load(); }))
        KeepDefaultPreferences();
    if (!Phase("Early graphics or input initialization error.", [] {
            DRELM_Init();
            gShell.drelmStarted = true;
        }))
        return false;
    if (!Phase("Video mode setup error.", VideoPhase)) return false;
    gShell.gui = std::make_unique<GUI>();
    if (!Phase("GUI initialization error.",
               [] { gShell.gui->Init(gShell.screen, AssetDirectory()); }))
        return false;
    if (!Phase("Graphics loading error.", GraphicsLoadingPhase)) return false;
    return Phase("Late startup error.", LatePhase);
}

int Run(const std::vector<std::string>& arguments) {
    bool crashed = false;
    if (Init()) {
        try {
            // The macros load here once they exist (an empty store until then).
            LoadCommandLineModule(arguments);
            MainLoop();
        } catch (...) {
            crashed = true;
        }
        if (crashed) {
            try {
                CrashSave(Now());
            } catch (...) {
            }
        }
    }
    Quit();
    return 0;
}

void Quit() {
    try {
        try {
            if (gShell.sound) gShell.sound->Shutdown();
        } catch (const Exception& e) {
            ReportException("Couldn't stop the sound output.", e);
        }
        gShell.sound.reset();
        gShell.soundMutex.reset();
        try {
            gPreferences.Save();
        } catch (const Exception& e) {
            ReportException("Couldn't save the configuration file.", e);
        }
        // The macros are saved here once they exist; MIDI input closes after them.
        try {
            if (gShell.gui) {
                ShutdownEditor();
                gShell.gui->Shutdown();
            }
        } catch (const Exception& e) {
            ReportException("Couldn't shut the GUI down.", e);
        }
        gShell.gui.reset();
        if (gShell.drelmStarted) {
            gShell.drelmStarted = false;
            DRELM_Quit();
        }
        gShell.screen = nullptr;
    } catch (const Exception& e) {
        ReportException(
            "An error occured while quitting.\nThis shouldn't happen.\nPlease report this to me.",
            e);
    } catch (...) {
        ReportException(
            "An error occured while quitting.\nThis shouldn't happen.\nPlease report this to me.",
            Exception());
    }
}
