// Instrument editor logic: working copy, clipboard text, graph data and test voices.
#include "editor/InstrumentEdit.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "editor/Base64.h"
#include "sound/Player.h"

const char kInstrumentClipboardFormat[] = "Tonweave-Instrument-Data-1";
const char kInstrumentCopyFailed[] = "Copy has failed.";
const char kInstrumentPasteNoData[] =
    "The System-clipboard does not contain Tonweave instrument data.";
const char kInstrumentPasteVersion[] =
    "Can't paste because the System-clipboard's instrument data version is not compatible "
    "with this version of Tonweave.";
const char kInstrumentPasteSystem[] =
    "Can't paste because the System-clipboard's instrument data belongs to a different "
    "system.";
const char kInstrumentResetQuestion[] = "Do you really want to reset this instrument?";

void ResetInstrumentRecord(Instrument& instrument) {
    std::memset(&instrument, 0, sizeof instrument);
    instrument.startVolume = 255;
    for (uint8_t& d : instrument.delay) d = 8;
}

void ClampInstrument(Instrument& instrument) {
    // Everything after the first zero is cleared too, so a copy compares equal byte by byte.
    instrument.name[kNameLength] = 0;
    const size_t length = strnlen(instrument.name, kNameLength);
    std::memset(instrument.name + length, 0, sizeof instrument.name - length);
    for (uint8_t& s : instrument.vibSpeed) s = std::min<uint8_t>(s, 3);
    for (uint8_t& s : instrument.vibStrength) s = std::min<uint8_t>(s, 15);
}

std::string FormatStartVolume(uint8_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%2d.%2d", value >> 4, value & 15);
    return text;
}

std::string FormatVolumeAdd(uint8_t value) {
    char text[16];
    const int v = static_cast<int8_t>(value);
    const int magnitude = v < 0 ? -v : v;
    std::snprintf(text, sizeof text, v < 0 ? "-%2d.%2d" : "%2d.%2d", magnitude >> 4,
                  magnitude & 15);
    return text;
}

std::string FormatInstrumentRow(const Instrument& instrument) {
    char name[33];
    std::memcpy(name, instrument.name, kNameLength);
    name[kNameLength] = 0;
    char text[40];
    std::snprintf(text, sizeof text, "%24s", name);
    return text;
}

namespace {

// Reads blanks, digits, blanks; false when there are no digits or too many.
bool ReadNumber(const std::string& text, size_t& i, int& value) {
    while (i < text.size() && text[i] == ' ') ++i;
    size_t digits = 0;
    value = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 3) {
        value = value * 10 + (text[i++] - '0');
        ++digits;
    }
    while (i < text.size() && text[i] == ' ') ++i;
    return digits > 0;
}

// "[-] level [. sixteenths]" as a signed number of sixteenths (sixteenths beyond 15 carry
// into the level, so "1.16" is 2.0).
bool ParseLevel(const std::string& text, int& sixteenths) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    const bool negative = i < text.size() && text[i] == '-';
    if (negative) ++i;
    int level = 0, fraction = 0;
    if (!ReadNumber(text, i, level)) return false;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!ReadNumber(text, i, fraction)) return false;
    }
    if (i != text.size()) return false;
    sixteenths = (negative ? -1 : 1) * (level * 16 + fraction);
    return true;
}

}  // namespace

bool ParseStartVolume(const std::string& text, uint8_t& value) {
    int v = 0;
    if (!ParseLevel(text, v)) return false;
    value = static_cast<uint8_t>(std::clamp(v, 0, 255));
    return true;
}

bool ParseVolumeAdd(const std::string& text, uint8_t& value) {
    int v = 0;
    if (!ParseLevel(text, v)) return false;
    value = static_cast<uint8_t>(static_cast<int8_t>(std::clamp(v, -128, 127)));
    return true;
}

std::string InstrumentClipboardText(const Instrument& instrument) {
    uint8_t block[kInstrumentClipboardBytes] = {0, 0, 0, 0};
    std::memcpy(block + 4, &instrument, sizeof instrument);
    return std::string(kInstrumentClipboardFormat) + "\n" + EncodeBase64(block, sizeof block) +
           "\n";
}

