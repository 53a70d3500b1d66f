// Reference replayer of the console song format. It follows the frame algorithm that
// docs/dadivev.md gives console programmers, step by step, so that the tests can hold the
// format and that description against the tracker's own player.
#include "export/DadivevPlayer.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "app/Exceptions.h"
#include "export/DadivevFormat.h"
#include "sound/Player.h"

using namespace dadivev;

namespace {

[[noreturn]] void Malformed(const char* what) {
    throw ParseException(std::string("DadivevPlayer::Load(): ") + what);
}

// Channel 0's lane also carries the global commands.
enum LaneKind { kToneLane = 0, kNoiseLane = 1, kToneAndGlobalLane = 2 };

LaneKind KindOfLane(int lane) {
    if (lane == 0) return kToneAndGlobalLane;
    return lane == kNoiseChannel ? kNoiseLane : kToneLane;
}

// Bytes that follow a command code in a lane of the given kind, or -1 when the code does not
// belong there.
constexpr int OperandBytes(uint8_t code, int kind) {
    if (code <= kEndOfLineLast) return 0;
    if (code >= kSpeed && code <= kPvMask) return kind == kToneAndGlobalLane ? 1 : -1;
    const bool tone = kind != kNoiseLane;
    switch (code) {
        case kNoteOff: return 0;
        case kToneNote: return tone ? 6 : -1;
        case kNoiseNote: return kind == kNoiseLane ? 5 : -1;
        case kPitchOffset: return tone ? 1 : -1;
        case kChannelVolume: return 1;
        default: return -1;
    }
}

// The same, looked up by kind and code: a block is read command by command wherever a lane
// plays it and whenever a file is checked.
struct OperandTable {
    int8_t bytes[3][256];
    constexpr OperandTable() : bytes() {
        for (int kind = 0; kind < 3; ++kind)
            for (int code = 0; code < 256; ++code)
                bytes[kind][code] =
                    static_cast<int8_t>(OperandBytes(static_cast<uint8_t>(code), kind));
    }
};
constexpr OperandTable kOperands;

// One lane command with its operands.
struct Command {
    uint8_t code = 0;
    uint16_t image = 0;  // of a note: where its instrument's image starts
    uint8_t volume = 0;
    uint8_t attenuation = 0;  // of the note's first frame
    uint16_t period = 0;      // of a tone note
    uint8_t value = 0;        // a noise note's control byte, or the one operand of the others
};

enum CommandRead { kCommandRead, kBlockEnded, kUnknownCode, kCutShort };

// Reads the next command of a block as a lane of the given kind reads it. Anything but
// kCommandRead leaves `in` just past the code at most. Inlined into both callers so that
// the command and the reader's position stay in registers: playback reads every line.
[[gnu::always_inline]] inline CommandRead ReadCommand(ByteReader& in, int kind, Command& command) {
    if (!in.ReadU8(command.code)) return kBlockEnded;
    // The most common command, with nothing after it.
    if (command.code <= kEndOfLineLast) return kCommandRead;
    const int operands = kOperands.bytes[kind][command.code];
    if (operands < 0) return kUnknownCode;
    if (!in.CanRead(static_cast<size_t>(operands))) return kCutShort;
    switch (command.code) {
        case kToneNote:
        case kNoiseNote:
            in.ReadU16LE(command.image);
            in.ReadU8(command.volume);
            in.ReadU8(command.attenuation);
            if (command.code == kToneNote)
                in.ReadU16LE(command.period);
            else
                in.ReadU8(command.value);
            break;
        default:
            if (operands == 1) in.ReadU8(command.value);
            break;
    }
    return kCommandRead;
}

}  // namespace

DadivevPlayer::DadivevPlayer() { chip.Reset(); }

ByteReader DadivevPlayer::Bytes() const { return ByteReader(file.data(), file.size()); }

