// MIDI import: all tracks are played together tick by tick, MIDI time is cut into video
// frames, and each frame becomes one module line. Up to 16 notes sound at once in 16
// voices; at the end the voices are folded onto the four chip channels by the channel map,
// several voices on one channel taking turns line by line.
//
// Layout: "MThd", length 6, format, track count, division (big-endian); then chunks, of
// which "MTrk" holds a track: delta times as variable-length numbers, each followed by one
// event (channel messages with running status, system exclusive, meta events).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <numeric>
#include <queue>

#include "app/ByteReader.h"
#include "app/Exceptions.h"
#include "import/Importers.h"

namespace {

constexpr size_t kHeaderSize = 14;
constexpr int kVoices = 16;
constexpr size_t kMaxFrames = static_cast<size_t>(kMaxPatterns) * kMaxLines;

struct Track {
    size_t position;
    size_t end;          // the end of its chunk, or of the data when that comes first
    uint64_t next = 0;   // absolute tick of the pending event
    uint32_t round = 0;  // events already handled at that tick in this pass
    uint8_t runningStatus = 0x90;
    bool finished = false;
};

struct Voice {
    uint8_t channel = 0;
    uint8_t note = 0;
    bool on = false;
    uint8_t level = 0;
    uint8_t rate = 0;
};

// One voice's part of one line: what the voice played during that frame.
struct VoiceCell {
    uint8_t note;
    uint8_t volume;
    uint8_t instrument;
    uint8_t channel;
};
struct VoiceLine {
    VoiceCell voice[kVoices];
    uint16_t sounding;  // bit v set when voice v has a volume above 0
};
static_assert(sizeof(VoiceLine) == 4 * kVoices + 2, "lines are compared as bytes");

// Frames in a row that play the same line. A note held for minutes is one run, so a song
// that fills the module costs its events, not its 65,536 lines.
struct LineRun {
    VoiceLine line;
    uint32_t frames;
};

class MidiConverter {
public:
    MidiConverter(const uint8_t* data, size_t size, uint16_t trackCount, uint16_t division,
                  const MidiOptions& options)
        : data(data), size(size), in(data, size), division(division), options(options) {
        fps = options.chip.chipType == 1 ? 50 : 60;
        FindTracks(trackCount);
    }

    void Run();
    void Fold(Module& module) const;

private:
    void FindTracks(uint16_t trackCount);
    bool Schedule(Track& track, uint64_t now, uint32_t round);
    void HandleEvent(Track& track);
    void HandleMeta(Track& track);
    void StartVoice(uint8_t channel, uint8_t note, uint8_t velocity);
    void ReleaseVoice(uint8_t channel, uint8_t note, uint8_t velocity);
    // Ends the frame's line: voice levels move by their rates and the sounding voices are
    // written. True when a level moved.
    bool ProduceFrame();
    void ProduceFrames(uint64_t count);
    // Adds `count` frames that play `line`, as far as the module has room.
    void AddFrames(const VoiceLine& line, uint64_t count);

