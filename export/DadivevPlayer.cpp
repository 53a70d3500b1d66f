// Reference replayer of the console song format. It follows the frame algorithm that
// docs/dadivev.md gives console programmers, step by step, so that the tests can hold the
// format and that description against the tracker's own player.
#include "export/DadivevPlayer.h"

#include <cstring>
#include <set>

#include "app/ByteReader.h"
#include "app/Exceptions.h"
#include "export/DadivevFormat.h"
#include "sound/Player.h"

using namespace dadivev;

namespace {

[[noreturn]] void Malformed(const char* what) {
    throw ParseException(std::string("DadivevPlayer::Load(): ") + what);
}

enum LaneKind { kToneLane = 0, kNoiseLane = 1, kGlobalKind = 2 };

LaneKind KindOfLane(int lane) {
    if (lane == kGlobalLane) return kGlobalKind;
    return lane == kNoiseChannel ? kNoiseLane : kToneLane;
}

// Bytes that follow a command code in a lane of the given kind, or -1 when the code does not
// belong there.
int OperandBytes(uint8_t code, int kind) {
    if (code <= kEndOfLineLast) return 0;
    if (kind == kGlobalKind) return (code >= kSpeed && code <= kPvMask) ? 1 : -1;
    switch (code) {
        case kNoteOff: return 0;
        case kToneNote: return kind == kToneLane ? 4 : -1;
        case kNoiseNote: return kind == kNoiseLane ? 3 : -1;
        case kPitchOffset: return kind == kToneLane ? 1 : -1;
        case kChannelVolume: return 1;
        default: return -1;
    }
}

}  // namespace

DadivevPlayer::DadivevPlayer() { chip.Reset(); }

ByteReader DadivevPlayer::Bytes() const { return ByteReader(file.data(), file.size()); }

uint8_t DadivevPlayer::Byte(size_t offset) const {
    uint8_t value;
    Bytes().ReadU8At(offset, value);  // zero outside the file; Load makes sure it is inside
    return value;
}

uint8_t DadivevPlayer::InstrumentByte(int n, size_t field) const {
    return Byte(instrumentsAt + static_cast<size_t>(n) * kInstrumentSize + field);
}

ByteReader DadivevPlayer::Block(int block) const {
    uint32_t start = 0, next = 0;
    const ByteReader whole = Bytes();
    whole.ReadU32LEAt(blocksAt + 4 * static_cast<size_t>(block), start);
    size_t end = file.size();
    if (block + 1 < blockCount && whole.ReadU32LEAt(blocksAt + 4 * (block + 1), next))
        end = blocksAt + next;
    const size_t from = blocksAt + start;
    return whole.Slice(from, end > from ? end - from : 0);
}

void DadivevPlayer::CheckBlock(int block, int kind, int lines) const {
    ByteReader in = Block(block);
    int covered = 0;
    uint8_t code;
    while (in.ReadU8(code)) {
        const int operands = OperandBytes(code, kind);
        if (operands < 0) Malformed("Unknown command");
        if (covered >= lines) Malformed("Block longer than its step");
        if (code <= kEndOfLineLast) covered += code + 1;
        uint8_t arg[4] = {};
        if (in.ReadBytes(arg, static_cast<size_t>(operands)) != static_cast<size_t>(operands))
            Malformed("Command cut short");
        if (code == kToneNote && arg[2] >= instrumentCount) Malformed("Bad instrument");
        if (code == kNoiseNote) {
            if ((arg[0] & 0xF8) != 0xE0) Malformed("Bad noise control");
            if (arg[1] >= instrumentCount) Malformed("Bad instrument");
        }
    }
    if (covered != lines) Malformed("Block does not fit its step");
}

