// Byte-by-byte resource images for the reader's tests.
#include "ImageBuilder.h"

namespace resfiletest {

Field Field::Text(const std::u16string& text) {
  Field f;
  for (char16_t c : text) f.units.push_back(static_cast<std::uint16_t>(c));
  f.units.push_back(0);
  return f;
}

ImageBuilder::ImageBuilder() {
  U32(0).U32(32).U16(0xFFFF).U16(0).U16(0xFFFF).U16(0).Zeros(16);
}

std::size_t ImageBuilder::Entry(const Field& type, const Field& name, std::uint16_t language,
                                const std::string& data) {
  Fixed fixed;
  fixed.language = language;
  return Entry(type, name, fixed, data);
}

std::size_t ImageBuilder::Entry(const Field& type, const Field& name, const Fixed& fixed,
                                const std::string& data) {
  Pad();
  std::size_t start = bytes_.size();
  std::uint32_t names = 8 + type.Bytes() + name.Bytes();
  std::uint32_t headerSize = ((names + 3) & ~3u) + 16;
  U32(static_cast<std::uint32_t>(data.size())).U32(headerSize).Units(type).Units(name).Pad();
  U32(fixed.dataVersion).U16(fixed.memoryFlags).U16(fixed.language);
  U32(fixed.version).U32(fixed.characteristics);
  Raw(data).Pad();
  return start;
}

ImageBuilder& ImageBuilder::U16(std::uint16_t v) {
  bytes_.push_back(static_cast<std::uint8_t>(v & 0xFF));
  bytes_.push_back(static_cast<std::uint8_t>(v >> 8));
  return *this;
}

ImageBuilder& ImageBuilder::U32(std::uint32_t v) {
  U16(static_cast<std::uint16_t>(v & 0xFFFF));
  return U16(static_cast<std::uint16_t>(v >> 16));
}

ImageBuilder& ImageBuilder::Units(const Field& f) {
  for (std::uint16_t u : f.units) U16(u);
  return *this;
}

ImageBuilder& ImageBuilder::Raw(const std::string& bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

ImageBuilder& ImageBuilder::Zeros(std::size_t count) {
  bytes_.insert(bytes_.end(), count, 0);
  return *this;
}

ImageBuilder& ImageBuilder::Pad() {
  while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  return *this;
}

}  // namespace resfiletest
