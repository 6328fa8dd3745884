// File-name rules: extensions, backup names next to real files, the move to a backup and
// the same-file test. Paths are built with the backend's delimiter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "Platform.h"
#include "TestSupport.h"
#include "UResTool.h"

namespace {

using testsupport::ReadBytes;
using testsupport::WriteBytes;

const std::string D(1, plat::kPathDelim);

TEST(FileNameRules, ExtensionIsRemovedOnlyFromTheFileName) {
  struct Case {
    std::string name;
    std::string stem;
  };
  const Case cases[] = {
      {"top" + D + "dir" + D + "app.exe", "top" + D + "dir" + D + "app"},
      {"top" + D + "dir.d" + D + "app", "top" + D + "dir.d" + D + "app"},
      {"app.tar.gz", "app.tar"},
      {".profile", ".profile"},  // a leading dot is not an extension
      {"a.", "a"},
      {"", ""},
      {"dir.d" + D, "dir.d" + D},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RemoveFileExt(c.name), c.stem) << c.name;
    // The extension is exactly what was removed.
    EXPECT_EQ(RemoveFileExt(c.name) + ExtractFileExt(c.name), c.name) << c.name;
  }
  EXPECT_EQ(ExtractFileExt("top" + D + "app.EXE"), ".EXE");
}

class FileNameFiles : public testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("filenames"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }
  std::string dir_;
};

TEST_F(FileNameFiles, BackupNameKeepsTheFolderAndExtension) {
  EXPECT_EQ(BackupFileName(dir_ + "readme"), dir_ + "readme Backup");
  std::string folder = dir_ + "tools.old" + D;
  std::filesystem::create_directory(folder);
  EXPECT_EQ(BackupFileName(folder + "readme"), folder + "readme Backup");
  EXPECT_EQ(BackupFileName(dir_ + "app.exe"), dir_ + "app Backup.exe");
}

TEST_F(FileNameFiles, BackupNameSkipsTakenNames) {
  WriteBytes(dir_ + "app.exe", {1});
  WriteBytes(dir_ + "app Backup.exe", {2});
  WriteBytes(dir_ + "app Backup1.exe", {3});
  EXPECT_EQ(BackupFileName(dir_ + "app.exe"), dir_ + "app Backup2.exe");
  // A directory of the candidate's name is taken too: the move could not go there.
  std::filesystem::create_directory(dir_ + "app Backup2.exe");
  EXPECT_EQ(BackupFileName(dir_ + "app.exe"), dir_ + "app Backup3.exe");
}

TEST_F(FileNameFiles, MoveToBackupRenamesAndReportsTheNewName) {
  std::string name = dir_ + "target.exe";
  WriteBytes(name, {'o', 'l', 'd'});
  WriteBytes(dir_ + "target Backup.exe", {'x'});
  std::string moved = name;
  ASSERT_TRUE(MoveToBackup(moved));
  EXPECT_EQ(moved, dir_ + "target Backup1.exe");
  EXPECT_FALSE(plat::FileExists(name));
  EXPECT_EQ(ReadBytes(moved), (std::vector<std::uint8_t>{'o', 'l', 'd'}));
  EXPECT_EQ(ReadBytes(dir_ + "target Backup.exe"), std::vector<std::uint8_t>{'x'});

  std::string missing = dir_ + "missing.exe";
  std::string unchanged = missing;
  EXPECT_FALSE(MoveToBackup(unchanged));
  EXPECT_EQ(unchanged, missing);
  EXPECT_EQ(testsupport::ListDir(dir_),
            (std::vector<std::string>{"target Backup.exe", "target Backup1.exe"}));
}

TEST_F(FileNameFiles, SameFileComparesResolvedNames) {
  std::string name = dir_ + "Same.exe";
  WriteBytes(name, {1});
  WriteBytes(dir_ + "other.exe", {1});
  std::filesystem::create_directory(dir_ + "sub");
  EXPECT_TRUE(SameFile(name, name));
  EXPECT_TRUE(SameFile(name, dir_ + "." + D + "sub" + D + ".." + D + "Same.exe"));
  EXPECT_FALSE(SameFile(name, dir_ + "other.exe"));
  EXPECT_FALSE(SameFile(dir_ + "none.exe", dir_ + "none.exe"));
  EXPECT_FALSE(SameFile(dir_ + "sub", dir_ + "sub"));  // directories are not files

  std::string shortForm = ShortPathName(name);
  ASSERT_FALSE(shortForm.empty());
  EXPECT_TRUE(SameFile(name, shortForm));
  EXPECT_EQ(ShortPathName(dir_ + "none.exe"), "");

  std::string upper = name;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
#ifdef _WIN32
  EXPECT_TRUE(SameFile(name, upper));  // Windows names are not case-sensitive
#else
  EXPECT_FALSE(SameFile(name, upper));  // a different name that does not exist here
#endif
}

}  // namespace
