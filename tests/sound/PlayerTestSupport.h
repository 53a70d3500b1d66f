// A module and a player to write small songs against, frame by frame.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "module/Module.h"
#include "sound/NoteTable.h"
#include "sound/Player.h"

class PlayerFixture : public ::testing::Test {
public:
    void SetUp() override {
        module = std::make_unique<Module>();
        module->Clear(0, 0);
        player = std::make_unique<Player>();
    }

    PatternLine& Line(int line, int pattern = 0) { return module->patterns[pattern].lines[line]; }

    void Note(int line, int channel, uint8_t note, int instrument = 0, int volume = 15,
              int detune = 0, int pattern = 0) {
        PatternLine& l = Line(line, pattern);
        l.note[channel] = note;
        l.instrument[channel] = static_cast<uint8_t>(instrument);
        l.volume[channel] = static_cast<uint8_t>(volume);
        l.detune[channel] = static_cast<int8_t>(detune);
    }
    void Effect(int line, int channel, uint8_t code, uint8_t param, int pattern = 0) {
        Line(line, pattern).effect[channel] = code;
        Line(line, pattern).effectParam[channel] = param;
    }
    void Global(int line, int column, uint8_t code, uint8_t param, int pattern = 0) {
        Line(line, pattern).globalCmd[column] = code;
        Line(line, pattern).globalParam[column] = param;
    }

    // Binds and starts at line 0 of position 0 with the given speed.
    void Play(uint8_t speed, int patternOnly = 0) {
        module->initialSpeed = speed;
        player->Bind(*module);
        player->Start(0, 0, patternOnly);
    }

    // One frame; returns whether a line was read in it.
    bool Frame() {
        player->lineRead = 0;
        player->lineAdvanced = 0;
        player->PlayFrame();
        return player->lineRead != 0;
    }
    void Frames(int n) {
        for (int i = 0; i < n; ++i) Frame();
    }

    const PsgRegisters& Regs() const { return player->chip.Registers(); }

    std::unique_ptr<Module> module;
    std::unique_ptr<Player> player;
};
