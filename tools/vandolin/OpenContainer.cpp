// Chooses the container class by the first bytes of the file. A file that cannot be read
// here is handed to the resource image reader, which reports it with its own message.
#include "OpenContainer.h"

#include "Platform.h"
#include "ResResFile.h"
#include "UResPEFile.h"

namespace {

bool StartsWithMZ(const std::string& path) {
  plat::Handle file = plat::FileOpen(path, plat::fmOpenRead | plat::fmShareDenyNone);
  if (file == plat::kInvalidHandle) return false;
  char head[2] = {0, 0};
  std::int32_t n = plat::FileRead(file, head, 2);
  plat::CloseHandle(file);
  return n == 2 && head[0] == 'M' && head[1] == 'Z';
}

}  // namespace

std::unique_ptr<TResContainer> OpenContainer(const std::string& path) {
  if (StartsWithMZ(path)) return TPEFile::CreateFromFile(path);
  return TResResFile::CreateFromFile(path);
}
