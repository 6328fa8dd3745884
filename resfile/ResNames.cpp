// Name fields and alignment of resource image entries, read side. The writing side is the
// model's (ResImageFormat.h), which writes what these functions read back.
#include "ResNames.h"

#include "Exceptions.h"
#include "StringIds.h"
#include "StringTable.h"
#include "Streams.h"
#include "UResTool.h"

namespace {
constexpr std::uint16_t kOrdinalMark = 0xFFFF;
}

std::int32_t ReadWideZ(rtl::TStream& stream, std::u16string& destination) {
  std::int32_t count = 0;
  for (;;) {
    std::uint16_t unit = stream.ReadU16();
    destination.push_back(static_cast<char16_t>(unit));
    if (unit == 0) return count;
    ++count;
  }
}

ResNameKind ReadResName(rtl::TStream& stream, std::uint16_t& number, std::string& text) {
  std::uint16_t first = stream.ReadU16();
  if (first == 0) return rnNone;
  if (first == kOrdinalMark) {
    number = stream.ReadU16();
    return rnOrdinal;
  }
  if (stream.Position() >= stream.Size()) throw rtl::EReadError(rtl::LoadStr(SResNameReadError));
  std::u16string units(1, static_cast<char16_t>(first));
  std::int32_t rest = ReadWideZ(stream, units);
  text = WideToAnsi(units.data(), rest + 1);
  return rnString;
}

void SkipToAlignment(rtl::TStream& stream) {
  std::uint8_t skipped;
  while (stream.Position() % 4 != 0) stream.ReadBuffer(&skipped, 1);
}
