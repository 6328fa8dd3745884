// The targets by name, for the regression replay and scripts/fuzz.sh.
#include "FuzzTargets.h"

namespace zedfuzz {

TargetFn FindTarget(const std::string& name) {
  if (name == "payload") return &RunPayload;
  if (name == "pe") return &RunPE;
  if (name == "res") return &RunRes;
  if (name == "formats") return &RunFormats;
  return nullptr;
}

}  // namespace zedfuzz
