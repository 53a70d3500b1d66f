// Drawing for the instruments: the envelope and vibrato graph rendered into a surface, the
// clickable keyboard of the instrument editor, and the main window's instrument selector.
// Geometry is kept in pure functions so that the hit tests match what is drawn.
#pragma once

#include <cstdint>
#include <string>

#include "Drelm.h"
#include "editor/InstrumentEdit.h"

class GUI_Skin;

// Renders `graph` into `surface` (A8R8G8B8, created or resized to the graph's size): black,
// the phase markers, the vibrato bars, then the envelope, each line `lineWidth` thick.
void RenderInstrumentGraph(const InstrumentGraph& graph, DRELM_Surface& surface);

// The keyboard gadget: two octaves and the C above them (15 white keys), black keys over
// the upper three fifths.
constexpr int kKeyboardWhiteKeys = 15;
// The semitone (0..24) under x, y of a keyboard drawn width x height, or -1 outside it.
int KeyboardSemitoneAt(int x, int y, int width, int height);
// Draws the keyboard over `area` (screen coordinates); bit s of `held` marks semitone s.
void DrawKeyboard(const Quelm::Rect& area, uint32_t held);

// The selector: a minus button, the instrument's number and name (a click opens the
// editor), a plus button. Gives back -1, +1 for the buttons and 0 for the middle.
int SelectorPartAt(int x, int width, int height);
// Shows `label`, or `shortLabel` when `label` does not fit.
void DrawInstrumentSelector(const GUI_Skin& skin, const Quelm::Rect& area, const std::string& label,
                            const std::string& shortLabel, int pressedPart);
// "05 Bass drum", or "Instr. 05" for an instrument without a name ("Ins. 05" in the short
// form, which fits the selector at 640 pixels): the text the selector shows.
std::string SelectorText(int instrument, const Instrument& record, bool shortForm = false);
