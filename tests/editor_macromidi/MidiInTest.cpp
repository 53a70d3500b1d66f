// MIDI input: the callback entry's filtering, the 32-event queue, opening a port by name
// through a fake back end, and the system back end on a machine without a sequencer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "editor/MidiIn.h"

namespace {

struct FakeState {
    std::vector<std::string> names;
    int failNameAt = -1;
    bool createOk = true, startOk = true;
    bool created = false, started = false;
    int startedIndex = -1;
    int closes = 0;
    // What the input looked like when the port was started.
    int queueAtStart = -1;
    uint32_t heldAtStart = 0xFFFFFFFF;
    MidiInputPort::MessageCallback callback = nullptr;
    void* user = nullptr;
};

class FakePort : public MidiInputPort {
public:
    explicit FakePort(FakeState& s) : state(s) {}
    bool Create() override { return state.created = state.createOk; }
    unsigned PortCount() override { return static_cast<unsigned>(state.names.size()); }
    bool PortName(unsigned i, std::string& name) override {
        if (static_cast<int>(i) == state.failNameAt) return false;
        name = state.names[i];
        return true;
    }
    bool Start(unsigned index, MessageCallback cb, void* user) override {
        auto* input = static_cast<MidiInput*>(user);
        state.queueAtStart = input->queueCount;
        state.heldAtStart = input->held[0] | input->held[1] | input->held[2] | input->held[3];
        state.startedIndex = static_cast<int>(index);
        state.callback = cb;
        state.user = user;
        state.started = state.startOk;
        return state.startOk;
    }
    void Close() override {
        ++state.closes;
        state.created = false;
        state.started = false;
    }

private:
    FakeState& state;
};

void Send(MidiInput& midi, uint8_t status, uint8_t note, uint8_t velocity) {
    const uint8_t message[3] = {status, note, velocity};
    midi.OnShortMessage(message, 3);
}

std::vector<MidiEvent> PopAll(MidiInput& midi) {
    std::vector<MidiEvent> events;
    MidiEvent e;
    while (midi.Pop(e)) events.push_back(e);
    return events;
}

}  // namespace

TEST(MidiCallback, NoteOnAndOffOfTheFirstChannelAreQueuedOnce) {
    FakeState state;
    MidiInput midi(std::make_unique<FakePort>(state));
    Send(midi, 0x90, 60, 100);
    Send(midi, 0x90, 60, 90);  // already held: no second note-on
    EXPECT_TRUE(midi.IsHeld(60));
    Send(midi, 0x80, 60, 40);
    Send(midi, 0x80, 60, 40);  // not held any more
    Send(midi, 0x80, 61, 0);   // never held
    const auto events = PopAll(midi);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].type, kMidiNoteOn);
    EXPECT_EQ(events[0].note, 60);
    EXPECT_EQ(events[0].velocity, 100);
    EXPECT_EQ(events[1].type, kMidiNoteOff);
    EXPECT_EQ(events[1].velocity, 40);
    EXPECT_FALSE(midi.IsHeld(60));
}

TEST(MidiCallback, VelocityZeroReleasesAndOtherMessagesAreIgnored) {
    FakeState state;
    MidiInput midi(std::make_unique<FakePort>(state));
    Send(midi, 0x90, 127, 1);
    Send(midi, 0x90, 127, 0);
    Send(midi, 0x91, 64, 100);  // MIDI channel 2
    Send(midi, 0x81, 64, 100);
    Send(midi, 0x9F, 64, 100);
    Send(midi, 0xB0, 64, 100);  // controller
    Send(midi, 0xE0, 0, 64);    // pitch bend
    Send(midi, 0x90, 200, 64);  // not a data byte
    const uint8_t two[2] = {0x90, 50};
    midi.OnShortMessage(two, 2);
    midi.OnShortMessage(two, 0);
    midi.OnShortMessage(nullptr, 3);
    const uint8_t four[4] = {0x90, 51, 10, 0};
    midi.OnShortMessage(four, 4);
    const auto events = PopAll(midi);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, kMidiNoteOn);
    EXPECT_EQ(events[1].type, kMidiNoteOff);
    EXPECT_EQ(events[1].note, 127);
    EXPECT_EQ(events[2].note, 51);
    EXPECT_FALSE(midi.IsHeld(50));
}

