// MIDI keyboard input: the device's thread reduces short messages to note-on and note-off
// events of the first MIDI channel and queues them; the main loop takes them off once per
// frame. The queue and the held-note bits are the only state the two threads share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

enum MidiEventType : uint8_t { kMidiNoteOn = 1, kMidiNoteOff = 2 };

struct MidiEvent {
    uint8_t type;  // kMidiNoteOn or kMidiNoteOff
    uint8_t note;  // 0..127
    uint8_t velocity;
};
static_assert(sizeof(MidiEvent) == 3, "a queued MIDI event is 3 bytes");

// The platform's MIDI input ports as MidiInput needs them. Port names may carry the
// system's numbering; MidiInput matches them without it.
class MidiInputPort {
public:
    using MessageCallback = void (*)(const uint8_t* bytes, size_t count, void* user);
    virtual ~MidiInputPort() = default;
    // Connects to the MIDI system. False when there is none (no message is printed).
    virtual bool Create() = 0;
    virtual unsigned PortCount() = 0;
    // False when the port cannot be asked (it vanished): enumeration stops there.
    virtual bool PortName(unsigned index, std::string& name) = 0;
    // Installs the callback and starts input from port `index`. False on failure; what was
    // set up stays until Close.
    virtual bool Start(unsigned index, MessageCallback callback, void* user) = 0;
    // Stops input and releases everything Create and Start made; safe to call at any time.
    virtual void Close() = 0;
};

// The ALSA sequencer back end. Without a sequencer device Create fails at once, quietly.
std::unique_ptr<MidiInputPort> MakeSystemMidiInputPort();

// The port name as the preference and the preferences dialog hold it: the name without
// the " client:port" numbers that the system appends (they change between sessions).
std::string MidiPortBaseName(const std::string& portName);

// The "MIDI in" list of the preferences dialog: "None" first, then every port found.
std::vector<std::string> ListMidiInputDevices(MidiInputPort& port);
std::vector<std::string> ListMidiInputDevices();
// The row of `device` (the preference) in such a list; 0 ("None") when it is not there.
int MidiDeviceListIndex(const std::vector<std::string>& list, const std::string& device);
// The preference for a chosen row: empty for "None".
std::string MidiDeviceForListIndex(const std::vector<std::string>& list, int index);

class MidiInput {
public:
    // The queue lock's name, kept from the platform where locks are named system objects.
    static constexpr const char* kMutexName = "TONWEAVE_TRACKER_MIDI_IN";
    static constexpr int kQueueSize = 32;
    static constexpr uint8_t kFreeSlot = 255;

    // Guarded by `queueMutex`.
    MidiEvent queue[kQueueSize] = {};
    uint8_t queueHead = 0;
    uint8_t queueCount = 0;
    uint32_t held[4] = {};
    // Main thread only.
    bool isOpen = false;
    // The MIDI note each of three pattern entry slots holds, or kFreeSlot.
    uint8_t noteSlots[3] = {kFreeSlot, kFreeSlot, kFreeSlot};

    // Without a port the system's back end is used.
    explicit MidiInput(std::unique_ptr<MidiInputPort> port = nullptr);
    ~MidiInput();
    MidiInput(const MidiInput&) = delete;
    MidiInput& operator=(const MidiInput&) = delete;

    // Opens the port whose name (without the system's numbers) equals `deviceName`
    // exactly; an empty name, no match or no MIDI system leaves input closed, silently.
    // Reopens when already open. Returns isOpen.
    bool Open(const std::string& deviceName);
    void Close();

    // The device thread's entry for one message; tests call it directly. Messages shorter
    // than three bytes and everything but note-on/note-off of the first MIDI channel are
    // ignored; a note-on with velocity 0 is a note-off. A full queue drops the event.
    void OnShortMessage(const uint8_t* bytes, size_t count);

    // Takes the oldest event; false when the queue is empty.
    bool Pop(MidiEvent& event);
    // Empties the queue.
    void Clear();
    // Empties the queue and frees the entry slots (entering and leaving modes in which
    // MIDI notes must not write); takes the queue lock once.
    void Drain();
    // Whether MIDI note `note` is held down, as far as the queue knows.
    bool IsHeld(uint8_t note);

private:
    static void Callback(const uint8_t* bytes, size_t count, void* user);
    void Push(uint8_t type, uint8_t note, uint8_t velocity);

    std::unique_ptr<MidiInputPort> port;
    std::mutex queueMutex;
};
