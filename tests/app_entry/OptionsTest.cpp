// The command-line options: both prefixes, any ASCII letter case, dir taking the next
// argument (and that argument still being tested for the help words), and everything
// else ignored.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Options.h"
#include "Platform.h"

namespace {

struct Flags {
  bool force, guiless, quiet, autoStart, noBackup, dir, help;
  bool operator==(const Flags& o) const {
    return force == o.force && guiless == o.guiless && quiet == o.quiet &&
           autoStart == o.autoStart && noBackup == o.noBackup && dir == o.dir && help == o.help;
  }
};

std::ostream& operator<<(std::ostream& out, const Flags& f) {
  return out << "force=" << f.force << " guiless=" << f.guiless << " quiet=" << f.quiet
             << " auto=" << f.autoStart << " nobackup=" << f.noBackup << " dir=" << f.dir
             << " help=" << f.help;
}

Flags Current() {
  return {OptForce, OptGuiless, OptQuiet, OptAuto, OptNoBackup, OptDir, OptHelp};
}

struct Case {
  std::vector<std::string> args;  // after argument 0
  Flags want;
  std::string dirValue;
};

//                 force  gui    quiet  auto   noback dir    help
constexpr Flags kNone{false, false, false, false, false, false, false};
constexpr Flags kForce{true, false, false, false, false, false, false};
constexpr Flags kGuiless{false, true, false, true, false, false, false};
constexpr Flags kQuiet{false, false, true, false, false, false, false};
constexpr Flags kAuto{false, false, false, true, false, false, false};
constexpr Flags kNoBackup{false, false, false, false, true, false, false};
constexpr Flags kDir{false, false, false, false, false, true, false};
constexpr Flags kHelp{false, false, false, false, false, false, true};

class ParseOptionsTest : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    // Every flag set beforehand: ParseOptions must clear what the arguments do not set.
    OptForce = OptGuiless = OptQuiet = OptAuto = OptNoBackup = OptDir = OptHelp = true;
    OptDirValue.clear();
  }
  void TearDown() override { plat::SetArguments({}); }
};

TEST_P(ParseOptionsTest, SetsFlagsOfTheOptionWords) {
  const Case& c = GetParam();
  std::vector<std::string> args{"C:\\Tools\\Fix.exe"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  plat::SetArguments(args);
  ParseOptions();
  EXPECT_EQ(Current(), c.want);
  EXPECT_EQ(OptDirValue, c.dirValue);
}

Flags With(Flags f, Flags g) {
  return {f.force || g.force, f.guiless || g.guiless, f.quiet || g.quiet,
          f.autoStart || g.autoStart, f.noBackup || g.noBackup, f.dir || g.dir,
          f.help || g.help};
}

INSTANTIATE_TEST_SUITE_P(
    Words, ParseOptionsTest,
    ::testing::Values(
        Case{{}, kNone, ""},
        Case{{"-force"}, kForce, ""},
        Case{{"/FORCE"}, kForce, ""},
        Case{{"-FoRcE"}, kForce, ""},
        Case{{"-guiless"}, kGuiless, ""},  // guiless implies auto
        Case{{"/GUILESS"}, kGuiless, ""},
        Case{{"/quiet"}, kQuiet, ""},
        Case{{"-Auto"}, kAuto, ""},
        Case{{"/NoBackup"}, kNoBackup, ""},
        Case{{"-dir", "C:\\Games\\Old Game"}, kDir, "C:\\Games\\Old Game"},
        Case{{"/DIR", "D:"}, kDir, "D:"},
        Case{{"/HELP"}, kHelp, ""},
        Case{{"-Help"}, kHelp, ""},
        Case{{"/h"}, kHelp, ""},
        Case{{"-H"}, kHelp, ""},
        Case{{"-?"}, kHelp, ""},
        Case{{"/?"}, kHelp, ""},
        Case{{"-force", "-force", "/force"}, kForce, ""},
        Case{{"-help", "-guiless", "-force"}, With(kHelp, With(kGuiless, kForce)), ""},
        Case{{"-quiet", "-auto", "-nobackup"}, With(kQuiet, With(kAuto, kNoBackup)), ""}));

INSTANTIATE_TEST_SUITE_P(
    Dir, ParseOptionsTest,
    ::testing::Values(
        // dir as the last argument: set, with an empty directory.
        Case{{"-dir"}, kDir, ""},
        // The directory is the next argument whatever it looks like; the help words are
        // still tested on it, the other words are not.
        Case{{"-dir", "-h"}, With(kDir, kHelp), "-h"},
        Case{{"-dir", "/?"}, With(kDir, kHelp), "/?"},
        Case{{"-dir", "-force"}, kDir, "-force"},
        Case{{"-dir", "-guiless"}, kDir, "-guiless"},
        Case{{"-dir", "-dir"}, kDir, "-dir"},
        // Arguments after the directory are options again; a later dir wins.
        Case{{"-dir", "a", "-quiet"}, With(kDir, kQuiet), "a"},
        Case{{"-dir", "a", "/dir", "b"}, kDir, "b"},
        Case{{"-force", "-dir"}, With(kForce, kDir), ""}));

INSTANTIATE_TEST_SUITE_P(
    Ignored, ParseOptionsTest,
    ::testing::Values(
        Case{{"+force", "force", "\\force", "*force"}, kNone, ""},
        Case{{"-forced", "--force", "-force=1", "-forc", "-f", "- force", "-force "}, kNone, ""},
        Case{{"--help", "-help!", "help", "-", "/", "", "-?-"}, kNone, ""},
        Case{{"-guilessquiet", "-auto-quiet", "-nobackups", "-dirs", "x"}, kNone, ""},
        // Only ASCII letters fold: a dotted capital I (UTF-8, code page 1254) is no 'i'.
        Case{{"-GU\xC4\xB0LESS", "-GU\xDDLESS"}, kNone, ""},
        Case{{"readme.txt", "C:\\game.exe"}, kNone, ""}));

TEST(MatchOptionTest, NeverClearsAFlag) {
  plat::SetArguments({"prog", "-quiet"});
  bool flag = true;
  EXPECT_FALSE(MatchOption(1, "force", flag));
  EXPECT_TRUE(flag);
  EXPECT_TRUE(MatchOption(1, "QUIET", flag));  // the word is compared without case too
  EXPECT_TRUE(flag);
  bool other = false;
  EXPECT_FALSE(MatchOption(1, "quie", other));
  EXPECT_FALSE(other);
  plat::SetArguments({});
}

TEST(MatchOptionTest, AnArgumentBeyondTheCommandLineMatchesNothing) {
  plat::SetArguments({"prog", "-dir"});
  bool flag = false;
  EXPECT_FALSE(MatchOption(2, "help", flag));
  EXPECT_FALSE(MatchOption(-1, "help", flag));
  EXPECT_FALSE(flag);
  plat::SetArguments({});
}

TEST(ParseOptionsDirValueTest, SurvivesACommandLineWithoutDir) {
  // ParseOptions leaves the directory alone unless a dir option sets it; with dir as the
  // last argument it becomes empty.
  OptDirValue = "kept";
  plat::SetArguments({"prog", "-force"});
  ParseOptions();
  EXPECT_EQ(OptDirValue, "kept");
  plat::SetArguments({"prog", "-dir"});
  ParseOptions();
  EXPECT_TRUE(OptDir);
  EXPECT_EQ(OptDirValue, "");
  plat::SetArguments({});
}

}  // namespace
