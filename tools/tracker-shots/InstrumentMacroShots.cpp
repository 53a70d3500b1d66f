// tracker-shots: the instrument editor on an instrument that uses every phase, and the
// macro manager with some macros (which stay bound for the Macro menu's picture).
#include <cstring>

#include "app/shell/Commands.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/InstrumentDialog.h"
#include "app/shell/MacroBinding.h"
#include "app/shell/MenuTable.h"
#include "module/Module.h"
#include "tools/tracker-shots/DialogShots.h"

namespace {

// A rise, a fall, a held level with vibrato, a slower fall with more vibrato, and the
// rest of the note falling through zero.
void EveryPhaseInstrument(Instrument& i) {
    std::memset(&i, 0, sizeof i);
    std::strcpy(i.name, "Every phase");
    i.startVolume = 0x80;
    const uint8_t delays[4] = {6, 10, 16, 20};
    const uint8_t adds[5] = {0x14, 0xF8, 0x00, 0xFC, 0xFF};
    const uint8_t speeds[5] = {0, 0, 1, 2, 3};
    const uint8_t strengths[5] = {0, 0, 8, 12, 15};
    std::memcpy(i.delay, delays, 4);
    std::memcpy(i.volumeAdd, adds, 5);
    std::memcpy(i.vibSpeed, speeds, 5);
    std::memcpy(i.vibStrength, strengths, 5);
}

// Four stored macros, three of them bound to hotkeys; nothing of this is saved.
void SomeMacros() {
    Macros& m = TrackerMacros();
    const char* names[] = {"Note and down", "Octave up", "Clear 4 lines", "Drum fill"};
    const char* texts[] = {"Enters C-1 and moves one line down", "Transposes the frame", "",
                           "Kick and snare over eight lines"};
    Macro macro;
    for (int k = 0; k < 4; ++k) {
        ClearMacro(macro);
        std::strcpy(macro.name, names[k]);
        std::strcpy(macro.description, texts[k]);
        macro.commandCount = 2;
        macro.commands[0].code = kCmdMove;
        macro.commands[0].d = 1;
        macro.commands[1].code = kCmdClear;
        m.Store(macro);
    }
    m.Activate(0, 0);
    m.Activate(1, 1);
    m.Activate(3, 4);
    m.changed = false;
    gEditor.view.Invalidate(kRedrawMenus);
}

}  // namespace

std::vector<DialogShot> InstrumentMacroDialogShots() {
    return {{"instrument-editor",
             [] {
                 EveryPhaseInstrument(gModule.instruments[7]);
                 OpenInstrumentEditor(7);
             }},
            {"macro-manager", [] {
                 SomeMacros();
                 DispatchMenu(kMenuMacroManage);
             }}};
}
