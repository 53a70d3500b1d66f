// "Export MIDI": a General MIDI program for each way the song uses an instrument, chosen
// while the instrument itself can be heard on the chip.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "app/shell/DialogParts.h"
#include "app/shell/FileCommands.h"
#include "app/shell/Shell.h"
#include "module/Module.h"

using namespace dialog;

namespace {

enum ExportMidiGadget : int { kUses = 0, kPrograms, kPreview, kOkay, kCancel };

// The General MIDI names of programs 0..127, so that a number says what it will sound as.
// clang-format off
constexpr const char* kProgramNames[128] = {
    "Acoustic Grand Piano", "Bright Acoustic Piano", "Electric Grand Piano", "Honky-tonk Piano",
    "Electric Piano 1", "Electric Piano 2", "Harpsichord", "Clavi",
    "Celesta", "Glockenspiel", "Music Box", "Vibraphone",
    "Marimba", "Xylophone", "Tubular Bells", "Dulcimer",
    "Drawbar Organ", "Percussive Organ", "Rock Organ", "Church Organ",
    "Reed Organ", "Accordion", "Harmonica", "Tango Accordion",
    "Acoustic Guitar (nylon)", "Acoustic Guitar (steel)", "Electric Guitar (jazz)",
    "Electric Guitar (clean)", "Electric Guitar (muted)", "Overdriven Guitar",
    "Distortion Guitar", "Guitar Harmonics",
    "Acoustic Bass", "Electric Bass (finger)", "Electric Bass (pick)", "Fretless Bass",
    "Slap Bass 1", "Slap Bass 2", "Synth Bass 1", "Synth Bass 2",
    "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo Strings", "Pizzicato Strings", "Orchestral Harp", "Timpani",
    "String Ensemble 1", "String Ensemble 2", "Synth Strings 1", "Synth Strings 2",
    "Choir Aahs", "Voice Oohs", "Synth Voice", "Orchestra Hit",
    "Trumpet", "Trombone", "Tuba", "Muted Trumpet",
    "French Horn", "Brass Section", "Synth Brass 1", "Synth Brass 2",
    "Soprano Sax", "Alto Sax", "Tenor Sax", "Baritone Sax",
    "Oboe", "English Horn", "Bassoon", "Clarinet",
    "Piccolo", "Flute", "Recorder", "Pan Flute",
    "Blown Bottle", "Shakuhachi", "Whistle", "Ocarina",
    "Lead 1 (square)", "Lead 2 (sawtooth)", "Lead 3 (calliope)", "Lead 4 (chiff)",
    "Lead 5 (charang)", "Lead 6 (voice)", "Lead 7 (fifths)", "Lead 8 (bass + lead)",
    "Pad 1 (new age)", "Pad 2 (warm)", "Pad 3 (polysynth)", "Pad 4 (choir)",
    "Pad 5 (bowed)", "Pad 6 (metallic)", "Pad 7 (halo)", "Pad 8 (sweep)",
    "FX 1 (rain)", "FX 2 (soundtrack)", "FX 3 (crystal)", "FX 4 (atmosphere)",
    "FX 5 (brightness)", "FX 6 (goblins)", "FX 7 (echoes)", "FX 8 (sci-fi)",
    "Sitar", "Banjo", "Shamisen", "Koto",
    "Kalimba", "Bag Pipe", "Fiddle", "Shanai",
    "Tinkle Bell", "Agogo", "Steel Drums", "Woodblock",
    "Taiko Drum", "Melodic Tom", "Synth Drum", "Reverse Cymbal",
    "Guitar Fret Noise", "Breath Noise", "Seashore", "Bird Tweet",
    "Telephone Ring", "Helicopter", "Applause", "Gunshot",
};
// clang-format on

// Notes the preview plays: a middle tone, or the medium rate of the noise kind.
constexpr uint8_t kPreviewTone = 60;
constexpr uint8_t kPreviewPeriodic = kNotePeriodicHigh + 1;
constexpr uint8_t kPreviewWhite = kNoteWhiteHigh + 1;

// Sounds one use's instrument for a second on the tracker's own player.
void Preview(const MidiInstrumentUse& use) {
    const Instrument& instrument = gModule.instruments[use.instrument & 15];
    const bool noise = use.use != MidiUse::Tone;
    const uint8_t note = use.use == MidiUse::Tone            ? kPreviewTone
                         : use.use == MidiUse::PeriodicNoise ? kPreviewPeriodic
                                                             : kPreviewWhite;
    const uint32_t frames = gModule.chipType == 1 ? 50 : 60;
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    gShell.player.StopAllTestNotes();
    gShell.player.StartTestNote(noise ? 1 : 0, noise ? kNoiseChannel : -1, instrument, 15, note, 0,
                                frames);
}

void StopPreview() {
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    gShell.player.StopAllTestNotes();
}

}  // namespace

