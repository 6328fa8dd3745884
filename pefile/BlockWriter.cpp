// Large writes in pieces: the stream counts bytes in 32 bits, and pieces of a megabyte
// keep the copy in the processor's cache.
#include "BlockWriter.h"

#include <algorithm>
#include <cstring>

#include "Streams.h"

namespace {
constexpr std::uint64_t kPiece = 1u << 20;
}  // namespace

void WriteBlock(rtl::TStream& stream, const std::uint8_t* data, std::uint64_t count) {
  while (count > 0) {
    const std::uint64_t piece = std::min(count, kPiece);
    stream.WriteBuffer(data, static_cast<std::int32_t>(piece));
    data += piece;
    count -= piece;
  }
}

TBlockCopier::TBlockCopier() : buffer_(kPiece) {}

void TBlockCopier::Write(rtl::TStream& stream, const std::uint8_t* data, std::uint64_t count) {
  while (count > 0) {
    const auto piece = static_cast<std::size_t>(std::min(count, kPiece));
    std::memcpy(buffer_.data(), data, piece);
    stream.WriteBuffer(buffer_.data(), static_cast<std::int32_t>(piece));
    data += piece;
    count -= piece;
  }
}
