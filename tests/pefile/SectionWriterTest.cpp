// The resource section writer: the exact bytes of a small section, entry order, data
// placement, what is left out, what is kept from the source file, the edit marker and
// names in UTF-16.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

#include "SyntheticPE.h"
#include "UResPEFile.h"
#include "UResTool.h"

namespace {

using synth::Bytes;
using synth::kHigh;
using synth::kRsrcRva;

std::vector<std::uint8_t> NoResources() {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x40, 0x11), 0xC0000040);
  return image.Build();
}

// The written resource section of a rebuilt image, and its RVA.
struct Written {
  std::vector<std::uint8_t> file;
  Bytes rsrc;
  std::uint32_t rva = 0;
};

Written Rebuild(TPEFile& source) {
  Written w;
  w.file = synth::Rebuild(source);
  auto out = synth::Open(w.file);
  const int index = out->FindSection(".rsrc");
  EXPECT_GE(index, 0);
  if (index < 0) return w;
  const ByteView raw = out->SectionRawData(index);
  w.rsrc.data.assign(raw.Data(), raw.Data() + raw.Size());
  w.rva = out->SectionHeader(index).VirtualAddress;
  return w;
}

const std::uint8_t kTen[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};

TEST(SectionWriter, WorkedExampleBytes) {
  auto file = synth::Open(NoResources());
  file->GetSection()->AddResource(3, 1, 1033, "", "", false, false, kTen, 10);
  const auto before = static_cast<std::uint32_t>(std::time(nullptr));
  const Written w = Rebuild(*file);
  const auto after = static_cast<std::uint32_t>(std::time(nullptr));
  ASSERT_EQ(w.rsrc.data.size(), 0x200u);  // 100 bytes rounded up to the file alignment

  Bytes expected;
  auto table = [&](std::size_t at, std::uint32_t name, std::uint32_t offset) {
    expected.Put32(at + 0, 0);
    expected.Put32(at + 4, w.rsrc.Get32(at + 4));  // the time stamp, checked below
    expected.Put16(at + 8, 2);
    expected.Put16(at + 10, 6);
    expected.Put16(at + 12, 0);
    expected.Put16(at + 14, 1);
    expected.Put32(at + 16, name);
    expected.Put32(at + 20, offset);
  };
  table(0, 3, 24 | kHigh);
  table(24, 1, 48 | kHigh);
  table(48, 1033, 72);
  expected.PutText(56, "Tarn");  // the language table holds a new leaf
  expected.Put32(72, w.rva + 88);
  expected.Put32(76, 10);
  expected.Put32(80, 0);
  expected.Put32(84, 0);
  for (int i = 0; i < 10; ++i) expected.Put8(88 + static_cast<std::size_t>(i), kTen[i]);
  expected.Put16(98, 0);
  expected.data.resize(0x200, 0);
  EXPECT_EQ(w.rsrc.data, expected.data);
  for (std::size_t at : {4u, 28u, 52u}) {
    EXPECT_GE(w.rsrc.Get32(at), before);  // seconds since 1970 UTC, now
    EXPECT_LE(w.rsrc.Get32(at), after);
  }
  // Data directory 2 holds the unaligned size.
  Bytes f{w.file};
  EXPECT_EQ(f.Get32(0x80 + synth::kDirectories + 16), w.rva);
  EXPECT_EQ(f.Get32(0x80 + synth::kDirectories + 20), 100u);
}

TEST(SectionWriter, NamedEntriesComeFirstInByteOrderThenNumbersAscending) {
  auto file = synth::Open(NoResources());
  TResSection* s = file->GetSection();
  s->AddResource(14, 1, 1033, "", "", false, false, kTen, 1);
  s->AddResource(0, 1, 1033, "alpha", "", true, false, kTen, 1);
  s->AddResource(3, 1, 1033, "", "", false, false, kTen, 1);
  s->AddResource(0, 1, 1033, "ZETA", "", true, false, kTen, 1);
  s->AddResource(3, 1, 1049, "", "", false, false, kTen, 1);
  s->AddResource(3, 1, 1031, "", "", false, false, kTen, 1);
  const Written w = Rebuild(*file);
  EXPECT_EQ(w.rsrc.Get16(12), 2);
  EXPECT_EQ(w.rsrc.Get16(14), 2);
  auto out = synth::Open(w.file);
  TResourceList* root = out->GetRootList();
  std::vector<std::string> order;
  for (int i = 0; i < root->Count(); ++i) order.push_back(root->Item(i)->IdText());
  EXPECT_EQ(order, (std::vector<std::string>{"ZETA", "alpha", "3", "14"}));
  TResourceList* languages = root->ListItem(2)->GetSubList()->ListItem(0)->GetSubList();
  ASSERT_EQ(languages->Count(), 3);
  EXPECT_EQ(languages->Item(0)->Id(), 1031);
  EXPECT_EQ(languages->Item(1)->Id(), 1033);
  EXPECT_EQ(languages->Item(2)->Id(), 1049);
  // The tree that was written stays sorted.
  EXPECT_EQ(file->GetRootList()->Item(0)->IdText(), "ZETA");
}