uint8_t DadivevPlayer::Byte(size_t offset) const {
    uint8_t value;
    Bytes().ReadU8At(offset, value);  // zero outside the file; Load makes sure it is inside
    return value;
}

size_t DadivevPlayer::ImagesAt() const {
    return kHeaderSize + 2 * static_cast<size_t>(instrumentCount);
}

ByteReader DadivevPlayer::StepRecord(int s) const {
    return Bytes().Slice(stepsAt + static_cast<size_t>(s) * kStepSize, kStepSize);
}

// A block's place in a step record; false when its two forms disagree.
bool DadivevPlayer::BlockPlace(const ByteReader& record, int lane, uint32_t& at) {
    uint8_t place[kBlockOffsetSize] = {};
    record.Slice(kStepBlocks + kBlockOffsetSize * static_cast<size_t>(lane), kBlockOffsetSize)
        .ReadBytes(place, sizeof place);
    return ReadBlockOffset(place, at);
}

// Walks an image from its first byte to the end of its last phase, which must lie before the
// song steps and within the first 16 KB page (where a banked console keeps it mapped). Gives
// where the image ends.
size_t DadivevPlayer::CheckImage(size_t at) const {
    ByteReader in = Bytes().Slice(0, std::min<size_t>(stepsAt, kPageSize));
    in.Seek(at);
    size_t fields = kImHeaderSize;
    for (;;) {
        uint8_t flags = 0;
        if (!in.CanRead(fields) || !in.ReadU8(flags)) Malformed("Bad instrument");
        if (flags & ~kPhaseFlagBits) Malformed("Bad instrument");
        in.Skip(fields - 1);
        if ((flags & kPhaseCurveMoves) && !in.Skip(kCurveSize)) Malformed("Bad instrument");
        if (flags & kPhaseLast) return in.Position();
        fields = kPhSize;
    }
}

void DadivevPlayer::CheckBlock(size_t at, int kind, int lines) const {
    ByteReader in = Bytes();
    if (at < blocksAt || at >= in.Size()) Malformed("Bad block offset");
    in.Seek(at);
    int covered = 0;
    while (covered < lines) {
        Command command;
        switch (ReadCommand(in, kind, command)) {
            case kBlockEnded: Malformed("Block does not fit its step");
            case kUnknownCode: Malformed("Unknown command");
            case kCutShort: Malformed("Command cut short");
            case kCommandRead: break;
        }
        const uint8_t code = command.code;
        if (code <= kEndOfLineLast) covered += code + 1;
        if (code == kToneNote || code == kNoiseNote) {
            if (std::find(images.begin(), images.end(), command.image) == images.end())
                Malformed("Bad instrument");
            if (command.attenuation > 15) Malformed("Bad attenuation");
        }
        if (code == kToneNote && command.period > 0x3FF) Malformed("Bad period");
        if (code == kNoiseNote && (command.value & 0xF8) != 0xE0) Malformed("Bad noise control");
    }
    if (covered != lines) Malformed("Block does not fit its step");
    if (at / kPageSize != (in.Position() - 1) / kPageSize) Malformed("Block crosses a page");
}

