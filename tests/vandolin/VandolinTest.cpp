// The vandolin program run as a user runs it, on the windres fixtures: its help and
// version, the listing, exporting one resource, merging images, and its failures (a
// message on stderr, a non-zero exit status and no file written).
#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "Format.h"
#include "RunProgram.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "TreeRows.h"
#include "UResTool.h"

using namespace resfiletest;
using vandolintest::RunProgram;
using vandolintest::RunResult;

namespace {

const std::string& Vandolin() {
  static const std::string path = testsupport::NativePath(VANDOLIN_EXE);
  return path;
}

RunResult RunVandolin(const std::vector<std::string>& args) { return RunProgram(Vandolin(), args); }

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The language column: the system's name of the language and its identifier.
std::string Lang(std::uint16_t id) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", id);
  std::string name = LanguageName(id);
  return name.empty() ? std::string("0x") + hex : name + " (0x" + hex + ")";
}

std::string Line(const std::string& type, const std::string& name, std::uint16_t lang,
                 int size, const std::string& description) {
  return type + "\t" + name + "\t" + Lang(lang) + "\t" + std::to_string(size) + "\t" +
         description;
}

// `vandolin list resfile_basic.res`, line by line.
std::vector<std::string> BasicListing() {
  return {
      Line("MYTYPE", "CONFIG", 0x409, 5, "Text"),
      Line("Single Icon", "1", 0x409, 176, "Single Icon"),
      Line("Single Icon", "2", 0x409, 304, "Single Icon"),
      Line("Menu", "200", 0x409, 56, "Menu"),
      Line("Dialog", "100", 0x409, 192, "Dialog"),
      Line("Dialog", "100", 0x419, 200, "Dialog"),
      Line("String", "1", 0x409, 54, "String"),
      Line("String", "1", 0x419, 56, "String"),
      Line("String", "2", 0x409, 50, "String"),
      Line("RCData", "GREETING", 0x407, 6, "Text"),
      Line("RCData", "GREETING", 0x409, 5, "Text"),
      Line("RCData", "GREETING", 0x419, 12, "Text"),
      Line("RCData", Ansi(u"Данные"), 0x419, 28, "Text"),
      Line("Icon", "1", 0x409, 34, "Icon"),
      Line("Version", "1", 0x409, 324, "Version"),
      Line("300", "7", 0x409, 13, "Text"),
  };
}

// The same after merging resfile_patch.res into it.
std::vector<std::string> MergedListing() {
  std::vector<std::string> lines = BasicListing();
  lines[6] = Line("String", "1", 0x409, 72, "String");
  lines[10] = Line("RCData", "GREETING", 0x409, 14, "Text");
  lines.insert(lines.begin() + 12, Line("RCData", "GREETING", 0x40C, 7, "Text"));
  lines.insert(lines.begin() + 14, Line("RCData", "EXTRA", 0x409, 5, "Text"));
  lines.push_back(Line("NEWTYPE", "ITEM", 0x409, 3, "Text"));
  return lines;
}

std::string ErrorLine(const std::string& message) { return "vandolin: " + message + "\n"; }

class VandolinRun : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("vandolin"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }
  // A copy of a fixture in the scratch directory.
  std::string Copy(const std::string& fixture, const std::string& as) {
    testsupport::WriteBytes(dir_ + as, testsupport::ReadBytes(testsupport::Fixture(fixture)));
    return dir_ + as;
  }
  std::string dir_;
};

}  // namespace

