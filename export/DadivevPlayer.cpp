// Reference replayer of the console song format. It follows the frame algorithm that
// docs/dadivev.md gives console programmers, step by step, so that the tests can hold the
// format and that description against the tracker's own player.
#include "export/DadivevPlayer.h"

#include <algorithm>
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
int OperandBytes(uint8_t code, int kind) {
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

}  // namespace

DadivevPlayer::DadivevPlayer() { chip.Reset(); }

// Walks an image from its first byte to the end of its last phase, which must lie before the
// song steps and within the first 16 KB page (where a banked console keeps it mapped). Gives
// where the image ends.
size_t DadivevPlayer::CheckImage(size_t at) const {
    const size_t end = std::min<size_t>(stepsAt, kPageSize);
    bool last = false;
    auto phase = [&](size_t pos, size_t fields) {
        if (pos >= end || end - pos < fields) Malformed("Bad instrument");
        const uint8_t flags = file[pos];
        if (flags & ~kPhaseFlagBits) Malformed("Bad instrument");
        last = flags & kPhaseLast;
        pos += fields;
        if (flags & kPhaseCurveMoves) {
            if (end - pos < kCurveSize) Malformed("Bad instrument");
            pos += kCurveSize;
        }
        return pos;
    };
    size_t pos = phase(at, kImHeaderSize);
    while (!last) pos = phase(pos, kPhSize);
    return pos;
}

void DadivevPlayer::CheckBlock(size_t at, int kind, int lines) const {
    if (at < blocksAt || at >= file.size()) Malformed("Bad block offset");
    const size_t end = file.size();
    size_t pos = at;
    int covered = 0;
    while (covered < lines) {
        if (pos >= end) Malformed("Block does not fit its step");
        const uint8_t code = file[pos];
        const int operands = OperandBytes(code, kind);
        if (operands < 0) Malformed("Unknown command");
        if (code <= kEndOfLineLast) covered += code + 1;
        if (end - pos - 1 < static_cast<size_t>(operands)) Malformed("Command cut short");
        if (code == kToneNote || code == kNoiseNote) {
            const uint16_t image = ReadU16(&file[pos + 1]);
            if (std::find(images.begin(), images.end(), image) == images.end()) Malformed("Bad instrument");
            if (file[pos + 4] > 15) Malformed("Bad attenuation");
        }
        if (code == kToneNote && file[pos + 6] > 3) Malformed("Bad period");
        if (code == kNoiseNote && (file[pos + 5] & 0xF8) != 0xE0) Malformed("Bad noise control");
        pos += 1 + static_cast<size_t>(operands);
    }
    if (covered != lines) Malformed("Block does not fit its step");
    if (at / kPageSize != (pos - 1) / kPageSize) Malformed("Block crosses a page");
}

