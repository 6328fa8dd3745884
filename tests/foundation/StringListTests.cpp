// The string list: line ends, the zero byte that ends a text, CR LF on save, index errors.
#include <gtest/gtest.h>

#include <vector>

#include "Exceptions.h"
#include "MyStreams.h"
#include "StringList.h"
#include "TestSupport.h"

namespace {

std::vector<std::string> Lines(const rtl::TStringList& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list[i]);
  return out;
}

TEST(StringList, SplitsAtEveryKindOfLineEnd) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends
      {"last\r\n", {"last"}},
      {"\r\n", {""}},
      {"", {}},
      {std::string("abc\0def\r\nghi", 12), {"abc"}},
      {std::string("x\r\0y", 4), {"x"}},
  };
  for (const Case& c : cases) {
    rtl::TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(Lines(list), c.lines) << "text: " << testing::PrintToString(c.text);
  }
}

TEST(StringList, LoadFromStreamReadsFromThePosition) {
  const char text[] = "skip\r\none\ntwo";
  TReadMemoryStream stream(text, 13);
  stream.SetPosition(6);
  rtl::TStringList list;
  list.Add("old");
  list.LoadFromStream(stream);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"one", "two"}));
}

TEST(StringList, SaveWritesEveryLineWithCrLf) {
  std::string dir = testsupport::MakeScratchDir("strings");
  rtl::TStringList list;
  list.SetText("first\nsecond\rthird");
  list.SaveToFile(dir + "out.txt");
  std::vector<std::uint8_t> bytes = testsupport::ReadBytes(dir + "out.txt");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "first\r\nsecond\r\nthird\r\n");
  testsupport::RemoveTree(dir);
}

TEST(StringList, IndexOutsideTheListIsAListError) {
  rtl::TStringList list;
  list.Add("only");
  for (int index : {1, -1}) {
    try {
      (void)list[index];
      FAIL() << index;
    } catch (const rtl::EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

}  // namespace
