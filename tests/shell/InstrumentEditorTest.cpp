// The instrument editor in the running tracker: the working copy and its one undo step,
// typed fields, test notes from the three keyboards, the clipboard shared with other
// copies, and the main window's instrument selector; the graph and keyboard drawing.
#include <cstring>

#include "app/shell/InstrumentDialog.h"
#include "app/shell/InstrumentDraw.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/MidiBinding.h"
#include "editor/Base64.h"
#include "tests/shell/ShellFixture.h"

namespace {

GUI_Window* Editor() { return gShell.gui->FindWindow(kInstrumentEditorWindow); }

Quelm::Rect GadgetOf(int window, int gadget) {
    GUI& gui = *gShell.gui;
    return gui.GadgetRect(gui.FindWindow(window), gadget);
}

Quelm::Rect EditorGadget(int gadget) { return GadgetOf(kInstrumentEditorWindow, gadget); }

// Typed text: every character through the key path, as a keyboard would give it.
void Type(const std::string& text) {
    for (char c : text) {
        DRELM_InjectKey(SDL_SCANCODE_A, true, c);
        DRELM_InjectKey(SDL_SCANCODE_A, false);
    }
}

void Tap(const Quelm::Rect& r) {
    const int x = r.x + r.width / 2, y = r.y + r.height / 2;
    DRELM_InjectMouseMove(x, y);
    DRELM_InjectMouseButton(1, true, x, y);
    DRELM_InjectMouseButton(1, false, x, y);
}

// Click into a field, select what it holds and type over it.
void Overtype(int gadget, const std::string& text) {
    Tap(EditorGadget(gadget));
    DRELM_InjectKey(SDL_SCANCODE_LCTRL, true);
    DRELM_InjectKey(SDL_SCANCODE_A, true);
    DRELM_InjectKey(SDL_SCANCODE_A, false);
    DRELM_InjectKey(SDL_SCANCODE_LCTRL, false);
    Type(text);
}

// The same, then leave the field with `leave` (Tab goes on to the next field, Return
// enters it and decides the dialog as "Okay" does).
void Retype(int gadget, const std::string& text, int leave = SDL_SCANCODE_TAB) {
    Overtype(gadget, text);
    DRELM_InjectKey(leave, true);
    DRELM_InjectKey(leave, false);
}

void ChooseRow(int row) {
    GUI_Window* w = Editor();
    w->SetListSelection(kInsList, row);
    GUI_Event e;
    e.type = GUI_EVENT_LIST;
    e.window = kInstrumentEditorWindow;
    e.gadget = kInsList;
    e.value = row;
    gShell.gui->PostEvent(e);
}

int SoundingTestNotes() {
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    int n = 0;
    for (uint8_t active : gShell.player.testNoteActive) n += active;
    return n;
}

uint8_t ChannelNote(int c) {
    std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
    return gShell.player.channels[c].note;
}

Instrument Designed() {
    Instrument i{};
    std::strcpy(i.name, "Designed");
    i.startVolume = 0xC3;
    const uint8_t delays[4] = {1, 0, 200, 9};
    std::memcpy(i.delay, delays, 4);
    for (int p = 0; p < 5; ++p) {
        i.vibSpeed[p] = uint8_t(p % 4);
        i.vibStrength[p] = uint8_t(3 * p);
        i.volumeAdd[p] = uint8_t(0xF0 + p);
    }
    return i;
}

// A clipboard of our own, so that tests do not touch the desktop's.
struct FakeClipboard {
    std::string text;
    bool refuse = false;
    void Install() {
        gShell.gui->SetClipboard(
            [this](const std::string& t) {
                if (!refuse) text = t;
            },
            [this] { return text; });
    }
};

}  // namespace

