// The libFuzzer entry of one target; ZED_FUZZ_RUN names its function (FuzzTargets.h).
#include <cstddef>
#include <cstdint>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return zedfuzz::ZED_FUZZ_RUN(data, size);
}
