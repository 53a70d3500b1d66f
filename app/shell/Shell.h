// The tracker's frame: start-up in phases, the main loop beside the sound thread,
// shutdown in order, and the last-resort crash save.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "Drelm.h"
#include "gui/Gui.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"

// What tests and tools change about a run; the program itself uses the defaults.
struct ShellOptions {
    uint32_t extraVideoFlags = 0;  // DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE for headless runs
    bool sound = true;             // open the sound device
    // Called once per main-loop pass before the events are taken (tests inject input here
    // and may set the quit flag).
    std::function<void(int pass)> passHook;
    // Called once per frame of every modal loop (dialogs, requesters) before it draws.
    std::function<void()> modalHook;
    // Replaces the clock the crash file name is made from (seconds since 1970, UTC).
    std::function<int64_t()> clock;
    // Where system messages (reports, the crash message) go; null: SDL's message box, or
    // stderr without a display.
    void (*messageBox)(const char* caption, const char* text) = nullptr;
};

struct Shell {
    std::unique_ptr<std::recursive_mutex> soundMutex;
    bool quit = false;
    // Set from a signal handler: leave the main loop and quit in order.
    std::atomic<bool> terminateRequested{false};
    DRELM_Screen* screen = nullptr;
    std::unique_ptr<GUI> gui;
    Player player;
    std::unique_ptr<SoundOutput> sound;
    bool drelmStarted = false;
    int pass = 0;
    int lastDrawnPass = -1000;
    // The song position the view followed last, to tell a line step from a move to
    // another pattern.
    int followedPosition = -1;
    bool wasPlaying = false;
    ShellOptions options;
};

extern Shell gShell;

// The start-up phases; false when one failed (it has been reported then).
bool Init();
// Init, the macros, the module named in arguments[1], the main loop and Quit. Gives back
// the exit code, 0.
int Run(const std::vector<std::string>& arguments);
// The shutdown steps in order; each failure is reported and the next step still runs.
void Quit();

// One pass of the main loop.
void MainLoopPass();
// The hand-over with the sound thread: follows the play position; every modal loop calls
// it as well.
void SyncWithSoundThread();
// After the graphics device was lost: drop and rebuild the GUI's device resources.
void RestoreDisplay();
// Alt+Enter: between the window and full screen.
void ToggleFullScreen();

// The video mode the preferences ask for.
DRELM_VideoMode PreferredVideoMode(bool fullscreen);
uint32_t PreferredVideoFlags(bool fullscreen);
