// Classification of executables, the section table questions, ImageEnd and the code
// fingerprint, on synthetic images whose every byte the test decides.
#include <gtest/gtest.h>

#include <functional>

#include "Format.h"
#include "MyStreams.h"
#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"
#include "SyntheticPE.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace {

using synth::Bytes;

// The formatted refusal; the reasons are English texts, the frame is the Russian string
// 65369 in the program's code page.
std::string Refusal(const std::string& name, const std::string& reason) {
  return rtl::FormatRes(SPEOpenError, {name, reason});
}

std::string ClassifyStream(const std::vector<std::uint8_t>& bytes) {
  try {
    synth::Open(bytes);
    return "accepted";
  } catch (const ENoPEException& e) {
    return e.Message();
  }
}

std::vector<std::uint8_t> ThreeSections() {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x300, 0x90), 0x60000020);
  image.Add(".data", std::vector<std::uint8_t>(0x100, 0x11), 0xC0000040);
  image.Add(".rsrc", std::vector<std::uint8_t>(0x40, 0));
  return image.Build();
}

void Patch(std::vector<std::uint8_t>& file, std::size_t at, std::uint32_t value, int width = 4) {
  Bytes b{std::move(file)};
  if (width == 2)
    b.Put16(at, static_cast<std::uint16_t>(value));
  else
    b.Put32(at, value);
  file = std::move(b.data);
}

std::size_t SectionField(std::uint32_t lfanew, int index, std::uint32_t field) {
  return lfanew + synth::kSectionTable + 40u * static_cast<std::uint32_t>(index) + field;
}

