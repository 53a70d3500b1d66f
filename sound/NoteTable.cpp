// Note-to-period tables. The semitone ratios are the four-digit constants the format has
// always used, so periods (and the detunes stored against them) stay what old files expect.
#include "sound/NoteTable.h"

uint16_t gNotePeriods[256];
uint16_t gNotePeriodsTruncated[256];

void BuildNotePeriodTables() {
    static const float kRatios[12] = {1.0f,    1.0595f, 1.1225f, 1.1892f, 1.2599f, 1.3349f,
                                      1.4142f, 1.4983f, 1.5874f, 1.6818f, 1.7818f, 1.8877f};
    for (int n = 0; n < 256; ++n) {
        if (n > 155) {
            gNotePeriods[n] = 0;
            gNotePeriodsTruncated[n] = 0;
            continue;
        }
        const float octave = static_cast<float>(1 << (n / 12));
        // Single precision on purpose: the rounding of the float product is part of the
        // table's values.
        const float f = octave * 8.176f * kRatios[n % 12];
        const double period = 111860.78125 / static_cast<double>(f);
        gNotePeriods[n] = static_cast<uint16_t>(period + 0.5);
        gNotePeriodsTruncated[n] = static_cast<uint16_t>(period);
    }
}
