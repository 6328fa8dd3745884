// Language leaves: copy-on-change, notices, the choice of the data handler, export names,
// and the bytes of the resource image entries the model writes.
#include <gtest/gtest.h>

#include <cstring>

#include "Exceptions.h"
#include "MemFormat.h"
#include "TestImage.h"
#include "TestSupport.h"
#include "TestText.h"
#include "UResTool.h"

using namespace memfmt;

namespace {

std::string MessageOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const rtl::Exception& e) {
    return e.Message();
  }
  return "(no exception)";
}

std::vector<std::uint8_t> StreamBytes(rtl::TMemoryStream& s) {
  return std::vector<std::uint8_t>(s.Memory(), s.Memory() + s.BlockSize());
}

const char kZeroSize[] =
    "Zero-size assignment. Please report this error to the author of this program.";

TEST(DataLeaf, ShowsSourceBytesUntilNewDataIsAssigned) {
  TMemContainer c({{N(10), N(1), 0, "source"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  EXPECT_EQ(leaf->Data(), leaf->RawData()) << "unchanged data is not copied";
  EXPECT_FALSE(leaf->IsModified());
  EXPECT_FALSE(c.GetSection()->Modified);

  char buffer[] = "fresh!";
  leaf->SetData(buffer, 6);
  EXPECT_TRUE(leaf->IsModified());
  EXPECT_NE(leaf->Data(), reinterpret_cast<const std::uint8_t*>(buffer)) << "always copied";
  buffer[0] = 'X';
  EXPECT_EQ(Bytes(leaf), "fresh!");
  EXPECT_EQ(leaf->Size(), 6);
  EXPECT_EQ(leaf->RawSize(), 6);
  EXPECT_TRUE(c.GetSection()->Modified);

  leaf->SetData("ab", 2);
  EXPECT_EQ(Bytes(leaf), "ab");
  leaf->Revert(false);
  EXPECT_FALSE(leaf->IsModified());
  EXPECT_EQ(Bytes(leaf), "source");
  EXPECT_EQ(leaf->Data(), leaf->RawData());
}

TEST(DataLeaf, ZeroSizeAssignmentDropsOwnDataAndRaises) {
  TMemContainer c({{N(10), N(1), 0, "source"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  leaf->SetData("own", 3);
  EXPECT_EQ(MessageOf([&] { leaf->SetData("", 0); }), kZeroSize);
  EXPECT_FALSE(leaf->IsModified()) << "the earlier own data is gone";
  EXPECT_EQ(Bytes(leaf), "source");
  EXPECT_EQ(MessageOf([&] { leaf->AllocData(-5); }), kZeroSize);
  EXPECT_EQ(MessageOf([&] { leaf->SetData(nullptr, -1); }), kZeroSize);
  rtl::TMemoryStream empty;
  EXPECT_EQ(MessageOf([&] { leaf->LoadFromStream(empty); }), kZeroSize);
}

TEST(DataLeaf, LoadFromStreamTakesTheRest) {
  TMemContainer c({{N(10), N(1), 0, "source"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  rtl::TMemoryStream s;
  s.WriteBuffer("0123456789", 10);
  s.SetPosition(4);
  leaf->LoadFromStream(s);
  EXPECT_EQ(Bytes(leaf), "456789");
  EXPECT_EQ(s.Position(), 10);
  rtl::TMemoryStream out;
  leaf->SaveToStream(out);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out.Memory()), 6), "456789");
}

// A stream that claims more bytes than it gives.
class TShortStream : public rtl::TStream {
 public:
  std::int32_t Read(void* buffer, std::int32_t count) override {
    const std::int32_t n = count < 2 ? count : 2;
    std::memset(buffer, 'q', static_cast<std::size_t>(n));
    pos_ += n;
    return n;
  }
  std::int32_t Write(const void*, std::int32_t) override { return 0; }
  std::int64_t Seek(std::int64_t offset, int origin) override {
    if (origin == rtl::soEnd) return 10 + offset;
    if (origin == rtl::soBeginning) pos_ = offset;
    if (origin == rtl::soCurrent) pos_ += offset;
    return pos_;
  }

 private:
  std::int64_t pos_ = 0;
};

TEST(DataLeaf, AShortReadLeavesNoUndefinedBytesBehind) {
  TMemContainer c({{N(10), N(1), 0, "source"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  TShortStream s;
  EXPECT_EQ(MessageOf([&] { leaf->LoadFromStream(s); }), "Stream read error");
  EXPECT_FALSE(leaf->IsModified());
  EXPECT_EQ(Bytes(leaf), "source");
}

TEST(DataLeaf, AFormatRefusalComesBeforeAnyChange) {
  TMemContainer c({{N(16), N(1), 0x409, "version"}});
  c.Mem()->refuseVersion = true;
  TDataResItem* leaf = Leaf(c.GetRootList(), N(16), N(1));
  EXPECT_EQ(MessageOf([&] { leaf->SetData("x", 1); }), "Changing version resources is not allowed.");
  EXPECT_EQ(MessageOf([&] { leaf->SetData("", 0); }), "Changing version resources is not allowed.")
      << "SetData goes through the virtual LoadFromStream";
  EXPECT_EQ(Bytes(leaf), "version");
  EXPECT_FALSE(c.GetSection()->Modified);
}

TEST(DataLeaf, NoticesReachTheHandlerAndTheHooksAndHookFailuresAreIgnored) {
  TMemContainer c({{N(2), N(1), 0, "bitmap"}});
  TResSection* s = c.GetSection();
  TDataResItem* leaf = Leaf(c.GetRootList(), N(2), N(1));
  std::vector<std::string> events;
  s->OnDataChanged = [&](TResSection* sec, TDataResItem* l) {
    EXPECT_EQ(sec, s);
    EXPECT_EQ(l, leaf);
    events.push_back("changed");
    throw rtl::Exception("hook failure");
  };
  s->OnDataReleased = [&](TResSection*, TDataResItem*) {
    events.push_back("released");
    throw rtl::Exception("hook failure");
  };
  leaf->Revert(true);
  EXPECT_TRUE(events.empty()) << "Revert of an unchanged leaf does nothing";

  TResDataHandler* handler = leaf->DataHandler();
  handler->AddFormat("xyz");
  EXPECT_EQ(handler->Formats(), ";res;dcr;rc;raw;xyz;");
  leaf->SetData("one", 3);
  EXPECT_EQ(events, (std::vector<std::string>{"changed"}));
  EXPECT_EQ(handler->Formats(), ";res;dcr;rc;raw;") << "the change notice emptied the list";

  handler->AddFormat("xyz");
  leaf->SetData("two", 3);
  EXPECT_EQ(events, (std::vector<std::string>{"changed", "released", "changed"}));
  EXPECT_EQ(handler->Formats(), ";res;dcr;rc;raw;");
  leaf->Revert(true);
  EXPECT_EQ(events, (std::vector<std::string>{"changed", "released", "changed", "released"}));
  EXPECT_EQ(Bytes(leaf), "bitmap");
}

TEST(DataLeaf, EveryLeafGetsTheDefaultHandlerAnsweringNoToCarrying) {
  TMemContainer c({{N(2), N(1), 0, "b"}, {N(10), N(1), 0, "t\0"}, {S("X"), S("Y"), 7, ""},
                   {N(16), N(1), 0, "v"}});
  TResourceList* root = c.GetRootList();
  for (int t = 0; t < root->Count(); ++t) {
    TDataResItem* leaf = root->ListItem(t)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
    TResDataHandler* h = leaf->DataHandler();
    EXPECT_NE(dynamic_cast<TDefaultDataHandler*>(h), nullptr);
    EXPECT_EQ(leaf->DataHandler(), h) << "made once";
    EXPECT_EQ(h->DataItem(), leaf);
    EXPECT_FALSE(h->IsCarried());
    std::vector<TDataResItem*> carried{leaf};
    EXPECT_FALSE(h->CarriedItems(&carried));
    EXPECT_EQ(carried.size(), 1u) << "the list is left as it was";
    EXPECT_FALSE(h->CarriedItems(nullptr));
  }
}

// A default handler that counts how many were made.
class TCountedHandler : public TDefaultDataHandler {
 public:
  explicit TCountedHandler(TDataResItem* leaf, int& made) : TDefaultDataHandler(leaf) { ++made; }
};

TEST(DataLeaf, OnlyContentDependentTypesGetANewHandlerAfterAChange) {
  int made = 0;
  auto& types = CreateTypeHandlerRegistry();
  types.push_back([&made](std::int32_t) -> THandlerFactory {
    return [&made](TDataResItem* l) -> TResDataHandler* { return new TCountedHandler(l, made); };
  });
  TMemContainer c({{N(2), N(1), 0, "bitmap"}, {N(10), N(1), 0, "rcdata"}, {S("X"), N(1), 0, "x"}});
  TResourceList* root = c.GetRootList();
  struct Case {
    TDataResItem* leaf;
    int afterChange;
  } cases[] = {{Leaf(root, N(2), N(1)), 1}, {Leaf(root, N(10), N(1)), 2}};
  for (const Case& k : cases) {
    made = 0;
    k.leaf->DataHandler();
    k.leaf->SetData("new", 3);
    k.leaf->DataHandler();
    k.leaf->DataHandler();
    EXPECT_EQ(made, k.afterChange) << k.leaf->TypeText();
  }
  types.clear();
  TDataResItem* named = Leaf(root, S("X"), N(1));
  TResDataHandler* first = named->DataHandler();
  first->AddFormat("mark");
  named->Revert(true);  // nothing to drop: the handler stays
  EXPECT_EQ(named->DataHandler()->Formats(), first->Formats());
  EXPECT_TRUE(named->DataHandler()->HasFormat("mark"));
}

TEST(DataLeaf, AContentDependentHandlerIsChosenAgainAfterAChange) {
  TMemContainer c({{N(10), N(1), 0, std::string("hello\0", 6)}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  EXPECT_EQ(leaf->DataHandler()->Description(), "Text");
  leaf->SetData("a\0b\0", 4);
  EXPECT_EQ(leaf->DataHandler()->Description(), "RCData") << "the text test ran again";
  leaf->Revert(true);
  EXPECT_EQ(leaf->DataHandler()->Description(), "Text");
}

// A handler class a registry can answer.
class TMarkedHandler : public TDefaultDataHandler {
 public:
  using TDefaultDataHandler::TDefaultDataHandler;
  std::string Description() override { return "marked"; }
};

TEST(DataLeaf, HandlerRegistriesAreAskedInTheirOrder) {
  TMemContainer c({{N(2), N(1), 0, "b"}, {N(10), N(1), 0, "r"}, {S("MY"), N(1), 0, "m"},
                   {N(6), N(1), 0, "s"}});
  TResourceList* root = c.GetRootList();
  THandlerFactory marked = [](TDataResItem* l) -> TResDataHandler* { return new TMarkedHandler(l); };
  std::vector<std::int32_t> typesAsked;
  auto& types = CreateTypeHandlerRegistry();
  auto& items = CreateItemHandlerRegistry();
  types.push_back([&](std::int32_t t) -> THandlerFactory {
    typesAsked.push_back(t);
    return (t == 2 || t == 10) ? marked : THandlerFactory();
  });
  int itemsAsked = 0;
  items.push_back([&](TDataResItem* l) -> THandlerFactory {
    ++itemsAsked;
    return l->TypeIsNamed() ? marked : THandlerFactory();
  });

  EXPECT_EQ(Leaf(root, N(2), N(1))->DataHandler()->Description(), "marked");
  EXPECT_EQ(itemsAsked, 0) << "a fixed standard type never asks the leaf registry";
  EXPECT_EQ(Leaf(root, N(10), N(1))->DataHandler()->Description(), "RCData")
      << "the leaf registry's empty answer replaces the type registry's";
  EXPECT_EQ(itemsAsked, 1);
  EXPECT_EQ(Leaf(root, S("MY"), N(1))->DataHandler()->Description(), "marked");
  EXPECT_EQ(Leaf(root, N(6), N(1))->DataHandler()->Description(), "String");
  EXPECT_EQ(typesAsked, (std::vector<std::int32_t>{2, 10, 6})) << "named types are not asked by number";

  types.clear();
  items.clear();
}

TEST(DataLeaf, ExportNameAddsTheLanguageOnlyWhenThereAreSeveral) {
  TMemContainer c({{N(2), N(100), 0x0409, "a"},
                   {N(5), S("ABOUT"), 0x0000, "b"},
                   {N(5), S("ABOUT"), 0x0C00, "c"}});
  TResourceList* root = c.GetRootList();
  EXPECT_EQ(Leaf(root, N(2), N(100))->ExportName(), "100");
  EXPECT_EQ(Leaf(root, N(5), S("ABOUT"), 0)->ExportName(), "ABOUT_Neutral");
  EXPECT_EQ(Leaf(root, N(5), S("ABOUT"), 1)->ExportName(), "ABOUT_0C00");
}

// ---- Resource image entries -----------------------------------------------------------

TEST(ResEntry, NamedTypeAndNumberedNameGiveHeaderSize36) {
  TMemContainer c({{S("AB"), N(7), 0x0419, "xyz"}});
  c.Mem()->languageListCharacteristics = 0x11223344;
  TDataResItem* leaf = Leaf(c.GetRootList(), S("AB"), N(7));
  rtl::TMemoryStream s;
  leaf->WriteResEntry(s);
  const std::vector<std::uint8_t> expected = {
      // the empty entry
      0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
      0, 0, 0, 0, 0, 0, 0, 0,
      // DataSize 3, HeaderSize 36 (8 + 6 + 4 + 16 = 34, rounded up)
      3, 0, 0, 0, 36, 0, 0, 0,
      'A', 0, 'B', 0, 0, 0,     // TYPE
      0xFF, 0xFF, 7, 0,         // NAME
      0, 0,                     // padding
      0, 0, 0, 0, 0, 0, 0x19, 0x04, 0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11,  // ResHeaderInfo
      'x', 'y', 'z', 0};
  EXPECT_EQ(StreamBytes(s), expected);
}

TEST(ResEntry, ALeafWithoutDataWritesOnlyTheEmptyHeader) {
  TMemContainer c({{N(10), N(1), 0, ""}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(1));
  rtl::TMemoryStream s;
  leaf->WriteResEntry(s);
  ASSERT_EQ(s.BlockSize(), 32);
  EXPECT_EQ(std::memcmp(s.Memory(), EmptyResHeader, 32), 0);
  leaf->WriteResEntry(s);
  EXPECT_EQ(s.BlockSize(), 32) << "not at the start: nothing at all";
}

TEST(ResEntry, MultiByteNamesAreWrittenAsTheirRealUnits) {
  // Multi-byte on POSIX (UTF-8), one byte a letter in a Windows code page.
  const std::string name = testtext::Ansi("Привет"), resName = testtext::Ansi("ИМЯ");
  TMemContainer c({{S(name), S(resName), 0x0419, "data1"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), S(name), S(resName));
  rtl::TMemoryStream s;
  leaf->WriteResEntry(s);
  auto entries = testimage::Parse(StreamBytes(s));
  ASSERT_EQ(entries.size(), 1u);
  const testimage::Entry& e = entries[0];
  const std::u16string typeUnits = AnsiToWide(name), nameUnits = AnsiToWide(resName);
  EXPECT_EQ(typeUnits, testtext::Utf16("Привет"));
  EXPECT_EQ(e.type.text, typeUnits);
  EXPECT_EQ(e.name.text, nameUnits);
  EXPECT_EQ(WideToAnsi(e.type.text.data(), static_cast<int>(e.type.text.size())), name)
      << "the name comes back exactly";
  EXPECT_EQ(e.headerSize, static_cast<std::uint32_t>(
                              RoundUp4(static_cast<std::int32_t>(8 + 2 * (typeUnits.size() + 1) +
                                                                 2 * (nameUnits.size() + 1) + 16))));
  EXPECT_EQ(e.data, "data1");
  EXPECT_EQ(e.language, 0x0419);
}

TEST(ResEntry, AnEntryOffTheAlignmentStillDescribesItself) {
  TMemContainer c({{N(10), N(3), 0, "abcde"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(3));
  rtl::TMemoryStream s;
  s.WriteBuffer("zz", 2);
  leaf->WriteResEntry(s);
  const auto b = StreamBytes(s);
  const std::uint32_t headerSize = testimage::U32(b, 6);
  EXPECT_EQ(testimage::U32(b, 2), 5u);
  EXPECT_EQ((2 + headerSize) % 4, 0u) << "the data is aligned on the absolute position";
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()) + 2 + headerSize, 5), "abcde");
  EXPECT_EQ(testimage::U16(b, 2 + headerSize - 10), 0) << "LanguageId just before the data";
}

TEST(ResEntry, RoundUp4) {
  const std::pair<std::int32_t, std::int32_t> cases[] = {
      {0, 0}, {1, 4}, {3, 4}, {4, 4}, {5, 8}, {34, 36}, {-1, 0}, {-4, -4}, {-5, -4},
      {0x7FFFFFFC, 0x7FFFFFFC}};
  for (auto [in, out] : cases) EXPECT_EQ(RoundUp4(in), out) << in;
  EXPECT_LT(RoundUp4(0x7FFFFFFD), 0) << "wraps instead of overflowing";
}

class ResFiles : public ::testing::Test {
 protected:
  void SetUp() override { dir = testsupport::MakeScratchDir("restypes-resfile"); }
  void TearDown() override { testsupport::RemoveTree(dir); }
  std::string dir;
};

TEST_F(ResFiles, WriteResFileWritesLeavesWithDataInTreeOrder) {
  TMemContainer c({{N(10), N(1), 0x409, "one"},
                   {S("MY"), S("NAME"), 0x407, "two!"},
                   {N(10), N(2), 0x409, ""},  // no data: never written
                   {N(10), N(1), 0x407, "three"}});
  TResourceList* root = c.GetRootList();
  root->WriteResFile(dir + "all.res", false);
  auto all = testimage::Parse(testsupport::ReadBytes(dir + "all.res"));
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].data, "one");
  EXPECT_EQ(all[0].language, 0x409);
  EXPECT_EQ(all[1].data, "three") << "the languages of a name stay together";
  EXPECT_EQ(all[2].data, "two!");
  EXPECT_EQ(all[2].type.text, u"MY");
  EXPECT_EQ(all[2].name.text, u"NAME");

  Leaf(root, N(10), N(1), 1)->SetData("changed", 7);
  static_cast<TMemLeaf*>(Leaf(root, S("MY"), S("NAME")))->editMarked = true;
  c.GetSection()->AddResource(11, 1, 0, "", "", false, false,
                              reinterpret_cast<const std::uint8_t*>("new"), 3);
  root->WriteResFile(dir + "modified.res", true);
  auto modified = testimage::Parse(testsupport::ReadBytes(dir + "modified.res"));
  ASSERT_EQ(modified.size(), 3u);
  EXPECT_EQ(modified[0].data, "changed");
  EXPECT_EQ(modified[1].data, "two!");
  EXPECT_EQ(modified[2].data, "new");
  EXPECT_EQ(modified[2].type.number, 11);
}

TEST_F(ResFiles, AnImageWithoutDataIsStillAValidImage) {
  TMemContainer c({{N(10), N(1), 0, ""}});
  c.GetRootList()->ListItem(0);  // fill
  TMemContainer none(std::vector<MemRes>{});
  none.GetRootList()->WriteResFile(dir + "none.res", false);
  EXPECT_TRUE(testimage::Parse(testsupport::ReadBytes(dir + "none.res")).empty());
  EXPECT_EQ(testsupport::ReadBytes(dir + "none.res").size(), 32u);
}

TEST_F(ResFiles, WriteResFileFailures) {
  TMemContainer c({{N(10), N(1), 0, "one"}, {S("BAD"), N(1), 0, "two"}});
  const std::string noDir = dir + "missing" + plat::kPathDelim + "x.res";
  EXPECT_EQ(MessageOf([&] { c.GetRootList()->WriteResFile(noDir, false); }),
            testtext::Ansi("Нельзя создать файл ") + noDir)
      << "a failure to create passes unchanged";

  // A handler that fails when asked whether its leaf is carried.
  class TFailingHandler : public TDefaultDataHandler {
   public:
    using TDefaultDataHandler::TDefaultDataHandler;
    bool IsCarried() override { throw rtl::Exception("handler broke"); }
  };
  auto& items = CreateItemHandlerRegistry();
  items.push_back([](TDataResItem* l) -> THandlerFactory {
    if (!l->TypeIsNamed()) return THandlerFactory();
    return [](TDataResItem* leaf) -> TResDataHandler* { return new TFailingHandler(leaf); };
  });
  const std::string name = dir + "partial.res";
  EXPECT_EQ(MessageOf([&] { c.GetRootList()->WriteResFile(name, false); }),
            "handler broke\r\n(" + name + ")");
  items.clear();
  EXPECT_FALSE(plat::FileExists(name)) << "the partial file was deleted";
}

}  // namespace
