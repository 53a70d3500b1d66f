// VGM import: the chip writes of a log go through the chip's register model, and once per
// video frame the registers are compared with the frame before; every change becomes a
// cell of the current line. The wait between frames is carried on, never rounded per
// command.
//
// Header (little-endian): "Vgm " ident, end-of-file offset relative to 0x04, version at
// 0x08, SN76489 clock at 0x0C (bits 30 and 31 are flags), rate at 0x24, noise feedback
// pattern at 0x28, shift register width at 0x2A, data offset relative to 0x34 (from
// version 1.50 on; earlier logs start their commands at 0x40).
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "app/ByteReader.h"
#include "app/Exceptions.h"
#include "import/Importers.h"
#include "import/NoteSearch.h"
#include "sound/NoteTable.h"
#include "sound/PsgChip.h"

namespace {

class VgmConverter {
public:
    VgmConverter(Module& module, const VgmProbe& probe, const ChipSettings& chip)
        : module(module), samplesPerFrame(chip.chipType == 1 ? 882 : 735) {
        chipModel.Reset();
        chipModel.SetClock(chip.chipType, chip.frequencyDivider);
        const PsgRegisters& r = chipModel.Registers();
        std::memcpy(lastPeriod, r.period, sizeof lastPeriod);
        std::memcpy(lastAttenuation, r.attenuation, sizeof lastAttenuation);
        // Logs made for another clock (4 MHz home computers, 2 MHz arcade boards) keep their
        // pitch: their periods become those that give the same tones at the clock the
        // module's chip runs at, which the 2x divider halves. Within 2 % the log is taken
        // as made for this clock and its periods stay exactly as they were.
        const double own =
            static_cast<double>(chip.chipType == 1 ? kPalChipClock : kNtscChipClock) /
            (chip.frequencyDivider == 1 ? 2.0 : 1.0);
        const double off = static_cast<double>(probe.clock) - own;
        if (probe.clock != 0 && (off > 0.02 * own || off < -0.02 * own))
            periodScale = own / probe.clock;
    }

    void Run(ByteReader& in);

private:
    void EmitLine();
    uint32_t ScaledPeriod(uint16_t period) const {
        if (periodScale == 1.0) return period;
        return static_cast<uint32_t>(period * periodScale + 0.5);
    }

    Module& module;
    PsgChip chipModel;
    const int32_t samplesPerFrame;
    double periodScale = 1.0;
    uint16_t lastPeriod[3];
    uint8_t lastAttenuation[4];
    uint8_t lastStereo = 0xFF;
    int64_t wait = 0;
    int pattern = 0;
    int line = 0;
    bool full = false;
};

void VgmConverter::EmitLine() {
    PatternLine& out = module.patterns[pattern].lines[line];
    const PsgRegisters& r = chipModel.Registers();
    for (int c = 0; c < kToneChannels; ++c) {
        if (r.attenuation[c] == lastAttenuation[c] && r.period[c] == lastPeriod[c]) continue;
        const NoteAndDetune nd = PeriodToNote(ScaledPeriod(r.period[c]));
        out.note[c] = nd.note;
        out.detune[c] = nd.detune;
        out.instrument[c] = 0;
        out.volume[c] = static_cast<uint8_t>(15 - (r.attenuation[c] & 15));
    }
    const uint8_t noiseVolume = static_cast<uint8_t>(15 - (r.attenuation[3] & 15));
    if (r.noiseResetPending) {
        chipModel.ClearNoiseReset();
        out.note[3] =
            static_cast<uint8_t>(kNotePeriodicHigh + (r.noiseRate & 3) + (r.noiseWhite ? 4 : 0));
        out.detune[3] = 0;
        out.instrument[3] = 0;
        out.volume[3] = noiseVolume;
    } else if (r.attenuation[3] != lastAttenuation[3]) {
        out.effect[3] = kEffectVO;
        out.effectParam[3] = noiseVolume;
    }
    std::memcpy(lastPeriod, r.period, sizeof lastPeriod);
    std::memcpy(lastAttenuation, r.attenuation, sizeof lastAttenuation);
    if (r.stereo != lastStereo) {
        out.globalCmd[1] = kGlobalST;
        out.globalParam[1] = r.stereo;
        lastStereo = r.stereo;
    }
    module.patterns[pattern].length = static_cast<uint16_t>(line + 1);
    if (++line < kMaxLines) return;
    if (pattern + 1 >= kMaxPatterns) {
        // The module holds no more; the rest of the log is left unread.
        full = true;
        return;
    }
    line = 0;
    ++pattern;
    module.MakePattern(pattern);
    module.orderList[pattern] = static_cast<uint8_t>(pattern);
    module.songLength = static_cast<uint16_t>(pattern + 1);
    module.patterns[pattern].length = 1;
}

void VgmConverter::Run(ByteReader& in) {
    module.initialSpeed = 8;
    module.patterns[0].length = 1;
    PatternLine& first = module.patterns[0].lines[0];
    for (int c = 0; c < kChannels; ++c) {
        first.note[c] = c == kNoiseChannel ? kNoteWhiteHigh + 2 : kNoteNul;
        first.detune[c] = 0;
        first.instrument[c] = 0;
        first.volume[c] = 0;
    }
    while (!in.AtEnd() && !full) {
        uint8_t command, value;
        in.ReadU8(command);
        if (command == 0x66) break;
        switch (command) {
            case 0x4F:
                if (in.ReadU8(value)) chipModel.SetStereo(value);
                break;
            case 0x50:
                if (in.ReadU8(value)) chipModel.Write(value);
                break;
            case 0x61: {
                uint16_t samples;
                if (in.ReadU16LE(samples)) wait += samples;
                break;
            }
            case 0x62:
                wait += 735;
                break;
            case 0x63:
                wait += 882;
                break;
            case 0x67: {
                uint32_t blockSize;
                in.Skip(2);  // 0x66 and the block type
                in.ReadU32LE(blockSize);
                in.Skip(blockSize);
                break;
            }
            default:
                if (command >= 0x70 && command <= 0x7F)
                    wait += (command & 0x0F) + 1;
                else if (command >= 0x80 && command <= 0x8F)
                    wait += command & 0x0F;
                else if (command >= 0x30 && command <= 0x3F)
                    in.Skip(1);
                else if ((command >= 0x40 && command <= 0x5F) ||
                         (command >= 0xA0 && command <= 0xBF))
                    in.Skip(2);
                else if (command >= 0xC0 && command <= 0xDF)
                    in.Skip(3);
                else if (command >= 0xE0)
                    in.Skip(4);
                break;
        }
        while (wait > 0 && !full) {
            wait -= samplesPerFrame;
            EmitLine();
        }
    }
}

// Reads n bytes at `offset`, zero when the data is shorter.
uint32_t U32At(const uint8_t* data, size_t size, size_t offset) {
    ByteReader in(data, size);
    uint32_t value = 0;
    if (in.Seek(offset)) in.ReadU32LE(value);
    return value;
}

}  // namespace

