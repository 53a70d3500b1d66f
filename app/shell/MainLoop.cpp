// The main loop's pass, the hand-over with the sound thread, the device restore and the
// switch to full screen.
#include <SDL.h>

#include "app/Exceptions.h"
#include "app/Preferences.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/MidiBinding.h"
#include "app/shell/Recovery.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"

namespace {

// An idle window is drawn a few times a second only (the text cursor blinks, a window
// uncovered shows again); every input, event or playing frame draws at once.
constexpr int kIdleRedrawPasses = 15;

}  // namespace

void MainLoopPass() {
    GUI& gui = *gShell.gui;
    if (gShell.options.passHook) gShell.options.passHook(gShell.pass);
    ++gShell.pass;
    const uint32_t inputBefore = gui.InputSerial();
    DRELM_UpdateInput();
    gui.Pump();
    bool busy = gui.InputSerial() != inputBefore;
    GUI_Event e;
    bool fieldDone = false;
    while (!gShell.quit && gui.GetEvent(e)) {
        busy = true;
        if (e.window == kMainWindowNumber &&
            (e.type == GUI_EVENT_NUMBER || e.type == GUI_EVENT_TEXT_ENTERED ||
             e.type == GUI_EVENT_FOCUS_LEFT))
            fieldDone = true;
        if (CancelFieldEditing(gui, e)) continue;
        DispatchEvent(e);
    }
    if (busy && gShell.gui) KeepKeysForEditor(*gShell.gui, fieldDone);
    HandleMidiInput();
    DRELM_UpdateInput();
    SyncWithSoundThread();
    busy = busy || gShell.wasPlaying || gShell.pass - gShell.lastDrawnPass >= kIdleRedrawPasses ||
           EditorWantsRedraw();
    if (busy) {
        gui.Draw();
        DRELM_NextFrame();
        gShell.lastDrawnPass = gShell.pass;
    } else {
        DRELM_SkipFrame();
    }
}

void SyncWithSoundThread() {
    if (!gShell.soundMutex) return;
    bool movedPattern = false, stopped = false, lineRead = false, playing = false;
    int position = 0, line = 0, speed = 0, stereo = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        Player& p = gShell.player;
        position = p.position;
        line = p.line;
        speed = p.speed;
        stereo = p.stereo;
        playing = p.playing != 0;
        if (playing) {
            // A move to another song position shows the new pattern whole; a line step
            // only moves the play bar and the lines that scroll in.
            if (position != gShell.followedPosition) {
                movedPattern = true;
                gShell.followedPosition = position;
            }
        } else if (gShell.wasPlaying) {
            stopped = true;
        }
        p.lineAdvanced = 0;
        lineRead = p.lineRead != 0;
        p.lineRead = 0;
        gShell.wasPlaying = playing;
    }
    EditorFollow(playing, position, line);
    if (movedPattern && gShell.gui) RefreshPatternList(*gShell.gui);
    if (stopped) gShell.followedPosition = -1;
    if ((lineRead || movedPattern || stopped) && gShell.gui)
        RefreshPlayerFields(*gShell.gui, speed, stereo);
    UpdateEditor();
    RecoveryTick();
}

void RestoreDisplay() {
    if (!gShell.gui) return;
    gShell.gui->RestoreDevice();
    InvalidateEditor();
}

void ToggleFullScreen() {
    if (!gShell.gui) return;
    const bool fullscreen = !DRELM_GetScreen()->IsFullScreen();
    try {
        gShell.screen =
            DRELM_ChangeVideoMode(PreferredVideoMode(fullscreen), PreferredVideoFlags(fullscreen));
    } catch (const Exception&) {
        GUI_MessageRequester(*gShell.gui, "The display doesn't offer that video mode.");
        return;
    }
    gShell.gui->RestoreDevice();
    // The windows keep their places; the main window is laid out for the new size.
    OpenMainWindow(*gShell.gui);
    InvalidateEditor();
}
