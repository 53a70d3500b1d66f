// tonweave-convert's VGM, MIDI and console song outputs. The MIDI file gets the default
// program table, as the export dialog shows it before the user changes anything.
#include <string>

#include "export/DadivevExport.h"
#include "export/MidiExport.h"
#include "export/RomExport.h"
#include "export/VgmExport.h"
#include "tools/convert/Convert.h"

namespace {

void WriteVgm(const Module& module, const std::string& path, const ConvertOptions& options) {
    ExportVGM(module, path, options.vgmLoop);
}

void WriteMidi(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportMIDI(module, path, MidiProgramTable());
}

void WriteDadivev(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportDADIVEV(module, path);
}

void WriteSmsRom(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportROM(module, path, RomSystem::kMasterSystem);
}

void WriteGgRom(const Module& module, const std::string& path, const ConvertOptions&) {
    ExportROM(module, path, RomSystem::kGameGear);
}

const OutputRegistrar kVgmOutput("vgm", "VGM 1.50 log of the chip writes, one pass of the song (--vgm-loop: looping)",
                                 WriteVgm);
const OutputRegistrar kMidiOutput("mid", "Standard MIDI File, one pass, default programs",
                                  WriteMidi);
const OutputRegistrar kDadivevOutput("dadivev", "compiled song for the console replayer",
                                     WriteDadivev);
const OutputRegistrar kSmsOutput("sms", "Master System ROM that plays the song for ever",
                                 WriteSmsRom);
const OutputRegistrar kGgOutput("gg", "Game Gear ROM that plays the song for ever", WriteGgRom);

}  // namespace
