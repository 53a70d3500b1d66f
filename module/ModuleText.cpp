// Display text of pattern cells, global commands and whole pattern lines.
#include "module/ModuleText.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

const char kLineTemplateWide[] =
    "123||D#1+64|||00|00||PV|abc||D#1+64|||00|00||PV|abc||D#1+64|||00|00||PV|abc||"
    "D#1+64|||00|00||PV|abc||SP31.9||ST  FF";
const char kLineTemplateNarrow[] =
    "123||D#1}+64}|00|00|}PV}123||D#1}+64}|00|00|}PV}123||D#1}+64}|00|00|}PV}123||"
    "D#1}+64}|00|00|}PV}123||}SP}31.9||}ST}  FF";

namespace {

// Character positions of the fields in a template. Channel fields are relative to the
// channel's start at 5 + 24c.
struct TemplateFields {
    int detune;
    int global1Letters, global1Param;
    int global2Letters, global2Param;
};
constexpr TemplateFields kWideFields = {3, 101, 103, 109, 111};
constexpr TemplateFields kNarrowFields = {4, 102, 105, 112, 115};
constexpr int kNoteAt = 0, kInstrumentAt = 9, kVolumeAt = 12, kEffectAt = 16, kParamAt = 19;

void Copy(char* dest, const char* text) { std::memcpy(dest, text, std::strlen(text)); }

void TwoDigits(char out[3], unsigned value) { std::snprintf(out, 3, "%2u", value % 100); }

}  // namespace

void FormatSpeed(uint8_t speed, char out[5]) {
    // The eighths scaled by 9/7 so that 7 eighths show as .9, never as a whole frame.
    const int frames = speed / 8;
    out[0] = frames >= 10 ? static_cast<char>('0' + frames / 10) : ' ';
    out[1] = static_cast<char>('0' + frames % 10);
    out[2] = '.';
    out[3] = static_cast<char>('0' + (speed % 8) * 9 / 7);
    out[4] = '\0';
}

CellText FormatCell(const PatternLine& line, int channel) {
    channel &= 3;
    CellText cell;
    const uint8_t note = line.note[channel];
    std::memcpy(cell.note, kNoteDisplay[note], 4);

    std::strcpy(cell.detune, "   ");
    const int detune = line.detune[channel];
    if (NoteCarriesDetune(note) && detune != 0) {
        // Only -99..99 is stored; anything else shows at the nearest end of the range.
        const int magnitude = std::min(detune < 0 ? -detune : detune, 99);
        cell.detune[0] = magnitude >= 10 ? (detune < 0 ? '-' : '+') : ' ';
        cell.detune[1] =
            magnitude >= 10 ? static_cast<char>('0' + magnitude / 10) : (detune < 0 ? '-' : '+');
        cell.detune[2] = static_cast<char>('0' + magnitude % 10);
    }

    if (note == kNoteEmpty) {
        std::strcpy(cell.instrument, "--");
        std::strcpy(cell.volume, "--");
    } else if (NoteCarriesInstrument(note)) {
        TwoDigits(cell.instrument, line.instrument[channel]);
        TwoDigits(cell.volume, line.volume[channel]);
    } else {
        std::strcpy(cell.instrument, "  ");
        std::strcpy(cell.volume, "  ");
    }

    const uint8_t effect = line.effect[channel];
    if (effect == kEffectNone) {
        std::strcpy(cell.effect, "--");
        std::strcpy(cell.param, "---");
    } else {
        std::strcpy(cell.effect, effect <= kEffectVO ? kEffectLetters[effect] : "??");
        std::snprintf(cell.param, sizeof cell.param, "%3u",
                      static_cast<unsigned>(line.effectParam[channel]));
    }
    return cell;
}

GlobalText FormatGlobal(uint8_t command, uint8_t param) {
    GlobalText text;
    std::strcpy(text.param, "    ");
    switch (command) {
        case kGlobalNone:
            std::strcpy(text.letters, "  ");
            break;
        case kGlobalSP:
            std::strcpy(text.letters, kGlobalCommandLetters[command]);
            FormatSpeed(param, text.param);
            break;
        case kGlobalST:
        case kGlobalCB:
        case kGlobalPV:
            std::strcpy(text.letters, kGlobalCommandLetters[command]);
            std::snprintf(text.param, sizeof text.param, "  %02X", static_cast<unsigned>(param));
            break;
        default:
            std::strcpy(text.letters, "??");
            break;
    }
    return text;
}

std::string FormatLineText(const PatternLine& line, int lineNumber, bool narrow) {
    std::string text = narrow ? kLineTemplateNarrow : kLineTemplateWide;
    const TemplateFields& fields = narrow ? kNarrowFields : kWideFields;
    char number[4];
    std::snprintf(number, sizeof number, "%3u", static_cast<unsigned>(lineNumber) % 1000);
    Copy(&text[0], number);
    for (int c = 0; c < kChannels; ++c) {
        char* at = &text[5 + 24 * c];
        const CellText cell = FormatCell(line, c);
        Copy(at + kNoteAt, cell.note);
        Copy(at + fields.detune, cell.detune);
        Copy(at + kInstrumentAt, cell.instrument);
        Copy(at + kVolumeAt, cell.volume);
        Copy(at + kEffectAt, cell.effect);
        Copy(at + kParamAt, cell.param);
    }
    const GlobalText g1 = FormatGlobal(line.globalCmd[0], line.globalParam[0]);
    const GlobalText g2 = FormatGlobal(line.globalCmd[1], line.globalParam[1]);
    Copy(&text[fields.global1Letters], g1.letters);
    Copy(&text[fields.global1Param], g1.param);
    Copy(&text[fields.global2Letters], g2.letters);
    Copy(&text[fields.global2Param], g2.param);
    return text;
}
