// The payload loader on patcher files made by the test writer: the fields it reads, the
// six refusals with their codes, and the wrapped failures of the layers below it.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestPayloadWriter.h"
#include "StringIds.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "UZedevaviz26.h"

using payload::Bytes;
using testsupport::Fixture;

namespace {

const std::string kProgram = "patch_target.exe";

std::string Invalid() { return rtl::LoadStr(SInvalidPatchData); }
std::string Wrapped(const std::string& inner) { return Invalid() + "\r\n(" + inner + ")"; }

Bytes Image(std::size_t size) {
  Bytes b(size);
  for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(i * 7 + 3);
  return b;
}

class PayloadLoader : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = testsupport::MakeScratchDir("loader"); }
  void TearDown() override { testsupport::RemoveTree(dir_); }

  // A patcher whose payload is `payloadBytes`, loaded; the failure, if any, in `error`.
  std::string Load(const Bytes& payloadBytes, TKitmend26& patch) {
    std::string file = dir_ + "patcher.exe";
    payload::WritePatcher(Fixture(kProgram), file, payloadBytes);
    return LoadFile(file, patch);
  }
  std::string LoadFile(const std::string& file, TKitmend26& patch) {
    try {
      patch.LoadFromFile(file, TProgressEvent(), TStatusEvent());
    } catch (const EKM26Error& e) {
      code_ = e.Code;
      return e.Message();
    } catch (const rtl::Exception& e) {
      code_ = 0;
      return e.Message();
    }
    code_ = -1;
    return "";
  }
  std::string LoadInflated(const Bytes& inflated, TKitmend26& patch) {
    return Load(payload::Payload(payload::Deflate(inflated), payload::Header()), patch);
  }

  std::string dir_;
  int code_ = -1;  // -1: loaded; 0: a wrapped failure
};

TEST_F(PayloadLoader, ReadsHeaderTextsResourceImageAndTrailer) {
  payload::Texts texts;
  texts.inputName = "C:\\Games\\game.exe";
  texts.outputName = "game_ru.exe";
  Bytes image = Image(777);
  Bytes compressed = payload::Deflate(payload::Inflated(texts, image));
  payload::Header header;
  header.targetChecksum = 0xDEADBEEF;
  bool called = false;
  TKitmend26 patch;
  payload::WritePatcher(Fixture(kProgram), dir_ + "p.exe", payload::Payload(compressed, header));
  patch.LoadFromFile(dir_ + "p.exe", [&](std::int32_t, std::int32_t) { called = true; },
                     [&](const std::string&) { called = true; });

  EXPECT_EQ(std::string(patch.Magic, 4), "KQ26");
  EXPECT_EQ(patch.CompressedSize, static_cast<std::int32_t>(compressed.size()));
  EXPECT_EQ(patch.TargetChecksum, 0xDEADBEEFu);
  EXPECT_EQ(patch.PayloadChecksum, payload::Checksum(compressed.data(), compressed.size()));
  EXPECT_EQ(patch.InputName, texts.inputName);
  EXPECT_EQ(patch.OutputName, texts.outputName);
  EXPECT_EQ(patch.Author, texts.author);
  EXPECT_EQ(patch.Email, texts.email);
  EXPECT_EQ(patch.AuthorNote, texts.authorNote);
  EXPECT_EQ(patch.Instructions, texts.instructions);
  ASSERT_EQ(patch.ResourceSize, 777);
  // The image is not copied out of the inflated payload.
  const std::uint8_t* begin = patch.Data->Memory();
  ASSERT_TRUE(patch.ResourceData >= begin &&
              patch.ResourceData + patch.ResourceSize <= begin + patch.Data->BlockSize());
  EXPECT_EQ(Bytes(patch.ResourceData, patch.ResourceData + patch.ResourceSize), image);
  EXPECT_TRUE(static_cast<bool>(patch.OnProgress));
  EXPECT_TRUE(static_cast<bool>(patch.OnStatus));
  EXPECT_FALSE(called) << "callbacks are only stored while loading";
}

// The layout example: texts of 11, 11, 0, 0, 0 and 162 bytes, S = 5190, a trailer of 30.
TEST_F(PayloadLoader, LayoutExampleGivesResourceOffset196AndSize4964) {
  payload::Texts texts{"abcdefghijk", "ABCDEFGHIJK", "", "", "", std::string(162, 'i')};
  Bytes inflated = payload::Inflated(texts, Image(4964), {Bytes(16, 1), Bytes(8, 2)});
  ASSERT_EQ(inflated.size(), 5190u);
  TKitmend26 patch;
  EXPECT_EQ(LoadInflated(inflated, patch), "");
  EXPECT_EQ(patch.ResourceData - patch.Data->Memory(), 196);
  EXPECT_EQ(patch.ResourceSize, 4964);
  EXPECT_TRUE(patch.Author.empty() && patch.Email.empty() && patch.AuthorNote.empty());
}