    const uint8_t* data;
    const size_t size;
    ByteReader in;
    const uint16_t division;
    const MidiOptions& options;
    int fps = 60;
    std::vector<Track> tracks;
    uint8_t channelVolume[16];
    Voice voices[kVoices];
    uint32_t tempo = 500000;
    double remainder = 0.0;
    std::vector<LineRun> runs;  // the frames so far
    size_t frames = 0;
    bool full = false;  // 256 patterns of 256 lines are written
};

void MidiConverter::FindTracks(uint16_t trackCount) {
    std::fill(std::begin(channelVolume), std::end(channelVolume), 127);
    size_t offset = 0;
    while (size >= 8 && offset <= size - 8) {
        in.Seek(offset);
        uint8_t id[4];
        in.ReadBytes(id, 4);
        uint32_t length;
        in.ReadU32BE(length);
        if (std::memcmp(id, "MTrk", 4) == 0) {
            // A track ends with its chunk: a hostile file of many tracks cannot make each of
            // them read all the chunks after it.
            if (tracks.size() < trackCount)
                tracks.push_back(Track{
                    offset + 8, std::min<size_t>(size, offset + 8 + static_cast<size_t>(length))});
            offset += 8 + static_cast<size_t>(length);
        } else {
            offset += 8;
        }
    }
}

void MidiConverter::StartVoice(uint8_t channel, uint8_t note, uint8_t velocity) {
    int slot = -1;
    for (int v = 0; v < kVoices && slot < 0; ++v)
        if (!voices[v].on) slot = v;
    if (slot < 0) {
        slot = 0;
        for (int v = 1; v < kVoices; ++v)
            if (voices[v].level < voices[slot].level) slot = v;
    }
    voices[slot] = Voice{channel, note, true, 0, velocity};
}

void MidiConverter::ReleaseVoice(uint8_t channel, uint8_t note, uint8_t velocity) {
    for (Voice& v : voices) {
        if (v.on && v.channel == channel && v.note == note) {
            v.on = false;
            v.rate = velocity;
            return;
        }
    }
}

void MidiConverter::HandleMeta(Track& track) {
    uint8_t type, length;
    in.ReadU8(type);
    switch (type) {
        case 0x2F:
            in.ReadU8(length);
            if (length != 0) throw Exception("$2F command", length);
            track.finished = true;
            break;
        case 0x51: {
            in.ReadU8(length);
            if (length != 3) throw Exception("$51 command", length);
            uint32_t value;
            in.ReadU24BE(value);
            tempo = value;
            break;
        }
        case 0x58:
            in.ReadU8(length);
            if (length != 4) throw Exception("$58 command", length);
            in.Skip(4);
            break;
        default: {
            uint32_t count;
            in.ReadVarLen(count);
            in.Skip(count);
            break;
        }
    }
}

void MidiConverter::HandleEvent(Track& track) {
    in = ByteReader(data, track.end);
    in.Seek(track.position);
    uint8_t status;
    in.PeekU8(status);
    if (status < 0x80) {
        status = track.runningStatus;
    } else {
        in.Skip(1);
        // System exclusive and meta events come between channel messages without ending
        // their running status.
        if (status < 0xF0) track.runningStatus = status;
    }
    const uint8_t channel = status & 0x0F;
    const bool enabled = options.map[channel].enabled != 0;
    uint8_t a = 0, b = 0;
    switch (status & 0xF0) {
        case 0x80:
            in.ReadU8(a);
            in.ReadU8(b);
            if (enabled) ReleaseVoice(channel, a & 0x7F, b & 0x7F);
            break;
        case 0x90:
            in.ReadU8(a);
            in.ReadU8(b);
            if (enabled) {
                if ((b & 0x7F) == 0)
                    ReleaseVoice(channel, a & 0x7F, 0);
                else
                    StartVoice(channel, a & 0x7F, b & 0x7F);
            }
            break;
        case 0xA0:
        case 0xE0:
            in.Skip(2);
            break;
        case 0xB0:
            in.ReadU8(a);
            in.ReadU8(b);
            if (enabled && a == 7) channelVolume[channel] = b & 0x7F;
            break;
        case 0xC0:
        case 0xD0:
            in.Skip(1);
            break;
        default:
            if (status == 0xF0 || status == 0xF7) {
                uint32_t count;
                in.ReadVarLen(count);
                in.Skip(count);
            } else if (status == 0xFF) {
                HandleMeta(track);
            } else {
                track.finished = true;
            }
            break;
    }
    track.position = in.Position();
}

bool MidiConverter::ProduceFrame() {
    bool moved = false;
    for (Voice& v : voices) {
        const uint8_t before = v.level;
        if (v.on)
            v.level = static_cast<uint8_t>(std::min(v.level + v.rate, 127));
        else
            v.level = static_cast<uint8_t>(std::max(v.level - v.rate, 0));
        moved |= v.level != before;
    }
    VoiceLine line{};
    for (int s = 0; s < kVoices; ++s) {
        const Voice& v = voices[s];
        const int volume = channelVolume[v.channel] * v.level * 15 / 16129;
        if (volume > 0) {
            line.voice[s].note =
                static_cast<uint8_t>(v.note + (options.chip.frequencyDivider == 1 ? 12 : 0));
            line.voice[s].volume = static_cast<uint8_t>(volume);
            line.voice[s].instrument = options.map[v.channel].instrument;
            line.voice[s].channel = v.channel;
            line.sounding = static_cast<uint16_t>(line.sounding | 1u << s);
        }
    }
    AddFrames(line, 1);
    return moved;
}

void MidiConverter::AddFrames(const VoiceLine& line, uint64_t count) {
    const uint64_t room = kMaxFrames - frames;
    const uint32_t n = static_cast<uint32_t>(std::min(count, room));
    if (!runs.empty() && std::memcmp(&runs.back().line, &line, sizeof line) == 0)
        runs.back().frames += n;
    else
        runs.push_back(LineRun{line, n});
    frames += n;
    full = frames == kMaxFrames;
}

void MidiConverter::ProduceFrames(uint64_t count) {
    while (count > 0 && !full) {
        --count;
        if (ProduceFrame()) continue;
        // No level moved, so until the next event every frame is the line just made: a
        // long pause costs one longer run.
        if (count > 0 && !full) AddFrames(runs.back().line, count);
        count = 0;
    }
}

// Reads the delta time before the track's next event; false when the track has ended.
bool MidiConverter::Schedule(Track& track, uint64_t now, uint32_t round) {
    if (track.finished || track.position >= track.end) {
        track.finished = true;
        return false;
    }
    in = ByteReader(data, track.end);
    in.Seek(track.position);
    uint32_t delta;
    in.ReadVarLen(delta);
    track.position = in.Position();
    track.next = now + delta;
    // Events at the same tick are handled one per track and pass, tracks in file order.
    track.round = delta == 0 ? round + 1 : 0;
    return true;
}

void MidiConverter::Run() {
    // Tracks waiting for their next event, the earliest first; at equal ticks the earlier
    // pass, then the lower track number.
    auto later = [this](size_t a, size_t b) {
        const Track &x = tracks[a], &y = tracks[b];
        if (x.next != y.next) return x.next > y.next;
        if (x.round != y.round) return x.round > y.round;
        return a > b;
    };
    std::priority_queue<size_t, std::vector<size_t>, decltype(later)> waiting(later);
    for (size_t i = 0; i < tracks.size(); ++i)
        if (Schedule(tracks[i], 0, 0)) {
            tracks[i].round = 0;
            waiting.push(i);
        }
    uint64_t now = 0;
    while (!waiting.empty()) {
        const size_t index = waiting.top();
        waiting.pop();
        Track& track = tracks[index];
        if (track.next > now) {
            // Frames per tick as one division, so that exact ratios stay exact (division 96
            // at tempo 500000 and 60 frames per second is 0.3125). A run of ticks is added
            // at once: a hostile delta of 2^28 ticks costs no more than one of 1.
            const double perTick =
                static_cast<double>(tempo) * fps / (static_cast<double>(division) * 1000000.0);
            remainder += perTick * static_cast<double>(track.next - now);
            const double whole = std::floor(remainder);
            remainder -= whole;
            // Past a full module the frames are dropped, but the file is still read to its end.
            if (whole >= 1.0)
                ProduceFrames(whole < 1e12 ? static_cast<uint64_t>(whole) : kMaxFrames);
            now = track.next;
        }
        HandleEvent(track);
        if (Schedule(track, now, track.round)) waiting.push(index);
    }
}

// Writes runs of frames into the module's lines, the voices of each line folded onto the
// channels they are mapped to.
class Folder {
public:
    Folder(Module& module, const MidiOptions& options) : module(module), options(options) {}
    void Write(const VoiceLine& in, size_t first, size_t count);

private:
    // The sounding voices of a line by target channel, in voice order.
    struct Targets {
        int voices[kChannels][kVoices];
        int counts[kChannels] = {};
    };
    PatternLine& Line(size_t i) { return module.patterns[i / kMaxLines].lines[i % kMaxLines]; }
    void WriteLine(const VoiceLine& in, const Targets& targets, size_t i);
    void Repeat(size_t from, size_t to, size_t period);

