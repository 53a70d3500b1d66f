// tonweave-convert's VGM, MIDI and console song outputs. The MIDI file gets the default
// program table, as the export dialog shows it before the user changes anything.
#include <string>

#include "export/DadivevExport.h"
#include "export/MidiExport.h"
#include "export/VgmExport.h"
#include "tools/convert/Convert.h"

namespace {

void WriteVgm(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportVGM(module, path);
}

void WriteMidi(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportMIDI(module, path, MidiProgramTable());
}

void WriteDadivev(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportDADIVEV(module, path);
}

const OutputRegistrar kVgmOutput("vgm", "VGM 1.50 log of the chip writes, one pass of the song",
                                 WriteVgm);
const OutputRegistrar kMidiOutput("mid", "Standard MIDI File, one pass, default programs",
                                  WriteMidi);
const OutputRegistrar kDadivevOutput("dadivev", "compiled song for the console replayer",
                                     WriteDadivev);

}  // namespace
