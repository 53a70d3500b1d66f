// The MIDI event queue and the ALSA sequencer back end behind it.
#include "editor/MidiIn.h"

#include <RtMidi.h>
#include <unistd.h>

#include <cctype>

namespace {

constexpr uint8_t kStatusNoteOff = 0x80;  // first MIDI channel only
constexpr uint8_t kStatusNoteOn = 0x90;
constexpr const char* kSequencerDevice = "/dev/snd/seq";

class RtMidiInputPort : public MidiInputPort {
public:
    ~RtMidiInputPort() override { Close(); }

    bool Create() override {
        Close();
        // Without a sequencer the library would print its complaint before it throws.
        if (access(kSequencerDevice, R_OK | W_OK) != 0) return false;
        try {
            input = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, "Tonweave");
            input->setErrorCallback(&Quiet, nullptr);
        } catch (const RtMidiError&) {
            input.reset();
            return false;
        }
        return true;
    }

    unsigned PortCount() override {
        if (!input) return 0;
        try {
            return input->getPortCount();
        } catch (const RtMidiError&) {
            return 0;
        }
    }

    bool PortName(unsigned index, std::string& name) override {
        if (!input) return false;
        try {
            name = input->getPortName(index);
        } catch (const RtMidiError&) {
            return false;
        }
        return !name.empty();
    }

    bool Start(unsigned index, MessageCallback cb, void* user) override {
        if (!input) return false;
        callback = cb;
        callbackUser = user;
        try {
            input->setCallback(&Deliver, this);
            // System exclusive, timing and sensing messages never reach the callback.
            input->ignoreTypes(true, true, true);
            input->openPort(index, "Tonweave MIDI in");
        } catch (const RtMidiError&) {
            return false;
        }
        return input->isPortOpen();
    }

    void Close() override {
        if (!input) return;
        try {
            input->cancelCallback();
            input->closePort();
        } catch (const RtMidiError&) {
        }
        input.reset();
    }

private:
    static void Deliver(double, std::vector<unsigned char>* message, void* self) {
        auto* port = static_cast<RtMidiInputPort*>(self);
        if (message && port->callback)
            port->callback(message->data(), message->size(), port->callbackUser);
    }
    static void Quiet(RtMidiError::Type, const std::string&, void*) {}

    std::unique_ptr<RtMidiIn> input;
    MessageCallback callback = nullptr;
    void* callbackUser = nullptr;
};

}  // namespace

std::unique_ptr<MidiInputPort> MakeSystemMidiInputPort() {
    return std::make_unique<RtMidiInputPort>();
}

std::string MidiPortBaseName(const std::string& portName) {
    // "<client>:<port> <client number>:<port number>": drop the last word when it is two
    // numbers joined by a colon.
    const size_t space = portName.find_last_of(' ');
    if (space == std::string::npos) return portName;
    const std::string tail = portName.substr(space + 1);
    const size_t colon = tail.find(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == tail.size()) return portName;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (i != colon && !std::isdigit(static_cast<unsigned char>(tail[i]))) return portName;
    }
    return portName.substr(0, space);
}

std::vector<std::string> ListMidiInputDevices(MidiInputPort& port) {
    std::vector<std::string> list{"None"};
    if (!port.Create()) return list;
    const unsigned count = port.PortCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string name;
        if (!port.PortName(i, name)) break;
        list.push_back(MidiPortBaseName(name));
    }
    port.Close();
    return list;
}

std::vector<std::string> ListMidiInputDevices() {
    auto port = MakeSystemMidiInputPort();
    return ListMidiInputDevices(*port);
}

int MidiDeviceListIndex(const std::vector<std::string>& list, const std::string& device) {
    if (device.empty()) return 0;
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i] == MidiPortBaseName(device)) return static_cast<int>(i);
    return 0;
}

std::string MidiDeviceForListIndex(const std::vector<std::string>& list, int index) {
    if (index <= 0 || index >= static_cast<int>(list.size())) return std::string();
    return list[index];
}

MidiInput::MidiInput(std::unique_ptr<MidiInputPort> p)
    : port(p ? std::move(p) : MakeSystemMidiInputPort()) {}

MidiInput::~MidiInput() { Close(); }

bool MidiInput::Open(const std::string& deviceName) {
    Close();
    if (deviceName.empty()) return false;
    if (!port->Create()) return false;
    const std::string wanted = MidiPortBaseName(deviceName);
    const unsigned count = port->PortCount();
    int found = -1;
    for (unsigned i = 0; i < count && found < 0; ++i) {
        std::string name;
        if (!port->PortName(i, name)) break;
        if (MidiPortBaseName(name) == wanted) found = static_cast<int>(i);
    }
    if (found < 0) {
        port->Close();
        return false;
    }
    // Events of a previous session must not reach the new one, so the state is reset
    // before the device can deliver anything.
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        queueHead = 0;
        queueCount = 0;
        for (uint32_t& bits : held) bits = 0;
    }
    if (!port->Start(static_cast<unsigned>(found), &Callback, this)) {
        Close();
        return false;
    }
    isOpen = true;
    return true;
}

void MidiInput::Close() {
    // Closing the port also waits for a callback that is running, so none follows.
    port->Close();
    isOpen = false;
}

void MidiInput::Callback(const uint8_t* bytes, size_t count, void* user) {
    static_cast<MidiInput*>(user)->OnShortMessage(bytes, count);
}

void MidiInput::Push(uint8_t type, uint8_t note, uint8_t velocity) {
    if (queueCount >= kQueueSize) return;
    queue[(queueHead + queueCount) % kQueueSize] = {type, note, velocity};
    ++queueCount;
}

void MidiInput::OnShortMessage(const uint8_t* bytes, size_t count) {
    if (!bytes || count < 3) return;
    uint8_t status = bytes[0];
    const uint8_t note = bytes[1];
    const uint8_t velocity = bytes[2];
    if (note > 127) return;
    if (status == kStatusNoteOn && velocity == 0) status = kStatusNoteOff;
    if (status != kStatusNoteOn && status != kStatusNoteOff) return;

    std::lock_guard<std::mutex> lock(queueMutex);
    uint32_t& bits = held[note >> 5];
    const uint32_t bit = 1u << (note & 31);
    if (status == kStatusNoteOn) {
        if (bits & bit) return;
        bits |= bit;
        Push(kMidiNoteOn, note, velocity);
    } else {
        if (!(bits & bit)) return;
        bits &= ~bit;
        Push(kMidiNoteOff, note, velocity);
    }
}

bool MidiInput::Pop(MidiEvent& event) {
    std::lock_guard<std::mutex> lock(queueMutex);
    if (queueCount == 0) return false;
    event = queue[queueHead];
    queueHead = static_cast<uint8_t>((queueHead + 1) % kQueueSize);
    --queueCount;
    return true;
}

void MidiInput::Clear() {
    std::lock_guard<std::mutex> lock(queueMutex);
    queueHead = 0;
    queueCount = 0;
}

void MidiInput::Drain() {
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        queueHead = 0;
        queueCount = 0;
    }
    for (uint8_t& slot : noteSlots) slot = kFreeSlot;
}

bool MidiInput::IsHeld(uint8_t note) {
    if (note > 127) return false;
    std::lock_guard<std::mutex> lock(queueMutex);
    return (held[note >> 5] >> (note & 31)) & 1;
}
