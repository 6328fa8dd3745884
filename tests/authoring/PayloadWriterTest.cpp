// The payload writer judged from two sides: the patcher's own loader must read back every
// field, and the test payload writer of the patch tests (which lays out the format and
// sums the words on its own) must agree with every byte. Then the writer's refusals: each
// leaves no file behind and an existing output as it was.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "PayloadWriter.h"
#include "TestPayloadWriter.h"
#include "TestSupport.h"
#include "UZedevaviz26.h"

namespace {

using testsupport::Fixture;
using testsupport::ListDir;
using testsupport::MakeScratchDir;
using testsupport::ReadBytes;
using testsupport::RemoveTree;
using testsupport::WriteBytes;

std::string Stub() { return Fixture("patch_stub.exe"); }

TPatcherParts SomeParts() {
  TPatcherParts parts;
  parts.StubFile = Stub();
  parts.TargetChecksum = 0xDEADBEEF;
  parts.Texts.InputName = "authoring_en.exe";
  parts.Texts.OutputName = "authoring_en.exe";
  parts.ResourceImage = ReadBytes(Fixture("app_ru.res"));
  parts.TrailerBlocks = {"vandolin test"};
  return parts;
}

std::ptrdiff_t Offset(std::uint32_t at) { return static_cast<std::ptrdiff_t>(at); }

std::uint32_t U32At(const TPayloadBytes& b, std::size_t at) {
  return static_cast<std::uint32_t>(b.at(at)) | static_cast<std::uint32_t>(b.at(at + 1)) << 8 |
         static_cast<std::uint32_t>(b.at(at + 2)) << 16 |
         static_cast<std::uint32_t>(b.at(at + 3)) << 24;
}

TPayloadBytes Inflate(const std::uint8_t* data, std::size_t size, std::size_t expected) {
  TPayloadBytes out(expected + 1);
  uLongf outSize = static_cast<uLongf>(out.size());
  EXPECT_EQ(uncompress(out.data(), &outSize, data, static_cast<uLong>(size)), Z_OK);
  out.resize(outSize);
  return out;
}

// The resource image of one RCDATA entry of `size` zero bytes.
TPayloadBytes ZeroImage(std::size_t size) {
  TPayloadBytes image(32, 0);
  image[4] = 32;
  image[8] = image[9] = image[12] = image[13] = 0xFF;
  const std::uint32_t entry[] = {
      static_cast<std::uint32_t>(size), 32, 0x000AFFFF, 0x0001FFFF, 0, 0x04090000, 0, 0};
  for (std::uint32_t word : entry)
    for (int i = 0; i < 4; ++i) image.push_back(static_cast<std::uint8_t>(word >> (8 * i)));
  image.resize(image.size() + size, 0);
  return image;
}

class PatcherFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = MakeScratchDir("authoring-writer"); }
  void TearDown() override { RemoveTree(dir_); }
  std::string dir_;
};