TEST_F(ShellTest, InstrumentEditorOkayIsOneUndoStepOfAllSixteenAndCancelKeepsTheModule) {
    Instrument before[kInstruments];
    bool playingInDialog = true;
    uint32_t undoBefore = 0, undoAfterOkay = 0, undoAfterCancel = 0;
    Instrument afterOkay[kInstruments], afterUndo[kInstruments], afterCancel[kInstruments];
    int currentAfterOkay = -1;
    steps = {[&] {
                 std::strcpy(gModule.instruments[5].name, "Old");
                 std::memcpy(before, gModule.instruments, sizeof before);
                 undoBefore = gEditor.undo->UndoableSteps();
                 std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                 gShell.player.Start(0, 0, 0);
             },
             [&] {
                 modalSteps = {nullptr,
                               [&] { playingInDialog = gShell.player.playing != 0; },
                               [] { ChooseRow(5); },
                               [] { Retype(kInsName, "Lead"); },
                               nullptr,
                               [] { Retype(kInsStartVolume, "9.3"); },
                               nullptr,
                               [] { Retype(InstrumentPhaseGadget(1, kPhaseDelay), "99"); },
                               nullptr,
                               [] { Retype(InstrumentPhaseGadget(4, kPhaseVolumeAdd), "-1.8"); },
                               nullptr,
                               [] { Retype(InstrumentPhaseGadget(2, kPhaseVibSpeed), "7"); },
                               nullptr,
                               [] { Retype(InstrumentPhaseGadget(3, kPhaseVibStrength), "12"); },
                               nullptr,
                               [] { Click(EditorGadget(kInsOkay)); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 std::memcpy(afterOkay, gModule.instruments, sizeof afterOkay);
                 undoAfterOkay = gEditor.undo->UndoableSteps();
                 currentAfterOkay = gEditor.view.currentInstrument;
                 DispatchMenu(kMenuUndo);
                 std::memcpy(afterUndo, gModule.instruments, sizeof afterUndo);
             },
             [&] {
                 modalSteps = {nullptr, [] { Retype(kInsName, "Never"); }, nullptr,
                               [] { Press(SDL_SCANCODE_ESCAPE); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 std::memcpy(afterCancel, gModule.instruments, sizeof afterCancel);
                 undoAfterCancel = gEditor.undo->UndoableSteps();
             }};
    RunTracker();
    EXPECT_FALSE(playingInDialog) << "opening the editor stops the song";
    const Instrument& five = afterOkay[5];
    EXPECT_STREQ(five.name, "Lead");
    EXPECT_EQ(five.startVolume, 0x93);
    EXPECT_EQ(five.delay[1], 99);
    EXPECT_EQ(five.volumeAdd[4], 0xE8) << "-1.8 is 24 sixteenths down";
    EXPECT_EQ(five.vibSpeed[2], 3) << "the field keeps vibrato speed within 0..3";
    EXPECT_EQ(five.vibStrength[3], 12);
    for (int i = 0; i < kInstruments; ++i)
        if (i != 5) {
            EXPECT_EQ(std::memcmp(&afterOkay[i], &before[i], sizeof(Instrument)), 0) << i;
        }
    EXPECT_EQ(undoAfterOkay, undoBefore + 1);
    EXPECT_EQ(currentAfterOkay, 5) << "the instrument shown becomes the current one";
    EXPECT_EQ(std::memcmp(afterUndo, before, sizeof before), 0) << "undo brings all 16 back";
    EXPECT_EQ(std::memcmp(afterCancel, afterUndo, sizeof afterCancel), 0);
    EXPECT_EQ(undoAfterCancel, undoBefore) << "Cancel records nothing";
}

TEST_F(ShellTest, InstrumentEditorPlaysTestNotesFromKeysMouseAndMidi) {
    int threeKeys = 0, noiseUsed = -1, afterRelease = 0, mouseNote = 0, draggedNote = 0,
        afterMouse = -1, midiNote = 0, afterMidiOff = -1, drainedAtStart = -1, afterClose = -1;
    // The keys the keyboard gadget lights at each of those moments.
    uint32_t litThree = 0, litReleased = 1, litPressed = 0, litDragged = 0, litMouseUp = 1,
             litMidi = 0, litMidiOff = 1;
    const auto down = [](int key) { DRELM_InjectKey(key, true); };
    const auto up = [](int key) { DRELM_InjectKey(key, false); };
    steps = {[&] {
                 // A key pressed before the editor opens must not sound in it.
                 const uint8_t early[3] = {0x90, 50, 100};
                 TrackerMidi().OnShortMessage(early, 3);
                 modalSteps = {nullptr, [&] { drainedAtStart = SoundingTestNotes(); },
                               // Octave 2: Z, C, B are C, E, G of 48.. on the three tone channels;
                               // a fourth key finds no free tone channel.
                               [&] {
                                   down(SDL_SCANCODE_Z);
                                   down(SDL_SCANCODE_C);
                                   down(SDL_SCANCODE_B);
                               },
                               [&] {
                                   threeKeys = SoundingTestNotes();
                                   litThree = InstrumentKeyboardLitKeys();
                                   down(SDL_SCANCODE_M);
                               },
                               [&] {
                                   std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
                                   noiseUsed = gShell.player.testNoteActive[3];
                               },
                               [&] {
                                   up(SDL_SCANCODE_C);
                                   up(SDL_SCANCODE_Z);
                                   up(SDL_SCANCODE_B);
                                   up(SDL_SCANCODE_M);
                               },
                               [&] {
                                   afterRelease = SoundingTestNotes();
                                   litReleased = InstrumentKeyboardLitKeys();
                                   // The keyboard gadget: press on the first white key (C).
                                   const Quelm::Rect r = EditorGadget(kInsKeyboard);
                                   DRELM_InjectMouseMove(r.x + 6, r.y + r.height - 6);
                                   DRELM_InjectMouseButton(1, true, r.x + 6, r.y + r.height - 6);
                               },
                               [&] {
                                   mouseNote = ChannelNote(0);
                                   litPressed = InstrumentKeyboardLitKeys();
                                   // Dragged onto the third white key (E).
                                   const Quelm::Rect r = EditorGadget(kInsKeyboard);
                                   const int x =
                                       r.x + 2 + (r.width - 4) * 5 / (2 * kKeyboardWhiteKeys);
                                   DRELM_InjectMouseMove(x, r.y + r.height - 6);
                               },
                               [&] {
                                   draggedNote = ChannelNote(0);
                                   litDragged = InstrumentKeyboardLitKeys();
                                   const Quelm::Rect r = EditorGadget(kInsKeyboard);
                                   DRELM_InjectMouseButton(1, false, r.x + 20, r.y + r.height - 6);
                               },
                               [&] {
                                   afterMouse = SoundingTestNotes();
                                   litMouseUp = InstrumentKeyboardLitKeys();
                                   const uint8_t on[3] = {0x90, 67, 90};
                                   TrackerMidi().OnShortMessage(on, 3);
                               },
                               [&] {
                                   midiNote = ChannelNote(0);
                                   litMidi = InstrumentKeyboardLitKeys();
                                   const uint8_t off[3] = {0x80, 67, 0};
                                   TrackerMidi().OnShortMessage(off, 3);
                               },
                               [&] {
                                   afterMidiOff = SoundingTestNotes();
                                   litMidiOff = InstrumentKeyboardLitKeys();
                                   down(SDL_SCANCODE_V);
                               },
                               [] { Press(SDL_SCANCODE_ESCAPE); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 up(SDL_SCANCODE_V);
                 afterClose = SoundingTestNotes();
             }};
    RunTracker();
    EXPECT_EQ(drainedAtStart, 0);
    EXPECT_EQ(threeKeys, 3);
    EXPECT_EQ(noiseUsed, 0) << "tone notes never take the noise channel";
    EXPECT_EQ(afterRelease, 0);
    EXPECT_EQ(mouseNote, 48);
    EXPECT_EQ(draggedNote, 52) << "the note follows the mouse";
    EXPECT_EQ(afterMouse, 0);
    EXPECT_EQ(midiNote, 67);
    EXPECT_EQ(afterMidiOff, 0);
    EXPECT_EQ(afterClose, 0) << "leaving stops every voice";
    // Octave 2 starts the gadget at 48: Z, C and B light C, E and G.
    EXPECT_EQ(litThree, (1u << 0) | (1u << 4) | (1u << 7));
    EXPECT_EQ(litReleased, 0u);
    EXPECT_EQ(litPressed, 1u << 0);
    EXPECT_EQ(litDragged, 1u << 4) << "only the key that sounds now";
    EXPECT_EQ(litMouseUp, 0u);
    EXPECT_EQ(litMidi, 1u << 19) << "MIDI 67 is G of the upper octave";
    EXPECT_EQ(litMidiOff, 0u);
    EXPECT_EQ(gModule.patterns[0].lines[0].note[0], kNoteEmpty) << "nothing was written";
}

TEST_F(ShellTest, InstrumentClipboardCarriesAllBytesAndRefusesForeignData) {
    FakeClipboard clipboard;
    std::string copied;
    Instrument pasted{}, untouched{};
    const Instrument designed = Designed();
    auto block = [](uint16_t version, uint16_t system) {
        uint8_t bytes[4 + sizeof(Instrument)] = {uint8_t(version), uint8_t(version >> 8),
                                                 uint8_t(system), uint8_t(system >> 8)};
        return std::string("Tonweave-Instrument-Data-1\n") + EncodeBase64(bytes, sizeof bytes);
    };
    steps = {[&] {
                 clipboard.Install();
                 gModule.instruments[1] = designed;
                 gEditor.view.currentInstrument = 1;
                 // Each refused paste shows its message; Return closes it.
                 modalSteps = {nullptr,
                               [] { Click(EditorGadget(kInsCopy)); },
                               [&] { copied = clipboard.text; },
                               [] { ChooseRow(9); },
                               [] { Click(EditorGadget(kInsPaste)); },
                               [] { ChooseRow(4); },
                               [&] { clipboard.text = "hello"; },
                               [] { Click(EditorGadget(kInsPaste)); },
                               [] { Press(SDL_SCANCODE_RETURN); },
                               [&] { clipboard.text = block(0, 1); },
                               [] { Click(EditorGadget(kInsPaste)); },
                               [] { Press(SDL_SCANCODE_RETURN); },
                               [&] { clipboard.text = block(1, 0); },
                               [] { Click(EditorGadget(kInsPaste)); },
                               [] { Press(SDL_SCANCODE_RETURN); },
                               [&] { clipboard.refuse = true; },
                               [] { Click(EditorGadget(kInsCopy)); },
                               [] { Press(SDL_SCANCODE_RETURN); },
                               nullptr,
                               [] { Click(EditorGadget(kInsOkay)); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 pasted = gModule.instruments[9];
                 untouched = gModule.instruments[4];
             }};
    RunTracker();
    const std::string head = "Tonweave-Instrument-Data-1\n";
    ASSERT_EQ(copied.compare(0, head.size(), head), 0) << copied;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(DecodeBase64(copied.substr(head.size()), bytes));
    ASSERT_EQ(bytes.size(), 4 + sizeof(Instrument));
    EXPECT_EQ(bytes[0] | bytes[1] | bytes[2] | bytes[3], 0) << "version 0, sound system 0";
    EXPECT_EQ(std::memcmp(bytes.data() + 4, &designed, sizeof designed), 0);
    EXPECT_EQ(std::memcmp(&pasted, &designed, sizeof designed), 0) << "all 53 bytes, name too";
    Instrument reset;
    ResetInstrumentRecord(reset);
    EXPECT_EQ(std::memcmp(&untouched, &reset, sizeof reset), 0) << "refused pastes change nothing";
    EXPECT_EQ(requesters,
              (std::vector<std::string>{kInstrumentPasteNoData, kInstrumentPasteSystem,
                                        kInstrumentPasteVersion, kInstrumentCopyFailed}));
}

TEST_F(ShellTest, InstrumentResetAsksFirst) {
    Instrument afterNo{}, afterYes{};
    steps = {[&] {
                 gModule.instruments[0] = Designed();
                 modalSteps = {nullptr, [] { Click(EditorGadget(kInsReset)); },
                               [] { Press(SDL_SCANCODE_ESCAPE); },  // "No"
                               nullptr, [] { Click(EditorGadget(kInsOkay)); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 afterNo = gModule.instruments[0];
                 modalSteps = {nullptr, [] { Click(EditorGadget(kInsReset)); },
                               [] { Press(SDL_SCANCODE_RETURN); },  // yes
                               nullptr, [] { Click(EditorGadget(kInsOkay)); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] { afterYes = gModule.instruments[0]; }};
    RunTracker();
    const Instrument designed = Designed();
    EXPECT_EQ(std::memcmp(&afterNo, &designed, sizeof designed), 0);
    EXPECT_EQ(afterYes.startVolume, 255);
    EXPECT_EQ(afterYes.name[0], 0);
    for (int p = 0; p < 4; ++p) EXPECT_EQ(afterYes.delay[p], 8);
    for (int p = 0; p < 5; ++p) {
        EXPECT_EQ(afterYes.volumeAdd[p], 0);
        EXPECT_EQ(afterYes.vibSpeed[p], 0);
        EXPECT_EQ(afterYes.vibStrength[p], 0);
    }
    ASSERT_FALSE(requesters.empty());
    EXPECT_EQ(requesters[0], kInstrumentResetQuestion);
}

TEST_F(ShellTest, TypedLevelsAreClampedAndShownAgainWhenTheFieldIsLeft) {
    const int add0 = InstrumentPhaseGadget(0, kPhaseVolumeAdd);
    const int add1 = InstrumentPhaseGadget(1, kPhaseVolumeAdd);
    std::string unread, start, falling, whileTyping;
    bool openAfterReturn = true;
    Instrument stored{};
    steps = {[&] {
                 modalSteps = {
                     nullptr,
                     [&] { Retype(add0, "-0.5"); },
                     nullptr,
                     // Text that is no level keeps the value and shows it again.
                     [&] { Retype(add0, "9.x"); },
                     nullptr,
                     [&] { unread = Editor()->Text(add0); },
                     // Out of range is clamped, whether the field is left with the
                     // keyboard or the mouse.
                     [&] { Retype(kInsStartVolume, "99.99"); },
                     nullptr,
                     [&] {
                         start = Editor()->Text(kInsStartVolume);
                         Overtype(add1, "-50.0");
                     },
                     [&] { whileTyping = Editor()->Text(add1); },
                     [&] { Tap(EditorGadget(kInsGraph)); },
                     nullptr,
                     [&] { falling = Editor()->Text(add1); },
                     // Return enters the field and decides the dialog as "Okay" does.
                     [&] { Retype(kInsName, "Edge", SDL_SCANCODE_RETURN); }};
                 PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_I);
             },
             [&] {
                 openAfterReturn = Editor() != nullptr;
                 stored = gModule.instruments[0];
             }};
    RunTracker();
    EXPECT_EQ(unread, "- 0. 5");
    EXPECT_EQ(start, "15.15");
    EXPECT_EQ(whileTyping, "-50.0") << "what is typed stays until the field is left";
    EXPECT_EQ(falling, "- 8. 0");
    EXPECT_FALSE(openAfterReturn);
    EXPECT_STREQ(stored.name, "Edge");
    EXPECT_EQ(stored.volumeAdd[0], 0xFB);
    EXPECT_EQ(stored.startVolume, 0xFF);
    EXPECT_EQ(stored.volumeAdd[1], 0x80);
}

TEST_F(ShellTest, InstrumentSelectorChoosesTheCurrentInstrumentForEnteredNotes) {
    std::vector<int> seen;
    bool editorOpened = false;
    auto note = [&] { seen.push_back(gEditor.view.currentInstrument); };
    auto selector = [] { return GadgetOf(kMainWindowNumber, kMainInstrument); };
    // Minus and plus sit at the selector's ends, the name between them.
    auto plus = [&] {
        const Quelm::Rect r = selector();
        return Quelm::Rect(r.Right() - 8, r.y + 4, 4, r.height - 8);
    };
    auto minus = [&] {
        const Quelm::Rect r = selector();
        return Quelm::Rect(r.x + 4, r.y + 4, 4, r.height - 8);
    };
    steps = {[&] { Click(plus()); },
             [&] { Click(plus()); },
             note,
             [&] { Click(minus()); },
             note,
             [] { PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_RIGHTBRACKET); },
             note,
             [] {
                 for (int i = 0; i < 5; ++i) PressWith(SDL_SCANCODE_LCTRL, SDL_SCANCODE_LEFTBRACKET);
             },
             note,
             [&] {
                 MoveTo(selector());
                 DRELM_InjectWheel(-3);
             },
             note,
             [] { Press(SDL_SCANCODE_Z); },
             [&] {
                 modalSteps = {nullptr, [&] { editorOpened = Editor() != nullptr; },
                               [] { Press(SDL_SCANCODE_ESCAPE); }};
                 Click(selector());
             }};
    RunTracker();
    EXPECT_EQ(seen, (std::vector<int>{2, 1, 2, 0, 3}));
    EXPECT_EQ(gModule.patterns[0].lines[0].instrument[0], 3) << "entered notes take it";
    EXPECT_TRUE(editorOpened) << "a click on the name opens the editor";
}

TEST(InstrumentDrawing, GraphPixelsFollowTheComputedGraph) {
    Instrument i;
    ResetInstrumentRecord(i);
    i.startVolume = 0xF0;
    i.delay[0] = 4;
    i.vibSpeed[4] = 3;
    i.vibStrength[4] = 15;
    for (int height : {48, 80}) {
        SCOPED_TRACE(height);
        const InstrumentGraph g = ComputeInstrumentGraph(i, 300, height);
        DRELM_Surface s;
        RenderInstrumentGraph(g, s);
        ASSERT_EQ(s.Width(), 300);
        ASSERT_EQ(s.Height(), height);
        const int ppf = height < 65 ? 2 : 4;
        // Markers: one pixel wide, full height, at the end of each phase (4, 12, 20, 28).
        for (int frames : {4, 12, 20, 28}) {
            EXPECT_EQ(s.GetPixel(frames * ppf, height - 1).Packed(), 0xFF303070u) << frames;
            EXPECT_EQ(s.GetPixel(frames * ppf + 1, height - 1).Packed(), 0xFF000000u) << frames;
        }
        // The envelope starts at level 15.0 in white and is as thick as the layout says.
        const int y0 = g.envelope.front().y0;
        EXPECT_EQ(s.GetPixel(0, y0).Packed(), 0xFFFFFFFFu);
        EXPECT_EQ(s.GetPixel(0, y0 + 1).Packed(), height < 65 ? 0xFF000000u : 0xFFFFFFFFu);
        // Phase 4 in grey, its vibrato in dark green.
        const int x4 = 30 * ppf;
        bool grey = false, green = false;
        for (int y = 0; y < height; ++y) {
            grey = grey || s.GetPixel(x4, y).Packed() == 0xFFC0C0C0u;
            for (int x = x4; x < x4 + 8 * ppf; ++x)
                green = green || s.GetPixel(x, y).Packed() == 0xFF289028u;
        }
        EXPECT_TRUE(grey);
        EXPECT_TRUE(green);
    }
}

TEST(InstrumentDrawing, KeyboardAndSelectorHitTestsMatchTheirLayout) {
    const int w = 300, h = 60;  // white keys 20 px, black keys 12 px over the top 36 px
    struct Case {
        int x, y, semitone;
    } cases[] = {{0, 59, 0},   {19, 59, 0},   {20, 59, 2},   {14, 10, 1},  {13, 10, 0},
                 {14, 36, 0},  {25, 10, 1},   {26, 10, 2},   {54, 10, 4},  {60, 10, 5},
                 {74, 10, 6},  {140, 59, 12}, {299, 59, 24}, {299, 0, 24}, {300, 10, -1},
                 {-1, 10, -1}, {10, 60, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(KeyboardSemitoneAt(c.x, c.y, w, h), c.semitone) << c.x << "," << c.y;
    EXPECT_EQ(SelectorPartAt(0, 96, 20), -1);
    EXPECT_EQ(SelectorPartAt(15, 96, 20), -1);
    EXPECT_EQ(SelectorPartAt(16, 96, 20), 0);
    EXPECT_EQ(SelectorPartAt(79, 96, 20), 0);
    EXPECT_EQ(SelectorPartAt(80, 96, 20), 1);
    Instrument i;
    ResetInstrumentRecord(i);
    EXPECT_EQ(SelectorText(7, i), "Instr. 07");
    EXPECT_EQ(SelectorText(7, i, true), "Ins. 07");
    std::strcpy(i.name, "Bass  ");
    EXPECT_EQ(SelectorText(12, i), "12 Bass");
}
