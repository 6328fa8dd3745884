// What the model writes, judged against windres: rewriting a windres image entry by entry,
// exporting and importing single resources in the "res" format, and a whole merge of one
// .res file into another through a temporary file and MoveWithBackup.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "MemFormat.h"
#include "MyStreams.h"
#include "TestImage.h"
#include "TestSupport.h"
#include "TestText.h"
#include "UResFile.h"

using namespace memfmt;
using testsupport::Fixture;
using testsupport::ReadBytes;

namespace {

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::MakeScratchDir("restypes-roundtrip"); }
  void TearDown() override { testsupport::RemoveTree(dir); }
  std::string dir;
};

std::vector<TDataResItem*> AllLeaves(TResourceList* list) {
  std::vector<TDataResItem*> out;
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Level() == 2) {
      out.push_back(list->DataItem(i));
    } else {
      auto sub = AllLeaves(list->ListItem(i)->GetSubList());
      out.insert(out.end(), sub.begin(), sub.end());
    }
  }
  return out;
}

TEST_F(RoundTrip, RewritingAWindresImageGivesItsEntriesBack) {
  const auto original = ReadBytes(Fixture("restypes_tree.res"));
  auto image = TResResFile::CreateFromFile(Fixture("restypes_tree.res"));
  image->GetRootList()->WriteResFile(dir + "copy.res", false);
  const auto copy = ReadBytes(dir + "copy.res");

  const auto want = testimage::Parse(original);
  const auto got = testimage::Parse(copy);
  ASSERT_EQ(got.size(), want.size());
  ASSERT_GE(want.size(), 9u);
  for (std::size_t i = 0; i < want.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(got[i].offset, want[i].offset);
    EXPECT_EQ(got[i].headerSize, want[i].headerSize);
    EXPECT_EQ(got[i].type.named, want[i].type.named);
    EXPECT_EQ(got[i].type.text, want[i].type.text);
    EXPECT_EQ(got[i].type.number, want[i].type.number);
    EXPECT_EQ(got[i].name.text, want[i].name.text);
    EXPECT_EQ(got[i].name.number, want[i].name.number);
    EXPECT_EQ(got[i].language, want[i].language);
    EXPECT_EQ(got[i].data, want[i].data);
    EXPECT_EQ(got[i].memoryFlags, 0) << "the writer puts 0 in MemoryFlags";
  }
  EXPECT_EQ(copy.size(), original.size());
  // The Cyrillic name survives the trip through the ANSI form, whatever its byte length.
  bool sawCyrillic = false;
  for (const auto& e : got) sawCyrillic = sawCyrillic || e.name.text == testtext::Utf16("Привет");
  EXPECT_TRUE(sawCyrillic);
}

TEST_F(RoundTrip, MixedCaseNamesComeBackExactly) {
  TMemContainer source({{S("MyMixedType"), S("camelName"), 0x409, "a"},
                        {S("mymixedtype"), N(2), 0x409, "b"},
                        {N(10), S(testtext::Ansi("Имя")), 0x419, "c"}});
  source.GetRootList()->WriteResFile(dir + "mixed.res", false);
  auto image = TResResFile::CreateFromFile(dir + "mixed.res");
  TResourceList* root = image->GetRootList();
  ASSERT_EQ(root->Count(), 2) << "the reader folds case when it looks types up";
  EXPECT_EQ(root->Item(0)->Name(), "MyMixedType");
  EXPECT_EQ(root->ListItem(0)->GetSubList()->Item(0)->Name(), "camelName");
  EXPECT_EQ(root->ListItem(1)->GetSubList()->Item(0)->Name(), testtext::Ansi("Имя"));
  EXPECT_EQ(Bytes(Leaf(root, N(10), S(testtext::Ansi("Имя")))), "c");
}