TEST_F(PatcherFileTest, LoaderReadsBackEveryFieldAndTheBytesAreTheFormat) {
  TPatcherParts parts = SomeParts();
  parts.Texts.InputName = "C:\\Program Files\\Sample\\authoring_en.exe";
  parts.Texts.OutputName = "authoring_ru.exe";
  parts.Texts.Author = "Иван \"Переводчик\"";
  parts.Texts.Email = std::string("a\0b@example.org", 15);  // zero bytes keep their place
  parts.Texts.AuthorNote = "";
  parts.Texts.Instructions = std::string(65535, 'i');  // the longest text there is
  parts.TrailerBlocks = {"vandolin test", std::string("\x00\x01\xFF", 3)};
  const std::string out = dir_ + "patcher.exe";
  const TPatcherSummary summary = WritePatcherFile(parts, out);

  TKitmend26 patch;
  patch.LoadFromFile(out, TProgressEvent(), TStatusEvent());
  EXPECT_EQ(std::string(patch.Magic, 4), "KQ26");
  EXPECT_EQ(patch.TargetChecksum, 0xDEADBEEFu);
  EXPECT_EQ(patch.InputName, parts.Texts.InputName);
  EXPECT_EQ(patch.OutputName, parts.Texts.OutputName);
  EXPECT_EQ(patch.Author, parts.Texts.Author);
  EXPECT_EQ(patch.Email, parts.Texts.Email);
  EXPECT_EQ(patch.AuthorNote, "");
  EXPECT_EQ(patch.Instructions, parts.Texts.Instructions);
  ASSERT_EQ(patch.ResourceSize, static_cast<std::int32_t>(parts.ResourceImage.size()));
  EXPECT_EQ(std::memcmp(patch.ResourceData, parts.ResourceImage.data(), parts.ResourceImage.size()),
            0);

  // The file: the stub's image unchanged, then header and zlib stream up to the end.
  const TPayloadBytes stub = ReadBytes(Stub());
  const TPayloadBytes file = ReadBytes(out);
  const std::uint32_t end = payload::ImageEnd(stub);
  ASSERT_EQ(static_cast<std::int32_t>(end), summary.ImageEnd);
  ASSERT_GT(file.size(), end + 16);
  EXPECT_TRUE(std::equal(stub.begin(), stub.begin() + Offset(end), file.begin()));
  EXPECT_EQ(payload::ImageEnd(file), end);
  EXPECT_EQ(std::string(file.begin() + Offset(end), file.begin() + Offset(end + 4)), "KQ26");
  EXPECT_EQ(U32At(file, end + 4), file.size() - end - 16);
  EXPECT_EQ(U32At(file, end + 8), 0xDEADBEEFu);
  EXPECT_EQ(U32At(file, end + 12),
            payload::Checksum(file.data() + end + 16, file.size() - end - 16));
  // A zlib header that says: deflate, 32K window, best compression.
  EXPECT_EQ(file[end + 16], 0x78);
  EXPECT_EQ(file[end + 17] >> 6, 3);

  payload::Texts texts{parts.Texts.InputName, parts.Texts.OutputName, parts.Texts.Author,
                       parts.Texts.Email,     parts.Texts.AuthorNote, parts.Texts.Instructions};
  std::vector<payload::Bytes> trailer;
  for (const std::string& block : parts.TrailerBlocks)
    trailer.emplace_back(block.begin(), block.end());
  const payload::Bytes expected = payload::Inflated(texts, parts.ResourceImage, trailer);
  EXPECT_EQ(Inflate(file.data() + end + 16, file.size() - end - 16, expected.size()), expected);
  EXPECT_EQ(summary.InflatedSize, static_cast<std::int32_t>(expected.size()));
}

TEST_F(PatcherFileTest, AStubThatIsAPatcherOrHasATailLosesWhatFollowsItsImage) {
  const TPayloadBytes stub = ReadBytes(Stub());
  const std::uint32_t end = payload::ImageEnd(stub);
  TPayloadBytes tailed = stub;
  tailed.resize(end);
  tailed.insert(tailed.end(), 5000, 0x5A);  // say a symbol table or an old certificate
  WriteBytes(dir_ + "tailed.exe", tailed);

  TPatcherParts first = SomeParts();
  first.StubFile = dir_ + "tailed.exe";
  first.Texts.Author = "first";
  const TPatcherSummary made = WritePatcherFile(first, dir_ + "first.exe");
  EXPECT_EQ(made.DroppedBytes, 5000);

  TPatcherParts second = SomeParts();
  second.StubFile = dir_ + "first.exe";
  second.Texts.Author = "second";
  second.ResourceImage = ReadBytes(Fixture("authoring_cases_changed.res"));
  WritePatcherFile(second, dir_ + "second.exe");
  // Made again in place: the stub and the output are the same file.
  second.StubFile = dir_ + "first.exe";
  WritePatcherFile(second, dir_ + "first.exe");

  for (const char* name : {"second.exe", "first.exe"}) {
    SCOPED_TRACE(name);
    const TPayloadBytes file = ReadBytes(dir_ + name);
    EXPECT_TRUE(std::equal(stub.begin(), stub.begin() + Offset(end), file.begin()));
    EXPECT_EQ(U32At(file, end + 4), file.size() - end - 16);
    TKitmend26 patch;
    patch.LoadFromFile(dir_ + name, TProgressEvent(), TStatusEvent());
    EXPECT_EQ(patch.Author, "second");
    EXPECT_EQ(patch.ResourceSize, static_cast<std::int32_t>(second.ResourceImage.size()));
  }
  EXPECT_EQ(ReadBytes(dir_ + "first.exe"), ReadBytes(dir_ + "second.exe"));
  EXPECT_EQ(ListDir(dir_), (std::vector<std::string>{"first.exe", "second.exe", "tailed.exe"}));
}

struct Refusal {
  const char* what;
  std::function<void(TPatcherParts&, const std::string& dir)> spoil;
  const char* message;  // a part of the message
};

