// The abstract tree: ordering, the three text comparisons, display texts, navigation and
// lazy filling, on the in-memory test format.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "MemFormat.h"

using namespace memfmt;

namespace {

std::vector<std::string> Texts(TResourceList* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->Count(); ++i) out.push_back(list->Item(i)->IdText());
  return out;
}

TEST(ResourceTree, SortPutsNamesFirstInByteOrderThenNumbersAscending) {
  TMemContainer c({{S("b"), N(1), 0, "x"},
                   {S("A"), N(1), 0, "x"},
                   {N(5), N(1), 0, "x"},
                   {N(3), N(1), 0, "x"},
                   {S("AB"), N(1), 0, "x"},
                   {S("\xC3\xA9"), N(1), 0, "x"},  // a high byte sorts after ASCII
                   {N(65535), N(1), 0, "x"}});
  TResourceList* root = c.GetRootList();
  EXPECT_EQ(Texts(root), (std::vector<std::string>{"b", "A", "5", "3", "AB", "\xC3\xA9", "65535"}))
      << "the model keeps source order until asked to sort";
  root->Sort();
  EXPECT_EQ(Texts(root), (std::vector<std::string>{"A", "AB", "b", "\xC3\xA9", "3", "5", "65535"}));
}

TEST(ResourceTree, CompareResItemsSigns) {
  TMemContainer c({{S("ICONS"), N(1), 0, "x"},
                   {S("icons"), N(1), 0, "x"},
                   {N(5), N(1), 0, "x"},
                   {S("5"), N(1), 0, "x"}});
  TResourceList* root = c.GetRootList();
  TResourceItem& upper = *root->Item(0);
  TResourceItem& lower = *root->Item(1);
  TResourceItem& five = *root->Item(2);
  TResourceItem& namedFive = *root->Item(3);
  EXPECT_LT(CompareResItems(upper, lower), 0) << "case-sensitive: 'I' < 'i'";
  EXPECT_GT(CompareResItems(lower, upper), 0);
  EXPECT_EQ(CompareResItems(five, five), 0);
  EXPECT_LT(CompareResItems(namedFive, five), 0) << "named before numbered";
  EXPECT_GT(CompareResItems(five, namedFive), 0);
}

TEST(ResourceTree, IndexOfAndSameResIdentifierRules) {
  TMemContainer a({{S("ICONS"), N(1), 0, "x"}, {N(5), N(1), 0, "x"}, {S("7"), N(1), 0, "x"}});
  TMemContainer b({{S("icons"), N(1), 0, "x"}, {S("5"), N(1), 0, "x"}, {N(7), N(1), 0, "x"},
                   {S("\xC3\x89"), N(1), 0, "x"}, {S("\xC3\xA9"), N(1), 0, "x"}});
  TResourceList* ra = a.GetRootList();
  TResourceList* rb = b.GetRootList();

  EXPECT_EQ(ra->IndexOf("icons", 0, true), 0);
  EXPECT_EQ(ra->IndexOf("5", 0, true), -1) << "a name never finds a number";
  EXPECT_EQ(ra->IndexOf("", 5, false), 1);
  EXPECT_EQ(ra->IndexOf("", 7, false), -1) << "a number never finds a name";
  EXPECT_EQ(ra->IndexOf("7", 0, true), 2);
  EXPECT_EQ(ra->IndexOf("", 0, false), -1) << "named nodes report Id 0 but are no number";

  EXPECT_TRUE(SameResIdentifier(*ra->Item(0), *rb->Item(0)));    // ICONS / icons
  EXPECT_FALSE(SameResIdentifier(*ra->Item(1), *rb->Item(1)));   // 5 / "5"
  EXPECT_FALSE(SameResIdentifier(*ra->Item(2), *rb->Item(2)));   // "7" / 7
  EXPECT_FALSE(SameResIdentifier(*rb->Item(3), *rb->Item(4)))    // only ASCII letters fold
      << "SameResIdentifier folds A-Z only";
  EXPECT_TRUE(SameTextAscii("Version", "VERSION"));
  EXPECT_FALSE(SameTextAscii("Version", "Versio"));
  EXPECT_FALSE(SameTextAscii("[", "{")) << "no folding outside the letters";
}

