// Input: the event ring, key repeat, double clicks, Caps Lock, the millisecond clock, the
// key table and names, key states, the wheel and the device-lost event. Input arrives as
// if from the window system; time comes from a counter the test moves.
#include <SDL.h>

#include "DrelmTestSupport.h"

using drelmtest::Drain;
using drelmtest::ManualClock;
using drelmtest::Update;

namespace {

class Input : public ::testing::Test {
protected:
    void SetUp() override {
        ManualClock::Install();
        DRELM_Init();
        Drain();
    }
    void TearDown() override {
        DRELM_Quit();
        DRELM_SetCounter(nullptr, 0, nullptr);
    }

    static std::vector<DRELM_Event> Press(SDL_Scancode key) {
        DRELM_InjectKey(key, true);
        return Update();
    }
    static std::vector<DRELM_Event> Release(SDL_Scancode key) {
        DRELM_InjectKey(key, false);
        return Update();
    }
    // A key-down the window system marks as a repeat, with the text it types.
    static void InjectWindowSystemRepeat(SDL_Scancode key, const char* text) {
        SDL_Event repeat{};
        repeat.type = SDL_KEYDOWN;
        repeat.key.repeat = 1;
        repeat.key.keysym.scancode = key;
        DRELM_InjectSdlEvent(&repeat);
        DRELM_InjectText(text);
    }
    static std::vector<DRELM_Event> WaitMs(double ms) {
        ManualClock::AdvanceMs(ms);
        return Update();
    }
    // The one event of a step; anything else is a failure, never a read past the end.
    static DRELM_Event Only(const std::vector<DRELM_Event>& events) {
        if (events.size() != 1) {
            ADD_FAILURE() << events.size() << " events where one was expected";
            return DRELM_Event{};
        }
        return events[0];
    }
    static std::vector<DRELM_Event> Click(int x, int y) {
        DRELM_InjectMouseButton(SDL_BUTTON_LEFT, true, x, y);
        DRELM_InjectMouseButton(SDL_BUTTON_LEFT, false, x, y);
        std::vector<DRELM_Event> presses;
        for (const DRELM_Event& e : Update()) {
            if (e.type == DRELM_EVENT_LEFT_DOWN) presses.push_back(e);
        }
        return presses;
    }
};

TEST(EventRecord, IsPackedInTheDocumentedOrder) {
    EXPECT_EQ(sizeof(DRELM_Event), 10u);
    EXPECT_EQ(offsetof(DRELM_Event, type), 0u);
    EXPECT_EQ(offsetof(DRELM_Event, ring), 1u);
    EXPECT_EQ(offsetof(DRELM_Event, flag), 2u);
    EXPECT_EQ(offsetof(DRELM_Event, key), 3u);
    EXPECT_EQ(offsetof(DRELM_Event, value1), 4u);
    EXPECT_EQ(offsetof(DRELM_Event, value2), 6u);
    EXPECT_EQ(offsetof(DRELM_Event, value3), 8u);
}

TEST_F(Input, RingKeepsSixtyFourEventsThenDropsAndMarksUntilDrained) {
    for (int i = 1; i <= 70; ++i) DRELM_InjectMouseMove(i, i);
    DRELM_UpdateInput();
    EXPECT_TRUE(DRELM_EventOverflow());
    DRELM_Event e;
    ASSERT_TRUE(DRELM_GetEvent(&e));
    EXPECT_EQ(e.value1, 1);  // the oldest ones are kept, the newest dropped

    // One slot is free again, but the mark still drops new events.
    DRELM_InjectMouseMove(200, 200);
    DRELM_UpdateInput();
    std::vector<DRELM_Event> rest = Drain();
    ASSERT_EQ(rest.size(), 63u);
    EXPECT_EQ(rest.back().value1, 64);

    // Drained: events are taken again.
    DRELM_InjectMouseMove(201, 202);
    rest = Update();
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].type, DRELM_EVENT_MOUSE_MOVE);
    EXPECT_EQ(rest[0].value1, 201);
    EXPECT_EQ(rest[0].value2, 202);
    EXPECT_TRUE(DRELM_EventOverflow());
    DRELM_ClearEventOverflow();
    EXPECT_FALSE(DRELM_EventOverflow());
}

