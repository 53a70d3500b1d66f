// Compiles the module into the console song format: instruments that the song plays,
// renumbered; every song position cut into steps of 32 lines; each lane of a step compiled
// into a block of commands; equal blocks stored once.
#include "export/DadivevExport.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <memory>

#include "app/Exceptions.h"
#include "app/SafeFile.h"
#include "export/DadivevFormat.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"

using namespace dadivev;

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

void PatchU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

// The song positions in the order the player plays them, and where it goes back to. A
// repeat position at or beyond the song's end is played on its own after the last position
// (as the player does: it plays it and finds itself past the end again).
struct PlayOrder {
    std::vector<int> positions;
    size_t loopIndex = 0;
};

PlayOrder MakePlayOrder(const Module& m) {
    PlayOrder order;
    int length = m.songLength;
    if (length > kMaxSongLength) length = kMaxSongLength;
    if (length < 1) length = 1;  // position 0 is always played once
    for (int p = 0; p < length; ++p) order.positions.push_back(p);
    if (m.repeatPosition < length) {
        order.loopIndex = m.repeatPosition;
    } else {
        order.loopIndex = order.positions.size();
        order.positions.push_back(m.repeatPosition);
    }
    return order;
}

// The player reads lines 0..length-1 (a length of 0 still plays line 0) through an 8-bit
// line index.
int PlayedLength(const Pattern& pattern) { return pattern.length == 0 ? 1 : pattern.length; }

class Compiler {
public:
    explicit Compiler(const Module& m) : module(m) {}

    std::vector<uint8_t> Run();

private:
    void FindInstruments(const PlayOrder& order);
    void BuildCurves();
    std::vector<uint8_t> CompileLane(const Pattern& pattern, int lane, int first, int count) const;
    void LineEvents(const PatternLine& line, int lane, std::vector<uint8_t>& out) const;
    uint16_t StoreBlock(std::vector<uint8_t>&& bytes);

    const Module& module;
    int instrumentCount = 0;
    uint8_t renumbered[kInstruments] = {};
    int usedNumbers[kInstruments] = {};
    std::vector<std::array<int8_t, kCurveSize>> curves;
    uint8_t curveOf[kInstruments][5] = {};
    std::map<std::vector<uint8_t>, uint16_t> blockIndex;
    std::vector<const std::vector<uint8_t>*> blocks;
};

void Compiler::FindInstruments(const PlayOrder& order) {
    bool used[kInstruments] = {};
    for (int position : order.positions) {
        const Pattern& pattern = module.patterns[module.orderList[position & 0xFF]];
        const int length = PlayedLength(pattern);
        for (int l = 0; l < length; ++l) {
            const PatternLine& line = pattern.lines[l & 0xFF];
            for (int c = 0; c < kChannels; ++c)
                if (Player::IsPlayable(c, line.note[c])) used[line.instrument[c] & 15] = true;
        }
    }
    for (int i = 0; i < kInstruments; ++i) {
        if (!used[i]) continue;
        renumbered[i] = static_cast<uint8_t>(instrumentCount);
        usedNumbers[instrumentCount++] = i;
    }
}

// One 32-frame curve per distinct vibrato speed and strength; curve 0 is silence. The
// player's table repeats every 32 positions, so 32 values say everything.
void Compiler::BuildCurves() {
    const auto& table = Player::VibratoTable();
    curves.push_back({});
    for (int n = 0; n < instrumentCount; ++n) {
        const Instrument& ins = module.instruments[usedNumbers[n]];
        for (int phase = 0; phase < 5; ++phase) {
            std::array<int8_t, kCurveSize> curve;
            for (size_t p = 0; p < kCurveSize; ++p)
                curve[p] = table[ins.vibSpeed[phase] & 3][ins.vibStrength[phase] & 15][p];
            size_t k = 0;
            while (k < curves.size() && curves[k] != curve) ++k;
            if (k == curves.size()) curves.push_back(curve);
            curveOf[n][phase] = static_cast<uint8_t>(k);
        }
    }
}

void Compiler::LineEvents(const PatternLine& line, int lane, std::vector<uint8_t>& out) const {
    if (lane == kGlobalLane) {
        static constexpr uint8_t kCodes[5] = {0, kSpeed, kStereo, kMarker, kPvMask};
        for (int k = 0; k < kGlobalColumns; ++k) {
            const uint8_t cmd = line.globalCmd[k];
            if (cmd >= kGlobalSP && cmd <= kGlobalPV) {
                out.push_back(kCodes[cmd]);
                out.push_back(line.globalParam[k]);
            }
        }
        return;
    }
    const int c = lane;
    const uint8_t note = line.note[c];
    if (note != kNoteEmpty) {
        if (!Player::IsPlayable(c, note)) {
            out.push_back(kNoteOff);
        } else {
            const uint8_t ins = renumbered[line.instrument[c] & 15];
            if (c == kNoiseChannel) {
                out.push_back(kNoiseNote);
                out.push_back(static_cast<uint8_t>(note - 23));
            } else {
                const uint16_t period = static_cast<uint16_t>(gNotePeriods[note] + line.detune[c]);
                out.push_back(kToneNote);
                PutU16(out, period);
            }
            out.push_back(ins);
            out.push_back(line.volume[c]);
        }
    }
    if (line.effect[c] == kEffectPV) {
        if (c != kNoiseChannel) {
            out.push_back(kPitchOffset);
            out.push_back(line.effectParam[c]);
        }
    } else if (line.effect[c] == kEffectVO) {
        out.push_back(kChannelVolume);
        out.push_back(line.effectParam[c]);
    }
}

