// Emulation of the sound generator: register port, tone and noise generators and the ring
// of rendered samples. Integer-only; every sample is defined exactly by the register
// history, so renders are reproducible bit for bit.
#include "sound/PsgChip.h"

#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Output level by attenuation (0 loudest, 15 off) at master volume 160 for a tone.
constexpr int16_t kBaseLevel[16] = {7590, 5940, 4840, 3850, 3080, 2475, 1980, 1650,
                                    1320, 990,  825,  660,  550,  440,  330,  0};

constexpr uint32_t kClockNtsc = 3584160;  // 262 * 228 * 60
constexpr uint32_t kClockPal = 3568200;   // 313 * 228 * 50

}  // namespace

PsgChip::PsgChip() {
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

void PsgChip::Reset() {
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

void PsgChip::ClearBuffer() {
    readPos = 0;
    writePos = 0;
    fill = 0;
    lastMasterVolume = 255;
    levelsBuilt = false;
}

void PsgChip::SetClock(uint8_t pal, uint8_t divider) {
    samplesPerFrame = pal ? 882 : 735;
    const double clock = pal ? kClockPal : kClockNtsc;
    step = static_cast<uint32_t>(clock * 0.25 * 0.25 / 44100.0 * 65536.0);
    if (divider == 1) step >>= 1;
    stepInverse = ((uint64_t{1} << 50) + step - 1) / step;
}

void PsgChip::NoiseControl(uint8_t value) {
    regs.noiseRate = value & 3;
    regs.noisePeriod =
        regs.noiseRate == 3 ? regs.period[2] : static_cast<uint16_t>(16 << regs.noiseRate);
    regs.noiseWhite = (value >> 2) & 1;
    regs.noiseResetPending = 1;
}

void PsgChip::Write(uint8_t value) {
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

void PsgChip::BuildLevels(uint8_t masterVolume) {
    for (int i = 0; i < 16; ++i) {
        toneLevel[i] = static_cast<int16_t>(kBaseLevel[i] * masterVolume / 160);
        noiseLevel[i] = static_cast<int16_t>(kBaseLevel[i] * masterVolume / 80);
    }
    lastMasterVolume = masterVolume;
    levelsBuilt = true;
}

void PsgChip::RenderFrame(uint8_t masterVolume, uint8_t channelMask) {
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
        RenderPass(samples, chunk / 4, channelMask);
        writePos = (writePos + chunk) % kRingBytes;
        fill += chunk;
        left -= chunk;
    }
}

// Periods above 15 bits would overflow the 16.16 counter; no client writes them (the
// register holds 10 bits), so they are held at the slowest representable rate.
static inline int32_t PeriodTicks(uint16_t period) {
    return static_cast<int32_t>(period > 0x7FFF ? 0x7FFF : period) << 16;
}

namespace {

constexpr int kMaxPassPairs = PsgChip::kRingBytes / 4;

inline uint32_t PackPair(int32_t left, int32_t right) {
    return static_cast<uint16_t>(left) |
           (static_cast<uint32_t>(static_cast<uint16_t>(right)) << 16);
}

// Stores the packed pair over [from, to), possibly running up to three pairs past `to`
// (the scratch buffer has room, and the next run or nobody reads them).
inline void PaintRun(uint32_t* pairs, int from, int to, uint32_t value) {
#ifdef __SSE2__
    const __m128i v = _mm_set1_epi32(static_cast<int>(value));
    for (int i = from; i < to; i += 4) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(pairs + i), v);
    }
#else
    for (int i = from; i < to; ++i) pairs[i] = value;
#endif
}

// x / step for x < 2^31 by a multiplication: with M = ceil(2^50 / step) and step < 2^19 the
// error term stays below 1 / step, so the quotient is exact.
inline uint32_t DivideByStep(uint32_t x, uint64_t inverse) {
    return static_cast<uint32_t>((static_cast<uint64_t>(x) * inverse) >> 50);
}

// Steps the counter takes to reach 0 or below; at least one, since a counter already at 0
// expires in the next sample.
inline uint32_t StepsToExpiry(int32_t counter, uint64_t inverse) {
    const uint32_t c = counter > 1 ? static_cast<uint32_t>(counter) : 1u;
    return DivideByStep(c - 1, inverse) + 1;
}

// Reloads an expired counter (at most 0) with the period until it is above 0; returns the
// number of reloads.
inline uint32_t Reload(int32_t& counter, int32_t ticks) {
    counter += ticks;
    if (counter > 0) return 1;
    const uint32_t more = static_cast<uint32_t>(-counter) / static_cast<uint32_t>(ticks) + 1;
    counter += static_cast<int32_t>(more) * ticks;
    return more + 1;
}

}  // namespace