TEST(MidiQueue, HoldsThirtyTwoInOrderAcrossTheRingsEnd) {
    FakeState state;
    MidiInput midi(std::make_unique<FakePort>(state));
    for (int n = 0; n < 20; ++n) Send(midi, 0x90, static_cast<uint8_t>(n), 1);
    EXPECT_EQ(PopAll(midi).size(), 20u);
    for (int n = 20; n < 60; ++n) Send(midi, 0x90, static_cast<uint8_t>(n), 1);
    const auto events = PopAll(midi);
    ASSERT_EQ(events.size(), 32u) << "a full queue drops the rest";
    for (int i = 0; i < 32; ++i) EXPECT_EQ(events[i].note, 20 + i);
    MidiEvent e;
    EXPECT_FALSE(midi.Pop(e));
}

TEST(MidiQueue, ClearEmptiesAndDrainAlsoFreesTheEntrySlots) {
    FakeState state;
    MidiInput midi(std::make_unique<FakePort>(state));
    Send(midi, 0x90, 1, 1);
    midi.Clear();
    EXPECT_TRUE(PopAll(midi).empty());
    Send(midi, 0x90, 2, 1);
    midi.noteSlots[0] = 2;
    midi.noteSlots[2] = 9;
    midi.Drain();
    EXPECT_TRUE(PopAll(midi).empty());
    for (uint8_t slot : midi.noteSlots) EXPECT_EQ(slot, MidiInput::kFreeSlot);
    // The keys are still down, so their releases come through.
    Send(midi, 0x80, 2, 0);
    EXPECT_EQ(PopAll(midi).size(), 1u);
}

TEST(MidiQueue, DrainTakesTheQueueLockOnlyOnce) {
    FakeState state;
    // Leaked on purpose: should Drain lock twice, the thread below hangs on it forever.
    auto* midi = new MidiInput(std::make_unique<FakePort>(state));
    for (int n = 0; n < 5; ++n) Send(*midi, 0x90, static_cast<uint8_t>(n), 1);
    std::atomic<bool> done{false};
    std::thread([midi, &done] {
        midi->Drain();
        done = true;
    }).detach();
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!done && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_TRUE(done) << "Drain deadlocked on the queue lock";
    EXPECT_TRUE(PopAll(*midi).empty());
    delete midi;
}

TEST(MidiOpen, MatchesThePortNameWithoutTheSystemsNumbers) {
    FakeState state;
    state.names = {"Midi Through:Midi Through Port-0 14:0", "USB Keys:USB Keys MIDI 1 20:0",
                   "USB Keys:USB Keys MIDI 1 24:0"};
    MidiInput midi(std::make_unique<FakePort>(state));
    EXPECT_TRUE(midi.Open("USB Keys:USB Keys MIDI 1"));
    EXPECT_TRUE(midi.isOpen);
    EXPECT_EQ(state.startedIndex, 1);
    // A preference written with the numbers of an older session still finds the device.
    EXPECT_TRUE(midi.Open("USB Keys:USB Keys MIDI 1 28:0"));
    EXPECT_EQ(state.startedIndex, 1);
    // Case matters, and a prefix is no match.
    EXPECT_FALSE(midi.Open("usb keys:usb keys midi 1"));
    EXPECT_FALSE(midi.isOpen);
    EXPECT_FALSE(state.created) << "the enumeration was closed again";
    EXPECT_FALSE(midi.Open("USB Keys"));
    EXPECT_FALSE(midi.Open(""));
}

TEST(MidiOpen, AFailedStartClosesWhatWasOpened) {
    FakeState state;
    state.names = {"Keys 20:0"};
    state.startOk = false;
    MidiInput midi(std::make_unique<FakePort>(state));
    EXPECT_FALSE(midi.Open("Keys"));
    EXPECT_FALSE(midi.isOpen);
    EXPECT_FALSE(state.created);
    EXPECT_GE(state.closes, 1);
}

