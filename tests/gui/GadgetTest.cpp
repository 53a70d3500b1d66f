// Each kind of gadget on a window of the test's own: the keys it takes and those it leaves
// for the program, and what presses and drags on it do.
#include "tests/gui/GuiFixture.h"

namespace {

enum { kWindow = 40 };
enum { kName, kAmount, kNotes, kEntries, kChoice, kLevel, kScroll, kOkay, kCode, kPicture };

const GUI_GadgetDesc kGadgets[] = {
    {.kind = GT_TEXTLINE, .row = 0, .label = "Name:", .text = "%12s", .content = "abc"},
    {.kind = GT_TEXTLINE,
     .row = 1,
     .label = "Amount:",
     .text = "%3D",
     .min = 0,
     .max = 200,
     .value = 10,
     .step = 5},
    {.kind = GT_TEXTFIELD, .row = 2, .text = "%200s", .content = "one\ntwo", .height = 3},
    {.kind = GT_LIST, .row = 3, .height = 3},
    {.kind = GT_LIST_ENTRY, .content = "a"},
    {.kind = GT_LIST_ENTRY, .content = "b"},
    {.kind = GT_LIST_ENTRY, .content = "c"},
    {.kind = GT_LIST_ENTRY, .content = "d"},
    {.kind = GT_LIST_ENTRY, .content = "e"},
    {.kind = GT_SELECTBOX, .row = 4, .label = "Choice:", .text = "x\ny\nz"},
    {.kind = GT_HSLIDER, .row = 5, .label = "Level:", .min = 0, .max = 100, .value = 50},
    {.kind = GT_HSCRBAR, .row = 6, .label = "Scroll:", .max = 40, .page = 10},
    {.kind = GT_BUTTON, .row = 7, .label = "Okay", .flags = GUI_DEFAULT},
    {.kind = GT_TEXTLINE,
     .row = 8,
     .label = "Code:",
     .text = "%8s",
     .flags = GUI_BYTE_LIMIT | GUI_RETURN_NEXT},
    {.kind = GT_IMAGE, .row = 9, .height = 20},
};

class GadgetTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        w = gui->OpenWindow(kWindow, "Gadgets", 360, kGadgets, int(std::size(kGadgets)));
        ASSERT_NE(w, nullptr);
    }
    // Gives the focus to a gadget and drops the events that came with it.
    void FocusOn(int gadget) {
        gui->SetFocus(w, gadget);
        Events();
    }
    void Key(int scancode, int character = 0) {
        Press(scancode, character);
        Frame();
    }
    DRELM_Point At(int gadget) { return gui->GadgetCenter(w, gadget); }

    GUI_Window* w = nullptr;
};

}  // namespace

TEST_F(GadgetTest, TextLineEditsAndLeavesUpAndDownToTheProgram) {
    FocusOn(kName);
    Key(SDL_SCANCODE_END);
    Type("de");
    Frame();
    EXPECT_EQ(w->Text(kName), "abcde");
    EXPECT_FALSE(EventsOf(GUI_EVENT_TEXT).empty());
    Key(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(w->Text(kName), "abcd");
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_C);
    Frame();
    EXPECT_EQ(clipboard, "abcd");
    Key(SDL_SCANCODE_HOME);
    PressWith(SDL_SCANCODE_LSHIFT, SDL_SCANCODE_INSERT);
    Frame();
    EXPECT_EQ(w->Text(kName), "abcdabcd");
    Events();
    // A single line takes no Up: the program gets the key.
    Key(SDL_SCANCODE_UP);
    const auto keys = EventsOf(GUI_EVENT_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].key, DRELM_KEY_UP);
    Key(SDL_SCANCODE_RETURN, 13);
    EXPECT_EQ(EventsOf(GUI_EVENT_TEXT_ENTERED).size(), 1u);
}

TEST_F(GadgetTest, NumberFieldStepsWithKeysAndButtonsAndRefusesLetters) {
    FocusOn(kAmount);
    Key(SDL_SCANCODE_UP);
    EXPECT_EQ(w->Value(kAmount), 15);
    Key(SDL_SCANCODE_DOWN);
    Key(SDL_SCANCODE_DOWN);
    EXPECT_EQ(w->Value(kAmount), 5);
    Click(NumberButton(w, kAmount, 2));
    Frame();
    EXPECT_EQ(w->Value(kAmount), 10);
    Events();
    Key(SDL_SCANCODE_Q, 'q');
    EXPECT_EQ(w->Text(kAmount), "10");
    EXPECT_TRUE(EventsOf(GUI_EVENT_KEY).empty()) << "a refused character is still taken";
}

