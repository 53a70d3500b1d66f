// Defaults, reader and writer driven by a preference description table; see
// PreferenceTable.h.
#include "app/PreferenceTable.h"

#include <algorithm>
#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"

namespace {

size_t KindSize(PreferenceKind kind) {
    switch (kind) {
        case PreferenceKind::kBool: return sizeof(bool);
        case PreferenceKind::kInteger:
        case PreferenceKind::kColour: return sizeof(uint32_t);
        case PreferenceKind::kByte:
        case PreferenceKind::kRangedByte:
        case PreferenceKind::kChoice: return sizeof(uint8_t);
        case PreferenceKind::kResolution: return sizeof(PreferenceResolution);
        case PreferenceKind::kString: return sizeof(std::string);
        default: return 0;
    }
}

// The fields of one value: a plain key has one, a list `count` of the element kind.
struct ValueSlots {
    PreferenceKind kind;
    int count;
};

ValueSlots Slots(const PreferenceEntry& entry) {
    if (entry.kind == PreferenceKind::kList) return {entry.element, std::max(entry.count, 0)};
    return {entry.kind, 1};
}

void* Slot(const PreferenceEntry& entry, void* object, int index) {
    return static_cast<char*>(entry.field(object)) + index * KindSize(Slots(entry).kind);
}

const void* Slot(const PreferenceEntry& entry, const void* object, int index) {
    return Slot(entry, const_cast<void*>(object), index);
}

int64_t Clamp(int64_t value, int64_t low, int64_t high) {
    return value < low ? low : (value > high ? high : value);
}

// The index of `word` among the "|"-separated names, ignoring case; -1 when absent.
int ChoiceIndex(const char* choices, const std::string& word) {
    int index = 0;
    const char* name = choices;
    for (;;) {
        const char* end = std::strchr(name, '|');
        const size_t length = end ? static_cast<size_t>(end - name) : std::strlen(name);
        if (length == word.size()) {
            bool same = true;
            for (size_t i = 0; i < length && same; ++i)
                same = std::tolower(static_cast<unsigned char>(name[i])) ==
                       std::tolower(static_cast<unsigned char>(word[i]));
            if (same) return index;
        }
        if (!end) return -1;
        name = end + 1;
        ++index;
    }
}

int ChoiceCount(const char* choices) {
    return 1 + static_cast<int>(std::count(choices, choices + std::strlen(choices), '|'));
}

std::string ChoiceName(const char* choices, int index) {
    const char* name = choices;
    for (int i = 0; i < index; ++i) {
        const char* end = std::strchr(name, '|');
        if (!end) return "";
        name = end + 1;
    }
    const char* end = std::strchr(name, '|');
    return end ? std::string(name, end) : std::string(name);
}

void SetDefault(const PreferenceEntry& entry, PreferenceKind kind, void* field) {
    switch (kind) {
        case PreferenceKind::kBool: *static_cast<bool*>(field) = entry.number != 0; break;
        case PreferenceKind::kInteger:
        case PreferenceKind::kColour:
            *static_cast<uint32_t*>(field) = static_cast<uint32_t>(entry.number);
            break;
        case PreferenceKind::kByte:
        case PreferenceKind::kRangedByte:
        case PreferenceKind::kChoice:
            *static_cast<uint8_t*>(field) = static_cast<uint8_t>(entry.number);
            break;
        case PreferenceKind::kResolution:
            *static_cast<PreferenceResolution*>(field) = {static_cast<uint16_t>(entry.number),
                                                          static_cast<uint16_t>(entry.number2)};
            break;
        case PreferenceKind::kString:
            *static_cast<std::string*>(field) = entry.text ? entry.text : "";
            break;
        default: break;
    }
}

void ReadValue(Tokenizer& tokenizer, const PreferenceEntry& entry, PreferenceKind kind,
               void* field) {
    int32_t number = 0;
    std::string word;
    switch (kind) {
        case PreferenceKind::kBool:
            tokenizer.ParseName(word);
            if (word == "true")
                *static_cast<bool*>(field) = true;
            else if (word == "false")
                *static_cast<bool*>(field) = false;
            else
                SetDefault(entry, kind, field);
            break;
        case PreferenceKind::kInteger:
            tokenizer.ParseNumber(number);
            *static_cast<uint32_t*>(field) = static_cast<uint32_t>(number);
            break;
        case PreferenceKind::kByte:
            tokenizer.ParseNumber(number);
            *static_cast<uint8_t*>(field) = static_cast<uint8_t>(Clamp(number, 0, 255));
            break;
        case PreferenceKind::kRangedByte:
            tokenizer.ParseNumber(number);
            *static_cast<uint8_t*>(field) =
                static_cast<uint8_t>(Clamp(Clamp(number, entry.minimum, entry.maximum), 0, 255));
            break;
        case PreferenceKind::kColour:
            tokenizer.ParseNumber(number);
            *static_cast<uint32_t*>(field) = static_cast<uint32_t>(Clamp(number, 0, 0xFFFFFF));
            break;
        case PreferenceKind::kResolution: {
            // "800x600" is three tokens only while "x" is special; elsewhere "x" is a
            // letter like any other.
            int32_t height = 0;
            tokenizer.SetSpecial('x', true);
            try {
                tokenizer.ParseNumber(number);
                tokenizer.MatchSpecial('x');
                tokenizer.ParseNumber(height);
            } catch (...) {
                tokenizer.SetSpecial('x', false);
                throw;
            }
            tokenizer.SetSpecial('x', false);
            *static_cast<PreferenceResolution*>(field) = {
                static_cast<uint16_t>(Clamp(number, 0, 0xFFFF)),
                static_cast<uint16_t>(Clamp(height, 0, 0xFFFF))};
            break;
        }
        case PreferenceKind::kString: tokenizer.ParseString(*static_cast<std::string*>(field)); break;
        case PreferenceKind::kChoice: {
            tokenizer.ParseName(word);
            const int index = ChoiceIndex(entry.choices, word);
            if (index < 0) throw ParseException("ReadPreferences(): Unknown choice");
            *static_cast<uint8_t*>(field) = static_cast<uint8_t>(index);
            break;
        }
        default: throw ParseException("ReadPreferences(): Bad description");
    }
}

// After a value: the end of the line, or the end of the file (left for the level reader,
// so that a last line without a line break is no error).
void EndOfValueLine(Tokenizer& tokenizer) {
    if (tokenizer.IsLineEnd()) return;
    const TokenizerPosition saved = tokenizer.SavePosition();
    if (tokenizer.IsFileEnd()) {
        tokenizer.RestorePosition(saved);
        return;
    }
    tokenizer.MatchLineEnd();  // throws
}

// The text of a line without its comment and surrounding blanks.
std::string LineContent(const std::string& line) {
    bool quoted = false;
    size_t end = line.size();
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"') quoted = !quoted;
        if (line[i] == ';' && !quoted) {
            end = i;
            break;
        }
    }
    size_t begin = 0;
    while (begin < end && (line[begin] == ' ' || line[begin] == '\t' || line[begin] == '\r'))
        ++begin;
    while (end > begin && (line[end - 1] == ' ' || line[end - 1] == '\t' || line[end - 1] == '\r'))
        --end;
    return line.substr(begin, end - begin);
}

