// The song and file dialogs for tracker-shots: each opened as the user opens it, over the
// demo song, with small files of every importable kind written for the import dialogs.
#include "tools/tracker-shots/DialogShots.h"

#include <fstream>
#include <string>

#include "app/shell/Commands.h"
#include "app/shell/FileCommands.h"
#include "export/MidiExport.h"
#include "module/Module.h"

namespace {

void Write(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// A four-channel MOD of one empty pattern with a title and some sample names.
std::string ExampleMod() {
    std::string s(1084 + 1024, '\0');
    s.replace(0, 11, "chip groove");
    const char* names[] = {"kick",        "snare", "hi-hat closed",   "bass (c-2)",
                           "lead square", "pad",   "by someone, 1997"};
    for (int i = 0; i < 7; ++i) s.replace(20 + 30 * i, std::string(names[i]).size(), names[i]);
    s[950] = 1;
    s.replace(1080, 4, "M.K.");
    return s;
}

std::string ExampleMidi() {
    const std::string track("\x00\x90\x3C\x64\x60\x80\x3C\x00\x00\xFF\x2F\x00", 12);
    return std::string("MThd\0\0\0\x06\0\0\0\x01\0\x60MTrk\0\0\0", 21) + char(track.size()) + track;
}

std::string ExampleVgm() {
    std::string s(0x40, '\0');
    s.replace(0, 4, "Vgm ");
    const std::string data("\x50\x8C\x50\x1F\x50\x90\x62\x66", 8);
    const uint32_t eof = uint32_t(s.size() + data.size() - 4), clock = 3579545, rate = 60;
    for (int i = 0; i < 4; ++i) {
        s[4 + i] = char(eof >> (8 * i));
        s[0x0C + i] = char(clock >> (8 * i));
        s[0x24 + i] = char(rate >> (8 * i));
    }
    s[0x28] = 9;
    s[0x2A] = 16;
    return s + data;
}

}  // namespace

std::vector<DialogShot> SongDialogShots(const std::string& scratch) {
    const std::string mod = scratch + "/groove.mod", midi = scratch + "/tune.mid",
                      vgm = scratch + "/log.vgm", basic = scratch + "/PLAY.BAS";
    Write(mod, ExampleMod());
    Write(midi, ExampleMidi());
    Write(vgm, ExampleVgm());
    Write(basic, "10 PLAY \"T120 L8 CDEFG\"\n");
    return {
        {"new-module",
         [] {
             ModuleSettingsDraft draft = CurrentModuleSettings();
             RunModuleSettingsDialog("New module settings", draft);
         }},
        {"module-settings", [] { CommandModuleSettings(GUI_Event()); }},
        {"module-info", [] { CommandModuleInfo(GUI_Event()); }},
        {"export-midi",
         [] {
             MidiProgramTable programs;
             RunMidiExportDialog(ListMidiInstrumentUses(gModule), programs);
         }},
        {"import-mod", [mod] { LoadModulePath(mod); }},
        {"import-midi", [midi] { LoadModulePath(midi); }},
        {"import-vgm", [vgm] { LoadModulePath(vgm); }},
        {"import-basic", [basic] { LoadModulePath(basic); }},
    };
}
