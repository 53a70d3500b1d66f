// The replayer: plays the module one 50/60 Hz frame at a time by driving a PsgChip's
// registers (periods, attenuations, noise control, stereo). It renders no samples itself;
// the sound output, the exporters and the song timing step it and decide what to do with
// the chip.
#pragma once

#include <cstdint>

#include "module/Module.h"
#include "sound/PsgChip.h"

// What one channel is doing: the note, its instrument's phase and envelope, and the values
// last written to the chip.
struct ChannelState {
    uint8_t volume;            // 0..15 (15 loudest), from the cell or "VO"
    uint8_t phase;             // instrument phase 0..4 (phase 4 is kept as 3 once reached)
    uint8_t phaseFrames;       // frames left in the phase; loaded with 0 it lasts 256 frames
    uint8_t vibStrength;       // 0..15 of the current phase
    uint8_t vibSpeed;          // 0..3 of the current phase
    uint8_t vibPosition;       // 0..127
    uint8_t envelope;          // high nibble level, low nibble sixteenths
    uint8_t volumeAdd;         // added to envelope every frame (two's complement)
    uint8_t note;              // note value of the module
    uint8_t instrumentNumber;  // 0 for test notes
    uint8_t outputVolume;      // 0..15 written in the last frame (15 loudest)
    uint8_t channel;           // 0..3, fixed at Bind
    int8_t pitchOffset;        // vibrato + "PV" offset used in the last frame
    int8_t detune;
    uint16_t basePeriod;       // period of the note plus detune
    uint32_t framesLeft;       // frames until a timed note ends; 0 = no limit
    uint8_t newNote;           // set by StartNote, consumed by the next channel update
    uint8_t started;           // 1 only in the frame in which a note began
    uint8_t ended;             // 1 only in the frame in which a timed note ran out
    uint8_t active;            // the channel sounds
    const Instrument* instrument;
};

class Player {
public:
    // Bound module; the player only reads it.
    const Module* module;
    // Current speed in eighths of a frame per line (48 = 6 frames per line).
    uint8_t speed;
    // Pitch offsets of the tone channels from effect "PV", used as signed bytes.
    uint8_t pvOffset[3];
    // Bit c set = channel c audible. Read by the sound output, written by the mute toggles.
    uint8_t muteMask;
    ChannelState channels[4];
    // 1 while a test note owns the channel; the song's notes and effects then skip it.
    uint8_t testNoteActive[4];
    uint8_t playing;
    // Stop at the end of the current pattern instead of following the order list.
    uint8_t patternOnly;
    // Speed accumulator in eighths of a frame; a line is read when it is 0 or below.
    int16_t tick;
    PsgChip chip;
    uint16_t line;      // next line to read in the current pattern
    uint16_t position;  // song position (index into the order list)
    uint8_t pattern;    // orderList[position]
    uint8_t stereo;     // current Game Gear stereo byte
    // Selects the lines on which the "PV" offsets apply; rotated right once per line read.
    uint8_t pvMask;
    uint8_t lineAdvanced;  // set in a frame in which `line` moved on
    uint8_t lineRead;      // set in a frame in which a line was read
    uint8_t looped;        // set only in the frame that went back to the repeat position

    Player();
    // A copy would point its channels at the other player's test instruments.
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Attaches the player to `module` (which must outlive it), stops every channel and test
    // note, empties the chip's ring, resets speed to the module's initial speed, stereo and
    // mute mask to 0xFF, and sets the chip's clock from the module.
    void Bind(const Module& module);
    // Sets the chip clock from the module's chip type and frequency divider.
    void ApplyClock();
    // After a module was loaded or made new: tick 0, initial speed, clock.
    void ReloadSettings();

    // Starts the song at `line` of song position `position`. Keeps the current speed.
    void Start(int line, int position, int patternOnly);
    void Stop();
    // One frame: advance the song, read a line when due, update the channels, set stereo.
    void PlayFrame();

    // Moves playback to the start of song position `position`.
    void JumpTo(int position);
    // Makes the next frame read a line at once.
    void ResetTick() { tick = 0; }

    void SetSpeed(uint8_t value) { speed = value; }
    uint8_t GetSpeed() const { return speed; }
    void SetStereo(uint8_t value) { stereo = value; }
    uint8_t GetStereo() const { return stereo; }
    void SetMuteMask(uint8_t value) { muteMask = value; }
    uint8_t GetMuteMask() const { return muteMask; }

    // Plays `note` outside the song. `type` is 0 for tone, 1 for noise and is used only to
    // pick a free channel when `channel` is -1; a named channel is taken as it is. Lasts
    // `frames` frames, or until StopTestNote when 0. The channel plays its own copy of
    // `instrument`, so the caller's may change or go away while the note sounds. Returns the
    // channel used, or -1 when none is free or the note is not playable there.
    int StartTestNote(int type, int channel, const Instrument& instrument, uint8_t volume,
                      uint8_t note, int8_t detune, uint32_t frames);
    void StopTestNote(int channel);
    void StopAllTestNotes();

    // Tone channels 0..2 play notes 45..119 and "Nul" (246); the noise channel 247..254.
    static bool IsPlayable(int channel, uint8_t note);

    // outputVolume = kVolumeTable[(envelope & 0xF0) | volume].
    static const uint8_t kVolumeTable[256];
    // Vibrato offsets [speed 0..3][strength 0..15][position 0..127], shared by all players.
    static const int8_t (&VibratoTable())[4][16][128];

private:
    // The instruments the test notes play, one per channel; a channel's `instrument` points
    // here while its test note sounds.
    Instrument testInstruments[4];

    // Reads line `line` of the current pattern: starts notes, applies the channel effects
    // and the global commands.
    void ReadLine();
    static void StartNote(ChannelState& s, const Instrument* instrument,
                          uint8_t instrumentNumber, uint8_t volume, uint8_t note,
                          int8_t detune, uint32_t framesLeft);
    // One frame of one channel; `offset` is the "PV" offset that applies in this frame.
    void UpdateChannel(ChannelState& s, uint8_t offset);
};