TEST(MidiOpen, EnumerationStopsAtAPortThatCannotBeAsked) {
    FakeState state;
    state.names = {"A 1:0", "B 2:0", "C 3:0"};
    state.failNameAt = 1;
    MidiInput midi(std::make_unique<FakePort>(state));
    EXPECT_FALSE(midi.Open("C"));
    EXPECT_TRUE(midi.Open("A"));
    state.createOk = false;
    EXPECT_FALSE(midi.Open("A"));
    EXPECT_EQ(ListMidiInputDevices(*std::make_unique<FakePort>(state)),
              std::vector<std::string>{"None"});
}

TEST(MidiOpen, HeldNotesAndQueueAreClearedBeforeInputStarts) {
    FakeState state;
    state.names = {"Keys 20:0"};
    MidiInput midi(std::make_unique<FakePort>(state));
    Send(midi, 0x90, 70, 1);  // a key held from the session before
    Send(midi, 0x90, 3, 1);
    ASSERT_TRUE(midi.Open("Keys"));
    EXPECT_EQ(state.queueAtStart, 0);
    EXPECT_EQ(state.heldAtStart, 0u);
    // Events come through the callback the port was given.
    const uint8_t on[3] = {0x90, 70, 5};
    state.callback(on, 3, state.user);
    const auto events = PopAll(midi);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].note, 70);
    midi.Close();
    EXPECT_FALSE(midi.isOpen);
    EXPECT_FALSE(state.started);
}

TEST(MidiPortNames, BaseNameDropsOnlyTheTrailingNumbers) {
    EXPECT_EQ(MidiPortBaseName("USB Keys:USB Keys MIDI 1 20:0"), "USB Keys:USB Keys MIDI 1");
    EXPECT_EQ(MidiPortBaseName("Keys 128:15"), "Keys");
    EXPECT_EQ(MidiPortBaseName("Keys"), "Keys");
    EXPECT_EQ(MidiPortBaseName("Keys 20:"), "Keys 20:");
    EXPECT_EQ(MidiPortBaseName("Keys :0"), "Keys :0");
    EXPECT_EQ(MidiPortBaseName("Keys 2a:0"), "Keys 2a:0");
    EXPECT_EQ(MidiPortBaseName("Keys 20"), "Keys 20");
    EXPECT_EQ(MidiPortBaseName(""), "");
}

TEST(MidiPortNames, PreferencesListHasNoneFirstAndMapsRows) {
    FakeState state;
    state.names = {"A:a 14:0", "B:b 20:1"};
    const auto list = ListMidiInputDevices(*std::make_unique<FakePort>(state));
    EXPECT_EQ(list, (std::vector<std::string>{"None", "A:a", "B:b"}));
    EXPECT_FALSE(state.created);
    EXPECT_EQ(MidiDeviceListIndex(list, ""), 0);
    EXPECT_EQ(MidiDeviceListIndex(list, "B:b"), 2);
    EXPECT_EQ(MidiDeviceListIndex(list, "B:b 99:0"), 2);
    EXPECT_EQ(MidiDeviceListIndex(list, "gone"), 0);
    EXPECT_EQ(MidiDeviceForListIndex(list, 0), "");
    EXPECT_EQ(MidiDeviceForListIndex(list, 1), "A:a");
    EXPECT_EQ(MidiDeviceForListIndex(list, 3), "");
}

TEST(MidiSystem, WithoutASequencerInputStaysClosedQuietlyAndAtOnce) {
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const auto start = std::chrono::steady_clock::now();
    MidiInput midi;
    const bool opened = midi.Open("Some keyboard");
    const auto list = ListMidiInputDevices();
    const auto elapsed = std::chrono::steady_clock::now() - start;
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    if (access("/dev/snd/seq", F_OK) == 0) GTEST_SKIP() << "this machine has a sequencer";
    EXPECT_FALSE(opened);
    EXPECT_FALSE(midi.isOpen);
    EXPECT_EQ(list, std::vector<std::string>{"None"});
    EXPECT_EQ(err, "");
    EXPECT_EQ(out, "");
    EXPECT_LT(elapsed, std::chrono::milliseconds(200));
}
