// Compiles the module into the console song format: an image of each instrument that the
// song plays; every song position cut into steps of 32 lines; each lane of a step compiled
// into a block of commands; equal blocks stored once.
#include "export/DadivevExport.h"

#include <algorithm>
#include <array>
#include <map>

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

void Patch(std::vector<uint8_t>& out, size_t at, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
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
    std::vector<uint8_t> Image(const Instrument& ins) const;
    std::vector<uint8_t> CompileLane(const Pattern& pattern, int lane, int first, int count) const;
    void LineEvents(const PatternLine& line, int lane, std::vector<uint8_t>& out) const;
    uint16_t StoreBlock(std::vector<uint8_t>&& bytes);

    const Module& module;
    int instrumentCount = 0;
    int usedNumbers[kInstruments] = {};
    uint16_t imageAt[kInstruments] = {};  // by tracker instrument number
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
    for (int i = 0; i < kInstruments; ++i)
        if (used[i]) usedNumbers[instrumentCount++] = i;
}

// The attenuation with which a note starts.
uint8_t FirstAttenuation(uint8_t startVolume, uint8_t volume) {
    return static_cast<uint8_t>(15 - Player::kVolumeTable[(startVolume & 0xF0) | volume]);
}

// The instrument as a note finds it: the channel's state after the note's first frame (which
// the note plays from the start volume and the first vibrato value), then the phases still to
// come. The player's vibrato table repeats every 32 positions, so a phase's curve is its first
// 32 values.
std::vector<uint8_t> Compiler::Image(const Instrument& ins) const {
    const auto& table = Player::VibratoTable();
    std::array<uint8_t, kCurveSize> curves[5];
    bool moves[5];
    for (int phase = 0; phase < 5; ++phase) {
        const auto& values = table[ins.vibSpeed[phase] & 3][ins.vibStrength[phase] & 15];
        for (size_t p = 0; p < kCurveSize; ++p) curves[phase][p] = static_cast<uint8_t>(values[p]);
        moves[phase] = std::any_of(curves[phase].begin(), curves[phase].end(),
                                   [](uint8_t v) { return v != 0; });
    }
    auto flags = [&](int phase) {
        return static_cast<uint8_t>((moves[phase] ? kPhaseCurveMoves : 0) |
                                    (ins.volumeAdd[phase] ? kPhaseEnvelopeMoves : 0) |
                                    (phase == 4 ? kPhaseLast : 0));
    };
    auto delay = [&](int phase) { return phase < 4 ? ins.delay[phase] : uint8_t{0}; };
    auto putCurve = [&](std::vector<uint8_t>& out, int phase) {
        if (moves[phase]) out.insert(out.end(), curves[phase].begin(), curves[phase].end());
    };

    // A phase 0 of one frame ends with the first frame: the second plays phase 1.
    const int second = delay(0) == 1 ? 1 : 0;
    std::vector<uint8_t> out;
    out.push_back(static_cast<uint8_t>(flags(second) | (second ? kPhaseBegins : 0)));
    out.push_back(ins.volumeAdd[second]);
    out.push_back(static_cast<uint8_t>(ins.startVolume + ins.volumeAdd[0]));
    out.push_back(second ? delay(1) : static_cast<uint8_t>(delay(0) - 1));
    out.push_back(curves[0][0]);
    putCurve(out, second);
    for (int phase = second + 1; phase < 5; ++phase) {
        out.push_back(static_cast<uint8_t>(flags(phase) | kPhaseBegins));
        out.push_back(ins.volumeAdd[phase]);
        out.push_back(delay(phase));
        putCurve(out, phase);
    }
    return out;
}

