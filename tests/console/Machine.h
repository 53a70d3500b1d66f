// A small Master System / Game Gear on an emulated Z80 for the console replayer's tests
// and cost figures: cartridge ROM behind the standard mapper, 8 KB of RAM, the sound chip's
// port feeding our own chip model, the video chip's ports (registers, video memory, the
// status flag) and its frame interrupt.
#pragma once

#include <z80ex/z80ex.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "sound/PsgChip.h"

namespace console {

constexpr int kNtscFrameCycles = 59659;  // 3579545 Hz / 60
constexpr int kPalFrameCycles = 70938;   // 3546893 Hz / 50

class Machine {
public:
    explicit Machine(std::vector<uint8_t> rom, bool gameGear = false, bool pal = false)
        : rom(std::move(rom)), gameGear(gameGear), frameCycles(pal ? kPalFrameCycles : kNtscFrameCycles) {
        if (this->rom.size() < 0x4000) this->rom.resize(0x4000, 0xFF);
        cpu = z80ex_create(ReadMemory, this, WriteMemory, this, ReadPort, this, WritePort, this,
                           ReadInterruptVector, this);
        Reset();
    }
    ~Machine() { z80ex_destroy(cpu); }
    Machine(const Machine&) = delete;
    Machine& operator=(const Machine&) = delete;

    void Reset() {
        z80ex_reset(cpu);
        std::memset(ram, 0, sizeof ram);
        std::memset(vram, 0, sizeof vram);
        std::memset(vdpRegister, 0, sizeof vdpRegister);
        mapper[0] = 0;
        mapper[1] = 0;
        mapper[2] = 1;
        mapper[3] = 2;
        chip.Reset();
        psgWrites.clear();
        cycle = 0;
        nextFrame = frameCycles;
        frameFlag = false;
        vdpLatchFull = false;
        strayWrites = 0;
    }

    // Runs until the CPU halts after the next frame interrupt was taken and handled: one
    // played frame of a ROM. Returns the cycles from taking the interrupt to the halt, or
    // -1 when no interrupt came within `frames` frames.
    long RunFrame(int frames = 4) {
        const uint64_t limit = cycle + static_cast<uint64_t>(frames) * frameCycles;
        long taken = -1;
        uint64_t start = 0;
        while (cycle < limit) {
            Tick();
            if (taken < 0 && frameFlag && (vdpRegister[1] & 0x20)) {
                const int c = z80ex_int(cpu);
                if (c > 0) {
                    cycle += static_cast<uint64_t>(c);
                    start = cycle - static_cast<uint64_t>(c);
                    taken = 0;
                    continue;
                }
            }
            if (z80ex_doing_halt(cpu)) {
                if (taken >= 0) return static_cast<long>(cycle - start);
                if (!(frameFlag && (vdpRegister[1] & 0x20))) {
                    cycle = nextFrame;  // nothing can happen before the next frame
                    continue;
                }
            }
            cycle += static_cast<uint64_t>(z80ex_step(cpu));
        }
        return -1;
    }

    // Calls `address` with A and HL set from a trampoline in RAM and runs until it returns.
    // Interrupts stay off. Returns the cycles of the call and its return.
    long Call(uint16_t address, uint8_t a = 0, uint16_t hl = 0) {
        const uint16_t at = 0xDF00;
        const uint8_t code[] = {0xCD, static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8),
                                0x76};
        for (size_t i = 0; i < sizeof code; ++i) ram[(at + i) & 0x1FFF] = code[i];
        z80ex_set_reg(cpu, regPC, at);
        z80ex_set_reg(cpu, regSP, 0xDFF0);
        z80ex_set_reg(cpu, regAF, static_cast<uint16_t>(a << 8));
        z80ex_set_reg(cpu, regHL, hl);
        z80ex_set_reg(cpu, regIFF1, 0);
        z80ex_set_reg(cpu, regIFF2, 0);
        // z80ex leaves a halt only through an interrupt or a reset, so step out of it here.
        long cycles = 0;
        int guard = 0;
        while (true) {
            const uint16_t pc = z80ex_get_reg(cpu, regPC);
            if (pc == at + 3 && cycles > 0) break;
            const int c = z80ex_step(cpu);
            cycles += c;
            cycle += static_cast<uint64_t>(c);
            if (++guard > 2000000) return -1;
        }
        return cycles - 17;  // the trampoline's call
    }

