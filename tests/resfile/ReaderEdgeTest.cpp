// The reader on images laid out by hand: how entries follow each other, how identifiers
// group into nodes, and every way an image can be refused.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataResItem.h"
#include "Format.h"
#include "ImageBuilder.h"
#include "MyStreams.h"
#include "ResResItems.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "TreeRows.h"

using namespace resfiletest;

namespace {

std::string MessageOfReading(const std::vector<std::uint8_t>& bytes) {
  try {
    auto file = ReadImage(bytes);
    file->GetRootList();
  } catch (const rtl::Exception& e) {
    return e.Message();
  }
  return "(read)";
}

LeafRow Row(bool typeNamed, std::string type, bool nameNamed, std::string name,
            std::uint16_t language, std::string data) {
  LeafRow r;
  r.typeNamed = typeNamed;
  r.type = std::move(type);
  r.nameNamed = nameNamed;
  r.name = std::move(name);
  r.language = language;
  r.data = std::move(data);
  return r;
}

}  // namespace

TEST(ResFileReader, EmptyEntryAloneIsAnEmptyTree) {
  ImageBuilder image;
  auto file = ReadImage(image.Bytes());
  EXPECT_EQ(file->GetRootList()->Count(), 0);
}

TEST(ResFileReader, EntriesFollowAtRoundedOffsets) {
  ImageBuilder image;
  ASSERT_EQ(image.Entry(Field::Number(10), Field::Number(1), 0, "12345"), 32u);
  ASSERT_EQ(image.Entry(Field::Number(10), Field::Number(2), 0, "ab"), 72u);
  auto file = ReadImage(image.Bytes());
  TResourceList& names = *file->GetSection()->FindTypeById(10);
  ASSERT_EQ(names.Count(), 2);
  EXPECT_EQ(names.ListItem(0)->GetSubList()->DataItem(0)->RawData(), file->Memory() + 64);
  EXPECT_EQ(names.ListItem(1)->GetSubList()->DataItem(0)->RawData(), file->Memory() + 104);
  EXPECT_EQ(names.ListItem(1)->GetSubList()->DataItem(0)->Size(), 2);
}

// Numbered types and names with 32-byte headers and sizes that are no multiple of 4: one
// node per number, one leaf per entry, each leaf's data 32 bytes after its entry.
TEST(ResFileReader, NumberedEntriesGroupByNumber) {
  ImageBuilder image;
  struct E { std::uint16_t type, name, lang; std::string data; std::size_t at = 0; };
  std::vector<E> entries = {{2, 1, 0x409, "a"}, {2, 7, 0x409, "bcd"}, {5, 1, 0x407, "efghijk"},
                            {2, 1, 0x419, "lm"}, {5, 1, 0x409, "nopqr"}};
  for (E& e : entries) e.at = image.Entry(Field::Number(e.type), Field::Number(e.name), e.lang, e.data);
  auto file = ReadImage(image.Bytes());
  TResourceList& root = *file->GetRootList();
  ASSERT_EQ(root.Count(), 2);
  EXPECT_EQ(root.ListItem(0)->GetSubList()->Count(), 2);
  EXPECT_EQ(root.ListItem(1)->GetSubList()->Count(), 1);
  EXPECT_EQ(Rows(root), (std::vector<LeafRow>{Row(false, "2", false, "1", 0x409, "a"),
                                              Row(false, "2", false, "1", 0x419, "lm"),
                                              Row(false, "2", false, "7", 0x409, "bcd"),
                                              Row(false, "5", false, "1", 0x407, "efghijk"),
                                              Row(false, "5", false, "1", 0x409, "nopqr")}));
  for (const E& e : entries) {
    TResPath path;
    path.TypeId = e.type;
    path.NameId = e.name;
    path.LanguageId = e.lang;
    EXPECT_EQ(file->GetSection()->FindItemByPath(path, true, true)->RawData(),
              file->Memory() + e.at + 32);
  }
}

TEST(ResFileReader, TypeTextsGroupIgnoringCaseButNeverWithNumbers) {
  ImageBuilder image;
  image.Entry(Field::Text(u"ICONS"), Field::Number(1), 0, "a");
  image.Entry(Field::Text(u"icons"), Field::Number(2), 0, "b");
  image.Entry(Field::Text(u"5"), Field::Number(1), 0, "c");
  image.Entry(Field::Number(5), Field::Number(1), 0, "d");
  auto file = ReadImage(image.Bytes());
  EXPECT_EQ(Rows(*file->GetRootList()),
            (std::vector<LeafRow>{Row(true, "ICONS", false, "1", 0, "a"),
                                  Row(true, "ICONS", false, "2", 0, "b"),
                                  Row(true, "5", false, "1", 0, "c"),
                                  Row(false, "5", false, "1", 0, "d")}));
}