TEST(SectionWriter, EachLeafTakesItsSizeRoundedUpToFour) {
  auto file = synth::Open(NoResources());
  TResSection* s = file->GetSection();
  s->AddResource(10, 1, 1033, "", "", false, false, kTen, 5);
  s->AddResource(10, 1, 1049, "", "", false, false, kTen + 5, 3);
  s->AddResource(10, 2, 1033, "", "", false, false, kTen, 4);
  const Written w = Rebuild(*file);
  auto out = synth::Open(w.file);
  TResourceList* type = out->GetRootList()->ListItem(0)->GetSubList();
  TDataResItem* a = type->ListItem(0)->GetSubList()->DataItem(0);
  TDataResItem* b = type->ListItem(0)->GetSubList()->DataItem(1);
  TDataResItem* c = type->ListItem(1)->GetSubList()->DataItem(0);
  EXPECT_EQ(b->Data() - a->Data(), 8);
  EXPECT_EQ(c->Data() - b->Data(), 4);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->Data()), 8), std::string("01234\0\0\0", 8));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b->Data()), 3), "567");
}

TEST(SectionWriter, BranchesWithoutDataVanish) {
  auto file = synth::Open(NoResources());
  TResSection* s = file->GetSection();
  s->AddResource(16, 1, 1033, "", "", false, false, nullptr, 0);  // a version leaf left empty
  s->AddResource(3, 7, 1033, "", "", false, false, kTen, 2);
  s->AddResource(3, 8, 1033, "", "", false, false, nullptr, 0);
  const Written w = Rebuild(*file);
  EXPECT_EQ(w.rsrc.Get16(14), 1);
  auto out = synth::Open(w.file);
  ASSERT_EQ(out->GetRootList()->Count(), 1);
  EXPECT_EQ(out->GetRootList()->Item(0)->Id(), 3);
  EXPECT_EQ(out->GetRootList()->ListItem(0)->GetSubList()->Count(), 1);
}

TEST(SectionWriter, TreeWithoutDataMeasuresZero) {
  auto file = synth::Open(NoResources());
  file->GetSection()->AddResource(5, 1, 1033, "", "", false, false, nullptr, 0);
  auto table = BuildResourceTable(*static_cast<TPEResSection*>(file->GetSection()));
  EXPECT_EQ(table->TotalSize, 0);
  EXPECT_EQ(table->DirectorySize, 0u);
}

// Two names under type 6, their language tables marked 4.0 with a fixed time stamp.
Bytes TwoNames() {
  Bytes b;
  synth::DirTable(b, 0x00, 0, 1, {{6, 0x18 | kHigh}});
  synth::DirTable(b, 0x18, 0, 2, {{1, 0x38 | kHigh}, {2, 0x50 | kHigh}});
  synth::DirTable(b, 0x38, 0, 1, {{1033, 0x68}}, "\x04\0\0\0");
  synth::DirTable(b, 0x50, 0, 1, {{1033, 0x78}}, "\x04\0\0\0");
  synth::DirData(b, 0x68, kRsrcRva + 0x90, 5, 1252);
  synth::DirData(b, 0x78, kRsrcRva + 0x98, 5, 866);
  b.PutText(0x90, "hello");
  b.PutText(0x98, "world");
  return b;
}

// The header of the language table of name `index` of type 6, as written.
std::vector<std::uint8_t> LanguageTableHeader(const std::vector<std::uint8_t>& file, int index) {
  auto out = synth::Open(file);
  auto* list = static_cast<TPEResourceList*>(
      out->GetRootList()->ListItem(0)->GetSubList()->ListItem(index)->GetSubList());
  const ByteView h = list->Directory();
  return std::vector<std::uint8_t>(h.Data(), h.Data() + 12);  // up to the counts
}

