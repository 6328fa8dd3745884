// Text services: conversions with the ANSI code page and comparison without case.
#include <gtest/gtest.h>

#include <string>

#include "AnsiText.h"
#include "Platform.h"

namespace {

using foundation::Ansi;
using foundation::Utf16;

TEST(PlatformText, CyrillicRoundTripsThroughTheAnsiCodePage) {
  std::u16string wide = Utf16("Ёжик в тумане");
  int count = static_cast<int>(wide.size());
  int bytes = plat::WideToMultiByte(wide.data(), count, nullptr, 0);
  ASSERT_GT(bytes, 0);
  std::string text(static_cast<std::size_t>(bytes), '\0');
  ASSERT_EQ(plat::WideToMultiByte(wide.data(), count, &text[0], bytes), bytes);
  int units = plat::MultiByteToWide(text.data(), bytes, nullptr, 0);
  ASSERT_EQ(units, count);
  std::u16string back(static_cast<std::size_t>(units), u'\0');
  ASSERT_EQ(plat::MultiByteToWide(text.data(), bytes, &back[0], units), units);
  EXPECT_EQ(back, wide);
  EXPECT_EQ(plat::WideToMultiByte(wide.data(), count, &text[0], 1), 0);  // too small
}

#ifndef _WIN32
// Natively the ANSI code page is UTF-8: whole code points, surrogate pairs included.
TEST(PlatformText, Utf8IsTheNativeAnsiCodePage) {
  const char16_t smiley[] = {0xD83D, 0xDE00, 0};
  char out[8] = {};
  ASSERT_EQ(plat::WideToMultiByte(smiley, 2, out, sizeof out), 4);
  EXPECT_EQ(std::string(out, 4), "\xF0\x9F\x98\x80");
  char16_t back[4] = {};
  ASSERT_EQ(plat::MultiByteToWide(out, 4, back, 4), 2);
  EXPECT_EQ(back[0], 0xD83D);
  EXPECT_EQ(back[1], 0xDE00);

  // Terminated input (-1) converts the terminator too.
  EXPECT_EQ(plat::WideToMultiByte(smiley, -1, nullptr, 0), 5);
  EXPECT_EQ(plat::MultiByteToWide("ab", -1, nullptr, 0), 3);
}

TEST(PlatformText, MalformedInputBecomesReplacementCharacters) {
  const char16_t lone[] = {u'a', 0xDC00, u'b'};
  char out[8] = {};
  ASSERT_EQ(plat::WideToMultiByte(lone, 3, out, sizeof out), 5);
  EXPECT_EQ(std::string(out, 5), "a\xEF\xBF\xBD" "b");
  const char bad[] = {'x', '\xC3', 'y', '\xFF', '\xE2', '\x82'};  // cut, stray, truncated
  char16_t wide[8] = {};
  int n = plat::MultiByteToWide(bad, 6, wide, 8);
  EXPECT_EQ(std::u16string(wide, static_cast<std::size_t>(n)),
            (std::u16string{u'x', 0xFFFD, u'y', 0xFFFD, 0xFFFD, 0xFFFD}));
}
#endif

TEST(PlatformText, CompareIgnoresCaseIncludingCyrillic) {
  EXPECT_EQ(plat::CompareTextLocale("C:\\TMP\\App.EXE", "c:\\tmp\\app.exe"), 0);
  EXPECT_EQ(plat::CompareTextLocale(Ansi("ЖУРНАЛ Ёлки"), Ansi("журнал ёлки")), 0);
  EXPECT_LT(plat::CompareTextLocale("apple", "Banana"), 0);
  EXPECT_GT(plat::CompareTextLocale("b", "A"), 0);
  EXPECT_LT(plat::CompareTextLocale("abc", "ABCD"), 0);
  EXPECT_NE(plat::CompareTextLocale(Ansi("файл"), Ansi("фаил")), 0);
  EXPECT_EQ(plat::CompareTextLocale("", ""), 0);
}

}  // namespace
