// Loading the payload from the patcher's own program file: header and checksum checked
// over the read-only mapping, the zlib stream inflated into memory, then split into the
// six texts, the resource image (left in place) and the trailer.
#include <algorithm>
#include <exception>

#include "ByteView.h"
#include "DecompressionStream.h"
#include "ExceptionText.h"
#include "MyStreams.h"
#include "StringIds.h"
#include "StringTable.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

namespace {
constexpr std::int32_t kHeaderSize = 16;
constexpr std::int32_t kPiece = 4096;
constexpr char kMagic[4] = {'K', 'Q', '2', '6'};

[[noreturn]] void RaiseReadError() { throw rtl::EReadError(rtl::LoadStr(SReadError)); }

std::string ReadText(rtl::TStream& stream) {
  std::uint16_t length = stream.ReadU16();
  std::string text;
  if (length != 0) {
    text.assign(length, '\0');
    stream.ReadBuffer(&text[0], length);
  }
  return text;
}
}  // namespace

EKM26Error::EKM26Error(std::int32_t code)
    : rtl::Exception(rtl::LoadStr(SInvalidPatchData)), Code(code) {}

std::int64_t InflateLimit(std::int64_t compressedBytes) {
  constexpr std::int64_t kFloor = std::int64_t{64} << 20;
  constexpr std::int64_t kCeiling = std::int64_t{1} << 30;
  std::int64_t byRatio = compressedBytes > kCeiling / 256 ? kCeiling : compressedBytes * 256;
  return std::max(kFloor, std::min(kCeiling, byRatio));
}

TKitmend26::~TKitmend26() = default;

void TKitmend26::LoadFromFile(const std::string& fileName, const TProgressEvent& onProgress,
                              const TStatusEvent& onStatus) {
  OnProgress = onProgress;
  OnStatus = onStatus;
  try {
    ReadPayload(fileName);
    SplitPayload();
  } catch (const EKM26Error&) {
    throw;
  } catch (const std::exception& e) {
    throw rtl::Exception(rtl::LoadStr(SInvalidPatchData) + "\r\n(" + ExceptionText(e) + ")");
  }
}

// From the program file to the inflated bytes in Data. The locals are declared so that the
// inflater goes first (it hands unread input back to its source), then the program file,
// then the stream over the file's bytes.
void TKitmend26::ReadPayload(const std::string& fileName) {
  std::unique_ptr<TReadMemoryStream> payload;
  std::unique_ptr<TPEFile> program = TPEFile::CreateFromFile(fileName);

  const std::int64_t imageEnd = program->ImageEnd();
  const std::int64_t fileSize = program->Size();
  if (imageEnd > fileSize) throw EKM26Error(1);
  const ByteView file(program->Memory(), static_cast<std::uint64_t>(fileSize), RaiseReadError);
  const std::uint64_t payloadSize = static_cast<std::uint64_t>(fileSize - imageEnd);
  payload = std::make_unique<TReadMemoryStream>(
      file.Ptr(static_cast<std::uint64_t>(imageEnd), payloadSize),
      static_cast<std::int32_t>(payloadSize));

  payload->ReadBuffer(Magic, 4);
  CompressedSize = static_cast<std::int32_t>(payload->ReadU32());
  TargetChecksum = payload->ReadU32();
  PayloadChecksum = payload->ReadU32();
  if (!std::equal(Magic, Magic + 4, kMagic)) throw EKM26Error(2);

  const std::int32_t remaining = payload->Remaining();
  if (remaining < CompressedSize) throw EKM26Error(3);
  if (ComputePayloadChecksum(payload->CurrentPointer(), remaining) != PayloadChecksum)
    throw EKM26Error(4);

  Data = std::make_unique<rtl::TMemoryStream>();
  TDecompressionStream inflater(*payload);
  const std::int64_t limit = InflateLimit(remaining);
  std::uint8_t piece[kPiece];
  std::int32_t n;
  do {
    n = inflater.Read(piece, kPiece);
    if (n > 0) {
      if (Data->Pos() + static_cast<std::int64_t>(n) > limit)
        throw rtl::EOutOfMemory(rtl::LoadStr(SOutOfMemory));
      Data->WriteBuffer(piece, n);
    }
  } while (n >= kPiece);
}

// Splits Data into texts, resource image and trailer.
void TKitmend26::SplitPayload() {
  rtl::TMemoryStream& data = *Data;
  data.SetPosition(0);
  InputName = ReadText(data);
  OutputName = ReadText(data);
  Author = ReadText(data);
  Email = ReadText(data);
  AuthorNote = ReadText(data);
  Instructions = ReadText(data);
  if (InputName.empty() || OutputName.empty()) throw EKM26Error(5);

  const std::int32_t size = data.BlockSize();
  const std::int32_t resourceStart = data.Pos();
  const ByteView inflated(data.Memory(), static_cast<std::uint64_t>(size), RaiseReadError);
  ResourceData = inflated.Ptr(static_cast<std::uint64_t>(resourceStart), 0);
  ResourceSize = size - resourceStart;

  data.Seek(-2, rtl::soEnd);
  const std::uint16_t trailerSize = data.ReadU16();
  ResourceSize -= trailerSize;
  // The first block's length word; only its presence is checked.
  data.Seek(-static_cast<std::int64_t>(trailerSize), rtl::soEnd);
  data.ReadU16();
  if (ResourceSize < 0) throw EKM26Error(6);
}
