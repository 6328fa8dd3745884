// Saving through a free temporary name and moving the finished file over its target, on
// real files in a scratch directory.
#include <gtest/gtest.h>

#include <filesystem>

#include "Exceptions.h"
#include "MemFormat.h"
#include "TestSupport.h"

using namespace memfmt;
using testsupport::ListDir;
using testsupport::MakeScratchDir;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::WriteBytes;

namespace {

std::vector<std::uint8_t> B(const std::string& s) { return {s.begin(), s.end()}; }

class Files : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeScratchDir("restypes-files"); }
  void TearDown() override { RemoveTree(dir); }
  std::string Content(const std::string& name) {
    auto b = ReadBytes(dir + name);
    return std::string(b.begin(), b.end());
  }
  std::string dir;
};

TEST_F(Files, UniqueFileNameNumbersBeforeTheExtension) {
  EXPECT_EQ(UniqueFileName(dir + "prog.exe"), dir + "prog.exe");
  WriteBytes(dir + "prog.exe", B("0"));
  EXPECT_EQ(UniqueFileName(dir + "prog.exe"), dir + "prog1.exe");
  WriteBytes(dir + "prog1.exe", B("1"));
  EXPECT_EQ(UniqueFileName(dir + "prog.exe"), dir + "prog2.exe");

  WriteBytes(dir + "readme", B("r"));
  EXPECT_EQ(UniqueFileName(dir + "readme"), dir + "readme1");

  std::filesystem::create_directory(dir + "tools.old");
  const std::string inDotted = dir + "tools.old" + plat::kPathDelim + "app";
  WriteBytes(inDotted, B("a"));
  EXPECT_EQ(UniqueFileName(inDotted), inDotted + "1") << "a dot in a directory is no extension";

  std::filesystem::create_directory(dir + "taken.res");
  EXPECT_EQ(UniqueFileName(dir + "taken.res"), dir + "taken1.res")
      << "a directory blocks the name as a file does";
}

TEST_F(Files, SaveToTempFileChoosesAFreeNameNextToTheOutput) {
  WriteBytes(dir + "prog.exe", B("source"));
  auto c = TMemContainer::FromFile(dir + "prog.exe");
  c->rows = {{N(10), N(1), 0, "x"}};

  std::string temp;
  c->SaveToTempFile(dir, temp, nullptr);
  EXPECT_EQ(temp, dir + "prog1.exe");
  c->SaveToTempFile(dir, temp, nullptr);
  EXPECT_EQ(temp, dir + "prog2.exe");
  EXPECT_EQ(c->savedTo, (std::vector<std::string>{dir + "prog1.exe", dir + "prog2.exe"}));

  const std::string other = MakeScratchDir("restypes-other");
  std::string noDelimiter = other.substr(0, other.size() - 1);
  c->SaveToTempFile(noDelimiter, temp, nullptr);
  EXPECT_EQ(temp, other + "prog.exe") << "a directory without its delimiter is joined";
  EXPECT_TRUE(plat::FileExists(temp));
  RemoveTree(other);
}

TEST_F(Files, SaveToTempFileWithAnEmptyDirectoryUsesTheCurrentOne) {
  WriteBytes(dir + "prog.exe", B("source"));
  auto c = TMemContainer::FromFile(dir + "prog.exe");
  const auto saved = std::filesystem::current_path();
  const std::string work = MakeScratchDir("restypes-cwd");
  std::filesystem::current_path(work);
  std::string first, second;
  c->SaveToTempFile("", first, nullptr);
  c->SaveToTempFile("", second, nullptr);
  std::filesystem::current_path(saved);
  EXPECT_EQ(first, "prog.exe");
  EXPECT_EQ(second, "prog1.exe");
  EXPECT_EQ(ListDir(work), (std::vector<std::string>{"prog.exe", "prog1.exe"}));
  RemoveTree(work);
}

