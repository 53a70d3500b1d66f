// gui-gallery: shows every gadget, the menus and the requesters of the GUI toolkit.
//
//   gui-gallery                    interactive, until "Quit"
//   gui-gallery --screenshot DIR   writes gallery-*.png pictures at 800x600 and 640x480
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "gui/Requesters.h"
#include "tools/gui-gallery/Gallery.h"

namespace {

// Draws a few frames, so animations and hover looks settle, then saves the picture.
void Shoot(GUI& gui, const std::string& path) {
    for (int i = 0; i < 2; ++i) {
        DRELM_UpdateInput();
        gui.Pump();
        GUI_Event e;
        while (gui.GetEvent(e)) {
        }
        gui.Draw();
        DRELM_SaveScreenshot(path.c_str());
        DRELM_NextFrame();
    }
    std::printf("%s\n", path.c_str());
}

// Runs a requester (which blocks in its own loop) and saves a picture of it from inside
// that loop, then closes it with `finish`.
void ShootRequester(GUI& gui, const std::string& path, const std::function<void()>& run,
                    const std::function<void()>& finish,
                    const std::function<void()>& prepare = nullptr) {
    int frame = 0;
    gui.SetModalHooks(
        [&] {
            ++frame;
            if (frame == 2 && prepare) prepare();
            if (frame == 4) {
                // The back buffer still holds the frame drawn last.
                DRELM_SaveScreenshot(path.c_str());
                std::printf("%s\n", path.c_str());
                finish();
            }
            if (frame > 40) finish();
        },
        nullptr);
    run();
    gui.SetModalHooks(nullptr, nullptr);
}

void Press(int scancode) {
    DRELM_InjectKey(scancode, true);
    DRELM_InjectKey(scancode, false);
}

void Screenshots(GUI& gui, const std::string& dir, const char* size) {
    Gallery gallery(gui);
    gallery.Open();
    auto name = [&](const char* what) {
        return JoinPath(dir, std::string("gallery-") + what + "-" + size + ".png");
    };
    auto only = [&](int number) {
        for (int n : {kGalleryButtons, kGalleryText, kGalleryLists})
            if (n != number) gui.CloseWindow(n);
        gallery.OpenWindow(number);
        gallery.Centre(number);
    };

    // All three windows with the Edit menu and its Options submenu open.
    gui.OpenMenu(1);
    for (int i = 0; i < 3; ++i)
        gui.HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN});
    gui.HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_RIGHT});
    Shoot(gui, name("overview"));
    gui.OpenMenu(-1);

    only(kGalleryButtons);
    if (GUI_Window* w = gui.FindWindow(kGalleryButtons)) gui.SetFocus(w, kButtonsWrap);
    Shoot(gui, name("buttons"));
    only(kGalleryText);
    if (GUI_Window* w = gui.FindWindow(kGalleryText)) {
        gui.SetFocus(w, kTextTitle);
        w->Gadget(kTextTitle)->edit.SetCursor(3, false);
        w->Gadget(kTextTitle)->edit.SetCursor(9, true);
    }
    Shoot(gui, name("text"));
    only(kGalleryLists);
    if (GUI_Window* w = gui.FindWindow(kGalleryLists)) {
        w->SetListSelection(kListsPatterns, 2);
        gui.SetFocus(w, kListsPatterns);
    }
    Shoot(gui, name("lists"));

    for (int n : {kGalleryButtons, kGalleryText, kGalleryLists}) gui.CloseWindow(n);
    gallery.Open();
    auto closeRequester = [] { Press(SDL_SCANCODE_ESCAPE); };
    ShootRequester(
        gui, name("message"), [&] { gallery.RunCommand(kCmdMessage); }, closeRequester);
    ShootRequester(
        gui, name("message-wide"), [&] { gallery.RunCommand(kCmdWideMessage); }, closeRequester);
    ShootRequester(
        gui, name("question"), [&] { gallery.RunCommand(kCmdQuestion); }, closeRequester);
    // The file requester lists the directory the gallery was started in; the second entry
    // is picked, as a click would.
    ShootRequester(
        gui, name("file"), [&] { gallery.RunCommand(kCmdLoadFile); }, closeRequester,
        [&] {
            if (GUI_Window* w = gui.FindWindow(kRequesterWindow)) {
                const GUI_Gadget* list = w->Gadget(1);
                if (list && list->entries.size() > 3) {
                    w->SetListSelection(1, 1);
                    w->SetText(2,
                               list->entries[1].substr(0, list->entries[1].find_first_of("/\t")));
                }
            }
        });
}

}  // namespace

int main(int argc, char** argv) {
    std::string shots;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            shots = argv[++i];
        } else {
            std::fprintf(stderr, "usage: gui-gallery [--screenshot DIR]\n");
            return 2;
        }
    }
    try {
        DRELM_Init();
        // Frames are drawn in memory: presenting them straight into the window's pixels is
        // the cheapest way, on a virtual display above all.
        uint32_t flags = DRELM_VIDEO_SOFTWARE | (shots.empty() ? 0u : uint32_t(DRELM_VIDEO_HIDDEN));
        DRELM_Screen* screen =
            DRELM_SetVideoMode(DRELM_VideoMode(800, 600, DRELM_FORMAT_X8R8G8B8), flags);
        DRELM_SetWindowTitle("Tonweave GUI gallery");
        GUI gui;
        gui.Init(screen, ProgramDirectory());
        if (!shots.empty()) {
            Screenshots(gui, shots, "800x600");
            for (int n : {kGalleryButtons, kGalleryText, kGalleryLists}) gui.CloseWindow(n);
            screen = DRELM_ChangeVideoMode(DRELM_VideoMode(640, 480, DRELM_FORMAT_X8R8G8B8), flags);
            Screenshots(gui, shots, "640x480");
        } else {
            Gallery gallery(gui);
            gallery.Open();
            while (!gallery.QuitRequested()) gallery.Frame();
        }
        gui.Shutdown();
        DRELM_Quit();
    } catch (const Exception& e) {
        std::fprintf(stderr, "gui-gallery: %s\n", e.Message());
        return 1;
    }
    return 0;
}