TEST(CheckExecutable, RefusesEachKindOfNonPE32WithItsReason) {
  const std::string file = rtl::LoadStr(SFileWord);
  struct Case {
    const char* what;
    std::function<std::vector<std::uint8_t>()> make;
    const char* reason;  // nullptr: accepted
  };
  const std::vector<Case> cases = {
      {"64 bytes", [] { auto b = ThreeSections(); b.resize(64); return b; },
       "too small to be an executable"},
      {"65 bytes starting with MZ", [] {
         std::vector<std::uint8_t> b(65, 0);
         b[0] = 'M';
         b[1] = 'Z';
         return b;
       }, "it is a DOS program"},
      {"ZM instead of MZ", [] { auto b = ThreeSections(); b[0] = 'Z'; b[1] = 'M'; return b; },
       "it is an unknown type"},
      {"e_lfanew negative", [] { auto b = ThreeSections(); Patch(b, 60, 0x80000000u); return b; },
       "it is a DOS program"},
      {"e_lfanew + 248 overflows", [] { auto b = ThreeSections(); Patch(b, 60, 0x7FFFFFF0u); return b; },
       "it is a DOS program"},
      {"e_lfanew + 248 at the end", [] {
         auto b = ThreeSections();
         Patch(b, 60, static_cast<std::uint32_t>(b.size() - 248));
         return b;
       }, "it is a DOS program"},
      {"NE header", [] { auto b = ThreeSections(); b[0x80] = 'N'; b[0x81] = 'E'; return b; },
       "it is a 16bit program"},
      {"LE header", [] { auto b = ThreeSections(); b[0x80] = 'L'; b[0x81] = 'E'; return b; },
       "it is a 16bit program"},
      {"PE without the zero bytes", [] { auto b = ThreeSections(); b[0x82] = 'X'; return b; },
       "it is a DOS program"},
      {"PE32+ with a table that does not fit", [] {
         auto b = ThreeSections();
         Patch(b, 0x80 + 24, 0x20B, 2);
         Patch(b, 0x80 + synth::kNumberOfSections, 0xFFFF, 2);
         return b;
       }, "it is a PE+ file"},
      {"ROM image magic", [] { auto b = ThreeSections(); Patch(b, 0x80 + 24, 0x107, 2); return b; },
       "it is an unknown type of executable"},
      {"no sections", [] {
         auto b = ThreeSections();
         Patch(b, 0x80 + synth::kNumberOfSections, 0, 2);
         return b;
       }, "it is an unknown type of executable"},
      {"section table one byte past the end", [] {
         auto b = ThreeSections();
         b.resize(0x80 + 248 + 3 * 40 - 1);
         return b;
       }, "it is an unknown type of executable"},
      {"section table ending at the end", [] {
         auto b = ThreeSections();
         b.resize(0x80 + 248 + 3 * 40);
         return b;
       }, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(ClassifyStream(c.make()), c.reason ? Refusal(file, c.reason) : "accepted");
  }
}

#ifndef _WIN32
// The frame and the file word are the program's own Russian texts (UTF-8 natively).
TEST(CheckExecutable, StreamMessageIsTheRussianFrameWithTheFileWord) {
  auto b = ThreeSections();
  b[0] = 'X';
  EXPECT_EQ(ClassifyStream(b), "Ошибка открытия Файл: it is an unknown type");
}
#endif

TEST(CheckExecutable, FileMessageNamesTheFileWithoutItsDirectory) {
  const std::string dir = testsupport::MakeScratchDir("pe-classify");
  auto b = ThreeSections();
  Patch(b, 0x80 + 24, 0x20B, 2);
  testsupport::WriteBytes(dir + "prog.exe", b);
  try {
    TPEFile file(dir + "prog.exe");
    ADD_FAILURE() << "accepted a PE32+ image";
  } catch (const ENoPEException& e) {
    EXPECT_EQ(e.Message(), Refusal("prog.exe", "it is a PE+ file"));
  }
  // The failed constructor released the file: it can be deleted at once.
  EXPECT_TRUE(plat::DeleteFile(dir + "prog.exe"));
  testsupport::RemoveTree(dir);
}

TEST(CheckExecutable, EmptyFileIsTheContainersZeroSizeFailure) {
  const std::string dir = testsupport::MakeScratchDir("pe-empty");
  testsupport::WriteBytes(dir + "empty.exe", {});
  EXPECT_THROW(TPEFile file(dir + "empty.exe"), EZeroSizeException);
  testsupport::RemoveTree(dir);
}

TEST(SectionTable, FindSectionComparesEightCharactersIgnoringCase) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(16, 1), 0x60000020);
  image.Add(".RSRC", std::vector<std::uint8_t>(16, 2));
  image.Add(".rsrc2", std::vector<std::uint8_t>(16, 3));
  image.Add("ABCDEFGH", std::vector<std::uint8_t>(16, 4));  // no terminating zero
  auto file = synth::Open(image.Build());
  EXPECT_EQ(file->SectionCount(), 4);
  EXPECT_EQ(file->FindSection(".rsrc"), 1);
  EXPECT_EQ(file->FindSection(".rsrc2"), 2);
  EXPECT_EQ(file->FindSection(".rsr"), -1);
  EXPECT_EQ(file->FindSection("abcdefgh"), 3);
  EXPECT_EQ(file->FindSection("abcdefghXYZ"), 3);  // only 8 characters take part
  EXPECT_EQ(file->FindSection("ABCDEFG"), -1);
  EXPECT_EQ(file->FindSection(".bss"), -1);
  EXPECT_EQ(file->FirstCodeSection(), 0);
  EXPECT_EQ(file->SectionHeader(3).NameText(), "ABCDEFGH");
}

TEST(SectionTable, SectionHeaderOutsideTheTableIsRefused) {
  auto file = synth::Open(ThreeSections());
  for (int index : {-1, 3, 1000}) {
    try {
      file->SectionHeader(index);
      ADD_FAILURE() << index;
    } catch (const rtl::Exception& e) {
      EXPECT_EQ(e.Message(), "Header Index out of bounds!");
    }
  }
  EXPECT_EQ(file->SectionHeader(2).NameText(), ".rsrc");
}

TEST(SectionTable, FileWithoutCodeOrResourceSection) {
  synth::Image image;
  image.Add(".data", std::vector<std::uint8_t>(16, 1));
  auto file = synth::Open(image.Build());
  EXPECT_EQ(file->FirstCodeSection(), -1);
  EXPECT_EQ(file->FindSection(".rsrc"), -1);
  EXPECT_EQ(file->VersionChecksum(), 0x8A11u);
  EXPECT_EQ(file->GetRootList()->Count(), 0);
}

