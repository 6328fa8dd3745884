// A read-only stream of the inflated bytes of one zlib stream (header, deflate data,
// Adler-32) that it reads from a source stream, starting at the source's position.
#pragma once

#include <cstdint>
#include <memory>

#include "Exceptions.h"
#include "Streams.h"

class EDecompressionError : public rtl::Exception {
  using rtl::Exception::Exception;
};

class TDecompressionStream : public rtl::TStream {
 public:
  explicit TDecompressionStream(rtl::TStream& source);
  ~TDecompressionStream() override;  // gives unused input back to the source

  // Fewer bytes than asked for only at the end of the zlib stream; after that end it reads
  // nothing more from the source. A damaged or truncated stream raises "error".
  std::int32_t Read(void* buffer, std::int32_t count) override;
  std::int32_t Write(const void* buffer, std::int32_t count) override;  // always refused
  // Only to the start (the stream is inflated anew) or forward (bytes are skipped).
  std::int64_t Seek(std::int64_t offset, int origin) override;

 private:
  struct ZState;
  std::int64_t TotalOut() const;

  rtl::TStream& source_;
  std::int64_t sourceStart_;
  std::unique_ptr<ZState> z_;
  bool ended_ = false;
};
