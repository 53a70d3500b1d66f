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

    // Takes a copy of the file and checks it whole (header, parts, every block as the lanes
    // that use it read it, that its lines add up to its step's and that it stays within one
    // 16 KB page). Throws ParseException ("DadivevPlayer::Load(): ...") when it is malformed;
    // the player then holds no song.
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
        size_t pos;  // read position in `file`
        uint8_t rest;
    };
    struct Channel {
        uint8_t active, newNote, volume, firstAttenuation, control;
        uint16_t basePeriod;
        size_t image;  // of the last note
        size_t curve;  // where the phase's fields end: its curve, or the next phase
        uint8_t flags, phaseFrames, envelope, volumeAdd, vibPosition;
    };

    // Every byte of the file is read through these, never by indexing it.
    ByteReader Bytes() const;
    uint8_t Byte(size_t offset) const;
    ByteReader StepRecord(int s) const;
    static bool BlockPlace(const ByteReader& record, int lane, uint32_t& at);
    size_t ImagesAt() const;  // where the image table ends

    void ReadHeader(const ByteReader& in);
    size_t CheckImage(size_t at) const;
    void CheckBlock(size_t at, int laneKind, int lines) const;
    void EnterStep();
    void ReadLine();
    void RunLane(int lane);
    void StartNote(Channel& ch, size_t image, uint8_t volume, uint8_t attenuation);
    void UpdateChannel(Channel& ch, int c, uint8_t offset);
    // Once a phase, so kept out of the update that runs every frame.
    [[gnu::noinline]] void NextPhase(Channel& ch) const;

    std::vector<uint8_t> file;
    bool loaded = false;
    uint8_t flags = 0;
    uint8_t initialSpeed = 48;
    uint8_t initialStereo = 0xFF;
    int instrumentCount = 0;
    int stepCount = 0;
    int loopStep = 0;
    int blockCount = 0;
    std::vector<size_t> images;  // where each instrument's image starts
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
    Lane lanes[4] = {};
    Channel channels[4] = {};
    std::vector<uint8_t> markers;
};
