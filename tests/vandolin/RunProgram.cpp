// Running the tool under test as a separate process.
#include "RunProgram.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

#include "TestSupport.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vandolintest {

namespace {

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

#ifdef _WIN32
// One argument quoted for the C runtime's command-line splitting.
std::string Quote(const std::string& arg) {
  std::string q = "\"";
  std::size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') q.append(backslashes * 2 + 1, '\\');
    else q.append(backslashes, '\\');
    backslashes = 0;
    q += c;
  }
  q.append(backslashes * 2, '\\');
  return q + "\"";
}

int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::string& outPath, const std::string& errPath) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out = CreateFileA(outPath.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA(errPath.c_str(), GENERIC_WRITE, 0, &inherit, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string line = Quote(program);
  for (const std::string& a : args) line += " " + Quote(a);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessA(program.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) throw std::runtime_error("cannot start " + program);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return static_cast<int>(code);
}
#else
int Spawn(const std::string& program, const std::vector<std::string>& args,
          const std::string& outPath, const std::string& errPath) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) {
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0) _exit(126);
    dup2(out, 1);
    dup2(err, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

}  // namespace

RunResult RunProgram(const std::string& program, const std::vector<std::string>& args) {
  const std::string dir = testsupport::MakeScratchDir("vandolin-run");
  const std::string outPath = dir + "stdout";
  const std::string errPath = dir + "stderr";
  RunResult result;
  result.status = Spawn(program, args, outPath, errPath);
  result.out = Slurp(outPath);
  result.err = Slurp(errPath);
  testsupport::RemoveTree(dir);
  return result;
}

}  // namespace vandolintest
