// Cursor, frame, scrolling and redraw bookkeeping of the pattern view.
#include "editor/PatternView.h"

#include <algorithm>
#include <cstring>

#include "sound/Player.h"

namespace {

const char kNarrowTemplate[] =
    "123||D#1}+64}|00|00|}PV}123||D#1}+64}|00|00|}PV}123||D#1}+64}|00|00|}PV}123||D#1}+64}|00|00|"
    "}PV}123||}SP}31.9||}ST}  FF";
const char kWideTemplate[] =
    "123||D#1+64|||00|00||PV|abc||D#1+64|||00|00||PV|abc||D#1+64|||00|00||PV|abc||D#1+64|||00|00||"
    "PV|abc||SP31.9||ST  FF";

}  // namespace

ColumnGeometry ColumnGeometry::ForScreen(int width) {
    ColumnGeometry g;
    g.narrow = width < 800;
    if (g.narrow) {
        g.channelWidth = 120;
        g.instrumentStart = 42;
        g.effectStart = 82;
        g.effectWidth = 38;
        g.globalWidth = 48;
        g.layoutTemplate = kNarrowTemplate;
        g.fields = {5, 9, 14, 17, 21, 24, 102, 105, 112, 115};
    } else {
        g.layoutTemplate = kWideTemplate;
        g.fields = {5, 8, 14, 17, 21, 24, 101, 103, 109, 111};
    }
    g.areaWidth = (2 * g.channelWidth + 16 + g.globalWidth) * 2;
    return g;
}

int ColumnGeometry::ColumnAt(int x) const {
    const int inChannels = std::max(0, x - lineNumberWidth);
    if (inChannels >= 4 * channelWidth)
        return std::min(13, 12 + (inChannels - 4 * channelWidth) / globalWidth);
    const int c = inChannels / channelWidth;
    const int offset = inChannels % channelWidth;
    return 3 * c + (offset < instrumentStart ? 0 : offset < effectStart ? 1 : 2);
}

int VisibleLinesForHeight(int height) {
    static const int kKnown[][2] = {{400, 16}, {480, 22}, {600, 32}, {768, 46}, {1024, 66}};
    for (const auto& k : kKnown)
        if (height == k[0]) return k[1];
    if (height > 1024) return 66 + (height - 1024) / 12;
    return std::max(1, (height - 208) / 12);
}

void PatternView::Setup(Module& m, UndoHistory& history, int screenWidth, int screenHeight) {
    module = &m;
    undo = &history;
    undo->BindView(this, playerLock);
    std::memset(lineColours, 7, sizeof(lineColours));
    step = 1;
    octave = 3;
    volume = 15;
    testMode = 0;
    following = 0;
    currentInstrument = 0;
    channelMask = 0xFFFFFFFFu;
    SetScreen(screenWidth, screenHeight);
    ResetForModule();
}

void PatternView::SetScreen(int screenWidth, int screenHeight) {
    geometry = ColumnGeometry::ForScreen(screenWidth);
    std::memcpy(lineText, geometry.layoutTemplate, std::strlen(geometry.layoutTemplate) + 1);
    visibleLines = static_cast<uint16_t>(VisibleLinesForHeight(screenHeight));
    if (module) Clamp();
    Invalidate(kRedrawAll);
}

void PatternView::BindPlayer(Player* p, std::recursive_mutex* lock) {
    player = p;
    playerLock = lock;
    if (undo) undo->BindView(this, lock);
}

void PatternView::ResetForModule() {
    songPosition = 0;
    currentPattern = module->orderList[0];
    anchorColumn = anchorLine = cursorColumn = cursorLine = 0;
    scrollTop = 0;
    orderListScroll = 0;
    playLine = 0;
    redrawFirst = redrawCount = 0;
    Invalidate(kRedrawAll);
}

Frame PatternView::GetSelection() const {
    Frame f;
    f.x = std::min(anchorColumn, cursorColumn);
    f.width = std::abs(anchorColumn - cursorColumn) + 1;
    f.y = std::min(anchorLine, cursorLine);
    f.height = std::abs(anchorLine - cursorLine) + 1;
    return f;
}

