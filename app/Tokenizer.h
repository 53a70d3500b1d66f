// The one small tokenizer under every text format of the program (preferences, skins,
// BASIC text): reads a file or a memory buffer character by character, classifies the
// characters through three tables and hands out typed tokens. The parse and match forms
// throw ParseException when the next token is not what the caller demands; the Is forms
// consume a token only when it is the one asked for.
//
// Depends on nothing but the standard library and app/Exceptions.h, so the graphics
// library can build the same file into itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

enum TokenType : int {
    kTokenNone = 0,
    kTokenName = 1,
    kTokenString = 2,
    kTokenInteger = 3,
    kTokenReal = 4,
    kTokenSpecial = 5,
    kTokenSymbol = 6,
    kTokenLineEnd = 7,
    kTokenFileEnd = 8,
};

struct Token {
    int type = kTokenNone;
    char special = 0;    // the character of a special token
    std::string text;    // the characters of a name, string or symbol
    int32_t number = 0;  // integer or symbol value; a real's whole part
    float real = 0.0f;   // real value; an integer's value as a float
};

// One entry of a symbol table; a table ends with an entry whose name is null.
struct TokenizerSymbol {
    const char* name;
    int32_t number;
};

struct TokenizerPosition {
    long position = 0;
    int line = 0;
    int tokenLine = 0;
    bool endPassed = false;
};

class Tokenizer {
public:
    Tokenizer();

    // Reads from `file` (not owned, not closed) from its current position on, and
    // resets every setting. The file must stay open while the tokenizer is used, and
    // RestorePosition (so the Is forms' look-ahead too) needs it to be seekable.
    void Attach(FILE* file);
    // Reads from `size` bytes at `data` (not copied: they must outlive the reads), and
    // resets every setting.
    void AttachBuffer(const void* data, size_t size);

    void SetLineEndTokens(bool on) { lineEndTokens = on; }
    void SetXMLComments(bool on) { xmlComments = on; }
    void SetQuotedStrings(bool on) { quotedStrings = on; }
    void SetHexNumbers(bool on) { hexNumbers = on; }
    // Makes `c` start a comment that runs to the end of the line.
    void SetCommentChar(char c) { comment[static_cast<unsigned char>(c)] = true; }
    // Marks or unmarks `c` as a character that is a token by itself.
    void SetSpecial(char c, bool on) { special[static_cast<unsigned char>(c)] = on; }
    // Names found in `table` become symbol tokens with the entry's number; null for none.
    // With ignoreCase, "play" finds the entry "PLAY".
    void SetSymbols(const TokenizerSymbol* table, bool ignoreCase = false) {
        symbols = table;
        symbolsIgnoreCase = ignoreCase;
    }

    // Reads the next token. Throws ParseException on a malformed number or string, an
    // unclosed markup comment, or a read past the file-end token.
    void GetNextToken(Token& token);

    TokenizerPosition SavePosition() const;
    void RestorePosition(const TokenizerPosition& saved);

    // Each reads one token and throws ParseException ("ParseString(): Failed", ...) when
    // it is not of the demanded kind.
    void ParseString(std::string& text);
    void ParseName(std::string& text);
    void ParseNumber(int32_t& value);  // integers only; a real is refused
    void ParseSpecial(char& c);
    void MatchName(const char* name);  // case-sensitive
    void MatchSpecial(char c);
    void MatchLineEnd();
    void MatchFileEnd();
    // `count` integers separated by ",".
    void ParseNumbers(int count, int32_t* values);
    // "<" followed by the name.
    void MatchTag(const char* name);

    // Consume the next token and give true only when it is the one asked for; otherwise
    // the position is left where it was.
    bool IsName(const char* name);
    bool IsSpecial(char c);
    bool IsLineEnd();
    bool IsFileEnd();

    // Skips the raw characters of the rest of the current line, whatever they are, up to
    // and including its LF (or the end of the input), and hands them back without CR and
    // LF. Lets a reader pass over lines it does not understand without tokenizing them.
    void SkipRestOfLine(std::string* text = nullptr);

    // Number of LF characters read so far (the line being read, counted from 0).
    int Line() const { return line; }
    // The line (counted from 0) on which the last token read, or being read, starts; the
    // place to name in an error message.
    int TokenLine() const { return tokenLine; }
    // Length of the input as measured when it was attached (-1 when it cannot seek).
    long Length() const { return length; }

private:
    // Reads one token and keeps it read only when `wanted` accepts it.
    template <typename Wanted>
    bool TakeIf(Wanted wanted);
    void Reset();
    int ReadChar();          // -1 at the end
    void UnreadChar(int c);  // puts back the character just read
    void Seek(long target);
    bool AtEnd();
    bool IsDelimiter(int c) const;

    void SkipXMLComment();
    void SkipComment();
    void ReadString(Token& token);
    void ReadNumber(int first, Token& token);
    void ReadName(int first, Token& token);

    bool special[256];
    bool comment[256];
    bool blank[256];
    bool lineEndTokens = true;
    bool xmlComments = false;
    bool quotedStrings = true;
    bool hexNumbers = false;
    const TokenizerSymbol* symbols = nullptr;
    bool symbolsIgnoreCase = false;

    FILE* file = nullptr;
    const unsigned char* buffer = nullptr;
    long start = 0;  // the file position that is position 0
    long length = 0;
    long position = 0;
    int line = 0;
    int tokenLine = 0;
    bool endPassed = false;
};
