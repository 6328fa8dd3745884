// The lazy resource directory reader on hand-made directories: entry order, names, the
// bounds of data, damaged directories, identities set in memory, the version guard and
// the edit marker.
#include <gtest/gtest.h>

#include <functional>

#include "MyStreams.h"
#include "SyntheticPE.h"
#include "UResPEFile.h"
#include "UResTool.h"

namespace {

using synth::Bytes;

using synth::DirData;
using synth::DirName;
using synth::DirTable;
using synth::kHigh;
using synth::kRsrcRva;
using synth::StandardTree;
using synth::WithResources;

// Visits every part of the tree the way the writer does.
void Walk(TResourceList* list) {
  for (int i = 0; i < list->Count(); ++i) {
    if (list->Level() == 2) {
      auto* leaf = static_cast<TPEDataResItem*>(list->DataItem(i));
      (void)leaf->Size();
      (void)leaf->Data();
      (void)leaf->DirHandler().CodePage();
      continue;
    }
    TListResItem* node = list->ListItem(i);
    if (node->IsNamed()) (void)node->Name();
    Walk(node->GetSubList());
  }
}

TDataResItem* OnlyLeaf(TPEFile& file) {
  return file.GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
}

TEST(DirectoryReader, ReadsTheStandardTreeInPlace) {
  const auto bytes = WithResources(StandardTree());
  auto file = synth::Open(bytes);
  TDataResItem* leaf = OnlyLeaf(*file);
  EXPECT_EQ(leaf->TypeId(), 6);
  EXPECT_EQ(leaf->NameItem()->Id(), 1);
  EXPECT_EQ(leaf->Id(), 1033);
  ASSERT_EQ(leaf->Size(), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(leaf->Data()), 5), "hello");
  EXPECT_EQ(static_cast<TPEDataResItem*>(leaf)->DirHandler().CodePage(), 1252u);
  EXPECT_FALSE(leaf->IsNew());
  EXPECT_FALSE(leaf->IsEditMarked());
  // The data is shown where it lies in the container's bytes, not copied.
  EXPECT_GE(leaf->Data(), file->Memory());
  EXPECT_LT(leaf->Data(), file->Memory() + file->Size());
}

TEST(DirectoryReader, KeepsTheFileOrderOfNamedAndNumberedEntries) {
  Bytes b;
  DirTable(b, 0x00, 2, 3,
        {{0x80 | kHigh, 0x40 | kHigh}, {0x88 | kHigh, 0x40 | kHigh}, {5, 0x40 | kHigh},
         {3, 0x40 | kHigh}, {7, 0x40 | kHigh}});
  DirTable(b, 0x40, 0, 0, {});
  DirName(b, 0x80, u"b");
  DirName(b, 0x88, u"A");
  auto file = synth::Open(WithResources(b));
  TResourceList* root = file->GetRootList();
  ASSERT_EQ(root->Count(), 5);
  std::vector<std::string> seen;
  for (int i = 0; i < 5; ++i) seen.push_back(root->Item(i)->IdText());
  EXPECT_EQ(seen, (std::vector<std::string>{"b", "A", "5", "3", "7"}));
  EXPECT_TRUE(root->Item(0)->IsNamed());
  EXPECT_FALSE(root->Item(2)->IsNamed());
}

TEST(DirectoryReader, NameStringsOfFourAndOfNoUnits) {
  Bytes b;
  DirTable(b, 0x00, 2, 0, {{0x40 | kHigh, 0x20 | kHigh}, {0x50 | kHigh, 0x20 | kHigh}});
  DirTable(b, 0x20, 0, 0, {});
  DirName(b, 0x40, u"ZETA");
  DirName(b, 0x50, u"");
  auto file = synth::Open(WithResources(b));
  auto* four = static_cast<TPEListResItem*>(file->GetRootList()->ListItem(0));
  auto* none = static_cast<TPEListResItem*>(file->GetRootList()->ListItem(1));
  EXPECT_EQ(four->Name(), "ZETA");
  EXPECT_EQ(four->DirHandler().NameLength(), 4);
  EXPECT_EQ(none->Name(), "");
  EXPECT_EQ(none->DirHandler().NameLength(), 0);
  EXPECT_TRUE(none->IsNamed());
}

TEST(DirectoryReader, DataMayEndExactlyAtTheSectionEndButNotBeyond) {
  // The section's raw data is one file alignment unit (0x200 bytes).
  struct Case {
    std::uint32_t offset, size;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {0x200, 0, true},   // an empty tail
      {0x201, 0, false},  // starts past the end
      {0x1FF, 1, true},   // the last byte
      {0x1FF, 2, false},  // runs past the end
      {0x60, 0x1A0, true},
      {0x60, 0xFFFFFFFFu, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.offset);
    Bytes b = StandardTree();
    DirData(b, 0x48, kRsrcRva + c.offset, c.size, 0);
    auto file = synth::Open(WithResources(b));
    TDataResItem* leaf = OnlyLeaf(*file);
    if (c.accepted) {
      EXPECT_EQ(leaf->Size(), static_cast<std::int32_t>(c.size));
      EXPECT_NO_THROW(leaf->Data());
    } else {
      EXPECT_THROW(leaf->Data(), ECorruptResource);
    }
  }
}

