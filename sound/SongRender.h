// One pass of the song rendered to 44100 Hz 16-bit stereo exactly as the sound output feeds
// the device, and written as a WAV file: listening without the tracker's window.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "module/Module.h"

// Receives rendered bytes (little-endian left/right sample pairs) in order, at most 1024
// bytes at a time.
using SampleSink = std::function<void(const uint8_t* bytes, int count)>;

// Plays the song from line 0 of position 0 on a player of its own until it loops back,
// rendering each frame with the master volume `volume` x 120 / 100 (`volume` is the 0..100
// preference, clamped) and the channels whose bits are set in `muteMask`. Returns the
// number of frames, which the song timing counts the same way. Needs the note-to-period
// tables built.
uint32_t RenderSongPass(const Module& module, int volume, uint8_t muteMask, const SampleSink& sink);

// The 44-byte header of a PCM WAV file: 2 channels, 44100 Hz, 16 bits, `dataBytes` of data.
std::array<uint8_t, 44> MakeWavHeader(uint32_t dataBytes);

// Renders one pass into a WAV file at `path` through SafeFileWriter, so an existing file
// survives any failure. Throws Exception when the pass would not fit the format's 4 GiB
// and FileIOException when the file cannot be written. Returns the frames rendered.
uint32_t WriteSongWav(const Module& module, const std::string& path, int volume, uint8_t muteMask);
