// Patchers for the patcher-state and dialog tests: the fixture program with a payload that
// patches the fixture target, written into a scratch directory.
#pragma once

#include <string>
#include <vector>

#include "TestPayloadWriter.h"

namespace apptest {

// Writes DIR/NAME, a patcher for patch_target.exe carrying patch_update.res.
std::string MakePatcher(const std::string& dir, const std::string& name,
                        const payload::Texts& texts);
// Sets the command line (argument 0 first) and parses the options from it.
void UseCommandLine(const std::vector<std::string>& args);

}  // namespace apptest
