// Notes from the MIDI keyboard into the pattern: up to three keys at once go into
// neighbouring channels on the frame's line, sound through the replayer's test notes, and
// are written unless test mode is on. While playback is followed they land on the line
// being played (live recording).
//
// The view is taken by its fields (anchorColumn, anchorLine, cursorColumn, cursorLine,
// currentPattern, currentInstrument, volume, step, playLine, testMode, following) and its
// MoveCursor(extend, dx, dy) and Invalidate(flags), so the pattern view itself is passed.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <mutex>

#include "editor/MidiIn.h"
#include "module/Module.h"

class Player;
class UndoHistory;

// The view's state as one MIDI event sees it.
struct MidiEntryView {
    int anchorColumn = 0, anchorLine = 0, cursorColumn = 0, cursorLine = 0;
    int pattern = 0;
    int instrument = 0;
    int volume = 15;
    int step = 1;
    int playLine = 0;  // the replayer's line while following
    bool testMode = false;
    bool following = false;
};

// What the view has to do after an event.
struct MidiEntryResult {
    bool moveDown = false;    // move the cursor down by `step`, frame collapsed onto it
    bool invalidate = false;  // Invalidate(131)
};

// The undo step of one MIDI note: a kind-0 step over one line, begun before the line
// changes and ended after it (and after the cursor has moved).
struct MidiEntryUndo {
    std::function<void(int pattern, int line)> beginLine;
    std::function<void()> end;
};

// The undo history's kind-0 step over one line.
MidiEntryUndo MidiEntryUndoFor(UndoHistory& history);

class MidiNoteEntry {
public:
    MidiNoteEntry(MidiInput& midi, Module& module, Player& player, std::recursive_mutex& lock,
                  MidiEntryUndo undo);

    // One popped event, under the player lock. The cursor moves once per chord: when its
    // last key is released, not after every note.
    MidiEntryResult Handle(const MidiEvent& e, const MidiEntryView& view);

    // The main loop's entry: reads the view, handles the event, moves and invalidates.
    template <class View>
    void OnNoteEvent(View& view, const MidiEvent& e);
    // Pops every queued event and hands each to OnNoteEvent (once per frame).
    template <class View>
    void DrainInto(View& view) {
        MidiEvent e;
        while (midi.Pop(e)) OnNoteEvent(view, e);
    }

    // Forgets a chord in progress (with MidiInput::Drain when a mode is entered or left).
    void Reset() { moveWhenReleased = false; }

    // Set while the tracker's "Edit" switch is off: keys sound as in test mode but write
    // nothing, as the computer keyboard's note keys do then.
    bool writeProtected = false;

private:
    MidiInput& midi;
    Module& module;
    Player& player;
    std::recursive_mutex& lock;
    MidiEntryUndo undo;
    // A written chord whose cursor move waits for its keys to be released.
    bool moveWhenReleased = false;
    int chordStep = 1;
};

template <class View>
void MidiNoteEntry::OnNoteEvent(View& view, const MidiEvent& e) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    MidiEntryView state;
    state.anchorColumn = view.anchorColumn;
    state.anchorLine = view.anchorLine;
    state.cursorColumn = view.cursorColumn;
    state.cursorLine = view.cursorLine;
    state.pattern = view.currentPattern;
    state.instrument = view.currentInstrument;
    state.volume = view.volume;
    state.step = view.step;
    state.playLine = view.playLine;
    state.testMode = view.testMode;
    state.following = view.following;
    const MidiEntryResult result = Handle(e, state);
    if (result.moveDown) {
        view.MoveCursor(1, 0, chordStep);
        view.anchorLine = view.cursorLine;
    }
    if (result.invalidate) view.Invalidate(131);
}