    Module& module;
    const MidiOptions& options;
    int turn[kChannels] = {};
    bool silent[kChannels] = {};
};

void Folder::WriteLine(const VoiceLine& in, const Targets& targets, size_t i) {
    PatternLine& out = Line(i);
    for (int t = 0; t < kChannels; ++t) {
        const int count = targets.counts[t];
        if (count > 0) {
            if (turn[t] >= count) turn[t] = 0;
            const VoiceCell& cell = in.voice[targets.voices[t][turn[t]]];
            out.note[t] = cell.note;
            out.detune[t] = 0;
            out.volume[t] = cell.volume;
            out.instrument[t] = cell.instrument;
            ++turn[t];
            silent[t] = false;
        }
        if (out.volume[t] == 0 && !silent[t]) {
            out.note[t] = kNoteNul;
            out.detune[t] = 0;
            out.volume[t] = 0;
            out.instrument[t] = 0;
            silent[t] = true;
        }
    }
}

// Lines from..to repeat the `period` lines before them.
void Folder::Repeat(size_t from, size_t to, size_t period) {
    const size_t start = from - period;
    size_t i = from;
    while (i < to) {
        const size_t patternStart = i / kMaxLines * kMaxLines;
        const size_t patternEnd = std::min(to, patternStart + kMaxLines);
        PatternLine* lines = module.patterns[i / kMaxLines].lines;
        // A pattern that does not hold a whole period yet takes one line by line from the
        // pattern before; then blocks of whole periods double what it holds.
        const size_t base = std::max(start, patternStart);
        for (; i < patternEnd && i - base < period; ++i) Line(i) = Line(i - period);
        RepeatLines(&lines[base - patternStart], period, patternEnd - base);
        i = patternEnd;
    }
}

// Lines first..first+count-1 all play `in`.
void Folder::Write(const VoiceLine& in, size_t first, size_t count) {
    // Long silences cost nothing: no line is written once every channel rests.
    if (in.sounding == 0 && silent[0] && silent[1] && silent[2] && silent[3]) return;
    Targets targets;
    for (unsigned left = in.sounding; left != 0; left &= left - 1) {
        const int v = __builtin_ctz(left);
        const int t = options.map[in.voice[v].channel].target;
        targets.voices[t][targets.counts[t]++] = v;
    }
    WriteLine(in, targets, first);
    // After one line without a voice every channel rests.
    if (count == 1 || in.sounding == 0) return;
    // From the second line on, a channel without voices rests and the voices of each other
    // channel take turns, so the lines repeat with the least common multiple of their counts
    // (at most 140 for 16 voices): one period is written and then copied.
    size_t period = 1;
    for (int t = 0; t < kChannels; ++t)
        if (targets.counts[t] > 0)
            period = std::lcm(period, static_cast<size_t>(targets.counts[t]));
    const size_t written = std::min(count - 1, period);
    for (size_t k = 1; k <= written; ++k) WriteLine(in, targets, first + k);
    const size_t copied = count - 1 - written;
    if (copied == 0) return;
    Repeat(first + 1 + period, first + count, period);
    for (int t = 0; t < kChannels; ++t)
        if (targets.counts[t] > 0)
            turn[t] = static_cast<int>((turn[t] - 1 + copied) % targets.counts[t]) + 1;
}

// The module comes from a lease: every line is empty.
void MidiConverter::Fold(Module& module) const {
    // Unless the module is full, the line after the last frame is part of the song.
    const size_t total = full ? frames : frames + 1;
    const int patterns = static_cast<int>((total + kMaxLines - 1) / kMaxLines);
    for (int p = 1; p < patterns; ++p) {
        module.MakePattern(p);
        module.orderList[p] = static_cast<uint8_t>(p);
    }
    module.songLength = static_cast<uint16_t>(patterns);
    for (int p = 0; p < patterns; ++p)
        module.patterns[p].length = static_cast<uint16_t>(
            p + 1 < patterns ? kMaxLines : total - static_cast<size_t>(p) * kMaxLines);
    module.patterns[0].lines[0].globalCmd[0] = kGlobalSP;
    module.patterns[0].lines[0].globalParam[0] = 8;

    Folder folder(module, options);
    size_t line = 0;
    for (const LineRun& run : runs) {
        folder.Write(run.line, line, run.frames);
        line += run.frames;
    }
    if (!full) folder.Write(VoiceLine{}, line, 1);
}

}  // namespace

