// The machinery under the preferences file: a static description table of sections and
// keys drives the defaults, the reader and the writer, so syntax, ranges and comments
// live in one place. Each key names the field it fills through an accessor function, so
// one table can serve any plain settings structure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class Tokenizer;

enum class PreferenceKind : uint8_t {
    kBool,        // bool; "true" / "false", any other word gives the default
    kInteger,     // uint32_t; "%d"
    kByte,        // uint8_t; clamped to 0..255
    kRangedByte,  // uint8_t; clamped to minimum..maximum
    kColour,      // uint32_t 0xRRGGBB; "$%06X", clamped to 0..0xFFFFFF
    kResolution,  // PreferenceResolution; "%dx%d"
    kString,      // std::string; a quoted string
    kChoice,      // uint8_t index into the "|"-separated names; case-insensitive
    kList,        // `count` consecutive fields of the element kind; ", "-separated
    kSection,     // a nested level
};

struct PreferenceResolution {
    uint16_t width = 0;
    uint16_t height = 0;
    bool operator==(const PreferenceResolution&) const = default;
};

struct PreferenceLevel;

struct PreferenceEntry {
    const char* name;
    PreferenceKind kind;
    // Where the value lives in the settings object (unused for sections).
    void* (*field)(void* object);
    // Defaults: numbers, bools (0/1), colours and choice indexes in `number`; a resolution
    // in `number` x `number2`; a string in `text`. A list sets every element to these.
    int64_t number;
    int64_t number2;
    const char* text;
    // Ranged byte bounds.
    int minimum;
    int maximum;
    // Choice names, "low|normal".
    const char* choices;
    // A list: the kind of its elements and how many there are.
    PreferenceKind element;
    int count;
    // The note written above the level's keys, "In range 0..100.".
    const char* comment;
    // A section's contents.
    const PreferenceLevel* section;
};

struct PreferenceLevel {
    const PreferenceEntry* entries;
    size_t entryCount;
    // Comment lines written at the top of the level ("" gives an empty comment line).
    const char* const* commentLines;
    size_t commentLineCount;
};

// Sets every key of `level` and its sections to its default.
void SetPreferenceDefaults(const PreferenceLevel& level, void* object);

// Reads a preferences text into `object`, key by key; keys not in the text keep what
// they had. The tokenizer must be attached; the reader sets it up. Throws ParseException
// on a syntax error (the line number, counted from 1, as the first code).
void ReadPreferences(Tokenizer& tokenizer, const PreferenceLevel& top, void* object);

// The whole preferences text of `object`, with LF line ends.
std::string WritePreferences(const PreferenceLevel& top, const void* object);