TEST_F(PatcherFileTest, RefusalsWriteNothing) {
  const std::string big(65536, 'x');
  const TPayloadBytes stub = ReadBytes(Stub());
  const Refusal cases[] = {
      {"stub too small",
       [](TPatcherParts& p, const std::string& d) {
         WriteBytes(d + "small.exe", {'M', 'Z', 0, 0});
         p.StubFile = d + "small.exe";
       },
       "too small to be an executable"},
      {"stub is a resource image",
       [](TPatcherParts& p, const std::string&) { p.StubFile = Fixture("app_ru.res"); },
       "it is an unknown type"},
      {"stub missing", [](TPatcherParts& p, const std::string& d) { p.StubFile = d + "none.exe"; },
       "none.exe"},
      {"stub cut short",
       [&stub](TPatcherParts& p, const std::string& d) {
         WriteBytes(
             d + "cut.exe",
             TPayloadBytes(stub.begin(), stub.begin() + Offset(payload::ImageEnd(stub) - 1)));
         p.StubFile = d + "cut.exe";
       },
       "cut.exe is cut short"},
      {"input name too long",
       [&big](TPatcherParts& p, const std::string&) { p.Texts.InputName = big; },
       "the input name has 65536 bytes"},
      {"output name too long",
       [&big](TPatcherParts& p, const std::string&) { p.Texts.OutputName = big; },
       "the output name has 65536 bytes"},
      {"author too long", [&big](TPatcherParts& p, const std::string&) { p.Texts.Author = big; },
       "the author has 65536 bytes"},
      {"e-mail too long", [&big](TPatcherParts& p, const std::string&) { p.Texts.Email = big; },
       "the e-mail has 65536 bytes"},
      {"note too long", [&big](TPatcherParts& p, const std::string&) { p.Texts.AuthorNote = big; },
       "the note has 65536 bytes"},
      {"instructions too long",
       [&big](TPatcherParts& p, const std::string&) { p.Texts.Instructions = big; },
       "the instructions text has 65536 bytes"},
      {"no input name", [](TPatcherParts& p, const std::string&) { p.Texts.InputName.clear(); },
       "the input name is empty"},
      {"no output name", [](TPatcherParts& p, const std::string&) { p.Texts.OutputName.clear(); },
       "the output name is empty"},
      {"image of text",
       [](TPatcherParts& p, const std::string&) {
         const std::string text = "this is no resource image, only some text of sufficient length";
         p.ResourceImage.assign(text.begin(), text.end());
       },
       "is not a resource image"},
      {"image cut inside an entry",
       [](TPatcherParts& p, const std::string&) {
         p.ResourceImage.resize(p.ResourceImage.size() - 40);
       },
       "is not a resource image"},
      {"entry longer than the image",
       [](TPatcherParts& p, const std::string&) {
         p.ResourceImage[32] = 0xFF;
         p.ResourceImage[33] = 0xFF;
       },
       "is not a resource image"},
      {"trailer too long",
       [](TPatcherParts& p, const std::string&) {
         p.TrailerBlocks = {std::string(40000, 't'), std::string(30000, 't')};
       },
       "the trailer is 70006 bytes long"},
      {"inflates beyond what a patcher loads",
       [](TPatcherParts& p, const std::string&) {
         p.ResourceImage = ZeroImage(std::size_t{80} << 20);
       },
       "more than a patcher loads"},
  };
  const TPayloadBytes old = {'o', 'l', 'd'};
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string dir = MakeScratchDir("authoring-refusal");
    TPatcherParts parts = SomeParts();
    c.spoil(parts, dir);
    const std::vector<std::string> before = ListDir(dir);
    try {
      WritePatcherFile(parts, dir + "new.exe");
      ADD_FAILURE() << "no refusal";
    } catch (const rtl::Exception& e) {
      EXPECT_NE(e.Message().find(c.message), std::string::npos) << e.Message();
    }
    EXPECT_EQ(ListDir(dir), before);
    // An output that exists stays as it was.
    WriteBytes(dir + "old.exe", old);
    EXPECT_THROW(WritePatcherFile(parts, dir + "old.exe"), rtl::Exception);
    EXPECT_EQ(ReadBytes(dir + "old.exe"), old);
    std::vector<std::string> withOld = before;
    withOld.push_back("old.exe");
    std::sort(withOld.begin(), withOld.end());
    EXPECT_EQ(ListDir(dir), withOld);
    RemoveTree(dir);
  }
}

TEST_F(PatcherFileTest, AnOutputThatCannotBeWrittenLeavesNothing) {
  EXPECT_THROW(WritePatcherFile(SomeParts(), dir_ + "no such dir" + dir_.back() + "p.exe"),
               rtl::Exception);
  EXPECT_TRUE(ListDir(dir_).empty());
}

}  // namespace