TEST_F(Input, KeyRepeatStartsAfterTheDelayAndFollowsTheFortyMillisecondSteps) {
    std::vector<DRELM_Event> events = Press(SDL_SCANCODE_A);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_KEY_DOWN);
    EXPECT_EQ(events[0].flag, 0);
    EXPECT_EQ(events[0].key, DRELM_KEY_A);
    EXPECT_EQ(events[0].value1, 'a');

    // Armed 200 ms after the press; the first repeat is due 40 ms later.
    EXPECT_TRUE(WaitMs(200).empty());
    EXPECT_TRUE(WaitMs(39).empty());
    events = WaitMs(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_KEY_DOWN);
    EXPECT_EQ(events[0].flag, 1);
    EXPECT_EQ(events[0].key, DRELM_KEY_A);
    EXPECT_EQ(events[0].value1, 'a');

    // 100 ms give two repeats; the repeat clock then restarts at the present time, so the
    // 20 ms left over are not carried.
    EXPECT_EQ(WaitMs(100).size(), 2u);
    EXPECT_TRUE(WaitMs(39).empty());
    EXPECT_EQ(WaitMs(1).size(), 1u);

    // Frames shorter than the interval add up until a repeat is due.
    EXPECT_TRUE(WaitMs(16).empty());
    EXPECT_TRUE(WaitMs(16).empty());
    EXPECT_EQ(WaitMs(16).size(), 1u);

    // A long stall gives at most 11 repeats.
    EXPECT_EQ(WaitMs(5000).size(), 11u);

    events = Release(SDL_SCANCODE_A);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_KEY_UP);
    EXPECT_EQ(events[0].value1, 0);
    EXPECT_EQ(events[0].value2, 0);
    EXPECT_TRUE(WaitMs(1000).empty());
}

TEST_F(Input, ModifierKeysNeverRepeatAndRepeatsCarryTheModifiersOfThePress) {
    for (SDL_Scancode mod :
         {SDL_SCANCODE_LSHIFT, SDL_SCANCODE_RSHIFT, SDL_SCANCODE_LCTRL, SDL_SCANCODE_RCTRL,
          SDL_SCANCODE_LALT, SDL_SCANCODE_RALT, SDL_SCANCODE_LGUI, SDL_SCANCODE_RGUI}) {
        std::vector<DRELM_Event> events = Press(mod);
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].value1, 0) << "a modifier types nothing";
        EXPECT_TRUE(WaitMs(2000).empty()) << "scancode " << mod;
        Release(mod);
    }

    Press(SDL_SCANCODE_LSHIFT);
    std::vector<DRELM_Event> events = Press(SDL_SCANCODE_Q);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, 'Q');
    EXPECT_EQ(events[0].value2, static_cast<int16_t>(DRELM_MOD_LSHIFT));
    Release(SDL_SCANCODE_LSHIFT);  // does not stop the repeat of Q
    events = WaitMs(240);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, 'Q');
    EXPECT_EQ(events[0].value2, static_cast<int16_t>(DRELM_MOD_LSHIFT));
}

TEST_F(Input, ModifierBitsIncludeTheKeyJustPressed) {
    std::vector<DRELM_Event> events = Press(SDL_SCANCODE_RCTRL);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, DRELM_KEY_RCTRL);
    EXPECT_EQ(events[0].value2, static_cast<int16_t>(DRELM_MOD_RCTRL));
    events = Press(SDL_SCANCODE_LALT);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value2, static_cast<int16_t>(DRELM_MOD_RCTRL | DRELM_MOD_LALT));
    EXPECT_EQ(DRELM_GetKeyModifiers(), DRELM_MOD_RCTRL | DRELM_MOD_LALT);
    Release(SDL_SCANCODE_RCTRL);
    EXPECT_EQ(DRELM_GetKeyModifiers(), static_cast<uint32_t>(DRELM_MOD_LALT));
}

TEST_F(Input, TheNewestKeyTakesOverTheRepeat) {
    Press(SDL_SCANCODE_A);
    WaitMs(100);
    Press(SDL_SCANCODE_B);
    Release(SDL_SCANCODE_A);  // not the repeating key: B goes on
    std::vector<DRELM_Event> events = WaitMs(240);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, DRELM_KEY_B);
    EXPECT_EQ(events[0].flag, 1);
}

TEST_F(Input, DoubleClickWithin224MillisecondsAndFivePixels) {
    ASSERT_EQ(Click(100, 100).size(), 1u);
    WaitMs(224);
    std::vector<DRELM_Event> presses = Click(105, 95);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].flag, 1);

    WaitMs(225);
    presses = Click(105, 95);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].flag, 0) << "225 ms is too late";

    WaitMs(10);
    presses = Click(111, 95);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].flag, 0) << "6 pixels is too far in x";
    WaitMs(10);
    presses = Click(111, 100);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].flag, 1);
    WaitMs(10);
    presses = Click(111, 106);
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0].flag, 0) << "6 pixels is too far in y";
}