TEST(SectionWriter, UnchangedTablesAndCodePagesAreKeptAndChangedOnesMarked) {
  const auto source = synth::WithResources(TwoNames());
  auto file = synth::Open(source);
  const std::vector<std::uint8_t> original = {0, 0, 0, 0, 0x44, 0x33, 0x22, 0x11, 4, 0, 0, 0};

  const Written same = Rebuild(*file);
  EXPECT_EQ(LanguageTableHeader(same.file, 0), original);
  EXPECT_EQ(LanguageTableHeader(same.file, 1), original);
  auto out = synth::Open(same.file);
  auto* leaf = static_cast<TPEDataResItem*>(
      out->GetRootList()->ListItem(0)->GetSubList()->ListItem(1)->GetSubList()->DataItem(0));
  EXPECT_EQ(leaf->DirHandler().CodePage(), 866u);

  // One new language under name 1 marks that table, and only that one.
  const std::uint8_t ru[3] = {'r', 'u', 's'};
  file->GetSection()->AddResource(6, 1, 1049, "", "", false, false, nullptr, 0)->SetData(ru, 3);
  const Written marked = Rebuild(*file);
  std::vector<std::uint8_t> tarn = original;
  tarn[8] = 'T';
  tarn[9] = 'a';
  tarn[10] = 'r';
  tarn[11] = 'n';
  EXPECT_EQ(LanguageTableHeader(marked.file, 0), tarn);
  EXPECT_EQ(LanguageTableHeader(marked.file, 1), original);

  auto reread = synth::Open(marked.file);
  TResourceList* names = reread->GetRootList()->ListItem(0)->GetSubList();
  for (int i = 0; i < names->ListItem(0)->GetSubList()->Count(); ++i)
    EXPECT_TRUE(names->ListItem(0)->GetSubList()->DataItem(i)->IsEditMarked());
  EXPECT_FALSE(names->ListItem(1)->GetSubList()->DataItem(0)->IsEditMarked());
  auto* kept = static_cast<TPEDataResItem*>(names->ListItem(0)->GetSubList()->DataItem(0));
  EXPECT_EQ(kept->DirHandler().CodePage(), 1252u);
  auto* added = static_cast<TPEDataResItem*>(names->ListItem(0)->GetSubList()->DataItem(1));
  EXPECT_EQ(added->DirHandler().CodePage(), 0u);

  // The marker survives a rewrite of the marked file, and changed data marks too.
  const std::uint8_t other[2] = {'x', 'y'};
  names->ListItem(1)->GetSubList()->DataItem(0)->SetData(other, 2);
  const Written again = Rebuild(*reread);
  EXPECT_EQ(LanguageTableHeader(again.file, 0), tarn);
  EXPECT_EQ(LanguageTableHeader(again.file, 1), tarn);
}

TEST(SectionWriter, NamesAreWrittenAsTheirUtf16Units) {
  // A name from the file is copied unit for unit, even one the ANSI code page cannot
  // hold; a name made in memory is converted, counted in UTF-16 units.
  Bytes b;
  synth::DirTable(b, 0x00, 1, 0, {{0x80 | kHigh, 0x18 | kHigh}});
  synth::DirTable(b, 0x18, 0, 1, {{1, 0x30 | kHigh}});
  synth::DirTable(b, 0x30, 0, 1, {{1033, 0x48}});
  synth::DirData(b, 0x48, kRsrcRva + 0x60, 5, 0);
  b.PutText(0x60, "hello");
  const std::u16string wide = {0x4E2D, 0x6587, u'x'};
  synth::DirName(b, 0x80, wide);
  auto file = synth::Open(synth::WithResources(b));
  const std::u16string cyrillic = u"ЗОНД";
  const std::string ansi = WideToAnsi(cyrillic.data(), static_cast<int>(cyrillic.size()));
  file->GetSection()->AddResource(0, 1, 1033, ansi, "", true, false, kTen, 2);

  const Written w = Rebuild(*file);
  // Root: two named entries; the strings follow the data entries.
  ASSERT_EQ(w.rsrc.Get16(12), 2);
  std::vector<std::u16string> names;
  for (std::size_t e = 0; e < 2; ++e) {
    const std::uint32_t at = w.rsrc.Get32(16 + 8 * e) & ~kHigh;
    std::u16string units;
    for (std::uint16_t i = 0; i < w.rsrc.Get16(at); ++i) units += static_cast<char16_t>(w.rsrc.Get16(at + 2 + 2u * i));
    names.push_back(units);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), wide), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), cyrillic), names.end());
  auto out = synth::Open(w.file);
  bool found = false;
  for (int i = 0; i < out->GetRootList()->Count(); ++i)
    found = found || out->GetRootList()->Item(i)->Name() == ansi;
  EXPECT_TRUE(found);
}

TEST(SectionWriter, ARenamedFileNodeIsWrittenWithItsNewIdentity) {
  auto file = synth::Open(synth::WithResources(synth::StandardTree()));
  file->GetRootList()->Item(0)->SetIdentifier("RENAMED", 0, true);
  auto out = synth::Open(synth::Rebuild(*file));
  EXPECT_EQ(out->GetRootList()->Item(0)->Name(), "RENAMED");
  TDataResItem* leaf = out->GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(leaf->Data()), 5), "hello");
}

}  // namespace
