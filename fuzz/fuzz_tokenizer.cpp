// Fuzz target for the text tokenizer: every input, in every set-up the program uses, gives
// tokens or a ParseException, never a fault or an endless loop. The first byte picks the
// set-up; the rest is the text.
#include <cstddef>
#include <cstdint>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t setup = data[0];
    static const TokenizerSymbol symbols[] = {{"PLAY", 1}, {"SOUND", 2}, {"BEEP", 3}, {nullptr, 0}};
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(data + 1, size - 1);
    tokenizer.SetLineEndTokens(setup & 1);
    tokenizer.SetXMLComments(setup & 2);
    tokenizer.SetQuotedStrings(!(setup & 4));
    tokenizer.SetHexNumbers(setup & 8);
    if (setup & 16) tokenizer.SetCommentChar(';');
    if (setup & 32) tokenizer.SetSpecial('x', true);
    if (setup & 64) tokenizer.SetSymbols(symbols, setup & 128);
    Token token;
    try {
        // Every token takes at least one byte, so this many reads reach the end.
        for (size_t i = 0; i <= size; ++i) {
            const TokenizerPosition saved = tokenizer.SavePosition();
            if (tokenizer.IsName("PLAY") || tokenizer.IsSpecial('=')) continue;
            tokenizer.RestorePosition(saved);
            tokenizer.GetNextToken(token);
            if (token.type == kTokenFileEnd) break;
        }
        if (token.type != kTokenFileEnd) __builtin_trap();  // a token that took nothing
    } catch (const ParseException&) {
    }
    return 0;
}