TEST(DirectoryReader, DamagedDirectoriesAreCorruptResources) {
  struct Case {
    const char* what;
    std::function<void(Bytes&)> damage;
  };
  const std::vector<Case> cases = {
      {"root entry count larger than the section", [](Bytes& b) { b.Put16(14, 0xFFFF); }},
      {"type sub-directory past the end", [](Bytes& b) { b.Put32(20, 0x1F8 | kHigh); }},
      {"type sub-directory far outside", [](Bytes& b) { b.Put32(20, 0x7FFFFFF0 | kHigh); }},
      {"name string outside", [](Bytes& b) { b.Put16(12, 1); b.Put16(14, 0); b.Put32(16, 0x7FFFFF00 | kHigh); }},
      {"name string running past the end", [](Bytes& b) {
         b.Put16(12, 1);
         b.Put16(14, 0);
         b.Put32(16, 0x1F0 | kHigh);
         b.Put16(0x1F0, 100);
       }},
      {"language entry with the sub-directory bit", [](Bytes& b) { b.Put32(0x30 + 20, 0x48 | kHigh); }},
      {"data entry outside the section", [](Bytes& b) { b.Put32(0x30 + 20, 0x1F8); }},
      {"data below the section", [](Bytes& b) { b.Put32(0x48, kRsrcRva - 4); }},
      {"data running past the section", [](Bytes& b) { b.Put32(0x4C, 0x1000); }},
      {"a name table that is the root table", [](Bytes& b) { b.Put32(20, 0 | kHigh); }},
      {"twenty names sharing one language table", [](Bytes& b) {
         // Every leaf is sound, but followed as written the tree has 20 x 20 leaves: more
         // entries than the section holds, so some are read twice.
         b.Put32(20, 0x100 | kHigh);
         DirTable(b, 0x100, 0, 20, {});
         DirTable(b, 0x1B0, 0, 20, {});
         for (std::uint32_t i = 0; i < 20; ++i) {
           b.Put32(0x110 + 8 * i, 1 + i);
           b.Put32(0x114 + 8 * i, 0x1B0 | kHigh);
           b.Put32(0x1C0 + 8 * i, 1033 + i);
           b.Put32(0x1C4 + 8 * i, 0x48);
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes b = StandardTree();
    b.data.resize(0x200, 0);
    c.damage(b);
    auto file = synth::Open(WithResources(b));
    try {
      Walk(file->GetRootList());
      ADD_FAILURE() << "no failure";
    } catch (const ECorruptResource& e) {
      EXPECT_EQ(e.Message(), "Corrupt resource.");
    }
  }
}

TEST(DirectoryReader, OnlyTheVisitedPartIsRead) {
  Bytes b;
  DirTable(b, 0x00, 0, 2, {{6, 0x20 | kHigh}, {9, 0x7FFFFF00 | kHigh}});
  DirTable(b, 0x20, 0, 0, {});
  auto file = synth::Open(WithResources(b));
  TResourceList* root = file->GetRootList();
  ASSERT_EQ(root->Count(), 2);
  EXPECT_EQ(root->ListItem(0)->GetSubList()->Count(), 0);
  EXPECT_THROW(root->ListItem(1)->GetSubList()->Count(), ECorruptResource);
}

TEST(DirectoryReader, ResourceSectionOutsideTheFileIsCorrupt) {
  auto bytes = WithResources(StandardTree());
  bytes.resize(bytes.size() - 0x100);  // cut the .rsrc raw data short
  auto file = synth::Open(bytes);
  EXPECT_THROW(file->GetRootList(), ECorruptResource);
}

TEST(DirectoryReader, ResourcesOutsideASectionNamedRsrcAreNotSeen) {
  auto file = synth::Open(WithResources(StandardTree(), ".rdata"));
  EXPECT_EQ(file->GetRootList()->Count(), 0);
  EXPECT_TRUE(file->GetSection()->CanAddResources());
  EXPECT_EQ(file->ResourceSectionIndex(), -1);
}

TEST(DirectoryReader, RootTableIsTheFirstByteWhateverTheDataDirectorySays) {
  auto bytes = WithResources(StandardTree());
  synth::Image::SetDirectory(bytes, 0x80, 2, kRsrcRva + 0x30, 0x10);
  auto file = synth::Open(bytes);
  EXPECT_EQ(OnlyLeaf(*file)->TypeId(), 6);
}

TEST(DirectoryReader, ResourceSectionWithoutFileBytesIsAnEmptyTree) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(16, 0xC3), 0x60000020);
  image.Add(".rsrc", {}, 0x40000040, 0x100);
  auto file = synth::Open(image.Build());
  EXPECT_EQ(file->GetRootList()->Count(), 0);
}

TEST(DirectoryReader, NewIdentityOfAFileNodeKeepsItsData) {
  auto file = synth::Open(WithResources(StandardTree()));
  auto* type = static_cast<TPEListResItem*>(file->GetRootList()->ListItem(0));
  type->SetIdentifier("RENAMED", 77, true);
  EXPECT_TRUE(type->IsNamed());
  EXPECT_EQ(type->Name(), "RENAMED");
  EXPECT_EQ(type->DirHandler().NameLength(), 7);
  EXPECT_FALSE(type->IsNew());
  auto* leaf = static_cast<TPEDataResItem*>(OnlyLeaf(*file));
  leaf->SetIdentifier("ignored", 1049, true);
  EXPECT_EQ(leaf->Id(), 1049);
  EXPECT_FALSE(leaf->IsNamed());
  EXPECT_EQ(leaf->DirHandler().CodePage(), 1252u);
  EXPECT_EQ(leaf->RawSize(), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(leaf->RawData()), 5), "hello");
}

