// vandolin, the authoring tool: a command table over the resource library. Each command
// parses its own options; failures reach the handler here and go to stderr with a
// non-zero exit status.
#include <iostream>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "Commands.h"
#include "Exceptions.h"

namespace {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const CommandArgs& args);
};

const Command kCommands[] = {
    {"list", "list the resources of a file", &ListCommand},
    {"export", "write one resource in a side format", &ExportCommand},
    {"merge", "merge the resources of an image into a file", &MergeCommand},
    {"apply", "run a patcher here (its dialog on the terminal)", &ApplyCommand},
    {"make", "make a patcher for an executable", &MakeCommand},
    {"diff", "write the resources a patch needs to turn a file into another", &DiffCommand},
    {"show", "show what a patcher carries", &ShowCommand},
};

void PrintHelp(std::ostream& out) {
  out << "usage: vandolin COMMAND [ARGS...]\n"
         "       vandolin --help | --version\n"
         "\n"
         "Commands:\n";
  for (const Command& c : kCommands) {
    std::string name = c.name;
    out << "  " << name << std::string(name.size() < 10 ? 10 - name.size() : 1, ' ')
        << c.summary << "\n";
  }
  out << "\nRun 'vandolin COMMAND --help' for the arguments of a command.\n";
}

const Command* FindCommand(const std::string& name) {
  for (const Command& c : kCommands)
    if (name == c.name) return &c;
  return nullptr;
}

int Run(const Command& command, const CommandArgs& args) {
  try {
    return command.run(args);
  } catch (const cli::EUsage& e) {
    std::cerr << "vandolin " << command.name << ": " << e.Message() << "\n"
              << "Try 'vandolin " << command.name << " --help'.\n";
    return cli::kExitUsage;
  } catch (const rtl::Exception& e) {
    std::cerr << "vandolin: " << e.Message() << "\n";
  } catch (const std::exception& e) {
    std::cerr << "vandolin: " << e.what() << "\n";
  }
  return cli::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) {
    PrintHelp(std::cerr);
    return cli::kExitUsage;
  }
  const std::string& first = args[0];
  if (first == "--help" || first == "-h" || first == "help") {
    PrintHelp(std::cout);
    return cli::kExitOk;
  }
  if (first == "--version") {
    std::cout << "vandolin " << VANDOLIN_VERSION << "\n";
    return cli::kExitOk;
  }
  const Command* command = FindCommand(first);
  if (command == nullptr) {
    std::cerr << "vandolin: unknown command '" << first << "'\n"
              << "Try 'vandolin --help'.\n";
    return cli::kExitUsage;
  }
  return Run(*command, CommandArgs(args.begin() + 1, args.end()));
}