void DadivevPlayer::Load(const uint8_t* data, size_t size) {
    loaded = false;
    file.assign(data, data + size);
    if (size < kHeaderSize) Malformed("File too short");
    for (size_t i = 0; i < sizeof kMagic; ++i)
        if (file[i] != static_cast<uint8_t>(kMagic[i])) Malformed("Not a DADIVEV file");
    if (file[kOffVersion] != kVersion) Malformed("Unknown version");
    flags = file[kOffFlags];
    if (flags & ~(kFlagPal | kFlagDivider2x)) Malformed("Unknown flags");
    initialSpeed = file[kOffSpeed];
    initialStereo = file[kOffStereo];
    instrumentCount = file[kOffInstrumentCount];
    stepCount = ReadU16(&file[kOffStepCount]);
    loopStep = ReadU16(&file[kOffLoopStep]);
    blockCount = ReadU16(&file[kOffBlockCount]);
    if (instrumentCount > kMaxInstruments) Malformed("Too many instruments");
    if (stepCount < 1 || loopStep >= stepCount) Malformed("Bad step count");
    if (blockCount < 1) Malformed("No blocks");
    if (file[kOffReserved] != 0 || file[kOffReserved + 1] != 0) Malformed("Unknown flags");

    const size_t imagesAt = kHeaderSize + 2 * static_cast<size_t>(instrumentCount);
    stepsAt = ReadU32(&file[kOffPart2]);
    blocksAt = stepsAt + static_cast<size_t>(stepCount) * kStepSize;
    if (stepsAt < imagesAt || stepsAt > size || ReadU32(&file[kOffPart3]) != blocksAt)
        Malformed("Bad part offsets");
    if (size <= blocksAt) Malformed("File too short");

    // The images lie one after the other between the table and the steps.
    images.clear();
    size_t next = imagesAt;
    for (int n = 0; n < instrumentCount; ++n) {
        const size_t at = ReadU16(&file[kHeaderSize + 2 * n]);
        if (at != next) Malformed("Bad instrument");
        images.push_back(at);
        next = CheckImage(at);
    }
    if (next != stepsAt) Malformed("Bad part offsets");

    // Each block is checked once for every kind of lane and step length that plays it.
    std::set<uint64_t> checked;
    std::set<uint32_t> distinct;
    for (int s = 0; s < stepCount; ++s) {
        const uint8_t* record = &file[stepsAt + s * kStepSize];
        if (record[0] < 1 || record[0] > kLinesPerStep) Malformed("Bad step length");
        for (int lane = 0; lane < kLanes; ++lane) {
            uint32_t at = 0;
            if (!ReadBlockOffset(record + kStepBlocks + kBlockOffsetSize * lane, at))
                Malformed("Bad block offset");
            distinct.insert(at);
            const int kind = KindOfLane(lane);
            const uint64_t key = static_cast<uint64_t>(at) * 128 + kind * 32 + (record[0] - 1);
            if (!checked.insert(key).second) continue;
            CheckBlock(at, kind, record[0]);
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
    const uint8_t* record = &file[stepsAt + static_cast<size_t>(step) * kStepSize];
    for (int lane = 0; lane < kLanes; ++lane) {
        uint32_t at = 0;
        ReadBlockOffset(record + kStepBlocks + kBlockOffsetSize * lane, at);
        lanes[lane].pos = at;
        lanes[lane].end = file.size();
        lanes[lane].rest = 0;
    }
}

// The state after the note's first frame, which the update plays from the image.
void DadivevPlayer::StartNote(Channel& ch, size_t image, uint8_t volume, uint8_t attenuation) {
    const uint8_t* im = &file[image];
    ch.active = 1;
    ch.newNote = 1;
    ch.image = image;
    ch.volume = volume;
    ch.firstAttenuation = attenuation;
    ch.flags = im[kImFlags];
    ch.volumeAdd = im[kImVolumeAdd];
    ch.envelope = im[kImEnvelope];
    ch.phaseFrames = im[kImFrames];
    ch.curve = image + kImHeaderSize;
    ch.vibPosition = 1;
}

// Runs the lane's commands for one line unless it is resting.
void DadivevPlayer::RunLane(int lane) {
    Lane& ln = lanes[lane];
    if (ln.rest == 0) {
        const int kind = KindOfLane(lane);
        ln.rest = 255;  // a block that runs out rests to the end of its step
        while (ln.pos < ln.end) {
            const uint8_t code = file[ln.pos];
            const int operands = OperandBytes(code, kind);
            if (operands < 0 || ln.end - ln.pos - 1 < static_cast<size_t>(operands)) {
                ln.pos = ln.end;  // cannot happen after Load's checks; stay inside the block
                break;
            }
            const uint8_t* arg = &file[ln.pos + 1];
            ln.pos += 1 + static_cast<size_t>(operands);
            if (code <= kEndOfLineLast) {
                ln.rest = static_cast<uint8_t>(code + 1);
                break;
            }
            Channel* ch = &channels[lane];
            switch (code) {
                case kNoteOff: ch->active = 0; break;
                case kToneNote:
                    ch->basePeriod = ReadU16(arg + 4);
                    StartNote(*ch, ReadU16(arg), arg[2], arg[3]);
                    break;
                case kNoiseNote:
                    ch->control = arg[4];
                    StartNote(*ch, ReadU16(arg), arg[2], arg[3]);
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
        const uint8_t* im = &file[ch.image];
        if (c == kNoiseChannel)
            chip.Write(ch.control);
        else
            setPeriod(im[kImFirstVibrato]);
        chip.SetAttenuation(c, ch.firstAttenuation);
        ch.newNote = 0;
        return;
    }
    if (c != kNoiseChannel)
        setPeriod((ch.flags & kPhaseCurveMoves) ? file[ch.curve + (ch.vibPosition & 31)] : 0);
    setAttenuation(ch.envelope);
    ch.vibPosition = static_cast<uint8_t>(ch.vibPosition + 1);
    ch.envelope = static_cast<uint8_t>(ch.envelope + ch.volumeAdd);
    ch.phaseFrames = static_cast<uint8_t>(ch.phaseFrames - 1);
    if (ch.phaseFrames == 0 && !(ch.flags & kPhaseLast)) {
        // The last phase would come back every 256 frames as it was.
        const size_t next = ch.curve + ((ch.flags & kPhaseCurveMoves) ? kCurveSize : 0);
        ch.flags = file[next + kPhFlags];
        ch.volumeAdd = file[next + kPhVolumeAdd];
        ch.phaseFrames = file[next + kPhFrames];
        ch.curve = next + kPhSize;
    }
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
        const int lines = file[stepsAt + static_cast<size_t>(step) * kStepSize];
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