TEST_F(GadgetTest, TextFieldBreaksLinesAndMovesBetweenThem) {
    FocusOn(kNotes);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_END);
    Key(SDL_SCANCODE_RETURN, 13);
    Type("x");
    Frame();
    EXPECT_EQ(w->Text(kNotes), "one\ntwo\nx");
    Key(SDL_SCANCODE_UP);
    Type("y");
    Frame();
    EXPECT_EQ(w->Text(kNotes), "one\ntywo\nx");  // Up keeps the column
    Events();
    Key(SDL_SCANCODE_PAGEUP);
    EXPECT_TRUE(EventsOf(GUI_EVENT_KEY).empty()) << "a field takes its page keys";
}

TEST_F(GadgetTest, ListKeysMoveTheSelectionWithinTheEntries) {
    FocusOn(kEntries);
    Key(SDL_SCANCODE_DOWN);
    EXPECT_EQ(w->ListSelection(kEntries), 0);
    Key(SDL_SCANCODE_END);
    EXPECT_EQ(w->ListSelection(kEntries), 4);
    Key(SDL_SCANCODE_DOWN);
    EXPECT_EQ(w->ListSelection(kEntries), 4);
    Key(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(w->ListSelection(kEntries), 4 - w->Gadget(kEntries)->visibleRows);
    Events();
    Key(SDL_SCANCODE_RETURN, 13);
    const auto activated = EventsOf(GUI_EVENT_LIST_ACTIVATED);
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].value, w->ListSelection(kEntries));
}

TEST_F(GadgetTest, ChoiceCyclesBothWaysAndButtonsActOnSpace) {
    FocusOn(kChoice);
    Key(SDL_SCANCODE_SPACE, ' ');
    EXPECT_EQ(w->Value(kChoice), 1);
    Key(SDL_SCANCODE_UP);
    Key(SDL_SCANCODE_UP);
    EXPECT_EQ(w->Value(kChoice), 2);
    Events();
    FocusOn(kOkay);
    Key(SDL_SCANCODE_SPACE, ' ');
    const auto activated = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(activated.size(), 1u);
    EXPECT_EQ(activated[0].gadget, kOkay);
}

TEST_F(GadgetTest, SliderAndScrollBarStepWithKeysAndFollowTheMouse) {
    FocusOn(kLevel);
    Key(SDL_SCANCODE_RIGHT);
    EXPECT_EQ(w->Value(kLevel), 51);
    Key(SDL_SCANCODE_PAGEDOWN);
    EXPECT_EQ(w->Value(kLevel), 61);
    Key(SDL_SCANCODE_HOME);
    EXPECT_EQ(w->Value(kLevel), 0);
    // A press on the track's far end moves the grip there.
    const Quelm::Rect r = gui->GadgetRect(w, kLevel);
    Click(DRELM_Point(r.Right() - 1, r.y + r.height / 2));
    Frame();
    EXPECT_EQ(w->Value(kLevel), 100);

    FocusOn(kScroll);
    Key(SDL_SCANCODE_END);
    EXPECT_EQ(w->Value(kScroll), 30);  // the total less the visible page
    Key(SDL_SCANCODE_PAGEUP);
    EXPECT_EQ(w->Value(kScroll), 20);
}

TEST_F(GadgetTest, ReturnInALineEntersItThenDecidesOrMovesOn) {
    // Return enters the line and then presses the default button, as anywhere else.
    FocusOn(kName);
    Key(SDL_SCANCODE_RETURN, 13);
    std::vector<GUI_Event> events = Events();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, GUI_EVENT_TEXT_ENTERED);
    EXPECT_EQ(events[1].type, GUI_EVENT_ACTIVATED);
    EXPECT_EQ(events[1].gadget, kOkay);
    EXPECT_EQ(events[2].type, GUI_EVENT_KEY_UP);
    // A number is taken first.
    FocusOn(kAmount);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("150");
    Key(SDL_SCANCODE_RETURN, 13);
    // (Ctrl alone is a key for the program.)
    std::vector<int> types;
    for (const GUI_Event& e : Events())
        if (e.type != GUI_EVENT_KEY_UP && e.type != GUI_EVENT_KEY) types.push_back(e.type);
    EXPECT_EQ(types,
              (std::vector<int>{GUI_EVENT_NUMBER, GUI_EVENT_TEXT_ENTERED, GUI_EVENT_ACTIVATED}));
    EXPECT_EQ(w->Value(kAmount), 150);
    // Several lines keep Return for their line breaks.
    FocusOn(kNotes);
    Key(SDL_SCANCODE_RETURN, 13);
    EXPECT_TRUE(EventsOf(GUI_EVENT_ACTIVATED).empty());
    // A line that hands on goes to the next gadget that takes keys.
    FocusOn(kCode);
    Key(SDL_SCANCODE_RETURN, 13);
    EXPECT_TRUE(EventsOf(GUI_EVENT_ACTIVATED).empty());
    EXPECT_EQ(gui->Focus(w), kName) << "past the image, round to the first field";
}

