// Writing large blocks (section contents straight from the read-only mapping, leaf data)
// in pieces the stream interface takes, without ever holding a whole block in memory.
#pragma once

#include <cstdint>
#include <vector>

namespace rtl {
class TStream;
}

// Writes `count` bytes from `data`; a failed or short write raises "Stream write error".
void WriteBlock(rtl::TStream& stream, const std::uint8_t* data, std::uint64_t count);

// Copies mapped bytes to a stream through one fixed buffer. A section usually moves by a
// multiple of the file alignment, not of the page size; writing straight from a mapping
// whose pages do not line up with the file's is about twice as slow as this extra copy.
class TBlockCopier {
 public:
  TBlockCopier();
  void Write(rtl::TStream& stream, const std::uint8_t* data, std::uint64_t count);

 private:
  std::vector<std::uint8_t> buffer_;
};
