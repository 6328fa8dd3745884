// Helpers shared by the tests: where the fixtures are, scratch directories, file bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// A path in the form the program under test uses: on Windows builds (run through Wine)
// the host path seen through drive Z:, elsewhere the path itself.
std::string NativePath(const std::string& hostPath);
// A fixture made at build time (tests/fixtures), by its file name.
std::string Fixture(const std::string& name);
// A new empty directory for one test, ending in the path delimiter; removed by the caller
// with RemoveTree or left for inspection.
std::string MakeScratchDir(const std::string& tag);
void RemoveTree(const std::string& dir);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Names of the files directly inside a directory, sorted.
std::vector<std::string> ListDir(const std::string& dir);

}  // namespace testsupport
