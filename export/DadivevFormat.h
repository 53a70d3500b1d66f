// Byte layout of the compiled console song (".dadivev"): what the exporter writes and the
// reference replayer reads. docs/dadivev.md describes the format for console programmers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dadivev {

constexpr char kMagic[7] = {'D', 'A', 'D', 'I', 'V', 'E', 'V'};
constexpr uint8_t kVersion = 3;

constexpr uint8_t kFlagPal = 0x01;
constexpr uint8_t kFlagDivider2x = 0x02;

// Header fields.
constexpr size_t kOffVersion = 7;
constexpr size_t kOffFlags = 8;
constexpr size_t kOffSpeed = 9;
constexpr size_t kOffStereo = 10;
constexpr size_t kOffInstrumentCount = 11;
constexpr size_t kOffReserved = 12;  // two bytes, 0
constexpr size_t kOffStepCount = 14;
constexpr size_t kOffLoopStep = 16;
constexpr size_t kOffBlockCount = 18;
constexpr size_t kOffPart2 = 20;
constexpr size_t kOffPart3 = 24;
constexpr size_t kHeaderSize = 28;
constexpr int kMaxInstruments = 16;

// After the header, one u16 per instrument: where its image starts in the file. Then the
// images. An image is the channel's state after a note's first frame and that frame's
// vibrato value (its attenuation comes with the note), then the phases that follow, each
// with its curve in line so that a console never turns a curve number into an address:
//   flags, volume add, envelope, frames left (of the phase that the second frame plays),
//   first vibrato value, [32 curve values when the curve moves],
//   then phase records until one flagged last: flags, volume add, frames, [curve].
constexpr size_t kImFlags = 0;
constexpr size_t kImVolumeAdd = 1;
constexpr size_t kImEnvelope = 2;
constexpr size_t kImFrames = 3;
constexpr size_t kImFirstVibrato = 4;
constexpr size_t kImHeaderSize = 5;
constexpr size_t kPhFlags = 0;
constexpr size_t kPhVolumeAdd = 1;
constexpr size_t kPhFrames = 2;
constexpr size_t kPhSize = 3;
constexpr size_t kCurveSize = 32;
// Phase flags.
constexpr uint8_t kPhaseCurveMoves = 0x08;     // the curve is not all zeros
constexpr uint8_t kPhaseEnvelopeMoves = 0x20;  // the volume add is not 0
constexpr uint8_t kPhaseBegins = 0x40;         // period and attenuation may change without moving
constexpr uint8_t kPhaseLast = 0x80;           // no phase follows; it lasts until the next note
constexpr uint8_t kPhaseFlagBits = 0xE8;

// Song step: lines, song position, then where the blocks of channels 0..3 and of the global
// lane start: each the offset from the start of the file modulo 65536 (u16), then the 16 KB
// page it lies in (u8, the offset divided by 16384). A console turns either form into an
// address without shifting: an addressable song adds the u16 to its address, a banked one
// maps the page.
constexpr size_t kStepSize = 14;
constexpr size_t kStepBlocks = 2;
constexpr size_t kBlockOffsetSize = 3;
// No block crosses a multiple of this many bytes from the start of the file, so that a
// console reads each block through one 16 KB page of its cartridge mapper.
constexpr size_t kPageSize = 16384;
// Four lanes, one per channel; channel 0's lane also carries the global commands, ahead of
// the channel's own events in each line.
constexpr int kLanes = 4;
constexpr int kLinesPerStep = 32;

// Lane commands.
constexpr uint8_t kEndOfLineLast = 0x1F;  // 0x00..0x1F: end of line, then rest code lines
// A note: its instrument's image (u16), volume, the attenuation of its first frame, then the
// period (u16) of a tone note or the control byte of a noise note.
constexpr uint8_t kToneNote = 0x20;
constexpr uint8_t kNoiseNote = 0x21;
constexpr uint8_t kNoteOff = 0x22;
constexpr uint8_t kPitchOffset = 0x23;
constexpr uint8_t kChannelVolume = 0x24;
constexpr uint8_t kSpeed = 0x30;
constexpr uint8_t kStereo = 0x31;
constexpr uint8_t kMarker = 0x32;
constexpr uint8_t kPvMask = 0x33;

inline uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
// A block's place in a step record as an offset; false when its two parts disagree.
inline bool ReadBlockOffset(const uint8_t* p, uint32_t& offset) {
    offset = (static_cast<uint32_t>(p[2]) << 14) | (static_cast<uint32_t>(p[1] & 0x3F) << 8) | p[0];
    return (p[1] >> 6) == (p[2] & 3);
}
inline void PutBlockOffset(uint8_t* p, uint32_t offset) {
    p[0] = static_cast<uint8_t>(offset);
    p[1] = static_cast<uint8_t>(offset >> 8);
    p[2] = static_cast<uint8_t>(offset >> 14);
}

}  // namespace dadivev