// Skips an unknown section whose opening line has been read, up to the line that closes
// it; sections nested inside it are skipped whole too.
void SkipSection(Tokenizer& tokenizer) {
    int depth = 1;
    std::string line;
    while (depth > 0) {
        const TokenizerPosition saved = tokenizer.SavePosition();
        if (tokenizer.IsFileEnd()) {
            tokenizer.RestorePosition(saved);
            return;
        }
        tokenizer.SkipRestOfLine(&line);
        const std::string content = LineContent(line);
        if (!content.empty() && content.front() == '}')
            --depth;
        else if (!content.empty() && content.back() == '{')
            ++depth;
    }
}

const PreferenceEntry* FindEntry(const PreferenceLevel& level, const std::string& name) {
    for (size_t i = 0; i < level.entryCount; ++i)
        if (name == level.entries[i].name) return &level.entries[i];
    return nullptr;
}

void ReadLevel(Tokenizer& tokenizer, const PreferenceLevel& level, void* object, bool nested) {
    Token token;
    for (;;) {
        tokenizer.GetNextToken(token);
        switch (token.type) {
            case kTokenLineEnd: break;
            case kTokenFileEnd:
                if (nested) throw ParseException("ReadPreferences(): Missing \"}\"");
                return;
            case kTokenSpecial:
                if (nested && token.special == '}') return;
                throw ParseException("ReadPreferences(): Unexpected character");
            case kTokenName: {
                const PreferenceEntry* entry = FindEntry(level, token.text);
                if (!entry) {
                    // Unknown: its line is skipped, or its whole section when it opens one.
                    std::string rest;
                    tokenizer.SkipRestOfLine(&rest);
                    const std::string content = LineContent(rest);
                    if (!content.empty() && content.front() == '{') SkipSection(tokenizer);
                } else if (entry->kind == PreferenceKind::kSection) {
                    tokenizer.MatchSpecial('{');
                    tokenizer.MatchLineEnd();
                    ReadLevel(tokenizer, *entry->section, object, true);
                } else {
                    tokenizer.MatchSpecial('=');
                    const ValueSlots slots = Slots(*entry);
                    for (int i = 0; i < slots.count; ++i) {
                        if (i > 0) tokenizer.MatchSpecial(',');
                        ReadValue(tokenizer, *entry, slots.kind, Slot(*entry, object, i));
                    }
                    EndOfValueLine(tokenizer);
                }
                break;
            }
            default: throw ParseException("ReadPreferences(): Unexpected token");
        }
    }
}