TEST(ImageEnd, IsTheHighestRawEndWhateverTheTableOrder) {
  auto b = ThreeSections();
  // Put the first section's data last in the file: its raw end is now the highest.
  Patch(b, SectionField(0x80, 0, 20), 0x2000);
  Patch(b, SectionField(0x80, 0, 16), 0x345);
  EXPECT_EQ(synth::Open(b)->ImageEnd(), 0x2345);
  // A section without raw data contributes its PointerToRawData.
  Patch(b, SectionField(0x80, 2, 16), 0);
  Patch(b, SectionField(0x80, 2, 20), 0x3000);
  EXPECT_EQ(synth::Open(b)->ImageEnd(), 0x3000);
}

TEST(ImageEnd, OfAProgramWithAnAppendedPayloadIsWhereThePayloadStarts) {
  synth::Image image;
  image.Add(".text", std::vector<std::uint8_t>(0x300, 0x90), 0x60000020);
  image.overlay = {'K', 'Q', '2', '6'};
  const auto bytes = image.Build();
  EXPECT_EQ(synth::Open(bytes)->ImageEnd(), static_cast<std::int32_t>(bytes.size() - 4));
}

std::vector<std::uint8_t> CodeImage(const std::vector<std::uint8_t>& code, std::uint32_t rawSize) {
  synth::Image image;
  image.Add(".data", std::vector<std::uint8_t>(0x10, 0x77));
  image.Add(".text", code, 0x60000020);
  image.Add(".text2", std::vector<std::uint8_t>(0x10, 0x55), 0x60000020);
  auto b = image.Build();
  Patch(b, SectionField(0x80, 1, 16), rawSize);
  return b;
}

TEST(VersionChecksum, SumsTheWordsOfTheFirstCodeSection) {
  const std::uint32_t w1 = 0x11223344, w2 = 0xF0000001, w3 = 0x00000010;
  Bytes code;
  code.Put32(0, w1);
  code.Put32(4, w2);
  code.Put32(8, w3);
  code.Put32(12, 0xDEADBEEF);  // beyond SizeOfRawData: not counted
  const std::uint32_t expected = 0x8A11u + w1 + w2 + (1u ^ w3);
  EXPECT_EQ(synth::Open(CodeImage(code.data, 12))->VersionChecksum(), expected);
  // One to three trailing bytes beyond the last whole word do not count.
  EXPECT_EQ(synth::Open(CodeImage(code.data, 15))->VersionChecksum(), expected);
  for (std::uint32_t size : {0u, 1u, 3u})
    EXPECT_EQ(synth::Open(CodeImage(code.data, size))->VersionChecksum(), 0x8A11u) << size;
  // Negative as a signed size: no words.
  EXPECT_EQ(synth::Open(CodeImage(code.data, 0x80000000u))->VersionChecksum(), 0x8A11u);
}

TEST(VersionChecksum, IgnoresEverythingButTheFirstCodeSection) {
  Bytes code;
  for (std::uint32_t i = 0; i < 64; ++i) code.Put32(4 * i, i * 0x01010101u);
  auto base = CodeImage(code.data, 256);
  const std::uint32_t sum = synth::Open(base)->VersionChecksum();
  auto changed = base;
  changed[0x80 + synth::kCheckSum] ^= 0xFF;                 // a header field
  changed[synth::Open(base)->SectionHeader(0).PointerToRawData] ^= 0xFF;  // .data
  changed[synth::Open(base)->SectionHeader(2).PointerToRawData] ^= 0xFF;  // the later code
  changed.push_back(0x42);                                  // an overlay
  EXPECT_EQ(synth::Open(changed)->VersionChecksum(), sum);
  auto code2 = base;
  code2[synth::Open(base)->SectionHeader(1).PointerToRawData + 5] ^= 0x01;
  EXPECT_NE(synth::Open(code2)->VersionChecksum(), sum);
}

TEST(VersionChecksum, WordsPastTheEndOfATruncatedFileCountAsZero) {
  Bytes code;
  code.Put32(0, 0xAAAAAAAA);
  code.Put32(4, 0xBBBBBBBB);
  auto b = CodeImage(code.data, 0x200);
  const std::uint32_t start = synth::Open(b)->SectionHeader(1).PointerToRawData;
  b.resize(start + 6);  // one whole word and two bytes of the second
  std::uint32_t expected = 0x8A11u + (0u ^ 0xAAAAAAAAu) + (0u ^ 0x0000BBBBu);
  for (std::uint32_t i = 3; i <= 0x200 / 4; ++i) expected += i / 3;
  EXPECT_EQ(synth::Open(b)->VersionChecksum(), expected);
}

}  // namespace
