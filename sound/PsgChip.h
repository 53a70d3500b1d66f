// Emulation of the SN76489 sound generator (three square-wave channels, one noise channel,
// Game Gear stereo) rendering signed 16-bit stereo at 44100 Hz, one frame at a time, into a
// small ring that the sound output drains. Depends on nothing but the standard library.
#pragma once

#include <cstdint>

struct PsgRegisters {
    uint16_t period[3];      // tone half-periods in chip ticks, 10 bits
    uint16_t noisePeriod;    // 16, 32, 64 or a copy of period[2]
    uint8_t attenuation[4];  // 0 loudest, 15 off
    uint8_t noiseWhite;      // 1 white, 0 periodic
    uint8_t noiseRate;       // 0..3, 3 = clocked by tone channel 2
    uint8_t stereo;          // bit n+4 left, bit n right
    uint8_t noiseResetPending;
};

class PsgChip {
public:
    static constexpr int kRingBytes = 4096;

    PsgChip();

    // Registers, latch and generators to their power-on values; `noisePeriod` is kept.
    void Reset();
    // Empties the ring and makes the next render rebuild the level tables.
    void ClearBuffer();
    // NTSC (pal 0) or PAL timing; divider 1 runs the chip at half speed.
    void SetClock(uint8_t pal, uint8_t divider);
    // The register port: latch bytes (bit 7 set) and data bytes.
    void Write(uint8_t value);
    // Direct register access for the replayer. Channels outside 0-2 (0-3 for attenuation)
    // are ignored; an attenuation counts by its low four bits. Periods are stored as given;
    // the generator holds anything above 0x7FFF at 0x7FFF, the most its counter can carry.
    void SetPeriod(int channel, uint16_t period) {
        if (channel >= 0 && channel < 3) regs.period[channel] = period;
    }
    void SetAttenuation(int channel, uint8_t value) {
        if (channel >= 0 && channel < 4) regs.attenuation[channel] = value & 15;
    }
    void SetStereo(uint8_t value) { regs.stereo = value; }
    void ClearNoiseReset() { regs.noiseResetPending = 0; }
    // Renders one frame (SamplesPerFrame() pairs) into the ring. Channel c sounds and runs
    // only when bit c of `channelMask` is set. When the ring has no room for the frame, the
    // frame rendered last and not yet read is overwritten.
    void RenderFrame(uint8_t masterVolume, uint8_t channelMask);
    // Takes `bytes` bytes out of the ring into `dest` (or drops them when it is null).
    // Asking for more than was rendered gives zeros for the rest.
    void ReadSamples(void* dest, int bytes);

    const PsgRegisters& Registers() const { return regs; }
    uint16_t SamplesPerFrame() const { return samplesPerFrame; }
    uint32_t Step() const { return step; }
    int Fill() const { return fill; }
    uint8_t Latch() const { return latch; }

    // Generator state, readable for tests and for replayers that compare chips.
    struct Generator {
        int32_t counter;
        uint8_t flipFlop;
    };
    const Generator& ToneGenerator(int channel) const { return tone[channel]; }
    const Generator& NoiseGenerator() const { return noise; }
    uint16_t ShiftRegister() const { return shiftRegister; }

private:
    void RenderPass(int16_t* samples, int pairs, uint8_t channelMask);
    // Run a generator over a pass, painting its packed stereo values into `out`; false when
    // the channel added nothing (the buffer is then left undefined).
    bool RenderTone(int channel, uint32_t* out, int pairs);
    bool RenderNoise(uint32_t* out, int pairs);
    void NoiseControl(uint8_t value);
    void BuildLevels(uint8_t masterVolume);

    PsgRegisters regs;
    uint8_t latch;
    Generator tone[3];
    Generator noise;
    uint16_t shiftRegister;
    uint32_t step;
    uint64_t stepInverse;  // ceil(2^50 / step), for dividing by step without a division
    uint16_t samplesPerFrame;
    uint8_t lastMasterVolume;  // 255 after ClearBuffer: rebuild at the next render
    bool levelsBuilt;          // 255 is also a valid volume, so the mark alone is not enough
    int16_t toneLevel[16];
    int16_t noiseLevel[16];
    int16_t ring[kRingBytes / 2];  // sample pairs, left then right
    int writePos;
    int readPos;
    int fill;
};
