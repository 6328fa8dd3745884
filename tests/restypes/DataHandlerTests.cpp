// The default data handler's formats, descriptions, text detection, export and import in
// side formats, and the resource-script line.
#include <gtest/gtest.h>

#include "Exceptions.h"
#include "MemFormat.h"
#include "StringList.h"
#include "TestImage.h"

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

struct HandlerCase {
  const char* what;
  MemId type;
  std::string data;
  bool text, rtf;
  std::string formats, description, firstDescription;
};

TEST(DefaultHandler, FormatsAndDescriptionsFollowTheContent) {
  const std::string rtf7 = "{\\rtf1 ";
  const HandlerCase cases[] = {
      {"bitmap", N(2), "BM\0\0binary", false, false, ";res;dcr;rc;raw;", "Bitmap", "Resource file"},
      {"string table text is binary", N(6), "plain words", false, false, ";res;dcr;rc;raw;",
       "String", "Resource file"},
      {"rcdata text with one final zero", N(10), std::string("hello\0", 6), true, false,
       ";txt;res;dcr;rc;", "Text", "Plain Text"},
      {"rcdata rtf", N(10), rtf7, true, true, ";rtf;res;dcr;rc;", "RTF", "Rich Text Format"},
      {"rtf header alone is plain text", N(10), "{\\rtf1", true, false, ";txt;res;dcr;rc;", "Text",
       "Plain Text"},
      {"rtf case matters", N(10), "{\\RTF1 x", true, false, ";txt;res;dcr;rc;", "Text",
       "Plain Text"},
      {"zero in the middle", N(10), std::string("ab\0cd", 5), false, false, ";res;dcr;rc;raw;",
       "RCData", "Resource file"},
      {"single byte", N(10), "a", false, false, ";res;dcr;rc;raw;", "RCData", "Resource file"},
      {"two bytes", N(10), "ab", true, false, ";txt;res;dcr;rc;", "Text", "Plain Text"},
      {"empty", N(10), "", false, false, ";res;dcr;rc;raw;", "RCData", "Resource file"},
      {"html", N(23), "<p>hi</p>", true, false, ";txt;res;dcr;rc;", "Text", "Plain Text"},
      {"named type", S("MYTYPE"), "readme", true, false, ";txt;res;dcr;rc;", "Text", "Plain Text"},
      {"named binary", S("MYTYPE"), std::string("\0x", 2), false, false, ";res;dcr;rc;raw;",
       "MYTYPE", "Resource file"},
      {"unknown number", N(240), "words", true, false, ";txt;res;dcr;rc;", "Text", "Plain Text"},
  };
  for (const HandlerCase& k : cases) {
    SCOPED_TRACE(k.what);
    TMemContainer c({{k.type, N(1), 0, k.data}});
    TResDataHandler* h = Leaf(c.GetRootList(), k.type, N(1))->DataHandler();
    auto* d = dynamic_cast<TDefaultDataHandler*>(h);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(h->IsText(), k.text);
    EXPECT_EQ(d->IsRtf(), k.rtf);
    EXPECT_EQ(h->Formats(), k.formats);
    EXPECT_EQ(h->Description(), k.description);
    EXPECT_EQ(h->FormatDescription(""), k.firstDescription);
    EXPECT_FALSE(h->SupportsFormat("rc"));
    EXPECT_FALSE(h->SupportsFormat("RC"));
  }
}

TEST(DefaultHandler, SupportsFormat) {
  TMemContainer c({{N(2), N(1), 0, "BM"}, {N(10), N(1), 0, "text"}});
  TResDataHandler* bitmap = Leaf(c.GetRootList(), N(2), N(1))->DataHandler();
  TResDataHandler* rcdata = Leaf(c.GetRootList(), N(10), N(1))->DataHandler();
  EXPECT_FALSE(bitmap->SupportsFormat("txt"));
  EXPECT_TRUE(bitmap->SupportsFormat("RES"));
  EXPECT_TRUE(bitmap->SupportsFormat("raw"));
  EXPECT_FALSE(bitmap->SupportsFormat("bmp"));
  EXPECT_TRUE(rcdata->SupportsFormat("bmp")) << "content-dependent types take any extension";
  EXPECT_TRUE(rcdata->SupportsFormat("raw"));
}

TEST(DefaultHandler, FormatDescriptionsByExtension) {
  TMemContainer c({{N(2), N(1), 0, "BM"}});
  TResDataHandler* h = Leaf(c.GetRootList(), N(2), N(1))->DataHandler();
  const std::pair<const char*, const char*> cases[] = {
      {"res", "Resource file"},     {"RES", "Resource file"}, {"dcr", "Delphi Component Resource"},
      {"rc", "Text rc file"},       {"raw", "Raw data"},      {"bin", "Raw data"},
      {"rtf", "Rich Text Format"},  {"TXT", "Plain Text"}};
  for (auto [ext, text] : cases) EXPECT_EQ(h->FormatDescription(ext), text) << ext;
  TResDataHandler base(Leaf(c.GetRootList(), N(2), N(1)));
  EXPECT_EQ(base.FormatDescription("rtf"), "Raw data") << "only the default handler knows text";
  EXPECT_EQ(base.FormatDescription("txt"), "Raw data");
  EXPECT_EQ(base.Description(), "Bitmap");
  EXPECT_FALSE(base.IsText());
}

