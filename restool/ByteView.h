// ByteView: the one bounded reader of untrusted bytes. Every read checks offset and length
// in 64-bit arithmetic against the view before touching memory; sub-views can only shrink.
// A failed check raises the error that the reading format chose when it made the view, so
// each format reports damage in its own words ("Corrupt resource.", "Corrupt Res file.").
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

class ByteView {
 public:
  using FailFn = void (*)();  // must throw

  ByteView() = default;
  ByteView(const void* data, std::uint64_t size, FailFn fail)
      : data_(static_cast<const std::uint8_t*>(data)), size_(size), fail_(fail) {}

  std::uint64_t Size() const { return size_; }
  bool Contains(std::uint64_t offset, std::uint64_t count) const {
    return offset <= size_ && count <= size_ - offset;
  }

  // Checked access; the view's fail function is called when the range is outside.
  const std::uint8_t* Ptr(std::uint64_t offset, std::uint64_t count) const {
    Require(offset, count);
    return data_ + offset;
  }
  ByteView Sub(std::uint64_t offset, std::uint64_t count) const {
    Require(offset, count);
    return ByteView(data_ + offset, count, fail_);
  }
  ByteView From(std::uint64_t offset) const {
    Require(offset, 0);
    return ByteView(data_ + offset, size_ - offset, fail_);
  }
  std::uint8_t U8(std::uint64_t offset) const { return *Ptr(offset, 1); }
  std::uint16_t U16(std::uint64_t offset) const {
    const std::uint8_t* p = Ptr(offset, 2);
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
  }
  std::uint32_t U32(std::uint64_t offset) const {
    const std::uint8_t* p = Ptr(offset, 4);
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
  }
  std::int32_t I32(std::uint64_t offset) const { return static_cast<std::int32_t>(U32(offset)); }
  bool BytesEqual(std::uint64_t offset, const void* expected, std::uint64_t count) const {
    return Contains(offset, count) && std::memcmp(data_ + offset, expected, static_cast<std::size_t>(count)) == 0;
  }
  // The start of the view, for handing a checked range on (Ptr(0, Size())).
  const std::uint8_t* Data() const { return data_; }

 private:
  void Require(std::uint64_t offset, std::uint64_t count) const {
    if (!Contains(offset, count)) fail_();
  }
  const std::uint8_t* data_ = nullptr;
  std::uint64_t size_ = 0;
  FailFn fail_ = nullptr;
};
