// Sample-by-sample model of the chip, written as plainly as possible. The optimised chip
// must match it bit for bit; the random-script tests compare the two.
#pragma once

#include <cstdint>
#include <cstring>

#include "sound/PsgChip.h"

namespace reference {

constexpr int16_t kBaseLevel[16] = {7590, 5940, 4840, 3850, 3080, 2475, 1980, 1650,
                                    1320, 990,  825,  660,  550,  440,  330,  0};
constexpr uint32_t kClockNtsc = 3584160;
constexpr uint32_t kClockPal = 3568200;

class ReferencePsg {
public:
    static constexpr int kRingBytes = 4096;
    using Generator = PsgChip::Generator;

    ReferencePsg();
    void Reset();
    void ClearBuffer();
    void SetClock(uint8_t pal, uint8_t divider);
    void Write(uint8_t value);
    void SetPeriod(int channel, uint16_t period) { regs.period[channel] = period; }
    void SetAttenuation(int channel, uint8_t value) { regs.attenuation[channel] = value; }
    void SetStereo(uint8_t value) { regs.stereo = value; }
    void ClearNoiseReset() { regs.noiseResetPending = 0; }
    void RenderFrame(uint8_t masterVolume, uint8_t channelMask);
    void ReadSamples(void* dest, int bytes);

