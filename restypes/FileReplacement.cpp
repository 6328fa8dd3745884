// Choosing a free file name for a new file and moving a finished file over its target,
// with a backup of the file it replaces.
#include <string>

#include "Platform.h"
#include "ResContainer.h"
#include "UResTool.h"

namespace {

// A directory of that name blocks the name as much as a file does.
bool NameTaken(const std::string& name) {
  return plat::FileExists(name) || plat::DirectoryExists(name);
}

}  // namespace

std::string UniqueFileName(const std::string& name) {
  const std::string stem = RemoveFileExt(name);
  const std::string ext = name.substr(stem.size());  // what RemoveFileExt took off
  std::string result = name;
  for (unsigned n = 1; NameTaken(result); ++n) result = stem + std::to_string(n) + ext;
  return result;
}

// The old target is moved aside before the new file takes its name and deleted only once
// the new file is in place, so a failing rename leaves the old file where it was: deleting
// it first would lose it when the rename then fails.
bool MoveWithBackup(const std::string& source, const std::string& target, bool backup) {
  try {
    if (SameFile(source, target)) return true;
    if (backup && plat::FileExists(target)) {
      std::string backupName = target;
      if (!MoveToBackup(backupName) || !plat::FileExists(backupName)) return false;
    }
    if (plat::DirectoryExists(target)) return false;
    if (!plat::FileExists(target)) {
      plat::MoveFile(source, target);
      return plat::FileExists(target) && !plat::FileExists(source);
    }
    const std::string aside = UniqueFileName(target + ".old");
    if (!plat::MoveFile(target, aside) || plat::FileExists(target)) return false;  // in use
    if (!plat::MoveFile(source, target) || !plat::FileExists(target)) {
      plat::MoveFile(aside, target);  // put the old file back
      return false;
    }
    if (!plat::DeleteFile(aside) && plat::FileExists(aside)) {
      // The old file may be renamed but not deleted (read-only): undo both renames.
      plat::MoveFile(target, source);
      plat::MoveFile(aside, target);
      return false;
    }
    return !plat::FileExists(source);
  } catch (...) {
    return false;  // reported by the result only
  }
}
