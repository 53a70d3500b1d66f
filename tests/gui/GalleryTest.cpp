// The gallery driven headless with injected mouse and keyboard input: the events each
// gadget gives, with the right window and gadget numbers and values.
#include "tests/gui/GuiFixture.h"
#include "tools/gui-gallery/Gallery.h"

namespace {

class GalleryTest : public GuiTest {
protected:
    void SetUp() override {
        GuiTest::SetUp();
        gallery = std::make_unique<Gallery>(*gui);
        gallery->Open();
    }
    void TearDown() override {
        gallery.reset();
        GuiTest::TearDown();
    }
    // Brings a gallery window to the front and gives it.
    GUI_Window* Front(int number) {
        gallery->OpenWindow(number);
        return gui->FindWindow(number);
    }
    DRELM_Point At(int window, int gadget) { return gui->GadgetCenter(Front(window), gadget); }

    std::unique_ptr<Gallery> gallery;
};

}  // namespace

TEST_F(GalleryTest, ButtonClickGivesActivatedWithItsNumber) {
    Click(At(kGalleryButtons, kButtonsOkay));
    Frame();
    auto events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, kGalleryButtons);
    EXPECT_EQ(events[0].gadget, kButtonsOkay);

    Click(At(kGalleryButtons, kButtonsSmall));
    Frame();
    events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kButtonsSmall);
}

TEST_F(GalleryTest, ButtonActsOnlyWhenReleasedOverIt) {
    DRELM_Point okay = At(kGalleryButtons, kButtonsOkay);
    MoveTo(okay);
    DRELM_InjectMouseButton(1, true, okay.x, okay.y);
    DRELM_InjectMouseMove(okay.x, okay.y + 200);
    DRELM_InjectMouseButton(1, false, okay.x, okay.y + 200);
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_ACTIVATED).empty());
    // The same press, released over the button after all, does act.
    DRELM_InjectMouseButton(1, true, okay.x, okay.y);
    DRELM_InjectMouseMove(okay.x, okay.y + 200);
    DRELM_InjectMouseMove(okay.x, okay.y);
    DRELM_InjectMouseButton(1, false, okay.x, okay.y);
    Frame();
    const auto events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kButtonsOkay);
}

TEST_F(GalleryTest, DisabledGadgetsGiveNothing) {
    Click(At(kGalleryButtons, kButtonsDisabled));
    Click(At(kGalleryButtons, kButtonsDivider));
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_ACTIVATED).empty());
    // Enabled, the same button gives its event from the same click.
    gui->FindWindow(kGalleryButtons)->SetEnabled(kButtonsDisabled, true);
    Click(At(kGalleryButtons, kButtonsDisabled));
    Frame();
    const auto events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kButtonsDisabled);
}

TEST_F(GalleryTest, ToggleAndChoiceGadgetsReportTheirNewState) {
    GUI_Window* w = Front(kGalleryButtons);
    Click(At(kGalleryButtons, kButtonsWrap));  // was checked
    Click(At(kGalleryButtons, kButtonsPal));
    Click(At(kGalleryButtons, kButtonsType));
    Frame();
    auto events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].gadget, kButtonsWrap);
    EXPECT_EQ(events[0].value, 0);
    EXPECT_FALSE(w->Checked(kButtonsWrap));
    EXPECT_EQ(events[1].gadget, kButtonsPal);
    EXPECT_TRUE(w->Checked(kButtonsPal));
    EXPECT_FALSE(w->Checked(kButtonsNtsc));  // one of a group
    EXPECT_EQ(events[2].gadget, kButtonsType);
    EXPECT_EQ(events[2].value, 1);
    EXPECT_EQ(w->Text(kButtonsType), "PAL (50Hz)");
    // The cycle wraps around.
    Click(At(kGalleryButtons, kButtonsType));
    Frame();
    EXPECT_EQ(w->Value(kButtonsType), 0);
}

TEST_F(GalleryTest, KeyboardFocusMovesWithTabAndSpaceActivates) {
    GUI_Window* w = Front(kGalleryButtons);
    gui->SetFocus(w, kButtonsOkay);
    Press(SDL_SCANCODE_TAB);  // the disabled button is skipped
    Frame();
    EXPECT_EQ(gui->Focus(w), kButtonsLoop);
    Press(SDL_SCANCODE_SPACE);
    Frame();
    auto events = EventsOf(GUI_EVENT_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kButtonsLoop);
    EXPECT_FALSE(w->Checked(kButtonsLoop));
    PressWith(SDL_SCANCODE_LSHIFT, SDL_SCANCODE_TAB);
    Frame();
    EXPECT_EQ(gui->Focus(w), kButtonsOkay);
}

