// The writer's side of the patch payload: the six counted texts, the resource image and
// the trailer, compressed into one zlib stream behind the "KQ26" header, and a patcher
// file made of a stub program cut at its image end followed by that payload. Everything
// the loader would refuse is refused here, before any byte is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Exceptions.h"

using TPayloadBytes = std::vector<std::uint8_t>;

// The texts a patch shows and works with, in payload order.
struct TPatchTexts {
  std::string InputName;
  std::string OutputName;
  std::string Author;
  std::string Email;
  std::string AuthorNote;
  std::string Instructions;
};

// A patcher that cannot be made from the given parts; nothing was written.
class EPayloadWriteError : public rtl::Exception {
 public:
  using rtl::Exception::Exception;
};

// Each text must fit its 16-bit length; the two names must not be empty.
void CheckPatchTexts(const TPatchTexts& texts);
// The bytes must read as a 32-bit resource image, every entry of it; `what` names them in
// the message.
void CheckResourceImage(const TPayloadBytes& image, const std::string& what);

// The inflated payload: texts, resource image, trailer blocks and the trailer length.
TPayloadBytes BuildInflatedPayload(const TPatchTexts& texts, const TPayloadBytes& resourceImage,
                                   const std::vector<std::string>& trailerBlocks);
// One zlib stream at the best compression.
TPayloadBytes CompressPayload(const TPayloadBytes& inflated);
// Header and compressed data, as appended to the stub.
TPayloadBytes BuildPayload(std::uint32_t targetChecksum, const TPayloadBytes& compressed);

struct TPatcherParts {
  std::string StubFile;          // a Zedevaviz program, or a patcher whose payload is dropped
  std::uint32_t TargetChecksum;  // VersionChecksum of the executable the patch is for
  TPatchTexts Texts;
  TPayloadBytes ResourceImage;
  std::vector<std::string> TrailerBlocks;
};

// What was written, for the report of the caller.
struct TPatcherSummary {
  std::int32_t ImageEnd = 0;      // where the payload starts
  std::int32_t DroppedBytes = 0;  // the stub's own bytes from its image end on
  std::int32_t CompressedSize = 0;
  std::int32_t InflatedSize = 0;
  std::uint32_t PayloadChecksum = 0;
};

// Writes the patcher to `outputFile` through a free name next to it and a final move; the
// finished file is loaded back with the patcher's own loader before it is moved into
// place. On failure nothing is left behind and an existing output is untouched.
TPatcherSummary WritePatcherFile(const TPatcherParts& parts, const std::string& outputFile);