bool PsgChip::RenderTone(int c, uint32_t* out, int pairs) {
    const uint16_t p = regs.period[c];
    const int gainL = (regs.stereo >> (c + 4)) & 1;
    const int gainR = (regs.stereo >> c) & 1;
    int32_t a = toneLevel[regs.attenuation[c]];
    if (p < 4) {
        // A steady level; the generator keeps its state for when the period grows again.
        if (regs.attenuation[c] == 15 || a == 0 || !(gainL | gainR)) return false;
        PaintRun(out, 0, pairs, PackPair(gainL * a, gainR * a));
        return true;
    }
    Generator& g = tone[c];
    if (g.flipFlop) a = -a;
    const bool audible = a != 0 && (gainL | gainR);
    const int32_t ticks = PeriodTicks(p);
    // The first pair of a pass carries a quarter of the level; later pairs get the level,
    // except the pair after an edge, which gets the average over the sample with the edge.
    int32_t value = a >> 2;
    if (static_cast<uint32_t>(ticks) > step && g.counter >= 0) {
        // One reload per edge: the k-th edge (from 0) of the pass ends the pair before
        // ceil((counter + k * ticks) / step), so edges are found without stepping.
        uint32_t at = static_cast<uint32_t>(g.counter);
        const uint32_t limit = static_cast<uint32_t>(pairs) * step;  // below 2^31
        int start = 0;
        for (;;) {
            if (at > limit) break;  // the next edge lies beyond this pass
            const uint32_t end = at == 0 ? 1 : DivideByStep(at - 1, stepInverse) + 1;
            if (audible) {
                out[start] = PackPair(gainL * value, gainR * value);
                PaintRun(out, start + 1, static_cast<int>(end), PackPair(gainL * a, gainR * a));
            }
            const uint32_t overshoot = end * step - at;
            const int32_t part = static_cast<int32_t>(DivideByStep(overshoot * 256u, stepInverse));
            value = ((128 - part) * a) >> 7;
            a = -a;
            g.flipFlop ^= 1;
            start = static_cast<int>(end);
            at += static_cast<uint32_t>(ticks);
        }
        if (audible && start < pairs) {
            out[start] = PackPair(gainL * value, gainR * value);
            PaintRun(out, start + 1, pairs, PackPair(gainL * a, gainR * a));
        }
        g.counter = static_cast<int32_t>(at - static_cast<uint32_t>(pairs) * step);
        return audible;
    }
    int32_t counter = g.counter;
    int i = 0;
    while (i < pairs) {
        const uint32_t m = StepsToExpiry(counter, stepInverse);
        const int left = pairs - i;
        const int end = m > static_cast<uint32_t>(left) ? pairs : i + static_cast<int>(m);
        if (audible) {
            out[i] = PackPair(gainL * value, gainR * value);
            PaintRun(out, i + 1, end, PackPair(gainL * a, gainR * a));
        }
        if (m > static_cast<uint32_t>(left)) {
            counter -= static_cast<int32_t>(static_cast<uint32_t>(left) * step);
            break;
        }
        counter =
            static_cast<int32_t>(static_cast<int64_t>(counter) - static_cast<int64_t>(m) * step);
        const uint32_t overshoot = static_cast<uint32_t>(-counter);
        const int32_t part = static_cast<int32_t>(DivideByStep(overshoot * 256u, stepInverse));
        value = ((128 - part) * a) >> 7;
        if (Reload(counter, ticks) & 1) {
            a = -a;
            g.flipFlop ^= 1;
        }
        i = end;
    }
    g.counter = counter;
    return audible;
}

bool PsgChip::RenderNoise(uint32_t* out, int pairs) {
    const uint16_t p = regs.noisePeriod;
    if (p < 4) return false;
    const int gainL = (regs.stereo >> 7) & 1;
    const int gainR = (regs.stereo >> 3) & 1;
    const int32_t n = noiseLevel[regs.attenuation[3]];
    const uint32_t high = PackPair(gainL * n, gainR * n);
    const int32_t ticks = PeriodTicks(p);
    const bool audible = n != 0 && (gainL | gainR);
    uint16_t reg = shiftRegister;
    uint8_t flipFlop = noise.flipFlop;
    const uint8_t white = regs.noiseWhite;
    // A quarter of the level until the first expiry of the pass, whatever the register holds.
    uint32_t value = PackPair(gainL * (n >> 2), gainR * (n >> 2));
    int expiries = 0;
    if (static_cast<uint32_t>(ticks) > step && noise.counter >= 0) {
        // One reload per expiry, so the expiries of the pass lie at fixed distances: the
        // k-th (from 0) ends the pair before ceil((counter + k * ticks) / step). No step
        // depends on the previous one except the register itself.
        const uint32_t counter = static_cast<uint32_t>(noise.counter);
        uint32_t at = counter;                                       // counter + k * ticks
        const uint32_t limit = static_cast<uint32_t>(pairs) * step;  // below 2^31
        int start = 0;
        for (;;) {
            if (at > limit) break;  // the next expiry lies beyond this pass
            // Only an expiry that shifts can change the value (and the first of the pass,
            // which ends the quarter level), so only those need their place in the pass.
            if (flipFlop || expiries == 0) {
                const int end =
                    at == 0 ? 1 : static_cast<int>(DivideByStep(at - 1, stepInverse)) + 1;
                if (audible) PaintRun(out, start, end, value);
                if (flipFlop) {
                    const unsigned feedback = white ? ((reg ^ (reg >> 3)) & 1) : (reg & 1);
                    reg = static_cast<uint16_t>((feedback << 15) | (reg >> 1));
                }
                value = (reg & 1) ? high : 0;
                start = end;
            }
            flipFlop ^= 1;
            at += static_cast<uint32_t>(ticks);
            ++expiries;
        }
        if (audible) PaintRun(out, start, pairs, value);
        noise.counter = static_cast<int32_t>(at - static_cast<uint32_t>(pairs) * step);
    } else {
        int32_t counter = noise.counter;
        int i = 0;
        while (i < pairs) {
            const uint32_t m = StepsToExpiry(counter, stepInverse);
            const int left = pairs - i;
            if (m > static_cast<uint32_t>(left)) {
                counter -= static_cast<int32_t>(static_cast<uint32_t>(left) * step);
                break;
            }
            if (audible) PaintRun(out, i, i + static_cast<int>(m), value);
            counter = static_cast<int32_t>(static_cast<int64_t>(counter) -
                                           static_cast<int64_t>(m) * step);
            i += static_cast<int>(m);
            ++expiries;
            // The register shifts on every second expiry.
            const unsigned feedback = white ? ((reg ^ (reg >> 3)) & 1) : (reg & 1);
            const uint16_t shifted = static_cast<uint16_t>((feedback << 15) | (reg >> 1));
            reg = flipFlop ? shifted : reg;
            flipFlop ^= static_cast<uint8_t>(Reload(counter, ticks) & 1);
            value = (reg & 1) ? high : 0;
        }
        if (audible) PaintRun(out, i, pairs, value);
        noise.counter = counter;
    }
    // Any expiry in the pass makes a rate-3 noise follow channel 2 from the next pass on.
    if (regs.noiseRate == 3 && expiries > 0) regs.noisePeriod = regs.period[2];
    noise.flipFlop = flipFlop;
    shiftRegister = reg;
    return audible;
}