TEST_F(GalleryTest, ReturnActivatesTheDefaultButton) {
    GUI_Window* w = Front(kGalleryButtons);
    gui->SetFocus(w, kButtonsWrap);
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    std::vector<GUI_Event> events;
    for (const auto& e : Events())
        if (e.type != GUI_EVENT_KEY_UP) events.push_back(e);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, GUI_EVENT_KEY);
    EXPECT_EQ(events[0].key, DRELM_KEY_RETURN);
    EXPECT_EQ(events[1].type, GUI_EVENT_ACTIVATED);
    EXPECT_EQ(events[1].gadget, kButtonsOkay);
}

TEST_F(GalleryTest, TypingIntoATextLine) {
    GUI_Window* w = Front(kGalleryText);
    Click(At(kGalleryText, kTextTitle));
    Press(SDL_SCANCODE_END);
    Type(" bay");
    Frame();
    EXPECT_EQ(w->Text(kTextTitle), "Emerald Coast bay");
    auto events = EventsOf(GUI_EVENT_TEXT);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].gadget, kTextTitle);
    // Shift+Home selects back to the start; Backspace takes the selection.
    PressWith(SDL_SCANCODE_LSHIFT, SDL_SCANCODE_HOME);
    Press(SDL_SCANCODE_BACKSPACE);
    Type("x");
    Frame();
    EXPECT_EQ(w->Text(kTextTitle), "x");
}

TEST_F(GalleryTest, TextLineStopsAtItsWidth) {
    GUI_Window* w = Front(kGalleryText);
    Click(At(kGalleryText, kTextAuthor));
    Type(std::string(70, 'a'));
    Frame();
    EXPECT_EQ(w->Text(kTextAuthor), std::string(64, 'a'));
}

TEST_F(GalleryTest, CopyAndPasteBetweenTextLines) {
    GUI_Window* w = Front(kGalleryText);
    Click(At(kGalleryText, kTextTitle));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_C);
    Frame();
    EXPECT_EQ(clipboard, "Emerald Coast");
    Click(At(kGalleryText, kTextAuthor));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_V);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_V);
    Frame();
    EXPECT_EQ(w->Text(kTextAuthor), "Emerald CoastEmerald Coast");
    Click(At(kGalleryText, kTextTitle));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_X);
    Frame();
    EXPECT_EQ(w->Text(kTextTitle), "");
    EXPECT_EQ(clipboard, "Emerald Coast");
}

TEST_F(GalleryTest, TypingANumberIsClampedToItsLimits) {
    GUI_Window* w = Front(kGalleryText);
    Click(At(kGalleryText, kTextOctave));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("9x");  // letters are refused by the format
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    auto events = EventsOf(GUI_EVENT_NUMBER);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, kGalleryText);
    EXPECT_EQ(events[0].gadget, kTextOctave);
    EXPECT_EQ(events[0].value, 7);
    EXPECT_EQ(w->Value(kTextOctave), 7);
    EXPECT_EQ(w->Text(kTextOctave), "7");
    // The same value again gives no event.
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("7");
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_NUMBER).empty());
}

TEST_F(GalleryTest, NumberIsTakenWhenFocusLeaves) {
    GUI_Window* w = Front(kGalleryText);
    Click(At(kGalleryText, kTextVolume));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("12");
    Press(SDL_SCANCODE_TAB);
    Frame();
    auto events = EventsOf(GUI_EVENT_NUMBER);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 12);
    EXPECT_EQ(w->Value(kTextVolume), 12);
}

