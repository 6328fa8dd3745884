// The zero-fill and line writers, and the time stamp of new resource directories.
#include <gtest/gtest.h>

#include <ctime>
#include <vector>

#include "Exceptions.h"
#include "MyStreams.h"
#include "Streams.h"
#include "UResTool.h"

namespace {

// A memory stream that remembers the size of every write it is given.
class RecordingStream : public rtl::TMemoryStream {
 public:
  std::int32_t Write(const void* buffer, std::int32_t count) override {
    writes.push_back(count);
    return rtl::TMemoryStream::Write(buffer, count);
  }
  std::vector<std::int32_t> writes;
};

TEST(Writers, ZerosGoOutInBlocksOf256) {
  RecordingStream s;
  s.WriteBuffer("\xFF", 1);
  s.writes.clear();
  WriteZeros(s, 600);
  EXPECT_EQ(s.writes, (std::vector<std::int32_t>{256, 256, 88}));
  ASSERT_EQ(s.Size(), 601);
  for (int i = 1; i < 601; ++i) ASSERT_EQ(s.Memory()[i], 0) << i;
  s.writes.clear();
  WriteZeros(s, 0);
  WriteZeros(s, -5);
  EXPECT_TRUE(s.writes.empty());
}

TEST(Writers, PaddingBringsTheCountedLengthToTheAlignment) {
  struct Case {
    std::int64_t length, alignment, written;
  };
  const Case cases[] = {{8, 4, 0}, {9, 4, 3}, {0, 16, 0}, {17, 16, 15}, {5, 1, 0}, {5, 0, 0},
                        {0x1234, 0x200, 0x1CC}};
  for (const Case& c : cases) {
    rtl::TMemoryStream s;
    s.WriteBuffer("abc", 3);  // the stream's position plays no part
    WritePadding(s, c.length, c.alignment);
    EXPECT_EQ(s.Size() - 3, c.written) << c.length << " / " << c.alignment;
  }
}

TEST(Writers, LineEndsInCrLf) {
  rtl::TMemoryStream s;
  WriteLine(s, "STRINGTABLE");
  WriteLine(s, "");
  EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), static_cast<std::size_t>(s.Size())),
            "STRINGTABLE\r\n\r\n");
}

TEST(Writers, WriteErrorsPropagate) {
  std::uint8_t block[100] = {};
  TReadMemoryStream s(block, 100);
  EXPECT_THROW(WriteZeros(s, 200), rtl::EWriteError);
  s.SetPosition(99);
  EXPECT_THROW(WriteLine(s, ""), rtl::EWriteError);
  s.SetPosition(98);
  EXPECT_THROW(WritePadding(s, 1, 4), rtl::EWriteError);
}

TEST(TimeStamp, SecondsSinceTheUnixEpochInUtc) {
  struct Case {
    double utc;
    std::uint32_t seconds;
  };
  const Case cases[] = {
      {25569.0, 0},
      {25569.5, 43200},
      {45292.0, 1704067200u},  // 2024-01-01 00:00:00 UTC
      {25569.0 + 1.4 / 86400, 1},
      {25569.0 + 1.6 / 86400, 2},
      {25568.0, 0},  // before 1970: nothing to count
  };
  for (const Case& c : cases) EXPECT_EQ(UnixTimeStamp(c.utc), c.seconds) << c.utc;
}

TEST(TimeStamp, NowMatchesTheSystemClock) {
  std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
  std::int64_t stamp = UnixTimeStamp(NowUtc());
  std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_GE(stamp, before - 1);
  EXPECT_LE(stamp, after + 1);
}

}  // namespace
