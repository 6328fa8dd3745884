// The image rebuild on synthetic images: header edits when the resource section goes,
// comes or grows, sections without file bytes, what the new file drops, progress, the
// images that are refused before anything is written, and saving to a file.
#include <gtest/gtest.h>

#include <functional>

#include "MyStreams.h"
#include "Platform.h"
#include "Streams.h"
#include "SyntheticPE.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace {

using synth::Bytes;

constexpr std::uint32_t kNt = 0x80;

// Header fields of written bytes (offsets from the signature).
struct Fields {
  Bytes b;
  explicit Fields(const std::vector<std::uint8_t>& file) : b{file} {}
  std::uint32_t At(std::uint32_t offset) const { return b.Get32(kNt + offset); }
  std::uint32_t DirRva(int i) const { return At(synth::kDirectories + 8u * static_cast<std::uint32_t>(i)); }
  std::uint32_t DirSize(int i) const { return At(synth::kDirectories + 8u * static_cast<std::uint32_t>(i) + 4); }
  std::uint16_t Sections() const { return b.Get16(kNt + synth::kNumberOfSections); }
};

std::size_t SectionField(int index, std::uint32_t field) {
  return kNt + synth::kSectionTable + 40u * static_cast<std::uint32_t>(index) + field;
}

void Put32(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t v) {
  Bytes b{std::move(file)};
  b.Put32(at, v);
  file = std::move(b.data);
}

// .text, .rsrc holding a tree padded to `rsrcBytes`, .reloc (with data directory 5).
struct RelocImage {
  synth::Image image;
  std::vector<std::uint8_t> bytes;
  RelocImage(std::uint32_t rsrcBytes, std::uint32_t sectionAlignment = 0x1000,
             std::uint32_t leafSize = 5) {
    image.sectionAlignment = sectionAlignment;
    image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
    const std::uint32_t rsrcRva = sectionAlignment * 2;
    Bytes tree = synth::StandardTree(rsrcRva);
    synth::DirData(tree, 0x48, rsrcRva + 0x60, leafSize, 1252);
    tree.data.resize(rsrcBytes, 0);
    image.Add(".rsrc", tree.data);
    image.Add(".reloc", std::vector<std::uint8_t>(0x20, 0xEE), 0x42000040);
    bytes = image.Build();
    EXPECT_EQ(image.sections[1].virtualAddress, rsrcRva);
    synth::Image::SetDirectory(bytes, kNt, 2, rsrcRva, rsrcBytes);
    synth::Image::SetDirectory(bytes, kNt, 5, image.sections[2].virtualAddress, 0x20);
  }
};

TEST(ImageRebuild, TreeWithoutDataRemovesTheResourceSection) {
  RelocImage source(0x200, 0x1000, 0);  // its only leaf has size 0
  const Fields in(source.bytes);
  auto file = synth::Open(source.bytes);
  const auto written = synth::Rebuild(*file);
  const Fields out(written);
  auto result = synth::Open(written);
  ASSERT_EQ(out.Sections(), 2);
  EXPECT_EQ(result->FindSection(".rsrc"), -1);
  const TPESectionHeader reloc = result->SectionHeader(1);
  EXPECT_EQ(reloc.NameText(), ".reloc");
  EXPECT_EQ(reloc.PointerToRawData, source.image.sections[2].pointerToRawData - 0x200);
  EXPECT_EQ(reloc.VirtualAddress, source.image.sections[2].virtualAddress - 0x1000);
  EXPECT_EQ(out.DirRva(2), 0u);
  EXPECT_EQ(out.DirSize(2), 0u);
  EXPECT_EQ(out.DirRva(5), reloc.VirtualAddress);
  EXPECT_EQ(out.At(synth::kSizeOfImage), in.At(synth::kSizeOfImage) - 0x1000);
  EXPECT_EQ(out.At(synth::kSizeOfInitializedData), in.At(synth::kSizeOfInitializedData) - 0x200);
  EXPECT_EQ(out.At(synth::kNumberOfRvaAndSizes), 16u);
  const ByteView raw = result->SectionRawData(1);
  EXPECT_EQ(std::vector<std::uint8_t>(raw.Data(), raw.Data() + 0x20), std::vector<std::uint8_t>(0x20, 0xEE));
  // The freed slot of the section table is zero.
  EXPECT_EQ(out.b.Get32(SectionField(2, 0)), 0u);
  EXPECT_EQ(written.size(), 0x600u);
}