// Each line's events, then an end-of-line code that covers the empty lines after it.
std::vector<uint8_t> Compiler::CompileLane(const Pattern& pattern, int lane, int first,
                                           int count) const {
    std::vector<uint8_t> out;
    std::vector<uint8_t> events;
    int i = 0;
    while (i < count) {
        events.clear();
        LineEvents(pattern.lines[(first + i) & 0xFF], lane, events);
        out.insert(out.end(), events.begin(), events.end());
        int j = i + 1;
        for (; j < count; ++j) {
            events.clear();
            LineEvents(pattern.lines[(first + j) & 0xFF], lane, events);
            if (!events.empty()) break;
        }
        out.push_back(static_cast<uint8_t>(j - i - 1));
        i = j;
    }
    return out;
}

uint16_t Compiler::StoreBlock(std::vector<uint8_t>&& bytes) {
    auto found = blockIndex.find(bytes);
    if (found != blockIndex.end()) return found->second;
    if (blocks.size() >= 0xFFFF) throw Exception("Module::ExportDADIVEV(): Too many blocks");
    const uint16_t index = static_cast<uint16_t>(blocks.size());
    auto inserted = blockIndex.emplace(std::move(bytes), index).first;
    blocks.push_back(&inserted->first);
    return index;
}

std::vector<uint8_t> Compiler::Run() {
    const PlayOrder order = MakePlayOrder(module);
    FindInstruments(order);
    BuildCurves();

    // Steps: lines, position, five block numbers.
    std::vector<uint8_t> steps;
    size_t stepCount = 0;
    size_t loopStep = 0;
    for (size_t k = 0; k < order.positions.size(); ++k) {
        if (k == order.loopIndex) loopStep = stepCount;
        const int position = order.positions[k];
        const Pattern& pattern = module.patterns[module.orderList[position & 0xFF]];
        const int length = PlayedLength(pattern);
        for (int first = 0; first < length; first += kLinesPerStep) {
            const int count = std::min(kLinesPerStep, length - first);
            steps.push_back(static_cast<uint8_t>(count));
            steps.push_back(static_cast<uint8_t>(position));
            for (int lane = 0; lane < kLanes; ++lane)
                PutU16(steps, StoreBlock(CompileLane(pattern, lane, first, count)));
            if (++stepCount > 0xFFFF) throw Exception("Module::ExportDADIVEV(): Song too long");
        }
    }

    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    out.push_back(kVersion);
    out.push_back(static_cast<uint8_t>((module.chipType ? kFlagPal : 0) |
                                       (module.frequencyDivider == 1 ? kFlagDivider2x : 0)));
    out.push_back(module.initialSpeed);
    out.push_back(module.initialStereo);
    out.push_back(static_cast<uint8_t>(instrumentCount));
    out.push_back(static_cast<uint8_t>(curves.size()));
    out.push_back(0);
    PutU16(out, static_cast<uint32_t>(stepCount));
    PutU16(out, static_cast<uint32_t>(loopStep));
    PutU16(out, static_cast<uint32_t>(blocks.size()));
    PutU32(out, 0);  // part offsets, patched below
    PutU32(out, 0);

    for (int n = 0; n < instrumentCount; ++n) {
        const Instrument& ins = module.instruments[usedNumbers[n]];
        out.push_back(ins.startVolume);
        out.insert(out.end(), ins.delay, ins.delay + 4);
        out.insert(out.end(), ins.volumeAdd, ins.volumeAdd + 5);
        out.insert(out.end(), curveOf[n], curveOf[n] + 5);
    }
    for (const auto& curve : curves)
        for (int8_t v : curve) out.push_back(static_cast<uint8_t>(v));

    PatchU32(out, kOffPart2, static_cast<uint32_t>(out.size()));
    out.insert(out.end(), steps.begin(), steps.end());

    const size_t part3 = out.size();
    PatchU32(out, kOffPart3, static_cast<uint32_t>(part3));
    uint32_t offset = static_cast<uint32_t>(blocks.size() * 4);
    for (const auto* block : blocks) {
        PutU32(out, offset);
        offset += static_cast<uint32_t>(block->size());
    }
    for (const auto* block : blocks) out.insert(out.end(), block->begin(), block->end());
    return out;
}

}  // namespace

std::vector<uint8_t> CompileDADIVEV(const Module& module) {
    return Compiler(module).Run();
}

void ExportDADIVEV(const Module& module, const std::string& path) {
    const std::vector<uint8_t> bytes = CompileDADIVEV(module);
    WriteFileSafely(path, bytes.data(), bytes.size(),
                    {"Module::ExportDADIVEV(): Couldn't create file",
                     "Module::ExportDADIVEV(): Couldn't write file"});
}
