// Resource images built byte by byte for the reader's tests: well-formed entries with any
// identifiers, and raw fields for damaged ones. It does not use the library's writer, so
// the reader is checked against bytes laid out independently.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resfiletest {

// A TYPE or NAME field as it lies in the file.
struct Field {
  std::vector<std::uint16_t> units;
  static Field Number(std::uint16_t n) { return Field{{0xFFFF, n}}; }
  static Field Text(const std::u16string& text);  // with its terminating zero unit
  static Field LoneZero() { return Field{{0}}; }
  std::uint32_t Bytes() const { return static_cast<std::uint32_t>(2 * units.size()); }
};

struct Fixed {  // the 16 bytes after the names
  std::uint32_t dataVersion = 0;
  std::uint16_t memoryFlags = 0;
  std::uint16_t language = 0;
  std::uint32_t version = 0;
  std::uint32_t characteristics = 0;
};

class ImageBuilder {
 public:
  ImageBuilder();  // the 32-byte empty entry
  // Appends a well-formed entry (padding included); answers its offset.
  std::size_t Entry(const Field& type, const Field& name, std::uint16_t language,
                    const std::string& data);
  std::size_t Entry(const Field& type, const Field& name, const Fixed& fixed,
                    const std::string& data);
  // Raw pieces for damaged images.
  ImageBuilder& U16(std::uint16_t v);
  ImageBuilder& U32(std::uint32_t v);
  ImageBuilder& Units(const Field& f);
  ImageBuilder& Raw(const std::string& bytes);
  ImageBuilder& Zeros(std::size_t count);
  ImageBuilder& Pad();  // zero bytes to a multiple of 4

  std::size_t Size() const { return bytes_.size(); }
  const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

 private:
  std::vector<std::uint8_t> bytes_;
};

}  // namespace resfiletest
