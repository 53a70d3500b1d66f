// The recovery file: written while work is unsaved, offered back after a start that
// followed a crash, a kill or a power loss.
#include "app/shell/Recovery.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/RecoveryNote.h"
#include "app/SafeFile.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/MainWindow.h"
#include "app/shell/Shell.h"
#include "gui/Requesters.h"
#include "module/Module.h"

namespace {

struct RecoveryState {
    int lockFile = -1;         // held (flock) while this tracker owns the recovery file
    bool written = false;      // the file on disk holds this run's module
    int64_t due = 0;           // when the next write is due; 0: no unsaved change seen yet
    uint64_t fingerprint = 0;  // of the module last written
    int64_t nextLockTry = 0;   // without the lock: when to try for it again
};
RecoveryState gRecovery;

int64_t Now() {
    if (gShell.options.clock) return gShell.options.clock();
    return static_cast<int64_t>(std::time(nullptr));
}

// FNV-1a over everything a module file holds, to tell whether the module changed since
// the last write without writing it.
struct Fingerprint {
    uint64_t hash = 1469598103934665603ull;
    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const uint8_t*>(data);
        for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    void Add(const std::string& text) {
        Add(text.data(), text.size());
        Add("", 1);
    }
};

uint64_t FingerprintOf(const Module& m) {
    Fingerprint f;
    const uint8_t settings[5] = {m.initialSpeed, m.initialStereo, m.frequencyDivider, m.chipType,
                                 m.repeatPosition};
    f.Add(settings, sizeof settings);
    f.Add(&m.songLength, sizeof m.songLength);
    f.Add(m.orderList, sizeof m.orderList);
    f.Add(m.title);
    f.Add(m.author);
    f.Add(m.notes);
    f.Add(m.instruments, sizeof m.instruments);
    for (const Pattern& p : m.patterns) {
        f.Add(&p.used, 1);
        if (!p.used) continue;
        f.Add(&p.length, sizeof p.length);
        f.Add(p.name, sizeof p.name);
        const uint8_t tacts[6] = {p.mainTactOn,       p.secondaryTactOn,
                                  p.mainTactStart,    p.secondaryTactStart,
                                  p.mainTactInterval, p.secondaryTactInterval};
        f.Add(tacts, sizeof tacts);
        f.Add(p.lines, sizeof p.lines);
    }
    return f.hash;
}

std::string OwnPath(const Module& m) {
    if (m.fileName.empty()) return "";
    return m.directory.empty() ? m.fileName : JoinPath(m.directory, m.fileName);
}

// Writes the module and then its note, each through the safe write, so that a failure at
// any point leaves the previous recovery file whole.
void Write() {
    const uint64_t fingerprint = FingerprintOf(gModule);
    if (gRecovery.written && fingerprint == gRecovery.fingerprint) return;
    {
        SafeFileWriter writer(RecoveryModulePath());
        gModule.Write(writer.File());
        writer.Commit();
    }
    const std::string text = FormatRecoveryNote({Now(), OwnPath(gModule)});
    WriteFileSafely(RecoveryNotePath(), text.data(), text.size());
    gRecovery.written = true;
    gRecovery.fingerprint = fingerprint;
}

void Remove() {
    std::remove(RecoveryModulePath().c_str());
    std::remove(RecoveryNotePath().c_str());
    gRecovery.written = false;
}

// The note beside the recovery module; without one, the module file's own time.
RecoveryNote ReadNote() {
    std::string text;
    if (FILE* f = std::fopen(RecoveryNotePath().c_str(), "rb")) {
        char buffer[4096];
        size_t got;
        // A note is two short lines; anything much longer is no note of ours.
        while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < 65536)
            text.append(buffer, got);
        std::fclose(f);
    }
    RecoveryNote note = ParseRecoveryNote(text);
    struct stat info;
    if (note.time <= 0 && stat(RecoveryModulePath().c_str(), &info) == 0) note.time = info.st_mtime;
    return note;
}

