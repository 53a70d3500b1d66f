// The pattern editor's main-loop work beside the sound thread, as the tracker does it:
// play, stop, follow the play position, note keys (live recording while following), the
// editing keys that run under the sound mutex, and undo and redo while stopped. Run under
// ThreadSanitizer: any unsynchronised access between the editor and the replayer ends the
// program with a report.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <thread>

#include "editor/EditorKeys.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"
#include "sound/Player.h"
#include "sound/SoundOutput.h"
#include "tests/sound/FakeAudioDevice.h"

namespace {

int Fail(const char* what) {
    std::fprintf(stderr, "FAILED: %s\n", what);
    return 1;
}

// Keys a user presses while editing and while the song plays.
const uint8_t kKeys[] = {keys::kZ,      keys::kQ,      keys::kW,         keys::kUp,
                         keys::kDown,   keys::kLeft,   keys::kRight,     keys::kF9,
                         keys::kF10,    keys::kDelete, keys::kBackspace, keys::kReturn,
                         keys::kKpPlus, keys::kI,      keys::kV,         keys::kPageDown};

}  // namespace

int main() {
    auto module = std::make_unique<Module>();
    module->Clear(0, 0);
    module->MakePattern(1);
    module->songLength = 2;
    module->orderList[1] = 1;
    for (int line = 0; line < 64; line += 2) module->patterns[0].lines[line].note[0] = 48;
    auto undo = std::make_unique<UndoHistory>();
    undo->Reset(*module);

    Player player;
    player.Bind(*module);
    player.SetSpeed(8);
    std::recursive_mutex soundMutex;
    auto owned = std::make_unique<FakeAudioDevice>();
    FakeAudioDevice* device = owned.get();
    SoundOutput output(player, soundMutex, std::move(owned));
    output.Open();
    output.StartThread();
    if (!output.ThreadRunning()) return Fail("the sound thread did not start");
    std::atomic<bool> cardRuns{true};
    std::thread card([&] {
        while (cardRuns.load()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            device->Consume(2048);
        }
    });

    PatternView view;
    view.BindPlayer(&player, &soundMutex);
    view.Setup(*module, *undo, 800, 600);
    std::mt19937 rng(2026);
    int keysPressed = 0, plays = 0, liveNotes = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
    while (std::chrono::steady_clock::now() < until) {
        // One main-loop pass: a command now and then, a few keys, the hand-over.
        const unsigned roll = rng() % 16;
        if (roll == 0) {
            std::lock_guard<std::recursive_mutex> lock(soundMutex);
            player.StopAllTestNotes();
            player.Start(0, view.songPosition, 0);
            ++plays;
        } else if (roll == 1) {
            std::lock_guard<std::recursive_mutex> lock(soundMutex);
            player.StopAllTestNotes();
            if (player.playing) player.Stop();
        } else if (roll == 2 && !view.following) {
            if (rng() % 2)
                view.Undo();
            else
                view.Redo();
        }
        for (int k = 0; k < 3; ++k) {
            const uint8_t key = kKeys[rng() % (sizeof kKeys)];
            const uint32_t modifiers = rng() % 4 == 0 ? keys::kModShift : 0;
            const uint8_t line = view.playLine;
            const uint8_t before = module->patterns[view.currentPattern].lines[line].note[0];
            view.HandleKey(key, modifiers, false);
            if (view.following &&
                before != module->patterns[view.currentPattern].lines[line].note[0])
                ++liveNotes;
            ++keysPressed;
        }
        bool playing;
        {
            std::lock_guard<std::recursive_mutex> lock(soundMutex);
            playing = player.playing != 0;
        }
        view.following = playing ? 1 : 0;
        if (playing) view.FollowPlayback();
        std::this_thread::sleep_for(std::chrono::microseconds(300));
    }

    output.Shutdown();
    cardRuns.store(false);
    card.join();
    if (plays < 10) return Fail("the song was started too rarely");
    if (device->writes.size() < 20) return Fail("the sound thread wrote too little");
    std::printf("%d keys, %d plays, %d live notes, %zu chunks: no races reported\n", keysPressed,
                plays, liveNotes, device->writes.size());
    return 0;
}