TEST(DirectoryReader, VersionResourcesRefuseNewDataButANamedType16DoesNot) {
  Bytes b;
  DirTable(b, 0x00, 1, 1, {{0x100 | kHigh, 0x20 | kHigh}, {16, 0x20 | kHigh}});
  DirTable(b, 0x20, 0, 1, {{1, 0x38 | kHigh}});
  DirTable(b, 0x38, 0, 1, {{1033, 0x50}});
  DirData(b, 0x50, kRsrcRva + 0x60, 5, 0);
  b.PutText(0x60, "hello");
  DirName(b, 0x100, u"16");
  auto file = synth::Open(WithResources(b));
  TResourceList* root = file->GetRootList();
  TDataResItem* named = root->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
  TDataResItem* version = root->ListItem(1)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
  const std::uint8_t bytes[3] = {1, 2, 3};
  try {
    version->SetData(bytes, 3);
    ADD_FAILURE() << "version data changed";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "Changing version resources is not allowed.");
  }
  EXPECT_FALSE(version->IsModified());
  EXPECT_EQ(version->Size(), 5);
  EXPECT_NO_THROW(named->SetData(bytes, 3));
  EXPECT_EQ(named->Size(), 3);
  // A version leaf made in memory is guarded too.
  TDataResItem* added = file->GetSection()->AddResource(16, 2, 1033, "", "", false, false, nullptr, 0);
  EXPECT_THROW(added->SetData(bytes, 3), rtl::Exception);
  EXPECT_EQ(added->Size(), 0);
}

TEST(DirectoryReader, EditMarkerIsReadFromTheLanguageTable) {
  for (const char* version : {"Tarn", "Tarm", "\0\0\0\0"}) {
    Bytes b = StandardTree();
    b.PutText(0x30 + 8, std::string(version, 4));
    auto file = synth::Open(WithResources(b));
    EXPECT_EQ(OnlyLeaf(*file)->IsEditMarked(), std::string(version, 4) == "Tarn") << version;
  }
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(16, 0xC3), 0x60000020);
  auto file = synth::Open(image.Build());
  TDataResItem* added = file->GetSection()->AddResource(6, 1, 1033, "", "", false, false, nullptr, 0);
  EXPECT_FALSE(added->IsEditMarked());
  EXPECT_TRUE(added->IsNew());
}

TEST(DirectoryReader, AddingFindsExistingNodesAndAppendsNewOnes) {
  auto file = synth::Open(WithResources(StandardTree()));
  TResSection* section = file->GetSection();
  TDataResItem* beside = section->AddResource(6, 1, 1049, "", "", false, false, nullptr, 0);
  TDataResItem* named = section->AddResource(0, 0, 1033, "ZNEW", "EXTRA", true, true, nullptr, 0);
  TResourceList* root = file->GetRootList();
  ASSERT_EQ(root->Count(), 2);  // type 6 found, ZNEW appended
  EXPECT_EQ(beside->Owner(), root->ListItem(0)->GetSubList()->ListItem(0)->GetSubList());
  EXPECT_EQ(beside->Owner()->Count(), 2);
  EXPECT_EQ(named->TypeText(), "ZNEW");
  EXPECT_EQ(named->NameItem()->Name(), "EXTRA");
  EXPECT_EQ(named->TypeItem()->Id(), 0);
  EXPECT_TRUE(named->TypeItem()->IsNew());
  EXPECT_FALSE(root->ListItem(0)->IsNew());
}

}  // namespace
