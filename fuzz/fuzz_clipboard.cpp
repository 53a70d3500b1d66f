// Fuzz target for pattern data pasted from the desktop clipboard: any text is refused or
// pasted; a refused paste changes nothing, and a pasted one leaves a module whose values
// are all in range and whose file loads back.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "app/Exceptions.h"
#include "editor/Clipboard.h"
#include "fuzz/FuzzScratch.h"
#include "module/Module.h"

namespace {

std::string gText;
std::string DesktopText(void*) { return gText; }

void CheckRanges(const Pattern& pattern) {
    for (int l = 0; l < kMaxLines; ++l) {
        const PatternLine& line = pattern.lines[l];
        for (int c = 0; c < kChannels; ++c) {
            if (line.instrument[c] > 15 || line.volume[c] > 15) __builtin_trap();
            if (line.detune[c] < -99 || line.detune[c] > 99) __builtin_trap();
            if (line.effect[c] > kEffectVO) __builtin_trap();
        }
        for (int k = 0; k < kGlobalColumns; ++k)
            if (line.globalCmd[k] > kGlobalPV) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("clipboard");
    static Module* module = new Module;
    static Module* reference = new Module;
    static Module* loaded = new Module;
    static Clipboards* clips = new Clipboards;
    // Only pattern 0 is pasted into: putting it back is enough to start every input alike,
    // at a fraction of the cost of clearing and copying the whole module.
    static const bool prepared = [] {
        module->Clear(0, 0);
        module->SetPatternLength(0, 48);
        *reference = *module;
        return true;
    }();
    (void)prepared;
    module->patterns[0] = reference->patterns[0];
    clips->desktop.get = DesktopText;
    clips->desktop.set = nullptr;
    gText.assign(reinterpret_cast<const char*>(data), size);

    bool pasted = false;
    for (int x = 0; x < kCursorColumns; ++x) {
        clips->instVolSeparately = (x & 1) != 0;
        clips->pasteDeleteNotes = (x & 2) != 0;
        int at = x;
        const int check = clips->CheckPaste(kSystemClipboard, at);
        if (check < kPasteOk || check > kPasteColumnTypes) __builtin_trap();
        if (check != kPasteOk) {
            if (PasteMessage(check, kSystemClipboard) == nullptr) __builtin_trap();
            continue;
        }
        if (at < 0 || at >= kCursorColumns) __builtin_trap();
        clips->Paste(kSystemClipboard, module->patterns[0], at, x * 5);
        pasted = true;
    }
    Pattern& pattern = module->patterns[0];
    if (pattern.length != 48) __builtin_trap();
    CheckRanges(pattern);
    // Lines past the length stay as they were: pasting never lengthens a pattern.
    if (std::memcmp(pattern.lines + 48, reference->patterns[0].lines + 48,
                    sizeof(PatternLine) * (kMaxLines - 48)) != 0)
        __builtin_trap();
    if (!pasted) {
        if (std::memcmp(&pattern, &reference->patterns[0], sizeof pattern) != 0) __builtin_trap();
        return 0;
    }
    try {
        module->Save(path);
        if (!loaded->Load(path)) __builtin_trap();
    } catch (const Exception&) {
        __builtin_trap();  // pasted data made a file the loader refuses
    }
    return 0;
}