TEST(ResFileReader, EqualEntriesGiveTwoLeaves) {
  ImageBuilder image;
  image.Entry(Field::Text(u"T"), Field::Text(u"N"), 0x409, "first");
  image.Entry(Field::Text(u"T"), Field::Text(u"N"), 0x409, "second");
  auto file = ReadImage(image.Bytes());
  EXPECT_EQ(Rows(*file->GetRootList()),
            (std::vector<LeafRow>{Row(true, "T", true, "N", 0x409, "first"),
                                  Row(true, "T", true, "N", 0x409, "second")}));
}

TEST(ResFileReader, NamesComeBackAsWritten) {
  ImageBuilder image;
  image.Entry(Field::Text(u"MyType"), Field::Text(u"Ёлка и ёж"), 0x419, "x");
  image.Entry(Field::LoneZero(), Field::LoneZero(), 0, "zero");
  auto file = ReadImage(image.Bytes());
  EXPECT_EQ(Rows(*file->GetRootList()),
            (std::vector<LeafRow>{Row(true, "MyType", true, Ansi(u"Ёлка и ёж"), 0x419, "x"),
                                  Row(false, "0", false, "0", 0, "zero")}));
}

TEST(ResFileReader, FixedFieldsAreKeptAsRead) {
  ImageBuilder image;
  Fixed fixed;
  fixed.dataVersion = 0x11223344;
  fixed.memoryFlags = 0x1030;
  fixed.language = 0x0419;
  fixed.version = 7;
  fixed.characteristics = 0xAABBCCDD;
  image.Entry(Field::Number(10), Field::Number(1), fixed, "data");
  auto file = ReadImage(image.Bytes());
  auto* leaf = dynamic_cast<TResDataResItem*>(file->GetRootList()->ListItem(0)->GetSubList()
                                                  ->ListItem(0)->GetSubList()->DataItem(0));
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->HeaderInfo().DataVersion, 0x11223344u);
  EXPECT_EQ(leaf->HeaderInfo().MemoryFlags, 0x1030);
  EXPECT_EQ(leaf->Language(), 0x0419);
  EXPECT_EQ(leaf->HeaderInfo().Version, 7u);
  EXPECT_EQ(leaf->HeaderInfo().Characteristics, 0xAABBCCDDu);
}

// A short tail after the last entry is ignored; from 9 bytes on it is read as an entry.
TEST(ResFileReader, TailAfterLastEntry) {
  for (std::size_t tail = 1; tail <= 12; ++tail) {
    ImageBuilder image;
    image.Entry(Field::Number(10), Field::Number(1), 0, "abcd");
    image.Raw(std::string(tail, '\x01'));
    SCOPED_TRACE(tail);
    if (tail <= 8) {
      EXPECT_EQ(Rows(*ReadImage(image.Bytes())->GetRootList()).size(), 1u);
    } else {
      EXPECT_EQ(MessageOfReading(image.Bytes()), rtl::LoadStr(SCorruptResFile));
    }
  }
}

// Damaged entries, each with the message it is refused with.
TEST(ResFileReader, DamagedEntriesAreRefused) {
  const std::string corrupt = rtl::LoadStr(SCorruptResFile);
  const std::string readError = rtl::LoadStr(SReadError);
  struct Case {
    const char* what;
    ImageBuilder image;
    std::string message;
  };
  std::vector<Case> cases;
  auto add = [&](const char* what, ImageBuilder image, const std::string& message) {
    cases.push_back({what, std::move(image), message});
  };
  auto entry = [](std::uint32_t dataSize, std::uint32_t headerSize) {
    ImageBuilder b;
    b.U32(dataSize).U32(headerSize).Units(Field::Number(10)).Units(Field::Number(1)).Zeros(16);
    return b;
  };
  add("data beyond the image", entry(13, 32).Raw("twelve bytes"), corrupt);
  add("header beyond the image", entry(0, 4096), corrupt);
  add("empty entry", entry(0, 0).Zeros(16), corrupt);
  add("negative data size", entry(0xFFFFFFF0u, 64).Zeros(32), corrupt);
  add("negative header size", entry(64, 0xFFFFFFF0u).Zeros(32), corrupt);
  add("sizes that overflow 32 bits", entry(0x7FFFFFF0u, 0x20).Zeros(32), corrupt);
  add("both sizes negative", entry(0x80000000u, 0x80000000u), corrupt);
  add("header too short for the fixed fields", entry(4, 20), corrupt);
  {
    ImageBuilder b;  // the name runs on into the data
    b.U32(16).U32(24).Units(Field::Number(10)).Units(Field::Text(u"ABCDEFGHIJKLMN")).Zeros(16);
    add("header too short for its name", std::move(b), corrupt);
  }
  {
    ImageBuilder b;
    b.U32(0).U32(20).Units(Field::Number(10)).U16('A').U16('B').U16('C').U16('D').U16('E').U16('F');
    add("name running off the end", std::move(b), readError);
  }
  {
    ImageBuilder b;
    b.U32(0).U32(11).Units(Field::Number(10)).U16('A').Raw("B");
    add("name ending in half a unit", std::move(b), readError);
  }
  {
    ImageBuilder b;
    b.U32(0).U32(10).U16('A');
    add("name whose first unit is the last", std::move(b), rtl::LoadStr(SResNameReadError));
  }
  {
    ImageBuilder b;
    b.Entry(Field::Number(10), Field::Number(1), 0, "good");
    b.U32(5).U32(32).Units(Field::Number(10)).Units(Field::Number(2)).Zeros(16).Raw("four");
    add("a good entry, then one a byte too long", std::move(b), corrupt);
  }
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(MessageOfReading(c.image.Bytes()), c.message);
  }
}

