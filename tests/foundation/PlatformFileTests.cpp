// File services of the platform layer, on real files in a scratch directory. Both
// backends must agree: mappings outlive their handles, moves never replace a target,
// directories are not files, full names are made without the file existing.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "Platform.h"
#include "Streams.h"
#include "TestSupport.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

class PlatformFiles : public testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("platform"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }
  std::string dir_;
};

TEST_F(PlatformFiles, MappedViewOutlivesFileAndMappingHandles) {
  std::string name = dir_ + "mapped.bin";
  WriteBytes(name, {'M', 'Z', 1, 2, 3});
  plat::Handle file = plat::OpenFileForRead(name);
  ASSERT_NE(file, plat::kInvalidHandle);
  EXPECT_EQ(plat::GetFileSize32(file), 5u);
  plat::Handle mapping = plat::CreateReadOnlyMapping(file);
  ASSERT_NE(mapping, plat::kNoHandle);
  const void* view = plat::MapWholeView(mapping);
  ASSERT_NE(view, nullptr);
  plat::CloseHandle(mapping);
  plat::CloseHandle(file);
  EXPECT_EQ(std::memcmp(view, "MZ\1\2\3", 5), 0);
  plat::UnmapView(view);
}

TEST_F(PlatformFiles, FailedOpensAndMappingsAreReported) {
  EXPECT_EQ(plat::OpenFileForRead(dir_ + "missing.exe"), plat::kInvalidHandle);
  std::string empty = dir_ + "empty.bin";
  WriteBytes(empty, {});
  plat::Handle file = plat::OpenFileForRead(empty);
  ASSERT_NE(file, plat::kInvalidHandle);
  EXPECT_EQ(plat::GetFileSize32(file), 0u);
  EXPECT_EQ(plat::CreateReadOnlyMapping(file), plat::kNoHandle);  // nothing to map
  plat::CloseHandle(file);
  EXPECT_EQ(plat::MapWholeView(plat::kNoHandle), nullptr);
  plat::CloseHandle(plat::kNoHandle);  // harmless, as is closing the failed-open value
  plat::CloseHandle(plat::kInvalidHandle);
}

TEST_F(PlatformFiles, OpenForReadLetsOthersRead) {
  std::string name = dir_ + "shared.bin";
  WriteBytes(name, {7, 8, 9});
  plat::Handle first = plat::OpenFileForRead(name);
  ASSERT_NE(first, plat::kInvalidHandle);
  plat::Handle second = plat::OpenFileForRead(name);
  EXPECT_NE(second, plat::kInvalidHandle);
  plat::CloseHandle(second);
  plat::CloseHandle(first);
}

TEST_F(PlatformFiles, WriteOnlyFileCannotBeRead) {
  std::string name = dir_ + "wo.bin";
  WriteBytes(name, {1, 2, 3});
  rtl::TFileStream f(name, plat::fmOpenWrite | plat::fmShareDenyNone);
  std::uint8_t b[3];
  EXPECT_EQ(f.Read(b, 3), 0);
  f.WriteBuffer("x", 1);
  f.Close();
  EXPECT_EQ(ReadBytes(name), (std::vector<std::uint8_t>{'x', 2, 3}));
}

TEST_F(PlatformFiles, MoveNeverReplacesAnExistingTarget) {
  std::string from = dir_ + "new.exe";
  std::string to = dir_ + "old.exe";
  WriteBytes(from, {'n'});
  WriteBytes(to, {'o'});
  EXPECT_FALSE(plat::MoveFile(from, to));
  EXPECT_EQ(ReadBytes(to), std::vector<std::uint8_t>{'o'});
  EXPECT_EQ(ReadBytes(from), std::vector<std::uint8_t>{'n'});

  ASSERT_TRUE(plat::DeleteFile(to));
  EXPECT_FALSE(plat::FileExists(to));
  EXPECT_TRUE(plat::MoveFile(from, to));
  EXPECT_FALSE(plat::FileExists(from));
  EXPECT_EQ(ReadBytes(to), std::vector<std::uint8_t>{'n'});
  EXPECT_FALSE(plat::MoveFile(from, dir_ + "other.exe"));  // the source is gone
  EXPECT_FALSE(plat::DeleteFile(from));
}

