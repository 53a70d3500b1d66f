// One editor command as a fixed 12-byte record: the pattern view executes it, the undo
// history remembers the view around it, and macros store it byte for byte in their file.
#pragma once

#include <cstdint>

struct EditCommand {
    uint32_t code = 0; // command code, see EditCode
    uint8_t a = 0;     // first argument
    uint8_t b = 0;     // second argument
    int16_t c = 0;     // third argument (a u8 in its low byte for some codes)
    int16_t d = 0;     // fourth argument
    uint16_t zero = 0; // always 0, keeps the stored record at 12 bytes
};
static_assert(sizeof(EditCommand) == 12, "macros store commands as 12-byte records");

// Command codes. The menu's entry numbers are a different numbering.
enum EditCode : uint32_t {
    kCmdMove = 1,            // a extend, c dx, d dy
    kCmdJump = 2,            // a extend, c kind 0..5
    kCmdSelectAllLines = 3,
    kCmdClear = 16,
    kCmdGradient = 17,
    kCmdDouble = 18,         // a 1 plain, 2 with pattern resize
    kCmdHalf = 19,           // as double
    kCmdDetune = 32,         // a +1, 255 (-1), 2 invert, 0 reset
    kCmdTranspose = 33,      // a +1, 255 (-1), 2 octave up, 254 octave down
    kCmdVolumeStep = 34,     // a bit 0 down, bit 1 wrap
    kCmdInstrumentStep = 35, // a != 0 down
    kCmdLineTool = 36,       // a 0..5
    kCmdEnterNote = 48,      // a note, b instrument, c (low byte) volume
    kCmdSetGlobal = 49,      // a command, b parameter
    kCmdSetEffect = 50,      // a effect, b parameter
    kCmdCut = 64,
    kCmdCopy = 65,
    kCmdPaste = 66,
};
