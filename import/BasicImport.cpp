// BASIC import: the music statements of a program text (PLAY music strings, SOUND and
// BEEP) become notes on the tone channels. Time is kept in seconds and cut into frames,
// one line per frame; everything else in the program is stepped over.
//
// Beyond the plain statements, string variables assigned from literals and
// concatenations are remembered for PLAY, the three-voice form PLAY "a", "b", "c" plays on
// tone channels 0, 1 and 2 with a time line each, and "V n" sets the volume of the notes
// that follow.
#include <algorithm>
#include <cctype>
#include <map>
#include <memory>

#include "app/Exceptions.h"
#include "app/Tokenizer.h"
#include "import/Importers.h"
#include "import/NoteSearch.h"
#include "import/StringInfoTable.h"

namespace {

enum Keyword : int32_t { kPlay = 0, kSound = 1, kBeep = 2 };

constexpr int kVoiceChannels = 3;
// Longer than any string the interpreters of these programs allowed.
constexpr size_t kMaxStringLength = 32767;
constexpr int kMaxDots = 4;

struct PlayState {
    int length = 4;
    int tempo = 120;
    int mode = 0;  // 0 normal, 1 staccato, 2 legato
    int octave = 4;
    uint8_t volume = 15;
};

// The sounding and resting parts of a note of `length` at the state's tempo and mode.
void NoteDurations(const PlayState& s, int length, double& sounding, double& rest) {
    const double base = 240.0 / length / s.tempo;
    sounding = s.mode == 1 ? 0.75 * base : s.mode == 2 ? base : 0.875 * base;
    rest = base - sounding;
}

// Seconds are kept in double precision, and what is left of a duration within a
// nanosecond of a line's end counts as reaching it: a note that ends on a frame boundary
// by the numbers lets the next one start on the new line instead of a line later.
constexpr double kTimeEpsilon = 1e-9;

struct TimeLine {
    int pattern = 0;
    int line = 0;
    double used = 0.0;  // seconds of the current line already taken
};

// Closes strings left open at a line end (the interpreters allowed that) and turns lone
// CR line ends into LF, so that the tokenizer sees one statement text per line.
std::string PrepareText(const uint8_t* data, size_t size) {
    std::string out;
    out.reserve(size + size / 16 + 1);
    bool inString = false, comment = false;
    for (size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(data[i]);
        if (c == '\r' && (i + 1 >= size || data[i + 1] != '\n')) c = '\n';
        if (c == '\r' || c == '\n') {
            if (inString) out += '"';
            inString = comment = false;
            out += c;
            continue;
        }
        if (!comment) {
            if (c == '"') {
                inString = !inString;
            } else if (!inString) {
                const bool wordStart =
                    out.empty() || !std::isalnum(static_cast<unsigned char>(out.back()));
                if (c == '\'' ||
                    (wordStart && i + 2 < size && std::toupper(data[i]) == 'R' &&
                     std::toupper(data[i + 1]) == 'E' && std::toupper(data[i + 2]) == 'M'))
                    comment = true;
            }
        }
        out += c;
    }
    if (inString) out += '"';
    return out;
}

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class BasicConverter {
public:
    BasicConverter(Module& module, const BasicOptions& options) : module(module), options(options) {
        frame = options.chip.chipType == 1 ? 0.02 : 1.0 / 60.0;
        keywords.Add("PLAY", kPlay);
        keywords.Add("SOUND", kSound);
        keywords.Add("BEEP", kBeep);
    }

    void Run(const std::string& text);

private:
    // Token reading that never asks the tokenizer past the file end.
    void Next(Token& token);
    void Peek(Token& token);
    void SkipToLineEnd();
    void SkipStatement();
    bool AtStatementEnd();

    void Statement(const Token& first);
    void PlayStatement();
    void SoundStatement();
    void Assignment(const std::string& name);
    bool StringExpression(std::string& value);

    void PlayMusic(int channel, const std::string& music);
    void PlayNote(int channel, int value, int length, int dots);
    void Emit(int channel, double duration, uint8_t note, int8_t detune, uint8_t instrument,
              uint8_t volume);
    void Advance(TimeLine& t);

    Module& module;
    const BasicOptions& options;
    double frame;
    StringInfoTable keywords;
    Tokenizer tokenizer;
    const std::string* text = nullptr;
    bool ended = false;
    std::map<std::string, std::string> variables;
    size_t musicBudget = size_t{1} << 24;  // music string characters read in all
    PlayState state[kVoiceChannels];
    TimeLine time[kVoiceChannels];
};

void BasicConverter::Next(Token& token) {
    if (ended) {
        token.type = kTokenFileEnd;
        return;
    }
    tokenizer.GetNextToken(token);
    if (token.type == kTokenFileEnd) ended = true;
}

void BasicConverter::Peek(Token& token) {
    const TokenizerPosition saved = tokenizer.SavePosition();
    const bool wasEnded = ended;
    try {
        Next(token);
    } catch (const ParseException&) {
        token.type = kTokenNone;
    }
    tokenizer.RestorePosition(saved);
    ended = wasEnded;
}

// Leaves the rest of the line unread; the next token is its line end.
void BasicConverter::SkipToLineEnd() {
    if (ended) return;
    TokenizerPosition at = tokenizer.SavePosition();
    const size_t from = static_cast<size_t>(std::max<long>(at.position, 0));
    const size_t lf = text->find('\n', std::min(from, text->size()));
    at.position = static_cast<long>(lf == std::string::npos ? text->size() : lf);
    at.endPassed = false;
    tokenizer.RestorePosition(at);
}

void BasicConverter::SkipStatement() {
    for (;;) {
        Token token;
        Peek(token);
        if (token.type == kTokenNone) {
            SkipToLineEnd();
            return;
        }
        if (token.type == kTokenLineEnd || token.type == kTokenFileEnd ||
            (token.type == kTokenSpecial && token.special == ':'))
            return;
        Next(token);
    }
}

bool BasicConverter::AtStatementEnd() {
    Token token;
    Peek(token);
    return token.type == kTokenLineEnd || token.type == kTokenFileEnd ||
           (token.type == kTokenSpecial && token.special == ':');
}

void BasicConverter::Advance(TimeLine& t) {
    if (t.pattern >= kMaxPatterns) return;
    ++t.line;
    Pattern& current = module.patterns[t.pattern];
    if (t.line < kMaxLines) {
        current.length = std::max<uint16_t>(current.length, static_cast<uint16_t>(t.line + 1));
        return;
    }
    current.length = kMaxLines;
    t.line = 0;
    if (++t.pattern >= kMaxPatterns) return;
    // Another voice's time line may have made this pattern already.
    if (!module.patterns[t.pattern].used) {
        module.MakePattern(t.pattern);
        module.patterns[t.pattern].length = 1;
        module.orderList[t.pattern] = static_cast<uint8_t>(t.pattern);
        module.songLength =
            std::max<uint16_t>(module.songLength, static_cast<uint16_t>(t.pattern + 1));
    }
}

void BasicConverter::Emit(int channel, double duration, uint8_t note, int8_t detune,
                          uint8_t instrument, uint8_t volume) {
    TimeLine& t = time[channel];
    bool written = false;
    while (duration > kTimeEpsilon) {
        // Time beyond the last pattern passes without a trace.
        if (t.pattern >= kMaxPatterns) return;
        if (t.used == 0.0 && !written) {
            PatternLine& line = module.patterns[t.pattern].lines[t.line];
            line.note[channel] = note;
            line.detune[channel] = detune;
            line.instrument[channel] = instrument;
            line.volume[channel] = note == kNoteNul ? 0 : volume;
            written = true;
        }
        if (t.used + duration >= frame - kTimeEpsilon) {
            duration -= frame - t.used;
            t.used = 0.0;
            Advance(t);
        } else {
            t.used += duration;
            duration = 0.0;
        }
    }
}

void BasicConverter::PlayNote(int channel, int value, int length, int dots) {
    const PlayState& s = state[channel];
    double sounding, rest;
    NoteDurations(s, length, sounding, rest);
    for (int d = 0; d < dots; ++d) {
        sounding *= 1.5;
        rest *= 1.5;
    }
    if (options.chip.frequencyDivider == 1) value += 12;
    value = std::clamp(value, 0, static_cast<int>(kNoteLastTone));
    const uint8_t instrument = options.instruments[s.mode == 1   ? kBasicPlayStaccato
                                                   : s.mode == 2 ? kBasicPlayLegato
                                                                 : kBasicPlayNormal];
    Emit(channel, sounding, static_cast<uint8_t>(value), 0, instrument, s.volume);
    Emit(channel, rest, kNoteNul, 0, options.instruments[kBasicPause], 0);
}

// Interprets one music string. Throws ParseException for "M" followed by a letter other
// than B, F, L, N or S; everything else it cannot use is stepped over.
void BasicConverter::PlayMusic(int channel, const std::string& music) {
    PlayState& s = state[channel];
    const size_t n = music.size();
    size_t i = 0;
    auto skipBlanks = [&] {
        while (i < n && (music[i] == ' ' || music[i] == '\t')) ++i;
    };
    auto number = [&](int& value) {
        skipBlanks();
        if (i >= n || !std::isdigit(static_cast<unsigned char>(music[i]))) return false;
        value = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(music[i]))) {
            if (value < 100000) value = value * 10 + (music[i] - '0');
            ++i;
        }
        return true;
    };
    auto dots = [&] {
        int count = 0;
        for (;;) {
            skipBlanks();
            if (i >= n || music[i] != '.') return std::min(count, kMaxDots);
            ++count;
            ++i;
        }
    };
    static const int kSemitones[7] = {9, 11, 0, 2, 4, 5, 7};  // A..G
    while (i < n) {
        // Music that takes no time (octave or volume changes) repeated by many PLAY
        // statements of long strings must still come to an end.
        if (time[channel].pattern >= kMaxPatterns || musicBudget == 0) return;
        --musicBudget;
        const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(music[i++])));
        int value = 0;
        if (c >= 'A' && c <= 'G') {
            int note = kSemitones[c - 'A'] + (s.octave + 3) * 12;
            skipBlanks();
            if (i < n && (music[i] == '#' || music[i] == '+')) {
                ++note;
                ++i;
            } else if (i < n && music[i] == '-') {
                --note;
                ++i;
            }
            int length = s.length;
            // A length of 0 would last forever; it is held to the range of "L".
            if (number(value)) length = std::clamp(value, 1, 64);
            PlayNote(channel, note, length, dots());
        } else if (c == 'N') {
            if (!number(value)) continue;
            const int count = dots();
            if (value == 0) {
                // N0 is a rest of the current length.
                double sounding, rest;
                NoteDurations(s, s.length, sounding, rest);
                Emit(channel, sounding + rest, kNoteNul, 0, options.instruments[kBasicPause], 0);
            } else {
                PlayNote(channel, std::min(value, 84) + 36, s.length, count);
            }
        } else if (c == 'O') {
            if (number(value)) s.octave = std::min(value, 6);
        } else if (c == '<') {
            if (s.octave > 0) --s.octave;
        } else if (c == '>') {
            if (s.octave <= 5) ++s.octave;
        } else if (c == 'L') {
            if (number(value)) s.length = std::clamp(value, 1, 64);
        } else if (c == 'T') {
            if (number(value)) s.tempo = std::clamp(value, 32, 255);
        } else if (c == 'P') {
            if (!number(value)) continue;
            PlayState held = s;
            held.mode = 2;
            double sounding, rest;
            NoteDurations(held, std::clamp(value, 1, 64), sounding, rest);
            for (int d = dots(); d > 0; --d) sounding *= 1.5;
            Emit(channel, sounding, kNoteNul, 0, options.instruments[kBasicPause], 0);
        } else if (c == 'M') {
            skipBlanks();
            if (i >= n || !std::isalpha(static_cast<unsigned char>(music[i]))) continue;
            const char m = static_cast<char>(std::toupper(static_cast<unsigned char>(music[i++])));
            if (m == 'N')
                s.mode = 0;
            else if (m == 'S')
                s.mode = 1;
            else if (m == 'L')
                s.mode = 2;
            else if (m != 'B' && m != 'F')
                throw ParseException();
        } else if (c == 'V') {
            if (number(value)) s.volume = static_cast<uint8_t>(std::min(value, 15));
        } else if (std::isalpha(static_cast<unsigned char>(c))) {
            number(value);  // a command of no use here, with its number
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            --i;
            number(value);  // a number where none belongs
        }
    }
}

