// TReadMemoryStream: reads a block that somebody else owns through the stream interface,
// without copying it (a mapped file, a container's buffer, the inflated patch payload).
#pragma once

#include <cstdint>

#include "Streams.h"

class TReadMemoryStream : public rtl::TCustomMemoryStream {
 public:
  TReadMemoryStream(const void* memory, std::int32_t size);
  // Writes in place into the caller's block; never past its end (the write is clamped to
  // the block), and the size never changes.
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  void SetSize(std::int64_t) override {}

  // Memory + Position (Memory itself while Position is not above 0); not checked against
  // the size: callers look at Remaining first.
  const std::uint8_t* CurrentPointer() const;
  std::int32_t Remaining() const { return size_ - position_; }
};
