// Benchmark driver (not a test): merges a resource image into an executable the way a
// patch does and prints the wall time of the merge. scripts/bench_merge.sh runs it on a
// generated ~300 MB executable next to `cp` of the same file and under massif.
//
//   bench_merge TARGET.exe PATCH.res OUTPUT.exe
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "Exceptions.h"
#include "MyStreams.h"
#include "ResourceImport.h"
#include "UResPEFile.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: bench_merge TARGET.exe PATCH.res OUTPUT.exe\n");
    return 2;
  }
  std::ifstream in(argv[2], std::ios::binary);
  const std::vector<char> res((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  try {
    const auto start = std::chrono::steady_clock::now();
    {
      TPEFile file(argv[1]);
      TReadMemoryStream stream(res.data(), static_cast<std::int32_t>(res.size()));
      std::int32_t added = 0;
      const std::int32_t replaced = ImportResources(file.GetRootList(), stream, true, nullptr, &added);
      file.SaveToFile(argv[3], nullptr);
      std::printf("replaced %d, added %d\n", replaced, added);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("merge seconds %.3f\n", took.count());
  } catch (const rtl::Exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
