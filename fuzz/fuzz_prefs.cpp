// Fuzz target for the preferences reader: any file gives settings within their ranges or
// a ParseException, and whatever was read writes out as a file that reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Exceptions.h"
#include "app/Preferences.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Preferences prefs;
    try {
        prefs.Read(data, size);
    } catch (const ParseException&) {
        return 0;
    }
    if (prefs.volume > 100 || prefs.clipboard > 4 || prefs.textureQuality > 1) __builtin_trap();
    for (uint32_t colour : prefs.colors)
        if (colour > 0xFFFFFF) __builtin_trap();
    const std::string text = prefs.Text();
    Preferences again;
    try {
        again.Read(text.data(), text.size());
    } catch (const ParseException&) {
        __builtin_trap();  // the writer made a file its own reader refuses
    }
    if (again.Text() != text) __builtin_trap();
    return 0;
}
