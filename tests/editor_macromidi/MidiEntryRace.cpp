// The tracker's main loop step 4 under ThreadSanitizer: a device thread plays chords at the
// MIDI callback the port was given, the sound thread streams the song that the notes are
// written into, and the main thread hands the queue to the note entry once per pass, moves
// the cursor and undoes, as the tracker does. Any unsynchronised access ends the program
// with a report.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

#include "editor/MidiNotes.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"
#include "tests/sound/FakeAudioDevice.h"

namespace {

// A port without a device: it keeps the callback, and the device thread calls it.
class CallbackPort : public MidiInputPort {
public:
    std::atomic<MessageCallback> callback{nullptr};
    std::atomic<void*> user{nullptr};
    bool Create() override { return true; }
    unsigned PortCount() override { return 1; }
    bool PortName(unsigned, std::string& name) override {
        name = "Race keys 20:0";
        return true;
    }
    bool Start(unsigned, MessageCallback cb, void* u) override {
        user = u;
        callback = cb;
        return true;
    }
    void Close() override { callback = nullptr; }
};

}  // namespace

int RunMidiEntryRace() {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    Player player;
    player.Bind(*module);
    std::recursive_mutex soundMutex;
    auto history = std::make_unique<UndoHistory>();
    history->Reset(*module);
    auto view = std::make_unique<PatternView>();
    view->BindPlayer(&player, &soundMutex);
    view->Setup(*module, *history, 800, 600);

    auto owned = std::make_unique<CallbackPort>();
    CallbackPort* port = owned.get();
    MidiInput midi(std::move(owned));
    if (!midi.Open("Race keys")) {
        std::fprintf(stderr, "FAILED: the port did not open\n");
        return 1;
    }
    MidiNoteEntry entry(midi, *module, player, soundMutex, MidiEntryUndoFor(*history));

    auto device = std::make_unique<FakeAudioDevice>();
    FakeAudioDevice* card = device.get();
    SoundOutput output(player, soundMutex, std::move(device));
    output.Open();
    output.StartThread();
    {
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        player.Start(0, 0, 0);
    }
    std::atomic<bool> running{true};
    std::thread cardThread([&] {
        while (running.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            card->Consume(2048);
        }
    });
    std::atomic<long> sent{0};
    std::thread keys([&] {
        uint8_t root = 48;
        while (running.load()) {
            const MidiInputPort::MessageCallback deliver = port->callback.load();
            if (!deliver) continue;
            for (uint8_t step : {0, 4, 7}) {
                const uint8_t on[3] = {0x90, uint8_t(root + step), 100};
                deliver(on, 3, port->user.load());
            }
            for (uint8_t step : {7, 0, 4}) {
                const uint8_t off[3] = {0x80, uint8_t(root + step), 0};
                deliver(off, 3, port->user.load());
            }
            root = uint8_t(48 + (root - 47) % 24);
            sent += 6;
        }
    });

    // The main loop: the frame spans three channels so that chords land on one line.
    view->anchorColumn = 0;
    view->cursorColumn = 8;
    int written = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    for (int pass = 0; std::chrono::steady_clock::now() < until; ++pass) {
        entry.writeProtected = pass % 50 == 49;
        entry.DrainInto(*view);
        if (view->cursorLine >= 60) view->MoveCursor(0, 0, -60);
        if (pass % 37 == 0) {
            std::lock_guard<std::recursive_mutex> lock(soundMutex);
            view->Undo();
        }
        if (pass % 101 == 0) {
            midi.Drain();
            entry.Reset();
        }
        std::lock_guard<std::recursive_mutex> lock(soundMutex);
        for (int l = 0; l < 64; ++l) written += module->patterns[0].lines[l].note[0] != 255;
    }
    running.store(false);
    keys.join();
    cardThread.join();
    output.Shutdown();
    midi.Close();
    if (sent.load() == 0 || written == 0) {
        std::fprintf(stderr, "FAILED: no notes came through\n");
        return 1;
    }
    std::printf("%ld messages sent while the song played: no races reported\n", sent.load());
    return 0;
}
