// Temporary-file-and-move output, shared by the commands that write files.
#include "OutputFile.h"

#include "Platform.h"
#include "ResContainer.h"

std::string TempNameFor(const std::string& out) {
  return UniqueFileName(out);
}

void MoveIntoPlace(const std::string& temp, const std::string& out) {
  if (MoveWithBackup(temp, out, false)) return;
  DiscardTemp(temp);
  throw EFailedOverwriteException(out);
}

void DiscardTemp(const std::string& temp) {
  if (plat::FileExists(temp)) plat::DeleteFile(temp);
}
