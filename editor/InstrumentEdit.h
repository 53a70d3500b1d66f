// The instrument editor's logic without drawing: the working copy of the 16 instruments,
// copy/paste through the desktop clipboard's text, reset, the graph as plain data, and up
// to four test voices on the replayer's test-note entry.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "editor/MidiIn.h"
#include "module/Module.h"

class Player;

extern const char kInstrumentClipboardFormat[];  // "Tonweave-Instrument-Data-1"
extern const char kInstrumentCopyFailed[];       // "Copy has failed."
extern const char kInstrumentPasteNoData[];
extern const char kInstrumentPasteVersion[];
extern const char kInstrumentPasteSystem[];
extern const char kInstrumentResetQuestion[];  // "Do you really want to reset this instrument?"

constexpr size_t kInstrumentClipboardBytes = 4 + sizeof(Instrument);

// The reset values: empty name, start volume 255, delays 8, no vibrato or volume add.
void ResetInstrumentRecord(Instrument& instrument);
// Keeps every field within its range (name terminated, vibrato speed 0..3, strength 0..15).
void ClampInstrument(Instrument& instrument);

// Field texts of the dialog: "15.15" for a start volume, "-%2d.%2d" for a falling volume
// add, "%24s" for a row of the instrument list.
std::string FormatStartVolume(uint8_t value);
std::string FormatVolumeAdd(uint8_t value);
std::string FormatInstrumentRow(const Instrument& instrument);
// What the user typed into those fields: "level.sixteenths" (blanks allowed around the
// numbers of up to three digits, the sixteenths may be left out), a leading "-" for a
// falling value. A value out of range is clamped to it (start volume 0..15.15, volume add
// -8.0..7.15), as a number field clamps; false for text that is no such number.
bool ParseStartVolume(const std::string& text, uint8_t& value);
bool ParseVolumeAdd(const std::string& text, uint8_t& value);

// The clipboard text for `instrument`: the format line, then base64 of the version (0),
// the sound system (0), both u16 little-endian, and the 53-byte record.
std::string InstrumentClipboardText(const Instrument& instrument);
// Reads such a text into `out`, clamped. Returns nullptr on success, else the message to
// show: no (or malformed) data, another version, another sound system.
const char* ParseInstrumentClipboard(const std::string& text, Instrument& out);

// The graph of one instrument, computed for a surface of width x height pixels and drawn
// in this order: background, phase markers, vibrato bars, envelope segments. Coordinates
// lie within the surface.
struct GraphSegment {
    int x0, y0, x1, y1;
    uint32_t colour;  // 0xAARRGGBB
};
struct GraphBar {
    int x, y, width, height;
    uint32_t colour;
};
struct InstrumentGraph {
    int width = 0, height = 0;
    int pixelsPerFrame = 2;  // 2 below 65 px of height, else 4
    int lineWidth = 1;       // 2 in the large layout
    uint32_t background = 0xFF000000;
    uint32_t markerColour = 0xFF303070;
    std::vector<int> markers;  // x of each phase boundary within the graph
    std::vector<GraphSegment> envelope;
    std::vector<GraphBar> vibrato;
};
constexpr uint32_t kGraphEnvelopeColour = 0xFFFFFFFF;
constexpr uint32_t kGraphEnvelopeLastPhase = 0xFFC0C0C0;
constexpr uint32_t kGraphVibratoColour = 0xFF50C050;
constexpr uint32_t kGraphVibratoLastPhase = 0xFF289028;
constexpr int kGraphSpan = 1280;  // pixels of time the graph computes

InstrumentGraph ComputeInstrumentGraph(const Instrument& instrument, int width, int height);

// Up to four test notes at once. Each belongs to a source (a key, a MIDI note, the mouse on
// the keyboard gadget) so that its release stops exactly its voice. Every call takes the
// player lock.
class TestVoices {
public:
    static constexpr int kVoices = 4;
    static constexpr int kMidiSource = 0x1000;  // + MIDI note
    static constexpr int kMouseSource = 0x2000;

    TestVoices(Player& player, std::recursive_mutex& playerLock);
    ~TestVoices();
    TestVoices(const TestVoices&) = delete;
    TestVoices& operator=(const TestVoices&) = delete;

    // Starts `note` at volume 15 on a free channel of `type` (0 tone, 1 noise) for
    // `source`. Silent (returns -1) when the source already sounds, all four voices are
    // taken, no channel is free or the note cannot play there. `instrument` must outlive
    // the note.
    int Start(int source, int type, const Instrument& instrument, uint8_t note);
    void Stop(int source);
    void StopAll();
    // The mouse moved over another key of the gadget while the button is held.
    void MoveMouse(int type, const Instrument& instrument, uint8_t note);
    int Sounding() const;
    bool IsSounding(int source) const;

private:
    struct Voice {
        bool active = false;
        int source = 0;
        int channel = -1;
        uint8_t note = 0;
    };
    Player& player;
    std::recursive_mutex& lock;
    Voice voices[kVoices];
};

// The on-screen keyboard of test notes: two octaves and the C above them.
constexpr int kKeyboardSemitones = 25;

class InstrumentEditor {
public:
    Instrument working[kInstruments];
    int current = 0;
    uint8_t octave = 3;  // "Octave:" of the test notes, as shown
    uint8_t type = 0;    // "Type:": 0 "Tone", 1 "Noise"

    // Takes a copy of the module's 16 instruments and selects `instrument`.
    void Begin(const Module& module, int instrument);
    // Whether the copy differs from the module's instruments.
    bool Changed(const Module& module) const;
    // "Reset..." after the question: the current instrument gets the reset values.
    void Reset();
    // "Copy": the text to put on the clipboard.
    std::string CopyText() const;
    // "Paste": nullptr when the clipboard's instrument replaced the current one, else the
    // message to show (the instrument is then untouched).
    const char* Paste(const std::string& clipboardText);
    // "Okay": the copy goes into the module under the player lock. The caller wraps it in
    // the instrument editor's undo step (all 16 before and after).
    void ApplyTo(Module& module, std::recursive_mutex& playerLock) const;
    InstrumentGraph Graph(int width, int height) const;
    // The test note of a note key `semitone` semitones above C of the "Octave:" octave
    // (the pattern editor's note-key offsets); 255 when it is above the highest note.
    uint8_t TestNote(int semitone) const;
    // MIDI keys while the dialog is open: a note-on starts a voice for that key (one
    // octave up with the 2x divider, as in the pattern; on "Noise" the key's place in the
    // octave picks one of the eight noise values), its note-off stops that voice. Gives
    // back the note a note-on started, or -1.
    int OnMidiEvent(const MidiEvent& e, TestVoices& voices, uint8_t frequencyDivider) const;
    // Which of the keyboard gadget's keys (two octaves from C of the "Octave:" octave and
    // the C above) plays test note `note`, or -1. On "Noise" the first eight keys stand for
    // the eight noise values.
    int KeyboardKey(uint8_t note) const;
    // "Type:" as shown.
    const char* TypeName() const { return type ? "Noise" : "Tone"; }
};
