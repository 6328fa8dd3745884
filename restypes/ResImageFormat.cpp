// The writing primitives of the 32-bit resource image format, and the hook through which
// the model opens an image with the resource file unit's reader.
#include "ResImageFormat.h"

#include <vector>

#include "Exceptions.h"
#include "ResContainer.h"
#include "Streams.h"
#include "UResTool.h"

const std::uint8_t EmptyResHeader[32] = {
    0x00, 0x00, 0x00, 0x00, 0x20, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,
    0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
};

std::int32_t RoundUp4(std::int32_t value) {
  // In 64 bits, so the addition itself cannot overflow; a value near the top wraps the way
  // the format's signed 32-bit sums do, and readers refuse the negative result.
  const std::int64_t rounded = (static_cast<std::int64_t>(value) + 3) & ~std::int64_t{3};
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(rounded & 0xFFFFFFFF));
}

void WriteWideZ(rtl::TStream& stream, const std::string& text) {
  // The real UTF-16 units of the text and a terminator: a multi-byte ANSI name (UTF-8 on
  // POSIX) converts to fewer units than bytes and must come back exactly as it was.
  const std::u16string units = AnsiToWide(text);
  std::vector<std::uint8_t> bytes;
  bytes.reserve(2 * (units.size() + 1));
  for (char16_t u : units) {
    bytes.push_back(static_cast<std::uint8_t>(u & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(u >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  stream.WriteBuffer(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

std::int32_t ResNameFieldSize(bool isNamed, const std::string& text) {
  if (!isNamed) return 4;
  return static_cast<std::int32_t>(2 * (AnsiToWide(text).size() + 1));
}

void WriteResName(rtl::TStream& stream, int kind, std::uint16_t number, const std::string& text) {
  if (kind == rnString) {
    WriteWideZ(stream, text);
  } else if (kind == rnOrdinal) {
    stream.WriteU16(0xFFFF);
    stream.WriteU16(number);
  }
}

void PadToAlignment(rtl::TStream& stream) {
  static const std::uint8_t zero = 0;
  while (stream.Position() % 4 != 0) stream.WriteBuffer(&zero, 1);
}

namespace {
TResImageOpener gOpener = nullptr;  // constant-initialized: safe for static registration
}

void SetResImageOpener(TResImageOpener opener) { gOpener = opener; }

std::unique_ptr<TResContainer> OpenResImage(rtl::TStream& source) {
  if (!gOpener) throw rtl::Exception("No resource image reader");
  return gOpener(source);
}
