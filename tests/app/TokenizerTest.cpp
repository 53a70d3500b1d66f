// Token reading: character classes, numbers, strings, comments, markup comments,
// symbols, look-ahead and the demanding forms' failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"
#include "TestDirectory.h"

namespace {

// A readable form of one token: "N:abc", "S:text", "I:42", "R:12.5", "C:=", "Y:abc#7",
// "EOL", "EOF".
std::string Describe(const Token& t) {
    char number[64];
    switch (t.type) {
        case kTokenName: return "N:" + t.text;
        case kTokenString: return "S:" + t.text;
        case kTokenInteger: return "I:" + std::to_string(t.number);
        case kTokenReal:
            std::snprintf(number, sizeof number, "R:%g", t.real);
            return number;
        case kTokenSpecial: return std::string("C:") + t.special;
        case kTokenSymbol: return "Y:" + t.text + "#" + std::to_string(t.number);
        case kTokenLineEnd: return "EOL";
        case kTokenFileEnd: return "EOF";
        default: return "?";
    }
}

// Every token up to and including the file end, or "!message" for a failure.
std::vector<std::string> Tokens(Tokenizer& tokenizer) {
    std::vector<std::string> out;
    Token token;
    try {
        do {
            tokenizer.GetNextToken(token);
            out.push_back(Describe(token));
        } while (token.type != kTokenFileEnd);
    } catch (const ParseException& e) {
        out.push_back(std::string("!") + e.Message());
    }
    return out;
}

using V = std::vector<std::string>;

struct Options {
    bool hex = false;
    bool lineEnds = true;
    bool xml = false;
    char commentChar = 0;
};

std::vector<std::string> Tokens(const std::string& text, Options setup = {}) {
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetHexNumbers(setup.hex);
    tokenizer.SetLineEndTokens(setup.lineEnds);
    tokenizer.SetXMLComments(setup.xml);
    if (setup.commentChar) tokenizer.SetCommentChar(setup.commentChar);
    return Tokens(tokenizer);
}

TEST(Tokenizer, DefaultClassesSplitNamesAtSpecialsAndBlanks) {
    EXPECT_EQ(Tokens("Volume = 12\r\n"), (V{"N:Volume", "C:=", "I:12", "EOL", "EOF"}));
    EXPECT_EQ(Tokens("a(b)c*d+e,f-g/h:i<j>k^l{m|n}o&p"),
              (V{"N:a", "C:(", "N:b", "C:)", "N:c", "C:*", "N:d", "C:+", "N:e", "C:,", "N:f",
                 "C:-", "N:g", "C:/", "N:h", "C::", "N:i", "C:<", "N:j", "C:>", "N:k", "C:^",
                 "N:l", "C:{", "N:m", "C:|", "N:n", "C:}", "N:o", "C:&", "N:p", "EOF"}));
    EXPECT_EQ(Tokens("\t a.b;c  \r"), (V{"N:a.b;c", "EOF"}));
    EXPECT_EQ(Tokens(""), (V{"EOF"}));
    EXPECT_EQ(Tokens("x\n\ny", Options{.lineEnds = false}), (V{"N:x", "N:y", "EOF"}));
    // No sign: the minus is a token of its own.
    EXPECT_EQ(Tokens("-3"), (V{"C:-", "I:3", "EOF"}));
}

TEST(Tokenizer, HexNumbers) {
    EXPECT_EQ(Tokens("$FF 0x1f 0X1F $0 $", Options{.hex = true}),
              (V{"I:255", "I:31", "I:31", "I:0", "I:0", "EOF"}));
    EXPECT_EQ(Tokens("$ffffffff", Options{.hex = true}), (V{"I:-1", "EOF"}));
    // Off: the dollar form is a name and "0x" is a broken number.
    EXPECT_EQ(Tokens("$FF"), (V{"N:$FF", "EOF"}));
    EXPECT_EQ(Tokens("0x1f"), (V{"!ReadNumberToken(): Failed"}));
    // The "x" must be the second character of a number that is still 0.
    EXPECT_EQ(Tokens("10x1", Options{.hex = true}), (V{"!ReadNumberToken(): Failed"}));
    EXPECT_EQ(Tokens("$FG", Options{.hex = true}), (V{"!ReadNumberToken(): Failed"}));
    EXPECT_EQ(Tokens("$1.5", Options{.hex = true}), (V{"!ReadNumberToken(): Failed"}));
}

TEST(Tokenizer, RealNumbersKeepFiveFractionDigits) {
    Tokenizer tokenizer;
    const std::string text = "12.5 0.1234567 .5 7. 3.000009";
    tokenizer.AttachBuffer(text.data(), text.size());
    Token token;
    const float expected[] = {12.5f, 0.12345f, 0.5f, 7.0f, 3.0f};
    for (float value : expected) {
        tokenizer.GetNextToken(token);
        EXPECT_EQ(token.type, kTokenReal);
        EXPECT_EQ(token.real, value);  // bit for bit
    }
    tokenizer.MatchFileEnd();
    EXPECT_EQ(Tokens("1.2.3"), (V{"!ReadNumberToken(): Failed"}));
    EXPECT_EQ(Tokens("12ab"), (V{"!ReadNumberToken(): Failed"}));
    // A point not followed by a digit starts a name.
    EXPECT_EQ(Tokens(".x"), (V{"N:.x", "EOF"}));
}

TEST(Tokenizer, ResolutionWithAndWithoutXSpecial) {
    const std::string text = "800x600";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetHexNumbers(true);
    tokenizer.SetSpecial('x', true);
    EXPECT_EQ(Tokens(tokenizer), (V{"I:800", "C:x", "I:600", "EOF"}));
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetHexNumbers(true);
    EXPECT_EQ(Tokens(tokenizer), (V{"!ReadNumberToken(): Failed"}));
}

TEST(Tokenizer, Strings) {
    EXPECT_EQ(Tokens("\"a b = ; c\" \"\""), (V{"S:a b = ; c", "S:", "EOF"}));
    EXPECT_EQ(Tokens("\"open\nx"), (V{"!ReadStringToken(): End of line reached"}));
    EXPECT_EQ(Tokens("\"open\r\nx"), (V{"!ReadStringToken(): End of line reached"}));
    EXPECT_EQ(Tokens("\"open"), (V{"!ReadStringToken(): End of file reached"}));
    Tokenizer tokenizer;
    const std::string text = "\"q\"";
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetQuotedStrings(false);
    EXPECT_EQ(Tokens(tokenizer), (V{"C:\"", "N:q", "C:\"", "EOF"}));
}

TEST(Tokenizer, CommentsKeepTheLineEndWithEitherLineBreak) {
    const Options prefs{.hex = true, .commentChar = ';'};
    EXPECT_EQ(Tokens("; note\r\nA=1\r\n", prefs), (V{"EOL", "N:A", "C:=", "I:1", "EOL", "EOF"}));
    EXPECT_EQ(Tokens("; note\nA=1\n", prefs), (V{"EOL", "N:A", "C:=", "I:1", "EOL", "EOF"}));
    EXPECT_EQ(Tokens("A ; tail \"unclosed\n", prefs), (V{"N:A", "EOL", "EOF"}));
    EXPECT_EQ(Tokens("; only", prefs), (V{"EOF"}));
    // A lone CR ends a comment and is taken with it.
    EXPECT_EQ(Tokens(";x\rB", prefs), (V{"N:B", "EOF"}));
}

TEST(Tokenizer, LineCountFollowsLineFeeds) {
    const std::string text = "a\n;c\n\"s\"\r\nb";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetCommentChar(';');
    Token token;
    int lines[] = {0, 1, 2, 2, 3, 3, 3};
    for (int expected : lines) {
        tokenizer.GetNextToken(token);
        EXPECT_EQ(tokenizer.Line(), expected);
    }
    EXPECT_EQ(token.type, kTokenFileEnd);
}

TEST(Tokenizer, MarkupComments) {
    const Options skin{.lineEnds = false, .xml = true};
    EXPECT_EQ(Tokens("<!-- a -- b - c -->x", skin), (V{"N:x", "EOF"}));
    EXPECT_EQ(Tokens("<a>", skin), (V{"C:<", "N:a", "C:>", "EOF"}));
    EXPECT_EQ(Tokens("<!-x->", skin), (V{"C:<", "N:!", "C:-", "N:x", "C:-", "C:>", "EOF"}));
    EXPECT_EQ(Tokens("<!-", skin), (V{"C:<", "N:!", "C:-", "EOF"}));
    EXPECT_EQ(Tokens("<!-- open -", skin), (V{"!PassUntilXMLCommentEnd(): File end reached"}));
    EXPECT_EQ(Tokens("<!---->1<!--\n-->2", skin), (V{"I:1", "I:2", "EOF"}));
    // Off: the opener is ordinary text.
    EXPECT_EQ(Tokens("<!--", Options{.lineEnds = false}), (V{"C:<", "N:!", "C:-", "C:-", "EOF"}));
}

TEST(Tokenizer, FileEndPassedOnce) {
    Tokenizer tokenizer;
    tokenizer.AttachBuffer("a", 1);
    Token token;
    tokenizer.GetNextToken(token);
    tokenizer.MatchFileEnd();
    try {
        tokenizer.GetNextToken(token);
        FAIL() << "read past the end";
    } catch (const ParseException& e) {
        EXPECT_STREQ(e.Message(), "GetNextToken(): File end passed");
    }
    Tokenizer unattached;
    unattached.MatchFileEnd();
}

TEST(Tokenizer, SymbolsTurnNamesIntoNumbers) {
    static const TokenizerSymbol keywords[] = {{"PLAY", 1}, {"SOUND", 2}, {nullptr, 0}};
    const std::string text = "PLAY play SOUNDS SOUND";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetSymbols(keywords);
    EXPECT_EQ(Tokens(tokenizer), (V{"Y:PLAY#1", "N:play", "N:SOUNDS", "Y:SOUND#2", "EOF"}));
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.SetSymbols(keywords, true);
    EXPECT_EQ(Tokens(tokenizer), (V{"Y:PLAY#1", "Y:play#1", "N:SOUNDS", "Y:SOUND#2", "EOF"}));
}

TEST(Tokenizer, TestingFormsConsumeOnlyOnMatch) {
    const std::string text = "Name = 5\nnext";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    EXPECT_FALSE(tokenizer.IsName("name"));
    EXPECT_FALSE(tokenizer.IsSpecial('='));
    EXPECT_FALSE(tokenizer.IsLineEnd());
    EXPECT_FALSE(tokenizer.IsFileEnd());
    EXPECT_TRUE(tokenizer.IsName("Name"));
    EXPECT_TRUE(tokenizer.IsSpecial('='));
    const TokenizerPosition saved = tokenizer.SavePosition();
    int32_t value = 0;
    tokenizer.ParseNumber(value);
    EXPECT_EQ(value, 5);
    EXPECT_TRUE(tokenizer.IsLineEnd());
    EXPECT_EQ(tokenizer.Line(), 1);
    tokenizer.RestorePosition(saved);
    EXPECT_EQ(tokenizer.Line(), 0);
    tokenizer.ParseNumber(value);
    tokenizer.MatchLineEnd();
    tokenizer.MatchName("next");
    EXPECT_TRUE(tokenizer.IsFileEnd());
}

void ExpectFailure(const char* text, void (*parse)(Tokenizer&), const char* message) {
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text, std::strlen(text));
    try {
        parse(tokenizer);
        ADD_FAILURE() << text << ": no failure";
    } catch (const ParseException& e) {
        EXPECT_STREQ(e.Message(), message) << text;
    }
}

