// Writing images and reading them back: the trees of the windres fixtures and of trees
// built in memory, and what adding resources in memory marks as new.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataResItem.h"
#include "ImageBuilder.h"
#include "TestSupport.h"
#include "TreeRows.h"

using namespace resfiletest;

namespace {

class ResFileRoundTrip : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("resfile-roundtrip"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }
  std::string dir_;
};

// The rows a written image gives back: leaves without data bytes are not written.
std::vector<LeafRow> WithData(std::vector<LeafRow> rows) {
  std::vector<LeafRow> kept;
  for (LeafRow& r : rows)
    if (!r.data.empty()) kept.push_back(std::move(r));
  return kept;
}

}  // namespace

TEST_F(ResFileRoundTrip, FixturesComeBackWithTheSameTreeAndBytes) {
  for (const char* name : {"resfile_basic.res", "resfile_patch.res", "resfile_small.res"}) {
    SCOPED_TRACE(name);
    auto original = TResResFile::CreateFromFile(testsupport::Fixture(name));
    const std::string first = dir_ + "first.res";
    const std::string second = dir_ + "second.res";
    original->SaveToFile(first, TProgressEvent());
    auto written = TResResFile::CreateFromFile(first);
    EXPECT_EQ(Rows(*written->GetRootList()), WithData(Rows(*original->GetRootList())));
    written->SaveToFile(second, TProgressEvent());
    EXPECT_EQ(testsupport::ReadBytes(second), testsupport::ReadBytes(first));
    written.reset();
    testsupport::RemoveTree(first);
    testsupport::RemoveTree(second);
  }
}

// Names in mixed case and multi-byte texts come back exactly: the writer stores the real
// UTF-16 units of each name.
TEST_F(ResFileRoundTrip, TreeBuiltInMemory) {
  auto file = ReadImage(ImageBuilder().Bytes());
  TResSection& section = *file->GetSection();
  const std::string cyrillic = Ansi(u"Ёлка и ёж");
  const std::uint8_t bytes[] = "0123456789";
  section.AddResource(0, 0, 0x419, "MyType", cyrillic, true, true, bytes, 10);
  section.AddResource(10, 5, 0x409, "10", "5", false, false, bytes, 3);
  section.AddResource(0, 0, 0x409, "mytype", cyrillic, true, true, bytes + 1, 2);
  section.AddResource(0, 7, 0x409, "MyType", "7", true, false, nullptr, 0);  // no data
  section.AddResource(0, 0, 0x407, Ansi(u"Тип"), "Name", true, true, bytes + 5, 5);

  std::vector<LeafRow> rows = Rows(*file->GetRootList());
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].type, "MyType");
  EXPECT_EQ(rows[1].type, "MyType");  // "mytype" found the same node
  EXPECT_EQ(rows[1].name, cyrillic);

  file->SaveToFile(dir_ + "built.res", TProgressEvent());
  auto back = TResResFile::CreateFromFile(dir_ + "built.res");
  EXPECT_EQ(Rows(*back->GetRootList()), WithData(rows));
}

TEST(ResFileAdding, NewNodesAreMarkedNew) {
  ImageBuilder image;
  image.Entry(Field::Text(u"T"), Field::Text(u"N"), 0x409, "read");
  auto file = ReadImage(image.Bytes());
  TResSection& section = *file->GetSection();
  TResourceList& root = *file->GetRootList();
  EXPECT_TRUE(section.CanAddResources());

  TDataResItem* leaf = section.AddResource(10, 1, 0x409, "", "", false, false, nullptr, 0);
  EXPECT_TRUE(leaf->IsNew());
  EXPECT_TRUE(leaf->NameItem()->IsNew());
  EXPECT_TRUE(leaf->TypeItem()->IsNew());
  EXPECT_EQ(leaf->Size(), 0);

  // A second language of a name that was read: only the leaf is new.
  TDataResItem* second = section.AddResource(0, 0, 0x419, "t", "n", true, true, nullptr, 0);
  EXPECT_TRUE(second->IsNew());
  EXPECT_FALSE(second->NameItem()->IsNew());
  EXPECT_FALSE(second->TypeItem()->IsNew());
  EXPECT_EQ(second->NameItem()->GetSubList()->Count(), 2);
  EXPECT_FALSE(second->NameItem()->GetSubList()->DataItem(0)->IsNew());

  // A new name under a type that was read.
  TDataResItem* third = section.AddResource(0, 3, 0x409, "T", "", true, false, nullptr, 0);
  EXPECT_TRUE(third->NameItem()->IsNew());
  EXPECT_FALSE(third->TypeItem()->IsNew());
  EXPECT_EQ(root.Count(), 2);
  EXPECT_TRUE(section.StructureChanged);
}
