// Note-to-period tables: tone periods (chip ticks per half wave at 3579545 Hz) of the 256
// note values. Computed at compile time, so every thread reads the same finished values
// and nothing has to build them before playing, loading or exporting.
#pragma once

#include <array>
#include <cstdint>

namespace note_table_detail {

struct Tables {
    std::array<uint16_t, 256> rounded{};
    std::array<uint16_t, 256> truncated{};
};

// The semitone ratios are the four-digit constants the format has always used, so periods
// (and the detunes stored against them) stay what old files expect.
constexpr Tables Make() {
    constexpr float kRatios[12] = {1.0f,    1.0595f, 1.1225f, 1.1892f, 1.2599f, 1.3349f,
                                   1.4142f, 1.4983f, 1.5874f, 1.6818f, 1.7818f, 1.8877f};
    Tables t;
    for (int n = 0; n <= 155; ++n) {
        const float octave = static_cast<float>(1 << (n / 12));
        // Single precision on purpose: the rounding of the float product is part of the
        // table's values.
        const float f = octave * 8.176f * kRatios[n % 12];
        const double period = 111860.78125 / static_cast<double>(f);
        t.rounded[n] = static_cast<uint16_t>(period + 0.5);
        t.truncated[n] = static_cast<uint16_t>(period);
    }
    return t;  // notes 156..255 have no period (0), so "Nul" (246) gives the steady level
}

inline constexpr Tables kTables = Make();

}  // namespace note_table_detail

// Rounded to nearest; the periods the replayer plays.
inline constexpr const std::array<uint16_t, 256>& gNotePeriods = note_table_detail::kTables.rounded;
// Truncated; the table files written before format version 5 were made with.
inline constexpr const std::array<uint16_t, 256>& gNotePeriodsTruncated =
    note_table_detail::kTables.truncated;

static_assert(gNotePeriods[0] == 13682 && gNotePeriods[45] == 1017 && gNotePeriods[69] == 254 &&
              gNotePeriods[119] == 14 && gNotePeriods[155] == 2 && gNotePeriods[246] == 0);
static_assert(gNotePeriods[98] == 48 && gNotePeriodsTruncated[98] == 47);

// The chip clocks (Hz) the periods are meant for in an NTSC and a PAL module; the 2x divider
// halves them. A VGM log written or read, and a frequency turned into a detune, all count
// periods at these.
constexpr uint32_t kNtscChipClock = 3579545;
constexpr uint32_t kPalChipClock = 3546893;
