// Key codes as the input library reports them: PC set-1 scan codes (keys sent with the E0
// prefix have bit 7 set), named by the key at that position on an English (US) layout.
// The editor keeps its own copy so it builds without the graphics library.
#pragma once

#include <cstdint>

namespace keys {

constexpr uint8_t k1 = 0x02, k2 = 0x03, k3 = 0x04, k5 = 0x06, k6 = 0x07, k7 = 0x08, k9 = 0x0A,
                  k0 = 0x0B, kEquals = 0x0D, kBackspace = 0x0E;
constexpr uint8_t kQ = 0x10, kW = 0x11, kE = 0x12, kR = 0x13, kT = 0x14, kY = 0x15, kU = 0x16,
                  kI = 0x17, kO = 0x18, kP = 0x19, kLeftBracket = 0x1A, kRightBracket = 0x1B,
                  kReturn = 0x1C;
constexpr uint8_t kA = 0x1E, kS = 0x1F, kD = 0x20, kF = 0x21, kG = 0x22, kH = 0x23, kJ = 0x24, kL = 0x26,
                  kSemicolon = 0x27, kGrave = 0x29, kBackslash = 0x2B;
constexpr uint8_t kZ = 0x2C, kX = 0x2D, kC = 0x2E, kV = 0x2F, kB = 0x30, kN = 0x31, kM = 0x32,
                  kComma = 0x33, kPeriod = 0x34, kSlash = 0x35, kKpMultiply = 0x37,
                  kSpace = 0x39;
constexpr uint8_t kF1 = 0x3B, kF8 = 0x42, kF9 = 0x43, kF10 = 0x44, kF11 = 0x57, kF12 = 0x58;
constexpr uint8_t kKpMinus = 0x4A, kKpPlus = 0x4E, kKpEnter = 0x9C, kKpDivide = 0xB5;
constexpr uint8_t kHome = 0xC7, kUp = 0xC8, kPageUp = 0xC9, kLeft = 0xCB, kRight = 0xCD,
                  kEnd = 0xCF, kDown = 0xD0, kPageDown = 0xD1, kDelete = 0xD3;

// Modifier bits of key events.
constexpr uint32_t kModShift = 0x0003;
constexpr uint32_t kModCtrl = 0x000C;
constexpr uint32_t kModAlt = 0x0030;

}  // namespace keys
