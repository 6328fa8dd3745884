// ImportResources on real images made by windres (tests/fixtures/restypes_*.rc), read by
// the resource file unit, merged into targets of the in-memory test format whose shape
// each case needs.
#include <gtest/gtest.h>

#include <algorithm>

#include "Exceptions.h"
#include "MemFormat.h"
#include "MyStreams.h"
#include "TestImage.h"
#include "TestSupport.h"
#include "UResFile.h"

using namespace memfmt;
using testsupport::Fixture;
using testsupport::ReadBytes;

namespace {

using Languages = std::vector<std::pair<std::uint16_t, std::string>>;
const Languages kAbsent = {{0xFFFF, "(absent)"}};

// The languages and data under one name of a target, or kAbsent.
Languages State(TResourceList* root, const MemId& type, const MemId& name) {
  TListResItem* t = TypeNode(root, type);
  if (!t) return kAbsent;
  TResourceList* names = t->GetSubList();
  int n = names->IndexOf(name.text, name.number, name.named);
  if (n < 0) return kAbsent;
  Languages out;
  TResourceList* langs = names->ListItem(n)->GetSubList();
  for (int i = 0; i < langs->Count(); ++i)
    out.push_back({langs->DataItem(i)->Language(), Bytes(langs->DataItem(i))});
  return out;
}

std::vector<MemRes> TableTarget() {
  MemRes nameOnly{N(10), N(4), 0, ""};
  nameOnly.nameOnly = true;
  return {{N(10), N(1), 0x409, "old-1"},  {N(10), N(2), 0x407, "old-2"},
          {N(10), N(3), 0x407, "old-3a"}, {N(10), N(3), 0x40C, "old-3b"},
          nameOnly,                        {N(10), N(9), 0x409, "old-9"},
          {N(16), N(1), 0x409, "old-version"}};
}

struct Outcome {
  std::int32_t replaced = 0, added = 0;
  std::vector<std::string> errors;
  int treeChanged = 0, itemsAdded = 0, dataChanged = 0;
};

Outcome Import(TResourceList* target, const std::vector<std::uint8_t>& image, bool addMissing) {
  Outcome o;
  TResSection* s = target->Section();
  s->OnTreeChanged = [&](TResourceList* list, TResSection* section) {
    EXPECT_EQ(list, target);
    EXPECT_EQ(section, s);
    ++o.treeChanged;
  };
  s->OnItemAdded = [&](TResSection*, TDataResItem*) { ++o.itemsAdded; };
  s->OnDataChanged = [&](TResSection*, TDataResItem*) { ++o.dataChanged; };
  TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
  o.replaced = ImportResources(target, stream, addMissing,
                               [&](const std::string& m) { o.errors.push_back(m); }, &o.added);
  std::sort(o.errors.begin(), o.errors.end());
  return o;
}

const char kVersionRefused[] = "Changing version resources is not allowed.";

TEST(Import, TheCasesOfTheMergeWithAddMissing) {
  TMemContainer target(TableTarget());
  target.Mem()->refuseVersion = true;
  TResourceList* root = target.GetRootList();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_patch.res")), true);

  EXPECT_EQ(State(root, N(10), N(1)), (Languages{{0x409, "new-1"}})) << "same language: replaced";
  EXPECT_EQ(State(root, N(10), N(2)), (Languages{{0x407, "old-2"}, {0x409, "new-2"}}))
      << "one other language: added beside it";
  EXPECT_EQ(State(root, N(10), N(3)),
            (Languages{{0x407, "old-3a"}, {0x40C, "old-3b"}, {0x409, "new-3"}}));
  EXPECT_EQ(State(root, N(10), N(4)), (Languages{{0x409, "new-4"}})) << "no language: added";
  EXPECT_EQ(State(root, N(10), N(5)), (Languages{{0x409, "new-5"}})) << "missing name: added";
  EXPECT_EQ(State(root, N(10), N(9)), (Languages{{0x409, "old-9"}})) << "not in the image";
  EXPECT_EQ(State(root, S("MYTYPE"), S("ITEM")), (Languages{{0x409, "new-item"}}));
  EXPECT_EQ(State(root, N(16), N(1)), (Languages{{0x409, "old-version"}})) << "refused";

  EXPECT_EQ(o.replaced, 6);
  EXPECT_EQ(o.added, 5);
  EXPECT_EQ(o.errors, (std::vector<std::string>{kVersionRefused}));
  EXPECT_EQ(o.treeChanged, 1);
  EXPECT_EQ(o.itemsAdded, 5);
  EXPECT_EQ(o.dataChanged, 6);
  EXPECT_TRUE(target.GetSection()->Modified);
  EXPECT_TRUE(target.GetSection()->StructureChanged);

  EXPECT_TRUE(TypeNode(root, S("MYTYPE"))->IsNew());
  EXPECT_FALSE(TypeNode(root, N(10))->IsNew());
  EXPECT_TRUE(Leaf(root, N(10), N(2), 1)->IsNew());
  EXPECT_FALSE(Leaf(root, N(10), N(2), 0)->IsNew());
  EXPECT_TRUE(Leaf(root, N(10), N(1))->IsModified());
  EXPECT_FALSE(Leaf(root, N(10), N(9))->IsModified()) << "untouched leaves keep their source";
}

TEST(Import, TheCasesOfTheMergeWithoutAddMissing) {
  TMemContainer target(TableTarget());
  target.Mem()->refuseVersion = true;
  TResourceList* root = target.GetRootList();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_patch.res")), false);

  EXPECT_EQ(State(root, N(10), N(1)), (Languages{{0x409, "new-1"}}));
  EXPECT_EQ(State(root, N(10), N(2)), (Languages{{0x407, "new-2"}})) << "the one language replaced";
  EXPECT_EQ(State(root, N(10), N(3)), (Languages{{0x407, "new-3"}, {0x40C, "old-3b"}}))
      << "the first of several replaced";
  EXPECT_EQ(State(root, N(10), N(4)), Languages{});
  EXPECT_EQ(State(root, N(10), N(5)), kAbsent);
  EXPECT_EQ(State(root, S("MYTYPE"), S("ITEM")), kAbsent);
  EXPECT_EQ(State(root, N(16), N(1)), (Languages{{0x409, "old-version"}}));

  EXPECT_EQ(o.replaced, 3);
  EXPECT_EQ(o.added, 0);
  EXPECT_EQ(o.errors, (std::vector<std::string>{kVersionRefused, "Could not find item MYTYPE\\ITEM.",
                                                "Could not find item RCData\\4.",
                                                "Could not find item RCData\\5."}));
  EXPECT_EQ(o.treeChanged, 0);
  EXPECT_FALSE(target.GetSection()->StructureChanged);
}

TEST(Import, ATargetThatCannotAddNeverAdds) {
  TMemContainer target(TableTarget());
  target.Mem()->canAdd = false;
  TResourceList* root = target.GetRootList();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_patch.res")), true);
  EXPECT_EQ(o.added, 0);
  EXPECT_EQ(State(root, N(10), N(2)), (Languages{{0x407, "new-2"}}))
      << "AddMissing off: the lookup is no longer exact";
  EXPECT_EQ(State(root, N(10), N(5)), kAbsent);
  ASSERT_EQ(State(root, N(16), N(1)).size(), 1u);
  EXPECT_NE(State(root, N(16), N(1))[0].second, "old-version");
  EXPECT_EQ(o.errors.size(), 3u) << "4, 5 and MYTYPE are reported as not found";
  EXPECT_EQ(o.replaced, 4) << "1, 2, 3 and the version (this target does not refuse it)";
}

TEST(Import, AnAddedVersionLeafStaysEmptyAndIsNotWritten) {
  TMemContainer target({{N(10), N(1), 0x409, "old-1"}});
  target.Mem()->refuseVersion = true;
  TResourceList* root = target.GetRootList();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_patch.res")), true);
  EXPECT_EQ(o.errors, (std::vector<std::string>{kVersionRefused}));
  ASSERT_EQ(State(root, N(16), N(1)), (Languages{{0x409, ""}}));
  EXPECT_FALSE(TypeNode(root, N(16))->GetSubList()->HasData());

  const std::string dir = testsupport::MakeScratchDir("restypes-import");
  root->WriteResFile(dir + "out.res", false);
  for (const auto& e : testimage::Parse(ReadBytes(dir + "out.res")))
    EXPECT_NE(e.type.number, 16) << "no version resource comes out";
  testsupport::RemoveTree(dir);
}

TEST(Import, AnImageWhoseResourcesAllExistReplacesEachOfThem) {
  auto target = TResResFile::CreateFromFile(Fixture("restypes_patch.res"));
  TResourceList* root = target->GetRootList();
  const int leaves = root->DataItemCount();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_patch.res")), true);
  EXPECT_EQ(o.replaced, leaves);
  EXPECT_EQ(o.added, 0);
  EXPECT_TRUE(o.errors.empty());
  EXPECT_EQ(o.treeChanged, 0);
  EXPECT_EQ(root->DataItemCount(), leaves);
  EXPECT_FALSE(target->GetSection()->StructureChanged);
}

TEST(Import, AZeroSizeResourceIsReportedAndItsAddedLeafStaysEmpty) {
  TMemContainer target(std::vector<MemRes>{});
  TResourceList* root = target.GetRootList();
  Outcome o = Import(root, ReadBytes(Fixture("restypes_zero.res")), true);
  EXPECT_EQ(o.errors, (std::vector<std::string>{
                          "Zero-size assignment. Please report this error to the author of this "
                          "program."}));
  EXPECT_EQ(o.added, 2);
  EXPECT_EQ(o.replaced, 1);
  EXPECT_EQ(State(root, N(10), N(7)), (Languages{{0x409, ""}}));
  EXPECT_EQ(State(root, N(10), N(8)), (Languages{{0x409, "eight"}}));
}

TEST(Import, DuplicatesInTheImageReachTheSameLeafAndTheLaterWins) {
  const std::string dir = testsupport::MakeScratchDir("restypes-dup");
  TMemContainer image({{N(10), N(1), 0x409, "first"}, {N(10), N(1), 0x409, "second"}});
  image.GetRootList()->WriteResFile(dir + "dup.res", false);
  const auto bytes = ReadBytes(dir + "dup.res");
  testsupport::RemoveTree(dir);

  TMemContainer lacking(std::vector<MemRes>{});
  Outcome a = Import(lacking.GetRootList(), bytes, true);
  EXPECT_EQ(State(lacking.GetRootList(), N(10), N(1)), (Languages{{0x409, "second"}}));
  EXPECT_EQ(a.replaced, 2);
  EXPECT_EQ(a.added, 1);

  TMemContainer having({{N(10), N(1), 0x409, "old"}});
  Outcome b = Import(having.GetRootList(), bytes, false);
  EXPECT_EQ(State(having.GetRootList(), N(10), N(1)), (Languages{{0x409, "second"}}));
  EXPECT_EQ(b.replaced, 2);
}

TEST(Import, AnEmptyImageImportsNothingAndReadsNothing) {
  const std::vector<std::uint8_t> header(EmptyResHeader, EmptyResHeader + 32);
  for (const auto& image : {header, std::vector<std::uint8_t>{}}) {
    TMemContainer target(TableTarget());
    Outcome o = Import(target.GetRootList(), image, true);
    EXPECT_EQ(o.replaced, 0);
    EXPECT_EQ(o.added, 0);
    EXPECT_EQ(target.Mem()->fillCalls, 0);
    EXPECT_FALSE(target.GetSection()->Modified);
  }
}

TEST(Import, AnInvalidImageFailsBeforeAnythingChanges) {
  auto image = ReadBytes(Fixture("restypes_patch.res"));
  image[12] = 0x12;  // the empty entry's NAME field
  TMemContainer target(TableTarget());
  TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
  try {
    ImportResources(target.GetRootList(), stream, true, nullptr);
    FAIL() << "a damaged header must be refused";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), " is not a valid resource file.");
  }
  EXPECT_FALSE(target.GetSection()->Modified);
  EXPECT_EQ(target.Mem()->fillCalls, 0);
}