TEST(Vandolin, VersionAndHelp) {
  RunResult version = RunVandolin({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, std::string("vandolin ") + ZED_VERSION + "\n");

  RunResult help = RunVandolin({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* command : {"list", "export", "merge"}) {
    EXPECT_NE(help.out.find(std::string("  ") + command + " "), std::string::npos) << command;
    RunResult own = RunVandolin({command, "--help"});
    EXPECT_EQ(own.status, 0) << command;
    EXPECT_EQ(own.out.rfind(std::string("usage: vandolin ") + command, 0), 0u) << own.out;
    EXPECT_EQ(own.err, "");
  }

  struct Misuse {
    std::vector<std::string> args;
    const char* says;
  };
  const std::string res = testsupport::Fixture("resfile_basic.res");
  for (const Misuse& m : std::vector<Misuse>{
           {{}, "usage: vandolin COMMAND"},
           {{"frobnicate"}, "unknown command 'frobnicate'"},
           {{"list"}, "expected one FILE"},
           {{"list", res, "--colour"}, "unknown option --colour"},
           {{"export", res, "Dialog", "100"}, "no output file given"},
           {{"export", res, "Dialog", "100", "-o"}, "option -o needs a value"},
           {{"export", res, "Dialog", "100", "nine", "-o", "x"}, "LANG nine is not a 16-bit number"},
           {{"export", res, "Dialog", "100", "--format", "png", "-o", "x"}, "unknown format png"},
           {{"merge", res, "-o", "x"}, "expected TARGET and PATCH"},
       }) {
    RunResult r = RunVandolin(m.args);
    EXPECT_EQ(r.status, 2) << m.says;
    EXPECT_NE(r.err.find(m.says), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
}

TEST(Vandolin, ListShowsEveryResourceOfTheScript) {
  RunResult r = RunVandolin({"list", testsupport::Fixture("resfile_basic.res")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(r.out), BasicListing());
  EXPECT_EQ(r.err, "");
}

TEST_F(VandolinRun, ExportResImagesReadBackToTheSameBytes) {
  const std::string basic = testsupport::Fixture("resfile_basic.res");
  auto source = TResResFile::CreateFromFile(basic);
  std::vector<LeafRow> rows = Rows(*source->GetRootList());
  struct Case {
    std::vector<std::string> what;  // TYPE NAME [LANG]
    std::size_t row;                // the leaf it names in the tree order
  };
  for (const Case& c : std::vector<Case>{
           {{"String", "1", "0x0419"}, 7},
           {{"6", "1", "1049"}, 7},
           {{"string", "2"}, 8},
           {{"dialog", "100", "0x409"}, 4},
           {{"Version", "1"}, 14},
           {{"MyType", "config"}, 0},
           {{"RCDATA", Ansi(u"Данные")}, 12},
           {{"RCData", "Greeting"}, 9},  // several languages: the first
           {{"300", "7", "0x0409"}, 15},
       }) {
    SCOPED_TRACE(c.what[0] + " " + c.what[1]);
    std::vector<std::string> args = {"export", basic};
    args.insert(args.end(), c.what.begin(), c.what.end());
    args.insert(args.end(), {"--format", "res", "-o", dir_ + "one.res"});
    RunResult r = RunVandolin(args);
    ASSERT_EQ(r.status, 0) << r.err;
    auto back = TResResFile::CreateFromFile(dir_ + "one.res");
    EXPECT_EQ(Rows(*back->GetRootList()), std::vector<LeafRow>{rows[c.row]});
  }
  EXPECT_EQ(testsupport::ListDir(dir_), std::vector<std::string>{"one.res"});
}

TEST_F(VandolinRun, ExportFormats) {
  const std::string basic = testsupport::Fixture("resfile_basic.res");
  const std::string out = dir_ + "out.bin";
  auto exported = [&](std::vector<std::string> args) {
    std::vector<std::string> all = {"export", basic};
    all.insert(all.end(), args.begin(), args.end());
    all.insert(all.end(), {"-o", out});
    RunResult r = RunVandolin(all);
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::uint8_t> bytes = testsupport::ReadBytes(out);
    return std::string(bytes.begin(), bytes.end());
  };
  // Text data's first format is txt: the bytes as they are.
  EXPECT_EQ(exported({"RCData", "GREETING", "0x407"}), "Hallo!");
  EXPECT_EQ(exported({"RCData", "GREETING", "1033", "--format", "raw"}), "Hello");
  EXPECT_EQ(exported({"MYTYPE", "CONFIG", "--format=dcr"}), "x1234");
  // Binary data's first format is res: a one-resource image.
  std::string image = exported({"Menu", "200"});
  EXPECT_EQ(image.size(), 32u + 32u + 56u);
  EXPECT_EQ(image.substr(0, 8), std::string("\0\0\0\0\x20\0\0\0", 8));
  // An existing output is replaced, and no temporary file stays behind.
  EXPECT_EQ(testsupport::ListDir(dir_), std::vector<std::string>{"out.bin"});
}

TEST_F(VandolinRun, MergeReplacesAndAdds) {
  const std::string target = Copy("resfile_basic.res", "target.res");
  const std::vector<std::uint8_t> targetBytes = testsupport::ReadBytes(target);
  const std::string patch = testsupport::Fixture("resfile_patch.res");

  RunResult r = RunVandolin({"merge", target, patch, "-o", dir_ + "merged.res"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "replaced 2, added 3\n");
  // EMPTY of the patch has no bytes to give.
  EXPECT_EQ(r.err, "vandolin: skipped: " + rtl::LoadStr(SZeroSizeAssignment) + "\n");
  EXPECT_EQ(testsupport::ReadBytes(target), targetBytes);

  RunResult listed = RunVandolin({"list", dir_ + "merged.res"});
  EXPECT_EQ(Lines(listed.out), MergedListing());
  auto merged = TResResFile::CreateFromFile(dir_ + "merged.res");
  std::vector<LeafRow> rows = Rows(*merged->GetRootList());
  ASSERT_EQ(rows.size(), 19u);
  EXPECT_EQ(rows[10].data, "Hello, patched");
  EXPECT_EQ(rows[12].data, "Bonjour");
  EXPECT_EQ(rows[14].data, "extra");
  EXPECT_EQ(rows[18].data, "new");
  merged.reset();

  // Onto itself: the same result, and nothing else left in the directory.
  r = RunVandolin({"merge", target, patch, "-o", target});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(testsupport::ReadBytes(target), testsupport::ReadBytes(dir_ + "merged.res"));
  EXPECT_EQ(testsupport::ListDir(dir_), (std::vector<std::string>{"merged.res", "target.res"}));
}

TEST_F(VandolinRun, FailuresWriteNothing) {
  const std::string basic = Copy("resfile_basic.res", "basic.res");
  const std::vector<std::uint8_t> basicBytes = testsupport::ReadBytes(basic);
  const std::string text = dir_ + "notes.txt";
  testsupport::WriteBytes(text, std::vector<std::uint8_t>(40, 'x'));
  std::vector<std::uint8_t> cut = basicBytes;
  cut.resize(1000);  // ends inside an entry
  testsupport::WriteBytes(dir_ + "cut.res", cut);
  const std::string missing = dir_ + "missing.res";
  const std::string out = dir_ + "out.res";
  const std::string notRes = rtl::FormatRes(SNotValidResFile, {"notes.txt"});
  const std::string cannotOpen = rtl::FormatRes(SCannotOpen, {missing, rtl::LoadStr(SOpenFailed)});

  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{
           {{"list", missing}, cannotOpen},
           {{"list", text}, notRes},
           {{"list", dir_ + "cut.res"}, rtl::LoadStr(SCorruptResFile)},
           {{"export", missing, "Dialog", "100", "-o", out}, cannotOpen},
           {{"export", basic, "Dialog", "101", "-o", out},
            rtl::FormatRes(SCouldNotFindItem, {"Dialog\\101"})},
           {{"export", basic, "Dialog", "100", "0x0407", "-o", out},
            rtl::FormatRes(SCouldNotFindItem, {"Dialog\\100"})},
           {{"export", basic, "Cursor", "1", "-o", out},
            rtl::FormatRes(SCouldNotFindItem, {"Cursor\\1"})},
           {{"merge", missing, basic, "-o", out}, cannotOpen},
           {{"merge", text, basic, "-o", out}, notRes},
           {{"merge", basic, text, "-o", out}, notRes},
           {{"merge", basic, dir_ + "cut.res", "-o", out}, rtl::LoadStr(SCorruptResFile)},
           {{"merge", basic, missing, "-o", out}, rtl::FormatRes(SFOpenError, {missing})},
       }) {
    SCOPED_TRACE(c.args[0] + " " + c.args[1]);
    RunResult r = RunVandolin(c.args);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, ErrorLine(c.message));
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(testsupport::ListDir(dir_),
              (std::vector<std::string>{"basic.res", "cut.res", "notes.txt"}));
  }
  // A failed merge onto the target itself leaves it as it was.
  RunResult r = RunVandolin({"merge", basic, dir_ + "cut.res", "-o", basic});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(testsupport::ReadBytes(basic), basicBytes);
}