MidiOptions::MidiOptions() {
    for (int i = 0; i < 16; ++i)
        map[i] = MidiChannelMap{1, static_cast<uint8_t>(i % 4), static_cast<uint8_t>(i)};
}

MidiProbe ProbeMidi(const uint8_t* data, size_t size) {
    ByteReader in(data, size);
    uint8_t id[4] = {};
    in.ReadBytes(id, 4);
    uint32_t length;
    in.ReadU32BE(length);
    if (std::memcmp(id, "MThd", 4) != 0 || length != 6) throw Exception("Not a MIDI file");
    MidiProbe probe;
    if (!in.ReadU16BE(probe.format) || !in.ReadU16BE(probe.tracks) || !in.ReadU16BE(probe.division))
        throw Exception("Not a MIDI file");
    // SMPTE time codes are not converted; a division of 0 has no time at all.
    if ((probe.division & 0x8000) || probe.division == 0) throw Exception("Unsupported timing");
    return probe;
}

bool ImportMidi(Module& target, const uint8_t* data, size_t size, const MidiDialog& dialog) {
    const MidiProbe probe = ProbeMidi(data, size);
    MidiOptions options;
    if (dialog && !dialog(probe, options)) return false;
    if (!options.chip.IsSet()) throw Exception(kChipSettingsMissing);
    for (MidiChannelMap& m : options.map) {
        m.target &= 3;
        m.instrument &= 15;
    }

    ModuleLease module(options.chip.chipType, options.chip.frequencyDivider);
    MidiConverter converter(data + kHeaderSize, size - kHeaderSize, probe.tracks, probe.division,
                            options);
    converter.Run();
    converter.Fold(*module);
    target = *module;
    return true;
}
