// The batch dialogs' pattern list.
#include "app/shell/PatternChooser.h"

#include <cstdio>
#include <cstring>

#include "gui/Skin.h"
#include "module/Module.h"

std::string PatternRowText(int pattern) {
    const Pattern& p = gModule.patterns[pattern];
    char text[48];
    std::snprintf(text, sizeof text, "%03d  %.32s", pattern, p.name);
    return text;
}

void PatternChooser::Fill(int currentPattern) {
    patterns.clear();
    chosen.clear();
    for (int p = 0; p < kMaxPatterns; ++p) {
        if (!gModule.patterns[p].used) continue;
        patterns.push_back(p);
        chosen.push_back(p == currentPattern);
    }
}

void PatternChooser::Show(GUI_Window& w, int gadget) const {
    std::vector<std::string> rows;
    std::vector<int> icons;
    for (size_t i = 0; i < patterns.size(); ++i) {
        rows.push_back(PatternRowText(patterns[i]));
        icons.push_back(chosen[i] ? int(kIconCheck) : -1);
    }
    const int selection = w.ListSelection(gadget);
    w.SetListEntries(gadget, rows);
    w.SetListIcons(gadget, icons);
    w.SetListSelection(gadget, selection);
}

void PatternChooser::Toggle(GUI_Window& w, int gadget, int row) {
    if (row < 0 || row >= int(patterns.size())) return;
    chosen[size_t(row)] = !chosen[size_t(row)];
    Show(w, gadget);
}

void PatternChooser::SelectAll(GUI_Window& w, int gadget) {
    chosen.assign(patterns.size(), true);
    Show(w, gadget);
}

void PatternChooser::Mask(uint8_t mask[32]) const {
    std::memset(mask, 0, 32);
    for (size_t i = 0; i < patterns.size(); ++i)
        if (chosen[i])
            mask[patterns[i] / 8] = uint8_t(mask[patterns[i] / 8] | 1 << (patterns[i] % 8));
}

bool PatternChooser::Any() const {
    for (bool c : chosen)
        if (c) return true;
    return false;
}
