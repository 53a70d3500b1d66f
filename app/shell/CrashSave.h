// The last resort when an exception escapes the main loop: the current module is saved
// as a crash file (never over the module's own file) and the user is told the truth
// about it.
#pragma once

#include <cstdint>
#include <string>

// "crash(2026.4.3 14.5.9).quavex" for that moment in UTC (no leading zeros).
std::string CrashFileName(int64_t secondsSince1970);

// Saves the current module in UserDirectory() under CrashFileName(now) and shows
// "Tonweave has crashed." with what became of the module in a system message box.
// Gives back the full path saved to, or "" when saving failed. Never throws.
std::string CrashSave(int64_t secondsSince1970);

// The message box text for a crash save to `path` ("" when saving failed).
std::string CrashMessage(const std::string& path);
