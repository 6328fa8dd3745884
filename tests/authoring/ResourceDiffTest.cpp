// The difference of two resource trees: one case of each kind on two small windres
// images, and the property that matters: the difference of a program and its translation,
// merged into the program as a patch merges it, gives the translation's resources, the
// version resource aside (which stays the program's own).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "DataResItem.h"
#include "Platform.h"
#include "ResImageFormat.h"
#include "ResResFile.h"
#include "ResourceDiff.h"
#include "ResourceImport.h"
#include "ResourceLeaves.h"
#include "Streams.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace {

using authoringtest::LeafMap;
using authoringtest::Leaves;
using authoringtest::LeavesWithoutVersion;
using authoringtest::VersionLeaves;
using testsupport::Fixture;

struct Diff {
  TResourceDiffCounts counts;
  std::vector<std::uint8_t> image;
};

Diff DiffFiles(TResContainer& first, TResContainer& second) {
  Diff d;
  rtl::TMemoryStream out;
  d.counts = WriteResourceDiff(*first.GetRootList(), *second.GetRootList(), out);
  d.image.assign(out.Memory(), out.Memory() + out.BlockSize());
  return d;
}

class ResourceDiffTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("authoring-diff"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }
  std::string Save(const std::vector<std::uint8_t>& bytes, const std::string& name) {
    testsupport::WriteBytes(dir_ + name, bytes);
    return dir_ + name;
  }
  std::string dir_;
};

TEST_F(ResourceDiffTest, OneCaseOfEachKind) {
  auto base = TResResFile::CreateFromFile(Fixture("authoring_cases_base.res"));
  auto changed = TResResFile::CreateFromFile(Fixture("authoring_cases_changed.res"));
  const Diff d = DiffFiles(*base, *changed);

  EXPECT_EQ(d.counts.Written, 4);  // RCDATA 2 and string block 1 changed, two new
  EXPECT_EQ(d.counts.Added, 2);    // NOTES EXTRA, RCDATA 2 in Russian
  EXPECT_EQ(d.counts.VersionsLeftOut, 1);
  EXPECT_EQ(d.counts.EmptyLeftOut, 1);  // RCDATA 4
  EXPECT_EQ(d.counts.Unchanged, 3);     // RCDATA 1, NOTES INFO, RCDATA 2 in German
  EXPECT_EQ(d.counts.OnlyInFirst, 1);   // RCDATA 3

  const LeafMap all = Leaves(Fixture("authoring_cases_changed.res"));
  LeafMap expected;
  for (const char* key : {"#10/#2/1033", "NOTES/EXTRA/1033", "#6/#1/1033", "#10/#2/1049"})
    expected[key] = all.at(key);
  EXPECT_EQ(Leaves(Save(d.image, "diff.res")), expected);
}

TEST_F(ResourceDiffTest, EqualTreesGiveTheEmptyImage) {
  auto a = TResResFile::CreateFromFile(Fixture("authoring_cases_base.res"));
  auto b = TResResFile::CreateFromFile(Fixture("authoring_cases_base.res"));
  const Diff d = DiffFiles(*a, *b);
  EXPECT_EQ(d.counts.Written, 0);
  EXPECT_EQ(d.counts.OnlyInFirst, 0);
  EXPECT_EQ(d.counts.Unchanged, 7);
  ASSERT_EQ(d.image.size(), sizeof EmptyResHeader);
  EXPECT_EQ(std::memcmp(d.image.data(), EmptyResHeader, sizeof EmptyResHeader), 0);
}

TEST_F(ResourceDiffTest, AgainstNothingEveryWritableLeafIsNew) {
  auto nothing = TResResFile::CreateFromFile(
      Save(std::vector<std::uint8_t>(EmptyResHeader, EmptyResHeader + 32), "empty.res"));
  auto changed = TResResFile::CreateFromFile(Fixture("authoring_cases_changed.res"));
  const Diff d = DiffFiles(*nothing, *changed);
  EXPECT_EQ(d.counts.Written, d.counts.Added);
  EXPECT_EQ(d.counts.VersionsLeftOut, 1);
  EXPECT_EQ(d.counts.EmptyLeftOut, 1);
  LeafMap expected = LeavesWithoutVersion(Fixture("authoring_cases_changed.res"));
  expected.erase("#10/#4/1033");
  EXPECT_EQ(Leaves(Save(d.image, "all.res")), expected);
}

TEST_F(ResourceDiffTest, TheTranslationsDifferenceMergedIntoTheProgramGivesTheTranslation) {
  const std::string english = Fixture("authoring_en.exe");
  const std::string russian = Fixture("authoring_ru.exe");
  Diff d;
  {
    auto original = TPEFile::CreateFromFile(english);
    auto translated = TPEFile::CreateFromFile(russian);
    d = DiffFiles(*original, *translated);
  }
  EXPECT_EQ(d.counts.VersionsLeftOut, 1);
  EXPECT_EQ(d.counts.Added, 0);
  EXPECT_GE(d.counts.Written, 4);  // the menu, two dialogs, the string block
  EXPECT_EQ(d.counts.OnlyInFirst, 0);

  // Merged the way a patch merges it, then written and read again.
  std::string temp;
  {
    auto program = TPEFile::CreateFromFile(english);
    rtl::TMemoryStream image;
    image.WriteBuffer(d.image.data(), static_cast<std::int32_t>(d.image.size()));
    image.SetPosition(0);
    std::vector<std::string> errors;
    ImportResources(program->GetRootList(), image, true,
                    [&](const std::string& m) { errors.push_back(m); });
    EXPECT_TRUE(errors.empty());
    program->SaveToTempFile(dir_, temp, TProgressEvent());
  }
  EXPECT_EQ(LeavesWithoutVersion(temp), LeavesWithoutVersion(russian));
  EXPECT_EQ(VersionLeaves(temp), VersionLeaves(english));
  EXPECT_NE(VersionLeaves(english), VersionLeaves(russian));
}

}  // namespace
