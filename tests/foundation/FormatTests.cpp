// Format: only %s, %d and %% are placeholders; arguments are never formats themselves.
#include <gtest/gtest.h>

#include "Format.h"
#include "StringIds.h"

namespace {

TEST(Format, PlaceholdersTakeArgumentsInOrder) {
  EXPECT_EQ(rtl::Format("%s (while %s)", {"Corrupt resource.", "reading a.exe"}),
            "Corrupt resource. (while reading a.exe)");
  EXPECT_EQ(rtl::Format("List index out of bounds (%d)", {-7}), "List index out of bounds (-7)");
  EXPECT_EQ(rtl::Format("%d of %d", {3u, 4294967295ul}), "3 of 4294967295");
  EXPECT_EQ(rtl::Format("100%% done", {}), "100% done");
}

TEST(Format, ArgumentWithPercentSignStaysUnchanged) {
  const std::string name = "C:\\100%s %d %%\\a.exe";
  EXPECT_EQ(rtl::Format("Could not overwrite %s.", {name}), "Could not overwrite " + name + ".");
}

TEST(Format, MissingOrMismatchedArgumentsAreLeftOut) {
  EXPECT_EQ(rtl::Format("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(rtl::Format("[%d]", {"text"}), "[]");
  EXPECT_EQ(rtl::Format("[%s]", {12}), "[]");
}

TEST(Format, OtherPercentSequencesStayAsTheyAre) {
  EXPECT_EQ(rtl::Format("50%x %u %", {}), "50%x %u %");
  EXPECT_EQ(rtl::Format("%", {"unused"}), "%");
}

TEST(Format, FormatResUsesTheStringTable) {
  EXPECT_EQ(rtl::FormatRes(SListIndexError, {5}), "List index out of bounds (5)");
  EXPECT_EQ(rtl::FormatRes(SCouldNotFindItem, {"MAINICON"}), "Could not find item MAINICON.");
}

}  // namespace
