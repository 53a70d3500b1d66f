// The pattern list of the batch dialogs ("Change instruments", "Copy channels", "Multi
// pattern settings"): every pattern in use, a check mark before each chosen one; a click
// on a row toggles it and "Select all" chooses all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gui/Gui.h"

struct PatternChooser {
    std::vector<int> patterns;  // the pattern number of each row
    std::vector<bool> chosen;

    // Rows for every used pattern of the module, the current pattern chosen.
    void Fill(int currentPattern);
    // Shows the rows and marks in list gadget `gadget` of `w`.
    void Show(GUI_Window& w, int gadget) const;
    // A click on row `row`: its mark toggles.
    void Toggle(GUI_Window& w, int gadget, int row);
    void SelectAll(GUI_Window& w, int gadget);
    // Bit p % 8 of byte p / 8 set for every chosen pattern p.
    void Mask(uint8_t mask[32]) const;
    bool Any() const;
};

// The text of one row: "003  name".
std::string PatternRowText(int pattern);
