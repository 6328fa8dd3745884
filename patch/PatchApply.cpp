// Applying a loaded patch to one executable: open and check the input, merge the payload's
// resource image into its tree, write the new image next to the output and move it into
// place. Every failure leaves as one message naming the step it happened in.
#include <exception>

#include "ExceptionText.h"
#include "Format.h"
#include "MyStreams.h"
#include "Platform.h"
#include "ResImageFormat.h"
#include "ResourceImport.h"
#include "UResFile.h"
#include "StringIds.h"
#include "StringTable.h"
#include "UResPEFile.h"
#include "UZedevaviz26.h"

namespace {
// The payload carries its resources as a 32-bit resource image. Said here rather than left
// to the resource file unit's own registration, which a static link may drop.
std::unique_ptr<TResContainer> OpenPayloadImage(rtl::TStream& source) {
  return TResResFile::CreateFromStream(source);
}
}  // namespace

void TKitmend26::Apply(const std::string& inputName, const std::string& outputName, bool backup,
                       bool checkVersion) {
  if (OnProgress) OnProgress(2, 0);
  std::string tempName;
  std::string currentAction;
  auto status = [&](const std::string& text) {
    currentAction = text;
    if (OnStatus) OnStatus(currentAction);
  };
  try {
    TReadMemoryStream resources(ResourceData, ResourceSize);
    status(rtl::FormatRes(SReading, {inputName}));
    std::unique_ptr<TPEFile> input = TPEFile::CreateFromFile(inputName);
    if (checkVersion && input->VersionChecksum() != TargetChecksum)
      throw rtl::Exception(rtl::FormatRes(SWrongVersion, {inputName}));
    TResourceList* root = input->GetRootList();
    status(rtl::FormatRes(SReading, {rtl::LoadStr(SPatchData)}));
    SetResImageOpener(&OpenPayloadImage);
    ImportResources(root, resources, true, TImportErrorEvent());
    status(rtl::FormatRes(SWriting, {outputName}));
    input->SaveToTempFile(plat::ExtractFilePath(outputName), tempName, OnProgress);
    // Closed before anything is moved, so the output may be the input itself.
    input.reset();
    if (!MoveWithBackup(tempName, outputName, backup)) throw EFailedOverwriteException(outputName);
    // From here on that name may be the finished output itself: never delete it.
    tempName.clear();
    status(rtl::LoadStr(SPatchSuccess));
  } catch (const std::exception& e) {
    if (!tempName.empty()) plat::DeleteFile(tempName);
    throw rtl::Exception(rtl::FormatRes(SWhileAction, {ExceptionText(e), currentAction}));
  }
}
