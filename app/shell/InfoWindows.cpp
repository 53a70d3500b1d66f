// The "Readme.txt" and "Program info" windows.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/shell/DialogParts.h"
#include "app/shell/Dialogs.h"
#include "app/shell/Shell.h"

namespace {

constexpr const char* kWebSite = "https://tonweave.org";
constexpr const char* kLibraries =
    "This program includes the libraries libpng, FreeType and ZLib, made by other people. "
    "Thanks to their authors.";
constexpr const char* kCredits =
    "Programming, sound engine and skin: the Tonweave developers.\n"
    "Fonts: DejaVu.";

// Runs a window until "Close" (its last gadget), the close gadget or Escape.
void RunInfoWindow(GUI& gui, GUI_Window* w, int closeGadget) {
    if (!w) return;
    const int number = w->number;
    GUI_RunModal(gui, w, [&](const GUI_Event& e) {
        if (e.window != number) return false;
        return e.type == GUI_EVENT_CLOSE ||
               (e.type == GUI_EVENT_ACTIVATED && e.gadget == closeGadget);
    });
    gui.CloseWindow(number);
}

}  // namespace

std::string ReadmeText() {
    const std::string path = AssetFile("readme.txt");
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return "The file readme.txt could not be opened.";
    std::string text;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, got);
    std::fclose(f);
    // Tabs and carriage returns would show as boxes.
    text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
    std::replace(text.begin(), text.end(), '\t', ' ');
    return text;
}

void CommandReadme(const GUI_Event&) {
    GUI& gui = *gShell.gui;
    static std::string text;
    text = ReadmeText();
    const int lines = std::max(8, (gui.ScreenHeight() - 170) / 16);
    GUI_GadgetDesc field;
    field.kind = GT_TEXTFIELD;
    // No format: a field without one holds up to 65535 characters.
    field.content = text.c_str();
    // The text has the keys, so that the arrows, Page Up/Down, Home and End scroll it;
    // Return and Escape still close the window.
    field.flags = GUI_READONLY | GUI_MONO | GUI_FOCUS;
    field.height = int16_t(lines);
    const GUI_GadgetDesc d[] = {field, dialog::CloseButton(1)};
    GUI_Window* w = gui.OpenWindow(kReadmeWindow, "Readme.txt", gui.ScreenWidth() - 40, d, 2);
    RunInfoWindow(gui, w, 1);
}

void CommandProgramInfo(const GUI_Event&) {
    GUI& gui = *gShell.gui;
    const char* blocks[] = {
        "Tonweave\nVersion 2.05\n A music tracker for the SN76489 sound chip ",
        kWebSite,
        kLibraries,
        kCredits,
    };
    std::vector<GUI_GadgetDesc> d;
    for (int i = 0; i < 4; ++i) {
        GUI_GadgetDesc label;
        label.kind = GT_LABEL;
        label.row = int16_t(i * 2);
        label.label = blocks[i];
        label.flags = GUI_CENTER;
        d.push_back(label);
        if (i == 3) break;
        GUI_GadgetDesc bar;
        bar.kind = GT_HSPACE_BAR;
        bar.row = int16_t(i * 2 + 1);
        d.push_back(bar);
    }
    d.push_back(dialog::CloseButton(7));
    // Labels and spacer bars take no number, so "Close" is gadget 0.
    GUI_Window* w = gui.OpenWindow(kProgramInfoWindow, "Program info",
                                   std::min(460, gui.ScreenWidth() - 40), d);
    RunInfoWindow(gui, w, 0);
}
