// Real programs: the MinGW-built probes (tests/fixtures/pefile.cmake) and some of Wine's
// own 32-bit programs. Each gets pefile_patch.res merged in as a patch does (ImportResources
// with AddMissing, then SaveToFile); python3-pefile judges the result against a merge it
// computes itself (check_pe.py), the other sections are compared byte for byte, and the
// probes are started under Wine to show their new resources.
#include <gtest/gtest.h>

#include <fstream>

#include "MyStreams.h"
#include "Platform.h"
#include "ResourceImport.h"
#include "RunProgram.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace {

struct Target {
  std::string name;
  std::string path;  // host path
  bool probe;        // one of our probes, which reports its resources when run
};

const char* const kWineDir = "/usr/lib/i386-linux-gnu/wine/i386-windows/";

std::vector<Target> Targets() {
  std::vector<Target> targets;
  for (const char* probe : {"pefile_probe", "pefile_bare", "pefile_reloc", "pefile_symbols"})
    targets.push_back({probe, std::string(ZED_FIXTURE_DIR) + "/" + probe + ".exe", true});
  for (const char* wine : {"notepad", "winver", "regedit", "clock", "winemine", "hostname"}) {
    const std::string path = std::string(kWineDir) + wine + ".exe";
    if (std::ifstream(path)) targets.push_back({wine, path, false});
  }
  return targets;
}

void PrintTo(const Target& target, std::ostream* os) { *os << target.name; }

std::string TargetName(const testing::TestParamInfo<Target>& info) { return info.param.name; }

class MergeFixture : public testing::TestWithParam<Target> {};

// Starts a Windows program: directly from inside Wine, through Wine natively.
vandolintest::RunResult StartWindowsProgram(const std::string& program, const std::vector<std::string>& args) {
#ifdef _WIN32
  return vandolintest::RunProgram(program, args);
#else
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  return vandolintest::RunProgram(std::string(ZED_SOURCE_DIR) + "/scripts/wine-run.sh", all);
#endif
}

std::string Bytes(const ByteView& v) {
  return std::string(reinterpret_cast<const char*>(v.Data()), static_cast<std::size_t>(v.Size()));
}

std::string Text(TDataResItem* leaf) {
  if (!leaf) return std::string();
  return std::string(reinterpret_cast<const char*>(leaf->Data()), static_cast<std::size_t>(leaf->Size()));
}

TDataResItem* VersionLeaf(TPEFile& file) {
  TResourceList* versions = file.GetSection()->FindTypeById(16);
  if (!versions || versions->Count() == 0) return nullptr;
  return versions->ListItem(0)->GetSubList()->DataItem(0);
}