TEST(ImageRebuild, FileWithoutResourcesGetsANewLastSection) {
  synth::Image image;
  image.headerArea = 0x400;  // room for one more section header
  image.Add(".text", std::vector<std::uint8_t>(0x300, 0xC3), 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x40, 0x11), 0xC0000040);
  image.Add(".bss", {}, 0xC0000080, 0x2800);  // no file bytes, the highest virtual end
  const auto source = image.Build();
  const Fields in(source);
  auto file = synth::Open(source);
  const std::uint8_t data[7] = {1, 2, 3, 4, 5, 6, 7};
  file->GetSection()->AddResource(10, 1, 1033, "", "", false, false, data, 7);
  const auto written = synth::Rebuild(*file);
  const Fields out(written);
  auto result = synth::Open(written);
  ASSERT_EQ(out.Sections(), 4);
  const TPESectionHeader rsrc = result->SectionHeader(3);
  EXPECT_EQ(rsrc.NameText(), ".rsrc");
  EXPECT_EQ(rsrc.VirtualAddress, 0x6000u);   // after .bss: 0x3000 + 0x2800, aligned
  EXPECT_EQ(rsrc.PointerToRawData, 0xA00u);  // after .data: 0x800 + 0x200
  EXPECT_EQ(rsrc.SizeOfRawData, 0x200u);
  EXPECT_EQ(rsrc.VirtualSize, 0x1000u);
  EXPECT_EQ(rsrc.Characteristics, 0x40000040u);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(std::vector<std::uint8_t>(written.begin() + static_cast<long>(SectionField(i, 0)),
                                        written.begin() + static_cast<long>(SectionField(i, 40))),
              std::vector<std::uint8_t>(source.begin() + static_cast<long>(SectionField(i, 0)),
                                        source.begin() + static_cast<long>(SectionField(i, 40))))
        << i;
  EXPECT_EQ(result->SectionHeader(2).PointerToRawData, 0u);
  EXPECT_EQ(out.DirRva(2), 0x6000u);
  EXPECT_EQ(out.DirSize(2), 88u + 8u);
  EXPECT_EQ(out.At(synth::kSizeOfImage), in.At(synth::kSizeOfImage) + 0x1000);
  EXPECT_EQ(written.size(), 0xC00u);
}

TEST(ImageRebuild, NewSectionNeedsFortyFreeBytesInTheHeaderArea) {
  const std::uint8_t data[4] = {1, 2, 3, 4};
  for (std::uint32_t lfanew : {0xB8u, 0x90u}) {  // table ending at 0x200, or 40 bytes before
    SCOPED_TRACE(lfanew);
    synth::Image image;
    image.lfanew = lfanew;
    image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
    image.Add(".data", std::vector<std::uint8_t>(0x40, 0x11), 0xC0000040);
    auto source = image.Build();
    const std::uint32_t slot = lfanew + 248 + 80;
    for (std::uint32_t i = slot; i < 0x200; ++i) source[i] = 0xCC;
    synth::Image::SetDirectory(source, lfanew, 11, slot + 8, 0x10);  // bound imports there
    auto file = synth::Open(source);
    file->GetSection()->AddResource(10, 1, 1033, "", "", false, false, data, 4);
    if (lfanew == 0xB8) {
      try {
        synth::Rebuild(*file);
        ADD_FAILURE() << "no refusal";
      } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), "Cannot create resource section.");
      }
      continue;
    }
    const auto written = synth::Rebuild(*file);
    auto result = synth::Open(written);
    EXPECT_EQ(result->SectionHeader(2).NameText(), ".rsrc");
    EXPECT_EQ(result->SectionHeader(2).VirtualSize, 0x1000u);
    Bytes w{written};
    // The bound import table that lay under the new header is given up.
    EXPECT_EQ(w.Get32(lfanew + synth::kDirectories + 88), 0u);
    EXPECT_EQ(w.Get32(lfanew + synth::kDirectories + 92), 0u);
  }
}

