// The resource image container. It also registers itself with the model as the opener of
// images given as streams (the import of a patch and the "res" side format open images
// that way), which is why this unit is linked as an object library.
#include "ResResFile.h"

#include "ByteView.h"
#include "Format.h"
#include "Platform.h"
#include "ResImageFormat.h"
#include "ResResSection.h"
#include "StringIds.h"

TResResFile::TResResFile(const std::string& fileName) {
  try {
    OpenFile(fileName);
  } catch (const EZeroSizeException&) {
    // An empty file is an image without resources.
    return;
  }
  CheckImageHeader();
}

TResResFile::TResResFile(rtl::TStream& stream) {
  try {
    CopyStream(stream);
  } catch (const EZeroSizeException&) {
    return;
  }
  CheckImageHeader();
}

void TResResFile::CheckImageHeader() {
  const ByteView bytes(Memory(), Size() > 0 ? static_cast<std::uint64_t>(Size()) : 0, nullptr);
  if (!bytes.BytesEqual(0, EmptyResHeader, sizeof(EmptyResHeader)))
    throw ENoResException(
        rtl::FormatRes(SNotValidResFile, {plat::ExtractFileName(FileName())}));
}

void TResResFile::SaveToFile(const std::string& fileName, const TProgressEvent&) {
  GetRootList()->WriteResFile(fileName, false);
}

std::unique_ptr<TResSection> TResResFile::CreateSection() {
  return std::make_unique<TResResSection>(this);
}

namespace {

std::unique_ptr<TResContainer> OpenImageFromStream(rtl::TStream& source) {
  return TResResFile::CreateFromStream(source);
}

struct OpenerRegistration {
  OpenerRegistration() { SetResImageOpener(&OpenImageFromStream); }
} registration;

}  // namespace
