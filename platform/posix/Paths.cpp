// Path services of the POSIX backend: '/' is the only delimiter, full names are made
// lexically (the file need not exist), the "short" name is the canonical one.
#include <limits.h>
#include <errno.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "Platform.h"

namespace plat {

const char kPathDelim = '/';

bool IsPathDelimiter(char c) { return c == '/'; }

namespace {

// The Win32 buffer convention: the length without the zero when it fits, else the size
// needed including the zero.
std::uint32_t CopyOut(const std::string& text, char* buffer, std::uint32_t size) {
  if (text.size() >= UINT32_MAX) return 0;
  std::uint32_t length = static_cast<std::uint32_t>(text.size());
  if (buffer == nullptr || size <= length) return length + 1;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return length;
}

std::string CurrentDirectory() {
  std::vector<char> buffer(PATH_MAX);
  for (;;) {
    if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
    if (errno != ERANGE) return std::string();
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace

std::uint32_t GetTempPath(std::uint32_t size, char* buffer) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = env != nullptr && env[0] != '\0' ? env : "/tmp/";
  if (dir.back() != '/') dir += '/';
  return CopyOut(dir, buffer, size);
}

std::uint32_t GetFullPathName(const std::string& name, std::uint32_t size, char* buffer) {
  if (name.empty()) return 0;
  std::string path = name;
  if (path[0] != '/') {
    std::string cwd = CurrentDirectory();
    if (cwd.empty()) return 0;
    path = cwd + "/" + path;
  }
  // Remove ".", "..", and repeated delimiters without looking at the file system.
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i < path.size()) {
    while (i < path.size() && path[i] == '/') ++i;
    std::size_t start = i;
    while (i < path.size() && path[i] != '/') ++i;
    std::string part = path.substr(start, i - start);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string full;
  for (const std::string& part : parts) full += "/" + part;
  // A trailing delimiter stays, as the system call keeps one.
  if (full.empty() || name.back() == '/') full += "/";
  return CopyOut(full, buffer, size);
}

std::uint32_t GetShortPathName(const std::string& path, char* buffer, std::uint32_t size) {
  if (path.empty()) return 0;
  char* real = ::realpath(path.c_str(), nullptr);
  if (real == nullptr) return 0;
  std::string text = real;
  std::free(real);
  return CopyOut(text, buffer, size);
}

}  // namespace plat