// A failed read leaves the section without a tree: asking again reads again and fails
// again, rather than answering a half-built tree.
TEST(ResFileReader, FailedReadKeepsNoTree) {
  ImageBuilder image;
  image.Entry(Field::Number(10), Field::Number(1), 0, "good");
  image.U32(100).U32(32).Zeros(24);
  auto file = ReadImage(image.Bytes());
  for (int attempt = 0; attempt < 2; ++attempt)
    EXPECT_THROW(file->GetRootList(), rtl::Exception);
}

TEST(ResFileOpening, WhatIsNotAnImage) {
  const std::string dir = testsupport::MakeScratchDir("resfile-open");
  const std::string bare = "short.res";
  ImageBuilder full;
  std::vector<std::uint8_t> bytes = full.Bytes();
  bytes.pop_back();  // 31 bytes
  testsupport::WriteBytes(dir + bare, bytes);
  try {
    TResResFile::CreateFromFile(dir + bare);
    ADD_FAILURE() << "31 bytes opened";
  } catch (const ENoResException& e) {
    EXPECT_EQ(e.Message(), "short.res is not a valid resource file.");
  }

  std::vector<std::uint8_t> wrong = full.Bytes();
  wrong[4] = 0x24;  // HeaderSize 36
  testsupport::WriteBytes(dir + "wrong.res", wrong);
  EXPECT_THROW(TResResFile::CreateFromFile(dir + "wrong.res"), ENoResException);

  // From a plain stream the name is empty; a file stream gives its own name.
  try {
    ReadImage(wrong);
    ADD_FAILURE() << "wrong header read from a stream";
  } catch (const ENoResException& e) {
    EXPECT_EQ(e.Message(), rtl::FormatRes(SNotValidResFile, {""}));
  }
  try {
    TResFileStream stream(dir + "wrong.res", plat::fmOpenRead);
    TResResFile::CreateFromStream(stream);
    ADD_FAILURE() << "wrong header read from a file stream";
  } catch (const ENoResException& e) {
    EXPECT_EQ(e.Message(), "wrong.res is not a valid resource file.");
  }
  // The file was closed again: it can be deleted.
  EXPECT_TRUE(plat::DeleteFile(dir + bare));
  EXPECT_TRUE(plat::DeleteFile(dir + "wrong.res"));

  const std::string missing = dir + "missing.res";
  try {
    TResResFile::CreateFromFile(missing);
    ADD_FAILURE() << "a missing file opened";
  } catch (const rtl::Exception& e) {
    EXPECT_EQ(e.Message(), rtl::FormatRes(SCannotOpen, {missing, rtl::LoadStr(SOpenFailed)}));
  }
  testsupport::RemoveTree(dir);
}

TEST(ResFileOpening, EmptyInputIsAnEmptyImage) {
  const std::string dir = testsupport::MakeScratchDir("resfile-empty");
  testsupport::WriteBytes(dir + "empty.res", {});
  auto fromFile = TResResFile::CreateFromFile(dir + "empty.res");
  EXPECT_EQ(fromFile->Size(), 0);
  EXPECT_EQ(fromFile->GetRootList()->Count(), 0);
  fromFile.reset();
  EXPECT_TRUE(plat::DeleteFile(dir + "empty.res"));

  ImageBuilder image;
  image.Entry(Field::Number(10), Field::Number(1), 0, "data");
  TReadMemoryStream stream(image.Bytes().data(), static_cast<std::int32_t>(image.Size()));
  stream.Seek(0, rtl::soEnd);
  auto fromStream = TResResFile::CreateFromStream(stream);
  EXPECT_EQ(fromStream->Size(), 0);
  EXPECT_EQ(fromStream->GetRootList()->Count(), 0);
  testsupport::RemoveTree(dir);
}

// The stream constructor takes the image from the stream's position on.
TEST(ResFileOpening, StreamImageStartsAtThePosition) {
  ImageBuilder image;
  image.Entry(Field::Number(10), Field::Number(1), 0, "data");
  std::vector<std::uint8_t> bytes(8, 0xEE);
  bytes.insert(bytes.end(), image.Bytes().begin(), image.Bytes().end());
  TReadMemoryStream stream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  stream.SetPosition(8);
  auto file = TResResFile::CreateFromStream(stream);
  EXPECT_EQ(Rows(*file->GetRootList()),
            (std::vector<LeafRow>{Row(false, "10", false, "1", 0, "data")}));
}
