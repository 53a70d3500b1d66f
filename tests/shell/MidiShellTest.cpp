// MIDI input in the running tracker: the device named in the preferences opens at start-up,
// its notes go into the pattern through the main loop, the preferences reopen it at once,
// and quitting closes it. The device is a port of our own whose callback is the test's.
#include <memory>

#include "app/shell/Dialogs.h"
#include "app/shell/MainWindow.h"
#include "app/shell/MenuTable.h"
#include "app/shell/MidiBinding.h"
#include "tests/shell/ShellFixture.h"

namespace {

struct PortState {
    std::vector<std::string> names = {"Midi Through:Midi Through Port-0 14:0",
                                      "USB Keys:USB Keys MIDI 1 20:0"};
    int creates = 0, closes = 0, startedIndex = -1;
    MidiInputPort::MessageCallback callback = nullptr;
    void* user = nullptr;

    // What the device thread would deliver.
    void Send(uint8_t status, uint8_t note, uint8_t velocity) const {
        const uint8_t bytes[3] = {status, note, velocity};
        if (callback) callback(bytes, 3, user);
    }
};

class FakePort : public MidiInputPort {
public:
    explicit FakePort(PortState& s) : state(s) {}
    bool Create() override {
        ++state.creates;
        return true;
    }
    unsigned PortCount() override { return unsigned(state.names.size()); }
    bool PortName(unsigned i, std::string& name) override {
        name = state.names[i];
        return true;
    }
    bool Start(unsigned i, MessageCallback cb, void* user) override {
        state.startedIndex = int(i);
        state.callback = cb;
        state.user = user;
        return true;
    }
    void Close() override {
        ++state.closes;
        state.callback = nullptr;
    }

private:
    PortState& state;
};

class MidiShellTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        SetMidiPortFactory([this] { return std::make_unique<FakePort>(port); });
    }
    void TearDown() override {
        // The queue's port refers to this test's port state.
        CloseTrackerMidi();
        SetMidiPortFactory(nullptr);
        ShellTest::TearDown();
    }
    void PreferDevice(const std::string& name) {
        WriteWholeFile(dir.File("tonweave.prefs"),
                       "midi_in {\n\tmidi_in_device = \"" + name + "\"\n}\n");
    }
    PortState port;
};

const PatternLine& Line(int l) { return gModule.patterns[0].lines[l]; }

}  // namespace

TEST_F(MidiShellTest, PreferredDeviceOpensAtStartAndAChordLandsOnOneLine) {
    PreferDevice("USB Keys:USB Keys MIDI 1");
    bool openAtStart = false;
    int cursorWhileHeld = -1, cursorAfter = -1;
    steps = {[&] {
                 openAtStart = TrackerMidi().isOpen;
                 // A frame two columns wide on line 4: two keys of a chord enter notes.
                 PatternView& v = gEditor.view;
                 v.anchorColumn = 0;
                 v.cursorColumn = 1;
                 v.anchorLine = v.cursorLine = 4;
                 v.currentInstrument = 6;
                 v.volume = 9;
             },
             [&] {
                 port.Send(0x90, 60, 100);
                 port.Send(0x90, 64, 100);
                 port.Send(0x90, 67, 100);  // a third key finds no free entry slot
             },
             [&] {
                 cursorWhileHeld = gEditor.view.cursorLine;
                 port.Send(0x80, 60, 0);
                 port.Send(0x90, 64, 0);
                 port.Send(0x80, 67, 0);
             },
             [&] { cursorAfter = gEditor.view.cursorLine; }};
    RunTracker();
    EXPECT_TRUE(openAtStart);
    EXPECT_EQ(port.startedIndex, 1) << "found without the system's numbers";
    EXPECT_EQ(Line(4).note[0], 60);
    EXPECT_EQ(Line(4).note[1], 64);
    EXPECT_EQ(Line(4).note[2], kNoteEmpty);
    EXPECT_EQ(Line(4).instrument[1], 6);
    EXPECT_EQ(Line(4).volume[0], 9);
    EXPECT_EQ(cursorWhileHeld, 4);
    EXPECT_EQ(cursorAfter, 5) << "one move for the chord, after its last key is up";
    EXPECT_EQ(port.callback, nullptr) << "closed at quit";
    EXPECT_GE(port.closes, 1);
}

