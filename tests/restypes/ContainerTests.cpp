// The container and its section: opening files and copying streams with their messages and
// without leaked handles, the section's lookups, adding and change flags.
#include <gtest/gtest.h>

#include <filesystem>

#include "DataHandler.h"
#include "Exceptions.h"
#include "MemFormat.h"
#include "TestSupport.h"
#include "TestText.h"

using namespace memfmt;
using testsupport::MakeScratchDir;
using testsupport::RemoveTree;
using testsupport::WriteBytes;

namespace {

#ifndef _WIN32
int OpenDescriptors() {
  int n = 0;
  for (const auto& e : std::filesystem::directory_iterator("/proc/self/fd")) {
    (void)e;
    ++n;
  }
  return n;
}
#endif

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const rtl::Exception& e) {
    return e.Message();
  }
  return "(no exception)";
}

class ContainerFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir = MakeScratchDir("restypes-container"); }
  void TearDown() override { RemoveTree(dir); }
  std::string dir;
};

TEST_F(ContainerFiles, MissingFileFailsWithTheOpenMessage) {
  const std::string name = dir + "missing.res";
  EXPECT_EQ(MessageOf([&] { TMemContainer::FromFile(name); }),
            testtext::Ansi("Нельзя открыть: ") + name + testtext::Ansi(". Ошибка: ") + "Open failed");
}

TEST_F(ContainerFiles, EmptyFileRaisesZeroSizeAndLeavesNothingOpen) {
  const std::string name = dir + "empty.res";
  WriteBytes(name, {});
#ifndef _WIN32
  const int before = OpenDescriptors();
#endif
  try {
    TMemContainer::FromFile(name);
    FAIL() << "an empty file must be refused";
  } catch (const EZeroSizeException& e) {
    EXPECT_EQ(e.Message(), "Zero sized file !");
  }
#ifndef _WIN32
  EXPECT_EQ(OpenDescriptors(), before) << "the failed open closed its handle";
#endif
  {
    // A reader that accepts empty files keeps the container: the file must be closed anyway.
    auto kept = TMemContainer::FromFileAcceptingEmpty(name);
    EXPECT_EQ(kept->Size(), 0);
    EXPECT_EQ(kept->Memory(), nullptr);
#ifndef _WIN32
    EXPECT_EQ(OpenDescriptors(), before);
#endif
    EXPECT_TRUE(plat::DeleteFile(name)) << "no handle keeps the file";
  }
}

TEST_F(ContainerFiles, OpenFileMapsTheWholeFileAndClosesOnDestruction) {
  const std::string name = dir + "data.bin";
  WriteBytes(name, {1, 2, 3, 4, 5});
#ifndef _WIN32
  const int before = OpenDescriptors();
#endif
  {
    auto c = TMemContainer::FromFile(name);
    EXPECT_EQ(c->FileName(), name);
    ASSERT_EQ(c->Size(), 5);
    EXPECT_EQ(std::vector<std::uint8_t>(c->Memory(), c->Memory() + 5),
              (std::vector<std::uint8_t>{1, 2, 3, 4, 5}));
#ifdef _WIN32
    EXPECT_FALSE(plat::DeleteFile(name)) << "the file stays shared for reading only";
#endif
  }
#ifndef _WIN32
  EXPECT_EQ(OpenDescriptors(), before);
#endif
  EXPECT_TRUE(plat::DeleteFile(name));
}

TEST(Container, CopyStreamTakesTheRestOfTheStream) {
  rtl::TMemoryStream s;
  s.WriteBuffer("abcdefgh", 8);
  s.SetPosition(3);
  auto c = TMemContainer::FromStream(s);
  ASSERT_EQ(c->Size(), 5);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(c->Memory()), 5), "defgh");
  EXPECT_EQ(c->FileName(), "");

  s.SetPosition(8);
  EXPECT_THROW(TMemContainer::FromStream(s), EZeroSizeException);
  s.SetPosition(20);
  EXPECT_EQ(MessageOf([&] { TMemContainer::FromStream(s); }),
            testtext::Ansi("Нельзя открыть: . Ошибка: Open failed"));
}