VgmProbe ProbeVgm(const uint8_t* data, size_t size) {
    if (size < 8 || std::memcmp(data, "Vgm ", 4) != 0) throw Exception("");
    VgmProbe probe;
    const uint32_t eof = U32At(data, size, 0x04);
    probe.version = U32At(data, size, 0x08);
    probe.clock = U32At(data, size, 0x0C) & 0x3FFFFFFF;
    probe.rate = U32At(data, size, 0x24);
    const uint32_t noise = U32At(data, size, 0x28);
    probe.feedback = static_cast<uint16_t>(noise & 0xFFFF);
    probe.width = static_cast<uint8_t>(noise >> 16);
    if (probe.feedback == 0) probe.feedback = 9;
    if (probe.width == 0) probe.width = 16;
    // Logs from version 1.50 on say where their commands start; the header fields after
    // 0x40 of newer logs are no commands.
    probe.dataOffset = 0x40;
    if (probe.version >= 0x150) {
        const uint32_t relative = U32At(data, size, 0x34);
        if (relative != 0 && relative <= 0x7FFFFFFF - 0x34)
            probe.dataOffset = std::max<uint32_t>(0x34 + relative, 0x40);
    }
    const uint64_t end = static_cast<uint64_t>(eof) + 4;
    probe.dataLength = end > probe.dataOffset ? static_cast<uint32_t>(end - probe.dataOffset) : 0;
    return probe;
}

bool ImportVgm(Module& target, const uint8_t* data, size_t size, const VgmDialog& dialog) {
    const VgmProbe probe = ProbeVgm(data, size);
    VgmOptions options;
    if (dialog && !dialog(probe, options)) return false;
    if (!options.chip.IsSet()) throw Exception(kChipSettingsMissing);

    ModuleLease module(options.chip.chipType, options.chip.frequencyDivider);
    // A truncated log gives the commands that are there.
    const size_t start = std::min<size_t>(probe.dataOffset, size);
    const size_t length = std::min<size_t>(probe.dataLength, size - start);
    ByteReader commands(data + start, length);
    auto converter = std::make_unique<VgmConverter>(*module, probe, options.chip);
    converter->Run(commands);
    target = *module;
    return true;
}

const char* const kVgmTooLarge = "The VGM log is too large.";

std::vector<uint8_t> ReadVgmFile(const std::string& path, size_t limit) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (!file) throw Exception("");
    std::vector<uint8_t> data;
    try {
        uint8_t ident[8];
        if (gzread(file, ident, sizeof ident) < 4 || std::memcmp(ident, "Vgm ", 4) != 0)
            throw Exception("");
        if (gzseek(file, 0, SEEK_SET) != 0) throw Exception("");
        // Read in growing steps: the header's own length claims are not trusted for the
        // allocation. A compressed stream that simply ends early gives what it had (zlib
        // reports that as an end, not an error); a failing read or damaged compressed data
        // is an error, since the song would be cut where the damage is. One byte more than
        // the limit is asked for, to tell a log of exactly the limit from a larger one.
        size_t chunk = 64 * 1024;
        for (;;) {
            const size_t before = data.size();
            const size_t want = std::min(chunk, limit + 1 - before);
            data.resize(before + want);
            const int got = gzread(file, data.data() + before, static_cast<unsigned>(want));
            if (got < 0) throw FileIOException("ReadVgmFile(): Can't read file");
            data.resize(before + static_cast<size_t>(got));
            if (data.size() > limit) throw Exception(kVgmTooLarge);
            if (static_cast<size_t>(got) < want) break;
            if (chunk < (8u << 20)) chunk *= 2;
        }
    } catch (...) {
        gzclose(file);
        throw;
    }
    gzclose(file);
    return data;
}

bool ImportVgmFile(Module& target, const std::string& path, const VgmDialog& dialog) {
    const std::vector<uint8_t> data = ReadVgmFile(path);
    return ImportVgm(target, data.data(), data.size(), dialog);
}
