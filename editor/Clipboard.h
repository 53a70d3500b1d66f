// Cut, copy and paste of rectangular blocks of pattern cells through five clipboards: the
// "System" one, which also travels through the desktop's clipboard as text so that two
// running trackers can exchange blocks, and four internal ones. Headless: the shell hands
// in the desktop clipboard as two functions on text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "editor/EditCommand.h"
#include "editor/EditOps.h"
#include "module/Module.h"

class PatternView;

#pragma pack(push, 1)
// One cursor column of one line, in the column's own form. `data` holds for type 0 note,
// detune, instrument, volume; type 1 instrument, volume; type 2 effect, parameter; type 3
// global command code, parameter (unused bytes 0).
struct ClipCell {
    uint8_t empty;  // 1 empty, 0 holds data
    uint8_t type;   // column type 0..3, 4 outside the 14 columns
    uint8_t data[4];
};
#pragma pack(pop)
static_assert(sizeof(ClipCell) == 6, "a clipboard cell is 6 bytes");

constexpr int kClipboardSlots = 5;
constexpr int kSystemClipboard = 0;
constexpr uint8_t kClipOutside = 4;
// The data block of the desktop format: u16 version 0, u16 height, u16 width, u16 0, then
// all 256 x 14 cells, little-endian.
constexpr size_t kClipCellBytes = 256 * 14 * sizeof(ClipCell);
constexpr size_t kClipBlockBytes = 8 + kClipCellBytes;
// The first line of the desktop text; the block follows in base64.
constexpr const char kClipTextHeader[] = "Tonweave-Pattern-Data-1";

struct ClipboardSlot {
    uint8_t filled = 0;
    ClipCell cells[256][14] = {};
    uint8_t isSystem = 0;
    uint32_t height = 0;  // 1..256 once filled
    uint32_t width = 0;   // 1..14 once filled
};
static_assert(sizeof(ClipboardSlot::cells) == kClipCellBytes, "cells fill 21504 bytes");

// Results of CheckPaste.
enum PasteCheck : int {
    kPasteOk = 0,
    kPasteNoData = 1,
    kPasteBadVersion = 2,
    kPasteColumnTypes = 3,
};

// The cell at (line, column) of a pattern; lines past the length are empty, columns past
// 13 are empty cells of type 4.
ClipCell ReadClipCell(const Pattern& pattern, int line, int column);
// Writes a cell back; nothing happens past the length, past column 13 or when the cell's
// type is not the column's. Values from outside are made safe: instrument and volume keep
// their low four bits, detunes stay within -99..99, and an effect or global command code
// that does not exist leaves the cell as it was.
void WriteClipCell(Pattern& pattern, int line, int column, const ClipCell& cell);

// The desktop form of a filled slot: the header line, a line break and the block in base64.
std::string ClipboardText(const ClipboardSlot& slot);
// The 8 + 21504 byte block of a filled slot.
std::vector<uint8_t> ClipboardBlock(const ClipboardSlot& slot);
// Reads a block into `slot` (filled on success). kPasteNoData for a block of another size or
// with a height outside 1..256 or a width outside 1..14; kPasteBadVersion for a version
// other than 0. On failure `slot` is left as it was.
int ReadClipboardBlock(const uint8_t* data, size_t size, ClipboardSlot& slot);
// The same for desktop text: kPasteNoData also for text whose first line is not the header
// or whose rest is not base64.
int ReadClipboardText(const std::string& text, ClipboardSlot& slot);

// The desktop's text clipboard. `set` gives back false when the desktop did not take the
// text. Without these the system slot stays inside the program.
struct DesktopClipboard {
    bool (*set)(void* context, const std::string& text) = nullptr;
    std::string (*get)(void* context) = nullptr;
    void* context = nullptr;
};

class Clipboards {
public:
    ClipboardSlot slots[kClipboardSlots];
    // The slot cut, copy and paste use: 0 "System", 1..4 "Internal 1".."Internal 4".
    int current = 0;
    // "Copy, Paste: Inst./Vol. column separately": off, a block always takes a note column
    // together with its instrument/volume column.
    bool instVolSeparately = false;
    // "Paste: Delete": empty cells of a block clear the cells they land on.
    bool pasteDeleteNotes = true;
    DesktopClipboard desktop;

    Clipboards();

    // Copies the frame (clamped to the pattern) into `slot`; false when nothing is left of
    // the frame or the desktop refused the text (the slot keeps the block then).
    bool Copy(int slot, const Pattern& pattern, Frame frame);
    // Copy, and only when that succeeded, clear the frame. No undo step: see RunCommand.
    bool Cut(int slot, Pattern& pattern, Frame frame);
    // Whether `slot` can be pasted with its first column at `x`; `x` moves to the note
    // column when it names an instrument/volume column and the two go together. For the
    // system slot the desktop's text is read into the slot first.
    int CheckPaste(int slot, int& x);
    // Pastes a checked block with its top-left corner at (x, y); lines past the pattern's
    // length are not written.
    void Paste(int slot, Pattern& pattern, int x, int y);

    // Editor commands 64 (cut), 65 (copy) and 66 (paste) on the view's current pattern and
    // frame: messages on failure, one undo step of kind 1 for cut and paste, redraw flags.
    void RunCommand(PatternView& view, const EditCommand& cmd);
    // For PatternView's hooks.clipboardCommand, with the Clipboards as context.
    static void Hook(void* context, PatternView& view, const EditCommand& cmd);
};

// The message for a CheckPaste result on `slot`, or null for kPasteOk.
const char* PasteMessage(int check, int slot);