TEST_F(GadgetTest, AClickOnWhatTakesNoKeysEndsTheTypingAsLeavingWould) {
    FocusOn(kAmount);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("77");
    Click(At(kPicture));
    Frame();
    std::vector<GUI_Event> events;
    for (const GUI_Event& e : Events())
        if (e.type == GUI_EVENT_NUMBER || e.type == GUI_EVENT_FOCUS_LEFT) events.push_back(e);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, GUI_EVENT_NUMBER);
    EXPECT_EQ(events[0].value, 77);
    EXPECT_EQ(events[1].type, GUI_EVENT_FOCUS_LEFT);
    EXPECT_EQ(events[1].gadget, kAmount);
    EXPECT_EQ(gui->Focus(w), -1);
    // The window's own background (here a field's label) does the same.
    FocusOn(kName);
    const Quelm::Rect label = w->Gadget(kName)->labelRect;
    Click(DRELM_Point(w->rect.x + label.x + 2, w->rect.y + label.y + label.height / 2));
    Frame();
    events = EventsOf(GUI_EVENT_FOCUS_LEFT);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kName);
    EXPECT_EQ(gui->Focus(w), -1);
    // Keys now go to the program.
    Key(SDL_SCANCODE_Z, 'z');
    EXPECT_EQ(EventsOf(GUI_EVENT_KEY).size(), 1u);
}

TEST_F(GadgetTest, LettersWithoutAKeyAreTypedAndAByteLimitKeepsWholeCharacters) {
    FocusOn(kName);
    Key(SDL_SCANCODE_END);
    DRELM_InjectText("\xC3\xBC\xE4\xB8\xAD");  // u-umlaut and a CJK letter
    Frame();
    EXPECT_EQ(w->Text(kName), "abc\xC3\xBC\xE4\xB8\xAD");
    EXPECT_TRUE(EventsOf(GUI_EVENT_KEY).empty()) << "the field took them";
    // Eight bytes: four two-byte letters, and no room for a fifth or half of one.
    FocusOn(kCode);
    DRELM_InjectText("\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
    Frame();
    EXPECT_EQ(w->Text(kCode), "\xC3\xA4\xC3\xA4\xC3\xA4\xC3\xA4");
    w->SetText(kCode, "abcdefg\xC3\xA4");
    EXPECT_EQ(w->Text(kCode), "abcdefg");
    // A number takes none of them.
    FocusOn(kAmount);
    DRELM_InjectText("\xC3\xBC");
    Frame();
    EXPECT_EQ(w->Value(kAmount), 10);
}

TEST_F(GadgetTest, TextFieldWrapsLongLinesAndMovesByTheRowsShown) {
    const std::string paragraph =
        "A melody in the lead channel over a bass that walks down the scale, with drums on "
        "the noise channel and an arpeggio that climbs.";
    const std::string word(120, 'w');  // no space to break at
    w->SetText(kNotes, paragraph + "\n" + word);
    FocusOn(kNotes);
    const GUI_Gadget& g = *w->Gadget(kNotes);
    const DRELM_Font* font = GUI_Detail::GadgetFont(gui->Skin(), g);
    const Quelm::Rect area = GUI_Detail::TextArea(gui->Skin(), g);
    const std::vector<GUI_TextRow> rows = GUI_Detail::TextRows(gui->Skin(), g);
    ASSERT_GT(rows.size(), 4u);
    const std::string& text = g.edit.Text();
    int covered = 0;
    for (const GUI_TextRow& r : rows) {
        EXPECT_LE(font->TextPartWidth(text.c_str(), r.start, r.end - r.start), area.width);
        EXPECT_GE(r.start, covered) << "rows in order";
        covered = r.end;
    }
    // Every character of both lines is in some row, and the paragraph breaks at spaces.
    EXPECT_EQ(rows.front().start, 0);
    EXPECT_EQ(rows.back().end, int(text.size()));
    EXPECT_EQ(text[size_t(rows[1].start) - 1], ' ');
    // Down goes to the next row shown, not to the next line.
    Key(SDL_SCANCODE_HOME);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_HOME);
    Frame();
    Key(SDL_SCANCODE_DOWN);
    EXPECT_EQ(GUI_Detail::RowOf(rows, g.edit.Cursor()), 1);
    EXPECT_EQ(g.edit.Cursor(), rows[1].start);
    // The end of the text is shown: the view follows the cursor row by row.
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_END);
    Frame();
    const int last = int(rows.size()) - 1;
    EXPECT_EQ(g.scrollLine, last - g.visibleRows + 1);
}
