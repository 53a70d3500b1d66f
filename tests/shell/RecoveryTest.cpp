// The recovery file: written two minutes into unsaved work, offered at the next start after
// the tracker died, and gone once the work is saved, dropped or declined. The clock is the
// test's own.
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "app/shell/Recovery.h"
#include "tests/shell/FileTestSupport.h"

using namespace filetest;

namespace {

// 2026-04-03 14:05:09 UTC.
constexpr int64_t kStart = 1775225109;

class RecoveryTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        const char* tz = std::getenv("TZ");
        oldTz = tz ? tz : "";
        hadTz = tz != nullptr;
        setenv("TZ", "UTC", 1);
        tzset();
        now = kStart;
        gShell.options.clock = [this] { return now; };
    }
    void TearDown() override {
        if (hadTz)
            setenv("TZ", oldTz.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
        gShell.terminateRequested = false;
        ShellTest::TearDown();
    }

    bool RecoveryExists() const { return std::filesystem::exists(RecoveryModulePath()); }

    // What a process that dies leaves behind: the files as they are at this moment.
    void KeepFilesAsTheyAre() {
        kept[0] = ReadWholeFile(RecoveryModulePath());
        kept[1] = ReadWholeFile(RecoveryNotePath());
    }
    void PutKeptFilesBack() {
        WriteWholeFile(RecoveryModulePath(), kept[0]);
        WriteWholeFile(RecoveryNotePath(), kept[1]);
    }

    int64_t now = kStart;
    std::string kept[2];
    std::string oldTz;
    bool hadTz = false;
};

