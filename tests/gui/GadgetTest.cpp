// Each kind of gadget on a window of the test's own: the keys it takes and those it leaves
// for the program, and what presses and drags on it do.
#include "tests/gui/GuiFixture.h"

namespace {

enum { kWindow = 40 };
enum { kName, kAmount, kNotes, kEntries, kChoice, kLevel, kScroll, kOkay };

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