ViewState PatternView::GetViewState() const {
    return {anchorColumn, anchorLine, cursorColumn, cursorLine, songPosition};
}

void PatternView::SetViewState(const ViewState& state) {
    SetSongPosition(state.songPosition);
    anchorColumn = state.anchorColumn;
    anchorLine = state.anchorLine;
    cursorColumn = state.cursorColumn;
    cursorLine = state.cursorLine;
    Clamp();
    Invalidate(kRedrawAfterMove);
}

void PatternView::SetSongPosition(int position) {
    position = std::clamp(position, 0, std::max(0, module->songLength - 1));
    const uint8_t pattern = module->orderList[position];
    if (position != songPosition || pattern != currentPattern)
        Invalidate(kRedrawLines | kRedrawOrderList | kRedrawOverlay);
    songPosition = static_cast<uint8_t>(position);
    currentPattern = pattern;
    Clamp();
}

void PatternView::CenterOrderList() {
    const int last = std::max(0, module->songLength - orderListRows);
    orderListScroll = static_cast<int16_t>(std::clamp(songPosition - orderListRows / 2, 0, last));
    Invalidate(kRedrawOrderList);
}

void PatternView::Clamp() {
    const int length = PatternLength();
    anchorColumn = std::clamp(anchorColumn, 0, kCursorColumns - 1);
    cursorColumn = std::clamp(cursorColumn, 0, kCursorColumns - 1);
    anchorLine = std::clamp(anchorLine, 0, length - 1);
    cursorLine = std::clamp(cursorLine, 0, length - 1);
    const int maxTop = std::max(0, length - visibleLines);
    if (scrollTop > maxTop || scrollTop < 0) {
        scrollTop = static_cast<int16_t>(std::clamp<int>(scrollTop, 0, maxTop));
        Invalidate(kRedrawLines);
    }
}

void PatternView::InvalidateLines(int first, int count) {
    if (count <= 0) return;
    if (dirty & kRedrawRange) {
        const int end = std::max(redrawFirst + redrawCount, first + count);
        first = std::min<int>(first, redrawFirst);
        count = end - first;
    }
    if (count >= visibleLines) {
        Invalidate(kRedrawLines);
        return;
    }
    redrawFirst = static_cast<uint16_t>(first);
    redrawCount = static_cast<uint16_t>(count);
    dirty |= kRedrawRange;
}

void PatternView::ScrollTo(int line) {
    const int maxTop = std::max(0, PatternLength() - visibleLines);
    const int top = std::clamp(line, 0, maxTop);
    const int old = scrollTop;
    if (top == old) return;
    scrollTop = static_cast<int16_t>(top);
    // The rows form a ring, so only lines that come into view need drawing.
    const int moved = std::abs(top - old);
    if (moved >= visibleLines) Invalidate(kRedrawLines);
    else if (top > old) InvalidateLines(old + visibleLines, moved);
    else InvalidateLines(top, moved);
    Invalidate(kRedrawOverlay);
}

void PatternView::ScrollBy(int lines) { ScrollTo(scrollTop + lines); }

void PatternView::EnsureVisible(int firstLine, int count) {
    const int shown = std::min<int>(std::max(count, 1), visibleLines);
    int top = scrollTop;
    if (firstLine < top) top = firstLine;
    else if (firstLine + shown > top + visibleLines) top = firstLine + shown - visibleLines;
    ScrollTo(top);
}

void PatternView::MoveCursor(int extend, int dx, int dy) {
    const int length = PatternLength();
    const int column = std::clamp(cursorColumn + dx, 0, kCursorColumns - 1);
    const int line = std::clamp(cursorLine + dy, 0, length - 1);
    int s = std::min<int>(line, scrollTop);
    if (line >= s + visibleLines) s = line - visibleLines + 1;
    if (s + visibleLines > length) s = length - visibleLines;
    s = std::max(s, 0);
    ScrollTo(s);
    cursorColumn = column;
    cursorLine = line;
    if (!extend) {
        anchorColumn = column;
        anchorLine = line;
    }
    Invalidate(kRedrawOverlay);
}