TEST_F(ContainerFiles, CopyStreamOfAResFileStreamKeepsItsName) {
  const std::string name = dir + "named.res";
  WriteBytes(name, {9, 8, 7});
  TResFileStream s(name, plat::fmOpenRead);
  auto c = TMemContainer::FromStream(s);
  EXPECT_EQ(c->FileName(), name);
  EXPECT_EQ(c->Size(), 3);
}

TEST_F(ContainerFiles, ResFileStreamCreateModeEmptiesAFile) {
  const std::string name = dir + "old.res";
  WriteBytes(name, {1, 2, 3, 4});
  {
    TResFileStream s(name, 0xFFFF);
    EXPECT_EQ(s.FileName(), name);
    EXPECT_EQ(s.Size(), 0);
  }
  EXPECT_TRUE(testsupport::ReadBytes(name).empty());
}

TEST(Container, NoSectionRaisesEveryTimeAndAsksOnce) {
  TMemContainer c({}, /*hasSection=*/false);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(MessageOf([&] { c.GetRootList(); }), "No resources in this file.");
  EXPECT_EQ(c.createSectionCalls, 1);
}

TEST(Container, DestroyingTheTreeSendsNoNotices) {
  int released = 0;
  {
    TMemContainer c({{N(10), N(1), 0, "abc"}});
    TDataResItem* leaf = c.GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
    leaf->SetData("xyz", 3);
    c.GetSection()->OnDataReleased = [&](TResSection*, TDataResItem*) { ++released; };
  }
  EXPECT_EQ(released, 0) << "destroying a leaf frees its data without notices";
}

// ---- Lookups --------------------------------------------------------------------------

struct PathCase {
  const char* what;
  std::vector<std::uint16_t> languages;  // of the name 5\100; empty: a name without leaves
  std::uint16_t wanted;
  bool exact, strict;
  int expected;  // index of the leaf found, -1: "Could not find item"
};

TEST(Section, FindItemByPathOutcomes) {
  const PathCase cases[] = {
      {"none", {}, 0x409, false, false, -1},
      {"none exact strict", {}, 0x409, true, true, -1},
      {"one, wanted", {0x409}, 0x409, false, false, 0},
      {"one, other", {0x407}, 0x409, false, true, 0},
      {"one, wanted, exact", {0x409}, 0x409, true, false, 0},
      {"one, other, exact", {0x407}, 0x409, true, false, -1},
      {"several, wanted", {0x407, 0x409}, 0x409, false, true, 1},
      {"several, wanted, exact", {0x407, 0x409, 0x40C}, 0x409, true, true, 1},
      {"several, other, exact", {0x407, 0x40C}, 0x409, true, false, -1},
      {"several, other, strict", {0x407, 0x40C}, 0x409, false, true, -1},
      {"several, other, loose", {0x407, 0x40C}, 0x409, false, false, 0},
  };
  for (const PathCase& k : cases) {
    SCOPED_TRACE(k.what);
    std::vector<MemRes> rows;
    if (k.languages.empty()) {
      MemRes r{N(5), N(100), 0, ""};
      r.nameOnly = true;
      rows.push_back(r);
    }
    for (std::uint16_t l : k.languages) rows.push_back({N(5), N(100), l, std::to_string(l)});
    rows.push_back({N(5), N(101), k.wanted, "other name"});
    TMemContainer c(rows);
    TResPath path;
    path.TypeId = 5;
    path.NameId = 100;
    path.LanguageId = k.wanted;
    if (k.expected < 0) {
      EXPECT_EQ(MessageOf([&] { c.GetSection()->FindItemByPath(path, k.exact, k.strict); }),
                "Could not find item Dialog\\100.");
    } else {
      TDataResItem* found = c.GetSection()->FindItemByPath(path, k.exact, k.strict);
      EXPECT_EQ(found, Leaf(c.GetRootList(), N(5), N(100), k.expected));
    }
  }
}

