// Lets tonweave-convert read every importable kind: the options that the tracker's import
// dialogs would ask for come from the command line. Without --chip and --divider an import
// plays on an NTSC console at 1x.
#include "import/Importers.h"
#include "tools/convert/Convert.h"

namespace {

std::unique_ptr<ImportHandler> MakeImportHandler(const ConvertOptions& options) {
    ImportOptions import;
    import.SetChip(options.chipType.value_or(0), options.frequencyDivider.value_or(0));
    for (const MidiMapEntry& e : options.midiMap) {
        if (e.midiChannel < 0 || e.midiChannel > 15) continue;
        MidiChannelMap& map = import.midi.map[e.midiChannel];
        map.target = static_cast<uint8_t>(e.target & 3);
        map.instrument = static_cast<uint8_t>(e.instrument & 15);
    }
    for (int channel : options.midiDisabled)
        if (channel >= 0 && channel <= 15) import.midi.map[channel].enabled = 0;
    if (options.basicInstruments) {
        const BasicInstruments& b = *options.basicInstruments;
        const int values[6] = {b.playNormal, b.playStaccato, b.playLegato,
                               b.sound,      b.beep,         b.pause};
        for (int i = 0; i < 6; ++i)
            import.basic.instruments[i] = static_cast<uint8_t>(values[i] & 15);
    }
    return std::make_unique<StandardImportHandler>(import);
}

const ImportRegistrar registrar(MakeImportHandler);

}  // namespace