// The header's fields and the parts' offsets, in the order in which a damaged field is named.
void DadivevPlayer::ReadHeader(const ByteReader& in) {
    ByteReader head = in.Slice(0, kHeaderSize);
    if (head.Remaining() < kHeaderSize) Malformed("File too short");
    uint8_t magic[sizeof kMagic];
    head.ReadBytes(magic, sizeof magic);
    if (std::memcmp(magic, kMagic, sizeof kMagic) != 0) Malformed("Not a DADIVEV file");
    uint8_t version, count;
    uint16_t steps, loop, blocks, reserved;
    uint32_t part2, part3;
    head.ReadU8At(kOffVersion, version);
    if (version != kVersion) Malformed("Unknown version");
    head.ReadU8At(kOffFlags, flags);
    if (flags & ~(kFlagPal | kFlagDivider2x)) Malformed("Unknown flags");
    head.ReadU8At(kOffSpeed, initialSpeed);
    head.ReadU8At(kOffStereo, initialStereo);
    head.ReadU8At(kOffInstrumentCount, count);
    head.ReadU16LEAt(kOffStepCount, steps);
    head.ReadU16LEAt(kOffLoopStep, loop);
    head.ReadU16LEAt(kOffBlockCount, blocks);
    instrumentCount = count;
    stepCount = steps;
    loopStep = loop;
    blockCount = blocks;
    if (instrumentCount > kMaxInstruments) Malformed("Too many instruments");
    if (stepCount < 1 || loopStep >= stepCount) Malformed("Bad step count");
    if (blockCount < 1) Malformed("No blocks");
    head.ReadU16LEAt(kOffReserved, reserved);
    if (reserved != 0) Malformed("Unknown flags");

    head.ReadU32LEAt(kOffPart2, part2);
    head.ReadU32LEAt(kOffPart3, part3);
    stepsAt = part2;
    blocksAt = stepsAt + static_cast<size_t>(stepCount) * kStepSize;
    if (stepsAt < ImagesAt() || stepsAt > in.Size() || part3 != blocksAt)
        Malformed("Bad part offsets");
    if (in.Size() <= blocksAt) Malformed("File too short");
}

void DadivevPlayer::Load(const uint8_t* data, size_t size) {
    loaded = false;
    file.assign(data, data + size);
    const ByteReader in = Bytes();
    ReadHeader(in);

    // The images lie one after the other between the table and the steps.
    images.clear();
    size_t next = ImagesAt();
    for (int n = 0; n < instrumentCount; ++n) {
        uint16_t at = 0;
        in.ReadU16LEAt(kHeaderSize + 2 * static_cast<size_t>(n), at);
        if (at != next) Malformed("Bad instrument");
        images.push_back(at);
        next = CheckImage(at);
    }
    if (next != stepsAt) Malformed("Bad part offsets");

    // Each block is checked once for every kind of lane and step length that plays it.
    std::set<uint64_t> checked;
    std::set<uint32_t> distinct;
    for (int s = 0; s < stepCount; ++s) {
        const ByteReader record = StepRecord(s);
        uint8_t lines = 0;
        record.ReadU8At(0, lines);
        if (lines < 1 || lines > kLinesPerStep) Malformed("Bad step length");
        for (int lane = 0; lane < kLanes; ++lane) {
            uint32_t at = 0;
            if (!BlockPlace(record, lane, at)) Malformed("Bad block offset");
            distinct.insert(at);
            const int kind = KindOfLane(lane);
            const uint64_t key = static_cast<uint64_t>(at) * 128 + kind * 32 + (lines - 1);
            if (!checked.insert(key).second) continue;
            CheckBlock(at, kind, lines);
        }
    }
    if (distinct.size() != static_cast<size_t>(blockCount)) Malformed("Bad block count");
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
    const ByteReader record = StepRecord(step);
    for (int lane = 0; lane < kLanes; ++lane) {
        uint32_t at = 0;
        BlockPlace(record, lane, at);
        lanes[lane].pos = at;
        lanes[lane].rest = 0;
    }
}

// The state after the note's first frame, which the update plays from the image.
void DadivevPlayer::StartNote(Channel& ch, size_t image, uint8_t volume, uint8_t attenuation) {
    // The four fields that a note copies lie in this order at the start of the image.
    static_assert(kImFlags == 0 && kImVolumeAdd == 1 && kImEnvelope == 2 && kImFrames == 3);
    uint32_t fields = 0;
    Bytes().ReadU32LEAt(image, fields);
    ch.active = 1;
    ch.newNote = 1;
    ch.image = image;
    ch.volume = volume;
    ch.firstAttenuation = attenuation;
    ch.flags = static_cast<uint8_t>(fields);
    ch.volumeAdd = static_cast<uint8_t>(fields >> 8);
    ch.envelope = static_cast<uint8_t>(fields >> 16);
    ch.phaseFrames = static_cast<uint8_t>(fields >> 24);
    ch.curve = image + kImHeaderSize;
    ch.vibPosition = 1;
}