TEST_F(Files, SaveToTempFileDeletesWhatAFailedSaveLeft) {
  WriteBytes(dir + "prog.exe", B("source"));
  auto c = TMemContainer::FromFile(dir + "prog.exe");
  c->failSave = true;
  std::string temp;
  try {
    c->SaveToTempFile(dir, temp, nullptr);
    FAIL() << "the save failure must pass on";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "save failed") << "passed on unchanged";
  }
  EXPECT_EQ(temp, dir + "prog1.exe") << "the name was handed back before writing";
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"prog.exe"}));
}

TEST_F(Files, MoveWithBackupPutsTheFileInPlace) {
  WriteBytes(dir + "new.tmp", B("new"));
  EXPECT_TRUE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", true));
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"out.exe"})) << "nothing to back up";
  EXPECT_EQ(Content("out.exe"), "new");
}

TEST_F(Files, MoveWithBackupKeepsEveryEarlierBackup) {
  WriteBytes(dir + "out.exe", B("v1"));
  WriteBytes(dir + "new.tmp", B("v2"));
  EXPECT_TRUE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", true));
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"out Backup.exe", "out.exe"}));
  EXPECT_EQ(Content("out Backup.exe"), "v1");

  WriteBytes(dir + "new.tmp", B("v3"));
  EXPECT_TRUE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", true));
  EXPECT_EQ(ListDir(dir),
            (std::vector<std::string>{"out Backup.exe", "out Backup1.exe", "out.exe"}));
  EXPECT_EQ(Content("out Backup.exe"), "v1");
  EXPECT_EQ(Content("out Backup1.exe"), "v2");
  EXPECT_EQ(Content("out.exe"), "v3");
}

TEST_F(Files, MoveWithoutBackupReplacesTheTarget) {
  WriteBytes(dir + "out.exe", B("old"));
  WriteBytes(dir + "new.tmp", B("new"));
  EXPECT_TRUE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", false));
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"out.exe"}));
  EXPECT_EQ(Content("out.exe"), "new");
}

TEST_F(Files, MoveOfAFileOntoItselfMovesNothing) {
  WriteBytes(dir + "out.exe", B("same"));
  EXPECT_TRUE(MoveWithBackup(dir + "out.exe", dir + "out.exe", true));
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"out.exe"}));
  EXPECT_EQ(Content("out.exe"), "same");
}

TEST_F(Files, MoveOntoATargetThatCannotBeReplacedFailsAndKeepsTheSource) {
  WriteBytes(dir + "new.tmp", B("new"));
#ifdef _WIN32
  // An open container shares the file for reading only: it can be neither deleted nor renamed.
  WriteBytes(dir + "out.exe", B("locked"));
  auto holder = TMemContainer::FromFile(dir + "out.exe");
  for (bool backup : {false, true}) {
    EXPECT_FALSE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", backup)) << backup;
    EXPECT_EQ(Content("new.tmp"), "new");
    EXPECT_EQ(Content("out.exe"), "locked");
  }
#else
  // A non-empty directory in the target's place cannot be deleted or renamed over.
  std::filesystem::create_directory(dir + "out.exe");
  WriteBytes(dir + "out.exe/inside", B("x"));
  for (bool backup : {false, true}) {
    EXPECT_FALSE(MoveWithBackup(dir + "new.tmp", dir + "out.exe", backup)) << backup;
    EXPECT_EQ(Content("new.tmp"), "new");
    EXPECT_TRUE(plat::DirectoryExists(dir + "out.exe"));
  }
#endif
}

// A rename that fails once the old file is out of the way must not lose the old file.
TEST_F(Files, MoveOfAMissingSourceFailsAndKeepsTheOldTarget) {
  WriteBytes(dir + "out.exe", B("old"));
  EXPECT_FALSE(MoveWithBackup(dir + "gone.tmp", dir + "out.exe", false));
  EXPECT_EQ(ListDir(dir), (std::vector<std::string>{"out.exe"}));
  EXPECT_EQ(Content("out.exe"), "old");
}

}  // namespace