TEST(Import, IntoTheListOfOneTypeOnlyThatTypeComes) {
  TMemContainer target(TableTarget());
  target.Mem()->refuseVersion = true;
  TResourceList* root = target.GetRootList();
  TResourceList* rcdata = TypeNode(root, N(10))->GetSubList();
  Outcome o = Import(rcdata, ReadBytes(Fixture("restypes_patch.res")), true);
  EXPECT_EQ(o.replaced, 5);
  EXPECT_EQ(o.added, 4);
  EXPECT_TRUE(o.errors.empty()) << "the version resource was not even tried";
  EXPECT_EQ(State(root, S("MYTYPE"), S("ITEM")), kAbsent);
  EXPECT_EQ(State(root, N(10), N(5)), (Languages{{0x409, "new-5"}}));
}

TEST(Import, IntoTheLanguagesOfOneNameOnlyThatNameComes) {
  TMemContainer target(TableTarget());
  TResourceList* root = target.GetRootList();
  TResourceList* languages = TypeNode(root, N(10))->GetSubList()->ListItem(2)->GetSubList();
  ASSERT_EQ(languages->Owner()->Id(), 3);
  Outcome o = Import(languages, ReadBytes(Fixture("restypes_patch.res")), true);
  EXPECT_EQ(o.replaced, 1);
  EXPECT_EQ(o.added, 1);
  EXPECT_EQ(State(root, N(10), N(3)),
            (Languages{{0x407, "old-3a"}, {0x40C, "old-3b"}, {0x409, "new-3"}}));
  EXPECT_EQ(State(root, N(10), N(1)), (Languages{{0x409, "old-1"}}));
  EXPECT_EQ(State(root, N(10), N(5)), kAbsent);
}

}  // namespace
