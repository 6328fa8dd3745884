// LanguageName: the neutral rows, the system's names, our fallback table for identifiers
// the system does not know, and the default form for sublanguage 0.
#include <gtest/gtest.h>

#include <vector>

#include "Platform.h"
#include "UResTool.h"

namespace {

bool SystemKnows(std::uint16_t id) { return plat::GetLocaleLanguageName(id, nullptr, 0) > 0; }

std::string SystemName(std::uint16_t id) {
  std::vector<char> buffer(256, '\0');
  plat::GetLocaleLanguageName(id, buffer.data(), 256);
  return buffer.data();
}

TEST(LanguageName, NeutralPrimaryHasItsOwnRule) {
  struct Case {
    std::uint16_t id;
    const char* name;
  };
  // The system does name some of these (as the user's language); the neutral rule wins.
  const Case cases[] = {{0x0000, "Neutral"}, {0x0400, "User Default"}, {0x0800, "System Default"},
                        {0x0C00, ""},        {0xFC00, ""}};
  for (const Case& c : cases) EXPECT_EQ(LanguageName(c.id), c.name) << std::hex << c.id;
}

TEST(LanguageName, SameOnEveryBackend) {
  struct Case {
    std::uint16_t id;
    const char* name;
  };
  // Either the system's name in the default form or our fallback row; both backends agree.
  const Case cases[] = {
      {0x0004, "Chinese (default)"},  {0x0011, "Japanese (default)"},
      {0x0060, "Kashmiri (default)"}, {0x0007, "German (default)"},
      {0x0019, "Russian (default)"},  {0x0409, "English (United States)"},
      {0x0419, "Russian (Russia)"},   {0x0C07, "German (Austria)"},
  };
  for (const Case& c : cases) EXPECT_EQ(LanguageName(c.id), c.name) << std::hex << c.id;
}

TEST(LanguageName, FallbackRowsForIdentifiersTheSystemLacks) {
  struct Case {
    std::uint16_t id;
    const char* fallback;
  };
  const Case cases[] = {
      {0x0812, "Korean (Johab)"},      // qualified row, named sublanguage
      {0x0404, "Chinese (Taiwan)"},    {0x0860, "Kashmiri (India)"},
      {0x0004, "Chinese (default)"},   // qualified row, sublanguage 0
      {0x0011, "Japanese (default)"},  // plain row, sublanguage 0
      {0x1404, ""},                    // qualified row, sublanguage without a text
      {0x0C43, ""},   {0x0C60, ""},    {0x0460, ""},
      {0x0411, ""},                    // plain row, sublanguage other than 0
      {0x0C11, ""},
      {0x0857, ""},
  };
  int fallbacksSeen = 0;
  for (const Case& c : cases) {
    std::string name = LanguageName(c.id);
    if (!SystemKnows(c.id)) {
      EXPECT_EQ(name, c.fallback) << std::hex << c.id;
      ++fallbacksSeen;
    } else if (SubLanguage(c.id) != 0) {
      EXPECT_EQ(name, SystemName(c.id)) << std::hex << c.id;  // the system's name as it is
    } else {
      EXPECT_EQ(name, c.fallback) << std::hex << c.id;  // the default form of either
    }
  }
  // Korean Johab and the unnamed sublanguages are unknown to both backends' systems.
  EXPECT_GE(fallbacksSeen, 5);
}

TEST(LanguageName, PrimaryWithoutAnyNameIsEmpty) {
  for (std::uint16_t id : {std::uint16_t(0x03FE), std::uint16_t(0x07FE)}) {
    if (!SystemKnows(id)) {
      EXPECT_EQ(LanguageName(id), "") << std::hex << id;
    }
  }
}

TEST(LanguageName, IdentifierParts) {
  EXPECT_EQ(PrimaryLanguage(0x0C07), 0x07);
  EXPECT_EQ(SubLanguage(0x0C07), 3);
  EXPECT_EQ(SubLanguage(0xFFFF), 63);
  EXPECT_EQ(PrimaryLanguage(0xFFFF), 0x3FF);
  EXPECT_EQ(MakeLocaleId(0x0407, 1), 0x00010407u);
  EXPECT_EQ(MakeLocaleId(0x0407, 0), 0x0407u);
}

}  // namespace