TEST(ImageRebuild, GrowingTheResourceSectionMovesTheLaterSections) {
  // From 3 to 4 file alignment units: one unit more in the file; in memory the
  // difference of the sizes rounded up to the section alignment.
  for (std::uint32_t sa : {0x1000u, 0x200u}) {
    SCOPED_TRACE(sa);
    RelocImage source(0x600, sa);
    const Fields in(source.bytes);
    auto file = synth::Open(source.bytes);
    std::vector<std::uint8_t> big(0x700, 0x5A);
    TDataResItem* leaf = file->GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0);
    leaf->SetData(big.data(), 0x700);
    const auto written = synth::Rebuild(*file);
    const Fields out(written);
    auto result = synth::Open(written);
    const std::uint32_t virtualDelta = sa == 0x1000 ? 0 : 0x200;
    const TPESectionHeader rsrc = result->SectionHeader(1), reloc = result->SectionHeader(2);
    EXPECT_EQ(rsrc.SizeOfRawData, 0x800u);
    EXPECT_EQ(rsrc.VirtualAddress, source.image.sections[1].virtualAddress);
    EXPECT_EQ(reloc.PointerToRawData, source.image.sections[2].pointerToRawData + 0x200);
    EXPECT_EQ(reloc.VirtualAddress, source.image.sections[2].virtualAddress + virtualDelta);
    EXPECT_EQ(out.DirRva(5), reloc.VirtualAddress);
    EXPECT_EQ(out.DirSize(5), 0x20u);
    EXPECT_EQ(out.DirRva(2), rsrc.VirtualAddress);
    EXPECT_EQ(out.DirSize(2), 0x58u + 0x700u);
    EXPECT_EQ(out.At(synth::kSizeOfImage), in.At(synth::kSizeOfImage) + virtualDelta);
    EXPECT_EQ(out.At(synth::kSizeOfInitializedData), in.At(synth::kSizeOfInitializedData) + 0x200);
    const ByteView raw = result->SectionRawData(2);
    EXPECT_EQ(raw.U8(0), 0xEE);
    EXPECT_EQ(raw.U8(0x1F), 0xEE);
  }
}

TEST(ImageRebuild, SectionWithoutFileBytesMovesOnlyInMemory) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
  Bytes tree = synth::StandardTree(0x2000);
  image.Add(".rsrc", tree.data);
  image.Add(".bss", {}, 0xC0000080, 0x1800);
  image.Add(".reloc", std::vector<std::uint8_t>(0x20, 0xEE), 0x42000040);
  const auto source = image.Build();
  auto file = synth::Open(source);
  std::vector<std::uint8_t> big(0x1000, 0x5A);
  file->GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0)->SetData(big.data(), 0x1000);
  auto result = synth::Open(synth::Rebuild(*file));
  EXPECT_EQ(result->SectionHeader(2).VirtualAddress, image.sections[2].virtualAddress + 0x1000);
  EXPECT_EQ(result->SectionHeader(2).PointerToRawData, 0u);
  EXPECT_EQ(result->SectionHeader(3).VirtualAddress, image.sections[3].virtualAddress + 0x1000);
  EXPECT_EQ(result->SectionHeader(3).PointerToRawData, image.sections[3].pointerToRawData + 0x1000);
}

TEST(ImageRebuild, HeaderAreaIgnoresSectionsWithoutFileBytes) {
  synth::Image image;
  image.Add(".bss", {}, 0xC0000080, 0x1000);  // first in the table, PointerToRawData 0
  image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
  auto file = synth::Open(image.Build());
  const std::uint8_t data[3] = {1, 2, 3};
  file->GetSection()->AddResource(10, 1, 1033, "", "", false, false, data, 3);
  TPEHeader header(file->Image());
  EXPECT_EQ(header.HeaderAreaSize(), 0x200);
  auto result = synth::Open(synth::Rebuild(*file));
  EXPECT_EQ(result->SectionHeader(0).PointerToRawData, 0u);
  EXPECT_EQ(result->SectionHeader(1).PointerToRawData, 0x200u);
  EXPECT_EQ(result->SectionHeader(2).PointerToRawData, 0x400u);
}

