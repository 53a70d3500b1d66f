// The text editing model and the number formats of text lines.
#include <gtest/gtest.h>

#include "gui/NumberFormat.h"
#include "gui/TextEdit.h"

TEST(TextEdit, InsertReplacesTheSelectionAndStopsAtTheMaximum) {
    GUI_TextEdit e;
    e.SetMaxLength(8);
    e.SetText("abcdef");
    e.SetCursor(1, false);
    e.SetCursor(4, true);
    EXPECT_EQ(e.SelectedText(), "bcd");
    EXPECT_TRUE(e.Insert("XYZW"));
    EXPECT_EQ(e.Text(), "aXYZWef");
    EXPECT_EQ(e.Cursor(), 5);
    EXPECT_TRUE(e.Insert("12345"));  // only one more fits
    EXPECT_EQ(e.Text(), "aXYZW1ef");
    EXPECT_FALSE(e.Insert("9"));
    e.SetText("0123456789");
    EXPECT_EQ(e.Text(), "01234567");
}

TEST(TextEdit, ControlCharactersAndLineFeedsInOneLine) {
    GUI_TextEdit e;
    EXPECT_TRUE(e.Insert("a\tb\nc\x01"));
    EXPECT_EQ(e.Text(), "a bc");
    GUI_TextEdit field;
    field.SetMultiline(true);
    field.Insert("one\r\ntwo");
    EXPECT_EQ(field.Text(), "one\ntwo");
    EXPECT_EQ(field.LineCount(), 2);
}

TEST(TextEdit, CursorMovesOverWholeCharacters) {
    GUI_TextEdit e;
    e.SetText("a\xC3\xA9z");  // a, e-acute (two bytes), z
    e.Left(false);
    e.Left(false);
    EXPECT_EQ(e.Cursor(), 1);
    EXPECT_TRUE(e.Delete());
    EXPECT_EQ(e.Text(), "az");
    e.InsertCharacter(0xE9);
    EXPECT_EQ(e.Text(), "a\xC3\xA9z");
    EXPECT_TRUE(e.Backspace());
    EXPECT_EQ(e.Text(), "az");
    // Counting characters, not bytes, for the maximum.
    e.SetMaxLength(3);
    e.SetText("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9");
    EXPECT_EQ(GUI_TextEdit::CharacterCount(e.Text()), 3);
}

TEST(TextEdit, ByteLimitNeverCutsACharacterInHalf) {
    // A name field of 8 bytes: "T\xC3\xABst" is 5 bytes, 4 characters.
    GUI_TextEdit e;
    e.SetMaxLength(32);
    e.SetMaxBytes(8);
    EXPECT_TRUE(e.Insert("T\xC3\xABst"));
    EXPECT_TRUE(e.Insert("\xC3\xB3\xC3\xB3"));  // the first fits, the second would end at 9
    EXPECT_EQ(e.Text(), "T\xC3\xABst\xC3\xB3");
    EXPECT_TRUE(e.Insert("x"));
    EXPECT_FALSE(e.Insert("y"));
    EXPECT_EQ(e.Text().size(), 8u);
    // Replacing a selection frees its bytes first: three bytes for three.
    e.SetCursor(1, false);
    e.SetCursor(3, true);
    EXPECT_FALSE(e.Insert("\xE4\xB8\xAD"));
    e.SetCursor(4, true);
    EXPECT_TRUE(e.Insert("\xE4\xB8\xAD"));
    EXPECT_EQ(e.Text(), "T\xE4\xB8\xADt\xC3\xB3x");
    // Text set from outside stops before the character that crosses the limit.
    e.SetText("ab\xE4\xB8\xAD\xE4\xB8\xAD\xE4\xB8\xAD");
    EXPECT_EQ(e.Text(), "ab\xE4\xB8\xAD\xE4\xB8\xAD");
    const unsigned before = e.Revision();
    e.Backspace();
    EXPECT_NE(e.Revision(), before);
}

TEST(TextEdit, WordsHomeEndAndSelectionCollapse) {
    GUI_TextEdit e;
    e.SetText("play the song");
    e.WordLeft(false);
    EXPECT_EQ(e.Cursor(), 9);
    e.WordLeft(true);
    EXPECT_EQ(e.SelectedText(), "the ");
    e.Right(false);  // collapses to the end of the selection
    EXPECT_EQ(e.Cursor(), 9);
    e.Home(true);
    EXPECT_EQ(e.SelectedText(), "play the ");
    EXPECT_TRUE(e.Backspace());
    EXPECT_EQ(e.Text(), "song");
    e.WordRight(false);
    EXPECT_EQ(e.Cursor(), 4);
}

