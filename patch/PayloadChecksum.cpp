// The payload checksum. It runs over the mapped program file in place.
#include "UZedevaviz26.h"

#include "ByteView.h"
#include "Exceptions.h"

namespace {
[[noreturn]] void ChecksumRangeFault() { throw rtl::Exception("checksum range"); }
}  // namespace

std::uint32_t ComputePayloadChecksum(const void* data, std::int32_t size) {
  std::uint32_t sum = 0x4037;
  if (size < 4) return sum;
  const std::uint32_t words = static_cast<std::uint32_t>(size) / 4;
  const ByteView view(data, static_cast<std::uint64_t>(words) * 4, ChecksumRangeFault);
  for (std::uint32_t i = 1; i <= words; ++i)
    sum += (i >> 1) ^ view.U32(static_cast<std::uint64_t>(i - 1) * 4);
  return sum;
}
