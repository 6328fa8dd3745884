// Program-level services of the POSIX backend: arguments, time, the terminal in place of
// message boxes, and the desktop's opener in place of the shell.
#include <chrono>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>
#include <mutex>

#include "Platform.h"

namespace plat {

namespace {

std::mutex& ArgsLock() {
  static std::mutex lock;
  return lock;
}

std::vector<std::string>& Args() {
  static std::vector<std::string> args;
  return args;
}

std::string OwnExecutable() {
  char buffer[4096];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

// The real command line, read back from the kernel since nothing hands argv to us.
std::vector<std::string> RealArguments() {
  std::vector<std::string> args;
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    args.push_back(all.substr(start, end - start));
    start = end + 1;
  }
  if (args.empty()) args.emplace_back();
  args[0] = OwnExecutable();
  return args;
}

const std::vector<std::string>& CurrentArgs() {
  if (Args().empty()) Args() = RealArguments();
  return Args();
}

std::string FindInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    std::string candidate = dir + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return std::string();
}

}  // namespace

int ParamCount() {
  std::lock_guard<std::mutex> guard(ArgsLock());
  return static_cast<int>(CurrentArgs().size()) - 1;
}

std::string ParamStr(int index) {
  std::lock_guard<std::mutex> guard(ArgsLock());
  const std::vector<std::string>& args = CurrentArgs();
  if (index < 0 || static_cast<std::size_t>(index) >= args.size()) return std::string();
  return args[static_cast<std::size_t>(index)];
}

void SetArguments(const std::vector<std::string>& args) {
  std::lock_guard<std::mutex> guard(ArgsLock());
  Args() = args;
}

std::int64_t UnixTimeNow() { return static_cast<std::int64_t>(std::time(nullptr)); }

int MessageBox(Window, const std::string& text, const std::string& caption, std::uint32_t) {
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
  return 1;  // IDOK
}

// A terminal bell, at most a few a second: the payload loader beeps after every inflate
// call, thousands of times for a large payload, where a system sound would simply overlap.
void MessageBeep(std::uint32_t) {
  static std::chrono::steady_clock::time_point last{};
  const auto now = std::chrono::steady_clock::now();
  if (now - last < std::chrono::milliseconds(250)) return;
  last = now;
  if (::isatty(STDERR_FILENO)) {
    std::fputc('\a', stderr);
    std::fflush(stderr);
  }
}

std::intptr_t ShellOpen(Window, const std::string& file, int) {
  const std::intptr_t kFileNotFound = 2;  // what the shell answers for a missing program
  if (::access(file.c_str(), F_OK) != 0) return kFileNotFound;
  std::string opener = FindInPath("xdg-open");
  if (opener.empty()) return kFileNotFound;
  // Started through an intermediate child so the opener is never left as our zombie.
  pid_t child = ::fork();
  if (child < 0) return kFileNotFound;
  if (child == 0) {
    if (::fork() == 0) {
      int null = ::open("/dev/null", O_RDWR);
      if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
      }
      ::execl(opener.c_str(), "xdg-open", file.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::_exit(0);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return 33;
}

}  // namespace plat