TEST(Tokenizer, DemandingFormsThrowTheirMessages) {
    ExpectFailure("name", [](Tokenizer& t) { std::string x; t.ParseString(x); },
                  "ParseString(): Failed");
    ExpectFailure("\"s\"", [](Tokenizer& t) { std::string x; t.ParseName(x); },
                  "ParseName(): Failed");
    ExpectFailure("1.5", [](Tokenizer& t) { int32_t x; t.ParseNumber(x); },
                  "ParseNumber(): Failed");
    ExpectFailure("a", [](Tokenizer& t) { char x; t.ParseSpecial(x); }, "ParseSpecial(): Failed");
    ExpectFailure("Name", [](Tokenizer& t) { t.MatchName("name"); }, "MatchName(): Failed");
    ExpectFailure("=", [](Tokenizer& t) { t.MatchSpecial(','); }, "MatchSpecial(): Failed");
    ExpectFailure("", [](Tokenizer& t) { t.MatchLineEnd(); }, "MatchLineEnd(): Failed");
    ExpectFailure("\n", [](Tokenizer& t) { t.MatchFileEnd(); }, "MatchFileEnd(): Failed");
    ExpectFailure("1,2 3", [](Tokenizer& t) { int32_t v[3]; t.ParseNumbers(3, v); },
                  "MatchSpecial(): Failed");
    ExpectFailure("a", [](Tokenizer& t) { t.MatchTag("a"); }, "MatchSpecial(): Failed");
    ExpectFailure("<b", [](Tokenizer& t) { t.MatchTag("a"); }, "MatchName(): Failed");
}

