// Runs a program with arguments and collects its exit status and output, on Linux with
// fork and exec, on Windows (under Wine) with CreateProcess.
#pragma once

#include <string>
#include <vector>

namespace vandolintest {

struct RunResult {
  int status = -1;
  std::string out;  // stdout, with CR LF turned into LF
  std::string err;  // stderr, likewise
};

// The output is collected in files of a scratch directory of its own, removed afterwards.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace vandolintest
