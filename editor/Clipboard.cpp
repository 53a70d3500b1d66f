// The clipboards: reading and writing cells, the desktop format, and the three commands.
#include "editor/Clipboard.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "editor/Base64.h"
#include "editor/PatternView.h"
#include "editor/PlayerLock.h"

namespace {

constexpr int kEffectCodes = 3;  // "--", "PV", "VO"
constexpr int kGlobalCodes = 5;  // none, SP, ST, CB, PV
// Desktop text longer than this cannot be ours (the block takes about 28.7 KB in base64,
// even broken into lines); it is refused before it is decoded.
constexpr size_t kMaxClipText = 64 * 1024;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

void PutU16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

bool Holds(const ClipCell& cell) { return cell.empty == 0; }

// After a change the frame is scrolled to only when none of it is on screen.
void ScrollIntoView(PatternView& view, int y, int height) {
    if (y + height > view.scrollTop && y < view.scrollTop + view.visibleLines) return;
    view.EnsureVisible(y, height);
}

}  // namespace

ClipCell ReadClipCell(const Pattern& pattern, int line, int column) {
    ClipCell cell = {1, kClipOutside, {0, 0, 0, 0}};
    if (column < 0 || column >= kCursorColumns) return cell;
    cell.type = static_cast<uint8_t>(ColumnTypeOf(column));
    if (line < 0 || line >= pattern.length) return cell;
    const PatternLine& l = pattern.lines[line];
    const int c = ChannelOfColumn(column);
    switch (cell.type) {
        case kColNote:
            if (l.note[c] == kNoteEmpty) break;
            cell.empty = 0;
            cell.data[0] = l.note[c];
            cell.data[1] = static_cast<uint8_t>(l.detune[c]);
            cell.data[2] = l.instrument[c];
            cell.data[3] = l.volume[c];
            break;
        case kColInstVol:
            if (l.note[c] == kNoteEmpty) break;
            cell.empty = 0;
            cell.data[0] = l.instrument[c];
            cell.data[1] = l.volume[c];
            break;
        case kColEffect:
            if (l.effect[c] == kEffectNone) break;
            cell.empty = 0;
            cell.data[0] = l.effect[c];
            cell.data[1] = l.effectParam[c];
            break;
        default: {
            const int k = column - 12;
            if (l.globalCmd[k] == kGlobalNone) break;
            cell.empty = 0;
            cell.data[0] = l.globalCmd[k];
            cell.data[1] = l.globalParam[k];
            break;
        }
    }
    return cell;
}

void WriteClipCell(Pattern& pattern, int line, int column, const ClipCell& cell) {
    if (line < 0 || line >= pattern.length || column < 0 || column >= kCursorColumns) return;
    if (cell.type != ColumnTypeOf(column)) return;
    PatternLine& l = pattern.lines[line];
    const int c = ChannelOfColumn(column);
    const bool holds = Holds(cell);
    switch (cell.type) {
        case kColNote:
            if (!holds) {
                l.note[c] = kNoteEmpty;
                return;
            }
            l.note[c] = cell.data[0];
            l.detune[c] = static_cast<int8_t>(std::clamp<int>(int8_t(cell.data[1]), -99, 99));
            l.instrument[c] = cell.data[2] & 15;
            l.volume[c] = cell.data[3] & 15;
            return;
        case kColInstVol:
            if (!holds) return;
            l.instrument[c] = cell.data[0] & 15;
            l.volume[c] = cell.data[1] & 15;
            return;
        case kColEffect:
            if (!holds) {
                l.effect[c] = kEffectNone;
            } else if (cell.data[0] < kEffectCodes) {
                l.effect[c] = cell.data[0];
                l.effectParam[c] = cell.data[1];
            }
            return;
        default: {
            const int k = column - 12;
            if (!holds) {
                l.globalCmd[k] = kGlobalNone;
            } else if (cell.data[0] < kGlobalCodes) {
                l.globalCmd[k] = cell.data[0];
                l.globalParam[k] = cell.data[1];
            }
            return;
        }
    }
}

std::vector<uint8_t> ClipboardBlock(const ClipboardSlot& slot) {
    std::vector<uint8_t> block(kClipBlockBytes, 0);
    PutU16(&block[0], 0);
    PutU16(&block[2], slot.height);
    PutU16(&block[4], slot.width);
    PutU16(&block[6], 0);
    std::memcpy(&block[8], slot.cells, kClipCellBytes);
    return block;
}

std::string ClipboardText(const ClipboardSlot& slot) {
    const std::vector<uint8_t> block = ClipboardBlock(slot);
    return std::string(kClipTextHeader) + "\n" + EncodeBase64(block.data(), block.size()) + "\n";
}

int ReadClipboardBlock(const uint8_t* data, size_t size, ClipboardSlot& slot) {
    if (data == nullptr || size != kClipBlockBytes) return kPasteNoData;
    if (U16(data) != 0) return kPasteBadVersion;
    const uint32_t height = U16(data + 2), width = U16(data + 4);
    if (height < 1 || height > 256 || width < 1 || width > kCursorColumns) return kPasteNoData;
    slot.height = height;
    slot.width = width;
    std::memcpy(slot.cells, data + 8, kClipCellBytes);
    slot.filled = 1;
    return kPasteOk;
}

int ReadClipboardText(const std::string& text, ClipboardSlot& slot) {
    if (text.size() > kMaxClipText) return kPasteNoData;
    const size_t end = text.find('\n');
    if (end == std::string::npos) return kPasteNoData;
    std::string first = text.substr(0, end);
    // The text may have passed through a system that ends lines with CR LF.
    if (!first.empty() && first.back() == '\r') first.pop_back();
    if (first != kClipTextHeader) return kPasteNoData;
    std::vector<uint8_t> block;
    if (!DecodeBase64(text.substr(end + 1), block)) return kPasteNoData;
    return ReadClipboardBlock(block.data(), block.size(), slot);
}

