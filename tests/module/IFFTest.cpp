// The chunked container: exact bytes of written chunks and strings, and every failure the
// parser reports.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>

#include "ModuleTestSupport.h"
#include "app/Exceptions.h"
#include "module/IFF.h"

namespace {

// A temporary file with what the writer put into it.
class TempFile {
public:
    TempFile() : file(std::tmpfile()) {}
    ~TempFile() {
        if (file) std::fclose(file);
    }
    FILE* Get() { return file; }
    Bytes Contents() {
        std::fflush(file);
        const long end = std::ftell(file);
        std::fseek(file, 0, SEEK_END);
        Bytes bytes(static_cast<size_t>(std::ftell(file)));
        std::rewind(file);
        EXPECT_EQ(std::fread(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fseek(file, end, SEEK_SET);
        return bytes;
    }
    void Load(const Bytes& bytes) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::rewind(file);
    }

private:
    FILE* file;
};

template <typename E>
void ExpectFailure(const std::function<void()>& action, uint8_t kind, const char* message) {
    try {
        action();
        ADD_FAILURE() << "no exception, expected: " << message;
    } catch (const Exception& e) {
        EXPECT_EQ(e.Kind(), kind);
        EXPECT_STREQ(e.Message(), message);
    }
}

Bytes WrittenString(const std::string& text) {
    TempFile f;
    IFFWriter w;
    w.Attach(f.Get());
    w.WriteString(text);
    w.Close();
    return f.Contents();
}

std::string ReadBack(const Bytes& bytes) {
    TempFile f;
    f.Load(bytes);
    IFFParser p;
    p.Attach(f.Get());
    std::string text = "stale";
    p.ReadString(text);
    p.MatchFileEnd();
    return text;
}

Bytes Prefix(const Bytes& written, size_t textLength) {
    return Bytes(written.begin(), written.end() - static_cast<long>(textLength));
}

}  // namespace

TEST(IFF, OddChunkIsPaddedAndEmptyChunkIsNot) {
    TempFile f;
    IFFWriter w;
    w.Attach(f.Get());
    w.BeginBlock("ABCD");
    w.WriteData("xyz", 3);
    w.EndBlock();
    w.BeginBlock("EMPT");
    w.EndBlock();
    w.BeginBlock("LAST", 2);
    w.WriteData("ok", 2);
    w.EndBlock();
    w.Close();
    ByteWriter expected;
    expected.Text("ABCD").U32(3).Text("xyz").U8(0);
    expected.Text("EMPT").U32(0);
    expected.Text("LAST").U32(2).Text("ok");
    EXPECT_EQ(f.Contents(), expected.bytes);

    std::rewind(f.Get());
    IFFParser p;
    p.Attach(f.Get());
    uint32_t size = 99;
    p.MatchBlockStart("ABCD", &size);
    EXPECT_EQ(size, 3u);
    char data[3];
    p.ReadNextBytes(data, 3);
    p.MatchBlockStart("EMPT", 0u);
    p.MatchBlockStart("LAST", 2u);
    p.ReadNextBytes(data, 2);
    EXPECT_TRUE(p.AtEnd());
    p.MatchFileEnd();
}

TEST(IFF, NestedBlocksGetTheirSizes) {
    TempFile f;
    IFFWriter w;
    w.Attach(f.Get());
    w.BeginBlock("OUTR");
    w.WriteData("a", 1);
    w.BeginBlock("INNR");
    w.WriteData("bcd", 3);
    w.EndBlock();
    w.EndBlock();
    w.Close();
    ByteWriter expected;
    expected.Text("OUTR").U32(13).Text("a").U8(0).Text("INNR").U32(3).Text("bcd");
    EXPECT_EQ(f.Contents(), expected.bytes);
}

TEST(IFF, ChunksStartAtEvenFileOffsets) {
    // Attached after an odd-length prefix, the first chunk still starts at an even offset.
    TempFile f;
    std::fwrite("abc", 1, 3, f.Get());
    IFFWriter w;
    w.Attach(f.Get());
    w.BeginBlock("TAGS");
    w.EndBlock();
    w.Close();
    ByteWriter expected;
    expected.Text("abc").U8(0).Text("TAGS").U32(0);
    EXPECT_EQ(f.Contents(), expected.bytes);

    std::fseek(f.Get(), 3, SEEK_SET);
    IFFParser p;
    p.Attach(f.Get());
    p.MatchBlockStart("TAGS", 0u);
    p.MatchFileEnd();
}

TEST(IFF, StringPrefixes) {
    struct Case {
        size_t length;
        Bytes prefix;
    } cases[] = {
        {0, {0x00}},
        {1, {0x01}},
        {127, {0x7F}},
        {128, {0x80, 0x00}},
        {200, {0xC8, 0x00}},
        {255, {0xFF, 0x00}},
        {256, {0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00}},
        {300, {0xFF, 0xFF, 0x2C, 0x01, 0x00, 0x00}},
        {383, {0xFF, 0xFF, 0x7F, 0x01, 0x00, 0x00}},
        {384, {0x80, 0x01}},
        {1000, {0xE8, 0x03}},
        {65407, {0xFF, 0xFF, 0x7F, 0xFF, 0x00, 0x00}},
        {65408, {0x80, 0xFF}},
        {65534, {0xFE, 0xFF}},
        {65535, {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00}},
        {65536, {0xFF, 0xFF, 0x00, 0x00, 0x01, 0x00}},
        {70000, {0xFF, 0xFF, 0x70, 0x11, 0x01, 0x00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string text(c.length, 'q');
        for (size_t i = 0; i < c.length; ++i) text[i] = static_cast<char>('a' + i % 26);
        const Bytes written = WrittenString(text);
        ASSERT_EQ(written.size(), c.prefix.size() + c.length);
        EXPECT_EQ(Prefix(written, c.length), c.prefix);
        EXPECT_EQ(ReadBack(written), text);
    }
}

TEST(IFF, ReadsTheShortFormOfOtherWriters) {
    // Lengths 128..255 as length and 0, and long lengths whose low byte is 128 or more.
    ByteWriter w;
    w.U8(0x90).U8(0x00).Fill(0x90, 'x');
    EXPECT_EQ(ReadBack(w.bytes), std::string(0x90, 'x'));
    ByteWriter w2;
    w2.U8(0x80).U8(0x02).Fill(0x280, 'y');
    EXPECT_EQ(ReadBack(w2.bytes), std::string(0x280, 'y'));
}

TEST(IFF, StringLongerThanTheFileFailsWithoutAllocating) {
    ByteWriter w;
    w.U8(0xFF).U8(0xFF).U32(0xFFFFFFFFu).Text("abc");
    ExpectFailure<FileIOException>([&] { ReadBack(w.bytes); }, kFileIOException,
                                   "IFFParser::ReadNextBytes(): Failed");
    ByteWriter truncatedPrefix;
    truncatedPrefix.U8(0x80);
    ExpectFailure<FileIOException>([&] { ReadBack(truncatedPrefix.bytes); }, kFileIOException,
                                   "IFFParser::ReadNextBytes(): Failed");
    ByteWriter shortText;
    shortText.U8(5).Text("abcd");
    ExpectFailure<FileIOException>([&] { ReadBack(shortText.bytes); }, kFileIOException,
                                   "IFFParser::ReadNextBytes(): Failed");
}

TEST(IFF, ParserFailures) {
    ByteWriter file;
    file.Text("HEAD").U32(1).U8(7);
    TempFile f;
    f.Load(file.bytes);
    IFFParser p;
    p.Attach(f.Get());
    EXPECT_EQ(p.Length(), 9u);
    ExpectFailure<ParseException>([&] { p.MatchBlockStart("INFO"); }, kParseException,
                                  "IFFParser::MatchBlockStart(): Failed");

    std::rewind(f.Get());
    p.Attach(f.Get());
    ExpectFailure<ParseException>([&] { p.MatchBlockStart("HEAD", 2u); }, kParseException,
                                  "IFFParser::MatchBlockStart(): Failed");

    std::rewind(f.Get());
    p.Attach(f.Get());
    p.MatchBlockStart("HEAD", 1u);
    ExpectFailure<ParseException>([&] { p.MatchFileEnd(); }, kParseException,
                                  "IFFParser::MatchFileEnd(): Failed");
    uint8_t b;
    p.ReadNextBytes(&b, 1);
    p.MatchFileEnd();
    // At the end (after skipping the padding position) a header is wanted: empty message.
    ExpectFailure<ParseException>([&] { p.MatchBlockStart("INFO"); }, kParseException, "");
    ExpectFailure<FileIOException>([&] { p.ReadNextBytes(&b, 1); }, kFileIOException,
                                   "IFFParser::ReadNextBytes(): Failed");
}

TEST(IFF, PaddingThenEndAndTruncatedHeader) {
    ByteWriter padded;
    padded.Text("DATA").U32(1).U8(7).U8(0);
    TempFile f;
    f.Load(padded.bytes);
    IFFParser p;
    p.Attach(f.Get());
    p.MatchBlockStart("DATA");
    uint8_t b;
    p.ReadNextBytes(&b, 1);
    ExpectFailure<ParseException>([&] { p.MatchBlockStart("NEXT"); }, kParseException, "");

    ByteWriter cut;
    cut.Text("DATA").U8(1);
    TempFile g;
    g.Load(cut.bytes);
    p.Attach(g.Get());
    ExpectFailure<FileIOException>([&] { p.MatchBlockStart("DATA"); }, kFileIOException,
                                   "IFFParser::ReadNextBytes(): Failed");
}

TEST(IFF, FileEndsExactlyAfterLastChunk) {
    ByteWriter file;
    file.Text("ONE ").U32(2).Text("hi");
    TempFile f;
    f.Load(file.bytes);
    IFFParser p;
    p.Attach(f.Get());
    p.MatchBlockStart("ONE ", 2u);
    char text[2];
    p.ReadNextBytes(text, 2);
    p.MatchFileEnd();

    file.U8(0);
    TempFile g;
    g.Load(file.bytes);
    p.Attach(g.Get());
    p.MatchBlockStart("ONE ", 2u);
    p.ReadNextBytes(text, 2);
    ExpectFailure<ParseException>([&] { p.MatchFileEnd(); }, kParseException,
                                  "IFFParser::MatchFileEnd(): Failed");
}

TEST(IFF, WriterFailures) {
    // A stream that takes no data at all.
    FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    std::setvbuf(full, nullptr, _IONBF, 0);
    IFFWriter w;
    w.Attach(full);
    ExpectFailure<FileIOException>([&] { w.WriteData("abcd", 4); }, kFileIOException,
                                   "IFFWriter::WriteData(): Can't write data");
    ExpectFailure<FileIOException>([&] { w.BeginBlock("HEAD"); }, kFileIOException,
                                   "IFFWriter::WriteData(): Can't write data");
    std::fclose(full);

    // Room for the prefix but not for the characters.
    char buffer[4];
    FILE* small = fmemopen(buffer, sizeof buffer, "wb");
    ASSERT_NE(small, nullptr);
    std::setvbuf(small, nullptr, _IONBF, 0);
    IFFWriter s;
    s.Attach(small);
    ExpectFailure<FileIOException>([&] { s.WriteString("too long"); }, kFileIOException,
                                   "IFFWriter::WriteData(): Can't write string data");
    std::fclose(small);
}
