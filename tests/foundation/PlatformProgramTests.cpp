// Program services: arguments, the command-line rule, the clock, the shell.
#include <gtest/gtest.h>

#include <ctime>

#include "Platform.h"

namespace {

TEST(PlatformProgram, ArgumentsCanBeReplacedAndRestored) {
  plat::SetArguments({"C:\\x\\patch.exe", "-force", "two words"});
  EXPECT_EQ(plat::ParamCount(), 2);
  EXPECT_EQ(plat::ParamStr(0), "C:\\x\\patch.exe");
  EXPECT_EQ(plat::ParamStr(2), "two words");
  EXPECT_EQ(plat::ParamStr(3), "");
  EXPECT_EQ(plat::ParamStr(-1), "");

  plat::SetArguments({});
  std::string self = plat::ParamStr(0);
  EXPECT_TRUE(plat::FileExists(self)) << self;
  EXPECT_NE(plat::ExtractFileName(self).find("foundation_tests"), std::string::npos) << self;
  EXPECT_GE(plat::ParamCount(), 0);
}

TEST(PlatformProgram, CommandLineSplitsAtBlanksAndGroupsQuotes) {
  struct Case {
    const char* line;
    std::vector<std::string> args;
  };
  const Case cases[] = {
      {"prog.exe -force  /quiet", {"prog.exe", "-force", "/quiet"}},
      {"\"C:\\Program Files\\p.exe\" -dir \"C:\\my dir\"",
       {"C:\\Program Files\\p.exe", "-dir", "C:\\my dir"}},
      {"p a\"b c\"d", {"p", "ab cd"}},     // quotes inside an argument group too
      {"p \"\" x", {"p", "x"}},            // an empty quoted argument is skipped
      {"p \"open", {"p", "open"}},         // an unclosed quote runs to the end
      {"\tp\t-h\r\n", {"p", "-h"}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(plat::SplitCommandLine(c.line), c.args) << c.line;
  EXPECT_TRUE(plat::SplitCommandLine(nullptr).empty());
}

TEST(PlatformProgram, UnixTimeIsUtcSeconds) {
  std::int64_t before = static_cast<std::int64_t>(std::time(nullptr));
  std::int64_t now = plat::UnixTimeNow();
  std::int64_t after = static_cast<std::int64_t>(std::time(nullptr));
  EXPECT_GE(now, before - 1);
  EXPECT_LE(now, after + 1);
}

TEST(PlatformProgram, ShellOpenOfAMissingFileFails) {
  std::intptr_t result = plat::ShellOpen(0, "Z:\\no\\such\\dir\\nothing_Instructions.txt", 1);
  EXPECT_LE(result, 32);
#ifndef _WIN32
  EXPECT_EQ(plat::ShellOpen(0, "/no/such/dir/nothing_Instructions.txt", 1), 2);
#endif
}

#ifndef _WIN32
TEST(PlatformProgram, MessageBoxWritesCaptionAndTextToTheTerminal) {
  testing::internal::CaptureStderr();
  int answer = plat::MessageBox(0, "Corrupt resource.", "Error", plat::MB_OK | plat::MB_ICONERROR);
  std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, 1);
  EXPECT_EQ(written, "Error\nCorrupt resource.\n");
}
#endif

}  // namespace