// The header, with the offsets of the parts it implies.
void DadivevPlayer::ReadHeader(const ByteReader& in) {
    uint8_t magic[sizeof kMagic];
    ByteReader head = in.Slice(0, kHeaderSize);
    if (head.Remaining() < kHeaderSize) Malformed("File too short");
    head.ReadBytes(magic, sizeof magic);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) Malformed("Not a DADIVEV file");
    uint8_t version, count;
    uint16_t steps, loop, blocks;
    uint32_t part2, part3;
    head.ReadU8At(kOffVersion, version);
    head.ReadU8At(kOffFlags, flags);
    head.ReadU8At(kOffSpeed, initialSpeed);
    head.ReadU8At(kOffStereo, initialStereo);
    head.ReadU8At(kOffInstrumentCount, count);
    instrumentCount = count;
    head.ReadU8At(kOffCurveCount, count);
    curveCount = count;
    head.ReadU16LEAt(kOffStepCount, steps);
    head.ReadU16LEAt(kOffLoopStep, loop);
    head.ReadU16LEAt(kOffBlockCount, blocks);
    head.ReadU32LEAt(kOffPart2, part2);
    head.ReadU32LEAt(kOffPart3, part3);
    stepCount = steps;
    loopStep = loop;
    blockCount = blocks;
    if (version != kVersion) Malformed("Unknown version");
    if (flags & ~(kFlagPal | kFlagDivider2x)) Malformed("Unknown flags");
    if (instrumentCount > kMaxInstruments) Malformed("Too many instruments");
    if (curveCount < 1 || curveCount > kMaxCurves) Malformed("Bad curve count");
    if (stepCount < 1 || loopStep >= stepCount) Malformed("Bad step count");
    if (blockCount < 1) Malformed("No blocks");

    instrumentsAt = kHeaderSize;
    curvesAt = instrumentsAt + instrumentCount * kInstrumentSize;
    stepsAt = curvesAt + curveCount * kCurveSize;
    blocksAt = stepsAt + static_cast<size_t>(stepCount) * kStepSize;
    if (part2 != stepsAt || part3 != blocksAt) Malformed("Bad part offsets");
}

void DadivevPlayer::Load(const uint8_t* data, size_t size) {
    loaded = false;
    file.assign(data, data + size);
    const ByteReader in = Bytes();
    ReadHeader(in);
    const size_t table = static_cast<size_t>(blockCount) * 4;
    if (size < blocksAt || size - blocksAt < table) Malformed("File too short");

    for (int n = 0; n < instrumentCount; ++n)
        for (int phase = 0; phase < 5; ++phase)
            if (InstrumentByte(n, kInsCurve + phase) >= curveCount) Malformed("Bad curve");

    size_t previous = table;
    for (int b = 0; b < blockCount; ++b) {
        uint32_t offset = 0;
        in.ReadU32LEAt(blocksAt + 4 * static_cast<size_t>(b), offset);
        if (offset < previous || offset > size - blocksAt) Malformed("Bad block offset");
        previous = offset;
    }

    // Each block is checked once for every kind of lane and step length that plays it.
    std::set<uint32_t> checked;
    for (int s = 0; s < stepCount; ++s) {
        const ByteReader record = in.Slice(stepsAt + static_cast<size_t>(s) * kStepSize, kStepSize);
        uint8_t lines = 0;
        record.ReadU8At(0, lines);
        if (lines < 1 || lines > kLinesPerStep) Malformed("Bad step length");
        for (int lane = 0; lane < kLanes; ++lane) {
            uint16_t block = 0;
            record.ReadU16LEAt(2 + 2 * static_cast<size_t>(lane), block);
            if (block >= blockCount) Malformed("Bad block number");
            const int kind = KindOfLane(lane);
            const uint32_t key = static_cast<uint32_t>(block) * 128 + kind * 32 + (lines - 1);
            if (!checked.insert(key).second) continue;
            CheckBlock(block, kind, lines);
        }
    }
    loaded = true;
    Start();
}

void DadivevPlayer::Start() {
    chip.ClearBuffer();
    chip.SetClock(flags & kFlagPal, (flags & kFlagDivider2x) ? 1 : 0);
    chip.Reset();
    speed = initialSpeed;
    tick = 0;
    step = 0;
    line = 0;
    stereo = initialStereo;
    pvMask = 0x55;
    for (auto& o : pvOffset) o = 0;
    for (auto& ch : channels) ch = Channel{};
    looped = false;
    markers.clear();
    if (loaded) EnterStep();
}

void DadivevPlayer::EnterStep() {
    const ByteReader record =
        Bytes().Slice(stepsAt + static_cast<size_t>(step) * kStepSize, kStepSize);
    for (int lane = 0; lane < kLanes; ++lane) {
        uint16_t block = 0;
        record.ReadU16LEAt(2 + 2 * static_cast<size_t>(lane), block);
        lanes[lane].block = Block(block);
        lanes[lane].rest = 0;
    }
}

void DadivevPlayer::StartNote(Channel& ch, uint8_t instrument, uint8_t volume) {
    ch.active = 1;
    ch.newNote = 1;
    ch.instrument = instrument;
    ch.volume = volume;
    ch.envelope = InstrumentByte(instrument, kInsStartVolume);
    ch.phase = 0;
    ch.phaseFrames = InstrumentByte(instrument, kInsDelay);
    ch.volumeAdd = InstrumentByte(instrument, kInsVolumeAdd);
    ch.curve = InstrumentByte(instrument, kInsCurve);
    ch.vibPosition = 0;
}

