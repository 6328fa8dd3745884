// The patch a patcher carries: the payload appended to its own program file (loaded and
// checked by LoadFromFile) and its application to one executable (Apply).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "Exceptions.h"
#include "ResContainer.h"
#include "Streams.h"

// The payload's own failures. The message is always the same invalid-patch text; Code only
// tells the developer which check refused the payload.
class EKM26Error : public rtl::Exception {
 public:
  explicit EKM26Error(std::int32_t code);
  std::int32_t Code;
};

// The sum over the whole little-endian 32-bit words of a range (a trailing 1 to 3 bytes do
// not count): 0x4037 plus, for word i counted from 1, (i >> 1) XOR word.
std::uint32_t ComputePayloadChecksum(const void* data, std::int32_t size);

class TKitmend26 {
 public:
  TKitmend26() = default;
  virtual ~TKitmend26();
  TKitmend26(const TKitmend26&) = delete;
  TKitmend26& operator=(const TKitmend26&) = delete;

  // Reads and verifies the payload of `fileName` and keeps it inflated in memory. The
  // callbacks are only stored here; Apply reports through them.
  void LoadFromFile(const std::string& fileName, const TProgressEvent& onProgress,
                    const TStatusEvent& onStatus);
  // Patches `inputName` into `outputName`; raises one message naming the failure and the
  // step it happened in.
  void Apply(const std::string& inputName, const std::string& outputName, bool backup,
             bool checkVersion);

  TProgressEvent OnProgress;
  TStatusEvent OnStatus;
  std::unique_ptr<rtl::TMemoryStream> Data;  // the inflated payload
  std::string InputName;
  std::string OutputName;
  std::string Author;
  std::string Email;
  std::string AuthorNote;
  std::string Instructions;
  const std::uint8_t* ResourceData = nullptr;  // inside Data
  std::int32_t ResourceSize = 0;
  char Magic[4] = {0, 0, 0, 0};
  std::int32_t CompressedSize = 0;
  std::uint32_t TargetChecksum = 0;
  std::uint32_t PayloadChecksum = 0;

 private:
  void ReadPayload(const std::string& fileName);
  void SplitPayload();
};

// The most a payload may inflate to: 256 times its compressed size, but never more than
// 1 GiB and never less than 64 MiB, so a forged stream cannot exhaust memory.
std::int64_t InflateLimit(std::int64_t compressedBytes);
