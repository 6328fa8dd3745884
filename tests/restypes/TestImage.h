// An independent little parser of 32-bit resource images for checking what the model
// writes: each entry with its raw name fields, language, characteristics and data.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace testimage {

struct NameField {
  bool named = false;
  std::u16string text;
  std::uint16_t number = 0;
};

struct Entry {
  std::size_t offset = 0;
  std::uint32_t dataSize = 0;
  std::uint32_t headerSize = 0;
  NameField type, name;
  std::uint32_t dataVersion = 0;
  std::uint16_t memoryFlags = 0;
  std::uint16_t language = 0;
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
  std::string data;
};

inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 4 > b.size()) throw std::runtime_error("image too short");
  return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
         (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
inline std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
  if (at + 2 > b.size()) throw std::runtime_error("image too short");
  return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

inline NameField ReadName(const std::vector<std::uint8_t>& b, std::size_t& at) {
  NameField f;
  std::uint16_t u = U16(b, at);
  if (u == 0xFFFF) {
    f.number = U16(b, at + 2);
    at += 4;
    return f;
  }
  f.named = true;
  for (;;) {
    u = U16(b, at);
    at += 2;
    if (u == 0) break;
    f.text.push_back(static_cast<char16_t>(u));
  }
  return f;
}

// All entries after the leading empty one (whose bytes are checked too).
inline std::vector<Entry> Parse(const std::vector<std::uint8_t>& b, std::size_t start = 0) {
  static const std::uint8_t empty[32] = {0, 0, 0, 0, 0x20, 0, 0, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF};
  if (b.size() < start + 32) throw std::runtime_error("no header");
  for (int i = 0; i < 32; ++i)
    if (b[start + static_cast<std::size_t>(i)] != empty[i]) throw std::runtime_error("bad header");
  std::vector<Entry> out;
  std::size_t at = start + 32;
  while (at + 8 <= b.size()) {
    Entry e;
    e.offset = at;
    e.dataSize = U32(b, at);
    e.headerSize = U32(b, at + 4);
    std::size_t p = at + 8;
    e.type = ReadName(b, p);
    e.name = ReadName(b, p);
    p = (p + 3) & ~std::size_t{3};
    e.dataVersion = U32(b, p);
    e.memoryFlags = U16(b, p + 4);
    e.language = U16(b, p + 6);
    e.version = U32(b, p + 8);
    e.characteristics = U32(b, p + 12);
    if (p + 16 != at + e.headerSize) throw std::runtime_error("HeaderSize disagrees with fields");
    if (at + e.headerSize + e.dataSize > b.size()) throw std::runtime_error("data past end");
    e.data.assign(reinterpret_cast<const char*>(b.data() + at + e.headerSize), e.dataSize);
    out.push_back(e);
    at = (at + e.headerSize + e.dataSize + 3) & ~std::size_t{3};
  }
  if (at != b.size()) throw std::runtime_error("trailing bytes");
  return out;
}

inline std::vector<std::uint8_t> ToBytes(const std::string& s) {
  return std::vector<std::uint8_t>(s.begin(), s.end());
}

}  // namespace testimage
