// The resource tree of a container as plain rows, one per language leaf in tree order, so
// that tests compare whole trees with one expectation; and the other small helpers of the
// resource file tests.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "ResResFile.h"

namespace resfiletest {

struct LeafRow {
  bool typeNamed = false;
  std::string type;  // the name, or the number in decimal
  bool nameNamed = false;
  std::string name;
  std::uint16_t language = 0;
  std::string data;

  bool operator==(const LeafRow& o) const {
    return typeNamed == o.typeNamed && type == o.type && nameNamed == o.nameNamed &&
           name == o.name && language == o.language && data == o.data;
  }
};
std::ostream& operator<<(std::ostream& out, const LeafRow& row);

std::vector<LeafRow> Rows(TResourceList& root);

// An image read from bytes through a memory stream, as the import reads a patch's image.
std::unique_ptr<TResResFile> ReadImage(const std::vector<std::uint8_t>& bytes);

// A text of the test source in the program's ANSI code page.
std::string Ansi(const std::u16string& text);

// Every message with which reading a damaged image may end.
const std::set<std::string>& ReaderMessages();

}  // namespace resfiletest
