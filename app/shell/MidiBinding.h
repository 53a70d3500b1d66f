// MIDI keyboard input in the tracker: the device named by the preference "midi_in_device",
// opened at start-up and again when the preferences change it; its notes go into the
// pattern once per main-loop pass, or to a dialog that plays them (the instrument editor).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/MidiIn.h"

// The queue the device thread fills. Its OnShortMessage is the device thread's entry (tests
// deliver messages there).
MidiInput& TrackerMidi();

// Tests: where MIDI ports come from (null: the system's sequencer).
void SetMidiPortFactory(std::function<std::unique_ptr<MidiInputPort>()> factory);

// The "MIDI in" list of the preferences: "None", then the ports found now.
std::vector<std::string> TrackerMidiDevices();

// Late start-up: a fresh queue and note entry; opens the preferred device if one is named.
// No device or no MIDI system leaves input closed, without a message.
void OpenTrackerMidi();
// After the preferences changed the device: closes and opens `device` ("" for none).
void ReopenTrackerMidi(const std::string& device);
// Shutdown, after the macros are saved: the device is closed and the queue released.
void CloseTrackerMidi();

// Main loop step 4: every queued note goes into the pattern (or sounds only, in test mode
// or with "Edit" off), under the player lock.
void HandleMidiInput();

// Empties the queue and frees the entry slots, forgetting a chord in progress (entering
// and leaving a mode in which MIDI notes must not write).
void DrainTrackerMidi();

// While a dialog sets a sink, every modal frame hands it the queued events; without one
// they wait for the main loop.
void SetMidiDialogSink(std::function<void(const MidiEvent&)> sink);
void PollMidiForDialog();
