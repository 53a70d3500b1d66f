// The replayer: song advance, line reading, instrument phases, envelopes and vibrato, and
// the register writes that result from them.
#include "sound/Player.h"

#include <cstring>

#include "sound/NoteTable.h"

namespace {

// One cycle (or two, four, eight) of a wave per 32 frames, peak 28.
constexpr int8_t kVibratoWaves[4][32] = {
    {0,  7,   13,  18,  22,  25,  27,  28,  28,  28,  27,  25,  22,  18,  13,  7,
     0,  -7,  -13, -18, -22, -25, -27, -28, -28, -28, -27, -25, -22, -18, -13, -7},
    {4, 16, 24, 28, 28, 24, 16, 4, -4, -16, -24, -28, -28, -24, -16, -4,
     4, 16, 24, 28, 28, 24, 16, 4, -4, -16, -24, -28, -28, -24, -16, -4},
    {10, 28, 28, 10, -10, -28, -28, -10, 10, 28, 28, 10, -10, -28, -28, -10,
     10, 28, 28, 10, -10, -28, -28, -10, 10, 28, 28, 10, -10, -28, -28, -10},
    {0, 28, 0, -28, 0, 28, 0, -28, 0, 28, 0, -28, 0, 28, 0, -28,
     0, 28, 0, -28, 0, 28, 0, -28, 0, 28, 0, -28, 0, 28, 0, -28},
};
// Peak swing of the period by strength; 0 switches vibrato off.
constexpr int kVibratoScale[16] = {0, 1, 2, 3, 4, 5, 6, 7, 9, 11, 14, 17, 21, 25, 30, 35};

struct VibratoData {
    int8_t v[4][16][128];
};

constexpr VibratoData MakeVibratoTable() {
    VibratoData t{};
    for (int w = 0; w < 4; ++w)
        for (int s = 0; s < 16; ++s)
            for (int p = 0; p < 128; ++p)
                // C++ division truncates toward zero, as the table's values require.
                t.v[w][s][p] = static_cast<int8_t>(kVibratoWaves[w][p % 32] * kVibratoScale[s] / 28);
    return t;
}

// Computed at compile time, so every player shares it from the start and no thread ever
// sees it half built.
constexpr VibratoData kVibrato = MakeVibratoTable();

// What a channel points at before its first note, so `instrument` is never null.
Instrument MakeDefaultInstrument() {
    Instrument i{};
    i.startVolume = 255;
    for (auto& d : i.delay) d = 8;
    return i;
}
const Instrument kDefaultInstrument = MakeDefaultInstrument();

}  // namespace

const uint8_t Player::kVolumeTable[256] = {
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  0,  0,  0,  0,  0,
    0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1,  1,  1,  1,  1,  1,
    0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1,  2,  2,  2,  2,  2,
    0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,  2,  3,  3,  3,  3,
    0, 0, 0, 1, 1, 1, 2, 2, 2, 2, 3,  3,  3,  4,  4,  4,
    0, 0, 0, 1, 1, 1, 2, 2, 3, 3, 4,  4,  4,  4,  5,  5,
    0, 0, 1, 1, 2, 2, 2, 3, 3, 4, 4,  4,  5,  5,  6,  6,
    0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5,  5,  6,  6,  7,  7,
    0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5,  6,  6,  7,  7,  8,
    0, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6,  7,  7,  8,  8,  9,
    0, 1, 1, 2, 3, 4, 4, 5, 5, 6, 6,  7,  8,  9,  9,  10,
    0, 1, 2, 2, 3, 4, 4, 5, 6, 7, 7,  8,  9,  9,  10, 11,
    0, 1, 2, 3, 3, 4, 5, 6, 6, 7, 8,  9,  9,  10, 11, 12,
    0, 1, 2, 3, 4, 4, 5, 6, 7, 8, 9,  9,  10, 11, 12, 13,
    0, 1, 2, 3, 4, 5, 6, 7, 7, 8, 9,  10, 11, 12, 13, 14,
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
};

const int8_t (&Player::VibratoTable())[4][16][128] { return kVibrato.v; }

Player::Player()
    : module(nullptr), speed(48), pvOffset{}, muteMask(0xFF), channels{}, testNoteActive{},
      playing(0), patternOnly(0), tick(0), chip(), line(0), position(0), pattern(0),
      stereo(0xFF), pvMask(0x55), lineAdvanced(0), lineRead(0), looped(0), testInstruments{} {
    for (int c = 0; c < kChannels; ++c) {
        channels[c].channel = static_cast<uint8_t>(c);
        channels[c].instrument = &kDefaultInstrument;
    }
}

