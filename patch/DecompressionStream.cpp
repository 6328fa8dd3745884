// Inflating through zlib itself: default 15-bit window, no flushing. The patcher beeps
// after every inflate call, so a long load is audible.
#include "DecompressionStream.h"

#include <zlib.h>

#include <climits>

#include "Platform.h"
#include "StringIds.h"
#include "StringTable.h"

namespace {
constexpr std::int32_t kInputChunk = 64 * 1024;

[[noreturn]] void RaiseZlibError() { throw EDecompressionError(rtl::LoadStr(SZlibError)); }
[[noreturn]] void RaiseInvalidOperation() {
  throw EDecompressionError(rtl::LoadStr(SInvalidStreamOp));
}
}  // namespace

struct TDecompressionStream::ZState {
  z_stream zs{};
  std::unique_ptr<Bytef[]> input{new Bytef[kInputChunk]};
};

TDecompressionStream::TDecompressionStream(rtl::TStream& source)
    : source_(source), sourceStart_(source.Position()), z_(new ZState) {
  if (inflateInit(&z_->zs) != Z_OK) RaiseZlibError();
}

TDecompressionStream::~TDecompressionStream() {
  if (z_->zs.avail_in > 0) source_.Seek(-static_cast<std::int64_t>(z_->zs.avail_in), rtl::soCurrent);
  inflateEnd(&z_->zs);
}

std::int64_t TDecompressionStream::TotalOut() const {
  return static_cast<std::int64_t>(z_->zs.total_out);
}

std::int32_t TDecompressionStream::Read(void* buffer, std::int32_t count) {
  if (count <= 0 || ended_) return 0;
  z_stream& zs = z_->zs;
  zs.next_out = static_cast<Bytef*>(buffer);
  zs.avail_out = static_cast<uInt>(count);
  while (zs.avail_out > 0) {
    if (zs.avail_in == 0) {
      std::int32_t got = source_.Read(z_->input.get(), kInputChunk);
      // The source ran out before the stream's end: the data is cut short.
      if (got <= 0) RaiseZlibError();
      zs.next_in = z_->input.get();
      zs.avail_in = static_cast<uInt>(got);
    }
    int result = inflate(&zs, Z_NO_FLUSH);
    plat::MessageBeep(0);
    if (result == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    // A stream that asks for a preset dictionary cannot be ours and would never progress.
    if (result < 0 || result == Z_NEED_DICT) RaiseZlibError();
  }
  return count - static_cast<std::int32_t>(zs.avail_out);
}

std::int32_t TDecompressionStream::Write(const void*, std::int32_t) { RaiseInvalidOperation(); }

std::int64_t TDecompressionStream::Seek(std::int64_t offset, int origin) {
  if (offset == 0 && origin == rtl::soBeginning) {
    if (inflateReset(&z_->zs) != Z_OK) RaiseZlibError();
    z_->zs.next_in = z_->input.get();
    z_->zs.avail_in = 0;
    ended_ = false;
    source_.SetPosition(sourceStart_);
    return 0;
  }
  std::int64_t skip;
  if (origin == rtl::soCurrent && offset >= 0)
    skip = offset;
  else if (origin == rtl::soBeginning && offset >= TotalOut())
    skip = offset - TotalOut();
  else
    RaiseInvalidOperation();
  std::uint8_t scratch[4096];
  while (skip > 0) {
    std::int32_t want = skip > static_cast<std::int64_t>(sizeof scratch)
                            ? static_cast<std::int32_t>(sizeof scratch)
                            : static_cast<std::int32_t>(skip);
    std::int32_t got = Read(scratch, want);
    if (got <= 0) break;
    skip -= got;
  }
  return TotalOut();
}
