// Cursor moves and edits of GUI_TextEdit.
#include "gui/TextEdit.h"

#include <algorithm>
#include <cctype>

namespace {

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::string Encode(char32_t c) {
    std::string s;
    if (c < 0x80) {
        s += char(c);
    } else if (c < 0x800) {
        s += char(0xC0 | (c >> 6));
        s += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += char(0xE0 | (c >> 12));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    } else {
        s += char(0xF0 | (c >> 18));
        s += char(0x80 | ((c >> 12) & 0x3F));
        s += char(0x80 | ((c >> 6) & 0x3F));
        s += char(0x80 | (c & 0x3F));
    }
    return s;
}

bool IsWordCharacter(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }

}  // namespace

int GUI_TextEdit::CharacterCount(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if (!IsContinuation(c)) ++n;
    return n;
}

void GUI_TextEdit::SetMaxLength(int characters) {
    maxLength = std::max(0, characters);
    SetText(text);
}

void GUI_TextEdit::SetMaxBytes(int bytes) {
    maxBytes = std::max(0, bytes);
    SetText(text);
}

void GUI_TextEdit::SetText(const std::string& value) {
    text.clear();
    int count = 0;
    size_t end = value.size();
    if (maxBytes > 0 && end > size_t(maxBytes)) {
        end = size_t(maxBytes);
        while (end > 0 && IsContinuation(value[end])) --end;
    }
    for (size_t i = 0; i < end; ++i) {
        unsigned char c = value[i];
        if (!IsContinuation(c)) {
            if (count == maxLength) break;
            ++count;
        }
        text += char(c);
    }
    cursor = anchor = int(text.size());
    ++revision;
}

std::string GUI_TextEdit::SelectedText() const {
    return text.substr(SelectionStart(), SelectionEnd() - SelectionStart());
}

int GUI_TextEdit::Previous(int offset) const {
    if (offset <= 0) return 0;
    --offset;
    while (offset > 0 && IsContinuation(text[offset])) --offset;
    return offset;
}

int GUI_TextEdit::Next(int offset) const {
    int size = int(text.size());
    if (offset >= size) return size;
    ++offset;
    while (offset < size && IsContinuation(text[offset])) ++offset;
    return offset;
}

void GUI_TextEdit::Move(int offset, bool select) {
    cursor = std::clamp(offset, 0, int(text.size()));
    while (cursor > 0 && cursor < int(text.size()) && IsContinuation(text[cursor])) --cursor;
    if (!select) anchor = cursor;
}

void GUI_TextEdit::SetCursor(int offset, bool select) { Move(offset, select); }

void GUI_TextEdit::SelectAll() {
    anchor = 0;
    cursor = int(text.size());
}

bool GUI_TextEdit::DeleteSelection() {
    if (!HasSelection()) return false;
    int start = SelectionStart();
    text.erase(start, SelectionEnd() - start);
    cursor = anchor = start;
    ++revision;
    return true;
}

bool GUI_TextEdit::Insert(const std::string& typed) {
    // Decode, filter and count first, so a refused paste leaves the selection alone.
    std::string accepted;
    const int selected = SelectionEnd() - SelectionStart();
    int room =
        maxLength - CharacterCount(text) + CharacterCount(text.substr(SelectionStart(), selected));
    int bytesLeft = maxBytes > 0 ? maxBytes - int(text.size()) + selected : 0;
    for (size_t i = 0; i < typed.size() && room > 0;) {
        unsigned char c = typed[i];
        int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + length > typed.size()) break;
        char32_t code = length == 1 ? c : c & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            unsigned char d = typed[i + k];
            if (!IsContinuation(d)) valid = false;
            code = (code << 6) | (d & 0x3F);
        }
        if (!valid) code = c, length = 1;  // a stray byte counts as Latin-1
        i += length;
        if (code == '\r') continue;
        if (code == '\t') code = ' ';
        if (code == '\n' ? !multiline : (code < 32 || code == 127)) continue;
        if (filter && !filter(code)) continue;
        const std::string encoded = Encode(code);
        if (maxBytes > 0) {
            if (int(encoded.size()) > bytesLeft) break;
            bytesLeft -= int(encoded.size());
        }
        accepted += encoded;
        --room;
    }
    if (accepted.empty()) return false;
    DeleteSelection();
    text.insert(cursor, accepted);
    cursor += int(accepted.size());
    anchor = cursor;
    ++revision;
    return true;
}

bool GUI_TextEdit::InsertCharacter(char32_t c) { return Insert(Encode(c)); }

bool GUI_TextEdit::Backspace() {
    if (DeleteSelection()) return true;
    if (cursor == 0) return false;
    int start = Previous(cursor);
    text.erase(start, cursor - start);
    cursor = anchor = start;
    ++revision;
    return true;
}

bool GUI_TextEdit::Delete() {
    if (DeleteSelection()) return true;
    if (cursor >= int(text.size())) return false;
    text.erase(cursor, Next(cursor) - cursor);
    anchor = cursor;
    ++revision;
    return true;
}

void GUI_TextEdit::Left(bool select) {
    if (HasSelection() && !select)
        Move(SelectionStart(), false);
    else
        Move(Previous(cursor), select);
}

void GUI_TextEdit::Right(bool select) {
    if (HasSelection() && !select)
        Move(SelectionEnd(), false);
    else
        Move(Next(cursor), select);
}

void GUI_TextEdit::WordLeft(bool select) {
    int p = cursor;
    while (p > 0 && !IsWordCharacter(text[p - 1])) --p;
    while (p > 0 && IsWordCharacter(text[p - 1])) --p;
    Move(p, select);
}

void GUI_TextEdit::WordRight(bool select) {
    int p = cursor, size = int(text.size());
    while (p < size && IsWordCharacter(text[p])) ++p;
    while (p < size && !IsWordCharacter(text[p])) ++p;
    Move(p, select);
}

int GUI_TextEdit::LineOf(int offset) const {
    return int(
        std::count(text.begin(), text.begin() + std::clamp(offset, 0, int(text.size())), '\n'));
}

int GUI_TextEdit::LineStart(int line) const {
    int offset = 0;
    for (int l = 0; l < line; ++l) {
        size_t next = text.find('\n', offset);
        if (next == std::string::npos) return int(text.size());
        offset = int(next) + 1;
    }
    return offset;
}

int GUI_TextEdit::LineCount() const { return LineOf(int(text.size())) + 1; }

void GUI_TextEdit::Home(bool select) { Move(LineStart(LineOf(cursor)), select); }

void GUI_TextEdit::End(bool select) {
    size_t end = text.find('\n', cursor);
    Move(end == std::string::npos ? int(text.size()) : int(end), select);
}

void GUI_TextEdit::Up(bool select) {
    int line = LineOf(cursor);
    if (line == 0) return Move(0, select);
    int column = CharacterCount(text.substr(LineStart(line), cursor - LineStart(line)));
    int p = LineStart(line - 1);
    for (int c = 0; c < column && p < int(text.size()) && text[p] != '\n'; ++c) p = Next(p);
    Move(p, select);
}

void GUI_TextEdit::Down(bool select) {
    int line = LineOf(cursor);
    if (line + 1 >= LineCount()) return Move(int(text.size()), select);
    int column = CharacterCount(text.substr(LineStart(line), cursor - LineStart(line)));
    int p = LineStart(line + 1);
    for (int c = 0; c < column && p < int(text.size()) && text[p] != '\n'; ++c) p = Next(p);
    Move(p, select);
}

void GUI_TextEdit::TextStart(bool select) { Move(0, select); }
void GUI_TextEdit::TextEnd(bool select) { Move(int(text.size()), select); }
