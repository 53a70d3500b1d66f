// The tracker's MIDI input: one queue, one note entry, the device's lifetime.
#include "app/shell/MidiBinding.h"

#include "app/Preferences.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/Shell.h"
#include "editor/MidiNotes.h"
#include "module/Module.h"

namespace {

std::function<std::unique_ptr<MidiInputPort>()> gPortFactory;
std::unique_ptr<MidiInput> gMidi;
std::unique_ptr<MidiNoteEntry> gEntry;
std::function<void(const MidiEvent&)> gDialogSink;

std::unique_ptr<MidiInputPort> NewPort() { return gPortFactory ? gPortFactory() : nullptr; }

}  // namespace

MidiInput& TrackerMidi() {
    if (!gMidi) gMidi = std::make_unique<MidiInput>(NewPort());
    return *gMidi;
}

void SetMidiPortFactory(std::function<std::unique_ptr<MidiInputPort>()> factory) {
    gPortFactory = std::move(factory);
}

std::vector<std::string> TrackerMidiDevices() {
    std::unique_ptr<MidiInputPort> port = NewPort();
    return port ? ListMidiInputDevices(*port) : ListMidiInputDevices();
}

void OpenTrackerMidi() {
    gEntry.reset();
    gDialogSink = nullptr;
    gMidi = std::make_unique<MidiInput>(NewPort());
    if (gShell.soundMutex && gEditor.undo)
        gEntry = std::make_unique<MidiNoteEntry>(*gMidi, gModule, gShell.player, *gShell.soundMutex,
                                                 MidiEntryUndoFor(*gEditor.undo));
    if (!gPreferences.midiInDevice.empty()) gMidi->Open(gPreferences.midiInDevice);
}

void ReopenTrackerMidi(const std::string& device) {
    MidiInput& midi = TrackerMidi();
    midi.Close();
    DrainTrackerMidi();
    if (!device.empty()) midi.Open(device);
}

void CloseTrackerMidi() {
    gDialogSink = nullptr;
    // The entry refers to the sound mutex, which is gone by now.
    gEntry.reset();
    gMidi.reset();
}

void HandleMidiInput() {
    if (!gEntry || !gMidi) return;
    gEntry->writeProtected = !gEditor.editMode;
    gEntry->DrainInto(gEditor.view);
}

void DrainTrackerMidi() {
    if (gMidi) gMidi->Drain();
    if (gEntry) gEntry->Reset();
}

void SetMidiDialogSink(std::function<void(const MidiEvent&)> sink) {
    gDialogSink = std::move(sink);
}

void PollMidiForDialog() {
    if (!gDialogSink || !gMidi) return;
    MidiEvent e;
    while (gMidi->Pop(e)) gDialogSink(e);
}
