// The payload loader on a patcher file. The checksum guards the compressed bytes, so
// random bytes rarely get past it; two of the three modes build the file around the input
// with a correct header, which lets the fuzzer reach the inflater and the splitting.
#include <zlib.h>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "MyStreams.h"
#include "Platform.h"
#include "ResResFile.h"
#include "UZedevaviz26.h"

namespace zedfuzz {

namespace {

void PutU32(Bytes& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>((v >> shift) & 0xFF));
}

// The stub program, the "KQ26" header and `compressed`.
Bytes Patcher(const std::uint8_t* compressed, std::size_t size) {
  const Blob stub = StubProgram();
  Bytes file(stub.data, stub.data + stub.size);
  file.insert(file.end(), {'K', 'Q', '2', '6'});
  PutU32(file, static_cast<std::uint32_t>(size));
  PutU32(file, 0);
  PutU32(file, ComputePayloadChecksum(compressed, static_cast<std::int32_t>(size)));
  file.insert(file.end(), compressed, compressed + size);
  return file;
}

Bytes Deflated(const std::uint8_t* data, std::size_t size) {
  uLongf length = compressBound(static_cast<uLong>(size));
  Bytes out(length);
  if (compress2(out.data(), &length, data, static_cast<uLong>(size), 6) != Z_OK)
    Fail("zlib refused to compress");
  out.resize(length);
  return out;
}

// What a loaded patch promises: the resource image lies inside the inflated bytes.
void CheckLoaded(const TKitmend26& patch) {
  const std::uint8_t* begin = patch.Data->Memory();
  const std::uint8_t* end = begin + patch.Data->BlockSize();
  if (patch.ResourceSize < 0 || patch.ResourceData < begin ||
      patch.ResourceData + patch.ResourceSize > end)
    Fail("the resource image lies outside the inflated payload");
  if (patch.InputName.empty() || patch.OutputName.empty()) Fail("a patch without names");
  if (patch.ResourceSize == 0) return;
  try {
    TReadMemoryStream image(patch.ResourceData, patch.ResourceSize);
    std::unique_ptr<TResResFile> file = TResResFile::CreateFromStream(image);
    WalkTree(file->GetRootList());
  } catch (const rtl::Exception&) {
  }
}

}  // namespace

int RunPayload(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1u << 20)) return 0;
  RegisterResImageOpener();
  const std::uint8_t* body = data + 1;
  const std::size_t bodySize = size - 1;
  Bytes file;
  switch (data[0] % 3) {
    case 0: file.assign(body, body + bodySize); break;
    case 1: file = Patcher(body, bodySize); break;
    default: {
      const Bytes compressed = Deflated(body, bodySize);
      file = Patcher(compressed.data(), compressed.size());
      break;
    }
  }
  static const std::string name = ScratchName("patcher.exe");
  WriteWholeFile(name, file);
  {
    TKitmend26 patch;
    try {
      patch.LoadFromFile(name, TProgressEvent(), TStatusEvent());
      CheckLoaded(patch);
    } catch (const rtl::Exception&) {
    }
  }
  if (!plat::DeleteFile(name)) Fail("the patcher file is still held open after loading");
  return 0;
}

}  // namespace zedfuzz