void PsgChip::RenderPass(int16_t* samples, int pairs, uint8_t channelMask) {
    // Each channel paints its own scratch buffer (painters may overrun by three pairs), then
    // one pass adds them up. 16-bit wrapping additions commute, so the order of mixing does
    // not change a sample.
    alignas(16) uint32_t noiseBuffer[kMaxPassPairs + 4];
    alignas(16) uint32_t toneBuffers[3][kMaxPassPairs + 4];
    const uint32_t* parts[4] = {noiseBuffer, noiseBuffer, noiseBuffer, noiseBuffer};
    int count = 0;
    for (int c = 0; c < 3; ++c) {
        if (((channelMask >> c) & 1) && RenderTone(c, toneBuffers[count], pairs)) {
            parts[count] = toneBuffers[count];
            ++count;
        }
    }
    if (((channelMask >> 3) & 1) && RenderNoise(noiseBuffer, pairs)) parts[count++] = noiseBuffer;
    int i = 0;
#ifdef __SSE2__
    const __m128i* p0 = reinterpret_cast<const __m128i*>(parts[0]);
    const __m128i* p1 = reinterpret_cast<const __m128i*>(parts[1]);
    const __m128i* p2 = reinterpret_cast<const __m128i*>(parts[2]);
    const __m128i* p3 = reinterpret_cast<const __m128i*>(parts[3]);
    __m128i* dest = reinterpret_cast<__m128i*>(samples);
    const int blocks = pairs / 4;
    switch (count) {
        case 0:
            for (int b = 0; b < blocks; ++b) _mm_storeu_si128(dest + b, _mm_setzero_si128());
            break;
        case 1:
            for (int b = 0; b < blocks; ++b) _mm_storeu_si128(dest + b, _mm_load_si128(p0 + b));
            break;
        case 2:
            for (int b = 0; b < blocks; ++b) {
                _mm_storeu_si128(dest + b,
                                 _mm_add_epi16(_mm_load_si128(p0 + b), _mm_load_si128(p1 + b)));
            }
            break;
        case 3:
            for (int b = 0; b < blocks; ++b) {
                const __m128i sum = _mm_add_epi16(_mm_load_si128(p0 + b), _mm_load_si128(p1 + b));
                _mm_storeu_si128(dest + b, _mm_add_epi16(sum, _mm_load_si128(p2 + b)));
            }
            break;
        default:
            for (int b = 0; b < blocks; ++b) {
                const __m128i a = _mm_add_epi16(_mm_load_si128(p0 + b), _mm_load_si128(p1 + b));
                const __m128i c = _mm_add_epi16(_mm_load_si128(p2 + b), _mm_load_si128(p3 + b));
                _mm_storeu_si128(dest + b, _mm_add_epi16(a, c));
            }
            break;
    }
    i = blocks * 4;
#endif
    for (; i < pairs; ++i) {
        int32_t left = 0, right = 0;
        for (int k = 0; k < count; ++k) {
            left += static_cast<int16_t>(parts[k][i] & 0xFFFF);
            right += static_cast<int16_t>(parts[k][i] >> 16);
        }
        samples[2 * i] = static_cast<int16_t>(left);
        samples[2 * i + 1] = static_cast<int16_t>(right);
    }
}

void PsgChip::ReadSamples(void* dest, int bytes) {
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
