// TReadMemoryStream: reads come from the memory-stream base; writes go into the caller's
// block in place and are clamped to it, since the block cannot grow.
#include "MyStreams.h"

#include <cstdint>
#include <cstring>

TReadMemoryStream::TReadMemoryStream(const void* memory, std::int32_t size) {
  // The block is the caller's and may be read-only memory; only Write ever stores into it.
  SetPointer(const_cast<void*>(memory), size);
}

std::int32_t TReadMemoryStream::Write(const void* buffer, std::int32_t count) {
  if (position_ < 0 || count < 0 || position_ >= size_) return 0;
  std::int32_t room = size_ - position_;
  std::int32_t n = count < room ? count : room;
  if (n <= 0) return 0;
  std::memcpy(memory_ + position_, buffer, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

const std::uint8_t* TReadMemoryStream::CurrentPointer() const {
  if (position_ <= 0) return memory_;
  // Plain address arithmetic: the position may lie beyond the block, and callers only
  // dereference after checking Remaining.
  return reinterpret_cast<const std::uint8_t*>(reinterpret_cast<std::uintptr_t>(memory_) +
                                               static_cast<std::uintptr_t>(position_));
}
