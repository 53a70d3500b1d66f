// The exception family, the report text and file, and processor faults turned into
// CPUException.
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "app/Exceptions.h"
#include "app/FaultTranslator.h"
#include "app/Paths.h"
#include "TestDirectory.h"

namespace {

TEST(Exception, LongMessageIsCutTo511Characters) {
    const std::string text(600, 'a');
    const Exception e(text.c_str());
    EXPECT_EQ(std::strlen(e.Message()), 511u);
    EXPECT_EQ(std::string(e.Message()), text.substr(0, 511));

    const std::string exact(511, 'b');
    EXPECT_EQ(std::string(ParseException(exact).Message()), exact);
    const std::string one_more(512, 'c');
    EXPECT_EQ(std::string(FileIOException(one_more).Message()), std::string(511, 'c'));
    EXPECT_STREQ(Exception(static_cast<const char*>(nullptr)).Message(), "");
}

TEST(Exception, KindFollowsClassAndNamesAreFixed) {
    struct Case {
        Exception e;
        uint8_t kind;
        const char* name;
    };
    const Case cases[] = {
        {Exception("x"), 0, "Generic exception"},
        {CPUException("x"), 1, "CPU exception"},
        {ParseException("x"), 2, "Parse exception"},
        {FileIOException("x"), 3, "File-IO exception"},
        {OutOfMemoryException("x"), 4, "Out of memory exception"},
        {InternalException("x"), 5, "Internal exception"},
        {LibraryLoadException("x"), 6, "Library load exception"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.e.Kind(), c.kind);
        EXPECT_STREQ(c.e.KindName(), c.name);
    }
    EXPECT_STREQ(Exception::KindName(7), "Debug exception");
    EXPECT_STREQ(Exception::KindName(8), "Unknown");
    EXPECT_STREQ(Exception::KindName(255), "Unknown");
}

TEST(Exception, CodesAreSetInOrder) {
    const Exception none("m");
    const InternalException two("m", 7, 0);
    const LibraryLoadException three("m", 1, 2, 3);
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(none.HasCode(i));
    EXPECT_TRUE(two.HasCode(0));
    EXPECT_TRUE(two.HasCode(1));
    EXPECT_FALSE(two.HasCode(2));
    EXPECT_EQ(two.Code(0), 7u);
    EXPECT_EQ(two.Code(1), 0u);
    EXPECT_EQ(three.Code(2), 3u);
    EXPECT_FALSE(three.HasCode(3));
    EXPECT_FALSE(three.HasCode(-1));
}

TEST(Exception, CaughtByValueThroughTheBase) {
    try {
        throw ParseException("ReadStringToken(): End of line reached", 12);
    } catch (Exception e) {
        EXPECT_EQ(e.Kind(), kParseException);
        EXPECT_STREQ(e.Message(), "ReadStringToken(): End of line reached");
        EXPECT_EQ(e.Code(0), 12u);
    }
}

TEST(ExceptionReport, ParseExceptionShowsItsCodeInDecimalAndHex) {
    EXPECT_EQ(FormatExceptionReport("Couldn't load preferences.", ParseException("Bad token", 5)),
              "Couldn't load preferences.\n\n"
              "Exception type: Parse exception\n"
              "Exception info: Bad token (5, 5)\n"
              "Info 1: 0\n"
              "Info 2: 0");
}

TEST(ExceptionReport, EveryCodeAndBothInfos) {
    EXPECT_EQ(FormatExceptionReport("Start-up failed.", FileIOException("Open", 255, 4096, 0), 3, -1),
              "Start-up failed.\n\n"
              "Exception type: File-IO exception\n"
              "Exception info: Open (255, FF) (4096, 1000) (0, 0)\n"
              "Info 1: 3\n"
              "Info 2: -1");
    EXPECT_EQ(FormatExceptionReport("", Exception("")),
              "\n\nException type: Generic exception\nException info: \nInfo 1: 0\nInfo 2: 0");
}

struct MessageBoxCapture {
    static inline std::string caption;
    static inline std::string text;
    static inline int calls = 0;
    static void Show(const char* c, const char* t) {
        caption = c;
        text = t;
        ++calls;
    }
};

class ReportFile : public ::testing::Test {
protected:
    void SetUp() override {
        SetProgramDirectory(dir.Path());
        MessageBoxCapture::calls = 0;
        SetSystemMessageBox(&MessageBoxCapture::Show);
    }
    void TearDown() override {
        SetSystemMessageBox(nullptr);
        SetProgramDirectory("");
    }
    TestDirectory dir;
};

TEST_F(ReportFile, WritesExceptionTxtBesideTheProgramAndShowsIt) {
    WriteWholeFile(dir.File("exception.txt"), std::string(5000, 'o'));  // replaced whole
    ReportException("Couldn't initialise sound.", InternalException("Mutex", 2), 1, 2);
    const std::string expected = FormatExceptionReport(
        "Couldn't initialise sound.", InternalException("Mutex", 2), 1, 2);
    EXPECT_EQ(ReadWholeFile(dir.File("exception.txt")), expected);
    EXPECT_EQ(MessageBoxCapture::calls, 1);
    EXPECT_EQ(MessageBoxCapture::caption, "");
    EXPECT_EQ(MessageBoxCapture::text, expected);
    EXPECT_EQ(dir.Entries(), std::vector<std::string>{"exception.txt"});
}

TEST_F(ReportFile, UnwritableDirectoryStillShowsTheReport) {
    SetProgramDirectory(dir.File("missing"));
    ReportException("Shutdown failed.", Exception("x"));
    EXPECT_EQ(MessageBoxCapture::calls, 1);
    EXPECT_TRUE(dir.Entries().empty());
}

// The faulting operations live in functions of their own, kept away from the optimiser
// and from the undefined-behaviour checks (which would stop the program before the
// processor gets to fault).
__attribute__((noinline, no_sanitize("undefined"))) void WriteThroughNull() {
    volatile int* volatile pointer = nullptr;
    *pointer = 42;
}

__attribute__((noinline, no_sanitize("undefined"))) int DivideByZero() {
    volatile int numerator = 1000;
    volatile int denominator = 0;
    return numerator / denominator;
}

// Called through a pointer the compiler cannot see through, so it can neither prove the
// recursion endless nor assume that nothing in it throws.
int Recurse(int depth);
int (*volatile gRecurse)(int) = Recurse;

__attribute__((noinline, no_sanitize("undefined"))) int Recurse(int depth) {
    volatile char block[1024];
    block[0] = static_cast<char>(depth);
    return gRecurse(depth + 1) + block[0];
}

// An illegal instruction, reached through a pointer so that the compiler keeps the call
// able to throw.
__attribute__((noinline)) void IllegalInstruction() { __builtin_trap(); }
void (*volatile gIllegalInstruction)() = IllegalInstruction;

template <typename Fault>
std::string FaultMessage(Fault fault) {
    try {
        fault();
    } catch (const CPUException& e) {
        EXPECT_EQ(e.Kind(), kCPUException);
        return e.Message();
    } catch (...) {
        return "(other exception)";
    }
    return "(no exception)";
}

TEST(FaultTranslator, NullWriteBecomesAccessViolation) {
    InstallFaultTranslator();
    EXPECT_EQ(FaultMessage(WriteThroughNull), "Access violation");
    // The handler must still be armed after unwinding out of it.
    EXPECT_EQ(FaultMessage(WriteThroughNull), "Access violation");
}

TEST(FaultTranslator, IntegerDivisionByZero) {
    InstallFaultTranslator();
    EXPECT_EQ(FaultMessage(DivideByZero), "Int divide by zero");
    EXPECT_EQ(FaultMessage(DivideByZero), "Int divide by zero");
    EXPECT_EQ(FaultMessage(WriteThroughNull), "Access violation");
}

TEST(FaultTranslator, OtherFaultsCarryTheirSignalAsCode) {
    InstallFaultTranslator();
    try {
        gIllegalInstruction();
        FAIL() << "no fault";
    } catch (const CPUException& e) {
        EXPECT_STREQ(e.Message(), "");
        EXPECT_TRUE(e.HasCode(0));
        EXPECT_EQ(e.Code(0), static_cast<uint32_t>(SIGILL));
    }
}

TEST(FaultTranslator, ReportCarriesTheFault) {
    InstallFaultTranslator();
    try {
        WriteThroughNull();
        FAIL() << "no fault";
    } catch (Exception e) {
        EXPECT_EQ(FormatExceptionReport("Command failed.", e),
                  "Command failed.\n\nException type: CPU exception\n"
                  "Exception info: Access violation\nInfo 1: 0\nInfo 2: 0");
    }
}

void* OverflowOnSmallStack(void* result) {
    InstallFaultStackForThread();
    *static_cast<std::string*>(result) = FaultMessage([] { Recurse(0); });
    return nullptr;
}

TEST(FaultTranslator, StackOverflowOnAThreadWithItsOwnStack) {
    InstallFaultTranslator();
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    std::string result;
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, OverflowOnSmallStack, &result), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(result, "Stack overflow");
}

}  // namespace