TEST(ImageRebuild, DropsTheOverlayAndWhatPointsIntoIt) {
  RelocImage source(0x200);
  source.bytes.resize(source.bytes.size() + 0x300, 0xAB);  // a signature, a payload...
  const std::uint32_t tail = static_cast<std::uint32_t>(source.bytes.size() - 0x300);
  synth::Image::SetDirectory(source.bytes, kNt, 4, tail, 0x100);  // a file offset
  Put32(source.bytes, kNt + synth::kPointerToSymbolTable, tail + 0x100);
  Put32(source.bytes, kNt + synth::kNumberOfSymbols, 12);
  auto file = synth::Open(source.bytes);
  const auto written = synth::Rebuild(*file);
  const Fields out(written), in(source.bytes);
  EXPECT_EQ(written.size(), tail);
  EXPECT_EQ(out.DirRva(4), 0u);
  EXPECT_EQ(out.DirSize(4), 0u);
  EXPECT_EQ(out.At(synth::kPointerToSymbolTable), 0u);
  EXPECT_EQ(out.At(synth::kNumberOfSymbols), 0u);
  EXPECT_EQ(out.At(synth::kCheckSum), in.At(synth::kCheckSum));
  EXPECT_EQ(out.At(synth::kCheckSum), 0x12345678u);
}

TEST(ImageRebuild, ReportsProgressAfterEachSection) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x40, 0x11), 0xC0000040);
  image.Add(".rsrc", synth::StandardTree(0x3000).data);
  auto file = synth::Open(image.Build());
  std::vector<std::pair<int, int>> reports;
  rtl::TMemoryStream out;
  file->WriteImage(out, [&](std::int32_t range, std::int32_t position) {
    reports.emplace_back(range, position);
  });
  // 0x800 bytes: the header area and three sections of 0x200; 1024 x 95 / 2048 = 47.5
  // rounds to the even 48.
  EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{
                         {1000, 0}, {100, 1}, {100, 48}, {100, 71}, {100, 95}, {100, 100}}));
  EXPECT_EQ(out.BlockSize(), 0x800);
}

TEST(ImageRebuild, SectionsAreLaidOutBackToBackWhateverTheSourceLayout) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x200, 0x01), 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x200, 0x02), 0xC0000040);
  image.Add(".rsrc", synth::StandardTree(0x3000).data);
  image.Add(".tail", std::vector<std::uint8_t>(0x123, 0x03));
  auto bytes = image.Build();
  // Header area 0x400; .text and .data swap places in the file, a gap follows, and
  // .tail's size is not rounded and the file ends with it.
  std::vector<std::uint8_t> moved(bytes.begin(), bytes.begin() + 0x400);
  moved.insert(moved.end(), bytes.begin() + 0x600, bytes.begin() + 0x800);  // .data
  moved.insert(moved.end(), bytes.begin() + 0x400, bytes.begin() + 0x600);  // .text
  moved.insert(moved.end(), 0x400, 0x77);                                   // a gap
  moved.insert(moved.end(), bytes.begin() + 0x800, bytes.begin() + 0xA00 + 0x123);
  Put32(moved, SectionField(0, 20), 0x600);
  Put32(moved, SectionField(1, 20), 0x400);
  Put32(moved, SectionField(2, 20), 0xC00);
  Put32(moved, SectionField(3, 20), 0xE00);
  Put32(moved, SectionField(3, 16), 0x123);
  auto file = synth::Open(moved);
  const auto written = synth::Rebuild(*file);
  auto result = synth::Open(written);
  const std::uint32_t expected[4] = {0x400, 0x600, 0x800, 0xA00};
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(result->SectionHeader(i).PointerToRawData, expected[i]);
    if (i == 2) continue;
    const ByteView a = file->SectionRawData(i), b = result->SectionRawData(i);
    ASSERT_EQ(a.Size(), b.Size());
    EXPECT_EQ(std::vector<std::uint8_t>(a.Data(), a.Data() + a.Size()),
              std::vector<std::uint8_t>(b.Data(), b.Data() + b.Size()));
  }
  ASSERT_EQ(written.size(), 0xC00u);
  EXPECT_EQ(std::vector<std::uint8_t>(written.begin() + 0xB23, written.end()),
            std::vector<std::uint8_t>(0xDD, 0));
}