TEST_F(RoundTrip, ExportInResAndImportGiveTheSameBytes) {
  auto image = TResResFile::CreateFromFile(Fixture("restypes_tree.res"));
  for (TDataResItem* leaf : AllLeaves(image->GetRootList())) {
    SCOPED_TRACE(leaf->TypeText() + "\\" + leaf->NameItem()->IdText());
    rtl::TMemoryStream exported;
    leaf->DataHandler()->ExportTo(exported, "res");
    EXPECT_EQ(testimage::Parse(std::vector<std::uint8_t>(
                                   exported.Memory(), exported.Memory() + exported.BlockSize()))
                  .size(),
              1u);

    MemId type = leaf->TypeIsNamed() ? S(leaf->TypeText()) : N(leaf->TypeId());
    TMemContainer target({{type, N(999), 0x40C, "different"}});
    TDataResItem* into = Leaf(target.GetRootList(), type, N(999));
    exported.SetPosition(0);
    into->DataHandler()->ImportFrom(exported, "RES");
    EXPECT_EQ(Bytes(into), Bytes(leaf)) << "a type with one leaf gives it, whatever its name";
  }
}

TEST_F(RoundTrip, LoadFromResImageMatchesNameAndLanguageWhenTheTypeHasSeveral) {
  const auto bytes = ReadBytes(Fixture("restypes_tree.res"));
  auto image = TResResFile::CreateFromFile(Fixture("restypes_tree.res"));
  TResourceList* root = image->GetRootList();
  const std::string russian = Bytes(Leaf(root, N(5), N(100), 1));
  ASSERT_EQ(Leaf(root, N(5), N(100), 1)->Language(), 0x419);

  TMemContainer target({{N(5), N(100), 0x419, "old"}, {N(5), N(100), 0x40C, "old-fr"},
                        {N(5), N(101), 0x409, "old-101"}});
  TResourceList* troot = target.GetRootList();
  TReadMemoryStream s1(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  Leaf(troot, N(5), N(100), 0)->LoadFromResImage(s1);
  EXPECT_EQ(Bytes(Leaf(troot, N(5), N(100), 0)), russian);

  TReadMemoryStream s2(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  TDataResItem* french = Leaf(troot, N(5), N(100), 1);
  try {
    french->DataHandler()->ImportFrom(s2, "res");
    FAIL() << "several languages, none the wanted one: strict lookup fails";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Could not find item Dialog\\100.");
  }
  EXPECT_EQ(Bytes(french), "old-fr");

  TReadMemoryStream s3(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  EXPECT_THROW(Leaf(troot, N(5), N(101))->LoadFromResImage(s3), rtl::Exception);
}

TEST_F(RoundTrip, MergingOneResFileIntoAnotherInPlaceWithABackup) {
  const std::string target = dir + "app.res";
  testsupport::WriteBytes(target, ReadBytes(Fixture("restypes_tree.res")));
  const auto patch = ReadBytes(Fixture("restypes_patch.res"));

  std::string temp;
  std::int32_t replaced = 0, added = 0;
  {
    auto container = TResResFile::CreateFromFile(target);
    TReadMemoryStream stream(patch.data(), static_cast<std::int32_t>(patch.size()));
    replaced = ImportResources(container->GetRootList(), stream, true, nullptr, &added);
    container->SaveToTempFile(dir, temp, nullptr);
  }  // the target is closed before it is moved
  EXPECT_EQ(temp, dir + "app1.res");
  EXPECT_EQ(replaced, 7);
  EXPECT_EQ(added, 6) << "only the version resource 1 existed already";
  ASSERT_TRUE(MoveWithBackup(temp, target, true));
  EXPECT_EQ(testsupport::ListDir(dir), (std::vector<std::string>{"app Backup.res", "app.res"}));
  EXPECT_EQ(ReadBytes(dir + "app Backup.res"), ReadBytes(Fixture("restypes_tree.res")));

  auto merged = TResResFile::CreateFromFile(target);
  TResourceList* root = merged->GetRootList();
  EXPECT_EQ(root->DataItemCount(), 9 + 6);
  EXPECT_EQ(Bytes(Leaf(root, N(10), N(3))), "new-3");
  EXPECT_EQ(Bytes(Leaf(root, S("MYTYPE"), S("ITEM"))), "new-item");
  EXPECT_EQ(Leaf(root, N(16), N(1))->Size(),
            Leaf(TResResFile::CreateFromFile(Fixture("restypes_patch.res"))->GetRootList(), N(16),
                 N(1))
                ->Size())
      << "a resource image takes version resources like any other";
}

}  // namespace
