// The table machinery with kinds the program's own file does not use yet (integers and
// lists), on a small settings structure of the test's own.
#include <gtest/gtest.h>

#include <string>

#include "app/Exceptions.h"
#include "app/PreferenceTable.h"
#include "app/Tokenizer.h"

namespace {

struct Settings {
    uint32_t counter = 0;
    uint8_t levels[3] = {};
    uint32_t palette[2] = {};
    PreferenceResolution sizes[2];
    std::string names[2];
    bool flags[2] = {};
    uint8_t mode = 0;
};

#define FIELD(member) [](void* o) -> void* { return &static_cast<Settings*>(o)->member; }

const PreferenceEntry kInner[] = {
    {"mode", PreferenceKind::kChoice, FIELD(mode), 2, 0, nullptr, 0, 0, "a|bb|ccc",
     PreferenceKind::kBool, 0, "One of a, bb, ccc.", nullptr},
};
const PreferenceLevel kInnerLevel = {kInner, 1, nullptr, 0};

const PreferenceEntry kEntries[] = {
    {"counter", PreferenceKind::kInteger, FIELD(counter), 7, 0, nullptr, 0, 0, nullptr,
     PreferenceKind::kBool, 0, "Any number.", nullptr},
    {"levels", PreferenceKind::kList, FIELD(levels), 5, 0, nullptr, 1, 9, nullptr,
     PreferenceKind::kRangedByte, 3, "Three, 1..9.", nullptr},
    {"palette", PreferenceKind::kList, FIELD(palette), 0xABCDEF, 0, nullptr, 0, 0, nullptr,
     PreferenceKind::kColour, 2, nullptr, nullptr},
    {"sizes", PreferenceKind::kList, FIELD(sizes), 320, 200, nullptr, 0, 0, nullptr,
     PreferenceKind::kResolution, 2, nullptr, nullptr},
    {"names", PreferenceKind::kList, FIELD(names), 0, 0, "none", 0, 0, nullptr,
     PreferenceKind::kString, 2, nullptr, nullptr},
    {"flags", PreferenceKind::kList, FIELD(flags), 1, 0, nullptr, 0, 0, nullptr,
     PreferenceKind::kBool, 2, nullptr, nullptr},
    {"inner", PreferenceKind::kSection, nullptr, 0, 0, nullptr, 0, 0, nullptr,
     PreferenceKind::kBool, 0, nullptr, &kInnerLevel},
};
const char* const kLines[] = {"Test settings"};
const PreferenceLevel kTop = {kEntries, 7, kLines, 1};

#undef FIELD

void Read(Settings& s, const std::string& text) {
    Tokenizer tokenizer;
    tokenizer.AttachBuffer(text.data(), text.size());
    ReadPreferences(tokenizer, kTop, &s);
}

TEST(PreferenceTable, DefaultsAndWrittenTextOfEveryKind) {
    Settings s;
    SetPreferenceDefaults(kTop, &s);
    EXPECT_EQ(WritePreferences(kTop, &s),
              ";\n"
              "; Test settings\n"
              ";\n"
              "; counter: Any number.\n"
              "; levels:  Three, 1..9.\n"
              ";\n"
              "counter = 7\n"
              "levels  = 5, 5, 5\n"
              "palette = $ABCDEF, $ABCDEF\n"
              "sizes   = 320x200, 320x200\n"
              "names   = \"none\", \"none\"\n"
              "flags   = true, true\n"
              "inner {\n"
              "\t;\n"
              "\t; mode: One of a, bb, ccc.\n"
              "\t;\n"
              "\tmode = ccc\n"
              "}\n");
}

TEST(PreferenceTable, ListsAndIntegersReadBack) {
    Settings s;
    SetPreferenceDefaults(kTop, &s);
    Read(s, "counter = 4294967295\nlevels = 0, 4,200\npalette = $1, 16\n"
            "sizes = 1x2,3 x 4\nnames = \"p\",\"\"\nflags = false, maybe\ninner {\nmode = BB\n}\n");
    EXPECT_EQ(s.counter, 4294967295u);
    EXPECT_EQ(s.levels[0], 1);
    EXPECT_EQ(s.levels[1], 4);
    EXPECT_EQ(s.levels[2], 9);
    EXPECT_EQ(s.palette[1], 16u);
    EXPECT_EQ(s.sizes[1], (PreferenceResolution{3, 4}));
    EXPECT_EQ(s.names[0], "p");
    EXPECT_EQ(s.names[1], "");
    EXPECT_FALSE(s.flags[0]);
    EXPECT_TRUE(s.flags[1]);
    EXPECT_EQ(s.mode, 1);
    // Every value reads back as written, the largest integer included.
    const std::string text = WritePreferences(kTop, &s);
    Settings again;
    Read(again, text);
    EXPECT_EQ(WritePreferences(kTop, &again), text);
}

TEST(PreferenceTable, ShortListIsASyntaxError) {
    Settings s;
    EXPECT_THROW(Read(s, "levels = 1, 2\n"), ParseException);
    EXPECT_THROW(Read(s, "levels = 1 2 3\n"), ParseException);
}

TEST(PreferenceTable, ChoiceOutOfRangeIsWrittenAsTheDefault) {
    Settings s;
    SetPreferenceDefaults(kTop, &s);
    s.mode = 3;
    EXPECT_NE(WritePreferences(kTop, &s).find("\tmode = ccc\n"), std::string::npos);
    s.mode = 0;
    EXPECT_NE(WritePreferences(kTop, &s).find("\tmode = a\n"), std::string::npos);
}

}  // namespace
