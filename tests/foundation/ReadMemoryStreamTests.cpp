// TReadMemoryStream over a caller's block: unbounded seeks, reads that stop at the end,
// writes in place that never reach past the block.
#include <gtest/gtest.h>

#include <cstring>

#include "Exceptions.h"
#include "MyStreams.h"

namespace {

// Ten bytes 0..9 for the stream, followed by guard bytes the stream must never touch.
struct Block {
  std::uint8_t bytes[14] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE, 0xEE};
  bool GuardIntact() const {
    return bytes[10] == 0xEE && bytes[11] == 0xEE && bytes[12] == 0xEE && bytes[13] == 0xEE;
  }
};

TEST(ReadMemoryStream, ReadsStopAtTheEnd) {
  Block b;
  TReadMemoryStream s(b.bytes, 10);
  EXPECT_EQ(s.Seek(4, rtl::soBeginning), 4);
  EXPECT_EQ(s.Remaining(), 6);
  EXPECT_EQ(s.CurrentPointer(), b.bytes + 4);
  std::uint8_t out[8] = {};
  EXPECT_EQ(s.Read(out, 8), 6);
  EXPECT_EQ(out[0], 4);
  EXPECT_EQ(out[5], 9);
  EXPECT_EQ(s.Read(out, 8), 0);
  EXPECT_EQ(s.Read(out, -1), 0);
}

TEST(ReadMemoryStream, SeeksAreNotBounded) {
  Block b;
  TReadMemoryStream s(b.bytes, 10);
  EXPECT_EQ(s.Seek(0, rtl::soEnd), 10);
  EXPECT_EQ(s.Seek(-2, rtl::soEnd), 8);
  EXPECT_EQ(s.ReadU16(), 0x0908);
  EXPECT_EQ(s.Seek(20, rtl::soBeginning), 20);
  EXPECT_EQ(s.Remaining(), -10);
  std::uint8_t out = 0;
  EXPECT_EQ(s.Read(&out, 1), 0);
  EXPECT_EQ(s.Seek(-25, rtl::soCurrent), -5);
  EXPECT_EQ(s.CurrentPointer(), b.bytes);  // a negative position points at the start
  EXPECT_EQ(s.Read(&out, 1), 0);
  EXPECT_EQ(s.Seek(3, 7), -5);  // an unknown origin changes nothing
  s.SetPosition(7);
  EXPECT_EQ(s.Size(), 10);
  EXPECT_EQ(s.Position(), 7);  // Size restores the position
}

TEST(ReadMemoryStream, WritesInPlaceWithoutGrowing) {
  Block b;
  {
    TReadMemoryStream s(b.bytes, 10);
    s.SetPosition(2);
    const std::uint8_t four[4] = {0xA0, 0xA1, 0xA2, 0xA3};
    EXPECT_EQ(s.Write(four, 4), 4);
    EXPECT_EQ(s.Position(), 6);
    EXPECT_EQ(s.Size(), 10);

    s.SetPosition(0);
    EXPECT_EQ(s.Write(four, 0), 0);
    EXPECT_EQ(s.Position(), 0);
    s.SetSize(100);
    EXPECT_EQ(s.Size(), 10);
  }
  // The stream is gone; the caller's block holds exactly what was written.
  const std::uint8_t expected[10] = {0, 1, 0xA0, 0xA1, 0xA2, 0xA3, 6, 7, 8, 9};
  EXPECT_EQ(std::memcmp(b.bytes, expected, 10), 0);
  EXPECT_TRUE(b.GuardIntact());
}

TEST(ReadMemoryStream, WritePastTheEndIsClampedToTheBlock) {
  Block b;
  TReadMemoryStream s(b.bytes, 10);
  const std::uint8_t six[6] = {0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5};
  s.SetPosition(8);
  EXPECT_EQ(s.Write(six, 6), 2);
  EXPECT_EQ(b.bytes[8], 0xB0);
  EXPECT_EQ(b.bytes[9], 0xB1);
  EXPECT_EQ(s.Position(), 10);
  EXPECT_EQ(s.Write(six, 1), 0);
  s.SetPosition(50);
  EXPECT_EQ(s.Write(six, 6), 0);
  s.SetPosition(-3);
  EXPECT_EQ(s.Write(six, 6), 0);
  s.SetPosition(7);
  EXPECT_THROW(s.WriteBuffer(six, 6), rtl::EWriteError);
  EXPECT_TRUE(b.GuardIntact());
  EXPECT_EQ(s.Size(), 10);
}

TEST(ReadMemoryStream, EmptyBlockHasNothingToRead) {
  TReadMemoryStream s(nullptr, 0);
  std::uint8_t out = 0;
  EXPECT_EQ(s.Read(&out, 1), 0);
  EXPECT_EQ(s.Remaining(), 0);
  EXPECT_THROW(s.ReadBuffer(&out, 1), rtl::EReadError);
}

}  // namespace
