// The runtime's streams: fixed-count operations on the abstract stream, the memory streams
// and the file stream over the platform's file functions.
#include "Streams.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "Exceptions.h"
#include "Format.h"
#include "StringIds.h"
#include "StringTable.h"

namespace rtl {

namespace {
std::int32_t ClampToInt32(std::int64_t v) {
  if (v > INT32_MAX) return INT32_MAX;
  if (v < INT32_MIN) return INT32_MIN;
  return static_cast<std::int32_t>(v);
}
}  // namespace

// ---- TStream -------------------------------------------------------------------------

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soCurrent);
  std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* buffer, std::int32_t count) {
  if (count != 0 && Read(buffer, count) != count) throw EReadError(LoadStr(SReadError));
}

void TStream::WriteBuffer(const void* buffer, std::int32_t count) {
  if (count != 0 && Write(buffer, count) != count) throw EWriteError(LoadStr(SWriteError));
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
  if (count == 0) count = source.Size() - source.Position();
  if (count <= 0) return 0;
  const std::int32_t kChunk = 0xF000;
  std::uint8_t buffer[kChunk];
  std::int64_t left = count;
  while (left > 0) {
    std::int32_t n = left > kChunk ? kChunk : static_cast<std::int32_t>(left);
    source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    left -= n;
  }
  return count;
}

std::uint16_t TStream::ReadU16() {
  std::uint8_t b[2];
  ReadBuffer(b, 2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t TStream::ReadU32() {
  std::uint8_t b[4];
  ReadBuffer(b, 4);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

void TStream::WriteU16(std::uint16_t v) {
  std::uint8_t b[2] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8)};
  WriteBuffer(b, 2);
}

void TStream::WriteU32(std::uint32_t v) {
  std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                       static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  WriteBuffer(b, 4);
}

// ---- TCustomMemoryStream -----------------------------------------------------------------

void TCustomMemoryStream::SetPointer(void* memory, std::int32_t size) {
  memory_ = static_cast<std::uint8_t*>(memory);
  size_ = size;
}

std::int32_t TCustomMemoryStream::Read(void* buffer, std::int32_t count) {
  if (position_ < 0 || count < 0) return 0;
  std::int32_t left = size_ - position_;
  if (left <= 0) return 0;
  std::int32_t n = count < left ? count : left;
  if (n > 0) std::memcpy(buffer, memory_ + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t offset, int origin) {
  // Positions before the start or past the end are allowed; reads there return nothing.
  switch (origin) {
    case soBeginning: position_ = ClampToInt32(offset); break;
    case soCurrent: position_ = ClampToInt32(position_ + offset); break;
    case soEnd: position_ = ClampToInt32(size_ + offset); break;
    default: break;
  }
  return position_;
}

// ---- TMemoryStream -----------------------------------------------------------------------

TMemoryStream::~TMemoryStream() { std::free(memory_); }

void TMemoryStream::Reserve(std::int64_t capacity) {
  if (capacity <= capacity_) return;
  // Grow geometrically so a stream written in small pieces is not copied on every write.
  std::int64_t grown = static_cast<std::int64_t>(capacity_) * 2;
  if (grown < capacity) grown = capacity;
  if (grown < 256) grown = 256;
  if (grown > INT32_MAX) grown = INT32_MAX;
  if (capacity > INT32_MAX) throw EOutOfMemory(LoadStr(SOutOfMemory));
  void* p = std::realloc(memory_, static_cast<std::size_t>(grown));
  if (p == nullptr) throw EOutOfMemory(LoadStr(SOutOfMemory));
  memory_ = static_cast<std::uint8_t*>(p);
  capacity_ = static_cast<std::int32_t>(grown);
}

void TMemoryStream::SetSize(std::int64_t newSize) {
  if (newSize < 0 || newSize > INT32_MAX) throw EOutOfMemory(LoadStr(SOutOfMemory));
  Reserve(newSize);
  // Bytes between the old and the new end are zero, not whatever the allocator left there.
  if (newSize > size_)
    std::memset(memory_ + size_, 0, static_cast<std::size_t>(newSize - size_));
  size_ = static_cast<std::int32_t>(newSize);
  if (position_ > size_) position_ = size_;
}

std::int32_t TMemoryStream::Write(const void* buffer, std::int32_t count) {
  if (position_ < 0 || count < 0) return 0;
  std::int64_t end = static_cast<std::int64_t>(position_) + count;
  if (end <= 0 || end > INT32_MAX) return 0;
  if (end > size_) {
    std::int32_t pos = position_;
    SetSize(end);
    position_ = pos;
  }
  if (count > 0) std::memcpy(memory_ + position_, buffer, static_cast<std::size_t>(count));
  position_ = static_cast<std::int32_t>(end);
  return count;
}

void TMemoryStream::Clear() {
  std::free(memory_);
  memory_ = nullptr;
  size_ = 0;
  position_ = 0;
  capacity_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  std::int64_t count = source.Size();
  SetSize(count);
  position_ = 0;
  if (count != 0) source.ReadBuffer(memory_, static_cast<std::int32_t>(count));
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
  TFileStream file(fileName, plat::fmCreate);
  file.WriteBuffer(memory_, size_);
}

// ---- TFileStream -------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& fileName, std::uint16_t mode) : fileName_(fileName) {
  if (mode == plat::fmCreate) {
    handle_ = plat::FileCreate(fileName);
    if (handle_ == plat::kInvalidHandle) throw EFCreateError(FormatRes(SFCreateError, {fileName}));
  } else {
    handle_ = plat::FileOpen(fileName, mode);
    if (handle_ == plat::kInvalidHandle) throw EFOpenError(FormatRes(SFOpenError, {fileName}));
  }
}

TFileStream::~TFileStream() { Close(); }

void TFileStream::Close() {
  if (handle_ != plat::kInvalidHandle) plat::CloseHandle(handle_);
  handle_ = plat::kInvalidHandle;
}

std::int32_t TFileStream::Read(void* buffer, std::int32_t count) {
  if (handle_ == plat::kInvalidHandle) return 0;
  std::int32_t n = plat::FileRead(handle_, buffer, count);
  return n < 0 ? 0 : n;
}

std::int32_t TFileStream::Write(const void* buffer, std::int32_t count) {
  if (handle_ == plat::kInvalidHandle) return 0;
  std::int32_t n = plat::FileWrite(handle_, buffer, count);
  return n < 0 ? 0 : n;
}

std::int64_t TFileStream::Seek(std::int64_t offset, int origin) {
  if (handle_ == plat::kInvalidHandle) return -1;
  return plat::FileSeek(handle_, offset, origin);
}

void TFileStream::SetSize(std::int64_t newSize) {
  if (handle_ == plat::kInvalidHandle || Seek(newSize, soBeginning) != newSize ||
      !plat::FileTruncate(handle_))
    throw EWriteError(LoadStr(SWriteError));
}

}  // namespace rtl