// Runs the lane's commands for one line unless it is resting.
void DadivevPlayer::RunLane(int lane) {
    Lane& ln = lanes[lane];
    if (ln.rest == 0) {
        const int kind = KindOfLane(lane);
        ln.rest = 255;  // a block that runs out rests to the end of its step
        ByteReader in = Bytes();
        in.Seek(ln.pos);
        for (;;) {
            Command command;
            const CommandRead read = ReadCommand(in, kind, command);
            if (read == kBlockEnded) break;
            if (read != kCommandRead) {
                in.Skip(in.Remaining());  // cannot happen after Load's checks
                break;
            }
            if (command.code <= kEndOfLineLast) {
                ln.rest = static_cast<uint8_t>(command.code + 1);
                break;
            }
            Channel* ch = &channels[lane];
            switch (command.code) {
                case kNoteOff: ch->active = 0; break;
                case kToneNote:
                    ch->basePeriod = command.period;
                    StartNote(*ch, command.image, command.volume, command.attenuation);
                    break;
                case kNoiseNote:
                    ch->control = command.value;
                    StartNote(*ch, command.image, command.volume, command.attenuation);
                    break;
                case kPitchOffset:
                    if (lane < kToneChannels) pvOffset[lane] = command.value;
                    break;
                case kChannelVolume: ch->volume = command.value; break;
                case kSpeed: speed = command.value; break;
                case kStereo: stereo = command.value; break;
                case kMarker: markers.push_back(command.value); break;
                case kPvMask: pvMask = command.value; break;
                default: break;
            }
        }
        ln.pos = in.Position();
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
        return;
    }
    auto setPeriod = [&](uint8_t vibrato) {
        const int8_t p = static_cast<int8_t>(static_cast<uint8_t>(vibrato + offset));
        chip.SetPeriod(c, static_cast<uint16_t>((ch.basePeriod + p) & 0x3FF));
    };
    auto setAttenuation = [&](uint8_t envelope) {
        chip.SetAttenuation(c, static_cast<uint8_t>(15 - Player::kVolumeTable[(envelope & 0xF0) | ch.volume]));
    };
    if (ch.newNote) {
        // The note's first frame: the rest of the state is already as after it.
        if (c == kNoiseChannel)
            chip.Write(ch.control);
        else
            setPeriod(Byte(ch.image + kImFirstVibrato));
        chip.SetAttenuation(c, ch.firstAttenuation);
        ch.newNote = 0;
        return;
    }
    if (c != kNoiseChannel)
        setPeriod((ch.flags & kPhaseCurveMoves) ? Byte(ch.curve + (ch.vibPosition & 31)) : 0);
    setAttenuation(ch.envelope);
    ch.vibPosition = static_cast<uint8_t>(ch.vibPosition + 1);
    ch.envelope = static_cast<uint8_t>(ch.envelope + ch.volumeAdd);
    ch.phaseFrames = static_cast<uint8_t>(ch.phaseFrames - 1);
    // The last phase would come back every 256 frames as it was.
    if (ch.phaseFrames == 0 && !(ch.flags & kPhaseLast)) NextPhase(ch);
}

void DadivevPlayer::NextPhase(Channel& ch) const {
    const size_t next = ch.curve + ((ch.flags & kPhaseCurveMoves) ? kCurveSize : 0);
    const ByteReader phase = Bytes().Slice(next, kPhSize);
    phase.ReadU8At(kPhFlags, ch.flags);
    phase.ReadU8At(kPhVolumeAdd, ch.volumeAdd);
    phase.ReadU8At(kPhFrames, ch.phaseFrames);
    ch.curve = next + kPhSize;
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
        uint8_t lines = 0;
        StepRecord(step).ReadU8At(0, lines);
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
