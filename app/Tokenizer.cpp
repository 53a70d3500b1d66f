// Character classes, token reading and the parse/match forms; see Tokenizer.h.
#include "app/Tokenizer.h"

#include <cctype>
#include <cstring>

#include "app/Exceptions.h"

namespace {

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

int HexDigit(int c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool SameName(const char* a, const std::string& b, bool ignoreCase) {
    if (std::strlen(a) != b.size()) return false;
    for (size_t i = 0; i < b.size(); ++i) {
        const unsigned char x = static_cast<unsigned char>(a[i]);
        const unsigned char y = static_cast<unsigned char>(b[i]);
        if (ignoreCase ? std::tolower(x) != std::tolower(y) : x != y) return false;
    }
    return true;
}

// Only this many digits after the point count; the rest are read and ignored.
constexpr int kMaxFractionDigits = 5;
constexpr double kPowersOfTen[kMaxFractionDigits + 1] = {1, 10, 100, 1000, 10000, 100000};

}  // namespace

Tokenizer::Tokenizer() { Reset(); }

void Tokenizer::Reset() {
    std::memset(special, 0, sizeof special);
    std::memset(comment, 0, sizeof comment);
    std::memset(blank, 0, sizeof blank);
    for (unsigned char c : {' ', '\t', '\n', '\r'}) blank[c] = true;
    for (unsigned char c : {'"', '(', ')', '*', '+', ',', '-', '/', ':', '<', '=', '>', '^', '{',
                            '|', '}', '&'})
        special[c] = true;
    lineEndTokens = true;
    quotedStrings = true;
    xmlComments = false;
    hexNumbers = false;
    symbols = nullptr;
    symbolsIgnoreCase = false;
    position = 0;
    line = 0;
    tokenLine = 0;
    endPassed = false;
}

void Tokenizer::Attach(FILE* f) {
    Reset();
    file = f;
    buffer = nullptr;
    start = 0;
    length = 0;
    if (!file) return;
    start = std::ftell(file);
    if (start < 0 || std::fseek(file, 0, SEEK_END) != 0) {
        start = 0;
        length = -1;  // a stream that cannot seek: its end is found by reading
        return;
    }
    length = std::ftell(file) - start;
    std::fseek(file, start, SEEK_SET);
}

void Tokenizer::AttachBuffer(const void* data, size_t size) {
    Reset();
    file = nullptr;
    buffer = static_cast<const unsigned char*>(data);
    start = 0;
    length = buffer ? static_cast<long>(size) : 0;
}

int Tokenizer::ReadChar() {
    if (file) {
        const int c = std::fgetc(file);
        if (c == EOF) return -1;
        ++position;
        return c;
    }
    if (!buffer || position >= length) return -1;
    return buffer[position++];
}

void Tokenizer::UnreadChar(int c) {
    if (c < 0) return;
    --position;
    if (file) std::ungetc(c, file);
}

void Tokenizer::Seek(long target) {
    position = target;
    if (file) std::fseek(file, start + target, SEEK_SET);
}

bool Tokenizer::AtEnd() {
    if (file) {
        // Asking the stream rather than trusting the measured length copes with files
        // that change while they are read.
        const int c = std::fgetc(file);
        if (c == EOF) return true;
        std::ungetc(c, file);
        return false;
    }
    return !buffer || position >= length;
}

bool Tokenizer::IsDelimiter(int c) const {
    return c == '\r' || c == '\n' || special[c] || blank[c];
}

TokenizerPosition Tokenizer::SavePosition() const {
    TokenizerPosition saved;
    saved.position = position;
    saved.line = line;
    saved.endPassed = endPassed;
    return saved;
}

void Tokenizer::RestorePosition(const TokenizerPosition& saved) {
    Seek(saved.position);
    line = saved.line;
    endPassed = saved.endPassed;
}

void Tokenizer::GetNextToken(Token& token) {
    if (endPassed) throw ParseException("GetNextToken(): File end passed");
    token.text.clear();
    token.special = 0;
    token.number = 0;
    token.real = 0.0f;
    for (;;) {
        tokenLine = line;
        if (AtEnd()) {
            token.type = kTokenFileEnd;
            endPassed = true;
            return;
        }
        const int c = ReadChar();
        if (c < 0) continue;  // a read error: the next pass sees the end
        if (xmlComments && c == '<') {
            const long afterOpen = position;
            char next[3];
            int got = 0;
            while (got < 3) {
                const int n = ReadChar();
                if (n < 0) break;
                next[got++] = static_cast<char>(n);
            }
            if (got == 3 && next[0] == '!' && next[1] == '-' && next[2] == '-') {
                SkipXMLComment();
                continue;
            }
            Seek(afterOpen);
        }
        if (c == '.') {
            const int n = ReadChar();
            UnreadChar(n);
            if (IsDigit(n)) {
                ReadNumber(c, token);
                return;
            }
        }
        if (c == '\n') {
            ++line;
            if (lineEndTokens) {
                token.type = kTokenLineEnd;
                return;
            }
            continue;
        }
        if (comment[c]) {
            SkipComment();
            continue;
        }
        if (c == '"' && quotedStrings) {
            ReadString(token);
            return;
        }
        if (special[c]) {
            token.type = kTokenSpecial;
            token.special = static_cast<char>(c);
            return;
        }
        if ((c == '$' && hexNumbers) || IsDigit(c)) {
            ReadNumber(c, token);
            return;
        }
        if (blank[c]) continue;
        ReadName(c, token);
        return;
    }
}

void Tokenizer::SkipXMLComment() {
    // The comment ends at the first "-->", so a "--" inside it does not end it.
    int last2 = -1, last1 = -1;
    for (;;) {
        const int c = ReadChar();
        if (c < 0) throw ParseException("PassUntilXMLCommentEnd(): File end reached");
        if (c == '\n') ++line;
        if (c == '>' && last1 == '-' && last2 == '-') return;
        last2 = last1;
        last1 = c;
    }
}

void Tokenizer::SkipComment() {
    // The comment ends at a CR, which it takes, or before an LF, which is left for the
    // line-end token; so files with LF line ends give the same tokens as CR LF files.
    for (;;) {
        const int c = ReadChar();
        if (c < 0 || c == '\r') return;
        if (c == '\n') {
            UnreadChar(c);
            return;
        }
    }
}

void Tokenizer::SkipRestOfLine(std::string* text) {
    if (text) text->clear();
    for (;;) {
        const int c = ReadChar();
        if (c < 0) return;
        if (c == '\n') {
            ++line;
            return;
        }
        if (text && c != '\r') text->push_back(static_cast<char>(c));
    }
}

void Tokenizer::ReadString(Token& token) {
    token.type = kTokenString;
    for (;;) {
        const int c = ReadChar();
        if (c < 0) throw ParseException("ReadStringToken(): End of file reached");
        if (c == '\r' || c == '\n') throw ParseException("ReadStringToken(): End of line reached");
        if (c == '"') return;
        token.text.push_back(static_cast<char>(c));
    }
}

void Tokenizer::ReadNumber(int first, Token& token) {
    // Unsigned arithmetic: a number too long for 32 bits wraps instead of overflowing.
    uint32_t value = 0;
    uint32_t fraction = 0;
    int fractionDigits = 0;
    bool hex = first == '$';
    bool real = first == '.';
    if (IsDigit(first)) value = static_cast<uint32_t>(first - '0');
    int taken = 1;
    for (;;) {
        const int c = ReadChar();
        if (c < 0) break;
        if (IsDelimiter(c)) {
            UnreadChar(c);
            break;
        }
        ++taken;
        if (hexNumbers && taken == 2 && first == '0' && (c == 'x' || c == 'X')) {
            hex = true;
        } else if (hex) {
            const int digit = HexDigit(c);
            if (digit < 0) throw ParseException("ReadNumberToken(): Failed");
            value = value * 16 + static_cast<uint32_t>(digit);
        } else if (c == '.' && !real) {
            real = true;
        } else if (IsDigit(c)) {
            if (!real) {
                value = value * 10 + static_cast<uint32_t>(c - '0');
            } else if (fractionDigits < kMaxFractionDigits) {
                fraction = fraction * 10 + static_cast<uint32_t>(c - '0');
                ++fractionDigits;
            }
        } else {
            throw ParseException("ReadNumberToken(): Failed");
        }
    }
    token.number = static_cast<int32_t>(value);
    if (real) {
        token.type = kTokenReal;
        token.real = static_cast<float>(static_cast<double>(value) +
                                        fraction / kPowersOfTen[fractionDigits]);
    } else {
        token.type = kTokenInteger;
        token.real = static_cast<float>(token.number);
    }
}

void Tokenizer::ReadName(int first, Token& token) {
    token.type = kTokenName;
    token.text.push_back(static_cast<char>(first));
    for (;;) {
        const int c = ReadChar();
        if (c < 0) break;
        if (IsDelimiter(c)) {
            UnreadChar(c);
            break;
        }
        token.text.push_back(static_cast<char>(c));
    }
    if (!symbols) return;
    for (const TokenizerSymbol* s = symbols; s->name != nullptr; ++s) {
        if (SameName(s->name, token.text, symbolsIgnoreCase)) {
            token.type = kTokenSymbol;
            token.number = s->number;
            token.real = static_cast<float>(s->number);
            return;
        }
    }
}

void Tokenizer::ParseString(std::string& text) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenString) throw ParseException("ParseString(): Failed");
    text = std::move(token.text);
}

