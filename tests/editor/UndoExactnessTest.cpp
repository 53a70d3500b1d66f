// A long seeded sequence of commands: undoing all of it gives back the saved file byte for
// byte, redoing all of it the module after the sequence; and no command allocates.
#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "EditorTestSupport.h"
#include "editor/SongEdits.h"

namespace {

std::atomic<long> gAllocations{0};

void RandomFrame(EditorRig& rig, std::mt19937& rng) {
    const int length = rig.view->PatternLength();
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const int span = pick(4) == 0 ? pick(length) : pick(4);
    const int y = pick(length);
    const int x = pick(14);
    rig.Select(x, y, std::min(13, x + pick(3)), std::min(length - 1, y + span));
}

// One random command; most are editing commands, some move, some change the song.
void RandomStep(EditorRig& rig, std::mt19937& rng) {
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    RandomFrame(rig, rng);
    static const uint8_t kNotes[] = {0, 30, 48, 60, 119, 155, 246, 247, 250, 251, 254};
    switch (pick(16)) {
        case 0: rig.Run(kCmdEnterNote, kNotes[pick(11)], static_cast<uint8_t>(pick(16)), pick(16)); break;
        case 1: rig.Run(kCmdClear); break;
        case 2: rig.Run(kCmdDouble, static_cast<uint8_t>(1 + pick(2))); break;
        case 3: rig.Run(kCmdHalf, static_cast<uint8_t>(1 + pick(2))); break;
        case 4: rig.Run(kCmdDetune, static_cast<uint8_t>("\x01\xFF\x02\x00"[pick(4)])); break;
        case 5: rig.Run(kCmdTranspose, static_cast<uint8_t>("\x01\xFF\x02\xFE"[pick(4)])); break;
        case 6: rig.Run(kCmdVolumeStep, static_cast<uint8_t>(pick(4))); break;
        case 7: rig.Run(kCmdInstrumentStep, static_cast<uint8_t>(pick(2))); break;
        case 8: rig.Run(kCmdLineTool, static_cast<uint8_t>(pick(6))); break;
        case 9: rig.Run(kCmdSetEffect, static_cast<uint8_t>(pick(3)), static_cast<uint8_t>(pick(256))); break;
        case 10: rig.Run(kCmdSetGlobal, static_cast<uint8_t>(pick(5)), static_cast<uint8_t>(pick(256))); break;
        case 11: rig.view->InsertLine(pick(2)); break;
        case 12: rig.view->DeleteLine(pick(2)); break;
        case 13: rig.Run(kCmdGradient); break;
        case 14: {
            BatchRange range;
            ChoosePattern(range, rig.view->currentPattern);
            if (pick(2)) ChangeInstruments(*rig.module, *rig.undo, range, pick(3), pick(16), pick(16), pick(16));
            else CopyChannels(*rig.module, *rig.undo, range, pick(4), pick(4), pick(2));
            break;
        }
        default: {
            Module& m = *rig.module;
            const int p = rig.view->currentPattern;
            rig.undo->BeginPatternSettings(p);
            m.patterns[p].mainTactOn = static_cast<uint8_t>(pick(2));
            m.patterns[p].mainTactInterval = static_cast<uint8_t>(1 + pick(16));
            m.SetPatternLength(p, 1 + pick(256));
            rig.undo->EndPatternSettings();
            break;
        }
    }
    rig.view->Clamp();
}

void FillPattern(Module& m, int p, std::mt19937& rng) {
    for (int l = 0; l < 256; ++l) {
        PatternLine& line = m.patterns[p].lines[l];
        for (int c = 0; c < 4; ++c) {
            line.note[c] = rng() % 3 ? kNoteEmpty : static_cast<uint8_t>(rng() % 156);
            line.instrument[c] = rng() % 16;
            line.volume[c] = rng() % 16;
            line.detune[c] = static_cast<int8_t>(static_cast<int>(rng() % 21) - 10);
            line.effect[c] = rng() % 3;
            line.effectParam[c] = rng() % 16;
        }
        for (int k = 0; k < 2; ++k) {
            line.globalCmd[k] = rng() % 5;
            line.globalParam[k] = 8 + rng() % 200;
        }
    }
}

}  // namespace

// Counting every allocation of the program; they go to malloc, so free releases them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

TEST(UndoExactness, RandomSequenceUndoesAndRedoesExactly) {
    for (unsigned seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        EditorRig rig;
        std::mt19937 rng(seed);
        Module& m = *rig.module;
        m.MakePattern(1);
        InsertOrderEntry(m, 1, 1);
        FillPattern(m, 0, rng);
        FillPattern(m, 1, rng);
        m.SetPatternLength(1, 100);
        const std::vector<uint8_t> start = SavedBytes(m);
        int steps = 0;
        for (int i = 0; i < 600; ++i) {
            if (rng() % 8 == 0) rig.view->SetSongPosition(static_cast<int>(rng() % 2));
            RandomStep(rig, rng);
        }
        const std::vector<uint8_t> end = SavedBytes(m);
        ASSERT_NE(start, end);
        while (rig.view->Undo()) ++steps;
        EXPECT_GT(steps, 300);
        EXPECT_EQ(SavedBytes(m), start);
        EXPECT_FALSE(rig.undo->HasChanges());
        while (rig.view->Redo()) {
        }
        EXPECT_EQ(SavedBytes(m), end);
    }
}

TEST(UndoExactness, NoAllocationAfterStartUp) {
    EditorRig rig;
    static int messages = 0;  // the rig's own hook keeps strings, which allocates
    rig.view->hooks.showMessage = [](void*, const char*) { ++messages; };
    std::mt19937 rng(7);
    FillPattern(*rig.module, 0, rng);
    RandomStep(rig, rng);  // anything lazily built is built now
    const long before = gAllocations.load();
    for (int i = 0; i < 2000; ++i) {
        RandomStep(rig, rng);
        rig.view->HandleKey(keys::kZ, 0, false);
        rig.view->HandleKey(keys::kDown, keys::kModShift, false);
        if (i % 3 == 0) rig.view->Undo();
        if (i % 5 == 0) rig.view->Redo();
    }
    EXPECT_GT(messages, 0);
    EXPECT_EQ(gAllocations.load() - before, 0);
}
