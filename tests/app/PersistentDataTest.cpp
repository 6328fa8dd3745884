// The patcher state without a dialog: what it takes from the program file and the options,
// the checks of Execute, the extension rule, the instructions file and its deletion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "AppTestSupport.h"
#include "Format.h"
#include "Options.h"
#include "PersistentData.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"

using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::ReadBytes;

namespace {

const char D = plat::kPathDelim;

class PatcherState : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("state"); }
  void TearDown() override {
    apptest::UseCommandLine({});
    testsupport::RemoveTree(dir_);
  }
  // A state over DIR/Fix.exe whose payload names `input` and `output`, with `options`.
  std::unique_ptr<TKMPersistentData> Make(const std::string& input, const std::string& output,
                                          const std::vector<std::string>& options = {}) {
    texts_.inputName = input;
    texts_.outputName = output;
    std::vector<std::string> args{apptest::MakePatcher(dir_, "Fix.exe", texts_)};
    args.insert(args.end(), options.begin(), options.end());
    apptest::UseCommandLine(args);
    return std::make_unique<TKMPersistentData>();
  }
  std::string Target(const std::string& name) {
    testsupport::WriteBytes(dir_ + name, ReadBytes(Fixture("patch_target.exe")));
    return dir_ + name;
  }
  std::string Failure(TKMPersistentData& state) {
    try {
      state.Execute();
    } catch (const rtl::Exception& e) {
      return e.Message();
    }
    return "";
  }

  std::string dir_;
  payload::Texts texts_;
};

TEST(TempDirectory, EndsInADelimiterAndExists) {
  std::string dir = GetTempDirectory();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), plat::kPathDelim);
  EXPECT_TRUE(plat::DirectoryExists(dir));
}

TEST(ApplyDirectoryTest, PutsTheFileNameIntoTheDirectory) {
  const std::string in = std::string("old") + D + "sub" + D + "game.exe";
  struct Case {
    std::string name, dir, expected;
  } cases[] = {
      {in, "", in},
      {in, std::string("new"), std::string("new") + D + "game.exe"},
      {in, std::string("new") + D, std::string("new") + D + "game.exe"},
      {"game.exe", std::string("a.b") + D + "c", std::string("a.b") + D + "c" + D + "game.exe"},
#ifdef _WIN32
      {"C:game.exe", "D:\\x", "D:\\x\\game.exe"},
#endif
  };
  for (const Case& c : cases) {
    std::string name = c.name;
    ApplyDirectory(name, c.dir);
    EXPECT_EQ(name, c.expected) << c.name << " into " << c.dir;
  }
}

TEST_F(PatcherState, TakesBaseNameInstructionsFileAndNamesFromThePatch) {
  auto state = Make("game.exe", std::string("ru") + D + "game.exe");
  EXPECT_EQ(state->BaseName, "Fix");
  EXPECT_EQ(state->InstructionsFile, GetTempDirectory() + "Fix_Instructions.txt");
  EXPECT_EQ(state->LastRange, -1);
  ASSERT_TRUE(state->Patch != nullptr);
  EXPECT_EQ(state->Patch->Author, texts_.author);
  state->Prepare(0);
  EXPECT_EQ(state->InputName, "game.exe");
  EXPECT_EQ(state->OutputName, std::string("ru") + D + "game.exe");
  EXPECT_TRUE(state->Backup);
  EXPECT_EQ(state->Dialog, 0);
}

TEST_F(PatcherState, OptionsChangeBackupAndDirectory) {
  std::string where = dir_ + "apply";
  auto state = Make(std::string("x") + D + "game.exe", std::string("y") + D + "out.exe",
                    {"-nobackup", "/DIR", where});
  state->Prepare(0);
  EXPECT_FALSE(state->Backup);
  EXPECT_EQ(state->InputName, where + D + "game.exe");
  EXPECT_EQ(state->OutputName, where + D + "out.exe");

  // -dir as the last argument: an empty directory leaves the names alone.
  state = Make("game.exe", "out.exe", {"-dir"});
  state->Prepare(0);
  EXPECT_TRUE(OptDir);
  EXPECT_EQ(state->InputName, "game.exe");
}

TEST_F(PatcherState, LoadFailureLeavesTheConstruction) {
  apptest::UseCommandLine({Fixture("patch_target.exe")});
  try {
    TKMPersistentData state;
    FAIL() << "a program without payload was accepted";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(),
              rtl::LoadStr(SInvalidPatchData) + "\r\n(" + rtl::LoadStr(SReadError) + ")");
  }
}