bool SameLine(const PatternLine& a, const PatternLine& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace

TEST_F(RecoveryTest, UnsavedWorkIsWrittenAfterTwoMinutesAndOfferedBackAfterTheTrackerDied) {
    const std::string song = dir.File("song.quavex");
    std::filesystem::copy_file(TW_SOURCE_DIR "/assets/demo/demo.quavex", song);
    const std::string before = ReadWholeFile(song);
    PatternLine edited{};
    bool early = true, written = false;
    steps = {[] { TypeNote(); },
             [&] {
                 edited = gModule.patterns[0].lines[0];
                 now += kRecoveryInterval - 1;
             },
             [&] {
                 early = RecoveryExists();
                 now += 1;
             },
             [&] {
                 written = RecoveryExists();
                 KeepFilesAsTheyAre();
             }};
    RunTracker({song});
    EXPECT_FALSE(early);
    EXPECT_TRUE(written);
    // The user's own file is never touched by it.
    EXPECT_EQ(ReadWholeFile(song), before);
    // The run ended with a quit: the file went with it.
    EXPECT_FALSE(RecoveryExists());

    // The next start after a kill: offered, accepted, the edit is back and unsaved.
    PutKeptFilesBack();
    std::vector<std::string> seen;
    bool changed = false;
    std::string fileName;
    modalSteps = {nullptr, Note(seen, Answer(SDL_SCANCODE_RETURN))};
    steps = {[&] {
        changed = ModuleHasChanges();
        fileName = gModule.fileName;
        modalSteps = {nullptr, Answer(SDL_SCANCODE_ESCAPE)};  // "No" to quitting
        DispatchMenu(kMenuQuit);
        // Saving is what ends it.
        DispatchMenu(kMenuSaveModule);
    }};
    gModule.Clear(0, 0);
    RunTracker();
    EXPECT_EQ(seen, std::vector<std::string>{"Restore the unsaved module from 2026-04-03 14:07?"});
    EXPECT_TRUE(changed);
    EXPECT_EQ(fileName, "song.quavex");
    EXPECT_TRUE(SameLine(gModule.patterns[0].lines[0], edited));
    EXPECT_EQ(gModule.title, "Tonweave demo");
    // "Save module" wrote to the song's own file, and the recovery file is gone.
    Module saved;
    saved.Load(song);
    EXPECT_TRUE(SameLine(saved.patterns[0].lines[0], edited));
    EXPECT_FALSE(RecoveryExists());
}

TEST_F(RecoveryTest, DecliningTheOfferRemovesTheFile) {
    steps = {[] { TypeNote(); }, [&] { now += kRecoveryInterval; }, [&] { KeepFilesAsTheyAre(); }};
    RunTracker();
    PutKeptFilesBack();
    std::vector<std::string> seen;
    bool changed = true;
    modalSteps = {nullptr, Note(seen, Answer(SDL_SCANCODE_ESCAPE))};
    steps = {[&] { changed = ModuleHasChanges(); }};
    gModule.Clear(0, 0);
    RunTracker();
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_FALSE(changed);
    EXPECT_EQ(gModule.patterns[0].lines[0].note[0], kNoteEmpty);
    EXPECT_FALSE(RecoveryExists());
    EXPECT_FALSE(std::filesystem::exists(RecoveryNotePath()));
}

// Written only while something is unsaved and only when it changed since the last write;
// undoing back to the saved state removes it.
TEST_F(RecoveryTest, WrittenOnlyWhenTheUnsavedModuleChangedAndRemovedWhenNothingIsUnsaved) {
    std::string note1, note2, note3;
    bool afterUndo = true, neverWhileClean = true;
    steps = {[&] {
                 now += 10 * kRecoveryInterval;  // nothing unsaved: nothing written
             },
             [&] {
                 neverWhileClean = RecoveryExists();
                 TypeNote();
             },
             [&] { now += kRecoveryInterval; },
             [&] {
                 note1 = ReadWholeFile(RecoveryNotePath());
                 now += kRecoveryInterval;
             },
             [&] {
                 note2 = ReadWholeFile(RecoveryNotePath());  // no change: not written again
                 TypeNote();
                 now += kRecoveryInterval;
             },
             [&] { note3 = ReadWholeFile(RecoveryNotePath()); },
             [] {
                 DispatchMenu(kMenuUndo);
                 DispatchMenu(kMenuUndo);
             },
             [&] { afterUndo = RecoveryExists(); }};
    RunTracker();
    EXPECT_FALSE(neverWhileClean);
    EXPECT_EQ(note1, "time " + std::to_string(kStart + 11 * kRecoveryInterval) + "\npath \n");
    EXPECT_EQ(note2, note1);
    EXPECT_EQ(note3, "time " + std::to_string(kStart + 13 * kRecoveryInterval) + "\npath \n");
    EXPECT_FALSE(afterUndo);
}

// A second tracker started beside a running one must not take its recovery file.
TEST_F(RecoveryTest, ASecondTrackerNeitherOffersNorWritesTheFile) {
    WriteWholeFile(RecoveryModulePath(), ReadWholeFile(TW_SOURCE_DIR "/assets/demo/demo.quavex"));
    WriteWholeFile(RecoveryNotePath(), "time 1\npath \n");
    const int other = open(dir.File("recovery.lock").c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_EQ(flock(other, LOCK_EX), 0);
    steps = {[] { TypeNote(); }, [&] { now += 3 * kRecoveryInterval; }, nullptr};
    RunTracker();
    close(other);
    EXPECT_TRUE(requesters.empty());
    EXPECT_EQ(ReadWholeFile(RecoveryNotePath()), "time 1\npath \n");
    EXPECT_EQ(ReadWholeFile(RecoveryModulePath()),
              ReadWholeFile(TW_SOURCE_DIR "/assets/demo/demo.quavex"));
}

// Asked to end (a signal), the tracker writes the unsaved module at once and leaves it for
// the next start.
TEST_F(RecoveryTest, EndingOnASignalKeepsTheUnsavedModule) {
    PatternLine edited{};
    steps = {[] { TypeNote(); },
             [&] {
                 edited = gModule.patterns[0].lines[0];
                 gShell.terminateRequested = true;
             }};
    RunTracker();
    gShell.terminateRequested = false;
    ASSERT_TRUE(RecoveryExists());
    Module recovered;
    recovered.Load(RecoveryModulePath());
    EXPECT_TRUE(SameLine(recovered.patterns[0].lines[0], edited));
}