    uint8_t Peek(uint16_t address) { return ReadMemory(cpu, address, 0, this); }
    uint16_t PeekWord(uint16_t address) {
        return static_cast<uint16_t>(Peek(address) | (Peek(static_cast<uint16_t>(address + 1)) << 8));
    }
    void Poke(uint16_t address, uint8_t value) { WriteMemory(cpu, address, value, this); }

    // The character at name-table row and column (tile index + 32), as the ROM draws text.
    char ScreenChar(int row, int column) const {
        const size_t at = 0x3800 + static_cast<size_t>(row * 32 + column) * 2;
        return static_cast<char>(vram[at] + 32);
    }
    const uint8_t* VideoMemory() const { return vram; }
    uint8_t VdpRegister(int n) const { return vdpRegister[n]; }

    PsgChip chip;                    // fed with every write to the sound port
    std::vector<uint8_t> psgWrites;  // in order, for the tests that look at single writes
    int strayWrites = 0;             // writes to ports that neither system has for sound
    uint64_t cycle = 0;

private:
    void Tick() {
        if (cycle >= nextFrame) {
            frameFlag = true;
            nextFrame += static_cast<uint64_t>(frameCycles);
        }
    }

    static uint8_t ReadMemory(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* user) {
        Machine& m = *static_cast<Machine*>(user);
        if (address >= 0xC000) return m.ram[address & 0x1FFF];
        size_t bank;
        if (address < 0x0400)
            bank = 0;
        else
            bank = m.mapper[1 + address / 0x4000];
        const size_t banks = (m.rom.size() + 0x3FFF) / 0x4000;
        const size_t at = (bank % banks) * 0x4000 + (address & 0x3FFF);
        return at < m.rom.size() ? m.rom[at] : 0xFF;
    }
    static void WriteMemory(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* user) {
        Machine& m = *static_cast<Machine*>(user);
        if (address < 0xC000) return;
        m.ram[address & 0x1FFF] = value;
        if (address >= 0xFFFC) m.mapper[address - 0xFFFC] = value;
    }
    static uint8_t ReadPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* user) {
        Machine& m = *static_cast<Machine*>(user);
        const uint8_t p = port & 0xFF;
        if ((p & 0xC1) == 0x81) {  // status: the frame flag, cleared by reading
            const uint8_t status = m.frameFlag ? 0x80 : 0;
            m.frameFlag = false;
            m.vdpLatchFull = false;
            return status;
        }
        return 0xFF;
    }
    static void WritePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* user) {
        Machine& m = *static_cast<Machine*>(user);
        const uint8_t p = port & 0xFF;
        if ((p & 0xC0) == 0x40) {
            m.chip.Write(value);
            m.psgWrites.push_back(value);
        } else if (p == 0x06 && m.gameGear) {
            m.chip.SetStereo(value);
        } else if ((p & 0xC1) == 0x80) {
            m.vdpLatchFull = false;
            if (m.vdpCram)
                m.cram[m.vdpAddress & 0x3F] = value;
            else
                m.vram[m.vdpAddress & 0x3FFF] = value;
            m.vdpAddress = static_cast<uint16_t>((m.vdpAddress + 1) & 0x3FFF);
        } else if ((p & 0xC1) == 0x81) {
            if (!m.vdpLatchFull) {
                m.vdpLow = value;
                m.vdpLatchFull = true;
                return;
            }
            m.vdpLatchFull = false;
            const int code = value >> 6;
            if (code == 2) {
                m.vdpRegister[value & 0x0F] = m.vdpLow;
            } else {
                m.vdpAddress = static_cast<uint16_t>(((value & 0x3F) << 8) | m.vdpLow);
                m.vdpCram = code == 3;
            }
        } else {
            ++m.strayWrites;  // on a Master System ports 0x00-0x3F switch memory off
        }
    }
    static uint8_t ReadInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

    Z80EX_CONTEXT* cpu;
    std::vector<uint8_t> rom;
    bool gameGear;
    int frameCycles;
    uint8_t ram[0x2000];
    uint8_t vram[0x4000];
    uint8_t cram[64] = {};
    uint8_t vdpRegister[16];
    uint8_t mapper[4];
    uint64_t nextFrame = 0;
    bool frameFlag = false;
    bool vdpLatchFull = false;
    bool vdpCram = false;
    uint8_t vdpLow = 0;
    uint16_t vdpAddress = 0;
};

}  // namespace console