TEST_F(PayloadLoader, TextsWithZeroBytesKeepTheirFullLength) {
  payload::Texts texts;
  texts.inputName = std::string("in\0put.exe", 10);
  texts.instructions = std::string("line one\0hidden\r\nline two", 26);
  TKitmend26 patch;
  EXPECT_EQ(LoadInflated(payload::Inflated(texts, Image(40)), patch), "");
  EXPECT_EQ(patch.InputName, texts.inputName);
  EXPECT_EQ(patch.InputName.size(), 10u);
  EXPECT_EQ(patch.Instructions, texts.instructions);
  EXPECT_EQ(patch.ResourceSize, 40);
}

TEST_F(PayloadLoader, RefusalsCarryTheirCodeAndTheInvalidPatchText) {
  payload::Texts good;
  const Bytes image = Image(100);
  const Bytes compressed = payload::Deflate(payload::Inflated(good, image));
  auto withHeader = [&](std::function<void(payload::Header&)> edit) {
    payload::Header h;
    edit(h);
    return payload::Payload(compressed, h);
  };
  auto withTexts = [&](std::function<void(payload::Texts&)> edit) {
    payload::Texts t = good;
    edit(t);
    return payload::Payload(payload::Deflate(payload::Inflated(t, image)), payload::Header());
  };
  auto flipped = [&](std::size_t offset) {
    Bytes p = payload::Payload(compressed, payload::Header());
    p[offset] ^= 0x40;
    return p;
  };
  const std::uint16_t sMinusR = static_cast<std::uint16_t>(image.size() + 30);
  struct Case {
    const char* what;
    Bytes payloadBytes;
    int code;
  } cases[] = {
      {"magic KQ25", withHeader([](payload::Header& h) { h.magic = "KQ25"; }), 2},
      {"magic in lower case", withHeader([](payload::Header& h) { h.magic = "kq26"; }), 2},
      {"compressed size one larger",
       withHeader([&](payload::Header& h) {
         h.compressedSize = static_cast<std::int32_t>(compressed.size() + 1);
       }),
       3},
      {"checksum off by one",
       withHeader([&](payload::Header& h) {
         h.payloadChecksum = payload::Checksum(compressed.data(), compressed.size()) + 1;
       }),
       4},
      {"first compressed byte changed", flipped(16), 4},
      {"a middle byte changed", flipped(16 + compressed.size() / 2), 4},
      {"last byte of the last whole word changed", flipped(16 + compressed.size() / 4 * 4 - 1), 4},
      {"empty input name", withTexts([](payload::Texts& t) { t.inputName.clear(); }), 5},
      {"empty output name", withTexts([](payload::Texts& t) { t.outputName.clear(); }), 5},
      {"trailer one larger than what follows the texts",
       payload::Payload(payload::Deflate(payload::Inflated(good, image, payload::DefaultTrailer(),
                                                           static_cast<std::uint16_t>(sMinusR + 1))),
                        payload::Header()),
       6},
  };
  for (const Case& c : cases) {
    TKitmend26 patch;
    EXPECT_EQ(Load(c.payloadBytes, patch), Invalid()) << c.what;
    EXPECT_EQ(code_, c.code) << c.what;
  }
}

TEST_F(PayloadLoader, ImageEndBeyondTheFileIsCode1) {
  Bytes exe = testsupport::ReadBytes(Fixture(kProgram));
  exe.resize(payload::ImageEnd(exe) - 1);
  testsupport::WriteBytes(dir_ + "short.exe", exe);
  TKitmend26 patch;
  EXPECT_EQ(LoadFile(dir_ + "short.exe", patch), Invalid());
  EXPECT_EQ(code_, 1);
}

