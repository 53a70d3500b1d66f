// MOD import: plays the MOD song through a small tracker simulation and measures, frame by
// frame, how loud each MOD channel is and at which pitch it plays; every frame becomes one
// module line.
//
// Layout (big-endian): title[20]; 31 sample headers of 30 bytes (name[22], length in words,
// finetune, volume, repeat start and repeat length in words); song length at 950; restart
// byte; order list[128]; signature at 1080; patterns of 64 rows x C cells of 4 bytes from
// 1084; then the sample data, one sample after the other.
#include <algorithm>
#include <cstdlib>
#include <memory>

#include "app/ByteReader.h"
#include "app/Exceptions.h"
#include "import/Importers.h"
#include "import/NoteSearch.h"

namespace {

constexpr const char* kModError = "Error in MOD file";
constexpr int kSamples = 31;
constexpr int kRows = 64;
constexpr size_t kPatternDataStart = 1084;

struct SampleHeader {
    uint32_t length = 0;  // bytes
    uint8_t volume = 0;
    uint32_t repeatStart = 0;
    uint32_t repeatLength = 0;
};

// The largest absolute sample value over any range, answered from the maxima of blocks of
// 8, 64, 512, ... bytes, so that a frame costs a few dozen steps however many bytes it plays
// (thousands at a hostile period of 1).
class PeakIndex {
public:
    // Only the first `present` bytes can be other than zero: the rest of a sample that the
    // file cuts short costs nothing here.
    void Build(const std::vector<int8_t>& data, size_t present) {
        levels.assign(1, std::vector<uint8_t>(data.size(), 0));
        silentFrom = 0;
        for (size_t i = 0; i < present; ++i) {
            const uint8_t m = static_cast<uint8_t>(std::abs(data[i]));
            levels[0][i] = m;
            if (m != 0) silentFrom = i + 1;
        }
        for (size_t n = present; levels.back().size() > 1; n = (n + kFan - 1) / kFan) {
            std::vector<uint8_t> above((levels.back().size() + kFan - 1) / kFan, 0);
            const std::vector<uint8_t>& below = levels.back();
            for (size_t i = 0; i < n; ++i) above[i / kFan] = std::max(above[i / kFan], below[i]);
            levels.push_back(std::move(above));
        }
    }
    // Peak of [from, to): at each level the ends that do not fill a block of the next.
    uint8_t Peak(size_t from, size_t to) const {
        uint8_t peak = 0;
        for (const std::vector<uint8_t>& level : levels) {
            while (from < to && from % kFan) peak = std::max(peak, level[from++]);
            while (from < to && to % kFan) peak = std::max(peak, level[--to]);
            if (from >= to) break;
            from /= kFan;
            to /= kFan;
        }
        return peak;
    }
    // Every byte from here on is 0.
    size_t SilentFrom() const { return silentFrom; }

private:
    static constexpr size_t kFan = 8;
    std::vector<std::vector<uint8_t>> levels;  // bytes, then the maxima of blocks of each
    size_t silentFrom = 0;
};

struct Channel {
    int sample = 0;
    uint16_t period = 0;
    int volume = 0;
    int slide = 0;
    uint32_t position = 0;
    bool playing = false;
    bool inLoop = false;
    bool silenceWritten = true;  // line 0 already holds the silent start cell
    uint16_t notePeriod = 0;     // the period `note` was worked out for
    NoteAndDetune note{kNoteNul, 0};
};

// When ticks and rows come: the accumulator gains the tempo's increment whenever it is
// spent and loses 32768 every half frame; each time it is spent again a tick passes, and
// the row ends with its last tick.
struct Clock {
    int32_t accumulator = 0;
    int tickCounter = 0;  // ticks left in the row; 0: the next half-frame reads a row
    int row = 0;
    int orderPosition = 0;
    int breakRow = 0;
    bool breakPending = false;
    int rowsRead = 0;  // counted while frames are skipped
};

constexpr uint8_t kLevels[64] = {0,  1,  2,  2,  3,  3,  4,  4,  5,  5,  6,  6,  7,  7,  8,  8,
                                 8,  9,  9,  9,  10, 10, 10, 10, 11, 11, 11, 11, 12, 12, 12, 12,
                                 12, 12, 13, 13, 13, 13, 13, 13, 13, 13, 14, 14, 14, 14, 14, 14,
                                 14, 14, 14, 14, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15, 15};

std::string PrintableUpToNul(ByteReader& in, size_t count) {
    std::string text;
    bool ended = false;
    for (size_t i = 0; i < count; ++i) {
        uint8_t c;
        in.ReadU8(c);
        if (c == 0) ended = true;
        if (!ended && c >= 0x20 && c <= 0x7F) text += static_cast<char>(c);
    }
    return text;
}

// Reads the sample headers; `error` gets the first error number found (0 for none).
void ReadSampleHeaders(ByteReader& in, SampleHeader* headers, std::string& names, int& error) {
    for (int s = 0; s < kSamples; ++s) {
        names += PrintableUpToNul(in, 22);
        names += '\n';
        uint16_t length, repeatStart, repeatLength;
        uint8_t finetune, volume;
        in.ReadU16BE(length);
        in.ReadU8(finetune);
        in.ReadU8(volume);
        in.ReadU16BE(repeatStart);
        in.ReadU16BE(repeatLength);
        SampleHeader& h = headers[s];
        h.length = length * 2u;
        h.volume = volume;
        h.repeatStart = repeatStart * 2u;
        h.repeatLength = repeatLength * 2u;
        if (volume > 64 && !error) error = 1;
        if (h.length > 0) {
            if (h.repeatStart == 0 && h.repeatLength == 2) h.repeatLength = 0;
            if (h.repeatLength != 0 && h.repeatStart + h.repeatLength > h.length && !error)
                error = 2;
        }
    }
}

class ModConverter {
public:
    ModConverter(Module& module, int channels, int fps)
        : module(module), channels(channels), fps(fps) {}