TEST(Tokenizer, ParseFormsHandBackValues) {
    const std::string text = "\"str\" nm , 1,2,3 <tag";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    std::string s, n;
    char c = 0;
    int32_t v[3] = {};
    tokenizer.ParseString(s);
    tokenizer.ParseName(n);
    tokenizer.ParseSpecial(c);
    tokenizer.ParseNumbers(3, v);
    tokenizer.MatchTag("tag");
    tokenizer.MatchFileEnd();
    EXPECT_EQ(s, "str");
    EXPECT_EQ(n, "nm");
    EXPECT_EQ(c, ',');
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[2], 3);
}

TEST(Tokenizer, ReadsFilesFromTheirCurrentPositionAndSeeksBack) {
    TestDirectory dir;
    WriteWholeFile(dir.File("t.txt"), "skip|Alpha 1\r\n<!-- c -->Beta");
    FILE* f = std::fopen(dir.File("t.txt").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 5, SEEK_SET);
    Tokenizer tokenizer;
    tokenizer.Attach(f);
    tokenizer.SetXMLComments(true);
    EXPECT_EQ(tokenizer.Length(), 23);
    const TokenizerPosition start = tokenizer.SavePosition();
    EXPECT_TRUE(tokenizer.IsName("Alpha"));
    EXPECT_FALSE(tokenizer.IsName("x"));
    EXPECT_FALSE(tokenizer.IsLineEnd());
    tokenizer.RestorePosition(start);
    EXPECT_EQ(Tokens(tokenizer), (V{"N:Alpha", "I:1", "EOL", "N:Beta", "EOF"}));
    std::fclose(f);
}

TEST(Tokenizer, HighBytesAndNulAreNameCharacters) {
    const std::string text = std::string("\xe9t\xe9 a\0b", 7);
    EXPECT_EQ(Tokens(text), (V{"N:\xe9t\xe9", std::string("N:a\0b", 5), "EOF"}));
}

}  // namespace

namespace {

TEST(Tokenizer, SkipRestOfLineTakesRawText) {
    const std::string text = "a 1.2.3 \"open\r\nb\nc";
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    tokenizer.MatchName("a");
    std::string rest;
    tokenizer.SkipRestOfLine(&rest);
    EXPECT_EQ(rest, " 1.2.3 \"open");
    EXPECT_EQ(tokenizer.Line(), 1);
    tokenizer.SkipRestOfLine();
    tokenizer.MatchName("c");
    tokenizer.SkipRestOfLine(&rest);
    EXPECT_EQ(rest, "");
    tokenizer.MatchFileEnd();
}

}  // namespace
