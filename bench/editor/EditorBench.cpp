// Speed of the pattern editor: a typed note through the command executor with its undo
// step, and undo of a whole 256-line pattern step.
#include <benchmark/benchmark.h>

#include <memory>

#include "editor/EditorKeys.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"

namespace {

struct Rig {
    std::unique_ptr<Module> module = std::make_unique<Module>();
    std::unique_ptr<UndoHistory> undo = std::make_unique<UndoHistory>();
    PatternView view;
    Rig() {
        module->Clear(0, 0);
        undo->Reset(*module);
        view.Setup(*module, *undo, 800, 600);
    }
};

void BM_NoteKeyWithUndoStep(benchmark::State& state) {
    Rig rig;
    for (auto _ : state) {
        rig.view.HandleKey(keys::kQ, 0, false);
        if (rig.view.cursorLine == 63) rig.view.MoveCursor(0, 0, -63);
        rig.view.dirty = 0;
    }
}
BENCHMARK(BM_NoteKeyWithUndoStep);

void BM_NoteAndUndo(benchmark::State& state) {
    Rig rig;
    EditCommand cmd;
    cmd.code = kCmdEnterNote;
    cmd.a = 48;
    cmd.c = 15;
    for (auto _ : state) {
        rig.view.ExecuteCommand(cmd);
        rig.view.Undo();
    }
}
BENCHMARK(BM_NoteAndUndo);

void BM_UndoOf256LinePatternStep(benchmark::State& state) {
    Rig rig;
    rig.module->SetPatternLength(0, 256);
    rig.view.Clamp();
    rig.view.anchorLine = 0;
    rig.view.cursorLine = 255;
    rig.undo->BeginPattern(0);
    for (int l = 0; l < 256; ++l) rig.module->patterns[0].lines[l].note[0] = static_cast<uint8_t>(l % 100);
    rig.undo->EndPattern();
    // Undo and redo of the step in turn: each iteration costs more than one undo alone.
    for (auto _ : state) {
        rig.undo->Undo();
        rig.undo->Redo();
    }
}
BENCHMARK(BM_UndoOf256LinePatternStep);

}  // namespace
