// The one family of exceptions the program throws: thrown and caught by value, each with a
// message of at most 511 characters, up to three numeric codes and a kind.
#pragma once

#include <cstdint>
#include <string>

enum ExceptionKind : uint8_t {
    kGenericException = 0,
    kCPUException = 1,
    kParseException = 2,
    kFileIOException = 3,
    kOutOfMemoryException = 4,
    kInternalException = 5,
    kLibraryLoadException = 6,
    kDebugException = 7,
};

class Exception {
public:
    static constexpr size_t kMaxMessage = 511;

    explicit Exception(const char* message = "");
    Exception(const char* message, uint32_t code1);
    Exception(const char* message, uint32_t code1, uint32_t code2);
    Exception(const char* message, uint32_t code1, uint32_t code2, uint32_t code3);
    explicit Exception(const std::string& message) : Exception(message.c_str()) {}

    const char* Message() const { return message; }
    uint8_t Kind() const { return kind; }
    bool HasCode(int i) const { return i >= 0 && i < 3 && hasCode[i]; }
    uint32_t Code(int i) const { return (i >= 0 && i < 3) ? codes[i] : 0; }

    // "Generic exception", "CPU exception", ... or "Unknown".
    static const char* KindName(uint8_t kind);
    const char* KindName() const { return KindName(kind); }

protected:
    Exception(uint8_t kind, const char* message, int codeCount, uint32_t c1, uint32_t c2,
              uint32_t c3);

private:
    char message[512];
    uint32_t codes[3];
    uint8_t kind;
    uint8_t hasCode[3];
};

#define TW_DECLARE_EXCEPTION(Name, KindValue)                                              \
    class Name : public Exception {                                                        \
    public:                                                                                \
        explicit Name(const char* message = "") : Exception(KindValue, message, 0, 0, 0, 0) {} \
        explicit Name(const std::string& message) : Name(message.c_str()) {}               \
        Name(const char* message, uint32_t c1) : Exception(KindValue, message, 1, c1, 0, 0) {} \
        Name(const char* message, uint32_t c1, uint32_t c2)                                \
            : Exception(KindValue, message, 2, c1, c2, 0) {}                               \
        Name(const char* message, uint32_t c1, uint32_t c2, uint32_t c3)                   \
            : Exception(KindValue, message, 3, c1, c2, c3) {}                              \
    }

TW_DECLARE_EXCEPTION(CPUException, kCPUException);
TW_DECLARE_EXCEPTION(ParseException, kParseException);
TW_DECLARE_EXCEPTION(FileIOException, kFileIOException);
TW_DECLARE_EXCEPTION(OutOfMemoryException, kOutOfMemoryException);
TW_DECLARE_EXCEPTION(InternalException, kInternalException);
TW_DECLARE_EXCEPTION(LibraryLoadException, kLibraryLoadException);

#undef TW_DECLARE_EXCEPTION

// The text of an exception report: the caller's text, the kind, the message with its
// codes, and the two infos.
std::string FormatExceptionReport(const char* text, const Exception& e, int info1 = 0,
                                  int info2 = 0);

// Writes the report to "exception.txt" in UserDirectory() (nothing when that file
// cannot be opened) and shows it in a system message box, or on stderr without a display.
void ReportException(const char* text, const Exception& e, int info1 = 0, int info2 = 0);

// Where the report goes instead of a message box; the GUI installs SDL's message box here.
using MessageBoxFunction = void (*)(const char* caption, const char* text);
void SetSystemMessageBox(MessageBoxFunction show);
// Shows `text` in the system message box (stderr without one).
void ShowSystemMessage(const char* caption, const char* text);

// Turns processor faults (SIGSEGV, SIGFPE, SIGBUS, stack overflow) into CPUException
// thrown from the faulting instruction. Installed once, before any other work.
void InstallFaultTranslator();
