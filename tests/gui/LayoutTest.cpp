// Dialogs built from gadget descriptions: numbering, layout in rows and columns, and the
// GUI clock of the pump.
#include "tests/gui/GuiFixture.h"

namespace {

// The MOD file information dialog's shape: a name field, the sample list, two cycles and
// two buttons, with group frames around them.
const GUI_GadgetDesc kModInfo[] = {
    {.kind = GT_FRAME_LABEL, .row = 0, .column = 0, .columns = 2, .rows = 2, .label = "Module"},
    {.kind = GT_TEXTLINE,
     .row = 0,
     .column = 0,
     .columns = 2,
     .label = "Name:",
     .text = "%20s",
     .content = "song"},
    {.kind = GT_LIST, .row = 1, .column = 0, .columns = 2, .height = 4},
    {.kind = GT_LIST_COL, .label = "Sample", .width = 120},
    {.kind = GT_LIST_ENTRY, .content = "bass\t4"},
    {.kind = GT_LIST_ENTRY, .content = "snare\t2"},
    {.kind = GT_FRAME, .row = 2, .column = 0, .columns = 2, .rows = 2},
    {.kind = GT_SELECTBOX,
     .row = 2,
     .column = 0,
     .columns = 2,
     .label = "Channels:",
     .text = "1\n2\n3"},
    {.kind = GT_SELECTBOX,
     .row = 3,
     .column = 0,
     .columns = 2,
     .label = "Type:",
     .text = "NTSC (60Hz)\nPAL (50Hz)",
     .value = 1},
    {.kind = GT_BUTTON, .row = 4, .column = 0, .label = "Okay"},
    {.kind = GT_BUTTON, .row = 4, .column = 1, .label = "Cancel"},
};

bool Inside(const Quelm::Rect& outer, const Quelm::Rect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

bool Overlap(const Quelm::Rect& a, const Quelm::Rect& b) { return !a.Intersect(b).IsEmpty(); }

}  // namespace

using LayoutTest = GuiTest;

TEST_F(LayoutTest, GadgetsAreNumberedInOrderWithoutFrames) {
    GUI_Window* w =
        gui->OpenWindow(20, "MOD file information", 400, kModInfo, int(std::size(kModInfo)));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->Gadget(0)->desc.kind, GT_TEXTLINE);
    EXPECT_EQ(w->Gadget(1)->desc.kind, GT_LIST);
    EXPECT_EQ(w->Gadget(2)->label, "Channels:");
    EXPECT_EQ(w->Gadget(3)->label, "Type:");
    EXPECT_EQ(w->Gadget(4)->label, "Okay");
    EXPECT_EQ(w->Gadget(5)->label, "Cancel");
    EXPECT_EQ(w->Gadget(6), nullptr);
    // Columns and entries belong to the list and take no number.
    EXPECT_EQ(w->Gadget(1)->columns.size(), 1u);
    EXPECT_EQ(w->Gadget(1)->entries.size(), 2u);
    EXPECT_EQ(w->Text(0), "song");
    EXPECT_EQ(w->Text(3), "PAL (50Hz)");
}

TEST_F(LayoutTest, RowsAndColumnsDoNotOverlapAndFramesEnclose) {
    GUI_Window* w =
        gui->OpenWindow(20, "MOD file information", 400, kModInfo, int(std::size(kModInfo)));
    ASSERT_NE(w, nullptr);
    std::vector<Quelm::Rect> boxes;
    for (int n = 0; n < 6; ++n) boxes.push_back(w->Gadget(n)->rect);
    for (size_t a = 0; a < boxes.size(); ++a)
        for (size_t b = a + 1; b < boxes.size(); ++b)
            EXPECT_FALSE(Overlap(boxes[a], boxes[b])) << a << " " << b;
    const Quelm::Rect inside(0, w->titleHeight, w->rect.width, w->rect.height - w->titleHeight);
    for (const auto& r : boxes) EXPECT_TRUE(Inside(inside, r));
    // Rows go down, columns go right; the labelled fields of one column line up.
    EXPECT_LT(boxes[0].Bottom(), boxes[1].y);
    EXPECT_EQ(boxes[4].y, boxes[5].y);
    EXPECT_LT(boxes[4].Right(), boxes[5].x);
    EXPECT_EQ(boxes[2].x, boxes[3].x);
    const GUI_Gadget& frame = w->gadgets[0];
    EXPECT_EQ(frame.number, -1);
    EXPECT_TRUE(Inside(frame.rect, boxes[0]));
    EXPECT_TRUE(Inside(frame.rect, boxes[1]));
    EXPECT_FALSE(Overlap(frame.rect, boxes[2]));
}

TEST_F(LayoutTest, WindowIsCentredAndAsTallAsItsGadgets) {
    GUI_Window* w =
        gui->OpenWindow(20, "MOD file information", 400, kModInfo, int(std::size(kModInfo)));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->rect.width, 400);
    EXPECT_EQ(w->rect.x, (800 - 400) / 2);
    EXPECT_NEAR(w->rect.y, (600 - w->rect.height) / 2, 1);
    const Quelm::Rect last = w->Gadget(5)->rect;
    EXPECT_GT(w->rect.height, last.Bottom());
    EXPECT_LT(w->rect.height, last.Bottom() + 40);
}

