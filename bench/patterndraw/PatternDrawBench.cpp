// One frame of the pattern view while following playback at 800x600: the view follows the
// next line, the exposed lines are drawn and the ring and overlay are put on the screen.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/shell/PatternDraw.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"

namespace {

void BM_FollowingFrame800x600(benchmark::State& state) {
    auto module = std::make_unique<Module>();
    auto undo = std::make_unique<UndoHistory>();
    PatternView view;
    PatternDraw draw;
    module->Clear(0, 0);
    for (int l = 0; l < 64; ++l)
        for (int c = 0; c < 4; ++c) module->patterns[0].lines[l].note[c] = static_cast<uint8_t>(48 + (l + c) % 24);
    undo->Reset(*module);
    view.Setup(*module, *undo, 800, 600);
    DRELM_Surface font, screen;
    font.Create(TW_SOURCE_DIR "/assets/modfont.png");
    draw.SetFont(font);
    const uint32_t colours[PatternDraw::kColourCount] = {0xFFFFFF, 0x808080, 0x203040, 0x101010, 0x000020,
                                                         0x6060A0, 0x303060, 0xC0C0C0, 0xFF4040, 0x304030,
                                                         0x203020, 0xFFFF00, 0x00A0FF};
    draw.SetColours(colours, false);
    draw.Layout(view);
    screen.Create(800, 600, DRELM_FORMAT_A8R8G8B8);
    view.following = 1;
    int line = 0;
    for (auto _ : state) {
        line = (line + 1) % 64;
        view.FollowPlayback(line, 0);
        draw.Update(view);
        draw.Compose(view, screen, 16, 100);
    }
}
BENCHMARK(BM_FollowingFrame800x600);

// What one note key costs from the key to the pixels: the key map, ExecuteCommand with
// its undo step, and the frame's redraw of the changed line and the cursor.
void BM_NoteKeyToScreen800x600(benchmark::State& state) {
    auto module = std::make_unique<Module>();
    auto undo = std::make_unique<UndoHistory>();
    PatternView view;
    PatternDraw draw;
    module->Clear(0, 0);
    undo->Reset(*module);
    view.Setup(*module, *undo, 800, 600);
    DRELM_Surface font, screen;
    font.Create(TW_SOURCE_DIR "/assets/modfont.png");
    draw.SetFont(font);
    const uint32_t colours[PatternDraw::kColourCount] = {};
    draw.SetColours(colours, false);
    draw.Layout(view);
    screen.Create(800, 600, DRELM_FORMAT_A8R8G8B8);
    draw.Update(view);
    draw.Compose(view, screen, 16, 100);
    constexpr uint8_t kKeyQ = 0x10;
    for (auto _ : state) {
        if (view.cursorLine >= view.PatternLength() - 1) view.MoveCursor(0, 0, -256);
        view.HandleKey(kKeyQ, 0, false);
        draw.Update(view);
        draw.Compose(view, screen, 16, 100);
    }
}
BENCHMARK(BM_NoteKeyToScreen800x600);

}  // namespace
