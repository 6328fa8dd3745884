// vandolin's commands. Each takes the arguments after its name, writes its results to
// stdout and answers the exit status; failures are raised as exceptions and reported by
// main (rtl::Exception: status 1, cli::EUsage: status 2).
#pragma once

#include <string>
#include <vector>

using CommandArgs = std::vector<std::string>;

int ListCommand(const CommandArgs& args);
int ExportCommand(const CommandArgs& args);
int MergeCommand(const CommandArgs& args);
int ApplyCommand(const CommandArgs& args);
int MakeCommand(const CommandArgs& args);
int DiffCommand(const CommandArgs& args);
int ShowCommand(const CommandArgs& args);

class TResourceList;
// The lines `list` prints for a resource tree (ListCommand.cpp); `show` prints the same.
std::string ResourceListing(TResourceList& root, bool json);