// A string the reader could not take back (a quote or a line break inside) is written
// empty, so that one odd file name cannot make the whole file unreadable.
bool Representable(const std::string& text) {
    return text.find_first_of("\"\r\n") == std::string::npos;
}

std::string FormatValue(const PreferenceEntry& entry, PreferenceKind kind, const void* field) {
    char text[64];
    switch (kind) {
        case PreferenceKind::kBool: return *static_cast<const bool*>(field) ? "true" : "false";
        case PreferenceKind::kInteger:
            // Unsigned, so that every stored value reads back (the reader knows no sign).
            std::snprintf(text, sizeof text, "%" PRIu32, *static_cast<const uint32_t*>(field));
            return text;
        case PreferenceKind::kByte:
        case PreferenceKind::kRangedByte:
            std::snprintf(text, sizeof text, "%d", *static_cast<const uint8_t*>(field));
            return text;
        case PreferenceKind::kColour:
            std::snprintf(text, sizeof text, "$%06X",
                          static_cast<unsigned>(*static_cast<const uint32_t*>(field)));
            return text;
        case PreferenceKind::kResolution: {
            const auto* r = static_cast<const PreferenceResolution*>(field);
            std::snprintf(text, sizeof text, "%dx%d", r->width, r->height);
            return text;
        }
        case PreferenceKind::kString: {
            const auto& s = *static_cast<const std::string*>(field);
            return Representable(s) ? "\"" + s + "\"" : "\"\"";
        }
        case PreferenceKind::kChoice: {
            const int index = *static_cast<const uint8_t*>(field);
            return ChoiceName(entry.choices,
                              index < ChoiceCount(entry.choices) ? index
                                                                 : static_cast<int>(entry.number));
        }
        default: return "";
    }
}

void WriteLevel(std::string& out, const PreferenceLevel& level, const void* object, int depth) {
    const std::string indent(static_cast<size_t>(depth), '\t');
    size_t longest = 0;
    bool keyComments = false;
    for (size_t i = 0; i < level.entryCount; ++i) {
        longest = std::max(longest, std::strlen(level.entries[i].name));
        if (level.entries[i].comment && level.entries[i].kind != PreferenceKind::kSection)
            keyComments = true;
    }
    auto padding = [&](const char* name) { return std::string(longest + 1 - std::strlen(name), ' '); };

    if (level.commentLineCount > 0 || keyComments) out += indent + ";\n";
    if (level.commentLineCount > 0) {
        for (size_t i = 0; i < level.commentLineCount; ++i)
            out += indent + "; " + level.commentLines[i] + "\n";
        out += indent + ";\n";
    }
    if (keyComments) {
        for (size_t i = 0; i < level.entryCount; ++i) {
            const PreferenceEntry& e = level.entries[i];
            if (!e.comment || e.kind == PreferenceKind::kSection) continue;
            out += indent + "; " + e.name + ":" + padding(e.name) + e.comment + "\n";
        }
        out += indent + ";\n";
    }
    for (size_t i = 0; i < level.entryCount; ++i) {
        const PreferenceEntry& e = level.entries[i];
        if (e.kind == PreferenceKind::kSection) {
            out += indent + e.name + " {\n";
            WriteLevel(out, *e.section, object, depth + 1);
            out += indent + "}\n";
            continue;
        }
        out += indent + e.name + padding(e.name) + "= ";
        const ValueSlots slots = Slots(e);
        for (int k = 0; k < slots.count; ++k) {
            if (k > 0) out += ", ";
            out += FormatValue(e, slots.kind, Slot(e, object, k));
        }
        out += "\n";
    }
}

}  // namespace

void SetPreferenceDefaults(const PreferenceLevel& level, void* object) {
    for (size_t i = 0; i < level.entryCount; ++i) {
        const PreferenceEntry& e = level.entries[i];
        if (e.kind == PreferenceKind::kSection) {
            SetPreferenceDefaults(*e.section, object);
            continue;
        }
        const ValueSlots slots = Slots(e);
        for (int k = 0; k < slots.count; ++k) SetDefault(e, slots.kind, Slot(e, object, k));
    }
}

void ReadPreferences(Tokenizer& tokenizer, const PreferenceLevel& top, void* object) {
    tokenizer.SetLineEndTokens(true);
    tokenizer.SetCommentChar(';');
    tokenizer.SetHexNumbers(true);
    try {
        ReadLevel(tokenizer, top, object, false);
    } catch (const ParseException& e) {
        // The line tells the user where to mend the file.
        throw ParseException(e.Message(), static_cast<uint32_t>(tokenizer.TokenLine() + 1));
    }
}

std::string WritePreferences(const PreferenceLevel& top, const void* object) {
    std::string out;
    WriteLevel(out, top, object, 0);
    return out;
}
