// VGM export: a private player steps through the song once; after every frame the chip's
// registers are compared with the values last written and each change becomes a command.
#include "export/VgmExport.h"

#include <cstdio>
#include <memory>

#include "app/SafeFile.h"
#include "export/ByteBuffer.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"

namespace {

// Header, 64 bytes; the size fields are patched at the end.
void WriteHeader(ByteBuffer& out, const Module& m) {
    const bool pal = m.chipType != 0;
    uint32_t clock = pal ? kPalChipClock : kNtscChipClock;
    if (m.frequencyDivider == 1) clock >>= 1;
    out.Put("Vgm ", 4);
    out.PutU32LE(0);  // end-of-file offset
    out.PutU32LE(0x150);
    out.PutU32LE(clock);
    out.PutU32LE(0);  // YM2413 clock
    out.PutU32LE(0);  // GD3 offset
    out.PutU32LE(0);  // total samples
    out.PutU32LE(0);  // loop offset: patched when the log loops
    out.PutU32LE(0);  // loop samples
    out.PutU32LE(pal ? 50 : 60);
    out.PutU16LE(0x0009);  // noise feedback taps
    out.Put(16);           // shift register width
    out.Put(0);
    out.PutU32LE(0);   // YM2612 clock
    out.PutU32LE(0);   // YM2151 clock
    out.PutU32LE(12);  // data offset, relative to 0x34
    out.PutU32LE(0);
    out.PutU32LE(0);
}

// Each character as a 16-bit code (8-bit characters become codes 0..255), then a 0 code.
void PutGd3String(ByteBuffer& out, const std::string& s) {
    for (char c : s) {
        out.Put(static_cast<uint8_t>(c));
        out.Put(0);
    }
    out.Put(0);
    out.Put(0);
}

void WriteGd3(ByteBuffer& out, const Module& m) {
    out.Put("Gd3 ", 4);
    out.PutU32LE(0x100);
    const size_t lengthAt = out.Size();
    out.PutU32LE(0);
    const std::string empty;
    const std::string* fields[11] = {&m.title, &empty, &empty, &empty, nullptr, &empty,
                                     &m.author, &empty, &empty, nullptr, &m.notes};
    static const std::string kSystem = "Sega Master System / Game Gear";
    static const std::string kCreator = "Tonweave VGM Exporter";
    fields[4] = &kSystem;
    fields[9] = &kCreator;
    for (const std::string* f : fields) PutGd3String(out, *f);
    out.PatchU32LE(lengthAt, static_cast<uint32_t>(out.Size() - lengthAt - 4));
}

}  // namespace

namespace {

// The values last written to the log, and the commands that bring the log up to the chip.
struct LogWriter {
    ByteBuffer& out;
    uint16_t lastPeriod[3] = {0xFFFF, 0xFFFF, 0xFFFF};
    uint8_t lastAttenuation[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    uint8_t lastStereo = 0xFF;
    bool stereoWritten = false;

    void Attenuation(int c, uint8_t value) {
        lastAttenuation[c] = value;
        out.Put(0x50);
        out.Put(static_cast<uint8_t>(0x90 | (c << 5) | value));
    }
    void Period(int c, uint16_t value) {
        lastPeriod[c] = value;
        out.Put(0x50);
        out.Put(static_cast<uint8_t>(0x80 | (c << 5) | (value & 0x0F)));
        out.Put(0x50);
        out.Put(static_cast<uint8_t>(value >> 4));
    }
    void Stereo(uint8_t value) {
        lastStereo = value;
        stereoWritten = true;
        out.Put(0x4F);
        out.Put(value);
    }
    void Noise(const PsgRegisters& regs) {
        out.Put(0x50);
        out.Put(static_cast<uint8_t>(0xE0 | (regs.noiseWhite ? 4 : 0) | regs.noiseRate));
    }
    void Changes(const PsgRegisters& regs) {
        for (int c = 0; c < kChannels; ++c) {
            if (regs.attenuation[c] != lastAttenuation[c]) Attenuation(c, regs.attenuation[c]);
            if (c < kToneChannels && regs.period[c] != lastPeriod[c]) Period(c, regs.period[c]);
        }
        if (regs.stereo != lastStereo) Stereo(regs.stereo);
        // Written even when the mode is unchanged: the write is what restarts the noise.
        if (regs.noiseResetPending) Noise(regs);
    }
    // Everything, for a player that arrives here by jumping back.
    void Everything(const PsgRegisters& regs) {
        for (int c = 0; c < kChannels; ++c) {
            Attenuation(c, regs.attenuation[c]);
            if (c < kToneChannels) Period(c, regs.period[c]);
        }
        if (stereoWritten || regs.stereo != 0xFF) Stereo(regs.stereo);
        Noise(regs);
    }
};

}  // namespace

std::vector<uint8_t> BuildVGM(const Module& module, bool loop) {
    ByteBuffer out;
    WriteHeader(out, module);

    auto player = std::make_unique<Player>();
    player->Bind(module);
    player->Start(0, 0, 0);
    const PsgRegisters& regs = player->chip.Registers();
    LogWriter log{out};
    const bool pal = module.chipType != 0;
    const uint32_t samplesPerFrame = pal ? 882 : 735;
    const uint8_t wait = pal ? 0x63 : 0x62;
    uint32_t samples = 0;
    auto playPass = [&] {
        do {
            player->PlayFrame();
            log.Changes(regs);
            out.Put(wait);
            samples += samplesPerFrame;
        } while (!player->looped);
    };

    playPass();
    if (loop) {
        const size_t loopAt = out.Size();
        const uint32_t introSamples = samples;
        log.Everything(regs);
        playPass();
        out.PatchU32LE(0x1C, static_cast<uint32_t>(loopAt - 0x1C));
        out.PatchU32LE(0x20, samples - introSamples);
    }

    out.Put(0x66);
    out.PatchU32LE(0x14, static_cast<uint32_t>(out.Size() - 0x14));
    WriteGd3(out, module);
    out.PatchU32LE(0x18, samples);
    out.PatchU32LE(0x04, static_cast<uint32_t>(out.Size() - 4));
    return std::move(out.Bytes());
}

void ExportVGM(const Module& module, const std::string& path, bool loop) {
    // The file is created before the song is played through, so a path that cannot be
    // written costs nothing.
    WriteFileSafely(path,
                    [&](FILE* file) {
                        const std::vector<uint8_t> bytes = BuildVGM(module, loop);
                        return fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
                    },
                    {"", "ExportVGM(): Couldn't write file"});
}
