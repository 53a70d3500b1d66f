// A module, an undo history and a pattern view on the heap, set up as at start-up, and
// small helpers to type keys and read cells.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "editor/EditorKeys.h"
#include "editor/PatternView.h"
#include "editor/UndoHistory.h"
#include "module/Module.h"
#include "sound/Player.h"

struct EditorRig {
    std::unique_ptr<Module> module = std::make_unique<Module>();
    std::unique_ptr<UndoHistory> undo = std::make_unique<UndoHistory>();
    std::unique_ptr<PatternView> view = std::make_unique<PatternView>();
    std::vector<std::string> messages;

    explicit EditorRig(int width = 800, int height = 600) {
        module->Clear(0, 0);
        undo->Reset(*module);
        view->Setup(*module, *undo, width, height);
        view->hooks.showMessage = [](void* ctx, const char* text) {
            static_cast<EditorRig*>(ctx)->messages.push_back(text);
        };
        view->hooks.messageContext = this;
    }

    PatternLine& Line(int l) { return module->patterns[view->currentPattern].lines[l]; }
    void Key(uint8_t scan, uint32_t mods = 0, bool repeat = false) {
        view->HandleKey(scan, mods, repeat);
    }
    void Run(uint32_t code, uint8_t a = 0, uint8_t b = 0, int16_t c = 0, int16_t d = 0) {
        EditCommand cmd;
        cmd.code = code;
        cmd.a = a;
        cmd.b = b;
        cmd.c = c;
        cmd.d = d;
        view->ExecuteCommand(cmd);
    }
    // Anchor (c0, l0), cursor (c1, l1).
    void Select(int c0, int l0, int c1, int l1) {
        view->anchorColumn = c0;
        view->anchorLine = l0;
        view->cursorColumn = c1;
        view->cursorLine = l1;
    }
    void Cursor(int column, int line) { Select(column, line, column, line); }
    void Note(int line, int channel, uint8_t note, uint8_t instrument = 0, uint8_t volume = 15) {
        PatternLine& l = Line(line);
        l.note[channel] = note;
        l.instrument[channel] = instrument;
        l.volume[channel] = volume;
        l.detune[channel] = 0;
    }
};

// The module as its file stores it.
inline std::vector<uint8_t> SavedBytes(const Module& module) {
    FILE* f = std::tmpfile();
    module.Write(f);
    std::vector<uint8_t> bytes(static_cast<size_t>(std::ftell(f)));
    std::rewind(f);
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    bytes.resize(got);
    return bytes;
}