bool RunMidiExportDialog(const std::vector<MidiInstrumentUse>& uses, MidiProgramTable& programs) {
    GUI& gui = *gShell.gui;
    const int rows = gui.ScreenHeight() >= 600 ? 12 : 8;
    std::vector<GUI_GadgetDesc> d;
    // The rows as columns: the exporter's "%2d PE %32s" label only lines up in a font
    // whose letters are all of one width. A tone row, which the label leaves without a
    // mark, says "Tone", so that no cell of the column stays empty.
    d.push_back(List(0, 0, 3, rows, "Instruments used"));
    d.push_back(Column("#", 30));
    d.push_back(Column("Use", 44));
    d.push_back(Column("Name", 0));
    d.push_back(List(0, 3, 3, rows, "Program"));
    d.push_back(Column("#", 34));
    d.push_back(Column("General MIDI name", 0));
    d.push_back(Gadget(GT_BUTTON, 1, 0, 1, "Preview"));
    d.push_back(OkayButton(2, 0, 3));
    d.push_back(CancelButton(2, 3, 3));
    GUI_Window* w =
        gui.OpenWindow(kExportMidiWindow, "Export MIDI", std::min(600, gui.ScreenWidth() - 20), d);
    if (!w) return false;
    std::vector<std::string> rowsText, programText;
    for (const MidiInstrumentUse& u : uses) {
        const char* kind = u.use == MidiUse::Tone            ? "Tone"
                           : u.use == MidiUse::PeriodicNoise ? "PE"
                                                             : "WN";
        const char* name = gModule.instruments[u.instrument & 15].name;
        rowsText.push_back(std::to_string(u.instrument) + "\t" + kind + "\t" +
                           std::string(name, strnlen(name, kNameLength)));
    }
    for (int p = 0; p < 128; ++p)
        programText.push_back(std::to_string(p) + "\t" + kProgramNames[p]);
    w->SetListEntries(kUses, rowsText);
    w->SetListEntries(kPrograms, programText);
    MidiProgramTable draft = programs;
    auto selected = [&]() -> const MidiInstrumentUse* {
        const int row = w->ListSelection(kUses);
        return row >= 0 && row < int(uses.size()) ? &uses[size_t(row)] : nullptr;
    };
    auto showProgram = [&] {
        const MidiInstrumentUse* use = selected();
        w->SetListSelection(kPrograms, use ? draft.program[use->entry] : -1);
        w->SetEnabled(kPreview, use != nullptr);
    };
    if (!uses.empty()) w->SetListSelection(kUses, 0);
    showProgram();
    bool okay = false;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != kExportMidiWindow) return false;
        if (e.type == GUI_EVENT_CLOSE) return true;
        if (e.gadget == kUses && e.type == GUI_EVENT_LIST) {
            showProgram();
        } else if (e.gadget == kUses && e.type == GUI_EVENT_LIST_ACTIVATED) {
            if (const MidiInstrumentUse* use = selected()) Preview(*use);
        } else if (e.gadget == kPrograms && e.type == GUI_EVENT_LIST) {
            const MidiInstrumentUse* use = selected();
            if (use && e.value >= 0 && e.value < 128) draft.program[use->entry] = uint8_t(e.value);
        } else if (e.type == GUI_EVENT_ACTIVATED) {
            if (e.gadget == kPreview) {
                if (const MidiInstrumentUse* use = selected()) Preview(*use);
            } else if (e.gadget == kOkay || e.gadget == kCancel) {
                okay = e.gadget == kOkay;
                return true;
            }
        }
        return false;
    });
    gui.CloseWindow(kExportMidiWindow);
    StopPreview();
    if (okay) programs = draft;
    return okay;
}
