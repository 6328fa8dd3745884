// Writing a patcher: the payload laid out in memory, compressed, given its header and
// appended to the stub's image, then written under a free name and moved into place.
#include "PayloadWriter.h"

#include <zlib.h>

#include <cstdint>
#include <exception>
#include <limits>
#include <memory>

#include "ExceptionText.h"
#include "Format.h"
#include "MyStreams.h"
#include "Platform.h"
#include "ResContainer.h"
#include "ResResFile.h"
#include "Streams.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

namespace {

constexpr std::size_t kMaxCounted = 0xFFFF;
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kMaxFile = static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max());

void PutU16(TPayloadBytes& out, std::size_t value) {
  out.push_back(static_cast<std::uint8_t>(value & 0xFF));
  out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

void PutU32(TPayloadBytes& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8)
    out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void PutCounted(TPayloadBytes& out, const std::string& bytes) {
  PutU16(out, bytes.size());
  out.insert(out.end(), bytes.begin(), bytes.end());
}

// Bytes 2 + sum of (2 + block): what the trailer's last word says.
std::size_t TrailerLength(const std::vector<std::string>& blocks) {
  std::size_t length = 2;
  for (const std::string& block : blocks) length += 2 + block.size();
  return length;
}

// Walks every entry, so that damage anywhere in the image shows now rather than when the
// patch is applied.
void TouchAllLeaves(TResourceList& list) {
  for (int i = 0, n = list.Count(); i < n; ++i) {
    if (list.Level() == 2) {
      TDataResItem* leaf = list.DataItem(i);
      leaf->Data();
      leaf->Size();
    } else {
      TouchAllLeaves(*list.ListItem(i)->GetSubList());
    }
  }
}

void WriteFile(const std::string& name, const TPayloadBytes& head, const TPayloadBytes& tail) {
  rtl::TFileStream file(name, plat::fmCreate);
  file.WriteBuffer(head.data(), static_cast<std::int32_t>(head.size()));
  file.WriteBuffer(tail.data(), static_cast<std::int32_t>(tail.size()));
  file.Close();
}

void DeleteIfThere(const std::string& name) {
  if (plat::FileExists(name)) plat::DeleteFile(name);
}

// The stub's image: its bytes up to where its sections end. Whatever follows (an old
// payload, a symbol table, a certificate) is no part of a patcher.
TPayloadBytes StubImage(const std::string& stubFile, TPatcherSummary& summary) {
  std::unique_ptr<TPEFile> stub = TPEFile::CreateFromFile(stubFile);
  const std::int64_t imageEnd = stub->ImageEnd();
  const std::int64_t size = stub->Size();
  const std::int64_t tableEnd =
      static_cast<std::int64_t>(stub->NtHeadersOffset()) + 248 + 40 * stub->SectionCount();
  if (imageEnd > size)
    throw EPayloadWriteError(
        rtl::Format("%s is cut short: its sections end at byte %d, the file at byte %d",
                    {plat::ExtractFileName(stubFile), static_cast<long long>(imageEnd),
                     static_cast<long long>(size)}));
  if (imageEnd < tableEnd)
    throw EPayloadWriteError(
        rtl::Format("%s cannot carry a payload: its sections end at byte %d, inside its headers",
                    {plat::ExtractFileName(stubFile), static_cast<long long>(imageEnd)}));
  summary.ImageEnd = static_cast<std::int32_t>(imageEnd);
  summary.DroppedBytes = static_cast<std::int32_t>(size - imageEnd);
  const std::uint8_t* bytes = stub->Image().Ptr(0, static_cast<std::uint64_t>(imageEnd));
  return TPayloadBytes(bytes, bytes + imageEnd);
}

}  // namespace

void CheckPatchTexts(const TPatchTexts& texts) {
  const struct {
    const char* what;
    const std::string* text;
  } fields[] = {{"input name", &texts.InputName}, {"output name", &texts.OutputName},
                {"author", &texts.Author},        {"e-mail", &texts.Email},
                {"note", &texts.AuthorNote},      {"instructions text", &texts.Instructions}};
  for (const auto& f : fields)
    if (f.text->size() > kMaxCounted)
      throw EPayloadWriteError(rtl::Format("the %s has %d bytes; a patch text holds at most 65535",
                                           {f.what, static_cast<long long>(f.text->size())}));
  // The loader refuses a payload without these two names.
  if (texts.InputName.empty()) throw EPayloadWriteError("the input name is empty");
  if (texts.OutputName.empty()) throw EPayloadWriteError("the output name is empty");
}

