// Helpers shared by the tests.
#include "TestSupport.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testsupport {

std::string NativePath(const std::string& hostPath) {
#ifdef _WIN32
  std::string p = hostPath;
  if (!p.empty() && p[0] == '/') p = "Z:" + p;
  std::replace(p.begin(), p.end(), '/', '\\');
  return p;
#else
  return hostPath;
#endif
}

std::string Fixture(const std::string& name) {
  return NativePath(std::string(ZED_FIXTURE_DIR) + "/" + name);
}

std::string MakeScratchDir(const std::string& tag) {
  static std::atomic<int> counter{0};
  fs::path base = fs::temp_directory_path() / "zed-tests";
  fs::create_directories(base);
  for (;;) {
    fs::path dir = base / (tag + "-" + std::to_string(std::rand()) + "-" +
                           std::to_string(counter++));
    if (fs::create_directory(dir)) {
      std::string s = dir.string();
#ifdef _WIN32
      return s + "\\";
#else
      return s + "/";
#endif
    }
  }
}

void RemoveTree(const std::string& dir) {
  std::error_code ec;
  fs::remove_all(dir, ec);
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::string> ListDir(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