TEST_F(Input, MouseEventsCarryPositionsButtonsAndModifiers) {
    Press(SDL_SCANCODE_LCTRL);
    DRELM_InjectMouseButton(SDL_BUTTON_LEFT, true, 30, 40);
    std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_MOUSE_MOVE);
    EXPECT_EQ(events[0].value1, 30);
    EXPECT_EQ(events[0].value2, 40);
    EXPECT_EQ(events[1].type, DRELM_EVENT_LEFT_DOWN);
    EXPECT_EQ(events[1].value2, static_cast<int16_t>(DRELM_MOD_LCTRL));
    DRELM_Point p;
    uint32_t buttons = 0;
    DRELM_GetMouseState(&p, &buttons);
    EXPECT_EQ(p, DRELM_Point(30, 40));
    EXPECT_EQ(buttons, static_cast<uint32_t>(DRELM_MOUSE_LEFT));

    DRELM_InjectMouseButton(SDL_BUTTON_LEFT, false, 30, 40);
    events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_LEFT_UP);
    DRELM_GetMouseState(nullptr, &buttons);
    EXPECT_EQ(buttons, 0u);
}

TEST_F(Input, WheelReportsTheChangeOfItsPosition) {
    DRELM_InjectWheel(1);
    DRELM_InjectWheel(-2);
    std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_WHEEL_UP);
    EXPECT_EQ(events[0].value3, DRELM_WHEEL_NOTCH);
    EXPECT_EQ(events[1].type, DRELM_EVENT_WHEEL_DOWN);
    EXPECT_EQ(events[1].value3, -2 * DRELM_WHEEL_NOTCH);
}

TEST_F(Input, CapsLockTogglesOnScanCode58) {
    std::vector<DRELM_Event> events = Press(SDL_SCANCODE_CAPSLOCK);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, 58);
    EXPECT_EQ(events[0].value1, 0);
    EXPECT_TRUE(DRELM_GetKeyModifiers() & DRELM_MOD_CAPS);
    Release(SDL_SCANCODE_CAPSLOCK);
    EXPECT_TRUE(DRELM_GetKeyModifiers() & DRELM_MOD_CAPS) << "the release does not toggle";
    EXPECT_TRUE(WaitMs(1000).empty()) << "Caps Lock does not repeat";

    events = Press(SDL_SCANCODE_G);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, 'G');
    Release(SDL_SCANCODE_G);
    Press(SDL_SCANCODE_LSHIFT);
    events = Press(SDL_SCANCODE_G);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, 'g') << "Shift undoes Caps for letters";
    Release(SDL_SCANCODE_G);
    events = Press(SDL_SCANCODE_1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, '!');
    Release(SDL_SCANCODE_1);
    Release(SDL_SCANCODE_LSHIFT);

    Press(SDL_SCANCODE_CAPSLOCK);
    Release(SDL_SCANCODE_CAPSLOCK);
    EXPECT_FALSE(DRELM_GetKeyModifiers() & DRELM_MOD_CAPS);
    events = Press(SDL_SCANCODE_G);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value1, 'g');
}

TEST_F(Input, CharactersOfControlKeysAndOfTextFromTheWindowSystem) {
    EXPECT_EQ(Only(Press(SDL_SCANCODE_RETURN)).value1, 13);
    Release(SDL_SCANCODE_RETURN);
    EXPECT_EQ(Only(Press(SDL_SCANCODE_KP_ENTER)).value1, 13);
    Release(SDL_SCANCODE_KP_ENTER);
    EXPECT_EQ(Only(Press(SDL_SCANCODE_BACKSPACE)).value1, 8);
    Release(SDL_SCANCODE_BACKSPACE);
    EXPECT_EQ(Only(Press(SDL_SCANCODE_KP_PLUS)).value1, '+');
    Release(SDL_SCANCODE_KP_PLUS);
    EXPECT_EQ(Only(Press(SDL_SCANCODE_UP)).value1, 0);
    Release(SDL_SCANCODE_UP);
    EXPECT_EQ(Only(Press(SDL_SCANCODE_F5)).value1, 0);
    Release(SDL_SCANCODE_F5);
    // A keyboard layout that types another character than the US one.
    DRELM_InjectKey(SDL_SCANCODE_SEMICOLON, true, 0xF6);
    std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, DRELM_KEY_SEMICOLON);
    EXPECT_EQ(events[0].value1, 0xF6);
}

