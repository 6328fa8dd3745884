// Program-level services of the Win32 backend: arguments, time, message boxes, the shell.
#include "Platform.h"
#include "WinApi.h"
#include <shellapi.h>

namespace plat {

// The program has one thread (and this MinGW runtime has no std::mutex), so no lock.
namespace {

std::vector<std::string>& Args() {
  static std::vector<std::string> args;
  return args;
}

std::vector<std::string> RealArguments() {
  std::vector<std::string> args = SplitCommandLine(GetCommandLineA());
  // Argument 0 is the module's own full name, not what the command line called it.
  char name[MAX_PATH + 1] = {};
  DWORD n = GetModuleFileNameA(nullptr, name, MAX_PATH);
  std::string own(name, n < MAX_PATH ? n : MAX_PATH);
  if (args.empty())
    args.push_back(own);
  else
    args[0] = own;
  return args;
}

const std::vector<std::string>& CurrentArgs() {
  if (Args().empty()) Args() = RealArguments();
  return Args();
}

}  // namespace

int ParamCount() {
  return static_cast<int>(CurrentArgs().size()) - 1;
}

std::string ParamStr(int index) {
  const std::vector<std::string>& args = CurrentArgs();
  if (index < 0 || static_cast<std::size_t>(index) >= args.size()) return std::string();
  return args[static_cast<std::size_t>(index)];
}

void SetArguments(const std::vector<std::string>& args) {
  Args() = args;
}

std::int64_t UnixTimeNow() {
  FILETIME ft;
  GetSystemTimeAsFileTime(&ft);
  // 100-nanosecond intervals since 1601-01-01 UTC.
  std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime);
  const std::int64_t kTicksTo1970 = 116444736000000000LL;
  return (ticks - kTicksTo1970) / 10000000LL;
}

int MessageBox(Window owner, const std::string& text, const std::string& caption,
               std::uint32_t flags) {
  return MessageBoxA(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

void MessageBeep(std::uint32_t type) { ::MessageBeep(type); }

std::intptr_t ShellOpen(Window owner, const std::string& file, int showCommand) {
  HINSTANCE result = ShellExecuteA(reinterpret_cast<HWND>(owner), nullptr, file.c_str(), nullptr,
                                   nullptr, showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace plat
