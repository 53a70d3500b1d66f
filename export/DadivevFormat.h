// Byte layout of the compiled console song (".dadivev"): what the exporter writes and the
// reference replayer reads. docs/dadivev.md describes the format for console programmers.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dadivev {

constexpr char kMagic[7] = {'D', 'A', 'D', 'I', 'V', 'E', 'V'};
constexpr uint8_t kVersion = 2;

constexpr uint8_t kFlagPal = 0x01;
constexpr uint8_t kFlagDivider2x = 0x02;

// Header fields.
constexpr size_t kOffVersion = 7;
constexpr size_t kOffFlags = 8;
constexpr size_t kOffSpeed = 9;
constexpr size_t kOffStereo = 10;
constexpr size_t kOffInstrumentCount = 11;
constexpr size_t kOffCurveCount = 12;
constexpr size_t kOffStepCount = 14;
constexpr size_t kOffLoopStep = 16;
constexpr size_t kOffBlockCount = 18;
constexpr size_t kOffPart2 = 20;
constexpr size_t kOffPart3 = 24;
constexpr size_t kHeaderSize = 28;

// Instrument record: start volume, then for each of the phases 0..4 its delay, volume add
// and curve (phase 4's delay byte is 0), so that a phase is three bytes in a row.
constexpr size_t kInstrumentSize = 16;
constexpr size_t kInsStartVolume = 0;
constexpr size_t kInsPhases = 1;
constexpr size_t kInsPhaseSize = 3;
constexpr size_t kInsDelay = 0;  // within a phase
constexpr size_t kInsVolumeAdd = 1;
constexpr size_t kInsCurve = 2;

constexpr size_t kCurveSize = 32;
constexpr int kMaxCurves = 64;
constexpr int kMaxInstruments = 16;

// Song step: lines, song position, then where the blocks of channels 0..3 and of the global
// lane start: each the offset from the start of the file modulo 65536 (u16), then the 16 KB
// page it lies in (u8, the offset divided by 16384). A console turns either form into an
// address without shifting: an addressable song adds the u16 to its address, a banked one
// maps the page.
constexpr size_t kStepSize = 17;
constexpr size_t kStepBlocks = 2;
constexpr size_t kBlockOffsetSize = 3;
// No block crosses a multiple of this many bytes from the start of the file, so that a
// console reads each block through one 16 KB page of its cartridge mapper.
constexpr size_t kPageSize = 16384;
constexpr int kLanes = 5;
constexpr int kGlobalLane = 4;
constexpr int kLinesPerStep = 32;

// Lane commands.
constexpr uint8_t kEndOfLineLast = 0x1F;  // 0x00..0x1F: end of line, then rest code lines
constexpr uint8_t kNoteOff = 0x20;
constexpr uint8_t kToneNote = 0x21;   // period lo, hi, instrument, volume
constexpr uint8_t kNoiseNote = 0x22;  // control byte, instrument, volume
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
inline uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace dadivev
