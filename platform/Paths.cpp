// File-name splitting shared by both backends; what counts as a delimiter is the backend's.
#include "Platform.h"

namespace plat {

namespace {
std::size_t AfterLastDelimiter(const std::string& path) {
  for (std::size_t i = path.size(); i > 0; --i) {
    if (IsPathDelimiter(path[i - 1])) return i;
  }
  return 0;
}
}  // namespace

std::string ExtractFileName(const std::string& path) {
  return path.substr(AfterLastDelimiter(path));
}

std::string ExtractFilePath(const std::string& path) {
  return path.substr(0, AfterLastDelimiter(path));
}

std::vector<std::string> SplitCommandLine(const char* commandLine) {
  // The runtime's rule: blanks (any character up to ' ') separate arguments, a pair of
  // double quotes groups blanks into one argument and is itself dropped.
  std::vector<std::string> args;
  const char* p = commandLine ? commandLine : "";
  for (;;) {
    for (;;) {
      while (*p != '\0' && static_cast<unsigned char>(*p) <= ' ') ++p;
      if (p[0] == '"' && p[1] == '"') {
        p += 2;  // an empty quoted argument between blanks is skipped
      } else {
        break;
      }
    }
    if (*p == '\0') break;
    std::string arg;
    while (static_cast<unsigned char>(*p) > ' ') {
      if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') arg += *p++;
        if (*p != '\0') ++p;
      } else {
        arg += *p++;
      }
    }
    args.push_back(arg);
  }
  return args;
}

}  // namespace plat