TEST(TextEdit, UpAndDownKeepTheColumn) {
    GUI_TextEdit e;
    e.SetMultiline(true);
    e.SetMaxLength(100);
    e.SetText("first line\nab\nthird line");
    e.TextStart(false);
    e.SetCursor(7, false);  // column 7 of the first line
    e.Down(false);          // the short line ends at column 2
    EXPECT_EQ(e.Cursor(), 13);
    e.Down(false);
    EXPECT_EQ(e.Cursor(), 16);
    e.Up(true);
    e.Up(true);
    EXPECT_EQ(e.Cursor(), 2);
    EXPECT_EQ(e.LineOf(e.Anchor()), 2);
}

TEST(TextEdit, FilterRefusesCharacters) {
    GUI_TextEdit e;
    e.SetFilter([](char32_t c) { return c >= '0' && c <= '9'; });
    e.Insert("1a2-3");
    EXPECT_EQ(e.Text(), "123");
    EXPECT_FALSE(e.InsertCharacter('x'));
}

TEST(NumberFormat, FormatsAreRead) {
    GUI_Format f = GUI_ParseFormat("%3D");
    EXPECT_TRUE(f.number);
    EXPECT_EQ(f.digits, 3);
    f = GUI_ParseFormat("%2D.%3D");
    EXPECT_EQ(f.digits, 2);
    EXPECT_EQ(f.decimals, 3);
    f = GUI_ParseFormat("%20s");
    EXPECT_FALSE(f.number);
    EXPECT_EQ(f.maxLength, 20);
    f = GUI_ParseFormat("%2X");
    EXPECT_TRUE(f.hex);
    EXPECT_EQ(GUI_ParseFormat(nullptr).maxLength, 255);
    EXPECT_EQ(GUI_ParseFormat("%Q").maxLength, 255);
    EXPECT_FALSE(GUI_ParseFormat("%0D").number);
}

TEST(NumberFormat, EighthsShowAsFramesWithThreeDecimals) {
    GUI_Format f = GUI_ParseFormat("%2D.%3D");
    EXPECT_EQ(GUI_FormatNumber(f, 48, 8), "6.000");
    EXPECT_EQ(GUI_FormatNumber(f, 9, 8), "1.125");
    EXPECT_EQ(GUI_FormatNumber(f, 255, 8), "31.875");
    int v = 0;
    EXPECT_TRUE(GUI_ParseNumber(f, "6.5", 8, v));
    EXPECT_EQ(v, 52);
    EXPECT_TRUE(GUI_ParseNumber(f, "1.0625", 8, v));  // rounds to the nearest eighth
    EXPECT_EQ(v, 9);
    EXPECT_TRUE(GUI_ParseNumber(f, " 12 ", 8, v));
    EXPECT_EQ(v, 96);
    EXPECT_FALSE(GUI_ParseNumber(f, "6,5", 8, v));
    EXPECT_FALSE(GUI_ParseNumber(f, ".", 8, v));
    EXPECT_FALSE(GUI_ParseNumber(f, "", 8, v));
}

TEST(NumberFormat, DecimalAndHexadecimal) {
    GUI_Format d = GUI_ParseFormat("%3D");
    int v = 0;
    EXPECT_TRUE(GUI_ParseNumber(d, "-12", 1, v));
    EXPECT_EQ(v, -12);
    EXPECT_FALSE(GUI_ParseNumber(d, "1.5", 1, v));  // no decimals in this format
    EXPECT_FALSE(GUI_ParseNumber(d, "99999999999", 1, v));
    GUI_Format h = GUI_ParseFormat("%2X");
    EXPECT_EQ(GUI_FormatNumber(h, 31, 1), "1F");
    EXPECT_EQ(GUI_FormatNumber(h, 5, 1), "05");
    EXPECT_TRUE(GUI_ParseNumber(h, "$ff", 1, v));
    EXPECT_EQ(v, 255);
    EXPECT_FALSE(GUI_ParseNumber(h, "fg", 1, v));
}
