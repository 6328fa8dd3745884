// Patchers for the app tests (see AppTestSupport.h).
#include "AppTestSupport.h"

#include "Options.h"
#include "Platform.h"
#include "TestSupport.h"
#include "UResPEFile.h"

namespace apptest {

std::string MakePatcher(const std::string& dir, const std::string& name,
                        const payload::Texts& texts) {
  payload::Header header;
  header.targetChecksum =
      TPEFile::CreateFromFile(testsupport::Fixture("patch_target.exe"))->VersionChecksum();
  payload::Bytes image = testsupport::ReadBytes(testsupport::Fixture("patch_update.res"));
  std::string patcher = dir + name;
  payload::WritePatcher(testsupport::Fixture("patch_target.exe"), patcher,
                        payload::Payload(payload::Deflate(payload::Inflated(texts, image)), header));
  return patcher;
}

void UseCommandLine(const std::vector<std::string>& args) {
  plat::SetArguments(args);
  OptDirValue.clear();
  ParseOptions();
}

}  // namespace apptest