void Tokenizer::ParseName(std::string& text) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenName) throw ParseException("ParseName(): Failed");
    text = std::move(token.text);
}

void Tokenizer::ParseNumber(int32_t& value) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenInteger) throw ParseException("ParseNumber(): Failed");
    value = token.number;
}

void Tokenizer::ParseSpecial(char& c) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenSpecial) throw ParseException("ParseSpecial(): Failed");
    c = token.special;
}

void Tokenizer::MatchName(const char* name) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenName || token.text != name) throw ParseException("MatchName(): Failed");
}

void Tokenizer::MatchSpecial(char c) {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenSpecial || token.special != c)
        throw ParseException("MatchSpecial(): Failed");
}

void Tokenizer::MatchLineEnd() {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenLineEnd) throw ParseException("MatchLineEnd(): Failed");
}

void Tokenizer::MatchFileEnd() {
    Token token;
    GetNextToken(token);
    if (token.type != kTokenFileEnd) throw ParseException("MatchFileEnd(): Failed");
}

void Tokenizer::ParseNumbers(int count, int32_t* values) {
    for (int i = 0; i < count; ++i) {
        if (i > 0) MatchSpecial(',');
        ParseNumber(values[i]);
    }
}

void Tokenizer::MatchTag(const char* name) {
    MatchSpecial('<');
    MatchName(name);
}

template <typename Wanted>
bool Tokenizer::TakeIf(Wanted wanted) {
    const TokenizerPosition saved = SavePosition();
    Token token;
    GetNextToken(token);
    if (wanted(token)) return true;
    RestorePosition(saved);
    return false;
}

bool Tokenizer::IsName(const char* name) {
    return TakeIf([name](const Token& t) { return t.type == kTokenName && t.text == name; });
}

bool Tokenizer::IsSpecial(char c) {
    return TakeIf([c](const Token& t) { return t.type == kTokenSpecial && t.special == c; });
}

bool Tokenizer::IsLineEnd() {
    return TakeIf([](const Token& t) { return t.type == kTokenLineEnd; });
}

bool Tokenizer::IsFileEnd() {
    return TakeIf([](const Token& t) { return t.type == kTokenFileEnd; });
}