TEST_F(GalleryTest, FrameSpeedFieldReadsAndShowsEighths) {
    GUI_Window* w = Front(kGalleryText);
    EXPECT_EQ(w->Text(kTextSpeed), "6.000");
    Click(At(kGalleryText, kTextSpeed));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("6.5");
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    EXPECT_EQ(w->Value(kTextSpeed), 52);
    EXPECT_EQ(w->Text(kTextSpeed), "6.500");
    // Plus steps a whole frame (8), the fine plus one eighth.
    Click(NumberButton(w, kTextSpeed, 3));
    Frame();
    EXPECT_EQ(w->Value(kTextSpeed), 60);
    Click(NumberButton(w, kTextSpeed, 2));
    Frame();
    EXPECT_EQ(w->Value(kTextSpeed), 61);
    EXPECT_EQ(w->Text(kTextSpeed), "7.625");
    auto events = EventsOf(GUI_EVENT_NUMBER);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2].value, 61);
    // Below the minimum: 1.0 is 8, 0.5 is refused to 8.
    Click(At(kGalleryText, kTextSpeed));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("0.5");
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    EXPECT_EQ(w->Value(kTextSpeed), 8);
    EXPECT_EQ(w->Text(kTextSpeed), "1.000");
}

TEST_F(GalleryTest, HexadecimalFieldAndButtonsAtTheLimits) {
    GUI_Window* w = Front(kGalleryText);
    EXPECT_EQ(w->Text(kTextStereo), "FF");
    Click(NumberButton(w, kTextStereo, 2));  // plus at the maximum
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_NUMBER).empty());
    Click(At(kGalleryText, kTextStereo));
    PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_A);
    Type("1f");
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    EXPECT_EQ(w->Value(kTextStereo), 31);
    EXPECT_EQ(w->Text(kTextStereo), "1F");
    // Up and down keys step the focused field by its step.
    Press(SDL_SCANCODE_DOWN);
    Frame();
    EXPECT_EQ(w->Value(kTextStereo), 15);
    auto events = EventsOf(GUI_EVENT_NUMBER);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].gadget, kTextStereo);
    Click(NumberButton(w, kTextRepeat, 1));  // minus at the minimum
    Frame();
    EXPECT_EQ(w->Value(kTextRepeat), 0);
    EXPECT_TRUE(EventsOf(GUI_EVENT_NUMBER).empty());
}

TEST_F(GalleryTest, HeldPlusButtonRepeatsOnTheGuiClock) {
    GUI_Window* w = Front(kGalleryText);
    DRELM_Point plus = NumberButton(w, kTextRepeat, 2);
    MoveTo(plus);
    DRELM_InjectMouseButton(1, true, plus.x, plus.y);
    Frame();
    EXPECT_EQ(w->Value(kTextRepeat), 1);
    // 0.01 s steps: the repeat starts after 40 of them, then every 5.
    for (int i = 0; i < 3; ++i) {
        now += 0.1;
        Frame();
    }
    EXPECT_EQ(w->Value(kTextRepeat), 1);
    for (int i = 0; i < 2; ++i) {
        now += 0.1;
        Frame();
    }
    DRELM_InjectMouseButton(1, false, plus.x, plus.y);
    Frame();
    EXPECT_EQ(w->Value(kTextRepeat), 4);
    // A long stall counts as 0.1 s only.
    now += 5;
    Frame();
    EXPECT_EQ(w->Value(kTextRepeat), 4);
}

TEST_F(GalleryTest, SubmenuEntryGivesItsCommandNumber) {
    Click(Centre(gui->MenuTitleRect(1)));  // "Edit"
    Frame();
    ASSERT_TRUE(gui->MenuOpen());
    MoveTo(Centre(gui->MenuEntryRect(std::string("Options"))));
    Frame();
    Quelm::Rect entry = gui->MenuEntryRect(kCmdSeparateColumns);
    ASSERT_FALSE(entry.IsEmpty());
    // A disabled entry does nothing and leaves the menu open.
    Click(Centre(gui->MenuEntryRect(kCmdPasteDelete)));
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_MENU).empty());
    ASSERT_TRUE(gui->MenuOpen());
    MoveTo(Centre(gui->MenuEntryRect(std::string("Options"))));
    Frame();
    Click(Centre(gui->MenuEntryRect(kCmdSeparateColumns)));
    Frame();
    auto events = EventsOf(GUI_EVENT_MENU);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kCmdSeparateColumns);
    EXPECT_EQ(events[0].value, 1);
    EXPECT_TRUE(gui->MenuChecked(kCmdSeparateColumns));
    EXPECT_FALSE(gui->MenuOpen());
}