TEST(DefaultHandler, FormatListOperations) {
  TMemContainer c({{N(2), N(100), 0, "BM"}});
  TResDataHandler* h = Leaf(c.GetRootList(), N(2), N(100))->DataHandler();
  EXPECT_EQ(h->FormatAt(0), "res");
  EXPECT_EQ(h->FormatAt(3), "raw");
  EXPECT_EQ(h->FormatAt(4), "");
  EXPECT_EQ(h->FormatAt(-1), "");
  EXPECT_TRUE(h->HasFormat("DCR"));
  EXPECT_FALSE(h->HasFormat(""));
  h->AddFormat("BMP");
  h->AddFormat("bmp");
  EXPECT_EQ(h->Formats(), ";res;dcr;rc;raw;bmp;");
  h->RemoveFormat("DCR");
  EXPECT_EQ(h->Formats(), ";res;rc;raw;bmp;");
  h->RemoveFormat("dc");
  EXPECT_EQ(h->Formats(), ";res;rc;raw;bmp;") << "only whole entries";
  EXPECT_EQ(h->DefaultFileName(0), "100.res");
  EXPECT_EQ(h->DefaultFileName(3), "100.bmp");
  EXPECT_EQ(h->DefaultFileName(9), "100.");
}

TEST(DefaultHandler, StatusText) {
  TMemContainer c({{N(10), N(1), 0, ""}, {N(10), N(2), 0, "x"}});
  EXPECT_EQ(Leaf(c.GetRootList(), N(10), N(1))->DataHandler()->StatusText(), "Empty Resource");
  EXPECT_EQ(Leaf(c.GetRootList(), N(10), N(2))->DataHandler()->StatusText(), "");
}

TEST(DefaultHandler, WriteRcLine) {
  TMemContainer c({{N(2), N(100), 0x409, "BM"},
                   {S("MYTYPE"), S("ABOUT"), 0x000, "aa"},
                   {S("MYTYPE"), S("ABOUT"), 0xC00, "bb"},
                   {N(19), N(3), 0, "pnp"},
                   {N(10), S("README"), 0, "text"},
                   {N(30), N(4), 0, std::string("\0\0", 2)}});
  TResourceList* root = c.GetRootList();
  struct Case {
    TDataResItem* leaf;
    std::string line;
  } cases[] = {
      {Leaf(root, N(2), N(100)), "100 Bitmap 100.res\r\n"},
      {Leaf(root, S("MYTYPE"), S("ABOUT"), 1), "ABOUT MYTYPE ABOUT_0C00.txt\r\n"},
      {Leaf(root, N(19), N(3)), "3 19 3.res\r\n"},
      {Leaf(root, N(10), S("README")), "README RCData README.txt\r\n"},
      {Leaf(root, N(30), N(4)), "4 30 4.res\r\n"},
  };
  for (const Case& k : cases) {
    rtl::TMemoryStream s;
    k.leaf->DataHandler()->WriteRcLine(s);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), static_cast<std::size_t>(s.BlockSize())),
              k.line);
    rtl::TMemoryStream viaExport;
    k.leaf->DataHandler()->ExportTo(viaExport, "RC");
    EXPECT_EQ(viaExport.BlockSize(), s.BlockSize()) << "ExportTo rc writes the same line";
  }
}

TEST(DefaultHandler, ExportToWritesTheChosenFormat) {
  TMemContainer c({{N(10), N(7), 0x409, "text!"}, {N(2), N(8), 0, "BMbits"}});
  TResourceList* root = c.GetRootList();
  TResDataHandler* text = Leaf(root, N(10), N(7))->DataHandler();
  TResDataHandler* bitmap = Leaf(root, N(2), N(8))->DataHandler();
  for (const char* ext : {"", "txt", "raw", "dcr", "whatever"}) {
    rtl::TMemoryStream s;
    text->ExportTo(s, ext);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(s.Memory()), static_cast<std::size_t>(s.BlockSize())),
              "text!")
        << ext;
  }
  rtl::TMemoryStream res;
  bitmap->ExportTo(res, "");  // a binary leaf's first format is res
  auto entries = testimage::Parse(
      std::vector<std::uint8_t>(res.Memory(), res.Memory() + res.BlockSize()));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].type.number, 2);
  EXPECT_EQ(entries[0].name.number, 8);
  EXPECT_EQ(entries[0].data, "BMbits");
}

TEST(DefaultHandler, ImportFromRevertsTheLeafOnAnyFailure) {
  TMemContainer c({{N(10), N(7), 0x409, "source"}});
  TDataResItem* leaf = Leaf(c.GetRootList(), N(10), N(7));
  leaf->SetData("own", 3);
  rtl::TMemoryStream s;
  s.WriteBuffer("new bytes", 9);
  s.SetPosition(0);
  EXPECT_EQ(MessageOf([&] { leaf->DataHandler()->ImportFrom(s, "rc"); }), "Not implemented");
  EXPECT_FALSE(leaf->IsModified());
  EXPECT_EQ(Bytes(leaf), "source");
  EXPECT_FALSE(c.GetSection()->Modified) << "reverted with the section update";

  s.SetPosition(4);
  leaf->DataHandler()->ImportFrom(s, "raw");
  EXPECT_EQ(Bytes(leaf), "bytes");
  s.SetPosition(0);
  leaf->DataHandler()->ImportFrom(s, "");  // a text leaf's first format is txt: raw bytes
  EXPECT_EQ(Bytes(leaf), "new bytes");
  s.SetPosition(9);
  EXPECT_EQ(MessageOf([&] { leaf->DataHandler()->ImportFrom(s, "dcr"); }),
            "Zero-size assignment. Please report this error to the author of this program.");
  EXPECT_EQ(Bytes(leaf), "source");
}

TEST(DefaultHandler, LoadIntoFillsAStringList) {
  TMemContainer c({{N(10), N(7), 0, "first\r\nsecond\nthird"}});
  TResDataHandler* h = Leaf(c.GetRootList(), N(10), N(7))->DataHandler();
  rtl::TStringList lines;
  h->LoadInto(&lines);
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[2], "third");
  h->LoadInto(nullptr);  // no target: nothing happens
}

}  // namespace
