// The assembled program of an exported ROM (console/rom/shell.s with the replayer
// console/tonweave.s), embedded at build time, and the fixed addresses inside it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace romshell {

extern const uint8_t kImage[];
extern const size_t kImageSize;

// Entry points of the replayer (each a jump) and facts about it.
constexpr uint16_t kStart = 0x80;         // HL = song
constexpr uint16_t kStartBanked = 0x83;   // A = first bank
constexpr uint16_t kFrame = 0x86;
constexpr uint16_t kStop = 0x89;
constexpr uint16_t kPause = 0x8C;
constexpr uint16_t kResume = 0x8F;
constexpr uint16_t kSetAttenuation = 0x92;  // A = 0..15
constexpr uint16_t kTake = 0x95;            // A = channel bits (4 tone 2, 8 noise)
constexpr uint16_t kGive = 0x98;
constexpr uint16_t kSetTempoRate = 0x9B;  // A = 50, 60 or 0
constexpr uint16_t kSetStereo = 0x9E;     // A = 0 or 1
constexpr uint16_t kTrackerPitch = 0xA1;  // A = 0 or 1
constexpr uint16_t kPlaying = 0xA4;       // gives A
constexpr uint16_t kMarkerCountAddress = 0xA7;  // word: address of the marker count
constexpr uint16_t kCodeBytesAddress = 0xA9;    // word: size of the replayer's code
constexpr uint16_t kRamBytesAddress = 0xAB;     // word: RAM the replayer uses
constexpr uint16_t kCodeStartAddress = 0xAD;    // word: where the replayer's code begins

// The descriptor that the exporter fills in.
constexpr size_t kDescFlags = 0xC0;  // bit 0 banked song, bit 1 Game Gear
constexpr size_t kDescBank = 0xC1;
constexpr size_t kDescSong = 0xC2;
constexpr size_t kDescText = 0xC4;
constexpr size_t kDescFont = 0xC6;
constexpr uint8_t kFlagBanked = 0x01;
constexpr uint8_t kFlagGameGear = 0x02;

}  // namespace romshell
