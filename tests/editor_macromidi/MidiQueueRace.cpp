// A device thread delivers MIDI messages at the callback entry while the main thread pops,
// clears and drains the queue, as the main loop and the instrument editor do. Run under
// ThreadSanitizer: any unsynchronised access ends the program with a report.
#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>

#include "editor/MidiIn.h"

namespace {

// A port that opens without a device; the test thread plays the device.
class NullPort : public MidiInputPort {
public:
    bool Create() override { return true; }
    unsigned PortCount() override { return 1; }
    bool PortName(unsigned, std::string& name) override {
        name = "Test keyboard 24:0";
        return true;
    }
    bool Start(unsigned, MessageCallback, void*) override { return true; }
    void Close() override {}
};

}  // namespace

// MidiEntryRace.cpp: the main loop's note entry against the device and sound threads.
int RunMidiEntryRace();

int main() {
    MidiInput midi(std::make_unique<NullPort>());
    if (!midi.Open("Test keyboard")) {
        std::fprintf(stderr, "FAILED: the port did not open\n");
        return 1;
    }
    std::atomic<bool> running{true};
    std::atomic<long> sent{0};
    std::thread device([&] {
        uint8_t note = 36;
        while (running.load()) {
            const uint8_t on[3] = {0x90, note, 100};
            const uint8_t off[3] = {0x90, note, 0};  // velocity 0: released
            midi.OnShortMessage(on, 3);
            midi.OnShortMessage(off, 3);
            const uint8_t other[3] = {0x91, note, 100};  // second MIDI channel: ignored
            midi.OnShortMessage(other, 3);
            note = static_cast<uint8_t>(36 + (note - 35) % 48);
            sent += 2;
        }
    });
    long popped = 0, ons = 0, offs = 0;
    for (int frame = 0; frame < 200000; ++frame) {
        MidiEvent e;
        while (midi.Pop(e)) {
            ++popped;
            if (e.type == kMidiNoteOn) ++ons;
            if (e.type == kMidiNoteOff) ++offs;
        }
        if (frame % 1000 == 0) midi.Drain();
        if (frame % 1500 == 0) midi.Clear();
        if (frame % 700 == 0) (void)midi.IsHeld(40);
    }
    running.store(false);
    device.join();
    midi.Close();
    if (popped == 0 || ons == 0 || offs == 0) {
        std::fprintf(stderr, "FAILED: no events came through\n");
        return 1;
    }
    std::printf("%ld sent, %ld popped (%ld on, %ld off): no races reported\n", sent.load(), popped,
                ons, offs);
    return RunMidiEntryRace();
}
