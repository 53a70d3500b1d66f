// The bounds-checked reader that every reader of untrusted file data goes through.
#include <gtest/gtest.h>

#include <vector>

#include "app/ByteReader.h"

TEST(ByteReader, ReadsBothByteOrdersAndNeverPastTheEnd) {
    const uint8_t data[] = {0x12, 0x34, 0x56, 0x78, 0x9A};
    ByteReader in(data, sizeof data);
    uint16_t u16;
    uint32_t u32;
    EXPECT_TRUE(in.ReadU16BE(u16));
    EXPECT_EQ(u16, 0x1234);
    in.Seek(0);
    EXPECT_TRUE(in.ReadU16LE(u16));
    EXPECT_EQ(u16, 0x3412);
    in.Seek(0);
    EXPECT_TRUE(in.ReadU32BE(u32));
    EXPECT_EQ(u32, 0x12345678u);
    in.Seek(1);
    EXPECT_TRUE(in.ReadU32LE(u32));
    EXPECT_EQ(u32, 0x9A785634u);
    in.Seek(2);
    EXPECT_TRUE(in.ReadU24BE(u32));
    EXPECT_EQ(u32, 0x56789Au);
    // A read that does not fit gives zero and leaves the reader at the end.
    in.Seek(3);
    EXPECT_FALSE(in.ReadU32BE(u32));
    EXPECT_EQ(u32, 0u);
    EXPECT_TRUE(in.AtEnd());
    uint8_t b = 7;
    EXPECT_FALSE(in.ReadU8(b));
    EXPECT_EQ(b, 0);
    EXPECT_FALSE(in.Seek(6));
    EXPECT_EQ(in.Position(), 5u);
    EXPECT_EQ(in.Remaining(), 0u);
    in.Seek(4);
    EXPECT_FALSE(in.Skip(2));
    EXPECT_TRUE(in.AtEnd());
    EXPECT_EQ(in.Remaining(), 0u);
    EXPECT_FALSE(in.CanRead(1));
    EXPECT_TRUE(in.CanRead(0));
    uint8_t buffer[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    in.Seek(3);
    EXPECT_EQ(in.ReadBytes(buffer, sizeof buffer), 2u);
    EXPECT_EQ(buffer[1], 0x9A);
    EXPECT_EQ(buffer[2], 1);  // not there: left as it was
    ByteReader empty(nullptr, 0);
    EXPECT_FALSE(empty.ReadU16LE(u16));
}

TEST(ByteReader, VariableLengthNumbers) {
    struct Case {
        std::vector<uint8_t> bytes;
        uint32_t value;
        bool complete;
    } cases[] = {
        {{0x00}, 0, true},
        {{0x7F}, 127, true},
        {{0x81, 0x00}, 128, true},
        {{0xFF, 0x7F}, 16383, true},
        {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, true},
        {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, true},  // cut after four bytes
        {{0x81}, 1, false},
    };
    for (const Case& c : cases) {
        ByteReader in(c.bytes.data(), c.bytes.size());
        uint32_t value;
        EXPECT_EQ(in.ReadVarLen(value), c.complete);
        if (c.complete) {
            EXPECT_EQ(value, c.value);
        }
    }
}

TEST(ByteReader, SlicesAndReadsAtAnOffsetStayInside) {
    const uint8_t data[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const ByteReader in(data, sizeof data);
    ByteReader middle = in.Slice(2, 3);
    EXPECT_EQ(middle.Size(), 3u);
    uint32_t u32 = 7;
    EXPECT_FALSE(middle.ReadU32LE(u32));  // the slice ends before the file does
    EXPECT_EQ(u32, 0u);
    EXPECT_EQ(in.Slice(6, 10).Size(), 2u);
    EXPECT_EQ(in.Slice(9, 1).Size(), 0u);
    EXPECT_EQ(in.Slice(8, 0).Size(), 0u);
    uint8_t b = 9;
    EXPECT_TRUE(in.ReadU8At(7, b));
    EXPECT_EQ(b, 8);
    EXPECT_FALSE(in.ReadU8At(8, b));
    EXPECT_EQ(b, 0);
    uint16_t u16 = 9;
    EXPECT_TRUE(in.ReadU16LEAt(6, u16));
    EXPECT_EQ(u16, 0x0807);
    EXPECT_FALSE(in.ReadU16LEAt(7, u16));
    EXPECT_EQ(u16, 0);
    EXPECT_TRUE(in.ReadU32LEAt(4, u32));
    EXPECT_EQ(u32, 0x08070605u);
    EXPECT_FALSE(in.ReadU32LEAt(5, u32));
    EXPECT_FALSE(in.ReadU32LEAt(~size_t{0}, u32));
    EXPECT_FALSE(in.ReadU16LEAt(~size_t{0}, u16));
    EXPECT_FALSE(in.ReadU8At(~size_t{0}, b));
    EXPECT_EQ(in.Position(), 0u);  // reads at an offset do not move
    const ByteReader none;
    EXPECT_FALSE(none.ReadU8At(0, b));
    EXPECT_EQ(none.Slice(0, 4).Size(), 0u);
}
