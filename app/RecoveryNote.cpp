// The recovery note's two lines.
#include "app/RecoveryNote.h"

#include <cerrno>
#include <cstdlib>

std::string FormatRecoveryNote(const RecoveryNote& note) {
    const bool writable = note.path.find_first_of("\r\n") == std::string::npos;
    return "time " + std::to_string(note.time) + "\npath " + (writable ? note.path : "") + "\n";
}

RecoveryNote ParseRecoveryNote(const std::string& text) {
    RecoveryNote note;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 5, "time ") == 0) {
            const std::string digits = line.substr(5);
            char* stop = nullptr;
            errno = 0;
            const long long value = std::strtoll(digits.c_str(), &stop, 10);
            const bool whole = !digits.empty() && stop && *stop == '\0' && errno == 0;
            note.time = whole && value > 0 ? value : 0;
        } else if (line.compare(0, 5, "path ") == 0) {
            note.path = line.substr(5);
        }
    }
    return note;
}