TEST(ResourceTree, DisplayNames) {
  TMemContainer c({{N(16), N(1), 0x0000, "v"},
                   {N(24), N(1), 0x0C00, "m"},
                   {N(5), N(100), 0x1000, "d"},
                   {S("MYTYPE"), S("ABOUT"), 0x0400, "t"},
                   {S("16"), N(3), 0x0800, "n"}});
  TResourceList* root = c.GetRootList();
  struct Case {
    MemId type;
    MemId name;
    std::string typeText, nameText, leafText, typeDisplay;
    bool standard;
  } cases[] = {
      {N(16), N(1), "Version", "1", "Neutral", "Version", true},
      {N(24), N(1), "24", "1", "0C00", "24", false},
      {N(5), N(100), "Dialog", "100", "1000", "Dialog", true},
      {S("MYTYPE"), S("ABOUT"), "MYTYPE", "ABOUT", "User Default", "MYTYPE", false},
      {S("16"), N(3), "16", "3", "System Default", "16", false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.typeText);
    TListResItem* type = TypeNode(root, k.type);
    ASSERT_NE(type, nullptr);
    TDataResItem* leaf = Leaf(root, k.type, k.name);
    EXPECT_EQ(type->DisplayName(), k.typeText);
    EXPECT_EQ(leaf->NameItem()->DisplayName(), k.nameText);
    EXPECT_EQ(leaf->DisplayName(), k.leafText);
    EXPECT_EQ(leaf->TypeDisplayName(), k.typeDisplay);
    EXPECT_EQ(leaf->IsStandardType(), k.standard);
    EXPECT_EQ(leaf->NameItem()->IsStandardType(), k.standard);
  }
  // A name node shows its number even when that number is a standard type's.
  EXPECT_EQ(Leaf(root, N(16), N(1))->NameItem()->DisplayName(), "1");
}

TEST(ResourceTree, StandardTypeSet) {
  const std::vector<int> standard = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 16, 17,
                                     19, 20, 21, 22, 23};
  for (int t = -1; t <= 40; ++t) {
    bool expected = std::find(standard.begin(), standard.end(), t) != standard.end();
    EXPECT_EQ(IsStandardResType(t), expected) << t;
  }
  EXPECT_EQ(ResTypeName(19), "Plug & Play");
  EXPECT_EQ(ResTypeName(11), "Message Table");
  EXPECT_EQ(ResTypeName(13), "");
  EXPECT_FALSE(IsStandardResType(16 + 65536)) << "only numbers below 32 can be members";
}

TEST(ResourceTree, NavigationBetweenLevels) {
  TMemContainer c({{N(6), N(7), 0x0409, "a"}, {N(6), N(7), 0x0407, "b"}, {N(6), N(8), 0, "c"}});
  TResourceList* root = c.GetRootList();
  TListResItem* type = root->ListItem(0);
  TListResItem* name7 = type->GetSubList()->ListItem(0);
  TListResItem* name8 = type->GetSubList()->ListItem(1);
  TDataResItem* leaf = name7->GetSubList()->DataItem(1);

  EXPECT_EQ(root->Level(), 0);
  EXPECT_EQ(type->GetSubList()->Level(), 1);
  EXPECT_EQ(name7->GetSubList()->Level(), 2);
  EXPECT_EQ(type->Level(), 0);
  EXPECT_EQ(leaf->Level(), 2);
  EXPECT_TRUE(type->IsDirectory());
  EXPECT_TRUE(name7->IsDirectory());
  EXPECT_FALSE(leaf->IsDirectory());

  EXPECT_EQ(type->TypeItem(), type);
  EXPECT_EQ(name7->TypeItem(), type);
  EXPECT_EQ(leaf->TypeItem(), type);
  EXPECT_EQ(type->NameItem(), nullptr);
  EXPECT_EQ(name7->NameItem(), name7);
  EXPECT_EQ(leaf->NameItem(), name7);
  EXPECT_EQ(leaf->Section(), c.GetSection());
  EXPECT_EQ(leaf->TypeId(), 6);
  EXPECT_FALSE(leaf->TypeIsNamed());
  EXPECT_EQ(leaf->TypeText(), "6");
  EXPECT_EQ(leaf->Language(), 0x0407);

  EXPECT_FALSE(name7->HasSingleChild());
  EXPECT_TRUE(name8->HasSingleChild());
  EXPECT_FALSE(type->HasSingleChild()) << "only a name node can have a single child";
  EXPECT_EQ(root->DataItemCount(), 3);
  EXPECT_EQ(type->GetSubList()->DataItemCount(), 3);
  EXPECT_EQ(name7->GetSubList()->DataItemCount(), 2);
}