bool BasicConverter::StringExpression(std::string& value) {
    value.clear();
    for (;;) {
        Token token;
        Peek(token);
        const bool variable =
            token.type == kTokenName && !token.text.empty() && token.text.back() == '$';
        if (token.type != kTokenString && !variable) return false;
        Next(token);
        const std::string* part = &token.text;
        if (token.type != kTokenString) {
            const auto found = variables.find(Upper(token.text));
            part = found != variables.end() ? &found->second : nullptr;
        }
        if (part && value.size() < kMaxStringLength)
            value.append(*part, 0, kMaxStringLength - value.size());
        Token plus;
        Peek(plus);
        if (plus.type != kTokenSpecial || plus.special != '+') return true;
        Next(plus);
    }
}

void BasicConverter::PlayStatement() {
    const bool parenthesis = tokenizer.IsSpecial('(');
    std::vector<std::string> voices;
    for (;;) {
        Token token;
        Peek(token);
        std::string voice;
        if (token.type == kTokenSpecial && token.special == ',') {
            // An empty voice.
        } else if (!StringExpression(voice)) {
            // PLAY ON, PLAY OFF, a number or an expression: not music this reads.
            SkipStatement();
            return;
        }
        voices.push_back(voice);
        if (!tokenizer.IsSpecial(',')) break;
        if (AtStatementEnd()) break;
    }
    if (parenthesis) tokenizer.IsSpecial(')');
    if (!AtStatementEnd()) {
        SkipStatement();
        return;
    }
    if (voices.size() == 1) {
        PlayMusic(0, voices[0]);
        return;
    }
    const int count = std::min<int>(static_cast<int>(voices.size()), kVoiceChannels);
    // The voices of one statement start together, where the one furthest on stands.
    TimeLine latest = time[0];
    for (int v = 1; v < count; ++v) {
        const TimeLine& t = time[v];
        if (t.pattern > latest.pattern ||
            (t.pattern == latest.pattern &&
             (t.line > latest.line || (t.line == latest.line && t.used > latest.used))))
            latest = t;
    }
    for (int v = 0; v < count; ++v) {
        while (time[v].pattern < latest.pattern ||
               (time[v].pattern == latest.pattern && time[v].line < latest.line)) {
            time[v].used = 0.0;
            Advance(time[v]);
        }
        time[v].used = latest.used;
    }
    for (int v = 0; v < count; ++v) PlayMusic(v, voices[v]);
}