Clipboards::Clipboards() { slots[kSystemClipboard].isSystem = 1; }

bool Clipboards::Copy(int index, const Pattern& pattern, Frame frame) {
    if (index < 0 || index >= kClipboardSlots) return false;
    int x0 = std::max(frame.x, 0), x1 = std::min(frame.x + frame.width - 1, kCursorColumns - 1);
    int y0 = std::max(frame.y, 0), y1 = std::min(frame.y + frame.height - 1, pattern.length - 1);
    if (x0 > x1 || y0 > y1) return false;
    if (!instVolSeparately) {
        if (ColumnTypeOf(x0) == kColInstVol) --x0;
        if (ColumnTypeOf(x1) == kColNote) ++x1;
    }
    ClipboardSlot& slot = slots[index];
    // Cells outside the block are zero, so the same block always gives the same bytes.
    std::memset(slot.cells, 0, sizeof slot.cells);
    for (int l = y0; l <= y1; ++l)
        for (int k = x0; k <= x1; ++k) slot.cells[l - y0][k - x0] = ReadClipCell(pattern, l, k);
    slot.height = static_cast<uint32_t>(y1 - y0 + 1);
    slot.width = static_cast<uint32_t>(x1 - x0 + 1);
    slot.filled = 1;
    if (!slot.isSystem || !desktop.set) return true;
    return desktop.set(desktop.context, ClipboardText(slot));
}

bool Clipboards::Cut(int index, Pattern& pattern, Frame frame) {
    if (!Copy(index, pattern, frame)) return false;
    ClearFrame(pattern, frame);
    return true;
}

int Clipboards::CheckPaste(int index, int& x) {
    if (index < 0 || index >= kClipboardSlots) return kPasteNoData;
    ClipboardSlot& slot = slots[index];
    if (slot.isSystem && desktop.get) {
        const int read = ReadClipboardText(desktop.get(desktop.context), slot);
        if (read != kPasteOk) return read;
    } else if (!slot.filled) {
        return kPasteNoData;
    }
    if (!instVolSeparately && x >= 0 && x < kCursorColumns && ColumnTypeOf(x) == kColInstVol) --x;
    for (uint32_t i = 0; i < slot.width; ++i) {
        const int column = x + static_cast<int>(i);
        if (column < 0 || column >= kCursorColumns) return kPasteColumnTypes;
        if (slot.cells[0][i].type != ColumnTypeOf(column)) return kPasteColumnTypes;
    }
    return kPasteOk;
}

void Clipboards::Paste(int index, Pattern& pattern, int x, int y) {
    if (index < 0 || index >= kClipboardSlots) return;
    const ClipboardSlot& slot = slots[index];
    if (!slot.filled) return;
    const int height = std::min<int>(slot.height, kMaxLines);
    const int width = std::min<int>(slot.width, kCursorColumns);
    for (int l = 0; l < height && y + l < pattern.length; ++l) {
        for (int i = 0; i < width; ++i) {
            const ClipCell& cell = slot.cells[l][i];
            if (!Holds(cell) && !pasteDeleteNotes && Holds(ReadClipCell(pattern, y + l, x + i)))
                continue;
            WriteClipCell(pattern, y + l, x + i, cell);
        }
    }
}

const char* PasteMessage(int check, int slot) {
    switch (check) {
        case kPasteNoData:
            return slot == kSystemClipboard
                       ? "The System-clipboard doesn't contain Tonweave pattern data."
                       : "The User-clipboard is empty.";
        case kPasteBadVersion:
            return "Can't paste because the System-clipboard's pattern data version is not "
                   "compatible with this version of Tonweave.";
        case kPasteColumnTypes:
            return "Can't paste because the column types do not match.";
        default:
            return nullptr;
    }
}

void Clipboards::RunCommand(PatternView& view, const EditCommand& cmd) {
    const Frame frame = view.GetSelection();
    const int p = view.currentPattern;
    Pattern& pattern = view.CurrentPattern();
    const int slot = std::clamp(current, 0, kClipboardSlots - 1);
    switch (cmd.code) {
        case kCmdCopy:
            if (!Copy(slot, pattern, frame)) {
                view.Message("Copy has failed.");
                return;
            }
            ScrollIntoView(view, frame.y, frame.height);
            view.Invalidate(kRedrawAfterMove);
            return;
        case kCmdCut: {
            // The step opens only once the block is safe in the clipboard, so a failed cut
            // leaves neither the pattern nor the history changed.
            if (!Copy(slot, pattern, frame)) {
                view.Message("Cut has failed.");
                return;
            }
            PlayerLock lock(view.playerLock);
            view.undo->BeginPattern(p);
            ClearFrame(pattern, frame);
            view.undo->EndPattern();
            break;
        }
        case kCmdPaste: {
            int x = frame.x;
            const int check = CheckPaste(slot, x);
            if (check != kPasteOk) {
                view.Message(PasteMessage(check, slot));
                return;
            }
            PlayerLock lock(view.playerLock);
            view.undo->BeginPattern(p);
            Paste(slot, pattern, x, frame.y);
            view.undo->EndPattern();
            ScrollIntoView(view, frame.y, static_cast<int>(slots[slot].height));
            view.Invalidate(kRedrawAfterEdit);
            return;
        }
        default:
            return;
    }
    ScrollIntoView(view, frame.y, frame.height);
    view.Invalidate(kRedrawAfterEdit);
}

void Clipboards::Hook(void* context, PatternView& view, const EditCommand& cmd) {
    if (context) static_cast<Clipboards*>(context)->RunCommand(view, cmd);
}