void Compiler::LineEvents(const PatternLine& line, int lane, std::vector<uint8_t>& out) const {
    // The global commands travel first in channel 0's lane: a replayer that reads that lane
    // first knows the line's "PV" mask before any note.
    if (lane == 0) {
        static constexpr uint8_t kCodes[5] = {0, kSpeed, kStereo, kMarker, kPvMask};
        for (int k = 0; k < kGlobalColumns; ++k) {
            const uint8_t cmd = line.globalCmd[k];
            if (cmd >= kGlobalSP && cmd <= kGlobalPV) {
                out.push_back(kCodes[cmd]);
                out.push_back(line.globalParam[k]);
            }
        }
    }
    // A note is its lane's last event in a line, so that a replayer can play its first
    // frame at once: the "PV" offset goes before it, and a "VO" becomes its volume. (The
    // noise channel's "PV" offset does nothing.)
    const int c = lane;
    const uint8_t note = line.note[c];
    const bool playable = note != kNoteEmpty && Player::IsPlayable(c, note);
    const bool vo = line.effect[c] == kEffectVO;
    if (line.effect[c] == kEffectPV && c != kNoiseChannel) {
        out.push_back(kPitchOffset);
        out.push_back(line.effectParam[c]);
    }
    if (vo && !playable) {
        out.push_back(kChannelVolume);
        out.push_back(line.effectParam[c]);
    }
    if (note == kNoteEmpty) return;
    if (!playable) {
        out.push_back(kNoteOff);
        return;
    }
    const uint8_t ins = line.instrument[c] & 15;
    const uint8_t volume = vo ? line.effectParam[c] : line.volume[c];
    out.push_back(c == kNoiseChannel ? kNoiseNote : kToneNote);
    PutU16(out, imageAt[ins]);
    out.push_back(volume);
    out.push_back(FirstAttenuation(module.instruments[ins].startVolume, volume));
    if (c == kNoiseChannel) {
        out.push_back(static_cast<uint8_t>(note - 23));
    } else {
        // The chip keeps ten bits, and so does every sum the replayer makes with it.
        PutU16(out, static_cast<uint16_t>((gNotePeriods[note] + line.detune[c]) & 0x3FF));
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
    std::vector<uint8_t> images;
    const size_t imagesAt = kHeaderSize + 2 * static_cast<size_t>(instrumentCount);
    for (int n = 0; n < instrumentCount; ++n) {
        imageAt[usedNumbers[n]] = static_cast<uint16_t>(imagesAt + images.size());
        const auto image = Image(module.instruments[usedNumbers[n]]);
        images.insert(images.end(), image.begin(), image.end());
    }

    // Steps: lines, position, four block numbers (turned into offsets once the blocks are
    // laid out).
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
            for (int lane = 0; lane < kLanes; ++lane) {
                PutU16(steps, StoreBlock(CompileLane(pattern, lane, first, count)));
                steps.push_back(0);
            }
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
    out.push_back(0);
    out.push_back(0);
    PutU16(out, static_cast<uint32_t>(stepCount));
    PutU16(out, static_cast<uint32_t>(loopStep));
    PutU16(out, static_cast<uint32_t>(blocks.size()));
    PutU32(out, 0);  // part offsets, patched below
    PutU32(out, 0);

    for (int n = 0; n < instrumentCount; ++n) PutU16(out, imageAt[usedNumbers[n]]);
    out.insert(out.end(), images.begin(), images.end());

    const size_t part2 = out.size();
    Patch(out, kOffPart2, static_cast<uint32_t>(part2), 4);
    out.insert(out.end(), steps.begin(), steps.end());

    Patch(out, kOffPart3, static_cast<uint32_t>(out.size()), 4);
    std::vector<uint32_t> offsets;
    for (const auto* block : blocks) {
        // A block that would run over a page boundary starts on the next page instead.
        const size_t page = out.size() / kPageSize;
        if ((out.size() + block->size() - 1) / kPageSize != page) out.resize((page + 1) * kPageSize, 0);
        if (out.size() >= 256 * kPageSize) throw Exception("Module::ExportDADIVEV(): Song too long");
        offsets.push_back(static_cast<uint32_t>(out.size()));
        out.insert(out.end(), block->begin(), block->end());
    }
    for (size_t s = 0; s < stepCount; ++s)
        for (int lane = 0; lane < kLanes; ++lane) {
            const size_t at = part2 + s * kStepSize + kStepBlocks + lane * kBlockOffsetSize;
            PutBlockOffset(&out[at], offsets[ReadU16(&out[at])]);
        }
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