TEST(Section, FindItemByPathMissingTypeOrName) {
  TMemContainer c({{N(5), N(100), 0, "d"}, {S("MYTYPE"), S("ITEM"), 0, "m"}});
  TResPath path;
  path.TypeId = 6;
  path.NameId = 100;
  EXPECT_EQ(MessageOf([&] { c.GetSection()->FindItemByPath(path, false, false); }),
            "Could not find item String\\100.");
  path.TypeId = 5;
  path.NameId = 101;
  EXPECT_EQ(MessageOf([&] { c.GetSection()->FindItemByPath(path, false, false); }),
            "Could not find item Dialog\\101.");
  TResPath named;
  named.TypeIsNamed = true;
  named.TypeName = "mytype";
  named.NameIsNamed = true;
  named.ResName = "item";
  EXPECT_EQ(c.GetSection()->FindItemByPath(named, true, true)->IsNew(), false)
      << "names match without regard to case";
}

TEST(Section, ANamedTypePathNeverFindsANumberedType) {
  // FindTypeByName would take "Dialog" or "5" for type 5; a path to a named type must not.
  TMemContainer c({{N(5), N(100), 0, "numbered"}});
  for (const char* text : {"Dialog", "5"}) {
    TResPath path;
    path.TypeIsNamed = true;
    path.TypeName = text;
    path.NameId = 100;
    EXPECT_EQ(MessageOf([&] { c.GetSection()->FindItemByPath(path, false, false); }),
              std::string("Could not find item ") + text + "\\100.");
  }
}

TEST(Section, FindTypeByNameAcceptsNumbersDisplayNamesAndNames) {
  TMemContainer c({{N(16), N(1), 0, "v"},
                   {N(24), N(1), 0, "x"},
                   {S("MyType"), N(1), 0, "m"},
                   {S("Dialog"), N(1), 0, "named dialog"},
                   {N(5), N(1), 0, "dialog"}});
  TResSection* s = c.GetSection();
  struct Case {
    const char* text;
    int typeIndex;  // -1: none
  } cases[] = {{"Version", 0}, {"VERSION", 0}, {"version", 0}, {"16", 0},  {"Vers", -1},
               {"24", 1},      {"mytype", 2},  {"MYTYPE", 2},  {"Dialog", 3}, {"5", 4},
               {"DIALOG", 3},  {"", -1},       {"Icon", -1}};
  for (const Case& k : cases) {
    SCOPED_TRACE(k.text);
    TResourceList* found = s->FindTypeByName(k.text);
    if (k.typeIndex < 0)
      EXPECT_EQ(found, nullptr);
    else
      EXPECT_EQ(found, c.GetRootList()->ListItem(k.typeIndex)->GetSubList());
  }
  EXPECT_EQ(s->FindTypeById(24), c.GetRootList()->ListItem(1)->GetSubList());
  EXPECT_EQ(s->FindTypeById(6), nullptr);
}

TEST(Section, ResPathText) {
  struct Case {
    TResPath path;
    std::string text;
  } cases[4];
  cases[0].path.TypeId = 5;
  cases[0].path.NameId = 100;
  cases[0].path.LanguageId = 0x409;
  cases[0].text = "Dialog\\100";
  cases[1].path.TypeIsNamed = true;
  cases[1].path.TypeName = "MYTYPE";
  cases[1].path.NameIsNamed = true;
  cases[1].path.ResName = "ABOUT";
  cases[1].text = "MYTYPE\\ABOUT";
  cases[2].path.TypeId = 24;
  cases[2].path.NameId = 7;
  cases[2].text = "24\\7";
  cases[3].path.TypeId = 19;
  cases[3].path.NameIsNamed = true;
  cases[3].path.ResName = "X";
  cases[3].text = "Plug & Play\\X";
  for (const auto& k : cases) EXPECT_EQ(ResPathText(k.path), k.text);
}

