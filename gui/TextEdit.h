// The editing model behind text lines and text fields: the text, a cursor and a selection
// anchor, with the moves and edits the keyboard makes. No drawing, so it is tested alone.
// Text is UTF-8; the cursor always stands on a character boundary.
#pragma once

#include <functional>
#include <string>

class GUI_TextEdit {
public:
    const std::string& Text() const { return text; }
    // Replaces the text (cut to the maximum length); the cursor goes to the end.
    void SetText(const std::string& value);
    // At most this many characters; longer text is cut.
    void SetMaxLength(int characters);
    int MaxLength() const { return maxLength; }
    // At most this many bytes of UTF-8 as well (0: no such limit), for text that goes into
    // a field of fixed size; text is cut before a character that would not fit whole.
    void SetMaxBytes(int bytes);
    int MaxBytes() const { return maxBytes; }
    void SetMultiline(bool on) { multiline = on; }
    // Characters for which `accept` gives false are not inserted (number fields).
    void SetFilter(std::function<bool(char32_t)> accept) { filter = std::move(accept); }

    int Cursor() const { return cursor; }  // byte offset
    int Anchor() const { return anchor; }  // the other end of the selection
    bool HasSelection() const { return cursor != anchor; }
    int SelectionStart() const { return cursor < anchor ? cursor : anchor; }
    int SelectionEnd() const { return cursor < anchor ? anchor : cursor; }
    std::string SelectedText() const;
    // Moves the cursor to `offset` (snapped to a character start); with `select` the
    // anchor stays, so the selection grows or shrinks.
    void SetCursor(int offset, bool select);
    void SelectAll();

    // Each edit gives back true when the text changed.
    bool Insert(const std::string& typed);  // replaces the selection; stops at the maximum
    bool InsertCharacter(char32_t c);
    bool Backspace();
    bool Delete();
    bool DeleteSelection();

    void Left(bool select);
    void Right(bool select);
    void WordLeft(bool select);
    void WordRight(bool select);
    void Home(bool select);  // start of the line
    void End(bool select);   // end of the line
    void Up(bool select);    // multi-line: same column of the line above
    void Down(bool select);
    void TextStart(bool select);
    void TextEnd(bool select);

    // Line of a byte offset and the offset where a line starts (multi-line text).
    int LineOf(int offset) const;
    int LineStart(int line) const;
    int LineCount() const;

    static int CharacterCount(const std::string& s);
    // Counts every change of the text, so that what is derived from it (wrapped rows) can
    // tell when to be made again.
    unsigned Revision() const { return revision; }

private:
    void Move(int offset, bool select);
    int Previous(int offset) const;
    int Next(int offset) const;

    std::string text;
    int cursor = 0;
    int anchor = 0;
    int maxLength = 255;
    int maxBytes = 0;
    bool multiline = false;
    std::function<bool(char32_t)> filter;
    unsigned revision = 0;
};