void BasicConverter::SoundStatement() {
    Token token;
    Next(token);
    if (token.type != kTokenInteger) {
        SkipStatement();
        return;
    }
    const int32_t frequency = token.number;
    auto suffix = [this] {
        Token t;
        Peek(t);
        if (t.type == kTokenSpecial && (t.special == '#' || t.special == '!' || t.special == '%'))
            Next(t);
    };
    suffix();
    if (!tokenizer.IsSpecial(',')) {
        SkipStatement();
        return;
    }
    Next(token);
    if (token.type != kTokenInteger && token.type != kTokenReal) {
        SkipStatement();
        return;
    }
    const double ticks =
        token.type == kTokenInteger ? token.number : static_cast<double>(token.real);
    suffix();
    // Arguments that go on are expressions, which this does not evaluate.
    if (!AtStatementEnd()) {
        SkipStatement();
        return;
    }
    const double seconds = std::clamp(ticks, 0.001, 10.0) / 18.2;
    const int32_t hz = std::clamp<int32_t>(frequency, 37, 32767);
    const NoteAndDetune nd =
        FrequencyToNote(hz, options.chip.chipType, options.chip.frequencyDivider);
    Emit(0, seconds, nd.note, nd.detune, options.instruments[kBasicSound], 15);
}

void BasicConverter::Assignment(const std::string& name) {
    if (!tokenizer.IsSpecial('=')) {
        SkipStatement();
        return;
    }
    std::string value;
    if (!StringExpression(value) || !AtStatementEnd()) {
        SkipStatement();
        return;
    }
    variables[Upper(name)] = value;
}