    void Load(ByteReader& in, const SampleHeader* headerTable);
    void Run();

private:
    void ReadRow();
    // Sample bytes that one frame plays at the channel's period.
    uint32_t BytesPerFrame(const Channel& k) const {
        return static_cast<uint32_t>(7093789.0 / (2.0 * k.period) / fps);
    }
    uint8_t MeasurePeak(Channel& ch);
    void WriteChannel(int c, PatternLine& line);
    void EndTick();
    bool NextLine();
    // One frame into the current line; false when the song has ended or the module is full.
    bool PlayFrame();

    bool EndRow(Clock& c) const;  // true when the song has ended
    // Long stretches in which nothing changes what is heard (a held loop, a sample playing
    // silence, slow or empty rows) are not simulated frame by frame but skipped.
    bool InertRow(const Clock& c) const;
    uint64_t TickHalves(int64_t& a, int ticks) const;
    uint64_t Advance(Clock& c, uint64_t halves) const;
    uint64_t SteadyFrames() const;
    bool Silent(const Channel& k) const;
    uint64_t SteadyFramesOf(const Channel& k) const;
    void SkipFrames(Channel& k, uint64_t frames) const;
    void SkipLoop(Channel& k, uint64_t bytes) const;
    bool RepeatLine(const PatternLine& model, uint64_t count);

    Module& module;
    const int channels;
    const int fps;
    SampleHeader headers[kSamples];
    std::vector<int8_t> sampleData[kSamples];
    PeakIndex peaks[kSamples];
    uint8_t loopPeaks[kSamples] = {};
    std::vector<uint8_t> patternData;
    uint8_t orders[128] = {};
    int songLength = 0;