void PatternView::ScrollFrameIntoView(const Frame& frame) {
    if (frame.y + frame.height > scrollTop && frame.y < scrollTop + visibleLines) return;
    EnsureVisible(frame.y, frame.height);
}

void PatternView::AfterEdit(const Frame& frame) {
    ScrollFrameIntoView(frame);
    Invalidate(kRedrawAfterEdit);
}

void PatternView::SetFrameHeight(const Frame& frame, int height) {
    const int bottom = frame.y + std::max(1, height) - 1;
    if (cursorLine >= anchorLine) cursorLine = bottom;
    else anchorLine = bottom;
    Clamp();
}

void PatternView::Message(const char* text) const {
    if (hooks.showMessage) hooks.showMessage(hooks.messageContext, text);
}

bool PatternView::Undo() {
    if (following || !undo->Undo()) return false;
    Invalidate(kRedrawAll);
    return true;
}

bool PatternView::Redo() {
    if (following || !undo->Redo()) return false;
    Invalidate(kRedrawAll);
    return true;
}

void PatternView::FollowPlayback(int line, int position) {
    const int oldPosition = songPosition;
    const int oldPattern = currentPattern;
    SetSongPosition(position);
    const bool moved = songPosition != oldPosition || currentPattern != oldPattern;
    if (moved) CenterOrderList();
    const int length = PatternLength();
    const int played = std::clamp(line, 0, length - 1);
    if (played != playLine) Invalidate(kRedrawOverlay);
    playLine = static_cast<uint8_t>(played);
    const int maxTop = std::max(0, length - visibleLines);
    const int top = std::clamp(played - visibleLines / 2, 0, maxTop);
    const int old = scrollTop;
    scrollTop = static_cast<int16_t>(top);
    // Another pattern means other lines in every row, even when the top stays.
    if (moved) Invalidate(kRedrawLines | kRedrawOverlay);
    else if (top > old && top - old < visibleLines) InvalidateLines(old + visibleLines, top - old);
    else if (top != old) Invalidate(kRedrawOverlay | kRedrawLines);
}

void PatternView::FollowPlayback() {
    if (!player) return;
    int line, position;
    {
        std::unique_lock<std::recursive_mutex> lock;
        if (playerLock) lock = std::unique_lock<std::recursive_mutex>(*playerLock);
        line = player->line;
        position = player->position;
    }
    FollowPlayback(line, position);
}

void PatternView::SetSelectionFromMouse(int anchorCol, int anchorLn, int cursorCol, int cursorLn) {
    const int oldAnchorColumn = anchorColumn, oldAnchorLine = anchorLine;
    const int oldColumn = cursorColumn, oldLine = cursorLine;
    anchorColumn = anchorCol;
    anchorLine = anchorLn;
    cursorColumn = cursorCol;
    cursorLine = cursorLn;
    Clamp();
    Invalidate(kRedrawOverlay);
    if (!hooks.recordCommand) return;
    EditCommand cmd;
    cmd.code = kCmdMove;
    cmd.a = (anchorColumn == oldAnchorColumn && anchorLine == oldAnchorLine) ? 1 : 0;
    cmd.c = static_cast<int16_t>(cursorColumn - oldColumn);
    cmd.d = static_cast<int16_t>(cursorLine - oldLine);
    hooks.recordCommand(hooks.recordContext, cmd);
}

void PatternView::ApplyMaskToPlayer() {
    Invalidate(kRedrawTitles);
    if (!player) return;
    std::unique_lock<std::recursive_mutex> lock;
    if (playerLock) lock = std::unique_lock<std::recursive_mutex>(*playerLock);
    player->SetMuteMask(static_cast<uint8_t>(channelMask & 0xFF));
}

void PatternView::ToggleChannel(int channel) {
    if (channel < 0 || channel >= kChannels) return;
    channelMask ^= 1u << channel;
    ApplyMaskToPlayer();
}

void PatternView::SoloChannel(int channel) {
    if (channel < 0 || channel >= kChannels) return;
    const uint32_t alone = 1u << channel;
    channelMask = (channelMask & 15) == alone ? 0xFFFFFFFFu : alone;
    ApplyMaskToPlayer();
}
