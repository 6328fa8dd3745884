// Saving a TPEFile: the edited header area, then every section's raw data back to back,
// the resource section rebuilt from the tree and every other one streamed from the
// read-only mapping. Nothing after the last section is carried over.
#include <algorithm>
#include <cmath>
#include <memory>

#include "BlockWriter.h"
#include "PEFile.h"
#include "PEFormat.h"
#include "PEHeader.h"
#include "PEResDirectory.h"
#include "Platform.h"
#include "ResourceTable.h"
#include "Streams.h"
#include "UResTool.h"

namespace {

struct TProgress {
  const TProgressEvent& event;
  float factor = 0;  // 95 / the size of the new image
  void Report(std::int32_t range, std::int32_t position) const {
    if (event) event(range, position);
  }
};

[[noreturn]] void RaiseMisplaced() {
  throw rtl::Exception("The new executable's layout is inconsistent.");
}

// Copies a section's raw data (its SizeOfRawData rounded up to the file alignment) from
// the source image. The header model has checked that the SizeOfRawData bytes lie in the
// file; only the alignment padding of a last section may be missing, and is zeros.
void CopySection(const TPEFile& file, const TPESectionHeader& source, std::int32_t fileAlignment,
                 TBlockCopier& copier, rtl::TStream& stream) {
  const ByteView image = file.Image();
  const std::uint64_t wanted = static_cast<std::uint32_t>(
      AlignUp(static_cast<std::int32_t>(source.SizeOfRawData), fileAlignment));
  const std::uint64_t start = source.PointerToRawData;
  const std::uint64_t present = start < image.Size() ? std::min(wanted, image.Size() - start) : 0;
  copier.Write(stream, image.Ptr(start, present), present);
  WriteZeros(stream, static_cast<std::int64_t>(wanted - present));
}

void WriteSections(TPEFile& file, TPEHeader& header, TResourceTable& table, rtl::TStream& stream,
                   std::int64_t base, const TProgress& progress) {
  const std::int32_t fa = header.FileAlignment();
  auto& section = static_cast<TPEResSection&>(*file.GetSection());
  TBlockCopier copier;
  for (int i = 0; i < header.SectionCount(); ++i) {
    const TPESectionHeader h = header.Section(i);
    if (h.HasRawData()) {
      if (stream.Position() - base != h.PointerToRawData) RaiseMisplaced();
      if (pe::SectionNameIs(h.Name, pe::kResourceSectionName))
        WriteResourceSection(section, stream, table, fa);
      else
        CopySection(file, file.SectionHeader(header.SourceIndex(i)), fa, copier, stream);
      const std::int64_t written = stream.Position() - base - h.PointerToRawData;
      if (written != AlignUp(static_cast<std::int32_t>(h.SizeOfRawData), fa)) RaiseMisplaced();
    }
    if (progress.event)
      progress.Report(100, static_cast<std::int32_t>(std::nearbyint(
                               static_cast<double>(stream.Position() - base) * progress.factor)));
  }
}

}  // namespace

void TPEFile::WriteImage(rtl::TStream& stream, const TProgressEvent& onProgress) {
  TProgress progress{onProgress};
  progress.Report(1000, 0);
  TPEHeader header(Image());
  header.DropTailReferences();

  auto& section = static_cast<TPEResSection&>(*GetSection());
  const std::unique_ptr<TResourceTable> table = BuildResourceTable(section);
  if (table->TotalSize <= 0)
    header.RemoveResourceSection();
  else
    table->SectionRva = header.SetResourceSection(table->TotalSize);
  header.PlaceSections();

  const std::int32_t outputSize = header.OutputSize();
  if (onProgress) {
    progress.factor = 95.0f / static_cast<float>(outputSize);
    progress.Report(100, 1);
  }
  const std::int64_t base = stream.Position();
  WriteBlock(stream, header.Headers().Data(), static_cast<std::uint64_t>(header.HeaderAreaSize()));
  WriteSections(*this, header, *table, stream, base, progress);
  if (stream.Position() - base != outputSize) RaiseMisplaced();
  progress.Report(100, 100);
}

void TPEFile::SaveToFile(const std::string& fileName, const TProgressEvent& onProgress) {
  auto stream = std::make_unique<rtl::TFileStream>(fileName, plat::fmCreate);
  try {
    WriteImage(*stream, onProgress);
    stream->Close();
  } catch (...) {
    stream.reset();
    plat::DeleteFile(fileName);
    throw;
  }
}
