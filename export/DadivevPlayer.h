// Reference replayer of the console song format: plays a ".dadivev" file into a PsgChip one
// frame at a time, the way a replayer on the console would, and reports the markers that
// pass. The file is untrusted: Load checks all of it, and playback never reads outside it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/ByteReader.h"
#include "sound/PsgChip.h"

class DadivevPlayer {
public:
    DadivevPlayer();
    // The lanes read the player's own copy of the file, so a copy of the player would read
    // the original's.
    DadivevPlayer(const DadivevPlayer&) = delete;
    DadivevPlayer& operator=(const DadivevPlayer&) = delete;

    // Takes a copy of the file and checks it whole (header, parts, every block as the lanes
    // that use it read it, and that its lines add up to its step's). Throws ParseException ("DadivevPlayer::Load(): ...") when it is
    // malformed; the player then holds no song.
    void Load(const uint8_t* data, size_t size);
    void Load(const std::vector<uint8_t>& file) { Load(file.data(), file.size()); }
    bool Loaded() const { return loaded; }

    // Resets the chip and sets its clock from the file, and starts at the first step.
    void Start();
    // One frame: advance the song, read a line when due, update the channels, set stereo.
    // Does nothing when no song is loaded.
    void PlayFrame();

    PsgChip& Chip() { return chip; }
    const PsgChip& Chip() const { return chip; }
    // The marker values of the lines read in the last frame, in column order.
    const std::vector<uint8_t>& Markers() const { return markers; }
    // Set only in the frame that went back to the loop step.
    bool Looped() const { return looped; }
    int Step() const { return step; }
    int Line() const { return line; }
    int StepCount() const { return stepCount; }
    int BlockCount() const { return blockCount; }
    uint8_t Speed() const { return speed; }
    uint8_t Stereo() const { return stereo; }

private:
    struct Lane {
        ByteReader block;  // the rest of the block the lane reads, within `file`
        uint8_t rest;
    };
    struct Channel {
        uint8_t active, newNote, volume, instrument, control;
        uint16_t basePeriod;
        uint8_t phase, phaseFrames, envelope, volumeAdd, curve, vibPosition;
    };

    // Every byte of the file is read through these, never by indexing it.
    ByteReader Bytes() const;
    uint8_t Byte(size_t offset) const;
    uint8_t InstrumentByte(int n, size_t field) const;
    ByteReader Block(int block) const;
    void ReadHeader(const ByteReader& in);
    void CheckBlock(int block, int laneKind, int lines) const;
    void EnterStep();
    void ReadLine();
    void RunLane(int lane);
    void StartNote(Channel& ch, uint8_t instrument, uint8_t volume);
    void UpdateChannel(Channel& ch, int c, uint8_t offset);

    std::vector<uint8_t> file;
    bool loaded = false;
    uint8_t flags = 0;
    uint8_t initialSpeed = 48;
    uint8_t initialStereo = 0xFF;
    int instrumentCount = 0;
    int curveCount = 0;
    int stepCount = 0;
    int loopStep = 0;
    int blockCount = 0;
    size_t instrumentsAt = 0;
    size_t curvesAt = 0;
    size_t stepsAt = 0;
    size_t blocksAt = 0;

    PsgChip chip;
    uint8_t speed = 48;
    int16_t tick = 0;
    int step = 0;
    int line = 0;
    uint8_t stereo = 0xFF;
    uint8_t pvMask = 0x55;
    uint8_t pvOffset[3] = {};
    bool looped = false;
    Lane lanes[5] = {};
    Channel channels[4] = {};
    std::vector<uint8_t> markers;
};
