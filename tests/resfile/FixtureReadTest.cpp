// The images that windres makes from tests/fixtures/resfile_*.rc, read back: every type,
// name, language, size and data position the scripts define, in the order windres wrote
// them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataResItem.h"
#include "MyStreams.h"
#include "ResImageFormat.h"
#include "ResResItems.h"
#include "TestSupport.h"
#include "TreeRows.h"

using namespace resfiletest;

namespace {

// One leaf as the script defines it. `offset` is where windres put the data; `data` is
// given where the script spells the bytes out (RCDATA, string tables, icons).
struct Expected {
  bool typeNamed;
  std::string type;
  bool nameNamed;
  std::string name;
  std::uint16_t language;
  std::int32_t size;
  std::size_t offset;
  std::string data;
};

// A string table block: 16 counted UTF-16 strings, without terminators.
std::string StringBlock(const std::vector<std::u16string>& strings) {
  std::string out;
  for (std::size_t i = 0; i < 16; ++i) {
    std::u16string s = i < strings.size() ? strings[i] : u"";
    out += static_cast<char>(s.size() & 0xFF);
    out += static_cast<char>(s.size() >> 8);
    for (char16_t c : s) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
  }
  return out;
}

std::string Utf8(const char* text) { return text; }

std::string FileBytes(const std::string& path, std::size_t offset, std::size_t size) {
  std::vector<std::uint8_t> bytes = testsupport::ReadBytes(path);
  return std::string(bytes.begin() + static_cast<long>(offset),
                     bytes.begin() + static_cast<long>(offset + size));
}

// The icon group of resfile_icon.ico: its directory with resource ids 1 and 2 in place
// of the file offsets.
std::string IconGroup() {
  const unsigned char bytes[] = {0, 0, 1, 0, 2, 0,
                                 16, 16, 2, 0, 1, 0, 1, 0, 176, 0, 0, 0, 1, 0,
                                 32, 32, 2, 0, 1, 0, 1, 0, 0x30, 1, 0, 0, 2, 0};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

void ExpectTree(TResContainer& file, const std::vector<Expected>& expected) {
  std::vector<LeafRow> rows = Rows(*file.GetRootList());
  ASSERT_EQ(rows.size(), expected.size());
  TResourceList& root = *file.GetRootList();
  std::size_t i = 0;
  for (int t = 0; t < root.Count(); ++t) {
    TResourceList& names = *root.ListItem(t)->GetSubList();
    for (int n = 0; n < names.Count(); ++n) {
      TResourceList& languages = *names.ListItem(n)->GetSubList();
      for (int l = 0; l < languages.Count(); ++l, ++i) {
        const Expected& e = expected[i];
        SCOPED_TRACE(::testing::Message() << "leaf " << i << ": " << rows[i]);
        TDataResItem& leaf = *languages.DataItem(l);
        EXPECT_EQ(rows[i].typeNamed, e.typeNamed);
        EXPECT_EQ(rows[i].type, e.type);
        EXPECT_EQ(rows[i].nameNamed, e.nameNamed);
        EXPECT_EQ(rows[i].name, e.name);
        EXPECT_EQ(rows[i].language, e.language);
        EXPECT_EQ(leaf.Size(), e.size);
        EXPECT_EQ(leaf.RawData(), file.Memory() + e.offset);
        if (!e.data.empty()) {
          EXPECT_EQ(rows[i].data, e.data);
        }
        EXPECT_FALSE(leaf.IsNew());
        EXPECT_FALSE(leaf.IsModified());
      }
    }
  }
}

}  // namespace

TEST(ResFileFixtures, BasicImageHoldsWhatItsScriptDefines) {
  const std::string path = testsupport::Fixture("resfile_basic.res");
  const std::string ico = testsupport::Fixture("resfile-icons/resfile_icon.ico");
  auto file = TResResFile::CreateFromFile(path);
  // Dialogs, the menu and the version resource are windres's encoding of the script; their
  // sizes are what it wrote.
  ExpectTree(*file, {
      {true, "MYTYPE", true, "CONFIG", 0x0409, 5, 84, "x1234"},
      {false, "3", false, "1", 0x0409, 176, 124, FileBytes(ico, 38, 176)},
      {false, "3", false, "2", 0x0409, 304, 332, FileBytes(ico, 214, 304)},
      {false, "4", false, "200", 0x0409, 56, 668, ""},
      {false, "5", false, "100", 0x0409, 192, 756, ""},
      {false, "5", false, "100", 0x0419, 200, 980, ""},
      {false, "6", false, "1", 0x0409, 54, 1212, StringBlock({u"", u"First", u"Second"})},
      {false, "6", false, "1", 0x0419, 56, 1300,
       StringBlock({u"", u"Первый", u"Второй"})},
      {false, "6", false, "2", 0x0409, 50, 1388, StringBlock({u"", u"Seventeen"})},
      {false, "10", true, "GREETING", 0x0407, 6, 1488, "Hallo!"},
      {false, "10", true, "GREETING", 0x0409, 5, 1544, "Hello"},
      {false, "10", true, "GREETING", 0x0419, 12, 1600, Utf8("Привет")},
      {false, "10", true, Ansi(u"Данные"), 0x0419, 28, 1656, Utf8("Текст по-русски")},
      {false, "14", false, "1", 0x0409, 34, 1716, IconGroup()},
      {false, "16", false, "1", 0x0409, 324, 1784, ""},
      {false, "300", false, "7", 0x0409, 13, 2140, "numbered type"},
  });

  TResourceList& root = *file->GetRootList();
  std::vector<std::string> types;
  for (int i = 0; i < root.Count(); ++i) types.push_back(root.ListItem(i)->DisplayName());
  EXPECT_EQ(types, (std::vector<std::string>{"MYTYPE", "Single Icon", "Menu", "Dialog",
                                             "String", "RCData", "Icon", "Version", "300"}));
  // The fixed fields are kept as read: windres marks icons 0x1010, the rest 0x1030.
  auto* icon = dynamic_cast<TResDataResItem*>(file->GetSection()->FindTypeById(3)->ListItem(0)
                                                  ->GetSubList()->DataItem(0));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->HeaderInfo().MemoryFlags, 0x1010);
  EXPECT_EQ(icon->HeaderInfo().LanguageId, 0x0409);
}

