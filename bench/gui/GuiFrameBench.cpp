// Cost of one gallery frame in the software renderer: three windows open and a menu with
// its submenu open, drawn and presented. The target is under 3 ms of CPU per frame.
// A key typed into a text field as long as a field holds (the text wrapped again to its
// rows, the frame drawn) stays under 10 ms, so that typing keeps up with key repeat.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gui/Gui.h"
#include "tools/gui-gallery/Gallery.h"
// The gallery's windows are built from the gallery's own source.
#include "tools/gui-gallery/Gallery.cpp"

namespace {

struct Scene {
    Scene(int width, int height) {
        setenv("SDL_VIDEODRIVER", "offscreen", 0);
        DRELM_Init();
        DRELM_Screen* screen =
            DRELM_SetVideoMode(DRELM_VideoMode(width, height, DRELM_FORMAT_X8R8G8B8),
                               DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE);
        gui.InitFromSkinDirectory(screen, TW_SOURCE_DIR "/assets/skins");
        gallery = std::make_unique<Gallery>(gui);
        gallery->Open();
        // Edit, then its Options submenu.
        gui.OpenMenu(1);
        DRELM_Event down{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN};
        for (int i = 0; i < 3; ++i) gui.HandleInput(down);
        gui.HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_RIGHT});
    }
    ~Scene() {
        gallery.reset();
        gui.Shutdown();
        DRELM_Quit();
    }
    GUI gui;
    std::unique_ptr<Gallery> gallery;
};

void GalleryFrame(benchmark::State& state) {
    Scene scene(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        DRELM_UpdateInput();
        scene.gui.Pump();
        GUI_Event e;
        while (scene.gui.GetEvent(e)) {
        }
        scene.gui.Draw();
        DRELM_NextFrame();
    }
}
BENCHMARK(GalleryFrame)->Args({800, 600})->Args({640, 480})->Unit(benchmark::kMillisecond);

void GalleryDrawOnly(benchmark::State& state) {
    Scene scene(800, 600);
    for (auto _ : state) scene.gui.Draw();
}
BENCHMARK(GalleryDrawOnly)->Unit(benchmark::kMillisecond);

void KeyIntoLongTextField(benchmark::State& state) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    DRELM_Init();
    DRELM_Screen* screen = DRELM_SetVideoMode(DRELM_VideoMode(800, 600, DRELM_FORMAT_X8R8G8B8),
                                              DRELM_VIDEO_HIDDEN | DRELM_VIDEO_SOFTWARE);
    {
        GUI gui;
        gui.InitFromSkinDirectory(screen, TW_SOURCE_DIR "/assets/skins");
        std::string text;
        const std::string sentence =
            "The bass walks down while the lead climbs, and the noise channel keeps time. ";
        while (text.size() + sentence.size() < 65000) {
            text += sentence;
            if (text.size() % 7 == 0) text += "\n";
        }
        GUI_GadgetDesc field;
        field.kind = GT_TEXTFIELD;
        field.content = text.c_str();
        field.height = 6;
        field.flags = GUI_FOCUS;
        GUI_Window* w = gui.OpenWindow(1, "Notes", 560, &field, 1);
        // The cursor in the middle of the text: the view follows it there.
        w->gadgets[0].edit.SetCursor(int(text.size() / 2), false);
        const DRELM_Event key{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_A, 'a'};
        const DRELM_Event back{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_BACKSPACE, 8};
        bool typed = false;
        for (auto _ : state) {
            gui.HandleInput(typed ? back : key);
            typed = !typed;
            GUI_Event e;
            while (gui.GetEvent(e)) {
            }
            gui.Draw();
        }
        gui.Shutdown();
    }
    DRELM_Quit();
}
BENCHMARK(KeyIntoLongTextField)->Unit(benchmark::kMillisecond);

}  // namespace
