// `vandolin make`, `show` and `diff` run as a translator runs them, on the sample program
// and its translation: make then show gives back every field; a patcher made by make
// patches its target through `vandolin apply -guiless` and, in the Windows build, when it
// runs itself under Wine; every refusal says why, exits non-zero and writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "ResourceLeaves.h"
#include "RunProgram.h"
#include "TestSupport.h"

namespace {

using authoringtest::LeavesWithoutVersion;
using authoringtest::VersionLeaves;
using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::NativePath;
using testsupport::ReadBytes;
using testsupport::WriteBytes;
using vandolintest::RunProgram;
using vandolintest::RunResult;

const std::string& VandolinPath() {
  static const std::string path = NativePath(VANDOLIN_EXE);
  return path;
}
const std::string& Stub() {
  static const std::string path = NativePath(AUTHORING_STUB);
  return path;
}

RunResult Vandolin(const std::vector<std::string>& args) {
  return RunProgram(VandolinPath(), args);
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
  const std::vector<std::string> lines = Lines(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// What follows "resources:" in show's output, up to the next unindented field.
std::string ListedResources(const std::string& show) {
  const std::string mark = "resources:\n";
  const std::size_t start = show.find(mark);
  if (start == std::string::npos) return "";
  const std::size_t from = start + mark.size();
  const std::size_t end = show.find("target:", from);
  return show.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

class AuthoringCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("authoring-cmd"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }

  // A patcher for authoring_en.exe with the translation's difference; answers its path.
  std::string MakeTranslationPatcher(const std::string& name) {
    const RunResult r = Vandolin({"make", "--stub", Stub(), "--target", Fixture("authoring_en.exe"),
                                  "--translated", Fixture("authoring_ru.exe"), "-o", dir_ + name});
    EXPECT_EQ(r.status, 0) << r.err;
    return dir_ + name;
  }
  void ExpectTranslated(const std::string& patched) {
    EXPECT_EQ(LeavesWithoutVersion(patched), LeavesWithoutVersion(Fixture("authoring_ru.exe")));
    EXPECT_EQ(VersionLeaves(patched), VersionLeaves(Fixture("authoring_en.exe")));
  }
  std::string dir_;
};

TEST_F(AuthoringCommandTest, MakeThenShowGivesBackEveryField) {
  const std::string instructions = dir_ + "instructions.txt";
  const char raw[] = "Start it.\r\n\tThen wait\x01 \"here\" \\ there.\0end";
  const std::string text(raw, sizeof raw - 1);
  WriteBytes(instructions, std::vector<std::uint8_t>(text.begin(), text.end()));
  const std::string patcher = dir_ + "patcher.exe";
  RunResult r = Vandolin({"make",
                          "--stub",
                          Stub(),
                          "--target",
                          Fixture("authoring_en.exe"),
                          "--res",
                          Fixture("app_ru.res"),
                          "--input-name",
                          "C:\\Sample\\authoring_en.exe",
                          "--output-name",
                          "sample_ru.exe",
                          "--author",
                          "Ivan Petrov",
                          "--email",
                          "ivan@example.org",
                          "--note",
                          "Russian, \"2026\"",
                          "--instructions",
                          instructions,
                          "-o",
                          patcher});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("app_ru.res carries 1 version resource(s); the patcher leaves version "
                       "resources alone"),
            std::string::npos)
      << r.out;

  r = Vandolin({"show", patcher, "--target", Fixture("authoring_en.exe")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string& out = r.out;
  EXPECT_TRUE(HasLine(out, "magic:            \"KQ26\"")) << out;
  EXPECT_NE(out.find(" (holds)\n"), std::string::npos) << out;
  EXPECT_TRUE(HasLine(out, "input name:       \"C:\\\\Sample\\\\authoring_en.exe\"")) << out;
  EXPECT_TRUE(HasLine(out, "output name:      \"sample_ru.exe\"")) << out;
  EXPECT_TRUE(HasLine(out, "author:           \"Ivan Petrov\"")) << out;
  EXPECT_TRUE(HasLine(out, "e-mail:           \"ivan@example.org\"")) << out;
  EXPECT_TRUE(HasLine(out, "note:             \"Russian, \\\"2026\\\"\"")) << out;
  EXPECT_TRUE(HasLine(out,
                      "instructions:     \"Start it.\\r\\n\\tThen wait\\x01 \\\"here\\\" "
                      "\\\\ there.\\x00end\""))
      << out;
  const std::size_t image = ReadBytes(Fixture("app_ru.res")).size();
  EXPECT_TRUE(HasLine(out, "resource image:   " + std::to_string(image) + " bytes")) << out;
  const std::string id = "vandolin " ZED_VERSION;
  EXPECT_TRUE(HasLine(out, "trailer:          " + std::to_string(2 + 2 + id.size()) +
                               " bytes, 1 block(s) of " + std::to_string(id.size()) + " bytes"))
      << out;
  EXPECT_TRUE(HasLine(out, "  block 1: " + std::to_string(id.size()) + " bytes \"" + id + "\""))
      << out;
  const RunResult list = Vandolin({"list", Fixture("app_ru.res")});
  ASSERT_EQ(list.status, 0) << list.err;
  EXPECT_EQ(ListedResources(out), list.out);
  EXPECT_NE(out.find(") is the build the patch was made for"), std::string::npos) << out;

  // The same code: the translated build is that build too; another program is not.
  EXPECT_EQ(Vandolin({"show", patcher, "--target", Fixture("authoring_ru.exe")}).status, 0);
  r = Vandolin({"show", patcher, "--target", Fixture("patch_target.exe")});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find(") is not the build the patch was made for"), std::string::npos) << r.out;
}

TEST_F(AuthoringCommandTest, NamesDefaultToTheTargetsAndTextsToEmpty) {
  const std::string patcher = MakeTranslationPatcher("patcher.exe");
  const RunResult r = Vandolin({"show", patcher});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* line :
       {"input name:       \"authoring_en.exe\"", "output name:      \"authoring_en.exe\"",
        "author:           \"\"", "e-mail:           \"\"", "note:             \"\"",
        "instructions:     \"\""})
    EXPECT_TRUE(HasLine(r.out, line)) << line << "\n" << r.out;
}

TEST_F(AuthoringCommandTest, TranslatedIsTheDifferenceAsAnImage) {
  const RunResult made =
      Vandolin({"make", "--stub", Stub(), "--target", Fixture("authoring_en.exe"), "--translated",
                Fixture("authoring_ru.exe"), "-o", dir_ + "a.exe"});
  ASSERT_EQ(made.status, 0) << made.err;
  EXPECT_NE(made.out.find("left out 1 version resource(s)"), std::string::npos) << made.out;
  const RunResult diff = Vandolin(
      {"diff", Fixture("authoring_en.exe"), Fixture("authoring_ru.exe"), "-o", dir_ + "d.res"});
  ASSERT_EQ(diff.status, 0) << diff.err;
  EXPECT_NE(diff.out.find("left out 1 version resource(s)"), std::string::npos) << diff.out;
  ASSERT_EQ(Vandolin({"make", "--stub", Stub(), "--target", Fixture("authoring_en.exe"), "--res",
                      dir_ + "d.res", "-o", dir_ + "b.exe"})
                .status,
            0);
  EXPECT_EQ(ReadBytes(dir_ + "a.exe"), ReadBytes(dir_ + "b.exe"));
}

TEST_F(AuthoringCommandTest, ShowSaysWhyAPatcherWouldRefuseItsPayload) {
  RunResult r = Vandolin({"show", Stub()});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("payload:          none"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("the patcher refuses this payload"), std::string::npos) << r.err;

  const std::string patcher = MakeTranslationPatcher("patcher.exe");
  std::vector<std::uint8_t> bytes = ReadBytes(patcher);
  bytes[bytes.size() - 8] ^= 0x40;  // inside the last whole word
  WriteBytes(patcher, bytes);
  r = Vandolin({"show", patcher});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("(does not hold: the bytes sum to 0x"), std::string::npos) << r.out;
  EXPECT_NE(r.err.find("the payload checksum does not hold (check 4)"), std::string::npos) << r.err;
}

TEST_F(AuthoringCommandTest, ThePatcherPatchesItsTargetThroughApply) {
  const std::string patcher = MakeTranslationPatcher("patcher.exe");
  const std::string work = testsupport::MakeScratchDir("authoring-apply");
  WriteBytes(work + "authoring_en.exe", ReadBytes(Fixture("authoring_en.exe")));
  const RunResult r = Vandolin({"apply", patcher, "-guiless", "-quiet", "-dir", work});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ListDir(work),
            (std::vector<std::string>{"authoring_en Backup.exe", "authoring_en.exe"}));
  ExpectTranslated(work + "authoring_en.exe");
  EXPECT_EQ(ReadBytes(work + "authoring_en Backup.exe"), ReadBytes(Fixture("authoring_en.exe")));
  testsupport::RemoveTree(work);
}