    PsgRegisters regs;
    uint8_t latch;
    Generator tone[3];
    Generator noise;
    uint16_t shiftRegister;
    uint32_t step;
    uint16_t samplesPerFrame;
    uint8_t lastMasterVolume;
    bool levelsBuilt;
    int16_t toneLevel[16];
    int16_t noiseLevel[16];
    int16_t ring[kRingBytes / 2];
    int writePos;
    int readPos;
    int fill;

private:
    void RenderPass(int16_t* samples, int pairs, uint8_t channelMask);
    void NoiseControl(uint8_t value);
    void BuildLevels(uint8_t masterVolume);
};

inline ReferencePsg::ReferencePsg() {
    regs.noisePeriod = 0;
    Reset();
    ClearBuffer();
    SetClock(0, 0);
    std::memset(ring, 0, sizeof(ring));
    for (int i = 0; i < 16; ++i) {
        toneLevel[i] = 0;
        noiseLevel[i] = 0;
    }
}

inline void ReferencePsg::Reset() {
    for (int c = 0; c < 3; ++c) {
        regs.period[c] = 0;
        tone[c].counter = 0;
        tone[c].flipFlop = 0;
    }
    for (int c = 0; c < 4; ++c) regs.attenuation[c] = 15;
    regs.noiseWhite = 0;
    regs.noiseRate = 0;
    regs.stereo = 0xFF;
    regs.noiseResetPending = 0;
    latch = 0;
    noise.counter = 0;
    noise.flipFlop = 1;
    shiftRegister = 0x0001;
}

inline void ReferencePsg::ClearBuffer() {
    readPos = 0;
    writePos = 0;
    fill = 0;
    lastMasterVolume = 255;
    levelsBuilt = false;
}

inline void ReferencePsg::SetClock(uint8_t pal, uint8_t divider) {
    samplesPerFrame = pal ? 882 : 735;
    const double clock = pal ? kClockPal : kClockNtsc;
    step = static_cast<uint32_t>(clock * 0.25 * 0.25 / 44100.0 * 65536.0);
    if (divider == 1) step >>= 1;
}

inline void ReferencePsg::NoiseControl(uint8_t value) {
    regs.noiseRate = value & 3;
    regs.noisePeriod =
        regs.noiseRate == 3 ? regs.period[2] : static_cast<uint16_t>(16 << regs.noiseRate);
    regs.noiseWhite = (value >> 2) & 1;
    regs.noiseResetPending = 1;
}

inline void ReferencePsg::Write(uint8_t value) {
    if (value & 0x80) {
        const int channel = (value >> 5) & 3;
        if (value & 0x10) {
            regs.attenuation[channel] = value & 15;
            latch = static_cast<uint8_t>(channel * 4);
            return;
        }
        latch = static_cast<uint8_t>(channel * 4 + 1);
        if (channel == 3) {
            NoiseControl(value);
            return;
        }
        regs.period[channel] = static_cast<uint16_t>((regs.period[channel] & ~15) | (value & 15));
        if (channel == 2 && regs.noiseRate == 3) regs.noisePeriod = regs.period[2];
        return;
    }
    const int channel = latch / 4;
    if ((latch & 1) == 0) {
        regs.attenuation[channel] = value & 15;
    } else if (channel == 3) {
        NoiseControl(value);
    } else {
        regs.period[channel] =
            static_cast<uint16_t>(((value & 0x3F) << 4) | (regs.period[channel] & 15));
        if (channel == 2 && regs.noiseRate == 3) regs.noisePeriod = regs.period[2];
    }
}

inline void ReferencePsg::BuildLevels(uint8_t masterVolume) {
    for (int i = 0; i < 16; ++i) {
        toneLevel[i] = static_cast<int16_t>(kBaseLevel[i] * masterVolume / 160);
        noiseLevel[i] = static_cast<int16_t>(kBaseLevel[i] * masterVolume / 80);
    }
    lastMasterVolume = masterVolume;
    levelsBuilt = true;
}

inline void ReferencePsg::RenderFrame(uint8_t masterVolume, uint8_t channelMask) {
    if (regs.noiseResetPending) shiftRegister = 0x0001;
    const int bytes = samplesPerFrame * 4;
    if (fill >= kRingBytes - bytes) {
        writePos = (writePos - bytes + kRingBytes) % kRingBytes;
        fill -= bytes;
    }
    int left = bytes;
    while (left > 0) {
        const int chunk = left < kRingBytes - writePos ? left : kRingBytes - writePos;
        if (masterVolume != lastMasterVolume || !levelsBuilt) BuildLevels(masterVolume);
        int16_t* samples = ring + writePos / 2;
        std::memset(samples, 0, chunk);
        RenderPass(samples, chunk / 4, channelMask);
        writePos = (writePos + chunk) % kRingBytes;
        fill += chunk;
        left -= chunk;
    }
}

// Periods above 15 bits would overflow the 16.16 counter; no client writes them (the
// register holds 10 bits), so they are held at the slowest representable rate.
inline int32_t PeriodTicks(uint16_t period) {
    return static_cast<int32_t>(period > 0x7FFF ? 0x7FFF : period) << 16;
}

inline void ReferencePsg::RenderPass(int16_t* samples, int pairs, uint8_t channelMask) {
    for (int c = 0; c < 3; ++c) {
        if (!((channelMask >> c) & 1)) continue;
        const uint16_t p = regs.period[c];
        const int gainL = (regs.stereo >> (c + 4)) & 1;
        const int gainR = (regs.stereo >> c) & 1;
        int32_t a = toneLevel[regs.attenuation[c]];
        if (p < 4) {
            if (regs.attenuation[c] == 15) continue;
            for (int i = 0; i < pairs; ++i) {
                samples[2 * i] = static_cast<int16_t>(samples[2 * i] + gainL * a);
                samples[2 * i + 1] = static_cast<int16_t>(samples[2 * i + 1] + gainR * a);
            }
            continue;
        }
        Generator& g = tone[c];
        if (g.flipFlop) a = -a;
        int32_t value = a >> 2;
        const int32_t ticks = PeriodTicks(p);
        for (int i = 0; i < pairs; ++i) {
            samples[2 * i] = static_cast<int16_t>(samples[2 * i] + gainL * value);
            samples[2 * i + 1] = static_cast<int16_t>(samples[2 * i + 1] + gainR * value);
            value = a;
            g.counter -= static_cast<int32_t>(step);
            if (g.counter <= 0) {
                const uint32_t overshoot = static_cast<uint32_t>(-g.counter);
                const int32_t part = static_cast<int32_t>((overshoot * 256u) / step);
                value = ((128 - part) * a) >> 7;
                int additions = 0;
                while (g.counter <= 0) {
                    g.counter += ticks;
                    ++additions;
                }
                if (additions & 1) {
                    a = -a;
                    g.flipFlop ^= 1;
                }
            }
        }
    }

    if (!((channelMask >> 3) & 1)) return;
    const uint16_t p = regs.noisePeriod;
    if (p < 4) return;
    const int gainL = (regs.stereo >> 7) & 1;
    const int gainR = (regs.stereo >> 3) & 1;
    const int32_t n = noiseLevel[regs.attenuation[3]];
    const int32_t ticks = PeriodTicks(p);
    int32_t value = n >> 2;
    for (int i = 0; i < pairs; ++i) {
        samples[2 * i] = static_cast<int16_t>(samples[2 * i] + gainL * value);
        samples[2 * i + 1] = static_cast<int16_t>(samples[2 * i + 1] + gainR * value);
        noise.counter -= static_cast<int32_t>(step);
        if (noise.counter <= 0) {
            if (regs.noiseRate == 3) regs.noisePeriod = regs.period[2];
            if (noise.flipFlop) {
                const unsigned feedback = regs.noiseWhite
                                              ? ((shiftRegister ^ (shiftRegister >> 3)) & 1)
                                              : (shiftRegister & 1);
                shiftRegister = static_cast<uint16_t>((feedback << 15) | (shiftRegister >> 1));
            }
            int additions = 0;
            while (noise.counter <= 0) {
                noise.counter += ticks;
                ++additions;
            }
            if (additions & 1) noise.flipFlop ^= 1;
            value = (shiftRegister & 1) * n;
        }
    }
}

inline void ReferencePsg::ReadSamples(void* dest, int bytes) {
    if (bytes <= 0) return;
    // Asking for more than was rendered gets silence for the rest instead of stale ring data.
    if (bytes > fill) {
        if (dest)
            std::memset(static_cast<uint8_t*>(dest) + (fill > 0 ? fill : 0), 0,
                        bytes - (fill > 0 ? fill : 0));
        bytes = fill;
        if (bytes <= 0) return;
    }
    if (dest) {
        const uint8_t* src = reinterpret_cast<const uint8_t*>(ring);
        uint8_t* out = static_cast<uint8_t*>(dest);
        const int first = bytes < kRingBytes - readPos ? bytes : kRingBytes - readPos;
        std::memcpy(out, src + readPos, first);
        std::memcpy(out + first, src, bytes - first);
    }
    fill -= bytes;
    readPos = (readPos + bytes) % kRingBytes;
}

}  // namespace reference