void CheckResourceImage(const TPayloadBytes& image, const std::string& what) {
  if (image.size() > kMaxFile)
    throw EPayloadWriteError(rtl::Format("%s is too large for a patch", {what}));
  try {
    TReadMemoryStream stream(image.data(), static_cast<std::int32_t>(image.size()));
    std::unique_ptr<TResResFile> file = TResResFile::CreateFromStream(stream);
    TouchAllLeaves(*file->GetRootList());
  } catch (const std::exception& e) {
    throw EPayloadWriteError(
        rtl::Format("%s is not a resource image (%s)", {what, ExceptionText(e)}));
  }
}

TPayloadBytes BuildInflatedPayload(const TPatchTexts& texts, const TPayloadBytes& resourceImage,
                                   const std::vector<std::string>& trailerBlocks) {
  CheckPatchTexts(texts);
  const std::size_t trailer = TrailerLength(trailerBlocks);
  if (trailer > kMaxCounted)
    throw EPayloadWriteError(rtl::Format("the trailer is %d bytes long; at most 65535 fit",
                                         {static_cast<long long>(trailer)}));
  TPayloadBytes out;
  for (const std::string* text : {&texts.InputName, &texts.OutputName, &texts.Author, &texts.Email,
                                  &texts.AuthorNote, &texts.Instructions})
    PutCounted(out, *text);
  out.insert(out.end(), resourceImage.begin(), resourceImage.end());
  for (const std::string& block : trailerBlocks) PutCounted(out, block);
  PutU16(out, trailer);
  if (out.size() > kMaxFile) throw EPayloadWriteError("the patch is too large");
  return out;
}

TPayloadBytes CompressPayload(const TPayloadBytes& inflated) {
  uLongf size = compressBound(static_cast<uLong>(inflated.size()));
  TPayloadBytes out(size);
  const int result = compress2(out.data(), &size, inflated.data(),
                               static_cast<uLong>(inflated.size()), Z_BEST_COMPRESSION);
  if (result != Z_OK)
    throw EPayloadWriteError(rtl::Format("compression failed (zlib %d)", {result}));
  out.resize(size);
  return out;
}

TPayloadBytes BuildPayload(std::uint32_t targetChecksum, const TPayloadBytes& compressed) {
  if (compressed.size() > kMaxFile - kHeaderSize)
    throw EPayloadWriteError("the patch is too large");
  TPayloadBytes out = {'K', 'Q', '2', '6'};
  // The compressed data runs to the end of the file: nothing follows the zlib stream.
  PutU32(out, static_cast<std::uint32_t>(compressed.size()));
  PutU32(out, targetChecksum);
  PutU32(out,
         ComputePayloadChecksum(compressed.data(), static_cast<std::int32_t>(compressed.size())));
  out.insert(out.end(), compressed.begin(), compressed.end());
  return out;
}

TPatcherSummary WritePatcherFile(const TPatcherParts& parts, const std::string& outputFile) {
  TPatcherSummary summary;
  CheckPatchTexts(parts.Texts);
  CheckResourceImage(parts.ResourceImage, "the resource image");
  // Everything is read and closed before the output is touched: the output may be the
  // stub itself.
  const TPayloadBytes image = StubImage(parts.StubFile, summary);
  const TPayloadBytes inflated =
      BuildInflatedPayload(parts.Texts, parts.ResourceImage, parts.TrailerBlocks);
  const TPayloadBytes compressed = CompressPayload(inflated);
  // A payload that inflates beyond the loader's bound would be refused at start-up.
  if (static_cast<std::int64_t>(inflated.size()) >
      InflateLimit(static_cast<std::int64_t>(compressed.size())))
    throw EPayloadWriteError(rtl::Format(
        "the patch inflates to %d bytes, more than a patcher loads from %d "
        "compressed bytes",
        {static_cast<long long>(inflated.size()), static_cast<long long>(compressed.size())}));
  const TPayloadBytes payload = BuildPayload(parts.TargetChecksum, compressed);
  if (image.size() + payload.size() > kMaxFile)
    throw EPayloadWriteError("the patcher is too large");

  summary.CompressedSize = static_cast<std::int32_t>(compressed.size());
  summary.InflatedSize = static_cast<std::int32_t>(inflated.size());
  summary.PayloadChecksum =
      ComputePayloadChecksum(compressed.data(), static_cast<std::int32_t>(compressed.size()));

  const std::string temp = UniqueFileName(outputFile);
  try {
    WriteFile(temp, image, payload);
  } catch (...) {
    DeleteIfThere(temp);
    throw;
  }
  if (!MoveWithBackup(temp, outputFile, false)) {
    DeleteIfThere(temp);
    throw EFailedOverwriteException(outputFile);
  }
  return summary;
}