TEST(Section, FindMatchingItemCutsLongTextsAndFindsNothingThen) {
  const std::string longName(250, 'N');
  const std::string cut(200, 'N');
  TMemContainer source({{N(10), S(longName), 0, "src"}, {N(10), S(cut), 0, "src200"},
                        {S(longName), N(1), 0, "srctype"}});
  TMemContainer target({{N(10), S(longName), 0, "dst"}, {N(10), S(cut), 0, "dst200"},
                        {S(cut), N(1), 0, "dsttype"}});
  TResourceList* root = source.GetRootList();
  TResSection* t = target.GetSection();

  EXPECT_EQ(MessageOf([&] { t->FindMatchingItem(Leaf(root, N(10), S(longName)), false, false); }),
            "Could not find item RCData\\" + cut + ".");
  EXPECT_EQ(Bytes(t->FindMatchingItem(Leaf(root, N(10), S(cut)), true, true)), "dst200")
      << "200 characters are kept whole";
  EXPECT_EQ(MessageOf([&] { t->FindMatchingItem(Leaf(root, S(longName), N(1)), false, false); }),
            "Could not find item " + cut + "\\1.")
      << "a cut type must not find the type named by the cut";
}

TEST(Section, AddResourceSetsStructureChangedAndCallsTheHook) {
  TMemContainer c({{N(10), N(1), 0, "a"}});
  TResSection* s = c.GetSection();
  std::vector<TDataResItem*> seen;
  s->OnItemAdded = [&](TResSection* section, TDataResItem* leaf) {
    EXPECT_EQ(section, s);
    seen.push_back(leaf);
  };
  TDataResItem* leaf = s->AddResource(10, 2, 0x409, "", "", false, false, nullptr, 0);
  EXPECT_TRUE(s->StructureChanged);
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], leaf);
  EXPECT_TRUE(leaf->IsNew());
  EXPECT_EQ(leaf->Size(), 0);
  EXPECT_EQ(c.GetRootList()->Count(), 1) << "the type node is found, not made twice";

  s->OnItemAdded = [](TResSection*, TDataResItem*) { throw rtl::Exception("hook"); };
  EXPECT_EQ(MessageOf([&] { s->AddResource(11, 1, 0, "", "", false, false, nullptr, 0); }), "hook")
      << "a failure of this hook passes to the caller";
}

class TRefusingSection : public TMemSection {
 public:
  using TMemSection::TMemSection;
  TDataResItem* Add() {
    return TResSection::DoAddResource(1, 1, 0, "", "", false, false, nullptr, 0);
  }
};

TEST(Section, TheBaseRefusesToAdd) {
  TMemContainer c(std::vector<MemRes>{});
  TRefusingSection s(&c, {});
  EXPECT_EQ(MessageOf([&] { s.Add(); }), "Operation not allowed");
  EXPECT_FALSE(s.TResSection::CanAddResources());
}

TEST(Section, UpdateModifiedFollowsTheLeavesAndReadsNothingNew) {
  TMemContainer c({{N(10), N(1), 0, "a"}, {N(10), N(2), 0, "b"}, {N(11), N(1), 0, "c"}});
  TResSection* s = c.GetSection();
  s->UpdateModified();
  EXPECT_FALSE(s->Modified);
  EXPECT_EQ(c.Mem()->fillCalls, 0) << "no list was read to learn that nothing changed";

  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(2));
  const int fills = c.Mem()->fillCalls;
  leaf->SetData("new", 3);
  EXPECT_TRUE(s->Modified);
  s->UpdateModified();
  EXPECT_TRUE(s->Modified);
  leaf->Revert(false);
  EXPECT_TRUE(s->Modified) << "Revert without update leaves the flag";
  leaf->SetData("new", 3);
  leaf->Revert(true);
  EXPECT_FALSE(s->Modified);
  EXPECT_EQ(c.Mem()->fillCalls, fills) << "the walk only looks at lists that exist";

  s->AddResource(12, 1, 0, "", "", false, false, nullptr, 0);
  s->UpdateModified();
  EXPECT_TRUE(s->Modified) << "an added resource keeps the section modified";
}

}  // namespace
