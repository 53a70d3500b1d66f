// The dialogs tracker-shots photographs besides the main window: each shot opens one modal
// dialog, which the tool pictures and then cancels with Escape.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct DialogShot {
    const char* name;            // tracker-<name>-<size>.png
    std::function<void()> open;  // returns once the dialog was cancelled
};

// The song and file dialogs; the import dialogs read small files written to `scratch`.
std::vector<DialogShot> SongDialogShots(const std::string& scratch);