// Puts the recovery module in place of the current one; false when it cannot be read.
bool Restore(const RecoveryNote& note) {
    auto restored = std::make_unique<Module>();
    try {
        if (!restored->Load(RecoveryModulePath())) return false;
    } catch (const CPUException&) {
        throw;
    } catch (const Exception&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
    {
        std::lock_guard<std::recursive_mutex> lock(*gShell.soundMutex);
        gShell.player.StopAllTestNotes();
        if (gShell.player.playing) gShell.player.Stop();
        gModule = *restored;
        gModule.fileName.clear();
        gModule.directory.clear();
        const size_t slash = note.path.find_last_of('/');
        if (!note.path.empty() && slash != std::string::npos) {
            gModule.directory = note.path.substr(0, slash);
            gModule.fileName = note.path.substr(slash + 1);
        }
        gShell.player.Bind(gModule);
        gShell.player.ReloadSettings();
        gShell.followedPosition = -1;
    }
    ResetEditorForModule();
    MarkSettingsChanged();
    if (gShell.gui) RefreshMainWindow(*gShell.gui);
    return true;
}

bool TakeLock() {
    const std::string lock = UserFile("recovery.lock");
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    // The kernel lets go of the lock when the process ends, however it ends.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    gRecovery.lockFile = fd;
    return true;
}

void ReleaseLock() {
    if (gRecovery.lockFile >= 0) close(gRecovery.lockFile);
    gRecovery.lockFile = -1;
}

bool RecoveryFileExists() {
    struct stat info;
    return stat(RecoveryModulePath().c_str(), &info) == 0;
}

// A second tracker takes over the recovery file once the first has ended, unless that
// one left a file behind for the next start to offer.
void RetryLock() {
    const int64_t now = Now();
    if (now < gRecovery.nextLockTry) return;
    gRecovery.nextLockTry = now + kRecoveryInterval;
    if (TakeLock() && RecoveryFileExists()) ReleaseLock();
}

}  // namespace

void RecoveryStart() {
    gRecovery = RecoveryState();
    if (!TakeLock()) gRecovery.nextLockTry = Now() + kRecoveryInterval;
}

std::string RecoveryModulePath() { return UserFile("recovery.quavex"); }
std::string RecoveryNotePath() { return UserFile("recovery.info"); }

std::string RecoveryQuestion(int64_t secondsSince1970) {
    const std::time_t t = static_cast<std::time_t>(secondsSince1970);
    std::tm local = {};
    localtime_r(&t, &local);
    char when[64];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M", &local);
    return std::string("Restore the unsaved module from ") + when + "?";
}

void OfferRecovery() {
    if (gRecovery.lockFile < 0 || !gShell.gui || !RecoveryFileExists()) return;
    const RecoveryNote note = ReadNote();
    if (!GUI_QuestionRequester(*gShell.gui, RecoveryQuestion(note.time), "Yes", "No")) {
        Remove();
        return;
    }
    if (!Restore(note)) {
        GUI_MessageRequester(*gShell.gui, "Couldn't restore the unsaved module.");
        Remove();
        return;
    }
    // The file on disk is what the module now holds; it goes with the next save.
    gRecovery.written = true;
    gRecovery.fingerprint = FingerprintOf(gModule);
    gRecovery.due = 0;
}

void RecoveryTick() {
    if (gRecovery.lockFile < 0) RetryLock();
    if (gRecovery.lockFile < 0) return;
    if (!ModuleHasChanges()) {
        gRecovery.due = 0;
        if (gRecovery.written) Remove();
        return;
    }
    const int64_t now = Now();
    // A clock set back would otherwise put the next write far off.
    if (gRecovery.due == 0 || now < gRecovery.due - kRecoveryInterval) {
        gRecovery.due = now + kRecoveryInterval;
        return;
    }
    if (now < gRecovery.due) return;
    gRecovery.due = now + kRecoveryInterval;
    try {
        Write();
    } catch (const Exception&) {
        // A full disk must not stop the editing; the next interval tries again.
    }
}

void RecoveryModuleSaved() {
    gRecovery.due = 0;
    if (gRecovery.lockFile >= 0 && gRecovery.written) Remove();
}

void RecoveryEnd(bool userQuit, bool crashed) {
    if (gRecovery.lockFile < 0) return;
    if (userQuit) {
        Remove();
    } else if (!crashed && ModuleHasChanges()) {
        try {
            Write();
        } catch (...) {
        }
    }
    ReleaseLock();
    gRecovery = RecoveryState();
}
