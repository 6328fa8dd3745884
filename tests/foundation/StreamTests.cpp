// The runtime's streams: exact failure texts, memory-stream growth, file streams.
#include <gtest/gtest.h>

#include <vector>

#include "AnsiText.h"
#include "Exceptions.h"
#include "MyStreams.h"
#include "Platform.h"
#include "Streams.h"
#include "TestSupport.h"

namespace {

using foundation::Ansi;

TEST(Streams, FixedCountReadFailsWithReadError) {
  std::uint8_t block[3] = {1, 2, 3};
  TReadMemoryStream stream(block, 3);
  std::uint8_t out[4] = {};
  try {
    stream.ReadBuffer(out, 4);
    FAIL() << "no error";
  } catch (const rtl::EReadError& e) {
    EXPECT_EQ(e.Message(), "Stream read error");
  }
  stream.SetPosition(0);
  EXPECT_THROW(stream.ReadU32(), rtl::EReadError);
  stream.SetPosition(1);
  EXPECT_EQ(stream.ReadU16(), 0x0302);
}

TEST(Streams, FixedCountWriteFailsWithWriteError) {
  std::uint8_t block[2] = {};
  TReadMemoryStream stream(block, 2);
  try {
    stream.WriteU32(0x01020304);
    FAIL() << "no error";
  } catch (const rtl::EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
}

TEST(Streams, MemoryStreamGrowsAndKeepsEveryByte) {
  rtl::TMemoryStream stream;
  std::vector<std::uint8_t> expected;
  for (int i = 0; i < 20000; ++i) {
    std::uint8_t piece[7];
    for (int k = 0; k < 7; ++k) piece[k] = static_cast<std::uint8_t>(i * 7 + k);
    stream.WriteBuffer(piece, 7);
    expected.insert(expected.end(), piece, piece + 7);
  }
  ASSERT_EQ(stream.Size(), 140000);
  EXPECT_EQ(stream.Position(), 140000);
  EXPECT_EQ(std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + 140000), expected);

  stream.SetSize(10);
  EXPECT_EQ(stream.Position(), 10);  // a shrink pulls the position back to the end
  EXPECT_EQ(stream.Size(), 10);
}

TEST(Streams, MemoryStreamWritePastEndZeroFillsTheGap) {
  rtl::TMemoryStream stream;
  stream.WriteU16(0xFFFF);
  stream.SetPosition(6);
  stream.WriteU16(0xAAAA);
  ASSERT_EQ(stream.Size(), 8);
  const std::uint8_t expected[8] = {0xFF, 0xFF, 0, 0, 0, 0, 0xAA, 0xAA};
  EXPECT_EQ(std::vector<std::uint8_t>(stream.Memory(), stream.Memory() + 8),
            std::vector<std::uint8_t>(expected, expected + 8));
  stream.SetPosition(-1);
  std::uint8_t b = 0;
  EXPECT_EQ(stream.Write(&b, 1), 0);  // a position before the start takes nothing
  EXPECT_EQ(stream.Read(&b, 1), 0);
}

TEST(Streams, CopyFromWithoutCountTakesTheRestFromThePosition) {
  const char text[] = "0123456789";
  TReadMemoryStream source(text, 10);
  source.SetPosition(4);
  rtl::TMemoryStream target;
  EXPECT_EQ(target.CopyFrom(source, 0), 6);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(target.Memory()), 6), "456789");
  source.SetPosition(8);
  EXPECT_THROW(target.CopyFrom(source, 3), rtl::EReadError);
}

TEST(Streams, FileStreamCreateAndOpenErrorsNameTheFile) {
  std::string dir = testsupport::MakeScratchDir("streams");
  std::string missingDir = dir + "no such dir" + plat::kPathDelim + "100%s.bin";
  try {
    rtl::TFileStream f(missingDir, plat::fmCreate);
    FAIL() << "created";
  } catch (const rtl::EFCreateError& e) {
    EXPECT_EQ(e.Message(), Ansi("Нельзя создать файл ") + missingDir);
  }
  std::string missingFile = dir + "missing %d.bin";
  try {
    rtl::TFileStream f(missingFile, plat::fmOpenRead);
    FAIL() << "opened";
  } catch (const rtl::EFOpenError& e) {
    EXPECT_EQ(e.Message(), Ansi("Нельзя открыть файл ") + missingFile);
  }
  EXPECT_TRUE(testsupport::ListDir(dir).empty());
  testsupport::RemoveTree(dir);
}

TEST(Streams, FileStreamWritesSeeksReadsAndTruncates) {
  std::string dir = testsupport::MakeScratchDir("streams");
  std::string name = dir + "data.bin";
  {
    rtl::TFileStream f(name, plat::fmCreate);
    f.WriteU32(0x44332211);
    f.WriteBuffer("tail", 4);
    EXPECT_EQ(f.Size(), 8);
    f.SetPosition(2);
    EXPECT_EQ(f.ReadU16(), 0x4433);
    f.SetSize(3);
    EXPECT_EQ(f.Size(), 3);
  }
  EXPECT_EQ(testsupport::ReadBytes(name), (std::vector<std::uint8_t>{0x11, 0x22, 0x33}));
  {
    rtl::TFileStream f(name, plat::fmOpenRead | plat::fmShareDenyWrite);
    std::uint8_t b[4];
    EXPECT_THROW(f.ReadBuffer(b, 4), rtl::EReadError);
    f.Close();
    EXPECT_EQ(f.Read(b, 1), 0);  // a closed stream moves nothing
  }
  {
    rtl::TFileStream f(name, plat::fmCreate);  // creating empties an existing file
  }
  EXPECT_TRUE(testsupport::ReadBytes(name).empty());
  testsupport::RemoveTree(dir);
}

TEST(Streams, MemoryStreamSavesAndLoads) {
  std::string dir = testsupport::MakeScratchDir("streams");
  std::string name = dir + "saved.bin";
  rtl::TMemoryStream out;
  out.WriteBuffer("abc\0def", 7);
  out.SaveToFile(name);
  EXPECT_EQ(testsupport::ReadBytes(name).size(), 7u);

  rtl::TFileStream file(name, plat::fmOpenRead);
  file.SetPosition(5);  // loading always starts at the beginning of the source
  rtl::TMemoryStream in;
  in.LoadFromStream(file);
  ASSERT_EQ(in.Size(), 7);
  EXPECT_EQ(in.Position(), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(in.Memory()), 7), std::string("abc\0def", 7));
  file.Close();
  testsupport::RemoveTree(dir);
}

}  // namespace