TEST_F(Input, TextWithoutAKeyOfTheTableComesAsCharactersOfKeyZero) {
    // A letter the layout has no key for (a dead key, an input method, a remapped key):
    // only the text arrives, several characters at once, any of them beyond 16 bits.
    DRELM_InjectText("\xC3\xAB\xE4\xB8\xAD\xF0\x9F\x8E\xB5");
    std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 3u);
    const int expected[3] = {0xEB, 0x4E2D, 0x1F3B5};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(events[size_t(i)].type, DRELM_EVENT_KEY_DOWN);
        EXPECT_EQ(events[size_t(i)].key, 0);
        EXPECT_EQ(DRELM_EventCharacter(events[size_t(i)]), expected[i]);
    }
    // Nothing repeats a key that has no release, and control characters are no text.
    EXPECT_TRUE(WaitMs(500).empty());
    DRELM_InjectText("\x01\x7F");
    EXPECT_TRUE(Update().empty());

    // The text after a key of the table is that key's; its window-system repeats type
    // nothing, since the library repeats the key itself.
    DRELM_InjectKey(SDL_SCANCODE_SEMICOLON, true, 0xF6);
    events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, DRELM_KEY_SEMICOLON);
    EXPECT_EQ(DRELM_EventCharacter(events[0]), 0xF6);
    ManualClock::AdvanceMs(250);
    InjectWindowSystemRepeat(SDL_SCANCODE_SEMICOLON, "\xC3\xB6");
    for (const DRELM_Event& e : Update()) EXPECT_EQ(e.flag, 1) << "only the library's repeats";
    Release(SDL_SCANCODE_SEMICOLON);
}

TEST_F(Input, AQuickSecondPressThatTheWindowSystemCallsARepeatIsAPress) {
    // A double letter typed within a few milliseconds: the window system swallows the
    // release between and calls the second press a repeat, with its text.
    DRELM_InjectKey(SDL_SCANCODE_P, true, 'p');
    InjectWindowSystemRepeat(SDL_SCANCODE_P, "p");
    DRELM_InjectKey(SDL_SCANCODE_P, false);
    std::vector<DRELM_Event> presses;
    for (const DRELM_Event& e : Update())
        if (e.type == DRELM_EVENT_KEY_DOWN) presses.push_back(e);
    ASSERT_EQ(presses.size(), 2u);
    for (const DRELM_Event& e : presses) {
        EXPECT_EQ(e.key, DRELM_KEY_P);
        EXPECT_EQ(e.flag, 0);
        EXPECT_EQ(DRELM_EventCharacter(e), 'p');
    }
    // The key was released: nothing repeats.
    EXPECT_TRUE(WaitMs(500).empty());
}

TEST_F(Input, ClockCountsWholeMillisecondsAndCarriesTheRest) {
    const uint32_t start = DRELM_GetTime();
    WaitMs(0.6);
    EXPECT_EQ(DRELM_GetTime() - start, 0u);
    WaitMs(0.6);
    EXPECT_EQ(DRELM_GetTime() - start, 1u);
    WaitMs(0.8);
    EXPECT_EQ(DRELM_GetTime() - start, 2u);
    WaitMs(12.3456);
    EXPECT_EQ(DRELM_GetTime() - start, 14u);
    WaitMs(0.6544);
    EXPECT_EQ(DRELM_GetTime() - start, 15u);
}

TEST_F(Input, ClockCarriesTheRestForACounterOfAnyFrequency) {
    static uint64_t ticks = 0;
    DRELM_SetCounter([](void*) { return ticks; }, 32768, nullptr);
    const uint32_t start = DRELM_GetTime();
    // 32768 Hz: 33 ticks are 1.007 ms; 32 ticks 0.977 ms.
    uint32_t total = 0;
    for (int i = 0; i < 1000; ++i) {
        ticks += 33;
        DRELM_UpdateInput();
        total += 33;
        EXPECT_EQ(DRELM_GetTime() - start, static_cast<uint32_t>(uint64_t(total) * 1000 / 32768));
    }
    Drain();
}