TEST(ResFileFixtures, PatchAndSmallImages) {
  auto patch = TResResFile::CreateFromFile(testsupport::Fixture("resfile_patch.res"));
  ExpectTree(*patch, {
      {true, "NEWTYPE", true, "ITEM", 0x0409, 3, 84, "new"},
      {false, "6", false, "1", 0x0409, 72, 120,
       StringBlock({u"", u"First, patched", u"Second"})},
      {false, "10", true, "EMPTY", 0x0409, 0, 232, ""},
      {false, "10", true, "EXTRA", 0x0409, 5, 272, "extra"},
      {false, "10", true, "GREETING", 0x0409, 14, 328, "Hello, patched"},
      {false, "10", true, "GREETING", 0x040C, 7, 392, "Bonjour"},
  });
  auto small = TResResFile::CreateFromFile(testsupport::Fixture("resfile_small.res"));
  ExpectTree(*small, {
      {true, "KIND", true, "ITEM", 0x0409, 5, 76, "abcde"},
      {false, "6", false, "1", 0x0409, 38, 116, StringBlock({u"", u"One"})},
      {false, "10", true, Ansi(u"Имя"), 0x0419, 4, 192, Utf8("Да")},
      {false, "10", false, "3", 0x0409, 3, 228, "xyz"},
      {false, "10", false, "3", 0x0419, 4, 264, "xyzw"},
  });
}

// The model opens images given as streams through the hook this unit registers.
TEST(ResFileFixtures, ModelOpensStreamsThroughThisReader) {
  std::vector<std::uint8_t> bytes = testsupport::ReadBytes(testsupport::Fixture("resfile_small.res"));
  TReadMemoryStream stream(bytes.data(), static_cast<std::int32_t>(bytes.size()));
  std::unique_ptr<TResContainer> image = OpenResImage(stream);
  ASSERT_NE(dynamic_cast<TResResFile*>(image.get()), nullptr);
  EXPECT_EQ(Rows(*image->GetRootList()), Rows(*ReadImage(bytes)->GetRootList()));
  // The copy is the container's own: its leaves do not point into the caller's bytes.
  EXPECT_NE(image->Memory(), bytes.data());
}