    Channel ch[4];
    int speed = 6;
    int32_t increment = 0;
    Clock clock;
    bool songEnded = false;
    int pattern = 0;
    int line = 0;
    const PatternLine* written = nullptr;  // by the last frame
};

void ModConverter::Load(ByteReader& in, const SampleHeader* headerTable) {
    std::copy(headerTable, headerTable + kSamples, headers);
    in.Seek(950);
    uint8_t length, restart;
    in.ReadU8(length);
    in.ReadU8(restart);
    in.ReadBytes(orders, sizeof orders);
    if (length == 0 || length > 128) throw Exception(kModError, 4);
    int largest = 0;
    for (uint8_t o : orders) {
        if (o > 127) throw Exception(kModError, 5);
        largest = std::max<int>(largest, o);
    }
    songLength = length;
    const size_t patterns = largest + 1u;
    const size_t patternBytes = static_cast<size_t>(channels) * 256;

    // Bytes that are not in the file stay zero: a truncated MOD plays silence there.
    size_t offset = kPatternDataStart + patterns * patternBytes;
    for (int s = 0; s < kSamples; ++s) {
        if (headers[s].length == 0) continue;
        sampleData[s].assign(headers[s].length, 0);
        const size_t present =
            in.Seek(offset) ? in.ReadBytes(sampleData[s].data(), headers[s].length) : 0;
        offset += headers[s].length;
        peaks[s].Build(sampleData[s], present);
        if (headers[s].repeatLength != 0)
            loopPeaks[s] = peaks[s].Peak(headers[s].repeatStart,
                                         headers[s].repeatStart + headers[s].repeatLength);
    }
    patternData.assign(patterns * patternBytes, 0);
    if (in.Seek(kPatternDataStart)) in.ReadBytes(patternData.data(), patternData.size());
}

void ModConverter::ReadRow() {
    const uint8_t* cells =
        patternData.data() +
        (static_cast<size_t>(orders[clock.orderPosition]) * kRows + clock.row) * channels * 4;
    for (int c = 0; c < channels; ++c) {
        const uint8_t* b = cells + c * 4;
        const int sample = (b[0] & 0xF0) | (b[2] >> 4);
        const uint16_t period = static_cast<uint16_t>((b[0] & 0x0F) << 8 | b[1]);
        const int effect = b[2] & 0x0F;
        const int param = b[3];
        Channel& k = ch[c];
        if (period != 0) {
            if (sample != 0) k.sample = std::min(sample, kSamples) - 1;
            k.position = 0;
            k.volume = headers[k.sample].volume;
            k.period = period;
            k.inLoop = false;
            k.silenceWritten = false;
            k.playing = headers[k.sample].length > 0;
        }
        k.slide = 0;
        const int x = param >> 4, y = param & 0x0F;
        switch (effect) {
            case 0xA:
                k.slide = x != 0 ? x : -y;
                break;
            case 0xC:
                k.volume = std::min(param, 64);
                break;
            case 0xD:
                clock.breakRow = std::min(10 * x + y, kRows - 1);
                clock.breakPending = true;
                break;
            case 0xF:
                // 32 and above is a tempo in beats per minute; below, ticks per row.
                if (param >= 32)
                    increment = fps * 163840 / param;
                else
                    speed = param == 0 ? 1 : param;
                break;
            default:
                break;
        }
    }
    clock.tickCounter = speed;
}

uint8_t ModConverter::MeasurePeak(Channel& k) {
    if (!k.playing) return 0;
    const SampleHeader& h = headers[k.sample];
    const PeakIndex& index = peaks[k.sample];
    uint32_t left = BytesPerFrame(k);
    uint8_t peak = 0;
    while (left > 0) {
        if (!k.inLoop) {
            if (k.position >= h.length) {
                if (h.repeatLength == 0) {
                    k.playing = false;
                    break;
                }
                k.position = h.repeatStart;
                k.inLoop = true;
                continue;
            }
            const uint32_t n = std::min(left, h.length - k.position);
            peak = std::max(peak, index.Peak(k.position, k.position + n));
            k.position += n;
            left -= n;
        } else {
            const uint32_t end = h.repeatStart + h.repeatLength;
            if (left >= h.repeatLength) {
                // Whole turns of the loop come back to the same place.
                peak = std::max(peak, index.Peak(h.repeatStart, end));
                left %= h.repeatLength;
                continue;
            }
            if (k.position >= end) k.position = h.repeatStart;
            const uint32_t n = std::min(left, end - k.position);
            peak = std::max(peak, index.Peak(k.position, k.position + n));
            k.position += n;
            left -= n;
        }
    }
    return peak;
}

void ModConverter::WriteChannel(int c, PatternLine& out) {
    Channel& k = ch[c];
    const uint8_t peak = MeasurePeak(k);
    if (k.period != k.notePeriod) {
        k.notePeriod = k.period;
        k.note = FrequencyToNote(443361.8125 / (2.0 * k.period), module.chipType,
                                 module.frequencyDivider);
    }
    const NoteAndDetune nd = k.period != 0 ? k.note : NoteAndDetune{kNoteNul, 0};
    const uint8_t level = kLevels[(peak * k.volume * 63) >> 13];
    if (level > 0) {
        out.note[c] = nd.note;
        out.detune[c] = nd.detune;
        out.instrument[c] = 0;
        out.volume[c] = level;
    } else if (!k.silenceWritten) {
        out.note[c] = nd.note;
        out.detune[c] = 0;
        out.instrument[c] = 0;
        out.volume[c] = 0;
        k.silenceWritten = true;
    }
}

void ModConverter::EndTick() {
    for (int c = 0; c < channels; ++c) ch[c].volume = std::clamp(ch[c].volume + ch[c].slide, 0, 64);
    if (--clock.tickCounter > 0) return;
    if (EndRow(clock)) songEnded = true;
}

// Moves to the next line; false when the module is full.
bool ModConverter::NextLine() {
    if (++line < kMaxLines) return true;
    if (pattern + 1 >= kMaxPatterns) return false;
    line = 0;
    ++pattern;
    module.MakePattern(pattern);
    module.orderList[pattern] = static_cast<uint8_t>(pattern);
    module.songLength = static_cast<uint16_t>(pattern + 1);
    return true;
}

bool ModConverter::PlayFrame() {
    PatternLine& out = module.patterns[pattern].lines[line];
    for (int half = 0; half < 2; ++half) {
        if (clock.accumulator <= 0) {
            if (clock.tickCounter == 0) ReadRow();
            clock.accumulator += increment;
        }
        if (half == 0)
            for (int c = 0; c < channels; ++c) WriteChannel(c, out);
        clock.accumulator -= 32768;
        if (clock.accumulator <= 0) EndTick();
        if (songEnded) break;
    }
    written = &out;
    module.patterns[pattern].length = static_cast<uint16_t>(line + 1);
    return !songEnded && NextLine();
}

// The row after the one that just ended.
bool ModConverter::EndRow(Clock& c) const {
    if (c.breakPending) {
        c.row = c.breakRow;
        c.breakPending = false;
        ++c.orderPosition;
    } else if (++c.row == kRows) {
        c.row = 0;
        ++c.orderPosition;
    }
    return c.orderPosition >= songLength;
}

// A row that starts no note and has no effect that the import plays: reading it changes
// nothing that is heard.
bool ModConverter::InertRow(const Clock& c) const {
    const uint8_t* cells =
        patternData.data() +
        (static_cast<size_t>(orders[c.orderPosition]) * kRows + c.row) * channels * 4;
    for (int k = 0; k < channels; ++k) {
        const uint8_t* b = cells + k * 4;
        const int effect = b[2] & 0x0F;
        if ((b[0] & 0x0F) != 0 || b[1] != 0 || effect == 0xA || effect == 0xC || effect == 0xD ||
            effect == 0xF)
            return false;
    }
    return true;
}

// The half-frames up to and including the one of the `ticks`-th tick from now, and the
// accumulator after it.
uint64_t ModConverter::TickHalves(int64_t& a, int ticks) const {
    uint64_t halves = 0;
    // One tick at a time until the accumulator is spent and within one half-frame's worth of
    // 0 (or the tempo ticks every half-frame): from there the count is known at once.
    for (; ticks > 0 && (a > 0 || (increment >= 32768 && a <= -32768)); --ticks) {
        if (a <= 0) a += increment;
        const int64_t m = a <= 32768 ? 1 : (a + 32767) / 32768;
        a -= m * 32768;
        halves += static_cast<uint64_t>(m);
    }
    if (ticks == 0) return halves;
    if (increment < 32768) {
        a += static_cast<int64_t>(ticks) * (increment - 32768);
        return halves + static_cast<uint64_t>(ticks);
    }
    // Each tick leaves the accumulator in (-32768, 0], so after them it is the total gained
    // less as many half-frames as bring that there.
    const int64_t total = a + static_cast<int64_t>(ticks) * increment;
    const int64_t m = (total + 32767) / 32768;
    a = total - m * 32768;
    return halves + static_cast<uint64_t>(m);
}

// Moves the clock on by up to `halves` half-frames, a row at a time, reading inert rows on
// the way, and stops before the half-frame that would read any other row, and before the
// row that ends the song. Gives the half-frames it moved.
uint64_t ModConverter::Advance(Clock& c, uint64_t halves) const {
    uint64_t done = 0;
    while (done < halves) {
        Clock next = c;
        if (next.tickCounter == 0) {
            if (!InertRow(next)) break;
            next.tickCounter = speed;
            ++next.rowsRead;
        }
        int64_t a = next.accumulator;
        const uint64_t row = TickHalves(a, next.tickCounter);
        if (done + row <= halves) {
            next.accumulator = static_cast<int32_t>(a);
            next.tickCounter = 0;
            if (EndRow(next)) break;
            c = next;
            done += row;
            continue;
        }
        // The row goes on past the limit: its ticks up to there, one at a time.
        while (done < halves) {
            int64_t b = next.accumulator;
            if (b <= 0) b += increment;
            const uint64_t m = b <= 32768 ? 1 : static_cast<uint64_t>((b + 32767) / 32768);
            if (done + m > halves) {
                next.accumulator =
                    static_cast<int32_t>(b - static_cast<int64_t>(halves - done) * 32768);
                done = halves;
                break;
            }
            next.accumulator = static_cast<int32_t>(b - static_cast<int64_t>(m) * 32768);
            --next.tickCounter;
            done += m;
        }
        c = next;
    }
    return done;
}

// How many frames from here on are alike: the rows they read are inert, their ticks move no
// volume, and each channel sounds at one level (its note cannot change without a row), so
// from the second of them on each writes the same line. 0 when that is not known.
uint64_t ModConverter::SteadyFrames() const {
    uint64_t frames = static_cast<uint64_t>(kMaxPatterns) * kMaxLines;
    for (int c = 0; c < channels && frames > 2; ++c) {
        const Channel& k = ch[c];
        if (std::clamp(k.volume + k.slide, 0, 64) != k.volume) return 0;
        frames = std::min(frames, SteadyFramesOf(k));
    }
    if (frames < 3) return 0;
    Clock c = clock;
    return Advance(c, 2 * frames) / 2;
}

// Level 0 from here on, whatever part of the sample each frame plays.
bool ModConverter::Silent(const Channel& k) const {
    const auto quiet = [&](uint8_t peak) { return kLevels[(peak * k.volume * 63) >> 13] == 0; };
    const SampleHeader& h = headers[k.sample];
    const bool loopQuiet = h.repeatLength == 0 || quiet(loopPeaks[k.sample]);
    if (k.volume == 0 || (k.inLoop && loopQuiet)) return true;
    return !k.inLoop && k.position >= peaks[k.sample].SilentFrom() && loopQuiet;
}

uint64_t ModConverter::SteadyFramesOf(const Channel& k) const {
    if (!k.playing || Silent(k)) return UINT64_MAX;
    const SampleHeader& h = headers[k.sample];
    const uint32_t left = BytesPerFrame(k);
    // A frame that plays the whole loop measures all of it.
    if (k.inLoop) return left >= h.repeatLength ? UINT64_MAX : 0;
    // Silence up to the end of the sample: the frames before the one that reaches it.
    if (k.position < peaks[k.sample].SilentFrom()) return 0;
    return (h.length - k.position) / left;
}

// Where the sample has got to after the given frames, as MeasurePeak moves it.
void ModConverter::SkipFrames(Channel& k, uint64_t frames) const {
    if (!k.playing) return;
    const SampleHeader& h = headers[k.sample];
    const uint64_t left = BytesPerFrame(k);
    if (!k.inLoop) {
        const uint64_t before =
            (h.length - k.position) / left;  // frames that stay in front of the end
        if (frames <= before) {
            k.position = static_cast<uint32_t>(k.position + frames * left);
            return;
        }
        // The next frame reaches the end, and the loop (if any) takes the rest of its bytes.
        const uint64_t at = k.position + before * left;
        frames -= before + 1;
        if (h.repeatLength == 0) {
            k.playing = false;
            return;
        }
        k.inLoop = true;
        k.position = h.repeatStart;
        SkipLoop(k, (left - (h.length - at)) % h.repeatLength);
    }
    SkipLoop(k, frames * (left % h.repeatLength));
}

// Moves round the loop by `bytes` (frames times what each moves after whole turns): the end
// of the loop counts as its start, and a move that ends there stays there.
void ModConverter::SkipLoop(Channel& k, uint64_t bytes) const {
    const SampleHeader& h = headers[k.sample];
    const uint64_t length = h.repeatLength;
    if (bytes == 0) return;
    const uint64_t at = (k.position - h.repeatStart) % length;
    k.position = static_cast<uint32_t>(h.repeatStart + (at + bytes - 1) % length + 1);
}

// Fills the next lines with a copy of `model`, as that many frames would; false when the
// module is full.
bool ModConverter::RepeatLine(const PatternLine& model, uint64_t count) {
    while (count > 0) {
        PatternLine* lines = module.patterns[pattern].lines;
        const int n = static_cast<int>(std::min<uint64_t>(count, kMaxLines - line));
        lines[line] = model;
        RepeatLines(&lines[line], 1, static_cast<size_t>(n));
        line += n - 1;
        module.patterns[pattern].length = static_cast<uint16_t>(line + 1);
        count -= static_cast<uint64_t>(n);
        if (!NextLine()) return false;
    }
    return true;
}

void ModConverter::Run() {
    increment = fps * 163840 / 125;
    PatternLine& first = module.patterns[0].lines[0];
    for (int c = 0; c < kChannels; ++c) {
        first.note[c] = c == kNoiseChannel ? kNoteWhiteHigh + 2 : kNoteNul;
        first.volume[c] = 0;
        first.instrument[c] = 0;
        first.detune[c] = 0;
    }
    for (;;) {
        const uint64_t steady = SteadyFrames();
        if (!PlayFrame()) break;
        if (steady < 3) continue;
        // The first frame may still write a channel's silence; the second is what the others
        // repeat.
        if (!PlayFrame()) break;
        const uint64_t more = steady - 2;
        clock.rowsRead = 0;
        Advance(clock, 2 * more);
        for (int c = 0; c < channels; ++c) {
            SkipFrames(ch[c], more);
            if (clock.rowsRead > 0) ch[c].slide = 0;
        }
        const PatternLine model = *written;
        if (!RepeatLine(model, more)) break;
    }
    PatternLine& head = module.patterns[0].lines[0];
    head.globalCmd[0] = kGlobalSP;
    head.globalParam[0] = 8;
    head.globalCmd[1] = kGlobalST;
    head.globalParam[1] = 0x96;
}

// The title and sample headers, which both the dialog and the import need.
ModProbe ReadModHeader(ByteReader& in, int channels, SampleHeader* headers) {
    ModProbe probe;
    probe.channels = channels;
    probe.title = PrintableUpToNul(in, 20);
    int error = 0;
    ReadSampleHeaders(in, headers, probe.sampleNames, error);
    if (error) throw Exception(kModError, static_cast<uint32_t>(error));
    return probe;
}

}  // namespace

ModProbe ProbeMod(const uint8_t* data, size_t size, int channels) {
    ByteReader in(data, size);
    SampleHeader headers[kSamples];
    return ReadModHeader(in, channels, headers);
}

bool ImportMod(Module& target, const uint8_t* data, size_t size, int channels,
               const ModDialog& dialog) {
    if (channels != 2 && channels != 4) throw Exception(kModError, 3);
    ByteReader in(data, size);
    SampleHeader headers[kSamples];
    const ModProbe probe = ReadModHeader(in, channels, headers);

    ModOptions options;
    if (dialog && !dialog(probe, options)) return false;
    if (!options.chip.IsSet()) throw Exception(kChipSettingsMissing);

    ModuleLease module(options.chip.chipType, options.chip.frequencyDivider);
    module->title = probe.title;
    module->notes = probe.sampleNames;
    auto converter =
        std::make_unique<ModConverter>(*module, channels, options.chip.chipType == 1 ? 50 : 60);
    converter->Load(in, headers);
    converter->Run();
    target = *module;
    return true;
}
