// The standard requesters: message, question and file. All use window number 10001, so
// only one is open at a time; each runs its own modal loop and returns when decided.
#pragma once

#include <string>
#include <vector>

#include "gui/Gui.h"

constexpr int kRequesterWindow = 10001;

// Title "Message", the text and "Okay"; closes on "Okay", Return or the close gadget.
// `wide` shows the text in a wide scrolling field (for long reports) instead of the
// compact layout.
void GUI_MessageRequester(GUI& gui, const std::string& text, bool wide = false);

// Title "Requester", the text and two buttons; true for the first (also Return), false
// for the second (also Escape and the close gadget). False when the window cannot open.
bool GUI_QuestionRequester(GUI& gui, const std::string& text, const std::string& first,
                           const std::string& second);

// Title "Requester", the text and a row of two or more buttons; the index of the one
// pressed. The first is the default (Return); the last answers Escape and the close gadget,
// and -1 comes back only when the window cannot open.
int GUI_ChoiceRequester(GUI& gui, const std::string& text, const std::vector<std::string>& buttons);

struct GUI_FileRequest {
    std::string title;                  // "Load module", ...
    bool save = false;                  // the button says "Save" and existing files are confirmed
    std::string directory;              // where to start; on success the directory chosen in
    std::vector<std::string> patterns;  // "*.vgm", ...; empty for all files
    std::string extension;              // saving: added to a typed name without one (".quavex")
    std::string fileName;               // the name offered in the field
    std::string result;                 // on success the full path
};

// The file requester. True with `result` (and `directory`) set when a file was chosen;
// false when cancelled or the window could not open.
bool GUI_FileRequester(GUI& gui, GUI_FileRequest& request);
