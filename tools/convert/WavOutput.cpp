// tonweave-convert's WAV output (one pass of the song as the tracker would play it) and the
// song length lines of --info.
#include <string>
#include <vector>

#include "sound/SongRender.h"
#include "sound/SongTiming.h"
#include "tools/convert/Convert.h"

namespace {

void WriteWav(const Module& module, const std::string& path, const ConvertOptions& options) {
    WriteSongWav(module, path, options.volume, options.AudibleMask());
}

// frames= counts one pass as the module information dialog does; time= is its text.
void AddSongLength(const Module& module, const ConvertOptions&, std::vector<InfoLine>& lines) {
    const SongTiming timing = ComputeSongTiming(module, -1, -1);
    lines.emplace_back("frames", std::to_string(timing.frames));
    lines.emplace_back("time", FormatSongTime(timing.seconds));
}

const OutputRegistrar kWavOutput("wav", "44100 Hz 16-bit stereo WAV, one pass of the song",
                                 WriteWav);
const InfoRegistrar kSongLength(AddSongLength);

}  // namespace