TEST_F(PlatformFiles, DirectoriesAreNotFiles) {
  std::string sub = dir_ + "sub.exe";
  std::filesystem::create_directory(sub);
  EXPECT_FALSE(plat::FileExists(sub));
  EXPECT_TRUE(plat::DirectoryExists(sub));
  EXPECT_FALSE(plat::DeleteFile(sub));
  EXPECT_TRUE(plat::DirectoryExists(sub));
  EXPECT_EQ(plat::OpenFileForRead(sub), plat::kInvalidHandle);
  std::string file = dir_ + "file.txt";
  WriteBytes(file, {'x'});
  EXPECT_TRUE(plat::FileExists(file));
  EXPECT_FALSE(plat::DirectoryExists(file));
  EXPECT_FALSE(plat::FileExists(""));
}

TEST_F(PlatformFiles, TempPathEndsInADelimiterAndExists) {
  char buffer[300] = {};
  std::uint32_t n = plat::GetTempPath(sizeof buffer, buffer);
  ASSERT_GT(n, 0u);
  ASSERT_LT(n, sizeof buffer);
  EXPECT_EQ(std::strlen(buffer), n);
  EXPECT_TRUE(plat::IsPathDelimiter(buffer[n - 1]));
  EXPECT_TRUE(plat::DirectoryExists(buffer));
  char tiny[2] = {};
  EXPECT_EQ(plat::GetTempPath(sizeof tiny, tiny), n + 1);  // the size it needs
}

TEST_F(PlatformFiles, FullPathNameResolvesDotsWithoutTheFileExisting) {
  const char d = plat::kPathDelim;
  std::string messy = dir_ + "." + d + "gone" + d + ".." + d + "later.exe";
  char buffer[400] = {};
  std::uint32_t n = plat::GetFullPathName(messy, sizeof buffer, buffer);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(std::string(buffer, n), dir_ + "later.exe");

  char small[4] = {};
  EXPECT_EQ(plat::GetFullPathName(messy, sizeof small, small), n + 1);

  // A relative name is taken in the current directory.
  n = plat::GetFullPathName("rel.txt", sizeof buffer, buffer);
  ASSERT_GT(n, 0u);
  std::string cwd = std::filesystem::current_path().string();
  if (!plat::IsPathDelimiter(cwd.back())) cwd += d;
  EXPECT_EQ(std::string(buffer, n), cwd + "rel.txt");
}

TEST_F(PlatformFiles, ShortPathNameNeedsAnExistingPath) {
  std::string name = dir_ + "present.bin";
  WriteBytes(name, {1});
  char buffer[400] = {};
  EXPECT_GT(plat::GetShortPathName(name, buffer, sizeof buffer), 0u);
  EXPECT_TRUE(plat::FileExists(buffer));
  EXPECT_EQ(plat::GetShortPathName(dir_ + "absent.bin", buffer, sizeof buffer), 0u);
}

TEST(PlatformPaths, FileNameAndPathSplitAtTheLastDelimiter) {
  const std::string d(1, plat::kPathDelim);
  std::string path = "top" + d + "dir.d" + d + "app.exe";
  EXPECT_EQ(plat::ExtractFileName(path), "app.exe");
  EXPECT_EQ(plat::ExtractFilePath(path), "top" + d + "dir.d" + d);
  EXPECT_EQ(plat::ExtractFileName("plain"), "plain");
  EXPECT_EQ(plat::ExtractFilePath("plain"), "");
  EXPECT_EQ(plat::ExtractFileName("dir" + d), "");
#ifdef _WIN32
  EXPECT_EQ(plat::ExtractFileName("C:app.exe"), "app.exe");
  EXPECT_EQ(plat::ExtractFilePath("C:/dir/app.exe"), "C:/dir/");
#endif
}

}  // namespace
