// Every input kept from fuzzing (regressions/<target>/) and every seed of the fuzz corpora
// (fuzz/corpus/<target>/), run through the fuzz target it belongs to. The program's own
// failures are expected; a foreign exception or a contradicted result (the target's
// checks, thrown here as std::logic_error) fails the test. Memory errors need the
// sanitizer build to show.
#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "FuzzTargets.h"
#include "TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> FilesIn(const std::string& hostDir) {
  std::vector<std::string> files;
  const fs::path dir = testsupport::NativePath(hostDir);
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec))
    if (e.is_regular_file() && e.path().extension() != ".md") files.push_back(e.path().string());
  return files;
}

[[noreturn]] void Throw(const std::string& what) { throw std::logic_error(what); }

class FuzzReplay : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { zedfuzz::SetFailureHandler(&Throw); }
  void TearDown() override { zedfuzz::SetFailureHandler(nullptr); }
};

TEST_P(FuzzReplay, KeptInputsAndSeedsRunCleanly) {
  const std::string target = GetParam();
  zedfuzz::TargetFn run = zedfuzz::FindTarget(target);
  ASSERT_NE(run, nullptr);
  const std::string root = ZED_SOURCE_DIR;
  std::vector<std::string> inputs = FilesIn(root + "/tests/hardening/regressions/" + target);
  const std::vector<std::string> seeds = FilesIn(root + "/fuzz/corpus/" + target);
  EXPECT_FALSE(seeds.empty()) << "no seeds for " << target;
  inputs.insert(inputs.end(), seeds.begin(), seeds.end());
  for (const std::string& file : inputs) {
    // Named before it runs, for a crash that ends the process.
    std::cout << target << ": " << file << std::endl;
    const std::vector<std::uint8_t> bytes = testsupport::ReadBytes(file);
    try {
      run(bytes.data(), bytes.size());
    } catch (const std::exception& e) {
      ADD_FAILURE() << file << ": " << e.what();
    } catch (...) {
      ADD_FAILURE() << file << ": an exception of no known kind";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzReplay,
                         ::testing::Values("payload", "pe", "res", "formats"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                           return std::string(param.param);
                         });

}  // namespace
