// A headless screen shared by the GUI tests, a fresh GUI with the default skin for each
// test, a clock the test moves, a private clipboard, and input injected through the
// graphics library as a user would give it.
#pragma once

#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "gui/Gui.h"
#include "gui/GuiInternal.h"

class GuiTest : public ::testing::Test {
protected:
    static DRELM_Screen* Screen() {
        static DRELM_Screen* screen = [] {
            DRELM_Init();
            return DRELM_SetVideoMode(DRELM_VideoMode(800, 600, DRELM_FORMAT_X8R8G8B8),
                                      DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE);
        }();
        return screen;
    }
    static std::string SkinDirectory() { return TW_SOURCE_DIR "/assets/skins"; }

    void SetUp() override {
        DRELM_Screen* screen = Screen();
        gui = std::make_unique<GUI>();
        gui->InitFromSkinDirectory(screen, SkinDirectory());
        gui->SetClock([this] { return now; });
        gui->SetClipboard([this](const std::string& t) { clipboard = t; },
                          [this] { return clipboard; });
        // Whatever an earlier test left in the library's queue goes.
        DRELM_UpdateInput();
        DRELM_Event e;
        while (DRELM_GetEvent(&e)) {
        }
    }
    void TearDown() override { gui.reset(); }

    // One pass of input: the library reads what was injected, the GUI takes it.
    void Frame() {
        DRELM_UpdateInput();
        gui->Pump();
    }
    std::vector<GUI_Event> Events() {
        std::vector<GUI_Event> out;
        GUI_Event e;
        while (gui->GetEvent(e)) out.push_back(e);
        return out;
    }
    // Events of one type only.
    std::vector<GUI_Event> EventsOf(int type) {
        std::vector<GUI_Event> out;
        for (const auto& e : Events())
            if (e.type == type) out.push_back(e);
        return out;
    }

    static void MoveTo(DRELM_Point p) { DRELM_InjectMouseMove(p.x, p.y); }
    static void Click(DRELM_Point p) {
        DRELM_InjectMouseMove(p.x, p.y);
        DRELM_InjectMouseButton(1, true, p.x, p.y);
        DRELM_InjectMouseButton(1, false, p.x, p.y);
    }
    static void Press(int scancode, int character = 0) {
        DRELM_InjectKey(scancode, true, character);
        DRELM_InjectKey(scancode, false);
    }
    static void PressWith(int modifierScancode, int scancode) {
        DRELM_InjectKey(modifierScancode, true);
        Press(scancode);
        DRELM_InjectKey(modifierScancode, false);
    }
    static int ScancodeOf(char c) {
        if (c >= 'a' && c <= 'z') return SDL_SCANCODE_A + (c - 'a');
        if (c >= 'A' && c <= 'Z') return SDL_SCANCODE_A + (c - 'A');
        if (c >= '1' && c <= '9') return SDL_SCANCODE_1 + (c - '1');
        switch (c) {
            case '0':
                return SDL_SCANCODE_0;
            case '.':
                return SDL_SCANCODE_PERIOD;
            case '-':
                return SDL_SCANCODE_MINUS;
            case '*':
                return SDL_SCANCODE_KP_MULTIPLY;
            case '/':
                return SDL_SCANCODE_SLASH;
            default:
                return SDL_SCANCODE_SPACE;
        }
    }
    // Types in short bursts: the library's event ring holds 64 events per update.
    void Type(const std::string& text) {
        int n = 0;
        for (char c : text) {
            Press(ScancodeOf(c), static_cast<unsigned char>(c));
            if (++n % 16 == 0) Frame();
        }
    }
    static DRELM_Point Centre(const Quelm::Rect& r) {
        return DRELM_Point(r.x + r.width / 2, r.y + r.height / 2);
    }

    // The screen centre of list row `row` (counted from the first visible one).
    DRELM_Point ListRow(const GUI_Window* w, int gadget, int row) {
        const GUI_Gadget* g = w->Gadget(gadget);
        auto l = GUI_Detail::ListLayout(gui->Skin(), *g);
        return DRELM_Point(w->rect.x + l.inner.x + 30,
                           w->rect.y + l.inner.y + row * l.rowHeight + l.rowHeight / 2);
    }
    // A number field's minus/plus buttons: 0 coarse minus, 1 minus (fine), 2 plus (fine), 3 coarse
    // plus.
    static DRELM_Point NumberButton(const GUI_Window* w, int gadget, int button) {
        const Quelm::Rect& r = w->Gadget(gadget)->buttons[button];
        return DRELM_Point(w->rect.x + r.x + r.width / 2, w->rect.y + r.y + r.height / 2);
    }

    // Runs `steps` one per modal-loop frame (from inside whatever requester is running);
    // a requester still open long after the steps is closed with Escape so the test ends.
    void Script(std::vector<std::function<void()>> steps) {
        script = std::move(steps);
        frame = 0;
        gui->SetModalHooks(
            [this] {
                int i = frame++;
                if (i < int(script.size()))
                    script[i]();
                else if (i > int(script.size()) + 30)
                    Press(SDL_SCANCODE_ESCAPE);
            },
            nullptr);
    }

    std::unique_ptr<GUI> gui;
    double now = 100.0;
    std::string clipboard;
    std::vector<std::function<void()>> script;
    int frame = 0;
};