TEST_P(MergeFixture, MergedProgramIsTheExpectedMergeAndStillRuns) {
  const Target& target = GetParam();
  const std::string source = testsupport::NativePath(target.path);
  const std::string patch = testsupport::Fixture("pefile_patch.res");
  const std::string dir = testsupport::MakeScratchDir("pe-merge-" + target.name);
  const std::string output = dir + target.name + ".exe";
  const auto sourceBytes = testsupport::ReadBytes(source);

  std::int32_t replaced = 0, added = 0;
  std::vector<std::pair<int, int>> progress;
  std::uint32_t checksum = 0;
  std::string version;
  {
    TPEFile file(source);
    checksum = file.VersionChecksum();
    version = Text(VersionLeaf(file));
    const auto res = testsupport::ReadBytes(patch);
    TReadMemoryStream stream(res.data(), static_cast<std::int32_t>(res.size()));
    replaced = ImportResources(file.GetRootList(), stream, true, nullptr, &added);
    file.SaveToFile(output, [&](std::int32_t r, std::int32_t p) { progress.emplace_back(r, p); });
  }
  // Every resource of the patch but the version resource gets its data; the probes have
  // string block 1, ZTYPE and the version resource already.
  if (target.name == "pefile_bare") {
    EXPECT_EQ(replaced, 7);
    EXPECT_EQ(added, 8);  // the version resource among them, which stays empty
  } else if (target.probe) {
    EXPECT_EQ(replaced, 7);
    EXPECT_EQ(added, 5);
  }
  EXPECT_EQ(testsupport::ReadBytes(source), sourceBytes);
  ASSERT_GE(progress.size(), 4u);
  EXPECT_EQ(progress.front(), std::make_pair(1000, 0));
  EXPECT_EQ(progress[1], std::make_pair(100, 1));
  EXPECT_EQ(progress[progress.size() - 2].second, 95);
  EXPECT_EQ(progress.back(), std::make_pair(100, 100));

  // Our own reader: same code fingerprint, the image ends where the file does, the version
  // resource untouched, and every section but .rsrc byte for byte as it was.
  {
    TPEFile in(source), out(output);
    EXPECT_EQ(out.VersionChecksum(), checksum);
    EXPECT_EQ(out.ImageEnd(), out.Size());
    EXPECT_EQ(Text(VersionLeaf(out)), version);
    int next = 0;
    for (int i = 0; i < in.SectionCount(); ++i) {
      if (in.SectionHeader(i).NameText() == ".rsrc") continue;
      while (next < out.SectionCount() && out.SectionHeader(next).NameText() != in.SectionHeader(i).NameText()) ++next;
      ASSERT_LT(next, out.SectionCount()) << in.SectionHeader(i).NameText();
      if (in.SectionHeader(i).HasRawData())
        EXPECT_EQ(Bytes(out.SectionRawData(next)), Bytes(in.SectionRawData(i))) << in.SectionHeader(i).NameText();
      else
        EXPECT_EQ(out.SectionHeader(next).PointerToRawData, 0u);
      ++next;
    }
  }

#ifndef _WIN32
  // The independent judge.
  const auto judged = vandolintest::RunProgram(
      "/usr/bin/python3", {std::string(ZED_SOURCE_DIR) + "/tests/pefile/check_pe.py", source, output, patch});
  EXPECT_EQ(judged.status, 0) << judged.out << judged.err;
  EXPECT_EQ(judged.out, "");
#endif

  if (target.name == "hostname") {
    // A console program of Wine's own: the patched copy answers as the original does.
    const auto before = StartWindowsProgram(source, {});
    const auto after = StartWindowsProgram(output, {});
    EXPECT_EQ(after.status, 0) << after.err;
    EXPECT_EQ(after.out, before.out);
    EXPECT_FALSE(after.out.empty());
  }
  if (target.probe) {
    const auto run = StartWindowsProgram(output, {"report"});
    EXPECT_EQ(run.status, 0) << run.err;
    const std::string seventeen =
        target.name == "pefile_bare" ? "17=<none>\n" : "17=Original string seventeen\n";
    EXPECT_EQ(run.out, "1=Patched string one\n" + seventeen +
                           "40=Added string forty\n"
                           "ZTYPE=patched named data\n"
                           "ZNEW=added named type\n");
  }
  testsupport::RemoveTree(dir);
}

INSTANTIATE_TEST_SUITE_P(Programs, MergeFixture, testing::ValuesIn(Targets()), TargetName);

TEST(MergeFixture, SecondMergeIntoAMergedProgramKeepsItsMarkers) {
  // The patched file patched again: nothing new, every leaf replaced in place; the
  // language tables marked the first time stay marked.
  const std::string dir = testsupport::MakeScratchDir("pe-merge-twice");
  const auto res = testsupport::ReadBytes(testsupport::Fixture("pefile_patch.res"));
  std::string current = testsupport::Fixture("pefile_probe.exe");
  std::int32_t added[2] = {0, 0};
  for (int round = 0; round < 2; ++round) {
    const std::string next = dir + "round" + std::to_string(round) + ".exe";
    TPEFile file(current);
    TReadMemoryStream stream(res.data(), static_cast<std::int32_t>(res.size()));
    ImportResources(file.GetRootList(), stream, true, nullptr, &added[round]);
    file.SaveToFile(next, nullptr);
    current = next;
  }
  EXPECT_EQ(added[0], 5);
  EXPECT_EQ(added[1], 0);
  TPEFile last(current);
  TResourceList* dialogs = last.GetSection()->FindTypeById(5);
  ASSERT_NE(dialogs, nullptr);
  TResourceList* languages = dialogs->ListItem(0)->GetSubList();
  ASSERT_EQ(languages->Count(), 2);
  EXPECT_TRUE(languages->DataItem(0)->IsEditMarked());
  // Menus: 101 was never touched, its table keeps the compiler's version fields.
  TResourceList* menus = last.GetSection()->FindTypeById(4);
  ASSERT_NE(menus, nullptr);
  EXPECT_EQ(menus->ListItem(0)->Id(), 101);
  EXPECT_FALSE(menus->ListItem(0)->GetSubList()->DataItem(0)->IsEditMarked());
  EXPECT_TRUE(menus->ListItem(1)->GetSubList()->DataItem(0)->IsEditMarked());
  testsupport::RemoveTree(dir);
}

}  // namespace