TEST_F(GalleryTest, MenuKeyboardNavigationAndChoiceGroups) {
    gui->OpenMenu(1);
    Press(SDL_SCANCODE_DOWN);   // Undo
    Press(SDL_SCANCODE_DOWN);   // Redo is disabled: Clipboard
    Press(SDL_SCANCODE_RIGHT);  // into the submenu: System
    Press(SDL_SCANCODE_DOWN);   // Internal 1
    Press(SDL_SCANCODE_DOWN);   // Internal 2
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    auto events = EventsOf(GUI_EVENT_MENU);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kCmdClipboardFirst + 2);
    EXPECT_TRUE(gui->MenuChecked(kCmdClipboardFirst + 2));
    EXPECT_FALSE(gui->MenuChecked(kCmdClipboardFirst));
    // Escape closes one level at a time; keys do not leak to the windows meanwhile.
    gui->OpenMenu(0);
    Press(SDL_SCANCODE_ESCAPE);
    Frame();
    EXPECT_FALSE(gui->MenuOpen());
    EXPECT_TRUE(EventsOf(GUI_EVENT_KEY).empty());
}

TEST_F(GalleryTest, AltTapOpensTheMenuForTheKeyboard) {
    Press(SDL_SCANCODE_LALT);
    Frame();
    ASSERT_TRUE(gui->MenuOpen());
    Press(SDL_SCANCODE_RETURN, 13);  // the first entry of "File" is highlighted
    Frame();
    auto events = EventsOf(GUI_EVENT_MENU);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].gadget, kCmdMessage);
    // Alt used with another key is not a tap.
    DRELM_InjectKey(SDL_SCANCODE_LALT, true);
    Press(SDL_SCANCODE_X, 'x');
    DRELM_InjectKey(SDL_SCANCODE_LALT, false);
    Frame();
    EXPECT_FALSE(gui->MenuOpen());
}

TEST_F(GalleryTest, ClickOutsideAnOpenMenuOnlyClosesIt) {
    gui->OpenMenu(0);
    Click(At(kGalleryButtons, kButtonsOkay));
    Frame();
    EXPECT_FALSE(gui->MenuOpen());
    EXPECT_TRUE(EventsOf(GUI_EVENT_ACTIVATED).empty());
    // With the menu closed, the same click reaches the button.
    Click(At(kGalleryButtons, kButtonsOkay));
    Frame();
    EXPECT_EQ(EventsOf(GUI_EVENT_ACTIVATED).size(), 1u);
}

TEST_F(GalleryTest, ListSelectionGivesItsEvent) {
    GUI_Window* w = Front(kGalleryLists);
    Click(ListRow(w, kListsPatterns, 2));
    Frame();
    auto events = EventsOf(GUI_EVENT_LIST);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, kGalleryLists);
    EXPECT_EQ(events[0].gadget, kListsPatterns);
    EXPECT_EQ(events[0].value, 2);
    EXPECT_EQ(w->ListSelection(kListsPatterns), 2);
    // Keys move the selection, End scrolls the last entry into view.
    Press(SDL_SCANCODE_DOWN);
    Frame();
    events = EventsOf(GUI_EVENT_LIST);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 3);
    Press(SDL_SCANCODE_END);
    Frame();
    EXPECT_EQ(w->ListSelection(kListsPatterns), 15);
    const GUI_Gadget* list = w->Gadget(kListsPatterns);
    EXPECT_EQ(list->scrollTop, 16 - list->visibleRows);
    Press(SDL_SCANCODE_RETURN, 13);
    Frame();
    events = EventsOf(GUI_EVENT_LIST_ACTIVATED);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 15);
}

TEST_F(GalleryTest, ListWheelScrollsWithoutSelecting) {
    GUI_Window* w = Front(kGalleryLists);
    MoveTo(ListRow(w, kListsPatterns, 1));
    DRELM_InjectWheel(-1);
    Frame();
    EXPECT_EQ(w->Gadget(kListsPatterns)->scrollTop, 3);
    EXPECT_EQ(w->ListSelection(kListsPatterns), -1);
    DRELM_InjectWheel(5);
    Frame();
    EXPECT_EQ(w->Gadget(kListsPatterns)->scrollTop, 0);
    EXPECT_TRUE(EventsOf(GUI_EVENT_LIST).empty());
}

