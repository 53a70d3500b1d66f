// Helpers for the macro tests: command builders and a small stand-in for the pattern view
// that executes moves and note entries the way the view does (recording first).
#pragma once

#include <algorithm>
#include <cstring>
#include <string>

#include "editor/Macros.h"

inline EditCommand Move(uint8_t extend, int16_t dx, int16_t dy) {
    EditCommand cmd;
    cmd.code = kCmdMove;
    cmd.a = extend;
    cmd.c = dx;
    cmd.d = dy;
    return cmd;
}

inline EditCommand EnterNote(uint8_t note, uint8_t instrument, uint8_t volume) {
    EditCommand cmd;
    cmd.code = kCmdEnterNote;
    cmd.a = note;
    cmd.b = instrument;
    cmd.c = volume;
    return cmd;
}

inline Macro MakeMacro(const std::string& name, int commands, const std::string& description = "") {
    Macro macro;
    ClearMacro(macro);
    std::memcpy(macro.name, name.data(), std::min<size_t>(name.size(), 32));
    std::memcpy(macro.description, description.data(), std::min<size_t>(description.size(), 64));
    for (int i = 0; i < commands; ++i) macro.commands[i] = Move(0, 0, static_cast<int16_t>(i % 7));
    macro.commandCount = static_cast<uint32_t>(commands);
    return macro;
}

struct MiniView {
    int anchorColumn = 0, anchorLine = 0, cursorColumn = 0, cursorLine = 0;
    int step = 1, length = 64;
    uint8_t notes[64];
    MiniView() { std::memset(notes, 255, sizeof notes); }

    void MoveCursor(bool extend, int dx, int dy) {
        cursorColumn = std::clamp(cursorColumn + dx, 0, 13);
        cursorLine = std::clamp(cursorLine + dy, 0, length - 1);
        if (!extend) {
            anchorColumn = cursorColumn;
            anchorLine = cursorLine;
        }
    }
    void Execute(Macros& macros, const EditCommand& cmd) {
        macros.Record(cmd);
        if (cmd.code == kCmdMove) MoveCursor(cmd.a != 0, cmd.c, cmd.d);
        if (cmd.code == kCmdEnterNote) {
            notes[cursorLine] = cmd.a;
            MoveCursor(false, 0, step);
        }
    }
};
