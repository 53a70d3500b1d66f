// The "Instrument Editor" dialog and the main window's instrument selector.
#pragma once

#include <cstdint>

#include "gui/Gui.h"

constexpr int kInstrumentEditorWindow = 80;

// Gadget numbers of the dialog. The phase rows hold delay (phases 0..3 only), volume add,
// vibrato speed and vibrato strength.
enum InstrumentGadget : int {
    kInsList = 0,
    kInsName,
    kInsStartVolume,
    kInsPhaseFirst,  // 3..21, see InstrumentPhaseGadget
    kInsGraph = 22,
    kInsKeyboard,
    kInsOctave,
    kInsType,
    kInsCopy,
    kInsPaste,
    kInsReset,
    kInsOkay,
    kInsCancel,
};
enum PhaseField : int { kPhaseDelay, kPhaseVolumeAdd, kPhaseVibSpeed, kPhaseVibStrength };
// The gadget of `field` in phase row `phase` (0..4), or -1 (phase 4 has no delay).
int InstrumentPhaseGadget(int phase, PhaseField field);

// Opens the editor on `instrument` and runs it until "Okay" or "Cancel". Playback stops;
// "Okay" puts the 16 instruments into the module as one undo step and makes the one shown
// the current instrument.
void OpenInstrumentEditor(int instrument);
// The keys the open editor's keyboard shows pressed (bit s for the key s semitones above
// its first C), 0 while it is closed.
uint32_t InstrumentKeyboardLitKeys();

// The main window: the selector's mouse events, its drawing, and the commands that open
// the editor or step the current instrument.
void CommandInstrumentEditor(const GUI_Event& event);
void CommandInstrumentSelector(const GUI_Event& event);
void CommandNextInstrument(const GUI_Event& event);
void CommandPreviousInstrument(const GUI_Event& event);
void DrawMainInstrumentSelector(const Quelm::Rect& area);
