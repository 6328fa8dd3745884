// The patcher's command-line options and their parser.
#include "Options.h"

#include <cstddef>

#include "Platform.h"

bool OptForce = false;
bool OptGuiless = false;
bool OptQuiet = false;
bool OptAuto = false;
bool OptNoBackup = false;
bool OptDir = false;
std::string OptDirValue;
bool OptHelp = false;

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Only ASCII letters fold: option words are ASCII, and a byte of another code page's
// letter must not turn into one of them.
bool SameTextAscii(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  return true;
}

}  // namespace

bool MatchOption(int index, const std::string& word, bool& flag) {
  const std::string argument = plat::ParamStr(index);
  if (SameTextAscii(argument, "/" + word) || SameTextAscii(argument, "-" + word)) {
    flag = true;
    return true;
  }
  return false;
}

void ParseOptions() {
  OptForce = false;
  OptGuiless = false;
  OptQuiet = false;
  OptAuto = false;
  OptNoBackup = false;
  OptDir = false;
  OptHelp = false;
  // OptDirValue keeps its value unless a dir option sets it.

  // A match does not end the tests of an argument: after dir the help words are tested
  // on the directory just taken, so "-dir -h" asks for help too.
  int i = 1;
  while (i <= plat::ParamCount()) {
    MatchOption(i, "force", OptForce);
    if (MatchOption(i, "guiless", OptGuiless)) OptAuto = true;
    MatchOption(i, "quiet", OptQuiet);
    MatchOption(i, "auto", OptAuto);
    MatchOption(i, "nobackup", OptNoBackup);
    if (MatchOption(i, "dir", OptDir)) {
      ++i;
      OptDirValue = plat::ParamStr(i);  // empty when dir is the last argument
    }
    MatchOption(i, "help", OptHelp);
    MatchOption(i, "h", OptHelp);
    MatchOption(i, "?", OptHelp);
    ++i;
  }
}