TEST_F(PayloadLoader, AcceptedEdgesOfSizesAndTrailer) {
  payload::Texts texts;
  const Bytes image = Image(64);
  const Bytes compressed = payload::Deflate(payload::Inflated(texts, image));
  const std::uint16_t sMinusR = static_cast<std::uint16_t>(image.size() + 30);
  struct Case {
    const char* what;
    Bytes payloadBytes;
    std::int32_t resourceSize;
  } cases[] = {
      {"compressed size one smaller",
       payload::Payload(compressed, [&] {
         payload::Header h;
         h.compressedSize = static_cast<std::int32_t>(compressed.size() - 1);
         return h;
       }()),
       64},
      {"compressed size negative",
       payload::Payload(compressed, [&] {
         payload::Header h;
         h.compressedSize = -5;
         return h;
       }()),
       64},
      {"a trailer of only its length word",
       payload::Payload(payload::Deflate(payload::Inflated(texts, image, {})), payload::Header()),
       64},
      {"trailer length equal to what follows the texts",
       payload::Payload(payload::Deflate(payload::Inflated(texts, image, payload::DefaultTrailer(),
                                                           sMinusR)),
                        payload::Header()),
       0},
      {"bytes after the end of the zlib stream",
       [&] {
         Bytes c = compressed;
         c.insert(c.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9});
         return payload::Payload(c, payload::Header());
       }(),
       64},
  };
  for (const Case& c : cases) {
    TKitmend26 patch;
    EXPECT_EQ(Load(c.payloadBytes, patch), "") << c.what;
    EXPECT_EQ(patch.ResourceSize, c.resourceSize) << c.what;
  }
}

