// The exception family and the exception report; see Exceptions.h.
#include "app/Exceptions.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include "app/Paths.h"
#include "app/SafeFile.h"

namespace {

std::atomic<MessageBoxFunction> gMessageBox{nullptr};

}  // namespace

Exception::Exception(const char* message) : Exception(kGenericException, message, 0, 0, 0, 0) {}

Exception::Exception(const char* message, uint32_t code1)
    : Exception(kGenericException, message, 1, code1, 0, 0) {}

Exception::Exception(const char* message, uint32_t code1, uint32_t code2)
    : Exception(kGenericException, message, 2, code1, code2, 0) {}

Exception::Exception(const char* message, uint32_t code1, uint32_t code2, uint32_t code3)
    : Exception(kGenericException, message, 3, code1, code2, code3) {}

Exception::Exception(uint8_t kind, const char* text, int codeCount, uint32_t c1, uint32_t c2,
                     uint32_t c3)
    : codes{c1, c2, c3}, kind(kind), hasCode{0, 0, 0} {
    size_t length = 0;
    if (text != nullptr) {
        while (length < kMaxMessage && text[length] != '\0') ++length;
        std::memcpy(message, text, length);
    }
    message[length] = '\0';
    for (int i = 0; i < 3; ++i) {
        hasCode[i] = i < codeCount ? 1 : 0;
        if (!hasCode[i]) codes[i] = 0;
    }
}

const char* Exception::KindName(uint8_t kind) {
    switch (kind) {
        case kGenericException: return "Generic exception";
        case kCPUException: return "CPU exception";
        case kParseException: return "Parse exception";
        case kFileIOException: return "File-IO exception";
        case kOutOfMemoryException: return "Out of memory exception";
        case kInternalException: return "Internal exception";
        case kLibraryLoadException: return "Library load exception";
        case kDebugException: return "Debug exception";
        default: return "Unknown";
    }
}

std::string FormatExceptionReport(const char* text, const Exception& e, int info1, int info2) {
    std::string report = text != nullptr ? text : "";
    report += "\n\nException type: ";
    report += e.KindName();
    report += "\nException info: ";
    report += e.Message();
    char number[64];
    for (int i = 0; i < 3; ++i) {
        if (!e.HasCode(i)) continue;
        std::snprintf(number, sizeof number, " (%d, %X)", static_cast<int>(e.Code(i)),
                      static_cast<unsigned>(e.Code(i)));
        report += number;
    }
    std::snprintf(number, sizeof number, "\nInfo 1: %d\nInfo 2: %d", info1, info2);
    report += number;
    return report;
}

void SetSystemMessageBox(MessageBoxFunction show) { gMessageBox.store(show); }

void ShowSystemMessage(const char* caption, const char* text) {
    if (MessageBoxFunction show = gMessageBox.load()) {
        show(caption, text);
    } else {
        std::fprintf(stderr, "%s\n", text);
        std::fflush(stderr);
    }
}

void ReportException(const char* text, const Exception& e, int info1, int info2) {
    const std::string report = FormatExceptionReport(text, e, info1, info2);
    // The report must reach the user even when the file cannot be written, so a failure
    // here only means no file.
    try {
        SafeFileWriter writer(UserFile("exception.txt"), true);
        if (std::fwrite(report.data(), 1, report.size(), writer.File()) == report.size())
            writer.Commit();
    } catch (...) {
    }
    ShowSystemMessage("", report.c_str());
}
