// Streams of the runtime: the abstract stream with its fixed-count reads and writes, the
// memory-stream base over one block, the growable memory stream and the file stream.
#pragma once

#include <cstdint>
#include <string>

#include "Platform.h"

namespace rtl {

enum SeekOrigin : int { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
 public:
  virtual ~TStream() = default;
  TStream() = default;
  TStream(const TStream&) = delete;
  TStream& operator=(const TStream&) = delete;

  // Move up to `count` bytes; the number moved (0 at the end or on a refused request).
  virtual std::int32_t Read(void* buffer, std::int32_t count) = 0;
  virtual std::int32_t Write(const void* buffer, std::int32_t count) = 0;
  // The new position; positions are not bounded by the size.
  virtual std::int64_t Seek(std::int64_t offset, int origin) = 0;
  virtual void SetSize(std::int64_t /*newSize*/) {}

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t pos) { Seek(pos, soBeginning); }
  std::int64_t Size();  // the position is restored

  // Exactly `count` bytes or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* buffer, std::int32_t count);
  void WriteBuffer(const void* buffer, std::int32_t count);
  // Copies `count` bytes from `source` (all of it from its position when count is 0).
  std::int64_t CopyFrom(TStream& source, std::int64_t count);

  // Little-endian helpers built on the fixed-count operations.
  std::uint16_t ReadU16();
  std::uint32_t ReadU32();
  void WriteU16(std::uint16_t v);
  void WriteU32(std::uint32_t v);
};

// A stream over one block of memory that it does not allocate (Memory, Size, Position).
class TCustomMemoryStream : public TStream {
 public:
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;

  std::uint8_t* Memory() const { return memory_; }
  std::int32_t BlockSize() const { return size_; }
  std::int32_t Pos() const { return position_; }

 protected:
  void SetPointer(void* memory, std::int32_t size);
  std::uint8_t* memory_ = nullptr;
  std::int32_t size_ = 0;
  std::int32_t position_ = 0;
};

// The growable memory stream: owns its block, grows on writes past the end.
class TMemoryStream : public TCustomMemoryStream {
 public:
  TMemoryStream() = default;
  ~TMemoryStream() override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  void SetSize(std::int64_t newSize) override;  // EOutOfMemory "Out of memory" on failure
  void Clear();
  void LoadFromStream(TStream& source);
  void SaveToFile(const std::string& fileName);

 private:
  void Reserve(std::int64_t capacity);
  std::int32_t capacity_ = 0;
};

// A stream over a file, opened or created through the platform layer. Opening failures
// are EFCreateError "Нельзя создать файл %s" and EFOpenError "Нельзя открыть файл %s".
class TFileStream : public TStream {
 public:
  TFileStream(const std::string& fileName, std::uint16_t mode);
  ~TFileStream() override;
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;
  std::int64_t Seek(std::int64_t offset, int origin) override;
  void SetSize(std::int64_t newSize) override;

  const std::string& FileName() const { return fileName_; }
  // Closes the file now (the destructor closes it otherwise); further use fails.
  void Close();

 private:
  std::string fileName_;
  plat::Handle handle_ = plat::kInvalidHandle;
};

}  // namespace rtl
