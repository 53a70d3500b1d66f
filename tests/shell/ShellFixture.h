// Runs the whole tracker in the test process: a scratch program directory with the
// built skins, fonts, pattern font and readme, a hidden software window, input injected
// through the graphics library, and a script of steps, one per main-loop pass.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "app/Preferences.h"
#include "app/shell/Dispatcher.h"
#include "app/shell/EditorBinding.h"
#include "app/shell/Shell.h"
#include "gui/GuiInternal.h"
#include "gui/Requesters.h"
#include "module/Module.h"
#include "tests/app/TestDirectory.h"

// What the converter's "--info" prints about `path` (and its exit status): a reader of
// saved files that shares no state with the tracker under test.
inline std::string ConverterInfo(const std::string& path, int& status) {
    const std::string command =
        "'" TW_BINARY_DIR "/bin/tonweave-convert' --info '" + path + "' 2>&1";
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, got);
    status = pclose(p);
    return out;
}

class ShellTest : public ::testing::Test {
protected:
    static std::vector<std::string>& SystemMessages() {
        static std::vector<std::string> messages;
        return messages;
    }

    void SetUp() override {
        namespace fs = std::filesystem;
        // No sound card in tests: SDL's silent driver when a test opens the device.
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        const fs::path bin = fs::path(TW_BINARY_DIR) / "bin";
        fs::create_directory_symlink(bin / "skins", dir.File("skins"));
        fs::create_directory_symlink(bin / "fonts", dir.File("fonts"));
        fs::copy_file(bin / "modfont.png", dir.File("modfont.png"));
        fs::copy_file(bin / "readme.txt", dir.File("readme.txt"));
        InstallFaultTranslator();
        SetProgramDirectory(dir.Path());
        SetUserDirectory("");
        SystemMessages().clear();
        gPreferences.SetDefaults();
        gShell.options = ShellOptions();
        gShell.options.extraVideoFlags = DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE;
        gShell.options.sound = false;
        gShell.options.messageBox = [](const char*, const char* text) {
            SystemMessages().push_back(text);
        };
        gShell.options.passHook = [this](int pass) { Step(pass); };
        gShell.options.modalHook = [this] { ModalStep(); };
        SetCommandHook(nullptr);
    }
    void TearDown() override {
        SetCommandHook(nullptr);
        SetProgramDirectory("");
        SetUserDirectory("");
        gShell.options = ShellOptions();
    }

    // Runs the tracker with `arguments` after argument 0; the steps run one per pass and
    // the tracker quits a few passes after the last (or at pass 400 whatever happens).
    int RunTracker(std::vector<std::string> arguments = {}) {
        arguments.insert(arguments.begin(), "tonweave");
        return ::Run(arguments);
    }
    void Step(int pass) {
        requesterSeen = nullptr;
        if (pass < int(steps.size()) && steps[size_t(pass)]) steps[size_t(pass)]();
        if (pass >= int(steps.size()) + 3 || pass >= 400) gShell.quit = true;
    }
    // Inside a requester or dialog: notes the requester's text once, then runs the modal
    // steps in order, one per frame; without steps, Return closes it.
    void ModalStep() {
        GUI& gui = *gShell.gui;
        if (GUI_Window* w = gui.FindWindow(kRequesterWindow)) {
            const std::string text = RequesterText(*w);
            if (requesters.empty() || requesterSeen != w) requesters.push_back(text);
            requesterSeen = w;
        } else {
            // A requester that closed and a new one opened later are two.
            requesterSeen = nullptr;
        }
        if (!modalSteps.empty()) {
            auto step = modalSteps.front();
            modalSteps.erase(modalSteps.begin());
            if (step) step();
        } else if (++modalIdle > kModalPatience) {
            // A dialog that Return cannot close (one that keeps asking) would hold the test
            // for ever: Escape cancels it, and the test fails instead of hanging.
            if (modalIdle == kModalPatience + 1) ADD_FAILURE() << "a modal window stayed open";
            Press(SDL_SCANCODE_ESCAPE);
        } else if (modalIdle % 2 == 0) {
            Press(SDL_SCANCODE_RETURN);
        }
    }
    // The text of a message or question requester: its label, or its read-only field.
    static std::string RequesterText(const GUI_Window& w) {
        for (const GUI_Gadget& g : w.gadgets) {
            if (g.desc.kind == GT_LABEL) return g.label;
            if (g.desc.kind == GT_TEXTFIELD) return g.source.empty() ? g.edit.Text() : g.source;
        }
        return "";
    }

    static void Press(int scancode) {
        DRELM_InjectKey(scancode, true);
        DRELM_InjectKey(scancode, false);
    }
    static void PressWith(int modifier, int scancode) {
        DRELM_InjectKey(modifier, true);
        Press(scancode);
        DRELM_InjectKey(modifier, false);
    }
    static void Click(const Quelm::Rect& r) {
        const int x = r.x + r.width / 2, y = r.y + r.height / 2;
        DRELM_InjectMouseMove(x, y);
        DRELM_InjectMouseButton(1, true, x, y);
        DRELM_InjectMouseButton(1, false, x, y);
    }
    static void MoveTo(const Quelm::Rect& r) {
        DRELM_InjectMouseMove(r.x + r.width / 2, r.y + r.height / 2);
    }
    static Quelm::Rect GadgetRect(int window, int gadget) {
        GUI& gui = *gShell.gui;
        return gui.GadgetRect(gui.FindWindow(window), gadget);
    }

    TestDirectory dir;
    std::vector<std::function<void()>> steps;
    std::vector<std::function<void()>> modalSteps;
    std::vector<std::string> requesters;
    const GUI_Window* requesterSeen = nullptr;
    int modalIdle = 0;
    static constexpr int kModalPatience = 400;
};