// Runs the lane's commands for one line unless it is resting.
void DadivevPlayer::RunLane(int lane) {
    Lane& ln = lanes[lane];
    if (ln.rest == 0) {
        const int kind = KindOfLane(lane);
        ln.rest = 255;  // a block that runs out rests to the end of its step
        uint8_t code;
        while (ln.block.ReadU8(code)) {
            const int operands = OperandBytes(code, kind);
            uint8_t arg[4] = {};
            if (operands < 0 || ln.block.ReadBytes(arg, static_cast<size_t>(operands)) !=
                                    static_cast<size_t>(operands)) {
                ln.block.Skip(ln.block.Remaining());  // cannot happen after Load's checks
                break;
            }
            if (code <= kEndOfLineLast) {
                ln.rest = static_cast<uint8_t>(code + 1);
                break;
            }
            Channel* ch = lane < kChannels ? &channels[lane] : nullptr;
            switch (code) {
                case kNoteOff: ch->active = 0; break;
                case kToneNote:
                    ch->basePeriod = static_cast<uint16_t>(arg[0] | arg[1] << 8);
                    StartNote(*ch, arg[2], arg[3]);
                    break;
                case kNoiseNote:
                    ch->control = arg[0];
                    StartNote(*ch, arg[1], arg[2]);
                    break;
                case kPitchOffset:
                    if (lane < kToneChannels) pvOffset[lane] = arg[0];
                    break;
                case kChannelVolume: ch->volume = arg[0]; break;
                case kSpeed: speed = arg[0]; break;
                case kStereo: stereo = arg[0]; break;
                case kMarker: markers.push_back(arg[0]); break;
                case kPvMask: pvMask = arg[0]; break;
                default: break;
            }
        }
    }
    --ln.rest;
}

void DadivevPlayer::ReadLine() {
    pvMask = static_cast<uint8_t>((pvMask >> 1) | (pvMask << 7));
    for (int lane = 0; lane < kLanes; ++lane) RunLane(lane);
}

void DadivevPlayer::UpdateChannel(Channel& ch, int c, uint8_t offset) {
    if (!ch.active) {
        chip.SetAttenuation(c, 15);
        ch.newNote = 0;
        return;
    }
    if (c == kNoiseChannel) {
        if (ch.newNote) chip.Write(ch.control);
    } else {
        const int8_t vib = static_cast<int8_t>(
            Byte(curvesAt + static_cast<size_t>(ch.curve) * kCurveSize + (ch.vibPosition & 31)));
        const int8_t p = static_cast<int8_t>(static_cast<uint8_t>(vib) + offset);
        chip.SetPeriod(c, static_cast<uint16_t>((ch.basePeriod + p) & 0x3FF));
    }
    const uint8_t out = Player::kVolumeTable[(ch.envelope & 0xF0) | ch.volume];
    chip.SetAttenuation(c, static_cast<uint8_t>(15 - out));
    ch.vibPosition = static_cast<uint8_t>((ch.vibPosition + 1) & 127);
    ch.envelope = static_cast<uint8_t>(ch.envelope + ch.volumeAdd);
    ch.phaseFrames = static_cast<uint8_t>(ch.phaseFrames - 1);
    if (ch.phaseFrames == 0) {
        ++ch.phase;
        ch.volumeAdd = InstrumentByte(ch.instrument, kInsVolumeAdd + ch.phase);
        ch.curve = InstrumentByte(ch.instrument, kInsCurve + ch.phase);
        if (ch.phase == 4) {
            ch.phaseFrames = 0;
            ch.phase = 3;
        } else {
            ch.phaseFrames = InstrumentByte(ch.instrument, kInsDelay + ch.phase);
        }
    }
    ch.newNote = 0;
}

void DadivevPlayer::PlayFrame() {
    if (!loaded) return;
    chip.ClearNoiseReset();
    looped = false;
    markers.clear();
    if (tick <= 0) {
        ReadLine();
        tick = static_cast<int16_t>(tick + (speed < 8 ? 8 : speed));
    }
    tick = static_cast<int16_t>(tick - 8);
    if (tick <= 0) {
        const int lines = Byte(stepsAt + static_cast<size_t>(step) * kStepSize);
        if (++line >= lines) {
            line = 0;
            if (++step >= stepCount) {
                step = loopStep;
                looped = true;
            }
            EnterStep();
        }
    }
    for (int c = 0; c < kChannels; ++c)
        UpdateChannel(channels[c], c, ((pvMask & 1) && c != kNoiseChannel) ? pvOffset[c] : 0);
    chip.SetStereo(stereo);
}