TEST(KeyTable, EveryKeyTheEditorUsesMapsToItsSetOneCode) {
    struct Case {
        SDL_Scancode scancode;
        int code;
    };
    const Case cases[] = {
        {SDL_SCANCODE_A, 0x1E},
        {SDL_SCANCODE_B, 0x30},
        {SDL_SCANCODE_C, 0x2E},
        {SDL_SCANCODE_D, 0x20},
        {SDL_SCANCODE_E, 0x12},
        {SDL_SCANCODE_F, 0x21},
        {SDL_SCANCODE_G, 0x22},
        {SDL_SCANCODE_H, 0x23},
        {SDL_SCANCODE_I, 0x17},
        {SDL_SCANCODE_J, 0x24},
        {SDL_SCANCODE_K, 0x25},
        {SDL_SCANCODE_L, 0x26},
        {SDL_SCANCODE_M, 0x32},
        {SDL_SCANCODE_N, 0x31},
        {SDL_SCANCODE_O, 0x18},
        {SDL_SCANCODE_P, 0x19},
        {SDL_SCANCODE_Q, 0x10},
        {SDL_SCANCODE_R, 0x13},
        {SDL_SCANCODE_S, 0x1F},
        {SDL_SCANCODE_T, 0x14},
        {SDL_SCANCODE_U, 0x16},
        {SDL_SCANCODE_V, 0x2F},
        {SDL_SCANCODE_W, 0x11},
        {SDL_SCANCODE_X, 0x2D},
        {SDL_SCANCODE_Y, 0x15},
        {SDL_SCANCODE_Z, 0x2C},
        {SDL_SCANCODE_1, 2},
        {SDL_SCANCODE_2, 3},
        {SDL_SCANCODE_3, 4},
        {SDL_SCANCODE_4, 5},
        {SDL_SCANCODE_5, 6},
        {SDL_SCANCODE_6, 7},
        {SDL_SCANCODE_7, 8},
        {SDL_SCANCODE_8, 9},
        {SDL_SCANCODE_9, 10},
        {SDL_SCANCODE_0, 11},
        {SDL_SCANCODE_F1, 59},
        {SDL_SCANCODE_F2, 60},
        {SDL_SCANCODE_F3, 61},
        {SDL_SCANCODE_F4, 62},
        {SDL_SCANCODE_F5, 63},
        {SDL_SCANCODE_F6, 64},
        {SDL_SCANCODE_F7, 65},
        {SDL_SCANCODE_F8, 66},
        {SDL_SCANCODE_F9, 67},
        {SDL_SCANCODE_F10, 68},
        {SDL_SCANCODE_F11, 87},
        {SDL_SCANCODE_F12, 88},
        {SDL_SCANCODE_KP_PLUS, 0x4E},
        {SDL_SCANCODE_KP_MINUS, 0x4A},
        {SDL_SCANCODE_KP_MULTIPLY, 0x37},
        {SDL_SCANCODE_KP_DIVIDE, 0xB5},
        {SDL_SCANCODE_UP, 0xC8},
        {SDL_SCANCODE_DOWN, 0xD0},
        {SDL_SCANCODE_LEFT, 0xCB},
        {SDL_SCANCODE_RIGHT, 0xCD},
        {SDL_SCANCODE_HOME, 0xC7},
        {SDL_SCANCODE_END, 0xCF},
        {SDL_SCANCODE_PAGEUP, 0xC9},
        {SDL_SCANCODE_PAGEDOWN, 0xD1},
        {SDL_SCANCODE_RETURN, 0x1C},
        {SDL_SCANCODE_KP_ENTER, 0x9C},
        {SDL_SCANCODE_BACKSPACE, 0x0E},
        {SDL_SCANCODE_DELETE, 0xD3},
        {SDL_SCANCODE_INSERT, 0xD2},
        {SDL_SCANCODE_SPACE, 0x39},
        {SDL_SCANCODE_GRAVE, 0x29},  // left of 1
        {SDL_SCANCODE_BACKSLASH, 43},
        {SDL_SCANCODE_NONUSHASH, 43},  // left of Enter
        {SDL_SCANCODE_CAPSLOCK, 58},
        {SDL_SCANCODE_ESCAPE, 1},
        {SDL_SCANCODE_TAB, 15},
        {SDL_SCANCODE_COMMA, 0x33},
        {SDL_SCANCODE_PERIOD, 0x34},
        {SDL_SCANCODE_SLASH, 0x35},
        {SDL_SCANCODE_LSHIFT, 0x2A},
        {SDL_SCANCODE_RSHIFT, 0x36},
        {SDL_SCANCODE_LCTRL, 0x1D},
        {SDL_SCANCODE_RCTRL, 0x9D},
        {SDL_SCANCODE_LALT, 0x38},
        {SDL_SCANCODE_RALT, 0xB8},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DRELM_KeyFromScancode(c.scancode), c.code) << SDL_GetScancodeName(c.scancode);
    }
    EXPECT_EQ(DRELM_KeyFromScancode(SDL_SCANCODE_UNKNOWN), 0);
    EXPECT_EQ(DRELM_KeyFromScancode(-1), 0);
    EXPECT_EQ(DRELM_KeyFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST_F(Input, InjectedKeysArriveWithTheirSetOneCodes) {
    const std::vector<DRELM_Event> events = Press(SDL_SCANCODE_KP_DIVIDE);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].key, 0xB5);
    EXPECT_EQ(events[0].value1, '/');
    Release(SDL_SCANCODE_KP_DIVIDE);
    DRELM_InjectKey(SDL_SCANCODE_UNKNOWN, true);
    EXPECT_TRUE(Update().empty());
}