TEST_F(LayoutTest, SettersKeepValuesInRange) {
    GUI_GadgetDesc d[] = {
        {.kind = GT_TEXTLINE, .label = "Length:", .text = "%3D", .min = 1, .max = 256, .value = 64},
        {.kind = GT_SELECTBOX, .row = 1, .text = "a\nb"},
        {.kind = GT_LIST, .row = 2},
        {.kind = GT_HSLIDER, .row = 3, .min = 0, .max = 10},
    };
    GUI_Window* w = gui->OpenWindow(21, "Ranges", 300, d, 4);
    w->SetValue(0, 999);
    EXPECT_EQ(w->Value(0), 256);
    EXPECT_EQ(w->Text(0), "256");
    w->SetRange(0, 1, 32);
    EXPECT_EQ(w->Value(0), 32);
    w->SetValue(1, 5);
    EXPECT_EQ(w->Value(1), 1);
    w->SetListEntries(2, {"x", "y"});
    w->SetListSelection(2, 7);
    EXPECT_EQ(w->ListSelection(2), -1);
    w->SetListSelection(2, 1);
    w->SetListEntries(2, {"only"});
    EXPECT_EQ(w->ListSelection(2), -1);
    w->SetValue(3, -4);
    EXPECT_EQ(w->Value(3), 0);
    // Unknown gadget numbers are ignored.
    w->SetText(42, "nothing");
    EXPECT_EQ(w->Value(42), 0);
}

TEST_F(LayoutTest, PumpRunsOneTimerStepPerHundredthAndCarriesTheRest) {
    Frame();  // the first pump only starts the clock
    const int start = gui->Ticks();
    gui->AdvanceClock(0.025);
    EXPECT_EQ(gui->Ticks() - start, 2);
    gui->AdvanceClock(0.005);  // 0.005 was carried
    EXPECT_EQ(gui->Ticks() - start, 3);
    gui->AdvanceClock(3.0);  // capped at 0.1 s
    EXPECT_EQ(gui->Ticks() - start, 13);
    now += 0.05;
    Frame();
    EXPECT_EQ(gui->Ticks() - start, 18);
}

TEST_F(LayoutTest, ModalLoopRestoresTheDeviceAndEndsWhenTheWindowCloses) {
    GUI_GadgetDesc d[] = {{.kind = GT_BUTTON, .label = "Okay"}};
    GUI_Window* w = gui->OpenWindow(22, "Dialog", 200, d, 1);
    int restores = 0, handled = 0;
    gui->SetModalHooks(
        [&] {
            if (++frame == 1) DRELM_SimulateDeviceLost();
            if (frame == 3) gui->CloseWindow(22);
        },
        [&] {
            ++restores;
            gui->RestoreDevice();
        });
    GUI_RunModal(*gui, w, [&](const GUI_Event& e) {
        ++handled;
        EXPECT_NE(e.type, GUI_EVENT_RESTORE);
        return false;
    });
    EXPECT_EQ(restores, 1);
    EXPECT_EQ(frame, 3);
}

TEST_F(LayoutTest, TextFieldTakesLinesAndReadOnlyRefusesEdits) {
    GUI_GadgetDesc d[] = {
        {.kind = GT_TEXTFIELD, .label = "Notes:", .content = "one", .height = 3},
        {.kind = GT_TEXTFIELD, .row = 1, .content = "fixed", .flags = GUI_READONLY, .height = 2},
    };
    GUI_Window* w = gui->OpenWindow(23, "Fields", 300, d, 2);
    gui->SetFocus(w, 0);
    Press(SDL_SCANCODE_END);
    Press(SDL_SCANCODE_RETURN, 13);
    Type("two");
    Frame();
    EXPECT_EQ(w->Text(0), "one\ntwo");
    EXPECT_FALSE(EventsOf(GUI_EVENT_TEXT).empty());
    gui->SetFocus(w, 1);
    Type("x");
    Press(SDL_SCANCODE_BACKSPACE);
    Frame();
    EXPECT_EQ(w->Text(1), "fixed");
}

TEST_F(LayoutTest, ImageGadgetReportsMouseInsideItself) {
    int drawn = 0;
    GUI_GadgetDesc d[] = {
        {.kind = GT_IMAGE, .height = 100, .draw = [&](const Quelm::Rect&) { ++drawn; }}};
    GUI_Window* w = gui->OpenWindow(24, "Image", 300, d, 1, 0);
    Quelm::Rect r = gui->GadgetRect(w, 0);
    DRELM_Point p(r.x + 12, r.y + 22);
    MoveTo(p);
    DRELM_InjectMouseButton(1, true, p.x, p.y);
    DRELM_InjectMouseMove(p.x + 5, p.y + 6);
    DRELM_InjectMouseButton(1, false, p.x + 5, p.y + 6);
    DRELM_InjectWheel(-2);
    Frame();
    std::vector<GUI_Event> events;
    for (const auto& e : Events())
        if (e.type >= GUI_EVENT_IMAGE_DOWN && e.type <= GUI_EVENT_IMAGE_WHEEL) events.push_back(e);
    ASSERT_EQ(events.size(), 5u);  // hover move, press, drag, release, wheel
    EXPECT_EQ(events[1].type, GUI_EVENT_IMAGE_DOWN);
    // Coordinates count from the inside of the image's 2-pixel border.
    EXPECT_EQ(events[1].x, 10);
    EXPECT_EQ(events[1].y, 20);
    EXPECT_EQ(events[2].type, GUI_EVENT_IMAGE_MOVE);
    EXPECT_EQ(events[2].x, 15);
    EXPECT_EQ(events[3].type, GUI_EVENT_IMAGE_UP);
    EXPECT_EQ(events[4].type, GUI_EVENT_IMAGE_WHEEL);
    EXPECT_EQ(events[4].value, -2);
    gui->Draw();
    EXPECT_EQ(drawn, 1);
}
