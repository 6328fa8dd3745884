// The entry sequence as the user meets it: which box a command line shows, that the
// patcher state is gone afterwards, and the exit code 0 whatever happens. The program
// file here (the test itself) carries no payload, as a damaged patcher would not.
//
// Natively a message box is written to stderr, so the boxes are read from there. Under
// Wine a box waits for a user, so the Windows build makes only the runs that show none;
// tests/app_entry/gui_help.sh shows the real boxes of zedevaviz.exe.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Entry.h"
#include "Options.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {

std::string OwnProgram() {
  plat::SetArguments({});
  return plat::ParamStr(0);
}

struct Outcome {
  int exitCode;
  std::string shown;  // the boxes, each as caption, LF, text, LF
};

Outcome RunWith(const std::vector<std::string>& args) {
  std::vector<std::string> all{OwnProgram()};
  all.insert(all.end(), args.begin(), args.end());
  plat::SetArguments(all);
  ::testing::internal::CaptureStderr();
  const int code = RunZedevaviz();
  Outcome outcome{code, ::testing::internal::GetCapturedStderr()};
  plat::SetArguments({});
  return outcome;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
    if (end == std::string::npos) return lines;
    start = end + 2;
  }
}

TEST(HelpTextTest, HasItsTenLines) {
  const std::vector<std::string> lines = SplitLines(rtl::LoadStr(SHelpText));
  ASSERT_EQ(lines.size(), 10u) << "no line end after the last line, CR LF between lines";
  const std::string first = "Zedevavizs are created with Vandolin, ";
  ASSERT_EQ(lines[0].compare(0, first.size(), first), 0) << lines[0];
  const std::string address = lines[0].substr(first.size());
  EXPECT_NE(address.find("://"), std::string::npos) << "a web address ends the first line";
  EXPECT_EQ(address.find(' '), std::string::npos);
  EXPECT_EQ(lines[1], "command line arguments:");
  EXPECT_EQ(lines[2], "-force:   do not check that the right executable is being patched");
  EXPECT_EQ(lines[3], "-guiless: do not display main window - patch the file automatically");
  EXPECT_EQ(lines[4], std::string(15, ' ') + "(-auto implicit, but displays error messages)");
  EXPECT_EQ(lines[5], "-quiet:   do not display error messages");
  EXPECT_EQ(lines[6], "-auto:    automatically start patching, exit after patching");
  EXPECT_EQ(lines[7], "-dir <dir>: input and output directory where to apply the patch");
  EXPECT_EQ(lines[8], "-nobackup: do not create backups of original exe files");
  EXPECT_EQ(lines[9],
            "-help:     display help dialog (will not patch anything and ignore other options)");
}

// Runs that show no box at all, so they run under Wine too.
class QuietRunTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(QuietRunTest, ShowsNothingAndExitsWithZero) {
  const Outcome outcome = RunWith(GetParam());
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.shown, "");
  EXPECT_EQ(PersistentData, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    DamagedPayload, QuietRunTest,
    ::testing::Values(std::vector<std::string>{"-quiet"},
                      std::vector<std::string>{"-guiless", "-quiet"},
                      std::vector<std::string>{"/QUIET", "-auto"},
                      std::vector<std::string>{"-quiet", "-force", "-nobackup", "-dir", "x"}));

#ifndef _WIN32

std::string Box(const std::string& caption, const std::string& text) {
  return caption + "\n" + text + "\n";
}

std::size_t Count(const std::string& text, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++n;
  return n;
}

// Help mode shows only the help box, whatever else the command line says, also with
// -quiet, and without reading the (here missing) payload.
class HelpRunTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(HelpRunTest, ShowsOnlyTheHelpBox) {
  const Outcome outcome = RunWith(GetParam());
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_EQ(outcome.shown, Box("Zedevaviz Help", rtl::LoadStr(SHelpText)));
  EXPECT_EQ(PersistentData, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Words, HelpRunTest,
    ::testing::Values(std::vector<std::string>{"/HELP"}, std::vector<std::string>{"-Help"},
                      std::vector<std::string>{"/h"}, std::vector<std::string>{"-?"},
                      std::vector<std::string>{"-help", "-guiless", "-force"},
                      std::vector<std::string>{"-help", "-quiet"},
                      std::vector<std::string>{"-quiet", "-guiless", "/?"},
                      std::vector<std::string>{"-dir", "-h"}));

// Every other start needs the payload; without one the top-level handler shows exactly
// one error box, with no owner and the loader's message, in dialog and window-less mode.
class DamagedPayloadRunTest : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(DamagedPayloadRunTest, ShowsOneErrorBox) {
  const Outcome outcome = RunWith(GetParam());
  EXPECT_EQ(outcome.exitCode, 0);
  const std::string start = "Ошибка\nInvalid patch data. \r\nPlease contact ";
  EXPECT_EQ(outcome.shown.compare(0, start.size(), start), 0) << outcome.shown;
  EXPECT_EQ(Count(outcome.shown, "Ошибка\n"), 1u) << outcome.shown;
  EXPECT_EQ(Count(outcome.shown, "Zedevaviz Help"), 0u) << outcome.shown;
  EXPECT_EQ(PersistentData, nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, DamagedPayloadRunTest,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"-guiless"},
                      std::vector<std::string>{"-auto"}, std::vector<std::string>{"-force"},
                      std::vector<std::string>{"-nobackup", "-dir", "/tmp"},
                      std::vector<std::string>{"-dir", "-quiet"},  // the directory is -quiet
                      std::vector<std::string>{"+quiet", "quiet", "--quiet"}));

#endif  // _WIN32

}  // namespace