TEST(ImageRebuild, LargeFileAlignmentsAsInWinesPrograms) {
  RelocImage source(0x1000, 0x1000);
  source.image.fileAlignment = 0x1000;
  synth::Image image = source.image;
  auto bytes = image.Build();
  synth::Image::SetDirectory(bytes, kNt, 2, image.sections[1].virtualAddress, 0x1000);
  auto file = synth::Open(bytes);
  const auto written = synth::Rebuild(*file);
  EXPECT_EQ(written.size(), 0x4000u);
  auto result = synth::Open(written);
  EXPECT_EQ(result->SectionHeader(2).PointerToRawData, 0x3000u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(
                result->GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0)->Data()), 5),
            "hello");
}

// ---- refusals and saving ------------------------------------------------------------

std::vector<std::uint8_t> PlainImage() {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x40, 0xC3), 0x60000020);
  image.Add(".rsrc", synth::StandardTree(0x2000).data);
  return image.Build();
}

TEST(ImageRebuild, RefusesImagesItCannotLayOutBeforeWritingAnything) {
  struct Case {
    const char* what;
    std::function<std::vector<std::uint8_t>()> make;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"file alignment 0", [] { auto b = PlainImage(); Put32(b, kNt + synth::kFileAlignment, 0); return b; },
       perefusal::kBadAlignment},
      {"section alignment 0", [] { auto b = PlainImage(); Put32(b, kNt + synth::kSectionAlignment, 0); return b; },
       perefusal::kBadAlignment},
      {"file alignment 0x300", [] { auto b = PlainImage(); Put32(b, kNt + synth::kFileAlignment, 0x300); return b; },
       perefusal::kBadAlignment},
      {"optional header of 240 bytes", [] {
         auto b = PlainImage();
         Bytes x{b};
         x.Put16(kNt + 20, 240);
         return x.data;
       }, perefusal::kOddOptionalHeader},
      {"section past the end of the file", [] { auto b = PlainImage(); Put32(b, SectionField(0, 16), 0x10000); return b; },
       perefusal::kSectionOutsideFile},
      {"two resource sections", [] {
         auto b = PlainImage();
         b[SectionField(0, 1)] = 'r'; b[SectionField(0, 2)] = 's'; b[SectionField(0, 3)] = 'r';
         b[SectionField(0, 4)] = 'c'; b[SectionField(0, 5)] = 0;
         return b;
       }, perefusal::kTwoResourceSections},
      {"section data inside the section table", [] { auto b = PlainImage(); Put32(b, SectionField(0, 20), 0x100); return b; },
       perefusal::kTableOverlapsData},
      {"no section with file bytes", [] {
         synth::Image image;
         image.Add(".bss", {}, 0xC0000080, 0x1000);
         return image.Build();
       }, perefusal::kNoSectionData},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = testsupport::MakeScratchDir("pe-refuse");
    const auto source = c.make();
    testsupport::WriteBytes(dir + "in.exe", source);
    std::vector<std::pair<int, int>> reports;
    {
      TPEFile file(dir + "in.exe");
      try {
        file.SaveToFile(dir + "out.exe", [&](std::int32_t r, std::int32_t p) { reports.emplace_back(r, p); });
        ADD_FAILURE() << "saved";
      } catch (const rtl::Exception& e) {
        EXPECT_EQ(e.Message(), c.message);
      }
    }
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1000, 0}}));
    EXPECT_EQ(testsupport::ListDir(dir), std::vector<std::string>{"in.exe"});
    EXPECT_EQ(testsupport::ReadBytes(dir + "in.exe"), source);
    testsupport::RemoveTree(dir);
  }
}

