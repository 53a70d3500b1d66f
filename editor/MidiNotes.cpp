// MIDI note entry: entry slots, chords into neighbouring channels, test notes, writing.
#include "editor/MidiNotes.h"

#include <cstdlib>

#include "editor/UndoHistory.h"
#include "sound/Player.h"

MidiNoteEntry::MidiNoteEntry(MidiInput& m, Module& mod, Player& p, std::recursive_mutex& l,
                             MidiEntryUndo u)
    : midi(m), module(mod), player(p), lock(l), undo(std::move(u)) {}

MidiEntryResult MidiNoteEntry::Handle(const MidiEvent& e, const MidiEntryView& view) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    MidiEntryResult result;
    const int x = std::min(view.anchorColumn, view.cursorColumn);
    const int width = std::abs(view.anchorColumn - view.cursorColumn) + 1;
    const int line = view.following ? view.playLine : std::min(view.anchorLine, view.cursorLine);

    if (e.type == kMidiNoteOff) {
        bool anyHeld = false;
        for (uint8_t& slot : midi.noteSlots) {
            if (slot == e.note) slot = MidiInput::kFreeSlot;
            anyHeld = anyHeld || slot != MidiInput::kFreeSlot;
        }
        if (!anyHeld && moveWhenReleased) {
            moveWhenReleased = false;
            result.moveDown = !view.following;
            result.invalidate = true;
        }
        return result;
    }
    if (e.type != kMidiNoteOn || x >= 12) return result;

    const int usable = std::min(width, 3);
    int slot = -1;
    for (int s = 0; s < usable && slot < 0; ++s)
        if (midi.noteSlots[s] == MidiInput::kFreeSlot) slot = s;
    if (slot < 0) return result;
    const int channel = x / 3 + slot;
    // A frame near the right edge has fewer channels than keys: those keys are ignored.
    if (channel >= kChannels) return result;
    midi.noteSlots[slot] = e.note;

    const int noteValue = e.note + (module.frequencyDivider == 1 ? 12 : 0);
    const uint8_t note = static_cast<uint8_t>(std::min(noteValue, 155));
    const int instrument = std::clamp(view.instrument, 0, kInstruments - 1);
    const uint8_t volume = static_cast<uint8_t>(std::clamp(view.volume, 0, 15));
    const bool soundOnly = view.testMode || writeProtected;
    if (soundOnly || !view.following) {
        const uint32_t frames = module.chipType == 1 ? 50 : 60;
        player.StartTestNote(channel == kNoiseChannel ? 1 : 0, channel,
                             module.instruments[instrument], volume, note, 0, frames);
    }
    if (soundOnly) return result;

    Pattern& pattern = module.patterns[view.pattern & 255];
    if (line < 0 || line >= pattern.length) return result;
    if (undo.beginLine) undo.beginLine(view.pattern, line);
    PatternLine& target = pattern.lines[line];
    target.note[channel] = note;
    target.detune[channel] = 0;
    target.instrument[channel] = static_cast<uint8_t>(instrument);
    target.volume[channel] = volume;
    if (undo.end) undo.end();
    result.invalidate = true;
    if (!view.following) {
        moveWhenReleased = true;
        chordStep = view.step;
    }
    return result;
}

MidiEntryUndo MidiEntryUndoFor(UndoHistory& history) {
    MidiEntryUndo undo;
    undo.beginLine = [&history](int pattern, int line) { history.BeginLines(pattern, line, 1); };
    undo.end = [&history] { history.EndLines(); };
    return undo;
}
