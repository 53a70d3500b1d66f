// The recovery note's text, both ways.
#include <gtest/gtest.h>

#include "app/RecoveryNote.h"

TEST(RecoveryNote, WritesTwoLinesAndReadsThemBack) {
    const RecoveryNote note{1775225229, "/home/user/my songs/Lied für dich.quavex"};
    const std::string text = FormatRecoveryNote(note);
    EXPECT_EQ(text, "time 1775225229\npath /home/user/my songs/Lied für dich.quavex\n");
    const RecoveryNote back = ParseRecoveryNote(text);
    EXPECT_EQ(back.time, note.time);
    EXPECT_EQ(back.path, note.path);
}

// A file name may hold a line break; written on its line it would come back as another
// file, which the next save would then write to.
TEST(RecoveryNote, APathWithALineBreakIsLeftOut) {
    EXPECT_EQ(FormatRecoveryNote({5, "/tmp/a\nb.quavex"}), "time 5\npath \n");
    EXPECT_EQ(FormatRecoveryNote({5, "/tmp/a\rb.quavex"}), "time 5\npath \n");
}

TEST(RecoveryNote, ReadsWhatItCanOfAnyText) {
    struct Case {
        const char* text;
        int64_t time;
        const char* path;
    } cases[] = {
        {"", 0, ""},
        {"time 12\r\npath /x\r\n", 12, "/x"},
        {"path /x\ntime 7", 7, "/x"},
        {"time -3\npath /x\n", 0, "/x"},
        {"time 12abc\n", 0, ""},
        {"time 99999999999999999999999\n", 0, ""},
        {"something else\ntime\npath\n", 0, ""},
    };
    for (const Case& c : cases) {
        const RecoveryNote note = ParseRecoveryNote(c.text);
        EXPECT_EQ(note.time, c.time) << c.text;
        EXPECT_EQ(note.path, c.path) << c.text;
    }
}