const char* ParseInstrumentClipboard(const std::string& text, Instrument& out) {
    const size_t formatLength = sizeof kInstrumentClipboardFormat - 1;
    if (text.compare(0, formatLength, kInstrumentClipboardFormat) != 0)
        return kInstrumentPasteNoData;
    size_t rest = formatLength;
    if (rest < text.size() && text[rest] == '\r') ++rest;
    if (rest >= text.size() || text[rest] != '\n') return kInstrumentPasteNoData;
    std::vector<uint8_t> block;
    if (!DecodeBase64(text.substr(rest + 1), block)) return kInstrumentPasteNoData;
    if (block.size() != kInstrumentClipboardBytes) return kInstrumentPasteNoData;
    if ((block[0] | block[1] << 8) != 0) return kInstrumentPasteVersion;
    if ((block[2] | block[3] << 8) != 0) return kInstrumentPasteSystem;
    std::memcpy(&out, block.data() + 4, sizeof out);
    ClampInstrument(out);
    return nullptr;
}

// ---- graph ----

namespace {

struct EnvelopeFrame {
    uint8_t envelope;
    int8_t vibrato;
    bool lastPhase;
};

// Runs the instrument as the replayer's channel update does, frame by frame.
std::vector<EnvelopeFrame> SimulateInstrument(const Instrument& in, int frames) {
    const auto& table = Player::VibratoTable();
    std::vector<EnvelopeFrame> out;
    out.reserve(frames + 1);
    int phase = 0;
    uint8_t envelope = in.startVolume;
    uint8_t add = in.volumeAdd[0];
    uint8_t phaseFrames = in.delay[0];
    uint8_t speed = std::min<uint8_t>(in.vibSpeed[0], 3);
    uint8_t strength = std::min<uint8_t>(in.vibStrength[0], 15);
    uint8_t position = 0;
    for (int f = 0; f <= frames; ++f) {
        out.push_back({envelope, table[speed][strength][position], phase >= 4});
        position = (position + 1) & 127;
        envelope = static_cast<uint8_t>(envelope + add);
        if (--phaseFrames == 0) {
            phase = std::min(phase + 1, 4);
            add = in.volumeAdd[phase];
            speed = std::min<uint8_t>(in.vibSpeed[phase], 3);
            strength = std::min<uint8_t>(in.vibStrength[phase], 15);
            phaseFrames = phase >= 4 ? 0 : in.delay[phase];
        }
    }
    return out;
}

// y of an (unwrapped) envelope value: the graph's height spans the 16 levels.
double LevelY(double level, int height) { return (255.0 - level) * (height - 1) / 255.0; }

void AddEnvelopeSegment(InstrumentGraph& g, int x0, int x1, uint8_t from, uint8_t to,
                        uint32_t colour) {
    const int8_t step = static_cast<int8_t>(static_cast<uint8_t>(to - from));
    const double end = static_cast<double>(from) + step;
    auto y = [&](double level) { return static_cast<int>(LevelY(level, g.height) + 0.5); };
    if (end >= 0 && end <= 255) {
        g.envelope.push_back({x0, y(from), x1, y(end), colour});
        return;
    }
    // The 8-bit level wrapped: the line leaves at one edge and comes back at the other.
    const double edge = end > 255 ? 255.0 : 0.0;
    const double t = (edge - from) / (end - from);
    const int xm = x0 + static_cast<int>((x1 - x0) * t + 0.5);
    g.envelope.push_back({x0, y(from), xm, y(edge), colour});
    g.envelope.push_back({xm, y(255.0 - edge), x1, y(to), colour});
}

}  // namespace

InstrumentGraph ComputeInstrumentGraph(const Instrument& instrument, int width, int height) {
    InstrumentGraph g;
    g.width = std::max(width, 1);
    g.height = std::max(height, 2);
    const bool large = g.height >= 65;
    g.pixelsPerFrame = large ? 4 : 2;
    g.lineWidth = large ? 2 : 1;
    const int span = std::min(kGraphSpan, g.width);
    const int frames = span / g.pixelsPerFrame;

    int x = 0;
    for (int p = 0; p < 4; ++p) {
        x += (instrument.delay[p] == 0 ? 256 : instrument.delay[p]) * g.pixelsPerFrame;
        if (x >= span) break;
        g.markers.push_back(x);
    }

    const std::vector<EnvelopeFrame> run = SimulateInstrument(instrument, frames);
    const int middle = g.height / 2;
    for (int f = 0; f < frames; ++f) {
        const int x0 = f * g.pixelsPerFrame;
        const int8_t v = run[f].vibrato;
        if (v != 0) {
            // Offsets of up to +-35 fill up to about a quarter of the height either way.
            int h = v * g.height / 128;
            if (h == 0) h = v > 0 ? 1 : -1;
            const int top = h > 0 ? middle - h : middle;
            g.vibrato.push_back({x0, std::max(top, 0), g.pixelsPerFrame, std::abs(h),
                                 run[f].lastPhase ? kGraphVibratoLastPhase : kGraphVibratoColour});
        }
        const int x1 = std::min(x0 + g.pixelsPerFrame, g.width - 1);
        AddEnvelopeSegment(g, x0, x1, run[f].envelope, run[f + 1].envelope,
                           run[f].lastPhase ? kGraphEnvelopeLastPhase : kGraphEnvelopeColour);
    }
    return g;
}

