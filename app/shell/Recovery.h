// Unsaved work survives a crash, a kill or a power loss: while the module has unsaved
// changes it is written every two minutes to a recovery file beside the preferences (never
// over the user's own file), and the next start offers it back. A save, a quit the user
// agreed to, or declining the offer removes it.
#pragma once

#include <cstdint>
#include <string>

// Seconds between two writes of the recovery file.
constexpr int64_t kRecoveryInterval = 120;

// The recovery module ("recovery.quavex") and its note ("recovery.info": when it was
// written and the path of the module's own file) in the user directory.
std::string RecoveryModulePath();
std::string RecoveryNotePath();

// At start, before anything could change the module: takes the recovery lock. A second
// tracker running at the same time gets none; it then neither offers nor writes recovery
// files, so that it cannot take the first one's.
void RecoveryStart();
// After the module named on the command line: when a recovery file is there, asks
// "Restore the unsaved module from <time>?". "Yes" puts it in place of the current module,
// marked changed so that the user saves it; "No" removes it.
void OfferRecovery();
// Every frame: writes the recovery file when the module has had unsaved changes for the
// interval (and it changed since the last write), removes it once nothing is unsaved.
void RecoveryTick();
// After a successful save: nothing is unsaved any more.
void RecoveryModuleSaved();
// At the end of the run. When the user quit, the file goes; when the process was asked to
// end (a signal) the unsaved module is written once more; after a crash it stays as it is.
void RecoveryEnd(bool userQuit, bool crashed);

// "Restore the unsaved module from 2026-04-03 14:05?" for a time in seconds since 1970,
// shown in local time.
std::string RecoveryQuestion(int64_t secondsSince1970);