#ifdef _WIN32
TEST_F(AuthoringCommandTest, ThePatcherPatchesItsTargetWhenItRunsItselfUnderWine) {
  const std::string patcher = MakeTranslationPatcher("sample_patch.exe");
  const std::string work = testsupport::MakeScratchDir("authoring-wine");
  WriteBytes(work + "authoring_en.exe", ReadBytes(Fixture("authoring_en.exe")));
  const RunResult r = RunProgram(patcher, {"-guiless", "-quiet", "-nobackup", "-dir", work});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ListDir(work), (std::vector<std::string>{"authoring_en.exe"}));
  ExpectTranslated(work + "authoring_en.exe");
  testsupport::RemoveTree(work);
}
#endif

struct CommandRefusal {
  const char* what;
  std::vector<std::string> args;  // before "-o OUT"
  int status;
  const char* message;
};

TEST_F(AuthoringCommandTest, RefusalsSayWhyAndWriteNothing) {
  const std::string en = Fixture("authoring_en.exe");
  const std::string res = Fixture("app_ru.res");
  const std::string text = dir_ + "text.exe";
  WriteBytes(text, std::vector<std::uint8_t>(100, 'x'));
  const std::string huge = dir_ + "huge.txt";
  WriteBytes(huge, std::vector<std::uint8_t>(65536, 'i'));
  const std::string broken = dir_ + "broken.res";
  std::vector<std::uint8_t> cut = ReadBytes(res);
  cut.resize(cut.size() - 40);
  WriteBytes(broken, cut);

  const CommandRefusal cases[] = {
      {"stub is no executable",
       {"make", "--stub", text, "--target", en, "--res", res},
       1,
       "text.exe: it is an unknown type"},
      {"stub is a resource image",
       {"make", "--stub", res, "--target", en, "--res", res},
       1,
       "app_ru.res: it is an unknown type"},
      {"target is no executable",
       {"make", "--stub", Stub(), "--target", text, "--res", res},
       1,
       "as the target:"},
      {"target is missing",
       {"make", "--stub", Stub(), "--target", dir_ + "none.exe", "--res", res},
       1,
       "as the target:"},
      {"translation is unreadable",
       {"make", "--stub", Stub(), "--target", en, "--translated", text},
       1,
       "as the translation:"},
      {"image is cut short",
       {"make", "--stub", Stub(), "--target", en, "--res", broken},
       1,
       "broken.res is not a resource image"},
      {"image is no image",
       {"make", "--stub", Stub(), "--target", en, "--res", huge},
       1,
       "huge.txt is not a resource image"},
      {"instructions too long",
       {"make", "--stub", Stub(), "--target", en, "--res", res, "--instructions", huge},
       1,
       "the instructions text has 65536 bytes; a patch text holds at most 65535"},
      {"empty input name",
       {"make", "--stub", Stub(), "--target", en, "--res", res, "--input-name", ""},
       1,
       "the input name is empty"},
      {"both sources",
       {"make", "--stub", Stub(), "--target", en, "--res", res, "--translated", en},
       2,
       "give either --res"},
      {"no source", {"make", "--stub", Stub(), "--target", en}, 2, "give either --res"},
      {"no stub", {"make", "--target", en, "--res", res}, 2, "no stub given"},
      {"diff of a text", {"diff", en, broken}, 1, "vandolin:"},
  };
  for (const CommandRefusal& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<std::string> before = ListDir(dir_);
    std::vector<std::string> args = c.args;
    args.push_back("-o");
    args.push_back(dir_ + "out.exe");
    const RunResult r = Vandolin(args);
    EXPECT_EQ(r.status, c.status);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ListDir(dir_), before);
  }
}

}  // namespace