TEST_F(GalleryTest, SliderDragGivesValues) {
    GUI_Window* w = Front(kGalleryLists);
    Quelm::Rect r = gui->GadgetRect(w, kListsVolume);
    DRELM_Point grip = Centre(GUI_Detail::SliderGrip(gui->Skin(), *w->Gadget(kListsVolume)));
    grip.x += w->rect.x;
    grip.y += w->rect.y;
    MoveTo(grip);
    DRELM_InjectMouseButton(1, true, grip.x, grip.y);
    DRELM_InjectMouseMove(r.x - 50, grip.y);
    DRELM_InjectMouseButton(1, false, r.x - 50, grip.y);
    Frame();
    auto events = EventsOf(GUI_EVENT_SLIDER);
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().gadget, kListsVolume);
    EXPECT_EQ(events.back().value, 0);
    EXPECT_EQ(w->Value(kListsVolume), 0);
}

TEST_F(GalleryTest, CloseGadgetAndTitleDrag) {
    GUI_Window* w = Front(kGalleryButtons);
    Quelm::Rect title(w->rect.x, w->rect.y, w->rect.width, w->titleHeight);
    DRELM_Point from(title.x + 40, title.y + title.height / 2);
    const int x0 = w->rect.x, y0 = w->rect.y;
    MoveTo(from);
    DRELM_InjectMouseButton(1, true, from.x, from.y);
    DRELM_InjectMouseMove(from.x + 30, from.y + 20);
    DRELM_InjectMouseButton(1, false, from.x + 30, from.y + 20);
    Frame();
    EXPECT_EQ(w->rect.x, x0 + 30);
    EXPECT_EQ(w->rect.y, y0 + 20);
    Click(DRELM_Point(w->rect.x + w->closeRect.x + 4, w->rect.y + w->closeRect.y + 4));
    Frame();
    auto events = EventsOf(GUI_EVENT_CLOSE);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].window, kGalleryButtons);
}

TEST_F(GalleryTest, ModalWindowBlocksTheWindowsBelow) {
    GUI_GadgetDesc d[] = {{.kind = GT_BUTTON, .label = "Close"}};
    GUI_Window* modal = gui->OpenWindow(50, "Modal", 200, d, 1, GUI_WINDOW_MODAL);
    ASSERT_NE(modal, nullptr);
    gui->MoveWindow(modal, 600, 500);
    GUI_Window* buttons = gui->FindWindow(kGalleryButtons);
    Click(gui->GadgetCenter(buttons, kButtonsOkay));
    Click(Centre(gui->MenuTitleRect(0)));
    Frame();
    EXPECT_TRUE(Events().empty());
    EXPECT_FALSE(gui->MenuOpen());
    // Keys go to the modal window.
    Press(SDL_SCANCODE_A, 'a');
    Frame();
    auto keys = EventsOf(GUI_EVENT_KEY);
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_EQ(keys[0].window, 50);
    gui->CloseWindow(modal);
    Click(gui->GadgetCenter(buttons, kButtonsOkay));
    Frame();
    EXPECT_EQ(EventsOf(GUI_EVENT_ACTIVATED).size(), 1u);
}

TEST_F(GalleryTest, WindowNumbersAreUniqueAndSlotsLimited) {
    GUI_GadgetDesc d[] = {{.kind = GT_LABEL, .label = "x"}};
    EXPECT_EQ(gui->OpenWindow(kGalleryButtons, "Again", 200, d, 1), nullptr);
    EXPECT_EQ(gui->FrontWindow()->number, kGalleryButtons);
    int opened = gui->WindowCount();
    for (int n = 100; opened < GUI::kMaxWindows; ++n, ++opened)
        ASSERT_NE(gui->OpenWindow(n, "w", 100, d, 1, 0), nullptr);
    EXPECT_EQ(gui->OpenWindow(999, "one too many", 100, d, 1, 0), nullptr);
    EXPECT_EQ(gui->WindowCount(), GUI::kMaxWindows);
}

TEST_F(GalleryTest, DeviceLossBecomesEvent21) {
    DRELM_SimulateDeviceLost();
    Frame();
    auto events = EventsOf(GUI_EVENT_RESTORE);
    ASSERT_EQ(events.size(), 1u);
    // The library reports the loss once until the device is restored.
    DRELM_SimulateDeviceLost();
    Frame();
    EXPECT_TRUE(EventsOf(GUI_EVENT_RESTORE).empty());
    gui->RestoreDevice();
    EXPECT_TRUE(gui->Skin().IsLoaded());
}