// ---- test voices ----

TestVoices::TestVoices(Player& p, std::recursive_mutex& l) : player(p), lock(l) {}

TestVoices::~TestVoices() { StopAll(); }

int TestVoices::Start(int source, int type, const Instrument& instrument, uint8_t note) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    if (IsSounding(source)) return -1;  // a held key repeats
    Voice* free = nullptr;
    for (Voice& v : voices)
        if (!v.active) {
            free = &v;
            break;
        }
    if (!free) return -1;
    const int channel = player.StartTestNote(type, -1, instrument, 15, note, 0, 0);
    if (channel < 0) return -1;
    *free = {true, source, channel, note};
    return channel;
}

void TestVoices::Stop(int source) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (Voice& v : voices) {
        if (v.active && v.source == source) {
            player.StopTestNote(v.channel);
            v = Voice();
        }
    }
}

void TestVoices::StopAll() {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (Voice& v : voices) {
        if (v.active) player.StopTestNote(v.channel);
        v = Voice();
    }
}

void TestVoices::MoveMouse(int type, const Instrument& instrument, uint8_t note) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    for (const Voice& v : voices)
        if (v.active && v.source == kMouseSource && v.note == note) return;
    Stop(kMouseSource);
    Start(kMouseSource, type, instrument, note);
}

int TestVoices::Sounding() const {
    int n = 0;
    for (const Voice& v : voices) n += v.active ? 1 : 0;
    return n;
}

bool TestVoices::IsSounding(int source) const {
    for (const Voice& v : voices)
        if (v.active && v.source == source) return true;
    return false;
}

// ---- the editor ----

void InstrumentEditor::Begin(const Module& module, int instrument) {
    std::memcpy(working, module.instruments, sizeof working);
    current = std::clamp(instrument, 0, kInstruments - 1);
}

bool InstrumentEditor::Changed(const Module& module) const {
    return std::memcmp(working, module.instruments, sizeof working) != 0;
}

void InstrumentEditor::Reset() { ResetInstrumentRecord(working[current]); }

std::string InstrumentEditor::CopyText() const { return InstrumentClipboardText(working[current]); }

const char* InstrumentEditor::Paste(const std::string& clipboardText) {
    Instrument pasted;
    const char* message = ParseInstrumentClipboard(clipboardText, pasted);
    if (!message) working[current] = pasted;
    return message;
}

void InstrumentEditor::ApplyTo(Module& module, std::recursive_mutex& playerLock) const {
    std::lock_guard<std::recursive_mutex> guard(playerLock);
    std::memcpy(module.instruments, working, sizeof working);
}

InstrumentGraph InstrumentEditor::Graph(int width, int height) const {
    return ComputeInstrumentGraph(working[current], width, height);
}

uint8_t InstrumentEditor::TestNote(int semitone) const {
    const int note = (octave + 2) * 12 + semitone;
    return note < 0 || note > kNoteLastTone ? kNoteEmpty : static_cast<uint8_t>(note);
}

int InstrumentEditor::OnMidiEvent(const MidiEvent& e, TestVoices& voices,
                                  uint8_t frequencyDivider) const {
    const int source = TestVoices::kMidiSource + e.note;
    if (e.type == kMidiNoteOff) {
        voices.Stop(source);
        return -1;
    }
    if (e.type != kMidiNoteOn) return -1;
    const uint8_t note = type ? static_cast<uint8_t>(kNotePeriodicHigh + e.note % 8)
                              : static_cast<uint8_t>(e.note + (frequencyDivider == 1 ? 12 : 0));
    return voices.Start(source, type, working[current], note) >= 0 ? note : -1;
}

int InstrumentEditor::KeyboardKey(uint8_t note) const {
    if (type) {
        const int value = note - kNotePeriodicHigh;
        return value >= 0 && value < 8 ? value : -1;
    }
    const int key = note - (octave + 2) * 12;
    return key >= 0 && key < kKeyboardSemitones ? key : -1;
}
