// A small table of names with a number each, for keyword lists such as the statements the
// BASIC importer knows. It hands the tokenizer its symbol table, so that a name in the
// table reads as a symbol token carrying the number.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "app/Tokenizer.h"

class StringInfoTable {
public:
    // Adds a name or gives an existing one a new number.
    void Add(const std::string& name, int32_t number);
    // The number of `name`; exact case unless `ignoreCase`.
    bool Find(const std::string& name, int32_t& number, bool ignoreCase = false) const;
    size_t Size() const { return names.size(); }
    // The entries as a symbol table for Tokenizer::SetSymbols, ended by a null name; valid
    // until the next Add.
    const TokenizerSymbol* Symbols() const { return symbols.data(); }

private:
    std::deque<std::string> names;  // a deque keeps the names' storage where it is
    std::vector<TokenizerSymbol> symbols{TokenizerSymbol{nullptr, 0}};
};