TEST_F(PatcherState, ExecuteRefusesBadNamesBeforeTouchingAnything) {
  std::string game = Target("game.exe");
  struct Case {
    std::string input, output, message;
  } cases[] = {
      {"", "out.exe", rtl::LoadStr(SEnterValidName)},
      {dir_ + "missing.exe", "out.exe", rtl::FormatRes(SFileNotFound, {dir_ + "missing.exe"})},
      {dir_, "out.exe", rtl::FormatRes(SFileNotFound, {dir_})},  // a directory is no file
      {game, "", rtl::LoadStr(SEnterValidName)},
  };
  for (const Case& c : cases) {
    auto state = Make("placeholder.exe", "placeholder.exe");
    state->Prepare(0);
    state->InputName = c.input;
    state->OutputName = c.output;
    std::vector<std::string> before = ListDir(dir_);
    EXPECT_EQ(Failure(*state), c.message) << c.input << " -> " << c.output;
    EXPECT_FALSE(state->Done);
    EXPECT_EQ(ListDir(dir_), before);
  }
}

TEST_F(PatcherState, OutputWithoutAnyDotGetsTheInputsExtension) {
  std::string game = Target("setup.exe");
  std::filesystem::create_directory(dir_ + "tools.old");
  struct Case {
    std::string input, output, written;
  } cases[] = {
      {game, dir_ + "patched", dir_ + "patched.exe"},
      {game, dir_ + "tools.old" + D + "app", dir_ + "tools.old" + D + "app"},
      {Target("plain"), dir_ + "plainout", dir_ + "plainout"},
  };
  for (const Case& c : cases) {
    auto state = Make("x.exe", "y.exe");
    state->Prepare(0);
    state->InputName = c.input;
    state->OutputName = c.output;
    EXPECT_EQ(Failure(*state), "") << c.output;
    EXPECT_TRUE(state->Done);
    EXPECT_EQ(state->OutputName, c.written);
    EXPECT_TRUE(plat::FileExists(c.written)) << c.written;
  }
}

TEST_F(PatcherState, WindowlessExecuteUsesPayloadNamesVersionCheckAndBackup) {
  std::string game = Target("game.exe");
  auto state = Make(game, game, {"-guiless"});
  state->Prepare(0);
  state->SetStatus("ignored without a dialog");
  state->SetProgress(5, 1);
  EXPECT_EQ(state->LastRange, -1) << "no dialog: the sinks do nothing";
  ASSERT_EQ(Failure(*state), "");
  EXPECT_TRUE(state->Done);
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"Fix.exe", "game Backup.exe", "game.exe"}));

  // Another build: refused unless -force.
  testsupport::WriteBytes(game, ReadBytes(Fixture("patch_target_v2.exe")));
  state = Make(game, game, {"-nobackup"});
  state->Prepare(0);
  EXPECT_EQ(Failure(*state),
            rtl::FormatRes(SWhileAction, {rtl::FormatRes(SWrongVersion, {game}),
                                          rtl::FormatRes(SReading, {game})}));
  state = Make(game, game, {"-nobackup", "-force"});
  state->Prepare(0);
  EXPECT_EQ(Failure(*state), "");
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"Fix.exe", "game Backup.exe", "game.exe"}));
}

TEST_F(PatcherState, InstructionsFileIsDeletedWithTheState) {
  auto state = Make("game.exe", "game.exe");
  testsupport::WriteBytes(state->InstructionsFile, {'x'});
  std::string file = state->InstructionsFile;
  state.reset();
  EXPECT_FALSE(plat::FileExists(file));
}

#ifndef _WIN32
// Natively the shell is the desktop's opener: with none on the PATH the error box shows.
TEST_F(PatcherState, ShowInstructionsWritesLinesAndReportsAnOpenerFailure) {
  texts_.instructions = std::string("first\nsecond\r\nthird\rfourth\0hidden", 34);
  auto state = Make("game.exe", "game.exe");
  state->Prepare(0);
  const char* path = std::getenv("PATH");
  std::string savedPath = path != nullptr ? path : "";
  setenv("PATH", "", 1);
  ::testing::internal::CaptureStderr();
  state->ShowInstructions();
  std::string shown = ::testing::internal::GetCapturedStderr();
  setenv("PATH", savedPath.c_str(), 1);
  payload::Bytes text = ReadBytes(state->InstructionsFile);
  EXPECT_EQ(std::string(text.begin(), text.end()), "first\r\nsecond\r\nthird\r\nfourth\r\n");
  EXPECT_EQ(shown, rtl::LoadStr(SErrorCaption) + "\n" +
                       rtl::FormatRes(SErrorShowing, {state->InstructionsFile}) + "\n");

  texts_.instructions.clear();
  state = Make("game.exe", "game.exe");
  state->ShowInstructions();
  EXPECT_FALSE(plat::FileExists(state->InstructionsFile)) << "nothing to show, nothing written";
}
#endif

}  // namespace
