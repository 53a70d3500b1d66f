// "Export MIDI": a General MIDI program for each way the song uses an instrument, chosen
// while the instrument itself can be heard on the chip.
#include <algorithm>
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
    // whose letters are all of one width.
    d.push_back(List(0, 0, 3, rows, "Instruments used"));
    GUI_GadgetDesc column = Gadget(GT_LIST_COL, 0, 0, 1, "#");
    column.width = 34;
    d.push_back(column);
    column.label = "Use";
    column.width = 48;
    d.push_back(column);
    column.label = "Name";
    column.width = 0;
    d.push_back(column);
    d.push_back(List(0, 3, 1, rows, "Program"));
    d.push_back(Gadget(GT_BUTTON, 1, 0, 1, "Preview"));
    d.push_back(OkayButton(2, 0, 2));
    d.push_back(CancelButton(2, 2, 2));
    GUI_Window* w =
        gui.OpenWindow(kExportMidiWindow, "Export MIDI", std::min(520, gui.ScreenWidth() - 20), d);
    if (!w) return false;
    std::vector<std::string> rowsText, programText;
    for (const MidiInstrumentUse& u : uses) {
        const char* kind = u.use == MidiUse::Tone            ? ""
                           : u.use == MidiUse::PeriodicNoise ? "PE"
                                                             : "WN";
        rowsText.push_back(std::to_string(u.instrument) + "\t" + kind + "\t" +
                           gModule.instruments[u.instrument & 15].name);
    }
    for (int p = 0; p < 128; ++p) programText.push_back(std::to_string(p));
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
