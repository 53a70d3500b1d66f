// The sound thread streams a playing song while the main thread issues play commands, test
// notes, mute changes, volume changes, module edits and exports, as the tracker does; some
// commands take the sound mutex again while they hold it. Run under ThreadSanitizer: any
// unsynchronised access ends the program with a report, and a lock that cannot be taken
// again by its holder hangs it (CTest's timeout then fails it).
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "export/DadivevExport.h"
#include "export/MidiExport.h"
#include "export/VgmExport.h"
#include "module/Module.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"
#include "tests/sound/FakeAudioDevice.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    return 1;
}

}  // namespace

int main() {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    for (int line = 0; line < 64; line += 2) {
        PatternLine& l = module->patterns[0].lines[line];
        l.note[0] = static_cast<uint8_t>(48 + line % 24);
        l.note[1] = static_cast<uint8_t>(60 + line % 12);
        l.note[3] = line % 8 == 0 ? 251 : 255;
        for (int c = 0; c < 4; ++c) l.volume[c] = 15;
    }
    module->instruments[0].startVolume = 0xF0;
    module->instruments[0].volumeAdd[0] = 0xFE;

    Player player;
    player.Bind(*module);
    std::recursive_mutex soundMutex;
    auto owned = std::make_unique<FakeAudioDevice>();
    FakeAudioDevice* device = owned.get();
    SoundOutput output(player, soundMutex, std::move(owned));
    output.SetVolume(50);
    output.Open();
    output.StartThread();
    if (!output.ThreadRunning()) return Fail("the sound thread did not start");

    // Stands in for the sound card: plays 2048 bytes every 2 ms (faster than real time, so
    // the sound thread is kept busy).
    std::atomic<bool> cardRuns{true};
    std::thread card([&] {
        while (cardRuns.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            device->Consume(2048);
        }
    });

    std::mt19937 rng(12345);
    Instrument testInstrument = module->instruments[0];
    auto exportModule = std::make_unique<Module>();
    Module& exportCopy = *exportModule;
    bool pendingExport = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    int commands = 0;
    int exports = 0;
    int nested = 0;
    size_t exportedBytes = 0;
    uint32_t lastLine = 0;
    while (std::chrono::steady_clock::now() < until) {
        {
            std::lock_guard<std::recursive_mutex> lock(soundMutex);
            switch (rng() % 12) {
                case 0:
                    player.StopAllTestNotes();
                    player.Start(0, 0, 0);
                    break;
                case 1:
                    player.StopAllTestNotes();
                    if (player.playing) player.Stop();
                    break;
                case 2:
                    player.StartTestNote(0, -1, testInstrument, 15,
                                         static_cast<uint8_t>(45 + rng() % 60), 0, 60);
                    break;
                case 3:
                    player.SetMuteMask(static_cast<uint8_t>(rng()));
                    break;
                case 4: {
                    PatternLine& l = module->patterns[0].lines[rng() % 64];
                    l.note[2] = static_cast<uint8_t>(50 + rng() % 40);
                    l.detune[2] = static_cast<int8_t>(rng() % 7);
                    player.ResetTick();
                    break;
                }
                case 5:
                    module->instruments[0].delay[0] = static_cast<uint8_t>(rng());
                    break;
                case 6:
                    player.SetSpeed(static_cast<uint8_t>(8 + rng() % 64));
                    break;
                case 7:
                    player.JumpTo(0);
                    break;
                case 8: {
                    // A macro run: the outer lock is held while each command takes it again.
                    for (int step = 0; step < 3; ++step) {
                        std::lock_guard<std::recursive_mutex> inner(soundMutex);
                        player.StartTestNote(0, -1, testInstrument, 12, 60, 0, 10);
                        std::lock_guard<std::recursive_mutex> innermost(soundMutex);
                        player.StopAllTestNotes();
                    }
                    ++nested;
                    break;
                }
                case 9:
                    // The export command works on a copy, taken while the song is held still.
                    exportCopy = *module;
                    pendingExport = true;
                    break;
                default:
                    lastLine = player.line + player.position;
                    break;
            }
            ++commands;
        }
        if (pendingExport) {
            // Exports run outside the lock while the sound thread keeps playing.
            pendingExport = false;
            exportedBytes += BuildVGM(exportCopy).size();
            exportedBytes += BuildMIDI(exportCopy, MidiProgramTable()).size();
            exportedBytes += CompileDADIVEV(exportCopy).size();
            ++exports;
        }
        output.SetVolume(static_cast<int>(rng() % 101));
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }

    output.Shutdown();
    cardRuns.store(false);
    card.join();
    if (output.ThreadRunning()) return Fail("the sound thread still runs");
    if (device->writes.size() < 20) return Fail("the sound thread wrote too little");
    if (exports < 3 || exportedBytes == 0) return Fail("too few exports ran while playing");
    if (nested < 3) return Fail("too few nested locks were taken");
    std::printf("%d commands (%d exports, %d nested locks), %zu chunks written, last line %u: "
                "no races reported\n",
                commands, exports, nested, device->writes.size(), lastLine);
    return 0;
}