void Player::Bind(const Module& m) {
    module = &m;
    for (int c = 0; c < kChannels; ++c) {
        channels[c] = ChannelState{};
        channels[c].channel = static_cast<uint8_t>(c);
        channels[c].instrument = &kDefaultInstrument;
        channels[c].active = 0;
        testNoteActive[c] = 0;
    }
    chip.ClearBuffer();
    tick = 0;
    speed = m.initialSpeed;
    playing = 0;
    muteMask = 0xFF;
    stereo = 0xFF;
    ApplyClock();
}

void Player::ApplyClock() {
    if (module) chip.SetClock(module->chipType, module->frequencyDivider);
}

void Player::ReloadSettings() {
    tick = 0;
    if (module) speed = module->initialSpeed;
    ApplyClock();
}

void Player::Start(int startLine, int startPosition, int onlyPattern) {
    line = static_cast<uint16_t>(startLine & 0xFF);
    patternOnly = onlyPattern ? 1 : 0;
    tick = 0;
    playing = 1;
    std::memset(pvOffset, 0, sizeof pvOffset);
    lineAdvanced = 0;
    lineRead = 0;
    looped = 0;
    pvMask = 0x55;
    position = static_cast<uint16_t>(startPosition & 0xFF);
    stereo = 0xFF;
    pattern = module ? module->orderList[position] : 0;
    chip.Reset();
    for (auto& ch : channels) ch.active = 0;
    if (!module) playing = 0;
}

void Player::Stop() {
    for (auto& ch : channels) ch.active = 0;
    playing = 0;
    lineAdvanced = 0;
    lineRead = 0;
    looped = 0;
}

void Player::JumpTo(int newPosition) {
    position = static_cast<uint16_t>(newPosition & 0xFF);
    if (module) pattern = module->orderList[position];
    line = 0;
    tick = 0;
}

void Player::PlayFrame() {
    chip.ClearNoiseReset();
    looped = 0;
    if (playing && module) {
        if (tick <= 0) {
            lineRead = 1;
            ReadLine();
            // Speeds below 8 would let the accumulator fall by 8 - speed every frame until it
            // wrapped. They time like speed 8 instead: one line per frame, and the
            // accumulator keeps the range (-8, 0] between lines that every speed of 8 or
            // more keeps, so the fraction carried into the next faster line is unchanged.
            tick = static_cast<int16_t>(tick + (speed < 8 ? 8 : speed));
        }
        tick = static_cast<int16_t>(tick - 8);
        if (tick <= 0) {
            ++line;
            lineAdvanced = 1;
            // A pattern has 256 lines at most, whatever its header claims.
            int length = module->patterns[pattern].length;
            if (length > kMaxLines) length = kMaxLines;
            if (line >= length) {
                if (patternOnly) {
                    Stop();
                    lineAdvanced = 1;
                } else {
                    line = 0;
                    ++position;
                    // A song length beyond the order list would never loop; treat it as full.
                    int songLength = module->songLength;
                    if (songLength > kMaxSongLength) songLength = kMaxSongLength;
                    if (position >= songLength) {
                        position = module->repeatPosition;
                        looped = 1;
                    }
                    pattern = module->orderList[position & 0xFF];
                }
            }
        }
    }
    for (int c = 0; c < kChannels; ++c) {
        const uint8_t offset = ((pvMask & 1) && c != kNoiseChannel) ? pvOffset[c] : 0;
        UpdateChannel(channels[c], offset);
        if (channels[c].ended && testNoteActive[c]) testNoteActive[c] = 0;
    }
    chip.SetStereo(stereo);
}

void Player::ReadLine() {
    pvMask = static_cast<uint8_t>((pvMask >> 1) | (pvMask << 7));
    const PatternLine& l = module->patterns[pattern].lines[line & 0xFF];
    for (int c = 0; c < kChannels; ++c) {
        if (testNoteActive[c]) continue;
        if (l.note[c] != kNoteEmpty) {
            // The instrument column may hold anything on lines that arrived from outside.
            const uint8_t number = l.instrument[c] & 15;
            StartNote(channels[c], &module->instruments[number], number, l.volume[c],
                      l.note[c], l.detune[c], 0);
        }
        if (l.effect[c] == kEffectPV) {
            if (c != kNoiseChannel) pvOffset[c] = l.effectParam[c];
        } else if (l.effect[c] == kEffectVO) {
            channels[c].volume = l.effectParam[c];
        }
    }
    for (int k = 0; k < kGlobalColumns; ++k) {
        switch (l.globalCmd[k]) {
            case kGlobalSP: speed = l.globalParam[k]; break;
            case kGlobalST: stereo = l.globalParam[k]; break;
            case kGlobalPV: pvMask = l.globalParam[k]; break;
            default: break;
        }
    }
}