TEST(ResourceTree, ListsFillOnlyWhenVisitedAndOnlyOnce) {
  TMemContainer c({{N(1), N(1), 0, "a"}, {N(2), N(1), 0, "b"}, {N(2), N(2), 0, "c"},
                   {N(3), N(1), 0, "d"}});
  TMemSection* s = c.Mem();
  TResourceList* root = c.GetRootList();
  EXPECT_EQ(s->fillCalls, 0) << "making the root list reads nothing";
  EXPECT_FALSE(root->IsFilled());
  EXPECT_EQ(root->Count(), 3);
  EXPECT_EQ(root->Count(), 3);
  root->IndexOf("", 2, false);
  EXPECT_EQ(s->fillCalls, 1);

  TResourceList* names = root->ListItem(1)->GetSubList();
  EXPECT_EQ(s->fillCalls, 1) << "a sub-list is made without being filled";
  EXPECT_EQ(root->ListItem(1)->GetSubList(), names) << "made once";
  EXPECT_EQ(names->Count(), 2);
  EXPECT_EQ(s->fillCalls, 2);

  // A lookup fills exactly the lists on its path.
  TResPath path;
  path.TypeId = 3;
  path.NameId = 1;
  c.GetSection()->FindItemByPath(path, false, false);
  EXPECT_EQ(s->fillCalls, 4);
  EXPECT_FALSE(root->ListItem(0)->GetSubList()->IsFilled());
  EXPECT_EQ(root->ListItem(0)->ExistingSubList(), root->ListItem(0)->GetSubList());
}

TEST(ResourceTree, AFailedFillKeepsWhatItAddedAndIsNotRepeated) {
  TMemContainer c({{N(1), N(1), 0, "a"}, {N(2), N(1), 0, "b"}});
  c.Mem()->failFillAtLevel = 0;
  TResourceList* root = c.GetRootList();
  try {
    root->Count();
    FAIL() << "the fill failure must reach the caller";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), "fill failed");
  }
  EXPECT_EQ(root->Count(), 1);
  EXPECT_EQ(c.Mem()->fillCalls, 1);
}

TEST(ResourceTree, ItemIndexOutOfBounds) {
  TMemContainer c({{N(1), N(1), 0, "a"}, {N(2), N(1), 0, "b"}});
  TResourceList* root = c.GetRootList();
  for (int index : {-1, 2, 1000}) {
    try {
      root->Item(index);
      FAIL() << index;
    } catch (const rtl::EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
  EXPECT_THROW(root->DataItem(0), rtl::EListError) << "a directory node is no leaf";
}

TEST(ResourceTree, HasDataLooksForAnyLeafWithBytes) {
  TMemContainer empty({{N(1), N(1), 0, ""}, {N(2), S("X"), 0, ""}});
  EXPECT_FALSE(empty.GetRootList()->HasData());
  EXPECT_EQ(empty.GetRootList()->DataItemCount(), 2);
  TMemContainer some({{N(1), N(1), 0, ""}, {N(2), S("X"), 0, "z"}});
  EXPECT_TRUE(some.GetRootList()->HasData());
  TMemContainer none(std::vector<MemRes>{});
  EXPECT_FALSE(none.GetRootList()->HasData());
  EXPECT_EQ(none.GetRootList()->DataItemCount(), 0);
}

}  // namespace
