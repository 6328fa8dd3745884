// ANSI <-> UTF-16 conversions of resource names; the counted form counts UTF-16 units.
#include <gtest/gtest.h>

#include <cstring>

#include "AnsiText.h"
#include "UResTool.h"

namespace {

using foundation::Ansi;
using foundation::Utf16;

std::u16string CountedUnits(const std::uint8_t* p) {
  std::size_t count = static_cast<std::size_t>(p[0] | (p[1] << 8));
  std::u16string units;
  for (std::size_t i = 0; i < count; ++i)
    units += static_cast<char16_t>(p[2 + 2 * i] | (p[3 + 2 * i] << 8));
  return units;
}

TEST(Conversions, EmptyTextIsACountOfZero) {
  std::uint8_t buffer[6];
  std::memset(buffer, 0xCC, sizeof buffer);
  EXPECT_EQ(CountedWideSize(""), 2u);
  AnsiToCountedWide("", buffer);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[1], 0);
  EXPECT_EQ(buffer[2], 0xCC);  // nothing beyond the count
  EXPECT_EQ(WideToAnsi(nullptr, 0), "");
  EXPECT_EQ(WideToAnsi(u"abc", 0), "");
}

TEST(Conversions, CyrillicNameRoundTrips) {
  const std::string literal = "ГЛАВНАЯ_ИКОНКА";
  std::u16string expected = Utf16(literal);
  std::string text = Ansi(literal);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(AnsiToWide(text), expected);

  std::uint32_t size = CountedWideSize(text);
  ASSERT_EQ(size, 2 + 2 * expected.size());  // units, whatever the ANSI form's byte length
  std::vector<std::uint8_t> buffer(size + 2, 0xCC);
  AnsiToCountedWide(text, buffer.data());
  EXPECT_EQ(CountedUnits(buffer.data()), expected);
  EXPECT_EQ(buffer[size], 0xCC);
  std::u16string units = CountedUnits(buffer.data());
  EXPECT_EQ(WideToAnsi(units.data(), static_cast<int>(units.size())), text);
}

TEST(Conversions, AsciiNamesAreOneUnitPerByte) {
  std::uint8_t buffer[2 + 2 * 8];
  AnsiToCountedWide("MAINICON", buffer);
  EXPECT_EQ(CountedUnits(buffer), u"MAINICON");
  EXPECT_EQ(CountedWideSize("MAINICON"), 18u);
  const char16_t units[] = {u'D', u'V', u'C', u'L', u'A', u'L'};
  EXPECT_EQ(WideToAnsi(units, 6), "DVCLAL");
  EXPECT_EQ(WideToAnsi(units, 3), "DVC");
}

}  // namespace