TEST_F(PayloadLoader, ForeignFailuresAreWrappedWithTheirMessage) {
  const std::string readError = rtl::LoadStr(SReadError);
  const std::string zlibError = rtl::LoadStr(SZlibError);
  payload::Texts texts;
  const Bytes image = Image(50);
  const Bytes inflated = payload::Inflated(texts, image);
  const Bytes compressed = payload::Deflate(inflated);
  auto rehashed = [](Bytes c) { return payload::Payload(c, payload::Header()); };
  auto withT = [&](std::uint16_t t) {
    return rehashed(payload::Deflate(payload::Inflated(texts, image, payload::DefaultTrailer(), t)));
  };
  Bytes runOff;  // the first text claims more bytes than the whole payload has
  payload::AppendText(runOff, "x");
  runOff[0] = 0xFF;
  runOff[1] = 0x7F;

  struct Case {
    const char* what;
    Bytes payloadBytes;
    std::string inner;
  } cases[] = {
      {"no payload at all", {}, readError},
      {"fewer than 16 bytes", {'K', 'Q', '2', '6', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, readError},
      {"damaged deflate data",
       [&] {
         Bytes c = compressed;
         for (std::size_t i = 2; i < c.size() - 4; ++i) c[i] = static_cast<std::uint8_t>(~c[i]);
         return rehashed(c);
       }(),
       zlibError},
      {"wrong Adler-32 trailer",
       [&] {
         Bytes c = compressed;
         c.back() ^= 1;
         return rehashed(c);
       }(),
       zlibError},
      {"zlib stream cut short", rehashed(Bytes(compressed.begin(), compressed.end() - 10)),
       zlibError},
      {"zlib header asking for a preset dictionary", rehashed(Bytes{0x78, 0xBB, 0, 0, 0, 1, 0, 0}),
       zlibError},
      {"not zlib at all", rehashed(Bytes(40, 0x33)), zlibError},
      {"text length running off the end", rehashed(payload::Deflate(runOff)), readError},
      {"trailer length 0", withT(0), readError},
      {"trailer length 1", withT(1), readError},
      {"trailer length larger than the payload",
       withT(static_cast<std::uint16_t>(inflated.size() + 1)), readError},
  };
  for (const Case& c : cases) {
    TKitmend26 patch;
    EXPECT_EQ(Load(c.payloadBytes, patch), Wrapped(c.inner)) << c.what;
    EXPECT_EQ(code_, 0) << c.what;
  }
}

// The checksum does not see the last 1 to 3 bytes of a range, nor two words of the same
// i >> 1 changing places; such damage is caught by zlib's own check instead.
TEST_F(PayloadLoader, DamageTheChecksumMissesIsCaughtByZlib) {
  payload::Texts texts;
  Bytes compressed;
  for (std::size_t n = 300; compressed.size() % 4 == 0; ++n)
    compressed = payload::Deflate(payload::Inflated(texts, Image(n)));
  // The last byte is one of the Adler-32 trailer's, outside every whole word.
  Bytes lastByte = payload::Payload(compressed, payload::Header());
  lastByte.back() ^= 0x10;
  Bytes swapped = payload::Payload(compressed, payload::Header());
  std::swap_ranges(swapped.begin() + 16 + 4, swapped.begin() + 16 + 8, swapped.begin() + 16 + 8);
  for (const Bytes* p : {&lastByte, &swapped}) {
    TKitmend26 patch;
    EXPECT_EQ(Load(*p, patch), Wrapped(rtl::LoadStr(SZlibError)));
  }
}

TEST_F(PayloadLoader, ProgramFileThatCannotBeOpenedOrIsNoExecutable) {
  TKitmend26 missing;
  std::string m = LoadFile(dir_ + "no-such-file.exe", missing);
  EXPECT_EQ(m.rfind(Invalid() + "\r\n(", 0), 0u) << m;
  EXPECT_EQ(m.back(), ')');
  EXPECT_EQ(code_, 0);

  testsupport::WriteBytes(dir_ + "text.exe", Bytes(500, 'a'));
  TKitmend26 text;
  m = LoadFile(dir_ + "text.exe", text);
  EXPECT_EQ(m.rfind(Invalid() + "\r\n(", 0), 0u) << m;
  EXPECT_NE(m.find("text.exe"), std::string::npos) << m;
  EXPECT_EQ(code_, 0);
}

// 80 MiB of zeros compress to a few tens of kilobytes: far beyond the inflate limit.
TEST_F(PayloadLoader, PayloadInflatingBeyondTheLimitIsRefused) {
  Bytes bomb = payload::Inflated(payload::Texts(), Bytes(80u << 20, 0));
  Bytes compressed = payload::Deflate(bomb);
  ASSERT_LT(InflateLimit(static_cast<std::int64_t>(compressed.size())), 80 << 20);
  TKitmend26 patch;
  EXPECT_EQ(Load(payload::Payload(compressed, payload::Header()), patch),
            Wrapped(rtl::LoadStr(SOutOfMemory)));
}

TEST(PayloadInflateLimit, RatioBoundedByFloorAndCeiling) {
  EXPECT_EQ(InflateLimit(0), 64 << 20);
  EXPECT_EQ(InflateLimit(1 << 18), 64 << 20);
  EXPECT_EQ(InflateLimit(1 << 20), std::int64_t{256} << 20);
  EXPECT_EQ(InflateLimit(std::int64_t{1} << 40), std::int64_t{1} << 30);
}

TEST(PayloadChecksum, Examples) {
  const std::uint8_t zeros[12] = {};
  EXPECT_EQ(ComputePayloadChecksum(zeros, 0), 0x4037u);
  EXPECT_EQ(ComputePayloadChecksum(zeros, 3), 0x4037u);
  EXPECT_EQ(ComputePayloadChecksum(zeros, -8), 0x4037u);
  EXPECT_EQ(ComputePayloadChecksum(zeros, 8), 0x4038u);
  EXPECT_EQ(ComputePayloadChecksum(zeros, 12), 0x4039u);
  EXPECT_EQ(ComputePayloadChecksum("abcd", 4), 0x6463A298u);
  EXPECT_EQ(ComputePayloadChecksum("abcdefgh", 8), 0xCCCB08FCu);
  EXPECT_EQ(ComputePayloadChecksum("abcdefghi", 9), 0xCCCB08FCu) << "a ninth byte is no word";
}

// Word i counts as (i >> 1) XOR word, so two words of the same i >> 1 may change places
// unseen; others are seen when their lowest bits differ.
TEST(PayloadChecksum, SwapSeenOnlyBetweenWordsOfDifferentHalfIndex) {
  const std::uint32_t words[8] = {0x100, 0x201, 0x302, 0x403, 0x504, 0x605, 0x706, 0x807};
  std::uint8_t base[32];
  for (int i = 0; i < 32; ++i) base[i] = static_cast<std::uint8_t>(words[i / 4] >> (8 * (i % 4)));
  auto sumAfterSwap = [&](int a, int b) {  // words by 1-based index
    std::uint8_t copy[32];
    std::memcpy(copy, base, 32);
    std::swap_ranges(copy + 4 * (a - 1), copy + 4 * a, copy + 4 * (b - 1));
    return ComputePayloadChecksum(copy, 32);
  };
  const std::uint32_t original = ComputePayloadChecksum(base, 32);
  EXPECT_EQ(original, payload::Checksum(base, 32));
  EXPECT_EQ(sumAfterSwap(2, 3), original);  // 2 >> 1 == 3 >> 1
  EXPECT_EQ(sumAfterSwap(6, 7), original);
  EXPECT_NE(sumAfterSwap(1, 2), original);
  EXPECT_NE(sumAfterSwap(3, 4), original);
}

}  // namespace
