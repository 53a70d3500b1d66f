#include "import/StringInfoTable.h"

#include <cctype>

namespace {

bool SameName(const std::string& a, const std::string& b, bool ignoreCase) {
    if (a.size() != b.size()) return false;
    if (!ignoreCase) return a == b;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

void StringInfoTable::Add(const std::string& name, int32_t number) {
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) {
            symbols[i].number = number;
            return;
        }
    }
    names.push_back(name);
    symbols.back() = TokenizerSymbol{names.back().c_str(), number};
    symbols.push_back(TokenizerSymbol{nullptr, 0});
}

bool StringInfoTable::Find(const std::string& name, int32_t& number, bool ignoreCase) const {
    for (size_t i = 0; i < names.size(); ++i) {
        if (SameName(names[i], name, ignoreCase)) {
            number = symbols[i].number;
            return true;
        }
    }
    return false;
}
