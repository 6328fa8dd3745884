// Path services of the Win32 backend. Windows takes '/' as a directory separator as well,
// so both count as delimiters, along with the drive colon.
#include "Platform.h"
#include "WinApi.h"

namespace plat {

const char kPathDelim = '\\';

bool IsPathDelimiter(char c) { return c == '\\' || c == '/' || c == ':'; }

std::uint32_t GetTempPath(std::uint32_t size, char* buffer) {
  return GetTempPathA(size, buffer);
}

std::uint32_t GetFullPathName(const std::string& name, std::uint32_t size, char* buffer) {
  return GetFullPathNameA(name.c_str(), size, buffer, nullptr);
}

std::uint32_t GetShortPathName(const std::string& path, char* buffer, std::uint32_t size) {
  return GetShortPathNameA(path.c_str(), buffer, size);
}

}  // namespace plat