TEST_F(MidiShellTest, WithoutAPreferenceNothingIsOpenedAndNotesStillComeThroughTheCallback) {
    bool open = true;
    uint8_t written = 0, writtenWithEditOff = 0;
    int testNote = 0;
    steps = {
        [&] {
            open = TrackerMidi().isOpen;
            // The device thread's entry works without a device.
            const uint8_t on[3] = {0x90, 62, 1};
            TrackerMidi().OnShortMessage(on, 3);
        },
        [&] {
            written = Line(0).note[0];
            const uint8_t off[3] = {0x80, 62, 1};
            TrackerMidi().OnShortMessage(off, 3);
            Click(gShell.gui->GadgetRect(gShell.gui->FindWindow(kMainWindowNumber), kMainEdit));
        },
        [&] {
            const uint8_t on[3] = {0x90, 65, 1};
            TrackerMidi().OnShortMessage(on, 3);
        },
        [&] {
            writtenWithEditOff = Line(1).note[0];
            std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
            testNote = gShell.player.testNoteActive[0] ? gShell.player.channels[0].note : 0;
        }};
    RunTracker();
    EXPECT_FALSE(open);
    EXPECT_EQ(port.creates, 0) << "no device named: the MIDI system is not even asked";
    EXPECT_EQ(written, 62);
    EXPECT_EQ(writtenWithEditOff, kNoteEmpty) << "\"Edit\" off: keys only sound";
    EXPECT_EQ(testNote, 65);
}

TEST_F(MidiShellTest, PreferencesReopenTheDeviceAtOnce) {
    PreferDevice("Missing keyboard");
    bool openAtStart = true, openAfterChoice = false, closedAfterNone = false;
    auto chooseRow = [](int row) {
        GUI_Window* w = gShell.gui->FindWindow(kPreferencesWindow);
        w->SetListSelection(kPrefsMidiDevices, row);
        GUI_Event e;
        e.type = GUI_EVENT_LIST;
        e.window = kPreferencesWindow;
        e.gadget = kPrefsMidiDevices;
        e.value = row;
        gShell.gui->PostEvent(e);
    };
    auto okay = [] {
        Click(gShell.gui->GadgetRect(gShell.gui->FindWindow(kPreferencesWindow), kPrefsOkay));
    };
    std::vector<std::string> listed;
    steps = {[&] {
                 openAtStart = TrackerMidi().isOpen;
                 // Rows: "None", the two ports, the preferred device that is not there.
                 modalSteps = {nullptr,
                               [&] {
                                   listed = gShell.gui->FindWindow(kPreferencesWindow)
                                                ->Gadget(kPrefsMidiDevices)
                                                ->entries;
                                   chooseRow(2);
                               },
                               okay};
                 DispatchMenu(kMenuPreferences);
                 openAfterChoice = TrackerMidi().isOpen;
             },
             [&] {
                 modalSteps = {nullptr, [&] { chooseRow(0); }, okay};
                 DispatchMenu(kMenuPreferences);
                 closedAfterNone = !TrackerMidi().isOpen;
             }};
    RunTracker();
    EXPECT_FALSE(openAtStart);
    EXPECT_EQ(listed, (std::vector<std::string>{"None", "Midi Through:Midi Through Port-0",
                                                "USB Keys:USB Keys MIDI 1", "Missing keyboard"}));
    EXPECT_TRUE(openAfterChoice);
    EXPECT_TRUE(closedAfterNone);
    EXPECT_TRUE(requesters.empty()) << "nothing waits for the next start";
    EXPECT_EQ(gPreferences.midiInDevice, "");
}