void BasicConverter::Statement(const Token& first) {
    if (first.type == kTokenSymbol) {
        switch (first.number) {
            case kPlay:
                PlayStatement();
                return;
            case kSound:
                SoundStatement();
                return;
            case kBeep: {
                const NoteAndDetune nd =
                    FrequencyToNote(1000.0, options.chip.chipType, options.chip.frequencyDivider);
                Emit(0, 0.25, nd.note, nd.detune, options.instruments[kBasicBeep], 15);
                SkipStatement();
                return;
            }
            default:
                break;
        }
    }
    if (first.type == kTokenName) {
        std::string name = first.text;
        const std::string upper = Upper(name);
        if (upper.rfind("REM", 0) == 0) {
            SkipToLineEnd();
            return;
        }
        if (upper == "LET") {
            Token next;
            Peek(next);
            if (next.type == kTokenName) {
                Next(next);
                name = next.text;
            }
        }
        if (!name.empty() && name.back() == '$') {
            Assignment(name);
            return;
        }
    }
    SkipStatement();
}

void BasicConverter::Run(const std::string& programText) {
    text = &programText;
    tokenizer.AttachBuffer(programText.data(), programText.size());
    tokenizer.SetCommentChar('\'');
    tokenizer.SetSymbols(keywords.Symbols(), true);
    // Type suffixes of numbers ("1#", "2!", "3%") are tokens of their own.
    for (char c : {'#', '!', '%', ';', '[', ']', '\\', '?'}) tokenizer.SetSpecial(c, true);

    PatternLine& first = module.patterns[0].lines[0];
    module.patterns[0].length = 1;
    first.note[0] = kNoteNul;
    first.detune[0] = 0;
    first.volume[0] = 0;
    first.instrument[0] = options.instruments[kBasicPause];
    first.globalCmd[0] = kGlobalSP;
    first.globalParam[0] = 8;

    bool atStart = true;
    for (;;) {
        Token token;
        try {
            Next(token);
            if (token.type == kTokenFileEnd) return;
            if (token.type == kTokenLineEnd ||
                (token.type == kTokenSpecial && token.special == ':')) {
                atStart = true;
                continue;
            }
            // Line numbers and labels change nothing.
            if (token.type == kTokenInteger) continue;
            if (!atStart) {
                SkipStatement();
                continue;
            }
            atStart = false;
            Statement(token);
        } catch (const ParseException& e) {
            // The tokenizer's own failures (an odd number, a stray character) end the
            // line; a malformed music string ends the import.
            if (e.Message()[0] == '\0') throw;
            SkipToLineEnd();
        }
    }
}

}  // namespace

bool ImportBasic(Module& target, const uint8_t* data, size_t size, const BasicDialog& dialog) {
    BasicOptions options;
    if (dialog && !dialog(options)) return false;
    if (!options.chip.IsSet()) throw Exception(kChipSettingsMissing);
    for (uint8_t& i : options.instruments) i &= 15;

    const std::string text = PrepareText(data, size);
    ModuleLease module(options.chip.chipType, options.chip.frequencyDivider);
    auto converter = std::make_unique<BasicConverter>(*module, options);
    converter->Run(text);
    target = *module;
    return true;
}