TEST(KeyNames, NamesComeFromOneTable) {
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_BACKSPACE), "backspace");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_RETURN), "return");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_LCTRL), "ctrl");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_LSHIFT), "shift");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_SPACE), "space");
    EXPECT_STREQ(DRELM_GetKeyName(58), "caps lock");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_NUMLOCK), "num lock");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_SCROLLLOCK), "scroll lock");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_KP_ENTER), "[enter]");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_RALT), "right alt");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_RCTRL), "right ctrl");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_RSHIFT), "right shift");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_PAGEUP), "page up");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_LEFT), "left");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_DELETE), "delete");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_LOS), "left OS");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_APPMENU), "app menu");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_PLAYPAUSE), "play / pause");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_WEBFAVORITES), "web favorites");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_Q), "q");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_7), "7");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_BACKSLASH), "\\");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_JOYSTICK_FIRST), "Joystick1 left");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_JOYSTICK_FIRST + 3), "Joystick1 down");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_JOYSTICK_FIRST + 4), "Joystick1 button 1");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_JOYSTICK_FIRST + 7 * DRELM_JOYSTICK_NAMES + 19),
                 "Joystick8 button 16");
    EXPECT_STREQ(DRELM_GetKeyName(DRELM_KEY_NAME_COUNT), "");
    EXPECT_STREQ(DRELM_GetKeyName(-1), "");
    EXPECT_STREQ(DRELM_GetKeyName(0), "");
}

TEST_F(Input, KeyStateArraysHoldThisAndThePreviousUpdate) {
    Press(SDL_SCANCODE_Z);
    EXPECT_TRUE(DRELM_GetKeyState()[DRELM_KEY_Z]);
    EXPECT_FALSE(DRELM_GetOldKeyState()[DRELM_KEY_Z]);
    Update();
    EXPECT_TRUE(DRELM_GetKeyState()[DRELM_KEY_Z]);
    EXPECT_TRUE(DRELM_GetOldKeyState()[DRELM_KEY_Z]);
    Release(SDL_SCANCODE_Z);
    EXPECT_FALSE(DRELM_GetKeyState()[DRELM_KEY_Z]);
    EXPECT_TRUE(DRELM_GetOldKeyState()[DRELM_KEY_Z]);
}

TEST_F(Input, DeviceLostIsQueuedOnceUntilRestored) {
    DRELM_SimulateDeviceLost();
    DRELM_SimulateDeviceLost();
    std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_DEVICE_LOST);
    DRELM_SimulateDeviceLost();
    EXPECT_TRUE(Update().empty());
    DRELM_RestoreGraphicsDevice();
    DRELM_SimulateDeviceLost();
    events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_DEVICE_LOST);
}

TEST_F(Input, DeviceLostWaitsForRoomInAFullRing) {
    for (int i = 1; i <= 64; ++i) DRELM_InjectMouseMove(i, 0);
    DRELM_SimulateDeviceLost();
    DRELM_UpdateInput();
    EXPECT_EQ(Drain().size(), 64u);
    const std::vector<DRELM_Event> events = Update();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].type, DRELM_EVENT_DEVICE_LOST);
}

TEST_F(Input, CapabilitiesAlwaysHaveBitOne) {
    EXPECT_TRUE(DRELM_GetInputCapabilities() & 2u);
    DRELM_JoystickState state;
    state.x = 5;
    EXPECT_FALSE(DRELM_GetJoystickState(0, &state));
    EXPECT_EQ(state.x, 0);
    EXPECT_FALSE(DRELM_GetJoystickState(8, &state));
}

}  // namespace