TEST(ImageRebuild, SaveToFileWritesTheImageAndLeavesTheSourceAlone) {
  const std::string dir = testsupport::MakeScratchDir("pe-save");
  const auto source = PlainImage();
  testsupport::WriteBytes(dir + "in.exe", source);
  TPEFile file(dir + "in.exe");
  const std::uint8_t data[6] = {'p', 'a', 't', 'c', 'h', '!'};
  file.GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0)->SetData(data, 6);
  file.SaveToFile(dir + "out.exe", nullptr);
  const auto written = testsupport::ReadBytes(dir + "out.exe");
  EXPECT_EQ(written, synth::Rebuild(file));  // and the container is still usable
  EXPECT_EQ(testsupport::ReadBytes(dir + "in.exe"), source);
  auto reread = synth::Open(written);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(
                reread->GetRootList()->ListItem(0)->GetSubList()->ListItem(0)->GetSubList()->DataItem(0)->Data()), 6),
            "patch!");
  // A file that cannot be created: the stream's failure, and nothing left behind.
  EXPECT_THROW(file.SaveToFile(dir + "missing" + plat::kPathDelim + "out.exe", nullptr), rtl::EFCreateError);
  EXPECT_EQ(testsupport::ListDir(dir), (std::vector<std::string>{"in.exe", "out.exe"}));
  testsupport::RemoveTree(dir);
}

TEST(ImageRebuild, FailuresWhileWritingDeleteTheFile) {
  const std::string dir = testsupport::MakeScratchDir("pe-fail");
  Bytes tree = synth::StandardTree(0x2000);
  synth::DirData(tree, 0x48, 0x2000 + 0x60, 0x300, 0);  // runs past the section
  testsupport::WriteBytes(dir + "in.exe", synth::WithResources(tree));
  {
    TPEFile file(dir + "in.exe");
    EXPECT_THROW(file.SaveToFile(dir + "out.exe", nullptr), ECorruptResource);
  }
  EXPECT_EQ(testsupport::ListDir(dir), std::vector<std::string>{"in.exe"});
  testsupport::RemoveTree(dir);

  // A stream that takes only 100 bytes: the write error of the stream.
  auto file = synth::Open(PlainImage());
  std::vector<std::uint8_t> small(100);
  TReadMemoryStream tiny(small.data(), 100);
  try {
    file->WriteImage(tiny, nullptr);
    ADD_FAILURE() << "wrote";
  } catch (const rtl::EWriteError& e) {
    EXPECT_EQ(e.Message(), "Stream write error");
  }
}

TEST(HeaderModel, ShiftSectionsMovesLaterSectionsAndDirectoriesAtOrAboveTheThreshold) {
  RelocImage source(0x200);
  synth::Image::SetDirectory(source.bytes, kNt, 1, 0x1010, 0x10);  // below: stays
  auto file = synth::Open(source.bytes);
  TPEHeader header(file->Image());
  header.ShiftSections(2, 0x2000, 0x3000, 0x400);
  EXPECT_EQ(header.Section(1).VirtualAddress, 0x2000u);
  EXPECT_EQ(header.Section(2).VirtualAddress, source.image.sections[2].virtualAddress + 0x3000);
  EXPECT_EQ(header.Section(2).PointerToRawData, source.image.sections[2].pointerToRawData + 0x400);
  EXPECT_EQ(header.DataDirectoryRva(1), 0x1010u);
  EXPECT_EQ(header.DataDirectoryRva(2), 0x2000u);  // the resource entry is the caller's
  EXPECT_EQ(header.DataDirectoryRva(5), source.image.sections[2].virtualAddress + 0x3000);
  EXPECT_EQ(header.OutputSize(), static_cast<std::int32_t>(source.bytes.size()) + 0x400);
}

}  // namespace