void Player::StartNote(ChannelState& s, const Instrument* instrument, uint8_t instrumentNumber,
                       uint8_t volume, uint8_t note, int8_t detune, uint32_t framesLeft) {
    s.framesLeft = framesLeft;
    s.instrumentNumber = instrumentNumber;
    s.volume = volume;
    s.instrument = instrument ? instrument : &kDefaultInstrument;
    s.note = note;
    s.detune = detune;
    s.phase = 0;
    s.envelope = s.instrument->startVolume;
    s.volumeAdd = s.instrument->volumeAdd[0];
    s.phaseFrames = s.instrument->delay[0];
    s.vibPosition = 0;
    s.vibSpeed = s.instrument->vibSpeed[0];
    s.vibStrength = s.instrument->vibStrength[0];
    s.active = 1;
    s.newNote = 1;
    s.started = 0;
}

void Player::UpdateChannel(ChannelState& s, uint8_t offset) {
    s.started = 0;
    s.ended = 0;
    if (s.newNote) {
        s.started = 1;
        if (!IsPlayable(s.channel, s.note)) s.active = 0;
    }
    if (s.active) {
        if (s.channel == kNoiseChannel) {
            // Noise notes 247..254 become control bytes 0xE0..0xE7; the write also restarts
            // the shift register, so only a new note does it.
            if (s.newNote) chip.Write(static_cast<uint8_t>(s.note - 23));
            s.pitchOffset = 0;
        } else {
            s.basePeriod = static_cast<uint16_t>(gNotePeriods[s.note] + s.detune);
            // Instrument values from files are not range-checked; the masks keep the lookup
            // inside the table.
            const int8_t vib = kVibrato.v[s.vibSpeed & 3][s.vibStrength & 15][s.vibPosition & 127];
            const int8_t p = static_cast<int8_t>(static_cast<uint8_t>(vib) + offset);
            s.pitchOffset = p;
            chip.SetPeriod(s.channel, static_cast<uint16_t>((s.basePeriod + p) & 0x3FF));
        }
        s.outputVolume = kVolumeTable[((s.envelope & 0xF0) | s.volume) & 0xFF];
        chip.SetAttenuation(s.channel, static_cast<uint8_t>(15 - s.outputVolume));
        s.vibPosition = static_cast<uint8_t>((s.vibPosition + 1) & 127);
        s.envelope = static_cast<uint8_t>(s.envelope + s.volumeAdd);
        s.phaseFrames = static_cast<uint8_t>(s.phaseFrames - 1);
        if (s.phaseFrames == 0) {
            ++s.phase;
            const Instrument& ins = *s.instrument;
            s.volumeAdd = ins.volumeAdd[s.phase];
            s.vibStrength = ins.vibStrength[s.phase];
            s.vibSpeed = ins.vibSpeed[s.phase];
            if (s.phase == 4) {
                // The last phase lasts for ever: its values come back every 256 frames.
                s.phaseFrames = 0;
                s.phase = 3;
            } else {
                s.phaseFrames = ins.delay[s.phase];
            }
        }
    } else {
        chip.SetAttenuation(s.channel, 15);
    }
    if (s.framesLeft != 0) {
        if (--s.framesLeft == 0) {
            s.ended = 1;
            s.active = 0;
        }
    }
    s.newNote = 0;
}

int Player::StartTestNote(int type, int channel, const Instrument& instrument, uint8_t volume,
                          uint8_t note, int8_t detune, uint32_t frames) {
    if (channel == -1) {
        const int first = (type == 0) ? 0 : (type == 1) ? kNoiseChannel : kChannels;
        const int last = (type == 0) ? kToneChannels : kChannels;
        for (int c = first; c < last; ++c) {
            if (!testNoteActive[c]) {
                channel = c;
                break;
            }
        }
        if (channel == -1) return -1;
    }
    if (channel < 0 || channel >= kChannels) return -1;
    if (!IsPlayable(channel, note)) return -1;
    testInstruments[channel] = instrument;
    StartNote(channels[channel], &testInstruments[channel], 0, volume, note, detune, frames);
    testNoteActive[channel] = 1;
    return channel;
}

void Player::StopTestNote(int channel) {
    if (channel < 0 || channel >= kChannels) return;
    if (testNoteActive[channel]) {
        channels[channel].active = 0;
        testNoteActive[channel] = 0;
    }
}

void Player::StopAllTestNotes() {
    for (int c = 0; c < kChannels; ++c) StopTestNote(c);
}

bool Player::IsPlayable(int channel, uint8_t note) {
    if (channel == kNoiseChannel) return note >= kNotePeriodicHigh && note <= 254;
    return (note >= kNoteLowestPlayable && note <= kNoteHighestPlayable) || note == kNoteNul;
}
